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

    // Select Window, the browser to the front, and Popquell's question,
    // which the test then answers.
    Box selectBrowser() {
        EXPECT_TRUE(clickButton(main_, IDC_COMMAND3));
        SetForegroundWindow(browser_);
        EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == browser_; }, kDeadline))
            << "the browser did not come to the front";
        return waitForBox(popquell_.pid(), widen(kAppTitle), kDeadline);
    }

    // A pick answered Yes: the browser carries Popquell's menu bar.
    void pickBrowser() {
        const Box box = selectBrowser();
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

    bool boxGoes(const Box& box) {
        return waitUntil([&] { return IsWindow(box.hwnd) == 0; }, kDeadline);
    }

    Process popquell_;
    Process demo_;
    HWND main_ = nullptr;
    HWND browser_ = nullptr;
    HMENU browserMenu_ = nullptr;
};

TEST_F(EndToEndTest, StartWithNothingPickedAsksForABrowserWindow) {
    ASSERT_TRUE(clickButton(main_, IDC_COMMAND1));
    const Box box = waitForBox(popquell_.pid(), widen(kAppTitle), kDeadline);
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, widen(kPleaseSelect));
    EXPECT_TRUE(box.hasOk);
    EXPECT_FALSE(box.hasYes);
    EXPECT_TRUE(box.topmost) << "a system-modal box stays on top";
    answerBox(box, IDOK);
    EXPECT_TRUE(boxGoes(box));
    EXPECT_FALSE(IsIconic(main_));
}

TEST_F(EndToEndTest, SelectWindowAsksWhetherToSelectTheBrowserInFront) {
    const Box box = selectBrowser();
    ASSERT_NE(box.hwnd, nullptr) << "no question";
    EXPECT_EQ(box.caption, L"Popquell");
    EXPECT_EQ(box.text, L"Do you want to select this Internet Explorer? ");
    EXPECT_TRUE(box.hasYes);
    EXPECT_TRUE(box.hasNo);
    EXPECT_TRUE(box.topmost);
    answerBox(box, IDNO);
    EXPECT_TRUE(boxGoes(box));
}

TEST_F(EndToEndTest, YesPutsPopquellsMenuBarOnTheBrowser) {
    ASSERT_NO_FATAL_FAILURE(pickBrowser());
    EXPECT_NE(GetMenu(browser_), browserMenu_);
}

TEST_F(EndToEndTest, NoLeavesTheBrowserItsOwnMenuBar) {
    const Box box = selectBrowser();
    ASSERT_NE(box.hwnd, nullptr);
    answerBox(box, IDNO);
    ASSERT_TRUE(boxGoes(box));
    Sleep(1500);  // three ticks of the watcher and the keeper, had they run
    EXPECT_EQ(GetMenu(browser_), browserMenu_);
    EXPECT_EQ(findTopLevel(L"#32770", L"Popquell", popquell_.pid()), nullptr) << "asked again";
}

TEST_F(EndToEndTest, ABrowserAlreadySelectedIsRefused) {
    ASSERT_NO_FATAL_FAILURE(pickBrowser());
    const Box box = selectBrowser();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, L"Select a different window. This window already selected.");
    EXPECT_TRUE(box.hasOk);
    EXPECT_FALSE(box.hasYes);
    answerBox(box, IDOK);
    EXPECT_TRUE(boxGoes(box));
}

TEST_F(EndToEndTest, PopupsGoWithinOneSweep) {
    ASSERT_NO_FATAL_FAILURE(pickAndStart());
    for (int i = 0; i < 3; ++i) {
        const auto opened = SteadyClock::now();
        const HWND popup = open(Kind::Popup);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(popup, GWL_STYLE)), 0x96C80000u);
        EXPECT_TRUE(goesWithin(popup, kSweepPeriod + kSlack))
            << "pop-up " << i + 1 << " still there after "
            << std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - opened)
                   .count()
            << " ms";
    }
}

