// The selection keeper: the menu bar kept on the selected windows, and the
// two-tick wind-down once all of them are gone.

#include "FormFixture.h"

namespace popquell::sim {
namespace {

class Keeper : public FormFixture {
protected:
    // Selects the windows through the watcher, as the user does.
    void select(std::initializer_list<WindowHandle> windows) {
        for (WindowHandle h : windows) {
            form.Command3_Click();
            desk.setForeground(h);
            boxes.answers.push_back(kIdYes);
            form.onTimer(kIdTimer2);
        }
        ASSERT_TRUE(form.Timer3.Enabled());
    }
    void tick() { form.onTimer(kIdTimer3); }
};

TEST_F(Keeper, EmptyListResetsTheCounterAndStopsSweepAndKeeper) {
    form.Timer1.SetEnabled(true);
    form.Timer3.SetEnabled(true);
    form.totalClose = 5;
    timers.events.clear();
    desk.log.clear();
    tick();
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_EQ(timers.events, (std::vector<std::string>{"stop 1", "stop 3"}));
    EXPECT_TRUE(desk.log.empty()) << "no window-system call";
}

TEST_F(Keeper, LiveWindowWithTheMainMenuBarIsLeftAlone) {
    const WindowHandle ie = browser();
    select({ie});
    desk.log.clear();
    tick();
    EXPECT_EQ(desk.count("SetMenu"), 0);
    EXPECT_EQ(desk.count("IsWindow", ie), 2);
}

TEST_F(Keeper, PutsTheMenuBarBackOnWindowsThatLostIt) {
    const WindowHandle ownMenu = browser();
    const WindowHandle noMenu = browser();
    select({ownMenu, noMenu});
    desk.attachMenu(ownMenu, desk.createMenu({"File", "Edit", "View"}));
    desk.attachMenu(noMenu, 0);
    tick();
    EXPECT_EQ(desk.menuOf(ownMenu), mainMenu());
    EXPECT_EQ(desk.menuOf(noMenu), mainMenu());
}

TEST_F(Keeper, SomeWindowsGoneIsNoWindDown) {
    const WindowHandle a = browser(), b = browser(), c = browser();
    select({a, b, c});
    form.Timer1.SetEnabled(true);
    desk.destroy(a);
    desk.destroy(c);
    desk.attachMenu(b, 0);
    timers.events.clear();
    tick();
    EXPECT_TRUE(timers.events.empty());
    EXPECT_EQ(list.data(), (std::vector<std::int32_t>{a, b, c}));
    EXPECT_EQ(desk.menuOf(b), mainMenu());
}

TEST_F(Keeper, WindsDownOverTwoTicksOnceEverySelectedWindowIsGone) {
    const WindowHandle a = browser(), b = browser(), c = browser();
    select({a, b, c});
    form.Command1_Click();
    form.totalClose = 7;
    form.totalMenu.SetCaption("Total: 7");
    for (WindowHandle h : {a, b, c}) desk.destroy(h);
    timers.events.clear();

    tick();
    EXPECT_EQ(timers.events, std::vector<std::string>{"stop 1"});
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(form.totalClose, 7) << "the counter waits for the next tick";
    EXPECT_TRUE(form.Timer3.Enabled());

    tick();
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_FALSE(form.Timer3.Enabled());
    EXPECT_EQ(form.totalMenu.Caption(), "Total: 7");
    EXPECT_TRUE(form.totalMenu.Visible());
}

// The gone entries are recounted on every tick, so windows that close on
// different ticks wind down as if they had closed together.
TEST_F(Keeper, WindowsClosingOnDifferentTicksWindDownWhenTheLastGoes) {
    const WindowHandle a = browser(), b = browser();
    select({a, b});
    desk.destroy(a);
    tick();
    tick();
    EXPECT_EQ(list.ListCount(), 2);
    desk.destroy(b);
    tick();
    EXPECT_EQ(list.ListCount(), 0);
}

TEST_F(Keeper, WindowGoingBetweenItsTwoTestsIsNeitherGoneNorKept) {
    const WindowHandle ie = browser();
    select({ie});
    desk.attachMenu(ie, 0);
    int tests = 0;
    desk.beforeCall = [&](const Op& op) {
        if (op.name == "IsWindow" && op.h == ie && ++tests == 2) desk.destroy(ie);
    };
    tick();
    EXPECT_EQ(list.ListCount(), 1) << "not counted as gone on this tick";
    EXPECT_EQ(desk.count("SetMenu", ie), 1) << "only the selection's own SetMenu";
    desk.beforeCall = nullptr;
    tick();
    EXPECT_EQ(list.ListCount(), 0);
}

TEST_F(Keeper, ReusedHandleCountsAsAWindowStillThere) {
    const WindowHandle ie = browser();
    select({ie});
    desk.destroy(ie);
    desk.createWithHandle(ie, "Notepad", kFrameStyle, desk.createMenu({"File"}));
    tick();
    EXPECT_EQ(list.ListCount(), 1);
    EXPECT_EQ(desk.menuOf(ie), mainMenu());
}

TEST_F(Keeper, PickBetweenEmptyingAndTheNextTickKeepsTheKeeperOn) {
    const WindowHandle old = browser();
    select({old});
    form.totalClose = 3;
    desk.destroy(old);
    tick();
    ASSERT_EQ(list.ListCount(), 0);
    const WindowHandle fresh = browser();
    select({fresh});
    tick();
    EXPECT_EQ(form.totalClose, 3);
    EXPECT_TRUE(form.Timer3.Enabled());
    EXPECT_EQ(list.data(), std::vector<std::int32_t>{fresh});
}

}  // namespace
}  // namespace popquell::sim
