// Long random sessions: clicks, answers, timer ticks and a desktop that other
// programs keep changing, also in the middle of a handler. After every step
// the monitor's invariants must hold, and every hide and WM_CLOSE of a sweep
// tick must go to a window that passed the style or the frame test on that
// tick, as the window system answered Form1 at the time.
//
// Sessions are seeded and replay exactly. A failure is shortened by taking
// out steps while the same invariant still breaks, and printed step by step.

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FormFixture.h"
#include "res/resource.h"

namespace popquell::sim {
namespace {

constexpr int kFirstSeed = 1;
constexpr int kSeeds = 200;
constexpr int kStepsPerSession = 300;
constexpr int kMaxWindows = 24;
constexpr std::int32_t kMaxCount = std::numeric_limits<std::int32_t>::max();

enum class Act : std::uint8_t {
    // The user and the toolkit.
    Start, Select, Stop, Answer, Tick, NearMaxCount, Unload,
    // Other programs.
    Create, Reuse, CreateNegative, Destroy, Hide, Show, Restyle, Raise, Lower, PlaceBelow,
    AttachMenu, AddMenuItem, RemoveMenuItem, DestroyMenu, Foreground, PumpAll, PumpOne, RefuseClose,
    // An event kept for later, to happen inside a handler.
    DuringCall, WhileBoxOpen,
};

// Windows are named by tags, not handles: a window created by a step gets
// that step's tag, and a later step that names a window whose creation has
// been taken out of the session does nothing. Tag 0 is the main window.
constexpr int kMainTag = 0;
constexpr int kNoWindow = -1;

struct Event {
    Event(Act what = Act::PumpAll, int first = 0, int second = 0, int newTag = 0)
        : act(what), a(first), b(second), tag(newTag) {}
    Act act;
    int a;    // a window's tag; Create: the kind; Tick, Answer: which
    int b;    // a variant, or a second window's tag
    int tag;  // Create, Reuse, CreateNegative: the new window's tag
};

struct Step {
    Step(Event now = {}, Event later = {}) : e(now), inner(later) {}
    // DuringCall: e.a calls from now. WhileBoxOpen: e.a even for the inner
    // event, odd for ticks of the running timers in the order e.b.
    Event e;
    Event inner;
};

// How often the sessions reached the states worth reaching: a generator that
// stopped reaching them would let the invariants hold vacuously.
struct Coverage {
    int sweeps = 0;
    int closes = 0;
    int picks = 0;
    int windDowns = 0;
    int resets = 0;
    int saturatedCloses = 0;
    int interferences = 0;
    int ticksInBoxes = 0;
    int unloads = 0;
    int barsRenewed = 0;
};
Coverage coverage;

struct Broken {
    std::string invariant;
    std::string detail;
};

[[noreturn]] void fail(const std::string& invariant, const std::string& detail) {
    throw Broken{invariant, detail};
}

std::string hex(std::int32_t v) {
    std::ostringstream out;
    out << "0x" << std::hex << std::uppercase << static_cast<std::uint32_t>(v);
    return out.str();
}

std::int32_t bitOf(int variant) {
    return static_cast<std::int32_t>(1u << (static_cast<unsigned>(variant) % 32));
}

struct Kind {
    const char* what;
    std::string className;
    std::int32_t style;
    int menuItems;  // -1: no menu bar
};

constexpr int kKinds = 11;

Kind kindOf(int kind, int variant) {
    static const char* const others[] = {"ieframe", "IEFrameX", "IEFram", "Notepad", "CabinetWClass"};
    const std::string popup = "Internet Explorer_TridentDlgFrame";
    switch (kind % kKinds) {
        case 0: return {"pop-up", popup, kPopupStyle, -1};
        case 1: return {"pop-up-styled IEFrame, empty menu bar", "IEFrame", kPopupStyle, 0};
        case 2: return {"near-miss pop-up", popup, kPopupStyle ^ bitOf(variant), -1};
        case 3: return {"hidden pop-up", popup, kPopupStyle & ~kWsVisible, -1};
        case 4: return {"browser", "IEFrame", kFrameStyle, 1 + variant % 3};
        case 5: return {"IEFrame, empty menu bar", "IEFrame", kFrameStyle, 0};
        case 6: return {"IEFrame, no menu bar", "IEFrame", kFrameStyle, -1};
        case 7: return {"hidden browser", "IEFrame", kOverlappedHidden, 2};
        case 8: return {"other class", others[variant % 5], kFrameStyle, variant % 2 ? 0 : -1};
        case 9: return {"other class, pop-up style, empty menu bar", others[variant % 5], kPopupStyle, 0};
        default: return {"pop-up-styled browser", "IEFrame", kPopupStyle, 2};
    }
}

std::int32_t restyled(std::int32_t old, int variant) {
    switch (variant % 6) {
        case 0: return kPopupStyle;
        case 1: return kPopupStyle ^ bitOf(variant / 6);
        case 2: return kFrameStyle;
        case 3: return kOverlappedHidden;
        case 4: return kPopupStyle & ~kWsVisible;
        default: return old ^ bitOf(variant / 6);
    }
}

std::string answerName(int answer) {
    switch (answer) {
        case kIdYes: return "Yes";
        case kIdNo: return "No";
        case 1: return "OK";
        default: return "Cancel";
    }
}

// Form1 on a simulated desktop, with the bookkeeping that
// the invariants need.
class World : private SimulatedForm {
public:
    World() {
        windows_[kMainTag] = mainWnd;
        tagOf_[mainWnd] = kMainTag;
        classOf_[mainWnd] = "PopquellForm";
        desk.beforeCall = [this](const Op& op) { onCall(op); };
        boxes.whileOpen = [this] {
            if (!whileOpen_) return;
            const Step s = *whileOpen_;
            whileOpen_.reset();
            note(" {while the box is open: ");
            if (s.e.a % 2 == 0)
                event(s.inner);
            else
                deliverRunningTimers(s.e.b);
            note("}");
            ++coverage.ticksInBoxes;
        };
    }
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Runs one step, then checks the invariants; appends what happened to
    // `trace` when given one.
    void apply(const Step& s, std::string* trace) {
        trace_ = trace;
        if (unloaded_) return note("(after the unload: nothing)");
        if (s.e.act == Act::DuringCall) {
            note("arm: " + std::to_string(s.e.a) + " window-system calls from now, " + describe(s.inner));
            duringCall_ = s;
        } else if (s.e.act == Act::WhileBoxOpen) {
            note("arm: while the next message box is open, " +
                 (s.e.a % 2 == 0 ? describe(s.inner) : std::string("ticks of the running timers")));
            whileOpen_ = s;
        } else {
            event(s.e);
        }
        check();
        desk.log.clear();
        scanned_ = 0;
        list.calls.clear();
        timers.events.clear();
        boxes.shown.clear();
    }

