// Form1's handlers where an example states the rule better than the random
// sessions can: which foreground window the watcher offers and what each
// answer does, the keeper's wind-down, the order in which the buttons switch
// the timers, the unload, and the timers and time caption themselves. The
// texts and flags of the boxes are checked where they reach the screen.

#include "FormFixture.h"
#include "res/resource.h"

namespace popquell::sim {
namespace {

using Events = std::vector<std::string>;

class Handlers : public FormFixture {
protected:
    // As the user: Select Window, the window to the front, the answer.
    void pick(WindowHandle h, int answer = kIdYes) {
        form.onCommand(IDC_COMMAND3);
        desk.setForeground(h);
        boxes.answers.push_back(answer);
        timers.events.clear();
        form.onTimer(kIdTimer2);
    }
    void keeperTick() {
        timers.events.clear();
        desk.log.clear();
        form.onTimer(kIdTimer3);
    }
};

TEST_F(Handlers, TheWatcherOffersOnlyAVisibleBrowserThatIsNotItsOwnWindow) {
    const WindowHandle own = browser();
    struct Row {
        const char* what;
        WindowHandle foreground;
    };
    for (const Row& row : {Row{"the main window", mainWnd}, Row{"another class", desk.create("Notepad", kFrameStyle)},
                           Row{"a hidden browser", desk.create("IEFrame", kOverlappedHidden)},
                           Row{"no window", 0}, Row{"its own window, of a browser's class", own}}) {
        if (row.foreground == own) window.handle = own;
        form.onCommand(IDC_COMMAND3);
        desk.setForeground(row.foreground);
        form.onTimer(kIdTimer2);
        EXPECT_TRUE(boxes.shown.empty()) << row.what;
        EXPECT_TRUE(form.Timer2.Enabled()) << row.what;
    }
}

// Every answer, and a window that has gone or is listed already.
TEST_F(Handlers, EachAnswerToTheQuestion) {
    struct Row {
        const char* what;
        int answer;
        bool closedMeanwhile;
        Events events;
        bool entered;
    };
    const Row rows[] = {
        {"Yes", kIdYes, false, {"start 3", "stop 2"}, true},
        {"No", kIdNo, false, {"stop 2"}, false},
        {"Cancel", 2, false, {}, false},
        {"Yes, but the window went meanwhile", kIdYes, true, {"stop 2"}, false},
    };
    for (const Row& row : rows) {
        SimulatedForm fresh;
        const MenuHandle own = fresh.desk.createMenu({"File"});
        const WindowHandle ie = fresh.desk.createWithHandle(-42, "IEFrame", kFrameStyle, own);
        fresh.form.onCommand(IDC_COMMAND3);
        fresh.desk.setForeground(ie);
        fresh.boxes.answers.push_back(row.answer);
        if (row.closedMeanwhile) fresh.boxes.whileOpen = [&] { fresh.desk.destroy(ie); };
        fresh.timers.events.clear();
        fresh.form.onTimer(kIdTimer2);
        ASSERT_EQ(fresh.boxes.shown.size(), 1u) << row.what;
        EXPECT_EQ(fresh.boxes.shown[0].prompt, kSelectQuestion) << row.what;
        EXPECT_EQ(fresh.timers.events, row.events) << row.what;
        EXPECT_EQ(fresh.form.totalMenu.Visible(), row.entered) << row.what;
        if (row.entered) {
            EXPECT_EQ(fresh.list.texts(), std::vector<std::string>{"-42"});
            EXPECT_EQ(fresh.list.data(), std::vector<std::int32_t>{-42});
            EXPECT_EQ(fresh.list.refreshes, 1);
            EXPECT_EQ(fresh.desk.menuOf(ie), fresh.desk.menuOf(fresh.mainWnd)) << "shows our bar";
        } else {
            EXPECT_EQ(fresh.list.ListCount(), 0) << row.what;
            if (!row.closedMeanwhile) {
                EXPECT_EQ(fresh.desk.menuOf(ie), own) << row.what;
            }
        }
    }
}

TEST_F(Handlers, AListedWindowIsRefusedWithTheWatcherOffFirst) {
    const WindowHandle first = browser(), second = browser();
    pick(first);
    pick(second);
    EXPECT_EQ(list.data(), (std::vector<std::int32_t>{first, second})) << "appended";
    boxes.shown.clear();
    Events whenShown;
    boxes.whileOpen = [&] { whenShown = timers.events; };
    pick(first);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].prompt, kAlreadySelected);
    EXPECT_EQ(whenShown, Events{"stop 2"});
    EXPECT_EQ(list.ListCount(), 2);
}

TEST_F(Handlers, TheKeeperWindsDownOnlyOnceEverySelectedWindowIsGone) {
    const WindowHandle a = browser(), b = browser(), c = browser();
    for (const WindowHandle h : {a, b, c}) pick(h);
    form.onCommand(IDC_COMMAND1);
    desk.destroy(a);
    desk.attachMenu(b, desk.createMenu({"File", "Edit", "View"}));
    keeperTick();
    EXPECT_TRUE(timers.events.empty());
    EXPECT_EQ(desk.menuOf(b), mainMenu()) << "a live window gets the bar back";
    keeperTick();
    EXPECT_EQ(desk.count("SetMenu"), 0) << "once it shows the bar, it is left alone";

    // One window goes between the two tests of its entry: neither gone nor
    // kept on that tick.
    desk.destroy(c);
    int tests = 0;
    desk.beforeCall = [&](const Op& op) {
        if (op.name == "IsWindow" && op.h == b && ++tests == 2) desk.destroy(b);
    };
    keeperTick();
    desk.beforeCall = nullptr;
    EXPECT_EQ(list.ListCount(), 3);
    form.totalClose = 7;
    keeperTick();
    EXPECT_EQ(timers.events, Events{"stop 1"});
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(form.totalClose, 7) << "reset on the next tick";
    form.Timer1.SetEnabled(true);  // forced on, so that the order of the two shows
    keeperTick();
    EXPECT_EQ(timers.events, (Events{"stop 1", "stop 3"}));
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_TRUE(desk.log.empty()) << "no window-system call on an empty list";
}

