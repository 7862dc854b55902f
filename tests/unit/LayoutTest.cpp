// The fixed geometry of the main window and the instructions dialog, and its
// conversion to pixels at the DPIs Windows offers.

#include "app/Layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace popquell {
namespace {

constexpr int kDpis[] = {96, 120, 144, 192};

TEST(TwipsToPixels, FifteenTwipsAPixelAt96Dpi) {
    EXPECT_EQ(twipsToPixels(15, 96), 1);
    EXPECT_EQ(twipsToPixels(1440, 96), 96);
    EXPECT_EQ(twipsToPixels(7620, 96), 508);
    EXPECT_EQ(twipsToPixels(555, 96), 37);
    EXPECT_EQ(twipsToPixels(7995, 96), 533);
    EXPECT_EQ(twipsToPixels(3915, 96), 261);
}

TEST(TwipsToPixels, ScalesWithTheDpi) {
    EXPECT_EQ(twipsToPixels(7620, 120), 635);
    EXPECT_EQ(twipsToPixels(7620, 144), 762);
    EXPECT_EQ(twipsToPixels(7620, 192), 1016);
    EXPECT_EQ(twipsToPixels(555, 120), 46);   // 46.25
    EXPECT_EQ(twipsToPixels(555, 192), 74);
}

// MulDiv's rounding: to the nearest, halves away from zero.
TEST(TwipsToPixels, RoundsHalvesAwayFromZeroAsMulDiv) {
    EXPECT_EQ(twipsToPixels(555, 144), 56);  // 55.5
    EXPECT_EQ(twipsToPixels(5, 144), 1);     // 0.5
    EXPECT_EQ(twipsToPixels(4, 144), 0);     // 0.4
    EXPECT_EQ(twipsToPixels(-5, 144), -1);   // -0.5
    EXPECT_EQ(mulDiv(7, 1, 2), 4);
    EXPECT_EQ(mulDiv(-7, 1, 2), -4);
    EXPECT_EQ(mulDiv(7, 1, -2), -4);
    EXPECT_EQ(mulDiv(1, 1, 0), -1);
}

TEST(TwipsToPixels, NoOverflowForLargeProducts) {
    EXPECT_EQ(mulDiv(2000000000, 3, 4), 1500000000);
}

TEST(FontHeight, ButtonFontIsElevenPixelsAt96Dpi) {
    EXPECT_EQ(fontHeightPixels(kButtonFont, 96), -11);
    EXPECT_EQ(fontHeightPixels(kButtonFont, 120), -14);  // 13.75
    EXPECT_EQ(fontHeightPixels(kButtonFont, 144), -17);  // 16.5
    EXPECT_EQ(fontHeightPixels(kButtonFont, 192), -22);
}

TEST(FontHeight, DialogTextFontIsTwelvePixelsAt96Dpi) {
    EXPECT_EQ(fontHeightPixels(kDialogTextFont, 96), -12);
    EXPECT_EQ(fontHeightPixels(kDialogTextFont, 120), -15);
    EXPECT_EQ(fontHeightPixels(kDialogTextFont, 144), -18);
    EXPECT_EQ(fontHeightPixels(kDialogTextFont, 192), -24);
}

TEST(AccessKeyMarks, ComeOutOfTheCaptionAsDrawn) {
    EXPECT_EQ(withoutAccessKeyMarks<char>("S&elect Window"), "Select Window");
    EXPECT_EQ(withoutAccessKeyMarks<char>("&How to use."), "How to use.");
    EXPECT_EQ(withoutAccessKeyMarks<char>("Salt && Pepper"), "Salt & Pepper");
    EXPECT_EQ(withoutAccessKeyMarks<char>("End&"), "End");
    EXPECT_EQ(withoutAccessKeyMarks<char>(""), "");
    EXPECT_EQ(withoutAccessKeyMarks<wchar_t>(L"&Close"), L"Close");
}

// ---------------------------------------------------------------------------

TEST(Form1Layout, ClientAreaIs508By37At96Dpi) {
    EXPECT_EQ(toPixels(kForm1Client, 96), (PixelSize{508, 37}));
    EXPECT_EQ(toPixels(kForm1Client, 192), (PixelSize{1016, 74}));
}

TEST(Form1Layout, ControlsInTabOrder) {
    std::vector<std::string> names;
    for (const ControlSpec& c : kForm1Controls) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"List1", "Command3", "Command1", "Command2",
                                               "Command4", "Command5", "Text1"}));
}

