// The pop-up sweep: what one Timer1 tick closes, counts and leaves alone, one
// row for each kind of window.

#include "FormFixture.h"

namespace popquell::sim {
namespace {

constexpr std::int32_t kWsBorder = 0x00800000;
constexpr int kNoBar = -1;

class Sweep : public FormFixture {
protected:
    // One tick, as the timer brings it, then every program handles the hides
    // and closes it was sent.
    void tick() {
        form.Timer1.SetEnabled(true);
        form.onTimer(kIdTimer1);
        desk.pumpMessages();
    }
};

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
        {"one more style bit", "Popup", kPopupStyle | 0x1, kNoBar, false, 0, false},
        {"no WS_CLIPCHILDREN", "Popup", kPopupStyle & ~kWsClipChildren, kNoBar, false, 0, false},
        {"half of WS_CAPTION", "Popup", kPopupStyle & ~kWsBorder, kNoBar, false, 0, false},
        {"a hidden pop-up", "Popup", kPopupStyle & ~kWsVisible, kNoBar, false, 0, false},
        {"a pop-up that stays open, hidden after the first", "Popup", kPopupStyle, kNoBar, true, 1, false},
        {"an ordinary window", "Notepad", kFrameStyle, 2, false, 0, false},
        {"a browser without a menu bar", "IEFrame", kFrameStyle, kNoBar, false, 0, false},
        {"a browser with an empty menu bar", "IEFrame", kFrameStyle, 0, false, 1, false},
        {"an empty-bar browser that stays open, every tick", "IEFrame", kFrameStyle, 0, true, 3, false},
        {"a browser with a menu bar", "IEFrame", kFrameStyle, 3, false, 0, true},
        {"another case, empty bar", "ieframe", kFrameStyle, 0, false, 0, false},
        {"a longer class, empty bar", "IEFrameX", kFrameStyle, 0, false, 0, false},
        {"pop-up style and empty bar: twice", "IEFrame", kPopupStyle, 0, false, 2, false},
        {"pop-up style and a menu bar, hidden after the first", "IEFrame", kPopupStyle, 2, true, 1, true},
    };
    std::vector<WindowHandle> windows;
    for (const Row& row : rows) {
        const MenuHandle bar =
            row.menuItems < 0 ? 0 : desk.createMenu(std::vector<std::string>(std::size_t(row.menuItems), "Item"));
        // High handles with the sign bit set are windows like any other.
        windows.push_back(desk.createWithHandle(-0x7FFE - 2 * std::ssize(windows), row.cls, row.style, bar));
        desk.setRefusesClose(windows.back(), row.refusesClose);
    }
    coverTop();
    clock.weekdayNames[0] = "Sonntag";
    clock.monthNames[11] = "Dez";
    for (int t = 0; t < 3; ++t) {
        clock.time.second = t;
        tick();
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
    EXPECT_EQ(form.timemenu.Caption(), "09:05:02    Sonntag Dez 6 2026");
}

// An empty bar is closed only when the count reads 0 twice and the window
// is still there: a bar that goes between the reads, or a window that goes
// before the close, is left alone.
TEST_F(Sweep, AnEmptyBarIsReadTwiceAndTheWindowAskedForBeforeTheClose) {
    for (const char* change : {"GetMenu", "IsWindow"}) {
        SimulatedForm fresh;
        const WindowHandle frame = fresh.desk.create("IEFrame", kFrameStyle, fresh.desk.createMenu());
        fresh.desk.create("Shell_TrayWnd", kFrameStyle);
        int reads = 0;
        fresh.desk.beforeCall = [&](const Op& op) {
            if (op.name == "GetMenu" && op.h == frame && ++reads == 2 && change == std::string("GetMenu"))
                fresh.desk.attachMenu(frame, 0);
            if (op.name == "IsWindow" && op.h == frame && change == std::string("IsWindow")) fresh.desk.destroy(frame);
        };
        fresh.form.Timer1_Timer();
        EXPECT_EQ(fresh.desk.count("PostMessageA"), 0) << change;
        EXPECT_EQ(fresh.form.totalClose, 0) << change;
    }
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

}  // namespace
}  // namespace popquell::sim
