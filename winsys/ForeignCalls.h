#pragma once

// Windows carries out SetMenu and ShowWindow on another thread's window by
// sending that thread messages and waiting for it to answer. When the window
// belongs to a program that has stopped pumping messages, the caller waits as
// long as the program hangs: a hung browser once froze our GUI thread for
// 18 s. ForeignCalls takes such calls off the caller's thread: it returns at
// once and runs them on worker threads.
//
// A hang belongs to a thread, not to a window: one browser thread may own
// dozens of frames. Calls are queued per owning thread and run in order, by
// one worker at a time, so a hung owner holds at most one worker whatever
// number of windows it has. A call still waiting its turn is replaced by a
// newer call of the same kind for the same window.
//
// Each call says whether its owner answered; the caller gives it its own
// patience (a probe with a timeout). An owner that did not answer counts as
// hung: its waiting calls are dropped, and calls posted for it during the
// next Limits::hungBackoff are dropped at once. The sweep and the keeper ask
// again on their next tick anyway.
//
// There are never more than Limits::maxThreads workers (16). The calls of an
// owner that finds them all busy wait in its queue, one per window and kind,
// until one comes free. Owners found hung before are served after the others,
// and by at most maxThreads - 2 workers at once, so that a responsive owner
// finds a worker even while dozens of hung ones are tried again.
//
// Plain standard C++: nothing here knows about windows beyond their keys.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace popquell {

class ForeignCalls {
public:
    struct Limits {
        std::size_t maxThreads = 16;
        // Long enough that workers survive from one timer tick to the next.
        std::chrono::milliseconds idleTimeout{5000};
        std::chrono::milliseconds hungBackoff{1000};
    };
    using Owner = std::uint32_t;
    using Key = std::uintptr_t;
    // True when the owner answered and the call was carried out.
    using Call = std::function<bool()>;

    ForeignCalls();
    explicit ForeignCalls(Limits limits);
    // Drops the calls that have not started and returns at once: a worker
    // stuck in a call is left to finish it on its own, and then exits.
    ~ForeignCalls();
    ForeignCalls(const ForeignCalls&) = delete;
    ForeignCalls& operator=(const ForeignCalls&) = delete;

    // Queues call for the window `window` of the thread `owner`, replacing a
    // call of the same kind for that window that has not started yet. Never
    // throws or blocks; false when the call was dropped (its owner is hung)
    // or could not be queued (out of memory).
    bool post(Owner owner, Key window, int kind, Call call) noexcept;

    // Waits at most deadline until every queued call has run or been
    // dropped; true when none is left.
    bool drain(std::chrono::milliseconds deadline) noexcept;

    // Worker threads alive, those stuck in a call included.
    std::size_t threadCountForTesting() const noexcept;

private:
    struct State;
    static void work(std::shared_ptr<State> state) noexcept;

    // Shared with the workers, which may outlive this object.
    std::shared_ptr<State> state_;
};

}  // namespace popquell
