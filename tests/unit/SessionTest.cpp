// A user's whole session on the simulated desktop, driven only through the
// buttons, the answers and the timers' ticks.

#include "FormFixture.h"

namespace popquell::sim {
namespace {

class Session : public FormFixture {
protected:
    // One second of running: two watcher/keeper periods and one sweep, each
    // only if its timer is on, then every program handles its messages.
    void second() {
        for (int id : {kIdTimer2, kIdTimer3, kIdTimer1, kIdTimer2, kIdTimer3})
            if (timers.running(id)) form.onTimer(id);
        desk.pumpMessages();
    }
};

TEST_F(Session, PickStartCloseWindDownAndPickAgain) {
    const WindowHandle ie = browser();
    const WindowHandle bystander = desk.create("Notepad", kFrameStyle);
    const WindowHandle taskbar = coverTop();

    form.Command3_Click();
    desk.setForeground(ie);
    boxes.answers.push_back(kIdYes);
    second();
    EXPECT_EQ(list.data(), std::vector<std::int32_t>{ie});
    EXPECT_EQ(desk.menuCaptions(desk.menuOf(ie)), (std::vector<std::string>{"Total", ""}));

    form.Command1_Click();
    EXPECT_EQ(window.minimized, 1);
    EXPECT_EQ(form.totalMenu.Caption(), "Ready:");

    for (int i = 0; i < 3; ++i) {
        const WindowHandle ad = desk.create("Internet Explorer_TridentDlgFrame", kPopupStyle);
        desk.raise(taskbar);  // always on top
        second();
        EXPECT_FALSE(desk.exists(ad));
    }
    EXPECT_EQ(desk.menuCaptions(desk.menuOf(ie)),
              (std::vector<std::string>{"Total: 3", "09:05:03    Sunday Dec 6 2026"}));
    EXPECT_TRUE(desk.exists(bystander));

    desk.destroy(ie);
    second();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_FALSE(form.Timer3.Enabled());
    EXPECT_EQ(form.totalClose, 0);
    EXPECT_EQ(form.totalMenu.Caption(), "Total: 3");

    form.Command1_Click();
    EXPECT_EQ(boxes.shown.back().prompt, "Please select an Internet Explorer Window.");

    const WindowHandle next = browser();
    form.Command3_Click();
    desk.setForeground(next);
    boxes.answers.push_back(kIdYes);
    second();
    EXPECT_EQ(list.data(), std::vector<std::int32_t>{next});
    EXPECT_TRUE(form.Timer3.Enabled());
}

}  // namespace
}  // namespace popquell::sim
