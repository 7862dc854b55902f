#include "winsys/Module1.h"

namespace popquell {

std::u16string classNameOf(WindowSystem& ws, WindowHandle h) {
    std::u16string buffer(256, u' ');
    const int length = ws.GetClassNameW(h, buffer.data(), 255);
    // A misbehaving implementation must not make us read past the buffer.
    if (length <= 0) return {};
    buffer.resize(static_cast<std::size_t>(length < 255 ? length : 254));
    return buffer;
}

std::string ieFrameClass(WindowSystem& ws, WindowHandle h) {
    return classNameOf(ws, h) == kIEFrameW ? std::string(kIEFrame) : std::string{};
}

}  // namespace popquell
