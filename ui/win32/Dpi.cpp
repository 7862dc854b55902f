#include "ui/win32/Dpi.h"

#include "ui/win32/Handles.h"
#include "ui/win32/Text.h"

namespace popquell {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn user32Function(const char* name) noexcept {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    // GetProcAddress returns a generic FARPROC; the name says what it is.
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

UINT systemDpi() noexcept {
    const unique_hdc_window screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace

UINT windowDpi(HWND window) noexcept {
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi != 0 ? dpi : systemDpi();
}

SIZE windowSizeForClient(PixelSize client, DWORD style, DWORD exStyle, bool menu, UINT dpi) noexcept {
    static const auto adjustForDpi =
        user32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, client.width, client.height};
    if (adjustForDpi) adjustForDpi(&r, style, menu, exStyle, dpi);
    else AdjustWindowRectEx(&r, style, menu, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void fitClientArea(HWND window, PixelSize client, UINT dpi) noexcept {
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    const SIZE size = windowSizeForClient(client, style, exStyle, GetMenu(window) != nullptr, dpi);
    constexpr UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, flags);
    // The menu bar that is drawn need not be the one line of the standard
    // height that the adjustment counts; correct by what came out.
    RECT got{};
    GetClientRect(window, &got);
    const int dx = client.width - (got.right - got.left);
    const int dy = client.height - (got.bottom - got.top);
    if (dx != 0 || dy != 0) SetWindowPos(window, nullptr, 0, 0, size.cx + dx, size.cy + dy, flags);
}

void placeControl(HWND child, const TwipRect& rect, UINT dpi) noexcept {
    const PixelRect r = toPixels(rect, static_cast<int>(dpi));
    SetWindowPos(child, nullptr, r.left, r.top, r.width(), r.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void moveToSuggested(HWND window, const RECT& suggested) noexcept {
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT fillClientArea(HWND window, HDC dc, HBRUSH brush) noexcept {
    RECT r{};
    GetClientRect(window, &r);
    FillRect(dc, &r, brush);
    return 1;
}

COLORREF toColorref(const Rgb& rgb) noexcept { return RGB(rgb.red, rgb.green, rgb.blue); }

HFONT createFont(const FontSpec& font, UINT dpi) noexcept {
    LOGFONTW lf{};
    lf.lfHeight = fontHeightPixels(font, static_cast<int>(dpi));
    lf.lfWeight = font.weight;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = widen(font.face);
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

}  // namespace popquell