    // For the generator.
    bool running(int id) const { return timers.running(id); }
    std::vector<int> liveTags(bool withMain, const char* className = nullptr) const {
        std::vector<int> out;
        for (WindowHandle h : desk.zOrder()) {
            const int tag = tagOf_.at(h);
            if ((withMain || tag != kMainTag) && (!className || classOf_.at(h) == className))
                out.push_back(tag);
        }
        return out;
    }
    std::vector<int> goneTags() const {
        std::vector<int> out;
        for (const auto& [tag, h] : windows_)
            if (!desk.exists(h)) out.push_back(tag);
        return out;
    }

private:

    // What one sweep tick saw, from the window system's answers as Form1 got them.
    struct SweepSeen {
        std::map<WindowHandle, int> popupReads;  // style reads that gave exactly kPopupStyle
        std::set<WindowHandle> frames;           // class reads that gave "IEFrame"
        std::set<WindowHandle> emptyMenus;       // GetMenu(h), then a count of 0 for that menu
        std::set<WindowHandle> alive;            // IsWindow(h) non-zero
        WindowHandle lastMenuOf = 0;
        MenuHandle lastMenu = -1;
        std::map<WindowHandle, int> closes;
        WindowHandle hidden = 0;  // hidden, its WM_CLOSE still to come
    };

    void note(const std::string& text) {
        if (trace_) *trace_ += text;
    }

    // The live window with this tag, or 0.
    WindowHandle resolve(int tag) const {
        const auto it = windows_.find(tag);
        if (it == windows_.end() || !desk.exists(it->second) || tagOf_.at(it->second) != tag) return 0;
        return it->second;
    }

    std::string name(WindowHandle h) const {
        const auto it = classOf_.find(h);
        return std::to_string(h) + (it == classOf_.end() ? "" : " (" + it->second + ")");
    }

    static std::string w(int tag) { return tag == kMainTag ? "the main window" : "w" + std::to_string(tag); }

