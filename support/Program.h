#pragma once

// What the demo and benchmark programs each do alike: report lines that a
// reader in another process sees as they come, time on the one clock of every
// process of the machine, and windows of classes of their own; and what the
// demo browser and its driver agree on.

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace popquell::demo {

// Exactly the style of the pop-ups Popquell closes.
inline constexpr DWORD kPopupStyle =
    WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
static_assert(kPopupStyle == 0x96C80000u);

// The demo browser's frame, which its driver finds and, when the browser was
// started with --paused, sends kStartMessage to start the timed openings.
inline constexpr wchar_t kFrameClass[] = L"IEFrame";
inline constexpr wchar_t kFrameTitle[] = L"Demo browser - Popquell";
inline constexpr UINT kStartMessage = WM_APP + 2;

// Wine keeps menus per process: another process's menu bar reads as no
// menu bar at all there, so Popquell leaves an empty-menu frame alone.
inline bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// To stdout, flushed at once.
template <typename... Args>
void say(const char* format, Args... args) {
    std::printf(format, args...);
    std::fflush(stdout);
}

// QueryPerformanceCounter, which counts alike in every process.
inline std::int64_t qpc() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

inline std::int64_t qpcFrequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
}

inline double toMs(std::int64_t ticks) {
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(qpcFrequency());
}

// Handles carry 32 significant bits, also in a 64-bit process.
inline std::uint32_t handleValue(const void* h) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h));
}

inline void registerClass(const wchar_t* name, WNDPROC proc = DefWindowProcW, UINT style = 0) {
    WNDCLASSW wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

// This thread's messages, until WM_QUIT.
inline void runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace popquell::demo
