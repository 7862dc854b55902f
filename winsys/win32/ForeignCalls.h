#pragma once

// Windows carries out SetMenu and ShowWindow on another thread's window by
// sending that thread messages and waiting for it to answer. When the window
// belongs to a program that has stopped pumping messages, the caller waits as
// long as the program hangs: a hung browser once froze our GUI thread for
// 18 s. ForeignCalls takes such calls off the caller's thread: it returns at
// once and runs them on worker threads.
//
// Calls are queued per target window and run in order. A worker serves one
// window at a time, so a hung window holds up only its own calls. A call that
// is still waiting its turn is replaced by a newer call of the same kind for
// the same window, so a hung window's queue never grows past one call of each
// kind. Workers exit after being idle for a while, and there are never more
// than Limits::maxThreads of them; a window that finds them all busy waits
// for the first one to come free.
//
// Plain standard C++: nothing here knows about windows beyond a key.

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
    };

    ForeignCalls();
    explicit ForeignCalls(Limits limits);
    // Drops the calls that have not started and returns at once: a worker
    // stuck in a call is left to finish it on its own, and then exits.
    ~ForeignCalls();
    ForeignCalls(const ForeignCalls&) = delete;
    ForeignCalls& operator=(const ForeignCalls&) = delete;

    // Queues call for the window named by key, replacing a call of the same
    // kind for that window that has not started yet. Never throws or blocks;
    // false when the call could not be queued (out of memory).
    bool post(std::uintptr_t key, int kind, std::function<void()> call) noexcept;

    // Waits at most deadline until every queued call has run; true when none
    // is left.
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
