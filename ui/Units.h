#pragma once

// The words the program's forms are described in: rectangles in the twips
// they were designed in, with the one conversion to pixels at a window's DPI,
// colours, fonts and control specifications. Portable, so that the geometry
// is tested on any platform; the Win32 windows only read it.

#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace popquell
