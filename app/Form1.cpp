#include "app/Form1.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

#include "res/resource.h"
#include "winsys/Module1.h"

namespace popquell {

namespace {

// A desktop holds at most this many windows (the size of the user handle
// table); a walk that has taken more steps is being led round in circles by
// windows that keep reordering themselves, and ends.
constexpr int kMaxWalkSteps = 65536;

// The handles one walk has visited. A walk inserts every window it meets,
// and a node-based set spent most of the sweep's time allocating nodes; this
// is one flat table with open addressing, kept at most half full. 0 never
// enters it, since the walk ends there, so 0 marks a free slot.
class HandleSet {
public:
    // True when h was not in the set yet.
    bool insert(WindowHandle h) {
        if (2 * (size_ + 1) > slots_.size()) grow();
        return place(h);
    }

private:
    bool place(WindowHandle h) {
        // Fibonacci hashing: the top bits of the product depend on every
        // bit of the handle.
        const std::uint64_t product = std::uint64_t{static_cast<std::uint32_t>(h)} * 0x9E3779B97F4A7C15ull;
        const std::size_t mask = slots_.size() - 1;
        auto i = static_cast<std::size_t>(product >> (64 - bits_));
        for (; slots_[i] != 0; i = (i + 1) & mask)
            if (slots_[i] == h) return false;
        slots_[i] = h;
        ++size_;
        return true;
    }

    void grow() {
        std::vector<WindowHandle> old(std::size_t{1} << ++bits_, 0);
        old.swap(slots_);
        size_ = 0;
        for (const WindowHandle h : old)
            if (h != 0) place(h);
    }

