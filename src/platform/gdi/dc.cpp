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

bool SetBrushOrgEx(HDC dc, int x, int y, TPoint* previous)
{
    if (!dc)
        return false;
    if (previous)
        *previous = dc->BrushOrigin();
    dc->SetBrushOrigin({x, y});
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
