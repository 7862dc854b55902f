#pragma once

// The world of the random sessions: Form1 on a simulated desktop among other
// programs, which make, move, restyle and destroy windows, edit their menu
// bars and ignore WM_CLOSE, also in the middle of one of Form1's handlers.
// Each step is chosen with an eye on the world, and done. What must hold is
// the test's: it hears of every call Form1 makes to the window system, every
// tick, handler, unload and step.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/FormFixture.h"

namespace popquell::sim::model {

inline constexpr int kMaxWindows = 24;
inline constexpr int kKinds = 11;

// Windows are named by tags, not handles: the window made by step i has tag
// i, and a step naming a window whose making was shrunk away does nothing.
inline constexpr int kMainTag = 0;
inline constexpr int kNoWindow = -1;

// From Raise on, an act on window a; from Restyle on, never on the main window.
enum class Act : std::uint8_t {
    Start, Select, Stop, Answer, Tick, TickAll, NearMax, Unload, Create, Reuse, CreateNegative,
    PumpAll, During, WhileBoxOpen, Raise, Lower, PlaceBelow, PumpOne, Foreground, Restyle,
    Destroy, AttachMenu, EditMenu, RefuseClose,
};
using enum Act;

// a: a window's tag; Create: the kind; Tick: the timer; Answer: which. b: a
// variant, or a second window's tag. tag: the tag of the window made.
struct Event {
    Act act = PumpAll;
    int a = 0;
    int b = 0;
    int tag = 0;
};
// During: `inner` happens e.a window-system calls from now; WhileBoxOpen:
// while the next box is open.
struct Step {
    Event e{};
    Event inner{};
};

// How often the sessions reached the states worth reaching: a generator that
// stopped reaching them would let the invariants hold vacuously.
inline std::map<std::string, int> coverage;

inline std::int32_t bitOf(int variant) {
    return static_cast<std::int32_t>(1u << (static_cast<unsigned>(variant) % 32));
}

struct Kind {
    const char* what;
    std::string className;
    std::int32_t style;
    int menuItems;  // -1: no bar
};

inline Kind kindOf(int kind, int variant) {
    static const char* const others[] = {"ieframe", "IEFrameX", "IEFram", "Notepad",
                                         "CabinetWClass"};
    const std::string pop = "Internet Explorer_TridentDlgFrame";
    const std::string frame = "IEFrame";
    const std::string other = others[variant % 5];
    const Kind kinds[kKinds] = {
        {"pop-up", pop, kPopupStyle, -1},
        {"pop-up-styled frame, empty bar", frame, kPopupStyle, 0},
        {"near-miss pop-up", pop, kPopupStyle ^ bitOf(variant), -1},
        {"hidden pop-up", pop, kPopupStyle & ~kWsVisible, -1},
        {"browser", frame, kFrameStyle, 1 + variant % 3},
        {"frame, empty bar", frame, kFrameStyle, 0},
        {"frame, no bar", frame, kFrameStyle, -1},
        {"hidden browser", frame, kWsOverlappedWindow, 2},
        {"other class", other, kFrameStyle, variant % 2 ? 0 : -1},
        {"other class, pop-up style, empty bar", other, kPopupStyle, 0},
        {"pop-up-styled browser", frame, kPopupStyle, 2},
    };
    return kinds[kind % kKinds];
}

// A step in words, for a shortened failure; w0 is the main window.
inline std::string describe(const Event& e) {
    static const char* const acts[] = {
        "click Start", "click Select Window", "click Stop", "answer the next box", "tick Timer",
        "tick every timer, in order", "set totalClose to the maximum less ", "unload Form1",
        "create", "create on the handle of w", "create on a negative handle",
        "every program handles its messages", "", "", "raise", "lower", "place", "pump",
        "activate", "restyle", "destroy", "give a bar to", "edit the bar of",
        "refuse WM_CLOSE or not",
    };
    static const char* const answers[] = {"Yes", "No", "OK", "Cancel"};
    const std::string act = acts[static_cast<int>(e.act)];
    const std::string a = std::to_string(e.a);
    const std::string b = std::to_string(e.b);
    if (e.act <= Stop || e.act == Unload || e.act == PumpAll) return act;
    if (e.act == Answer) return act + " " + answers[e.a % 4];
    if (e.act == Tick || e.act == NearMax) return act + a;
    if (e.act == TickAll) return act + " " + b;
    const std::string made = ": w" + std::to_string(e.tag) + ", " + kindOf(e.a, e.b).what;
    if (e.act == Reuse) return act + b + made;
    if (e.act <= CreateNegative) return act + made + " (variant " + b + ")";
    if (e.act == PlaceBelow) return act + " w" + a + " below w" + b;
    return act + " w" + a + " (variant " + b + ")";
}

inline std::string describe(const Step& s) {
    const std::string inner = describe(s.inner);
    if (s.e.act == During) return "in " + std::to_string(s.e.a) + " window-system calls: " + inner;
    if (s.e.act == WhileBoxOpen) return "while the next box is open: " + inner;
    return describe(s.e);
}

class World : protected SimulatedForm {
public:
    World() {
        desk.beforeCall = [this](const Op& op) { onCall(op); };
        boxes.whileOpen = [this] { whileBoxOpen(); };
    }

