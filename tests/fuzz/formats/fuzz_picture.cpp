// Any bytes as a picture file through the slide show's loading: the format taken from the
// content, the header checked against the limits, decoding, orientation, colour profile.
// A picture or a PictureError (BitmapFileError for what announces a bitmap), never a crash,
// and never a picture beyond the limits. One entry for every format; each target's seeds
// lead the fuzzer to its own.

#include "display/picture_format.h"
#include "display/picture_preparation.h"

#include "platform/gdi/bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An in-memory file keeps the disk out of the loop; the loader opens it by name.
    static const int fd = memfd_create("fuzz-picture", 0);
    static const std::string path = "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    try {
        const LoadedPicture picture = LoadPicture(path, QSize(64, 48), false);
        const long long pixels = static_cast<long long>(picture.width) * picture.height;
        if (picture.width <= 0 || picture.height <= 0 || pixels > kMaxPicturePixels ||
            picture.bitmap.Width() > platform::kMaxBitmapSide || picture.bitmap.Height() > platform::kMaxBitmapSide)
            std::abort();
    } catch (const PictureError&) {
    } catch (const platform::BitmapFileError&) {
    }
    return 0;
}
