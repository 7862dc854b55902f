// A stand-in for Internet Explorer, for trying Popquell on a desktop without
// one. It opens a frame window of class "IEFrame" with a menu bar of its own,
// and every few seconds a window of one of the kinds in DemoKinds.h: the
// pop-ups Popquell closes and the look-alikes it must leave alone. It logs
// every window it opens, every WM_CLOSE it gets and every window that goes,
// with the time since it started, one flushed line each.
//
//   demo_browser [--interval-ms N] [--count N] [--log FILE] [--seed N]
//                [--kinds K1,K2,...] [--paused] [--no-taskbar]
//
// --count 0 (the default) opens windows until the frame is closed. --paused
// waits for kStartMessage (or View > Open pop-ups) before the first one.
// Other processes can also send kOpenMessage to open one window at once.

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "demo/DemoKinds.h"
#include "support/Arguments.h"
#include "ui/win32/Text.h"

namespace popquell::demo {
namespace {

constexpr UINT_PTR kOpenTimer = 1;
constexpr int kIdExit = 101;
constexpr int kIdStartPopups = 301;
constexpr int kIdAbout = 401;
constexpr std::size_t kShownLines = 24;

struct Options {
    unsigned intervalMs = 3000;
    unsigned count = 0;
    std::wstring logPath;
    std::optional<unsigned> seed;
    std::vector<Kind> kinds;
    bool paused = false;
    bool taskbar = true;
};

// The order of a round when neither --kinds nor --seed says otherwise:
// every look-alike follows a window that is closed, so the screen shows
// both at any time.
constexpr Kind kDefaultOrder[] = {
    Kind::Popup, Kind::PopupNoClipChildren, Kind::IeEmptyMenu,      Kind::IeNoMenu,
    Kind::Popup, Kind::PopupHidden,         Kind::IeFrameXEmptyMenu};

void usage() {
    std::fprintf(stderr,
                 "usage: demo_browser [--interval-ms N] [--count N] [--log FILE] [--seed N]\n"
                 "                    [--kinds K1,K2,...] [--paused] [--no-taskbar]\n"
                 "kinds:");
    for (const KindInfo& k : kKinds) std::fprintf(stderr, " %s", k.name);
    std::fprintf(stderr, "\n");
}

std::optional<Options> parseOptions() {
    Arguments args;
    Options o;
    args.number(L"--interval-ms", o.intervalMs);
    args.number(L"--count", o.count);
    unsigned seed = 0;
    if (args.number(L"--seed", seed)) o.seed = seed;
    args.text(L"--log", o.logPath);
    std::wstring kinds;
    args.text(L"--kinds", kinds);
    std::stringstream list(narrow(kinds));
    for (std::string name; std::getline(list, name, ',');) {
        if (name.empty()) continue;
        const KindInfo* k = findKind(name);
        if (!k) {
            std::fprintf(stderr, "demo_browser: unknown kind '%s'\n", name.c_str());
            return std::nullopt;
        }
        o.kinds.push_back(k->kind);
    }
    o.paused = args.flag(L"--paused");
    o.taskbar = !args.flag(L"--no-taskbar");
    if (!args.allRead("demo_browser") || o.intervalMs == 0) return std::nullopt;
    if (o.kinds.empty()) o.kinds.assign(std::begin(kDefaultOrder), std::end(kDefaultOrder));
    return o;
}

// One line per event, to stdout and the log file, each flushed at once so
// that a reader in another process sees it as it happens.
class Log {
public:
    explicit Log(const std::wstring& path) {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
        if (!path.empty()) {
            // Others may read it while it grows.
            file_ = CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
    }
    ~Log() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    bool fileFailed(const std::wstring& path) const {
        return !path.empty() && file_ == INVALID_HANDLE_VALUE;
    }

    double nowMs() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
               static_cast<double>(frequency_.QuadPart);
    }

