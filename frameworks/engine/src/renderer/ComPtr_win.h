// Owner of one COM interface reference: Release() is called here and nowhere else.
#pragma once

#include "platform/Windows_win.h"

#include <unknwn.h>
#include <utility>

namespace cocos2d {
namespace win32 {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns.
    explicit ComPtr(T* p) : _p(p) {}
    ComPtr(ComPtr&& o) noexcept : _p(std::exchange(o._p, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            _p = std::exchange(o._p, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    T* get() const { return _p; }
    T* operator->() const { return _p; }
    explicit operator bool() const { return _p != nullptr; }
    void reset() {
        if (_p) _p->Release();
        _p = nullptr;
    }

private:
    T* _p = nullptr;
};

} // namespace win32
} // namespace cocos2d
