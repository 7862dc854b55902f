// Long seeded random sessions: clicks, answers, ticks and a desktop that other
// programs keep changing, also inside a handler. The invariants are checked
// after every step and on every window-system call; a failure is shortened
// while the same invariant still breaks, and printed step by step.

#include <algorithm>
#include <cstdint>
#include <exception>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/FormFixture.h"
#include "res/resource.h"

namespace popquell::sim {
namespace {

constexpr int kSeeds = 200, kSteps = 300, kMaxWindows = 24, kKinds = 11;
constexpr std::int32_t kMaxCount = INT32_MAX;

constexpr const char* kEachOnce = "the sweep examines each window of its list but the topmost once, in order";

// Windows are named by tags, not handles: the window made by step i has tag
// i, and a step naming a window whose making was shrunk away does nothing.
constexpr int kMainTag = 0, kNoWindow = -1;

// From Raise on, an act on window a, from Restyle on never on the main window.
enum class Act : std::uint8_t {
    Start, Select, Stop, Answer, Tick, TickAll, NearMax, Unload, Create, Reuse, CreateNegative, PumpAll, During,
    WhileBoxOpen, Raise, Lower, PlaceBelow, PumpOne, Foreground, Restyle, Destroy, AttachMenu, EditMenu, RefuseClose,
};
using enum Act;
const char* const kVerbs[] = {"raise", "lower", "place", "pump", "activate", "restyle", "destroy", "give",
                              "edit the bar of", "make"};

// a: a window's tag; Create: the kind; Tick: the timer; Answer: which. b: a
// variant, or a second window's tag. tag: the tag of the window made.
struct Event { Act act = PumpAll; int a = 0, b = 0, tag = 0; };
// During: `inner` happens e.a window-system calls from now; WhileBoxOpen:
// while the next box is open.
struct Step { Event e{}, inner{}; };

struct Failure { std::string invariant, detail; std::size_t step = 0; };
[[noreturn]] void fail(const std::string& invariant, const std::string& detail) { throw Failure{invariant, detail}; }

// How often the sessions reached the states worth reaching: a generator that
// stopped reaching them would let the invariants hold vacuously.
std::map<std::string, int> coverage;

constexpr int kOrders[][3] = {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}};
std::int32_t bitOf(int variant) { return static_cast<std::int32_t>(1u << (static_cast<unsigned>(variant) % 32)); }

struct Kind { const char* what; std::string className; std::int32_t style; int menuItems; };  // -1: no bar
Kind kindOf(int kind, int variant) {
    static const char* const others[] = {"ieframe", "IEFrameX", "IEFram", "Notepad", "CabinetWClass"};
    const std::string pop = "Internet Explorer_TridentDlgFrame", frame = "IEFrame", other = others[variant % 5];
    const Kind kinds[kKinds] = {
        {"pop-up", pop, kPopupStyle, -1}, {"pop-up-styled frame, empty bar", frame, kPopupStyle, 0},
        {"near-miss pop-up", pop, kPopupStyle ^ bitOf(variant), -1},
        {"hidden pop-up", pop, kPopupStyle & ~kWsVisible, -1}, {"browser", frame, kFrameStyle, 1 + variant % 3},
        {"frame, empty bar", frame, kFrameStyle, 0}, {"frame, no bar", frame, kFrameStyle, -1},
        {"hidden browser", frame, kOverlappedHidden, 2}, {"other class", other, kFrameStyle, variant % 2 ? 0 : -1},
        {"other class, pop-up style, empty bar", other, kPopupStyle, 0},
        {"pop-up-styled browser", frame, kPopupStyle, 2}};
    return kinds[kind % kKinds];
}

// Form1 on a simulated desktop, with the bookkeeping that the invariants need.
class World : private SimulatedForm {
public:
    World() {
        desk.beforeCall = [this](const Op& op) { onCall(op); };
        boxes.whileOpen = [this] {
            if (whileOpen_) aside("whileBoxesOpen", "while the box is open", std::exchange(whileOpen_, {})->inner);
        };
    }

    // Runs one step and checks the invariants; tells what happened in `trace`.
    void apply(const Step& s, std::string* trace) {
        trace_ = trace;
        if (unloaded_) return note("(after the unload: nothing)");
        if (s.e.act == During) {
            note("in " + std::to_string(s.e.a) + " window-system calls:");
            during_ = s;
        } else if (s.e.act == WhileBoxOpen) {
            note("when a box opens:");
            whileOpen_ = s;
        } else {
            event(s.e);
        }
        check();
        desk.log.clear();
    }

