// The real popquell.exe and the demo browser, each a process of its own, as
// the user meets them: this third process clicks Popquell's buttons, brings
// the browser to the front, answers the boxes, and checks from outside,
// through the window manager alone, what happened to the windows.
//
//   e2e_tests --popquell PATH --demo-browser PATH [gtest options]
//
// Relative paths are taken from this program's own folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "demo/DemoKinds.h"
#include "demo/RemoteWindows.h"
#include "res/resource.h"

namespace popquell::demo {
namespace {

struct Programs {
    std::wstring popquell;
    std::wstring demoBrowser;
};
Programs gPrograms;

// The sweep runs once a second; a pop-up goes at the latest one tick after
// it appears, plus what the window manager and the demo take.
constexpr auto kSweepPeriod = 1000ms;
constexpr auto kSlack = 500ms;
// Starting a program under Wine takes a while on a cold prefix.
constexpr auto kStartDeadline = 20s;
constexpr auto kDeadline = 5s;

HWND toHwnd(std::uintptr_t value) {
    return reinterpret_cast<HWND>(value);
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        popquell_ = Process::start(gPrograms.popquell, L"");
        ASSERT_TRUE(popquell_) << "cannot start popquell.exe, error " << GetLastError();
        main_ = waitForTopLevel(kPopquellClass, L"", popquell_.pid(), kStartDeadline);
        ASSERT_NE(main_, nullptr) << "no Popquell main window";
        demo_ = Process::start(gPrograms.demoBrowser, L"--paused");
        ASSERT_TRUE(demo_) << "cannot start the demo browser, error " << GetLastError();
        browser_ = waitForTopLevel(kFrameClass, kFrameTitle, demo_.pid(), kStartDeadline);
        ASSERT_NE(browser_, nullptr) << "no demo browser frame";
        browserMenu_ = GetMenu(browser_);
        ASSERT_NE(browserMenu_, nullptr);
    }

    // Whatever happened in the test, both programs end here.
    void TearDown() override {
        popquell_.terminate();
        if (demo_.running() && browser_) {
            PostMessageW(browser_, WM_CLOSE, 0, 0);
            demo_.waitForExit(3s);
        }
        demo_.terminate();
    }

    // Select Window, the browser to the front, Yes to Popquell's question:
    // the browser carries Popquell's menu bar.
    void pickBrowser() {
        ASSERT_TRUE(clickButton(main_, IDC_COMMAND3));
        SetForegroundWindow(browser_);
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == browser_; }, kDeadline))
            << "the browser did not come to the front";
        const Box box = waitForBox(popquell_.pid(), widen(kAppTitle), kDeadline);
        ASSERT_NE(box.hwnd, nullptr) << "no question";
        answerBox(box, IDYES);
        ASSERT_TRUE(waitUntil([&] { return GetMenu(main_) && GetMenu(browser_) == GetMenu(main_); },
                              kDeadline))
            << "the browser did not get Popquell's menu bar";
    }

    void pickAndStart() {
        ASSERT_NO_FATAL_FAILURE(pickBrowser());
        ASSERT_TRUE(clickButton(main_, IDC_COMMAND1));
        ASSERT_TRUE(waitUntil([&] { return IsIconic(main_) != 0; }, kDeadline))
            << "Popquell did not minimise";
    }

    // Has the demo open one window of that kind now.
    HWND open(Kind kind) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(browser_, kOpenMessage, static_cast<WPARAM>(kind), 0,
                                 SMTO_ABORTIFHUNG, 5000, &result)) {
            return nullptr;
        }
        return toHwnd(static_cast<std::uintptr_t>(result));
    }

    bool goesWithin(HWND w, std::chrono::milliseconds deadline) {
        return waitUntil([w] { return IsWindow(w) == 0; }, deadline);
    }

    Process popquell_;
    Process demo_;
    HWND main_ = nullptr;
    HWND browser_ = nullptr;
    HMENU browserMenu_ = nullptr;
};

