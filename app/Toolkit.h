#pragma once

// The few things Form1 needs from a form toolkit, each behind a small seam:
// the real ones are thin Win32 wrappers (app/win32), the tests' ones are fakes
// over the simulated desktop. Nothing here knows about HWNDs.

#include <cstdint>
#include <functional>
#include <string>

#include "winsys/WindowSystem.h"

namespace popquell {

// An unsorted list box whose entries carry a 32-bit item value.
class ListBox {
public:
    virtual ~ListBox() = default;
    virtual int ListCount() = 0;
    virtual std::int32_t ItemData(int index) = 0;
    virtual void SetItemData(int index, std::int32_t value) = 0;
    // Appends an entry; NewIndex() then names it.
    virtual void AddItem(const std::string& text) = 0;
    virtual int NewIndex() = 0;
    virtual void Refresh() = 0;
    virtual void Clear() = 0;
};

// The window-system menu bar of the main window, as MenuBar drives it. Items
// are named by their command id; positions count only the items in the bar.
class NativeMenu {
public:
    virtual ~NativeMenu() = default;
    virtual void insertItem(int position, int id, const std::string& text) = 0;
    virtual void removeItem(int id) = 0;
    virtual void setItemText(int id, const std::string& text) = 0;
    // Any window that shows the bar destroys it when it is destroyed itself,
    // as a browser that the user closes does: then the bar is lost.
    virtual bool lost() = 0;
    // An empty menu in place of a lost one, and showing it in the main window
    // once it has been filled.
    virtual void renew() = 0;
    virtual void attach() = 0;
};

// Starts and stops the periodic ticks of a timer, named by its id.
class TimerHost {
public:
    virtual ~TimerHost() = default;
    virtual void startTimer(int id, int intervalMs) = 0;
    virtual void stopTimer(int id) = 0;
    // One tick of id once the messages already waiting have been handled:
    // a long job goes on by slices and the GUI thread keeps answering.
    virtual void tickSoon(int id) = 0;
};

// Tells of the top-level windows that other programs create or show, as they
// come: while hooked, each is handed to `noted` on the GUI thread.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void hook(std::function<void(WindowHandle)> noted) = 0;
    virtual void unhook() = 0;
};

// A steady clock for time budgets: microseconds since some fixed moment.
class Stopwatch {
public:
    virtual ~Stopwatch() = default;
    virtual std::int64_t microseconds() = 0;
};

struct LocalTime {
    int year = 0;
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int weekday = 0;  // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The names used when the locale has none to give.
inline const char* englishWeekdayName(int weekday) {
    static const char* const names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    return weekday >= 0 && weekday < 7 ? names[weekday] : "";
}
inline const char* englishMonthAbbrev(int month) {
    static const char* const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return month >= 1 && month <= 12 ? names[month - 1] : "";
}

// The current local time and the locale's names for days and months.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() = 0;
    virtual std::string weekdayName(int weekday) = 0;  // full name, 0 = Sunday
    virtual std::string monthAbbrev(int month) = 0;    // 1..12
};

// Message-box flags and answers, as Win32 numbers them.
inline constexpr int kMbOk = 0;
inline constexpr int kMbYesNo = 4;
inline constexpr int kMbIconInformation = 64;
inline constexpr int kMbSystemModal = 4096;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// A modal message box: returns only once the user has closed it.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual int show(const std::string& prompt, int flags, const std::string& title) = 0;
};

// The main window itself.
class FormWindow {
public:
    virtual ~FormWindow() = default;
    virtual WindowHandle hWnd() = 0;
    virtual void minimize() = 0;
};

}  // namespace popquell
