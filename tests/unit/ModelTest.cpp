// Long seeded random sessions in the world of ModelWorld.h, with the invariants
// below checked after every step and on every window-system call. Each is
// something a user or another program could see: which windows were closed,
// counted, dressed with the bar, given back, and what the main window showed.
// A failure is shortened while the same invariant still breaks, and printed
// step by step.

#include <exception>
#include <set>

#include "tests/unit/ModelWorld.h"

namespace popquell::sim::model {
namespace {

constexpr int kSeeds = 200;
constexpr int kSteps = 300;
constexpr std::int32_t kMaxCount = std::numeric_limits<std::int32_t>::max();

// The invariants, each as a user or another program would see it broken.
constexpr const char* kBarShown = "after a handler, the main window shows a menu bar";
constexpr const char* kBarItems = "the main window's menu bar holds exactly Form1's shown items";
constexpr const char* kCounted = "Total counts the closes since the last reset, up to its maximum";
constexpr const char* kClosed = "every pop-up and browser frame with an empty bar below the"
                                " top of the sweep's list is closed";
constexpr const char* kOnlyPassed =
    "a window is closed once for each test it passed on the tick, and no more";
constexpr const char* kBarRenewed =
    "a frame left showing a dead bar that a sweep gave it gets the live one on the next";
constexpr const char* kHideThenClose = "a closed window's owner gets a hide, then WM_CLOSE";
constexpr const char* kTopUntouched = "the sweep neither closes nor dresses the window on top";
constexpr const char* kClosedWhileOn =
    "windows are closed only by a sweep that is on, with a window selected";
constexpr const char* kListedOnce = "each selected window is listed once, as its handle in decimal";
constexpr const char* kWindDown = "the list is emptied only once every listed window is gone";
constexpr const char* kUnloadGoesAhead = "the unload goes ahead";
constexpr const char* kGivenBack =
    "the unload gives the selected windows back without a menu bar, maximised";
constexpr const char* kBarTakenOff =
    "the unload takes the main window's bar off every other window, and no other bar";
constexpr const char* kMaximisedAtUnload = "windows are maximised only by the unload";
constexpr const char* kNoThrow = "no handler throws";

struct Failure {
    std::string invariant;
    std::string detail;
    std::size_t step = 0;
};

[[noreturn]] void fail(const char* invariant, const std::string& detail) {
    throw Failure{invariant, detail};
}

// The world with the invariants checked as it goes.
class Checked : public World {
    // What the answers to Form1 on one sweep or keeper tick said about a window.
    enum Got { kPopup = 1, kFrame = 2, kEmptyMenu = 4, kAlive = 8, kGone = 16 };
    struct Seen {
        std::map<WindowHandle, int> got{};
        std::map<WindowHandle, int> closes{};  // every window hidden to close
        std::vector<WindowHandle> windows{};   // the sweep's list of the top-level windows
        std::vector<WindowHandle> closable{};  // those below the top, closable when listed
        std::vector<WindowHandle> deadBars{};  // those below the top, with a dead bar a sweep gave
        WindowHandle menuOf = 0;
        MenuHandle menu = -1;    // what the last GetMenu gave, for menuOf
        WindowHandle hidden = 0;  // its WM_CLOSE still to come
    };

    void beforeTick(int id, bool due) override {
        due_ = due;
        if (id != kIdTimer2) seen_ = Seen{};
        quiet_ = interferences();
    }

    void afterTick(int id, const std::vector<std::int32_t>& listed) override {
        if (id == kIdTimer2) {
            coverage["picks"] += list.data.size() > listed.size() ? 1 : 0;
            return;
        }
        if (!due_) return;
        if (id == kIdTimer1) return afterSweep();
        if (listed.empty()) {
            base_ = 0;
            hides_ = 0;
            ++coverage["resets"];
        }
        const bool emptied = !listed.empty() && list.data.empty();
        coverage["windDowns"] += emptied ? 1 : 0;
        for (WindowHandle h : listed)
            if (emptied && (seen_.got[h] & kGone) == 0) fail(kWindDown, name(h) + " was not");
    }

    void afterSweep() {
        ++coverage["sweeps"];
        if (seen_.hidden != 0) fail(kHideThenClose, name(seen_.hidden) + " was not asked to close");
        for (const auto& [h, got] : seen_.got)
            if ((got & kPopup) != 0 && !seen_.closes.contains(h)) fail(kClosed, name(h));
        // On a tick when nothing else changes, what the list held is what the sweep sees.
        if (interferences() != quiet_) return;
        for (WindowHandle h : seen_.closable)
            if (!seen_.closes.contains(h)) fail(kClosed, name(h) + " was passed over");
        for (WindowHandle h : seen_.deadBars)
            if (desk.menuOf(h) != desk.menuOf(mainWnd)) fail(kBarRenewed, name(h));
    }

