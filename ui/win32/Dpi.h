#pragma once

// Per-monitor DPI where the system has it. The calls are looked up at run
// time, so that the program still starts on systems older than Windows 10
// 1607; there every window is at the system DPI.

#include <windows.h>

#include "ui/Units.h"

namespace popquell {

inline constexpr UINT kDefaultDpi = 96;

UINT windowDpi(HWND window) noexcept;

// The window size that gives a client area of `client` pixels at `dpi`, for
// a window of these styles with a one-line menu bar or none.
SIZE windowSizeForClient(PixelSize client, DWORD style, DWORD exStyle, bool menu, UINT dpi) noexcept;

// Sizes the window so that its client area is `client` pixels, keeping its
// position. The frame and the menu bar are measured, not assumed.
void fitClientArea(HWND window, PixelSize client, UINT dpi) noexcept;

// Takes the rectangle that WM_DPICHANGED suggests for the window.
void moveToSuggested(HWND window, const RECT& suggested) noexcept;

// Paints the whole client area with `brush`; the answer to WM_ERASEBKGND.
LRESULT fillClientArea(HWND window, HDC dc, HBRUSH brush) noexcept;

// Moves a child to its rectangle at `dpi`.
void placeControl(HWND child, const TwipRect& rect, UINT dpi) noexcept;

COLORREF toColorref(const Rgb& rgb) noexcept;

// The font described, made for `dpi`; the caller owns it.
HFONT createFont(const FontSpec& font, UINT dpi) noexcept;

}  // namespace popquell
