#include "winsys/win32/ForeignCalls.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

namespace popquell {

namespace {

struct Call {
    int kind;
    std::function<void()> run;
};

// The calls for one window. A lane with calls is either served by exactly
// one worker or waits in State::ready for one.
struct Lane {
    std::deque<Call> pending;  // not started yet
    bool served = false;
    bool ready = false;  // in State::ready
};

}  // namespace

struct ForeignCalls::State {
    explicit State(Limits l) : limits(l) {}

    const Limits limits;
    std::mutex mutex;
    std::condition_variable work;  // a lane is ready, or we are closing
    std::condition_variable done;  // a call finished, or a worker exited
    std::unordered_map<std::uintptr_t, Lane> lanes;
    std::deque<std::uintptr_t> ready;
    std::size_t outstanding = 0;  // calls queued or running
    std::size_t threads = 0;
    std::size_t idle = 0;     // workers at no lane
    std::size_t running = 0;  // workers inside a call
    bool closing = false;
};

ForeignCalls::ForeignCalls() : ForeignCalls(Limits{}) {}

ForeignCalls::ForeignCalls(Limits limits) : state_(std::make_shared<State>(limits)) {}

ForeignCalls::~ForeignCalls() {
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    s.closing = true;
    for (const auto& entry : s.lanes) s.outstanding -= entry.second.pending.size();
    s.lanes.clear();  // a serving worker finds its lane gone and stops
    s.ready.clear();
    s.work.notify_all();
    // Idle workers leave at once; one inside a call may be stuck for good.
    // The wait is bounded all the same, in case a worker is slow to wake.
    s.done.wait_for(lock, std::chrono::milliseconds(200),
                    [&] { return s.threads == s.running; });
}

bool ForeignCalls::post(std::uintptr_t key, int kind, std::function<void()> call) noexcept {
    State& s = *state_;
    std::lock_guard lock(s.mutex);
    bool queued = true;
    try {
        Lane& lane = s.lanes[key];
        if (!lane.served && !lane.ready) {
            s.ready.push_back(key);
            lane.ready = true;
        }
        auto same = std::find_if(lane.pending.begin(), lane.pending.end(),
                                 [&](const Call& c) { return c.kind == kind; });
        if (same != lane.pending.end()) {
            lane.pending.erase(same);
            --s.outstanding;
        }
        // Appended, not put in the old one's place: the calls run in the
        // order of the requests that are still wanted.
        lane.pending.push_back(Call{kind, std::move(call)});
        ++s.outstanding;
    } catch (...) {
        queued = false;
    }
    if (s.ready.empty()) return queued;
    // Workers woken or started but not yet at a lane still count as idle,
    // each for one lane. A failed start is made up for by the next post.
    if (s.idle >= s.ready.size()) {
        s.work.notify_one();
    } else if (s.threads < s.limits.maxThreads) {
        try {
            std::thread(work, state_).detach();
            ++s.threads;
            ++s.idle;
        } catch (...) {
        }
    }
    return queued;
}

bool ForeignCalls::drain(std::chrono::milliseconds deadline) noexcept {
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    return s.done.wait_for(lock, deadline, [&] { return s.outstanding == 0; });
}

std::size_t ForeignCalls::threadCountForTesting() const noexcept {
    std::lock_guard lock(state_->mutex);
    return state_->threads;
}

void ForeignCalls::work(std::shared_ptr<State> state) noexcept {
    State& s = *state;
    std::unique_lock lock(s.mutex);
    // Counted as idle from its start, so that a post meanwhile starts no
    // second thread for the lane this one is about to take.
    for (;;) {
        const bool woken = s.work.wait_for(lock, s.limits.idleTimeout, [&] {
            return !s.ready.empty() || s.closing;
        });
        if (!woken || s.ready.empty()) break;
        const std::uintptr_t key = s.ready.front();
        s.ready.pop_front();
        auto taken = s.lanes.find(key);
        if (taken == s.lanes.end()) continue;
        taken->second.ready = false;
        taken->second.served = true;
        --s.idle;
        for (;;) {
            auto lane = s.lanes.find(key);
            if (lane == s.lanes.end()) break;  // dropped by the destructor
            if (lane->second.pending.empty()) {
                s.lanes.erase(lane);
                break;
            }
            Call call = std::move(lane->second.pending.front());
            lane->second.pending.pop_front();
            ++s.running;
            lock.unlock();
            try {
                call.run();
            } catch (...) {
                // Nobody waits for the result; the next call goes ahead.
            }
            call.run = nullptr;  // whatever it holds goes now, not under the lock
            lock.lock();
            --s.running;
            --s.outstanding;
            s.done.notify_all();
        }
        ++s.idle;
    }
    --s.idle;
    --s.threads;
    s.done.notify_all();
}

}  // namespace popquell
