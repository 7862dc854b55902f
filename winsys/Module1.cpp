#include "winsys/Module1.h"

namespace popquell {

std::string classNameOf(WindowSystem& ws, WindowHandle h) {
    std::string buffer(256, ' ');
    const int length = ws.GetClassNameA(h, buffer.data(), 255);
    // A misbehaving implementation must not make us read past the buffer.
    if (length <= 0) return {};
    buffer.resize(static_cast<std::size_t>(length < 255 ? length : 254));
    return buffer;
}

std::string ieFrameClass(WindowSystem& ws, WindowHandle h) {
    std::string name = classNameOf(ws, h);
    return name == kIEFrame ? name : std::string{};
}

}  // namespace popquell