    // Each question asked again here gets the answer the call is about to give.
    void beforeCall(const Op& op) override {
        const std::string& n = op.name;
        const WindowHandle h = op.h;
        const std::string call = n + "(" + name(h) + ")";
        Seen& s = seen_;
        int& got = s.got[h];
        if (n == "IsWindow") got |= desk.IsWindow(h) != 0 ? kAlive : kGone;
        if (n == "ShowWindow" && !unloaded()) fail(kMaximisedAtUnload, call);
        const bool closing = n == "ShowWindowAsync" || n == "PostMessageA";
        const bool sweeping = ticking() == kIdTimer1 && due_;
        if (closing && (!sweeping || list.data.empty())) fail(kClosedWhileOn, call);
        if (!sweeping) return;
        if (s.hidden != 0 && !(n == "PostMessageA" && h == s.hidden))
            fail(kHideThenClose, call + " after the hide of " + name(s.hidden));
        if (n == "EnumWindows") takeList();
        const bool top = !s.windows.empty() && h == s.windows.front();
        const bool dressed = n == "SetMenu" && op.a != 0;
        if (top && (n == "ShowWindowAsync" || dressed)) fail(kTopUntouched, call);
        if (dressed) sweepBars_.insert(static_cast<MenuHandle>(op.a));
        if (n == "GetWindowLongA" && desk.GetWindowLongA(h, static_cast<int>(op.a)) == kPopupStyle)
            got |= kPopup;
        char16_t cls[256] = {};
        const bool named = n == "GetClassNameW" && desk.GetClassNameW(h, cls, 256) > 0;
        if (named && std::u16string(cls) == u"IEFrame") got |= kFrame;
        if (n == "GetMenu") {
            // A bar changed since it was counted: its count no longer says anything.
            if (s.menuOf == h && s.menu != desk.menuOf(h)) got &= ~kEmptyMenu;
            s.menuOf = h;
            s.menu = desk.menuOf(h);
        }
        if (n == "GetMenuItemCount" && h == s.menu && desk.GetMenuItemCount(h) == 0)
            s.got[s.menuOf] |= kEmptyMenu;
        if (n == "ShowWindowAsync") onHide(op, got, call);
        if (n != "PostMessageA") return;
        if (h != s.hidden || op.a != kWmClose || op.b != 0)
            fail(kHideThenClose, call + " with " + std::to_string(op.a));
        ++s.closes[h];
        s.hidden = 0;
        ++coverage["closes"];
        coverage["saturatedCloses"] += form.totalClose == kMaxCount ? 1 : 0;
    }

    void takeList() {
        seen_.windows = desk.zOrder();
        for (std::size_t i = 1; i < seen_.windows.size(); ++i) {
            const WindowHandle h = seen_.windows[i];
            const MenuHandle bar = desk.menuOf(h);
            const bool empty = desk.menuExists(bar) && desk.menuCaptions(bar).empty();
            if (desk.style(h) == kPopupStyle || (isFrame(h) && empty)) seen_.closable.push_back(h);
            const bool dead = sweepBars_.contains(bar) && !desk.menuExists(bar);
            if (isFrame(h) && dead) seen_.deadBars.push_back(h);
        }
    }

    void onHide(const Op& op, int got, const std::string& call) {
        const int empty = kFrame | kEmptyMenu | kAlive;
        const int passed = ((got & kPopup) != 0 ? 1 : 0) + ((got & empty) == empty ? 1 : 0);
        if (op.a != kSwHide) fail(kHideThenClose, call + " with " + std::to_string(op.a));
        const int closes = seen_.closes[op.h];
        if (closes >= passed) {
            const std::string passes = ", passed " + std::to_string(passed);
            fail(kOnlyPassed, call + ": close " + std::to_string(closes + 1) + passes);
        }
        seen_.hidden = op.h;
        ++hides_;
    }

    void afterHandler() override {
        if (!desk.menuExists(desk.menuOf(mainWnd)) && !barMayHaveGone()) fail(kBarShown, "none");
    }

    void countSet() override {
        base_ = form.totalClose;
        hides_ = 0;
    }

    void beforeUnload() override {
        for (WindowHandle h : desk.zOrder()) barsBefore_[h] = desk.menuOf(h);
    }

    void afterUnload(int cancel) override {
        if (cancel != 0) fail(kUnloadGoesAhead, "Cancel set to " + std::to_string(cancel));
        for (WindowHandle h : list.data) {
            const bool back = desk.menuOf(h) == 0 && desk.maximized(h);
            if (desk.exists(h) && !back) fail(kGivenBack, name(h));
        }
        const MenuHandle ours = desk.menuOf(mainWnd);
        if (ours != barsBefore_[mainWnd]) fail(kBarTakenOff, "the main window lost it");
        for (const auto& [h, before] : barsBefore_) {
            const bool selected = std::count(list.data.begin(), list.data.end(), h) != 0;
            if (h == mainWnd || selected || !desk.exists(h)) continue;
            if (desk.menuOf(h) == ours) fail(kBarTakenOff, name(h) + " still shows it");
            const bool kept = before == ours || desk.menuOf(h) == before;
            if (!kept) fail(kBarTakenOff, name(h) + " lost its own");
        }
    }

