// GDI+ painting of the web window's toolbar strip and its three owner-drawn
// buttons (flat API). Each button is drawn off-screen and copied in one
// BitBlt, so a repaint never flickers. Main thread only.
#include "platform/webwindow/WebWindowState.h"

#include "proj.win32/ScopedHandle.h"

#include <objidl.h>

#include <algorithm>
#include <string>
#include <vector>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace {

namespace gp = Gdiplus::DllExports;
using Gdiplus::ARGB;
using Gdiplus::GpPointF;

constexpr ARGB kToolbarTop = 0xFF2A241E;
constexpr ARGB kToolbarBottom = 0xFF1B1713;
constexpr ARGB kToolbarLine = 0xFF4A3C2A;
constexpr ARGB kFaceTop = 0xFFE3BB5A;
constexpr ARGB kFaceBottom = 0xFFB8882A;
constexpr ARGB kHoverTop = 0xFFF2CE74;
constexpr ARGB kHoverBottom = 0xFFC99835;
constexpr ARGB kBorder = 0xFF7A5814;
constexpr ARGB kGlossTop = 0x5AF6E0A8;
constexpr ARGB kGlossBottom = 0x00F6E0A8;
constexpr ARGB kInk = 0xFF2B1C05;
constexpr float kFontPoints = 10.5f;
constexpr float kCornerRatio = 0.3f;   // corner radius per button height
constexpr float kGlossRatio = 0.55f;   // share of the face the gloss covers

// Owner of one GDI+ object, freed by its flat-API delete function.
template <typename T, Gdiplus::GpStatus(WINGDIPAPI* Delete)(T*)>
class GdipObject {
public:
    GdipObject() = default;
    GdipObject(const GdipObject&) = delete;
    GdipObject& operator=(const GdipObject&) = delete;
    ~GdipObject() {
        if (p_) Delete(p_);
    }
    // For out-parameters: frees what is held and hands out the slot.
    T** out() {
        if (p_) Delete(p_);
        p_ = nullptr;
        return &p_;
    }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

Gdiplus::GpStatus WINGDIPAPI deleteLineBrush(Gdiplus::GpLineGradient* b) { return gp::GdipDeleteBrush(b); }
Gdiplus::GpStatus WINGDIPAPI deleteSolidBrush(Gdiplus::GpSolidFill* b) { return gp::GdipDeleteBrush(b); }

using Graphics = GdipObject<Gdiplus::GpGraphics, gp::GdipDeleteGraphics>;
using LineBrush = GdipObject<Gdiplus::GpLineGradient, deleteLineBrush>;
using SolidBrush = GdipObject<Gdiplus::GpSolidFill, deleteSolidBrush>;
using Pen = GdipObject<Gdiplus::GpPen, gp::GdipDeletePen>;
using Path = GdipObject<Gdiplus::GpPath, gp::GdipDeletePath>;
using Region = GdipObject<Gdiplus::GpRegion, gp::GdipDeleteRegion>;
using FontFamily = GdipObject<Gdiplus::GpFontFamily, gp::GdipDeleteFontFamily>;
using Font = GdipObject<Gdiplus::GpFont, gp::GdipDeleteFont>;
using StringFormat = GdipObject<Gdiplus::GpStringFormat, gp::GdipDeleteStringFormat>;

struct MemoryDCTraits {
    using Handle = HDC;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { ::DeleteDC(h); }
};
struct BitmapTraits {
    using Handle = HBITMAP;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { ::DeleteObject(h); }
};

// Selects an object into a DC for its life and puts the previous one back.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;
    ~ScopedSelection() {
        if (previous_) ::SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The toolbar's vertical gradient over (-1, 0, span + 2, 52).
void fillToolbarStrip(Gdiplus::GpGraphics* g, int span) {
    const GpPointF top(0.0f, 0.0f), bottom(0.0f, static_cast<float>(kToolbarHeight));
    LineBrush brush;
    if (gp::GdipCreateLineBrush(&top, &bottom, kToolbarTop, kToolbarBottom, Gdiplus::WrapModeTileFlipXY,
                                brush.out()) != Gdiplus::Ok)
        return;
    gp::GdipFillRectangleI(g, brush.get(), -1, 0, span + 2, kToolbarHeight);
}

std::wstring messageFontFace() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) &&
        metrics.lfMessageFont.lfFaceName[0])
        return metrics.lfMessageFont.lfFaceName;
    return std::wstring();
}

