#include "app/Instant.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace popquell {

Instant::Instant(WindowSystem& ws, Sweep& sweep, TimerHost& timers, WindowEvents& events, Stopwatch& stopwatch)
    : ws_(ws), sweep_(sweep), timers_(timers), events_(events), stopwatch_(stopwatch) {}

// Nothing noted is examined once the sweep has stopped.
void Instant::follow(bool sweeping) {
    if (sweeping == hooked_) return;
    hooked_ = sweeping;
    if (sweeping) return events_.hook([this](WindowHandle h) { note(h); });
    events_.unhook();
    notes_.clear();
    walking_ = false;
    again_ = false;
    if (armed_) timers_.stopTimer(kIdShortTimer);
    armed_ = false;
}

// A window noted twice, by its making and its showing, is examined once.
void Instant::note(WindowHandle h) {
    const auto noted = [h](const Note& n) { return n.h == h; };
    if (!hooked_ || notes_.size() >= kMaxNotes || std::any_of(notes_.begin(), notes_.end(), noted)) return;
    notes_.push_back({h, kLooks});
    arm();
}

void Instant::arm() {
    if (armed_) return;
    timers_.startTimer(kIdShortTimer, kIntervalMs);
    armedAt_ = stopwatch_.microseconds();
    armed_ = true;
}

// As the sweep, never the topmost window: it is examined once another lies
// above it, or by the sweep. What the budget leaves waits for the next tick.
void Instant::tick() {
    if (armed_) timers_.stopTimer(kIdShortTimer);
    armed_ = false;
    if (notes_.empty()) return;
    const std::int64_t start = stopwatch_.microseconds();
    const WindowHandle top = ws_.GetWindow(ws_.GetDesktopWindow(), kGwChild);
    // The ones to look at again move up in place; the budget's leftovers follow.
    std::size_t kept = 0, looked = 0;
    for (; looked < notes_.size() && stopwatch_.microseconds() - start < kBudgetUs; ++looked) {
        Note n = notes_[looked];
        const bool alive = ws_.IsWindow(n.h) != 0;
        const bool ready = alive && n.h != top && ws_.IsWindowVisible(n.h) != 0;
        if (alive && !ready && --n.looks > 0) notes_[kept++] = n;
        else if (ready) sweep_.examine(n.h);
    }
    notes_.erase(notes_.begin() + static_cast<std::ptrdiff_t>(kept),
                 notes_.begin() + static_cast<std::ptrdiff_t>(looked));
    if (!notes_.empty()) arm();
}

// Under a slow window server a walk of a crowded desktop is long (1000
// windows took up to 400 ms under Wine), and in one piece it would hold up
// the notes and the short tick, which run on the same thread, for as long.
// In slices, each behind the messages already waiting, the notes come in
// between and the windows they name are examined when due.
void Instant::sweep() {
    if (walking_) {
        // As a timer that came due during a long tick fires again at once.
        again_ = true;
        return;
    }
    sweep_.begin();
    walking_ = true;
    slice();
}

void Instant::slice() {
    // A slice already on its way when the sweep stopped.
    if (!walking_) return;
    if (armed_ && stopwatch_.microseconds() - armedAt_ >= kIntervalMs * std::int64_t{1000}) tick();
    const std::int64_t start = stopwatch_.microseconds();
    walking_ = !sweep_.step([&] { return stopwatch_.microseconds() - start < kBudgetUs; });
    if (walking_) return timers_.tickSoon(kIdSweepSlice);
    if (std::exchange(again_, false)) sweep();
}

std::int64_t SteadyStopwatch::microseconds() {
    using namespace std::chrono;
    return duration_cast<std::chrono::microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace popquell
