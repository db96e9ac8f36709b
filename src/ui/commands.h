// One command identifier per command of the main window: the menus, the
// toolbar, the accelerators and the list's context menu all send these.
#pragma once

namespace ps {

enum Command : unsigned {
    cmdAddFolderOnly = 100,
    cmdAddFolder,
    cmdAddDrawings,
    cmdRun,
    cmdRemove,
    cmdSettings,
    cmdStart,
    cmdStop,
    cmdConnect,
    cmdDisconnect,
    cmdExit,
    cmdExportList,
    cmdImportList,
    cmdHelp,
    cmdAbout,
    cmdSelectAll, // Ctrl+A
    cmdEscape,    // Esc
    cmdExportReport,
    // The list's context menu.
    cmdResetStatus,
    cmdSetSkip,
    cmdClearAll,
    cmdFileProperties,
    cmdExplore,
    cmdStartAcad,
    // Run Failed Again: every failed row (Run menu), the selected ones (context menu).
    cmdRunFailed,
    cmdRunFailedSelected,
    // The selected row's details (context menu).
    cmdShowDetails,
};

} // namespace ps
