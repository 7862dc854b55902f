// window_farm: another program's windows for sweep_bench and
// scripts/bench-wine.sh (docs/PERFORMANCE.md). It fills the desktop with
// ordinary top-level windows of its own process, a few browser frames with
// menu bars, and one always-on-top window, so that the sweep examines every
// other window; on "go" it opens pop-ups and logs when each appeared and
// when it was destroyed.
//
//   window_farm [--windows N] [--ieframes K] [--popups P] [--span-ms T] [--every-ms E]
//               [--burst B] [--owners O] [--storm S] [--max-seconds X]
//
// The pop-ups come at seeded random moments over T ms, or one each E ms.
// With --burst they come B at a time, back to back so that they lie next to
// each other in Z order, each on a thread of its own that destroys it on
// WM_CLOSE and ends (under Wine the thread's hidden IME window goes with
// it); with --owners, opened in turn by O threads that stay and own no other
// window. --storm: on "go" instead, S seconds of plain windows made and
// destroyed as fast as this thread can, a pop-up among them every E ms,
// while another thread asks Popquell's main window for an answer every 20 ms.
//
// Commands, one a line on stdin: "go" starts the pop-up schedule, "quit" (or
// the end of stdin) ends the program; it also ends by itself after
// --max-seconds. Lines on stdout, times in QueryPerformanceCounter ticks:
//
//   freq F
//   ready windows=N ieframes=K topmost=HWND first=QPC last=QPC settled=QPC
//                                    (made from first to last; quiet since settled)
//   created I HWND QPC               (a pop-up, visible with its style)
//   destroyed I HWND QPC             (its WM_DESTROY)
//   popups-done                      (or with --storm: popups-left N)
//   storm windows=N seconds=S per-second=R
//   probe asked=N unanswered=K slowest-ms=M
//   bye

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/Texts.h"
#include "support/Arguments.h"
#include "support/Program.h"

namespace popquell::demo {
namespace {

constexpr UINT kGo = WM_APP + 1;
constexpr UINT kOpen = WM_APP + 2;  // to an owner: open pop-up wParam

struct Options {
    int windows = 1000;
    int ieframes = 10;
    int popups = 0;
    int burst = 0;
    int owners = 0;
    int everyMs = 0;
    int spanMs = 30000;
    int maxSeconds = 600;
    int stormSeconds = 0;
};

bool parse(Options& o) {
    Arguments args;
    args.number(L"--windows", o.windows);
    args.number(L"--ieframes", o.ieframes);
    args.number(L"--popups", o.popups);
    args.number(L"--burst", o.burst);
    args.number(L"--owners", o.owners);
    args.number(L"--every-ms", o.everyMs);
    args.number(L"--span-ms", o.spanMs);
    args.number(L"--max-seconds", o.maxSeconds);
    args.number(L"--storm", o.stormSeconds);
    return args.allRead("window_farm") && o.windows >= 0 && o.ieframes >= 0 && o.popups >= 0 &&
           o.spanMs > 0 && o.maxSeconds > 0;
}

DWORD mainThread = 0;
bool ownersStay = false;

LRESULT CALLBACK popupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        const std::int64_t now = qpc();
        say("destroyed %lld %u %lld\n", static_cast<long long>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)),
            handleValue(hwnd), static_cast<long long>(now));
        // A burst pop-up's thread ends with its window.
        if (!ownersStay && GetWindowThreadProcessId(hwnd, nullptr) != mainThread) PostQuitMessage(0);
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Everyday windows, by class and style, shown and hidden; none has the pop-up's style.
constexpr std::pair<const wchar_t*, DWORD> kOrdinary[] = {
    {L"FarmDocument", WS_OVERLAPPEDWINDOW | WS_VISIBLE},
    {L"FarmPanel", WS_POPUP | WS_BORDER | WS_VISIBLE},
    {L"FarmTool", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE},
    {L"FarmHidden", WS_OVERLAPPEDWINDOW},
};

HWND makeWindow(const wchar_t* cls, DWORD style, int i, HMENU menu = nullptr) {
    return CreateWindowExW(0, cls, L"farm", style, (i * 37) % 1100, (i * 53) % 900, 160, 100, nullptr, menu,
                           GetModuleHandleW(nullptr), nullptr);
}