    void line(const char* event, const char* format, ...) {
        char text[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        char full[600];
        std::snprintf(full, sizeof full, "%10.1f ms  %-10s %s", nowMs(), event, text);
        std::printf("%s\n", full);
        std::fflush(stdout);
        if (file_ != INVALID_HANDLE_VALUE) {
            // Unbuffered: each line is in the file once written.
            const std::string line = std::string(full) + "\r\n";
            DWORD written = 0;
            WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
        recent_.push_back(full);
        if (recent_.size() > kShownLines) recent_.pop_front();
    }

    const std::deque<std::string>& recent() const { return recent_; }

private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::deque<std::string> recent_;
};

class DemoBrowser {
public:
    DemoBrowser(HINSTANCE instance, Options options)
        : instance_(instance),
          options_(std::move(options)),
          log_(options_.logPath),
          random_(options_.seed.value_or(0)) {}

    int run() {
        if (log_.fileFailed(options_.logPath)) {
            std::fprintf(stderr, "demo_browser: cannot write the log file\n");
            return 2;
        }
        registerClasses();
        log_.line("start", "pid=%lu interval=%ums count=%u seed=%s wine=%s", GetCurrentProcessId(),
                  options_.intervalMs, options_.count,
                  options_.seed ? std::to_string(*options_.seed).c_str() : "none",
                  runningUnderWine() ? "yes" : "no");
        if (options_.taskbar) createTaskbar();
        if (!createFrame()) return 1;
        if (!options_.paused) startOpening();

        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exiting_ = true;
        // What is still open goes with the demo; the log says so.
        std::vector<HWND> left;
        for (const auto& [hwnd, record] : windows_) left.push_back(hwnd);
        for (HWND hwnd : left) DestroyWindow(hwnd);
        if (taskbar_) DestroyWindow(taskbar_);
        log_.line("exit", "opened=%d", opened_);
        return 0;
    }

private:
    struct Record {
        const KindInfo* kind;
        int serial;
        double openedMs;
    };

    void registerClasses() {
        const wchar_t* classes[] = {kFrameClass, L"IEFrameX", L"PopquellDemoPopup", kTaskbarClass};
        for (const wchar_t* name : classes) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            // The frame's text is laid out for its whole client area.
            wc.style = CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = &DemoBrowser::windowProc;
            wc.hInstance = instance_;
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            wc.lpszClassName = name;
            RegisterClassExW(&wc);
        }
    }

    static HMENU makeFrameMenu() {
        HMENU bar = CreateMenu();
        auto popup = [bar](const wchar_t* title, int id, const wchar_t* item, bool enabled) {
            HMENU sub = CreatePopupMenu();
            AppendMenuW(sub, MF_STRING | (enabled ? 0u : MF_GRAYED), static_cast<UINT_PTR>(id),
                        item);
            AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), title);
        };
        popup(L"&File", kIdExit, L"E&xit", true);
        popup(L"&Edit", 201, L"&Select all", false);
        popup(L"&View", kIdStartPopups, L"&Open pop-ups", true);
        popup(L"&Help", kIdAbout, L"&About the demo browser", false);
        return bar;
    }

    HWND create(DWORD exStyle, const wchar_t* cls, const wchar_t* title, DWORD style, int x, int y,
                int w, int h, HMENU menu) {
        return CreateWindowExW(exStyle, cls, title, style, x, y, w, h, nullptr, menu, instance_,
                               this);
    }

    void createTaskbar() {
        const int w = GetSystemMetrics(SM_CXSCREEN);
        const int h = GetSystemMetrics(SM_CYSCREEN);
        taskbar_ = create(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTaskbarClass,
                          L"Demo taskbar", WS_POPUP | WS_BORDER, 0, h - 28, w, 28, nullptr);
        if (taskbar_) ShowWindow(taskbar_, SW_SHOWNA);
    }

    bool createFrame() {
        ownMenu_ = makeFrameMenu();
        lastMenu_ = ownMenu_;
        frame_ =
            create(0, kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW, 40, 150, 720, 600, ownMenu_);
        if (!frame_) {
            DestroyMenu(ownMenu_);
            std::fprintf(stderr, "demo_browser: cannot create the frame window\n");
            return false;
        }
        ShowWindow(frame_, SW_SHOWNORMAL);
        UpdateWindow(frame_);
        SetForegroundWindow(frame_);
        log_.line("frame",
                  "hwnd=0x%08X class=IEFrame menu=own items=%d title=\"Demo browser - Popquell\"",
                  handleValue(frame_), GetMenuItemCount(ownMenu_));
        return true;
    }

    void startOpening() {
        if (opening_) return;
        opening_ = true;
        log_.line("opening", "every %u ms, %s", options_.intervalMs,
                  options_.count ? (std::to_string(options_.count) + " windows").c_str()
                                 : "until closed");
        SetTimer(frame_, kOpenTimer, options_.intervalMs, nullptr);
    }

