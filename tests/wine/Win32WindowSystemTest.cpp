// Win32WindowSystem against real windows that the test makes in its own
// process: Wine keeps menus per process, so a menu is only readable by the
// process that made it. "Foreign" windows, the kind that Popquell serves,
// belong to a second GUI thread of the test, which can be told to hang.

#include "winsys/win32/Win32WindowSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/wine/GuiTestSupport.h"
#include "winsys/Module1.h"
#include "ui/win32/Handles.h"

namespace popquell {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using wine::BrowserThread;
using wine::eventually;

// What "returns at once" has to beat, with room for a slow machine; a call
// that waits for a hung window would take the whole hang.
constexpr auto kPrompt = 500ms;

const wine::WindowClass& testClass() {
    static const wine::WindowClass cls(L"PopquellTestWindow");
    return cls;
}

constexpr DWORD kVisibleFrame = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

HWND createWindow(const wchar_t* className, DWORD style) {
    return ::CreateWindowExW(0, className, L"", style, 10, 10, 300, 200, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

unique_hwnd makeWindow(const wchar_t* className, DWORD style = kVisibleFrame) {
    return unique_hwnd(createWindow(className, style));
}

unique_hmenu makeMenu(int items) {
    unique_hmenu menu(::CreateMenu());
    for (int i = 0; i < items; ++i)
        ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(100 + i), L"Item");
    return menu;
}

std::chrono::milliseconds elapsedSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// ---------------------------------------------------------------------------

TEST(HandleConversion, RoundTripsEveryThirtyTwoBitValue) {
    for (const std::int32_t v : {0, 1, 0x10010, 0x7FFFFFFF, -1, -2,
                                 static_cast<std::int32_t>(0x80001234u), INT32_MIN}) {
        EXPECT_EQ(fromHwnd(toHwnd(v)), v);
        EXPECT_EQ(fromHmenu(toHmenu(v)), v);
    }
}

// user32 sign-extends handles in a 64-bit process; a value with the high bit
// set must come out as that handle, not as a large positive one.
TEST(HandleConversion, HighBitSignExtends) {
    const auto v = static_cast<std::int32_t>(0x80001234u);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(toHwnd(v)), std::intptr_t{-0x7FFFEDCC});
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(toHmenu(v)), std::intptr_t{-0x7FFFEDCC});
}

TEST(HandleConversion, RealWindowSurvivesTheRoundTrip) {
    unique_hwnd w = makeWindow(testClass().name());
    ASSERT_TRUE(w);
    Win32WindowSystem ws;
    EXPECT_NE(ws.IsWindow(fromHwnd(w.get())), 0);
    EXPECT_EQ(toHwnd(fromHwnd(w.get())), w.get());
}

// ---------------------------------------------------------------------------

// The longest name that user32 registers is 255 characters; the read gets 254
// of them.
TEST(ClassNameRead, CutsALongClassNameAt254Characters) {
    const wine::WindowClass cls(std::wstring(255, L'q'));
    ASSERT_TRUE(cls.registered());
    unique_hwnd w = makeWindow(cls.name());
    ASSERT_TRUE(w);
    Win32WindowSystem ws;
    EXPECT_EQ(classNameOf(ws, fromHwnd(w.get())), std::u16string(254, u'q'));
}

TEST(ClassNameRead, EmptyForNoWindowAndForAGoneOne) {
    Win32WindowSystem ws;
    EXPECT_EQ(classNameOf(ws, 0), u"");
    HWND gone = createWindow(testClass().name(), kVisibleFrame);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    EXPECT_EQ(classNameOf(ws, fromHwnd(gone)), u"");
    EXPECT_EQ(ieFrameClass(ws, fromHwnd(gone)), "");
}

// Class names are case-insensitive to user32, so each variant is registered
// alone. An ANSI read maps fullwidth letters to their ASCII look-alikes, so
// the last one would read as "IEFrame" there.
TEST(IeFrameClass, OnlyTheExactNameCounts) {
    struct Case {
        const wchar_t* cls;
        const char* expected;
    };
    for (const Case c : {Case{L"IEFrame", "IEFrame"}, Case{L"ieframe", ""}, Case{L"IEFrameX", ""},
                         Case{L"\uFF29\uFF25\uFF26\uFF52\uFF41\uFF4D\uFF45", ""}}) {
        const wine::WindowClass cls(c.cls);
        ASSERT_TRUE(cls.registered());
        unique_hwnd w = makeWindow(cls.name());
        Win32WindowSystem ws;
        EXPECT_EQ(ieFrameClass(ws, fromHwnd(w.get())), c.expected);
    }
}