TEST_F(EndToEndTest, LookAlikesAreLeftAlone) {
    ASSERT_NO_FATAL_FAILURE(pickAndStart());
    const Kind lookAlikes[] = {Kind::PopupNoClipChildren, Kind::PopupHidden,
                               Kind::IeFrameXEmptyMenu, Kind::IeNoMenu};
    std::vector<HWND> windows;
    for (Kind kind : lookAlikes) {
        windows.push_back(open(kind));
        ASSERT_NE(windows.back(), nullptr) << info(kind).name;
    }
    // A pop-up opened after them all: once it has gone, a sweep has passed
    // them; one more sweep to be sure.
    ASSERT_TRUE(goesWithin(open(Kind::Popup), kSweepPeriod + kSlack));
    Sleep(static_cast<DWORD>((kSweepPeriod + kSlack).count()));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        EXPECT_TRUE(IsWindow(windows[i])) << info(lookAlikes[i]).name << " was closed";
    }
}

// Wine keeps menus per process: Popquell reads another process's empty menu
// bar as no menu bar at all (-1 items), and so leaves the frame alone. The
// in-process tests check that such a frame is closed when the count reads 0.
TEST_F(EndToEndTest, AnEmptyMenuFrameIsClosedOnWindowsAndLeftAloneUnderWine) {
    ASSERT_NO_FATAL_FAILURE(pickAndStart());
    const HWND frame = open(Kind::IeEmptyMenu);
    ASSERT_NE(frame, nullptr);
    if (runningUnderWine()) {
        ASSERT_TRUE(goesWithin(open(Kind::Popup), kSweepPeriod + kSlack));
        Sleep(static_cast<DWORD>((kSweepPeriod + kSlack).count()));
        EXPECT_TRUE(IsWindow(frame));
    } else {
        EXPECT_TRUE(goesWithin(frame, kSweepPeriod + kSlack));
    }
}

TEST_F(EndToEndTest, StopLeavesPopupsOpenAndStartSweepsAgain) {
    ASSERT_NO_FATAL_FAILURE(pickAndStart());
    ASSERT_TRUE(clickButton(main_, IDC_COMMAND4));
    Sleep(200);  // the click is posted; let it arrive before the pop-up
    const HWND popup = open(Kind::Popup);
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(goesWithin(popup, 2 * kSweepPeriod + kSlack)) << "closed while stopped";
    ASSERT_TRUE(clickButton(main_, IDC_COMMAND1));
    EXPECT_TRUE(goesWithin(popup, kSweepPeriod + kSlack)) << "not closed after Start";
}

TEST_F(EndToEndTest, ClosingPopquellGivesTheBrowserBackMaximisedAndExitsCleanly) {
    ASSERT_NO_FATAL_FAILURE(pickAndStart());
    ASSERT_TRUE(goesWithin(open(Kind::Popup), kSweepPeriod + kSlack));
    ASSERT_FALSE(IsZoomed(browser_));
    PostMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return GetMenu(browser_) == nullptr; }, kDeadline))
        << "the browser still carries a menu bar";
    EXPECT_TRUE(waitUntil([&] { return IsZoomed(browser_) != 0; }, kDeadline))
        << "the browser is not maximised";
    ASSERT_TRUE(popquell_.waitForExit(10s)) << "Popquell did not end";
    EXPECT_EQ(popquell_.exitCode(), 0u);
    EXPECT_TRUE(IsWindow(browser_));
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

TEST_F(EndToEndTest, ClosingPopquellWithNothingPickedLeavesTheBrowserAsItWas) {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(popquell_.waitForExit(10s)) << "Popquell did not end";
    EXPECT_EQ(popquell_.exitCode(), 0u);
    EXPECT_FALSE(IsWindow(main_));
    EXPECT_EQ(GetMenu(browser_), browserMenu_);
    EXPECT_FALSE(IsZoomed(browser_));
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
