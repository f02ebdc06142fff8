// Regions in one banded form. A region is a list of bands, each a run of rows
// [top, bottom) holding the same spans [left, right). The rules that make the form
// unique for a set of pixels, which every function here keeps:
//   - bands are in order from the top, apart or touching, never overlapping, and none
//     is empty (top < bottom, at least one span);
//   - in a band, spans are in order from the left, none empty, and two never touch
//     (a span that reaches the next one is merged with it);
//   - two bands that touch (one's bottom the other's top) never hold the same spans:
//     they would be one band;
//   - coordinates lie within ±kCoordLimit, so no arithmetic on them overflows.
// Because the form is unique, equality of regions is equality of their bands, and a
// region of one band of one span is a rectangle.
//
// Shapes are scan converted here rather than by Qt, so that a pixel is in a shape exactly
// when its centre is, and both fill rules of polygons behave as documented.
//
// Effects build regions from hundreds of strips united one at a time into the same
// region, so a union in place edits only the bands the added part covers (splitting the
// bands at its top and bottom, merging spans, joining bands that became equal); every
// other combination sweeps both regions once, top to bottom and left to right.

#include "platform/gdi/region.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace platform {

using Span = TRegion::Span;
using Spans = std::vector<Span>;
using Band = TRegion::Band;
using Bands = std::vector<Band>;

namespace {

// Far beyond any surface, small enough that QRect arithmetic never overflows.
constexpr long long kCoordLimit = 1LL << 27;
// Scan-converted shapes keep only the rows that any surface could show.
constexpr int kRowLimit = 1 << 16;

int clampCoord(long long v) { return int(std::clamp(v, -kCoordLimit, kCoordLimit)); }

// Adds a band below the others, joining it to the last one when they touch with the
// same spans.
void appendBand(Bands& out, int top, int bottom, const Spans& spans)
{
    if (spans.empty() || bottom <= top)
        return;
    if (!out.empty() && out.back().bottom == top && out.back().spans == spans)
        out.back().bottom = bottom;
    else
        out.push_back({top, bottom, spans});
}

// Collects the rows of a scan conversion one at a time, top to bottom.
class BandBuilder {
public:
    void addRow(int y, Spans& spans)
    {
        std::sort(spans.begin(), spans.end());
        Spans merged;
        for (const Span& s : spans) {
            if (s.second <= s.first)
                continue;
            if (!merged.empty() && s.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, s.second);
            else
                merged.push_back(s);
        }
        appendBand(bands_, y, y + 1, merged);
    }

