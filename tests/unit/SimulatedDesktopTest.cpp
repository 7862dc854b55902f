// The simulator's answers that the monitor's tests lean on: a slip in any of
// these would let a fault in the monitor pass unseen.

#include <gtest/gtest.h>

#include <string>

#include "sim/SimulatedDesktop.h"
#include "winsys/Module1.h"

namespace popquell::sim {
namespace {

TEST(SimulatedDesktopTest, NextChainRunsTopToBottomAndEndsWithZero) {
    SimulatedDesktop desk;
    const WindowHandle bottom = desk.create("A", kWsVisible);
    const WindowHandle middle = desk.createWithHandle(-5, "B", kWsVisible);
    const WindowHandle top = desk.create("C", kWsVisible);
    EXPECT_EQ(desk.GetWindow(desk.GetDesktopWindow(), kGwChild), top);
    EXPECT_EQ(desk.GetWindow(top, kGwHwndNext), middle);
    EXPECT_EQ(desk.GetWindow(middle, kGwHwndNext), bottom);
    EXPECT_EQ(desk.GetWindow(bottom, kGwHwndNext), 0);
}

// The hook runs before the answer is worked out, so interference counts.
TEST(SimulatedDesktopTest, AnswerReflectsChangesMadeByBeforeCall) {
    SimulatedDesktop desk;
    desk.create("A", kWsVisible);
    const WindowHandle top = desk.create("B", kWsVisible);
    desk.beforeCall = [&](const Op& op) { if (op.name == "GetWindow") desk.destroy(op.h); };
    EXPECT_EQ(desk.GetWindow(top, kGwHwndNext), 0);
}

TEST(SimulatedDesktopTest, NoMenuCountsMinusOneButAnEmptyMenuZero) {
    SimulatedDesktop desk;
    const MenuHandle empty = desk.createMenu();
    EXPECT_EQ(desk.GetMenuItemCount(0), -1);
    EXPECT_EQ(desk.GetMenuItemCount(empty), 0);
    desk.destroyMenu(empty);
    EXPECT_EQ(desk.GetMenuItemCount(empty), -1);
}

TEST(SimulatedDesktopTest, ClassNameIsCutToTheCountLessOne) {
    SimulatedDesktop desk;
    const WindowHandle h = desk.create("IEFrame", kWsVisible);
    char16_t buffer[8] = u"xxxxxxx";
    EXPECT_EQ(desk.GetClassNameW(h, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer), u"IEF");
    const WindowHandle longName = desk.create(std::string(300, 'Q'), kWsVisible);
    EXPECT_EQ(classNameOf(desk, longName), std::u16string(254, u'Q'));
}

TEST(SimulatedDesktopTest, IeFrameClassMatchesOnlyTheExactName) {
    struct Case { const char* className; const char* expected; };
    for (const Case c : {Case{"IEFrame", "IEFrame"}, Case{"ieframe", ""}, Case{"IEFRAME", ""},
                         Case{"IEFrame2", ""}, Case{"IEFram", ""},
                         // Fullwidth letters, which an ANSI read maps to "IEFrame".
                         Case{"\xEF\xBC\xA9\xEF\xBC\xA5\xEF\xBC\xA6\xEF\xBD\x92\xEF\xBD\x81\xEF\xBD\x8D\xEF\xBD\x85", ""}}) {
        SimulatedDesktop desk;
        EXPECT_EQ(ieFrameClass(desk, desk.create(c.className, kWsVisible)), c.expected)
            << c.className;
    }
    SimulatedDesktop desk;
    const WindowHandle gone = desk.create("IEFrame", kWsVisible);
    desk.destroy(gone);
    EXPECT_EQ(ieFrameClass(desk, gone), "");
    EXPECT_EQ(ieFrameClass(desk, 0), "");
}

TEST(SimulatedDesktopTest, HideAndCloseWaitForTheOwnerAndMayBeRefused) {
    SimulatedDesktop desk;
    const WindowHandle popup = desk.create("Popup", kWsVisible | kWsPopup);
    const WindowHandle stubborn = desk.create("Stubborn", kWsVisible);
    desk.setRefusesClose(stubborn, true);
    for (const WindowHandle h : {popup, stubborn}) {
        desk.ShowWindowAsync(h, kSwHide);
        desk.PostMessageA(h, kWmClose, 0, 0);
    }
    EXPECT_EQ(desk.IsWindowVisible(popup), 1);
    EXPECT_EQ(desk.IsWindow(popup), 1);

    desk.pumpMessages();
    EXPECT_EQ(desk.IsWindow(popup), 0);
    EXPECT_EQ(desk.closesReceived(popup), 1);
    EXPECT_EQ(desk.IsWindow(stubborn), 1);
    EXPECT_EQ(desk.IsWindowVisible(stubborn), 0);
    EXPECT_EQ(desk.closesReceived(stubborn), 1);
}

TEST(SimulatedDesktopTest, OneMenuShownByTwoWindowsIsOneObject) {
    SimulatedDesktop desk;
    const MenuHandle bar = desk.createMenu({"Total", ""});
    const WindowHandle main = desk.create("Main", kWsVisible, bar);
    const WindowHandle browser = desk.create("IEFrame", kWsVisible, desk.createMenu({"File"}));
    desk.SetMenu(browser, desk.GetMenu(main));
    desk.nativeMenu(bar).setItemText(2, "09:05:03");
    EXPECT_EQ(desk.menuCaptions(desk.GetMenu(browser)), desk.menuCaptions(desk.GetMenu(main)));
    EXPECT_EQ(desk.menuCaptions(desk.GetMenu(browser)).back(), "09:05:03");
}

}  // namespace
}  // namespace popquell::sim
