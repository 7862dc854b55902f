#pragma once

// Form1 on a simulated desktop, with the stand-ins for the form toolkit: the
// test ticks the timers itself, answers the boxes from a script and reads
// back what the handlers did.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <iterator>

#include "app/Form1.h"
#include "res/resource.h"
#include "tests/sim/FakeToolkit.h"
#include "tests/sim/SimulatedDesktop.h"

namespace popquell::sim {

// The hook hands on what the test says other programs made; the stopwatch
// stands still unless the test moves it.
class FakeWindowEvents : public WindowEvents {
public:
    void hook(std::function<void(WindowHandle)> noted) override { this->noted = std::move(noted); }
    void unhook() override { noted = nullptr; }
    std::function<void(WindowHandle)> noted;  // set while hooked
};
class FakeStopwatch : public Stopwatch {
public:
    std::int64_t microseconds() override { return now; }
    std::int64_t now = 0;
};

inline constexpr std::int32_t kFrameStyle = kWsOverlappedWindow | kWsVisible;

struct SimulatedForm {
    SimulatedDesktop desk;
    WindowHandle mainWnd = desk.create(std::string(std::begin(kMainWindowClass), std::end(kMainWindowClass) - 1),
                                       kFrameStyle, 0);
    FakeFormWindow window{mainWnd};
    FakeListBox list;
    FakeTimerHost timers;
    FakeClock clock;
    ScriptedMessageBoxes boxes;
    FakeInstructionsDialog dialog;
    Form1 form{desk, Form1Toolkit{window, list, desk.nativeMenu(mainWnd), timers, clock, boxes, dialog}};

    // As the user: Select Window, the window to the front, the answer; the
    // timers' events are then the watcher's tick's.
    void pick(WindowHandle h, int answer = kIdYes) {
        form.onCommand(IDC_COMMAND3);
        desk.foreground(h);
        boxes.answers.push_back(answer);
        timers.events.clear();
        form.onTimer(kIdTimer2);
    }
};

class FormFixture : public ::testing::Test, protected SimulatedForm {
protected:
    // A browser frame with a menu bar of its own.
    WindowHandle browser() { return desk.create("IEFrame", kFrameStyle, 3); }
    WindowHandle popup() { return desk.create("Internet Explorer_Popup", kPopupStyle); }
    // A plain window on top, so that everything else is below the topmost.
    WindowHandle coverTop() { return desk.create("Shell_TrayWnd", kFrameStyle); }

    // The bar the main window shows now: made afresh when a browser took it along.
    MenuHandle mainMenu() const { return desk.menuOf(mainWnd); }
};

}  // namespace popquell::sim