// The installed family most like a UI face: a sans-serif with a bold style,
// else any with a bold style, else the first. The collection's families are
// its own; the one chosen is cloned for the caller.
bool installedFallbackFamily(FontFamily& family) {
    Gdiplus::GpFontCollection* installed = nullptr;  // the system's own, never deleted
    INT count = 0;
    if (gp::GdipNewInstalledFontCollection(&installed) != Gdiplus::Ok ||
        gp::GdipGetFontCollectionFamilyCount(installed, &count) != Gdiplus::Ok || count <= 0)
        return false;
    std::vector<Gdiplus::GpFontFamily*> families(static_cast<size_t>(count), nullptr);
    INT found = 0;
    if (gp::GdipGetFontCollectionFamilyList(installed, count, families.data(), &found) != Gdiplus::Ok) return false;
    found = std::min(found, count);
    Gdiplus::GpFontFamily* best = nullptr;
    int bestRank = 3;
    for (INT i = 0; i < found; ++i) {
        if (!families[i]) continue;
        WCHAR name[LF_FACESIZE] = {};
        BOOL bold = FALSE;
        gp::GdipGetFamilyName(families[i], name, LANG_NEUTRAL);
        gp::GdipIsStyleAvailable(families[i], Gdiplus::FontStyleBold, &bold);
        const std::wstring n(name);
        const bool sans = n.find(L"Sans") != std::wstring::npos && n.find(L"Mono") == std::wstring::npos;
        const int rank = bold ? (sans ? 0 : 1) : 2;
        if (rank < bestRank) {
            best = families[i];
            bestRank = rank;
        }
    }
    return best && gp::GdipCloneFontFamily(best, family.out()) == Gdiplus::Ok;
}

// The system's message font when GDI+ can make it; else "Segoe UI"; else
// GDI+'s generic sans-serif; else any installed family. Under wine without
// its own fonts the message font ("MS Shell Dlg", Tahoma) and the generic
// family (Microsoft Sans Serif, Tahoma) may all be missing, while the
// system's fonts are there. The fallback found is remembered by name, so a
// repaint does not search the installed fonts again.
bool buttonFontFamily(FontFamily& family) {
    static std::wstring fallbackFace;  // main thread only
    const std::wstring message = messageFontFace();
    if (!message.empty() && gp::GdipCreateFontFamilyFromName(message.c_str(), nullptr, family.out()) == Gdiplus::Ok)
        return true;
    if (!fallbackFace.empty() &&
        gp::GdipCreateFontFamilyFromName(fallbackFace.c_str(), nullptr, family.out()) == Gdiplus::Ok)
        return true;
    const bool found = gp::GdipCreateFontFamilyFromName(L"Segoe UI", nullptr, family.out()) == Gdiplus::Ok ||
                       gp::GdipGetGenericFontFamilySansSerif(family.out()) == Gdiplus::Ok ||
                       installedFallbackFamily(family);
    if (!found) return false;
    WCHAR name[LF_FACESIZE] = {};
    if (gp::GdipGetFamilyName(family.get(), name, LANG_NEUTRAL) == Gdiplus::Ok) fallbackFace = name;
    return true;
}

const wchar_t* buttonText(UINT id) {
    if (id == kBackButtonId) return L"Quay l\u1EA1i";
    if (id == kHomeButtonId) return L"Trang ch\u1EE7";
    return L"V\u1EC1 game";
}

