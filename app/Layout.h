#pragma once

// The fixed look of the main window and the instructions dialog: captions,
// colours, fonts and every control's rectangle in the twips the forms were
// designed in, with the one conversion to pixels at a window's DPI. The
// Win32 windows only read this table, so the geometry is tested on any
// platform.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "res/resource.h"

namespace popquell {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kHundredthsPerInch = 7200;  // hundredths of a point

// a * b / c rounded to the nearest integer, halves away from zero, as
// Win32's MulDiv rounds; -1 when c is 0, as MulDiv fails.
constexpr int mulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    if (c < 0) {
        a = -a;
        c = -c;
    }
    const std::int64_t product = std::int64_t{a} * b;
    const std::int64_t half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

// 15 twips to a pixel at 96 dpi.
constexpr int twipsToPixels(int twips, int dpi) { return mulDiv(twips, dpi, kTwipsPerInch); }

struct TwipSize {
    int width = 0;
    int height = 0;
};

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool operator==(const PixelRect&) const = default;
};

struct PixelSize {
    int width = 0;
    int height = 0;
    constexpr bool operator==(const PixelSize&) const = default;
};

// Edges are converted, not sizes, so that controls that meet in twips meet
// on screen and gaps never turn into overlaps by rounding.
constexpr PixelRect toPixels(TwipRect r, int dpi) {
    return PixelRect{twipsToPixels(r.left, dpi), twipsToPixels(r.top, dpi),
                     twipsToPixels(r.right(), dpi), twipsToPixels(r.bottom(), dpi)};
}

constexpr PixelSize toPixels(TwipSize s, int dpi) {
    return PixelSize{twipsToPixels(s.width, dpi), twipsToPixels(s.height, dpi)};
}

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

struct FontSpec {
    const char* face = "";
    int hundredthsOfPoint = 0;  // 825 is 8.25 pt
    int weight = 400;           // 700 is bold
    int charset = 0;            // 0 is ANSI
};

// The font height to ask the system for: negative, so that it is the
// character height without the internal leading, as point sizes are meant.
constexpr int fontHeightPixels(const FontSpec& font, int dpi) {
    return -mulDiv(font.hundredthsOfPoint, dpi, kHundredthsPerInch);
}

// A caption as it reads with its access key not underlined: "&x" shows as
// "x", "&&" as "&", as the system draws captions.
template <typename Char>
std::basic_string<Char> withoutAccessKeyMarks(std::basic_string_view<Char> caption) {
    std::basic_string<Char> shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == Char('&') && ++i == caption.size()) break;
        shown.push_back(caption[i]);
    }
    return shown;
}

enum class ControlKind { ListBox, Button, TextBox };

struct ControlSpec {
    const char* name;
    ControlKind kind;
    int id;
    const char* caption;
    TwipRect rect;
};

// --- Form1 ---

inline constexpr const char* kForm1Caption =
    "To select a window, click Select Window.  Then click Start to begin.";
// Exactly the button strip; List1 and Text1 lie below it.
inline constexpr TwipSize kForm1Client{7620, 555};
inline constexpr Rgb kForm1BackColor{128, 128, 255};
inline constexpr Rgb kList1ForeColor{255, 255, 192};
inline constexpr FontSpec kButtonFont{"MS Sans Serif", 825, 700, 0};
// The form's own font, which Text1 takes.
inline constexpr FontSpec kForm1Font{"MS Sans Serif", 825, 400, 0};

namespace form1 {
inline constexpr ControlSpec List1{"List1", ControlKind::ListBox, IDC_LIST1, "", {105, 600, 5415, 615}};
inline constexpr ControlSpec Command3{"Command3", ControlKind::Button, IDC_COMMAND3, "S&elect Window",
                                      {1995, 120, 1455, 375}};
inline constexpr ControlSpec Command1{"Command1", ControlKind::Button, IDC_COMMAND1, "&Start",
                                      {3555, 120, 855, 375}};
inline constexpr ControlSpec Command2{"Command2", ControlKind::Button, IDC_COMMAND2, "&How to use.",
                                      {690, 120, 1215, 375}};
inline constexpr ControlSpec Command4{"Command4", ControlKind::Button, IDC_COMMAND4, "S&top",
                                      {4530, 120, 855, 375}};
inline constexpr ControlSpec Command5{"Command5", ControlKind::Button, IDC_COMMAND5, "&About",
                                      {5475, 120, 855, 375}};
inline constexpr ControlSpec Text1{"Text1", ControlKind::TextBox, IDC_TEXT1, "", {720, 1320, 3975, 1815}};
}  // namespace form1

// In tab order, which is also the order the windows are created in: the
// keyboard walks child windows in that order.
inline constexpr std::array<ControlSpec, 7> kForm1Controls{
    form1::List1,    form1::Command3, form1::Command1, form1::Command2,
    form1::Command4, form1::Command5, form1::Text1};

// --- Dialog, the instructions ---

inline constexpr const char* kDialogCaption = "";
inline constexpr TwipSize kDialogClient{7995, 3915};
inline constexpr Rgb kDialogBackColor{128, 128, 255};
inline constexpr Rgb kDialogTextColor{255, 255, 255};
inline constexpr Rgb kDialogCloseFace{255, 255, 255};
inline constexpr FontSpec kDialogTextFont{"Arial", 900, 700, 0};

namespace dialog {
inline constexpr ControlSpec Text1{"Text1", ControlKind::TextBox, IDC_DIALOG_TEXT1, "", {240, 180, 7575, 3135}};
inline constexpr ControlSpec Command1{"Command1", ControlKind::Button, IDC_DIALOG_COMMAND1, "&Close",
                                      {3390, 3360, 1215, 375}};
}  // namespace dialog

inline constexpr std::array<ControlSpec, 2> kDialogControls{dialog::Text1, dialog::Command1};

}  // namespace popquell
