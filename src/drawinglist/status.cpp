#include "drawinglist/status.h"

#include "core/strings.h"
#include "drawinglist/drawing_list.h"

namespace ps {

std::span<const StatusEntry> StatusTable() {
    using enum StatusKind;
    static constexpr StatusEntry kTable[] = {
        {status::kPending, Pending},
        {status::kProcessing, InProgress},
        {status::kOk, Ok},
        {status::kSkip, Chosen},
        {status::kNotRecognized, Chosen},
        {status::kCannotOpenVersion, Chosen},
        {status::kCannotSaveVersion, Chosen},
        {status::kDontSaveSelected, Chosen},
        {status::kLtCannotConvertIntoFolder, Chosen},
        {status::kAlreadyProcessed, Chosen},
        {status::kUnchanged, Chosen},
        {status::kTimeouted, Failure, false,
         "AutoCAD did not finish the drawing within the time-out; it was ended and the drawing put back as "
         "it was."},
        {status::kTerminated, Failure, false,
         "AutoCAD was ended before it finished (a stop, or a window it showed), and the drawing was put back "
         "as it was."},
        {status::kAccessDenied, Failure, false,
         "The drawing could not be read or opened alone: another program holds it, or you have no rights to "
         "it."},
        {status::kReadOnly, Failure, false, "The drawing is read-only, so nothing was saved over it."},
        {status::kScriptDenied, Failure, false,
         "The script for AutoCAD could not be written to the temporary folder."},
        {status::kNotStarted, Failure, false, "AutoCAD could not be started with the drawing."},
        {status::kNotSaved, Failure, false,
         "AutoCAD ended without saving the drawing as asked; the original was put back."},
        {status::kFileNotFound, Failure, false, "The drawing is no longer where the list says."},
        {status::kFolderNotFound, Failure, false, "The folder is no longer where the list says."},
        {status::kNameHoldsSemicolon, Failure, false, "The list file cannot record a name with a semicolon."},
        {status::kNameNotScriptable, Failure, false,
         "The name has characters the AutoCAD script's code page cannot carry."},
        {status::kUnknownSaveFormatPrefix, Failure, true,
         "The settings name a save format this drawing's row does not offer."},
        {status::kNoSafetyCopy, Failure, false,
         "No safety copy of the drawing could be made, so AutoCAD was not started on it."},
        {status::kNotEnoughSpace, Failure, false,
         "There is not enough free disk space for AutoCAD's save and the safety copies."},
        {status::kNameAlreadySaved, Failure, false,
         "Another drawing of this name was already saved into the same folder in this run."},
        {status::kInUseByAnotherRun, Failure, false,
         "Another Plansweeper run works on this drawing or on the file its save goes to; run it again "
         "later."},
        {status::kWouldReplaceAnotherFile, Failure, false,
         "The save would replace another existing file, which is never written over."},
        {status::kDamaged, Failure, false,
         "The drawing is cut short by what its own header declares, so it was not given to AutoCAD."},
        {status::kScriptFileMissing, Failure, false,
         "Your own script file, which this drawing's script would run, is gone."},
        {status::kLicencePrompt, Failure, false,
         "AutoCAD asked for its licence; start it once by hand, sign in, then run the list again."},
        {status::kCompanionNotTrusted, Failure, false,
         "AutoCAD would not load Plansweeper's cleaning from where it lies: its trusted paths are locked."},
        {status::kNewerFormat, Failure, false, "The drawing is of a release newer than this program knows."},
        {status::kCleaningNotRun, Failure, false,
         "AutoCAD saved the drawing, but the cleaning never ran to its end; the original was put back."},
    };
    return kTable;
}

const StatusEntry* EntryOf(std::string_view text) {
    for (const auto& entry : StatusTable())
        if (entry.prefix ? text.starts_with(entry.text) : text == entry.text)
            return &entry;
    return nullptr;
}

std::string_view StatusReason(std::string_view text) {
    if (const StatusEntry* entry = EntryOf(text))
        return entry->reason;
    return "Plansweeper did not write this status: nothing says the drawing is as wanted.";
}

StatusKind KindOf(std::string_view text) {
    for (const auto& entry : StatusTable())
        if (entry.prefix ? text.starts_with(entry.text) : text == entry.text)
            return entry.kind;
    return StatusKind::Failure;
}

Tint TintOf(std::string_view text) {
    switch (KindOf(text)) {
    case StatusKind::Ok:
        return Tint::Ok;
    case StatusKind::Failure:
        return Tint::Failure;
    default:
        return Tint::None;
    }
}

std::vector<std::uint64_t> ClearFailedRows(DrawingList& list, bool selectedOnly) {
    std::vector<std::uint64_t> ids;
    for (auto& row : list)
        if (!row.isFolder() && (!selectedOnly || row.selected) && IsFailure(row.cell(kColStatus))) {
            row.cell(kColStatus).clear();
            ids.push_back(row.id);
        }
    return ids;
}

int ListExitCode(const DrawingList& list, bool pendingIsFailure) {
    for (const auto& row : list) {
        const StatusKind kind = KindOf(row.cell(kColStatus));
        if (kind == StatusKind::Failure ||
            ((kind == StatusKind::Pending || kind == StatusKind::InProgress) && pendingIsFailure))
            return 1;
    }
    return 0;
}

} // namespace ps
