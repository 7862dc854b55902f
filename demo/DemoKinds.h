#pragma once

// What the demo browser, its driver and the end-to-end tests agree on: the
// kinds of window the demo opens, how they look, and the message that
// another process sends the demo's frame window to start them.

#include <windows.h>

#include <string_view>

#include "support/Program.h"

namespace popquell::demo {

inline constexpr wchar_t kFrameClass[] = L"IEFrame";
inline constexpr wchar_t kFrameTitle[] = L"Demo browser - Popquell";

// The pop-ups Popquell closes and their look-alikes: the popup style without
// WS_CLIPCHILDREN or WS_VISIBLE, and frames whose menu bar has no items or
// that have none, of class "IEFrame" or one a letter longer.
struct KindInfo {
    const char* name;
    const wchar_t* cls;
    DWORD style;
    bool emptyMenu;        // a menu bar without items, else none
    bool closedOnWindows;  // what Popquell does to it on Windows
};

inline constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
inline constexpr KindInfo kKinds[] = {
    {"popup", L"PopquellDemoPopup", kPopupStyle, false, true},
    {"popup-no-clipchildren", L"PopquellDemoPopup", kPopupStyle & ~DWORD{WS_CLIPCHILDREN}, false, false},
    {"popup-hidden", L"PopquellDemoPopup", kPopupStyle & ~DWORD{WS_VISIBLE}, false, false},
    {"ie-empty-menu", L"IEFrame", kFrameStyle, true, true},
    {"ieframex-empty-menu", L"IEFrameX", kFrameStyle, true, false},
    {"ie-no-menu", L"IEFrame", kFrameStyle, false, false},
};

inline const KindInfo* findKind(std::string_view name) {
    for (const KindInfo& k : kKinds)
        if (name == k.name) return &k;
    return nullptr;
}

// Wine keeps menus per process: another process's menu bar reads as no
// menu bar at all there, so Popquell leaves an empty-menu frame alone.
inline bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// What the reports say Popquell does to a kind on this system: "closed" for
// the kinds it closes here.
inline const char* expectation(const KindInfo& k) {
    if (k.emptyMenu && k.closedOnWindows && runningUnderWine())
        return "left alone under Wine (menus are per process there); closed on Windows";
    return k.closedOnWindows ? "closed" : "left alone";
}

// Sent to the frame window of a demo started with --paused: starts its timed openings.
inline constexpr UINT kStartMessage = WM_APP + 2;

}  // namespace popquell::demo
