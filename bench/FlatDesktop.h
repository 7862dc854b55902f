#pragma once

// A desktop for timing the monitor's own work. The tests' SimulatedDesktop
// logs every call and keeps its windows in maps, which costs far more than
// the logic it serves; here every WindowSystem call is a few loads from flat
// vectors, so that what a benchmark measures is Form1.
//
// Windows are numbered 1..count in Z order, handle = index, and the window
// below h is h + 1. Styles, class names and menu bars are fixed at
// construction from a repeating mix that looks like a real desktop: mostly
// hidden helper windows and ordinary application windows, one browser frame
// with a menu bar in 25, one frame without a menu bar in 50. Handle 1 is a
// taskbar on top, handle 2 the main window.
//
// Hiding and WM_CLOSE are counted and otherwise ignored, as if every owner
// were hung: a pop-up is still there on the next tick, so the desktop stays
// the same from one tick to the next with or without pop-ups. SetMenu does
// take effect, so after the first tick every browser frame shows the main
// bar; run one tick before timing.

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/Toolkit.h"
#include "winsys/WindowSystem.h"

namespace popquell::bench {

inline constexpr std::int32_t kWsVisible = 0x10000000;
inline constexpr std::int32_t kFrameStyle = 0x00CF0000 | kWsVisible;  // WS_OVERLAPPEDWINDOW
inline constexpr std::int32_t kToolTipStyle = static_cast<std::int32_t>(0x84800003u);
inline constexpr std::int32_t kImeStyle = static_cast<std::int32_t>(0x8C000000u);
inline constexpr std::int32_t kToolWindowStyle = static_cast<std::int32_t>(0x94000000u);

enum class Kind : std::uint8_t {
    Ordinary,      // a visible application window
    HiddenHelper,  // tooltips, IME windows and the like, hidden
    HiddenPopup,   // a pop-up hidden earlier: the style one bit off
    Browser,       // IEFrame with a menu bar of its own
    BareBrowser,   // IEFrame without a menu bar
    Popup,         // exactly the pop-up style
    EmptyBrowser,  // IEFrame with an empty menu bar: closed like a pop-up
};

class FlatDesktop : public WindowSystem {
public:
    static constexpr WindowHandle kDesktop = 0x7FFF0010;
    static constexpr WindowHandle kTaskbar = 1;
    static constexpr WindowHandle kMain = 2;
    static constexpr MenuHandle kMainMenu = 1;

    // `popupsPer1000`: how many windows in a thousand are pop-ups (half of
    // them styled, half empty-menu frames); 0 for a quiet desktop.
    explicit FlatDesktop(int count, int popupsPer1000 = 0) {
        windows_.resize(static_cast<std::size_t>(count) + 1);
        menuItems_.push_back(-1);  // menu 0: none
        menuItems_.push_back(-1);  // the main bar: mainItems_
        for (int h = 1; h <= count; ++h) add(h, kindAt(h, popupsPer1000));
    }

    static Kind kindAt(int h, int popupsPer1000) {
        if (h == kTaskbar || h == kMain) return Kind::Ordinary;
        if (popupsPer1000 > 0 && h % 1000 < popupsPer1000) return h % 2 ? Kind::Popup : Kind::EmptyBrowser;
        if (h % 25 == 3) return Kind::Browser;
        if (h % 50 == 16) return Kind::BareBrowser;
        switch (h % 8) {
            case 0: case 3: case 5: return Kind::Ordinary;
            case 7: return Kind::HiddenPopup;
            default: return Kind::HiddenHelper;
        }
    }

    int count() const { return static_cast<int>(windows_.size()) - 1; }
    int countOf(Kind kind) const {
        int n = 0;
        for (std::size_t h = 1; h < windows_.size(); ++h) n += windows_[h].kind == kind ? 1 : 0;
        return n;
    }

    // The main window's bar as Form1's MenuBar drives it.
    NativeMenu& mainMenu() { return mainMenu_; }

    // Counted so that a benchmark knows how many windows one tick examined.
    std::int64_t styleReads = 0;
    std::int64_t hides = 0;
    std::int64_t closes = 0;

