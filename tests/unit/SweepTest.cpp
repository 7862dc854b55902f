// The pop-up sweep: what one Timer1 tick closes, counts and leaves alone.

#include <limits>

#include "FormFixture.h"

namespace popquell::sim {
namespace {

constexpr std::int32_t kWsClipChildren = 0x02000000;
constexpr std::int32_t kWsBorder = 0x00800000;

class Sweep : public FormFixture {
protected:
    // One tick, then every program handles the hides and closes it was sent.
    void tick() {
        form.Timer1_Timer();
        desk.pumpMessages();
    }
    std::string totalCaption() const { return form.totalMenu.Caption(); }
};

// The topmost window is never examined; once another lies above it, it is.
TEST_F(Sweep, TopmostWindowWaitsUntilSomethingIsAboveIt) {
    const WindowHandle pop = popup();
    tick();
    EXPECT_TRUE(desk.exists(pop));
    EXPECT_EQ(form.totalClose, 0);

    coverTop();
    tick();
    EXPECT_FALSE(desk.exists(pop));
    EXPECT_EQ(form.totalClose, 1);
}

// Only the whole style value matches: one bit more or less, or the same
// pop-up hidden, is left alone.
TEST_F(Sweep, StyleMustMatchExactly) {
    struct Case { const char* what; std::int32_t style; bool closed; };
    const Case cases[] = {
        {"exact pop-up style", kPopupStyle, true},
        {"one extra bit", kPopupStyle | 0x1, false},
        {"no WS_CLIPCHILDREN", kPopupStyle & ~kWsClipChildren, false},
        {"part of WS_CAPTION missing", kPopupStyle & ~kWsBorder, false},
        {"hidden", kPopupStyle & ~kWsVisible, false},
        {"ordinary frame", kFrameStyle, false},
    };
    std::vector<WindowHandle> windows;
    for (const Case& c : cases) windows.push_back(desk.create("SomeClass", c.style));
    coverTop();

    tick();
    int expected = 0;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(desk.exists(windows[i]), !cases[i].closed) << cases[i].what;
        expected += cases[i].closed ? 1 : 0;
    }
    EXPECT_EQ(form.totalClose, expected);
}

// A pop-up that ignores WM_CLOSE is hidden by the first tick and, no longer
// visible, is not counted again.
TEST_F(Sweep, HiddenPopupThatStaysOpenIsCountedOnce) {
    const WindowHandle pop = popup();
    desk.setRefusesClose(pop, true);
    coverTop();
    tick();
    tick();
    tick();
    EXPECT_TRUE(desk.exists(pop));
    EXPECT_EQ(desk.style(pop) & kWsVisible, 0);
    EXPECT_EQ(form.totalClose, 1);
    EXPECT_EQ(desk.closesReceived(pop), 1);
}

TEST_F(Sweep, CloseCountsThenHidesThenPostsClose) {
    const WindowHandle pop = popup();
    coverTop();
    desk.log.clear();
    form.Timer1_Timer();
    std::vector<std::string> actions;
    for (const Op& op : desk.log)
        if (op.h == pop && (op.name == "ShowWindowAsync" || op.name == "PostMessageA"))
            actions.push_back(op.name + " " + std::to_string(op.a));
    EXPECT_EQ(actions, (std::vector<std::string>{"ShowWindowAsync 0", "PostMessageA 16"}));
    EXPECT_EQ(totalCaption(), "Total: 1");
    EXPECT_TRUE(desk.exists(pop)) << "nothing is waited for: the pop-up closes when its program gets to it";
}

// The three kinds of browser frame: no menu bar, an empty one, one with items.
TEST_F(Sweep, FrameWithoutMenuBarIsLeftAlone) {
    const WindowHandle frame = desk.create("IEFrame", kFrameStyle, 0);
    coverTop();
    tick();
    EXPECT_TRUE(desk.exists(frame));
    EXPECT_EQ(desk.menuOf(frame), 0);
    EXPECT_EQ(desk.count("SetMenu"), 0);
    EXPECT_EQ(form.totalClose, 0);
}

TEST_F(Sweep, FrameWithEmptyMenuBarIsClosed) {
    const WindowHandle frame = browser(0);
    coverTop();
    tick();
    EXPECT_FALSE(desk.exists(frame));
    EXPECT_EQ(form.totalClose, 1);
    EXPECT_EQ(totalCaption(), "Total: 1");
}

TEST_F(Sweep, FrameWithMenuGetsTheMainMenuBarAndTheTime) {
    const WindowHandle frame = browser(3);
    coverTop();
    tick();
    EXPECT_TRUE(desk.exists(frame));
    EXPECT_EQ(desk.menuOf(frame), mainMenu());
    EXPECT_EQ(form.timemenu.Caption(), "09:05:03    Sunday Dec 6 2026");
    EXPECT_EQ(form.totalClose, 0);
    // One menu object: what Form1 writes shows in the browser at once.
    form.totalMenu.SetVisible(true);
    form.totalMenu.SetCaption("Ready:");
    EXPECT_EQ(desk.menuCaptions(desk.menuOf(frame)),
              (std::vector<std::string>{"Ready:", "09:05:03    Sunday Dec 6 2026"}));
}

TEST_F(Sweep, FrameThatAlreadyShowsTheMainMenuGetsItAgain) {
    const WindowHandle frame = browser(3);
    coverTop();
    tick();
    desk.log.clear();
    clock.time.second = 4;
    tick();
    EXPECT_EQ(desk.count("SetMenu", frame), 1);
    EXPECT_EQ(form.timemenu.Caption(), "09:05:04    Sunday Dec 6 2026");
}

TEST_F(Sweep, ClassNameMustBeExactlyIEFrame) {
    for (const char* name : {"ieframe", "IEFRAME", "IEFrameX", "IEFram", "IEFrame "})
        desk.create(name, kFrameStyle, desk.createMenu());
    coverTop();
    tick();
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_EQ(desk.count("PostMessageA"), 0);
}

// Both tests run on every window: a pop-up-styled frame with an empty bar
// is counted, hidden and sent WM_CLOSE twice in one tick.
TEST_F(Sweep, WindowPassingBothTestsIsCountedTwice) {
    const WindowHandle both = desk.create("IEFrame", kPopupStyle, desk.createMenu());
    coverTop();
    form.Timer1_Timer();
    EXPECT_EQ(form.totalClose, 2);
    EXPECT_EQ(desk.count("ShowWindowAsync", both), 2);
    EXPECT_EQ(desk.count("PostMessageA", both), 2);
    EXPECT_EQ(totalCaption(), "Total: 2");
}

TEST_F(Sweep, PopupStyledFrameWithMenuIsClosedAndStillGetsTheMenuBar) {
    const WindowHandle frame = desk.create("IEFrame", kPopupStyle, desk.createMenu({"File", "Edit"}));
    coverTop();
    form.Timer1_Timer();
    EXPECT_EQ(form.totalClose, 1);
    EXPECT_EQ(desk.menuOf(frame), mainMenu());
}

TEST_F(Sweep, EmptyMenuFrameThatRefusesToCloseIsCountedEveryTick) {
    const WindowHandle frame = browser(0);
    desk.setRefusesClose(frame, true);
    coverTop();
    tick();
    tick();
    tick();
    EXPECT_TRUE(desk.exists(frame));
    EXPECT_EQ(form.totalClose, 3);
    EXPECT_EQ(totalCaption(), "Total: 3");
    EXPECT_EQ(desk.closesReceived(frame), 3);
}

TEST_F(Sweep, NothingBelowTheTopmostChangesNothing) {
    desk.destroy(mainWnd);
    coverTop();
    form.timemenu.SetCaption("earlier");
    tick();
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_EQ(form.timemenu.Caption(), "earlier");
    EXPECT_EQ(totalCaption(), "Total");
}

TEST_F(Sweep, EmptyMenuFrameGoneBeforeItsCloseIsNotCounted) {
    const WindowHandle frame = browser(0);
    coverTop();
    desk.beforeCall = [&](const Op& op) {
        if (op.name == "IsWindow" && op.h == frame) desk.destroy(frame);
    };
    form.Timer1_Timer();
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_EQ(desk.count("PostMessageA"), 0);
}

// The counter stops at its maximum; the pop-up is still closed.
TEST_F(Sweep, CounterAtMaximumStillClosesThePopup) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    form.totalClose = kMax;
    const WindowHandle pop = popup();
    coverTop();
    tick();
    EXPECT_EQ(form.totalClose, kMax);
    EXPECT_EQ(totalCaption(), "Total: 2147483647");
    EXPECT_FALSE(desk.exists(pop));
}

