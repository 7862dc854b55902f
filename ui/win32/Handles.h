#pragma once

// One owner for each handle the program creates, and the scope guards of
// painting: a small template and one-line aliases, in the manner of WIL's
// unique_any, all in this one header.

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
using unique_handle = UniqueHandle<HANDLE, &::CloseHandle>;
using unique_hwineventhook = UniqueHandle<HWINEVENTHOOK, &::UnhookWinEvent>;

// A window's device context, released when the scope ends.
class unique_hdc_window {
public:
    explicit unique_hdc_window(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~unique_hdc_window() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    unique_hdc_window(const unique_hdc_window&) = delete;
    unique_hdc_window& operator=(const unique_hdc_window&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Puts back what SelectObject replaced, whatever path the painting takes.
class unique_select_object {
public:
    unique_select_object(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~unique_select_object() {
        if (old_) ::SelectObject(dc_, old_);
    }
    unique_select_object(const unique_select_object&) = delete;
    unique_select_object& operator=(const unique_select_object&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace popquell
