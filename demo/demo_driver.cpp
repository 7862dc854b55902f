// Plays the README's demo against a running popquell.exe and demo browser
// (started with --log FILE), as a person would: once both wait for input,
// Select Window, a click in the browser, Yes, Start; then watches the
// windows the demo opens, closes Popquell and the demo, and prints what
// happened.
//
//   demo_driver --log FILE [--seconds N] [--shot-pause-ms N] [--no-browser-click]
//
// The clicks are real input, which only the X display takes: for each it
// prints a line "[click] X Y WHAT" (screen coordinates) for the script that
// reads its output (scripts/lib.sh, play_driver) to click there, and waits
// for what the click does. At the moments worth a picture it prints
// "[shot] NAME" and waits --shot-pause-ms. --no-browser-click leaves the
// browser alone, so that no question comes: a journey that fails on
// purpose. The exit code is 0 when everything went as it should.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "support/RemoteWindows.h"
#include "res/resource.h"
#include "support/Arguments.h"
#include "support/Program.h"
#include "ui/win32/Handles.h"
#include "ui/win32/Text.h"

namespace popquell::demo {
namespace {

// The sweep runs once a second; a pop-up goes at the latest one tick after
// it appears, plus the time the window manager and the demo take.
constexpr std::chrono::milliseconds kSweepPeriod{1000};
constexpr std::chrono::milliseconds kSlack{500};

struct Options {
    std::wstring logPath;
    unsigned seconds = 20;
    unsigned shotPauseMs = 0;
    bool browserClick = true;
};

std::optional<Options> parseOptions() {
    Arguments args;
    Options o;
    args.text(L"--log", o.logPath);
    args.number(L"--seconds", o.seconds);
    args.number(L"--shot-pause-ms", o.shotPauseMs);
    o.browserClick = !args.flag(L"--no-browser-click");
    if (!args.allRead("demo_driver") || o.logPath.empty() || o.seconds == 0 || o.seconds > 600)
        return std::nullopt;
    return o;
}

struct Watched {
    std::string kind;
    std::string expected;  // what Popquell does to it here, as the browser says
    HWND hwnd = nullptr;
    double openMs = -1;
    double closeMs = -1;  // WM_CLOSE received, from the opening
    double goneMs = -1;   // destroyed, from the opening
    int closes = 0;
    bool beforeStart = false;  // then the sweep's time counts from Start
};

class Journey {
public:
    explicit Journey(Options options) : options_(std::move(options)), log_(options_.logPath) {}

    int run() {
        say("Popquell demo journey%s\n", runningUnderWine() ? " (under Wine)" : "");
        if (!findWindows()) return finish();
        if (!pick()) return finish();
        if (!start()) return finish();
        watch();
        report();
        closePopquell();
        closeDemo();
        return finish();
    }

private:
    template <typename... Args>
    void problem(const char* format, Args... args) {
        say("  PROBLEM: ");
        say(format, args...);
        say("\n");
        ++problems_;
    }

    void shot(const char* name) {
        if (!options_.shotPauseMs) return;
        say("[shot] %s\n", name);
        Sleep(options_.shotPauseMs);
    }

    // The windows' programs, by a handle that tells when each has ended.
    static unique_handle openProcess(HWND w) {
        return unique_handle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processOf(w)));
    }

    // A person clicks once a window is on the screen and answers. A console
    // program (the demo browser) has no idle state to wait for: its window's
    // answer says that its thread takes input.
    static bool waitsForInput(HANDLE process, HWND w) {
        return WaitForInputIdle(process, 20000) != WAIT_TIMEOUT &&
               SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    }

    static std::string describe(HWND w) {
        if (!w) return "none";
        char text[200];
        std::snprintf(text, sizeof text, "0x%08X %s \"%s\"", handleValue(w),
                      narrow(className(w)).c_str(), narrow(windowText(w)).c_str());
        return text;
    }

