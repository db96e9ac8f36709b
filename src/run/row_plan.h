// What the run decides about one drawing before AutoCAD is started, from the
// row and the settings alone: the product and profile, the save format and
// where it goes, and why the drawing is refused when it is.
#pragma once

#include "acad/products.h"
#include "acad/releases.h"
#include "core/ansi_codec.h"
#include "core/settings.h"

#include <optional>
#include <string>
#include <vector>
#include <string_view>

namespace ps {

// Why a drawing is refused before anything is done to it.
enum class Refusal {
    None,
    NotRecognized,      // not a drawing
    NewerFormat,        // a DWG of a release later than this program knows
    CannotOpen,         // the product is older than the drawing, or of a release no family holds
    UnknownSaveFormat,  // the format setting is no choice (edited by hand)
    DontSave,           // "Don't save" chosen
    CannotSave,         // the product cannot write the chosen format
    NameHoldsSemicolon, // the list file could not record it
    NameNotScriptable,  // the script's code page cannot carry its name
    LtCannotConvertIntoFolder,
};

// The status text a refusal writes into the row ("" for None).
std::string RefusalStatus(Refusal refusal, std::optional<ReleaseFamily> drawingFamily);

struct RowPlan {
    std::string prodName;
    std::string profile;
    std::string exePath;
    std::string productType;
    std::string releaseKey;
    std::string productKey;
    std::optional<ReleaseFamily> productFamily; // nullopt: a release this program cannot judge
    bool r15OrLater = false;
    std::optional<SaveFormat> saveFormat; // nullopt: none chosen (no product for a DXF)
    Refusal refusal = Refusal::None;
    std::string status; // the refusal's text; empty when AutoCAD is to be started
    std::string targetPath;
    bool inPlace = false; // AutoCAD may write over the drawing itself
};

// What the settings would refuse for whole families of drawings, one line
// each, by the rules a run uses: a per-format product that is not installed,
// or a format chosen (not "Don't convert format") that the row's product cannot save in ("2010: AutoCAD 2010
// cannot save as AutoCAD R2013 DWG"). The families are the problems' rows.
struct ConversionProblem {
    ReleaseFamily family;
    std::string text;
};
std::vector<ConversionProblem> ConversionProblems(const ProductCatalog& products, const Settings& settings,
                                                  std::string_view prodName);
// "The drawings of these rows would be skipped:" and one line per problem.
std::string ConversionProblemsText(const std::vector<ConversionProblem>& problems);

// The general product and profile come from the caller; a per-format
// override replaces them.
RowPlan PlanRow(const ProductCatalog& products, const Settings& settings, std::string_view prodName,
                std::string_view profile, const AnsiCodec& codec, std::string_view versionLabel,
                std::string_view fullPath, std::string_view fileName);

} // namespace ps
