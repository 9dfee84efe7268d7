// Text through GDI: glyph coverage drawn white on black into a DIB, then
// coloured (and outlined) into RGBA. Grey-scale anti-aliasing, not
// ClearType, so every channel carries the same coverage.
#include "renderer/TextRenderer.h"

#include "platform/Utf16_win.h"
#include "platform/Windows_win.h"
#include "renderer/GdiHandles_win.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace cocos2d {
namespace renderer {

namespace {

// Larger texts are cut: a texture this size is already far off screen.
const int kMaxTextPixels = 4096;
// The probe letter for Vietnamese coverage (e with circumflex and dot below).
const wchar_t kVietnameseProbe[] = L"\x1EC7";

bool isGenericName(const std::string& name) {
    return name.empty() || name == "sans-serif" || name == "serif" || name == "monospace" || name == "Arial" ||
           name == "Helvetica";
}

int CALLBACK onFontFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0; // one is enough
}

bool faceExists(HDC dc, const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    LOGFONTW lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::memcpy(lf.lfFaceName, face.c_str(), (face.size() + 1) * sizeof(wchar_t));
    bool found = false;
    ::EnumFontFamiliesExW(dc, &lf, &onFontFamily, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

HFONT makeFont(const std::wstring& face, int pixelHeight) {
    return ::CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                         CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         face.empty() ? nullptr : face.c_str());
}

bool hasVietnamese(HDC dc, const std::wstring& face) {
    win32::ScopedGdiObject<HFONT> font(makeFont(face, 16));
    if (!font) return false;
    win32::ScopedSelect select(dc, font.get());
    WORD glyph = 0xFFFF;
    if (::GetGlyphIndicesW(dc, kVietnameseProbe, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR) return false;
    return glyph != 0xFFFF;
}

std::wstring pickGenericFace(HDC dc, const std::string& name) {
    std::vector<std::wstring> candidates;
    if (name == "serif")
        candidates = {L"Times New Roman", L"DejaVu Serif", L"Liberation Serif"};
    else if (name == "monospace")
        candidates = {L"Courier New", L"DejaVu Sans Mono", L"Liberation Mono"};
    candidates.insert(candidates.end(), {L"Arial", L"Segoe UI", L"Tahoma", L"DejaVu Sans", L"Liberation Sans",
                                         L"Noto Sans", L"Microsoft Sans Serif"});
    std::wstring firstExisting;
    for (const std::wstring& face : candidates) {
        if (!faceExists(dc, face)) continue;
        if (firstExisting.empty()) firstExisting = face;
        if (hasVietnamese(dc, face)) return face;
    }
    return firstExisting;
}

std::wstring resolveFace(HDC dc, const std::string& fontName) {
    // Looked up once per name: enumerating fonts is slow.
    static std::map<std::string, std::wstring> cache;
    auto it = cache.find(fontName);
    if (it != cache.end()) return it->second;
    std::wstring face;
    const std::wstring wide = win32::utf8ToWide(fontName);
    if (!isGenericName(fontName) && faceExists(dc, wide))
        face = wide;
    else
        face = pickGenericFace(dc, isGenericName(fontName) ? fontName : std::string());
    cache[fontName] = face;
    return face;
}

UINT alignmentFlags(TextHAlignment h) {
    switch (h) {
    case TextHAlignment::CENTER: return DT_CENTER;
    case TextHAlignment::RIGHT: return DT_RIGHT;
    case TextHAlignment::LEFT: break;
    }
    return DT_LEFT;
}

int toPixels(float v) { return static_cast<int>(std::ceil(std::max(0.0f, v))); }

// Max filter over a disc of the given radius.
std::vector<std::uint8_t> dilate(const std::vector<std::uint8_t>& cov, int w, int h, int radius) {
    std::vector<std::uint8_t> out(cov.size(), 0);
    std::vector<int> span(static_cast<std::size_t>(radius) + 1);
    for (int dy = 0; dy <= radius; ++dy)
        span[static_cast<std::size_t>(dy)] = static_cast<int>(std::sqrt(static_cast<float>(radius * radius - dy * dy)));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t v = cov[static_cast<std::size_t>(y) * w + x];
            if (v == 0) continue;
            for (int dy = -radius; dy <= radius; ++dy) {
                const int yy = y + dy;
                if (yy < 0 || yy >= h) continue;
                const int reach = span[static_cast<std::size_t>(std::abs(dy))];
                std::uint8_t* row = out.data() + static_cast<std::size_t>(yy) * w;
                for (int xx = std::max(0, x - reach); xx <= std::min(w - 1, x + reach); ++xx)
                    if (row[xx] < v) row[xx] = v;
            }
        }
    }
    return out;
}

} // namespace

