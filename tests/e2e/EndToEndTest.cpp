// The real popquell.exe and the demo browser, driven as the user does and
// checked through the window manager alone.
//   e2e_tests --popquell PATH --demo-browser PATH [gtest options]

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/Form1.h"
#include "demo/DemoKinds.h"
#include "demo/RemoteWindows.h"
#include "res/resource.h"

namespace popquell::demo {
namespace {

std::wstring gPopquell, gDemoBrowser;

// Starting a program under Wine takes a while on a cold prefix.
constexpr auto kStartDeadline = 20s;
constexpr auto kDeadline = 5s;

// Both programs end with the test, by their handles, whatever happens.
TEST(EndToEnd, PickSweepAndGiveTheBrowserBack) {
    const Process popquell = Process::start(gPopquell, L"");
    ASSERT_TRUE(popquell) << "cannot start popquell.exe, error " << GetLastError();
    const HWND main = waitForTopLevel(kPopquellClass, L"", popquell.pid(), kStartDeadline);
    ASSERT_NE(main, nullptr) << "no Popquell main window";
    const Process demo = Process::start(gDemoBrowser, L"--paused");
    ASSERT_TRUE(demo) << "cannot start the demo browser, error " << GetLastError();
    const HWND browser = waitForTopLevel(kFrameClass, kFrameTitle, demo.pid(), kStartDeadline);
    ASSERT_NE(browser, nullptr) << "no demo browser frame";

    // Select Window, the browser to the front, Yes to the question, and Start.
    ASSERT_TRUE(clickButton(main, IDC_COMMAND3));
    SetForegroundWindow(browser);
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == browser; }, kDeadline))
        << "the browser did not come to the front";
    const Box box = waitForBox(popquell.pid(), widen(kAppTitle), kDeadline);
    ASSERT_NE(box.hwnd, nullptr) << "no question";
    answerBox(box, IDYES);
    ASSERT_TRUE(waitUntil([&] { return GetMenu(main) && GetMenu(browser) == GetMenu(main); }, kDeadline))
        << "the browser did not get Popquell's menu bar";
    ASSERT_TRUE(clickButton(main, IDC_COMMAND1));
    ASSERT_TRUE(waitUntil([&] { return IsIconic(main) != 0; }, kDeadline)) << "Popquell did not minimise";

    // The sweep runs once a second; the window manager and the demo take a moment more.
    for (int i = 0; i < 3; ++i) {
        DWORD_PTR popup = 0;
        ASSERT_TRUE(SendMessageTimeoutW(browser, kOpenMessage, static_cast<WPARAM>(Kind::Popup), 0, SMTO_ABORTIFHUNG,
                                        5000, &popup) && popup);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(reinterpret_cast<HWND>(popup)); }, 1500ms)) << "pop-up " << i + 1;
    }
    ASSERT_FALSE(IsZoomed(browser));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return GetMenu(browser) == nullptr && IsZoomed(browser); }, kDeadline))
        << "the browser still carries a menu bar, or is not maximised";
    ASSERT_TRUE(popquell.waitForExit(10s)) << "Popquell did not end";
    EXPECT_EQ(popquell.exitCode(), 0u);
}

// A relative path is taken from this program's folder, where the build puts the others.
std::wstring programPath(const char* arg) {
    std::wstring path = widen(arg);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.size() < 2 || (path[1] != L':' && path[0] != L'\\')) {
        wchar_t self[MAX_PATH]{};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        path.insert(0, self, std::wstring_view(self).find_last_of(L'\\') + 1);
    }
    wchar_t full[MAX_PATH]{};
    return GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr) ? full : path;
}

}  // namespace
}  // namespace popquell::demo

int main(int argc, char** argv) {
    using namespace popquell::demo;
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--popquell") == 0) gPopquell = programPath(argv[++i]);
        else if (std::strcmp(argv[i], "--demo-browser") == 0) gDemoBrowser = programPath(argv[++i]);
    }
    if (gPopquell.empty() || gDemoBrowser.empty()) {
        std::fprintf(stderr, "usage: e2e_tests --popquell PATH --demo-browser PATH [gtest options]\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
