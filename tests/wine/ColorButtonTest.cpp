// The owner-drawn button face: its colour, the pressed and focused looks,
// and the access-key underline that the keyboard cues may hide.

#include "ui/win32/ColorButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/Layout.h"
#include "ui/win32/Dpi.h"
#include "tests/wine/GuiTestSupport.h"
#include "ui/win32/Handles.h"

namespace popquell::wine {
namespace {

constexpr COLORREF kFace = RGB(128, 128, 255);
constexpr int kWidth = 81;   // "&How to use." at 96 dpi
constexpr int kHeight = 25;

// A button to draw, on a hidden parent, and an off-screen bitmap to draw it in.
class ColorButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent);
        ASSERT_NE(button, nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }

    // Draws the button in this state and returns its pixels, row by row.
    std::vector<COLORREF> draw(UINT state) {
        const HDC screen = GetDC(nullptr);
        const HDC dc = CreateCompatibleDC(screen);
        const unique_hbitmap bitmap(CreateCompatibleBitmap(screen, kWidth, kHeight));
        ReleaseDC(nullptr, screen);
        const HGDIOBJ old = SelectObject(dc, bitmap.get());
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = 1;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = button;
        item.hDC = dc;
        item.rcItem = RECT{0, 0, kWidth, kHeight};
        drawColorButton(item, kFace);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) pixels.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteDC(dc);
        return pixels;
    }
    static COLORREF at(const std::vector<COLORREF>& pixels, int x, int y) {
        return pixels[static_cast<std::size_t>(y * kWidth + x)];
    }
    static long count(const std::vector<COLORREF>& pixels, COLORREF color) {
        return static_cast<long>(std::count(pixels.begin(), pixels.end(), color));
    }
    // The text's pixels in the lowest rows that hold any: the underline, or
    // the feet of the letters.
    static long textPixelsInBottomHalf(const std::vector<COLORREF>& pixels) {
        long n = 0;
        for (int y = kHeight / 2; y < kHeight - 3; ++y)
            for (int x = 4; x < kWidth - 4; ++x)
                if (at(pixels, x, y) == GetSysColor(COLOR_BTNTEXT)) ++n;
        return n;
    }

    using unique_hbitmap = UniqueHandle<HBITMAP, &deleteGdiObject>;

    WindowClass cls{L"PopquellTestButtonParent"};
    unique_hfont font{createFont(kButtonFont, 96)};  // outlives the button that uses it
    unique_hwnd parent{CreateWindowExW(0, cls.name(), L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                       nullptr, GetModuleHandleW(nullptr), nullptr)};
    HWND button = CreateWindowExW(0, L"BUTTON", L"&How to use.", kColorButtonStyle, 10, 10, kWidth,
                                  kHeight, parent.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
};

TEST_F(ColorButtonTest, FaceIsTheColourAsked) {
    const auto pixels = draw(0);
    EXPECT_EQ(at(pixels, 3, 3), kFace);
    EXPECT_EQ(at(pixels, kWidth - 4, kHeight - 4), kFace);
    // Raised: light top-left, dark bottom-right.
    EXPECT_EQ(at(pixels, 0, kHeight / 2), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(pixels, kWidth / 2, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(at(pixels, kWidth / 2, kHeight - 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(at(pixels, kWidth - 1, kHeight / 2), GetSysColor(COLOR_3DDKSHADOW));
}

TEST_F(ColorButtonTest, TheFocusedButtonWearsADarkRimAndAFocusRectangle) {
    const auto plain = draw(0);
    const auto focused = draw(ODS_FOCUS);
    EXPECT_EQ(at(focused, 0, kHeight / 2), RGB(0, 0, 0));
    EXPECT_EQ(at(focused, kWidth / 2, 0), RGB(0, 0, 0));
    // The dotted rectangle inside the edge.
    EXPECT_NE(at(focused, 4, kHeight / 2), at(plain, 4, kHeight / 2));
}

TEST_F(ColorButtonTest, FocusRectangleHiddenWhenTheCuesSaySo) {
    const auto focused = draw(ODS_FOCUS);
    const auto noRect = draw(ODS_FOCUS | ODS_NOFOCUSRECT);
    EXPECT_NE(focused, noRect);
    EXPECT_EQ(at(noRect, 0, kHeight / 2), RGB(0, 0, 0));  // the rim stays
}

TEST_F(ColorButtonTest, PressedLooksSunkenWithTheCaptionMoved) {
    const auto plain = draw(0);
    const auto pressed = draw(ODS_SELECTED);
    EXPECT_EQ(at(pressed, 0, kHeight / 2), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(at(pressed, 1, kHeight / 2), kFace);
    EXPECT_NE(pressed, plain);
    EXPECT_EQ(count(pressed, GetSysColor(COLOR_BTNTEXT)), count(plain, GetSysColor(COLOR_BTNTEXT)));
}

TEST_F(ColorButtonTest, AccessKeyUnderlinedUnlessTheCuesHideIt) {
    const auto shown = draw(0);
    const auto hidden = draw(ODS_NOACCEL);
    EXPECT_NE(shown, hidden);
    EXPECT_GT(textPixelsInBottomHalf(shown), textPixelsInBottomHalf(hidden));
    EXPECT_GT(count(hidden, GetSysColor(COLOR_BTNTEXT)), 0);  // the caption itself stays
}

TEST_F(ColorButtonTest, EnterPressesTheFocusedButtonOnly) {
    ShowWindow(parent.get(), SW_SHOW);
    SetForegroundWindow(parent.get());
    SetFocus(button);
    ASSERT_TRUE(pumpUntil([&] { return GetFocus() == button; }));
    EXPECT_TRUE(pressFocusedButton(parent.get()));
    SetFocus(parent.get());
    EXPECT_FALSE(pressFocusedButton(parent.get()));
}

}  // namespace
}  // namespace popquell::wine
