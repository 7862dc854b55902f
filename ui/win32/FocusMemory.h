#pragma once

// A plain top-level window leaves the keyboard focus on itself when it is
// activated again; a dialog puts it back on the control that had it. Our
// forms behave like dialogs.

#include <windows.h>

namespace popquell {

class FocusMemory {
public:
    explicit FocusMemory(HWND initial = nullptr) : focus_(initial) {}

    void set(HWND control) { focus_ = control; }
    HWND get() const { return focus_; }

    // On deactivation: keeps the focused control if it is one of window's.
    void remember(HWND window) {
        const HWND now = GetFocus();
        if (now && IsChild(window, now)) focus_ = now;
    }
    // On WM_SETFOCUS to the window: hands the focus on to that control.
    void restore() const {
        if (focus_ && IsWindow(focus_)) SetFocus(focus_);
    }

private:
    HWND focus_;
};

}  // namespace popquell
