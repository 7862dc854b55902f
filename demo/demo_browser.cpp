// A stand-in for Internet Explorer, for trying Popquell on a desktop without
// one. It opens a frame window of class "IEFrame" with a menu bar of its own,
// and every few seconds a window of one of the kinds below: the pop-ups
// Popquell closes and the look-alikes it must leave alone. It logs every
// window it opens, every WM_CLOSE it gets and every window that goes, with
// the time since it started, one flushed line each.
//
//   demo_browser [--interval-ms N] [--count N] [--log FILE] [--kinds K1,K2,...] [--paused]
//
// --count 0 (the default) opens windows until the frame is closed. --paused
// waits for kStartMessage (or View > Open pop-ups) before the first one.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/Arguments.h"
#include "support/Program.h"
#include "ui/win32/Text.h"

namespace popquell::demo {
namespace {

constexpr UINT_PTR kOpenTimer = 1;
constexpr int kIdExit = 101;
constexpr int kIdStartPopups = 301;
constexpr std::size_t kShownLines = 24;
// Stands in for the taskbar, which on Windows is always the topmost window:
// Popquell never examines the topmost window, and without this bar on a
// bare desktop that would often be the newest pop-up.
constexpr wchar_t kTaskbarClass[] = L"PopquellDemoTaskbar";

// The pop-ups Popquell closes and their look-alikes: the popup style without
// WS_CLIPCHILDREN or WS_VISIBLE, and frames whose menu bar has no items or
// that have none, of class "IEFrame" or one a letter longer.
struct KindInfo {
    const char* name;
    const wchar_t* cls;
    DWORD style;
    bool emptyMenu;        // a menu bar without items, else none
    bool closedOnWindows;  // what Popquell does to it on Windows
};

constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
constexpr KindInfo kKinds[] = {
    {"popup", L"PopquellDemoPopup", kPopupStyle, false, true},
    {"popup-no-clipchildren", L"PopquellDemoPopup", kPopupStyle & ~DWORD{WS_CLIPCHILDREN}, false, false},
    {"popup-hidden", L"PopquellDemoPopup", kPopupStyle & ~DWORD{WS_VISIBLE}, false, false},
    {"ie-empty-menu", L"IEFrame", kFrameStyle, true, true},
    {"ieframex-empty-menu", L"IEFrameX", kFrameStyle, true, false},
    {"ie-no-menu", L"IEFrame", kFrameStyle, false, false},
};

const KindInfo* findKind(std::string_view name) {
    for (const KindInfo& k : kKinds)
        if (name == k.name) return &k;
    return nullptr;
}

// What the reports say Popquell does to a kind on this system: "closed" for
// the kinds it closes here.
const char* expectation(const KindInfo& k) {
    if (k.emptyMenu && k.closedOnWindows && runningUnderWine())
        return "left alone under Wine (menus are per process there); closed on Windows";
    return k.closedOnWindows ? "closed" : "left alone";
}

struct Options {
    unsigned intervalMs = 3000;
    unsigned count = 0;
    std::wstring logPath;
    std::vector<const KindInfo*> kinds;
    bool paused = false;
};

std::optional<Options> parseOptions() {
    Arguments args;
    Options o;
    args.number(L"--interval-ms", o.intervalMs);
    args.number(L"--count", o.count);
    args.text(L"--log", o.logPath);
    // The order of a round when --kinds says nothing: every look-alike follows
    // a window that is closed, so the screen shows both at any time.
    std::wstring kinds = L"popup,popup-no-clipchildren,ie-empty-menu,ie-no-menu,"
                         L"popup,popup-hidden,ieframex-empty-menu";
    args.text(L"--kinds", kinds);
    std::stringstream list(narrow(kinds));
    for (std::string name; std::getline(list, name, ',');) {
        if (name.empty()) continue;
        const KindInfo* k = findKind(name);
        if (!k) {
            std::fprintf(stderr, "demo_browser: unknown kind '%s'\n", name.c_str());
            return std::nullopt;
        }
        o.kinds.push_back(k);
    }
    o.paused = args.flag(L"--paused");
    if (!args.allRead("demo_browser") || o.intervalMs == 0 || o.kinds.empty()) return std::nullopt;
    return o;
}

class DemoBrowser {
public:
    DemoBrowser(HINSTANCE instance, Options options) : instance_(instance), options_(std::move(options)) {}