    // The next step, chosen with an eye on the world so that sessions reach
    // the interesting states: ticks go to running timers, the sweep most of
    // all; the foreground is mostly a browser; pop-ups appear often.
    Step next(std::mt19937& rng, int tag) const {
        const auto roll = [&](std::size_t n) { return static_cast<int>(rng() % n); };
        const auto any = [&](const std::vector<int>& v) {
            return v.empty() ? kNoWindow : v[static_cast<std::size_t>(roll(v.size()))];
        };
        std::vector<int> running, gone, live, others, frames;  // others: live but the main window
        for (int id : {kIdTimer1, kIdTimer1, kIdTimer1, kIdTimer2, kIdTimer3})
            if (timers.running(id)) running.push_back(id);
        for (const auto& [t, h] : windows_)
            if (!desk.exists(h)) gone.push_back(t);
        for (WindowHandle h : desk.zOrder()) {
            const auto& [t, className] = known_.at(h);
            live.push_back(t);
            if (h != mainWnd) others.push_back(t);
            if (h != mainWnd && className == "IEFrame") frames.push_back(t);
        }
        const auto make = [&](Act act) -> Event {
            static const int kinds[] = {0, 0, 0, 1, 2, 2, 3, 4, 4, 4, 5, 5, 6, 7, 8, 9, 10};
            const int mode = roll(10);
            switch (act) {
                case Tick: return running.empty() ? Event{Select} : Event{Tick, any(running)};
                case Answer: return {act, mode < 6 ? 0 : roll(4)};
                case NearMax: return {act, roll(3)};
                case Create: return {act, kinds[roll(std::size(kinds))], roll(1000), tag};
                case Reuse: return {act, roll(kKinds), std::max(any(gone), 0), tag};
                case CreateNegative: return {act, roll(kKinds), roll(1000), tag};
                case PlaceBelow: return {act, any(live), any(live)};
                case Foreground:
                    return {act, mode < 7 && !frames.empty() ? any(frames) : mode < 9 ? any(live) : kMainTag};
                default: return {act, any(act < Restyle ? live : others), roll(1000)};
            }
        };
        static const std::pair<int, Act> weights[] = {
            {420, Tick}, {35, Select}, {50, Start}, {13, Stop}, {60, Answer}, {41, Foreground}, {1, NearMax},
            {110, Create}, {8, Reuse}, {7, CreateNegative}, {40, Destroy}, {35, PumpAll}, {20, PumpOne},
            {24, Restyle}, {8, Raise}, {8, Lower}, {8, PlaceBelow}, {8, AttachMenu}, {24, EditMenu},
            {10, RefuseClose}, {45, During}, {25, WhileBoxOpen}};
        static const Act inners[] = {Destroy,    Destroy, Restyle,    Restyle,  Raise,   Lower,
                                     PlaceBelow, Create,  AttachMenu, EditMenu, PumpAll, Reuse};
        int r = roll(1000);
        for (const auto& [weight, act] : weights) {
            if ((r -= weight) >= 0) continue;
            if (act != During && act != WhileBoxOpen) return {make(act)};
            const Event inner = make(inners[roll(std::size(inners))]);
            if (act == During) return {{act, 1 + roll(40)}, inner};
            return {{act}, roll(2) ? inner : Event{TickAll, 0, roll(6)}};
        }
        return {};
    }

private:
    // What the answers to Form1 on one sweep or keeper tick said about a window.
    enum Got { kPopup = 1, kFrame = 2, kEmptyMenu = 4, kAlive = 8, kGone = 16 };
    struct Seen {
        std::map<WindowHandle, int> got{}, closes{};  // closes: every window hidden to close
        std::vector<std::int32_t> listed;             // when the tick began
        std::vector<WindowHandle> windows{};          // the sweep's list of the top-level windows
        std::size_t next = 1, examined = 0;           // where in it the sweep may examine a window next
        WindowHandle menuOf = 0, hidden = 0;          // hidden: its WM_CLOSE still to come
        MenuHandle menu = -1;                         // what the last GetMenu gave, for menuOf
    };

