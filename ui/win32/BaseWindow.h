#pragma once

// The base of the program's windows, each a C++ object: it registers the
// window class once, keeps `this` from WM_NCCREATE (the lpParam of
// CreateWindowEx) in GWLP_USERDATA, and hands every message to the member
// handleMessage. What all the forms do alike is done here: the background
// in the form's colour, owner-drawn buttons with a face colour, the focus
// handed back to its control on activation as in a dialog, and the move to
// a new DPI.

#include <windows.h>

#include <string>

#include "ui/win32/FocusMemory.h"
#include "ui/win32/Handles.h"

namespace popquell {

class BaseWindow {
public:
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;
    virtual ~BaseWindow() { destroy(); }

    HWND hwnd() const { return hwnd_; }
    UINT dpi() const { return dpi_; }

protected:
    struct Class {
        const wchar_t* name;
        HICON icon = nullptr;
        HICON smallIcon = nullptr;
    };

    BaseWindow(COLORREF background, COLORREF buttonFace)
        : backBrush_(::CreateSolidBrush(background)), buttonFace_(buttonFace) {}

    // Registers the class, once, and creates the window, hidden. False when
    // it could not be made.
    bool create(HINSTANCE instance, const Class& cls, DWORD exStyle, DWORD style,
                const std::string& caption, HWND owner) noexcept;
    // A child control with this command id.
    HWND createChild(HINSTANCE instance, const wchar_t* cls, const std::string& text, DWORD style,
                     DWORD exStyle, int id) noexcept;
    // Called by the derived window's destructor, while its handlers still exist.
    void destroy() noexcept {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }

    // Places the controls and makes their fonts for this DPI.
    virtual void applyDpi(UINT dpi) = 0;
    // The messages every form handles alike; the rest goes to DefWindowProc.
    // A derived window handles its own and passes on the others.
    virtual LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    HBRUSH backBrush() const { return backBrush_.get(); }

    FocusMemory focus_;
    UINT dpi_ = 96;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
    unique_hbrush backBrush_;
    COLORREF buttonFace_;
};

}  // namespace popquell
