// ForeignCalls driven with plain functions that block on a gate, or answer
// false as a probe of a hung owner does, so that "hung" is exact.

#include "winsys/ForeignCalls.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace popquell {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Names = std::vector<std::string>;

constexpr auto kDeadline = 5s;  // for any honest wait; no thread outlives a test by more
constexpr int kMenu = 1, kShow = 2;

// What the calls did, in order, shared with calls that may outlive the test. A
// call given a gate notes that it began, then blocks until the test opens it.
class Log {
public:
    ForeignCalls::Call note(std::string what, std::shared_future<void> gate = {}) {
        return [state = state_, what, gate] {
            std::unique_lock lock(state->first);
            state->second.push_back(what);
            lock.unlock();
            if (gate.valid()) gate.wait_for(kDeadline);
            return true;
        };
    }
    Names entries() const {
        std::lock_guard lock(state_->first);
        return state_->second;
    }

private:
    std::shared_ptr<std::pair<std::mutex, Names>> state_ = std::make_shared<std::pair<std::mutex, Names>>();
};

template <typename Pred>
bool eventually(Pred pred) {
    for (const auto end = Clock::now() + kDeadline; !pred(); std::this_thread::sleep_for(2ms))
        if (Clock::now() > end) return false;
    return true;
}

// A newer request of the same kind for the same window wins; it takes its
// turn after the others still wanted, in the order they were last asked for.
TEST(ForeignCalls, RunsAnOwnersCallsInOrderKeepingTheNewestOfEachWindowAndKind) {
    ForeignCalls calls;
    std::promise<void> gate;
    Log log;
    calls.post(11, 1, kMenu, log.note("held", gate.get_future().share()));
    ASSERT_TRUE(eventually([&] { return log.entries().size() == 1; }));
    calls.post(11, 1, kMenu, log.note("menu 1"));
    calls.post(11, 2, kMenu, log.note("menu of window 2"));
    calls.post(11, 1, kShow, log.note("show"));
    calls.post(11, 1, kMenu, log.note("menu 3"));
    calls.post(11, 1, kShow, []() -> bool { throw std::runtime_error("failed"); });
    calls.post(11, 2, kShow, log.note("show window 2"));
    gate.set_value();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (Names{"held", "menu of window 2", "menu 3", "show window 2"}));
}

// One browser thread owns many frames: its hang takes one worker, not one a
// frame, and other owners go on being served.
TEST(ForeignCalls, AHungOwnerHoldsOneWorkerWhateverNumberOfWindowsItHas) {
    ForeignCalls calls;
    std::promise<void> gate;
    Log log;
    calls.post(11, 0, kMenu, log.note("held", gate.get_future().share()));
    ASSERT_TRUE(eventually([&] { return log.entries().size() == 1; }));
    for (ForeignCalls::Key window = 1; window <= 40; ++window) {
        calls.post(11, window, kMenu, log.note("A"));
        calls.post(11, window, kShow, log.note("A"));
    }
    calls.post(12, 1, kMenu, log.note("B"));
    EXPECT_TRUE(eventually([&] { return log.entries() == Names{"held", "B"}; }));
    EXPECT_LE(calls.threadCountForTesting(), 2u);
    gate.set_value();
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries().size(), 82u);
}

TEST(ForeignCalls, AnOwnerThatDidNotAnswerIsLeftAloneForTheBackoff) {
    ForeignCalls calls(ForeignCalls::Limits{16, 5000ms, 200ms});
    Log log;
    calls.post(11, 1, kMenu, [] { return false; });  // the probe of an owner that did not answer
    calls.post(11, 1, kShow, log.note("dropped with the owner's hang"));
    ASSERT_TRUE(calls.drain(kDeadline));
    const auto hungAt = Clock::now();
    const bool taken = calls.post(11, 2, kMenu, log.note("during the backoff"));
    EXPECT_TRUE(!taken || Clock::now() - hungAt >= 150ms) << "taken during the backoff";
    EXPECT_TRUE(calls.post(12, 2, kMenu, log.note("another owner")));
    ASSERT_TRUE(calls.drain(kDeadline));
    std::this_thread::sleep_for(250ms);
    EXPECT_TRUE(calls.post(11, 1, kMenu, log.note("after the backoff")));
    ASSERT_TRUE(calls.drain(kDeadline));
    EXPECT_EQ(log.entries(), (Names{"another owner", "after the backoff"}));
}

TEST(ForeignCalls, WorkersStayWithinTheLimitExitWhenIdleAndAreNotWaitedFor) {
    auto calls = std::make_unique<ForeignCalls>(ForeignCalls::Limits{2, 50ms, 1000ms});
    std::promise<void> gate, stuck;
    const auto held = gate.get_future().share();
    Log log;
    calls->post(11, 1, kMenu, log.note("held", held));
    calls->post(12, 1, kMenu, log.note("held", held));
    ASSERT_TRUE(eventually([&] { return log.entries().size() == 2; }));
    calls->post(13, 1, kMenu, log.note("C"));
    EXPECT_EQ(calls->threadCountForTesting(), 2u);
    EXPECT_FALSE(calls->drain(20ms));
    EXPECT_EQ(log.entries().size(), 2u);
    gate.set_value();
    ASSERT_TRUE(calls->drain(kDeadline));
    EXPECT_EQ(log.entries(), (Names{"held", "held", "C"}));
    EXPECT_TRUE(eventually([&] { return calls->threadCountForTesting() == 0; }));
    calls->post(11, 1, kMenu, log.note("stuck", stuck.get_future().share()));
    ASSERT_TRUE(eventually([&] { return log.entries().size() == 4; }));
    const auto start = Clock::now();
    calls.reset();
    EXPECT_LT(Clock::now() - start, 1s);
    stuck.set_value();
}

}  // namespace
}  // namespace popquell
