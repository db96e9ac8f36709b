#include "run/row_plan.h"

#include "acad/host.h"
#include "core/file_facts.h"
#include "core/strings.h"
#include "drawinglist/status.h"
#include "drawinglist/version.h"
#include "script/purge_script.h"

namespace ps {
namespace {

// The product's part of the plan: the override of the drawing's family or
// the general product, and what the catalogue knows of it.
void ChooseProduct(RowPlan& plan, const ProductCatalog& products, const Settings& s,
                   std::string_view prodName, std::string_view profile,
                   std::optional<ReleaseFamily> drawing) {
    plan.prodName = std::string(prodName);
    plan.profile = std::string(profile);
    const auto column = drawing ? static_cast<std::size_t>(*drawing) : 0;
    if (drawing && !s.HCA[column].empty()) {
        plan.prodName = s.HCA[column];
        plan.profile = s.HCP[column];
    }
    const ProductEntry product = products.find(plan.prodName);
    plan.exePath = product.exePath;
    plan.productType = product.productType;
    plan.releaseKey = product.releaseKey;
    plan.productKey = product.productKey;
    // Later releases count as the newest family.
    plan.productFamily = ProductFamily(plan.releaseKey);
    plan.r15OrLater = plan.productFamily && IsR15OrLater(*plan.productFamily);
}

// The format and the refusals it brings; each later rule overrides an
// earlier one, as the checks are made in this order, except that a product
// that cannot open the drawing says so rather than that it cannot save it.
Refusal ChooseFormat(RowPlan& plan, const Settings& s, std::string_view label,
                     std::optional<ReleaseFamily> drawing) {
    Refusal refusal = Refusal::None;
    // A product whose release no family holds cannot be judged (no product at all can be).
    const bool unknownRelease = !plan.productFamily && !plan.releaseKey.empty();
    if (drawing) {
        if (unknownRelease || !plan.productFamily || *plan.productFamily < *drawing)
            refusal = Refusal::CannotOpen;
        plan.saveFormat = SaveFormatOfWord(s.R[static_cast<std::size_t>(*drawing)], drawing);
        if (!plan.saveFormat)
            refusal = Refusal::UnknownSaveFormat;
    } else if (label == NewerDwgLabel()) {
        refusal = Refusal::NewerFormat;
    } else if (label == kVersionUnknownDxf) {
        if (unknownRelease)
            refusal = Refusal::CannotOpen;
        if (plan.productFamily)
            plan.saveFormat = SaveFormat{plan.productFamily};
    } else {
        refusal = Refusal::NotRecognized;
    }
    if (plan.saveFormat == kNotSaved)
        refusal = Refusal::DontSave;
    else if (refusal != Refusal::CannotOpen && plan.saveFormat &&
             !(plan.productFamily ? CanSave(*plan.productFamily, *plan.saveFormat)
                                  : CanSaveUnjudged(plan.releaseKey, *plan.saveFormat)))
        refusal = Refusal::CannotSave;
    return refusal;
}

} // namespace

std::vector<ConversionProblem> ConversionProblems(const ProductCatalog& products, const Settings& settings,
                                                  std::string_view prodName) {
    std::vector<ConversionProblem> problems;
    for (const auto& facts : Families()) {
        const auto column = static_cast<std::size_t>(facts.family);
        const std::string row = std::string(facts.rowLabel) + " ";
        if (!settings.HCA[column].empty() && products.find(settings.HCA[column]).name.empty()) {
            problems.push_back({facts.family, row + settings.HCA[column] + " is not installed"});
            continue;
        }
        if (settings.R[column] == kDontConvertWord)
            continue; // no format chosen: drawings an old family's product cannot keep are its own matter
        RowPlan plan;
        ChooseProduct(plan, products, settings, prodName, {}, facts.family);
        if (plan.exePath.empty() && plan.releaseKey.empty())
            continue; // no product at all: the run says so for every drawing
        if (ChooseFormat(plan, settings, facts.reads.empty() ? std::string_view() : facts.reads[0].label,
                         facts.family) == Refusal::CannotSave)
            problems.push_back({facts.family, row + plan.prodName + " cannot save as " + settings.R[column]});
    }
    return problems;
}

std::string ConversionProblemsText(const std::vector<ConversionProblem>& problems) {
    std::string text = "The drawings of these rows would be skipped:\r\n";
    for (const auto& problem : problems)
        text += "\r\n" + problem.text;
    return text;
}

std::string RefusalStatus(Refusal refusal, std::optional<ReleaseFamily> drawingFamily) {
    switch (refusal) {
    case Refusal::None:
        return {};
    case Refusal::NotRecognized:
        return std::string(status::kNotRecognized);
    case Refusal::NewerFormat:
        return std::string(status::kNewerFormat);
    case Refusal::CannotOpen:
        return std::string(status::kCannotOpenVersion);
    case Refusal::UnknownSaveFormat:
        return std::string(status::kUnknownSaveFormatPrefix) +
               std::string(drawingFamily ? FamilyName(*drawingFamily) : std::string_view());
    case Refusal::DontSave:
        return std::string(status::kDontSaveSelected);
    case Refusal::CannotSave:
        return std::string(status::kCannotSaveVersion);
    case Refusal::NameHoldsSemicolon:
        return std::string(status::kNameHoldsSemicolon);
    case Refusal::NameNotScriptable:
        return std::string(status::kNameNotScriptable);
    case Refusal::LtCannotConvertIntoFolder:
        return std::string(status::kLtCannotConvertIntoFolder);
    }
    return {};
}

RowPlan PlanRow(const ProductCatalog& products, const Settings& s, std::string_view prodName,
                std::string_view profile, const AnsiCodec& codec, std::string_view label,
                std::string_view fullPath, std::string_view fileName) {
    RowPlan plan;
    const auto drawing = FamilyOfVersionLabel(label);
    ChooseProduct(plan, products, s, prodName, profile, drawing);
    Refusal refusal = ChooseFormat(plan, s, label, drawing);

    const bool toFolder = IsOn(s.bSaveToFolder) && !s.sSaveToFolder.empty();
    plan.targetPath = toFolder ? s.sSaveToFolder + "\\" + std::string(fileName) : std::string(fullPath);
    if (refusal == Refusal::None && Contains(fullPath, ";"))
        refusal = Refusal::NameHoldsSemicolon;
    if (refusal == Refusal::None && (!codec.toAnsi(fullPath) || !codec.toAnsi(plan.targetPath)))
        refusal = Refusal::NameNotScriptable;

    // AutoCAD writes over the drawing itself when the target is the drawing,
    // and AutoCAD LT's plain command lines do so for any conversion (they
    // save under the open drawing's own name), so it cannot convert into
    // another folder. AutoCAD LT 2024 and later save as AutoCAD does.
    const bool conversion = plan.saveFormat != NativeSaveFormat(plan.releaseKey);
    const bool ltConversion = plan.productType == kProductTypeAutoCadLt &&
                              !ProductRunsCompanion(plan.productType, plan.releaseKey) && conversion &&
                              ToLower(FileExtension(fullPath)) == "dwg";
    plan.inPlace = EqualsNoCase(SavedDrawingPath(plan.targetPath), fullPath) || ltConversion;
    if (refusal == Refusal::None && ltConversion && toFolder)
        refusal = Refusal::LtCannotConvertIntoFolder;
    plan.refusal = refusal;
    plan.status = RefusalStatus(refusal, drawing);
    return plan;
}

} // namespace ps
