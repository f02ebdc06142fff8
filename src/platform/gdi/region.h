#pragma once
// Regions with handles, as the drawing code of the effects uses them: the creator owns
// each handle, holds it in a UniqueRgn (below) and so frees it with DeleteObject on every
// way out. Handles are checked, so a stale handle or NoRegion is refused instead of
// crashing, and the count of live regions lets tests prove that nothing leaks.
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
#include <cstdint>
#include <utility>

namespace platform {

struct RegionObject;
using HRGN = RegionObject*;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const TRect& rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
// The corner ellipse (width × height) is clamped to the rectangle.
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight);
// fillMode ALTERNATE (even-odd) or WINDING (non-zero). Fewer than 3 points: empty.
HRGN CreatePolygonRgn(const TPoint* points, int count, int fillMode);

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

// What an owner holds before anything is built: never a live region, so every call
// refuses it as it refuses a stale handle (where a null clip region would mean "no clip").
inline HRGN const NoRegion = reinterpret_cast<HRGN>(static_cast<uintptr_t>(1));

// The one owner of a region: move-only, deletes its handle when it goes, converts to
// HRGN for the calls above. Empty, it holds NoRegion.
class UniqueRgn {
public:
    UniqueRgn() = default;
    explicit UniqueRgn(HRGN region) : region_(region) {}
    ~UniqueRgn() { reset(); }
    UniqueRgn(UniqueRgn&& other) noexcept : region_(other.release()) {}
    UniqueRgn& operator=(UniqueRgn&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueRgn(const UniqueRgn&) = delete;
    UniqueRgn& operator=(const UniqueRgn&) = delete;

    HRGN get() const { return region_; }
    operator HRGN() const { return region_; }
    // Something was built (a null handle, from a failed creation, is nothing either).
    explicit operator bool() const { return region_ != NoRegion && region_ != nullptr; }
    HRGN release() { return std::exchange(region_, NoRegion); }
    void reset(HRGN region = NoRegion)
    {
        if (region_ != region && *this)
            DeleteObject(region_);
        region_ = region;
    }

private:
    HRGN region_ = NoRegion;
};

// Unites `part` into what `into` has built so far: the first part becomes the region
// itself, later ones are merged in place (cheap for long runs of strips). Inline: the
// strip builders call it for every strip.
inline void UniteInto(UniqueRgn& into, UniqueRgn&& part)
{
    if (!into)
        into = std::move(part);
    else
        CombineRgn(into, into, part, RGN_OR);
}

namespace gdi_detail {
// Scan conversion shared by the shape regions; exposed for the canvas's own polygons.
QRegion EllipseRegion(int left, int top, int right, int bottom, int ellipseWidth,
                      int ellipseHeight);
QRegion PolygonRegion(const TPoint* points, int count, int fillMode);
}  // namespace gdi_detail

}  // namespace platform
