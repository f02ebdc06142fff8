#pragma once

#include "platform/gdi/gdi.h"

#include <QRegion>

#include <gtest/gtest.h>

#include <ostream>

namespace platform {

// Failures show a region's bands.
inline void PrintTo(const TRegion& region, std::ostream* out)
{
    *out << "{";
    for (const TRegion::Band& b : region.Bands()) {
        *out << " y " << b.top << ".." << b.bottom << ":";
        for (const auto& [l, r] : b.spans)
            *out << " " << l << ".." << r;
    }
    *out << " }";
}

}  // namespace platform

namespace gdi_test {

using namespace platform;

// Every pixel of the pattern differs from its neighbours and from the usual colours.
inline TColor PatternColor(int x, int y) { return RGB(10 + x * 3, 20 + y * 3, (x * 7 + y * 13) & 0xFF); }

inline TBitmap Pattern(int w, int h)
{
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Canvas().SetPixel(x, y, PatternColor(x, y));
    return b;
}

inline TBitmap Filled(int w, int h, TColor c)
{
    TBitmap b(w, h);
    b.Canvas().Brush.Color = c;
    b.Canvas().FillRect(Rect(0, 0, w, h));
    return b;
}

// Pixels of `after` that differ from `before` and lie outside `allowed`.
inline int ChangedOutside(const TBitmap& before, const TBitmap& after, const QRegion& allowed)
{
    int n = 0;
    for (int y = 0; y < before.Height(); ++y)
        for (int x = 0; x < before.Width(); ++x)
            if (!allowed.contains(QPoint(x, y)) &&
                before.Canvas().Pixel(x, y) != after.Canvas().Pixel(x, y))
                ++n;
    return n;
}

inline QRegion Pixels(const TRegion& r) { return r.ToQRegion(); }

inline long long Area(const QRegion& region)
{
    long long area = 0;
    for (const QRect& r : region)
        area += (long long)r.width() * r.height();
    return area;
}

}  // namespace gdi_test
