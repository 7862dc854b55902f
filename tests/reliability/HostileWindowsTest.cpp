// Popquell among windows that fight back. They belong to other threads of the
// test, as Wine keeps menus per process and the program reads menu bars.

#include <algorithm>
#include <deque>
#include <vector>

#include "tests/wine/GuiTestSupport.h"

namespace popquell::wine {
namespace {

constexpr DWORD kPopupBits = 0x96C80000u;
constexpr DWORD kBrowserStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

class Hostile : public MainWindowTest {
protected:
    void TearDown() override { EXPECT_TRUE(ws.drain(kDeadline)); }  // the calls a hung window held up

    WindowClass ieFrame{L"IEFrame"};
    WindowClass popup{L"PopquellHostilePopup"};  // the taskbar's class too
    // Declared last, so they end first: their windows go before the main one.
    BrowserThread cover;
    BrowserThread browsers;
};

// Forty browser threads hang for good: one with the picked frame listed
// first, each with a frame the sweep serves, one with a pop-up.
TEST_F(Hostile, FortyHungBrowserThreadsHoldUpNeitherTheProgramNorTheBrowserThatAnswers) {
    // The sweep starts below the topmost window: this one, as the taskbar would be.
    ASSERT_TRUE(cover.create(popup.name(), WS_POPUP | WS_VISIBLE, -1, WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    std::deque<BrowserThread> hungThreads(40);
    std::vector<HWND> hungFrames;
    for (BrowserThread& t : hungThreads) hungFrames.push_back(t.create(ieFrame.name(), kBrowserStyle, 3));
    const HWND hungPopup = hungThreads.back().create(popup.name(), kPopupBits);
    const HWND goodFrame = browsers.create(ieFrame.name(), kBrowserStyle, 3);
    ASSERT_TRUE(goodFrame && hungPopup);
    ASSERT_TRUE(pick(hungThreads.front(), hungFrames.front()));
    ASSERT_TRUE(pick(browsers, goodFrame));
    const HMENU ours = window.menuForTesting();
    ASSERT_TRUE(pump([&] { return GetMenu(goodFrame) == ours; }));
    for (BrowserThread& t : hungThreads) ASSERT_TRUE(t.hang());
    const int threadsBefore = threadsOfThisProcess();
    click(IDC_COMMAND1);  // Start: every tick asks each frame to show our bar
    ticks.clear();

    // The browser shows a bar of its own again and again; the next tick puts ours back.
    for (int round = 0; round < 6; ++round) {
        EXPECT_TRUE(browsers.run([goodFrame] {
            const HMENU own = CreateMenu();
            AppendMenuW(own, MF_STRING, 300, L"Own");
            SetMenu(goodFrame, own);
        }));
        const auto since = SteadyClock::now();
        EXPECT_TRUE(pump([&] { return GetMenu(goodFrame) == ours; }, 3s)) << "round " << round;
        const auto seenAt = SteadyClock::now();
        // Asked for by the first tick of the sweep or the keeper since.
        auto asked = SteadyClock::time_point::max();
        for (const int id : {kIdTimer1, kIdTimer3})
            for (const auto t : ticks[id]) asked = std::min(asked, t >= since ? t : asked);
        ASSERT_NE(asked, SteadyClock::time_point::max()) << "no tick since, round " << round;
        EXPECT_LT(Ms(seenAt - asked).count(), 200.0) << "served late, round " << round;
    }
    pump([&] { return ticks[kIdTimer1].size() >= 2; });
    // Nothing held the main window's thread: its keeper ticked on time.
    const auto& keeper = ticks[kIdTimer3];
    for (std::size_t i = 1; i < keeper.size(); ++i) EXPECT_LT(Ms(keeper[i] - keeper[i - 1]).count(), 700.0);
    EXPECT_TRUE(ticks[kIdTimer1].size() >= 2 && keeper.size() >= 4) << "the sweep's and keeper's ticks";
    EXPECT_GE(form.totalClose, 1) << "the hung pop-up is counted even though it cannot go";
    EXPECT_LE(threadsOfThisProcess() - threadsBefore, 16) << "workers beyond the bound, idle or not";

    const auto start = SteadyClock::now();
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    ws.drain(2000ms);  // as the program does after its message loop
    EXPECT_LT(Ms(SteadyClock::now() - start).count(), 2500.0);
    EXPECT_EQ(GetMenu(goodFrame), nullptr);
    EXPECT_TRUE(IsZoomed(goodFrame)) << "given back, though a hung browser is listed first";
    DWORD_PTR result = 0;
    EXPECT_FALSE(SendMessageTimeoutW(hungFrames.front(), WM_NULL, 0, 0, SMTO_NORMAL, 100, &result))
        << "it hung all along";
}

}  // namespace
}  // namespace popquell::wine
