#pragma once

// The instant mode's hook: one out-of-context WinEvent hook on the GUI
// thread, which hears of the top-level windows that other programs create or
// show, one at a time in the program. It is removed when the object goes.

#include <windows.h>

#include <functional>

#include "app/Toolkit.h"
#include "ui/win32/Handles.h"

namespace popquell {

class Win32WindowEvents final : public WindowEvents {
public:
    Win32WindowEvents() = default;
    ~Win32WindowEvents() override { unhook(); }
    Win32WindowEvents(const Win32WindowEvents&) = delete;
    Win32WindowEvents& operator=(const Win32WindowEvents&) = delete;

    void hook(std::function<void(WindowHandle)> noted) override;
    void unhook() override;

private:
    static void CALLBACK proc(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG idObject, LONG idChild,
                              DWORD thread, DWORD time) noexcept;

    unique_hwineventhook hook_;
    std::function<void(WindowHandle)> noted_;
};

}  // namespace popquell
