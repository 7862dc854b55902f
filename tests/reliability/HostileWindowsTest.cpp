// Popquell among windows that fight back, under Wine, with the real main
// window and its real timers: owners that have stopped handling messages,
// and a storm of windows coming and going. The monitor must go on ticking,
// close nothing but what it should, and end promptly. The hostile windows belong
// to other threads of the test: Wine keeps menus per process, and the
// frame test reads menu bars.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <future>
#include <initializer_list>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/MainWindow.h"
#include "res/resource.h"
#include "tests/wine/GuiTestSupport.h"
#include "winsys/win32/Win32WindowSystem.h"

namespace popquell::wine {
namespace {

constexpr DWORD kPopupBits = 0x96C80000u;
constexpr DWORD kBrowserStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

// Posted to a window: its thread stops handling messages, as a hung program
// does, until the event in lParam is set or wParam milliseconds have passed.
constexpr UINT kHang = WM_APP + 20;
// No thread of these tests stays hung longer than this.
constexpr DWORD kHangCapMs = 12000;
// The watcher's period and the question's answer, with room for a slow machine.
constexpr std::chrono::milliseconds kPickDeadline{5000};

using Ms = std::chrono::duration<double, std::milli>;

// What a hostile window does and what it went through. The test owns it;
// the window points to it from GWLP_USERDATA.
struct Behaviour {
    std::atomic<int> closes{0};        // WM_CLOSE received
    std::atomic<int> hides{0};         // hidden by someone else
    std::atomic<bool> destroying{false};
    std::atomic<bool> alive{true};
};

LRESULT CALLBACK hostileProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (create->lpCreateParams)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* b = reinterpret_cast<Behaviour*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case kHang:
        WaitForSingleObject(reinterpret_cast<HANDLE>(lParam), static_cast<DWORD>(wParam));
        return 0;
    case WM_CLOSE:
        if (b) ++b->closes;
        break;
    case WM_SHOWWINDOW:
        if (b && wParam == FALSE && !b->destroying) ++b->hides;
        break;
    case WM_NCDESTROY:
        if (b) b->alive = false;
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Counts the main window's timer ticks by id, as they reach its procedure.
class TickCounter {
public:
    bool attach(HWND window) {
        return SetWindowSubclass(window, &TickCounter::proc, 1, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    }
    int sweeps() const { return counts_[kIdTimer1]; }
    int keeps() const { return counts_[kIdTimer3]; }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR data) {
        auto* self = reinterpret_cast<TickCounter*>(data);
        if (msg == WM_TIMER && wParam < self->counts_.size()) ++self->counts_[wParam];
        if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &TickCounter::proc, id);
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    std::array<std::atomic<int>, 4> counts_{};
};

// The real window system, noting when SetMenu is asked for on one window.
class CountingWindowSystem final : public WindowSystem {
public:
    explicit CountingWindowSystem(Win32WindowSystem& real) : real_(real) {}