    static std::string describe(const Event& e) {
        switch (e.act) {
            case Act::Create:
            case Act::Reuse:
            case Act::CreateNegative: {
                const Kind k = kindOf(e.a, e.b);
                return "create " + w(e.tag) +
                       (e.act == Act::Reuse ? " with the handle of " + w(e.b % 1000)
                        : e.act == Act::CreateNegative
                            ? " with handle " + std::to_string(-(2 + 2 * (e.b % 16)))
                            : std::string()) +
                       ": " + k.what + " (class " + k.className + ", style " + hex(k.style) +
                       (k.menuItems > 0 ? ", " + std::to_string(k.menuItems) + " menu items)" : ")");
            }
            case Act::Destroy: return "destroy " + w(e.a);
            case Act::Hide: return "hide " + w(e.a);
            case Act::Show: return "show " + w(e.a);
            case Act::Restyle: return "restyle " + w(e.a);
            case Act::Raise: return "raise " + w(e.a);
            case Act::Lower: return "lower " + w(e.a);
            case Act::PlaceBelow: return "place " + w(e.a) + " below " + w(e.b);
            case Act::AttachMenu:
                return "give " + w(e.a) +
                       (e.b % 4 == 0 ? " no menu bar"
                                     : " a new menu bar of " + std::to_string(e.b % 4 - 1) + " items");
            case Act::AddMenuItem: return "add an item to the menu bar of " + w(e.a);
            case Act::RemoveMenuItem:
                return "remove item " + std::to_string(e.b % 5 + 1) + " from the menu bar of " + w(e.a);
            case Act::DestroyMenu: return "destroy the menu bar of " + w(e.a);
            case Act::Foreground:
                return "bring " + (e.a == kNoWindow ? std::string("no window") : w(e.a)) + " to the front";
            case Act::PumpAll: return "every program handles its messages";
            case Act::PumpOne: return "the program of " + w(e.a) + " handles its messages";
            case Act::RefuseClose:
                return w(e.a) + (e.b % 2 ? " will ignore WM_CLOSE" : " will obey WM_CLOSE");
            default: return "?";
        }
    }

    // --- events ---

    void event(const Event& e) {
        switch (e.act) {
            case Act::Start: note("click Start"); return click(IDC_COMMAND1);
            case Act::Select: note("click Select Window"); return click(IDC_COMMAND3);
            case Act::Stop: note("click Stop"); return click(IDC_COMMAND4);
            case Act::Answer: {
                const int answers[] = {kIdYes, kIdNo, 1, 2};
                const int answer = answers[e.a % 4];
                note("the next box will be answered " + answerName(answer));
                boxes.answers.push_back(answer);
                return;
            }
            case Act::Tick: return deliver(e.a);
            case Act::NearMaxCount:
                scanLog();
                base_ = kMaxCount - e.a % 3;
                closesSinceReset_ = 0;
                form.totalClose = base_;
                return note("totalClose set to " + std::to_string(base_));
            case Act::Unload: return unload();
            default: break;
        }
        note(describe(e));
        desktopEvent(e);
    }

    void desktopEvent(const Event& e) {
        // A window destroyed, or closed by its program, takes its menu bar
        // along, ours too.
        if (e.act == Act::Destroy || e.act == Act::PumpAll || e.act == Act::PumpOne)
            destroyedInHandler_ = destroyedInHandler_ || handlerDepth_ > 0;
        if (e.act == Act::Create || e.act == Act::Reuse || e.act == Act::CreateNegative) return create(e);
        if (e.act == Act::PumpAll) return desk.pumpMessages();
        if (e.act == Act::Foreground) {
            const WindowHandle f = e.a == kNoWindow ? 0 : resolve(e.a);
            if (e.a != kNoWindow && f == 0) return note(" -> gone: nothing");
            if (f != 0) note(" -> " + name(f));
            return desk.setForeground(f);
        }
        const WindowHandle h = resolve(e.a);
        if (h == 0) return note(" -> gone: nothing");
        note(" -> " + name(h));
        // The main window is Form1's own: other programs only move it about.
        const bool onMainToo = e.act == Act::Hide || e.act == Act::Show || e.act == Act::Raise ||
                               e.act == Act::Lower || e.act == Act::PlaceBelow || e.act == Act::PumpOne;
        if (h == mainWnd && !onMainToo) return note(": not done to the main window");
        switch (e.act) {
            case Act::Destroy: return desk.destroy(h);
            case Act::Hide: return desk.setStyle(h, desk.style(h) & ~kWsVisible);
            case Act::Show: return desk.setStyle(h, desk.style(h) | kWsVisible);
            case Act::Restyle: {
                const std::int32_t style = restyled(desk.style(h), e.b);
                note(", style " + hex(style));
                return desk.setStyle(h, style);
            }
            case Act::Raise: return desk.raise(h);
            case Act::Lower: return desk.lower(h);
            case Act::PlaceBelow: {
                const WindowHandle above = resolve(e.b);
                if (above == 0) return note(", which is gone: nothing");
                return desk.placeBelow(h, above);
            }
            case Act::AttachMenu: {
                if (e.b % 4 == 0) return desk.attachMenu(h, 0);
                return desk.attachMenu(h, desk.createMenu(std::vector<std::string>(
                                              static_cast<std::size_t>(e.b % 4 - 1), "Extra")));
            }
            case Act::AddMenuItem:
            case Act::RemoveMenuItem:
            case Act::DestroyMenu: {
                // Form1's bar is Form1's own: other programs do not edit it.
                const MenuHandle m = desk.menuOf(h);
                if (m == 0 || m == desk.menuOf(mainWnd)) return note(": not its own menu bar, nothing");
                if (e.act == Act::AddMenuItem)
                    desk.nativeMenu(m).insertItem(0, 100, "Added");
                else if (e.act == Act::RemoveMenuItem)
                    desk.nativeMenu(m).removeItem(e.b % 5 + 1);
                else
                    desk.destroyMenu(m);
                return note(desk.menuExists(m)
                                ? ", now " + std::to_string(desk.menuCaptions(m).size()) + " items"
                                : "");
            }
            case Act::PumpOne: return desk.pumpMessages(h);
            case Act::RefuseClose: return desk.setRefusesClose(h, e.b % 2 != 0);
            default: return;
        }
    }

