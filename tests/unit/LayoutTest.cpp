// The forms' twips as pixels, at every DPI that Windows offers.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/MainWindowLayout.h"
#include "help/DialogLayout.h"

namespace popquell {
namespace {

constexpr int kDpis[] = {96, 120, 144, 192};

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

// Converting edges, not sizes, keeps the buttons apart, in their order and
// inside the strip, and List1 and Text1 out of sight below it.
TEST(Form1Layout, KeepsItsShapeAtEveryDpi) {
    std::vector<ControlSpec> buttons;
    for (const ControlSpec& c : kForm1Controls)
        if (c.kind == ControlKind::Button) buttons.push_back(c);
    std::sort(buttons.begin(), buttons.end(),
              [](const ControlSpec& a, const ControlSpec& b) { return a.rect.left < b.rect.left; });
    for (const int dpi : kDpis) {
        const PixelSize client = toPixels(kForm1Client, dpi);
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            const PixelRect r = toPixels(buttons[i].rect, dpi);
            EXPECT_TRUE(r.top > 0 && r.bottom < client.height && r.right < client.width)
                << buttons[i].name << " at " << dpi;
            if (i > 0) {
                EXPECT_GE(r.left - toPixels(buttons[i - 1].rect, dpi).right, dpi / 16);
            }
        }
        EXPECT_GE(toPixels(form1::List1.rect, dpi).top, client.height) << dpi;
        EXPECT_GE(toPixels(form1::Text1.rect, dpi).top, client.height) << dpi;
    }
}

TEST(DialogLayout, CloseIsCentredBelowTheTextInsideTheClientAreaAtEveryDpi) {
    const TwipRect close = dialog::Command1.rect;
    EXPECT_EQ(2 * close.left + close.width, kDialogClient.width);
    for (const int dpi : kDpis) {
        const PixelSize client = toPixels(kDialogClient, dpi);
        for (const ControlSpec& c : kDialogControls) {
            const PixelRect r = toPixels(c.rect, dpi);
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.width && r.bottom <= client.height)
                << c.name << " at " << dpi;
        }
        EXPECT_LE(toPixels(dialog::Text1.rect, dpi).bottom, toPixels(close, dpi).top);
    }
}

}  // namespace
}  // namespace popquell
