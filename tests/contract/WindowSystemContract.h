#pragma once

// What the monitor relies on from a WindowSystem, on the simulated desktop and on user32
// under Wine. A Desk acts as other programs do: create(class in ASCII, style, items of its
// own bar or -1) makes a window on top; pump() lets the owner handle what it was asked,
// and hold() keeps it from doing so until then.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "app/Form1.h"
#include "winsys/Module1.h"

namespace popquell::contract {

template <typename Desk>
class WindowSystemContract : public ::testing::Test {
protected:
    static constexpr std::int32_t kFrame = 0x10CF0000;  // WS_OVERLAPPEDWINDOW | WS_VISIBLE
    static constexpr std::int32_t kVisible = 0x10000000;

    // Holds EnumWindows' list, cut to the windows of `ours`, to `expected`. A
    // real desktop may still be placing new windows, so the list is taken
    // again, after the owner has had its turn, until it agrees or time is up.
    void expectList(const std::vector<WindowHandle>& ours, const std::vector<WindowHandle>& expected) {
        std::vector<WindowHandle> met;
        for (int attempt = 0; attempt < 50 && (attempt == 0 || met != expected); ++attempt) {
            desk.pump();
            met.clear();
            for (const WindowHandle h : ws.EnumWindows())
                if (std::find(ours.begin(), ours.end(), h) != ours.end()) met.push_back(h);
        }
        EXPECT_EQ(met, expected);
    }

    Desk desk;
    WindowSystem& ws = desk.ws();
};

TYPED_TEST_SUITE_P(WindowSystemContract);

// The list runs top down, and the desktop's first child heads it.
TYPED_TEST_P(WindowSystemContract, TheListRunsTopDownFromTheDesktopsFirstChild) {
    auto& ws = this->ws;
    const WindowHandle a = this->desk.create("PopquellContract", this->kFrame, -1),
                       b = this->desk.create("PopquellContract", this->kFrame, -1),
                       c = this->desk.create("PopquellContract", this->kFrame, -1);
    this->expectList({a, b, c}, {c, b, a});
    this->desk.raise(a);
    this->expectList({a, b, c}, {a, c, b});
    EXPECT_EQ(ws.GetWindow(ws.GetDesktopWindow(), kGwChild), ws.EnumWindows().front());
    this->desk.destroy(b);
    this->expectList({b}, {});
    EXPECT_EQ(ws.IsWindow(b), 0);
    EXPECT_NE(ws.IsWindow(c), 0);
}

TYPED_TEST_P(WindowSystemContract, StylesReadBackWholeAndAHideWaitsForTheOwner) {
    auto& ws = this->ws;
    const WindowHandle popup = this->desk.create("PopquellContract", kPopupStyle, -1);
    EXPECT_EQ(ws.GetWindowLongA(popup, kGwlStyle), kPopupStyle) << "negative, as a 32-bit value";
    EXPECT_GT(ws.IsWindowVisible(popup), 0);
    EXPECT_NE(ws.ShowWindowAsync(popup, kSwHide), 0);
    this->desk.pump();
    EXPECT_EQ(ws.GetWindowLongA(popup, kGwlStyle), kPopupStyle & ~this->kVisible);
    EXPECT_EQ(ws.IsWindowVisible(popup), 0);
}

TYPED_TEST_P(WindowSystemContract, ClassNamesAreReadExactlyAndCut) {
    auto& ws = this->ws;
    using Case = std::tuple<std::string, std::u16string, std::string>;  // class, read back, ieFrameClass
    for (const auto& [cls, read, ieFrame] :
         {Case{"IEFrame", u"IEFrame", "IEFrame"}, Case{"ieframe", u"ieframe", ""},
          Case{"IEFrameX", u"IEFrameX", ""}, Case{std::string(255, 'q'), std::u16string(254, u'q'), ""}}) {
        const WindowHandle h = this->desk.create(cls, this->kFrame, -1);
        EXPECT_EQ(classNameOf(ws, h), read) << cls;
        EXPECT_EQ(ieFrameClass(ws, h), ieFrame) << cls;
        char16_t four[4] = {};
        EXPECT_EQ(ws.GetClassNameW(h, four, 4), 3) << "the count holds the terminating null";
        this->desk.destroy(h);
        EXPECT_EQ(classNameOf(ws, h), u"") << "a gone window";
    }
    EXPECT_EQ(classNameOf(ws, 0), u"");
}

TYPED_TEST_P(WindowSystemContract, MenuCountsTellNoBarFromAnEmptyOneAndABarIsShared) {
    auto& ws = this->ws;
    const WindowHandle bare = this->desk.create("PopquellContract", this->kFrame, -1),
                       empty = this->desk.create("PopquellContract", this->kFrame, 0),
                       other = this->desk.create("PopquellContract", this->kFrame, 3);
    EXPECT_EQ(ws.GetMenu(bare), 0);
    EXPECT_EQ(ws.GetMenuItemCount(0), -1);
    EXPECT_EQ(ws.GetMenuItemCount(ws.GetMenu(empty)), 0);
    // One bar shown by two windows is one menu.
    ws.SetMenu(bare, ws.GetMenu(other));
    this->desk.pump();
    EXPECT_EQ(ws.GetMenu(bare), ws.GetMenu(other));
    EXPECT_EQ(ws.GetMenuItemCount(ws.GetMenu(bare)), 3);
    // A window takes its bar along when it goes, even one that others show.
    const MenuHandle shared = ws.GetMenu(other);
    this->desk.destroy(other);
    EXPECT_EQ(ws.GetMenuItemCount(shared), -1);
    ws.SetMenu(bare, 0);
}

TYPED_TEST_P(WindowSystemContract, ACloseRequestWaitsForTheOwnerAndAMaximiseActs) {
    auto& ws = this->ws;
    const WindowHandle w = this->desk.create("PopquellContract", kPopupStyle, -1);
    const WindowHandle browser = this->desk.create("PopquellContract", this->kFrame, 2);
    this->desk.hold();
    EXPECT_NE(ws.PostMessageA(w, kWmClose, 0, 0), 0);
    EXPECT_NE(ws.IsWindow(w), 0) << "not before its owner gets to it";
    this->desk.pump();
    EXPECT_EQ(ws.IsWindow(w), 0);
    this->desk.foreground(browser);
    EXPECT_EQ(ws.GetForegroundWindow(), browser);
    ws.SetMenu(browser, 0);
    ws.ShowWindow(browser, kSwShowMaximized);
    this->desk.pump();
    EXPECT_EQ(ws.GetMenu(browser), 0);
    EXPECT_TRUE(this->desk.maximized(browser));
}

REGISTER_TYPED_TEST_SUITE_P(WindowSystemContract, TheListRunsTopDownFromTheDesktopsFirstChild,
                            StylesReadBackWholeAndAHideWaitsForTheOwner, ClassNamesAreReadExactlyAndCut,
                            MenuCountsTellNoBarFromAnEmptyOneAndABarIsShared,
                            ACloseRequestWaitsForTheOwnerAndAMaximiseActs);

}  // namespace popquell::contract
