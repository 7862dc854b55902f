#pragma once

// Stand-ins for the form toolkit around Form1 that keep its contracts (a list's
// NewIndex, a modal box that returns only after it has been "open") and nothing
// more; the unit tests read back what the handlers did, the benchmark runs Form1.

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/Toolkit.h"
#include "help/Instructions.h"

namespace popquell::sim {

// Out-of-range indices throw std::out_of_range, as the real list raises an error.
class FakeListBox : public ListBox {
public:
    int ListCount() override { return static_cast<int>(texts.size()); }
    std::int32_t ItemData(int index) override { return data.at(index); }
    void SetItemData(int index, std::int32_t value) override { data.at(index) = value; }
    void AddItem(const std::string& text) override {
        texts.push_back(text);
        data.push_back(0);
    }
    int NewIndex() override { return ListCount() - 1; }  // items are only appended
    void Refresh() override { ++refreshes; }
    void Clear() override {
        texts.clear();
        data.clear();
    }

    std::vector<std::string> texts;
    std::vector<std::int32_t> data;  // the entries' item data
    int refreshes = 0;
};

// The intervals are the real timers' business, checked where they tick.
class FakeTimerHost : public TimerHost {
public:
    void startTimer(int id, int) override {
        events.push_back("start " + std::to_string(id));
        running_.insert(id);
    }
    void stopTimer(int id) override {
        events.push_back("stop " + std::to_string(id));
        running_.erase(id);
    }
    void tickSoon(int id) override { soon.push_back(id); }
    bool running(int id) const { return running_.contains(id); }

    std::vector<std::string> events;  // "start 2", "stop 1", in call order
    std::vector<int> soon;            // the ticks asked for, in order

private:
    std::set<int> running_;
};

class FakeClock : public Clock {
public:
    LocalTime now() override { return time; }
    std::string weekdayName(int weekday) override { return "Day" + std::to_string(weekday); }
    std::string monthAbbrev(int month) override { return "Month" + std::to_string(month); }

    LocalTime time{2026, 12, 6, 0, 9, 5, 3};  // Sunday 6 December 2026, 09:05:03
};

// A box takes its answer (OK when none is scripted), then runs whileOpen,
// except for a box opened from inside it. Texts and flags are checked on screen.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    int show(const std::string& prompt, int, const std::string&) override {
        shown.push_back(prompt);
        const int answer = answers.empty() ? 1 : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (whileOpen && !open_) {
            open_ = true;
            struct Reset { bool& flag; ~Reset() { flag = false; } } reset{open_};
            whileOpen();
        }
        return answer;
    }

    std::vector<std::string> shown;  // the prompts
    std::deque<int> answers;
    std::function<void()> whileOpen;

private:
    bool open_ = false;
};

class FakeFormWindow : public FormWindow {
public:
    explicit FakeFormWindow(WindowHandle h = 0) : handle(h) {}
    WindowHandle hWnd() override { return handle; }
    void minimize() override { ++minimized; }

    WindowHandle handle;
    int minimized = 0;
};

class FakeInstructionsDialog : public InstructionsDialog {
public:
    void showModal(const std::string&) override {}
};

}  // namespace popquell::sim
