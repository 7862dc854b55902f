// The walk down the top-level windows: on desktops far larger than the other
// tests use, and on desktops whose windows vanish under it, every window is
// examined exactly once, whatever its handle.

#include <map>
#include <set>

#include "FormFixture.h"

namespace popquell::sim {
namespace {

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
    // How often each window's style was read in one sweep tick: once per
    // examined window.
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

TEST_F(Walk, ThousandsOfWindowsAreEachExaminedOnce) {
    // More than a few thousand: the walk may only stop at the size of a desktop.
    for (int i = 0; i < 6000; ++i)
        desk.create(i % 10 == 0 ? "Internet Explorer_Popup" : "Notepad",
                    i % 10 == 0 ? kPopupStyle : kFrameStyle);
    expectEachBelowTheTopExaminedOnce();
    EXPECT_EQ(form.totalClose, 600);
}

// Handles that differ only in their high bits, with and without the sign
// bit, as the window manager's reuse counters produce them.
TEST_F(Walk, HandlesDifferingOnlyInTheirHighBitsAreDistinctWindows) {
    for (std::uint32_t i = 1; i <= 1500; ++i) {
        desk.createWithHandle(static_cast<WindowHandle>((i << 16) | 0x1234u), "Notepad", kFrameStyle);
        desk.createWithHandle(static_cast<WindowHandle>((i << 20) | 0x80000000u | 0x1234u), "Popup",
                              kPopupStyle);
    }
    expectEachBelowTheTopExaminedOnce();
}

// Windows that keep moving below the bottom lead the chain back to windows
// already examined, long after the first hundreds: none is examined again.
TEST_F(Walk, WindowsMovedBelowTheBottomAreNotExaminedAgain) {
    for (int i = 0; i < 300; ++i) desk.create("Notepad", kFrameStyle);
    int moves = 0;
    desk.beforeCall = [&](const Op& op) {
        if (op.name == "GetWindow" && op.a == kGwHwndNext && op.h == desk.zOrder().back() && moves < 2000) {
            ++moves;
            desk.lower(desk.zOrder()[1]);
        }
    };
    expectEachBelowTheTopExaminedOnce();
    EXPECT_EQ(moves, 2000);
}

// A burst of pop-ups stacked in Z order whose owners destroy each the moment
// it is asked to close, and with it a hidden helper window just below it (as
// Wine destroys a thread's IME window with the thread's last window): the
// chain breaks under the walk at every pop-up, and it still closes them all
// in one tick and examines every other window once.
TEST_F(Walk, BurstOfPopupsDestroyedTheMomentTheyAreAskedToCloseIsClosedInOneTick) {
    const WindowHandle bottom = browser();
    for (int i = 0; i < 3; ++i) desk.create("Notepad", kFrameStyle);
    std::map<WindowHandle, WindowHandle> helperOf;
    for (int i = 0; i < 5; ++i) {
        const WindowHandle helper = desk.create("IME", kOverlappedHidden);
        const WindowHandle pop = popup();
        desk.setClosesAtOnce(pop);
        helperOf[pop] = helper;
    }
    for (int i = 0; i < 3; ++i) desk.create("Notepad", kFrameStyle);
    coverTop();
    desk.beforeCall = [&](const Op&) {
        for (const auto& [pop, helper] : helperOf)
            if (!desk.exists(pop)) desk.destroy(helper);
    };
    const std::vector<WindowHandle> before = desk.zOrder();

    const std::map<WindowHandle, int> reads = styleReadsOfOneTick();
    EXPECT_EQ(form.totalClose, 5);
    for (const auto& [pop, helper] : helperOf) EXPECT_FALSE(desk.exists(pop));
    for (std::size_t i = 1; i < before.size(); ++i)
        if (!helperOf.contains(before[i]) && desk.exists(before[i])) {
            EXPECT_EQ(reads.contains(before[i]) ? reads.at(before[i]) : 0, 1) << "window " << before[i];
        }
    EXPECT_EQ(desk.menuOf(bottom), mainMenu()) << "the bottom window is reached";
    EXPECT_EQ(askedAfterClose(desk), std::vector<std::string>{});
}

// Any one window vanishing at any one call of a tick, among pop-ups whose
// owners destroy them when asked to close: every other window below the
// topmost is examined exactly once, every pop-up is closed, and nothing is
// asked of a window after its WM_CLOSE. The same for the unload's walk,
// which takes our menu bar off every window that shows it.
TEST_F(Walk, AWindowVanishingAtAnyCallLeavesNoOtherWindowBehind) {
    struct Desk : SimulatedForm {
        std::vector<WindowHandle> pops, all;  // all: every window but the topmost
        WindowHandle top = 0;
        Desk() {
            all = {mainWnd, desk.create("IEFrame", kFrameStyle, desk.createMenu({"File"}))};
            for (int i = 0; i < 2; ++i) {
                pops.push_back(desk.create("Popup", kPopupStyle));
                desk.setClosesAtOnce(pops.back());
                all.push_back(pops.back());
                all.push_back(desk.create("Notepad", kFrameStyle));
            }
            top = desk.create("Shell_TrayWnd", kFrameStyle);
        }
        // Runs what, with victim destroyed just before the call-th call.
        void interfere(std::size_t call, WindowHandle victim, const std::function<void()>& what) {
            std::size_t at = 0;
            desk.beforeCall = [&, call, victim](const Op&) {
                if (at++ == call) desk.destroy(victim);
            };
            what();
            desk.beforeCall = nullptr;
        }
    };

    for (std::size_t call = 0;; ++call) {
        const std::size_t calls = [] { Desk d; d.form.Timer1_Timer(); return d.desk.log.size(); }();
        if (call >= calls) break;
        for (std::size_t victim = 0; victim < Desk().all.size(); ++victim) {
            Desk d;
            const WindowHandle gone = d.all[victim];
            d.interfere(call, gone, [&] { d.form.Timer1_Timer(); });
            const std::string where = "window " + std::to_string(gone) + " gone at call " + std::to_string(call);
            for (WindowHandle h : d.all)
                if (h != gone) {
                    EXPECT_EQ(d.desk.count("GetWindowLongA", h), 1) << where << "; window " << h;
                }
            EXPECT_EQ(d.desk.count("GetWindowLongA", d.top), 0) << where;
            for (WindowHandle pop : d.pops) EXPECT_FALSE(d.desk.exists(pop)) << where;
            EXPECT_EQ(askedAfterClose(d.desk), std::vector<std::string>{}) << where;
        }
    }

    int cancel = 0;
    const auto unload = [&cancel](Desk& d) {
        for (WindowHandle h : d.desk.zOrder())
            if (h != d.mainWnd) d.desk.attachMenu(h, d.desk.menuOf(d.mainWnd));
        d.form.Form_Unload(cancel);
    };
    for (std::size_t call = 0;; ++call) {
        const std::size_t calls = [&] { Desk d; unload(d); return d.desk.log.size(); }();
        if (call >= calls) break;
        for (std::size_t victim = 1; victim < Desk().all.size(); ++victim) {
            Desk d;
            const WindowHandle gone = d.all[victim];
            d.interfere(call, gone, [&] { unload(d); });
            for (WindowHandle h : d.desk.zOrder())
                if (h != d.mainWnd) {
                    EXPECT_EQ(d.desk.menuOf(h), 0) << "window " << gone << " gone at call " << call << "; window " << h;
                }
        }
    }
}

// A closed window that stays (its owner is slow) while the two windows below
// it go: nothing but asking the closed window leads further down, so the
// walk ends there, soon, and the windows below wait for the next tick.
TEST_F(Walk, ClosedWindowStillThereAboveGoneOnesIsAsFarAsTheWalkGoes) {
    const WindowHandle below = popup();
    const WindowHandle helpers[] = {desk.create("IME", kOverlappedHidden), desk.create("IME", kOverlappedHidden)};
    const WindowHandle pop = popup();
    coverTop();
    desk.beforeCall = [&](const Op& op) {
        if (op.name == "ShowWindowAsync" && op.h == pop)
            for (WindowHandle helper : helpers) desk.destroy(helper);
    };
    desk.log.clear();
    form.Timer1_Timer();
    EXPECT_EQ(form.totalClose, 1);
    EXPECT_EQ(desk.count("GetWindowLongA", below), 0);
    EXPECT_LT(desk.count("GetWindow"), 20);
    EXPECT_EQ(askedAfterClose(desk), std::vector<std::string>{});

    desk.beforeCall = nullptr;
    desk.pumpMessages();
    form.Timer1_Timer();
    EXPECT_EQ(form.totalClose, 2);
}

}  // namespace
}  // namespace popquell::sim
