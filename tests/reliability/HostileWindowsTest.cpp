// Popquell among windows that fight back. They belong to other threads of the
// test, as Wine keeps menus per process and the program reads menu bars.

#include <algorithm>
#include <atomic>
#include <deque>
#include <random>
#include <thread>
#include <vector>

#include "tests/wine/GuiTestSupport.h"

namespace popquell::wine {
namespace {

constexpr DWORD kPopupBits = 0x96C80000u;
constexpr DWORD kBrowserStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

// What a storm window went through: WM_CLOSE received, hidden by someone else.
// Seen on its thread, read once that has ended; the window points to it from GWLP_USERDATA.
struct Behaviour { int closes = 0, hides = 0; bool destroying = false, alive = true; };

LRESULT CALLBACK hostileProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
    if (auto* b = reinterpret_cast<Behaviour*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
        b->closes += msg == WM_CLOSE;
        b->hides += msg == WM_SHOWWINDOW && wParam == FALSE && !b->destroying;
        if (msg == WM_NCDESTROY) b->alive = false;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class Hostile : public MainWindowTest {
protected:
    // The sweep starts below the topmost window: this one, as the taskbar would be.
    void SetUp() override {
        ASSERT_NE(cover.create(taskbar.name(), WS_POPUP | WS_VISIBLE, -1, WS_EX_TOPMOST | WS_EX_TOOLWINDOW), nullptr);
    }
    void TearDown() override { EXPECT_TRUE(ws.drain(kDeadline)); }  // the calls a hung window held up

    WindowClass ieFrame{L"IEFrame", hostileProc};
    WindowClass popup{L"PopquellHostilePopup", hostileProc};
    WindowClass taskbar{L"PopquellHostileTaskbar"};
    // Declared last, so they end first: their windows go before the main one.
    BrowserThread cover;
    BrowserThread browsers;
};

// Forty browser threads hang for good: one with the picked frame listed
// first, each with a frame the sweep serves, one with a pop-up.
TEST_F(Hostile, FortyHungBrowserThreadsHoldUpNeitherTheProgramNorTheBrowserThatAnswers) {
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
    TimerTicks ticks(window.hwnd());
    const int threadsBefore = threadsOfThisProcess();
    click(IDC_COMMAND1);  // Start: every tick asks each frame to show our bar

    // Another program asks the main window something, now and then.
    double slowestAnswer = 0;  // ms, read once the prober has ended
    auto prober = std::async(std::launch::async, [&, main = window.hwnd()] {
        for (int i = 0; i < 6; ++i, Sleep(300)) {
            const auto start = SteadyClock::now();
            DWORD_PTR result = 0;
            const bool answered = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
            slowestAnswer = std::max(slowestAnswer, answered ? Ms(SteadyClock::now() - start).count() : 1e9);
        }
    });
    // The browser shows a bar of its own again and again; the next tick puts ours back.
    std::vector<double> latencies;
    int mostThreads = threadsBefore;
    for (int round = 0; round < 6; ++round) {
        EXPECT_TRUE(browsers.run([goodFrame] {
            const HMENU own = CreateMenu();
            AppendMenuW(own, MF_STRING, 300, L"Own");
            SetMenu(goodFrame, own);
        }));
        // Seen by a looker of its own, which the main window's work does not delay.
        const auto since = SteadyClock::now();
        auto seen = std::async(std::launch::async, [&] {
            for (; GetMenu(goodFrame) != ours && SteadyClock::now() < since + 3s; Sleep(1))
                mostThreads = std::max(mostThreads, threadsOfThisProcess());
            return SteadyClock::now();
        });
        pump([&] { return seen.wait_for(0s) == std::future_status::ready; });
        const auto seenAt = seen.get();
        EXPECT_EQ(GetMenu(goodFrame), ours) << "round " << round;
        // Asked for by the first tick of the sweep or the keeper since.
        auto asked = SteadyClock::time_point::max();
        for (const int id : {kIdTimer1, kIdTimer3})
            for (const auto t : ticks[id]) asked = std::min(asked, t >= since ? t : asked);
        if (asked != SteadyClock::time_point::max()) latencies.push_back(Ms(seenAt - asked).count());
    }
    pump([&] { return prober.wait_for(0s) == std::future_status::ready && ticks[kIdTimer1].size() >= 2; });
    prober.get();
    EXPECT_EQ(latencies.size(), 6u);
    for (const double ms : latencies) EXPECT_LT(ms, 200.0) << "served late";
    EXPECT_LT(slowestAnswer, 200.0);
    EXPECT_TRUE(ticks[kIdTimer1].size() >= 2 && ticks[kIdTimer3].size() >= 4) << "the sweep's and keeper's ticks";
    EXPECT_GE(form.totalClose, 1) << "the hung pop-up is counted even though it cannot go";
    // The prober and the looker are the test's own.
    EXPECT_LE(mostThreads - threadsBefore - 2, 16) << "workers beyond the bound";

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

// Another thread makes and destroys windows as fast as it can, pop-ups and
// near misses, while the sweep ticks back to back.
TEST_F(Hostile, AStormOfWindowsClosesNothingButPopups) {
    struct Kind { const wchar_t* cls; DWORD style; int menuItems; };  // menuItems -1: no menu bar
    const wchar_t *p = popup.name(), *ie = ieFrame.name();
    const Kind kinds[] = {  // pop-ups and look-alikes; frames without a bar, with an empty one, with items
        {p, kPopupBits, -1}, {p, kPopupBits, -1}, {p, kPopupBits & ~WS_VISIBLE, -1}, {p, kPopupBits & ~WS_SYSMENU, -1},
        {p, kPopupBits | WS_THICKFRAME, -1}, {p, kPopupBits & ~WS_POPUP, -1}, {ie, kBrowserStyle, -1},
        {ie, kBrowserStyle, 0}, {ie, kBrowserStyle, 2}};
    struct Made { Behaviour b; HWND hwnd = nullptr; HMENU menu = nullptr; DWORD style = 0; bool closable = false; };
    constexpr std::size_t kCount = 500;
    std::deque<Made> made;  // stable addresses: the windows point into it
    std::atomic<bool> finished{false};
    std::thread storm([&] {
        std::mt19937 random(7);
        std::vector<std::pair<SteadyClock::time_point, Made*>> live;
        const auto end = SteadyClock::now() + 20s;
        for (auto now = end - 20s; (made.size() < kCount && now < end) || !live.empty(); now = SteadyClock::now()) {
            if (made.size() < kCount && now < end) {
                const Kind& k = kinds[random() % std::size(kinds)];
                Made& m = made.emplace_back();
                if (k.menuItems >= 0) m.menu = CreateMenu();
                for (int i = 0; i < k.menuItems; ++i) AppendMenuW(m.menu, MF_STRING, 300u + i, L"Item");
                const int n = static_cast<int>(made.size());
                m.hwnd = CreateWindowExW(0, k.cls, L"storm", k.style, 20 + (n * 13) % 600, 40 + (n * 7) % 500, 160,
                                         100, nullptr, m.menu, GetModuleHandleW(nullptr), &m.b);
                m.style = static_cast<DWORD>(GetWindowLongW(m.hwnd, GWL_STYLE));
                m.closable = m.style == kPopupBits || (k.cls == ie && k.menuItems == 0);
                live.emplace_back(now + std::chrono::milliseconds(random() % 300), &m);
            }
            for (auto it = live.begin(); it != live.end();) {
                if (it->first > now && now < end) {
                    ++it;
                    continue;
                }
                Made& m = *it->second;
                m.b.destroying = true;
                if (m.b.alive) DestroyWindow(m.hwnd);
                // A window destroys the menu it shows; one that was swapped
                // for another's is ours to free.
                if (m.menu && IsMenu(m.menu)) DestroyMenu(m.menu);
                it = live.erase(it);
            }
            for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
            Sleep(5);
        }
        finished = true;
    });
    form.Timer1.SetEnabled(true);
    int sent = 0;
    for (const auto end = SteadyClock::now() + 30s; !finished && SteadyClock::now() < end; ++sent) {
        // A tick now, the way the timer's come: through the window.
        SendMessageW(window.hwnd(), WM_TIMER, kIdTimer1, 0);
        pump([] { return false; }, 5ms);
    }
    form.Timer1.SetEnabled(false);
    storm.join();
    ASSERT_EQ(made.size(), kCount);

    int closable = 0, asked = 0, requests = 0;
    for (const Made& m : made) {
        closable += m.closable;
        asked += m.closable && m.b.closes > 0;
        requests += m.closable ? m.b.closes : 0;
        EXPECT_TRUE(m.closable || (m.b.closes == 0 && m.b.hides == 0))
            << "a look-alike of style " << std::hex << m.style << " was asked to close or hidden";
    }
    EXPECT_GT(asked, 0) << "the sweep closed none of " << closable << " pop-ups";
    EXPECT_GE(form.totalClose, requests) << "every request to close was counted";
    EXPECT_GE(sent, 20) << "the storm outran the sweep";
    // The main window still has a working bar, whatever the storm took along.
    SendMessageW(window.hwnd(), WM_TIMER, kIdTimer3, 0);
    EXPECT_TRUE(IsMenu(window.menuForTesting()));
}

}  // namespace
}  // namespace popquell::wine