// A pop-up, visible with its style from the moment CreateWindowEx returns.
HWND openPopup(std::size_t index) {
    const HWND p = CreateWindowExW(0, L"FarmPopup", L"pop-up", kPopupStyle,
                                   200 + static_cast<int>(index % 100) * 7, 150, 300, 200, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    const std::int64_t created = qpc();
    if (!p) {
        say("error creating pop-up %zu: %lu\n", index, GetLastError());
        return nullptr;
    }
    SetWindowLongPtrW(p, GWLP_USERDATA, static_cast<LONG_PTR>(index));
    if (static_cast<DWORD>(GetWindowLongW(p, GWL_STYLE)) != kPopupStyle)
        say("warning: pop-up %zu has style %08lx\n", index,
            static_cast<unsigned long>(GetWindowLongW(p, GWL_STYLE)));
    say("created %zu %u %lld\n", index, handleValue(p), static_cast<long long>(created));
    return p;
}

// A burst pop-up's thread: its window, and its messages until it is gone.
void popupThread(std::size_t index, HANDLE opened, HWND* made) {
    const HWND mine = openPopup(index);
    // *made belongs to the opener, and only until the event is set.
    *made = mine;
    SetEvent(opened);
    if (mine) runMessageLoop();
}

// An owner thread: a pop-up whenever it is asked, and no other window.
void ownerThread(HANDLE opened, HWND* made, DWORD* id) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // a queue to post to
    *id = GetCurrentThreadId();
    SetEvent(opened);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kOpen) {
            *made = openPopup(msg.wParam);
            SetEvent(opened);
        }
        DispatchMessageW(&msg);
    }
}

// Popquell's main window, asked for an answer every 20 ms while the storm lasts.
void probe(const std::atomic<bool>& storming) {
    long long asked = 0, unanswered = 0;
    double slowest = 0;
    while (storming) {
        if (const HWND form = FindWindowW(kMainWindowClass, nullptr)) {
            DWORD_PTR result = 0;
            const std::int64_t start = qpc();
            const bool answered = SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
            ++asked;
            unanswered += answered ? 0 : 1;
            slowest = std::max(slowest, toMs(qpc() - start));
        }
        Sleep(20);
    }
    say("probe asked=%lld unanswered=%lld slowest-ms=%.1f\n", asked, unanswered, slowest);
}

// Dispatches what is queued for windows; false once WM_QUIT came. Sets *go
// when "go" came.
bool pump(bool* go = nullptr) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        if (msg.hwnd == nullptr) {
            if (msg.message == kGo && go) *go = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

// --storm: windows made and destroyed as fast as this thread can, a pop-up
// among them every --every-ms, each destroyed on WM_CLOSE. False when told
// to quit meanwhile.
bool storm(const Options& o, std::vector<HWND>& popups) {
    std::atomic<bool> storming{true};
    std::thread prober(probe, std::cref(storming));
    const std::int64_t freq = qpcFrequency(), start = qpc(), end = start + freq * o.stormSeconds;
    const std::int64_t every = freq * std::max(o.everyMs, 1) / 1000;
    long long made = 0;
    bool running = true;
    for (std::int64_t t = start; running && t < end; t = qpc()) {
        if (t >= start + every * static_cast<std::int64_t>(popups.size()))
            popups.push_back(openPopup(popups.size()));
        // Shown without taking the focus, as a busy program's windows come and go.
        if (const HWND w = makeWindow(L"FarmTool", WS_OVERLAPPED | WS_CAPTION, static_cast<int>(made))) {
            ShowWindow(w, SW_SHOWNA);
            DestroyWindow(w);
            ++made;
        }
        running = pump();
    }
    const double took = static_cast<double>(qpc() - start) / static_cast<double>(freq);
    say("storm windows=%lld seconds=%.1f per-second=%.0f\n", made, took, static_cast<double>(made) / took);

    // The pop-ups left are the sweep's, by its next tick.
    auto alive = [&] { return std::count_if(popups.begin(), popups.end(), IsWindow); };
    const std::int64_t graceEnd = qpc() + freq * 3;
    while (running && alive() > 0 && qpc() < graceEnd) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        running = pump();
    }
    storming = false;
    prober.join();
    if (alive() == 0) say("popups-done\n");
    else say("popups-left %d\n", static_cast<int>(alive()));
    return running;
}

// Reads commands from stdin and hands them to the GUI thread.
void readCommands(DWORD gui) {
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "go", 2) == 0) PostThreadMessageW(gui, kGo, 0, 0);
        else if (std::strncmp(line, "quit", 4) == 0) break;
    }
    PostThreadMessageW(gui, WM_QUIT, 0, 0);
}