    const KindInfo& nextKind() {
        if (round_.empty()) {
            round_ = options_.kinds;
            if (options_.seed) std::shuffle(round_.begin(), round_.end(), random_);
            std::reverse(round_.begin(), round_.end());
        }
        const Kind kind = round_.back();
        round_.pop_back();
        return info(kind);
    }

    void onOpenTimer() {
        if (options_.count && timedOpened_ >= static_cast<int>(options_.count)) {
            KillTimer(frame_, kOpenTimer);
            log_.line("done", "opened %d windows", timedOpened_);
            return;
        }
        ++timedOpened_;
        open(nextKind());
    }

    HWND open(const KindInfo& k) {
        const int serial = ++opened_;
        const std::wstring title = L"Pop-up " + std::to_wstring(serial) + L" (" +
                                   std::wstring(k.name, k.name + std::strlen(k.name)) + L")";
        // A column beside the frame, eight high, clear of the taskbar.
        const int slot = (serial - 1) % 8;
        const int x = 790 + 20 * (slot % 4);
        const int y = 30 + 112 * slot;
        HMENU menu = k.menu == Menu::Empty ? CreateMenu() : nullptr;
        // Made hidden and shown without activation: the style ends up the
        // same, and a pop-up does not take the foreground from the frame
        // while the user picks it.
        const HWND w = create(0, k.cls, title.c_str(), k.style & ~static_cast<DWORD>(WS_VISIBLE), x,
                              y, 420, 104, menu);
        if (!w) {
            if (menu) DestroyMenu(menu);
            log_.line("failed", "#%d kind=%s error=%lu", serial, k.name, GetLastError());
            return nullptr;
        }
        windows_[w] = Record{&k, serial, log_.nowMs()};
        if (k.style & WS_VISIBLE) ShowWindow(w, SW_SHOWNA);
        const HMENU bar = GetMenu(w);
        log_.line("open", "#%d hwnd=0x%08X kind=%s style=0x%08lX menu=%s expect=\"%s\"", serial,
                  handleValue(w), k.name, static_cast<unsigned long>(GetWindowLongW(w, GWL_STYLE)),
                  bar ? (GetMenuItemCount(bar) == 0 ? "empty" : "items") : "none", expectation(k));
        return w;
    }

    // Popquell swaps the frame's menu bar for its own and takes it off again
    // on exit: worth a line each, as is the frame being maximised.
    void noticeFrameChanges() {
        const HMENU menu = GetMenu(frame_);
        if (menu != lastMenu_) {
            lastMenu_ = menu;
            if (!menu) {
                log_.line("menu", "hwnd=0x%08X frame has no menu bar", handleValue(frame_));
            } else if (menu == ownMenu_) {
                log_.line("menu", "hwnd=0x%08X frame shows its own menu bar", handleValue(frame_));
            } else {
                log_.line("menu", "hwnd=0x%08X frame shows another menu bar 0x%08X",
                          handleValue(frame_), handleValue(menu));
            }
            InvalidateRect(frame_, nullptr, TRUE);
        }
        const bool zoomed = IsZoomed(frame_) != 0;
        if (zoomed != lastZoomed_) {
            lastZoomed_ = zoomed;
            log_.line("frame", "hwnd=0x%08X %s", handleValue(frame_),
                      zoomed ? "maximised" : "restored");
        }
    }

    void paint(HWND hwnd) {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(hwnd, &ps);
        RECT r{};
        GetClientRect(hwnd, &r);
        const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        if (hwnd == frame_) {
            std::wstring text =
                L"Demo browser: a stand-in for Internet Explorer.\nIts log, newest last:\n\n";
            for (const std::string& line : log_.recent())
                text += std::wstring(line.begin(), line.end()) + L"\n";
            InflateRect(&r, -8, -8);
            DrawTextW(dc, text.c_str(), -1, &r, DT_LEFT | DT_NOPREFIX);
        } else if (hwnd == taskbar_) {
            // Wine puts minimised windows at the bottom left.
            r.left += 240;
            DrawTextW(
                dc, L"Demo taskbar: stands in for the Windows taskbar, always the topmost window.",
                -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        } else if (const auto it = windows_.find(hwnd); it != windows_.end()) {
            const KindInfo& k = *it->second.kind;
            char text[256];
            std::snprintf(text, sizeof text, "Pop-up %d, kind %s\nstyle 0x%08lX\nPopquell: %s",
                          it->second.serial, k.name,
                          static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_STYLE)),
                          expectation(k));
            const std::string s(text);
            InflateRect(&r, -8, -8);
            DrawTextW(dc, std::wstring(s.begin(), s.end()).c_str(), -1, &r,
                      DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        }
        SelectObject(dc, oldFont);
        EndPaint(hwnd, &ps);
    }

