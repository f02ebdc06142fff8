#pragma once
// Regions as values, as the drawing code of the effects uses them: made by the shape
// functions below, combined with CombineRgn, copied and moved like any value, and freed
// by going out of scope.
//
// Coordinates are pixels with right and bottom exclusive. A pixel belongs to an
// elliptic, round-rectangle or polygon region when its centre lies inside the shape.
//
// Uniting many strips into one region in place is cheap: each union costs the bands the
// strip touches, not a pass over the region.

#include "platform/gdi/types.h"

#include <QRegion>

#include <utility>
#include <vector>

namespace platform {

// A set of pixels in banded form: rows of equal spans, top to bottom, each span left to
// right. The form is unique for a set of pixels (see region.cpp), so two regions are
// equal exactly when they hold the same pixels.
class TRegion {
public:
    using Span = std::pair<int, int>;  // [left, right)
    struct Band {
        int top;
        int bottom;
        std::vector<Span> spans;
        friend bool operator==(const Band&, const Band&) = default;
    };

    TRegion() = default;  // empty

    bool IsEmpty() const { return bands_.empty(); }
    // NULLREGION, SIMPLEREGION (one rectangle) or COMPLEXREGION.
    int Kind() const;
    const std::vector<Band>& Bands() const { return bands_; }
    QRegion ToQRegion() const;
    friend bool operator==(const TRegion&, const TRegion&) = default;

private:
    friend class RegionMaker;  // the shapes and combinations, which keep the form
    explicit TRegion(std::vector<Band> bands) : bands_(std::move(bands)) {}

    std::vector<Band> bands_;
};

TRegion CreateRectRgn(int left, int top, int right, int bottom);
TRegion CreateRectRgnIndirect(const TRect& rect);
TRegion CreateEllipticRgn(int left, int top, int right, int bottom);
// The corner ellipse (width × height) is clamped to the rectangle.
TRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth,
                           int ellipseHeight);
// fillMode ALTERNATE (even-odd) or WINDING (non-zero); any other throws
// std::invalid_argument. Fewer than 3 points: empty.
TRegion CreatePolygonRgn(const TPoint* points, int count, int fillMode);

// Stores the combination of src1 and src2 (RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF) in dest,
// which may be either source; RGN_COPY copies src1. Returns the kind of the result, or
// RGN_ERROR for another mode, with dest left as it was.
int CombineRgn(TRegion& dest, const TRegion& src1, const TRegion& src2, int mode);

// Unites `part` into what `into` has built so far, in place.
inline void UniteInto(TRegion& into, TRegion&& part)
{
    if (into.IsEmpty())
        into = std::move(part);
    else
        CombineRgn(into, into, part, RGN_OR);
}

// The kind of a QRegion as CombineRgn names it.
int RegionKind(const QRegion& region);

}  // namespace platform
