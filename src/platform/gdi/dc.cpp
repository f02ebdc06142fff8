#include "platform/gdi/dc.h"

#include "platform/gdi/blit_engine.h"
#include "platform/gdi/pixels.h"

namespace platform {

bool BitBlt(HDC dest, int x, int y, int width, int height, const TCanvas* source, int xSrc, int ySrc, DWORD rop)
{
    if (!dest)
        return false;
    return gdi_detail::StretchBlit(*dest, x, y, width, height, source, xSrc, ySrc, width, height, rop,
                                   COLORONCOLOR);
}

bool StretchBlt(HDC dest, int x, int y, int width, int height, const TCanvas* source, int xSrc, int ySrc,
                int widthSrc, int heightSrc, DWORD rop)
{
    if (!dest)
        return false;
    return gdi_detail::StretchBlit(*dest, x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc,
                                   rop, dest->StretchMode());
}

bool PatBlt(HDC dest, int x, int y, int width, int height, DWORD rop)
{
    if (!dest)
        return false;
    return gdi_detail::StretchBlit(*dest, x, y, width, height, nullptr, 0, 0, width, height, rop,
                                   COLORONCOLOR);
}

int SetStretchBltMode(HDC dc, int mode)
{
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    const int previous = dc->StretchMode();
    dc->SetStretchMode(mode);
    return previous;
}

int GetStretchBltMode(HDC dc) { return dc ? dc->StretchMode() : 0; }

bool SetBrushOrgEx(HDC dc, int x, int y, TPoint* previous)
{
    if (!dc)
        return false;
    if (previous)
        *previous = dc->BrushOrigin();
    dc->SetBrushOrigin({x, y});
    return true;
}

int SelectClipRgn(HDC dc, HRGN region) { return dc ? dc->ClipTo(region) : RGN_ERROR; }

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) { return dc ? dc->ClipTo(region, mode) : RGN_ERROR; }

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom)
{
    if (!dc)
        return RGN_ERROR;
    UniqueRgn r(CreateRectRgn(left, top, right, bottom));
    return ExtSelectClipRgn(dc, r, RGN_AND);
}

int GetClipBox(HDC dc, TRect* box)
{
    if (!dc)
        return RGN_ERROR;
    if (box)
        *box = dc->ClipRect();
    const QRect bounds(0, 0, dc->Width(), dc->Height());
    return RegionKind(dc->HasClip() ? dc->ClipRegion()->intersected(bounds) : QRegion(bounds));
}

int GetClipRgn(HDC dc, HRGN region)
{
    if (!dc || !IsRegionHandle(region))
        return -1;
    if (!dc->HasClip())
        return 0;
    UniqueRgn copy(CreateRgnFromQRegion(*dc->ClipRegion()));
    CombineRgn(region, copy, nullptr, RGN_COPY);
    return 1;
}

bool PaintRgn(HDC dc, HRGN region)
{
    if (!dc || !IsRegionHandle(region))
        return false;
    if (dc->Brush.Style == bsClear || dc->Brush.Color == clNone)
        return true;
    const uint32_t value = dc->PixelValue(dc->Brush.Color);
    QImage& s = dc->Surface();
    const QRegion area = RegionPixels(region);
    for (const QRect& band : gdi_detail::VisibleRects(*dc, area.boundingRect())) {
        for (const QRect& r : area.intersected(band)) {
            for (int y = r.top(); y < r.top() + r.height(); ++y)
                std::fill_n(reinterpret_cast<uint32_t*>(s.scanLine(y)) + r.left(), r.width(), value);
            dc->MarkDirty(r);
        }
    }
    return true;
}

TColor GetPixel(HDC dc, int x, int y) { return dc ? dc->Pixel(x, y) : CLR_INVALID; }

TColor SetPixel(HDC dc, int x, int y, TColor color)
{
    if (!dc || x < 0 || y < 0 || x >= dc->Width() || y >= dc->Height())
        return CLR_INVALID;
    dc->SetPixel(x, y, color);
    return dc->Pixel(x, y);
}

}  // namespace platform