    void create(const Event& e) {
        if (static_cast<int>(desk.zOrder().size()) >= kMaxWindows) return note(" -> no room: nothing");
        if (windows_.contains(e.tag)) return note(" -> already made: nothing");
        WindowHandle h = 0;
        if (e.act == Act::Reuse) {
            const auto old = windows_.find(e.b % 1000);
            if (old == windows_.end() || desk.exists(old->second)) return note(" -> not free: nothing");
            h = old->second;
        } else if (e.act == Act::CreateNegative) {
            h = -(2 + 2 * (e.b % 16));
            if (desk.exists(h)) return note(" -> taken: nothing");
        }
        const Kind k = kindOf(e.a, e.b);
        MenuHandle menu = 0;
        if (k.menuItems >= 0) {
            std::vector<std::string> items;
            for (int i = 0; i < k.menuItems; ++i) items.push_back("Item" + std::to_string(i + 1));
            menu = desk.createMenu(items);
        }
        h = h == 0 ? desk.create(k.className, k.style, menu)
                   : desk.createWithHandle(h, k.className, k.style, menu);
        windows_[e.tag] = h;
        tagOf_[h] = e.tag;
        classOf_[h] = k.className;
        note(" -> " + std::to_string(h));
    }

    // A click as the main window delivers it, and what the bar then shows.
    void click(int id) {
        const bool lost = enterHandler();
        form.onCommand(id);
        leaveHandler(lost);
    }

    // Every handler first makes the bar afresh when a browser that showed it
    // took it along, so after it the main window shows one, unless a browser
    // took it along again while the handler ran.
    bool enterHandler() {
        if (handlerDepth_++ == 0) destroyedInHandler_ = false;
        return !desk.menuExists(desk.menuOf(mainWnd));
    }
    void leaveHandler(bool wasLost) {
        --handlerDepth_;
        if (!desk.menuExists(desk.menuOf(mainWnd)) && !destroyedInHandler_)
            fail("a handler runs with the main window's bar in place", "no bar after it");
        coverage.barsRenewed += wasLost ? 1 : 0;
    }

    // A tick as the toolkit delivers it: only of a running timer.
    void deliver(int id) {
        note("tick Timer" + std::to_string(id));
        if (!timers.running(id)) return note(" (not running: nothing)");
        const bool lost = enterHandler();
        tick(id);
        leaveHandler(lost);
    }

    void tick(int id) {
        if (id == kIdTimer1) {
            if (sweepDepth_++ == 0) seen_ = SweepSeen{};
            ++coverage.sweeps;
            form.onTimer(id);
            --sweepDepth_;
            if (seen_.hidden != 0)
                fail("the close action is a hide and a WM_CLOSE",
                     "hide of " + name(seen_.hidden) + " without its WM_CLOSE");
            for (const auto& [h, reads] : seen_.popupReads)
                if (seen_.closes[h] < reads)
                    fail("every window read with exactly the pop-up style is closed", name(h) + " was not");
        } else if (id == kIdTimer3) {
            const std::vector<std::int32_t> listed = list.data;
            const auto clears = std::count(list.calls.begin(), list.calls.end(), "Clear");
            scanLog();
            keeperGone_.clear();
            keeperListed_ = listed;
            ++keeperDepth_;
            form.onTimer(id);
            --keeperDepth_;
            if (listed.empty()) {
                base_ = 0;
                closesSinceReset_ = 0;
                ++coverage.resets;
            }
            keeperEmptied_ = std::count(list.calls.begin(), list.calls.end(), "Clear") > clears;
            if (keeperEmptied_) {
                ++coverage.windDowns;
                for (WindowHandle h : listed)
                    if (!keeperGone_.contains(h))
                        fail("the keeper empties the list only when every listed window is gone",
                             name(h) + " was not found gone on this tick");
            }
        } else {
            const int before = list.ListCount();
            form.onTimer(id);
            coverage.picks += list.ListCount() > before ? 1 : 0;
        }
    }

