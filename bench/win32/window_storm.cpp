// window_storm: a storm of windows for scripts/bench-wine.sh, in place of
// window_farm and with its lines. On "go" one thread makes and destroys
// plain top-level windows as fast as it can for --seconds, with a pop-up of
// style 0x96C80000 among them every --every-ms, each destroyed on WM_CLOSE;
// meanwhile another thread asks Popquell's main window for an answer
// (WM_NULL, SendMessageTimeout) every 20 ms. An always-on-top window keeps
// the pop-ups below the topmost.
//
//   window_storm [--windows N] [--seconds S] [--every-ms E] [--max-seconds X]
//
// Lines on stdout, times in ticks of the clock, F a second:
//   freq F / ready ... / created I HWND T / destroyed I HWND T / popups-done / bye
//   storm windows=N seconds=S per-second=R
//   probe asked=N unanswered=K slowest-ms=M
// --windows N: so many plain windows that stay, made before "ready".

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "ui/win32/Text.h"

namespace {

constexpr DWORD kPopupStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr UINT kGo = WM_APP + 1;

// Every time is read in this one process: any steady clock will do.
using Clock = std::chrono::steady_clock;
std::int64_t now() { return Clock::now().time_since_epoch().count(); }
constexpr std::int64_t kFreq = Clock::period::den / Clock::period::num;

long long value(HWND w) { return static_cast<long long>(reinterpret_cast<std::intptr_t>(w)); }

int popupsAlive = 0;
bool quit = false, go = false;

LRESULT CALLBACK popupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        std::printf("destroyed %lld %lld %lld\n", static_cast<long long>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)), value(hwnd),
            static_cast<long long>(now()));
        --popupsAlive;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND make(const wchar_t* cls, DWORD style, DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, cls, L"storm", style, 100, 100, 200, 120, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// Popquell's main window, asked every 20 ms while the storm lasts.
void probe(const std::atomic<bool>& storming) {
    long long asked = 0, unanswered = 0;
    double slowest = 0;
    while (storming) {
        if (const HWND form = FindWindowW(L"PopquellForm", nullptr)) {
            DWORD_PTR result = 0;
            const std::int64_t start = now();
            const bool answered = SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
            const double ms = 1000.0 * static_cast<double>(now() - start) / static_cast<double>(kFreq);
            ++asked;
            unanswered += answered ? 0 : 1;
            if (ms > slowest) slowest = ms;
        }
        Sleep(20);
    }
    std::printf("probe asked=%lld unanswered=%lld slowest-ms=%.1f\n", asked, unanswered, slowest);
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        quit |= msg.message == WM_QUIT;
        go |= msg.message == kGo;
        if (msg.hwnd == nullptr) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

int main() {
    int windows = 0, seconds = 10, everyMs = 50, maxSeconds = 600;
    const std::vector<std::wstring> args = popquell::commandLineArguments();
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        const int n = static_cast<int>(std::wcstol(args[i + 1].c_str(), nullptr, 10));
        if (args[i] == L"--windows") windows = n;
        else if (args[i] == L"--seconds") seconds = n;
        else if (args[i] == L"--every-ms") everyMs = n;
        else if (args[i] == L"--max-seconds") maxSeconds = n;
        else return std::fwprintf(stderr, L"window_storm: unknown argument %ls\n", args[i].c_str()), 2;
    }
    if (args.size() % 2 != 0 || everyMs < 1) return 2;
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line as it happens
    std::printf("freq %lld\n", static_cast<long long>(kFreq));
    for (const auto& [cls, proc] : {std::pair{L"StormWindow", &DefWindowProcW}, std::pair{L"StormPopup", &popupProc}}) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = cls;
        RegisterClassW(&wc);
    }
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    std::vector<HWND> stay;
    for (int i = 0; i < windows; ++i) stay.push_back(make(L"StormWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    stay.push_back(make(L"StormWindow", WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    std::printf("ready windows=%d\n", windows);

    // Commands from stdin, handed to this thread.
    std::thread([gui = GetCurrentThreadId()] {
        char line[64];
        while (std::fgets(line, sizeof line, stdin) && std::strncmp(line, "quit", 4) != 0)
            if (std::strncmp(line, "go", 2) == 0) PostThreadMessageW(gui, kGo, 0, 0);
        PostThreadMessageW(gui, WM_QUIT, 0, 0);
    }).detach();

    const std::int64_t endOfLife = now() + kFreq * maxSeconds;
    while (!quit && !go && now() < endOfLife) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        pump();
    }

    std::atomic<bool> storming{true};
    std::thread prober(probe, std::cref(storming));
    const std::int64_t start = now(), end = start + kFreq * seconds;
    long long made = 0, popups = 0;
    for (std::int64_t t = start; !quit && t < end; t = now()) {
        if (t >= start + kFreq * everyMs * popups / 1000) {
            if (const HWND p = make(L"StormPopup", kPopupStyle)) {
                const std::int64_t created = now();
                SetWindowLongPtrW(p, GWLP_USERDATA, static_cast<LONG_PTR>(popups));
                ++popupsAlive;
                std::printf("created %lld %lld %lld\n", popups, value(p), static_cast<long long>(created));
            }
            ++popups;
        }
        // Shown without taking the focus, as a busy program's windows come and go.
        if (const HWND w = make(L"StormWindow", WS_OVERLAPPED | WS_CAPTION)) {
            ShowWindow(w, SW_SHOWNA);
            DestroyWindow(w);
            ++made;
        }
        pump();
    }
    const double took = static_cast<double>(now() - start) / static_cast<double>(kFreq);
    std::printf("storm windows=%lld seconds=%.1f per-second=%.0f\n", made, took, static_cast<double>(made) / took);

    // The pop-ups left are the sweep's, by its next tick.
    const std::int64_t graceEnd = now() + kFreq * 3;
    while (!quit && popupsAlive > 0 && now() < graceEnd) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pump();
    }
    storming = false;
    prober.join();
    if (popupsAlive == 0) std::printf("popups-done\n");
    else std::printf("popups-left %d\n", popupsAlive);
    while (!quit && now() < endOfLife) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        pump();
    }
    for (const HWND w : stay) DestroyWindow(w);
    std::printf("bye\n");
    std::fflush(stdout);
    ExitProcess(0);
}
