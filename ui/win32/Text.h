#pragma once

// The program's texts are UTF-8; the window system's are UTF-16.

#include <windows.h>

#include <string>
#include <vector>

namespace popquell {

std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& text);

// The text and the class name of a window, of this process or another.
std::wstring windowText(HWND window);
std::wstring className(HWND window);

// This program's command-line arguments, without the program's own name.
std::vector<std::wstring> commandLineArguments();

}  // namespace popquell