    bool findWindows() {
        main_ = waitForTopLevel(kMainWindowClass, L"", 0, 20s);
        if (!main_) {
            problem("no Popquell main window (class PopquellForm) within 20 s");
            return false;
        }
        popquell_ = openProcess(main_);
        say("  Popquell's main window 0x%08X: \"%s\"\n", handleValue(main_),
            narrow(windowText(main_)).c_str());
        browser_ = waitForTopLevel(kFrameClass, kFrameTitle, 0, 20s);
        if (!browser_) {
            problem("no demo browser (an IEFrame window \"%s\") within 20 s", narrow(kFrameTitle).c_str());
            return false;
        }
        demo_ = openProcess(browser_);
        if (!waitUntil([&] { return log_.open(); }, 5s)) {
            problem("cannot read the demo browser's log %s", narrow(options_.logPath).c_str());
            return false;
        }
        // Under Wine another process's menu reads as none: -1 items.
        const HMENU menu = GetMenu(browser_);
        const int items = GetMenuItemCount(menu);
        say("  Demo browser 0x%08X: class IEFrame, a menu bar of its own 0x%08X (%s)\n",
            handleValue(browser_), handleValue(menu),
            items >= 0 ? (std::to_string(items) + " items").c_str() : "items unreadable from here");
        readLog();
        if (!waitsForInput(popquell_.get(), main_) || !waitsForInput(demo_.get(), browser_)) {
            problem("Popquell or the demo browser did not come to wait for input within 20 s");
            return false;
        }
        return true;
    }

