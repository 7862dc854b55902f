#pragma once

// Form1 on a simulated desktop: the main window is a window of the desktop
// whose menu bar is the one Form1's items live in.

#include <gtest/gtest.h>

#include "app/Form1.h"
#include "sim/FakeToolkit.h"
#include "sim/SimulatedDesktop.h"

namespace popquell::sim {

inline constexpr std::int32_t kFrameStyle = kWsOverlappedWindow | kWsVisible;
inline constexpr std::int32_t kOverlappedHidden = kWsOverlappedWindow;

struct SimulatedForm {
    SimulatedDesktop desk;
    WindowHandle mainWnd = desk.create("PopquellForm", kFrameStyle, desk.createMenu());
    FakeFormWindow window{mainWnd};
    FakeListBox list;
    FakeTimerHost timers;
    FakeClock clock;
    ScriptedMessageBoxes boxes;
    FakeInstructionsDialog dialog;
    Form1 form{desk, Form1Toolkit{window, list, desk.formMenu(mainWnd), timers, clock, boxes, dialog}};
};

class FormFixture : public ::testing::Test, protected SimulatedForm {
protected:
    // A browser frame with a menu bar of its own.
    WindowHandle browser(int menuItems = 3) {
        std::vector<std::string> items;
        for (int i = 0; i < menuItems; ++i) items.push_back("Item" + std::to_string(i));
        return desk.create("IEFrame", kFrameStyle, desk.createMenu(items));
    }
    WindowHandle popup() { return desk.create("Internet Explorer_Popup", kPopupStyle); }
    // A plain window on top, so that everything else is below the topmost.
    WindowHandle coverTop() { return desk.create("Shell_TrayWnd", kFrameStyle); }

    // The bar the main window shows now: made afresh when a browser took it along.
    MenuHandle mainMenu() const { return desk.menuOf(mainWnd); }
};

}  // namespace popquell::sim