std::string resolveFontFace(const std::string& fontName) {
    win32::ScopedMemoryDC dc;
    if (!dc) return std::string();
    return win32::wideToUtf8(resolveFace(dc.get(), fontName));
}

bool renderText(const std::string& utf8, const TextStyle& style, RenderedText* out) {
    *out = RenderedText();
    if (utf8.empty()) return false;
    const std::wstring text = win32::utf8ToWide(utf8);
    win32::ScopedMemoryDC dc;
    if (!dc) return false;

    const int pixelHeight = std::max(1, static_cast<int>(std::lround(style.fontSize)));
    win32::ScopedGdiObject<HFONT> font(makeFont(resolveFace(dc.get(), style.fontName), pixelHeight));
    if (!font) return false;
    win32::ScopedSelect selectFont(dc.get(), font.get());

    const int pad = std::max(0, style.outlineSize);
    const int fixedW = toPixels(style.dimensions.width);
    const int fixedH = toPixels(style.dimensions.height);
    const bool wrap = fixedW > 0;
    const UINT flags = DT_NOPREFIX | alignmentFlags(style.hAlignment) | (wrap ? DT_WORDBREAK : 0u);

    RECT measure = {0, 0, wrap ? std::max(1, fixedW - 2 * pad) : kMaxTextPixels, 0};
    if (::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &measure, flags | DT_CALCRECT) == 0)
        return false;
    const int textW = measure.right - measure.left;
    const int textH = measure.bottom - measure.top;
    const int width = std::min(kMaxTextPixels, fixedW > 0 ? fixedW : textW + 2 * pad);
    const int height = std::min(kMaxTextPixels, fixedH > 0 ? fixedH : textH + 2 * pad);
    if (width <= 0 || height <= 0) return false;

    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // top-down rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::ScopedGdiObject<HBITMAP> dib(::CreateDIBSection(dc.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) return false;
    std::memset(bits, 0, static_cast<std::size_t>(width) * height * 4u);
    {
        win32::ScopedSelect selectBitmap(dc.get(), dib.get());
        ::SetBkMode(dc.get(), TRANSPARENT);
        ::SetTextColor(dc.get(), RGB(255, 255, 255));
        int top = pad;
        if (style.vAlignment == TextVAlignment::CENTER) top = (height - textH) / 2;
        if (style.vAlignment == TextVAlignment::BOTTOM) top = height - pad - textH;
        RECT box = {pad, top, width - pad, top + textH};
        // A failed draw leaves the bitmap empty: the label then shows nothing.
        ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &box, flags);
        ::GdiFlush();
    }

    const std::size_t count = static_cast<std::size_t>(width) * height;
    std::vector<std::uint8_t> coverage(count);
    const auto* px = static_cast<const std::uint8_t*>(bits);
    for (std::size_t i = 0; i < count; ++i)
        coverage[i] = std::max(px[i * 4], std::max(px[i * 4 + 1], px[i * 4 + 2]));

    std::vector<std::uint8_t> outline;
    if (style.outlineSize > 0) outline = dilate(coverage, width, height, style.outlineSize);

    out->width = width;
    out->height = height;
    out->rgba.resize(count * 4u);
    const Color4B& tc = style.textColor;
    const Color4B& oc = style.outlineColor;
    for (std::size_t i = 0; i < count; ++i) {
        const float ta = coverage[i] / 255.0f * (tc.a / 255.0f);
        const float oa = outline.empty() ? 0.0f : outline[i] / 255.0f * (oc.a / 255.0f) * (1.0f - ta);
        const float a = ta + oa;
        std::uint8_t* dst = out->rgba.data() + i * 4u;
        if (a <= 0.0f) {
            dst[0] = tc.r, dst[1] = tc.g, dst[2] = tc.b, dst[3] = 0;
            continue;
        }
        // Text over outline, in straight alpha.
        dst[0] = static_cast<std::uint8_t>(std::lround((tc.r * ta + oc.r * oa) / a));
        dst[1] = static_cast<std::uint8_t>(std::lround((tc.g * ta + oc.g * oa) / a));
        dst[2] = static_cast<std::uint8_t>(std::lround((tc.b * ta + oc.b * oa) / a));
        dst[3] = static_cast<std::uint8_t>(std::lround(a * 255.0f));
    }
    return true;
}

} // namespace renderer
} // namespace cocos2d
