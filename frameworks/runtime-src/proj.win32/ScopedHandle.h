// Owner types for Win32 resources: each releases its resource exactly once, so
// an early return never leaks one.
#pragma once

#include "proj.win32/Win32.h"

#include <cstdio>
#include <utility>

template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() : handle_(Traits::invalid()) {}
    explicit ScopedHandle(Handle h) : handle_(h) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~ScopedHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::invalid(); }

    Handle release() {
        Handle h = handle_;
        handle_ = Traits::invalid();
        return h;
    }
    void reset(Handle h = Traits::invalid()) {
        if (handle_ != Traits::invalid()) Traits::close(handle_);
        handle_ = h;
    }

private:
    Handle handle_;
};

struct KernelHandleTraits {  // process, thread, event: CloseHandle, null when absent
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { ::CloseHandle(h); }
};
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;

struct LocalMemoryTraits {  // buffers the system hands out for LocalFree (DPAPI output)
    using Handle = HLOCAL;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { ::LocalFree(h); }
};
using ScopedLocalMemory = ScopedHandle<LocalMemoryTraits>;

struct FileHandleTraits {  // CreateFileW: CloseHandle, INVALID_HANDLE_VALUE when absent
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { ::CloseHandle(h); }
};
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;

struct StdioFileTraits {
    using Handle = FILE*;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { std::fclose(h); }
};
using ScopedStdioFile = ScopedHandle<StdioFileTraits>;

// GetDC(window) must be paired with ReleaseDC on the same window.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    ~ScopedWindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};
