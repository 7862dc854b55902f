#pragma once

// A desktop for timing the monitor's own work. The tests' SimulatedDesktop
// logs every call and keeps its windows in maps, which costs far more than
// the logic it serves; here every WindowSystem call is a few loads from one
// flat vector, so that what a benchmark measures is Form1.
//
// Windows are numbered 1..count in Z order, in the mix of windowAt(). Hiding
// and WM_CLOSE are counted and otherwise ignored, as if every owner were hung:
// a pop-up is still there on the next tick, so the desktop stays the same
// from one tick to the next. SetMenu does take effect, so after the first
// tick every browser frame shows the main bar; run one tick before timing.

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "app/Sweep.h"
#include "app/Toolkit.h"
#include "winsys/WindowSystem.h"

namespace popquell::bench {

// The desktop is also the main window's bar, of which it counts the items
// that Form1 shows; captions are Form1's own business.
class FlatDesktop : public WindowSystem, public NativeMenu {
public:
    static constexpr WindowHandle kMain = 2;

    // `popupsPer1000`: how many windows in a thousand are pop-ups (half of
    // them styled, half empty-menu frames); 0 for a quiet desktop.
    explicit FlatDesktop(int count, int popupsPer1000 = 0) : windows_(static_cast<std::size_t>(count) + 1) {
        for (int h = 1; h <= count; ++h) {
            Window& w = windows_[static_cast<std::size_t>(h)] = windowAt(h, popupsPer1000);
            if (w.items >= 0) w.menu = h + 1;
        }
    }

    // The browser frames with a menu bar of their own.
    int browsers() const {
        const auto own = [](const Window& w) { return w.items > 0; };
        return static_cast<int>(std::count_if(windows_.begin(), windows_.end(), own));
    }

    // Counted so that a benchmark knows how many windows one tick examined.
    std::int64_t styleReads = 0, closes = 0;

    std::vector<WindowHandle> EnumWindows() override {
        std::vector<WindowHandle> z(windows_.size() - 1);
        std::iota(z.begin(), z.end(), 1);
        return z;
    }
    // The sweep takes EnumWindows' list and never follows the chain.
    WindowHandle GetDesktopWindow() override { return 0; }
    WindowHandle GetWindow(WindowHandle, int) override { return 0; }
    std::int32_t GetWindowLongA(WindowHandle h, int index) override {
        ++styleReads;
        return index == kGwlStyle && live(h) ? at(h).style : 0;
    }
    int GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) override {
        if (!live(h) || buffer == nullptr || maxCount <= 0) return 0;
        const std::u16string_view name = at(h).cls.substr(0, static_cast<std::size_t>(maxCount) - 1);
        *std::copy(name.begin(), name.end(), buffer) = u'\0';
        return static_cast<int>(name.size());
    }
    WindowHandle GetForegroundWindow() override { return kMain; }
    int IsWindow(WindowHandle h) override { return live(h) ? 1 : 0; }
    int IsWindowVisible(WindowHandle h) override {
        return live(h) && (at(h).style & kWsVisible) != 0 ? 1 : 0;
    }
    MenuHandle GetMenu(WindowHandle h) override { return live(h) ? at(h).menu : 0; }
    int GetMenuItemCount(MenuHandle menu) override {
        if (menu == kMainMenu) return mainItems_;
        return menu > 1 && live(menu - 1) ? at(menu - 1).items : -1;
    }
    int SetMenu(WindowHandle h, MenuHandle menu) override {
        if (!live(h)) return 0;
        at(h).menu = menu;
        return 1;
    }
    int ShowWindowAsync(WindowHandle h, int) override { return live(h) ? 1 : 0; }
    int ShowWindow(WindowHandle h, int) override { return live(h) ? 1 : 0; }
    int PostMessageA(WindowHandle h, unsigned, std::intptr_t, std::intptr_t) override {
        ++closes;
        return live(h) ? 1 : 0;
    }

    void insertItem(int, int, const std::string&) override { ++mainItems_; }
    void removeItem(int) override { --mainItems_; }
    void setItemText(int, const std::string&) override {}
    bool lost() override { return false; }
    void renew() override {}
    void attach() override {}

private:
    static constexpr MenuHandle kMainMenu = 1;
    static constexpr std::int32_t kWsVisible = 0x10000000;

    struct Window {
        std::int32_t style = 0;
        std::u16string_view cls;
        int items = -1;  // of a menu bar of its own; -1: none
        MenuHandle menu = 0;
    };

    // A repeating mix that looks like a real desktop: mostly hidden helper
    // windows and ordinary application windows, one browser frame with a menu
    // bar in 25, one without in 50; a taskbar on top, then the main window,
    // whose bar is menu 1. A window's own bar is its handle + 1.
    static Window windowAt(int h, int popupsPer1000) {
        constexpr std::int32_t frame = 0x00CF0000 | kWsVisible;  // WS_OVERLAPPEDWINDOW
        constexpr std::u16string_view iePopup = u"Internet Explorer_TridentDlgFrame";
        if (h == 1) return {frame, u"Shell_TrayWnd"};
        if (h == kMain) return {frame, u"PopquellForm", -1, kMainMenu};
        if (popupsPer1000 > 0 && h % 1000 < popupsPer1000)
            return h % 2 ? Window{kPopupStyle, iePopup}
                         : Window{static_cast<std::int32_t>(0x94000000u), u"IEFrame", 0};
        if (h % 25 == 3) return {frame, u"IEFrame", 6};
        if (h % 50 == 16) return {frame, u"IEFrame"};
        switch (h % 8) {
        case 0: case 3: case 5:
            return {frame, h % 3 == 0 ? u"Notepad" : h % 3 == 1 ? u"CabinetWClass" : u"Chrome_WidgetWin_1"};
        case 7:  // a pop-up hidden earlier: the style one bit off
            return {kPopupStyle & ~kWsVisible, iePopup};
        default:  // tooltips and IME windows, hidden
            return h % 2 ? Window{static_cast<std::int32_t>(0x84800003u), u"tooltips_class32"}
                         : Window{static_cast<std::int32_t>(0x8C000000u), u"IME"};
        }
    }

    bool live(WindowHandle h) const { return h >= 1 && h < static_cast<WindowHandle>(windows_.size()); }
    Window& at(WindowHandle h) { return windows_[static_cast<std::size_t>(h)]; }

    std::vector<Window> windows_;
    int mainItems_ = 0;  // filled in by Form1's MenuBar
};

}  // namespace popquell::bench
