#pragma once
// Pictures for effect tests and benches: every pixel differs from its neighbours, so a
// pixel copied from the wrong place, or not copied, shows.

#include "platform/gdi/bitmap.h"

#include <cstdint>

namespace testing_support {

// A w × h bitmap of opaque pseudo-random colours; the same seed gives the same picture.
inline platform::TBitmap NoisePicture(int w, int h, uint32_t seed)
{
    platform::TBitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        uint32_t* line = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = 0xFF000000u | (seed >> 8);
        }
    }
    return b;
}

// A w × h bitmap of one colour.
inline platform::TBitmap FilledPicture(int w, int h, platform::TColor colour)
{
    platform::TBitmap b(w, h);
    b.Canvas().Brush.Color = colour;
    b.Canvas().FillRect(platform::Rect(0, 0, w, h));
    return b;
}

}  // namespace testing_support
