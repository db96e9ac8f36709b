// Scripted stand-ins for the system ports, for engine tests without Windows.
#pragma once

#include "core/system_ports.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace ps::test {

// A clock that only moves when told (or by a fixed step per reading).
class ManualClock : public Clock {
public:
    std::uint64_t monotonicMs() const override { return now += step; }
    std::string nowText() const override { return "07.12.2026 05:40:00"; }
    // File times follow the monotonic milliseconds from a fixed day.
    std::uint64_t nowFileTime() const override { return day0 + now * 10'000; }
    std::int64_t localDay(std::uint64_t fileTime) const override {
        return static_cast<std::int64_t>(fileTime / 864'000'000'000ULL);
    }
    static constexpr std::uint64_t day0 = 134'100'000'000'000'000ULL; // in 2025
    mutable std::uint64_t now = 1'000'000;
    std::uint64_t step = 0;
};

class ScriptedPrompt : public UserPrompt {
public:
    bool askYesNo(std::string_view message, std::string_view) override {
        questions.emplace_back(message);
        return answer;
    }
    void inform(std::string_view message, std::string_view) override {
        messages.emplace_back(message);
        if (onInform)
            onInform();
    }
    bool answer = false;
    std::function<void()> onInform; // what else the user sees while a message is up
    std::vector<std::string> questions;
    std::vector<std::string> messages;
};

class CountingPump : public MessagePump {
public:
    void pumpOnce() override {
        ++pumps;
        if (onPump)
            onPump(pumps);
    }
    int pumps = 0;
    std::function<void(int)> onPump;
};

// A process that ends after a number of polls (never when negative); every
// wait advances the clock by the slice asked for.
class FakeProcess : public ProcessRunner {
public:
    explicit FakeProcess(ManualClock& clock) : clock_(&clock) {}
    // Back to a fresh process on the same clock.
    void reset() { *this = FakeProcess(*clock_); }
    bool start(std::string_view commandLine, int windowStyle) override {
        started.emplace_back(commandLine);
        style = windowStyle;
        running = startable;
        ended_ = false;
        return startable;
    }
    bool hasEnded() override {
        ++polls;
        if (endAfterPolls >= 0 && polls >= endAfterPolls && !ended_)
            running = false;
        return !running;
    }
    Wake waitForWake(unsigned ms) override {
        ++waits;
        clock_->now += ms;
        return Wake::Timeout;
    }
    void terminate() override {
        ++terminations;
        ended_ = true;
        running = lingerAfterTerminate;
    }
    bool owns(std::uint32_t pid) override { return pid == 4242; }
    std::optional<std::uint32_t> lastExitCode() const override { return exitCode; }
    std::optional<std::uint32_t> exitCode = 0;

    bool startable = true;
    bool running = false;
    bool lingerAfterTerminate = false; // the system cannot end it
    int endAfterPolls = 1;
    int polls = 0;
    int waits = 0;
    int terminations = 0;
    int style = 0;
    std::vector<std::string> started;

private:
    ManualClock* clock_;
    bool ended_ = false; // terminated since the last start
};

} // namespace ps::test
