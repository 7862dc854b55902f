#pragma once

// Push buttons with a face in a colour of our choosing. A themed button
// paints its own face and ignores the colour its parent asks for, so these
// are BS_OWNERDRAW and their parent hands WM_DRAWITEM here. The face is the
// classic raised one, sunken while pressed, with the focus rectangle and the
// access-key underline shown as the window's keyboard cues say.

#include <windows.h>

namespace popquell {

inline constexpr DWORD kColorButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;

void drawColorButton(const DRAWITEMSTRUCT& item, COLORREF face) noexcept;

// Enter on a focused owner-drawn button reaches the parent as IDOK, because
// such a button never becomes the default one; this presses the focused
// button, as Enter does on any other push button. False when the focus is
// on none of the parent's buttons.
bool pressFocusedButton(HWND parent) noexcept;

}  // namespace popquell
