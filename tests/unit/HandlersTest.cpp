// Form1's handlers where an example states the rule better than the random sessions.

#include "tests/unit/FormFixture.h"

namespace popquell::sim {
namespace {

using Events = std::vector<std::string>;

class Handlers : public FormFixture {
protected:
    void keeperTick() {
        timers.events.clear();
        desk.log.clear();
        form.onTimer(kIdTimer3);
    }
};

TEST(Watcher, OffersOnlyAVisibleBrowserThatIsNotItsOwnWindowAndTakesItOnYes) {
    enum Front { Browser, Main, Other, Hidden, None, Own, GoesWhileAsked };
    struct Row {
        Front front;
        int answer;
        Events events;  // of the tick
    };
    for (const Row& row :
         {Row{Main, kIdYes, {}}, Row{Other, kIdYes, {}}, Row{Hidden, kIdYes, {}}, Row{None, kIdYes, {}},
          Row{Own, kIdYes, {}}, Row{Browser, kIdYes, {"start 3", "stop 2"}}, Row{Browser, kIdNo, {"stop 2"}},
          Row{Browser, 2, {}}, Row{GoesWhileAsked, kIdYes, {"stop 2"}}}) {
        SimulatedForm f;
        const WindowHandle ie = f.desk.create("IEFrame", row.front == Hidden ? kWsOverlappedWindow : kFrameStyle, 1, -42);
        const MenuHandle own = f.desk.menuOf(ie);
        const WindowHandle front[] = {ie, f.mainWnd, f.desk.create("Notepad", kFrameStyle), ie, 0, ie, ie};
        if (row.front == Own) f.window.handle = ie;
        if (row.front == GoesWhileAsked) f.boxes.whileOpen = [&] { f.desk.destroy(ie); };
        f.pick(front[row.front], row.answer);
        const std::string what = std::to_string(row.front) + ", answer " + std::to_string(row.answer);
        const bool asked = row.front == Browser || row.front == GoesWhileAsked;
        EXPECT_EQ(f.boxes.shown, asked ? Events{kSelectQuestion} : Events{}) << what;
        EXPECT_EQ(f.timers.events, row.events) << what;
        const bool entered = row.events.size() == 2;
        EXPECT_EQ(f.form.totalMenu.Visible(), entered) << what;
        EXPECT_EQ(f.list.data, entered ? std::vector<std::int32_t>{-42} : std::vector<std::int32_t>{}) << what;
        EXPECT_EQ(f.list.refreshes, entered ? 1 : 0) << what;
        if (row.front != GoesWhileAsked) {
            EXPECT_EQ(f.desk.menuOf(ie), entered ? f.desk.menuOf(f.mainWnd) : own) << what;
        }
    }
}

// It begins with a window listed already, refused with the watcher off first.
TEST_F(Handlers, TheKeeperWindsDownOnlyOnceEverySelectedWindowIsGone) {
    const WindowHandle a = browser(), b = browser(), c = browser();
    for (const WindowHandle h : {a, b, c}) pick(h);
    EXPECT_EQ(list.data, (std::vector<std::int32_t>{a, b, c})) << "appended";
    boxes.shown.clear();
    Events whenShown;
    boxes.whileOpen = [&] { whenShown = timers.events; };
    pick(a);
    EXPECT_EQ(boxes.shown, Events{kAlreadySelected});
    EXPECT_EQ(whenShown, Events{"stop 2"});
    form.onCommand(IDC_COMMAND1);
    desk.destroy(a);
    desk.attachMenu(b, desk.createMenu({"File", "Edit", "View"}));
    keeperTick();
    EXPECT_TRUE(timers.events.empty());
    EXPECT_EQ(desk.menuOf(b), mainMenu()) << "a live window gets the bar back";
    keeperTick();
    EXPECT_EQ(desk.count("SetMenu"), 0) << "once it shows the bar, it is left alone";

    // One window goes between the two tests of its entry: neither gone nor
    // kept on that tick.
    desk.destroy(c);
    int tests = 0;
    desk.beforeCall = [&](const Op& op) {
        if (op.name == "IsWindow" && op.h == b && ++tests == 2) desk.destroy(b);
    };
    keeperTick();
    desk.beforeCall = nullptr;
    EXPECT_EQ(list.ListCount(), 3);
    form.totalClose = 7;
    keeperTick();
    EXPECT_EQ(timers.events, Events{"stop 1"});
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(form.totalClose, 7) << "reset on the next tick";
    form.Timer1.SetEnabled(true);  // forced on, so that the order of the two shows
    keeperTick();
    EXPECT_EQ(timers.events, (Events{"stop 1", "stop 3"}));
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_TRUE(desk.log.empty()) << "no window-system call on an empty list";
}

TEST_F(Handlers, TheButtonsSwitchTheTimersInTheirOrder) {
    form.onCommand(IDC_COMMAND1);  // Start, nothing selected
    EXPECT_TRUE(timers.events.empty());
    EXPECT_EQ(boxes.shown, Events{kPleaseSelect});
    pick(browser());
    form.totalMenu.SetCaption("Total: 4");
    const std::pair<int, Events> rows[] = {
        {IDC_COMMAND1, {"start 1"}}, {IDC_COMMAND3, {"start 2", "stop 1"}}, {IDC_COMMAND1, {"start 1"}},
        {IDC_COMMAND4, {"stop 1"}}, {IDC_COMMAND4, {}},
    };
    for (const auto& [button, events] : rows) {
        timers.events.clear();
        form.onCommand(button);
        EXPECT_EQ(timers.events, events) << button;
    }
    EXPECT_EQ(form.totalMenu.Caption(), "Ready:");
    EXPECT_EQ(window.minimized, 2);
    EXPECT_EQ(boxes.shown.size(), 2u) << "the question only";
}

}  // namespace
}  // namespace popquell::sim
