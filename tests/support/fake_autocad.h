// AutoCAD for engine tests without Windows: a ProcessRunner that, when
// started with the batch command line, runs the script through the stand-in's
// AutoCAD session model over an in-memory file system, so what the engine
// verifies afterwards is what a script really did.
#pragma once

#include "sample_drawings.h"
#include "session.h"

#include "acad/host.h"
#include "acad/products.h"
#include "acad/releases.h"
#include "core/memory_file_system.h"
#include "core/registry.h"
#include "core/strings.h"
#include "script/purge_script.h"
#include "support/fake_ports.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <string>
#include <vector>

namespace ps::test {

class FakeAutoCad : public ProcessRunner, public standin::SessionHost {
public:
    // CutShort: the save stops half-way (a full disk) and AutoCAD ends as usual.
    // NoRecord: the companion's record of the cleaning cannot be written.
    enum class Behaviour {
        Normal,
        Hang,
        NoSave,
        PartialSaveThenHang,
        QuitAtOnce,
        CrashInSave,
        CutShort,
        NoRecord
    };

    struct Start {
        std::string exe, drawing, script;
        std::string currentProduct, currentProfile; // what AutoCAD would load
        std::string showProxyDialog, isaveBackupDwg, fileDialog;
        std::string commandLine, scriptText;
        int windowStyle = 0;
    };

    FakeAutoCad(MemoryFileSystem& files, ManualClock& clock, const Registry& registry)
        : files_(files), clock_(clock), registry_(registry) {}

    void behave(const std::string& drawing, Behaviour b) { behaviours_[ToUpper(drawing)] = b; }
    void holds(const std::string& drawing, standin::DrawingContents c) {
        contents_[ToUpper(drawing)] = std::move(c);
    }
    // Every drawing keeps AutoCAD busy this long after its script ran (on the clock).
    void workFor(std::uint64_t ms) { workMs_ = ms; }

    // Another AutoCAD beside this one, on the same files, registry, clock and records.
    std::unique_ptr<ProcessRunner> sibling() override {
        auto other = std::make_unique<FakeAutoCad>(files_, clock_, registry_);
        other->root_ = root_;
        return other;
    }

    bool start(std::string_view commandLine, int windowStyle) override {
        std::vector<std::string> quoted;
        for (std::size_t p = commandLine.find('"'); p != std::string_view::npos;) {
            const auto end = commandLine.find('"', p + 1);
            if (end == std::string_view::npos)
                break;
            quoted.emplace_back(commandLine.substr(p + 1, end - p - 1));
            p = commandLine.find('"', end + 1);
        }
        if (quoted.size() < 3 || !files_.attributes(quoted[0]))
            return false;
        Start s{quoted[0],
                quoted[1],
                quoted[2],
                AcadCurrentProductName(registry_),
                AcadCurrentProfile(registry_),
                {},
                {},
                {},
                std::string(commandLine),
                {},
                windowStyle};
        // The batch start names the script without ".scr", the console engine with it.
        if (!ToLower(s.script).ends_with(".scr"))
            s.script += ".scr";
        s.scriptText = files_.readFile(s.script).value_or("");
        const std::string profiles =
            ProfilesKeyPath(AcadCurProd(registry_), AcadCurRelease(registry_), AcadCurProductKey(registry_)) +
            s.currentProfile;
        s.showProxyDialog = Value(profiles + "\\General", "ShowProxyDialog");
        s.isaveBackupDwg = Value(profiles + "\\General Configuration", "IsaveBackupDwg");
        s.fileDialog = Value(
            ProductKeyPath(AcadCurProd(registry_), AcadCurRelease(registry_), AcadCurProductKey(registry_)) +
                "\\FixedProfile\\General Configuration",
            "FileDialog");
        root_->starts.push_back(s);
        running_ = true;
        busyUntil_ = clock_.now + root_->workMs_;
        counted_ = true;
        root_->mostAtOnce = std::max(root_->mostAtOnce, ++root_->inFlight_);
        exitCode_ = 0;
        drawingBytes_ = files_.readFile(s.drawing).value_or("");
        // AutoCAD's lock beside the drawing while it is open.
        const std::string lock = s.drawing.substr(0, s.drawing.size() - 4) + ".dwl";
        files_.writeFile(lock, "AutoCAD start " + std::to_string(root_->starts.size()));
        const auto it = root_->behaviours_.find(ToUpper(s.drawing));
        behaviour_ = it == root_->behaviours_.end() ? Behaviour::Normal : it->second;
        if (behaviour_ == Behaviour::Hang)
            return true;
        if (behaviour_ == Behaviour::QuitAtOnce) {
            files_.deleteFile(lock);
            running_ = false;
            return true;
        }
        const auto native = NativeSaveFormat(AcadReleaseKey(registry_, s.currentProduct));
        standin::Session session(*this, s.drawing,
                                 std::string(native ? VersionCode(*native) : std::string_view()));
        if (const auto c = root_->contents_.find(ToUpper(s.drawing)); c != root_->contents_.end())
            session.setContents(c->second);
        const std::string& script = s.scriptText;
        std::size_t pos = 0;
        while (pos < script.size() && !session.quitRequested() && running_) {
            auto end = script.find("\r\n", pos);
            if (end == std::string::npos)
                end = script.size();
            session.scriptLine(codec_.fromAnsi(script.substr(pos, end - pos)));
            pos = end + 2;
        }
        session.scriptEnded();
        if (behaviour_ == Behaviour::CrashInSave)
            running_ = false;
        else if (behaviour_ != Behaviour::PartialSaveThenHang)
            running_ = !session.quitRequested();
        if (!running_ && behaviour_ != Behaviour::CrashInSave)
            files_.deleteFile(lock);
        return true;
    }
    bool hasEnded() override {
        const bool ended = !running_ && clock_.now >= busyUntil_;
        if (ended && std::exchange(counted_, false))
            --root_->inFlight_;
        return ended;
    }
    Wake waitForWake(unsigned ms) override {
        clock_.now += ms;
        return running_ ? Wake::Timeout : Wake::ProcessEnded;
    }
    void terminate() override {
        running_ = false;
        busyUntil_ = 0;
    }
    bool owns(std::uint32_t pid) override { return pid == 777; }
    std::optional<std::uint32_t> lastExitCode() const override { return exitCode_; }

