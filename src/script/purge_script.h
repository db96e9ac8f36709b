// The AutoCAD script written for every drawing of a run: head lines, audit,
// the purge passes, system variables, the companion application's cleaning
// calls, zoom, the user's own script, save-as and quit. AutoCAD LT before
// 2024 gets plain command lines; full AutoCAD and later AutoCAD LT also get
// AutoLISP expressions.
#pragma once

#include "acad/releases.h"
#include "core/ansi_codec.h"
#include "core/file_system.h"
#include "core/registry.h"
#include "core/settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

inline constexpr std::string_view kCompanionVlx = "Plansweeper.VLX";
// Loaded instead when no compiled application sits beside the program.
inline constexpr std::string_view kCompanionFas = "Plansweeper.fas";
inline constexpr std::string_view kCompanionLsp = "Plansweeper.lsp";
inline constexpr std::string_view kScriptBaseName = "purge";
// Beside the script: where the companion records what the cleaning did.
inline constexpr std::string_view kFactsExtension = ".facts";
// Whether a product's script loads the companion and speaks AutoLISP: every
// full AutoCAD, and AutoCAD LT from 2024 on. Earlier AutoCAD LT releases get
// plain command lines.
inline bool ProductRunsCompanion(std::string_view productType, std::string_view releaseKey) {
    return productType == "AutoCAD" || (productType == "AutoCAD LT" && LtKeyRunsAutoLisp(releaseKey));
}
// Whether the script for a product has the companion record the cleaning:
// the companion's products (and AutoCAD's console engine) from 2000 on;
// earlier releases get no cleaning calls.
inline bool ScriptRecordsCleaning(std::string_view productType, std::string_view releaseKey,
                                  bool r15OrLater) {
    return ProductRunsCompanion(productType, releaseKey) && r15OrLater;
}
// The record's file for a script's base path.
inline std::string CleaningRecordPath(std::string_view scriptBasePath) {
    return std::string(scriptBasePath) + std::string(kFactsExtension);
}

// What the script depends on besides the settings and the two arguments.
struct ScriptContext {
    std::string productType; // "AutoCAD", "AutoCAD LT", or empty when not registered
    std::string releaseKey;  // upper case, e.g. "R16.2"
    bool r15OrLater = false;
    std::string programFolder;     // without a trailing backslash
    std::string companionPath;     // the companion file to load; empty when none exists
    bool targetFileExists = false; // a file (not a folder) exists at the target path
    // AutoCAD's console engine runs it: it has no view, so no zoom.
    bool console = false;
    // Where the companion records what the cleaning did; empty: no record.
    std::string factsPath;
};

struct PurgeScript {
    std::vector<std::string> lines;
    bool companionMissing = false; // the companion's products only: lines hold the head lines alone
};

// The lines for one drawing. Pure: the same inputs give the same lines.
PurgeScript PurgeScriptLines(const Settings& settings, const ScriptContext& context, SaveFormat saveFormat,
                             std::string_view targetPath);

// Whether the script for a product runs the user's own script file (a
// ".scr" in every product, AutoLISP files in the companion's products only).
bool ScriptRunsUserFile(const Settings& settings, std::string_view productType, std::string_view releaseKey);

// The file the script's save-as writes for a target: the target itself for a
// DWG, else the target with its extension replaced by "dwg".
std::string SavedDrawingPath(std::string_view targetPath);

// The companion file beside the program: Plansweeper.VLX, else .fas, else
// .lsp; empty when none exists.
std::string FindCompanion(const FileSystem& fs, std::string_view programFolder);
// The message shown when the companion is missing, naming the VLX path.
std::string CompanionMissingMessage(std::string_view programFolder);

// The script file's bytes: every line converted to the ANSI code page and
// ended by CR LF, the last one included. nullopt when a line holds a
// character the code page cannot carry.
std::optional<std::string> ScriptFileBytes(const std::vector<std::string>& lines, const AnsiCodec& codec);

enum class ScriptResult {
    Written,          // the script is ready for AutoCAD
    Failed,           // the file could not be written
    CompanionMissing, // a product that runs it, and the companion application is not beside the program
};

struct ScriptEnvironment {
    FileSystem& files;
    const AnsiCodec& codec;
    std::string scriptBasePath; // temporary folder + "purge"; the file is this + ".scr"
    std::string programFolder;
};

// The product that will run the script: the one chosen for the drawing
// (general or per-format), never settings.ProdName by itself.
struct ScriptProduct {
    std::string productType; // "AutoCAD", "AutoCAD LT", or empty when not registered
    std::string releaseKey;  // upper case
    bool r15OrLater = false;
    bool console = false; // AutoCAD's console engine runs it
};
ScriptProduct ScriptProductOf(const Registry& registry, std::string_view prodName, bool r15OrLater);

// Writes the script for that product. With the companion missing the file
// holds the head lines and message receives
// "Error in CreateSCRpurge: <folder>\Plansweeper.VLX not found".
ScriptResult CreateSCRpurge(const ScriptEnvironment& env, const Settings& settings,
                            const ScriptProduct& product, SaveFormat saveFormat, std::string_view targetPath,
                            std::string* message = nullptr);

} // namespace ps