    int run() {
        // Others read the log while it grows: the stream shares it, and each line is flushed.
        if (!options_.logPath.empty()) log_.open(std::filesystem::path(options_.logPath));
        if (!options_.logPath.empty() && !log_) {
            std::fprintf(stderr, "demo_browser: cannot write the log file\n");
            return 2;
        }
        // The frame's text is laid out for its whole client area.
        for (const wchar_t* name : {kFrameClass, L"IEFrameX", L"PopquellDemoPopup", kTaskbarClass})
            registerClass(name, &DemoBrowser::windowProc, CS_HREDRAW | CS_VREDRAW);
        note("start", "pid=%lu interval=%ums count=%u wine=%s", GetCurrentProcessId(), options_.intervalMs,
             options_.count, runningUnderWine() ? "yes" : "no");
        createTaskbar();
        if (!createFrame()) return 1;
        if (!options_.paused) startOpening();
        runMessageLoop();
        exiting_ = true;
        // What is still open goes with the demo; the log says so.
        std::vector<HWND> left;
        for (const auto& entry : windows_) left.push_back(entry.first);
        for (HWND hwnd : left) DestroyWindow(hwnd);
        if (taskbar_) DestroyWindow(taskbar_);
        note("exit", "opened=%d", opened_);
        return 0;
    }

private:
    struct Record {
        const KindInfo* kind;
        int serial;
        double openedMs;
    };

    double nowMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }

    // One line per event, to stdout and the log, each flushed at once so that
    // a reader in another process sees it as it happens.
    template <typename... Args>
    void note(const char* event, const char* format, Args... args) {
        char text[512];
        std::snprintf(text, sizeof text, format, args...);
        char line[600];
        std::snprintf(line, sizeof line, "%10.1f ms  %-10s %s", nowMs(), event, text);
        say("%s\n", line);
        if (log_.is_open()) log_ << line << std::endl;
        recent_.push_back(line);
        if (recent_.size() > kShownLines) recent_.pop_front();
    }

