#pragma once

// The Win32 side of Form1's toolkit seams: each class wraps one real control
// or call and holds no logic of its own.

#include <windows.h>

#include <string>

#include "app/Toolkit.h"
#include "ui/win32/Handles.h"

namespace popquell {

// A real, never shown list box: entries carry their handle as item data.
class Win32ListBox final : public ListBox {
public:
    explicit Win32ListBox(HWND listBox) : hwnd_(listBox) {}
    HWND hwnd() const { return hwnd_; }

    int ListCount() override;
    std::int32_t ItemData(int index) override;
    void SetItemData(int index, std::int32_t value) override;
    void AddItem(const std::string& text) override;
    int NewIndex() override { return newIndex_; }
    void Refresh() override;
    void Clear() override;

private:
    HWND hwnd_;
    int newIndex_ = -1;
};

// The main window's menu bar, a real window-system menu. It is built before
// the window shows it; once attached, the window owns and destroys it.
class Win32Menu final : public NativeMenu {
public:
    Win32Menu();
    void attachTo(HWND owner);
    HMENU handle() const { return menu_; }

    void insertItem(int position, int id, const std::string& text) override;
    void removeItem(int id) override;
    void setItemText(int id, const std::string& text) override;
    bool lost() override { return !IsMenu(menu_); }
    void renew() override;
    void attach() override { attachTo(owner_); }

private:
    void redraw();

    unique_hmenu owned_;
    HMENU menu_;
    HWND owner_ = nullptr;
};

// A tick posted to the main window, the timer's id in wParam: it comes
// after the messages already waiting, where WM_TIMER would wait for them all.
inline constexpr UINT kWmTickSoon = WM_APP + 1;

// Window timers of the main window: WM_TIMER carries the id.
class Win32Timers final : public TimerHost {
public:
    explicit Win32Timers(HWND owner) : owner_(owner) {}
    void startTimer(int id, int intervalMs) override;
    void stopTimer(int id) override;
    void tickSoon(int id) override;

private:
    HWND owner_;
};

// Local time, with day and month names of the user's locale.
class Win32Clock final : public Clock {
public:
    LocalTime now() override;
    std::string weekdayName(int weekday) override;
    std::string monthAbbrev(int month) override;
};

// The main window itself, as Form1 sees it.
class Win32FormWindow final : public FormWindow {
public:
    explicit Win32FormWindow(HWND window) : window_(window) {}
    WindowHandle hWnd() override;
    void minimize() override { ShowWindow(window_, SW_MINIMIZE); }

private:
    HWND window_;
};

class Win32MessageBoxes final : public MessageBoxes {
public:
    explicit Win32MessageBoxes(HWND owner) : owner_(owner) {}
    int show(const std::string& prompt, int flags, const std::string& title) override;

private:
    HWND owner_;
};

}  // namespace popquell
