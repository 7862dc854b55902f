#pragma once

// The instant mode (popquell.exe /instant). A pop-up lives until the sweep's
// next tick, half a second on average: long enough to be seen, or clicked.
// Here a hook notes each top-level window that another program creates or
// shows, and a short one-shot timer puts the noted ones through the sweep's
// own rule some ten milliseconds later. The 1-second sweep goes on as before.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/Sweep.h"
#include "app/Toolkit.h"
#include "winsys/WindowSystem.h"

namespace popquell {

inline constexpr int kIdShortTimer = 4;
// The ticks of the sweep's walk, which goes by slices in this mode.
inline constexpr int kIdSweepSlice = 5;

class Instant {
public:
    static constexpr int kIntervalMs = 10;
    // A window is made before it is shown, and Wine tells only of the making:
    // one not yet visible is looked at on this many ticks, then left to the sweep.
    static constexpr int kLooks = 5;
    // Of one short tick or slice of the walk, so that a storm of windows cannot starve the GUI thread.
    static constexpr std::int64_t kBudgetUs = 4000;
    // Notes beyond these wait for the sweep.
    static constexpr std::size_t kMaxNotes = 4096;

    Instant(WindowSystem& ws, Sweep& sweep, TimerHost& timers, WindowEvents& events, Stopwatch& stopwatch);
    Instant(const Instant&) = delete;
    Instant& operator=(const Instant&) = delete;

    // The hook is set exactly while the sweep runs.
    void follow(bool sweeping);
    // The short timer's tick.
    void tick();
    // Timer1's tick: the sweep's walk, by slices.
    void sweep();
    void slice();

private:
    struct Note {
        WindowHandle h;
        int looks;
    };
    void note(WindowHandle h);
    void arm();

    WindowSystem& ws_;
    Sweep& sweep_;
    TimerHost& timers_;
    WindowEvents& events_;
    Stopwatch& stopwatch_;
    bool hooked_ = false;
    bool armed_ = false;
    std::int64_t armedAt_ = 0;
    bool walking_ = false;
    bool again_ = false;  // Timer1 ticked during the walk
    std::vector<Note> notes_;  // each window once, the oldest first
};

// The real clock of the budget.
class SteadyStopwatch final : public Stopwatch {
public:
    std::int64_t microseconds() override;
};

}  // namespace popquell
