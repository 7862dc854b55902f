// ForeignCalls runs calls on worker threads, one queue per owning thread.
// These tests drive it with plain functions that block on gates the test
// opens, or that answer false as a probe of a hung owner does, so that "hung"
// is exact and nothing depends on a real window. They also run under
// ThreadSanitizer.

#include "winsys/ForeignCalls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
using Call = ForeignCalls::Call;

// Long enough for any honest wait, short enough that a broken test ends.
constexpr auto kDeadline = 5s;

// Opened once by the test; calls that pass through it block until then (at
// most kDeadline, so that no thread outlives the test by much).
class Gate {
public:
    Call blocker() {
        auto entered = std::make_shared<std::promise<void>>();
        entered_.push_back(entered->get_future());
        return [future = future_, entered] {
            entered->set_value();
            future.wait_for(kDeadline);
            return true;
        };
    }
    void open() { promise_.set_value(); }
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
    Call note(std::string what) {
        return [state = state_, what] {
            std::lock_guard lock(state->mutex);
            state->entries.push_back(what);
            return true;
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

// The probe of an owner that does not answer: it waits its patience out.
Call unanswered(std::chrono::milliseconds patience) {
    return [patience] {
        std::this_thread::sleep_for(patience);
        return false;
    };
}

template <typename Pred>
bool eventually(Pred pred) {
    const auto end = Clock::now() + kDeadline;
    while (!pred()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

constexpr ForeignCalls::Owner kOwnerA = 11;
constexpr ForeignCalls::Owner kOwnerB = 12;
constexpr ForeignCalls::Owner kOwnerC = 13;
constexpr ForeignCalls::Key kWindow1 = 0x1000;
constexpr ForeignCalls::Key kWindow2 = 0x2000;
constexpr int kMenu = 1;
constexpr int kShow = 2;

// A newer request of the same kind for the same window wins; it takes its
// turn after the others still wanted, in the order they were last asked for.
TEST(ForeignCalls, RunsAnOwnersCallsInOrderKeepingTheNewestOfEachWindowAndKind) {
    ForeignCalls calls;
    Gate gate;
    Log log;
    calls.post(kOwnerA, kWindow1, kMenu, gate.blocker());
    ASSERT_TRUE(gate.entered(0));
    calls.post(kOwnerA, kWindow1, kMenu, log.note("menu 1"));
    calls.post(kOwnerA, kWindow2, kMenu, log.note("menu of window 2"));
    calls.post(kOwnerA, kWindow1, kShow, log.note("show"));
    calls.post(kOwnerA, kWindow1, kMenu, log.note("menu 3"));
    calls.post(kOwnerA, kWindow1, kShow, []() -> bool { throw std::runtime_error("failed"); });
    calls.post(kOwnerA, kWindow2, kShow, log.note("show window 2"));
    gate.open();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"menu of window 2", "menu 3", "show window 2"}));
}

// One browser thread owns many frames: its hang takes one worker, not one a
// frame, and other owners go on being served.
TEST(ForeignCalls, AHungOwnerHoldsOneWorkerWhateverNumberOfWindowsItHas) {
    ForeignCalls calls;
    Gate gate;
    Log log;
    calls.post(kOwnerA, 0, kMenu, gate.blocker());
    ASSERT_TRUE(gate.entered(0));
    for (ForeignCalls::Key window = 1; window <= 40; ++window) {
        calls.post(kOwnerA, window, kMenu, log.note("A"));
        calls.post(kOwnerA, window, kShow, log.note("A"));
    }
    calls.post(kOwnerB, kWindow1, kMenu, log.note("B"));
    EXPECT_TRUE(eventually([&] { return log.entries() == std::vector<std::string>{"B"}; }));
    EXPECT_LE(calls.threadCountForTesting(), 2u);
    gate.open();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries().size(), 81u);
}

TEST(ForeignCalls, AnOwnerThatDidNotAnswerIsLeftAloneForTheBackoff) {
    ForeignCalls calls(ForeignCalls::Limits{16, 5000ms, 200ms});
    Log log;
    calls.post(kOwnerA, kWindow1, kMenu, unanswered(1ms));
    calls.post(kOwnerA, kWindow1, kShow, log.note("dropped with the owner's hang"));
    ASSERT_TRUE(calls.drain(kDeadline));
    const auto hungAt = Clock::now();
    const bool taken = calls.post(kOwnerA, kWindow2, kMenu, log.note("during the backoff"));
    if (Clock::now() - hungAt < 150ms) {
        EXPECT_FALSE(taken);
    }
    EXPECT_TRUE(calls.post(kOwnerB, kWindow2, kMenu, log.note("another owner")));
    ASSERT_TRUE(calls.drain(kDeadline));
    std::this_thread::sleep_for(250ms);
    EXPECT_TRUE(calls.post(kOwnerA, kWindow1, kMenu, log.note("after the backoff")));
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"another owner", "after the backoff"}));
}

