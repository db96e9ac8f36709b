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
        {status::kTimeouted, Failure},
        {status::kTerminated, Failure},
        {status::kAccessDenied, Failure},
        {status::kReadOnly, Failure},
        {status::kScriptDenied, Failure},
        {status::kNotStarted, Failure},
        {status::kNotSaved, Failure},
        {status::kFileNotFound, Failure},
        {status::kFolderNotFound, Failure},
        {status::kNameHoldsSemicolon, Failure},
        {status::kNameNotScriptable, Failure},
        {status::kUnknownSaveFormatPrefix, Failure, true},
        {status::kNoSafetyCopy, Failure},
        {status::kNotEnoughSpace, Failure},
        {status::kNameAlreadySaved, Failure},
        {status::kInUseByAnotherRun, Failure},
        {status::kWouldReplaceAnotherFile, Failure},
        {status::kDamaged, Failure},
        {status::kScriptFileMissing, Failure},
        {status::kLicencePrompt, Failure},
        {status::kCompanionNotTrusted, Failure},
        {status::kNewerFormat, Failure},
        {status::kCleaningNotRun, Failure},
    };
    return kTable;
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