// The strip behind the button, so its rounded corners show the toolbar.
void drawBackdrop(Gdiplus::GpGraphics* g, HWND button, int width) {
    float offset = 0.0f;
    int span = width;
    HWND parent = ::GetParent(button);
    RECT r;
    if (parent && ::GetWindowRect(button, &r)) {
        POINT topLeft = {r.left, r.top};
        ::ScreenToClient(parent, &topLeft);
        offset = static_cast<float>(topLeft.y);
        RECT client;
        if (::GetClientRect(parent, &client)) span = client.right - client.left;
    }
    gp::GdipTranslateWorldTransform(g, 0.0f, -offset, Gdiplus::MatrixOrderPrepend);
    fillToolbarStrip(g, span);
    gp::GdipResetWorldTransform(g);
}

void drawFace(Gdiplus::GpGraphics* g, Gdiplus::GpPath* shape, float w, float h, const ButtonState& state) {
    ARGB top = kFaceTop, bottom = kFaceBottom;
    if (state.pressed) {
        top = kFaceBottom;
        bottom = kFaceTop;
    } else if (state.hover) {
        top = kHoverTop;
        bottom = kHoverBottom;
    }
    const GpPointF from(0.0f, 1.0f), to(0.0f, h - 1.0f);
    LineBrush face;
    if (gp::GdipCreateLineBrush(&from, &to, top, bottom, Gdiplus::WrapModeTile, face.out()) == Gdiplus::Ok)
        gp::GdipFillPath(g, face.get(), shape);
    Pen border;
    if (gp::GdipCreatePen1(kBorder, 1.0f, Gdiplus::UnitWorld, border.out()) == Gdiplus::Ok)
        gp::GdipDrawPath(g, border.get(), shape);
    if (state.pressed) return;

    const float gloss = (h - 2.0f) * kGlossRatio;
    Region saved;
    if (gp::GdipCreateRegion(saved.out()) != Gdiplus::Ok || gp::GdipGetClip(g, saved.get()) != Gdiplus::Ok) return;
    gp::GdipSetClipPath(g, shape, Gdiplus::CombineModeIntersect);
    const GpPointF glossFrom(0.0f, 1.0f), glossTo(0.0f, gloss + 1.0f);
    LineBrush shine;
    if (gp::GdipCreateLineBrush(&glossFrom, &glossTo, kGlossTop, kGlossBottom, Gdiplus::WrapModeTile,
                                shine.out()) == Gdiplus::Ok)
        gp::GdipFillRectangle(g, shine.get(), 1.0f, 1.0f, w - 2.0f, gloss);
    gp::GdipSetClipRegion(g, saved.get(), Gdiplus::CombineModeReplace);
}

void drawIconAndText(Gdiplus::GpGraphics* g, UINT id, float w, float h, bool pressed) {
    const float p = pressed ? 1.0f : 0.0f;
    const float cy = 0.5f * h + p;
    SolidBrush ink;
    if (gp::GdipCreateSolidFill(kInk, ink.out()) != Gdiplus::Ok) return;
    if (id == kHomeButtonId) {
        const GpPointF house[] = {{22.0f, cy - 6.0f}, {28.0f, cy - 0.5f}, {26.0f, cy + 5.5f},
                                  {18.0f, cy + 5.5f}, {16.0f, cy - 0.5f}};
        gp::GdipFillPolygon(g, ink.get(), house, 5, Gdiplus::FillModeAlternate);
    } else {
        const GpPointF arrow[] = {{17.0f, cy}, {26.25f, cy - 5.25f}, {26.25f, cy + 5.25f}};
        gp::GdipFillPolygon(g, ink.get(), arrow, 3, Gdiplus::FillModeAlternate);
    }

    FontFamily family;
    // With no font at all the text is left out; the icon still shows what the button does.
    if (!buttonFontFamily(family)) return;
    Font font;
    StringFormat format;
    // A family without a bold face still gives a label, in its regular one.
    if (gp::GdipCreateFont(family.get(), kFontPoints, Gdiplus::FontStyleBold, Gdiplus::UnitPoint, font.out()) !=
            Gdiplus::Ok &&
        gp::GdipCreateFont(family.get(), kFontPoints, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint, font.out()) !=
            Gdiplus::Ok)
        return;
    if (gp::GdipCreateStringFormat(0, LANG_NEUTRAL, format.out()) != Gdiplus::Ok) return;
    gp::GdipSetStringFormatAlign(format.get(), Gdiplus::StringAlignmentCenter);
    gp::GdipSetStringFormatLineAlign(format.get(), Gdiplus::StringAlignmentCenter);
    const Gdiplus::RectF layout(28.0f, p, w - 40.0f, h);
    gp::GdipDrawString(g, buttonText(id), -1, font.get(), &layout, format.get(), ink.get());
}

}  // namespace

