// Regions are QRegions (banded rectangles) behind checked handles. Shapes are scan
// converted here rather than by Qt, so that a pixel is in a shape exactly when its
// centre is, and both fill rules of polygons behave as documented.
//
// Effects build regions from hundreds of strips, each made, united in place and
// deleted, so a region object (RegionObject) holds its pixels in one of three forms:
//
//   rectangle  isRect: `rect` (normalised, clamped, maybe empty) is the region; there is
//              no mask and `pixels` is not read. A fresh CreateRectRgn or SetRectRgn is
//              one, and stays one until something reads it.
//   mask       `mask` is set: the mask (cover_mask.h) is the region. `pixels` equals it
//              unless `stale`, which each union into the mask sets; a union then costs
//              the added area / 64 instead of a pass over every rectangle gathered so far.
//   pixels     neither: `pixels` is the region.
//
// The rules that keep the forms apart:
//   - every read goes through pixelsOf, which turns a rectangle into `pixels` and brings
//     stale `pixels` up to date with the mask (the mask stays, for later unions);
//   - every write that replaces the region, or changes it other than by a union or an
//     intersection of masks, settles it first: `pixels` made current, the mask dropped
//     (SetRectRgn, which keeps nothing, just starts a new rectangle);
//   - only a union in place (dest is one of the sources) goes into a mask, once the two
//     have kMaskFrom rectangles together and the added part does not lie below a gap
//     (QRegion appends that for nothing); a mask that cannot take a part (too large)
//     is settled and the QRegions are united instead. An intersection in place uses
//     the masks when both regions have one.
//
// The registry of live handles has a lock of its own; a region itself is used by one
// thread at a time.

#include "platform/gdi/region.h"

#include "platform/gdi/cover_mask.h"
#include "platform/gdi/pointer_set.h"
#include "platform/gdi/region_bands.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

using gdi_detail::BandBuilder;
using gdi_detail::CoverMask;

// One of the three forms described at the top of this file.
struct RegionObject {
    QRegion pixels;
    QRect rect;
    bool isRect = false;
    std::unique_ptr<CoverMask> mask;
    bool stale = false;
};

