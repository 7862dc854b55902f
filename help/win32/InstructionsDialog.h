#pragma once

// The instructions dialog on Win32. Each showModal loads the dialog afresh
// and unloads it when the user closes it. While it is open the main window
// is disabled and a message loop of the dialog's own runs, so that the
// caller's click handler returns only once the dialog has gone.

#include <windows.h>

#include <string>

#include "help/Instructions.h"

namespace popquell {

inline constexpr wchar_t kDialogClass[] = L"PopquellDialog";
// A fixed dialog frame without minimise and maximise boxes. Owned, so it has
// no taskbar button. Not a pop-up: the sweep closes visible pop-ups with a
// caption and a system menu, and it must never take this for one.
inline constexpr DWORD kDialogStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
inline constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;

class Win32InstructionsDialog final : public InstructionsDialog {
public:
    // owner is the main window, which takes no input while the dialog is open.
    Win32InstructionsDialog(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}

    void showModal(const std::string& text) override;

private:
    HINSTANCE instance_;
    HWND owner_;
};

}  // namespace popquell
