#pragma once

// A desktop in memory, answering the WindowSystem calls as the window manager
// does where the monitor relies on it (the contract suite holds it to user32).
// ShowWindowAsync and PostMessageA only queue work for the window's owner,
// done when the test pumps it. Every call is logged, and `beforeCall` lets a
// test change the desktop between any two calls, as other programs do. No
// child windows, geometry, threads or activation rules: the foreground window
// is whatever the test sets. It is its own desk in the contract suite.

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
inline constexpr std::int32_t kWsMaximize = 0x01000000;

// One WindowSystem call: the method's name, its window (the menu for
// GetMenuItemCount) and its further arguments.
struct Op {
    std::string name;
    WindowHandle h = 0;
    std::int64_t a = 0;
    std::int64_t b = 0;
};

class SimulatedDesktop : public WindowSystem {
public:
    SimulatedDesktop();
    ~SimulatedDesktop() override;

    // Set-up and interference: neither logged nor hooked.
    // A new window on top, with a bar of menuItems items of its own (none when
    // negative) and the handle h (a negative one, or a gone window's; a live one
    // throws std::logic_error), or when h is 0 one never used before. Class
    // names are ASCII.
    WindowHandle create(const std::string& className, std::int32_t style, int menuItems = -1, WindowHandle h = 0);
    void destroy(WindowHandle h);  // with its queue and its menu bar
    void raise(WindowHandle h) { if (exists(h)) place(h, 0); }
    void lower(WindowHandle h) { if (exists(h)) place(h, std::ssize(z_)); }
    void placeBelow(WindowHandle h, WindowHandle above);
    const std::vector<WindowHandle>& zOrder() const { return z_; }  // top first
    bool exists(WindowHandle h) const { return windows_.contains(h); }
    void setStyle(WindowHandle h, std::int32_t style) { if (auto* w = find(h)) w->style = style; }
    std::int32_t style(WindowHandle h) const { return exists(h) ? windows_.at(h).style : 0; }
    bool maximized(WindowHandle h) const { return (style(h) & kWsMaximize) != 0; }
    void foreground(WindowHandle h) { foreground_ = h; }
    void setRefusesClose(WindowHandle h, bool refuses) { if (auto* w = find(h)) w->refusesClose = refuses; }

    // Menus: one object however many windows show it, items numbered 1..n.
    MenuHandle createMenu(std::vector<std::string> captions = {});
    void destroyMenu(MenuHandle m) { menus_.erase(m); }
    bool menuExists(MenuHandle m) const { return menus_.contains(m); }
    std::vector<std::string> menuCaptions(MenuHandle m) const;  // empty when gone
    NativeMenu& nativeMenu(WindowHandle owner);  // its bar as MenuBar drives it, made afresh when lost
    void attachMenu(WindowHandle h, MenuHandle m) { if (auto* w = find(h)) w->menu = m; }
    MenuHandle menuOf(WindowHandle h) const { return exists(h) ? windows_.at(h).menu : 0; }

    // The owners handle their queues only when pumped, so hold() has nothing to do.
    void pump();               // every window, in Z order
    void pump(WindowHandle h); // just h; the others are hung
    void hold() {}
    WindowSystem& ws() { return *this; }

    // Runs before every call with the call about to run; calls it makes
    // itself are neither logged nor hooked.
    std::function<void(const Op&)> beforeCall;
    std::vector<Op> log;
    int count(const std::string& name, WindowHandle h = 0) const;  // h 0: any window

    std::vector<WindowHandle> EnumWindows() override { call("EnumWindows", 0); return z_; }
    WindowHandle GetDesktopWindow() override { call("GetDesktopWindow", 0); return kDesktop; }
    // Only the first child of the desktop: the program takes the list, not the chain.
    WindowHandle GetWindow(WindowHandle h, int cmd) override {
        call("GetWindow", h, cmd);
        return h == kDesktop && cmd == kGwChild && !z_.empty() ? z_.front() : 0;
    }
    std::int32_t GetWindowLongA(WindowHandle h, int index) override {
        call("GetWindowLongA", h, index);
        return index == kGwlStyle ? style(h) : 0;
    }
    int GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) override;
    WindowHandle GetForegroundWindow() override {
        call("GetForegroundWindow", 0);
        return exists(foreground_) ? foreground_ : 0;
    }
    int IsWindow(WindowHandle h) override { call("IsWindow", h); return h == kDesktop || exists(h); }
    int IsWindowVisible(WindowHandle h) override {
        call("IsWindowVisible", h);
        return (style(h) & kWsVisible) != 0;
    }
    MenuHandle GetMenu(WindowHandle h) override { call("GetMenu", h); return menuOf(h); }
    int GetMenuItemCount(MenuHandle menu) override {
        call("GetMenuItemCount", menu);
        return menuExists(menu) ? static_cast<int>(menus_.at(menu).size()) : -1;
    }
    int SetMenu(WindowHandle h, MenuHandle menu) override;
    int ShowWindowAsync(WindowHandle h, int cmdShow) override { return post("ShowWindowAsync", h, cmdShow, cmdShow); }
    int ShowWindow(WindowHandle h, int cmdShow) override;
    // WM_CLOSE is the only message the simulated windows know.
    int PostMessageA(WindowHandle h, unsigned msg, std::intptr_t wParam, std::intptr_t) override {
        return post("PostMessageA", h, msg == kWmClose ? kClose : kIgnored, msg, wParam);
    }

private:
    static constexpr WindowHandle kDesktop = 0x10010;
    // In a queue, beside ShowWindowAsync's commands.
    static constexpr int kClose = -1;
    static constexpr int kIgnored = -2;

    struct Window {
        std::string className;
        std::int32_t style = 0;
        MenuHandle menu = 0;
        bool refusesClose = false;
        std::deque<int> queue;
    };
    struct Item {
        int id;
        std::string text;
    };
    class MenuAdapter;

    void call(const char* name, WindowHandle h, std::int64_t a = 0, std::int64_t b = 0);
    // Logs the call and queues msg for h's owner; 0 when h is gone.
    int post(const char* name, WindowHandle h, int msg, std::int64_t a, std::int64_t b = 0);
    Window* find(WindowHandle h) { return exists(h) ? &windows_.at(h) : nullptr; }
    void place(WindowHandle h, std::ptrdiff_t at);
    void hide(WindowHandle h);

    std::map<WindowHandle, Window> windows_;
    std::vector<WindowHandle> z_;
    std::set<WindowHandle> used_;
    WindowHandle nextWindow_ = 1001;
    WindowHandle foreground_ = 0;
    std::map<MenuHandle, std::vector<Item>> menus_;
    std::vector<std::unique_ptr<MenuAdapter>> adapters_;
    MenuHandle nextMenu_ = 9001;
    bool inHook_ = false;
};

}  // namespace popquell::sim