    void note(const std::string& text) { if (trace_) *trace_ += text; }
    static std::string w(int tag) { return tag == kMainTag ? "the main window" : "w" + std::to_string(tag); }
    std::string name(WindowHandle h) const {
        return std::to_string(h) + (known_.contains(h) ? " " + known_.at(h).second : "");
    }
    WindowHandle resolve(int tag) const {  // the live window with this tag, or 0
        const auto it = windows_.find(tag);
        return it != windows_.end() && desk.exists(it->second) && known_.at(it->second).first == tag ? it->second : 0;
    }
    MenuHandle bar(int items) {  // -1: none
        return items < 0 ? 0 : desk.createMenu(std::vector<std::string>(static_cast<std::size_t>(items), "Item"));
    }

    void event(const Event& e) {
        // A window destroyed, or closed by its program, takes its menu bar along, ours too.
        if (e.act == Destroy || e.act == PumpAll || e.act == PumpOne) destroyedInHandler_ |= depth_ > 0;
        static const std::pair<int, const char*> answers[] = {{kIdYes, "Yes"}, {kIdNo, "No"}, {1, "OK"}, {2, "Cancel"}};
        switch (e.act) {
            case Start: note("click Start"); return handler([&] { form.onCommand(IDC_COMMAND1); });
            case Select: note("click Select Window"); return handler([&] { form.onCommand(IDC_COMMAND3); });
            case Stop: note("click Stop"); return handler([&] { form.onCommand(IDC_COMMAND4); });
            case Answer: note(std::string("answer the next box ") + answers[e.a % 4].second);
                return boxes.answers.push_back(answers[e.a % 4].first);
            case Tick: return deliver(e.a);
            case TickAll:  // the running timers, in one of the orders
                for (int i = 0; i < 3; ++i) {
                    note(i ? ", " : "");
                    deliver(kOrders[e.b % 6][i]);
                }
                return;
            case NearMax:
                hides_ = 0;
                base_ = kMaxCount - e.a % 3;
                form.totalClose = base_;
                return note("set totalClose to " + std::to_string(base_));
            case Unload: return unload();
            case Create: case Reuse: case CreateNegative: return create(e);
            case PumpAll: note("every program handles its messages"); return desk.pumpMessages();
            default: break;
        }
        note(std::string(kVerbs[static_cast<int>(e.act) - static_cast<int>(Raise)]) + " " + w(e.a));
        const WindowHandle h = resolve(e.a);
        if (h == 0) return note(": gone");
        if (h != mainWnd) note(" (" + name(h) + ")");
        // The main window is Form1's own: other programs only move it about.
        if (h == mainWnd && e.act >= Restyle) return note(": not done to it");
        const std::int32_t old = desk.style(h), flip = bitOf(e.b / 8), styles[] = {kPopupStyle, kPopupStyle ^ flip,
            kFrameStyle, kOverlappedHidden, kPopupStyle & ~kWsVisible, old ^ flip, old & ~kWsVisible, old | kWsVisible};
        static const char* const restyles[] = {"pop-up style", "near-miss pop-up style", "frame style",
            "hidden frame style", "hidden pop-up style", "one bit flipped", "hidden", "shown"};
        const MenuHandle m = desk.menuOf(h);
        switch (e.act) {
            case Raise: return desk.raise(h);
            case Lower: return desk.lower(h);
            case PlaceBelow: note(" below " + w(e.b));
                return resolve(e.b) == 0 ? note(": gone") : desk.placeBelow(h, resolve(e.b));
            case PumpOne: return desk.pumpMessages(h);
            case Foreground: return desk.setForeground(h);
            case Restyle: note(std::string(": ") + restyles[e.b % 8]); return desk.setStyle(h, styles[e.b % 8]);
            case Destroy: return desk.destroy(h);
            case AttachMenu: note(e.b % 4 ? " a bar of " + std::to_string(e.b % 4 - 1) + " items" : " no bar");
                return desk.attachMenu(h, bar(e.b % 4 - 1));
            case RefuseClose: note(e.b % 2 ? " ignore WM_CLOSE" : " obey WM_CLOSE");
                return desk.setRefusesClose(h, e.b % 2 != 0);
            default: break;
        }
        // Form1's bar is Form1's own: other programs do not edit it.
        if (m == 0 || m == desk.menuOf(mainWnd)) return note(": not its own bar");
        if (e.b % 3 == 0) desk.nativeMenu(m).insertItem(0, 100, "Added");
        else if (e.b % 3 == 1) desk.nativeMenu(m).removeItem(e.b % 5 + 1);
        else desk.destroyMenu(m);
        note(desk.menuExists(m) ? ": " + std::to_string(desk.menuCaptions(m).size()) + " items" : ": destroyed");
    }