    WindowHandle GetDesktopWindow() override { return real_.GetDesktopWindow(); }
    WindowHandle GetWindow(WindowHandle h, int cmd) override { return real_.GetWindow(h, cmd); }
    std::int32_t GetWindowLongA(WindowHandle h, int index) override { return real_.GetWindowLongA(h, index); }
    int GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) override {
        return real_.GetClassNameW(h, buffer, maxCount);
    }
    WindowHandle GetForegroundWindow() override { return real_.GetForegroundWindow(); }
    int IsWindow(WindowHandle h) override { return real_.IsWindow(h); }
    int IsWindowVisible(WindowHandle h) override { return real_.IsWindowVisible(h); }
    MenuHandle GetMenu(WindowHandle h) override { return real_.GetMenu(h); }
    int GetMenuItemCount(MenuHandle menu) override { return real_.GetMenuItemCount(menu); }
    int SetMenu(WindowHandle h, MenuHandle menu) override {
        if (h == watched) setMenuAsks.push_back(SteadyClock::now());
        return real_.SetMenu(h, menu);
    }
    // When SetMenu was asked for on the window watched.
    WindowHandle watched = 0;
    std::vector<SteadyClock::time_point> setMenuAsks;
    int ShowWindowAsync(WindowHandle h, int cmdShow) override { return real_.ShowWindowAsync(h, cmdShow); }
    int ShowWindow(WindowHandle h, int cmdShow) override { return real_.ShowWindow(h, cmdShow); }
    int PostMessageA(WindowHandle h, unsigned msg, std::intptr_t wParam, std::intptr_t lParam) override {
        return real_.PostMessageA(h, msg, wParam, lParam);
    }

private:
    Win32WindowSystem& real_;
};

// True when w's thread does not answer within 100 ms.
bool hung(HWND w) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result) == 0;
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ieFrame.registered() && ieFrameX.registered() && popup.registered() &&
                    taskbar.registered());
        ASSERT_NE(release.get(), nullptr);
        // The sweep starts below the topmost window; this one stands in for
        // the taskbar, above every window of the test.
        ASSERT_NE(cover.create(taskbar.name(), WS_POPUP | WS_VISIBLE, BrowserThread::kNoMenuBar,
                               WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
                  nullptr);
        ASSERT_TRUE(ticks.attach(window.hwnd()));
    }

    void TearDown() override {
        SetEvent(release.get());
        // The calls that waited on a hung window run once it answers again.
        EXPECT_TRUE(ws.drain(std::chrono::milliseconds(5000)));
    }

    template <typename Pred>
    bool pump(Pred pred, std::chrono::milliseconds deadline = kDeadline) {
        return pumpUntil(pred, deadline, &window);
    }

    Behaviour& behaviour() { return behaviours.emplace_back(); }

    // A window of thread t that behaves as b says.
    HWND make(BrowserThread& t, const wchar_t* cls, DWORD style, int menuItems, Behaviour& b) {
        const HWND w = t.create(cls, style, menuItems);
        if (w) SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&b));
        return w;
    }

    void click(int id) { SendMessageW(GetDlgItem(window.hwnd(), id), BM_CLICK, 0, 0); }

    // Select Window, the browser to the front, and Yes.
    bool pick(BrowserThread& owner, HWND browser) {
        click(IDC_COMMAND3);
        auto watcher = ModalWatcher::answerBox(IDYES, nullptr, kPickDeadline);
        owner.bringToFront(browser);
        const bool done = pump([&] { return !form.Timer2.Enabled(); }, kPickDeadline);
        return watcher->found() && done;
    }

    // Declared first, so that they outlive every window that points to them.
    std::deque<Behaviour> behaviours;
    unique_handle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    WindowClass ieFrame{L"IEFrame", hostileProc};
    WindowClass ieFrameX{L"IEFrameX", hostileProc};
    WindowClass popup{L"PopquellHostilePopup", hostileProc};
    WindowClass taskbar{L"PopquellHostileTaskbar"};
    Win32WindowSystem ws;
    CountingWindowSystem counted{ws};
    TickCounter ticks;
    MainWindow window{GetModuleHandleW(nullptr), counted};
    Form1& form = window.form();
    // Declared last, so they end first: their windows go before the main one.
    BrowserThread cover;
    BrowserThread browsers;
};

