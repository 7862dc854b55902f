// Form1's state at start-up, its menu bar and its timers.

#include "FormFixture.h"

namespace popquell::sim {
namespace {

using Captions = std::vector<std::string>;

class MonitorState : public FormFixture {};

TEST_F(MonitorState, StartsIdleWithOnlyTheEmptyTimeItemInTheMenuBar) {
    EXPECT_EQ(mainMenuCaptions(), Captions{""});
    EXPECT_EQ(desk.GetMenuItemCount(desk.GetMenu(mainWnd)), 1);
    EXPECT_FALSE(form.abmenu.Visible());
    EXPECT_FALSE(form.totalMenu.Visible());
    EXPECT_EQ(form.totalMenu.Caption(), "Total");
    EXPECT_EQ(form.abmenu.Caption(), "A&bout");
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_EQ(form.List1.ListCount(), 0);
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_FALSE(form.Timer3.Enabled());
    EXPECT_TRUE(timers.events.empty());
}

// Hidden items are out of the menu, and come back in their own place: the
// bar's item count is what tells a browser that still shows it.
TEST_F(MonitorState, HiddenItemsLeaveTheMenuAndReturnInTheirPlace) {
    form.totalMenu.SetVisible(true);
    EXPECT_EQ(mainMenuCaptions(), (Captions{"Total", ""}));
    form.abmenu.SetVisible(true);
    EXPECT_EQ(mainMenuCaptions(), (Captions{"A&bout", "Total", ""}));
    form.totalMenu.SetVisible(false);
    EXPECT_EQ(mainMenuCaptions(), (Captions{"A&bout", ""}));
    form.totalMenu.SetCaption("Ready:");  // a hidden item keeps its caption for later
    EXPECT_EQ(mainMenuCaptions(), (Captions{"A&bout", ""}));
    form.totalMenu.SetVisible(true);
    EXPECT_EQ(mainMenuCaptions(), (Captions{"A&bout", "Ready:", ""}));
}

TEST_F(MonitorState, ShowingAVisibleItemAgainChangesNothing) {
    form.totalMenu.SetVisible(true);
    form.totalMenu.SetVisible(true);
    EXPECT_EQ(desk.GetMenuItemCount(mainMenu()), 2);
}

TEST_F(MonitorState, TicksReachOnlyTheirOwnEnabledTimer) {
    const WindowHandle pop = popup();
    coverTop();
    form.onTimer(kIdTimer1);  // disabled: dropped
    EXPECT_EQ(form.totalClose, 0);
    form.Timer1.SetEnabled(true);
    form.onTimer(kIdTimer2);
    form.onTimer(kIdTimer3);
    EXPECT_EQ(form.totalClose, 0);
    form.onTimer(kIdTimer1);
    EXPECT_EQ(form.totalClose, 1);
    desk.pumpMessages();
    EXPECT_FALSE(desk.exists(pop));
}

TEST(TimerTest, SwitchesTheHostOnlyOnAChange) {
    FakeTimerHost host;
    int ticks = 0;
    Timer timer(host, 7, 250, [&] { ++ticks; });
    timer.SetEnabled(true);
    timer.SetEnabled(true);
    timer.SetEnabled(false);
    timer.SetEnabled(false);
    EXPECT_EQ(host.events, (std::vector<std::string>{"start 7 250", "stop 7"}));
    timer.fire();
    EXPECT_EQ(ticks, 0);
}

// A modal box inside a handler lets the same timer come due again; that
// tick must not run the handler inside itself.
TEST(TimerTest, NeverRunsAHandlerInsideItself) {
    FakeTimerHost host;
    int depth = 0, maxDepth = 0, ticks = 0;
    Timer* self = nullptr;
    Timer timer(host, 2, 500, [&] {
        ++ticks;
        maxDepth = std::max(maxDepth, ++depth);
        self->fire();
        --depth;
    });
    self = &timer;
    timer.SetEnabled(true);
    timer.fire();
    timer.fire();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(maxDepth, 1);
}

TEST(TimeCaption, FormatsTimeAndDateWithTheLocaleNames) {
    struct Case { LocalTime t; const char* expected; };
    const Case cases[] = {
        {{2026, 12, 6, 0, 9, 5, 3}, "09:05:03    Sunday Dec 6 2026"},
        {{2027, 1, 1, 5, 0, 0, 0}, "00:00:00    Friday Jan 1 2027"},
        {{2026, 5, 31, 0, 23, 59, 59}, "23:59:59    Sunday May 31 2026"},
    };
    FakeClock clock;
    for (const Case& c : cases) {
        clock.time = c.t;
        EXPECT_EQ(timeCaption(clock), c.expected);
    }
}

TEST(TimeCaption, UsesTheClocksNamesForDayAndMonth) {
    FakeClock clock;
    clock.weekdayNames[0] = "Sonntag";
    clock.monthNames[11] = "Dez";
    EXPECT_EQ(timeCaption(clock), "09:05:03    Sonntag Dez 6 2026");
}

}  // namespace
}  // namespace popquell::sim
