// The main window: the drawing list, the preview, the information frame with
// the product label, the progress strip, the status line, the toolbar and the
// three menus. It carries the single-instance marker property while it runs
// and takes a second start's command tail through WM_COPYDATA.
#pragma once

#include "drawinglist/drawing_list.h"
#include "platform/handles.h"
#include "platform/win_file_system.h"
#include "platform/win_registry.h"
#include "run/run_state.h"
#include "settings/settings.h"
#include "settings/settings_io.h"
#include "settings/settings_store.h"
#include "startup/command_tail.h"
#include "ui/main_layout.h"

#include <string>

#include <windows.h>
#include <commctrl.h>

namespace ps {

// The window property that marks the running instance's main window.
inline constexpr std::string_view kInstanceProperty = "QUILLMERE Plansweeper_APPLICATION";
inline constexpr const wchar_t* kMainWindowClass = L"PlansweeperMainWindow";

class MainWindow {
public:
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Form_Initialize and Form_Load: false when the window could not be made.
    bool create(HINSTANCE instance, const StartupCommand& startup);
    // The message loop until the window closes; the process's exit code.
    int messageLoop();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void onSize();
    void onGetMinMaxInfo(MINMAXINFO& info);
    void onDpiChanged(int dpi, const RECT& suggested);
    void onCommand(unsigned command);
    LRESULT onNotify(NMHDR& header);
    LRESULT onCopyData(const COPYDATASTRUCT& data);
    void onClose();

    void createControls();
    void createToolbar();
    void createMenus();
    void applyFonts();
    void layoutControls();
    void applyWindowLayout(const WindowLayout& layout);
    WindowLayout currentWindowLayout() const;
    void showRunState();
    void addStartupDrawing(std::string_view command);
    void refreshList();
    void reportRecovery();

    HWND hwnd_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND label1_ = nullptr;
    HWND label2_ = nullptr;
    HWND list_ = nullptr;
    HWND preview_ = nullptr;
    HWND frame_ = nullptr;
    HWND prodName_ = nullptr;
    HWND picture2_ = nullptr;
    HWND status_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HIMAGELIST ownImages_ = nullptr;
    UniqueFont font_;
    int dpi_ = 96;

    WinRegistry registry_;
    RegistrySettingsStore store_{registry_};
    WinFileSystem files_;
    Settings settings_;
    DrawingList rows_;
    RunState state_;
    std::string scriptBasePath_;
    StartupCommand startup_;
};

} // namespace ps
