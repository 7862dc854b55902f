#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <string>

#include "app/win32/MainWindow.h"
#include "ui/win32/Text.h"
#include "winsys/win32/Win32WindowSystem.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    using namespace popquell;
    // Loads the controls the manifest asks for (version 6, themed).
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // /instant closes pop-ups as they appear, rather than on the next sweep.
    bool instant = false;
    for (const std::wstring& arg : commandLineArguments()) instant |= arg == L"/instant" || arg == L"--instant";

    Win32WindowSystem ws;
    {
        MainWindow mainWindow(instance, ws, instant);
        mainWindow.setEndsMessageLoop(true);
        ShowWindow(mainWindow.hwnd(), showCommand);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) mainWindow.dispatch(msg);
    }
    // Give the calls still under way on other programs' windows a moment,
    // but never wait on a program that has stopped answering.
    ws.drain(std::chrono::milliseconds(2000));
    return 0;
}
