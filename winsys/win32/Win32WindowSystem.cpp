#include "winsys/win32/Win32WindowSystem.h"

#include <chrono>
#include <utility>
#include <vector>

namespace popquell {

namespace {

enum CallKind { kSetMenu, kShowWindow };

// Attaching our bar is asked for again on the next tick, so an owner that
// does not answer at once is left alone. Giving a window back happens once,
// at exit, and is worth a longer wait.
constexpr std::chrono::milliseconds kAttachPatience{30};
constexpr std::chrono::milliseconds kGiveBackPatience{1000};

// True when the window's thread handles a message within patience, and so
// is pumping: the call that follows will not hang, unless the owner stops in
// that very moment. SMTO_ABORTIFHUNG answers at once for a thread that the
// system already knows to be hung.
bool answers(HWND hwnd, std::chrono::milliseconds patience) noexcept {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                 static_cast<UINT>(patience.count()), &result) != 0;
}

// Runs action on hwnd now when our thread owns it. Otherwise queues it on the
// owner's lane, behind a probe of the owner, and returns whether the window
// exists; a call that cannot be queued is dropped, as a failed call would be:
// the callers look at no result of these.
template <typename Action>
int onOwnersThread(ForeignCalls& foreign, HWND hwnd, CallKind kind,
                   std::chrono::milliseconds patience, Action action) noexcept {
    const DWORD owner = ::GetWindowThreadProcessId(hwnd, nullptr);
    if (owner == 0) return 0;
    if (owner == ::GetCurrentThreadId()) return action();
    try {
        foreign.post(owner, reinterpret_cast<std::uintptr_t>(hwnd), kind,
                     [hwnd, patience, action]() -> bool {
                         if (!answers(hwnd, patience)) return false;
                         action();
                         return true;
                     });
    } catch (...) {
    }
    return ::IsWindow(hwnd);
}

// Nothing may unwind through user32's enumeration: a failed push_back
// ends the enumeration instead.
BOOL CALLBACK collect(HWND hwnd, LPARAM windows) noexcept {
    try {
        reinterpret_cast<std::vector<WindowHandle>*>(windows)->push_back(fromHwnd(hwnd));
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

std::vector<WindowHandle> Win32WindowSystem::EnumWindows() noexcept {
    std::vector<WindowHandle> windows;
    ::EnumWindows(collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

WindowHandle Win32WindowSystem::GetDesktopWindow() noexcept {
    return fromHwnd(::GetDesktopWindow());
}

WindowHandle Win32WindowSystem::GetWindow(WindowHandle h, int cmd) noexcept {
    return fromHwnd(::GetWindow(toHwnd(h), static_cast<UINT>(cmd)));
}

std::int32_t Win32WindowSystem::GetWindowLongA(WindowHandle h, int index) noexcept {
    return static_cast<std::int32_t>(::GetWindowLongA(toHwnd(h), index));
}

int Win32WindowSystem::GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) noexcept {
    static_assert(sizeof(char16_t) == sizeof(WCHAR));
    return ::GetClassNameW(toHwnd(h), reinterpret_cast<WCHAR*>(buffer), maxCount);
}

WindowHandle Win32WindowSystem::GetForegroundWindow() noexcept {
    return fromHwnd(::GetForegroundWindow());
}

int Win32WindowSystem::IsWindow(WindowHandle h) noexcept {
    return ::IsWindow(toHwnd(h));
}

int Win32WindowSystem::IsWindowVisible(WindowHandle h) noexcept {
    return ::IsWindowVisible(toHwnd(h));
}

MenuHandle Win32WindowSystem::GetMenu(WindowHandle h) noexcept {
    return fromHmenu(::GetMenu(toHwnd(h)));
}

int Win32WindowSystem::GetMenuItemCount(MenuHandle menu) noexcept {
    return ::GetMenuItemCount(toHmenu(menu));
}

int Win32WindowSystem::SetMenu(WindowHandle h, MenuHandle menu) noexcept {
    const HWND hwnd = toHwnd(h);
    const HMENU hmenu = toHmenu(menu);
    return onOwnersThread(foreign_, hwnd, kSetMenu, hmenu ? kAttachPatience : kGiveBackPatience,
                          [hwnd, hmenu] { return static_cast<int>(::SetMenu(hwnd, hmenu)); });
}

int Win32WindowSystem::ShowWindowAsync(WindowHandle h, int cmdShow) noexcept {
    return ::ShowWindowAsync(toHwnd(h), cmdShow);
}

int Win32WindowSystem::ShowWindow(WindowHandle h, int cmdShow) noexcept {
    const HWND hwnd = toHwnd(h);
    return onOwnersThread(foreign_, hwnd, kShowWindow, kGiveBackPatience,
                          [hwnd, cmdShow] { return static_cast<int>(::ShowWindow(hwnd, cmdShow)); });
}

int Win32WindowSystem::PostMessageA(WindowHandle h, unsigned msg, std::intptr_t wParam,
                                    std::intptr_t lParam) noexcept {
    return ::PostMessageA(toHwnd(h), msg, static_cast<WPARAM>(wParam),
                          static_cast<LPARAM>(lParam));
}

bool Win32WindowSystem::drain(std::chrono::milliseconds deadline) noexcept {
    return foreign_.drain(deadline);
}

}  // namespace popquell
