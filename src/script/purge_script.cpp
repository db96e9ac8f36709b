#include "script/purge_script.h"

#include "acad/host.h"
#include "acad/products.h"
#include "acad/releases.h"
#include "core/strings.h"
#include "core/file_facts.h"
#include "script/string_helpers.h"

namespace ps {
namespace {

using Lines = std::vector<std::string>;

struct PurgeLine {
    const char* line;
    std::int16_t Settings::*flag;
};

constexpr PurgeLine kPlainPurges[] = {
    {"_.purge _A * _n", &Settings::PurgeAll},    {"_.purge _B * _n", &Settings::PurgeBlock},
    {"_.purge _D * _n", &Settings::PurgeDim},    {"_.purge _LA * _n", &Settings::PurgeLayer},
    {"_.purge _LT * _n", &Settings::PurgeLT},    {"_.purge _M * _n", &Settings::PurgeML},
    {"_.purge _SH * _n", &Settings::PurgeShape}, {"_.purge _ST * _n", &Settings::PurgeText},
};

bool On(const Settings& s, std::int16_t Settings::*flag) {
    return IsOn(s.*flag);
}

// The target as AutoCAD is to receive it: a DWG path as it is, any other path
// without its extension (AutoCAD then appends ".dwg").
std::string SavePath(std::string_view targetPath) {
    if (ToLower(FileExtension(targetPath)) == "dwg")
        return std::string(targetPath);
    return FileBaseName(targetPath, true);
}

void PurgePass(Lines& out, const Settings& s, const ScriptContext& c, bool lt) {
    for (const auto& p : kPlainPurges)
        if (On(s, p.flag))
            out.emplace_back(p.line);
    const std::string_view release = c.releaseKey;
    const auto family = ProductFamily(release);
    bool regappsAndTables, materialsAndVisual;
    if (lt) {
        // AutoCAD LT 2013 and later have keys from R19 up to R32 and beyond.
        const bool current = family && *family >= ReleaseFamily::R19;
        regappsAndTables = current || Left(release, 2) == "R9" || Left(release, 2) == "R1";
        materialsAndVisual = current || Left(release, 2) == "R1";
    } else {
        if (IsOn(s.PurgePS) && c.r15OrLater)
            out.emplace_back("_.purge _P * _n");
        regappsAndTables = Left(release, 3) >= "R16" && release != "R16.0";
        materialsAndVisual = Left(release, 3) >= "R17";
    }
    if (IsOn(s.PurgeRegapps) && regappsAndTables)
        out.emplace_back("_.purge _R * _n");
    if (IsOn(s.PurgeTableStyles) && regappsAndTables)
        out.emplace_back("_.purge _T * _n");
    if (IsOn(s.PurgeMaterials) && materialsAndVisual)
        out.emplace_back("_.purge _MA * _n");
    if (IsOn(s.PurgeVisualStyles) && materialsAndVisual)
        out.emplace_back("_.purge _V * _n");
    // -PURGE offers orphaned data from 2018 on.
    if (IsOn(s.PurgeOrphaned) && family && *family >= ReleaseFamily::R22)
        out.emplace_back("_.purge _O * _n");
}

void PurgePasses(Lines& out, const Settings& s, const ScriptContext& c, bool lt) {
    for (int pass = 1; pass <= s.PurgeTimes; ++pass)
        PurgePass(out, s, c, lt);
}

bool UserFileHasExtension(const Settings& s, std::initializer_list<std::string_view> extensions) {
    if (SF_isNothing(s.ScriptFile))
        return false;
    const std::string ext = ToUpper(FileExtension(s.ScriptFile));
    for (auto e : extensions)
        if (ext == e)
            return true;
    return false;
}

void AutoCadLtBody(Lines& out, const Settings& s, const ScriptContext& c, SaveFormat saveFormat,
                   std::string_view targetPath) {
    PurgePasses(out, s, c, true);
    if (IsOn(s.ZoomE))
        out.emplace_back("_.zoom _e");
    if (UserFileHasExtension(s, {"SCR"})) {
        out.emplace_back("_.script");
        out.push_back("\"" + s.ScriptFile + "\"");
    }
    out.emplace_back("_.saveas");
    out.emplace_back(SaveAsAnswer(saveFormat));
    if (NativeSaveFormat(c.releaseKey) == saveFormat) {
        out.push_back("\"" + SavePath(targetPath) + "\"");
        if (IsOn(s.bSaveToFolder) && c.targetFileExists)
            out.emplace_back("_Y");
    } else {
        out.emplace_back(" _Y");
    }
    out.emplace_back("_.quit _Y ");
}

void SetvarLine(Lines& out, const char* name, std::int16_t value) {
    if (value >= 0)
        out.push_back("(setvar \"" + std::string(name) + "\" " + std::to_string(value) + ")");
}

void CleaningCalls(Lines& out, const Settings& s, const ScriptContext& c, bool lt) {
    // AutoCAD LT loads no ObjectARX application.
    if (IsOn(s.PurgeCleanRegApp) && !lt) {
        out.push_back("(arxload \"" + LispPath(c.programFolder + "\\ASDKCleanRegAppARX.arx") + "\")");
        out.push_back("(arxload \"" +
                      LispPath(c.programFolder + "\\asdkRemoveRegisteredApplications-2005.arx") + "\")");
        out.emplace_back("(command \"PURGEAPP\")");
    }
    const PurgeLine calls[] = {
        {"(DeleteLayerFilters)", &Settings::DelFilter},
        {"(DeleteLayerStates)", &Settings::DelLayer},
        {"(LmanKill)", &Settings::DelExpress},
        {"DelNullLine", &Settings::DelLine},
        {"DeleteEmtyText", &Settings::DelText},
        {"(deleteAllPageSetups)", &Settings::DelPageSetups},
        {"(DelACAD_VBA)", &Settings::ACAD_VBA},
        {"(PurgeAPPID)", &Settings::AppId},
        {"(PurgeAnonymGroups)", &Settings::PurgeAnonymGroups},
        {"(PurgeAllGroups)", &Settings::PurgeAllGroups},
        {"(PurgeAllNOD)", &Settings::PurgeAllNOD},
    };
    for (const auto& call : calls)
        if (On(s, call.flag))
            out.emplace_back(call.line);
    if (IsOn(s.PurgeAll))
        out.emplace_back("_.purge _A * _n");
    if (IsOn(s.PurgeBlock))
        out.emplace_back("_.purge _B * _n");
}

void SaveAndQuit(Lines& out, const ScriptContext& c, SaveFormat saveFormat, std::string_view targetPath) {
    // Save only when the drawing AutoCAD has open is the expected one.
    const bool checkName = Left(c.releaseKey, 3) >= "R15";
    if (checkName) {
        out.push_back("(if (= (strcase (vl-filename-base (getvar \"dwgname\"))) \"" +
                      ToUpper(FileBaseName(targetPath, false)) + "\")");
        out.emplace_back("(progn");
    }
    out.emplace_back("(setq n 0)");
    out.emplace_back("(command \"_.saveas\")");
    out.push_back("(setq lst (list \"" + std::string(SaveAsAnswer(saveFormat)) + "\" (setq a \"" +
                  LispPath(SavePath(targetPath)) + "\")))");
    for (const char* line : {"(repeat (length lst)", "(command (nth n lst))", "(setq n (+ n 1))", ")",
                             "(while (wcmatch (getvar \"cmdnames\") \"*SAVEAS\")", "(command \"_Y\")", ")"})
        out.emplace_back(line);
    if (checkName) {
        out.emplace_back(")");
        out.emplace_back(")");
    }
    for (const char* line : {"(if (not (equal 0 (getvar \"dbmod\")))", "(progn",
                             "(while (not (wcmatch (getvar \"cmdnames\") \"*QUIT*\"))",
                             "(command \"_.quit\")", ")", "(while (wcmatch (getvar \"cmdnames\") \"*QUIT*\")",
                             "(command \"_y\")", ")", ")", "(command \"_.quit\")", ")"})
        out.emplace_back(line);
}

// Full AutoCAD's script, and AutoCAD LT's from 2024 on: AutoCAD LT keeps
// its own purge passes and loads no ObjectARX application.
void AutoCadBody(Lines& out, const Settings& s, const ScriptContext& c, SaveFormat saveFormat,
                 std::string_view targetPath) {
    const bool lt = c.productType == "AutoCAD LT";
    out.push_back("(load\"" + LispPath(c.companionPath) + "\")");
    // The companion counts what the cleaning does from here on; the record
    // is written only once everything before the save has run.
    if (!c.factsPath.empty())
        out.push_back("(PlansweeperFactsBegin \"" + LispPath(c.factsPath) + "\")");
    out.emplace_back("(if (not (equal 2 (logand 2 (getvar \"qaflags\")))) (setvar \"qaflags\" (+ (getvar "
                     "\"qaflags\") 2)))");
    out.emplace_back("(if (not (equal 4 (logand 4 (getvar \"qaflags\")))) (setvar \"qaflags\" (+ (getvar "
                     "\"qaflags\") 4)))");
    out.emplace_back("(setvar \"nomutt\" 1)");
    SetvarLine(out, "INDEXCTL", s.INDEXCTL);
    SetvarLine(out, "ISAVEPERCENT", s.ISAVEPERCENT);
    SetvarLine(out, "PROXYGRAPHICS", s.PROXYGRAPHICS);
    SetvarLine(out, "RASTERPREVIEW", s.RASTERPREVIEW);
    PurgePasses(out, s, c, lt);
    if (c.r15OrLater)
        CleaningCalls(out, s, c, lt);
    if (IsOn(s.PSpace))
        out.emplace_back("(if (= (getvar \"tilemode\") 0) (command \"_.PSPACE\"))");
    if (IsOn(s.ZoomE) && !c.console)
        out.emplace_back("(if (/= (logand (getvar \"viewmode\") 1) 1) (command \"_.zoom\" \"_e\"))");
    out.emplace_back("(setvar \"qaflags\" 0)");
    out.emplace_back("(setvar \"nomutt\" 0)");
    out.emplace_back("(vl-load-com)");
    if (UserFileHasExtension(s, {"SCR"})) {
        out.emplace_back("_.script");
        out.push_back("\"" + s.ScriptFile + "\"");
    }
    if (UserFileHasExtension(s, {"LSP", "VLX", "FAS"}))
        out.push_back("(load\"" + LispPath(s.ScriptFile) + "\")");
    if (!c.factsPath.empty())
        out.emplace_back("(PlansweeperFactsEnd)");
    SaveAndQuit(out, c, saveFormat, targetPath);
}

} // namespace

std::string SavedDrawingPath(std::string_view targetPath) {
    if (ToLower(FileExtension(targetPath)) == "dwg")
        return std::string(targetPath);
    return FileBaseName(targetPath, true) + ".dwg";
}

bool ScriptRunsUserFile(const Settings& settings, std::string_view productType, std::string_view releaseKey) {
    return UserFileHasExtension(settings, {"SCR"}) || (ProductRunsCompanion(productType, releaseKey) &&
                                                       UserFileHasExtension(settings, {"LSP", "VLX", "FAS"}));
}

PurgeScript PurgeScriptLines(const Settings& settings, const ScriptContext& context, SaveFormat saveFormat,
                             std::string_view targetPath) {
    PurgeScript script;
    Lines& out = script.lines;
    out.emplace_back("_cmdecho 0");
    out.emplace_back("_expert 0");
    if (IsOn(settings.Audit))
        out.emplace_back("_.audit _y");
    if (context.productType == "AutoCAD LT" &&
        !ProductRunsCompanion(context.productType, context.releaseKey)) {
        AutoCadLtBody(out, settings, context, saveFormat, targetPath);
    } else if (ProductRunsCompanion(context.productType, context.releaseKey)) {
        if (context.companionPath.empty())
            script.companionMissing = true;
        else
            AutoCadBody(out, settings, context, saveFormat, targetPath);
    }
    return script;
}

std::string FindCompanion(const FileSystem& fs, std::string_view programFolder) {
    for (auto name : {kCompanionVlx, kCompanionFas, kCompanionLsp}) {
        const std::string path = std::string(programFolder) + "\\" + std::string(name);
        if (FileExists(fs, path))
            return path;
    }
    return {};
}

std::string CompanionMissingMessage(std::string_view programFolder) {
    return "Error in CreateSCRpurge: " + std::string(programFolder) + "\\" + std::string(kCompanionVlx) +
           " not found";
}

std::optional<std::string> ScriptFileBytes(const std::vector<std::string>& lines, const AnsiCodec& codec) {
    std::string bytes;
    for (const auto& line : lines) {
        auto ansi = codec.toAnsi(line);
        if (!ansi)
            return std::nullopt;
        bytes += *ansi;
        bytes += "\r\n";
    }
    return bytes;
}

ScriptProduct ScriptProductOf(const Registry& registry, std::string_view prodName, bool r15OrLater) {
    return {AcadProductType(registry, prodName), AcadReleaseKey(registry, prodName), r15OrLater};
}

ScriptResult CreateSCRpurge(const ScriptEnvironment& env, const Settings& settings,
                            const ScriptProduct& product, SaveFormat saveFormat, std::string_view targetPath,
                            std::string* message) {
    ScriptContext context;
    context.productType = product.productType;
    context.releaseKey = product.releaseKey;
    context.r15OrLater = product.r15OrLater;
    context.console = product.console;
    context.programFolder = env.programFolder;
    if (ProductRunsCompanion(context.productType, context.releaseKey))
        context.companionPath = FindCompanion(env.files, env.programFolder);
    if (ScriptRecordsCleaning(context.productType, context.releaseKey, context.r15OrLater))
        context.factsPath = CleaningRecordPath(env.scriptBasePath);
    context.targetFileExists = FileExists(env.files, targetPath);

    const PurgeScript script = PurgeScriptLines(settings, context, saveFormat, targetPath);
    const auto bytes = ScriptFileBytes(script.lines, env.codec);
    if (!bytes || !env.files.writeFile(env.scriptBasePath + ".scr", *bytes))
        return ScriptResult::Failed;
    if (script.companionMissing) {
        if (message != nullptr)
            *message = CompanionMissingMessage(env.programFolder);
        return ScriptResult::CompanionMissing;
    }
    return ScriptResult::Written;
}

} // namespace ps