TEST(Form1Layout, ButtonCaptionsAndAccessKeys) {
    EXPECT_STREQ(form1::Command2.caption, "&How to use.");
    EXPECT_STREQ(form1::Command3.caption, "S&elect Window");
    EXPECT_STREQ(form1::Command1.caption, "&Start");
    EXPECT_STREQ(form1::Command4.caption, "S&top");
    EXPECT_STREQ(form1::Command5.caption, "&About");
}

std::vector<ControlSpec> buttonsLeftToRight() {
    std::vector<ControlSpec> buttons;
    for (const ControlSpec& c : kForm1Controls)
        if (c.kind == ControlKind::Button) buttons.push_back(c);
    std::sort(buttons.begin(), buttons.end(),
              [](const ControlSpec& a, const ControlSpec& b) { return a.rect.left < b.rect.left; });
    return buttons;
}

TEST(Form1Layout, ButtonsKeepTheirOrderAndGapsOnScreenAtEveryDpi) {
    const auto buttons = buttonsLeftToRight();
    for (const int dpi : kDpis) {
        for (std::size_t i = 1; i < buttons.size(); ++i) {
            const PixelRect left = toPixels(buttons[i - 1].rect, dpi);
            const PixelRect right = toPixels(buttons[i].rect, dpi);
            EXPECT_GE(right.left - left.right, dpi / 16) << buttons[i].name << " at " << dpi;
        }
        EXPECT_LT(toPixels(buttons.back().rect, dpi).right, toPixels(kForm1Client, dpi).width);
    }
}

TEST(Form1Layout, TheStripCoversTheButtonsAtEveryDpi) {
    for (const int dpi : kDpis) {
        const PixelSize client = toPixels(kForm1Client, dpi);
        for (const ControlSpec& c : buttonsLeftToRight()) {
            const PixelRect r = toPixels(c.rect, dpi);
            EXPECT_GT(r.top, 0) << c.name << " at " << dpi;
            EXPECT_LT(r.bottom, client.height) << c.name << " at " << dpi;
            EXPECT_GT(r.width(), 0);
            EXPECT_GT(r.height(), 0);
        }
    }
}

TEST(Form1Layout, ListAndTextBoxLieBelowTheStripAtEveryDpi) {
    EXPECT_GE(form1::List1.rect.top, kForm1Client.height);
    EXPECT_GE(form1::Text1.rect.top, kForm1Client.height);
    for (const int dpi : kDpis) {
        const PixelSize client = toPixels(kForm1Client, dpi);
        EXPECT_GE(toPixels(form1::List1.rect, dpi).top, client.height) << dpi;
        EXPECT_GE(toPixels(form1::Text1.rect, dpi).top, client.height) << dpi;
    }
}

// ---------------------------------------------------------------------------

TEST(DialogLayout, ClientAreaIs533By261At96Dpi) {
    EXPECT_EQ(toPixels(kDialogClient, 96), (PixelSize{533, 261}));
    EXPECT_STREQ(kDialogCaption, "");
}

TEST(DialogLayout, CloseButtonIsCentredBelowTheText) {
    const TwipRect close = dialog::Command1.rect;
    EXPECT_EQ(2 * close.left + close.width, kDialogClient.width);  // centre at 3997.5
    EXPECT_GE(close.top, dialog::Text1.rect.bottom());
    EXPECT_LE(close.bottom(), kDialogClient.height);
    EXPECT_STREQ(dialog::Command1.caption, "&Close");
}

TEST(DialogLayout, TextBoxLiesInsideTheClientAreaAtEveryDpi) {
    for (const int dpi : kDpis) {
        const PixelSize client = toPixels(kDialogClient, dpi);
        for (const ControlSpec& c : kDialogControls) {
            const PixelRect r = toPixels(c.rect, dpi);
            EXPECT_GE(r.left, 0) << c.name << " at " << dpi;
            EXPECT_GE(r.top, 0) << c.name << " at " << dpi;
            EXPECT_LE(r.right, client.width) << c.name << " at " << dpi;
            EXPECT_LE(r.bottom, client.height) << c.name << " at " << dpi;
        }
        EXPECT_LE(toPixels(dialog::Text1.rect, dpi).bottom, toPixels(dialog::Command1.rect, dpi).top);
    }
}

}  // namespace
}  // namespace popquell
