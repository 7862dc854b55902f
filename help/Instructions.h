#pragma once

#include <string>

namespace popquell {

// The usage steps shown by How to use: eight lines joined by CR LF, the
// seventh empty, no break after the last.
std::string instructionsText();

// The About box's one line.
inline constexpr const char* kAboutText =
    "Popquell closes the pop-up windows of Internet Explorer for you.";

// The modal instructions dialog: shows the text and returns once the user
// has closed it.
class InstructionsDialog {
public:
    virtual ~InstructionsDialog() = default;
    virtual void showModal(const std::string& text) = 0;
};

}  // namespace popquell
