// ForeignCalls runs calls on worker threads, one queue per window. These
// tests drive it with plain functions that block on gates the test opens, so
// that "hung" is exact and nothing depends on a real window.

#include "winsys/win32/ForeignCalls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace popquell {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Long enough for any honest wait, short enough that a broken test ends.
constexpr auto kDeadline = 5s;

// Opened once by the test; calls that pass through it block until then (at
// most kDeadline, so that no thread outlives the test by much).
class Gate {
public:
    void open() { promise_.set_value(); }
    std::function<void()> blocker() {
        auto entered = std::make_shared<std::promise<void>>();
        entered_.push_back(entered->get_future());
        return [future = future_, entered] {
            entered->set_value();
            future.wait_for(kDeadline);
        };
    }
    // Waits until the n-th blocker made has been entered.
    bool entered(std::size_t n) { return entered_.at(n).wait_for(kDeadline) == std::future_status::ready; }

private:
    std::promise<void> promise_;
    std::shared_future<void> future_ = promise_.get_future().share();
    std::vector<std::future<void>> entered_;
};

// What the calls did, in order, shared with calls that may outlive the test.
class Log {
public:
    std::function<void()> note(std::string what) {
        return [state = state_, what] {
            std::lock_guard lock(state->mutex);
            state->entries.push_back(what);
        };
    }
    std::vector<std::string> entries() const {
        std::lock_guard lock(state_->mutex);
        return state_->entries;
    }

private:
    struct State {
        std::mutex mutex;
        std::vector<std::string> entries;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

template <typename Pred>
bool eventually(Pred pred) {
    const auto end = Clock::now() + kDeadline;
    while (!pred()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

constexpr std::uintptr_t kWindowA = 0x1000;
constexpr std::uintptr_t kWindowB = 0x2000;
constexpr std::uintptr_t kWindowC = 0x3000;
constexpr int kMenu = 1;
constexpr int kShow = 2;
constexpr int kOther = 3;

TEST(ForeignCallsOrder, CallsForOneWindowRunInTheOrderPosted) {
    ForeignCalls calls;
    Gate gate;
    Log log;
    calls.post(kWindowA, kOther, gate.blocker());
    ASSERT_TRUE(gate.entered(0));
    calls.post(kWindowA, kMenu, log.note("menu"));
    calls.post(kWindowA, kShow, log.note("show"));
    gate.open();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"menu", "show"}));
}

TEST(ForeignCallsOrder, ManyWindowsOnFewThreadsEachKeepTheirOrder) {
    ForeignCalls calls(ForeignCalls::Limits{4, 5000ms});
    Log log;
    for (int kind = 0; kind < 10; ++kind) {
        for (std::uintptr_t window = 1; window <= 50; ++window) {
            calls.post(window, kind, log.note(std::to_string(window) + " " + std::to_string(kind)));
        }
    }
    ASSERT_TRUE(calls.drain(kDeadline));
    const std::vector<std::string> entries = log.entries();
    ASSERT_EQ(entries.size(), 500u);
    for (std::uintptr_t window = 1; window <= 50; ++window) {
        std::vector<std::string> mine;
        const std::string prefix = std::to_string(window) + " ";
        for (const std::string& e : entries) {
            if (e.rfind(prefix, 0) == 0) mine.push_back(e.substr(prefix.size()));
        }
        EXPECT_EQ(mine, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}))
            << "window " << window;
    }
    EXPECT_LE(calls.threadCountForTesting(), 4u);
}

// A newer request of the same kind wins; it takes its turn after the others
// still wanted, in the order they were last asked for.
TEST(ForeignCallsCoalescing, WaitingCallIsReplacedByANewerOneOfItsKind) {
    ForeignCalls calls;
    Gate gate;
    Log log;
    calls.post(kWindowA, kOther, gate.blocker());
    ASSERT_TRUE(gate.entered(0));
    calls.post(kWindowA, kMenu, log.note("menu 1"));
    calls.post(kWindowA, kMenu, log.note("menu 2"));
    calls.post(kWindowA, kShow, log.note("show"));
    calls.post(kWindowA, kMenu, log.note("menu 3"));
    gate.open();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"show", "menu 3"}));
}

// Only calls that have not started are replaced: a running one finishes, and
// a new call of its kind runs after it.
TEST(ForeignCallsCoalescing, RunningCallIsNotReplaced) {
    ForeignCalls calls;
    Gate gate;
    Log log;
    calls.post(kWindowA, kMenu, [blocker = gate.blocker(), note = log.note("first")] {
        blocker();
        note();
    });
    ASSERT_TRUE(gate.entered(0));
    calls.post(kWindowA, kMenu, log.note("second"));
    gate.open();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"first", "second"}));
}

TEST(ForeignCallsIsolation, ThrowingCallDoesNotStopTheWindowsLaterCalls) {
    ForeignCalls calls;
    Log log;
    calls.post(kWindowA, kMenu, [] { throw std::runtime_error("call failed"); });
    calls.post(kWindowA, kShow, log.note("show"));
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"show"}));
}

// With every worker stuck, a further window waits for one to come free
// instead of starting yet another thread.
TEST(ForeignCallsThreads, NeverMoreThanTheLimit) {
    ForeignCalls calls(ForeignCalls::Limits{2, 5000ms});
    Gate gate;
    Log log;
    calls.post(kWindowA, kMenu, gate.blocker());
    calls.post(kWindowB, kMenu, gate.blocker());
    ASSERT_TRUE(gate.entered(0));
    ASSERT_TRUE(gate.entered(1));
    calls.post(kWindowC, kMenu, log.note("C"));
    EXPECT_EQ(calls.threadCountForTesting(), 2u);
    EXPECT_TRUE(log.entries().empty());
    gate.open();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"C"}));
}

TEST(ForeignCallsThreads, IdleWorkersExit) {
    ForeignCalls calls(ForeignCalls::Limits{16, 50ms});
    Log log;
    calls.post(kWindowA, kMenu, log.note("A"));
    calls.post(kWindowB, kMenu, log.note("B"));
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_TRUE(eventually([&] { return calls.threadCountForTesting() == 0; }));
    // And a later call still finds a worker.
    calls.post(kWindowA, kMenu, log.note("A again"));
    EXPECT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries().size(), 3u);
}

}  // namespace
}  // namespace popquell
