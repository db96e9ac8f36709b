#include "drawinglist/list_saver.h"

#include "drawinglist/list_file.h"

namespace ps {

bool ListSaver::saveIfDue(const DrawingList& list) {
    if (!dirty_ || (saved_ && clock_.monotonicMs() - lastMs_ < intervalMs_))
        return true;
    return save(list);
}

bool ListSaver::saveIfChanged(const DrawingList& list) {
    return !dirty_ || save(list);
}

bool ListSaver::save(const DrawingList& list) {
    dirty_ = false;
    saved_ = true;
    lastMs_ = clock_.monotonicMs();
    if (writer_)
        error_ = writer_(path_, ListFileBytes(list, codec_))
                     ? std::nullopt
                     : std::optional<std::string>(ListWriteError(path_));
    else
        error_ = WriteListFile(files_, codec_, path_, list);
    if (!error_)
        return true;
    // Not written: still to write.
    dirty_ = true;
    everFailed_ = true;
    return false;
}

} // namespace ps