    // Does one step; after the unload, none.
    void apply(const Step& s) {
        if (unloaded_) return;
        if (s.e.act == During) during_ = s;
        else if (s.e.act == WhileBoxOpen) whileOpen_ = s;
        else event(s.e);
        afterStep();
        desk.log.clear();
    }

    // The next step, chosen so that sessions reach the interesting states:
    // ticks go to running timers, the sweep most of all; the foreground is
    // mostly a browser; pop-ups appear often.
    Step next(std::mt19937& rng, int tag) const {
        const auto roll = [&](std::size_t n) { return static_cast<int>(rng() % n); };
        const auto any = [&](const std::vector<int>& v) {
            return v.empty() ? kNoWindow : v[static_cast<std::size_t>(roll(v.size()))];
        };
        std::vector<int> running;
        for (int id : {kIdTimer1, kIdTimer1, kIdTimer1, kIdTimer2, kIdTimer3})
            if (timers.running(id)) running.push_back(id);
        std::vector<int> gone;
        for (const auto& [t, h] : windows_)
            if (!desk.exists(h)) gone.push_back(t);
        std::vector<int> live;
        std::vector<int> others;  // live, but not the main window
        std::vector<int> frames;
        for (WindowHandle h : desk.zOrder()) {
            live.push_back(known_.at(h).first);
            if (h != mainWnd) others.push_back(known_.at(h).first);
            if (h != mainWnd && isFrame(h)) frames.push_back(known_.at(h).first);
        }
        const auto make = [&](Act act) -> Event {
            static const int kinds[] = {0, 0, 0, 1, 2, 2, 3, 4, 4, 4, 5, 5, 6, 7, 8, 9, 10};
            const int mode = roll(10);
            if (act == Tick) return running.empty() ? Event{Select} : Event{Tick, any(running)};
            if (act == Answer) return {act, mode < 6 ? 0 : roll(4)};
            if (act == NearMax) return {act, roll(3)};
            if (act == Create) return {act, kinds[roll(std::size(kinds))], roll(1000), tag};
            if (act == Reuse) return {act, roll(kKinds), std::max(any(gone), 0), tag};
            if (act == CreateNegative) return {act, roll(kKinds), roll(1000), tag};
            if (act == PlaceBelow) return {act, any(live), any(live)};
            if (act == Foreground && mode < 7 && !frames.empty()) return {act, any(frames)};
            if (act == Foreground) return {act, mode < 9 ? any(live) : kMainTag};
            return {act, any(act < Restyle ? live : others), roll(1000)};
        };
        static const std::pair<int, Act> weights[] = {
            {420, Tick}, {35, Select}, {50, Start}, {13, Stop}, {60, Answer}, {41, Foreground},
            {1, NearMax}, {110, Create}, {8, Reuse}, {7, CreateNegative}, {40, Destroy},
            {35, PumpAll}, {20, PumpOne}, {24, Restyle}, {8, Raise}, {8, Lower}, {8, PlaceBelow},
            {8, AttachMenu}, {24, EditMenu}, {10, RefuseClose}, {45, During}, {25, WhileBoxOpen},
        };
        static const Act inners[] = {
            Destroy, Destroy, Restyle, Restyle, Raise, Lower,
            PlaceBelow, Create, AttachMenu, EditMenu, PumpAll, Reuse,
        };
        int r = roll(1000);
        for (const auto& [weight, act] : weights) {
            r -= weight;
            if (r >= 0) continue;
            if (act != During && act != WhileBoxOpen) return {make(act)};
            const Event inner = make(inners[roll(std::size(inners))]);
            if (act == During) return {{act, 1 + roll(40)}, inner};
            return {{act}, roll(2) ? inner : Event{TickAll, 0, roll(6)}};
        }
        return {};
    }

protected:
    // What the test hears of (due: the tick's timer was running, rather than
    // stopped with the tick still queued).
    virtual void beforeCall(const Op&) {}
    virtual void beforeTick(int, bool) {}
    virtual void afterTick(int, const std::vector<std::int32_t>&) {}
    virtual void afterHandler() {}
    virtual void beforeUnload() {}
    virtual void afterUnload(int) {}
    virtual void countSet() {}
    virtual void afterStep() {}

