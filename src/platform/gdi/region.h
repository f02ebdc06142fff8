#pragma once
// Regions with handles, as the drawing code of the effects uses them: the creator owns
// each handle and frees it with DeleteObject. Handles are checked, so a stale or made-up
// handle (a "no region yet" marker, say) is refused instead of crashing, and the count
// of live regions lets tests prove that nothing leaks.
//
// Coordinates are pixels with right and bottom exclusive. A pixel belongs to an
// elliptic, round-rectangle or polygon region when its centre lies inside the shape.
//
// Uniting many strips into one region in place is cheap: each union costs the strip's
// area, not a pass over the region. A region is used by one thread at a time (reading
// one may first settle the unions made into it).

#include "platform/gdi/types.h"

#include <QRegion>

#include <cstddef>
#include <utility>

namespace platform {

struct RegionObject;
using HRGN = RegionObject*;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const TRect& rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const TRect& rect);
// The corner ellipse (width × height) is clamped to the rectangle.
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight);
// fillMode ALTERNATE (even-odd) or WINDING (non-zero). Fewer than 3 points: empty.
HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode);
// A region holding exactly this set of pixels (used by code that computes its own).
HRGN CreateRgnFromQRegion(const QRegion& region);

// Stores the combination of src1 and src2 in dest (which may be either source).
// src2 is ignored for RGN_COPY. Returns the kind of the result or RGN_ERROR.
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
bool SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int OffsetRgn(HRGN region, int dx, int dy);
int GetRgnBox(HRGN region, TRect* box);
bool PtInRegion(HRGN region, int x, int y);
bool RectInRegion(HRGN region, const TRect& rect);
bool EqualRgn(HRGN a, HRGN b);
// Frees a region; false (and nothing done) for a handle that is not a live region.
bool DeleteObject(HRGN region);

// For tests and diagnostics.
std::size_t LiveRegionCount();
bool IsRegionHandle(HRGN region);
// The pixels of a live region; an empty region for anything else.
QRegion RegionPixels(HRGN region);
// Number of pixels in a region.
long long RegionArea(const QRegion& region);
int RegionKind(const QRegion& region);

// Owns one handle and deletes it when it goes; converts to HRGN for the calls above.
class UniqueRgn {
public:
    UniqueRgn() = default;
    explicit UniqueRgn(HRGN region) : region_(region) {}
    ~UniqueRgn() { reset(); }
    UniqueRgn(UniqueRgn&& other) noexcept : region_(std::exchange(other.region_, nullptr)) {}
    UniqueRgn& operator=(UniqueRgn&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.region_, nullptr));
        return *this;
    }
    UniqueRgn(const UniqueRgn&) = delete;
    UniqueRgn& operator=(const UniqueRgn&) = delete;

    HRGN get() const { return region_; }
    operator HRGN() const { return region_; }
    explicit operator bool() const { return region_ != nullptr; }
    HRGN release() { return std::exchange(region_, nullptr); }
    void reset(HRGN region = nullptr)
    {
        if (region_ && region_ != region)
            DeleteObject(region_);
        region_ = region;
    }

private:
    HRGN region_ = nullptr;
};

namespace gdi_detail {
// Scan conversion shared by the shape regions; exposed for the canvas's own polygons.
QRegion EllipseRegion(int left, int top, int right, int bottom, int ellipseWidth,
                      int ellipseHeight);
QRegion PolygonRegion(const TPoint* points, int count, int fillMode);
}  // namespace gdi_detail

}  // namespace platform
