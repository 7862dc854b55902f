#include "app/win32/Win32Toolkit.h"

#include "ui/win32/Text.h"
#include "winsys/win32/Win32WindowSystem.h"

#include <array>

namespace popquell {

// --- list box ---

int Win32ListBox::ListCount() {
    return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0));
}

std::int32_t Win32ListBox::ItemData(int index) {
    return static_cast<std::int32_t>(SendMessageW(hwnd_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void Win32ListBox::SetItemData(int index, std::int32_t value) {
    SendMessageW(hwnd_, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(value));
}

void Win32ListBox::AddItem(const std::string& text) {
    newIndex_ = static_cast<int>(
        SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(text).c_str())));
}

void Win32ListBox::Refresh() {
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
}

void Win32ListBox::Clear() {
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    newIndex_ = -1;
}

// --- menu bar ---

Win32Menu::Win32Menu() : owned_(CreateMenu()), menu_(owned_.get()) {}

void Win32Menu::attachTo(HWND owner) {
    owner_ = owner;
    if (SetMenu(owner, menu_)) owned_.release();
}

void Win32Menu::renew() {
    owned_.reset(CreateMenu());
    menu_ = owned_.get();
}

void Win32Menu::insertItem(int position, int id, const std::string& text) {
    const std::wstring wide = widen(text);
    InsertMenuW(menu_, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING,
                static_cast<UINT_PTR>(id), wide.c_str());
    redraw();
}

void Win32Menu::removeItem(int id) {
    RemoveMenu(menu_, static_cast<UINT>(id), MF_BYCOMMAND);
    redraw();
}

void Win32Menu::setItemText(int id, const std::string& text) {
    const std::wstring wide = widen(text);
    ModifyMenuW(menu_, static_cast<UINT>(id), MF_BYCOMMAND | MF_STRING, static_cast<UINT_PTR>(id),
                wide.c_str());
    redraw();
}

void Win32Menu::redraw() {
    if (owner_) DrawMenuBar(owner_);
}

// --- timers ---

void Win32Timers::startTimer(int id, int intervalMs) {
    SetTimer(owner_, static_cast<UINT_PTR>(id), static_cast<UINT>(intervalMs), nullptr);
}

void Win32Timers::stopTimer(int id) {
    // Also drops a WM_TIMER of this timer that is already queued.
    KillTimer(owner_, static_cast<UINT_PTR>(id));
}

void Win32Timers::tickSoon(int id) { PostMessageW(owner_, kWmTickSoon, static_cast<WPARAM>(id), 0); }

// --- clock ---

LocalTime Win32Clock::now() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wDayOfWeek, st.wHour, st.wMinute, st.wSecond};
}

namespace {

std::string localeText(LCTYPE type) {
    std::array<wchar_t, 128> text{};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text.data(),
                                       static_cast<int>(text.size()));
    return length > 1 ? narrow(std::wstring(text.data(), static_cast<std::size_t>(length - 1)))
                      : std::string{};
}

}  // namespace

std::string Win32Clock::weekdayName(int weekday) {
    // The locale numbers the days from Monday (LOCALE_SDAYNAME1) to Sunday.
    static constexpr std::array<LCTYPE, 7> days{LOCALE_SDAYNAME7, LOCALE_SDAYNAME1, LOCALE_SDAYNAME2,
                                                 LOCALE_SDAYNAME3, LOCALE_SDAYNAME4, LOCALE_SDAYNAME5,
                                                 LOCALE_SDAYNAME6};
    if (weekday < 0 || weekday > 6) return {};
    std::string name = localeText(days[static_cast<std::size_t>(weekday)]);
    return name.empty() ? englishWeekdayName(weekday) : name;
}

std::string Win32Clock::monthAbbrev(int month) {
    if (month < 1 || month > 12) return {};
    std::string name = localeText(LOCALE_SABBREVMONTHNAME1 + static_cast<LCTYPE>(month - 1));
    return name.empty() ? englishMonthAbbrev(month) : name;
}

// --- the window ---

WindowHandle Win32FormWindow::hWnd() { return fromHwnd(window_); }

// --- message boxes ---

int Win32MessageBoxes::show(const std::string& prompt, int flags, const std::string& title) {
    return MessageBoxW(owner_, widen(prompt).c_str(), widen(title).c_str(), static_cast<UINT>(flags));
}

}  // namespace popquell