    std::vector<WindowHandle> EnumWindows() override {
        std::vector<WindowHandle> z(windows_.size() - 1);
        std::iota(z.begin(), z.end(), 1);
        return z;
    }
    WindowHandle GetDesktopWindow() override { return kDesktop; }
    WindowHandle GetWindow(WindowHandle h, int cmd) override {
        if (cmd == kGwChild) return h == kDesktop && count() > 0 ? 1 : 0;
        return cmd == kGwHwndNext && live(h) && h < count() ? h + 1 : 0;
    }
    std::int32_t GetWindowLongA(WindowHandle h, int index) override {
        ++styleReads;
        return index == kGwlStyle && live(h) ? windows_[h].style : 0;
    }
    int GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) override {
        if (!live(h) || buffer == nullptr || maxCount <= 0) return 0;
        const ClassName& name = kClasses[windows_[h].cls];
        const int n = name.length < maxCount - 1 ? name.length : maxCount - 1;
        std::copy_n(name.text, n, buffer);
        buffer[n] = '\0';
        return n;
    }
    WindowHandle GetForegroundWindow() override { return kMain; }
    int IsWindow(WindowHandle h) override { return live(h) ? 1 : 0; }
    int IsWindowVisible(WindowHandle h) override {
        return live(h) && (windows_[h].style & kWsVisible) != 0 ? 1 : 0;
    }
    MenuHandle GetMenu(WindowHandle h) override { return live(h) ? windows_[h].menu : 0; }
    int GetMenuItemCount(MenuHandle menu) override {
        if (menu == kMainMenu) return mainItems_;
        return menu > 0 && menu < static_cast<MenuHandle>(menuItems_.size()) ? menuItems_[menu] : -1;
    }
    int SetMenu(WindowHandle h, MenuHandle menu) override {
        if (!live(h)) return 0;
        windows_[h].menu = menu;
        return 1;
    }
    int ShowWindowAsync(WindowHandle h, int) override {
        ++hides;
        return live(h) ? 1 : 0;
    }
    int ShowWindow(WindowHandle h, int) override { return live(h) ? 1 : 0; }
    int PostMessageA(WindowHandle h, unsigned, std::intptr_t, std::intptr_t) override {
        ++closes;
        return live(h) ? 1 : 0;
    }

private:
    struct ClassName {
        const char16_t* text;
        int length;
    };
    enum Class : std::uint8_t { Taskbar, Form, Notepad, Explorer, Chrome, ToolTip, Ime, IEPopup, IEFrame };
    static constexpr ClassName kClasses[] = {
        {u"Shell_TrayWnd", 13},     {u"PopquellForm", 12},     {u"Notepad", 7},
        {u"CabinetWClass", 13},     {u"Chrome_WidgetWin_1", 18}, {u"tooltips_class32", 16},
        {u"IME", 3},                {u"Internet Explorer_TridentDlgFrame", 33}, {u"IEFrame", 7},
    };

    struct Window {
        std::int32_t style = 0;
        MenuHandle menu = 0;
        Kind kind = Kind::Ordinary;
        std::uint8_t cls = 0;
    };

    // Counts the items that Form1 shows; captions are its own business.
    class MainMenu : public NativeMenu {
    public:
        explicit MainMenu(int& items) : items_(items) {}
        void insertItem(int, int, const std::string&) override { ++items_; }
        void removeItem(int) override { --items_; }
        void setItemText(int, const std::string&) override {}
        bool lost() override { return false; }
        void renew() override {}
        void attach() override {}

    private:
        int& items_;
    };

    bool live(WindowHandle h) const { return h >= 1 && h <= count(); }

    MenuHandle newMenu(int items) {
        menuItems_.push_back(items);
        return static_cast<MenuHandle>(menuItems_.size()) - 1;
    }

    void add(int h, Kind kind) {
        Window& w = windows_[static_cast<std::size_t>(h)];
        w.kind = kind;
        switch (kind) {
            case Kind::Ordinary:
                w.style = kFrameStyle;
                if (h == kTaskbar) w.cls = Taskbar;
                else if (h == kMain) w.cls = Form;
                else w.cls = h % 3 == 0 ? Notepad : h % 3 == 1 ? Explorer : Chrome;
                w.menu = h == kMain ? kMainMenu : 0;
                break;
            case Kind::HiddenHelper:
                w.style = h % 2 ? kToolTipStyle : kImeStyle;
                w.cls = h % 2 ? ToolTip : Ime;
                break;
            default: {
                // The browsers and pop-ups: style, class, and the items of a
                // menu bar of their own (-1: none).
                struct Look {
                    std::int32_t style;
                    decltype(w.cls) cls;
                    int items;
                };
                const Look look = kind == Kind::HiddenPopup   ? Look{kPopupStyle & ~kWsVisible, IEPopup, -1}
                                  : kind == Kind::Browser     ? Look{kFrameStyle, IEFrame, 6}
                                  : kind == Kind::BareBrowser ? Look{kFrameStyle, IEFrame, -1}
                                  : kind == Kind::Popup       ? Look{kPopupStyle, IEPopup, -1}
                                                              : Look{kToolWindowStyle, IEFrame, 0};
                w.style = look.style;
                w.cls = look.cls;
                if (look.items >= 0) w.menu = newMenu(look.items);
                break;
            }
        }
    }

    std::vector<Window> windows_;
    std::vector<int> menuItems_;  // by menu handle; -1 for none
    int mainItems_ = 0;           // filled in by Form1's MenuBar
    MainMenu mainMenu_{mainItems_};
};

}  // namespace popquell::bench
