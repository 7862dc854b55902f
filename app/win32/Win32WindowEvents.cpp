#include "app/win32/Win32WindowEvents.h"

#include <algorithm>
#include <vector>

#include "winsys/win32/Win32WindowSystem.h"

namespace popquell {

namespace {

// The hooks of this thread, for the procedure, which is told only the hook.
thread_local std::vector<std::pair<HWINEVENTHOOK, Win32WindowEvents*>> hooks;

bool ofOtherProgram(HWND hwnd) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    return process != 0 && process != GetCurrentProcessId();
}

}  // namespace

void Win32WindowEvents::hook(std::function<void(WindowHandle)> noted) {
    unhook();
    noted_ = std::move(noted);
    // Out of context, so that nothing of ours runs in other programs; the
    // events come here as messages, on this thread. DESTROY lies between the
    // two and is passed over.
    hook_.reset(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, &proc, 0, 0,
                                WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
    if (hook_) hooks.emplace_back(hook_.get(), this);
}

void Win32WindowEvents::unhook() {
    std::erase_if(hooks, [this](const auto& entry) { return entry.second == this; });
    hook_.reset();
    noted_ = nullptr;
}

// Only reads of the window manager's own records: nothing here waits for
// the program that owns the window. Wine 8 tells of our own windows too.
void CALLBACK Win32WindowEvents::proc(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG idObject, LONG idChild,
                                      DWORD, DWORD) noexcept {
    if ((event != EVENT_OBJECT_CREATE && event != EVENT_OBJECT_SHOW) || idObject != OBJID_WINDOW ||
        idChild != CHILDID_SELF || !hwnd || GetAncestor(hwnd, GA_PARENT) != GetDesktopWindow() ||
        !ofOtherProgram(hwnd))
        return;
    const auto it = std::find_if(hooks.begin(), hooks.end(), [hook](const auto& entry) { return entry.first == hook; });
    if (it == hooks.end() || !it->second->noted_) return;
    try {
        it->second->noted_(fromHwnd(hwnd));
    } catch (...) {
        // A window not noted is the sweep's.
    }
}

}  // namespace popquell
