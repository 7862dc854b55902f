// The pop-up sweep, one row for each kind of window it acts on; the near misses,
// and windows going and coming at any call of a tick, are the model test's.

#include "tests/unit/FormFixture.h"

namespace popquell::sim {
namespace {

constexpr int kNoBar = -1;

using Sweep = FormFixture;

TEST_F(Sweep, ClosesExactlyTheWindowsOfEachKindThatItShould) {
    struct Row {
        const char* what;
        const char* cls;
        std::int32_t style;
        int menuItems;
        bool refusesClose;
        int closes;  // WM_CLOSE requests in three ticks
        bool getsOurBar;
    };
    const Row rows[] = {
        {"a pop-up", "Internet Explorer_TridentDlgFrame", kPopupStyle, kNoBar, false, 1, false},
        {"a pop-up that stays open, hidden after the first", "Popup", kPopupStyle, kNoBar, true, 1, false},
        {"an ordinary window", "Notepad", kFrameStyle, 2, false, 0, false},
        {"a browser without a menu bar", "IEFrame", kFrameStyle, kNoBar, false, 0, false},
        {"a browser with an empty menu bar", "IEFrame", kFrameStyle, 0, false, 1, false},
        {"an empty-bar browser that stays open, every tick", "IEFrame", kFrameStyle, 0, true, 3, false},
        {"a browser with a menu bar", "IEFrame", kFrameStyle, 3, false, 0, true},
        {"pop-up style and empty bar: twice", "IEFrame", kPopupStyle, 0, false, 2, false},
        {"pop-up style and a menu bar, hidden after the first", "IEFrame", kPopupStyle, 2, true, 1, true},
    };
    std::vector<WindowHandle> windows;
    for (const Row& row : rows) {
        // High handles with the sign bit set are windows like any other.
        windows.push_back(desk.create(row.cls, row.style, row.menuItems, -0x7FFE - 2 * std::ssize(windows)));
        desk.setRefusesClose(windows.back(), row.refusesClose);
    }
    coverTop();
    for (int t = 0; t < 3; ++t) {
        clock.time.second = t;
        form.Timer1.SetEnabled(true);
        form.onTimer(kIdTimer1);
        desk.pump();  // every program handles what it was sent
    }
    int total = 0;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(desk.count("PostMessageA", windows[i]), row.closes) << row.what;
        EXPECT_EQ(desk.exists(windows[i]), row.closes == 0 || row.refusesClose) << row.what;
        EXPECT_EQ(desk.menuOf(windows[i]) == mainMenu(), row.getsOurBar) << row.what;
        total += desk.count("ShowWindowAsync", windows[i]);
    }
    EXPECT_EQ(form.totalClose, total) << "each close is counted";
    EXPECT_EQ(form.totalMenu.Caption(), "Total: " + std::to_string(total));
    // The time of the last tick, in the names the clock gives.
    EXPECT_EQ(form.timemenu.Caption(), "09:05:02    Day0 Month12 6 2026");
}

// popquell.exe /instant: noted windows go through the sweep's rule on the short tick.
class InstantMode : public Sweep {
protected:
    InstantMode() {
        form.useInstant(events, stopwatch);
        list.AddItem("0");
        form.onCommand(IDC_COMMAND1);  // Start
    }
    // Ticks of the short timer while it runs, or of asked-for slices; how many.
    int ticks(int id, int most = 100) {
        int n = 0;
        for (; n < most && (id == kIdShortTimer ? timers.running(id) : !timers.soon.empty()); ++n) {
            if (id == kIdSweepSlice) timers.soon.erase(timers.soon.begin());
            form.onTimer(id);
        }
        return n;
    }
    FakeWindowEvents events;
    FakeStopwatch stopwatch;
};

TEST_F(InstantMode, TheHookIsSetExactlyWhileTheSweepRuns) {
    ASSERT_TRUE(events.noted);
    events.noted(popup());
    for (const int button : {IDC_COMMAND4, IDC_COMMAND3}) {  // Stop, Select Window
        form.onCommand(button);
        EXPECT_FALSE(events.noted) << button;
        EXPECT_FALSE(timers.running(kIdShortTimer)) << "nothing noted is examined once it has stopped";
        form.onCommand(IDC_COMMAND1);
        EXPECT_TRUE(events.noted) << button;
    }
    form.Timer3.SetEnabled(true);
    form.onTimer(kIdTimer3);  // the listed window is gone: the keeper stops the sweep
    EXPECT_FALSE(events.noted);
}

// Once each, however often noted; the topmost and the hidden ones on the
// next ticks, a few times at most; the gone ones never.
TEST_F(InstantMode, NotedWindowsGoThroughTheSweepsRuleOnTheShortTick) {
    const WindowHandle shown = popup(), late = desk.create("Popup", kPopupStyle & ~kWsVisible),
                       never = desk.create("Popup", kPopupStyle & ~kWsVisible), gone = popup(),
                       frame = browser(), top = popup();
    for (const WindowHandle h : {shown, late, never, gone, frame, top, shown, late}) events.noted(h);
    desk.destroy(gone);
    form.onTimer(kIdShortTimer);
    EXPECT_EQ(desk.count("PostMessageA"), 1);
    EXPECT_EQ(desk.menuOf(frame), mainMenu());
    desk.setStyle(late, kPopupStyle);
    coverTop();
    EXPECT_EQ(ticks(kIdShortTimer), popquell::Instant::kLooks - 1);
    for (const WindowHandle h : {shown, late, top}) EXPECT_EQ(desk.count("PostMessageA", h), 1) << h;
    for (const WindowHandle h : {never, gone}) EXPECT_EQ(desk.count("GetWindowLongA", h), 0) << h;
    EXPECT_EQ(form.totalMenu.Caption(), "Total: 3");
}

// A storm of windows must not starve the GUI thread: each short tick and slice
// of the walk stops at its budget; a window noted mid-walk goes when due.
TEST_F(InstantMode, TicksAndTheWalksSlicesStopAtTheirBudgetAndNotedWindowsGoBetween) {
    std::vector<WindowHandle> popups(18);
    for (WindowHandle& h : popups) h = popup();
    coverTop();
    desk.beforeCall = [&](const Op& op) {
        if (op.name == "GetWindowLongA") stopwatch.now += popquell::Instant::kBudgetUs / 4;
    };
    for (int i = 12; i < 18; ++i) events.noted(popups[i]);
    ASSERT_EQ(ticks(kIdShortTimer, 1), 1);
    EXPECT_EQ(desk.count("PostMessageA"), 4);
    ASSERT_EQ(ticks(kIdShortTimer), 1);
    desk.pump();  // the six noted ones close
    form.onTimer(kIdTimer1);
    ASSERT_EQ(desk.count("PostMessageA"), 10);
    const WindowHandle late = popup();
    events.noted(late);
    coverTop();
    stopwatch.now += popquell::Instant::kIntervalMs * 1000;
    form.onTimer(kIdTimer1);  // due again before the walk has ended
    ASSERT_EQ(ticks(kIdSweepSlice, 1), 1);
    EXPECT_EQ(desk.count("PostMessageA", late), 1);
    EXPECT_EQ(desk.count("PostMessageA"), 15);
    EXPECT_EQ(ticks(kIdSweepSlice), 5) << "the walk's end, and a whole walk more";
    form.onTimer(kIdTimer1);
    form.onCommand(IDC_COMMAND4);  // Stop
    EXPECT_EQ(ticks(kIdSweepSlice), 1);
    EXPECT_EQ(desk.count("EnumWindows"), 3);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(desk.count("GetWindowLongA", popups[i]), i < 10 ? 2 : 3) << i;
}

}  // namespace
}  // namespace popquell::sim