TEST_F(Handlers, TheKeeperTakesAReusedHandleForTheWindowStillThere) {
    const WindowHandle ie = browser();
    pick(ie);
    desk.destroy(ie);
    desk.createWithHandle(ie, "Notepad", kFrameStyle, desk.createMenu({"File"}));
    keeperTick();
    EXPECT_EQ(list.ListCount(), 1);
    EXPECT_EQ(desk.menuOf(ie), mainMenu());
}

TEST_F(Handlers, TheButtonsSwitchTheTimersInTheirOrder) {
    timers.events.clear();
    form.onCommand(IDC_COMMAND1);  // Start, nothing selected
    EXPECT_TRUE(timers.events.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].prompt, kPleaseSelect);
    EXPECT_EQ(window.minimized, 0);

    pick(browser());
    form.totalMenu.SetCaption("Total: 4");
    struct Row {
        int button;
        Events events;
    };
    for (const Row& row : {Row{IDC_COMMAND1, {"start 1"}}, Row{IDC_COMMAND3, {"start 2", "stop 1"}},
                           Row{IDC_COMMAND1, {"start 1"}}, Row{IDC_COMMAND4, {"stop 1"}}, Row{IDC_COMMAND4, {}}}) {
        timers.events.clear();
        form.onCommand(row.button);
        EXPECT_EQ(timers.events, row.events) << row.button;
    }
    EXPECT_EQ(form.totalMenu.Caption(), "Ready:");
    EXPECT_EQ(window.minimized, 2);
    EXPECT_EQ(boxes.shown.size(), 2u) << "the question only";
}

// The selected browsers go back in list order, without our bar and
// maximised; gone ones are skipped. Our bar dies with the main window, so
// the browsers that the sweep gave it to lose it too, but stay as they are.
TEST_F(Handlers, TheUnloadGivesTheBrowsersBack) {
    const WindowHandle a = browser(), b = browser(), c = browser();
    for (const WindowHandle h : {a, b, c}) pick(h);
    desk.destroy(b);
    const WindowHandle other = browser();
    const WindowHandle stranger = browser();
    const MenuHandle strangersOwn = desk.menuOf(stranger);
    desk.attachMenu(other, mainMenu());
    desk.raise(other);  // even the topmost window
    desk.log.clear();
    int cancel = 0;
    form.Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);
    Events calls;
    for (const Op& op : desk.log)
        if (op.name == "ShowWindow" || (op.name == "SetMenu" && op.h != other))
            calls.push_back(op.name + " " + std::to_string(op.h) + " " + std::to_string(op.a));
    const auto s = [](WindowHandle h) { return std::to_string(h); };
    EXPECT_EQ(calls, (Events{"SetMenu " + s(a) + " 0", "ShowWindow " + s(a) + " 3", "SetMenu " + s(c) + " 0",
                             "ShowWindow " + s(c) + " 3"}));
    EXPECT_TRUE(desk.maximized(a));
    EXPECT_EQ(desk.menuOf(other), 0);
    EXPECT_FALSE(desk.maximized(other));
    EXPECT_EQ(desk.menuOf(stranger), strangersOwn);
    EXPECT_NE(desk.menuOf(mainWnd), 0) << "the main window keeps its own bar";
}

// A modal box inside a handler lets the same timer come due again; that
// tick must not run the handler inside itself, nor a tick of a timer that
// is off.
TEST(TimerTest, RunsItsHandlerOnlyWhenOnAndNeverInsideItself) {
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
    timer.fire();
    timer.SetEnabled(true);
    timer.SetEnabled(true);
    timer.fire();
    timer.fire();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(host.events, Events{"start 2"});
}

TEST(TimeCaption, FormatsTimeAndDateWithTheClocksNames) {
    struct Case {
        LocalTime t;
        const char* expected;
    };
    FakeClock clock;
    for (const Case& c : {Case{{2026, 12, 6, 0, 9, 5, 3}, "09:05:03    Sunday Dec 6 2026"},
                          Case{{2027, 1, 1, 5, 0, 0, 0}, "00:00:00    Friday Jan 1 2027"},
                          Case{{2026, 5, 31, 0, 23, 59, 59}, "23:59:59    Sunday May 31 2026"}}) {
        clock.time = c.t;
        EXPECT_EQ(timeCaption(clock), c.expected);
    }
    clock.weekdayNames[0] = "Sonntag";
    clock.monthNames[11] = "Dez";
    clock.time = {2026, 12, 6, 0, 9, 5, 3};
    EXPECT_EQ(timeCaption(clock), "09:05:03    Sonntag Dez 6 2026");
}

}  // namespace
}  // namespace popquell::sim
