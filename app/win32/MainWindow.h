#pragma once

// The real Form1: a top-level window that owns the controls and hands every
// tick and click straight to the portable Form1. What it looks like -- the
// caption, the colours, the fonts and where each control sits -- is read
// from app/Layout.h.

#include <windows.h>

#include <memory>

#include "app/Form1.h"
#include "app/win32/FocusMemory.h"
#include "app/win32/WindowProc.h"
#include "app/win32/Win32Toolkit.h"
#include "help/win32/InstructionsDialog.h"
#include "winsys/win32/UniqueHandle.h"

namespace popquell {

inline constexpr wchar_t kMainWindowClass[] = L"PopquellForm";
inline constexpr DWORD kMainWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

class MainWindow final : public FormWindow {
public:
    // Creates the window and its controls, hidden; the caller shows it.
    MainWindow(HINSTANCE instance, WindowSystem& ws);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    HWND hwnd() const { return hwnd_; }
    // The program ends with its main window; a test's windows do not.
    void setEndsMessageLoop(bool on) { endsMessageLoop_ = on; }
    Form1& form() { return *form_; }

    // One message of the message loop: Tab, Enter and the access keys move
    // between and press the controls, as in a dialog; everything else is
    // translated and dispatched.
    void dispatch(MSG& msg) noexcept;

    HMENU menuForTesting() const { return menu_.handle(); }
    HWND listBoxForTesting() const { return list_->hwnd(); }
    UINT dpiForTesting() const { return dpi_; }

    WindowHandle hWnd() override;
    void minimize() override;

private:
    friend LRESULT CALLBACK popquell::memberWindowProc<MainWindow>(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    void createControls(HINSTANCE instance);
    void applyDpi(UINT dpi);
    bool tabOutOfText1(const MSG& msg) noexcept;
    void keepMenuBar();
    void onCommand(int id, int code, HWND control);
    void onClose();
    void onDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT colorList1(HDC dc);

    HWND hwnd_ = nullptr;
    bool endsMessageLoop_ = false;
    UINT dpi_ = 96;
    unique_hbrush backBrush_;
    unique_hfont buttonFont_;
    unique_hfont formFont_;
    FocusMemory focus_;
    Win32Menu menu_;
    std::unique_ptr<Win32ListBox> list_;
    std::unique_ptr<Win32Timers> timers_;
    Win32Clock clock_;
    std::unique_ptr<Win32MessageBoxes> boxes_;
    std::unique_ptr<Win32InstructionsDialog> dialog_;
    std::unique_ptr<Form1> form_;
};

}  // namespace popquell
