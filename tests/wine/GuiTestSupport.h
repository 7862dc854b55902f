#pragma once

// What the tests of the real main window need around it under Wine: a pump
// with a deadline, a watcher that answers modal windows from a second
// thread, and a second GUI thread that plays the browser. Every wait ends at
// a deadline, and every thread and window they start is ended with them.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/MainWindow.h"
#include "winsys/win32/UniqueHandle.h"

namespace popquell::wine {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// Long enough for any honest wait, short enough that a broken test ends.
inline constexpr std::chrono::milliseconds kDeadline{5000};

// Dispatches this thread's messages until pred holds or the deadline
// passes. With a main window, messages go through its dialog handling, as
// in the program's own loop.
template <typename Pred>
bool pumpUntil(Pred pred, std::chrono::milliseconds deadline = kDeadline,
               MainWindow* window = nullptr) {
    const auto end = SteadyClock::now() + deadline;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (window) {
                window->dispatch(msg);
            } else {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (pred()) return true;
        if (SteadyClock::now() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Keeps dispatching for a while: for checks that something does NOT
// happen, which no event can end sooner.
inline void pumpFor(std::chrono::milliseconds span, MainWindow* window = nullptr) {
    pumpUntil([] { return false; }, span, window);
}

inline std::wstring windowText(HWND window) {
    wchar_t text[1024]{};
    GetWindowTextW(window, text, 1024);
    return text;
}

inline std::wstring className(HWND window) {
    wchar_t text[256]{};
    GetClassNameW(window, text, 256);
    return text;
}

inline std::wstring widenAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

inline std::wstring menuItemText(HMENU menu, UINT id) {
    wchar_t text[256]{};
    GetMenuStringW(menu, id, text, 256, MF_BYCOMMAND);
    return text;
}

// The visible top-level windows of a thread, of a class and caption.
inline HWND findThreadWindow(DWORD thread, const std::wstring& cls, const std::wstring& caption) {
    struct Search {
        const std::wstring& cls;
        const std::wstring& caption;
        HWND found = nullptr;

        // Not a lambda: on x86 the callback is stdcall, which GCC does not
        // convert a lambda to.
        static BOOL CALLBACK visit(HWND w, LPARAM p) {
            auto& s = *reinterpret_cast<Search*>(p);
            if (IsWindowVisible(w) && className(w) == s.cls && windowText(w) == s.caption) {
                s.found = w;
                return FALSE;
            }
            return TRUE;
        }
    } search{cls, caption};
    EnumThreadWindows(thread, &Search::visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What the watcher saw of a modal window before it answered it.
struct SeenWindow {
    HWND hwnd = nullptr;
    std::wstring cls;
    std::wstring caption;
    std::wstring text;  // a message box's prompt
    LONG style = 0;
    LONG exStyle = 0;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    RECT client{};
    bool hasYes = false;
    bool hasNo = false;
    bool hasOk = false;
};

inline SeenWindow look(HWND w) {
    SeenWindow seen;
    seen.hwnd = w;
    seen.cls = className(w);
    seen.caption = windowText(w);
    wchar_t text[1024]{};
    GetDlgItemTextW(w, 0xFFFF, text, 1024);
    seen.text = text;
    seen.style = GetWindowLongA(w, GWL_STYLE);
    seen.exStyle = GetWindowLongA(w, GWL_EXSTYLE);
    seen.owner = GetWindow(w, GW_OWNER);
    seen.ownerEnabled = seen.owner ? IsWindowEnabled(seen.owner) != 0 : true;
    GetClientRect(w, &seen.client);
    seen.hasYes = GetDlgItem(w, IDYES) != nullptr;
    seen.hasNo = GetDlgItem(w, IDNO) != nullptr;
    seen.hasOk = GetDlgItem(w, IDOK) != nullptr;
    return seen;
}

// Waits on a thread of its own for a visible top-level window of the GUI
// thread with this class and caption, then runs `act` on it once -- which
// looks at it and answers it -- from that thread, while the GUI thread
// sits in the window's modal loop. Gives up at its deadline.
class ModalWatcher {
public:
    using Act = std::function<void(HWND)>;

    ModalWatcher(std::wstring cls, std::wstring caption, Act act,
                 std::chrono::milliseconds deadline = kDeadline)
        : gui_(GetCurrentThreadId()),
          thread_([this, cls = std::move(cls), caption = std::move(caption), act = std::move(act),
                   deadline] { watch(cls, caption, act, deadline); }) {}
    ~ModalWatcher() { join(); }
    ModalWatcher(const ModalWatcher&) = delete;
    ModalWatcher& operator=(const ModalWatcher&) = delete;

    // A message box of the program, answered with `answer` (IDYES, IDNO, IDOK).
    static std::unique_ptr<ModalWatcher> answerBox(int answer, SeenWindow* seen,
                                                   std::chrono::milliseconds deadline = kDeadline) {
        return std::make_unique<ModalWatcher>(
            L"#32770", L"Popquell",
            [answer, seen](HWND box) {
                if (seen) *seen = look(box);
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
            },
            deadline);
    }

    // Waits for the watcher to finish; true when it found its window.
    bool found() {
        join();
        return found_;
    }

private:
    void watch(const std::wstring& cls, const std::wstring& caption, const Act& act,
               std::chrono::milliseconds deadline) {
        const auto end = SteadyClock::now() + deadline;
        while (SteadyClock::now() < end) {
            if (const HWND w = findThreadWindow(gui_, cls, caption)) {
                act(w);
                found_ = true;
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
    }
    void join() {
        if (thread_.joinable()) thread_.join();
    }

    DWORD gui_;
    bool found_ = false;
    std::thread thread_;
};

// A window class registered for as long as the object lives.
class WindowClass {
public:
    explicit WindowClass(std::wstring name, WNDPROC proc = DefWindowProcW) : name_(std::move(name)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = name_.c_str();
        registered_ = RegisterClassW(&wc) != 0;
    }
    ~WindowClass() {
        if (registered_) UnregisterClassW(name_.c_str(), GetModuleHandleW(nullptr));
    }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    bool registered() const { return registered_; }
    const wchar_t* name() const { return name_.c_str(); }

private:
    std::wstring name_;
    bool registered_ = false;
};

// A second GUI thread with a message loop of its own, which owns the
// "browser" windows: to Popquell they are another program's windows. A
// window whose menu bar is the main window's is taken off it before the
// thread destroys it at the end, so that the teardown frees only its own.
class BrowserThread {
public:
    static constexpr int kNoMenuBar = -1;

    BrowserThread() {
        auto started = std::make_shared<std::promise<DWORD>>();
        auto id = started->get_future();
        thread_ = std::thread([this, started] { loop(*started); });
        if (id.wait_for(kDeadline) == std::future_status::ready) id_ = id.get();
    }
    ~BrowserThread() {
        PostThreadMessageW(id_, WM_QUIT, 0, 0);
        thread_.join();
    }
    BrowserThread(const BrowserThread&) = delete;
    BrowserThread& operator=(const BrowserThread&) = delete;

    DWORD id() const { return id_; }

    // A window of this thread; menuItems is the number of items of a menu
    // bar of its own, or kNoMenuBar.
    HWND create(const wchar_t* cls, DWORD style, int menuItems = kNoMenuBar, DWORD exStyle = 0) {
        auto made = std::make_shared<HWND>(nullptr);
        run([this, made, cls = std::wstring(cls), style, menuItems, exStyle] {
            HMENU menu = nullptr;
            if (menuItems >= 0) {
                menu = CreateMenu();
                for (int i = 0; i < menuItems; ++i) {
                    const std::wstring text = L"Item " + std::to_wstring(i + 1);
                    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(100 + i), text.c_str());
                }
            }
            const int offset = 20 * static_cast<int>(windows_.size());
            *made = CreateWindowExW(exStyle, cls.c_str(), L"", style, 40 + offset, 200 + offset, 300,
                                    200, nullptr, menu, GetModuleHandleW(nullptr), nullptr);
            if (*made) windows_.push_back(*made);
            else if (menu) DestroyMenu(menu);
        });
        return *made;
    }

    // As the user brings the window to the front.
    void bringToFront(HWND w) {
        run([w] { SetForegroundWindow(w); });
    }
    // As the user closes the window; false when it was not there to close.
    bool close(HWND w) {
        auto done = std::make_shared<bool>(false);
        run([w, done] { *done = DestroyWindow(w) != 0; });
        return *done;
    }
    // Runs f on this thread and waits for it, with a deadline.
    bool run(std::function<void()> f) {
        auto task = std::make_shared<std::packaged_task<void()>>(std::move(f));
        auto done = task->get_future();
        auto call = std::make_unique<std::function<void()>>([task] { (*task)(); });
        if (!PostThreadMessageW(id_, kRun, 0, reinterpret_cast<LPARAM>(call.get()))) return false;
        call.release();  // the thread owns it now
        return done.wait_for(kDeadline) == std::future_status::ready;
    }

    // The main window's menu bar, which the thread takes off its windows
    // before destroying them.
    void setForeignMenu(HMENU menu) { foreignMenu_ = menu; }

private:
    static constexpr UINT kRun = WM_APP + 1;

    void loop(std::promise<DWORD>& started) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the message queue
        started.set_value(GetCurrentThreadId());
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == nullptr && msg.message == kRun) {
                std::unique_ptr<std::function<void()>> call(
                    reinterpret_cast<std::function<void()>*>(msg.lParam));
                (*call)();
            } else {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        for (HWND w : windows_) {
            if (!IsWindow(w)) continue;
            if (foreignMenu_ && GetMenu(w) == foreignMenu_.load()) SetMenu(w, nullptr);
            DestroyWindow(w);
        }
    }

    std::vector<HWND> windows_;  // used on the thread only
    std::atomic<HMENU> foreignMenu_{nullptr};
    DWORD id_ = 0;
    std::thread thread_;
};

}  // namespace popquell::wine
