// What the window benchmarks share: the dialogs' answers, a watch that
// measures how long the window takes to answer, a stopwatch.
#pragma once

#include "ui/main_window.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace bench {

using namespace ps;

class Answers final : public DesktopDialogs {
public:
    std::string listFile;
    std::string reportFile;
    std::string folder;
    std::optional<std::string> openDrawings(HWND, const std::string&) override { return std::nullopt; }
    std::optional<std::string> listFileName(HWND, bool, const std::string&, const std::string&) override {
        return listFile;
    }
    std::optional<std::string> reportFileName(HWND, const std::string&, const std::string&) override {
        return reportFile;
    }
    std::string browseFolder(HWND, const std::string&) override { return folder; }
    bool askYesNo(HWND, const std::string&, const std::string&) override { return false; }
    int askYesNoCancel(HWND, const std::string&, const std::string&) override { return IDNO; }
    void inform(HWND, const std::string&, const std::string&, UINT) override {}
    std::string inputBox(HWND, const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::optional<std::string> openScriptFile(HWND, const std::string&) override { return std::nullopt; }
    void showDetails(HWND, const std::string&, const std::string&) override {}
};

// Sends the window a message every 5 ms from another thread and keeps the
// longest wait for an answer.
class Watch {
public:
    explicit Watch(HWND window) : window_(window), thread_([this] { loop(); }) {}
    ~Watch() {
        stop_ = true;
        thread_.join();
    }
    ULONGLONG worstAndReset() { return worst_.exchange(0); }

private:
    void loop() {
        while (!stop_) {
            const ULONGLONG sent = GetTickCount64();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            const ULONGLONG waited = GetTickCount64() - sent;
            ULONGLONG seen = worst_.load();
            while (waited > seen && !worst_.compare_exchange_weak(seen, waited)) {
            }
            Sleep(5);
        }
    }
    HWND window_;
    std::atomic<bool> stop_{false};
    std::atomic<ULONGLONG> worst_{0};
    std::thread thread_;
};

double Timed(const std::function<void()>& step) {
    const ULONGLONG start = GetTickCount64();
    step();
    return static_cast<double>(GetTickCount64() - start) / 1000.0;
}

} // namespace bench
