#include "drawinglist/status.h"

#include "core/strings.h"
#include "drawinglist/drawing_list.h"

namespace ps {

StatusKind KindOf(std::string_view text) {
    static constexpr std::string_view kChosen[] = {status::kSkip,
                                                   status::kNotRecognized,
                                                   status::kCannotOpenVersion,
                                                   status::kCannotSaveVersion,
                                                   status::kDontSaveSelected,
                                                   status::kLtCannotConvertIntoFolder,
                                                   status::kAlreadyProcessed};
    if (text == status::kPending)
        return StatusKind::Pending;
    if (text == status::kOk)
        return StatusKind::Ok;
    if (text == status::kProcessing)
        return StatusKind::InProgress;
    for (auto chosen : kChosen)
        if (text == chosen)
            return StatusKind::Chosen;
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
