#pragma once

// What the demo browser, its driver and the end-to-end tests agree on: the
// kinds of window the demo opens, how they look, and the message that
// another process sends the demo's frame window to start them.

#include <windows.h>

#include <array>
#include <cstddef>
#include <string_view>

#include "support/Program.h"

namespace popquell::demo {

inline constexpr wchar_t kFrameClass[] = L"IEFrame";
inline constexpr wchar_t kFrameTitle[] = L"Demo browser - Popquell";

enum class Kind : int {
    Popup,                // style exactly 0x96C80000
    PopupNoClipChildren,  // the same without WS_CLIPCHILDREN
    PopupHidden,          // the same without WS_VISIBLE
    IeEmptyMenu,          // "IEFrame" whose menu bar has no items
    IeFrameXEmptyMenu,    // "IEFrameX" whose menu bar has no items
    IeNoMenu,             // "IEFrame" without any menu bar
};

enum class Menu { None, Empty };

struct KindInfo {
    Kind kind;
    const char* name;
    const wchar_t* cls;
    DWORD style;
    Menu menu;
    bool closedOnWindows;  // what Popquell does to it on Windows
};

inline constexpr std::array<KindInfo, 6> kKinds{{
    {Kind::Popup, "popup", L"PopquellDemoPopup", kPopupStyle, Menu::None, true},
    {Kind::PopupNoClipChildren, "popup-no-clipchildren", L"PopquellDemoPopup",
     kPopupStyle & ~static_cast<DWORD>(WS_CLIPCHILDREN), Menu::None, false},
    {Kind::PopupHidden, "popup-hidden", L"PopquellDemoPopup",
     kPopupStyle & ~static_cast<DWORD>(WS_VISIBLE), Menu::None, false},
    {Kind::IeEmptyMenu, "ie-empty-menu", L"IEFrame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, Menu::Empty,
     true},
    {Kind::IeFrameXEmptyMenu, "ieframex-empty-menu", L"IEFrameX", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
     Menu::Empty, false},
    {Kind::IeNoMenu, "ie-no-menu", L"IEFrame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, Menu::None, false},
}};

inline const KindInfo& info(Kind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}

inline const KindInfo* findKind(std::string_view name) {
    for (const KindInfo& k : kKinds) {
        if (name == k.name) return &k;
    }
    return nullptr;
}

// Wine keeps menus per process: another process's menu bar reads as no
// menu bar at all there, so Popquell leaves an empty-menu frame alone.
inline bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

inline bool closedHere(const KindInfo& k) {
    if (k.kind == Kind::IeEmptyMenu && runningUnderWine()) return false;
    return k.closedOnWindows;
}

// What the reports say Popquell does to a kind on this system.
inline const char* expectation(const KindInfo& k) {
    if (k.kind == Kind::IeEmptyMenu) {
        return runningUnderWine()
                   ? "left alone under Wine (menus are per process there); closed on Windows"
                   : "closed";
    }
    return k.closedOnWindows ? "closed" : "left alone";
}

// Sent to the frame window of a demo started with --paused: starts its timed openings.
inline constexpr UINT kStartMessage = WM_APP + 2;

}  // namespace popquell::demo
