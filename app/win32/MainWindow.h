#pragma once

// The real Form1: a top-level window that owns the controls and hands every
// tick and click straight to the portable Form1. What it looks like -- the
// caption, the colours, the fonts and where each control sits -- is read
// from app/MainWindowLayout.h.

#include <windows.h>

#include <memory>

#include "app/Form1.h"
#include "app/win32/Win32Toolkit.h"
#include "app/win32/Win32WindowEvents.h"
#include "help/win32/InstructionsDialog.h"
#include "ui/win32/BaseWindow.h"

namespace popquell {

inline constexpr DWORD kMainWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

class MainWindow final : public BaseWindow {
public:
    // Creates the window and its controls, hidden; the caller shows it.
    // `instant`: the instant mode, with its hook while the sweep runs.
    MainWindow(HINSTANCE instance, WindowSystem& ws, bool instant = false);
    ~MainWindow() override { destroy(); }

    // The program ends with its main window; a test's windows do not.
    void setEndsMessageLoop(bool on) { endsMessageLoop_ = on; }
    Form1& form() { return *form_; }

    // One message of the message loop: Tab, Enter and the access keys move
    // between and press the controls, as in a dialog; everything else is
    // translated and dispatched.
    void dispatch(MSG& msg) noexcept;

    HMENU menuForTesting() const { return menu_.handle(); }

private:
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept override;
    void applyDpi(UINT dpi) override;

    void createControls(HINSTANCE instance);
    bool tabOutOfText1(const MSG& msg) noexcept;
    void onCommand(int id, int code, HWND control);
    void onClose();
    LRESULT colorList1(HDC dc);

    bool endsMessageLoop_ = false;
    unique_hfont buttonFont_;
    unique_hfont formFont_;
    Win32Menu menu_;
    std::unique_ptr<Win32FormWindow> window_;
    std::unique_ptr<Win32ListBox> list_;
    std::unique_ptr<Win32Timers> timers_;
    Win32Clock clock_;
    std::unique_ptr<Win32MessageBoxes> boxes_;
    std::unique_ptr<Win32InstructionsDialog> dialog_;
    std::unique_ptr<Form1> form_;
    // After form_, so that the hook goes first.
    SteadyStopwatch stopwatch_;
    std::unique_ptr<Win32WindowEvents> events_;
};

}  // namespace popquell