    void deliverRunningTimers(int order) {
        static const int orders[][3] = {{1, 2, 3}, {1, 3, 2}, {2, 1, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}};
        for (int id : orders[order % 6]) {
            note(" ");
            deliver(id);
        }
    }

    void unload() {
        note("unload Form1");
        duringCall_.reset();
        whileOpen_.reset();
        int cancel = 0;
        unloading_ = true;
        form.Form_Unload(cancel);
        unloading_ = false;
        unloaded_ = true;
        ++coverage.unloads;
        if (cancel != 0) fail("the unload goes ahead", "Cancel set to " + std::to_string(cancel));
        for (WindowHandle h : list.data)
            if (desk.exists(h) && (desk.menuOf(h) != 0 || !desk.maximized(h)))
                fail("the unload gives the selected windows back without a menu bar, maximised",
                     name(h) + ": menu " + std::to_string(desk.menuOf(h)) +
                         (desk.maximized(h) ? "" : ", not maximised"));
        for (WindowHandle h : desk.zOrder())
            if (h != mainWnd && desk.menuOf(h) == desk.menuOf(mainWnd))
                fail("the unload takes the main menu bar off every window", name(h) + " still shows it");
    }

    // --- watching the window-system calls ---

    void onCall(const Op& op) {
        if (duringCall_ && --duringCall_->e.a <= 0) {
            const Step s = *duringCall_;
            duringCall_.reset();
            ++coverage.interferences;
            note(" {before " + op.name + "(" + std::to_string(op.h) + "): " + describe(s.inner));
            desktopEvent(s.inner);
            note("}");
        }
        // Each question is asked again here: the hook runs just before the
        // call, and the answer is the one the call is about to give.
        if (keeperDepth_ > 0 && op.name == "IsWindow" && desk.IsWindow(op.h) == 0) keeperGone_.insert(op.h);
        const bool onWindow = op.name == "IsWindow" || op.name == "GetMenu" || op.name == "SetMenu";
        if (keeperDepth_ > 0 && onWindow && op.h != mainWnd &&
            std::find(keeperListed_.begin(), keeperListed_.end(), op.h) == keeperListed_.end())
            fail("the keeper touches only listed windows", op.name + "(" + name(op.h) + ")");
        if (sweepDepth_ == 0) {
            if (op.name == "ShowWindowAsync" || op.name == "PostMessageA")
                fail("only the sweep hides and closes windows",
                     op.name + "(" + name(op.h) + ") outside a sweep tick");
            if (op.name == "ShowWindow" && !unloading_)
                fail("only the unload shows windows", "ShowWindow(" + name(op.h) + ") outside the unload");
            return;
        }
        SweepSeen& seen = seen_;
        if (seen.hidden != 0 && !(op.name == "PostMessageA" && op.h == seen.hidden))
            fail("the close action is a hide and a WM_CLOSE",
                 op.name + "(" + name(op.h) + ") between the hide and the WM_CLOSE of " + name(seen.hidden));
        if (op.name == "GetWindowLongA") {
            if (desk.GetWindowLongA(op.h, static_cast<int>(op.a)) == kPopupStyle) ++seen.popupReads[op.h];
        } else if (op.name == "GetClassNameW") {
            char16_t buffer[256] = {};
            const int n = desk.GetClassNameW(op.h, buffer, static_cast<int>(op.a));
            if (n > 0 && std::u16string(buffer, static_cast<std::size_t>(n)) == u"IEFrame")
                seen.frames.insert(op.h);
        } else if (op.name == "IsWindow") {
            if (desk.IsWindow(op.h) != 0) seen.alive.insert(op.h);
        } else if (op.name == "GetMenu") {
            seen.lastMenuOf = op.h;
            seen.lastMenu = desk.menuOf(op.h);
        } else if (op.name == "GetMenuItemCount") {
            if (op.h == seen.lastMenu && desk.GetMenuItemCount(op.h) == 0)
                seen.emptyMenus.insert(seen.lastMenuOf);
        } else if (op.name == "ShowWindowAsync") {
            const WindowHandle h = op.h;
            const int passed =
                (seen.popupReads.contains(h) ? seen.popupReads[h] : 0) +
                (seen.frames.contains(h) && seen.emptyMenus.contains(h) && seen.alive.contains(h) ? 1 : 0);
            if (op.a != kSwHide)
                fail("the sweep only hides",
                     "ShowWindowAsync(" + name(h) + ", " + std::to_string(op.a) + ")");
            if (seen.closes[h] >= passed)
                fail("only windows that passed a test on this tick are closed",
                     name(h) + ": close number " + std::to_string(seen.closes[h] + 1) +
                         " on this tick, tests passed " + std::to_string(passed) + ", style now " +
                         hex(desk.style(h)));
            const std::string caption = "Total: " + std::to_string(form.totalClose);
            if (form.totalMenu.Caption() != caption)
                fail("the count is shown before the hide", "totalMenu reads \"" + form.totalMenu.Caption() +
                                                               "\", totalClose is " +
                                                               std::to_string(form.totalClose));
            seen.hidden = h;
        } else if (op.name == "PostMessageA") {
            if (op.h != seen.hidden || op.a != kWmClose || op.b != 0)
                fail("the close action is a hide and a WM_CLOSE",
                     "PostMessageA(" + name(op.h) + ", " + std::to_string(op.a) + ") without its hide");
            ++seen.closes[op.h];
            seen.hidden = 0;
            ++coverage.closes;
            coverage.saturatedCloses += form.totalClose == kMaxCount ? 1 : 0;
        }
    }

