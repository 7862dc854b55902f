#include "app/Sweep.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "winsys/Module1.h"

namespace popquell {

std::string timeCaption(Clock& clock) {
    const LocalTime t = clock.now();
    char hms[16], date[16];
    std::snprintf(hms, sizeof hms, "%02d:%02d:%02d    ", t.hour, t.minute, t.second);
    std::snprintf(date, sizeof date, " %d %04d", t.day, t.year);
    return hms + clock.weekdayName(t.weekday) + ' ' + clock.monthAbbrev(t.month) + date;
}

Sweep::Sweep(WindowSystem& ws, FormWindow& window, Clock& clock, std::int32_t& totalClose, MenuItem& totalMenu,
             MenuItem& timemenu)
    : ws_(ws), window_(window), clock_(clock), totalClose_(totalClose), totalMenu_(totalMenu), timemenu_(timemenu) {}

// One list, taken at once: a window that goes meanwhile fails its reads, and
// one that comes waits for the next tick.
void Sweep::run() {
    begin();
    step([] { return true; });
}

// The topmost window is passed over.
void Sweep::begin() {
    windows_ = ws_.EnumWindows();
    next_ = 1;
}

bool Sweep::step(const std::function<bool()>& more) {
    while (next_ < windows_.size()) {
        examine(windows_[next_++]);
        if (!more()) break;
    }
    return next_ >= windows_.size();
}

// Everything about h is read before anything is done to it: once it has been
// sent WM_CLOSE, its owner may destroy it and its handle name another window.
void Sweep::examine(WindowHandle h) {
    const bool popupStyle = ws_.GetWindowLongA(h, kGwlStyle) == kPopupStyle;
    bool emptyFrame = false, menuFrame = false;
    if (ieFrameClass(ws_, h) == kIEFrame) {
        const int k = ws_.GetMenuItemCount(ws_.GetMenu(h));
        if (k < 1) {
            // -1 is a frame without any menu bar: not a pop-up. Or one that
            // shows a bar of ours that died with another window.
            const MenuHandle menu = ws_.GetMenu(h);
            const int k2 = ws_.GetMenuItemCount(menu);
            emptyFrame = k2 == 0 && ws_.IsWindow(h) != 0;
            menuFrame = k2 < 0 && ours(menu);
        } else {
            menuFrame = true;
        }
    }

    if (popupStyle) close(h);
    if (emptyFrame) close(h);
    if (menuFrame) {
        timemenu_.SetCaption(timeCaption(clock_));
        const MenuHandle bar = ws_.GetMenu(window_.hWnd());
        if (bar != 0 && (bars_.empty() || bars_.back() != bar)) bars_.push_back(bar);
        ws_.SetMenu(h, bar);
    }
}

void Sweep::close(WindowHandle h) {
    // The count stops at its maximum rather than stopping the program.
    if (totalClose_ < std::numeric_limits<std::int32_t>::max()) ++totalClose_;
    totalMenu_.SetCaption("Total: " + std::to_string(totalClose_));
    ws_.ShowWindowAsync(h, kSwHide);
    ws_.PostMessageA(h, kWmClose, 0, 0);
}

bool Sweep::ours(MenuHandle m) const { return m != 0 && std::find(bars_.begin(), bars_.end(), m) != bars_.end(); }

void Sweep::takeBarOff() {
    const WindowHandle self = window_.hWnd();
    const MenuHandle ours = ws_.GetMenu(self);
    if (ours == 0) return;
    for (const WindowHandle h : ws_.EnumWindows())
        if (h != self && ws_.GetMenu(h) == ours) ws_.SetMenu(h, 0);
}

}  // namespace popquell