namespace {

// Far beyond any surface, small enough that QRect arithmetic never overflows.
constexpr long long kCoordLimit = 1LL << 27;
// Scan-converted shapes keep only the rows that any surface could show.
constexpr int kRowLimit = 1 << 16;
// Below this many rectangles, QRegion's own union is as quick as the mask.
constexpr int kMaskFrom = 16;

int clampCoord(long long v) { return int(std::clamp(v, -kCoordLimit, kCoordLimit)); }

std::mutex& registryMutex()
{
    static std::mutex m;
    return m;
}

gdi_detail::PointerSet<RegionObject>& registry()
{
    static gdi_detail::PointerSet<RegionObject> live;
    return live;
}

HRGN track(RegionObject* obj)
{
    std::lock_guard lock(registryMutex());
    registry().insert(obj);
    return obj;
}

HRGN track(QRegion pixels)
{
    auto* obj = new RegionObject;
    obj->pixels = std::move(pixels);
    return track(obj);
}

// The live region behind a handle, or nullptr; the caller holds the registry's lock.
RegionObject* find(HRGN h) { return registry().contains(h) ? h : nullptr; }

RegionObject* lookup(HRGN h)
{
    std::lock_guard lock(registryMutex());
    return find(h);
}

// Normalised and clamped; empty when it covers no pixel.
QRect clampedRect(long long l, long long t, long long r, long long b)
{
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    const int L = clampCoord(l), T = clampCoord(t), R = clampCoord(r), B = clampCoord(b);
    if (R <= L || B <= T)
        return {};
    return QRect(L, T, R - L, B - T);
}

QRegion rectRegion(long long l, long long t, long long r, long long b)
{
    const QRect rect = clampedRect(l, t, r, b);
    return rect.isEmpty() ? QRegion() : QRegion(rect);
}

int kindOf(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

const QRegion& pixelsOf(RegionObject* r)
{
    if (r->isRect) {
        r->pixels = r->rect.isEmpty() ? QRegion() : QRegion(r->rect);
        r->isRect = false;
    } else if (r->stale) {
        r->pixels = r->mask->toRegion();
        r->stale = false;
    }
    return r->pixels;
}

// The region is about to be replaced: only `pixels` will hold it.
void settle(RegionObject* r)
{
    pixelsOf(r);
    r->mask.reset();
}

// dest ∪= src through dest's mask; false when the mask does not take it (too few
// rectangles to be worth it, or too large) and the caller unites the QRegions.
bool uniteInPlace(RegionObject* dest, RegionObject* src)
{
    const QRegion* region = src->isRect ? nullptr : &pixelsOf(src);
    if (!dest->mask) {
        const QRegion& have = pixelsOf(dest);
        const int count = region ? region->rectCount() : src->rect.isEmpty() ? 0 : 1;
        if (have.rectCount() + count < kMaskFrom)
            return false;
        // Strips added below with a gap are appended by QRegion at no cost.
        const QRect more = region ? region->boundingRect() : src->rect;
        if (more.top() > have.boundingRect().bottom() + 1)
            return false;
        auto mask = std::make_unique<CoverMask>();
        if (!mask->add(have))
            return false;
        dest->mask = std::move(mask);
    }
    if (!(region ? dest->mask->add(*region) : dest->mask->add(src->rect))) {
        settle(dest);
        return false;
    }
    dest->stale = true;
    return true;
}

}  // namespace

namespace gdi_detail {

QRegion EllipseRegion(int left, int top, int right, int bottom, int ellipseWidth,
                      int ellipseHeight)
{
    long long l = left, t = top, r = right, b = bottom;
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    l = clampCoord(l), t = clampCoord(t), r = clampCoord(r), b = clampCoord(b);
    if (r <= l || b <= t)
        return {};
    const double ew = std::min<double>(std::abs(double(ellipseWidth)), double(r - l));
    const double eh = std::min<double>(std::abs(double(ellipseHeight)), double(b - t));
    if (ew < 1 || eh < 1)
        return rectRegion(l, t, r, b);
    const double a = ew / 2, bb = eh / 2;
    BandBuilder bands;
    BandBuilder::Spans spans;
    const long long y0 = std::max<long long>(t, -kRowLimit);
    const long long y1 = std::min<long long>(b, kRowLimit);
    for (long long y = y0; y < y1; ++y) {
        const double yc = double(y) + 0.5;
        double v = 0;
        if (yc < double(t) + bb)
            v = double(t) + bb - yc;
        else if (yc > double(b) - bb)
            v = yc - (double(b) - bb);
        double inset = 0;
        spans.clear();
        if (v > 0) {
            const double q = v / bb;
            if (q >= 1) {
                bands.addRow(int(y), spans);
                continue;
            }
            inset = a - a * std::sqrt(1 - q * q);
        }
        // Closed on both sides so that the shape is symmetric about its centre.
        const double xa = double(l) + inset, xb = double(r) - inset;
        const long long x0 = (long long)std::ceil(xa - 0.5);
        const long long x1 = (long long)std::floor(xb - 0.5) + 1;
        spans.emplace_back(int(x0), int(x1));
        bands.addRow(int(y), spans);
    }
    return bands.finish();
}

QRegion PolygonRegion(const TPoint* points, int count, int fillMode)
{
    if (!points || count < 3)
        return {};
    struct Edge {
        double x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    long long minY = kCoordLimit, maxY = -kCoordLimit;
    for (int i = 0; i < count; ++i) {
        const TPoint& p = points[i];
        const TPoint& q = points[(i + 1) % count];
        const double py = clampCoord(p.Y), qy = clampCoord(q.Y);
        minY = std::min<long long>(minY, (long long)py);
        maxY = std::max<long long>(maxY, (long long)py);
        if (py == qy)
            continue;
        edges.push_back({double(clampCoord(p.X)), py, double(clampCoord(q.X)), qy,
                         qy > py ? 1 : -1});
    }
    BandBuilder bands;
    BandBuilder::Spans spans;
    std::vector<std::pair<double, int>> crossings;
    const long long y0 = std::max<long long>(minY, -kRowLimit);
    const long long y1 = std::min<long long>(maxY, kRowLimit);
    for (long long y = y0; y < y1; ++y) {
        // Row centres are half-integers and vertices integers: no crossing is ambiguous.
        const double yc = double(y) + 0.5;
        crossings.clear();
        for (const Edge& e : edges) {
            const double lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
            if (yc < lo || yc >= hi)
                continue;
            const double x = e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0);
            crossings.emplace_back(x, e.dir);
        }
        std::sort(crossings.begin(), crossings.end());
        spans.clear();
        auto addSpan = [&](double xa, double xb) {
            // Left edge in, right edge out, as polygon fills do.
            const long long x0 = (long long)std::ceil(xa - 0.5);
            const long long x1 = (long long)std::ceil(xb - 0.5);
            if (x1 > x0)
                spans.emplace_back(int(x0), int(x1));
        };
        if (fillMode == WINDING) {
            int winding = 0;
            double start = 0;
            for (auto [x, dir] : crossings) {
                const int before = winding;
                winding += dir;
                if (before == 0 && winding != 0)
                    start = x;
                else if (before != 0 && winding == 0)
                    addSpan(start, x);
            }
        } else {
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
                addSpan(crossings[i].first, crossings[i + 1].first);
        }
        bands.addRow(int(y), spans);
    }
    return bands.finish();
}

}  // namespace gdi_detail

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    auto* obj = new RegionObject;
    obj->rect = clampedRect(left, top, right, bottom);
    obj->isRect = true;
    return track(obj);
}

