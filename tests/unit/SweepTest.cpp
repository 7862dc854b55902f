// The pop-up sweep, one row for each kind of window, and its walk down the
// top-level windows, which examines every window once whatever happens.

#include <map>
#include <set>

#include "FormFixture.h"

namespace popquell::sim {
namespace {

constexpr std::int32_t kWsBorder = 0x00800000;
constexpr int kNoBar = -1;

class Sweep : public FormFixture {
protected:
    // One tick, then every program handles what it was sent.
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

// A bar that goes between the two reads, or a window that goes before the close, is left alone.
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

// Two windows that swap places whenever the walk moves on would lead the chain round for ever.
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

// The calls made of a window after it was sent WM_CLOSE, other than hiding
// it: its handle may name another window by then.
std::vector<std::string> askedAfterClose(const SimulatedDesktop& desk) {
    std::set<WindowHandle> closed;
    std::vector<std::string> asked;
    for (const Op& op : desk.log) {
        if (op.name == "PostMessageA" && op.a == kWmClose) closed.insert(op.h);
        // A second close is the close action of the frame test.
        else if (closed.contains(op.h) && op.name != "ShowWindowAsync" && op.name != "GetMenuItemCount")
            asked.push_back(op.name + " " + std::to_string(op.h));
    }
    return asked;
}

class Walk : public FormFixture {
protected:
    std::map<WindowHandle, int> styleReadsOfOneTick() {
        desk.log.clear();
        form.Timer1_Timer();
        std::map<WindowHandle, int> reads;
        for (const Op& op : desk.log)
            if (op.name == "GetWindowLongA") ++reads[op.h];
        return reads;
    }

    void expectEachBelowTheTopExaminedOnce() {
        const std::map<WindowHandle, int> reads = styleReadsOfOneTick();
        const std::vector<WindowHandle> z = desk.zOrder();
        ASSERT_EQ(reads.size(), z.size() - 1);
        EXPECT_FALSE(reads.contains(z.front()));
        for (std::size_t i = 1; i < z.size(); ++i) EXPECT_EQ(reads.at(z[i]), 1) << "window " << z[i];
    }
};

// Handles that differ only in their high bits, as the window manager's reuse
// counters make them; the walk may only stop at the size of a desktop.
TEST_F(Walk, ThousandsOfWindowsAreEachExaminedOnce) {
    for (std::uint32_t i = 1; i <= 1500; ++i)
        for (const std::uint32_t h : {(i << 16) | 0x1234u, (i << 16) | 0x5678u, (i << 20) | 0x80001234u,
                                      (i << 20) | 0x80005678u})
            desk.createWithHandle(static_cast<WindowHandle>(h), i % 10 ? "Notepad" : "Popup",
                                  i % 10 ? kFrameStyle : kPopupStyle);
    coverTop();
    expectEachBelowTheTopExaminedOnce();
    EXPECT_EQ(form.totalClose, 600);
}

// Any one window vanishing at any one call, among pop-ups whose owners destroy
// them when asked to close; the same for the unload's walk, which takes our
// menu bar off every window that shows it.
TEST_F(Walk, AWindowVanishingAtAnyCallLeavesNoOtherWindowBehind) {
    struct Desk : SimulatedForm {
        std::vector<WindowHandle> pops, all;  // all: every window but the topmost
        WindowHandle top = 0;
        std::size_t at = 0;
        Desk(bool unload, std::size_t call, std::size_t victim) {
            all = {mainWnd, desk.create("IEFrame", kFrameStyle, desk.createMenu({"File"}))};
            for (int i = 0; i < 2; ++i) {
                pops.push_back(desk.create("Popup", kPopupStyle));
                desk.setClosesAtOnce(pops.back());
                all.push_back(pops.back());
                all.push_back(desk.create("Notepad", kFrameStyle));
            }
            top = desk.create("Shell_TrayWnd", kFrameStyle);
            desk.beforeCall = [this, call, gone = all[victim]](const Op&) {
                if (at++ == call) desk.destroy(gone);
            };
            int cancel = 0;
            if (!unload) {
                form.Timer1_Timer();
                return;
            }
            for (WindowHandle h : desk.zOrder())
                if (h != mainWnd) desk.attachMenu(h, desk.menuOf(mainWnd));
            form.Form_Unload(cancel);
        }
    };
    for (const bool unload : {false, true}) {
        const std::size_t calls = Desk(unload, SIZE_MAX, 0).desk.log.size();
        for (std::size_t call = 0; call < calls; ++call)
            for (std::size_t victim = unload ? 1 : 0; victim < 6; ++victim) {
                Desk d(unload, call, victim);
                const WindowHandle gone = d.all[victim];
                const std::string where =
                    "window " + std::to_string(gone) + " gone at call " + std::to_string(call) + "; window ";
                for (WindowHandle h : d.desk.zOrder())
                    EXPECT_TRUE(!unload || h == d.mainWnd || d.desk.menuOf(h) == 0) << where << h;
                if (unload) continue;
                for (WindowHandle h : d.all)
                    if (h != gone) {
                        EXPECT_EQ(d.desk.count("GetWindowLongA", h), 1) << where << h;
                    }
                EXPECT_EQ(d.desk.count("GetWindowLongA", d.top), 0) << where;
                for (WindowHandle pop : d.pops) EXPECT_FALSE(d.desk.exists(pop)) << where;
                EXPECT_EQ(askedAfterClose(d.desk), std::vector<std::string>{}) << where;
            }
    }
}

}  // namespace
}  // namespace popquell::sim