    void closeFrame() {
        log_.line("WM_CLOSE", "hwnd=0x%08X kind=frame", handleValue(frame_));
        // Like any window, and like Internet Explorer's, the frame destroys
        // the menu bar it shows, whoever made it: Popquell has to live with
        // that. Our own bar, if it was swapped out, goes separately.
        const bool ownShown = GetMenu(frame_) == ownMenu_;
        DestroyWindow(frame_);
        if (!ownShown) DestroyMenu(ownMenu_);
    }

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            auto* self =
                static_cast<DemoBrowser*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<DemoBrowser*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        return self ? self->handle(hwnd, msg, wParam, lParam)
                    : DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    LRESULT handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
        try {
            return handleMessage(hwnd, msg, wParam, lParam);
        } catch (...) {
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
    }

    LRESULT handleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        const bool isFrame = hwnd == frame_ && frame_;
        switch (msg) {
        case WM_CLOSE:
            if (isFrame) {
                closeFrame();
                return 0;
            }
            if (const auto it = windows_.find(hwnd); it != windows_.end()) {
                log_.line("WM_CLOSE", "#%d hwnd=0x%08X kind=%s age=%.1fms", it->second.serial,
                          handleValue(hwnd), it->second.kind->name,
                          log_.nowMs() - it->second.openedMs);
            }
            break;
        case WM_DESTROY:
            if (isFrame) {
                log_.line("destroyed", "hwnd=0x%08X kind=frame", handleValue(hwnd));
                frame_ = nullptr;
                PostQuitMessage(0);
            } else if (const auto it = windows_.find(hwnd); it != windows_.end()) {
                log_.line("destroyed", "#%d hwnd=0x%08X kind=%s age=%.1fms%s", it->second.serial,
                          handleValue(hwnd), it->second.kind->name,
                          log_.nowMs() - it->second.openedMs, exiting_ ? " by=demo-exit" : "");
                windows_.erase(it);
                if (frame_) InvalidateRect(frame_, nullptr, TRUE);
            }
            break;
        case WM_PAINT:
            paint(hwnd);
            return 0;
        case WM_TIMER:
            if (isFrame && wParam == kOpenTimer) {
                onOpenTimer();
                InvalidateRect(hwnd, nullptr, TRUE);
                return 0;
            }
            break;
        case WM_COMMAND:
            if (isFrame && lParam == 0) {
                if (LOWORD(wParam) == kIdExit) PostMessageW(hwnd, WM_CLOSE, 0, 0);
                if (LOWORD(wParam) == kIdStartPopups) startOpening();
                return 0;
            }
            break;
        case WM_WINDOWPOSCHANGED:
        case WM_SIZE:
            if (isFrame) noticeFrameChanges();
            break;
        case kOpenMessage:
            if (isFrame) {
                if (wParam >= kKinds.size()) return 0;
                const HWND w = open(kKinds[wParam]);
                InvalidateRect(hwnd, nullptr, TRUE);
                return static_cast<LRESULT>(handleValue(w));
            }
            break;
        case kStartMessage:
            if (isFrame) {
                startOpening();
                return 1;
            }
            break;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    HINSTANCE instance_;
    Options options_;
    Log log_;
    std::mt19937 random_;
    std::vector<Kind> round_;
    HWND frame_ = nullptr;
    HWND taskbar_ = nullptr;
    HMENU ownMenu_ = nullptr;
    HMENU lastMenu_ = nullptr;
    bool lastZoomed_ = false;
    bool opening_ = false;
    bool exiting_ = false;
    int opened_ = 0;
    int timedOpened_ = 0;
    std::map<HWND, Record> windows_;
};

}  // namespace
}  // namespace popquell::demo

int main() {
    using namespace popquell::demo;
    const std::optional<Options> options = parseOptions();
    if (!options) {
        usage();
        return 2;
    }
    DemoBrowser browser(GetModuleHandleW(nullptr), *options);
    return browser.run();
}
