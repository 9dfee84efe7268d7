// Image decoding with GDI+ (part of Windows, and of wine), from memory.
#include "renderer/ImageDecoder.h"

#include "base/CCConsole.h"
#include "platform/Windows_win.h"
#include "renderer/ComPtr_win.h"

#include <objidl.h>
#include <shlwapi.h>
// gdiplus.h uses min/max and the COM basics without including them.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include <cstring>

namespace cocos2d {
namespace renderer {

namespace {

bool isPng(const unsigned char* b, std::size_t n) {
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return n >= 8 && std::memcmp(b, sig, 8) == 0;
}

bool isJpeg(const unsigned char* b, std::size_t n) { return n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF; }

// GDI+ stays up for the rest of the process: shutting it down at exit would
// race textures that are still being freed, and the OS cleans up anyway.
bool startGdiplus() {
    static const bool started = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        const Gdiplus::Status st = Gdiplus::GdiplusStartup(&token, &input, nullptr);
        if (st != Gdiplus::Ok) log("cocos2d: GDI+ did not start (status %d)", static_cast<int>(st));
        return st == Gdiplus::Ok;
    }();
    return started;
}

// Owns a GDI+ bitmap from the flat API.
class ScopedGpBitmap {
public:
    ScopedGpBitmap() = default;
    ~ScopedGpBitmap() {
        if (_bitmap) Gdiplus::DllExports::GdipDisposeImage(_bitmap);
    }
    ScopedGpBitmap(const ScopedGpBitmap&) = delete;
    ScopedGpBitmap& operator=(const ScopedGpBitmap&) = delete;
    Gdiplus::GpBitmap** out() { return &_bitmap; }
    Gdiplus::GpBitmap* get() const { return _bitmap; }

private:
    Gdiplus::GpBitmap* _bitmap = nullptr;
};

} // namespace

bool decodeImage(const unsigned char* bytes, std::size_t size, DecodedImage* out) {
    if (!bytes || size == 0 || !out) return false;
    if (!isPng(bytes, size) && !isJpeg(bytes, size)) return false;
    if (size > 0x7FFFFFFFu) return false;
    if (!startGdiplus()) return false;

    win32::ComPtr<IStream> stream(::SHCreateMemStream(bytes, static_cast<UINT>(size)));
    if (!stream) return false;
    ScopedGpBitmap bitmap;
    if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.get(), bitmap.out()) != Gdiplus::Ok || !bitmap.get())
        return false;

    UINT width = 0, height = 0;
    if (Gdiplus::DllExports::GdipGetImageWidth(bitmap.get(), &width) != Gdiplus::Ok ||
        Gdiplus::DllExports::GdipGetImageHeight(bitmap.get(), &height) != Gdiplus::Ok)
        return false;
    if (width == 0 || height == 0 || width > 16384 || height > 16384) return false;

    Gdiplus::Rect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data = {};
    if (Gdiplus::DllExports::GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeRead,
                                                PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return false;

    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->rgba.resize(static_cast<std::size_t>(width) * height * 4u);
    for (UINT y = 0; y < height; ++y) {
        const auto* src = static_cast<const unsigned char*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride;
        unsigned char* dst = out->rgba.data() + static_cast<std::size_t>(y) * width * 4u;
        for (UINT x = 0; x < width; ++x) {
            // 32bppARGB is B, G, R, A in memory.
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = src[3];
            src += 4;
            dst += 4;
        }
    }
    // The pixels are copied already; the bitmap is disposed right after either way.
    Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap.get(), &data);
    return true;
}

} // namespace renderer
} // namespace cocos2d
