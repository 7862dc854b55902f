// The selection watcher: which foreground window is offered, and what each
// answer does.

#include "FormFixture.h"

namespace popquell::sim {
namespace {

constexpr int kQuestionFlags = 4164;
constexpr int kRefusalFlags = 4160;

class Watcher : public FormFixture {
protected:
    void SetUp() override { form.Command3_Click(); }
    void pick(WindowHandle h, int answer) {
        desk.setForeground(h);
        boxes.answers.push_back(answer);
        form.onTimer(kIdTimer2);
    }
};

// Nothing to offer: the watcher asks nothing and keeps looking.
TEST_F(Watcher, StaysOnWhileTheForegroundWindowIsNoBrowser) {
    const WindowHandle hidden = desk.create("IEFrame", kOverlappedHidden);
    struct Case { const char* what; WindowHandle h; };
    const Case cases[] = {
        {"the main window", mainWnd},
        {"another class", desk.create("CabinetWClass", kFrameStyle)},
        {"class differing in case", desk.create("ieframe", kFrameStyle)},
        {"longer class name", desk.create("IEFrameX", kFrameStyle)},
        {"the program's own message box", desk.create("#32770", kFrameStyle)},
        {"a hidden browser", hidden},
        {"no foreground window", 0},
    };
    for (const Case& c : cases) {
        desk.setForeground(c.h);
        form.onTimer(kIdTimer2);
        EXPECT_TRUE(boxes.shown.empty()) << c.what;
        EXPECT_TRUE(form.Timer2.Enabled()) << c.what;
    }
    EXPECT_EQ(list.ListCount(), 0);
}

TEST_F(Watcher, YesEntersTheBrowserAndAttachesTheMenuBar) {
    const WindowHandle ie = browser();
    timers.events.clear();
    pick(ie, kIdYes);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].prompt, "Do you want to select this Internet Explorer? ");
    EXPECT_EQ(boxes.shown[0].flags, kQuestionFlags);
    EXPECT_EQ(boxes.shown[0].title, "Popquell");

    EXPECT_EQ(list.texts(), std::vector<std::string>{std::to_string(ie)});
    EXPECT_EQ(list.data(), std::vector<std::int32_t>{ie});
    EXPECT_EQ(list.refreshes, 1);
    EXPECT_TRUE(form.totalMenu.Visible());
    EXPECT_EQ(desk.menuOf(ie), mainMenu());
    EXPECT_EQ(desk.GetMenuItemCount(desk.menuOf(ie)), 2);
    // The keeper goes on before the watcher goes off, as the last two steps.
    EXPECT_EQ(timers.events, (std::vector<std::string>{"start 3 500", "stop 2"}));
}

TEST_F(Watcher, NegativeHandleIsEnteredWithItsSign) {
    const WindowHandle ie = desk.createWithHandle(-42, "IEFrame", kFrameStyle, desk.createMenu({"File"}));
    pick(ie, kIdYes);
    EXPECT_EQ(list.texts(), std::vector<std::string>{"-42"});
    EXPECT_EQ(list.data(), std::vector<std::int32_t>{-42});
}

TEST_F(Watcher, SecondPickAppendsAfterTheFirst) {
    const WindowHandle first = browser();
    const WindowHandle second = browser();
    pick(first, kIdYes);
    form.Command3_Click();
    pick(second, kIdYes);
    EXPECT_EQ(list.data(), (std::vector<std::int32_t>{first, second}));
    EXPECT_EQ(desk.GetMenuItemCount(mainMenu()), 2);
}

TEST_F(Watcher, AlreadyListedWindowIsRefusedWithoutAQuestion) {
    const WindowHandle ie = browser();
    pick(ie, kIdYes);
    form.Command3_Click();
    boxes.shown.clear();
    timers.events.clear();
    std::vector<std::string> eventsWhenShown;
    boxes.whileOpen = [&] { eventsWhenShown = timers.events; };

    pick(ie, kIdYes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].prompt, "Select a different window. This window already selected.");
    EXPECT_EQ(boxes.shown[0].flags, kRefusalFlags);
    EXPECT_EQ(boxes.shown[0].title, "Popquell");
    EXPECT_EQ(eventsWhenShown, std::vector<std::string>{"stop 2"}) << "watcher off before the box";
    EXPECT_EQ(list.ListCount(), 1);
}

TEST_F(Watcher, NoOnlySwitchesTheWatcherOff) {
    const WindowHandle ie = browser();
    const MenuHandle own = desk.menuOf(ie);
    timers.events.clear();
    pick(ie, kIdNo);
    EXPECT_EQ(timers.events, std::vector<std::string>{"stop 2"});
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(desk.menuOf(ie), own);
    EXPECT_FALSE(form.totalMenu.Visible());
}

TEST_F(Watcher, AnswerThatIsNeitherYesNorNoKeepsTheWatcherOn) {
    const WindowHandle ie = browser();
    timers.events.clear();
    pick(ie, 2 /* IDCANCEL */);
    EXPECT_TRUE(timers.events.empty());
    EXPECT_TRUE(form.Timer2.Enabled());
    EXPECT_EQ(list.ListCount(), 0);
}

TEST_F(Watcher, YesOnABrowserClosedMeanwhileEntersNothing) {
    const WindowHandle ie = browser();
    boxes.whileOpen = [&] { desk.destroy(ie); };
    timers.events.clear();
    pick(ie, kIdYes);
    EXPECT_EQ(timers.events, std::vector<std::string>{"stop 2"});
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_FALSE(form.totalMenu.Visible());
    EXPECT_EQ(desk.count("SetMenu"), 0);
}

// A message box pumps messages, so the watcher's own timer comes due while
// the question is open. That tick must not ask again and enter the window
// a second time.
TEST_F(Watcher, TickWhileTheQuestionIsOpenDoesNotAskAgain) {
    const WindowHandle ie = browser();
    boxes.answers = {kIdYes, kIdYes};
    desk.setForeground(ie);
    boxes.whileOpen = [&] { form.onTimer(kIdTimer2); };
    form.onTimer(kIdTimer2);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(list.data(), std::vector<std::int32_t>{ie});
}

// Other timers still run while the question is open.
TEST_F(Watcher, SweepGoesOnWhileTheQuestionIsOpen) {
    const WindowHandle pop = popup();
    const WindowHandle ie = browser();
    form.Timer1.SetEnabled(true);
    boxes.whileOpen = [&] { form.onTimer(kIdTimer1); };
    pick(ie, kIdNo);
    EXPECT_EQ(form.totalClose, 1);
    desk.pumpMessages();
    EXPECT_FALSE(desk.exists(pop));
}

}  // namespace
}  // namespace popquell::sim
