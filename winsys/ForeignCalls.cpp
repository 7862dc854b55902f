#include "winsys/ForeignCalls.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

namespace popquell {

namespace {

using Clock = std::chrono::steady_clock;

struct Pending {
    ForeignCalls::Key window;
    int kind;
    ForeignCalls::Call run;
};

// The calls for one owner. A lane with calls is either served by exactly one
// worker or waits for one in State::ready or State::suspects.
struct Lane {
    std::deque<Pending> pending;  // not started yet
    bool served = false;
    bool queued = false;
};

}  // namespace

struct ForeignCalls::State {
    explicit State(Limits l) : limits(l) {}

    const Limits limits;
    std::mutex mutex;
    std::condition_variable work;  // a lane can be taken, or we are closing
    std::condition_variable done;  // a call finished, or a worker exited
    std::unordered_map<Owner, Lane> lanes;
    // Owners that did not answer, and until when their calls are dropped.
    // Kept past that time, as suspects, until one of their calls answers.
    std::unordered_map<Owner, Clock::time_point> hung;
    std::deque<Owner> ready;
    std::deque<Owner> suspects;
    std::size_t outstanding = 0;  // calls queued or running
    std::size_t threads = 0;
    std::size_t idle = 0;     // workers at no lane
    std::size_t running = 0;  // workers inside a call
    std::size_t servingSuspects = 0;
    bool closing = false;

    std::size_t suspectWorkers() const {
        return limits.maxThreads > 2 ? limits.maxThreads - 2 : 1;
    }
    std::size_t takeable() const {
        const std::size_t room = suspectWorkers() > servingSuspects ? suspectWorkers() - servingSuspects : 0;
        return ready.size() + std::min(suspects.size(), room);
    }
    bool take(Owner& owner, bool& suspect) {
        if (!ready.empty()) {
            owner = ready.front();
            ready.pop_front();
            suspect = false;
            return true;
        }
        if (suspects.empty() || servingSuspects >= suspectWorkers()) return false;
        owner = suspects.front();
        suspects.pop_front();
        ++servingSuspects;
        suspect = true;
        return true;
    }
    void dropWaiting(Lane& lane) {
        outstanding -= lane.pending.size();
        lane.pending.clear();
    }
};

ForeignCalls::ForeignCalls() : ForeignCalls(Limits{}) {}

ForeignCalls::ForeignCalls(Limits limits) : state_(std::make_shared<State>(limits)) {}

ForeignCalls::~ForeignCalls() {
    State& s = *state_;
    std::unique_lock lock(s.mutex);
    s.closing = true;
    for (auto& entry : s.lanes) s.dropWaiting(entry.second);
    s.lanes.clear();  // a serving worker finds its lane gone and stops
    s.ready.clear();
    s.suspects.clear();
    s.work.notify_all();
    // Idle workers leave at once; one inside a call may be stuck for good.
    // The wait is bounded all the same, in case a worker is slow to wake.
    s.done.wait_for(lock, std::chrono::milliseconds(200),
                    [&] { return s.threads == s.running; });
}

bool ForeignCalls::post(Owner owner, Key window, int kind, Call call) noexcept {
    State& s = *state_;
    std::lock_guard lock(s.mutex);
    if (s.closing) return false;
    try {
        bool suspect = false;
        if (const auto hung = s.hung.find(owner); hung != s.hung.end()) {
            if (Clock::now() < hung->second) return false;
            suspect = true;
        }
        Lane& lane = s.lanes[owner];
        const auto same = std::find_if(lane.pending.begin(), lane.pending.end(), [&](const Pending& p) {
            return p.window == window && p.kind == kind;
        });
        if (same != lane.pending.end()) {
            lane.pending.erase(same);
            --s.outstanding;
        }
        // Appended, not put in the old one's place: the calls run in the
        // order of the requests that are still wanted.
        lane.pending.push_back(Pending{window, kind, std::move(call)});
        ++s.outstanding;
        if (!lane.served && !lane.queued) {
            (suspect ? s.suspects : s.ready).push_back(owner);
            lane.queued = true;
        }
    } catch (...) {
        return false;
    }

    const std::size_t wanted = s.takeable();
    if (wanted == 0) return true;
    s.work.notify_all();
    // Workers woken or started but not yet at a lane count as idle, each for
    // one lane. A failed start is made up for by the next post.
    if (s.idle < wanted && s.threads < s.limits.maxThreads) {
        try {
            std::thread(work, state_).detach();
            ++s.threads;
            ++s.idle;
        } catch (...) {
        }
    }
    return true;
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
    for (;;) {
        const bool woken = s.work.wait_for(lock, s.limits.idleTimeout,
                                           [&] { return s.closing || s.takeable() > 0; });
        Owner owner = 0;
        bool suspect = false;
        if (!woken || s.closing || !s.take(owner, suspect)) break;
        --s.idle;
        if (const auto taken = s.lanes.find(owner); taken != s.lanes.end()) {
            taken->second.queued = false;
            taken->second.served = true;
        }
        for (;;) {
            auto lane = s.lanes.find(owner);
            if (lane == s.lanes.end()) break;  // dropped by the destructor
            if (lane->second.pending.empty()) {
                s.lanes.erase(lane);
                break;
            }
            Call call = std::move(lane->second.pending.front().run);
            lane->second.pending.pop_front();
            ++s.running;
            lock.unlock();
            bool answered = true;
            try {
                answered = call();
            } catch (...) {
                // Nobody waits for the result; the next call goes ahead.
            }
            call = nullptr;  // whatever it holds goes now, not under the lock
            lock.lock();
            --s.running;
            --s.outstanding;
            if (answered) {
                s.hung.erase(owner);
            } else {
                try {
                    s.hung[owner] = Clock::now() + s.limits.hungBackoff;
                } catch (...) {
                }
                // The owner's other calls would only wait their patience out too.
                if (const auto again = s.lanes.find(owner); again != s.lanes.end()) s.dropWaiting(again->second);
            }
            s.done.notify_all();
        }
        if (suspect) {
            --s.servingSuspects;
            s.work.notify_all();
        }
        ++s.idle;
    }
    --s.idle;
    --s.threads;
    s.done.notify_all();
}

}  // namespace popquell
