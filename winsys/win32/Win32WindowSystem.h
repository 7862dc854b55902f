#pragma once

// WindowSystem on the real desktop: each operation is the user32 call of the
// same name. SetMenu and ShowWindow wait for the thread that owns the window,
// so on a window of another thread they go through ForeignCalls and return at
// once; a hung program must never freeze our GUI thread. Each such call first
// makes sure the owner still pumps messages, so that a hung owner holds a
// worker only for that probe's patience.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "winsys/WindowSystem.h"
#include "winsys/ForeignCalls.h"

namespace popquell {

// user32 handles carry 32 significant bits, sign-extended in a 64-bit
// process, so these conversions lose nothing.
inline HWND toHwnd(WindowHandle h) noexcept {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(h));
}
inline WindowHandle fromHwnd(HWND h) noexcept {
    return static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(h));
}
inline HMENU toHmenu(MenuHandle m) noexcept {
    return reinterpret_cast<HMENU>(static_cast<std::intptr_t>(m));
}
inline MenuHandle fromHmenu(HMENU m) noexcept {
    return static_cast<MenuHandle>(reinterpret_cast<std::intptr_t>(m));
}

class Win32WindowSystem final : public WindowSystem {
public:
    Win32WindowSystem() = default;
    explicit Win32WindowSystem(ForeignCalls::Limits limits) : foreign_(limits) {}

    // An empty or shortened list when memory runs out.
    std::vector<WindowHandle> EnumWindows() noexcept override;
    WindowHandle GetDesktopWindow() noexcept override;
    WindowHandle GetWindow(WindowHandle h, int cmd) noexcept override;
    std::int32_t GetWindowLongA(WindowHandle h, int index) noexcept override;
    int GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) noexcept override;
    WindowHandle GetForegroundWindow() noexcept override;
    int IsWindow(WindowHandle h) noexcept override;
    int IsWindowVisible(WindowHandle h) noexcept override;
    MenuHandle GetMenu(WindowHandle h) noexcept override;
    int GetMenuItemCount(MenuHandle menu) noexcept override;
    // On a window of another thread: queued, and non-zero when the window exists.
    int SetMenu(WindowHandle h, MenuHandle menu) noexcept override;
    int ShowWindowAsync(WindowHandle h, int cmdShow) noexcept override;
    // On a window of another thread: queued, and non-zero when the window exists.
    int ShowWindow(WindowHandle h, int cmdShow) noexcept override;
    int PostMessageA(WindowHandle h, unsigned msg, std::intptr_t wParam,
                     std::intptr_t lParam) noexcept override;

    // Waits at most deadline for the queued SetMenu and ShowWindow calls, so
    // that at exit the windows that answer are restored even when a hung one
    // comes first. True when none is left.
    bool drain(std::chrono::milliseconds deadline) noexcept;

private:
    ForeignCalls foreign_;
};

}  // namespace popquell
