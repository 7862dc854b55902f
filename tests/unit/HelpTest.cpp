// How to use and About.

#include <algorithm>

#include "FormFixture.h"

namespace popquell::sim {
namespace {

TEST(InstructionsText, HasEightLinesTheSeventhEmptyAndNoTrailingBreak) {
    const std::string text = instructionsText();
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "How to use it:");
    EXPECT_EQ(lines[1], "1. Click Select Window button.");
    EXPECT_EQ(lines[2],
              "2. Click the top area (Title Bar) of the Internet Explorer window  you want .  You "
              "will be asked to choose Yes or No.  If Yes, ad(s) will be closed if there is(are) "
              "any come(s) up.");
    EXPECT_EQ(lines[3], "3.  To select ANOTHER Internet Explorer window, REPEAT Step 1 and Step 2.");
    EXPECT_EQ(lines[4],
              "4.  If a website has pop-ups but they are not ads, you can click Stop button. You "
              "would have to reclick links on this website to view contents of the popped up pages.");
    EXPECT_EQ(lines[5], "5.  Then if there is any pop-up, just click Start button.");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7],
              "EVERYTIME you click Select Window button, you have to click Start button to "
              "activate the software or Pop-ups will not be closed.");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7) << "no bare LF";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 7) << "no bare CR";
    EXPECT_EQ(text.back(), '.');
}

class Help : public FormFixture {};

TEST_F(Help, HowToUseOpensTheDialogWithTheTextEveryTime) {
    form.Command2_Click();
    form.Command2_Click();
    EXPECT_EQ(dialog.shownTexts, (std::vector<std::string>{instructionsText(), instructionsText()}));
}

TEST_F(Help, AboutShowsAnInformationBoxThatIsNotSystemModal) {
    form.Command5_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].flags, 64);
    EXPECT_EQ(boxes.shown[0].title, "Popquell");
    EXPECT_NE(boxes.shown[0].prompt.find("Popquell"), std::string::npos);
    EXPECT_TRUE(timers.events.empty());
}

}  // namespace
}  // namespace popquell::sim
