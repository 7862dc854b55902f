#include "ui/win32/BaseWindow.h"

#include "ui/win32/ColorButton.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Text.h"

namespace popquell {

bool BaseWindow::create(HINSTANCE instance, const Class& cls, DWORD exStyle, DWORD style,
                        const std::string& caption, HWND owner) noexcept {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExW(instance, cls.name, &wc)) {
        wc.lpfnWndProc = &BaseWindow::windowProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = cls.icon;
        wc.hIconSm = cls.smallIcon;
        // The background is painted with the window's own brush.
        wc.hbrBackground = nullptr;
        wc.lpszClassName = cls.name;
        ::RegisterClassExW(&wc);
    }
    ::CreateWindowExW(exStyle, cls.name, widen(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, this);
    return hwnd_ != nullptr;
}

HWND BaseWindow::createChild(HINSTANCE instance, const wchar_t* cls, const std::string& text,
                             DWORD style, DWORD exStyle, int id) noexcept {
    return ::CreateWindowExW(exStyle, cls, widen(text).c_str(), style, 0, 0, 0, 0, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

LRESULT BaseWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    switch (msg) {
    case WM_ERASEBKGND:
        return fillClientArea(hwnd_, reinterpret_cast<HDC>(wParam), backBrush());
    case WM_DRAWITEM:
        drawColorButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), buttonFace_);
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) focus_.remember(hwnd_);
        break;
    case WM_SETFOCUS:
        focus_.restore();
        return 0;
    case WM_DPICHANGED:
        applyDpi(LOWORD(wParam));
        moveToSuggested(hwnd_, *reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK BaseWindow::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<BaseWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<BaseWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const LRESULT result =
        self ? self->handleMessage(msg, wParam, lParam) : ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY && self) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace popquell
