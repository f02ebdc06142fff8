// Block transfers. Clipped copies walk the clip's rectangles band by band and copy
// each span with plain loops: QPainter's clipping costs a hundred times more on the
// narrow vertical bands that many effects draw through.

#include "platform/gdi/blit_engine.h"

#include "platform/gdi/pixels.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace platform::gdi_detail {

namespace {

constexpr uint8_t ropIndex(DWORD rop) { return uint8_t((rop >> 16) & 0xFF); }
constexpr bool usesSource(uint8_t code) { return ((code & 0xCC) >> 2) != (code & 0x33); }
constexpr bool usesPattern(uint8_t code) { return ((code & 0xF0) >> 4) != (code & 0x0F); }

uint32_t ternary(uint8_t code, uint32_t p, uint32_t s, uint32_t d)
{
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (code & (1u << i))
            r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r | kOpaque;
}

struct OpCopy {
    static constexpr bool plainCopy = true;
    uint32_t operator()(uint32_t s, uint32_t) const { return s; }
};
struct OpAnd {
    static constexpr bool plainCopy = false;
    uint32_t operator()(uint32_t s, uint32_t d) const { return s & d; }
};
struct OpOr {
    static constexpr bool plainCopy = false;
    uint32_t operator()(uint32_t s, uint32_t d) const { return s | d; }
};
struct OpXor {
    static constexpr bool plainCopy = false;
    uint32_t operator()(uint32_t s, uint32_t d) const { return (s ^ d) | kOpaque; }
};
struct OpTernary {
    static constexpr bool plainCopy = false;
    uint8_t code;
    uint32_t pattern;
    uint32_t operator()(uint32_t s, uint32_t d) const { return ternary(code, pattern, s, d); }
};

inline void copySpan(uint32_t* d, const uint32_t* s, int n)
{
    // Spans of a few pixels (narrow clip bands) are copied with two overlapping fixed
    // moves instead of a library call; source and destination never overlap here.
    if (n > 8) {
        std::memcpy(d, s, size_t(n) * 4);
    } else if (n >= 4) {
        std::memcpy(d, s, 16);
        std::memcpy(d + n - 4, s + n - 4, 16);
    } else if (n >= 2) {
        std::memcpy(d, s, 8);
        std::memcpy(d + n - 2, s + n - 2, 8);
    } else if (n == 1) {
        d[0] = s[0];
    }
}

struct Span {
    int x0;
    int x1;
};

// Runs `fn(y, spans, count)` for every row of the rectangles, band by band: the rows of
// a band share one list of spans, so narrow bands are visited in memory order and the
// row addresses are worked out once per row, not once per span.
template <class F> void forEachRow(const std::vector<QRect>& rects, F&& fn)
{
    std::vector<Span> spans;
    std::size_t i = 0;
    while (i < rects.size()) {
        std::size_t j = i + 1;
        while (j < rects.size() && rects[j].top() == rects[i].top() &&
               rects[j].height() == rects[i].height())
            ++j;
        spans.clear();
        for (std::size_t k = i; k < j; ++k)
            spans.push_back({rects[k].left(), rects[k].left() + rects[k].width()});
        const int top = rects[i].top(), bottom = top + rects[i].height();
        for (int y = top; y < bottom; ++y)
            fn(y, spans.data(), spans.size());
        i = j;
    }
}

template <class F> void forEachSpan(const std::vector<QRect>& rects, F&& fn)
{
    forEachRow(rects, [&](int y, const Span* spans, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k)
            fn(y, spans[k].x0, spans[k].x1);
    });
}

struct Mapping {
    bool identityX = false;
    bool identityY = false;
    int offX = 0;  // source x = dest x + offX when identityX
    int offY = 0;
    int left = 0;  // dest coordinate of xmap[0]
    int top = 0;
    std::vector<int> xmap;
    std::vector<int> ymap;
    int sx(int x) const { return identityX ? x + offX : xmap[size_t(x - left)]; }
    int sy(int y) const { return identityY ? y + offY : ymap[size_t(y - top)]; }
};