    // An event kept for later happens now, in the middle of a handler.
    void aside(const char* counter, const std::string& when, const Event& e) {
        ++coverage[counter];
        note(" {" + when + ": ");
        event(e);
        note("}");
    }

    void create(const Event& e) {
        const Kind k = kindOf(e.a, e.b);
        note("create " + w(e.tag) + ": " + k.what + " (" + k.className +
             (k.menuItems > 0 ? ", " + std::to_string(k.menuItems) + " menu items)" : ")"));
        if (static_cast<int>(desk.zOrder().size()) >= kMaxWindows) return note(": no room");
        if (e.act == Reuse) note(" with the handle of " + w(e.b));
        WindowHandle h = e.act == CreateNegative ? -(2 + 2 * (e.b % 16)) : 0;
        if (e.act == Reuse && windows_.contains(e.b)) h = windows_.at(e.b);
        if (h != 0 && desk.exists(h)) return note(": " + std::to_string(h) + " taken");
        h = h == 0 ? desk.create(k.className, k.style, bar(k.menuItems))
                   : desk.createWithHandle(h, k.className, k.style, bar(k.menuItems));
        windows_[e.tag] = h;
        known_[h] = {e.tag, k.className};
        note(" = " + std::to_string(h));
    }

    // Every handler first makes the bar afresh when a browser that showed it took it along, so after
    // it the main window shows one, unless a browser took it along again while the handler ran.
    template <typename Run> void handler(Run run) {
        const bool lost = !desk.menuExists(desk.menuOf(mainWnd));
        if (depth_++ == 0) destroyedInHandler_ = false;
        run();
        --depth_;
        if (!desk.menuExists(desk.menuOf(mainWnd)) && !destroyedInHandler_)
            fail("a handler runs with the main window's bar in place", "no bar after it");
        coverage["barsRenewed"] += lost ? 1 : 0;
    }

    // A tick as the toolkit delivers it: only of a running timer.
    void deliver(int id) {
        note("tick Timer" + std::to_string(id));
        if (!timers.running(id)) return note(" (not running)");
        const std::vector<std::int32_t> listed = list.data;
        const int outer = std::exchange(ticking_, id);
        if (id != kIdTimer2) seen_ = Seen{.listed = listed};
        handler([&] { form.onTimer(id); });
        ticking_ = outer;
        if (id == kIdTimer2) return void(coverage["picks"] += list.data.size() > listed.size() ? 1 : 0);
        if (id == kIdTimer1) {
            ++coverage["sweeps"];
            if (seen_.hidden != 0) fail("the close action is a hide and a WM_CLOSE", name(seen_.hidden) + " left");
            if (seen_.examined + 1 < seen_.windows.size())
                fail(kEachOnce, std::to_string(seen_.examined) + " of " + std::to_string(seen_.windows.size()));
            for (const auto& [h, got] : seen_.got)
                if ((got & kPopup) != 0 && !seen_.closes.contains(h))
                    fail("every window read with exactly the pop-up style is closed", name(h) + " was not");
            return;
        }
        if (listed.empty()) {
            base_ = 0;
            hides_ = 0;
            ++coverage["resets"];
        }
        keeperEmptied_ = !listed.empty() && list.ListCount() == 0;
        coverage["windDowns"] += keeperEmptied_ ? 1 : 0;
        for (WindowHandle h : listed)
            if (keeperEmptied_ && (seen_.got[h] & kGone) == 0)
                fail("the keeper empties the list only when every listed window is gone", name(h) + " was not");
    }

    void unload() {
        note("unload Form1");
        during_.reset();
        whileOpen_.reset();
        int cancel = 0;
        unloaded_ = true;  // and no step runs after it
        form.Form_Unload(cancel);
        if (cancel != 0) fail("the unload goes ahead", "Cancel set to " + std::to_string(cancel));
        for (WindowHandle h : list.data)
            if (desk.exists(h) && (desk.menuOf(h) != 0 || !desk.maximized(h)))
                fail("the unload gives the selected windows back without a menu bar, maximised", name(h));
        for (WindowHandle h : desk.zOrder())
            if (h != mainWnd && desk.menuOf(h) == desk.menuOf(mainWnd))
                fail("the unload takes the main menu bar off every window", name(h) + " still shows it");
    }

