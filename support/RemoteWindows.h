#pragma once

// Other processes and their windows: the demo driver follows Popquell's
// journey with these from a process of its own, the tests under Wine read
// the program's windows with them, and the benchmarks start their helpers.
// Every wait ends at a deadline.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ui/win32/Handles.h"
#include "ui/win32/Text.h"

namespace popquell::demo {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline DWORD processOf(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

// A program we started, ended by its id when the object goes unless it has
// ended by itself: none is left behind.
class ChildProcess {
public:
    // With startup, its standard handles, inherited.
    ChildProcess(const std::wstring& program, const std::wstring& arguments,
                 const STARTUPINFOW* startup = nullptr) {
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        STARTUPINFOW si = startup ? *startup : STARTUPINFOW{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, startup != nullptr, 0,
                            nullptr, nullptr, &si, &pi))
            return;
        CloseHandle(pi.hThread);
        process_.reset(pi.hProcess);
    }
    ~ChildProcess() { end(0ms); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    explicit operator bool() const { return static_cast<bool>(process_); }
    HANDLE handle() const { return process_.get(); }
    DWORD pid() const { return GetProcessId(process_.get()); }

    // Gives it so long to end by itself, then ends it; its exit code.
    DWORD end(std::chrono::milliseconds grace) {
        DWORD code = 0;
        if (!process_) return code;
        if (WaitForSingleObject(process_.get(), static_cast<DWORD>(grace.count())) != WAIT_OBJECT_0) {
            TerminateProcess(process_.get(), 1);
            WaitForSingleObject(process_.get(), 5000);
        }
        GetExitCodeProcess(process_.get(), &code);
        process_.reset();
        return code;
    }

private:
    unique_handle process_;
};

// A file another process writes, read line by line as it grows.
class GrowingFile {
public:
    explicit GrowingFile(std::wstring path) : path_(std::move(path)) {}

    // The writer may make the file after we first look.
    bool open() {
        if (!file_.is_open()) file_.open(std::filesystem::path(path_), std::ios::binary);
        return file_.is_open();
    }

    // The complete lines written since the last call, without their ends.
    std::vector<std::string> newLines() {
        std::vector<std::string> lines;
        if (!open()) return lines;
        for (std::string line; std::getline(file_, line);) {
            pending_ += line;
            if (file_.eof()) break;  // the rest of the line is still to come
            if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
            lines.push_back(std::exchange(pending_, {}));
        }
        // Seeking where we are forgets the end of the file, which the C
        // runtime would otherwise report again however much is written.
        file_.clear();
        file_.seekg(file_.tellg());
        return lines;
    }

private:
    std::wstring path_;
    std::ifstream file_;
    std::string pending_;
};

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
    const wchar_t* text = caption.empty() ? nullptr : caption.c_str();
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, cls.c_str(), text)) != nullptr;)
        if (IsWindowVisible(w) && (!pid || processOf(w) == pid) &&
            (!thread || GetWindowThreadProcessId(w, nullptr) == thread))
            return w;
    return nullptr;
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
    // The icon, where there is one, is a visible static control that holds it.
    for (HWND c = nullptr; (c = FindWindowExW(w, c, L"Static", nullptr)) != nullptr;)
        if (IsWindowVisible(c) && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            box.icon = box.icon || SendMessageW(c, STM_GETICON, 0, 0) != 0;
    box.topmost = (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return box;
}

// As a click on the box's button: the box ends with that answer.
inline void answerBox(const Box& box, int answer) {
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, answer)));
}

inline std::wstring menuItemText(HMENU menu, UINT id) {
    wchar_t text[256]{};
    GetMenuStringW(menu, id, text, 256, MF_BYCOMMAND);
    return text;
}

}  // namespace popquell::demo