    int bits_ = 7;
    std::vector<WindowHandle> slots_ = std::vector<WindowHandle>(std::size_t{1} << bits_, 0);
    std::size_t size_ = 0;
};

// As printf's "%0*d": zeros between the sign and the digits up to the
// width. The caption is built for every browser frame the sweep meets, and
// snprintf cost more than the rest of the frame's handling.
void appendPadded(std::string& out, int value, std::size_t width) {
    char digits[16];
    const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const char* first = digits;
    if (value < 0) {
        out += '-';
        ++first;
        if (width > 0) --width;
    }
    const auto length = static_cast<std::size_t>(end - first);
    if (length < width) out.append(width - length, '0');
    out.append(first, end);
}

}  // namespace

std::string timeCaption(Clock& clock) {
    const LocalTime t = clock.now();
    std::string text;
    text.reserve(48);
    appendPadded(text, t.hour, 2);
    text += ':';
    appendPadded(text, t.minute, 2);
    text += ':';
    appendPadded(text, t.second, 2);
    text += "    ";
    text += clock.weekdayName(t.weekday);
    text += ' ';
    text += clock.monthAbbrev(t.month);
    text += ' ';
    appendPadded(text, t.day, 0);
    text += ' ';
    appendPadded(text, t.year, 4);
    return text;
}

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
      clock_(toolkit.clock),
      boxes_(toolkit.boxes),
      dialog_(toolkit.dialog) {}

void Form1::onTimer(int id) {
    menuBar.keepAlive();
    if (id == Timer1.id()) Timer1.fire();
    else if (id == Timer2.id()) Timer2.fire();
    else if (id == Timer3.id()) Timer3.fire();
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
}

MenuHandle Form1::mainMenu() { return ws_.GetMenu(window_.hWnd()); }

// Visits the top-level windows in Z order, from the topmost or from the one
// below it. Other programs destroy windows while the walk goes on:
//
// - The walk reads two windows ahead: before a window is visited, the
//   successor of its successor is read. A visit may send the window
//   WM_CLOSE, and from then on its owner may destroy it at any moment, and
//   its handle may name another window: it is never asked anything again.
//   The owner may also destroy the next window with it (Wine destroys a
//   thread's hidden IME window with the thread's last window); the walk
//   then still knows the one after.
// - A successor read that gives 0 is the bottom only while the window still
//   exists. Otherwise the chain has broken there, and the walk goes on from
//   the top. It passes the windows it has visited without visiting them
//   again, and a window it has asked to close by the successor read before
//   the close. Should that lead to the same broken link again, nothing leads
//   further down, and the walk ends.
// - Windows that reorder themselves can lead the chain back to windows
//   already seen: each is visited once, and the walk ends after as many
//   steps as a desktop has windows.
//
// Handles with the high bit set are windows like any other; only 0 ends the
// chain. visit(h) returns true when it has asked h to close.
template <typename Visit>
void Form1::walkTopLevelWindows(bool belowTopmost, Visit visit) {
    HandleSet seen;
    HandleSet broken;
    std::unordered_map<WindowHandle, WindowHandle> nextOfClosed;
    // The window below h; gone is set when h no longer exists.
    auto successor = [&](WindowHandle h, bool& gone) {
        if (const auto closed = nextOfClosed.find(h); closed != nextOfClosed.end()) return closed->second;
        const WindowHandle next = ws_.GetWindow(h, kGwHwndNext);
        gone = next == 0 && ws_.IsWindow(h) == 0;
        return next;
    };

    const WindowHandle desktop = ws_.GetDesktopWindow();
    WindowHandle h = 0, next = 0;
    bool fromTop = true, topmost = false;
    for (int steps = 0; steps < kMaxWalkSteps; ++steps) {
        if (fromTop) {
            h = ws_.GetWindow(desktop, kGwChild);
            if (h == 0) return;
            bool gone = false;
            next = successor(h, gone);
            if (gone) {
                if (!broken.insert(h)) return;
                continue;
            }
            fromTop = false;
            topmost = belowTopmost;
        }
        bool nextGone = false;
        const WindowHandle afterNext = next != 0 ? successor(next, nextGone) : 0;
        if (!topmost && seen.insert(h) && visit(h)) nextOfClosed.emplace(h, next);
        topmost = false;
        if (next == 0) return;
        if (nextGone) {
            if (!broken.insert(next)) return;
            fromTop = true;
            continue;
        }
        h = next;
        next = afterNext;
    }
}

// The pop-up sweep: one walk down the top-level windows, below the topmost.
void Form1::Timer1_Timer() {
    walkTopLevelWindows(true, [this](WindowHandle h) { return examine(h); });
}

// Everything about h is read before anything is done to it: once it has been
// sent WM_CLOSE it is never asked anything again. True when h was closed.
bool Form1::examine(WindowHandle h) {
    const bool popupStyle = ws_.GetWindowLongA(h, kGwlStyle) == kPopupStyle;
    bool emptyFrame = false, menuFrame = false;
    if (ieFrameClass(ws_, h) == kIEFrame) {
        const int k = ws_.GetMenuItemCount(ws_.GetMenu(h));
        if (k < 1) {
            // -1 is a frame without any menu bar: not a pop-up.
            const int k2 = ws_.GetMenuItemCount(ws_.GetMenu(h));
            emptyFrame = k2 == 0 && ws_.IsWindow(h) != 0;
        } else {
            menuFrame = true;
        }
    }

    if (popupStyle) closeWindow(h);
    if (emptyFrame) closeWindow(h);
    if (menuFrame) {
        timemenu.SetCaption(timeCaption(clock_));
        ws_.SetMenu(h, mainMenu());
    }
    return popupStyle || emptyFrame;
}

void Form1::closeWindow(WindowHandle h) {
    // The count stops at its maximum rather than stopping the program.
    if (totalClose < std::numeric_limits<std::int32_t>::max()) ++totalClose;
    totalMenu.SetCaption("Total: " + std::to_string(totalClose));
    ws_.ShowWindowAsync(h, kSwHide);
    ws_.PostMessageA(h, kWmClose, 0, 0);
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

    const WindowHandle self = window_.hWnd();
    const MenuHandle ours = ws_.GetMenu(self);
    if (ours == 0) return;
    walkTopLevelWindows(false, [&](WindowHandle h) {
        if (h != self && ws_.GetMenu(h) == ours) ws_.SetMenu(h, 0);
        return false;
    });
}

}  // namespace popquell
