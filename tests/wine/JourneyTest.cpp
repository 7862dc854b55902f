// A user's whole session, in one process under Wine: the real main window
// with its real timers, menu bar and message boxes, and "browser" windows
// that belong to a second GUI thread, as another program's would. The test
// answers the message boxes from a watcher thread and waits for every
// effect with a deadline; the timers tick by themselves.

#include <gtest/gtest.h>

#include <string>

#include "app/Layout.h"
#include "app/win32/MainWindow.h"
#include "res/resource.h"
#include "tests/wine/GuiTestSupport.h"
#include "winsys/win32/Win32WindowSystem.h"

namespace popquell::wine {
namespace {

constexpr DWORD kBrowserStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
// What the sweep closes: exactly this style, and nothing like it.
constexpr DWORD kPopupBits = 0x96C80000u;
static_assert(kPopupBits == (WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
                             WS_SYSMENU));

// One sweep period, and room for a slow machine and the browser's thread.
constexpr std::chrono::milliseconds kSweepAndSlack{1000 + 2000};
// The watcher's period, and the question's answer on its way.
constexpr std::chrono::milliseconds kPickDeadline{500 + 4500};

class Journey : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ieFrame.registered() && ieFrameX.registered() && popup.registered() &&
                    taskbar.registered());
        // The sweep starts below the topmost window, which on a desktop is
        // the taskbar; this one stands in for it.
        ASSERT_NE(browsers.create(taskbar.name(), WS_POPUP | WS_VISIBLE, BrowserThread::kNoMenuBar,
                                  WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
                  nullptr);
        browserA = browsers.create(ieFrame.name(), kBrowserStyle, 3);
        ASSERT_NE(browserA, nullptr);
        ShowWindow(window.hwnd(), SW_SHOWNORMAL);
        SetForegroundWindow(window.hwnd());
        ASSERT_TRUE(pump([&] { return GetForegroundWindow() == window.hwnd(); }));
    }

    template <typename Pred>
    bool pump(Pred pred, std::chrono::milliseconds deadline = kDeadline) {
        return pumpUntil(pred, deadline, &window);
    }

    HWND control(int id) const { return GetDlgItem(window.hwnd(), id); }
    void click(int id) { SendMessageW(control(id), BM_CLICK, 0, 0); }
    HMENU mainMenu() const { return window.menuForTesting(); }
    std::wstring totalCaption() const { return menuItemText(mainMenu(), kIdTotalMenu); }
    std::wstring timeCaption() const { return menuItemText(mainMenu(), kIdTimemenu); }
    bool showsOurMenuBar(HWND w) const {
        return GetMenu(w) == mainMenu() && GetMenuItemCount(GetMenu(w)) == 2;
    }

    // Select Window, the browser to the front, and the answer to the question.
    SeenWindow pick(HWND browser, int answer = IDYES) {
        click(IDC_COMMAND3);
        EXPECT_TRUE(form.Timer2.Enabled());
        SeenWindow question;
        auto watcher = ModalWatcher::answerBox(answer, &question, kPickDeadline);
        browsers.bringToFront(browser);
        EXPECT_TRUE(pump([&] { return !form.Timer2.Enabled(); }, kPickDeadline));
        EXPECT_TRUE(watcher->found());
        return question;
    }

    // Two more sweep ticks: the time item changes on each while a browser
    // shows the menu bar.
    bool twoSweepTicks() {
        for (int i = 0; i < 2; ++i) {
            const std::wstring before = timeCaption();
            if (!pump([&] { return timeCaption() != before; }, kSweepAndSlack)) return false;
        }
        return true;
    }

    // Declared first, so unregistered last, once the windows have gone.
    WindowClass ieFrame{L"IEFrame"};
    WindowClass ieFrameX{L"IEFrameX"};
    WindowClass popup{L"PopquellTestPopup"};
    WindowClass taskbar{L"PopquellTestTaskbar"};
    Win32WindowSystem ws;
    MainWindow window{GetModuleHandleW(nullptr), ws};
    Form1& form = window.form();
    // Declared last, so it ends first: its windows go before the main window.
    BrowserThread browsers;
    HWND browserA = nullptr;
};

