#pragma once

// Form1 is the main window's logic: the selected-window list, the close
// counter, the menu bar and the three timers, and the handlers that the
// timers and buttons drive. It holds no Win32 types; the host window passes
// in the toolkit seams and forwards ticks and clicks.

#include <cstdint>
#include <memory>
#include <string>

#include "app/Instant.h"
#include "app/MenuBar.h"
#include "app/Sweep.h"
#include "app/Texts.h"
#include "app/Timer.h"
#include "app/Toolkit.h"
#include "help/Instructions.h"
#include "winsys/WindowSystem.h"

namespace popquell {

inline constexpr int kIdTimer1 = 1;
inline constexpr int kIdTimer2 = 2;
inline constexpr int kIdTimer3 = 3;

struct Form1Toolkit {
    FormWindow& window;
    ListBox& list;
    NativeMenu& menu;
    TimerHost& timers;
    Clock& clock;
    MessageBoxes& boxes;
    InstructionsDialog& dialog;
};

class Form1 {
public:
    Form1(WindowSystem& ws, const Form1Toolkit& toolkit);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Route a tick of the timer, or a click on the command button, with this
    // id to its handler, once the menu bar is sure to be there.
    void onTimer(int id);
    void onCommand(int id);
    // The instant mode, asked for on the command line; without it no hook
    // is ever set.
    void useInstant(WindowEvents& events, Stopwatch& stopwatch);

    // Handlers, named after their control and event.
    void Timer1_Timer();    // pop-up sweep
    void Timer2_Timer();    // selection watcher
    void Timer3_Timer();    // selection keeper
    void Command1_Click();  // Start
    void Command3_Click();  // Select Window
    void Command4_Click();  // Stop
    void Command2_Click();  // How to use
    void Command5_Click();  // About
    void abmenu_Click();
    // The program never vetoes its own close; Cancel is left as it comes.
    void Form_Unload(int& Cancel);

    ListBox& List1;
    MenuBar menuBar;
    MenuItem& abmenu;
    MenuItem& totalMenu;
    MenuItem& timemenu;
    Timer Timer1;
    Timer Timer2;
    Timer Timer3;
    std::int32_t totalClose = 0;

private:
    MenuHandle mainMenu();
    // After every handler: the hook follows the sweep.
    void followSweep();

    WindowSystem& ws_;
    FormWindow& window_;
    MessageBoxes& boxes_;
    InstructionsDialog& dialog_;
    TimerHost& timers_;
    Sweep sweep_;
    std::unique_ptr<Instant> instant_;
};

}  // namespace popquell
