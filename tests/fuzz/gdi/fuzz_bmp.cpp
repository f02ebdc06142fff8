// Any bytes as a Windows bitmap file: read, or refused with BitmapFileError, never a
// crash or an allocation larger than the header check allows; what is read draws.

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"

#include <QByteArray>

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
    TBitmap thumb(7, 5);
    SetStretchBltMode(&thumb.Canvas(), HALFTONE);
    StretchBlt(&thumb.Canvas(), 0, 0, 7, 5, &picture.Canvas(), 0, 0, picture.Width(), picture.Height(),
               SRCCOPY);
    return 0;
}
