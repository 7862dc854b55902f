#pragma once

// The Win32 side of Form1's toolkit seams: each class wraps one real control
// or call and holds no logic of its own.

#include <windows.h>

#include <string>

#include "app/Toolkit.h"
#include "winsys/win32/UniqueHandle.h"

namespace popquell {

// Form1's texts are UTF-8; the window system's are UTF-16.
std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

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
    // Any window that shows the bar destroys it when it is destroyed itself,
    // as a browser the user closes does.
    bool lost() const { return !IsMenu(menu_); }
    // A new, empty menu, to be filled and attached again.
    void renew();

    void insertItem(int position, int id, const std::string& text) override;
    void removeItem(int id) override;
    void setItemText(int id, const std::string& text) override;

private:
    void redraw();

    unique_hmenu owned_;
    HMENU menu_;
    HWND owner_ = nullptr;
};

// Window timers of the main window: WM_TIMER carries the id.
class Win32Timers final : public TimerHost {
public:
    explicit Win32Timers(HWND owner) : owner_(owner) {}
    void startTimer(int id, int intervalMs) override;
    void stopTimer(int id) override;

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

class Win32MessageBoxes final : public MessageBoxes {
public:
    explicit Win32MessageBoxes(HWND owner) : owner_(owner) {}
    int show(const std::string& prompt, int flags, const std::string& title) override;

private:
    HWND owner_;
};

}  // namespace popquell
