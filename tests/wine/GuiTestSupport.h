#pragma once

// What the tests of the real main window need around it under Wine: a pump
// with a deadline, a watcher that answers modal windows from a second
// thread, and a second GUI thread that plays the browser. Every wait ends at
// a deadline, and every thread and window they start is ended with them.

#include <windows.h>

#include <tlhelp32.h>

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
#include "demo/RemoteWindows.h"
#include "ui/win32/Handles.h"
#include "ui/win32/Text.h"

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

using demo::menuItemText;

// What the watcher saw of a modal window before it answered it: what a
// message box shows, and more.
struct SeenWindow : demo::Box {
    std::wstring cls;
    LONG style = 0;
    LONG exStyle = 0;
    HWND owner = nullptr;
    bool ownerEnabled = true;
};

inline SeenWindow look(HWND w) {
    SeenWindow seen;
    static_cast<demo::Box&>(seen) = demo::lookAtBox(w);
    seen.cls = className(w);
    seen.style = GetWindowLongA(w, GWL_STYLE);
    seen.exStyle = GetWindowLongA(w, GWL_EXSTYLE);
    seen.owner = GetWindow(w, GW_OWNER);
    seen.ownerEnabled = seen.owner ? IsWindowEnabled(seen.owner) != 0 : true;
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
            if (const HWND w = demo::findTopLevel(cls, caption, 0, gui_)) {
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

// Threads of this process, Wine's own included.
inline int threadsOfThisProcess() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } closer{snapshot};
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    }
    return count;
}

// A second GUI thread with a message loop of its own, which owns the
// "browser" windows: to Popquell they are another program's windows. hang()
// makes it stop pumping messages, as a hung program does. At the end it
// takes the test's menus (the main window's among them) off its windows
// before it destroys them, so that the teardown frees only their own.
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
        resume();
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
            if (*made) windows_.push_back({*made, menu});
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

    // Stops pumping messages until resume(), for 10 s at most; true once
    // the thread has stopped.
    bool hang() {
        ResetEvent(resume_.get());
        PostThreadMessageW(id_, kHang, 0, 0);
        return WaitForSingleObject(hanging_.get(), 5000) == WAIT_OBJECT_0;
    }
    bool hanging() const { return WaitForSingleObject(hanging_.get(), 0) == WAIT_OBJECT_0; }
    void resume() { SetEvent(resume_.get()); }

private:
    static constexpr UINT kRun = WM_APP + 1;
    static constexpr UINT kHang = WM_APP + 2;

    void loop(std::promise<DWORD>& started) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the message queue
        started.set_value(GetCurrentThreadId());
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == nullptr && msg.message == kRun) {
                std::unique_ptr<std::function<void()>> call(
                    reinterpret_cast<std::function<void()>*>(msg.lParam));
                (*call)();
            } else if (msg.hwnd == nullptr && msg.message == kHang) {
                SetEvent(hanging_.get());
                WaitForSingleObject(resume_.get(), 10000);
                ResetEvent(hanging_.get());
            } else {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        for (const auto& [w, own] : windows_) {
            if (!IsWindow(w)) continue;
            if (GetMenu(w) != own) SetMenu(w, nullptr);
            DestroyWindow(w);
        }
    }

    struct Owned {
        HWND window;
        HMENU menu;  // its own bar, which goes with it
    };
    std::vector<Owned> windows_;  // used on the thread only
    unique_handle resume_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    unique_handle hanging_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD id_ = 0;
    std::thread thread_;
};

// Polls pred, for effects that another thread brings about.
template <typename Pred>
bool eventually(Pred pred, std::chrono::milliseconds deadline = kDeadline) {
    const auto end = SteadyClock::now() + deadline;
    while (!pred()) {
        if (SteadyClock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

}  // namespace popquell::wine
