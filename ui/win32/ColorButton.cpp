#include "ui/win32/ColorButton.h"

#include <string>

#include "ui/Units.h"
#include "ui/win32/Handles.h"
#include "ui/win32/Text.h"

namespace popquell {

namespace {

bool isOwnerDrawnButton(HWND window) {
    return lstrcmpiW(className(window).c_str(), L"Button") == 0 &&
           (GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
}

}  // namespace

void drawColorButton(const DRAWITEMSTRUCT& item, COLORREF face) noexcept {
    if (item.CtlType != ODT_BUTTON) return;
    const HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    // The button sets the ODS_NO* flags from the window's keyboard cues
    // where the system does that; asking the button covers the rest.
    const auto cues = static_cast<UINT>(SendMessageW(item.hwndItem, WM_QUERYUISTATE, 0, 0));
    const bool hideAccel = (item.itemState & ODS_NOACCEL) != 0 || (cues & UISF_HIDEACCEL) != 0;
    const bool hideFocus = (item.itemState & ODS_NOFOCUSRECT) != 0 || (cues & UISF_HIDEFOCUS) != 0;

    // The focused button is the one Enter presses, and wears the dark rim
    // of a default button.
    if (focused) {
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&r, -1, -1);
    }
    const unique_hbrush faceBrush(CreateSolidBrush(face));
    FillRect(dc, &r, faceBrush.get());
    if (pressed) {
        FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
    } else {
        // Soft: the light edge outermost, as on the system's push buttons.
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_SOFT);
    }

    RECT textRect = r;
    if (pressed) OffsetRect(&textRect, 1, 1);
    const std::wstring text = windowText(item.hwndItem);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
    {
        const unique_select_object selectFont(dc, font);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColor = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        constexpr UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
        // DT_HIDEPREFIX would say the same, but not every DrawText honours
        // it; the caption without its marks looks the same everywhere.
        const std::wstring shown = hideAccel ? withoutAccessKeyMarks<wchar_t>(text) : text;
        DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &textRect,
                  format | (hideAccel ? DT_NOPREFIX : 0u));
        SetTextColor(dc, oldColor);
        SetBkMode(dc, oldMode);
    }

    if (focused && !hideFocus) {
        RECT focusRect = r;
        InflateRect(&focusRect, -3, -3);
        const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
        const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &focusRect);
        SetBkColor(dc, oldBack);
        SetTextColor(dc, oldText);
    }
}

bool pressFocusedButton(HWND parent) noexcept {
    const HWND focus = GetFocus();
    if (!focus || GetParent(focus) != parent || !isOwnerDrawnButton(focus)) return false;
    SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
}

}  // namespace popquell