TEST(IeFrameClass, EmptyForNoWindow) {
    Win32WindowSystem ws;
    EXPECT_EQ(ieFrameClass(ws, 0), "");
}

// ---------------------------------------------------------------------------

TEST(ZOrderWalk, FromTheDesktopReachesOurWindow) {
    unique_hwnd w = makeWindow(testClass().name());
    ASSERT_TRUE(w);
    Win32WindowSystem ws;
    const WindowHandle ours = fromHwnd(w.get());
    bool found = false;
    int steps = 0;
    for (WindowHandle h = ws.GetWindow(ws.GetDesktopWindow(), kGwChild); h != 0 && steps < 100000;
         h = ws.GetWindow(h, kGwHwndNext), ++steps) {
        if (h == ours) found = true;
    }
    EXPECT_TRUE(found);
}

TEST(ZOrderWalk, NothingBelowTheBottomWindow) {
    unique_hwnd w = makeWindow(testClass().name());
    ASSERT_TRUE(w);
    ::SetWindowPos(w.get(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Win32WindowSystem ws;
    EXPECT_EQ(ws.GetWindow(fromHwnd(w.get()), kGwHwndNext), 0);
}

TEST(ZOrderWalk, NothingNextToAGoneWindow) {
    HWND gone = createWindow(testClass().name(), kVisibleFrame);
    unique_hwnd below = makeWindow(testClass().name());
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    Win32WindowSystem ws;
    EXPECT_EQ(ws.IsWindow(fromHwnd(gone)), 0);
    EXPECT_EQ(ws.GetWindow(fromHwnd(gone), kGwHwndNext), 0);
}

// ---------------------------------------------------------------------------

// The pop-up style has the high bit set; it must read back as the same
// negative 32-bit value.
TEST(WindowState, StyleReadsBackWhole) {
    constexpr DWORD popup =
        WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
    unique_hwnd w = makeWindow(testClass().name(), popup);
    ASSERT_TRUE(w);
    Win32WindowSystem ws;
    EXPECT_EQ(ws.GetWindowLongA(fromHwnd(w.get()), kGwlStyle),
              static_cast<std::int32_t>(0x96C80000u));
}

TEST(WindowState, VisibilityOfShownAndHiddenWindows) {
    unique_hwnd shown = makeWindow(testClass().name(), kVisibleFrame);
    unique_hwnd hidden = makeWindow(testClass().name(), WS_OVERLAPPEDWINDOW);
    Win32WindowSystem ws;
    EXPECT_GT(ws.IsWindowVisible(fromHwnd(shown.get())), 0);
    EXPECT_EQ(ws.IsWindowVisible(fromHwnd(hidden.get())), 0);
}

TEST(WindowState, ForegroundIsTheWindowTheUserWorksIn) {
    unique_hwnd w = makeWindow(testClass().name());
    ASSERT_TRUE(w);
    ::SetForegroundWindow(w.get());
    Win32WindowSystem ws;
    EXPECT_TRUE(wine::pumpUntil([&] { return ws.GetForegroundWindow() == fromHwnd(w.get()); }));
}

// ---------------------------------------------------------------------------

// A window without a menu bar (-1) and one whose menu bar is empty (0) are
// told apart.
TEST(MenuBar, ItemCountTellsNoMenuBarFromAnEmptyOne) {
    unique_hwnd w = makeWindow(testClass().name());
    unique_hmenu empty = makeMenu(0);
    unique_hmenu three = makeMenu(3);
    Win32WindowSystem ws;
    const WindowHandle h = fromHwnd(w.get());

    EXPECT_EQ(ws.GetMenuItemCount(0), -1);
    EXPECT_EQ(ws.GetMenu(h), 0);
    EXPECT_EQ(ws.GetMenuItemCount(ws.GetMenu(h)), -1);

    ws.SetMenu(h, fromHmenu(empty.get()));
    EXPECT_EQ(ws.GetMenu(h), fromHmenu(empty.get()));
    EXPECT_EQ(ws.GetMenuItemCount(ws.GetMenu(h)), 0);

    ws.SetMenu(h, fromHmenu(three.get()));
    EXPECT_EQ(ws.GetMenuItemCount(ws.GetMenu(h)), 3);

    ws.SetMenu(h, 0);
    EXPECT_EQ(ws.GetMenu(h), 0);
}

TEST(MenuBar, ItemCountOfADestroyedMenuIsMinusOne) {
    HMENU menu = ::CreateMenu();
    ::DestroyMenu(menu);
    Win32WindowSystem ws;
    EXPECT_EQ(ws.GetMenuItemCount(fromHmenu(menu)), -1);
}

// The main window's menu bar is shown by several windows at once.
TEST(MenuBar, OneMenuBarShownBySeveralWindows) {
    unique_hwnd first = makeWindow(testClass().name());
    unique_hwnd second = makeWindow(testClass().name());
    unique_hmenu menu = makeMenu(2);
    Win32WindowSystem ws;
    ws.SetMenu(fromHwnd(first.get()), fromHmenu(menu.get()));
    ws.SetMenu(fromHwnd(second.get()), ws.GetMenu(fromHwnd(first.get())));
    EXPECT_EQ(ws.GetMenu(fromHwnd(second.get())), fromHmenu(menu.get()));
    EXPECT_EQ(ws.GetMenuItemCount(ws.GetMenu(fromHwnd(second.get()))), 2);
    ws.SetMenu(fromHwnd(first.get()), 0);
    ws.SetMenu(fromHwnd(second.get()), 0);
}

// ---------------------------------------------------------------------------

// On a window of the calling thread nothing can hang, and the calls act
// before they return.
TEST(OwnWindow, SetMenuAndShowWindowActBeforeReturning) {
    unique_hwnd w = makeWindow(testClass().name());
    unique_hmenu menu = makeMenu(1);
    Win32WindowSystem ws;
    const WindowHandle h = fromHwnd(w.get());
    ws.SetMenu(h, fromHmenu(menu.get()));
    EXPECT_EQ(::GetMenu(w.get()), menu.get());
    ws.ShowWindow(h, kSwShowMaximized);
    EXPECT_TRUE(::IsZoomed(w.get()));
    ws.SetMenu(h, 0);
    EXPECT_EQ(::GetMenu(w.get()), nullptr);
}

// ---------------------------------------------------------------------------

// Windows of another thread, whose owner may stop answering.
class ForeignWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(testClass().registered()); }

    WindowHandle handle(HWND w) { return fromHwnd(w); }
    bool hasVisibleBit(HWND w) {
        return (static_cast<DWORD>(ws.GetWindowLongA(handle(w), kGwlStyle)) & WS_VISIBLE) != 0;
    }

    unique_hmenu menuA = makeMenu(2);
    unique_hmenu menuB = makeMenu(3);
    Win32WindowSystem ws;
    // Declared last: ends first, taking its windows with it.
    BrowserThread hungOwner;
    BrowserThread responsiveOwner;
};

