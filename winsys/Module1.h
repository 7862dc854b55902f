#pragma once

#include <string>

#include "winsys/WindowSystem.h"

namespace popquell {

// The class name of h as GetClassNameW gives it into a buffer of 256 blanks
// with a count of 255: at most 254 characters; empty when h names no window.
std::u16string classNameOf(WindowSystem& ws, WindowHandle h);

// "IEFrame" when h is an Internet Explorer frame window (class name exactly
// "IEFrame", case included), else the empty string.
std::string ieFrameClass(WindowSystem& ws, WindowHandle h);

inline constexpr const char* kIEFrame = "IEFrame";
inline constexpr const char16_t* kIEFrameW = u"IEFrame";

}  // namespace popquell