    std::string name(WindowHandle h) const {
        if (!known_.contains(h)) return std::to_string(h);
        const auto& [tag, cls] = known_.at(h);
        return "w" + std::to_string(tag) + " (" + std::to_string(h) + ", " + cls + ")";
    }
    bool isFrame(WindowHandle h) const {
        return known_.contains(h) && known_.at(h).second == "IEFrame";
    }
    // A window destroyed, or closed by its program, while a handler ran: it
    // may have taken the main window's bar along.
    bool barMayHaveGone() const { return destroyedInHandler_; }
    int ticking() const { return ticking_; }  // the timer whose tick runs, or 0
    bool unloaded() const { return unloaded_; }
    int interferences() const { return interferences_; }

private:
    WindowHandle resolve(int tag) const {  // the live window with this tag, or 0
        const auto it = windows_.find(tag);
        if (it == windows_.end() || !desk.exists(it->second)) return 0;
        return known_.at(it->second).first == tag ? it->second : 0;
    }
    MenuHandle bar(int items) {  // -1: none
        if (items < 0) return 0;
        return desk.createMenu(std::vector<std::string>(static_cast<std::size_t>(items), "Item"));
    }

    void event(const Event& e) {
        static const int ids[] = {IDC_COMMAND1, IDC_COMMAND3, IDC_COMMAND4};  // the buttons
        static const int answers[] = {kIdYes, kIdNo, 1, 2};  // and OK, Cancel
        const bool goes = e.act == Destroy || e.act == PumpAll || e.act == PumpOne;
        destroyedInHandler_ |= goes && depth_ > 0;
        if (e.act <= Stop) return handler([&] { form.onCommand(ids[static_cast<int>(e.act)]); });
        if (e.act == Answer) return boxes.answers.push_back(answers[e.a % 4]);
        if (e.act == Tick) return deliver(e.a);
        if (e.act == TickAll) return tickAll(e.b);
        if (e.act == NearMax) return nearMax(e.a);
        if (e.act == Unload) return unload();
        if (e.act == Create || e.act == Reuse || e.act == CreateNegative) return create(e);
        if (e.act != PumpAll) return actOn(e);
        desk.pump();
    }

    // An act of another program on one window.
    void actOn(const Event& e) {
        const WindowHandle h = resolve(e.a);
        // The main window is Form1's own: other programs only move it about.
        if (h == 0 || (h == mainWnd && e.act >= Restyle)) return;
        if (e.act == Raise) return desk.raise(h);
        if (e.act == Lower) return desk.lower(h);
        if (e.act == PlaceBelow) return desk.placeBelow(h, resolve(e.b));
        if (e.act == PumpOne) return desk.pump(h);
        if (e.act == Foreground) return desk.foreground(h);
        if (e.act == Restyle) return restyle(h, e.b);
        if (e.act == Destroy) return desk.destroy(h);
        if (e.act == AttachMenu) return desk.attachMenu(h, bar(e.b % 4 - 1));
        if (e.act == EditMenu) return editMenu(h, e.b);
        desk.setRefusesClose(h, e.b % 2 != 0);
    }