    // Asks for a click on a point of the window's client area that is in
    // sight, the middle if it is; the caller waits for what it does.
    bool click(HWND w, const char* what) {
        POINT at{};
        const auto inSight = [&] {
            RECT r{};
            GetClientRect(w, &r);
            MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&r), 2);
            for (int i = 0; i < 49; ++i) {
                // From the middle out: 4, 3, 5, 2, 6... eighths.
                const int dx = (i % 7 + 1) / 2 * ((i % 7) % 2 ? -1 : 1);
                const int dy = (i / 7 + 1) / 2 * ((i / 7) % 2 ? -1 : 1);
                at = {r.left + (r.right - r.left) * (4 + dx) / 8,
                      r.top + (r.bottom - r.top) * (4 + dy) / 8};
                const HWND hit = WindowFromPoint(at);
                if (hit == w || GetAncestor(hit, GA_ROOT) == w) return true;
            }
            return false;
        };
        if (!w || !waitUntil(inSight, 5s)) {
            problem("%s was not in sight for a click within 5 s", what);
            return false;
        }
        say("[click] %ld %ld %s\n", at.x, at.y, what);
        return true;
    }

    bool pick() {
        if (!click(GetDlgItem(main_, IDC_COMMAND3), "Select Window")) return false;
        if (!waitUntil([&] { return GetForegroundWindow() == main_; }, 5s)) {
            problem("Popquell did not come to the front on the click (the front window is %s)",
                    describe(GetForegroundWindow()).c_str());
            return false;
        }
        say("  Clicked Select Window\n");
        if (options_.browserClick) {
            if (!click(browser_, "the demo browser")) return false;
            say("  Clicked the demo browser\n");
        }
        // Popquell's watcher looks at the front window every 500 ms.
        HWND asking = nullptr;  // a message box of Popquell's
        std::vector<std::string> fronts;
        for (int tick = 0; !asking && tick < 10; ++tick) {
            asking = waitForTopLevel(L"#32770", widen(kAppTitle), processOf(main_), 500ms);
            fronts.push_back(describe(GetForegroundWindow()));
        }
        if (!asking) {
            problem("Popquell asked nothing within 5 s; the front window every 500 ms:");
            for (std::size_t i = 0; i < fronts.size(); ++i)
                say("    %4.1f s: %s\n", 0.5 * static_cast<double>(i + 1), fronts[i].c_str());
            return false;
        }
        const Box box = lookAtBox(asking);
        say("  Popquell asks: \"%s\" [%s%s] (caption \"%s\")\n", narrow(box.text).c_str(),
            box.hasYes ? "Yes" : "", box.hasNo ? " No" : "", narrow(box.caption).c_str());
        if (box.text != widen(kSelectQuestion))
            problem("the question was not \"%s\"", kSelectQuestion);
        shot("demo-1-question");
        if (!click(GetDlgItem(box.hwnd, IDYES), "Yes")) return false;
        HMENU mainMenu = nullptr;
        const bool attached = waitUntil(
            [&] {
                mainMenu = GetMenu(main_);
                return mainMenu && GetMenu(browser_) == mainMenu;
            },
            5s);
        if (!attached) {
            problem("the browser's menu bar did not become Popquell's within 5 s of Yes");
            return false;
        }
        say("  Answered Yes; the browser's menu bar is now Popquell's: GetMenu(browser) == "
            "GetMenu(Popquell) == 0x%08X\n", handleValue(mainMenu));
        shot("demo-2-picked");
        return true;
    }

    bool start() {
        if (!click(GetDlgItem(main_, IDC_COMMAND1), "Start")) return false;
        if (!waitUntil([&] { return IsIconic(main_) != 0; }, 5s)) {
            problem("Popquell did not minimise within 5 s of the click on Start");
            return false;
        }
        say("  Clicked Start; Popquell minimised itself and sweeps once a second\n");
        startedAt_ = SteadyClock::now();
        readLog();
        for (auto& [serial, w] : windows_) w.beforeStart = true;
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(browser_, kStartMessage, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) {
            problem("the demo browser did not start opening windows");
            return false;
        }
        say("  The demo browser opens its windows now; watching for %u s\n", options_.seconds);
        return true;
    }

    // Lines of the log such as "  5720.1 ms  open       #1 hwnd=0x000200A2 kind=popup ... expect="closed"".
    void readLog() {
        for (const std::string& text : log_.newLines()) {
            // The frame's own lines: what Popquell did to it.
            if (text.find(" frame shows ") != std::string::npos)
                frameBare_ = text.find(" frame shows no menu bar") != std::string::npos;
            if (text.ends_with(" maximised")) frameZoomed_ = true;
            if (text.ends_with(" restored")) frameZoomed_ = false;
            double t = 0;
            char event[16]{}, kind[32]{};
            int serial = 0;
            unsigned hwnd = 0;
            const char* format = "%lf ms %15s #%d hwnd=0x%x kind=%31s";
            if (std::sscanf(text.c_str(), format, &t, event, &serial, &hwnd, kind) != 5) continue;
            const std::string what = event;
            const std::size_t expect = text.find(" expect=\"");
            if (what == "open" && expect != std::string::npos) {
                // Those that open after the watch are not waited for.
                const std::string expected = text.substr(expect + 9, text.size() - expect - 10);
                const HWND w = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(hwnd));
                if (!watched_) windows_[serial] = {kind, expected, w, t};
            } else if (const auto it = windows_.find(serial); it != windows_.end()) {
                Watched& w = it->second;
                if (what == "WM_CLOSE") {
                    if (w.closeMs < 0) w.closeMs = t - w.openMs;
                    ++w.closes;
                } else if (what == "destroyed" && text.find("by=demo-exit") == std::string::npos) {
                    w.goneMs = t - w.openMs;
                }
            }
        }
    }

    void watch() {
        const auto end = startedAt_ + std::chrono::seconds(options_.seconds);
        bool shotTaken = false;
        while (SteadyClock::now() < end) {
            readLog();
            if (!shotTaken &&
                SteadyClock::now() >= startedAt_ + std::chrono::seconds(options_.seconds) / 2) {
                shot("demo-3-sweeping");
                shotTaken = true;
            }
            // Nothing to watch for once Popquell has gone.
            if (WaitForSingleObject(popquell_.get(), 50) == WAIT_OBJECT_0) {
                problem("Popquell ended while it swept");
                break;
            }
        }
        // The last ones opened get their sweep too.
        readLog();
        watched_ = true;
        waitUntil(
            [&] {
                readLog();
                return std::all_of(windows_.begin(), windows_.end(), [&](const auto& entry) {
                    return entry.second.expected != "closed" || entry.second.goneMs >= 0;
                });
            },
            kSweepPeriod + kSlack + 500ms);
        if (!shotTaken) shot("demo-3-sweeping");
    }

    void report() {
        say("\nWindows the demo browser opened (times from its log, from the window's creation):\n");
        int closedCount = 0, shouldClose = 0, leftAlone = 0, wmCloses = 0;
        double slowest = 0;
        const double limit = static_cast<double>((kSweepPeriod + kSlack).count());
        for (const auto& [serial, w] : windows_) {
            const bool stillThere = IsWindow(w.hwnd) != 0;
            wmCloses += w.closes;
            char closed[100];
            std::snprintf(closed, sizeof closed, "closed: WM_CLOSE after %5.0f ms, gone after %5.0f ms%s",
                          w.closeMs, w.goneMs, w.beforeStart ? " (opened before Start)" : "");
            const char* outcome = w.goneMs >= 0 ? closed
                                  : stillThere ? "left alone (still open)"
                                                 : "gone, but not through a WM_CLOSE";
            say("  #%-2d %-21s %-56s expected: %s\n", serial, w.kind.c_str(), outcome, w.expected.c_str());
            if (w.expected == "closed") {
                ++shouldClose;
                if (w.goneMs >= 0) {
                    ++closedCount;
                    slowest = std::max(slowest, w.goneMs);
                    if (w.goneMs > limit && !w.beforeStart)
                        problem("#%d was closed only after %.0f ms", serial, w.goneMs);
                } else {
                    problem("#%d (%s) was not closed", serial, w.kind.c_str());
                }
            } else {
                if (stillThere && w.closes == 0)
                    ++leftAlone;
                else
                    problem("#%d (%s) should have been left alone", serial, w.kind.c_str());
            }
        }
        if (windows_.empty()) problem("the demo browser opened no windows");
        say("Closed %d of %d windows Popquell closes here, the slowest %.0f ms after it appeared "
            "(a sweep each %lld ms)\n",
            closedCount, shouldClose, slowest, static_cast<long long>(kSweepPeriod.count()));
        say("Left alone %d of %d look-alikes\n", leftAlone, static_cast<int>(windows_.size()) - shouldClose);
        // Popquell's counter is on its menu bar, which the browser now shows.
        const std::wstring caption = menuItemText(GetMenu(main_), kIdTotalMenu);
        if (!caption.empty()) {
            say("%s  (read from Popquell's menu bar)\n", narrow(caption).c_str());
            if (caption != L"Total: " + std::to_wstring(wmCloses)) {
                problem("Popquell's count differs from the %d WM_CLOSE messages the demo got", wmCloses);
            }
        } else {
            say("Total: %d  (counted by the driver: the WM_CLOSE messages in the demo browser's log; "
                "another process's menu text cannot be read%s)\n",
                wmCloses, runningUnderWine() ? " under Wine, where menus are per process" : "");
        }
    }

    void closePopquell() {
        say("\n");
        // Maximised by Popquell, not before. Read from the browser's log: in
        // the run by hand the browser is ended as soon as Popquell has gone.
        readLog();
        const bool zoomed = frameZoomed_;
        PostMessageW(main_, WM_CLOSE, 0, 0);
        say("  Closed Popquell's main window\n");
        const bool givenBack = waitUntil(
            [&] {
                readLog();
                return frameBare_ && frameZoomed_;
            },
            5s);
        if (givenBack && !zoomed)
            say("  The browser has no menu bar now and is maximised\n");
        else
            problem("the browser did not lose Popquell's menu bar and get maximised within 5 s");
        DWORD code = 0;
        if (WaitForSingleObject(popquell_.get(), 10000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(popquell_.get(), &code)) {
            say("  Popquell exited with code %lu\n", code);
            if (code != 0) problem("Popquell's exit code was %lu", code);
        } else {
            problem("Popquell was still running 10 s after its main window was closed");
        }
        shot("demo-4-given-back");
    }

    void closeDemo() {
        PostMessageW(browser_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(demo_.get(), 5000) != WAIT_OBJECT_0)
            problem("the demo browser did not end within 5 s");
        else
            say("  Closed the demo browser\n");
    }

    int finish() {
        if (problems_ == 0)
            say("\nDemo journey: everything went as it should\n");
        else
            say("\nDemo journey: %d problem(s)\n", problems_);
        return problems_ == 0 ? 0 : 1;
    }

    Options options_;
    GrowingFile log_;
    HWND main_ = nullptr;
    HWND browser_ = nullptr;
    unique_handle popquell_;
    unique_handle demo_;
    SteadyClock::time_point startedAt_{};
    std::map<int, Watched> windows_;
    bool watched_ = false;
    bool frameBare_ = false;    // the browser's log: its frame shows no menu bar
    bool frameZoomed_ = false;  // and is maximised
    int problems_ = 0;
};

}  // namespace
}  // namespace popquell::demo

int main() {
    using namespace popquell::demo;
    const auto options = parseOptions();
    if (!options) {
        std::fprintf(stderr, "usage: demo_driver --log FILE [--seconds N] [--shot-pause-ms N]\n");
        return 2;
    }
    return Journey(*options).run();
}
