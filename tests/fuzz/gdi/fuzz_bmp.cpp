// Any bytes as a Windows bitmap file: read, or refused with BitmapFileError, never a
// crash or an allocation larger than the header check allows; what is read draws.

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TBitmap picture;
    try {
        picture.LoadFromBytes(bytes, "fuzz.bmp");
    } catch (const BitmapFileError&) {
        return 0;
    }
    if (picture.Width() <= 0 || picture.Height() <= 0 || picture.Width() > kMaxBitmapSide ||
        picture.Height() > kMaxBitmapSide)
        std::abort();
    // A corner at most 512 pixels wide and high is enough to draw what was read: shrinking a
    // whole 40-megapixel picture costs seconds under the instrumentation, and its cost is
    // the halftone's, which does not depend on the file.
    const int width = std::min(picture.Width(), 512), height = std::min(picture.Height(), 512);
    TBitmap thumb(7, 5);
    thumb.Canvas().SetStretchMode(HALFTONE);
    thumb.Canvas().StretchBlt(0, 0, 7, 5, &picture.Canvas(), 0, 0, width, height, SRCCOPY);
    return 0;
}