    void restyle(WindowHandle h, int variant) {
        const std::int32_t old = desk.style(h);
        const std::int32_t flip = bitOf(variant / 8);
        const std::int32_t styles[] = {
            kPopupStyle, kPopupStyle ^ flip, kFrameStyle, kWsOverlappedWindow,
            kPopupStyle & ~kWsVisible, old ^ flip, old & ~kWsVisible, old | kWsVisible,
        };
        desk.setStyle(h, styles[variant % 8]);
    }

    // Form1's bar is Form1's own: other programs do not edit it.
    void editMenu(WindowHandle h, int variant) {
        const MenuHandle m = desk.menuOf(h);
        if (m == 0 || m == desk.menuOf(mainWnd)) return;
        if (variant % 3 == 0) desk.nativeMenu(h).insertItem(0, 100, "Added");
        else if (variant % 3 == 1) desk.nativeMenu(h).removeItem(variant % 5 + 1);
        else desk.destroyMenu(m);
    }

    // Every timer, in one of the six orders, each tick as the toolkit delivers it.
    void tickAll(int order) {
        int ids[] = {kIdTimer1, kIdTimer2, kIdTimer3};
        for (int i = 0; i < order % 6; ++i) std::next_permutation(std::begin(ids), std::end(ids));
        for (int id : ids) deliver(id);
    }

    // A stopped timer's tick may still be in the queue: killing a timer
    // leaves the ticks already posted.
    void deliver(int id) {
        const bool due = timers.running(id);
        const std::vector<std::int32_t> listed = list.data;
        const int outer = std::exchange(ticking_, id);
        beforeTick(id, due);
        handler([&] { form.onTimer(id); });
        ticking_ = outer;
        afterTick(id, listed);
    }

    template <typename Run>
    void handler(Run run) {
        const bool lost = !desk.menuExists(desk.menuOf(mainWnd));
        if (depth_++ == 0) destroyedInHandler_ = false;
        run();
        --depth_;
        coverage["barsRenewed"] += lost ? 1 : 0;
        afterHandler();
    }

    void nearMax(int below) {
        form.totalClose = std::numeric_limits<std::int32_t>::max() - below % 3;
        countSet();
    }

    void unload() {
        during_.reset();
        whileOpen_.reset();
        unloaded_ = true;  // and no step runs after it
        beforeUnload();
        int cancel = 0;
        form.Form_Unload(cancel);
        afterUnload(cancel);
    }

    void create(const Event& e) {
        const Kind k = kindOf(e.a, e.b);
        if (std::ssize(desk.zOrder()) >= kMaxWindows) return;
        WindowHandle h = e.act == CreateNegative ? -(2 + 2 * (e.b % 16)) : 0;
        if (e.act == Reuse && windows_.contains(e.b)) h = windows_.at(e.b);
        if (h != 0 && desk.exists(h)) return;
        h = desk.create(k.className, k.style, k.menuItems, h);
        windows_[e.tag] = h;
        known_[h] = {e.tag, k.className};
    }

    // Watches every window-system call; a step kept for it happens first.
    void onCall(const Op& op) {
        if (during_ && --during_->e.a <= 0) {
            aside("interferences", std::exchange(during_, {})->inner);
        }
        beforeCall(op);
    }

    void whileBoxOpen() {
        if (!whileOpen_) return;
        aside("whileBoxesOpen", std::exchange(whileOpen_, {})->inner);
    }

    // An event kept for later happens now, in the middle of a handler.
    void aside(const char* counter, const Event& e) {
        ++coverage[counter];
        ++interferences_;
        event(e);
    }

    // By tag: the handle the window was made with.
    std::map<int, WindowHandle> windows_{{kMainTag, mainWnd}};
    // The tag and class of the window that has the handle now.
    std::map<WindowHandle, std::pair<int, std::string>> known_{{mainWnd, {kMainTag, "Form1"}}};
    std::optional<Step> during_;
    std::optional<Step> whileOpen_;
    int depth_ = 0;  // handlers running
    int ticking_ = 0;
    int interferences_ = 0;
    bool destroyedInHandler_ = false;
    bool unloaded_ = false;
};

}  // namespace popquell::sim::model
