#include "ui/settings_dialog_table.h"

#include "core/strings.h"

namespace ps::settings_table {
namespace {

const Item kItems[] = {
    {Kind::Label, idStatic, 0, 7, 9, 110, 8, "AutoCAD application:", nullptr},
    {Kind::Combo, idAcadVer, 0, 120, 7, 280, 160, nullptr, nullptr},
    {Kind::Label, idStatic, 0, 7, 27, 110, 8, "Profile:", nullptr},
    {Kind::Combo, idAcadProf, 0, 120, 25, 280, 160, nullptr, nullptr},
    {Kind::Label, idStatic, 0, 7, 45, 150, 8, "Script timeout per drawing (seconds):", nullptr},
    {Kind::Edit, idTimeout, 0, 160, 43, 50, 12, nullptr, nullptr},
    {Kind::Label, idStatic, 0, 250, 45, 100, 8, "Drawings at once:", nullptr},
    {Kind::Edit, idParallel, 0, 350, 43, 50, 12, nullptr,
     "How many drawings AutoCAD processes at the same time, each in its own AutoCAD"},
    {Kind::Label, idStatic, 0, 7, 63, 110, 8, "Script/lisp file:", nullptr},
    {Kind::Edit, idScriptFile, 0, 120, 61, 258, 12, nullptr, nullptr},
    {Kind::Button, idScriptBrowse, 0, 382, 61, 18, 12, "...", nullptr},

    {Kind::Label, idStatic, 1, 200, 8, 98, 8, "Number of times to purge:", nullptr},
    {Kind::Edit, idPurgeTimes, 1, 300, 6, 30, 12, nullptr, nullptr},
    {Kind::Group, idStatic, 1, 7, 98, 394, 126, "Only for AutoCAD 2000 and verticals or later", nullptr},

    {Kind::Label, idStatic, 2, 7, 14, 70, 8, "Original format:", nullptr},
    {Kind::Label, idStatic, 2, 80, 14, 120, 8, "Convert to:", nullptr},
    {Kind::Label, idStatic, 2, 205, 3, 196, 8, "Overrides general setting if selected:", nullptr},
    {Kind::Label, idStatic, 2, 205, 14, 115, 8, "AutoCAD application:", nullptr},
    {Kind::Label, idStatic, 2, 325, 14, 76, 8, "Profile:", nullptr},
    {Kind::FormatGrid, idStatic, 2, 7, kGridTop, 394, kGridRow, nullptr, nullptr},
    {Kind::Edit, idSaveToFolder, 2, 100, kBelowGrid + 29, 278, 12, nullptr, nullptr},
    {Kind::Button, idGetPath, 2, 382, kBelowGrid + 29, 18, 12, "...", "Browse for a folder"},

    {Kind::Group, idStatic, 3, 7, 5, 394, 118, "Delete following files in each selected folder", nullptr},
    {Kind::Label, idStatic, 3, 14, 102, 100, 8, "Delete only files older than", nullptr},
    {Kind::Edit, idDeleteDays, 3, 116, 100, 40, 12, nullptr, nullptr},
    {Kind::Label, idStatic, 3, 160, 102, 30, 8, "days", nullptr},
    {Kind::Label, idStatic, 3, 7, 132, 394, 18,
     "These options are used only by the command \"Add Folders Only\": the folders of its rows are cleaned "
     "when "
     "the run starts.",
     nullptr},

    {Kind::Group, idStatic, 4, 7, 5, 196, 80, "INDEXCTL", nullptr},
    {Kind::Radio, idIndexctl + 0, 4, 14, 18, 185, 10, "Don't change", nullptr},
    {Kind::Radio, idIndexctl + 1, 4, 14, 30, 185, 10, "0 - No indexes are created", nullptr},
    {Kind::Radio, idIndexctl + 2, 4, 14, 42, 185, 10, "1 - Layer index is created", nullptr},
    {Kind::Radio, idIndexctl + 3, 4, 14, 54, 185, 10, "2 - Spatial index is created", nullptr},
    {Kind::Radio, idIndexctl + 4, 4, 14, 66, 185, 10, "3 - Layer and spatial indexes are created", nullptr},
    {Kind::Group, idStatic, 4, 207, 5, 194, 56, "PROXYGRAPHICS", nullptr},
    {Kind::Radio, idProxy + 0, 4, 214, 18, 183, 10, "Don't change", nullptr},
    {Kind::Radio, idProxy + 1, 4, 214, 30, 183, 10, "0 - Does not save image with the drawing", nullptr},
    {Kind::Radio, idProxy + 2, 4, 214, 42, 183, 10, "1 - Saves image with the drawing", nullptr},
    {Kind::Group, idStatic, 4, 7, 92, 196, 56, "RASTERPREVIEW", nullptr},
    {Kind::Radio, idRaster + 0, 4, 14, 105, 185, 10, "Don't change", nullptr},
    {Kind::Radio, idRaster + 1, 4, 14, 117, 185, 10, "0 - No preview image is created", nullptr},
    {Kind::Radio, idRaster + 2, 4, 14, 129, 185, 10, "1 - Preview image created", nullptr},
    {Kind::Group, idStatic, 4, 207, 68, 194, 56, "ISAVEPERCENT", nullptr},
    {Kind::Edit, idIsaveText, 4, 214, 82, 40, 12, nullptr, nullptr},
    {Kind::Label, idStatic, 4, 258, 84, 120, 8, "Between 0 and 100", nullptr},

    {Kind::Label, idStatic, 5, 7, 7, 394, 18,
     "Create or delete shortcut to Plansweeper in Explorer when rightclicking on drawing files.", nullptr},
    {Kind::Button, idCreateShortcut, 5, 7, 30, 60, 14, "&Create", nullptr},
    {Kind::Button, idDeleteShortcut, 5, 72, 30, 60, 14, "&Delete", nullptr},
    {Kind::Label, idShortcutState, 5, 7, 52, 394, 18, "", nullptr},
};

const Check kChecks[] = {
    {"IncludeSubfolders", "Include subfolders", 0, 7, 84, 390, nullptr},
    {"showVersion", "Add drawing version to the list", 0, 7, 97, 390, nullptr},
    {"ArchiveAttrib", "Include files with Archive file attribute", 0, 7, 110, 390, nullptr},
    {"IncludeDXF", "Include DXF files", 0, 7, 123, 390, "The DXF files will be saved to DXF format"},
    {"Audit", "Run Audit on all drawings", 0, 7, 136, 390, nullptr},
    {"OnTop", "Run with Plansweeper on top of other applications", 0, 7, 149, 390, nullptr},
    {"PSpace", "Force PSPACE to avoid zoom extents in a viewport", 0, 7, 162, 390, nullptr},
    {"ZoomE", "Zoom Extents", 0, 7, 175, 390, nullptr},
    {"ClosePopUps", "Close Popups Automatically", 0, 7, 188, 390, nullptr},
    {"UseConsole", "Use AutoCAD's console engine where installed", 0, 7, 201, 390,
     "AutoCAD 2013 and later: each drawing is processed by accoreconsole.exe, without a window"},
    {"SkipUnchanged", "Skip drawings unchanged since their last OK run", 0, 7, 214, 390,
     "A drawing as its last OK run left it, cleaned with the same settings, is not run again"},

    {"PurgeAll", "Purge All", 1, 7, 7, 180, nullptr},
    {"PurgeBlock", "Purge all Blocks", 1, 7, 24, 190, nullptr},
    {"PurgeDim", "Purge all Dimension styles", 1, 7, 36, 190, nullptr},
    {"PurgeLayer", "Purge all Layers", 1, 7, 48, 190, nullptr},
    {"PurgeLT", "Purge all Linetypes", 1, 7, 60, 190, nullptr},
    {"PurgeML", "Purge all Mline styles", 1, 7, 72, 190, nullptr},
    {"PurgeShape", "Purge all Shapes", 1, 7, 84, 190, nullptr},
    {"PurgeText", "Purge all Text styles", 1, 205, 24, 196, nullptr},
    {"PurgeRegapps", "Purge all Regapps", 1, 205, 36, 196, nullptr},
    {"PurgeTableStyles", "Purge all Table styles", 1, 205, 48, 196, nullptr},
    {"PurgeMaterials", "Purge all Materials", 1, 205, 60, 196, nullptr},
    {"PurgeVisualStyles", "Purge all Visual styles", 1, 205, 72, 196, nullptr},
    {"PurgeOrphaned", "Purge orphaned data", 1, 205, 84, 196, "AutoCAD and AutoCAD LT 2018 and later"},
    {"PurgeCleanRegApp", "Purge Regapps using ASDKCleanRegAppARX (2004-2008)", 1, 14, 111, 384, nullptr},
    {"PurgeAllNOD", "Purge all named object dictionaries", 1, 14, 124, 190, nullptr},
    {"PurgePS", "Purge all Plot styles", 1, 14, 137, 190, nullptr},
    {"DelText", "Delete all Text objects without text", 1, 14, 150, 190, nullptr},
    {"DelLayer", "Delete all Layer states", 1, 14, 163, 190, nullptr},
    {"DelExpress", "Delete all Layer manager states (Express Tools)", 1, 14, 176, 190, nullptr},
    {"DelLine", "Delete all Line objects without length", 1, 14, 189, 190, nullptr},
    {"DelFilter", "Delete all Filter states", 1, 208, 124, 190, nullptr},
    {"ACAD_VBA", "Delete all embedded VBA code", 1, 208, 137, 190, nullptr},
    {"AppId", "Purge all registered applications collection", 1, 208, 150, 190, nullptr},
    {"DelPageSetups", "Delete all Page setups", 1, 208, 163, 190, nullptr},
    {"PurgeAnonymGroups", "Purge all Anonymous Groups", 1, 208, 176, 190, nullptr},
    {"PurgeAllGroups", "Purge all Groups", 1, 208, 189, 190, nullptr},

    {"CreateBak", "Create backup files for each save", 2, 7, kBelowGrid, 300, nullptr},
    {"RestoreTime", "Restore date and time", 2, 7, kBelowGrid + 14, 300, nullptr},
    {"bSaveToFolder", "Save to this folder:", 2, 7, kBelowGrid + 30, 90, nullptr},

    {"DeleteBak", "*.BAK - AutoCAD Backup Drawing", 3, 14, 18, 188, nullptr},
    {"DeleteBK", "*.BK? - AutoCAD Backup Drawings", 3, 14, 31, 188, nullptr},
    {"DeleteSV", "*.SV$ - AutoCAD Autosave Drawing", 3, 14, 44, 188, nullptr},
    {"DeleteEBD", "*.$$$ - AutoCAD Emergency Backup Drawing", 3, 14, 57, 188, nullptr},
    {"DeleteAC", "*.AC$ - AutoCAD Temporary File", 3, 14, 70, 188, nullptr},
    {"DeleteDMP", "*.DMP - AutoCAD Error Dump File", 3, 14, 83, 188, nullptr},
    {"DeleteERR", "*.ERR - AutoCAD Error File", 3, 208, 18, 188, nullptr},
    {"DeleteXLG", "*.XLG - AutoCAD XREF Log", 3, 208, 31, 188, nullptr},
    {"DeleteDWL", "*.DWL - lock file", 3, 208, 44, 188, nullptr},
    {"DeleteDWK", "*.DWK - lock file", 3, 208, 57, 188, nullptr},
    {"DeletePlotLog", "PLOT.LOG", 3, 208, 70, 188, nullptr},

    {"PurgeDoorStyles", "Purge all Door Styles", 6, 7, 7, 190, nullptr},
    {"PurgeRailingStyles", "Purge all Railing Styles", 6, 7, 20, 190, nullptr},
    {"PurgeSpaceStyles", "Purge all Space Styles", 6, 7, 33, 190, nullptr},
    {"PurgeStairStyles", "Purge all Stair Styles", 6, 7, 46, 190, nullptr},
    {"PurgeWallEndcapStyles", "Purge all Wall Endcap Styles", 6, 7, 59, 190, nullptr},
    {"PurgeWallStyles", "Purge all Wall Styles", 6, 7, 72, 190, nullptr},
    {"PurgeWindowStyles", "Purge all Window Styles", 6, 7, 85, 190, nullptr},
    {"PurgeAECDimensionStyles", "Purge all AEC Dimension Styles", 6, 7, 98, 190, nullptr},
    {"PurgeAreaGroupStyles", "Purge all Area Group Styles", 6, 7, 111, 190, nullptr},
    {"PurgeAreaStyles", "Purge all Area Styles", 6, 205, 7, 196, nullptr},
    {"PurgeCalculationModifierStyles", "Purge all Calculation Modifier Styles", 6, 205, 20, 196, nullptr},
    {"PurgeAECPolygonStyles", "Purge all AEC Polygon Styles", 6, 205, 33, 196, nullptr},
    {"PurgeCustomMemberShapeStyles", "Purge all Custom Member Shape Styles", 6, 205, 46, 196, nullptr},
    {"PurgeStructuralMemberStyles", "Purge all Structural Member Styles", 6, 205, 59, 196, nullptr},
    {"PurgeMultiViewBlockDefinitions", "Purge all Multi-View Block Definitions", 6, 205, 72, 196, nullptr},
    {"PurgeLayerStyles", "Purge all Layer Styles", 6, 205, 85, 196, nullptr},
    {"PurgeCustomShapeDefinitions", "Purge all Custom Shape Definitions", 6, 205, 98, 196, nullptr},
};

constexpr const char* kTabs[] = {"General", "Purge", "SaveAs", "Delete", "Variables", "Shortcut"};

} // namespace

std::span<const Item> Items() {
    return kItems;
}

std::span<const Check> Checks() {
    return kChecks;
}

std::span<const char* const> Tabs() {
    return kTabs;
}

int CheckIndex(std::string_view key) {
    for (std::size_t i = 0; i < std::size(kChecks); ++i)
        if (EqualsNoCase(kChecks[i].key, key))
            return static_cast<int>(i);
    return -1;
}

} // namespace ps::settings_table
