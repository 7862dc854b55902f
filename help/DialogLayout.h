#pragma once

// The fixed look of the instructions dialog: colours, fonts and its two
// controls' rectangles in twips, in tab order.

#include <array>

#include "res/resource.h"
#include "ui/Units.h"

namespace popquell {

inline constexpr const char* kDialogCaption = "";
inline constexpr TwipSize kDialogClient{7995, 3915};
inline constexpr Rgb kDialogBackColor{128, 128, 255};
inline constexpr Rgb kDialogTextColor{255, 255, 255};
inline constexpr Rgb kDialogCloseFace{255, 255, 255};
inline constexpr FontSpec kDialogTextFont{"Arial", 900, 700, 0};
// As the main window's buttons.
inline constexpr FontSpec kDialogButtonFont{"MS Sans Serif", 825, 700, 0};

namespace dialog {
inline constexpr ControlSpec Text1{"Text1", ControlKind::TextBox, IDC_DIALOG_TEXT1, "", {240, 180, 7575, 3135}};
inline constexpr ControlSpec Command1{"Command1", ControlKind::Button, IDC_DIALOG_COMMAND1, "&Close",
                                      {3390, 3360, 1215, 375}};
}  // namespace dialog

inline constexpr std::array<ControlSpec, 2> kDialogControls{dialog::Text1, dialog::Command1};

}  // namespace popquell
