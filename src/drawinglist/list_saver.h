// Writes the drawing list to its file as it changes: at most once per
// interval while changes keep coming, at once when asked, always whole
// (WriteListFile). Both front ends keep one: the batch for its list file,
// the window for its working list.
#pragma once

#include "core/ansi_codec.h"
#include "core/file_system.h"
#include "core/system_ports.h"
#include "drawinglist/drawing_list.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ps {

class ListSaver {
public:
    ListSaver(FileSystem& files, const AnsiCodec& codec, const Clock& clock, std::string path,
              std::uint64_t intervalMs)
        : files_(files), codec_(codec), clock_(clock), path_(std::move(path)), intervalMs_(intervalMs) {}

    const std::string& path() const { return path_; }
    // How the file's bytes are written (replaceFileAtomically unless set):
    // a window writes them off its own thread.
    using Writer = std::function<bool(const std::string& path, const std::string& bytes)>;
    void setWriter(Writer writer) { writer_ = std::move(writer); }
    void changed() { dirty_ = true; }
    bool dirty() const { return dirty_; }
    // Each returns false when a write it made failed.
    bool saveIfDue(const DrawingList& list);
    bool saveIfChanged(const DrawingList& list);
    bool save(const DrawingList& list);
    // The message of the last write that failed; cleared by one that works.
    const std::optional<std::string>& error() const { return error_; }
    // Whether any write has failed since the saver was made.
    bool everFailed() const { return everFailed_; }

private:
    FileSystem& files_;
    const AnsiCodec& codec_;
    const Clock& clock_;
    std::string path_;
    std::uint64_t intervalMs_;
    Writer writer_;
    bool dirty_ = false;
    bool saved_ = false;
    std::uint64_t lastMs_ = 0;
    std::optional<std::string> error_;
    bool everFailed_ = false;
};

} // namespace ps