template <class Op>
void runBlit(uint32_t* dbits, qsizetype dstride, const SourceView& src, const Mapping& m,
             const std::vector<QRect>& rects, Op op)
{
    // An enlarging copy maps runs of rows to one source row: the first row of a run is
    // mapped pixel by pixel, the others copy it.
    const uint32_t* mappedSource = nullptr;
    int mappedY = -2;
    Span mappedSpan{0, 0};
    forEachRow(rects, [&](int y, const Span* spans, std::size_t n) {
        uint32_t* d = dbits + y * dstride;
        const uint32_t* s = src.row(m.sy(y));
        if constexpr (Op::plainCopy) {
            if (!m.identityX && n == 1) {
                const Span span = spans[0];
                if (s == mappedSource && y == mappedY + 1 && span.x0 == mappedSpan.x0 && span.x1 == mappedSpan.x1)
                    copySpan(d + span.x0, d - dstride + span.x0, span.x1 - span.x0);
                else
                    for (int x = span.x0; x < span.x1; ++x)
                        d[x] = s[m.xmap[size_t(x - m.left)]];
                mappedSource = s;
                mappedY = y;
                mappedSpan = span;
                return;
            }
        }
        if (m.identityX) {
            const uint32_t* so = s + m.offX;
            for (std::size_t k = 0; k < n; ++k) {
                const int x0 = spans[k].x0, x1 = spans[k].x1;
                if constexpr (Op::plainCopy) {
                    copySpan(d + x0, so + x0, x1 - x0);
                } else {
                    for (int x = x0; x < x1; ++x)
                        d[x] = op(so[x], d[x]);
                }
            }
        } else {
            const int* xm = m.xmap.data() - m.left;
            for (std::size_t k = 0; k < n; ++k)
                for (int x = spans[k].x0; x < spans[k].x1; ++x)
                    d[x] = op(s[xm[x]], d[x]);
        }
    });
}

template <class Op>
void runPattern(uint32_t* dbits, qsizetype dstride, const std::vector<QRect>& rects, Op op)
{
    forEachSpan(rects, [&](int y, int x0, int x1) {
        uint32_t* d = dbits + y * dstride;
        for (int x = x0; x < x1; ++x)
            d[x] = op(0, d[x]);
    });
}

