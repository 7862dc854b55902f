#pragma once

// Looking at and pressing the windows of other processes, as the user does:
// the demo driver and the end-to-end tests play Popquell's journey with
// these from a process of their own, and the tests under Wine read the
// program's windows with them. Every wait ends at a deadline.

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>

#include "ui/win32/Text.h"

namespace popquell::demo {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline DWORD processOf(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

// Checks pred every 20 ms until it holds or the deadline passes.
template <typename Pred>
bool waitUntil(Pred pred, std::chrono::milliseconds deadline) {
    const auto end = SteadyClock::now() + deadline;
    for (;;) {
        if (pred()) return true;
        if (SteadyClock::now() >= end) return false;
        std::this_thread::sleep_for(20ms);
    }
}

// A visible top-level window of that class (and caption, unless empty),
// of that process and thread (unless 0).
inline HWND findTopLevel(const std::wstring& cls, const std::wstring& caption, DWORD pid = 0,
                         DWORD thread = 0) {
    struct Search {
        const std::wstring& cls;
        const std::wstring& caption;
        DWORD pid;
        DWORD thread;
        HWND found = nullptr;

        // A function, not a lambda: on x86 the callback is stdcall, which
        // GCC does not convert a lambda to.
        static BOOL CALLBACK visit(HWND w, LPARAM p) {
            auto& s = *reinterpret_cast<Search*>(p);
            if (IsWindowVisible(w) && className(w) == s.cls &&
                (s.caption.empty() || windowText(w) == s.caption) &&
                (!s.pid || processOf(w) == s.pid) &&
                (!s.thread || GetWindowThreadProcessId(w, nullptr) == s.thread)) {
                s.found = w;
                return FALSE;
            }
            return TRUE;
        }
    } search{cls, caption, pid, thread};
    EnumWindows(&Search::visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND waitForTopLevel(const std::wstring& cls, const std::wstring& caption, DWORD pid,
                            std::chrono::milliseconds deadline) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findTopLevel(cls, caption, pid)) != nullptr; }, deadline);
    return found;
}

// A message box: its prompt and its buttons.
struct Box {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;
    bool hasYes = false;
    bool hasNo = false;
    bool hasOk = false;
    bool icon = false;
    bool topmost = false;
};

// The icon of a message box, where there is one, is a visible static
// control that holds it.
inline BOOL CALLBACK findIcon(HWND child, LPARAM found) {
    if (IsWindowVisible(child) && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageW(child, STM_GETICON, 0, 0) != 0)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

inline Box lookAtBox(HWND w) {
    Box box;
    box.hwnd = w;
    box.caption = windowText(w);
    // The prompt is the static control without an id of its own.
    wchar_t text[1024]{};
    GetDlgItemTextW(w, 0xFFFF, text, 1024);
    box.text = text;
    box.hasYes = GetDlgItem(w, IDYES) != nullptr;
    box.hasNo = GetDlgItem(w, IDNO) != nullptr;
    box.hasOk = GetDlgItem(w, IDOK) != nullptr;
    EnumChildWindows(w, findIcon, reinterpret_cast<LPARAM>(&box.icon));
    box.topmost = (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return box;
}

// Waits for a message box of that process with that caption.
inline Box waitForBox(DWORD pid, const std::wstring& caption, std::chrono::milliseconds deadline) {
    const HWND w = waitForTopLevel(L"#32770", caption, pid, deadline);
    return w ? lookAtBox(w) : Box{};
}

// As a click on the box's button: the box ends with that answer.
inline void answerBox(const Box& box, int answer) {
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, answer)));
}

// As a click on a push button of a window: the window gets BN_CLICKED from it.
inline bool clickButton(HWND window, int id) {
    const HWND button = GetDlgItem(window, id);
    if (!button) return false;
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != 0;
}

inline std::wstring menuItemText(HMENU menu, UINT id) {
    wchar_t text[256]{};
    GetMenuStringW(menu, id, text, 256, MF_BYCOMMAND);
    return text;
}

// A process that this one started, or opened by id. Ends it at the latest
// when the object goes: by its handle, never by name.
class Process {
public:
    Process() = default;
    explicit Process(DWORD pid)
        : handle_(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                              FALSE, pid)),
          pid_(pid),
          owned_(false) {}
    ~Process() { reset(); }
    Process(Process&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)),
          pid_(std::exchange(other.pid_, 0)),
          owned_(std::exchange(other.owned_, false)) {}
    Process& operator=(Process&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
            pid_ = std::exchange(other.pid_, 0);
            owned_ = std::exchange(other.owned_, false);
        }
        return *this;
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts a program with a command line ("program" args...); false when
    // it cannot be started.
    static Process start(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& directory = {}) {
        Process p;
        std::wstring commandLine = L"\"" + program + L"\"";
        if (!arguments.empty()) commandLine += L" " + arguments;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
            CloseHandle(pi.hThread);
            p.handle_ = pi.hProcess;
            p.pid_ = pi.dwProcessId;
            p.owned_ = true;
        }
        return p;
    }

    explicit operator bool() const { return handle_ != nullptr; }
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return handle_; }

    bool waitForExit(std::chrono::milliseconds deadline) const {
        return handle_ &&
               WaitForSingleObject(handle_, static_cast<DWORD>(deadline.count())) == WAIT_OBJECT_0;
    }
    bool running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }
    // STILL_ACTIVE while it runs.
    DWORD exitCode() const {
        DWORD code = STILL_ACTIVE;
        if (handle_) GetExitCodeProcess(handle_, &code);
        return code;
    }
    // Ends it now if it still runs, and waits a moment for it to go.
    void terminate() {
        if (running()) {
            TerminateProcess(handle_, 99);
            WaitForSingleObject(handle_, 5000);
        }
    }

private:
    void reset() {
        if (owned_) terminate();
        if (handle_) CloseHandle(handle_);
        handle_ = nullptr;
        pid_ = 0;
        owned_ = false;
    }

    HANDLE handle_ = nullptr;
    DWORD pid_ = 0;
    bool owned_ = false;
};

}  // namespace popquell::demo