TEST_F(Journey, PickStartSweepAndGiveTheBrowserBack) {
    // Pick the browser.
    const SeenWindow question = pick(browserA);
    EXPECT_EQ(question.caption, L"Popquell");
    EXPECT_EQ(question.text, widen(kSelectQuestion));
    EXPECT_TRUE(question.hasYes && question.hasNo);
    ASSERT_EQ(form.List1.ListCount(), 1);
    EXPECT_EQ(form.List1.ItemData(0), fromHwnd(browserA));
    EXPECT_TRUE(form.Timer3.Enabled());
    EXPECT_TRUE(pump([&] { return showsOurMenuBar(browserA); }));
    EXPECT_EQ(menuItemText(GetMenu(browserA), kIdTotalMenu), L"Total");

    // Start.
    click(IDC_COMMAND1);
    EXPECT_TRUE(IsIconic(window.hwnd()));
    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_EQ(totalCaption(), L"Ready:");

    // A page opens pop-ups, and windows that only look like them.
    const HWND popup1 = browsers.create(popup.name(), kPopupBits);
    const HWND popup2 = browsers.create(popup.name(), kPopupBits);
    const HWND emptyFrame = browsers.create(ieFrame.name(), kBrowserStyle, 0);
    const HWND oneBitOff = browsers.create(popup.name(), kPopupBits & ~WS_SYSMENU);
    const HWND hiddenPopup = browsers.create(popup.name(), kPopupBits & ~WS_VISIBLE);
    const HWND frameX = browsers.create(ieFrameX.name(), kBrowserStyle, 0);
    const HWND frameWithoutMenu = browsers.create(ieFrame.name(), kBrowserStyle);
    ASSERT_EQ(static_cast<DWORD>(GetWindowLongA(popup1, GWL_STYLE)), kPopupBits);
    ASSERT_EQ(GetMenuItemCount(GetMenu(emptyFrame)), 0);

    const auto start = SteadyClock::now();
    EXPECT_TRUE(pump([&] { return !IsWindow(popup1) && !IsWindow(popup2) && !IsWindow(emptyFrame); },
                     kSweepAndSlack));
    RecordProperty("popupsClosedAfterMs",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        SteadyClock::now() - start)
                                        .count()));
    EXPECT_EQ(totalCaption(), L"Total: 3");
    EXPECT_EQ(form.totalClose, 3);

    // The look-alikes live through further sweeps.
    EXPECT_TRUE(twoSweepTicks());
    for (const HWND w : {oneBitOff, hiddenPopup, frameX, frameWithoutMenu}) EXPECT_TRUE(IsWindow(w));
    EXPECT_TRUE(IsWindowVisible(oneBitOff));
    EXPECT_EQ(GetMenu(frameWithoutMenu), nullptr);
    EXPECT_EQ(form.totalClose, 3);
    // "hh:mm:ss    Weekday Mon d yyyy"
    const std::wstring time = timeCaption();
    ASSERT_GT(time.size(), 12u);
    EXPECT_EQ(time[2], L':');
    EXPECT_EQ(time[5], L':');
    EXPECT_EQ(time.substr(8, 4), L"    ");
    EXPECT_TRUE(showsOurMenuBar(browserA));

    // Closing the program gives the browser back: no menu bar, maximised.
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_TRUE(pump([&] { return GetMenu(browserA) == nullptr && IsZoomed(browserA); }));
}

TEST_F(Journey, ClosingThePickedBrowserWindsTheMonitorDown) {
    pick(browserA);
    ASSERT_EQ(form.List1.ListCount(), 1);
    click(IDC_COMMAND1);
    const HWND popup1 = browsers.create(popup.name(), kPopupBits);
    ASSERT_TRUE(pump([&] { return !IsWindow(popup1); }, kSweepAndSlack));
    EXPECT_EQ(form.totalMenu.Caption(), "Total: 1");

    // The user closes the browser.
    ASSERT_TRUE(browsers.close(browserA));
    // First keeper tick: the sweep stops and the list empties.
    EXPECT_TRUE(pump([&] { return form.List1.ListCount() == 0; }, 2s));
    EXPECT_FALSE(form.Timer1.Enabled());
    // Next tick: the counter is reset and the keeper stops.
    EXPECT_TRUE(pump([&] { return !form.Timer3.Enabled(); }, 2s));
    EXPECT_EQ(form.totalClose, 0);
    // The last count stays on show.
    EXPECT_EQ(form.totalMenu.Caption(), "Total: 1");
    EXPECT_TRUE(form.totalMenu.Visible());
}

