// The program-wide settings record: one field per stored key, plus the
// executable path derived from the chosen product. Flags are 16-bit integers,
// -1 on and 0 off (showVersion 1/0); a flag is on wherever it is non-zero.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ps {

// Index of a drawing format in the per-format arrays, oldest first: 0 is
// "R12 or older", 6 is "2010", 7 "2013", 8 "2018" (key suffixes 12 to 19 and 22).
inline constexpr std::size_t kFormatCount = 9;

inline constexpr const char* kDontConvertFormat = "Don't convert format";

struct Settings {
    // General run settings
    std::int16_t IncludeSubfolders = -1;
    std::int16_t showVersion = 0;
    std::int16_t ArchiveAttrib = -1;
    std::int16_t IncludeDXF = 0;
    std::int32_t Timeout = 120;
    // Drawings processed at the same time, each by its own AutoCAD.
    std::int32_t Parallel = 1;
    std::int16_t ClosePopUps = -1;
    // AutoCAD 2013 and later: drawings go to the console engine beside acad.exe.
    std::int16_t UseConsole = 0;
    // A drawing as its last OK run left it, with the same cleaning and
    // conversion settings, is passed over ("Skipped: Unchanged since its last run").
    std::int16_t SkipUnchanged = 0;
    std::int16_t OnTop = -1;
    std::int16_t Audit = 0;
    std::int16_t ZoomE = 0;
    std::int16_t PSpace = 0;
    std::string ScriptFile;
    std::int16_t PurgeTimes = 3;
    std::int16_t CreateBak = -1;
    std::int16_t RestoreTime = -1;
    std::int16_t bSaveToFolder = 0;
    std::string sSaveToFolder;
    std::string ProdName;
    std::string Profile;

    // Temporary files deleted in visited folders. Held in 32 bits: the valid
    // range reaches 100000.
    std::int32_t DeleteDays = 10;
    std::int16_t DeleteBak = 0;
    std::int16_t DeleteBK = 0;
    std::int16_t DeleteSV = 0;
    std::int16_t DeleteEBD = 0;
    std::int16_t DeleteAC = 0;
    std::int16_t DeleteDMP = 0;
    std::int16_t DeleteERR = 0;
    std::int16_t DeleteXLG = 0;
    std::int16_t DeleteDWL = 0;
    std::int16_t DeleteDWK = 0;
    std::int16_t DeletePlotLog = 0;

    // Purge and clean-up switches
    std::int16_t PurgeAll = 0;
    std::int16_t PurgeBlock = 0;
    std::int16_t PurgeDim = 0;
    std::int16_t PurgeLayer = 0;
    std::int16_t PurgeLT = 0;
    std::int16_t PurgeML = 0;
    std::int16_t PurgePS = 0;
    std::int16_t PurgeShape = 0;
    std::int16_t PurgeText = 0;
    std::int16_t PurgeRegapps = 0;
    std::int16_t PurgeTableStyles = 0;
    std::int16_t PurgeMaterials = 0;
    std::int16_t PurgeVisualStyles = 0;
    std::int16_t PurgeOrphaned = 0; // orphaned DGN line style data, 2018 and later
    std::int16_t DelFilter = 0;
    std::int16_t DelLayer = 0;
    std::int16_t DelExpress = 0;
    std::int16_t DelLine = 0;
    std::int16_t DelText = 0;
    std::int16_t DelPageSetups = 0;
    std::int16_t ACAD_VBA = 0;
    std::int16_t AppId = 0;
    std::int16_t PurgeAnonymGroups = 0;
    std::int16_t PurgeAllGroups = 0;
    std::int16_t PurgeAllNOD = 0;
    std::int16_t PurgeCleanRegApp = 0;

    // Architectural style switches: carried through load, dialog and save.
    std::int16_t PurgeDoorStyles = 0;
    std::int16_t PurgeRailingStyles = 0;
    std::int16_t PurgeSpaceStyles = 0;
    std::int16_t PurgeStairStyles = 0;
    std::int16_t PurgeWallEndcapStyles = 0;
    std::int16_t PurgeWallStyles = 0;
    std::int16_t PurgeWindowStyles = 0;
    std::int16_t PurgeAECDimensionStyles = 0;
    std::int16_t PurgeAreaGroupStyles = 0;
    std::int16_t PurgeAreaStyles = 0;
    std::int16_t PurgeCalculationModifierStyles = 0;
    std::int16_t PurgeAECPolygonStyles = 0;
    std::int16_t PurgeCustomMemberShapeStyles = 0;
    std::int16_t PurgeStructuralMemberStyles = 0;
    std::int16_t PurgeMultiViewBlockDefinitions = 0;
    std::int16_t PurgeLayerStyles = 0;
    std::int16_t PurgeCustomShapeDefinitions = 0;

    // AutoCAD system variables; -1 means "Don't change".
    std::int16_t INDEXCTL = -1;
    std::int16_t ISAVEPERCENT = -1;
    std::int16_t PROXYGRAPHICS = -1;
    std::int16_t RASTERPREVIEW = -1;

    // Per drawing format (keys R12..R19 and R22, HCA12..., HCP12...).
    std::array<std::string, kFormatCount> R = [] {
        std::array<std::string, kFormatCount> everyFormat;
        everyFormat.fill(std::string(kDontConvertFormat));
        return everyFormat;
    }();
    std::array<std::string, kFormatCount> HCA{};
    std::array<std::string, kFormatCount> HCP{};

    // Folder memories
    std::string InitialDir1 = "C:\\";
    std::string InitialDir2 = "C:\\";
    std::string InitialDir3 = "C:\\";

    // Full path of the executable of ProdName; derived, never stored.
    std::string ExePath;
};

inline bool IsOn(std::int16_t flag) {
    return flag != 0;
}

} // namespace ps
