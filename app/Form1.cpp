#include "app/Form1.h"

#include <cstdio>
#include <limits>
#include <unordered_set>

#include "winsys/Module1.h"

namespace popquell {

namespace {

// A desktop holds at most this many windows (the size of the user handle
// table); a walk that has taken more steps is being led round in circles by
// windows that keep reordering themselves, and ends.
constexpr int kMaxWalkSteps = 65536;

std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

}  // namespace

std::string timeCaption(Clock& clock) {
    const LocalTime t = clock.now();
    char year[16];
    std::snprintf(year, sizeof year, "%04d", t.year);
    return twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second) + "    " +
           clock.weekdayName(t.weekday) + " " + clock.monthAbbrev(t.month) + " " +
           std::to_string(t.day) + " " + year;
}

Form1::Form1(WindowSystem& ws, const Form1Toolkit& toolkit)
    : List1(toolkit.list),
      menuBar(toolkit.menu),
      abmenu(menuBar.add(kIdAbmenu, "A&bout", false)),
      totalMenu(menuBar.add(kIdTotalMenu, "Total", false)),
      timemenu(menuBar.add(kIdTimemenu, "", true)),
      Timer1(toolkit.timers, kIdTimer1, 1000, [this] { Timer1_Timer(); }),
      Timer2(toolkit.timers, kIdTimer2, 500, [] {}),
      Timer3(toolkit.timers, kIdTimer3, 500, [] {}),
      ws_(ws),
      window_(toolkit.window),
      clock_(toolkit.clock),
      boxes_(toolkit.boxes) {}

void Form1::onTimer(int id) {
    if (id == Timer1.id()) Timer1.fire();
    else if (id == Timer2.id()) Timer2.fire();
    else if (id == Timer3.id()) Timer3.fire();
}

MenuHandle Form1::mainMenu() { return ws_.GetMenu(window_.hWnd()); }

// The pop-up sweep: one walk down the top-level windows, below the topmost.
void Form1::Timer1_Timer() {
    const WindowHandle desktop = ws_.GetDesktopWindow();
    const WindowHandle first = ws_.GetWindow(desktop, kGwChild);
    // Windows that reorder themselves during the walk can lead the chain back
    // to windows already seen; each is examined once a tick, and the walk
    // ends only at the bottom (handles with the high bit set are windows too).
    std::unordered_set<WindowHandle> examined;
    WindowHandle h = ws_.GetWindow(first, kGwHwndNext);
    for (int steps = 0; h != 0 && steps < kMaxWalkSteps; ++steps) {
        if (examined.insert(h).second) examine(h);
        h = ws_.GetWindow(h, kGwHwndNext);
    }
}

void Form1::examine(WindowHandle h) {
    if (ws_.GetWindowLongA(h, kGwlStyle) == kPopupStyle) closeWindow(h);

    if (ieFrameClass(ws_, h) == kIEFrame) {
        const int k = ws_.GetMenuItemCount(ws_.GetMenu(h));
        if (k < 1) {
            // -1 is a frame without any menu bar: not a pop-up.
            const int k2 = ws_.GetMenuItemCount(ws_.GetMenu(h));
            if (k2 == 0 && ws_.IsWindow(h) != 0) closeWindow(h);
        } else {
            timemenu.SetCaption(timeCaption(clock_));
            ws_.SetMenu(h, mainMenu());
        }
    }
}

void Form1::closeWindow(WindowHandle h) {
    // The count stops at its maximum rather than stopping the program.
    if (totalClose < std::numeric_limits<std::int32_t>::max()) ++totalClose;
    totalMenu.SetCaption("Total: " + std::to_string(totalClose));
    ws_.ShowWindowAsync(h, kSwHide);
    ws_.PostMessageA(h, kWmClose, 0, 0);
}

}  // namespace popquell