void startGdiplusOnce() {
    WebWindow& s = gWebWindow;
    if (s.gdiplusToken) return;
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread and codecs kept
    ULONG_PTR token = 0;
    // On failure the token stays 0 and the next window creation tries again.
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) s.gdiplusToken = token;
}

void addRoundedRect(Gdiplus::GpPath* path, float x, float y, float width, float height, float r) {
    const float d = 2.0f * r;
    gp::GdipAddPathArc(path, x, y, d, d, 180.0f, 90.0f);
    gp::GdipAddPathArc(path, x + width - d, y, d, d, 270.0f, 90.0f);
    gp::GdipAddPathArc(path, x + width - d, y + height - d, d, d, 0.0f, 90.0f);
    gp::GdipAddPathArc(path, x, y + height - d, d, d, 90.0f, 90.0f);
    gp::GdipClosePathFigure(path);
}

void paintToolbar(HWND w, HDC dc) {
    RECT client;
    if (!gWebWindow.gdiplusToken || !w || !dc || !::GetClientRect(w, &client)) return;
    const int width = client.right - client.left;
    if (width <= 0) return;
    Graphics g;
    if (gp::GdipCreateFromHDC(dc, g.out()) != Gdiplus::Ok) return;
    fillToolbarStrip(g.get(), width);
    Pen line;
    if (gp::GdipCreatePen1(kToolbarLine, 1.0f, Gdiplus::UnitWorld, line.out()) == Gdiplus::Ok)
        gp::GdipDrawLine(g.get(), line.get(), 0.0f, 51.0f, static_cast<float>(width), 51.0f);
}

void drawToolbarButton(const DRAWITEMSTRUCT* item) {
    if (!item || !gWebWindow.gdiplusToken) return;
    const int w = item->rcItem.right - item->rcItem.left;
    const int h = item->rcItem.bottom - item->rcItem.top;
    if (w <= 2 || h <= 2) return;

    ScopedHandle<MemoryDCTraits> memory(::CreateCompatibleDC(item->hDC));
    if (!memory) return;
    ScopedHandle<BitmapTraits> bitmap(::CreateCompatibleBitmap(item->hDC, w, h));
    if (!bitmap) return;
    {
        ScopedSelection selected(memory.get(), bitmap.get());
        {
            Graphics g;
            if (gp::GdipCreateFromHDC(memory.get(), g.out()) != Gdiplus::Ok) return;
            gp::GdipSetSmoothingMode(g.get(), Gdiplus::SmoothingModeAntiAlias);
            gp::GdipSetTextRenderingHint(g.get(), Gdiplus::TextRenderingHintClearTypeGridFit);
            drawBackdrop(g.get(), item->hwndItem, w);

            const ButtonState& state = buttonStateFor(item->hwndItem);
            const float fw = static_cast<float>(w), fh = static_cast<float>(h);
            Path shape;
            if (gp::GdipCreatePath(Gdiplus::FillModeAlternate, shape.out()) == Gdiplus::Ok) {
                addRoundedRect(shape.get(), 1.0f, 1.0f, fw - 2.0f, fh - 2.0f, kCornerRatio * fh);
                drawFace(g.get(), shape.get(), fw, fh, state);
            }
            drawIconAndText(g.get(), item->CtlID, fw, fh, state.pressed);
        }  // GDI+ flushes into the bitmap when its graphics goes
        ::BitBlt(item->hDC, item->rcItem.left, item->rcItem.top, w, h, memory.get(), 0, 0, SRCCOPY);
    }
}