TEST_F(Journey, ANoLeavesTheBrowserAsItWas) {
    const HMENU own = GetMenu(browserA);
    const SeenWindow question = pick(browserA, IDNO);
    EXPECT_EQ(question.text, widen(kSelectQuestion));
    EXPECT_EQ(form.List1.ListCount(), 0);
    EXPECT_FALSE(form.Timer3.Enabled());
    EXPECT_EQ(GetMenu(browserA), own);
    EXPECT_EQ(GetMenuItemCount(mainMenu()), 1);
}

TEST_F(Journey, ABrowserPickedTwiceIsRefused) {
    pick(browserA);
    ASSERT_EQ(form.List1.ListCount(), 1);
    const SeenWindow refusal = pick(browserA, IDOK);
    EXPECT_EQ(refusal.text, widen(kAlreadySelected));
    EXPECT_TRUE(refusal.hasOk);
    EXPECT_FALSE(refusal.hasYes);
    EXPECT_EQ(form.List1.ListCount(), 1);
}

// The keeper puts the menu bar back on a picked browser that lost it.
TEST_F(Journey, TheKeeperPutsTheMenuBarBack) {
    pick(browserA);
    ASSERT_TRUE(pump([&] { return showsOurMenuBar(browserA); }));
    browsers.run([&] { SetMenu(browserA, nullptr); });
    EXPECT_TRUE(pump([&] { return showsOurMenuBar(browserA); }, 2s));
}

// Keys, as the user's hands would do the same: Alt+E, then Alt+S.
TEST_F(Journey, TheKeyboardDrivesThePick) {
    ASSERT_EQ(GetFocus(), control(IDC_COMMAND3));
    auto watcher = ModalWatcher::answerBox(IDYES, nullptr, kPickDeadline);
    MSG altE{GetFocus(), WM_SYSKEYDOWN, 'E', (LPARAM{1} << 29) | 1, 0, {}};
    window.dispatch(altE);
    ASSERT_TRUE(pump([&] { return form.Timer2.Enabled(); }));
    browsers.bringToFront(browserA);
    ASSERT_TRUE(pump([&] { return form.List1.ListCount() == 1; }, kPickDeadline));
    EXPECT_TRUE(watcher->found());

    SetForegroundWindow(window.hwnd());
    ASSERT_TRUE(pump([&] { return GetForegroundWindow() == window.hwnd(); }));
    MSG altS{GetFocus(), WM_SYSKEYDOWN, 'S', (LPARAM{1} << 29) | 1, 0, {}};
    window.dispatch(altS);
    EXPECT_TRUE(pump([&] { return IsIconic(window.hwnd()) && form.Timer1.Enabled(); }));
}

// A window destroys the menu attached to it. When the browser that shows
// the main window's menu bar is closed, the main window must keep its bar.
TEST_F(Journey, TheMenuBarOutlivesAClosedBrowserThatShowedIt) {
    pick(browserA);
    ASSERT_TRUE(pump([&] { return showsOurMenuBar(browserA); }));
    ASSERT_TRUE(browsers.close(browserA));
    // The browser's end may take the shared bar with it (Wine destroys it);
    // the next tick makes it afresh, with the items it showed.
    EXPECT_TRUE(pump([&] { return IsMenu(mainMenu()) && GetMenuItemCount(mainMenu()) == 2; }))
        << "the browser's end took the main window's menu bar with it";
    EXPECT_EQ(totalCaption(), L"Total");
}

}  // namespace
}  // namespace popquell::wine