    // Counts the hides logged since the last look: one per close action.
    void scanLog() {
        for (; scanned_ < desk.log.size(); ++scanned_)
            if (desk.log[scanned_].name == "ShowWindowAsync" && desk.log[scanned_].a == kSwHide)
                ++closesSinceReset_;
    }

    // --- the invariants, after every step ---

    void check() {
        const std::vector<std::int32_t> data = list.data;
        const std::vector<std::string> texts = list.texts;
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (texts[i] != std::to_string(data[i]))
                fail("each entry's text is its handle in decimal",
                     "entry " + std::to_string(i) + " reads \"" + texts[i] + "\"");
            for (std::size_t j = 0; j < i; ++j)
                if (data[j] == data[i])
                    fail("no handle is listed twice", std::to_string(data[i]) + " at entries " +
                                                          std::to_string(j) + " and " + std::to_string(i));
        }

        const Timer* const all[] = {&form.Timer1, &form.Timer2, &form.Timer3};
        for (const Timer* t : all)
            if (t->Enabled() != timers.running(t->id()))
                fail("a timer ticks exactly while it is enabled", "Timer" + std::to_string(t->id()));

        if (form.Timer3.Enabled() && data.empty() && !keeperEmptied_)
            fail("Timer3 on means a non-empty list, but between the emptying tick and the next keeper tick",
                 "Timer3 on, list empty, and the last keeper tick did not empty it");
        if (!data.empty() && !form.Timer3.Enabled())
            fail("a non-empty list is looked after by Timer3",
                 std::to_string(data.size()) + " entries, Timer3 off");
        if (form.Timer1.Enabled() && data.empty())
            fail("the sweep runs only with a non-empty list", "Timer1 on, list empty");

        scanLog();
        const std::int64_t expected =
            std::min<std::int64_t>(std::int64_t{base_} + closesSinceReset_, kMaxCount);
        if (form.totalClose != expected)
            fail("totalClose counts the close actions since the last reset, up to its maximum",
                 "totalClose " + std::to_string(form.totalClose) + ", expected " + std::to_string(expected) +
                     " (" + std::to_string(base_) + " + " + std::to_string(closesSinceReset_) + " hides)");

        std::vector<std::string> visible;
        for (const MenuItem* item : {&form.abmenu, &form.totalMenu, &form.timemenu})
            if (item->Visible()) visible.push_back(item->Caption());
        const MenuHandle bar = desk.menuOf(mainWnd);
        const std::vector<std::string> shown = desk.menuCaptions(bar);
        // Between a browser taking the bar along and the next handler, there is none.
        if (desk.menuExists(bar) && shown != visible) {
            std::string items;
            for (const auto& c : shown) items += " \"" + c + "\"";
            fail("the main menu bar holds exactly the visible items", "the bar holds" + items);
        }
    }