    static HMENU makeFrameMenu() {
        HMENU bar = CreateMenu();
        auto popup = [bar](const wchar_t* title, int id, const wchar_t* item, bool enabled) {
            HMENU sub = CreatePopupMenu();
            AppendMenuW(sub, MF_STRING | (enabled ? 0u : MF_GRAYED), static_cast<UINT_PTR>(id), item);
            AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), title);
        };
        popup(L"&File", kIdExit, L"E&xit", true);
        popup(L"&Edit", 201, L"&Select all", false);
        popup(L"&View", kIdStartPopups, L"&Open pop-ups", true);
        popup(L"&Help", 401, L"&About the demo browser", false);
        return bar;
    }

    HWND create(DWORD exStyle, const wchar_t* cls, const wchar_t* title, DWORD style, int x, int y, int w,
                int h, HMENU menu) {
        return CreateWindowExW(exStyle, cls, title, style, x, y, w, h, nullptr, menu, instance_, this);
    }

    void createTaskbar() {
        taskbar_ = create(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTaskbarClass, L"Demo taskbar",
                          WS_POPUP | WS_BORDER, 0, GetSystemMetrics(SM_CYSCREEN) - 28,
                          GetSystemMetrics(SM_CXSCREEN), 28, nullptr);
        if (taskbar_) ShowWindow(taskbar_, SW_SHOWNA);
    }

    bool createFrame() {
        ownMenu_ = lastMenu_ = makeFrameMenu();
        frame_ = create(0, kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW, 40, 150, 720, 600, ownMenu_);
        if (!frame_) {
            DestroyMenu(ownMenu_);
            std::fprintf(stderr, "demo_browser: cannot create the frame window\n");
            return false;
        }
        ShowWindow(frame_, SW_SHOWNORMAL);
        UpdateWindow(frame_);
        SetForegroundWindow(frame_);
        note("frame", "hwnd=0x%08X class=IEFrame menu=own items=%d title=\"Demo browser - Popquell\"",
             handleValue(frame_), GetMenuItemCount(ownMenu_));
        return true;
    }

    void startOpening() {
        if (opening_) return;
        opening_ = true;
        note("opening", "every %u ms, %s", options_.intervalMs,
             options_.count ? (std::to_string(options_.count) + " windows").c_str() : "until closed");
        SetTimer(frame_, kOpenTimer, options_.intervalMs, nullptr);
    }

    void onOpenTimer() {
        if (options_.count && timedOpened_ >= static_cast<int>(options_.count)) {
            KillTimer(frame_, kOpenTimer);
            note("done", "opened %d windows", timedOpened_);
            return;
        }
        open(*options_.kinds[static_cast<std::size_t>(timedOpened_++) % options_.kinds.size()]);
    }

    void open(const KindInfo& k) {
        const int serial = ++opened_;
        const std::wstring title = L"Pop-up " + std::to_wstring(serial) + L" (" + widen(k.name) + L")";
        // A column beside the frame, eight high, clear of the taskbar.
        const int slot = (serial - 1) % 8;
        HMENU menu = k.emptyMenu ? CreateMenu() : nullptr;
        // Made hidden and shown without activation: the style ends up the
        // same, and a pop-up does not take the foreground from the frame
        // while the user picks it.
        const HWND w = create(0, k.cls, title.c_str(), k.style & ~static_cast<DWORD>(WS_VISIBLE),
                              790 + 20 * (slot % 4), 30 + 112 * slot, 420, 104, menu);
        if (!w) {
            if (menu) DestroyMenu(menu);
            note("failed", "#%d kind=%s error=%lu", serial, k.name, GetLastError());
            return;
        }
        windows_[w] = Record{&k, serial, nowMs()};
        if (k.style & WS_VISIBLE) ShowWindow(w, SW_SHOWNA);
        const HMENU bar = GetMenu(w);
        note("open", "#%d hwnd=0x%08X kind=%s style=0x%08lX menu=%s expect=\"%s\"", serial, handleValue(w),
             k.name, static_cast<unsigned long>(GetWindowLongW(w, GWL_STYLE)),
             bar ? (GetMenuItemCount(bar) == 0 ? "empty" : "items") : "none", expectation(k));
    }

    // Popquell swaps the frame's menu bar for its own and takes it off again
    // on exit: worth a line each, as is the frame being maximised.
    void noticeFrameChanges() {
        if (const HMENU menu = GetMenu(frame_); menu != lastMenu_) {
            lastMenu_ = menu;
            note("menu", "hwnd=0x%08X frame shows %s menu bar 0x%08X", handleValue(frame_),
                 !menu ? "no" : menu == ownMenu_ ? "its own" : "another", handleValue(menu));
            InvalidateRect(frame_, nullptr, TRUE);
        }
        if (const bool zoomed = IsZoomed(frame_) != 0; zoomed != lastZoomed_) {
            lastZoomed_ = zoomed;
            note("frame", "hwnd=0x%08X %s", handleValue(frame_), zoomed ? "maximised" : "restored");
        }
    }

    void paint(HWND hwnd) {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(hwnd, &ps);
        RECT r{};
        GetClientRect(hwnd, &r);
        const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        InflateRect(&r, -8, -8);
        if (hwnd == frame_) {
            std::string text = "Demo browser: a stand-in for Internet Explorer.\nIts log, newest last:\n\n";
            for (const std::string& line : recent_) text += line + "\n";
            DrawTextW(dc, widen(text).c_str(), -1, &r, DT_LEFT | DT_NOPREFIX);
        } else if (hwnd == taskbar_) {
            // Wine puts minimised windows at the bottom left.
            GetClientRect(hwnd, &r);
            r.left += 240;
            DrawTextW(dc, L"Demo taskbar: stands in for the Windows taskbar, always the topmost window.", -1,
                      &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        } else if (const auto it = windows_.find(hwnd); it != windows_.end()) {
            const KindInfo& k = *it->second.kind;
            char text[256];
            std::snprintf(text, sizeof text, "Pop-up %d, kind %s\nstyle 0x%08lX\nPopquell: %s",
                          it->second.serial, k.name,
                          static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_STYLE)), expectation(k));
            DrawTextW(dc, widen(text).c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
        }
        SelectObject(dc, oldFont);
        EndPaint(hwnd, &ps);
    }

    void closeFrame() {
        note("WM_CLOSE", "hwnd=0x%08X kind=frame", handleValue(frame_));
        // Like any window, and like Internet Explorer's, the frame destroys
        // the menu bar it shows, whoever made it: Popquell has to live with
        // that. Our own bar, if it was swapped out, goes separately.
        const bool ownShown = GetMenu(frame_) == ownMenu_;
        DestroyWindow(frame_);
        if (!ownShown) DestroyMenu(ownMenu_);
    }

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            auto* self = static_cast<DemoBrowser*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<DemoBrowser*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        try {
            if (self) return self->handleMessage(hwnd, msg, wParam, lParam);
        } catch (...) {
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    LRESULT handleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        const bool isFrame = hwnd == frame_ && frame_;
        const auto it = windows_.find(hwnd);
        switch (msg) {
        case WM_CLOSE:
            if (isFrame) {
                closeFrame();
                return 0;
            }
            if (it != windows_.end())
                note("WM_CLOSE", "#%d hwnd=0x%08X kind=%s age=%.1fms", it->second.serial, handleValue(hwnd),
                     it->second.kind->name, nowMs() - it->second.openedMs);
            break;
        case WM_DESTROY:
            if (isFrame) {
                note("destroyed", "hwnd=0x%08X kind=frame", handleValue(hwnd));
                frame_ = nullptr;
                PostQuitMessage(0);
            } else if (it != windows_.end()) {
                note("destroyed", "#%d hwnd=0x%08X kind=%s age=%.1fms%s", it->second.serial,
                     handleValue(hwnd), it->second.kind->name, nowMs() - it->second.openedMs,
                     exiting_ ? " by=demo-exit" : "");
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
    std::ofstream log_;
    std::deque<std::string> recent_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
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
    if (!options) return 2;
    return DemoBrowser(GetModuleHandleW(nullptr), *options).run();
}
