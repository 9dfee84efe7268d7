// RAII owners for the Win32 resources the engine holds. Nothing outside this
// header calls CloseHandle, FindClose, ReleaseDC, wglDeleteContext or
// DestroyWindow on an owned handle.
#pragma once

#include "platform/Windows_win.h"

#include <utility>

namespace cocos2d {
namespace win32 {

// Traits: `handle_type`, `static handle_type invalid()`, `static void close(handle_type)`.
template <typename Traits>
class ScopedHandle {
public:
    using handle_type = typename Traits::handle_type;

    ScopedHandle() : _handle(Traits::invalid()) {}
    explicit ScopedHandle(handle_type h) : _handle(h) {}
    ScopedHandle(ScopedHandle&& o) noexcept : _handle(o.take()) {}
    ScopedHandle& operator=(ScopedHandle&& o) noexcept {
        if (this != &o) reset(o.take());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() { reset(); }

    handle_type get() const { return _handle; }
    bool valid() const { return _handle != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    void reset(handle_type h = Traits::invalid()) {
        if (valid()) Traits::close(_handle);
        _handle = h;
    }
    handle_type take() {
        handle_type h = _handle;
        _handle = Traits::invalid();
        return h;
    }

private:
    handle_type _handle;
};

struct FileHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;

struct FindHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;

struct WindowTraits {
    using handle_type = HWND;
    static HWND invalid() { return nullptr; }
    static void close(HWND h) { ::DestroyWindow(h); }
};
using ScopedWindow = ScopedHandle<WindowTraits>;

struct GLContextTraits {
    using handle_type = HGLRC;
    static HGLRC invalid() { return nullptr; }
    static void close(HGLRC h) {
        // A context must not be current when it is deleted.
        if (::wglGetCurrentContext() == h) ::wglMakeCurrent(nullptr, nullptr);
        ::wglDeleteContext(h);
    }
};
using ScopedGLContext = ScopedHandle<GLContextTraits>;

// A window's device context from GetDC, released against the same window.
class ScopedWindowDC {
public:
    ScopedWindowDC() = default;
    ScopedWindowDC(HWND hwnd, HDC dc) : _hwnd(hwnd), _dc(dc) {}
    ScopedWindowDC(ScopedWindowDC&& o) noexcept
        : _hwnd(std::exchange(o._hwnd, nullptr)), _dc(std::exchange(o._dc, nullptr)) {}
    ScopedWindowDC& operator=(ScopedWindowDC&& o) noexcept {
        if (this != &o) {
            reset();
            _hwnd = std::exchange(o._hwnd, nullptr);
            _dc = std::exchange(o._dc, nullptr);
        }
        return *this;
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    ~ScopedWindowDC() { reset(); }

    static ScopedWindowDC get(HWND hwnd) { return ScopedWindowDC(hwnd, ::GetDC(hwnd)); }

    HDC dc() const { return _dc; }
    explicit operator bool() const { return _dc != nullptr; }
    void reset() {
        if (_dc) ::ReleaseDC(_hwnd, _dc);
        _dc = nullptr;
        _hwnd = nullptr;
    }

private:
    HWND _hwnd = nullptr;
    HDC _dc = nullptr;
};

} // namespace win32
} // namespace cocos2d