    std::map<int, WindowHandle> windows_;  // by tag: the handle it was created with
    std::map<WindowHandle, int> tagOf_;    // the tag of the window that has the handle now
    std::map<WindowHandle, std::string> classOf_;
    std::optional<Step> duringCall_;
    std::optional<Step> whileOpen_;
    std::string* trace_ = nullptr;
    int handlerDepth_ = 0;
    bool destroyedInHandler_ = false;
    bool unloading_ = false;
    bool unloaded_ = false;
    int sweepDepth_ = 0;
    SweepSeen seen_;
    int keeperDepth_ = 0;
    std::set<WindowHandle> keeperGone_;  // IsWindow gave 0 for them on this keeper tick
    std::vector<std::int32_t> keeperListed_;
    bool keeperEmptied_ = false;
    std::int32_t base_ = 0;
    std::int64_t closesSinceReset_ = 0;
    std::size_t scanned_ = 0;
};

// --- sessions ---

// The next step, chosen with an eye on the world so that sessions reach the
// interesting states: ticks go to running timers, the sweep most of all; the
// foreground is mostly a browser; pop-ups appear often.
Step nextStep(std::mt19937& rng, const World& world, int tag) {
    const auto roll = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const auto any = [&](const std::vector<int>& tags) {
        return tags.empty() ? kNoWindow : tags[static_cast<std::size_t>(roll(static_cast<int>(tags.size())))];
    };
    const auto event = [&](Act act) {
        switch (act) {
            case Act::Create: {
                static const int kinds[] = {0, 0, 0, 1, 2, 2, 3, 4, 4, 4, 5, 5, 6, 7, 8, 9, 10};
                return Event{act, kinds[roll(static_cast<int>(std::size(kinds)))], roll(1000), tag};
            }
            case Act::CreateNegative: return Event{act, roll(kKinds), roll(1000), tag};
            case Act::Reuse: return Event{act, roll(kKinds), std::max(any(world.goneTags()), 0), tag};
            case Act::Hide:
            case Act::Show:
            case Act::Raise:
            case Act::Lower:
            case Act::PumpOne: return Event{act, any(world.liveTags(true)), roll(1000)};
            case Act::PlaceBelow: return Event{act, any(world.liveTags(true)), any(world.liveTags(true))};
            case Act::Foreground: {
                const int mode = roll(10);
                const std::vector<int> frames = world.liveTags(false, "IEFrame");
                if (mode < 7 && !frames.empty()) return Event{act, any(frames)};
                if (mode < 8) return Event{act, any(world.liveTags(true))};
                return Event{act, mode < 9 ? kMainTag : kNoWindow};
            }
            case Act::PumpAll: return Event{act};
            default: return Event{act, any(world.liveTags(false)), roll(1000)};
        }
    };

    const int r = roll(1000);
    if (r < 420) {
        std::vector<int> running;
        for (int id : {kIdTimer1, kIdTimer1, kIdTimer1, kIdTimer2, kIdTimer3})
            if (world.running(id)) running.push_back(id);
        if (!running.empty()) return {{Act::Tick, any(running)}};
        return {{Act::Select}};
    }
    if (r < 455) return {{Act::Select}};
    if (r < 505) return {{Act::Start}};
    if (r < 518) return {{Act::Stop}};
    if (r < 578) return {{Act::Answer, roll(10) < 6 ? 0 : roll(4)}};
    if (r < 619) return {event(Act::Foreground)};
    if (r < 620) return {{Act::NearMaxCount, roll(3)}};
    if (r < 730) return {event(Act::Create)};
    if (r < 745) return {event(roll(2) ? Act::Reuse : Act::CreateNegative)};
    if (r < 785) return {event(Act::Destroy)};
    if (r < 820) return {event(Act::PumpAll)};
    if (r < 840) return {event(Act::PumpOne)};
    if (r < 930) {
        static const Act acts[] = {Act::Hide,           Act::Show,        Act::Restyle,    Act::Raise,
                                   Act::Lower,          Act::PlaceBelow,  Act::AttachMenu, Act::AddMenuItem,
                                   Act::RemoveMenuItem, Act::DestroyMenu, Act::RefuseClose};
        return {event(acts[roll(static_cast<int>(std::size(acts)))])};
    }
    static const Act inners[] = {Act::Destroy,    Act::Destroy,     Act::Hide,       Act::Restyle,
                                 Act::Raise,      Act::Lower,       Act::PlaceBelow, Act::Create,
                                 Act::AttachMenu, Act::DestroyMenu, Act::PumpAll,    Act::Reuse};
    const Event inner = event(inners[roll(static_cast<int>(std::size(inners)))]);
    if (r < 975) return {{Act::DuringCall, 1 + roll(40)}, inner};
    return {{Act::WhileBoxOpen, roll(2), roll(6)}, inner};
}

struct Failure {
    Broken broken;
    std::size_t step;  // index of the step that broke it
};

std::optional<Failure> applyCatching(World& world, const Step& s, std::size_t index, std::string* trace) {
    try {
        world.apply(s, trace);
    } catch (const Broken& b) {
        return Failure{b, index};
    } catch (const std::exception& e) {
        return Failure{Broken{"no handler throws", e.what()}, index};
    }
    return std::nullopt;
}

std::optional<Failure> replay(const std::vector<Step>& steps, std::vector<std::string>* trace = nullptr) {
    World world;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::string line;
        const auto failure = applyCatching(world, steps[i], i, trace ? &line : nullptr);
        if (trace) trace->push_back(line);
        if (failure) return failure;
    }
    return std::nullopt;
}

