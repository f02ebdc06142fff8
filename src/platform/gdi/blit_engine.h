#pragma once
// The block-transfer engine behind BitBlt, StretchBlt, PatBlt and the canvas copies.
// Internal to the raster layer.

#include "platform/gdi/canvas.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <vector>

namespace platform::gdi_detail {

// Pixels of a source, addressed in the coordinates of the surface they came from.
struct SourceView {
    const uint32_t* bits = nullptr;
    qsizetype stride = 0;  // in pixels
    int originX = 0;
    int originY = 0;
    const uint32_t* row(int y) const { return bits + (y - originY) * stride - originX; }
};

// One axis of a stretch: destination span, source span, and whether it flips.
struct StretchAxis {
    long long dstStart = 0;
    long long dstLength = 0;
    long long srcStart = 0;
    long long srcLength = 0;
    bool mirror = false;
    // Nearest source index of destination coordinate d (may lie outside the source).
    long long nearest(long long d) const
    {
        long long i = d - dstStart;
        if (mirror)
            i = dstLength - 1 - i;
        const long long j = srcLength == dstLength
                                ? i
                                : (long long)(((__int128)(2 * i + 1) * srcLength) / (2 * dstLength));
        return srcStart + j;
    }
};

// Area-averaging (shrink) or linear (enlarge) resampling of the destination
// rectangle `area`, reading source indices clamped to [lo, hi] on each axis.
QImage HalftoneResample(const SourceView& src, const StretchAxis& ax, const StretchAxis& ay,
                        const QRect& area, int loX, int hiX, int loY, int hiY);
// The same written into `out` (area.width() × area.height() pixels, rows `outStride`
// pixels apart), which must not overlap the source.
bool HalftoneResampleInto(const SourceView& src, const StretchAxis& ax, const StretchAxis& ay, const QRect& area,
                          int loX, int hiX, int loY, int hiY, uint32_t* out, qsizetype outStride);

// StretchBlt with the given stretch mode; `src` may be null for ROPs without source.
bool StretchBlit(TCanvas& dst, long long x, long long y, long long width, long long height,
                 const TCanvas* src, long long xSrc, long long ySrc, long long widthSrc,
                 long long heightSrc, DWORD rop, int mode);

// The visible rectangles of `area` on dst (surface ∩ clip), in banded order.
std::vector<QRect> VisibleRects(const TCanvas& dst, const QRect& area);

}  // namespace platform::gdi_detail
