#include "app/Form1.h"

#include "res/resource.h"
#include "winsys/Module1.h"

namespace popquell {

Form1::Form1(WindowSystem& ws, const Form1Toolkit& toolkit)
    : List1(toolkit.list),
      menuBar(toolkit.menu),
      abmenu(menuBar.add(kIdAbmenu, "A&bout", false)),
      totalMenu(menuBar.add(kIdTotalMenu, "Total", false)),
      timemenu(menuBar.add(kIdTimemenu, "", true)),
      Timer1(toolkit.timers, kIdTimer1, 1000, [this] { Timer1_Timer(); }),
      Timer2(toolkit.timers, kIdTimer2, 500, [this] { Timer2_Timer(); }),
      Timer3(toolkit.timers, kIdTimer3, 500, [this] { Timer3_Timer(); }),
      ws_(ws),
      window_(toolkit.window),
      boxes_(toolkit.boxes),
      dialog_(toolkit.dialog),
      timers_(toolkit.timers),
      sweep_(ws, toolkit.window, toolkit.clock, totalClose, totalMenu, timemenu) {}

void Form1::onTimer(int id) {
    menuBar.keepAlive();
    if (id == Timer1.id()) Timer1.fire();
    else if (id == Timer2.id()) Timer2.fire();
    else if (id == Timer3.id()) Timer3.fire();
    else if (id == kIdShortTimer && instant_) instant_->tick();
    else if (id == kIdSweepSlice && instant_) instant_->slice();
    followSweep();
}

void Form1::onCommand(int id) {
    menuBar.keepAlive();
    switch (id) {
    case IDC_COMMAND1: Command1_Click(); break;
    case IDC_COMMAND2: Command2_Click(); break;
    case IDC_COMMAND3: Command3_Click(); break;
    case IDC_COMMAND4: Command4_Click(); break;
    case IDC_COMMAND5: Command5_Click(); break;
    }
    followSweep();
}

void Form1::useInstant(WindowEvents& events, Stopwatch& stopwatch) {
    instant_ = std::make_unique<Instant>(ws_, sweep_, timers_, events, stopwatch);
    followSweep();
}

void Form1::followSweep() {
    if (instant_) instant_->follow(Timer1.Enabled());
}

MenuHandle Form1::mainMenu() { return ws_.GetMenu(window_.hWnd()); }

// The pop-up sweep.
void Form1::Timer1_Timer() {
    if (instant_) return instant_->sweep();
    sweep_.run();
}

// The selection watcher: offers the browser window the user brought to the
// front, and enters it in List1 on Yes.
void Form1::Timer2_Timer() {
    const WindowHandle candidate = ws_.GetForegroundWindow();
    if (candidate == window_.hWnd()) return;
    if (classNameOf(ws_, candidate) != kIEFrameW) return;
    if (ws_.IsWindow(candidate) == 0) return;
    if (ws_.IsWindowVisible(candidate) <= 0) return;

    const int last = List1.ListCount() - 1;
    for (int i = 0; i <= last; ++i) {
        if (List1.ItemData(i) == candidate) {
            Timer2.SetEnabled(false);
            boxes_.show(kAlreadySelected, kMbSystemModal | kMbIconInformation, kAppTitle);
            return;
        }
    }

    const int answer =
        boxes_.show(kSelectQuestion, kMbSystemModal | kMbIconInformation | kMbYesNo, kAppTitle);
    if (answer == kIdYes) {
        // The user may have closed it while the question was open.
        if (ws_.IsWindow(candidate) == 0) {
            Timer2.SetEnabled(false);
            return;
        }
        totalMenu.SetVisible(true);
        ws_.SetMenu(candidate, mainMenu());
        List1.AddItem(std::to_string(candidate));
        List1.SetItemData(List1.NewIndex(), candidate);
        List1.Refresh();
        Timer3.SetEnabled(true);
        Timer2.SetEnabled(false);
    } else if (answer == kIdNo) {
        Timer2.SetEnabled(false);
    }
}

// The selection keeper: keeps the menu bar on the selected windows, and
// winds the monitor down over two ticks once all of them are gone.
void Form1::Timer3_Timer() {
    if (List1.ListCount() == 0) {
        totalClose = 0;
        Timer1.SetEnabled(false);
        Timer3.SetEnabled(false);
        return;
    }

    int gone = 0;
    const int last = List1.ListCount() - 1;
    for (int i = 0; i <= last; ++i) {
        const WindowHandle h = List1.ItemData(i);
        if (ws_.IsWindow(h) == 0) {
            ++gone;
            if (gone == List1.ListCount()) {
                Timer1.SetEnabled(false);
                List1.Clear();
                return;
            }
            continue;
        }
        // Gone between the two tests: neither gone nor kept on this tick.
        if (ws_.IsWindow(h) == 0) continue;
        // Once a window is selected the bar holds exactly two items.
        if (ws_.GetMenuItemCount(ws_.GetMenu(h)) != 2) ws_.SetMenu(h, mainMenu());
    }
}

// Start
void Form1::Command1_Click() {
    if (List1.ListCount() > 0) {
        totalMenu.SetCaption("Ready:");
        Timer1.SetEnabled(true);
        window_.minimize();
    }
    if (List1.ListCount() == 0) boxes_.show(kPleaseSelect, kMbSystemModal | kMbOk, kAppTitle);
}

// Select Window: each pick is followed by Start before the sweep runs again.
void Form1::Command3_Click() {
    Timer2.SetEnabled(true);
    Timer1.SetEnabled(false);
}

// Stop
void Form1::Command4_Click() { Timer1.SetEnabled(false); }

// How to use
void Form1::Command2_Click() { dialog_.showModal(instructionsText()); }

// About: the menu item is never shown, so the button is the way to it.
void Form1::Command5_Click() { abmenu_Click(); }

void Form1::abmenu_Click() { boxes_.show(kAboutText, kMbIconInformation, kAppTitle); }

// Gives the selected browsers back to the user: without our menu bar, and
// maximised. The menu bar dies with this window, so it is also taken off
// every other window the sweep put it on, which would otherwise be left
// showing a dead menu.
void Form1::Form_Unload(int& /*Cancel*/) {
    const int last = List1.ListCount() - 1;
    for (int i = 0; i <= last; ++i) {
        const WindowHandle h = List1.ItemData(i);
        if (ws_.IsWindow(h) != 0) {
            ws_.SetMenu(h, 0);
            ws_.ShowWindow(h, kSwShowMaximized);
        }
    }
    sweep_.takeBarOff();
}

}  // namespace popquell
