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
#include <map>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/contract/WindowSystemContract.h"
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

unique_hmenu makeMenu(int items) {
    unique_hmenu menu(::CreateMenu());
    for (int i = 0; i < items; ++i) ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(100 + i), L"Item");
    return menu;
}

std::chrono::milliseconds elapsedSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// user32 sign-extends handles in a 64-bit process; a value with the high bit
// set must come out as that handle, not as a large positive one.
TEST(HandleConversion, RoundTripsEveryThirtyTwoBitValueSignExtended) {
    for (const std::int32_t v : {0, 1, 0x7FFFFFFF, -1, static_cast<std::int32_t>(0x80001234u), INT32_MIN}) {
        EXPECT_EQ(fromHwnd(toHwnd(v)), v);
        EXPECT_EQ(fromHmenu(toHmenu(v)), v);
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(toHwnd(v)), std::intptr_t{v});
    }
}

// The contract on user32: windows of another thread of this process, as a
// browser's are to Popquell (Wine keeps menus per process).
struct User32Desk {
    Win32WindowSystem system;
    std::map<std::wstring, std::unique_ptr<wine::WindowClass>> classes;
    std::map<WindowHandle, std::wstring> classOf;
    BrowserThread owner;  // ends first, taking its windows along

    WindowSystem& ws() { return system; }
    WindowHandle create(const std::string& cls, std::int32_t style, int menuItems) {
        const std::wstring name = widen(cls);
        auto& registered = classes[name];
        if (!registered) registered = std::make_unique<wine::WindowClass>(name);
        const WindowHandle h = fromHwnd(owner.create(registered->name(), static_cast<DWORD>(style), menuItems));
        classOf[h] = name;
        return h;
    }
    // A class goes with its last window: user32 compares class names in any
    // letter case, so another case of the name can be registered after it.
    void destroy(WindowHandle h) {
        owner.close(toHwnd(h));
        const std::wstring name = classOf[h];
        classOf.erase(h);
        if (std::none_of(classOf.begin(), classOf.end(), [&](const auto& c) { return c.second == name; }))
            classes.erase(name);
    }
    void raise(WindowHandle h) {
        owner.run([h] { ::SetWindowPos(toHwnd(h), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); });
    }
    void pump() {
        system.drain(wine::kDeadline);
        owner.run([] {});
    }
    void foreground(WindowHandle h) {
        owner.bringToFront(toHwnd(h));
        eventually([&] { return ::GetForegroundWindow() == toHwnd(h); });
    }
    bool maximized(WindowHandle h) { return ::IsZoomed(toHwnd(h)) != 0; }
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(User32, WindowSystemContract, User32Desk);
}  // namespace contract

namespace {

// On a window of the calling thread nothing can hang, and the calls act
// before they return.
TEST(OwnWindow, SetMenuAndShowWindowActBeforeReturning) {
    unique_hwnd w(::CreateWindowExW(0, testClass().name(), L"", kVisibleFrame, 10, 10, 300, 200, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr));
    unique_hmenu menu = makeMenu(1);
    Win32WindowSystem ws;
    ws.SetMenu(fromHwnd(w.get()), fromHmenu(menu.get()));
    EXPECT_EQ(::GetMenu(w.get()), menu.get());
    ws.ShowWindow(fromHwnd(w.get()), kSwShowMaximized);
    EXPECT_TRUE(::IsZoomed(w.get()));
    ws.SetMenu(fromHwnd(w.get()), 0);
}

// Windows of another thread, whose owner stops answering.
class ForeignWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(hungOwner.hang());
    }

    unique_hmenu menuA = makeMenu(2);
    unique_hmenu menuB = makeMenu(3);
    Win32WindowSystem ws{ForeignCalls::Limits{16, 5000ms, 100ms}};
    // Declared last: they end first, taking their windows with them.
    BrowserThread hungOwner;
    BrowserThread responsiveOwner;
    const HWND w = hungOwner.create(testClass().name(), kVisibleFrame);
    const WindowHandle h = fromHwnd(w);
};

// None of the calls waits for the hung owner; the asynchronous ones take
// effect once it answers again, the others are dropped while it hangs and
// carried out when asked again afterwards.
TEST_F(ForeignWindow, NoCallWaitsForAHungOwner) {
    const auto start = Clock::now();
    EXPECT_NE(ws.ShowWindowAsync(h, kSwHide), 0);
    EXPECT_NE(ws.SetMenu(h, fromHmenu(menuA.get())), 0);
    EXPECT_NE(ws.ShowWindow(h, kSwShowMaximized), 0);
    EXPECT_NE(ws.PostMessageA(h, kWmClose, 0, 0), 0);
    EXPECT_LT(elapsedSince(start), kPrompt);
    RecordProperty("callsMs", static_cast<int>(elapsedSince(start).count()));
    EXPECT_TRUE(ws.drain(wine::kDeadline)) << "a hung owner holds a worker only for the probe's patience";
    EXPECT_TRUE(hungOwner.hanging());
    EXPECT_NE(::GetMenu(w), menuA.get());

    hungOwner.resume();
    EXPECT_TRUE(eventually([&] { return ws.IsWindow(h) == 0; })) << "hidden and closed by its owner";
    const HWND again = responsiveOwner.create(testClass().name(), kVisibleFrame);
    std::this_thread::sleep_for(150ms);
    ws.SetMenu(fromHwnd(again), fromHmenu(menuB.get()));
    EXPECT_TRUE(ws.drain(wine::kDeadline));
    EXPECT_EQ(::GetMenu(again), menuB.get());
    EXPECT_EQ(ws.SetMenu(h, fromHmenu(menuB.get())), 0) << "a gone window";
}

// A hang belongs to a thread: twenty frames of one hung browser thread take
// one worker between them, not one each, and another thread is served.
TEST_F(ForeignWindow, OneHungThreadWithManyWindowsHoldsOneWorker) {
    hungOwner.resume();
    std::vector<HWND> frames{w};
    for (int i = 0; i < 19; ++i) frames.push_back(hungOwner.create(testClass().name(), kVisibleFrame));
    const HWND fine = responsiveOwner.create(testClass().name(), kVisibleFrame);
    ASSERT_TRUE(hungOwner.hang());
    const int before = wine::threadsOfThisProcess();

    int most = before;
    for (const HWND frame : frames) {
        ws.ShowWindow(fromHwnd(frame), kSwShowMaximized);
        most = std::max(most, wine::threadsOfThisProcess());
    }
    ws.SetMenu(fromHwnd(fine), fromHmenu(menuB.get()));
    EXPECT_TRUE(eventually([&] {
        most = std::max(most, wine::threadsOfThisProcess());
        return ::GetMenu(fine) == menuB.get();
    }));
    // One worker for the hung thread, one for the other; a little slack for
    // threads of Wine's own.
    EXPECT_LE(most - before, 3);
    RecordProperty("extraThreads", most - before);
    hungOwner.resume();
}

}  // namespace
}  // namespace popquell