// A new session from the seed, made up as it runs. Half the sessions end
// with the main window's unload.
std::optional<Failure> session(std::uint32_t seed, std::vector<Step>& steps) {
    std::mt19937 rng(seed);
    World world;
    for (int i = 0; i < kStepsPerSession; ++i) {
        const bool last = i == kStepsPerSession - 1;
        steps.push_back(last && seed % 2 == 0 ? Step{{Act::Unload}} : nextStep(rng, world, i + 1));
        if (auto failure = applyCatching(world, steps.back(), steps.size() - 1, nullptr)) return failure;
    }
    return std::nullopt;
}

// Delta debugging: take out ever smaller runs of steps while the same
// invariant still breaks.
std::vector<Step> shorten(std::vector<Step> steps, const std::string& invariant) {
    std::size_t parts = 2;
    while (steps.size() >= 2) {
        const std::size_t chunk = (steps.size() + parts - 1) / parts;
        bool shorter = false;
        for (std::size_t from = 0; from < steps.size() && !shorter; from += chunk) {
            std::vector<Step> candidate(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(from));
            candidate.insert(
                candidate.end(),
                steps.begin() + static_cast<std::ptrdiff_t>(std::min(from + chunk, steps.size())),
                steps.end());
            const auto failure = replay(candidate);
            if (failure && failure->broken.invariant == invariant) {
                candidate.resize(failure->step + 1);
                steps = std::move(candidate);
                parts = std::max<std::size_t>(parts - 1, 2);
                shorter = true;
            }
        }
        if (!shorter) {
            if (parts >= steps.size()) break;
            parts = std::min(parts * 2, steps.size());
        }
    }
    return steps;
}

TEST(Model, RandomSessionsKeepTheInvariants) {
    coverage = Coverage{};
    for (int seed = kFirstSeed; seed < kFirstSeed + kSeeds; ++seed) {
        std::vector<Step> steps;
        const auto failure = session(static_cast<std::uint32_t>(seed), steps);
        if (!failure) continue;

        const std::vector<Step> shortest = shorten(steps, failure->broken.invariant);
        std::vector<std::string> trace;
        const auto again = replay(shortest, &trace);
        std::ostringstream out;
        out << "seed " << seed << ": \"" << failure->broken.invariant << "\" broken at step "
            << failure->step + 1 << " of " << kStepsPerSession << ": " << failure->broken.detail << "\n"
            << "shortened to " << shortest.size() << " steps";
        if (again) out << ", broken at the last: " << again->broken.detail;
        out << "\n";
        for (std::size_t i = 0; i < trace.size(); ++i) out << "  " << i + 1 << ". " << trace[i] << "\n";
        ADD_FAILURE() << out.str();
        return;
    }

    // The sessions must have reached what the invariants are about.
    EXPECT_GE(coverage.sweeps, 2000);
    EXPECT_GE(coverage.closes, 2000);
    EXPECT_GE(coverage.saturatedCloses, 100);
    EXPECT_GE(coverage.picks, 200);
    EXPECT_GE(coverage.windDowns, 50);
    EXPECT_GE(coverage.resets, 50);
    EXPECT_GE(coverage.interferences, 500);
    EXPECT_GE(coverage.ticksInBoxes, 200);
    EXPECT_EQ(coverage.unloads, kSeeds / 2);
    EXPECT_GE(coverage.barsRenewed, 20);
    RecordProperty("sweeps", coverage.sweeps);
    RecordProperty("closes", coverage.closes);
    RecordProperty("saturatedCloses", coverage.saturatedCloses);
    RecordProperty("picks", coverage.picks);
    RecordProperty("windDowns", coverage.windDowns);
    RecordProperty("resets", coverage.resets);
    RecordProperty("interferences", coverage.interferences);
    RecordProperty("ticksInBoxes", coverage.ticksInBoxes);
    RecordProperty("barsRenewed", coverage.barsRenewed);
}

}  // namespace
}  // namespace popquell::sim