    Bands finish() { return std::move(bands_); }

private:
    Bands bands_;
};

Bands rectBands(long long l, long long t, long long r, long long b)
{
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    const int L = clampCoord(l), T = clampCoord(t), R = clampCoord(r), B = clampCoord(b);
    if (R <= L || B <= T)
        return {};
    return {Band{T, B, {{L, R}}}};
}

std::vector<TRegion::Band> ellipseBands(int left, int top, int right, int bottom, int ellipseWidth,
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
        return rectBands(l, t, r, b);
    const double a = ew / 2, bb = eh / 2;
    BandBuilder bands;
    Spans spans;
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

std::vector<TRegion::Band> polygonBands(const TPoint* points, int count, int fillMode)
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
    Spans spans;
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


// have ∪= s, for one span. `hint` is where s went in the band above, which is where it
// goes in most bands below as well: a strip across many bands is found there at once.
void uniteSpan(Spans& have, Span s, std::size_t& hint)
{
    // Strips come left to right, and most land past the last span or inside one.
    if (have.empty() || s.first > have.back().second) {
        hint = have.size();
        have.push_back(s);
        return;
    }
    // The first span that reaches s, and the first past it: touching ones merge.
    const auto reaches = [](const Span& a, int x) { return a.second < x; };
    auto lo = have.begin() + std::ptrdiff_t(std::min(hint, have.size() - 1));
    if (lo->second < s.first || (lo != have.begin() && (lo - 1)->second >= s.first))
        lo = std::lower_bound(have.begin(), have.end(), s.first, reaches);
    hint = std::size_t(lo - have.begin());
    if (lo->first <= s.first && lo->second >= s.second)
        return;  // already inside
    const auto hi = std::upper_bound(lo, have.end(), s.second, [](int x, const Span& a) { return x < a.first; });
    if (lo == hi) {
        have.insert(lo, s);
        return;
    }
    lo->first = std::min(lo->first, s.first);
    lo->second = std::max((hi - 1)->second, s.second);
    have.erase(lo + 1, hi);
}

// Walks two lists of intervals [start, end), each in order and apart, from the first start
// to the last end: `visit(from, to, inA, inB)` gets each stretch where the same intervals
// (or none, nullptr) cover it, skipping the stretches that neither covers.
template <class T, class Start, class End, class Visit>
void sweep(const std::vector<T>& a, const std::vector<T>& b, Start start, End end, Visit visit)
{
    std::size_t i = 0, j = 0;
    int at = INT_MIN;
    while (true) {
        while (i < a.size() && end(a[i]) <= at)
            ++i;
        while (j < b.size() && end(b[j]) <= at)
            ++j;
        if (i == a.size() && j == b.size())
            return;
        const bool inA = i < a.size() && start(a[i]) <= at;
        const bool inB = j < b.size() && start(b[j]) <= at;
        if (!inA && !inB) {
            at = std::min(i < a.size() ? start(a[i]) : INT_MAX, j < b.size() ? start(b[j]) : INT_MAX);
            continue;
        }
        int next = INT_MAX;
        if (i < a.size())
            next = std::min(next, inA ? end(a[i]) : start(a[i]));
        if (j < b.size())
            next = std::min(next, inB ? end(b[j]) : start(b[j]));
        visit(at, next, inA ? &a[i] : nullptr, inB ? &b[j] : nullptr);
        at = next;
    }
}

// The operations, each a rule for a pixel in a, in b, or in both.
struct Intersection {
    bool operator()(bool a, bool b) const { return a && b; }
};
struct Union {
    bool operator()(bool a, bool b) const { return a || b; }
};

// The spans where in(inA, inB) holds, for two span lists in the form; in(false, false)
// must be false.
template <class In>
void combineSpans(const Spans& a, const Spans& b, In in, Spans& out)
{
    out.clear();
    if constexpr (std::is_same_v<In, Intersection>) {
        // Two cursors: each overlap is a span, and spans apart in a and b stay apart.
        for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
            const int left = std::max(a[i].first, b[j].first), right = std::min(a[i].second, b[j].second);
            if (left < right)
                out.emplace_back(left, right);
            if (a[i].second < b[j].second)
                ++i;
            else
                ++j;
        }
        return;
    } else if constexpr (std::is_same_v<In, Union>) {
        // Merged in order of their left ends; touching ones join.
        std::size_t i = 0, j = 0;
        while (i < a.size() || j < b.size()) {
            const Span next = j == b.size() || (i < a.size() && a[i].first <= b[j].first) ? a[i++] : b[j++];
            if (!out.empty() && next.first <= out.back().second)
                out.back().second = std::max(out.back().second, next.second);
            else
                out.push_back(next);
        }
        return;
    }
    sweep(a, b, [](const Span& s) { return s.first; }, [](const Span& s) { return s.second; },
          [&](int from, int to, const Span* inA, const Span* inB) {
              if (!in(inA != nullptr, inB != nullptr))
                  return;
              if (!out.empty() && out.back().second == from)
                  out.back().second = to;
              else
                  out.emplace_back(from, to);
          });
}

void uniteSpans(Spans& have, const Spans& add, std::size_t& hint)
{
    if (add.size() == 1)
        return uniteSpan(have, add.front(), hint);
    if (have.empty() || add.front().first > have.back().second) {
        have.insert(have.end(), add.begin(), add.end());
        return;
    }
    Spans out;
    combineSpans(have, add, Union{}, out);
    have.swap(out);
}

// Each stretch of rows where the bands of a and b stay the same gets the spans that
// combineSpans gives.
template <class In>
Bands combineBands(const Bands& a, const Bands& b, In in)
{
    static const Spans none;
    Bands out;
    Spans spans;
    sweep(a, b, [](const Band& band) { return band.top; }, [](const Band& band) { return band.bottom; },
          [&](int from, int to, const Band* inA, const Band* inB) {
              combineSpans(inA ? inA->spans : none, inB ? inB->spans : none, in, spans);
              appendBand(out, from, to, spans);
          });
    return out;
}

// Whether two bands that touch can be one. Neighbours mostly differ in their count or at
// an end, which is looked at first.
bool sameSpans(const Spans& a, const Spans& b)
{
    return a.size() == b.size() && a.back() == b.back() && a.front() == b.front() && a == b;
}

// Joins the touching bands with equal spans among bands[from, to).
void joinEqualBands(Bands& bands, std::size_t from, std::size_t to)
{
    if (to - from < 2)
        return;
    std::size_t w = from;
    for (std::size_t r = from + 1; r < to; ++r) {
        if (bands[w].bottom == bands[r].top && sameSpans(bands[w].spans, bands[r].spans))
            bands[w].bottom = bands[r].bottom;
        else if (++w != r)
            bands[w] = std::move(bands[r]);
    }
    bands.erase(bands.begin() + std::ptrdiff_t(w + 1), bands.begin() + std::ptrdiff_t(to));
}

// bands ∪= the rows [top, bottom) holding `spans`, editing only the bands they cover.
void uniteBand(Bands& bands, int top, int bottom, const Spans& spans)
{
    std::size_t k = std::size_t(
        std::lower_bound(bands.begin(), bands.end(), top, [](const Band& b, int y) { return b.bottom <= y; }) -
        bands.begin());
    const std::size_t first = k;
    std::size_t hint = 0;
    int y = top;
    while (y < bottom) {
        const auto at = [&](std::size_t n) { return bands.begin() + std::ptrdiff_t(n); };
        if (k == bands.size() || bands[k].top >= bottom) {
            bands.insert(at(k), Band{y, bottom, spans});
            ++k;
            break;
        }
        if (bands[k].top > y) {
            // The gap above band k.
            const int gapEnd = bands[k].top;
            bands.insert(at(k), Band{y, gapEnd, spans});
            ++k;
            y = gapEnd;
            continue;
        }
        if (bands[k].top < y) {
            Band above{bands[k].top, y, bands[k].spans};
            bands[k].top = y;
            bands.insert(at(k), std::move(above));
            ++k;
        }
        if (bands[k].bottom > bottom) {
            Band below{bottom, bands[k].bottom, bands[k].spans};
            bands[k].bottom = bottom;
            bands.insert(at(k + 1), std::move(below));
        }
        uniteSpans(bands[k].spans, spans, hint);
        y = bands[k].bottom;
        ++k;
    }
    // The bands just above and below may now equal their neighbours.
    joinEqualBands(bands, first ? first - 1 : 0, std::min(k + 1, bands.size()));
}

}  // namespace

