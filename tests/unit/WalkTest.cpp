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

// More than a few thousand windows, with handles that differ only in their
// high bits, with and without the sign bit, as the window manager's reuse
// counters produce them: the walk may only stop at the size of a desktop.
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

// Any one window vanishing at any one call of a tick, among pop-ups whose
// owners destroy them when asked to close: every other window below the
// topmost is examined exactly once, every pop-up is closed, and nothing is
// asked of a window after its WM_CLOSE. The same for the unload's walk,
// which takes our menu bar off every window that shows it.
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