int run(const Options& o) {
    mainThread = GetCurrentThreadId();
    const std::int64_t freq = qpcFrequency();
    say("freq %lld\n", static_cast<long long>(freq));
    for (const auto& kind : kOrdinary) registerClass(kind.first);
    registerClass(L"IEFrame");
    registerClass(L"FarmTopmost");
    registerClass(L"FarmPopup", popupProc);
    // The message queue exists before the reader may post to it.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);

    std::vector<HWND> windows;
    const std::int64_t first = qpc();
    for (int i = 0; i < o.windows; ++i) {
        const auto& [cls, style] = kOrdinary[static_cast<std::size_t>(i) % std::size(kOrdinary)];
        windows.push_back(makeWindow(cls, style, i));
        if (!windows.back()) {
            say("error creating window %d: %lu\n", i, GetLastError());
            return 1;
        }
    }
    for (int i = 0; i < o.ieframes; ++i) {
        HMENU menu = CreateMenu();
        for (UINT_PTR item = 1; item <= 3; ++item)
            AppendMenuW(menu, MF_STRING, 99 + item, (L"&Item " + std::to_wstring(item)).c_str());
        windows.push_back(makeWindow(L"IEFrame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, i, menu));
    }
    // Above every pop-up: the sweep never examines the topmost window.
    const HWND topmost = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"FarmTopmost", L"farm top",
                                         WS_POPUP | WS_VISIBLE, 0, 0, 40, 20, nullptr, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
    windows.push_back(topmost);
    const std::int64_t last = qpc();

    // New windows bring a flood of messages -- painting, activation, the X
    // server's events -- that reorder and repaint them for a while. Measure
    // once it has passed: nothing came for half a second.
    for (const std::int64_t settleBy = qpc() + freq * 120; qpc() < settleBy;) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 500, QS_ALLINPUT) == WAIT_TIMEOUT) break;
        pump();
    }
    say("ready windows=%d ieframes=%d topmost=%u first=%lld last=%lld settled=%lld\n", o.windows, o.ieframes,
        handleValue(topmost), static_cast<long long>(first), static_cast<long long>(last),
        static_cast<long long>(qpc()));

    // The schedule: seeded moments after "go", in order, or one each --every-ms.
    std::mt19937 random(1);
    std::uniform_int_distribution<int> moment(0, o.spanMs - 1);
    std::vector<int> dueMs(static_cast<std::size_t>(o.popups));
    for (int& due : dueMs) due = moment(random);
    std::sort(dueMs.begin(), dueMs.end());
    const std::size_t burst = static_cast<std::size_t>(std::max(o.burst, 1));
    for (std::size_t i = 0; i < dueMs.size(); ++i)
        dueMs[i] = o.everyMs > 0 ? static_cast<int>(i / burst) * o.everyMs : dueMs[i - i % burst];

    // The owners, each with its queue before anything is posted to it.
    ownersStay = o.owners > 0;
    HWND made = nullptr;
    const HANDLE opened = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::vector<DWORD> owners(static_cast<std::size_t>(o.owners));
    for (DWORD& id : owners) {
        std::thread(ownerThread, opened, &made, &id).detach();
        WaitForSingleObject(opened, 10000);
    }
    // Without a burst, on this thread; else by a thread of its own or an owner.
    const auto open = [&](std::size_t index) {
        if (o.burst == 0) return openPopup(index);
        made = nullptr;
        if (owners.empty()) std::thread(popupThread, index, opened, &made).detach();
        else PostThreadMessageW(owners[index % owners.size()], kOpen, index, 0);
        if (WaitForSingleObject(opened, 10000) != WAIT_OBJECT_0) {
            say("error: pop-up %zu's thread made no window within 10 s\n", index);
            ExitProcess(1);
        }
        return made;
    };

    // Blocked in fgets until stdin ends; the process ends with it.
    std::thread(readCommands, GetCurrentThreadId()).detach();

    const std::int64_t endOfLife = qpc() + freq * o.maxSeconds;
    std::int64_t goAt = 0;
    std::size_t next = 0;
    std::vector<HWND> popups;
    bool doneSaid = o.popups == 0;
    for (bool running = true; running && qpc() < endOfLife;) {
        DWORD waitMs = 100;
        if (goAt != 0 && next < dueMs.size()) {
            const std::int64_t dueAt = goAt + freq * dueMs[next] / 1000, now = qpc();
            if (now >= dueAt) {
                // The whole burst at once, one after another in Z order.
                for (const std::size_t end = std::min(dueMs.size(), next + burst); next < end; ++next)
                    if (const HWND p = open(next)) popups.push_back(p);
                continue;
            }
            waitMs = static_cast<DWORD>(std::min<std::int64_t>(100, (dueAt - now) * 1000 / freq + 1));
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
        bool go = false;
        running = pump(&go);
        if (go && goAt == 0) goAt = qpc();
        if (go && o.stormSeconds > 0 && !storm(o, popups)) running = false;
        if (!doneSaid && next == dueMs.size() && std::none_of(popups.begin(), popups.end(), IsWindow)) {
            say("popups-done\n");
            doneSaid = true;
        }
    }

    for (HWND p : popups)
        if (IsWindow(p)) {
            if (o.burst > 0) PostMessageW(p, WM_CLOSE, 0, 0);
            else DestroyWindow(p);
        }
    for (HWND w : windows) DestroyWindow(w);
    say("bye\n");
    // The reader may still sit in fgets; ending the process ends it.
    ExitProcess(0);
}

}  // namespace
}  // namespace popquell::demo

int main() {
    popquell::demo::Options o;
    return popquell::demo::parse(o) ? popquell::demo::run(o) : 2;
}
