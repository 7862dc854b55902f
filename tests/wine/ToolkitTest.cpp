// The Win32 side of Form1's toolkit against real controls, and Form1's sweep
// with real timers closing a real pop-up.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/Form1.h"
#include "app/win32/Win32Toolkit.h"
#include "winsys/win32/UniqueHandle.h"
#include "winsys/win32/Win32WindowSystem.h"

namespace popquell {
namespace {

using namespace std::chrono_literals;

// Pumps this thread's messages until done() or the deadline; never sleeps
// past the deadline.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline = 3000ms) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// A top-level window whose WM_TIMER goes to a callback.
class HostWindow {
public:
    explicit HostWindow(DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &HostWindow::proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"PopquellToolkitTestHost";
            return RegisterClassW(&wc);
        }();
        (void)atom;
        hwnd_.reset(CreateWindowExW(0, L"PopquellToolkitTestHost", L"host", style, 0, 0, 400, 120,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
        SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    HWND get() const { return hwnd_.get(); }
    std::function<void(int)> onTimer;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_TIMER && self && self->onTimer) {
            self->onTimer(static_cast<int>(wParam));
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    unique_hwnd hwnd_;
};

std::wstring menuText(HMENU menu, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

TEST(Win32ListBox, KeepsEntriesInOrderWithTheirItemData) {
    HostWindow host;
    unique_hwnd box(CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 0, 0, 100, 50, host.get(), nullptr,
                                    GetModuleHandleW(nullptr), nullptr));
    Win32ListBox list(box.get());
    for (std::int32_t h : {3001, -42, 17}) {
        list.AddItem(std::to_string(h));
        list.SetItemData(list.NewIndex(), h);
    }
    list.Refresh();
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.NewIndex(), 2) << "appended, not sorted";
    EXPECT_EQ(list.ItemData(0), 3001);
    EXPECT_EQ(list.ItemData(1), -42) << "the full signed value comes back";
    EXPECT_EQ(list.ItemData(2), 17);
    wchar_t text[16] = {};
    SendMessageW(box.get(), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"-42");
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
}

// The bar that Form1 builds is a real menu: GetMenu of the main window gives
// it, hidden items are not in it, and another window can show it.
TEST(Win32Menu, IsTheWindowsMenuWithOnlyTheVisibleItems) {
    HostWindow main;
    Win32Menu native;
    MenuBar bar(native);
    MenuItem& about = bar.add(kIdAbmenu, "A&bout", false);
    MenuItem& total = bar.add(kIdTotalMenu, "Total", false);
    MenuItem& time = bar.add(kIdTimemenu, "", true);
    native.attachTo(main.get());

    Win32WindowSystem ws;
    const MenuHandle menu = ws.GetMenu(fromHwnd(main.get()));
    ASSERT_NE(menu, 0);
    EXPECT_EQ(ws.GetMenuItemCount(menu), 1);

    total.SetVisible(true);
    total.SetCaption("Total: 3");
    time.SetCaption("09:05:03    Sunday Dec 6 2026");
    EXPECT_EQ(ws.GetMenuItemCount(menu), 2);
    EXPECT_EQ(menuText(toHmenu(menu), 0), L"Total: 3");
    EXPECT_EQ(menuText(toHmenu(menu), 1), L"09:05:03    Sunday Dec 6 2026");
    EXPECT_FALSE(about.Visible());

    HostWindow browser;
    ws.SetMenu(fromHwnd(browser.get()), menu);
    EXPECT_EQ(ws.GetMenu(fromHwnd(browser.get())), menu);
    total.SetCaption("Ready:");
    EXPECT_EQ(menuText(GetMenu(browser.get()), 0), L"Ready:") << "one menu, shown twice";
    SetMenu(browser.get(), nullptr);  // the main window alone destroys it
}

TEST(Win32Timers, DeliverTicksUntilStopped) {
    HostWindow host;
    Win32Timers timers(host.get());
    int ticks = 0;
    host.onTimer = [&](int id) {
        if (id == 2) ++ticks;
    };
    timers.startTimer(2, 50);
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 2; }));
    timers.stopTimer(2);
    const int stoppedAt = ticks;
    pumpUntil([] { return false; }, 200ms);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST(Win32Clock, GivesTheTimeAndEnglishNamesWithoutALocale) {
    Win32Clock clock;
    const LocalTime t = clock.now();
    EXPECT_GE(t.year, 2024);
    EXPECT_GE(t.weekday, 0);
    EXPECT_LE(t.weekday, 6);
    // The test prefix runs with Wine's default English locale.
    EXPECT_EQ(clock.weekdayName(0), "Sunday");
    EXPECT_EQ(clock.weekdayName(6), "Saturday");
    EXPECT_EQ(clock.monthAbbrev(12), "Dec");
    EXPECT_EQ(clock.monthAbbrev(1), "Jan");
}

// A real message box, found and answered from another thread.
TEST(Win32MessageBoxes, ShowsCaptionTextAndFlagsAndReturnsTheAnswer) {
    HostWindow owner;
    Win32MessageBoxes boxes(owner.get());
    std::atomic<bool> found{false};
    std::wstring text;
    LONG style = 0;
    std::thread answerer([&] {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < end) {
            if (HWND box = FindWindowW(L"#32770", L"Popquell")) {
                wchar_t buffer[256] = {};
                GetDlgItemTextW(box, 0xFFFF, buffer, 256);
                text = buffer;
                style = GetWindowLongW(box, GWL_STYLE);
                found = true;
                PostMessageW(box, WM_COMMAND, IDNO, 0);
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    });
    const int answer = boxes.show(kSelectQuestion, 4164, kAppTitle);
    answerer.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(answer, kIdNo);
    EXPECT_EQ(text, L"Do you want to select this Internet Explorer? ");
    EXPECT_NE(static_cast<std::uint32_t>(style), 0x96C80000u) << "our own box must never match";
}

class NoWindow final : public FormWindow {
public:
    explicit NoWindow(HWND hwnd) : hwnd_(hwnd) {}
    WindowHandle hWnd() override { return fromHwnd(hwnd_); }
    void minimize() override {}

private:
    HWND hwnd_;
};

class NoDialog final : public InstructionsDialog {
public:
    void showModal(const std::string&) override {}
};

// Form1 on the real desktop: a Timer1 tick of a real timer closes a real
// pop-up and counts it on the real menu.
TEST(RealSweep, Timer1TickClosesAPopupAndCountsItOnTheMenu) {
    HostWindow main;
    Win32Menu native;
    Win32ListBox list(nullptr);
    Win32Timers timers(main.get());
    Win32Clock clock;
    Win32MessageBoxes boxes(main.get());
    NoWindow window(main.get());
    NoDialog dialog;
    Win32WindowSystem ws;
    Form1 form(ws, Form1Toolkit{window, list, native, timers, clock, boxes, dialog});
    native.attachTo(main.get());
    main.onTimer = [&](int id) { form.onTimer(id); };
    form.totalMenu.SetVisible(true);

    constexpr DWORD kPopup = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
    HWND popup = CreateWindowExW(0, L"PopquellToolkitTestHost", L"ad", kPopup, 50, 50, 200, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_EQ(static_cast<std::uint32_t>(GetWindowLongW(popup, GWL_STYLE)), 0x96C80000u);
    HWND lookalike = CreateWindowExW(0, L"PopquellToolkitTestHost", L"ad", kPopup & ~WS_CLIPCHILDREN,
                                     60, 60, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HostWindow cover;  // the topmost window is never examined
    SetWindowPos(cover.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    form.Timer1.SetEnabled(true);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(popup); }, 3000ms)) << "closed within a few ticks";
    form.Timer1.SetEnabled(false);
    EXPECT_EQ(form.totalClose, 1);
    EXPECT_EQ(menuText(GetMenu(main.get()), 0), L"Total: 1");
    EXPECT_TRUE(IsWindow(lookalike));
    DestroyWindow(lookalike);
}

}  // namespace
}  // namespace popquell
