// Start, Select Window and Stop, and the main window's unload.

#include "FormFixture.h"

namespace popquell::sim {
namespace {

class Commands : public FormFixture {
protected:
    WindowHandle selectedBrowser() {
        const WindowHandle ie = browser();
        form.Command3_Click();
        desk.setForeground(ie);
        boxes.answers.push_back(kIdYes);
        form.onTimer(kIdTimer2);
        timers.events.clear();
        boxes.shown.clear();
        return ie;
    }
};

TEST_F(Commands, StartWithoutSelectionOnlyAsksForOne) {
    form.totalMenu.SetCaption("Total: 4");
    form.Command1_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].prompt, "Please select an Internet Explorer Window.");
    EXPECT_EQ(boxes.shown[0].flags, 4096);
    EXPECT_EQ(boxes.shown[0].title, "Popquell");
    EXPECT_TRUE(timers.events.empty());
    EXPECT_EQ(window.minimized, 0);
    EXPECT_EQ(form.totalMenu.Caption(), "Total: 4");
}

TEST_F(Commands, StartWithASelectionSweepsAndMinimises) {
    selectedBrowser();
    form.totalClose = 2;
    form.Command1_Click();
    EXPECT_EQ(form.totalMenu.Caption(), "Ready:");
    EXPECT_EQ(timers.events, std::vector<std::string>{"start 1 1000"});
    EXPECT_EQ(window.minimized, 1);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(form.totalClose, 2);

    // Pressed again after the window was restored: the same again.
    form.totalMenu.SetCaption("Total: 3");
    form.Command1_Click();
    EXPECT_EQ(form.totalMenu.Caption(), "Ready:");
    EXPECT_EQ(window.minimized, 2);
    EXPECT_TRUE(form.Timer1.Enabled());
}

TEST_F(Commands, StartDuringAPickLeavesTheWatcherOn) {
    selectedBrowser();
    form.Command3_Click();
    form.Command1_Click();
    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_TRUE(form.Timer2.Enabled());
}

TEST_F(Commands, SelectWindowStartsTheWatcherThenStopsTheSweep) {
    selectedBrowser();
    form.Command1_Click();
    timers.events.clear();
    form.Command3_Click();
    EXPECT_EQ(timers.events, (std::vector<std::string>{"start 2 500", "stop 1"}));
    form.Command3_Click();
    EXPECT_TRUE(form.Timer2.Enabled());
    EXPECT_FALSE(form.Timer1.Enabled());
}

TEST_F(Commands, StopStopsOnlyTheSweep) {
    selectedBrowser();
    form.Command1_Click();
    timers.events.clear();
    form.Command4_Click();
    EXPECT_EQ(timers.events, std::vector<std::string>{"stop 1"});
    EXPECT_TRUE(form.Timer3.Enabled());
    form.Command4_Click();
    EXPECT_EQ(timers.events.size(), 1u);
}

// Unload gives the selected browsers back, in list order, without our bar
// and maximised; gone ones are skipped.
TEST_F(Commands, UnloadRestoresTheSelectedWindowsThatStillExist) {
    const WindowHandle a = selectedBrowser(), b = selectedBrowser(), c = selectedBrowser();
    desk.destroy(b);
    desk.log.clear();
    int cancel = 0;
    form.Form_Unload(cancel);
    EXPECT_EQ(cancel, 0);

    std::vector<std::string> calls;
    for (const Op& op : desk.log)
        if (op.name == "SetMenu" || op.name == "ShowWindow")
            calls.push_back(op.name + " " + std::to_string(op.h) + " " + std::to_string(op.a));
    const auto s = [](WindowHandle h) { return std::to_string(h); };
    EXPECT_EQ(calls, (std::vector<std::string>{"SetMenu " + s(a) + " 0", "ShowWindow " + s(a) + " 3",
                                               "SetMenu " + s(c) + " 0", "ShowWindow " + s(c) + " 3"}));
    EXPECT_TRUE(desk.maximized(a));
    EXPECT_EQ(desk.menuOf(c), 0);
}

// Our bar dies with the main window: the browsers the sweep gave it to
// without being selected lose it too, but are not maximised.
TEST_F(Commands, UnloadTakesTheMenuBarOffUnselectedBrowsersToo) {
    const WindowHandle other = browser();
    const WindowHandle stranger = browser();
    const MenuHandle strangersOwn = desk.menuOf(stranger);
    desk.attachMenu(other, mainMenu());
    desk.raise(other);  // even the topmost window
    int cancel = 0;
    form.Form_Unload(cancel);
    EXPECT_EQ(desk.menuOf(other), 0);
    EXPECT_FALSE(desk.maximized(other));
    EXPECT_EQ(desk.menuOf(stranger), strangersOwn);
    EXPECT_EQ(desk.menuOf(mainWnd), mainMenu()) << "the main window keeps its own bar";
}

TEST_F(Commands, UnloadWithAnEmptyListLeavesOtherProgramsAlone) {
    const WindowHandle ie = browser();
    const MenuHandle own = desk.menuOf(ie);
    int cancel = 0;
    form.Form_Unload(cancel);
    EXPECT_EQ(desk.count("ShowWindow"), 0);
    EXPECT_EQ(desk.menuOf(ie), own);
}

}  // namespace
}  // namespace popquell::sim
