// Win32WindowSystem against real windows of another thread of the test, which
// can be told to hang: Wine keeps menus per process.

#include "winsys/win32/Win32WindowSystem.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/contract/WindowSystemContract.h"
#include "tests/wine/GuiTestSupport.h"
#include "winsys/Module1.h"

namespace popquell {
namespace {

using namespace wine;

// The contract on user32, on windows of another thread, as a browser's are to Popquell.
struct User32Desk {
    Win32WindowSystem system;
    std::map<std::wstring, std::unique_ptr<WindowClass>> classes;
    BrowserThread owner;  // ends first, taking its windows along

    WindowSystem& ws() { return system; }
    WindowHandle create(const std::string& cls, std::int32_t style, int menuItems) {
        const std::wstring name = widen(cls);
        auto& registered = classes[name];
        if (!registered) registered = std::make_unique<WindowClass>(name);
        return fromHwnd(owner.create(registered->name(), static_cast<DWORD>(style), menuItems));
    }
    // A class goes with its last window: user32 compares class names in any
    // letter case, so another case of the name can be registered after it.
    // While other windows have the class, user32 keeps it registered.
    void destroy(WindowHandle h) {
        wchar_t name[256]{};
        GetClassNameW(toHwnd(h), name, 256);
        owner.close(toHwnd(h));
        classes.erase(name);
    }
    void raise(WindowHandle h) {
        owner.run([h] { SetWindowPos(toHwnd(h), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); });
    }
    void hold() { owner.hang(); }
    void pump() {
        owner.resume();
        system.drain(wine::kDeadline);
        owner.run([] {});
    }
    void foreground(WindowHandle h) {
        owner.bringToFront(toHwnd(h));
        wine::waitUntil([&] { return GetForegroundWindow() == toHwnd(h); }, wine::kDeadline);
    }
    bool maximized(WindowHandle h) { return IsZoomed(toHwnd(h)) != 0; }
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(User32, WindowSystemContract, User32Desk);
}  // namespace contract

namespace {

// A handle is 32 bits, sign-extended in a 64-bit process: the high bit is no end of the list.
TEST(Conversions, HandlesWithTheHighBitSetKeepTheirSign) {
    for (const std::int32_t h : {-2, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(toHwnd(h)), h);
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(toHmenu(h)), h);
        EXPECT_EQ(fromHwnd(toHwnd(h)), h);
        EXPECT_EQ(fromHmenu(toHmenu(h)), h);
    }
}

// A hang belongs to a thread: twenty frames of one take one worker between them.
TEST(ForeignWindow, OneHungThreadWithManyWindowsHoldsOneWorker) {
    const unique_hmenu menu(CreateMenu());
    Win32WindowSystem ws;
    // Declared last: they end first, taking their windows with them.
    BrowserThread hungOwner, responsiveOwner;
    std::vector<HWND> frames;
    for (int i = 0; i < 20; ++i) frames.push_back(hungOwner.create(L"Static", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    const HWND fine = responsiveOwner.create(L"Static", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_TRUE(hungOwner.hang());
    const int before = wine::threadsOfThisProcess();
    for (const HWND frame : frames) ws.ShowWindow(fromHwnd(frame), kSwShowMaximized);
    ws.SetMenu(fromHwnd(fine), fromHmenu(menu.get()));
    EXPECT_TRUE(wine::waitUntil([&] { return GetMenu(fine) == menu.get(); }, wine::kDeadline));
    // One worker for each thread, idle ones not gone yet; a little slack for threads of Wine's own.
    EXPECT_LE(wine::threadsOfThisProcess() - before, 3);
}

}  // namespace
}  // namespace popquell
