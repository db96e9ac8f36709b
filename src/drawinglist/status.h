// The words of the list's Status column and the one rule that says what each
// means: still to do, done, passed over by choice, or failed. The run, the
// window's tint and the batch command's exit code all ask here.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace ps {

class DrawingList;

// Any text not listed also makes the run pass over the row.
namespace status {
inline constexpr std::string_view kPending = "";
inline constexpr std::string_view kSkip = "Skip";
inline constexpr std::string_view kOk = "OK";
inline constexpr std::string_view kTimeouted = "Timeouted";
inline constexpr std::string_view kTerminated = "Terminated";
inline constexpr std::string_view kAccessDenied = "Access Denied";
inline constexpr std::string_view kReadOnly = "ReadOnly";
inline constexpr std::string_view kScriptDenied = "Script file denied access";
inline constexpr std::string_view kNotStarted = "AutoCAD not started";
inline constexpr std::string_view kNotSaved = "Not saved";
inline constexpr std::string_view kFileNotFound = "File not found";
inline constexpr std::string_view kFolderNotFound = "Folder not found";
// Refusals the settings chose: the drawing is as the user wants it.
inline constexpr std::string_view kNotRecognized = "Skipped: Not recognized as a drawing file";
inline constexpr std::string_view kCannotOpenVersion = "Skipped: Cannot open that version";
inline constexpr std::string_view kCannotSaveVersion = "Skipped: Cannot save to that version";
inline constexpr std::string_view kDontSaveSelected = "Skipped: Don't save selected";
inline constexpr std::string_view kLtCannotConvertIntoFolder =
    "Skipped: AutoCAD LT cannot convert into another folder";
// The drawing is as its last OK run left it, with the same settings.
inline constexpr std::string_view kUnchanged = "Skipped: Unchanged since its last run";
// The file was handled by an earlier row of the same run.
inline constexpr std::string_view kAlreadyProcessed = "Skipped: Already processed in this run";
// Refusals that leave a drawing undone.
// The list file has no quoting: such a drawing could not be recorded.
inline constexpr std::string_view kNameHoldsSemicolon = "Skipped: Name holds ';'";
inline constexpr std::string_view kNameNotScriptable = "Skipped: Name cannot be written to the script";
inline constexpr std::string_view kUnknownSaveFormatPrefix = "Skipped: Unknown save format setting ";
inline constexpr std::string_view kNoSafetyCopy = "Skipped: No safety copy";
inline constexpr std::string_view kNotEnoughSpace = "Skipped: Not enough disk space";
inline constexpr std::string_view kNameAlreadySaved = "Skipped: Name already saved to that folder";
// Another Plansweeper run (the window, a batch, a scheduled batch) works on
// the drawing or on the file its save goes to.
inline constexpr std::string_view kInUseByAnotherRun = "Skipped: In use by another Plansweeper run";
// The save would replace another existing file (a DXF's DWG beside it, a
// file of the name in the save-to folder).
inline constexpr std::string_view kWouldReplaceAnotherFile = "Skipped: Would save over another file";
// The drawing is not whole by what its own header declares: AutoCAD is not
// given it, so nothing is saved over it.
inline constexpr std::string_view kDamaged = "Skipped: Drawing file is damaged";
// The user's own script file, which the drawing's script would run, is gone.
inline constexpr std::string_view kScriptFileMissing = "Skipped: Script file not found";
// AutoCAD would question or refuse loading the companion application: the
// profile's trusted paths cannot be changed (an administrator locked them).
inline constexpr std::string_view kCompanionNotTrusted = "Skipped: Companion not trusted by AutoCAD";
// AutoCAD saved the drawing, but the companion never recorded the cleaning
// as run to its end (not loaded, or the script stopped half-way).
inline constexpr std::string_view kCleaningNotRun = "Not processed: AutoCAD did not run the cleaning";
// AutoCAD showed its licence or sign-in window: no answer is given to it,
// the drawing is put back, and the run stops (every later drawing would meet it).
inline constexpr std::string_view kLicencePrompt = "Skipped: AutoCAD asked for its licence";
// A drawing of a release later than this program knows: it needs a newer Plansweeper.
inline constexpr std::string_view kNewerFormat = "Skipped: Drawing format newer than this program knows";
// AutoCAD works on the drawing now. Shown only: the list file records such a
// row as still to do, so a run cut short leaves it pending.
inline constexpr std::string_view kProcessing = "Processing\u2026";
} // namespace status

enum class StatusKind {
    Pending, // empty: a run will process it
    Ok,
    Chosen,  // passed over by the user's or the settings' own choice
    Failure, // not done, and the user should look at it
    InProgress,
};

// Every status this program writes, with what it means; the tint and the
// batch's exit code follow from the kind. A prefix entry stands for every
// text that starts with it.
struct StatusEntry {
    std::string_view text;
    StatusKind kind;
    bool prefix = false;
    std::string_view reason = {}; // a failure's cause and what was done, in one sentence
};
std::span<const StatusEntry> StatusTable();

// Why a row failed, in one sentence (empty for a status that is no
// failure), as the Status cell's tooltip and the details say it.
std::string_view StatusReason(std::string_view status);

// Texts this program never writes count as failures: nothing says the
// drawing is as wanted.
StatusKind KindOf(std::string_view status);
inline bool IsFailure(std::string_view status) {
    return KindOf(status) == StatusKind::Failure;
}

// Run Failed Again: the failed rows (of those selected, when asked) get an
// empty status, pending again; their identities, for the run to process
// them and no other. Rows "OK" or passed over by choice stay as they are.
std::vector<std::uint64_t> ClearFailedRows(DrawingList& list, bool selectedOnly = false);

// How a row stands out in the window.
enum class Tint { None, Failure, Ok };
Tint TintOf(std::string_view status);

// The batch command's verdict on a list after a run: 0 when every drawing
// row is "OK" or passed over by choice, 1 when any row failed (in this run
// or before) or, unless a dry run left them so, is still to do (in progress
// counts as still to do).
int ListExitCode(const DrawingList& list, bool pendingIsFailure = true);

} // namespace ps
