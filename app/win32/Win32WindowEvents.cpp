#include "app/win32/Win32WindowEvents.h"

#include "winsys/win32/Win32WindowSystem.h"

namespace popquell {

namespace {

// The one hook of the program, for the procedure, which is told only the
// hook. Set, called and removed on the GUI thread.
Win32WindowEvents* hooked = nullptr;

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
    if (hook_) hooked = this;
}

void Win32WindowEvents::unhook() {
    if (hooked == this) hooked = nullptr;
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
    if (!hooked || hooked->hook_.get() != hook || !hooked->noted_) return;
    try {
        hooked->noted_(fromHwnd(hwnd));
    } catch (...) {
        // A window not noted is the sweep's.
    }
}

}  // namespace popquell
