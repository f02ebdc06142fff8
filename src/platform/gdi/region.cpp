// Regions are QRegions (banded rectangles) behind checked handles. Shapes are scan
// converted here rather than by Qt, so that a pixel is in a shape exactly when its
// centre is, and both fill rules of polygons behave as documented.

#include "platform/gdi/region.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace platform {

struct RegionObject {
    QRegion pixels;
};

namespace {

// Far beyond any surface, small enough that QRect arithmetic never overflows.
constexpr long long kCoordLimit = 1LL << 27;
// Scan-converted shapes keep only the rows that any surface could show.
constexpr int kRowLimit = 1 << 16;

int clampCoord(long long v) { return int(std::clamp(v, -kCoordLimit, kCoordLimit)); }

std::mutex& registryMutex()
{
    static std::mutex m;
    return m;
}

std::unordered_set<RegionObject*>& registry()
{
    static std::unordered_set<RegionObject*> live;
    return live;
}

HRGN track(QRegion pixels)
{
    auto* obj = new RegionObject{std::move(pixels)};
    std::lock_guard lock(registryMutex());
    registry().insert(obj);
    return obj;
}

RegionObject* lookup(HRGN h)
{
    if (!h)
        return nullptr;
    std::lock_guard lock(registryMutex());
    return registry().count(h) ? h : nullptr;
}

QRegion rectRegion(long long l, long long t, long long r, long long b)
{
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    const int L = clampCoord(l), T = clampCoord(t), R = clampCoord(r), B = clampCoord(b);
    if (R <= L || B <= T)
        return {};
    return QRegion(QRect(L, T, R - L, B - T));
}

// Collects one row of spans at a time and merges rows with the same spans into bands,
// which is the form QRegion::setRects expects.
class BandBuilder {
public:
    using Spans = std::vector<std::pair<int, int>>;

    void addRow(int y, Spans& spans)
    {
        normalize(spans);
        if (spans.empty()) {
            close();
            return;
        }
        if (open_ && y == bottom_ && spans == spans_) {
            ++bottom_;
            return;
        }
        close();
        open_ = true;
        top_ = y;
        bottom_ = y + 1;
        spans_ = spans;
    }

    QRegion finish()
    {
        close();
        QRegion r;
        if (!rects_.empty())
            r.setRects(rects_.data(), int(rects_.size()));
        return r;
    }

private:
    static void normalize(Spans& spans)
    {
        std::sort(spans.begin(), spans.end());
        Spans out;
        for (auto s : spans) {
            if (s.second <= s.first)
                continue;
            if (!out.empty() && s.first <= out.back().second)
                out.back().second = std::max(out.back().second, s.second);
            else
                out.push_back(s);
        }
        spans.swap(out);
    }

    void close()
    {
        if (!open_)
            return;
        for (auto [x0, x1] : spans_)
            rects_.emplace_back(x0, top_, x1 - x0, bottom_ - top_);
        open_ = false;
    }

    std::vector<QRect> rects_;
    Spans spans_;
    bool open_ = false;
    int top_ = 0;
    int bottom_ = 0;
};

int kindOf(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
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
    return track(rectRegion(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }

HRGN CreateEllipticRgn(int left, int top, int right, int bottom)
{
    const long long w = std::llabs((long long)right - left), h = std::llabs((long long)bottom - top);
    return track(gdi_detail::EllipseRegion(left, top, right, bottom, int(std::min(w, kCoordLimit)),
                                           int(std::min(h, kCoordLimit))));
}

HRGN CreateEllipticRgnIndirect(const TRect& r)
{
    return CreateEllipticRgn(r.Left, r.Top, r.Right, r.Bottom);
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

HRGN CreateRgnFromQRegion(const QRegion& region) { return track(region); }

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode)
{
    RegionObject* d = lookup(dest);
    RegionObject* a = lookup(src1);
    RegionObject* b = mode == RGN_COPY ? nullptr : lookup(src2);
    if (!d || !a || (mode != RGN_COPY && !b))
        return RGN_ERROR;
    // In-place forms keep QRegion's append fast path for regions built band by band.
    if (d == a) {
        switch (mode) {
        case RGN_AND: d->pixels &= b->pixels; break;
        case RGN_OR: d->pixels += b->pixels; break;
        case RGN_XOR: d->pixels ^= b->pixels; break;
        case RGN_DIFF: d->pixels -= b->pixels; break;
        case RGN_COPY: break;
        default: return RGN_ERROR;
        }
        return kindOf(d->pixels);
    }
    switch (mode) {
    case RGN_AND: d->pixels = a->pixels.intersected(b->pixels); break;
    case RGN_OR: d->pixels = a->pixels.united(b->pixels); break;
    case RGN_XOR: d->pixels = a->pixels.xored(b->pixels); break;
    case RGN_DIFF: d->pixels = a->pixels.subtracted(b->pixels); break;
    case RGN_COPY: d->pixels = a->pixels; break;
    default: return RGN_ERROR;
    }
    return kindOf(d->pixels);
}

bool SetRectRgn(HRGN region, int left, int top, int right, int bottom)
{
    RegionObject* r = lookup(region);
    if (!r)
        return false;
    r->pixels = rectRegion(left, top, right, bottom);
    return true;
}

int OffsetRgn(HRGN region, int dx, int dy)
{
    RegionObject* r = lookup(region);
    if (!r)
        return RGN_ERROR;
    r->pixels.translate(dx, dy);
    return kindOf(r->pixels);
}

int GetRgnBox(HRGN region, TRect* box)
{
    RegionObject* r = lookup(region);
    if (!r)
        return RGN_ERROR;
    if (box) {
        const QRect b = r->pixels.boundingRect();
        *box = r->pixels.isEmpty() ? TRect{}
                                   : TRect{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    }
    return kindOf(r->pixels);
}

bool PtInRegion(HRGN region, int x, int y)
{
    RegionObject* r = lookup(region);
    return r && r->pixels.contains(QPoint(x, y));
}

bool RectInRegion(HRGN region, const TRect& rect)
{
    RegionObject* r = lookup(region);
    if (!r)
        return false;
    return r->pixels.intersects(rectRegion(rect.Left, rect.Top, rect.Right, rect.Bottom));
}

bool EqualRgn(HRGN a, HRGN b)
{
    RegionObject* ra = lookup(a);
    RegionObject* rb = lookup(b);
    return ra && rb && ra->pixels == rb->pixels;
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
    return r ? r->pixels : QRegion();
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
