// The system dialogs the main window asks the user through. A port, so that
// tests can answer them; WinDesktopDialogs shows the real ones.
#pragma once

#include <optional>
#include <string>

#include <windows.h>

namespace ps {

class DesktopDialogs {
public:
    virtual ~DesktopDialogs() = default;
    // Add Drawings: the open-file dialog's answer (null-separated, several
    // files allowed); nullopt when cancelled or too long for its buffer.
    virtual std::optional<std::string> openDrawings(HWND owner, const std::string& initialFolder) = 0;
    // Export (saving) or Import: the list file's name, starting in that
    // folder with that name offered; nullopt when cancelled.
    virtual std::optional<std::string> listFileName(HWND owner, bool saving, const std::string& folder,
                                                    const std::string& name) = 0;
    // Export Report: the report file's name (.html); nullopt when cancelled.
    virtual std::optional<std::string> reportFileName(HWND owner, const std::string& folder,
                                                      const std::string& name) = 0;
    // The folder browser "Select a folder"; empty when cancelled.
    virtual std::string browseFolder(HWND owner, const std::string& initialFolder) = 0;
    virtual bool askYesNo(HWND owner, const std::string& message, const std::string& title) = 0;
    // Yes, No or Cancel: IDYES, IDNO or IDCANCEL.
    virtual int askYesNoCancel(HWND owner, const std::string& message, const std::string& title) = 0;
    virtual void inform(HWND owner, const std::string& message, const std::string& title, UINT icon) = 0;
    // The settings dialog's script file ("Select files", script and Lisp
    // files); nullopt when cancelled.
    virtual std::optional<std::string> openScriptFile(HWND owner, const std::string& initialFolder) = 0;
    // An input box; empty when cancelled.
    virtual std::string inputBox(HWND owner, const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;
    // A row's details: read-only text the user can select and copy (Copy
    // puts all of it on the clipboard), closed with Close or Esc.
    virtual void showDetails(HWND owner, const std::string& title, const std::string& text) = 0;
};

class WinDesktopDialogs final : public DesktopDialogs {
public:
    std::optional<std::string> openDrawings(HWND owner, const std::string& initialFolder) override;
    std::optional<std::string> listFileName(HWND owner, bool saving, const std::string& folder,
                                            const std::string& name) override;
    std::optional<std::string> reportFileName(HWND owner, const std::string& folder,
                                              const std::string& name) override;
    std::string browseFolder(HWND owner, const std::string& initialFolder) override;
    bool askYesNo(HWND owner, const std::string& message, const std::string& title) override;
    int askYesNoCancel(HWND owner, const std::string& message, const std::string& title) override;
    void inform(HWND owner, const std::string& message, const std::string& title, UINT icon) override;
    std::string inputBox(HWND owner, const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::optional<std::string> openScriptFile(HWND owner, const std::string& initialFolder) override;
    void showDetails(HWND owner, const std::string& title, const std::string& text) override;
};

} // namespace ps
