// The forms' twips as pixels, rounded as MulDiv rounds, and captions as drawn;
// the forms' shapes at the real windows' DPIs are held to their design under Wine.

#include <gtest/gtest.h>

#include "ui/Units.h"

namespace popquell {
namespace {

// 15 twips to a pixel at 96 dpi, and MulDiv's rounding: to the nearest,
// halves away from zero.
TEST(Conversions, TwipsScaleAndRoundAsMulDivAndAccessKeyMarksComeOut) {
    struct Case { int twips, dpi, pixels; };
    for (const Case c : {Case{15, 96, 1}, Case{7620, 96, 508}, Case{555, 120, 46}, Case{555, 144, 56},
                         Case{5, 144, 1}, Case{4, 144, 0}, Case{-5, 144, -1}})
        EXPECT_EQ(twipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    EXPECT_EQ(mulDiv(7, 1, -2), -4);
    EXPECT_EQ(mulDiv(1, 1, 0), -1);
    EXPECT_EQ(mulDiv(2000000000, 3, 4), 1500000000);
    EXPECT_EQ(fontHeightPixels(FontSpec{"", 825, 700, 0}, 144), -17);  // 16.5
    // Access-key marks come out of a caption as drawn.
    EXPECT_EQ(withoutAccessKeyMarks<char>("S&elect Window"), "Select Window");
    EXPECT_EQ(withoutAccessKeyMarks<char>("Salt && Pepper"), "Salt & Pepper");
    EXPECT_EQ(withoutAccessKeyMarks<char>("End&"), "End");
    EXPECT_EQ(withoutAccessKeyMarks<wchar_t>(L"&Close"), L"Close");
}

}  // namespace
}  // namespace popquell
