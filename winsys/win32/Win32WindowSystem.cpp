#include "winsys/win32/Win32WindowSystem.h"

#include <functional>
#include <utility>

namespace popquell {

namespace {

enum CallKind { kSetMenu, kShowWindow };

enum class Owner { none, us, other };

// Only a window of our own thread is sure to answer without waiting for
// another thread.
Owner ownerOf(HWND hwnd) {
    const DWORD thread = ::GetWindowThreadProcessId(hwnd, nullptr);
    if (thread == 0) return Owner::none;
    return thread == ::GetCurrentThreadId() ? Owner::us : Owner::other;
}

// Queues call for hwnd. A call that cannot be queued is dropped, as a failed
// call would be: the callers look at no result of these.
template <typename Call>
void defer(ForeignCalls& foreign, HWND hwnd, CallKind kind, Call call) noexcept {
    try {
        foreign.post(reinterpret_cast<std::uintptr_t>(hwnd), kind,
                     std::function<void()>(std::move(call)));
    } catch (...) {
    }
}

}  // namespace

WindowHandle Win32WindowSystem::GetDesktopWindow() noexcept {
    return fromHwnd(::GetDesktopWindow());
}

WindowHandle Win32WindowSystem::GetWindow(WindowHandle h, int cmd) noexcept {
    return fromHwnd(::GetWindow(toHwnd(h), static_cast<UINT>(cmd)));
}

std::int32_t Win32WindowSystem::GetWindowLongA(WindowHandle h, int index) noexcept {
    return static_cast<std::int32_t>(::GetWindowLongA(toHwnd(h), index));
}

int Win32WindowSystem::GetClassNameA(WindowHandle h, char* buffer, int maxCount) noexcept {
    return ::GetClassNameA(toHwnd(h), buffer, maxCount);
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
    switch (ownerOf(hwnd)) {
    case Owner::none: return 0;
    case Owner::us: return ::SetMenu(hwnd, hmenu);
    case Owner::other: break;
    }
    defer(foreign_, hwnd, kSetMenu, [hwnd, hmenu] { ::SetMenu(hwnd, hmenu); });
    return ::IsWindow(hwnd);
}

int Win32WindowSystem::ShowWindowAsync(WindowHandle h, int cmdShow) noexcept {
    return ::ShowWindowAsync(toHwnd(h), cmdShow);
}

int Win32WindowSystem::ShowWindow(WindowHandle h, int cmdShow) noexcept {
    const HWND hwnd = toHwnd(h);
    switch (ownerOf(hwnd)) {
    case Owner::none: return 0;
    case Owner::us: return ::ShowWindow(hwnd, cmdShow);
    case Owner::other: break;
    }
    defer(foreign_, hwnd, kShowWindow, [hwnd, cmdShow] { ::ShowWindow(hwnd, cmdShow); });
    return ::IsWindow(hwnd);
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