    void afterStep() override {
        const std::vector<std::int32_t>& data = list.data;
        for (std::size_t i = 0; i < data.size(); ++i) {
            const bool once = std::count(data.begin(), data.end(), data[i]) == 1;
            if (list.texts[i] != std::to_string(data[i]) || !once) fail(kListedOnce, list.texts[i]);
        }
        const std::int64_t closes = std::min<std::int64_t>(std::int64_t{base_} + hides_, kMaxCount);
        if (form.totalClose != closes) {
            const std::string after = " after " + std::to_string(hides_) + " closes from ";
            fail(kCounted, std::to_string(form.totalClose) + after + std::to_string(base_));
        }
        std::string visible;
        for (const MenuItem* item : {&form.abmenu, &form.totalMenu, &form.timemenu})
            if (item->Visible()) visible += " \"" + item->Caption() + "\"";
        std::string shown;
        for (const std::string& caption : desk.menuCaptions(desk.menuOf(mainWnd)))
            shown += " \"" + caption + "\"";
        // Between a browser taking the bar along and the next handler, there is none.
        if (desk.menuExists(desk.menuOf(mainWnd)) && shown != visible)
            fail(kBarItems, "it holds" + shown + ", not" + visible);
    }

    Seen seen_;
    bool due_ = false;  // the running tick's timer was on
    int quiet_ = 0;     // interferences when the tick began
    std::int32_t base_ = 0;   // totalClose at the last reset
    std::int64_t hides_ = 0;  // since then
    std::map<WindowHandle, MenuHandle> barsBefore_;  // the unload's
    std::set<MenuHandle> sweepBars_;  // every bar a sweep put on a window
};

// Replays the steps, or with a seed makes a new session up as it runs; half
// the sessions end with the main window's unload. `trace` gets a line a step.
std::optional<Failure> run(std::vector<Step>& steps, int seed = 0, std::string* trace = nullptr) {
    std::mt19937 rng(static_cast<std::uint32_t>(seed));
    Checked world;
    const std::size_t count = seed ? std::size_t{kSteps} : steps.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (seed && i + 1 == kSteps && seed % 2 == 0) steps.push_back(Step{{Unload}});
        else if (seed) steps.push_back(world.next(rng, static_cast<int>(i) + 1));
        if (trace) *trace += "\n  " + std::to_string(i + 1) + ". " + describe(steps[i]);
        try {
            world.apply(steps[i]);
        } catch (Failure& f) {
            f.step = i;
            return f;
        } catch (const std::exception& e) {
            return Failure{kNoThrow, e.what(), i};
        }
    }
    return std::nullopt;
}

// Takes out one step at a time, from the last, while the same invariant
// still breaks, and again until no step can go.
std::vector<Step> shorten(std::vector<Step> steps, const std::string& invariant) {
    for (std::size_t before = 0; before != steps.size();) {
        before = steps.size();
        for (std::size_t i = steps.size(); i-- > 0;) {
            std::vector<Step> candidate = steps;
            candidate.erase(candidate.begin() + static_cast<std::ptrdiff_t>(i));
            const auto failure = run(candidate);
            if (failure && failure->invariant == invariant) steps = std::move(candidate);
        }
    }
    return steps;
}

TEST(Model, RandomSessionsKeepTheInvariants) {
    coverage.clear();
    for (int seed = 1; seed <= kSeeds; ++seed) {
        std::vector<Step> steps;
        const auto failure = run(steps, seed);
        if (!failure) continue;
        const std::vector<Step> shortest = shorten(steps, failure->invariant);
        std::vector<Step> replayed = shortest;
        std::string trace;
        const auto again = run(replayed, 0, &trace);
        FAIL() << "seed " << seed << ": \"" << failure->invariant << "\" broken at step "
               << failure->step + 1 << ": " << failure->detail << "\nshortened to "
               << shortest.size() << " steps, broken at the last: "
               << (again ? again->detail : "no longer") << trace;
    }
    const std::pair<const char*, int> enough[] = {
        {"sweeps", 2000}, {"closes", 2000}, {"saturatedCloses", 100},
        {"picks", 200}, {"windDowns", 50}, {"resets", 50},
        {"interferences", 500}, {"whileBoxesOpen", 200}, {"barsRenewed", 20},
    };
    for (const auto& [what, least] : enough) {
        EXPECT_GE(coverage[what], least) << what;
        RecordProperty(what, coverage[what]);
    }
}

}  // namespace
}  // namespace popquell::sim::model
