#pragma once

// The fixed look of the main window: caption, colours, fonts and every
// control's rectangle in twips, in tab order.

#include <array>

#include "res/resource.h"
#include "ui/Units.h"

namespace popquell {

inline constexpr const char* kForm1Caption =
    "To select a window, click Select Window.  Then click Start to begin.";
// Exactly the button strip; List1 and Text1 lie below it.
inline constexpr TwipSize kForm1Client{7620, 555};
inline constexpr Rgb kForm1BackColor{128, 128, 255};
inline constexpr Rgb kList1ForeColor{255, 255, 192};
inline constexpr FontSpec kButtonFont{"MS Sans Serif", 825, 700, 0};
// The form's own font, which Text1 takes.
inline constexpr FontSpec kForm1Font{"MS Sans Serif", 825, 400, 0};

namespace form1 {
inline constexpr ControlSpec List1{"List1", ControlKind::ListBox, IDC_LIST1, "", {105, 600, 5415, 615}};
inline constexpr ControlSpec Command3{"Command3", ControlKind::Button, IDC_COMMAND3, "S&elect Window",
                                      {1995, 120, 1455, 375}};
inline constexpr ControlSpec Command1{"Command1", ControlKind::Button, IDC_COMMAND1, "&Start",
                                      {3555, 120, 855, 375}};
inline constexpr ControlSpec Command2{"Command2", ControlKind::Button, IDC_COMMAND2, "&How to use.",
                                      {690, 120, 1215, 375}};
inline constexpr ControlSpec Command4{"Command4", ControlKind::Button, IDC_COMMAND4, "S&top",
                                      {4530, 120, 855, 375}};
inline constexpr ControlSpec Command5{"Command5", ControlKind::Button, IDC_COMMAND5, "&About",
                                      {5475, 120, 855, 375}};
inline constexpr ControlSpec Text1{"Text1", ControlKind::TextBox, IDC_TEXT1, "", {720, 1320, 3975, 1815}};
}  // namespace form1

// In tab order, which is also the order the windows are created in: the
// keyboard walks child windows in that order.
inline constexpr std::array<ControlSpec, 7> kForm1Controls{
    form1::List1,    form1::Command3, form1::Command1, form1::Command2,
    form1::Command4, form1::Command5, form1::Text1};

}  // namespace popquell