// The user's journey: pick the browser, Start, pop-ups come and go within a
// sweep while the look-alikes stay, and closing Popquell gives the browser
// back and ends the program cleanly.
TEST_F(EndToEndTest, PickSweepAndGiveTheBrowserBack) {
    ASSERT_NO_FATAL_FAILURE(pickAndStart());
    EXPECT_NE(GetMenu(browser_), browserMenu_);
    // Wine keeps menus per process: there Popquell reads another process's
    // empty menu bar as none at all (-1 items) and leaves that frame alone;
    // the in-process tests close it when the count reads 0.
    const Kind lookAlikes[] = {Kind::PopupNoClipChildren, Kind::PopupHidden, Kind::IeFrameXEmptyMenu,
                               Kind::IeNoMenu, Kind::IeEmptyMenu};
    std::vector<HWND> windows;
    for (Kind kind : lookAlikes) {
        windows.push_back(open(kind));
        ASSERT_NE(windows.back(), nullptr) << info(kind).name;
    }
    for (int i = 0; i < 3; ++i) {
        const HWND popup = open(Kind::Popup);
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(goesWithin(popup, kSweepPeriod + kSlack)) << "pop-up " << i + 1;
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const bool closable = lookAlikes[i] == Kind::IeEmptyMenu && !runningUnderWine();
        EXPECT_NE(IsWindow(windows[i]) != 0, closable) << info(lookAlikes[i]).name;
    }

    ASSERT_FALSE(IsZoomed(browser_));
    PostMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return GetMenu(browser_) == nullptr && IsZoomed(browser_); }, kDeadline))
        << "the browser still carries a menu bar, or is not maximised";
    ASSERT_TRUE(popquell_.waitForExit(10s)) << "Popquell did not end";
    EXPECT_EQ(popquell_.exitCode(), 0u);
}

// A window destroys the menu bar it shows when it goes, whoever made it.
// Popquell keeps its own bar, winds down, and still ends cleanly.
TEST_F(EndToEndTest, ClosingThePickedBrowserLeavesPopquellItsMenuBar) {
    ASSERT_NO_FATAL_FAILURE(pickAndStart());
    const HMENU menu = GetMenu(main_);
    PostMessageW(browser_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(demo_.waitForExit(kDeadline)) << "the demo browser did not end";
    Sleep(1500);  // the keeper's two ticks that wind the monitor down
    EXPECT_TRUE(popquell_.running());
    EXPECT_EQ(GetMenu(main_), menu);
    // Only Windows lets another process look into a menu.
    if (!runningUnderWine()) {
        EXPECT_TRUE(IsMenu(menu)) << "the browser's end took Popquell's menu bar with it";
        EXPECT_EQ(GetMenuItemCount(menu), 2);
    }
    PostMessageW(main_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(popquell_.waitForExit(10s)) << "Popquell did not end";
    EXPECT_EQ(popquell_.exitCode(), 0u);
}

// A path from the command line; a relative one is taken from this program's
// own folder, where the build puts it beside the others.
std::wstring programPath(const char* arg) {
    std::wstring path = widen(arg);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    const bool absolute =
        (path.size() > 1 && path[1] == L':') || (!path.empty() && path[0] == L'\\');
    if (!absolute) {
        wchar_t self[MAX_PATH]{};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring dir = self;
        dir.erase(dir.find_last_of(L'\\') + 1);
        path = dir + path;
    }
    wchar_t full[MAX_PATH]{};
    return GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr) ? std::wstring(full) : path;
}

}  // namespace
}  // namespace popquell::demo

int main(int argc, char** argv) {
    using namespace popquell::demo;
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--popquell") == 0)
            gPrograms.popquell = programPath(argv[++i]);
        else if (std::strcmp(argv[i], "--demo-browser") == 0)
            gPrograms.demoBrowser = programPath(argv[++i]);
    }
    if (gPrograms.popquell.empty() || gPrograms.demoBrowser.empty()) {
        std::fprintf(stderr,
                     "usage: e2e_tests --popquell PATH --demo-browser PATH [gtest options]\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
