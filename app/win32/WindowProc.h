#pragma once

// The window procedure of a window that is a C++ object: `this` arrives with
// WM_NCCREATE (the lpParam of CreateWindowEx), is kept in GWLP_USERDATA, and
// every message goes to the member Window::handleMessage. Window names its
// handle hwnd_, set here for as long as the window lives.

#include <windows.h>

namespace popquell {

template <typename Window>
LRESULT CALLBACK memberWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const LRESULT result =
        self ? self->handleMessage(msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY && self) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace popquell