// The destination interval of one axis whose nearest source pixel lies in [0, limit),
// within [v0, v1); the interval is contiguous because the mapping is monotonic.
std::pair<long long, long long> validSpan(const StretchAxis& a, long long v0, long long v1, long long limit)
{
    auto inside = [&](long long d) {
        const long long s = a.nearest(d);
        return s >= 0 && s < limit;
    };
    // Binary searches on the monotonic mapping keep huge destination spans cheap.
    const bool increasing = !a.mirror;
    auto firstInside = [&]() -> long long {
        // smallest d in [v0, v1) with nearest(d) >= 0 (increasing) or < limit (mirror)
        long long lo = v0, hi = v1;
        while (lo < hi) {
            const long long mid = lo + (hi - lo) / 2;
            const long long s = a.nearest(mid);
            if (increasing ? s >= 0 : s < limit)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    auto lastInsideEnd = [&](long long from) -> long long {
        // first d in [from, v1) with nearest(d) >= limit (increasing) or < 0 (mirror)
        long long lo = from, hi = v1;
        while (lo < hi) {
            const long long mid = lo + (hi - lo) / 2;
            const long long s = a.nearest(mid);
            if (increasing ? s >= limit : s < 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    const long long start = firstInside();
    const long long end = lastInsideEnd(start);
    if (start >= end || !inside(start))
        return {0, 0};
    return {start, end};
}

QRect toQRect(long long l, long long t, long long r, long long b)
{
    return QRect(int(l), int(t), int(r - l), int(b - t));
}

}  // namespace

std::vector<QRect> VisibleRects(const TCanvas& dst, const QRect& area)
{
    const QRect bounded = area.intersected(QRect(0, 0, dst.Width(), dst.Height()));
    std::vector<QRect> out;
    if (bounded.isEmpty())
        return out;
    if (const QRegion* clip = dst.ClipRegion()) {
        const QRegion visible = clip->intersected(bounded);
        out.assign(visible.begin(), visible.end());
    } else {
        out.push_back(bounded);
    }
    return out;
}

bool StretchBlit(TCanvas& dst, long long x, long long y, long long width, long long height,
                 const TCanvas* src, long long xSrc, long long ySrc, long long widthSrc,
                 long long heightSrc, DWORD rop, int mode)
{
    const uint8_t code = ropIndex(rop);
    const bool needSource = usesSource(code);
    if (needSource && !src)
        return false;
    if (width == 0 || height == 0)
        return true;
    if (!needSource) {
        widthSrc = width;
        heightSrc = height;
    }
    if (widthSrc == 0 || heightSrc == 0)
        return true;

    StretchAxis ax{std::min(x, x + width), std::llabs(width), std::min(xSrc, xSrc + widthSrc),
                   std::llabs(widthSrc), (width < 0) != (widthSrc < 0)};
    StretchAxis ay{std::min(y, y + height), std::llabs(height), std::min(ySrc, ySrc + heightSrc),
                   std::llabs(heightSrc), (height < 0) != (heightSrc < 0)};

    // Destination pixels that are on the surface, then those whose source is too.
    long long vx0 = std::max<long long>(ax.dstStart, 0);
    long long vx1 = std::min<long long>(ax.dstStart + ax.dstLength, dst.Width());
    long long vy0 = std::max<long long>(ay.dstStart, 0);
    long long vy1 = std::min<long long>(ay.dstStart + ay.dstLength, dst.Height());
    if (vx0 >= vx1 || vy0 >= vy1)
        return true;
    if (needSource) {
        std::tie(vx0, vx1) = validSpan(ax, vx0, vx1, src->Width());
        std::tie(vy0, vy1) = validSpan(ay, vy0, vy1, src->Height());
        if (vx0 >= vx1 || vy0 >= vy1)
            return true;
    }
    const QRect area = toQRect(vx0, vy0, vx1, vy1);
    const std::vector<QRect> rects = VisibleRects(dst, area);
    if (rects.empty())
        return true;

    QImage& surface = dst.Surface();
    uint32_t* dbits = reinterpret_cast<uint32_t*>(surface.bits());
    const qsizetype dstride = surface.bytesPerLine() / 4;
    QRect touched;
    for (const QRect& r : rects)
        touched |= r;

    const uint32_t pattern = usesPattern(code) ? dst.PixelValue(dst.Brush.Color) : 0;

    if (!needSource) {
        if (code == 0xF0) {  // PATCOPY: the plain fill
            forEachSpan(rects, [&](int yy, int x0, int x1) {
                std::fill_n(dbits + yy * dstride + x0, x1 - x0, pattern);
            });
        } else {
            runPattern(dbits, dstride, rects, OpTernary{code, pattern});
        }
        dst.MarkDirty(touched);
        return true;
    }

    Mapping m;
    m.left = int(vx0);
    m.top = int(vy0);
    m.identityX = ax.srcLength == ax.dstLength && !ax.mirror;
    m.identityY = ay.srcLength == ay.dstLength && !ay.mirror;
    m.offX = int(ax.srcStart - ax.dstStart);
    m.offY = int(ay.srcStart - ay.dstStart);
    if (!m.identityX) {
        m.xmap.resize(size_t(vx1 - vx0));
        for (long long d = vx0; d < vx1; ++d)
            m.xmap[size_t(d - vx0)] = int(ax.nearest(d));
    }
    if (!m.identityY) {
        m.ymap.resize(size_t(vy1 - vy0));
        for (long long d = vy0; d < vy1; ++d)
            m.ymap[size_t(d - vy0)] = int(ay.nearest(d));
    }

    const bool halftone = mode == HALFTONE && !dst.IsMonochrome() && !(m.identityX && m.identityY);

    // Source pixels read: the box between the mapped ends of the valid area, or for
    // halftone the whole source span that lies on the source.
    QRect needed;
    if (halftone) {
        const long long l = std::max<long long>(ax.srcStart, 0);
        const long long t = std::max<long long>(ay.srcStart, 0);
        const long long r = std::min<long long>(ax.srcStart + ax.srcLength, src->Width());
        const long long b = std::min<long long>(ay.srcStart + ay.srcLength, src->Height());
        needed = toQRect(l, t, r, b);
    } else {
        const int sxa = m.sx(int(vx0)), sxb = m.sx(int(vx1 - 1));
        const int sya = m.sy(int(vy0)), syb = m.sy(int(vy1 - 1));
        needed = QRect(std::min(sxa, sxb), std::min(sya, syb), std::abs(sxb - sxa) + 1,
                       std::abs(syb - sya) + 1);
    }

    const QImage& srcImage = src->Surface();
    SourceView view{reinterpret_cast<const uint32_t*>(srcImage.constBits()),
                    srcImage.bytesPerLine() / 4, 0, 0};

    // A private copy of the source when it must be transformed, or when it is the
    // destination itself (overlapping copies then read the pixels as they were).
    QImage scratch;
    const bool toMono = dst.IsMonochrome() && !src->IsMonochrome();
    const bool sameSurface = &srcImage == &surface ||
                             (!srcImage.isNull() && srcImage.constBits() == surface.constBits());
    if (toMono || sameSurface) {
        scratch = srcImage.copy(needed);
        if (scratch.isNull())
            return false;
        if (toMono) {
            // A colour picture copied onto a mask: its background colour (the
            // source's brush) becomes white, everything else black.
            const uint32_t background = PixelOfRGB(ColorToRGB(src->Brush.Color));
            for (int yy = 0; yy < scratch.height(); ++yy) {
                auto* row = reinterpret_cast<uint32_t*>(scratch.scanLine(yy));
                for (int xx = 0; xx < scratch.width(); ++xx)
                    row[xx] = (row[xx] | kOpaque) == background ? kWhitePixel : kBlackPixel;
            }
        }
        view = SourceView{reinterpret_cast<const uint32_t*>(scratch.constBits()),
                          scratch.bytesPerLine() / 4, needed.left(), needed.top()};
    }

    QImage resampled;
    if (halftone && code == 0xCC && rects.size() == 1 && rects.front() == area) {
        // A plain copy with nothing clipped: straight into the destination. The source
        // is never the destination's own pixels here (those were copied above).
        HalftoneResampleInto(view, ax, ay, area, needed.left(), needed.left() + needed.width() - 1, needed.top(),
                             needed.top() + needed.height() - 1, dbits + area.top() * dstride + area.left(),
                             dstride);
        dst.MarkDirty(touched);
        return true;
    }
    if (halftone) {
        resampled = HalftoneResample(view, ax, ay, area, needed.left(),
                                     needed.left() + needed.width() - 1, needed.top(),
                                     needed.top() + needed.height() - 1);
        if (resampled.isNull())
            return false;
        view = SourceView{reinterpret_cast<const uint32_t*>(resampled.constBits()),
                          resampled.bytesPerLine() / 4, area.left(), area.top()};
        m = Mapping{};
        m.identityX = m.identityY = true;
    }

    switch (code) {
    case 0xCC: runBlit(dbits, dstride, view, m, rects, OpCopy{}); break;
    case 0x88: runBlit(dbits, dstride, view, m, rects, OpAnd{}); break;
    case 0xEE: runBlit(dbits, dstride, view, m, rects, OpOr{}); break;
    case 0x66: runBlit(dbits, dstride, view, m, rects, OpXor{}); break;
    default: runBlit(dbits, dstride, view, m, rects, OpTernary{code, pattern}); break;
    }
    dst.MarkDirty(touched);
    return true;
}

}  // namespace platform::gdi_detail