TEST_F(ForeignWindow, ShowWindowAsyncReturnsAtOnceAndTheOwnerHidesTheWindow) {
    const HWND w = hungOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(hasVisibleBit(w));
    ASSERT_TRUE(hungOwner.hang());

    const auto start = Clock::now();
    EXPECT_NE(ws.ShowWindowAsync(handle(w), kSwHide), 0);
    EXPECT_LT(elapsedSince(start), kPrompt);

    hungOwner.resume();
    EXPECT_TRUE(eventually([&] { return !hasVisibleBit(w); }));
}

TEST_F(ForeignWindow, PostedCloseReturnsAtOnceAndTheOwnerClosesTheWindow) {
    const HWND w = hungOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(hungOwner.hang());

    const auto start = Clock::now();
    EXPECT_NE(ws.PostMessageA(handle(w), kWmClose, 0, 0), 0);
    EXPECT_LT(elapsedSince(start), kPrompt);

    hungOwner.resume();
    EXPECT_TRUE(eventually([&] { return ws.IsWindow(handle(w)) == 0; }));
}

TEST_F(ForeignWindow, SetMenuAndShowWindowOnAHungWindowReturnAtOnce) {
    const HWND w = hungOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(hungOwner.hang());

    auto start = Clock::now();
    EXPECT_NE(ws.SetMenu(handle(w), fromHmenu(menuA.get())), 0);
    const auto setMenuTime = elapsedSince(start);
    start = Clock::now();
    EXPECT_NE(ws.ShowWindow(handle(w), kSwShowMaximized), 0);
    const auto showWindowTime = elapsedSince(start);
    EXPECT_LT(setMenuTime, kPrompt);
    EXPECT_LT(showWindowTime, kPrompt);
    RecordProperty("setMenuMs", static_cast<int>(setMenuTime.count()));
    RecordProperty("showWindowMs", static_cast<int>(showWindowTime.count()));
    // A hung owner holds a worker only for the probe's patience.
    EXPECT_TRUE(ws.drain(wine::kDeadline));
    EXPECT_TRUE(hungOwner.hanging());
    EXPECT_NE(::GetMenu(w), menuA.get());
}

