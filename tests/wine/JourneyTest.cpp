// Picking a browser in one process under Wine: the real main window with its
// real timers, menu bar and message boxes, and a "browser" window of a
// second GUI thread, as another program's would be. The test answers the
// boxes from a watcher thread and waits for every effect with a deadline.

#include <gtest/gtest.h>

#include <string>

#include "app/win32/MainWindow.h"
#include "res/resource.h"
#include "tests/wine/GuiTestSupport.h"
#include "winsys/win32/Win32WindowSystem.h"

namespace popquell::wine {
namespace {

constexpr DWORD kBrowserStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
// The watcher's period, and the question's answer on its way.
constexpr std::chrono::milliseconds kPickDeadline{500 + 4500};

class Journey : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ieFrame.registered() && taskbar.registered());
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

    // Declared first, so unregistered last, once the windows have gone.
    WindowClass ieFrame{L"IEFrame"};
    WindowClass taskbar{L"PopquellTestTaskbar"};
    Win32WindowSystem ws;
    MainWindow window{GetModuleHandleW(nullptr), ws};
    Form1& form = window.form();
    // Declared last, so it ends first: its windows go before the main window.
    BrowserThread browsers;
    HWND browserA = nullptr;
};

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