    // Watches every window-system call. The hook runs just before the call:
    // each question asked again here gets the answer the call is about to give.
    void onCall(const Op& op) {
        if (during_ && --during_->e.a <= 0)
            aside("interferences", "before " + op.name + "(" + std::to_string(op.h) + ")",
                  std::exchange(during_, {})->inner);
        const std::string& n = op.name;
        const WindowHandle h = op.h;
        const auto call = [&] { return n + "(" + name(h) + ")"; };
        Seen& s = seen_;
        int& got = s.got[h];
        if (ticking_ == kIdTimer3 && (n == "IsWindow" || n == "GetMenu" || n == "SetMenu") && h != mainWnd &&
            std::count(s.listed.begin(), s.listed.end(), h) == 0)
            fail("the keeper touches only listed windows", call());
        if (n == "IsWindow") got |= desk.IsWindow(h) != 0 ? kAlive : kGone;
        if (n == "ShowWindow" && !unloaded_) fail("only the unload shows windows", call());
        if (ticking_ != kIdTimer1 && (n == "ShowWindowAsync" || n == "PostMessageA"))
            fail("only the sweep hides and closes windows", call());
        if (ticking_ != kIdTimer1) return;
        if (s.hidden != 0 && !(n == "PostMessageA" && h == s.hidden))
            fail("the close action is a hide and a WM_CLOSE", call() + " after the hide of " + name(s.hidden));
        char16_t buffer[256] = {};
        if (n == "EnumWindows") s.windows = desk.zOrder();
        if (n == "GetWindowLongA") {
            const auto at = std::find(s.windows.begin() + std::min(s.next, s.windows.size()), s.windows.end(), h);
            if (at == s.windows.end()) fail(kEachOnce, call() + " out of turn");
            s.next = static_cast<std::size_t>(at - s.windows.begin()) + 1;
            ++s.examined;
            got |= desk.GetWindowLongA(h, static_cast<int>(op.a)) == kPopupStyle ? kPopup : 0;
        }
        if (n == "GetClassNameW" && desk.GetClassNameW(h, buffer, static_cast<int>(op.a)) > 0)
            got |= std::u16string(buffer) == u"IEFrame" ? kFrame : 0;
        if (n == "GetMenu") {
            s.menuOf = h;
            s.menu = desk.menuOf(h);
        }
        if (n == "GetMenuItemCount" && h == s.menu && desk.GetMenuItemCount(h) == 0) s.got[s.menuOf] |= kEmptyMenu;
        if (n == "ShowWindowAsync") {
            const int empty = kFrame | kEmptyMenu | kAlive;
            const int passed = ((got & kPopup) != 0 ? 1 : 0) + ((got & empty) == empty ? 1 : 0);
            if (op.a != kSwHide) fail("the sweep only hides", call() + " with " + std::to_string(op.a));
            if (s.closes[h] >= passed)
                fail("only windows that passed a test on this tick are closed",
                     call() + ": close " + std::to_string(s.closes[h] + 1) + ", passed " + std::to_string(passed));
            s.hidden = h;
            ++hides_;
        }
        if (n == "PostMessageA") {
            if (h != s.hidden || op.a != kWmClose || op.b != 0)
                fail("the close action is a hide and a WM_CLOSE", call() + " with " + std::to_string(op.a));
            ++s.closes[h];
            s.hidden = 0;
            ++coverage["closes"];
            coverage["saturatedCloses"] += form.totalClose == kMaxCount ? 1 : 0;
        }
    }

    void check() {
        const std::vector<std::int32_t>& data = list.data;
        for (std::size_t i = 0; i < data.size(); ++i) {
            const std::string& text = list.texts[i];
            if (text != std::to_string(data[i])) fail("each entry's text is its handle in decimal", text);
            if (std::count(data.begin(), data.end(), data[i]) > 1) fail("no handle is listed twice", text);
        }
        for (const Timer* t : {&form.Timer1, &form.Timer2, &form.Timer3})
            if (t->Enabled() != timers.running(t->id()))
                fail("a timer ticks exactly while it is enabled", "Timer" + std::to_string(t->id()));
        if (form.Timer3.Enabled() ? data.empty() && !keeperEmptied_ : !data.empty())
            fail("Timer3 runs while the list holds windows, and until the keeper tick after it emptied it",
                 std::to_string(data.size()) + " entries, Timer3 " + (form.Timer3.Enabled() ? "on" : "off"));
        if (form.Timer1.Enabled() && data.empty()) fail("the sweep runs only with a non-empty list", "Timer1 on");
        if (form.totalClose != std::min<std::int64_t>(std::int64_t{base_} + hides_, kMaxCount))
            fail("totalClose counts the close actions since the last reset, up to its maximum",
                 std::to_string(form.totalClose) + " after " + std::to_string(hides_) + " closes from " +
                     std::to_string(base_));
        std::string visible, shown;
        for (const MenuItem* item : {&form.abmenu, &form.totalMenu, &form.timemenu})
            if (item->Visible()) visible += " \"" + item->Caption() + "\"";
        for (const std::string& caption : desk.menuCaptions(desk.menuOf(mainWnd))) shown += " \"" + caption + "\"";
        // Between a browser taking the bar along and the next handler, there is none.
        if (desk.menuExists(desk.menuOf(mainWnd)) && shown != visible)
            fail("the main menu bar holds exactly the visible items", "it holds" + shown + ", not" + visible);
    }

