// The parts of the toolkit's Win32 side that the journey tests do not reach
// on their own: the list box's signed item data and the clock's names. The
// menu bar, timers and message boxes are tested through the real main window
// (MainWindowTest, JourneyTest).

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32/Win32Toolkit.h"
#include "ui/win32/Handles.h"

namespace popquell {
namespace {

TEST(Win32ListBox, KeepsEntriesInOrderWithTheirItemData) {
    unique_hwnd box(CreateWindowExW(0, L"LISTBOX", L"", 0, 0, 0, 100, 50, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr));
    Win32ListBox list(box.get());
    for (std::int32_t h : {3001, -42, 17}) {
        list.AddItem(std::to_string(h));
        list.SetItemData(list.NewIndex(), h);
    }
    list.Refresh();
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.NewIndex(), 2) << "appended, not sorted";
    EXPECT_EQ(list.ItemData(0), 3001);
    EXPECT_EQ(list.ItemData(1), -42) << "the full signed value comes back";
    EXPECT_EQ(list.ItemData(2), 17);
    wchar_t text[16] = {};
    SendMessageW(box.get(), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"-42");
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
}

TEST(Win32Clock, GivesTheTimeAndEnglishNamesWithoutALocale) {
    Win32Clock clock;
    const LocalTime t = clock.now();
    EXPECT_GE(t.year, 2024);
    EXPECT_GE(t.weekday, 0);
    EXPECT_LE(t.weekday, 6);
    // The test prefix runs with Wine's default English locale.
    EXPECT_EQ(clock.weekdayName(0), "Sunday");
    EXPECT_EQ(clock.weekdayName(6), "Saturday");
    EXPECT_EQ(clock.monthAbbrev(12), "Dec");
    EXPECT_EQ(clock.monthAbbrev(1), "Jan");
}

}  // namespace
}  // namespace popquell
