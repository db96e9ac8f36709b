// The settings dialog "Settings": six tabs over seven pages (the seventh,
// the architectural style switches, has no tab but is filled and saved like
// the others), OK, Cancel and Restore. Laid out in dialog units from a
// table, in the system's dialog font; every control is a standard one.
#pragma once

#include "core/registry.h"
#include "core/settings.h"
#include "settings/settings_io.h"
#include "settings/settings_store.h"
#include "ui/desktop_dialogs.h"

#include <array>
#include <functional>
#include <string>

#include <windows.h>

namespace ps {

class SettingsDialog {
public:
    struct Context {
        Registry& registry;
        SettingsStore& store;
        Settings& settings;
        DesktopDialogs& dialogs;
        std::string programPath; // for the Explorer entry when App Paths has none
        // Restore resets the main window's layout too.
        std::function<void(const WindowLayout&)> applyLayout;
    };

    explicit SettingsDialog(Context context);
    ~SettingsDialog();
    SettingsDialog(const SettingsDialog&) = delete;
    SettingsDialog& operator=(const SettingsDialog&) = delete;

    // Modal: the owner is disabled until OK or Cancel. True after OK.
    bool showModal(HWND owner);
    // Modeless, for tests: the dialog stays until OK, Cancel or destruction.
    HWND create(HWND owner);
    HWND handle() const { return hwnd_; }
    HWND control(int id) const; // a control of any page by its identifier
    bool closed() const { return closed_; }
    bool accepted() const { return accepted_; }
    int currentPage() const { return page_; }

    // The dialog's entry (platform/window_entry.h) hands it every message.
    INT_PTR handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR failed(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const char* what) noexcept;

private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void onInit();
    void onCommand(int id, int code, HWND control);
    INT_PTR onNotify(NMHDR& header);
    void buildPages();
    void layoutPages();
    void showPage(int page);
    void fillValues();
    void fillProducts(HWND appList, HWND profileList, const std::string& storedProduct,
                      const std::string& storedProfile, bool withEmpty);
    void fillProfiles(HWND appList, HWND profileList, const std::string& wanted);
    void pickApplication(HWND appList, HWND profileList, bool perFormat);
    void markEnforced();
    void isavePercentRule();
    void validateLater(int id);
    bool validate(int id, bool showMessage);
    void warn(int id);
    void onOk();
    void onRestore();
    void close(bool accepted);
    void browseScript();
    void browseFolder();
    void showShortcutState();
    std::string stored(std::string_view key, std::string_view absent) const;

    Context c_;
    HWND owner_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND tabs_ = nullptr;
    HWND tips_ = nullptr;
    std::array<HWND, 7> pages_{};
    int page_ = 0; // 0-based current page
    bool loading_ = false;
    bool filling_ = false;
    bool validating_ = false;
    bool closed_ = false;
    bool accepted_ = false;
};

} // namespace ps
