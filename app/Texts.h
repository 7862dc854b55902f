#pragma once

// What the user and other programs see of Popquell: its texts, and the ids
// of the items of its menu bar, which it shows in other programs' windows.
// The demo, the benchmarks and the tests read them here.

namespace popquell {

inline constexpr const char* kAppTitle = "Popquell";
inline constexpr const char* kAlreadySelected = "Select a different window. This window already selected.";
inline constexpr const char* kSelectQuestion = "Do you want to select this Internet Explorer? ";
inline constexpr const char* kPleaseSelect = "Please select an Internet Explorer Window.";

// The main window's class, by which other programs find it.
inline constexpr wchar_t kMainWindowClass[] = L"PopquellForm";

// Menu command ids of the main window's items. The bar is shown in other
// programs' windows, where a click sends these ids to that program; they lie
// well away from the ranges that common programs use for their commands.
inline constexpr int kIdAbmenu = 0xBE01;
inline constexpr int kIdTotalMenu = 0xBE02;
inline constexpr int kIdTimemenu = 0xBE03;

}  // namespace popquell