// A handle with the high bit set is a window like any other: the walk goes
// on below it.
TEST_F(Sweep, WalkContinuesBelowNegativeHandles) {
    const WindowHandle below = popup();
    const WindowHandle negative = desk.createWithHandle(-0x7FFE, "Negative", kFrameStyle);
    const WindowHandle negativePopup = desk.createWithHandle(-0x7FFC, "NegativePopup", kPopupStyle);
    coverTop();
    tick();
    EXPECT_TRUE(desk.exists(negative));
    EXPECT_FALSE(desk.exists(negativePopup));
    EXPECT_FALSE(desk.exists(below));
    EXPECT_EQ(form.totalClose, 2);
}

// Two windows that take turns dropping below each other whenever the walk
// moves on would lead the chain round for ever; each window is examined once
// and the tick ends.
TEST_F(Sweep, ReorderingWindowsCannotKeepTheWalkGoing) {
    const WindowHandle a = desk.create("Restless", kFrameStyle);
    const WindowHandle b = desk.create("Restless", kFrameStyle);
    const WindowHandle pop = popup();
    coverTop();
    int moves = 0;
    desk.beforeCall = [&](const Op& op) {
        if (op.name == "GetWindow" && op.a == kGwHwndNext && moves < 1000000) {
            ++moves;
            desk.lower(op.h == a ? b : a);
        }
    };
    form.Timer1_Timer();
    for (WindowHandle h : {a, b, pop, mainWnd}) EXPECT_LE(desk.count("GetWindowLongA", h), 1);
    EXPECT_EQ(form.totalClose, 1);
    EXPECT_LT(moves, 1000000);
}

// Handles below are re-read from the window system every tick.
TEST_F(Sweep, ReusedHandleIsJudgedByItsNewWindow) {
    const WindowHandle pop = popup();
    coverTop();
    desk.destroy(pop);
    desk.createWithHandle(pop, "Harmless", kFrameStyle);
    desk.lower(pop);
    tick();
    EXPECT_TRUE(desk.exists(pop));
    EXPECT_EQ(form.totalClose, 0);
}

}  // namespace
}  // namespace popquell::sim