// Forty browser threads hang at once beside one that answers. While the hung
// ones are tried again, the responsive one is served at once, and the
// workers stay within their bound.
TEST(ForeignCalls, ManyHungOwnersDoNotStarveAResponsiveOne) {
    const ForeignCalls::Limits limits{16, 5000ms, 100ms};
    ForeignCalls calls(limits);
    constexpr ForeignCalls::Owner kResponsive = 1000;
    constexpr auto kPatience = 30ms;
    std::vector<std::chrono::microseconds> waits;
    for (int round = 0; round < 4; ++round) {
        for (ForeignCalls::Owner hung = 1; hung <= 40; ++hung)
            calls.post(hung, hung, kMenu, unanswered(kPatience));
        auto posted = std::make_shared<Clock::time_point>(Clock::now());
        auto ran = std::make_shared<std::atomic<Clock::duration::rep>>(-1);
        calls.post(kResponsive, kWindow1, kMenu, [posted, ran] {
            ran->store((Clock::now() - *posted).count());
            return true;
        });
        ASSERT_TRUE(eventually([&] { return ran->load() >= 0; }));
        waits.push_back(std::chrono::duration_cast<std::chrono::microseconds>(Clock::duration(ran->load())));
        EXPECT_LE(calls.threadCountForTesting(), limits.maxThreads);
        ASSERT_TRUE(calls.drain(kDeadline));
        std::this_thread::sleep_for(limits.hungBackoff + 10ms);
    }
    // The first round cannot tell hung owners from others yet; from then on
    // they are suspects, and served after the responsive owner.
    for (std::size_t i = 1; i < waits.size(); ++i) EXPECT_LT(waits[i], 100ms) << "round " << i;
    RecordProperty("firstRoundWaitUs", static_cast<int>(waits[0].count()));
}

// With every worker stuck, a further owner waits for one to come free instead
// of starting yet another thread.
TEST(ForeignCalls, NeverMoreThreadsThanTheLimit) {
    ForeignCalls calls(ForeignCalls::Limits{2, 5000ms, 1000ms});
    Gate gate;
    Log log;
    calls.post(kOwnerA, kWindow1, kMenu, gate.blocker());
    calls.post(kOwnerB, kWindow1, kMenu, gate.blocker());
    ASSERT_TRUE(gate.entered(0));
    ASSERT_TRUE(gate.entered(1));
    calls.post(kOwnerC, kWindow1, kMenu, log.note("C"));
    EXPECT_EQ(calls.threadCountForTesting(), 2u);
    EXPECT_FALSE(calls.drain(20ms));
    EXPECT_TRUE(log.entries().empty());
    gate.open();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"C"}));
}

TEST(ForeignCalls, IdleWorkersExitAndALaterCallStartsOneAgain) {
    ForeignCalls calls(ForeignCalls::Limits{16, 50ms, 1000ms});
    Log log;
    calls.post(kOwnerA, kWindow1, kMenu, log.note("A"));
    calls.post(kOwnerB, kWindow1, kMenu, log.note("B"));
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_TRUE(eventually([&] { return calls.threadCountForTesting() == 0; }));
    calls.post(kOwnerA, kWindow1, kMenu, log.note("A again"));
    EXPECT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries().size(), 3u);
}

TEST(ForeignCalls, DestroyingItDoesNotWaitForAStuckCall) {
    Gate gate;
    auto calls = std::make_unique<ForeignCalls>();
    calls->post(kOwnerA, kWindow1, kMenu, gate.blocker());
    ASSERT_TRUE(gate.entered(0));
    const auto start = Clock::now();
    calls.reset();
    EXPECT_LT(Clock::now() - start, 1s);
    gate.open();
}

}  // namespace
}  // namespace popquell