    std::map<int, WindowHandle> windows_{{kMainTag, mainWnd}};  // by tag: the handle it was made with
    // The tag and class of the window that has the handle now.
    std::map<WindowHandle, std::pair<int, std::string>> known_{{mainWnd, {kMainTag, "Form1"}}};
    std::optional<Step> during_, whileOpen_;
    std::string* trace_ = nullptr;
    int depth_ = 0, ticking_ = 0;  // handlers running; the timer whose tick runs
    bool destroyedInHandler_ = false, unloaded_ = false, keeperEmptied_ = false;
    Seen seen_;
    std::int32_t base_ = 0;   // totalClose at the last reset
    std::int64_t hides_ = 0;  // since then
};

// Replays the steps, or with a seed makes a new session up as it runs; half
// the sessions end with the main window's unload. `trace` gets a line a step.
std::optional<Failure> run(std::vector<Step>& steps, int seed = 0, std::string* trace = nullptr) {
    std::mt19937 rng(static_cast<std::uint32_t>(seed));
    World world;
    for (std::size_t i = 0; i < (seed ? std::size_t{kSteps} : steps.size()); ++i) {
        if (seed) steps.push_back(i + 1 == kSteps && seed % 2 == 0 ? Step{{Unload}} : world.next(rng, int(i) + 1));
        if (trace) *trace += "\n  " + std::to_string(i + 1) + ". ";
        std::optional<Failure> failure;
        try { world.apply(steps[i], trace); } catch (const Failure& f) { failure = f; }
        catch (const std::exception& e) { failure = Failure{"no handler throws", e.what()}; }
        if (failure) {
            failure->step = i;
            return failure;
        }
    }
    return std::nullopt;
}

// Delta debugging: take out runs of steps, ever shorter, while the same
// invariant still breaks, until no single step can go.
std::vector<Step> shorten(std::vector<Step> steps, const std::string& invariant) {
    const auto at = [](std::vector<Step>& v, std::size_t i) { return v.begin() + static_cast<std::ptrdiff_t>(i); };
    bool shorter = false;
    for (std::size_t chunk = steps.size() / 2; chunk > 0; chunk = shorter && chunk == 1 ? 1 : chunk / 2) {
        shorter = false;
        for (std::size_t from = 0; from < steps.size();) {
            std::vector<Step> candidate = steps;
            candidate.erase(at(candidate, from), at(candidate, std::min(from + chunk, steps.size())));
            const auto failure = run(candidate);
            if (!failure || failure->invariant != invariant) {
                from += chunk;
                continue;
            }
            candidate.resize(failure->step + 1);
            steps = std::move(candidate);
            shorter = true;
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
        std::vector<Step> shortest = shorten(steps, failure->invariant);
        std::string trace;
        const auto again = run(shortest, 0, &trace);
        FAIL() << "seed " << seed << ": \"" << failure->invariant << "\" broken at step " << failure->step + 1 << ": "
               << failure->detail << "\nshortened to " << shortest.size() << " steps, broken at the last: "
               << (again ? again->detail : "no longer") << trace;
    }
    const std::pair<const char*, int> enough[] = {{"sweeps", 2000}, {"closes", 2000}, {"saturatedCloses", 100},
                                                  {"picks", 200},   {"windDowns", 50}, {"resets", 50},
                                                  {"interferences", 500}, {"whileBoxesOpen", 200}, {"barsRenewed", 20}};
    for (const auto& [what, least] : enough) {
        EXPECT_GE(coverage[what], least) << what;
        RecordProperty(what, coverage[what]);
    }
}

}  // namespace
}  // namespace popquell::sim