    // SessionHost
    void journal(const std::string& line) override { root_->journalLines.push_back(line); }
    bool fileExists(const std::string& path) override {
        const auto a = files_.attributes(path);
        return a && (*a & kAttrDirectory) == 0;
    }
    std::optional<std::string> readTextFile(const std::string& path) override {
        return files_.readFile(path);
    }
    bool writeTextFile(const std::string& path, const std::string& text) override {
        return behaviour_ != Behaviour::NoRecord && files_.writeFile(path, text);
    }
    bool saveDrawing(const std::string& code, const std::string& path) override {
        if (behaviour_ == Behaviour::NoSave)
            return false;
        std::string body = drawingBytes_.size() > 6 ? drawingBytes_.substr(6) : std::string();
        // Saved with a header that declares the file's own end, as AutoCAD's do.
        const std::string bytes =
            samples::FrameDwg(samples::UnframedDwg(code + body) + "|saved " + std::to_string(++saves_));
        if (behaviour_ == Behaviour::CutShort) {
            files_.writeFile(path, bytes.substr(0, bytes.size() / 2));
            return true;
        }
        if (behaviour_ == Behaviour::PartialSaveThenHang || behaviour_ == Behaviour::CrashInSave) {
            files_.writeFile(path, bytes.substr(0, bytes.size() / 2));
            running_ = behaviour_ == Behaviour::PartialSaveThenHang;
            if (behaviour_ == Behaviour::CrashInSave)
                exitCode_ = 0xC0000005;
            return false;
        }
        if (fileExists(path) && root_->starts.back().isaveBackupDwg == "1")
            files_.copyFile(path, path.substr(0, path.size() - 4) + ".bak");
        files_.writeFile(path, bytes);
        drawingBytes_ = bytes;
        return true;
    }

    std::vector<Start> starts;
    std::vector<std::string> journalLines;
    int mostAtOnce = 0; // processes running at the same time, at most

private:
    std::string Value(const std::string& key, const char* name) {
        const auto raw = registry_.queryValue(RegRoot::CurrentUser, key, name);
        if (!raw || raw->data.size() < 4)
            return "";
        return std::to_string(raw->data[0]);
    }

    MemoryFileSystem& files_;
    ManualClock& clock_;
    const Registry& registry_;
    Latin1Codec codec_;
    std::map<std::string, Behaviour> behaviours_;
    std::map<std::string, standin::DrawingContents> contents_;
    Behaviour behaviour_ = Behaviour::Normal;
    bool running_ = false;
    std::uint32_t exitCode_ = 0;
    std::string drawingBytes_;
    int saves_ = 0;
    FakeAutoCad* root_ = this;
    std::uint64_t workMs_ = 0;
    std::uint64_t busyUntil_ = 0;
    int inFlight_ = 0;
    bool counted_ = false;
};

// Windows that never show a pop-up.
class QuietDesktop : public WindowScanner {
public:
    std::vector<Window> topLevelWindows() override { return {}; }
    std::string title(Window) override { return {}; }
    Window owner(Window) override { return 0; }
    std::uint32_t processId(Window) override { return 0; }
    Window findButton(Window, std::string_view) override { return 0; }
    void click(Window) override {}
    void close(Window) override {}
    bool activate(Window) override { return false; }
    void typeKeys(Window, std::string_view) override {}
};

} // namespace ps::test
