#pragma once

// What the tests of real windows share. Every wait ends at a deadline, and
// every thread and window they start is ended with them.

#include <windows.h>

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/MainWindow.h"
#include "support/RemoteWindows.h"
#include "res/resource.h"
#include "winsys/win32/Win32WindowSystem.h"

namespace popquell::wine {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
using demo::waitUntil;

// Long enough for any honest wait, short enough that a broken test ends.
inline constexpr std::chrono::milliseconds kDeadline{5000};

// Runs `act` once, from a thread of its own, on this thread's modal window of
// that class and caption; true when it found the window and the answer ended it.
inline std::future<bool> watchFor(std::wstring cls, std::wstring caption, std::function<void(HWND)> act) {
    return std::async(std::launch::async, [=, gui = GetCurrentThreadId()] {
        HWND w = nullptr;
        const auto find = [&] { return (w = demo::findTopLevel(cls, caption, 0, gui)) != nullptr; };
        if (!waitUntil(find, kDeadline)) return false;
        act(w);
        if (waitUntil([&] { return !find(); }, kDeadline)) return true;
        PostThreadMessageW(gui, WM_QUIT, 0, 0);  // ends the modal loop that would hold the test
        return false;
    });
}

// A window class registered for as long as the object lives.
class WindowClass {
public:
    explicit WindowClass(std::wstring name, WNDPROC proc = DefWindowProcW) : name_(std::move(name)) {
        const WNDCLASSW wc{0, proc, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr, name_.c_str()};
        registered_ = RegisterClassW(&wc) != 0;
    }
    ~WindowClass() { if (registered_) UnregisterClassW(name_.c_str(), GetModuleHandleW(nullptr)); }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    const wchar_t* name() const { return name_.c_str(); }

private:
    std::wstring name_;
    bool registered_;
};

// Threads of this process, Wine's own included.
inline int threadsOfThisProcess() {
    const unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

// A GUI thread that owns "browser" windows, another program's to Popquell. At
// the end it takes our menus off its windows before it destroys them.
class BrowserThread {
public:
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

    // A window of this thread with a bar of menuItems items of its own; none when negative.
    HWND create(const wchar_t* cls, DWORD style, int menuItems = -1, DWORD exStyle = 0) {
        auto made = std::make_shared<HWND>(nullptr);
        run([this, made, cls = std::wstring(cls), style, menuItems, exStyle] {
            const HMENU menu = menuItems >= 0 ? CreateMenu() : nullptr;
            for (int i = 0; i < menuItems; ++i) AppendMenuW(menu, MF_STRING, 100u + i, L"Item");
            const int offset = 20 * static_cast<int>(windows_.size());
            // Shown on top but not activated: a late activation would reorder the windows under the test.
            *made = CreateWindowExW(exStyle, cls.c_str(), L"", style & ~WS_VISIBLE, 40 + offset, 200 + offset, 300,
                                    200, nullptr, menu, GetModuleHandleW(nullptr), nullptr);
            if (*made) windows_.emplace_back(*made, menu);
            else if (menu) DestroyMenu(menu);
            if (*made && (style & WS_VISIBLE)) ShowWindow(*made, SW_SHOWNA);
        });
        return *made;
    }
    void bringToFront(HWND w) { run([w] { SetForegroundWindow(w); }); }
    void close(HWND w) { run([w] { DestroyWindow(w); }); }
    // Runs f on this thread and waits for it, with a deadline.
    bool run(std::function<void()> f) {
        auto task = std::make_unique<Task>(std::move(f));
        auto done = task->get_future();
        if (!PostThreadMessageW(id_, kRun, 0, reinterpret_cast<LPARAM>(task.get()))) return false;
        task.release();  // the thread owns it now
        return done.wait_for(kDeadline) == std::future_status::ready;
    }

    // Stops pumping messages until resume(), for 15 s at most; true once stopped.
    bool hang() {
        ResetEvent(resume_.get());
        PostThreadMessageW(id_, kHang, 0, 0);
        return WaitForSingleObject(hanging_.get(), 5000) == WAIT_OBJECT_0;
    }
    void resume() { SetEvent(resume_.get()); }

private:
    using Task = std::packaged_task<void()>;
    static constexpr UINT kRun = WM_APP + 1;
    static constexpr UINT kHang = WM_APP + 2;

    void loop(std::promise<DWORD>& started) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the message queue
        started.set_value(GetCurrentThreadId());
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == nullptr && msg.message == kRun) {
                (*std::unique_ptr<Task>(reinterpret_cast<Task*>(msg.lParam)))();
            } else if (msg.hwnd == nullptr && msg.message == kHang) {
                SetEvent(hanging_.get());
                WaitForSingleObject(resume_.get(), 15000);
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

    std::vector<std::pair<HWND, HMENU>> windows_;  // each with its own bar; used on the thread only
    unique_handle resume_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    unique_handle hanging_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD id_ = 0;
    std::thread thread_;
};

// The real main window, whose messages the test pumps as the program's loop
// does, noting when each timer ticked.
class MainWindowTest : public ::testing::Test {
protected:
    template <typename Pred>
    bool pump(Pred pred, std::chrono::milliseconds deadline = kDeadline) {
        const auto end = SteadyClock::now() + deadline;
        for (MSG msg;;) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_TIMER) ticks[msg.wParam].push_back(SteadyClock::now());
                window.dispatch(msg);
            }
            if (pred()) return true;
            if (SteadyClock::now() > end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    HWND control(int id) const { return GetDlgItem(window.hwnd(), id); }
    void click(int id) { SendMessageW(control(id), BM_CLICK, 0, 0); }

    // Select Window, the browser to the front until the box comes, and Yes to it; true once answered.
    bool pick(BrowserThread& owner, HWND browser) {
        auto watcher = watchFor(L"#32770", L"Popquell", [](HWND w) { demo::answerBox(demo::lookAtBox(w), IDYES); });
        click(IDC_COMMAND3);
        return pump([&] { return !form.Timer2.Enabled() || (owner.bringToFront(browser), false); }) && watcher.get();
    }

    Win32WindowSystem ws;
    MainWindow window{GetModuleHandleW(nullptr), ws};
    Form1& form = window.form();
    std::map<WPARAM, std::vector<SteadyClock::time_point>> ticks;  // by timer id
};

}  // namespace popquell::wine
