#pragma once

// Everything Popquell does to windows -- the browsers it serves, the pop-ups it
// closes and the menu bar of its own main window -- goes through this one
// narrow interface, named after the user32 calls that carry it on Windows.
// The monitor is written against it alone, so that it runs unchanged on the
// real desktop (Win32WindowSystem) and on the simulated one of the tests.
//
// No operation throws or reports an error: a failure shows only in the result,
// 0 (or -1 from GetMenuItemCount), and callers take every result as it comes.

#include <cstdint>
#include <vector>

namespace popquell {

// A window, as the 32-bit value that user32 guarantees for handles even in a
// 64-bit process. 0 names no window; values with the high bit set are ordinary.
using WindowHandle = std::int32_t;
// A menu bar, 0 for none. Only ever obtained from GetMenu.
using MenuHandle = std::int32_t;

// The user32 constants that callers pass. <windows.h> defines the plain names
// as macros, hence the k prefix.
inline constexpr int kGwHwndNext = 2;        // GW_HWNDNEXT: next window below in Z order
inline constexpr int kGwChild = 5;           // GW_CHILD: first (topmost) child
inline constexpr int kGwlStyle = -16;        // GWL_STYLE
inline constexpr int kSwHide = 0;            // SW_HIDE
inline constexpr int kSwShowMaximized = 3;   // SW_SHOWMAXIMIZED
inline constexpr unsigned kWmClose = 0x10;   // WM_CLOSE

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The top-level windows in Z order, topmost first, as they lay at one
    // instant: a window that goes later stays in the list and fails its
    // reads, and one made later is not in it. Following GetWindow's links
    // instead breaks wherever another program destroys a window.
    virtual std::vector<WindowHandle> EnumWindows() = 0;
    virtual WindowHandle GetDesktopWindow() = 0;
    // cmd is kGwChild or kGwHwndNext; 0 at the end of the list or for a gone window.
    virtual WindowHandle GetWindow(WindowHandle h, int cmd) = 0;
    // index is kGwlStyle.
    virtual std::int32_t GetWindowLongA(WindowHandle h, int index) = 0;
    // Copies at most maxCount - 1 UTF-16 units and a terminating null; returns
    // the number copied, 0 on failure. The wide call, because the ANSI one
    // maps characters the code page lacks to look-alikes: a class named in
    // fullwidth letters would read as "IEFrame".
    virtual int GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) = 0;
    virtual WindowHandle GetForegroundWindow() = 0;
    virtual int IsWindow(WindowHandle h) = 0;
    virtual int IsWindowVisible(WindowHandle h) = 0;
    virtual MenuHandle GetMenu(WindowHandle h) = 0;
    // -1 when the menu is 0 or names no menu.
    virtual int GetMenuItemCount(MenuHandle menu) = 0;
    virtual int SetMenu(WindowHandle h, MenuHandle menu) = 0;
    // Asks the window's thread to act and returns without waiting for it.
    virtual int ShowWindowAsync(WindowHandle h, int cmdShow) = 0;
    virtual int ShowWindow(WindowHandle h, int cmdShow) = 0;
    // Queues the message and returns at once; the target decides what to do.
    virtual int PostMessageA(WindowHandle h, unsigned msg, std::intptr_t wParam,
                             std::intptr_t lParam) = 0;
};

}  // namespace popquell
