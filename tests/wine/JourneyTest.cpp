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
    pick(browserA);
    ASSERT_EQ(form.List1.ListCount(), 1);
    EXPECT_EQ(form.List1.ItemData(0), fromHwnd(browserA));
    EXPECT_TRUE(pump([&] { return showsOurMenuBar(browserA); }));

    click(IDC_COMMAND1);  // Start
    EXPECT_TRUE(IsIconic(window.hwnd()));
    EXPECT_EQ(totalCaption(), L"Ready:");

    // A page opens pop-ups, and windows that only look like them.
    const HWND popup1 = browsers.create(popup.name(), kPopupBits);
    const HWND popup2 = browsers.create(popup.name(), kPopupBits);
    const HWND emptyFrame = browsers.create(ieFrame.name(), kBrowserStyle, 0);
    const HWND oneBitOff = browsers.create(popup.name(), kPopupBits & ~WS_SYSMENU);
    const HWND frameX = browsers.create(ieFrameX.name(), kBrowserStyle, 0);
    const HWND frameWithoutMenu = browsers.create(ieFrame.name(), kBrowserStyle);
    ASSERT_EQ(static_cast<DWORD>(GetWindowLongA(popup1, GWL_STYLE)), kPopupBits);
    EXPECT_TRUE(pump([&] { return !IsWindow(popup1) && !IsWindow(popup2) && !IsWindow(emptyFrame); },
                     kSweepAndSlack));
    EXPECT_EQ(totalCaption(), L"Total: 3");

    // The look-alikes live through further sweeps, which keep the time
    // "hh:mm:ss    Weekday Mon d yyyy" on the browser's bar.
    EXPECT_TRUE(twoSweepTicks());
    for (const HWND w : {oneBitOff, frameX, frameWithoutMenu}) EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(form.totalClose, 3);
    const std::wstring time = timeCaption();
    ASSERT_GT(time.size(), 12u);
    EXPECT_EQ(time.substr(8, 4), L"    ");
    EXPECT_TRUE(showsOurMenuBar(browserA));

    // Closing the program gives the browser back: no menu bar, maximised.
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_TRUE(pump([&] { return GetMenu(browserA) == nullptr && IsZoomed(browserA); }));
}

// The program's message boxes as they reach the screen, held to the texts,
// buttons and modality they were designed with.
TEST_F(Journey, TheBoxesShowWhatTheyWereDesignedWith) {
    struct Row {
        const wchar_t* text;  // nullptr: the About text, which is the program's own
        bool yesNo;
        bool icon;
        bool systemModal;
    };
    const Row about{nullptr, false, true, false};
    const Row pleaseSelect{L"Please select an Internet Explorer Window.", false, false, true};
    const Row question{L"Do you want to select this Internet Explorer? ", true, true, true};
    const Row refusal{L"Select a different window. This window already selected.", false, true, true};

    std::vector<std::pair<Row, SeenWindow>> seen;
    for (const auto& [row, id] : {std::pair{about, IDC_COMMAND5}, std::pair{pleaseSelect, IDC_COMMAND1}}) {
        SeenWindow box;
        auto watcher = ModalWatcher::answerBox(IDOK, &box);
        click(id);
        ASSERT_TRUE(watcher->found());
        seen.emplace_back(row, box);
    }
    seen.emplace_back(question, pick(browserA));
    seen.emplace_back(refusal, pick(browserA, IDOK));
    for (const auto& [row, box] : seen) {
        EXPECT_EQ(box.caption, L"Popquell");
        if (row.text) {
            EXPECT_EQ(box.text, row.text);
        } else {
            EXPECT_NE(box.text.find(L"Popquell"), std::wstring::npos);
        }
        EXPECT_EQ(box.hasYes && box.hasNo, row.yesNo) << box.text;
        EXPECT_EQ(box.hasOk, !row.yesNo) << box.text;
        EXPECT_EQ(box.icon, row.icon) << box.text;
        EXPECT_EQ(box.topmost, row.systemModal) << box.text;
    }
    EXPECT_EQ(form.List1.ListCount(), 1);
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