// The calls asked while the owner hung are dropped; once it answers again
// (and its backoff is over) the next request is carried out.
TEST_F(ForeignWindow, AnOwnerThatAnswersAgainIsServedAgain) {
    Win32WindowSystem quick(ForeignCalls::Limits{16, 5000ms, 100ms});
    const HWND w = hungOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(hungOwner.hang());
    quick.SetMenu(handle(w), fromHmenu(menuA.get()));
    ASSERT_TRUE(quick.drain(wine::kDeadline));
    hungOwner.resume();
    std::this_thread::sleep_for(150ms);
    quick.SetMenu(handle(w), fromHmenu(menuB.get()));
    ASSERT_TRUE(quick.drain(wine::kDeadline));
    EXPECT_EQ(::GetMenu(w), menuB.get());
}

// A hang belongs to a thread: twenty frames of one hung browser thread take
// one worker between them, not one each.
TEST_F(ForeignWindow, OneHungThreadWithManyWindowsHoldsOneWorker) {
    std::vector<HWND> frames;
    for (int i = 0; i < 20; ++i) frames.push_back(hungOwner.create(testClass().name(), kVisibleFrame));
    const HWND fine = responsiveOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(fine, nullptr);
    ASSERT_TRUE(hungOwner.hang());
    const int before = wine::threadsOfThisProcess();

    int most = before;
    for (const HWND w : frames) {
        ws.ShowWindow(handle(w), kSwShowMaximized);
        most = std::max(most, wine::threadsOfThisProcess());
    }
    ws.SetMenu(handle(fine), fromHmenu(menuB.get()));
    EXPECT_TRUE(eventually([&] {
        most = std::max(most, wine::threadsOfThisProcess());
        return ::GetMenu(fine) == menuB.get();
    }));
    // One worker for the hung thread, one for the other; a little slack for
    // threads of Wine's own.
    EXPECT_LE(most - before, 3);
    hungOwner.resume();
}

TEST_F(ForeignWindow, ResponsiveWindowIsServedWhileAnotherHangs) {
    const HWND hung = hungOwner.create(testClass().name(), kVisibleFrame);
    const HWND fine = responsiveOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(hung, nullptr);
    ASSERT_NE(fine, nullptr);
    ASSERT_TRUE(hungOwner.hang());

    ws.ShowWindow(handle(hung), kSwShowMaximized);
    ws.SetMenu(handle(fine), fromHmenu(menuB.get()));
    EXPECT_TRUE(eventually([&] { return ::GetMenu(fine) == menuB.get(); }));
    EXPECT_TRUE(hungOwner.hanging());

    hungOwner.resume();
    EXPECT_TRUE(ws.drain(wine::kDeadline));
}

// Shutdown: a hung window listed first does not keep the next one from being
// given back to the user.
TEST_F(ForeignWindow, RestoringAtExitReachesTheWindowsBehindAHungOne) {
    const HWND hung = hungOwner.create(testClass().name(), kVisibleFrame);
    const HWND fine = responsiveOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(hung, nullptr);
    ASSERT_NE(fine, nullptr);
    ::SetMenu(hung, menuA.get());
    ::SetMenu(fine, menuB.get());
    ASSERT_TRUE(hungOwner.hang());

    for (const HWND w : {hung, fine}) {
        ws.SetMenu(handle(w), 0);
        ws.ShowWindow(handle(w), kSwShowMaximized);
    }
    ws.drain(2000ms);
    EXPECT_EQ(::GetMenu(fine), nullptr);
    EXPECT_TRUE(::IsZoomed(fine));
    EXPECT_TRUE(hungOwner.hanging());
    hungOwner.resume();
}

TEST_F(ForeignWindow, DestroyingTheWindowSystemDoesNotWaitForAHungWindow) {
    const HWND w = hungOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(hungOwner.hang());
    auto local = std::make_unique<Win32WindowSystem>();
    local->ShowWindow(handle(w), kSwShowMaximized);
    ASSERT_FALSE(local->drain(50ms));  // the probe is under way and waits

    const auto start = Clock::now();
    local.reset();
    EXPECT_LT(elapsedSince(start), kPrompt);
    hungOwner.resume();
}

TEST_F(ForeignWindow, CallsOnAGoneWindowReturnZero) {
    const HWND w = responsiveOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_NE(w, nullptr);
    ws.PostMessageA(handle(w), kWmClose, 0, 0);
    ASSERT_TRUE(eventually([&] { return ws.IsWindow(handle(w)) == 0; }));
    EXPECT_EQ(ws.SetMenu(handle(w), fromHmenu(menuA.get())), 0);
    EXPECT_EQ(ws.ShowWindow(handle(w), kSwShowMaximized), 0);
    EXPECT_TRUE(ws.drain(0ms));
}

}  // namespace
}  // namespace popquell
