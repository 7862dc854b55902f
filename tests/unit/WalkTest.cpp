// The walk down the top-level windows on desktops far larger than the other
// tests use: every window is examined exactly once, whatever its handle.

#include <map>

#include "FormFixture.h"

namespace popquell::sim {
namespace {

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
    for (int i = 0; i < 3000; ++i)
        desk.create(i % 10 == 0 ? "Internet Explorer_Popup" : "Notepad",
                    i % 10 == 0 ? kPopupStyle : kFrameStyle);
    expectEachBelowTheTopExaminedOnce();
    EXPECT_EQ(form.totalClose, 300);
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

}  // namespace
}  // namespace popquell::sim