// Forty browser threads stop handling messages for good, one with the
// picked frame listed first, the others each with a frame that the sweep
// serves, and one with a pop-up; one picked browser still answers. A hang
// holds one worker at most and hung owners are left alone while they hang,
// so the timers tick, the main window answers, the answering browser is
// served within 100 ms of each request, the program's threads stay within
// the workers' bound, and closing still gives that browser back, promptly.
TEST_F(Hostile, FortyHungBrowserThreadsHoldUpNeitherTheProgramNorTheBrowserThatAnswers) {
    std::deque<BrowserThread> hungThreads(40);
    std::vector<HWND> hungFrames;
    for (BrowserThread& t : hungThreads) hungFrames.push_back(make(t, ieFrame.name(), kBrowserStyle, 3, behaviour()));
    const HWND hungPopup = make(hungThreads.back(), popup.name(), kPopupBits, BrowserThread::kNoMenuBar, behaviour());
    const HWND goodFrame = make(browsers, ieFrame.name(), kBrowserStyle, 3, behaviour());
    ASSERT_TRUE(goodFrame && hungPopup);
    ASSERT_TRUE(pick(hungThreads.front(), hungFrames.front()));
    ASSERT_TRUE(pick(browsers, goodFrame));
    const HMENU ours = window.menuForTesting();
    ASSERT_TRUE(pump([&] { return GetMenu(goodFrame) == ours; }));
    for (const HWND w : hungFrames)
        PostMessageW(w, kHang, kHangCapMs, reinterpret_cast<LPARAM>(release.get()));
    ASSERT_TRUE(pump([&] { return hung(hungFrames.back()); }));
    const int threadsBefore = threadsOfThisProcess();
    click(IDC_COMMAND1);  // Start: every tick asks each frame to show our bar
    const int sweeps0 = ticks.sweeps(), keeps0 = ticks.keeps();

    // Another program asks the main window something, now and then.
    std::vector<double> answers;
    std::atomic<bool> probing{true};
    std::thread prober([&, mainWindow = window.hwnd()] {
        for (int i = 0; i < 6; ++i) {
            const auto start = SteadyClock::now();
            DWORD_PTR result = 0;
            const bool answered = SendMessageTimeoutW(mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
            answers.push_back(answered ? Ms(SteadyClock::now() - start).count() : -1.0);
            Sleep(300);
        }
        probing = false;
    });
    // The browser shows a bar of its own again and again; each time, the
    // next request puts ours back.
    counted.watched = fromHwnd(goodFrame);
    std::vector<double> latencies;
    int mostThreads = 0;  // written by the looker only, read after it is joined
    for (int round = 0; round < 6; ++round) {
        ASSERT_TRUE(browsers.run([&] {
            const HMENU own = CreateMenu();
            AppendMenuW(own, MF_STRING, 300, L"Own");
            SetMenu(goodFrame, own);
        }));
        // Seen from a thread of its own, so that what the main window does
        // meanwhile does not delay the seeing.
        const auto since = SteadyClock::now();
        std::atomic<bool> shown{false};
        SteadyClock::time_point seen{};
        std::thread looker([&] {
            while (SteadyClock::now() - since < 3s && GetMenu(goodFrame) != ours) {
                mostThreads = std::max(mostThreads, threadsOfThisProcess());
                Sleep(1);
            }
            seen = SteadyClock::now();
            shown = true;
        });
        pump([&] { return shown.load(); }, 4s);
        looker.join();
        ASSERT_EQ(GetMenu(goodFrame), ours) << "round " << round;
        const auto asked = std::find_if(counted.setMenuAsks.begin(), counted.setMenuAsks.end(),
                                        [&](auto t) { return t >= since; });
        ASSERT_NE(asked, counted.setMenuAsks.end());
        latencies.push_back(Ms(seen - *asked).count());
    }
    pump([&] { return !probing; }, 5s);
    prober.join();
    for (std::size_t i = 0; i < latencies.size(); ++i) EXPECT_LT(latencies[i], 100.0) << "round " << i;
    for (const double ms : answers) EXPECT_TRUE(ms >= 0 && ms < 200.0) << ms << " ms";
    EXPECT_GE(ticks.sweeps() - sweeps0, 2);
    EXPECT_GE(ticks.keeps() - keeps0, 4);
    EXPECT_GE(form.totalClose, 1) << "the hung pop-up is counted even though it cannot go";
    // The looker and the prober are the test's own.
    EXPECT_LE(mostThreads - threadsBefore - 2, 16) << "workers beyond the bound";
    RecordProperty("latenciesMs", ::testing::PrintToString(latencies));
    RecordProperty("maxLatencyMs", static_cast<int>(*std::max_element(latencies.begin(), latencies.end())));
    RecordProperty("workers", mostThreads - threadsBefore - 2);

    const auto start = SteadyClock::now();
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    ws.drain(std::chrono::milliseconds(2000));  // as the program does after its message loop
    const double exitMs = Ms(SteadyClock::now() - start).count();
    EXPECT_LT(exitMs, 2500.0);
    EXPECT_EQ(GetMenu(goodFrame), nullptr);
    EXPECT_TRUE(IsZoomed(goodFrame)) << "given back, though a hung browser is listed first";
    EXPECT_TRUE(hung(hungFrames.front())) << "it hung all along";
    RecordProperty("exitMs", static_cast<int>(exitMs));
    SetEvent(release.get());  // before the hung threads end
}

// Another thread makes and destroys windows as fast as it can, pop-ups and
// near misses, while the sweep ticks back to back.
class Storm {
public:
    struct Kind {
        const wchar_t* cls;
        DWORD style;
        int menuItems;  // -1: no menu bar
    };
    struct Made {
        Behaviour b;
        HWND hwnd = nullptr;
        HMENU menu = nullptr;
        DWORD style = 0;
        bool closable = false;
    };

    Storm(std::vector<Kind> kinds, int count, unsigned seed)
        : kinds_(std::move(kinds)), count_(count), seed_(seed), thread_([this] { run(); }) {}
    ~Storm() { join(); }
    Storm(const Storm&) = delete;
    Storm& operator=(const Storm&) = delete;

    bool finished() const { return finished_; }
    // Once joined, the record of every window made.
    const std::deque<Made>& join() {
        if (thread_.joinable()) thread_.join();
        return made_;
    }

private:
    void run() {
        std::mt19937 random(seed_);
        std::uniform_int_distribution<std::size_t> kind(0, kinds_.size() - 1);
        std::uniform_int_distribution<int> lifeMs(0, 300);
        std::vector<std::pair<SteadyClock::time_point, Made*>> live;
        const auto deadline = SteadyClock::now() + 20s;
        auto nextBirth = SteadyClock::now();
        while ((static_cast<int>(made_.size()) < count_ || !live.empty()) && SteadyClock::now() < deadline) {
            const auto now = SteadyClock::now();
            if (static_cast<int>(made_.size()) < count_ && now >= nextBirth) {
                born(kinds_[kind(random)], now + std::chrono::milliseconds(lifeMs(random)), live);
                nextBirth = now + 5ms;
            }
            for (auto it = live.begin(); it != live.end();) {
                if (it->first > now) {
                    ++it;
                    continue;
                }
                destroy(*it->second);
                it = live.erase(it);
            }
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(1);
        }
        for (auto& [due, m] : live) destroy(*m);
        finished_ = true;
    }

    void born(const Kind& k, SteadyClock::time_point due,
              std::vector<std::pair<SteadyClock::time_point, Made*>>& live) {
        Made& m = made_.emplace_back();
        if (k.menuItems >= 0) {
            m.menu = CreateMenu();
            for (int i = 0; i < k.menuItems; ++i)
                AppendMenuW(m.menu, MF_STRING, static_cast<UINT_PTR>(300 + i), L"Item");
        }
        const int n = static_cast<int>(made_.size());
        m.hwnd = CreateWindowExW(0, k.cls, L"storm", k.style, 20 + (n * 13) % 600, 40 + (n * 7) % 500, 160,
                                 100, nullptr, m.menu, GetModuleHandleW(nullptr), &m.b);
        if (!m.hwnd) {
            if (m.menu) DestroyMenu(m.menu);
            m.menu = nullptr;
            m.b.alive = false;
            return;
        }
        m.style = static_cast<DWORD>(GetWindowLongW(m.hwnd, GWL_STYLE));
        const bool emptyBarFrame = std::wstring(k.cls) == L"IEFrame" && k.menuItems == 0;
        m.closable = m.style == kPopupBits || emptyBarFrame;
        live.emplace_back(due, &m);
    }

    static void destroy(Made& m) {
        if (m.b.alive) {
            m.b.destroying = true;
            DestroyWindow(m.hwnd);
        }
        // A window destroys the menu it shows; one that was swapped for
        // another's is ours to free.
        if (m.menu && IsMenu(m.menu)) DestroyMenu(m.menu);
    }

    std::vector<Kind> kinds_;
    int count_;
    unsigned seed_;
    std::deque<Made> made_;  // stable addresses: windows point into it
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

TEST_F(Hostile, AStormOfWindowsClosesNothingButPopups) {
    const wchar_t* p = popup.name();
    std::vector<Storm::Kind> kinds{
        {p, kPopupBits, -1},
        {p, kPopupBits, -1},
        {p, kPopupBits, -1},
        {p, kPopupBits & ~WS_VISIBLE, -1},
        {p, kPopupBits & ~WS_SYSMENU, -1},
        {p, kPopupBits & ~WS_CLIPCHILDREN, -1},
        {p, kPopupBits | WS_THICKFRAME, -1},
        {p, kPopupBits & ~WS_POPUP, -1},
        {ieFrame.name(), kBrowserStyle, -1},  // no menu bar at all
        {ieFrame.name(), kBrowserStyle, 0},   // empty menu bar: a pop-up
        {ieFrame.name(), kBrowserStyle, 2},   // a browser: gets our bar
        {ieFrameX.name(), kBrowserStyle, 0},
    };
    form.Timer1.SetEnabled(true);
    int sent = 0;
    {
        Storm storm(kinds, 500, 7);
        const auto deadline = SteadyClock::now() + 30s;
        while (!storm.finished() && SteadyClock::now() < deadline) {
            // A tick now, the way the timer's come: through the window.
            SendMessageW(window.hwnd(), WM_TIMER, static_cast<WPARAM>(kIdTimer1), 0);
            ++sent;
            pumpFor(5ms, &window);
        }
        form.Timer1.SetEnabled(false);
        const std::deque<Storm::Made>& made = storm.join();
        ASSERT_EQ(made.size(), 500u);

        int closable = 0, asked = 0, requests = 0;
        for (const Storm::Made& m : made) {
            if (m.closable) {
                ++closable;
                if (m.b.closes > 0) ++asked;
                requests += m.b.closes;
                continue;
            }
            EXPECT_EQ(m.b.closes.load(), 0)
                << "a look-alike of style " << std::hex << m.style << " was asked to close";
            EXPECT_EQ(m.b.hides.load(), 0)
                << "a look-alike of style " << std::hex << m.style << " was hidden";
        }
        EXPECT_GT(asked, 0) << "the sweep closed none of " << closable << " pop-ups";
        EXPECT_GE(form.totalClose, requests) << "every request to close was counted";
        RecordProperty("sweeps", ticks.sweeps());
        RecordProperty("popupsAskedToClose", asked);
        RecordProperty("popupsMade", closable);
    }
    EXPECT_GE(sent, 20) << "the storm outran the sweep";
    // The main window still has a working bar, whatever the storm took along.
    SendMessageW(window.hwnd(), WM_TIMER, static_cast<WPARAM>(kIdTimer3), 0);
    EXPECT_TRUE(IsMenu(window.menuForTesting()));
}

}  // namespace
}  // namespace popquell::wine
