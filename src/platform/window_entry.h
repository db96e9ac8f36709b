// The one entry of every window and dialog these programs write themselves.
// The owner object travels with the window: CreateWindowEx's parameter for a
// window, the init parameter for a dialog. Every message goes to the owner's
// handle(); an exception that escapes it goes to the owner's failed(), which
// reports it in the program's own way and gives the message's answer. The
// window procedures themselves only dispatch.
//
//   R Owner::handle(HWND, UINT, WPARAM, LPARAM);
//   R Owner::failed(HWND, UINT, WPARAM, LPARAM, const char* what) noexcept;
//
// with R = LRESULT for a window and INT_PTR for a dialog.
#pragma once

#include <exception>

#include <windows.h>

namespace ps {
namespace entry_detail {

template <class Owner>
auto Dispatch(Owner& owner, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    -> decltype(owner.handle(hwnd, message, wParam, lParam)) {
    try {
        return owner.handle(hwnd, message, wParam, lParam);
    } catch (const std::exception& e) {
        return owner.failed(hwnd, message, wParam, lParam, e.what());
    } catch (...) {
        return owner.failed(hwnd, message, wParam, lParam, "unexpected error");
    }
}

} // namespace entry_detail

template <class Owner> LRESULT CALLBACK WindowEntry(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (owner == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // The window's last message is the owner's last: nothing calls it after.
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return entry_detail::Dispatch(*owner, hwnd, message, wParam, lParam);
}

template <class Owner> INT_PTR CALLBACK DialogEntry(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (owner == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
    return entry_detail::Dispatch(*owner, dialog, message, wParam, lParam);
}

} // namespace ps
