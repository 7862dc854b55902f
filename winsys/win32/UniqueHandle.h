#pragma once

// One owner for each handle the program creates: a small template and
// one-line aliases, in the manner of WIL's unique_any.

#include <windows.h>

#include <utility>

namespace popquell {

template <typename Handle, auto Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, Handle{})) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.h_, Handle{}));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Handle{}; }
    // Gives up ownership, e.g. to a window that destroys its menu with itself.
    Handle release() { return std::exchange(h_, Handle{}); }
    void reset(Handle h = Handle{}) {
        if (h_ != Handle{}) Close(h_);
        h_ = h;
    }

private:
    Handle h_{};
};

inline void deleteGdiObject(HGDIOBJ object) { ::DeleteObject(object); }
inline void deleteFont(HFONT font) { deleteGdiObject(font); }
inline void deleteBrush(HBRUSH brush) { deleteGdiObject(brush); }

using unique_hwnd = UniqueHandle<HWND, &::DestroyWindow>;
using unique_hmenu = UniqueHandle<HMENU, &::DestroyMenu>;
using unique_hfont = UniqueHandle<HFONT, &deleteFont>;
using unique_hbrush = UniqueHandle<HBRUSH, &deleteBrush>;
using unique_hicon = UniqueHandle<HICON, &::DestroyIcon>;
using unique_handle = UniqueHandle<HANDLE, &::CloseHandle>;

}  // namespace popquell