HRGN CreateRectRgnIndirect(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }

HRGN CreateEllipticRgn(int left, int top, int right, int bottom)
{
    const long long w = std::llabs((long long)right - left), h = std::llabs((long long)bottom - top);
    return track(gdi_detail::EllipseRegion(left, top, right, bottom, int(std::min(w, kCoordLimit)),
                                           int(std::min(h, kCoordLimit))));
}


HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight)
{
    return track(gdi_detail::EllipseRegion(left, top, right, bottom, ellipseWidth, ellipseHeight));
}

HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode)
{
    if (fillMode != ALTERNATE && fillMode != WINDING)
        return nullptr;
    return track(gdi_detail::PolygonRegion(points, count, fillMode));
}


int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode)
{
    RegionObject *d, *a, *b;
    {
        std::lock_guard lock(registryMutex());
        d = find(dest);
        a = find(src1);
        b = mode == RGN_COPY ? nullptr : find(src2);
    }
    if (!d || !a || (mode != RGN_COPY && !b))
        return RGN_ERROR;
    if (mode == RGN_OR && (d == a) != (d == b) && uniteInPlace(d, d == a ? b : a))
        return d->mask->kind();
    if (mode == RGN_AND && d == a && d != b && d->mask && b->mask) {
        d->mask->intersect(*b->mask);
        d->stale = true;
        return d->mask->kind();
    }
    const QRegion second = b ? pixelsOf(b) : QRegion();
    // In place, dest's data stays unshared, which keeps QRegion's append fast path for
    // regions built band by band.
    if (d == a) {
        settle(d);
        switch (mode) {
        case RGN_AND: d->pixels &= second; break;
        case RGN_OR: d->pixels += second; break;
        case RGN_XOR: d->pixels ^= second; break;
        case RGN_DIFF: d->pixels -= second; break;
        case RGN_COPY: break;
        default: return RGN_ERROR;
        }
        return kindOf(d->pixels);
    }
    // The sources are read before dest is replaced: dest may be the second.
    const QRegion first = pixelsOf(a);
    settle(d);
    switch (mode) {
    case RGN_AND: d->pixels = first.intersected(second); break;
    case RGN_OR: d->pixels = first.united(second); break;
    case RGN_XOR: d->pixels = first.xored(second); break;
    case RGN_DIFF: d->pixels = first.subtracted(second); break;
    case RGN_COPY: d->pixels = first; break;
    default: return RGN_ERROR;
    }
    return kindOf(d->pixels);
}

bool SetRectRgn(HRGN region, int left, int top, int right, int bottom)
{
    RegionObject* r = lookup(region);
    if (!r)
        return false;
    r->mask.reset();
    r->stale = false;
    r->pixels = QRegion();
    r->rect = clampedRect(left, top, right, bottom);
    r->isRect = true;
    return true;
}

int OffsetRgn(HRGN region, int dx, int dy)
{
    RegionObject* r = lookup(region);
    if (!r)
        return RGN_ERROR;
    settle(r);
    r->pixels.translate(dx, dy);
    return kindOf(r->pixels);
}

int GetRgnBox(HRGN region, TRect* box)
{
    RegionObject* r = lookup(region);
    if (!r)
        return RGN_ERROR;
    if (box) {
        const QRect b = pixelsOf(r).boundingRect();
        *box = r->pixels.isEmpty() ? TRect{}
                                   : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    return kindOf(r->pixels);
}

bool PtInRegion(HRGN region, int x, int y)
{
    RegionObject* r = lookup(region);
    return r && pixelsOf(r).contains(QPoint(x, y));
}

bool RectInRegion(HRGN region, const TRect& rect)
{
    RegionObject* r = lookup(region);
    if (!r)
        return false;
    return pixelsOf(r).intersects(rectRegion(rect.Left, rect.Top, rect.Right, rect.Bottom));
}

bool EqualRgn(HRGN a, HRGN b)
{
    RegionObject* ra = lookup(a);
    RegionObject* rb = lookup(b);
    return ra && rb && pixelsOf(ra) == pixelsOf(rb);
}

bool DeleteObject(HRGN region)
{
    {
        std::lock_guard lock(registryMutex());
        if (!region || !registry().erase(region))
            return false;
    }
    delete region;
    return true;
}

std::size_t LiveRegionCount()
{
    std::lock_guard lock(registryMutex());
    return registry().size();
}

bool IsRegionHandle(HRGN region) { return lookup(region) != nullptr; }

QRegion RegionPixels(HRGN region)
{
    RegionObject* r = lookup(region);
    return r ? pixelsOf(r) : QRegion();
}

long long RegionArea(const QRegion& region)
{
    long long area = 0;
    for (const QRect& r : region)
        area += (long long)r.width() * r.height();
    return area;
}

int RegionKind(const QRegion& region) { return kindOf(region); }

}  // namespace platform