class RegionMaker {
public:
    static TRegion make(Bands bands) { return TRegion(std::move(bands)); }
    static Bands& bands(TRegion& r) { return r.bands_; }
};

int TRegion::Kind() const
{
    if (bands_.empty())
        return NULLREGION;
    return bands_.size() == 1 && bands_.front().spans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

QRegion TRegion::ToQRegion() const
{
    std::vector<QRect> rects;
    for (const Band& b : bands_)
        for (const Span& s : b.spans)
            rects.emplace_back(s.first, b.top, s.second - s.first, b.bottom - b.top);
    QRegion r;
    if (!rects.empty())
        r.setRects(rects.data(), int(rects.size()));
    return r;
}

TRegion CreateRectRgn(int left, int top, int right, int bottom)
{
    return RegionMaker::make(rectBands(left, top, right, bottom));
}

TRegion CreateRectRgnIndirect(const TRect& r) { return CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom); }

TRegion CreateEllipticRgn(int left, int top, int right, int bottom)
{
    const long long w = std::llabs((long long)right - left), h = std::llabs((long long)bottom - top);
    return RegionMaker::make(
        ellipseBands(left, top, right, bottom, int(std::min(w, kCoordLimit)), int(std::min(h, kCoordLimit))));
}

TRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    return RegionMaker::make(ellipseBands(left, top, right, bottom, ellipseWidth, ellipseHeight));
}

TRegion CreatePolygonRgn(const TPoint* points, int count, int fillMode)
{
    if (fillMode != ALTERNATE && fillMode != WINDING)
        throw std::invalid_argument("polygon fill mode " + std::to_string(fillMode));
    return RegionMaker::make(polygonBands(points, count, fillMode));
}

int CombineRgn(TRegion& dest, const TRegion& src1, const TRegion& src2, int mode)
{
    Bands& d = RegionMaker::bands(dest);
    switch (mode) {
    case RGN_COPY:
        if (&dest != &src1)
            d = src1.Bands();
        return dest.Kind();
    case RGN_OR:
        // In place, only the bands the other source covers change.
        if (&dest == &src1 || &dest == &src2) {
            const TRegion& part = &dest == &src1 ? src2 : src1;
            if (&part == &dest)
                return dest.Kind();
            if (d.empty()) {
                d = part.Bands();
                return dest.Kind();
            }
            for (const Band& b : part.Bands())
                uniteBand(d, b.top, b.bottom, b.spans);
            return dest.Kind();
        }
        d = combineBands(src1.Bands(), src2.Bands(), Union{});
        return dest.Kind();
    case RGN_AND: d = combineBands(src1.Bands(), src2.Bands(), Intersection{}); break;
    case RGN_XOR: d = combineBands(src1.Bands(), src2.Bands(), [](bool a, bool b) { return a != b; }); break;
    case RGN_DIFF: d = combineBands(src1.Bands(), src2.Bands(), [](bool a, bool b) { return a && !b; }); break;
    default: return RGN_ERROR;
    }
    return dest.Kind();
}

int RegionKind(const QRegion& region)
{
    if (region.isEmpty())
        return NULLREGION;
    return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace platform
