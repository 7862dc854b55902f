#pragma once

// A desktop in memory, so that the monitor's logic can be driven tick by tick
// against windows that the test places, reorders, hides and closes exactly when
// it wants to. It answers the thirteen WindowSystem calls as the Windows window
// manager does on the points the monitor relies on: Z order and the GW_HWNDNEXT
// chain, styles and the visible bit, class names (given in UTF-8) cut to the caller's buffer,
// menu bars as shared objects, and ShowWindowAsync / PostMessageA that only
// queue work for the window's owner, which does it when the test pumps that
// window's messages. Every call is logged, and `beforeCall` lets a test change
// the desktop between any two calls, as other programs do on the real one.
//
// It does NOT model: child or owned windows; positions and sizes; threads and
// timing other than the explicit pumps; activation rules (the foreground window
// is whatever the test sets, and becomes 0 when it is hidden or destroyed,
// where Windows would activate another window); style bits other than
// WS_VISIBLE and WS_MAXIMIZE, which are only stored; GetWindowLongA indices
// other than GWL_STYLE; messages other than WM_CLOSE and window commands other
// than hiding and maximising; submenus and item states. As on Windows, a
// destroyed window takes its menu bar along, even one that other windows
// show, and they keep its stale handle.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Toolkit.h"
#include "winsys/WindowSystem.h"

namespace popquell::sim {

inline constexpr std::int32_t kWsVisible = 0x10000000;
inline constexpr std::int32_t kWsOverlappedWindow = 0x00CF0000;
inline constexpr std::int32_t kWsPopup = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t kWsMinimize = 0x20000000;
inline constexpr std::int32_t kWsClipSiblings = 0x04000000;
inline constexpr std::int32_t kWsClipChildren = 0x02000000;
inline constexpr std::int32_t kWsMaximize = 0x01000000;

// The class Windows gives its desktop window.
inline constexpr const char* kDesktopClass = "#32769";

// One WindowSystem call: name is the method name, h its window (the menu for
// GetMenuItemCount, 0 when there is none), a and b the further arguments
// (GetWindow: cmd; GetWindowLongA: index; GetClassNameW: maxCount; SetMenu:
// menu; ShowWindow(Async): cmdShow; PostMessageA: msg and wParam).
struct Op {
    std::string name;
    WindowHandle h = 0;
    std::int64_t a = 0;
    std::int64_t b = 0;
};

class SimulatedDesktop : public WindowSystem {
public:
    SimulatedDesktop();
    SimulatedDesktop(const SimulatedDesktop&) = delete;
    SimulatedDesktop& operator=(const SimulatedDesktop&) = delete;
    ~SimulatedDesktop() override;

    WindowHandle desktop() const { return kDesktop; }

    // Set-up and interference. None of these is logged or calls beforeCall.
    // Misuse (a live or 0 handle for createWithHandle) throws std::logic_error.

    // A new top-level window at the top of the Z order, with a handle from a
    // counter: never 0, never one that was used before.
    WindowHandle create(const std::string& className, std::int32_t style, MenuHandle menu = 0);
    // The same with a chosen handle: a negative one, or a destroyed window's.
    WindowHandle createWithHandle(WindowHandle h, const std::string& className,
                                  std::int32_t style, MenuHandle menu = 0);
    // Gone at once, with its queued messages and its menu bar.
    void destroy(WindowHandle h);
    void raise(WindowHandle h);
    void lower(WindowHandle h);
    void placeBelow(WindowHandle h, WindowHandle above);
    std::vector<WindowHandle> zOrder() const;  // top first
    bool exists(WindowHandle h) const;
    void setStyle(WindowHandle h, std::int32_t style);
    std::int32_t style(WindowHandle h) const;  // 0 when gone
    void setForeground(WindowHandle h);
    void setRefusesClose(WindowHandle h, bool refuses);
    // Its owner handles a WM_CLOSE the moment it is posted, as a program
    // does whose thread waits for nothing else: PostMessageA returns with the
    // window's queue pumped (and the window destroyed, unless it refuses).
    void setClosesAtOnce(WindowHandle h);
    bool maximized(WindowHandle h) const;

    // Menus: one object however many windows show it. Items are numbered
    // 1..n by createMenu.
    MenuHandle createMenu(std::vector<std::string> captions = {});
    void destroyMenu(MenuHandle m);
    bool menuExists(MenuHandle m) const;
    std::vector<std::string> menuCaptions(MenuHandle m) const;  // empty when gone
    // What MenuBar drives for a bar; does nothing once m is gone.
    NativeMenu& nativeMenu(MenuHandle m);
    // The bar of the main window `owner`, which is made afresh when lost.
    NativeMenu& formMenu(WindowHandle owner);
    void attachMenu(WindowHandle h, MenuHandle m);
    MenuHandle menuOf(WindowHandle h) const;

    // The owners of the windows handle their queues only when pumped: a hide
    // clears WS_VISIBLE, WM_CLOSE destroys the window unless it refuses.
    void pumpMessages();               // every window, in Z order
    void pumpMessages(WindowHandle h); // just h; the others are hung

    // Called before every WindowSystem call with the call about to run. Calls
    // that it makes itself on this desktop are neither logged nor hooked.
    std::function<void(const Op&)> beforeCall;
    std::vector<Op> log;
    int count(const std::string& name) const;
    int count(const std::string& name, WindowHandle h) const;

    WindowHandle GetDesktopWindow() override;
    WindowHandle GetWindow(WindowHandle h, int cmd) override;
    std::int32_t GetWindowLongA(WindowHandle h, int index) override;
    int GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) override;
    WindowHandle GetForegroundWindow() override;
    int IsWindow(WindowHandle h) override;
    int IsWindowVisible(WindowHandle h) override;
    MenuHandle GetMenu(WindowHandle h) override;
    int GetMenuItemCount(MenuHandle menu) override;
    int SetMenu(WindowHandle h, MenuHandle menu) override;
    int ShowWindowAsync(WindowHandle h, int cmdShow) override;
    int ShowWindow(WindowHandle h, int cmdShow) override;
    int PostMessageA(WindowHandle h, unsigned msg, std::intptr_t wParam,
                     std::intptr_t lParam) override;

private:
    // The real desktop's handle on most Windows versions.
    static constexpr WindowHandle kDesktop = 0x10010;

    struct Message {
        bool isClose;  // else a ShowWindowAsync command
        int cmdShow;
    };
    struct Window {
        std::string className;
        std::int32_t style = 0;
        MenuHandle menu = 0;
        bool refusesClose = false;
        std::deque<Message> queue;
    };
    struct MenuItem {
        int id;
        std::string text;
    };
    class MenuAdapter;

    void call(const char* name, WindowHandle h, std::int64_t a = 0, std::int64_t b = 0);
    Window* find(WindowHandle h);
    const Window* find(WindowHandle h) const;
    void unlink(WindowHandle h);
    void hide(WindowHandle h);

    std::map<WindowHandle, Window> windows_;
    std::vector<WindowHandle> z_;  // top first
    std::set<WindowHandle> used_;
    WindowHandle nextWindow_ = 1001;
    WindowHandle foreground_ = 0;
    std::set<WindowHandle> closesAtOnce_;
    std::map<MenuHandle, std::vector<MenuItem>> menus_;
    std::map<MenuHandle, std::unique_ptr<MenuAdapter>> adapters_;
    std::vector<std::unique_ptr<MenuAdapter>> formMenus_;
    MenuHandle nextMenu_ = 9001;
    bool inHook_ = false;
};

}  // namespace popquell::sim
