// RAII owners for the GDI objects text rendering uses.
#pragma once

#include "platform/Windows_win.h"

#include <utility>

namespace cocos2d {
namespace win32 {

// A memory device context from CreateCompatibleDC.
class ScopedMemoryDC {
public:
    ScopedMemoryDC() : _dc(::CreateCompatibleDC(nullptr)) {}
    ~ScopedMemoryDC() {
        if (_dc) ::DeleteDC(_dc);
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    HDC get() const { return _dc; }
    explicit operator bool() const { return _dc != nullptr; }

private:
    HDC _dc;
};

// Any HGDIOBJ released with DeleteObject (fonts, bitmaps).
template <typename T>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(T object = nullptr) : _object(object) {}
    ~ScopedGdiObject() {
        if (_object) ::DeleteObject(_object);
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    T get() const { return _object; }
    explicit operator bool() const { return _object != nullptr; }

private:
    T _object;
};

// Selects an object into a DC and puts the previous one back on scope exit
// (an object must not be deleted while it is selected).
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : _dc(dc), _previous(::SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (_previous && _previous != HGDI_ERROR) ::SelectObject(_dc, _previous);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC _dc;
    HGDIOBJ _previous;
};

} // namespace win32
} // namespace cocos2d
