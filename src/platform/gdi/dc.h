#pragma once
// The device-context calls, taking a canvas as the HDC, so that code written against
// GDI (picture preparation, the sprites, the forms) reads as it did: a thin adapter over
// TCanvas and the block transfers its copies use. The effects draw with TCanvas's own
// methods. A null HDC or region handle makes a call fail (false, 0 or RGN_ERROR);
// nothing is drawn outside the destination surface or its clip.
//
// BitBlt and StretchBlt: a negative width or height (destination or source) stands for
// the span between x and x + width; where the signs of the destination and source
// extents differ, that axis is mirrored. Source pixels that lie outside the source
// surface are not drawn: their destination pixels keep what they had. A monochrome
// source gives black for 0 and white for 1; a colour source copied onto a monochrome
// destination gives white where it has the source canvas's brush colour. To turn
// black the pixels that a mask marks white, copy the mask with ROP 0x00220326
// (destination AND NOT source).

#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"

namespace platform {

bool BitBlt(HDC dest, int x, int y, int width, int height, const TCanvas* source, int xSrc, int ySrc, DWORD rop);
bool StretchBlt(HDC dest, int x, int y, int width, int height, const TCanvas* source, int xSrc, int ySrc,
                int widthSrc, int heightSrc, DWORD rop);
// ROPs without a source (PATCOPY, DSTINVERT, BLACKNESS, ...), with the canvas's brush.
bool PatBlt(HDC dest, int x, int y, int width, int height, DWORD rop);

// Returns the previous mode, 0 on error.
int SetStretchBltMode(HDC dc, int mode);
// Accepted and remembered (solid brushes do not depend on it).
bool SetBrushOrgEx(HDC dc, int x, int y, TPoint* previous);

TColor GetPixel(HDC dc, int x, int y);
TColor SetPixel(HDC dc, int x, int y, TColor color);

}  // namespace platform
