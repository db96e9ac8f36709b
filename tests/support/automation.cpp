#include "support/automation.h"

#include "platform/text.h"

#include <commctrl.h>

namespace ps::test {
namespace {

// Memory in the process that owns a window, freed at the end of the scope.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, std::size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_ != nullptr)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_ != nullptr)
            CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    void* at(std::size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    bool write(const void* data, std::size_t size, std::size_t offset = 0) const {
        return WriteProcessMemory(process_, at(offset), data, size, nullptr) != 0;
    }
    bool read(void* data, std::size_t size, std::size_t offset = 0) const {
        return ReadProcessMemory(process_, at(offset), data, size, nullptr) != 0;
    }
    bool ok() const { return address_ != nullptr; }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    std::size_t size_;
};

constexpr std::size_t kTextChars = 1024;

std::string RemoteText(const RemoteBuffer& buffer, std::size_t offset) {
    std::wstring text(kTextChars, L'\0');
    buffer.read(text.data(), kTextChars * sizeof(wchar_t), offset);
    text.resize(wcsnlen(text.c_str(), kTextChars));
    return Narrow(text);
}

struct FindContext {
    DWORD pid;
    const std::wstring* property;
    HWND found;
};

BOOL CALLBACK FindMarked(HWND window, LPARAM lParam) {
    auto& c = *reinterpret_cast<FindContext*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c.pid && GetPropW(window, c.property->c_str()) == reinterpret_cast<HANDLE>(1)) {
        c.found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindMarkedWindow(DWORD pid, const std::wstring& property) {
    FindContext c{pid, &property, nullptr};
    EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&c));
    return c.found;
}

std::vector<RemoteButton> ToolbarButtons(HWND toolbar) {
    std::vector<RemoteButton> buttons;
    RemoteBuffer buffer(toolbar, sizeof(TBBUTTON) + kTextChars * sizeof(wchar_t));
    if (!buffer.ok())
        return buttons;
    const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        if (!SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(buffer.at())) ||
            !buffer.read(&b, sizeof b))
            continue;
        RemoteButton button{b.idCommand, b.fsState, b.fsStyle, {}};
        if ((b.fsStyle & BTNS_SEP) == 0 && SendMessageW(toolbar, TB_GETBUTTONTEXTW, b.idCommand,
                                                        reinterpret_cast<LPARAM>(buffer.at(sizeof b))) >= 0)
            button.text = RemoteText(buffer, sizeof b);
        buttons.push_back(button);
    }
    return buttons;
}

std::vector<std::string> ListColumns(HWND list) {
    std::vector<std::string> columns;
    RemoteBuffer buffer(list, sizeof(LVCOLUMNW) + kTextChars * sizeof(wchar_t));
    for (int i = 0; buffer.ok(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = static_cast<wchar_t*>(buffer.at(sizeof column));
        column.cchTextMax = static_cast<int>(kTextChars);
        buffer.write(&column, sizeof column);
        if (!SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(buffer.at())))
            break;
        columns.push_back(RemoteText(buffer, sizeof column));
    }
    return columns;
}

int ListRowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListCell(HWND list, int row, int column) {
    RemoteBuffer buffer(list, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
    if (!buffer.ok())
        return {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = static_cast<wchar_t*>(buffer.at(sizeof item));
    item.cchTextMax = static_cast<int>(kTextChars);
    buffer.write(&item, sizeof item);
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(buffer.at()));
    return RemoteText(buffer, sizeof item);
}

HWND ChildOfClass(HWND parent, const wchar_t* className) {
    return FindWindowExW(parent, nullptr, className, nullptr);
}

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace ps::test
