// Any bytes as a JPEG picture file, through the slide show's loading (header, EXIF
// orientation, decoding at a reduced scale, turning upright): a picture or PictureError,
// never a crash, and never a picture beyond the pixel limit.

#include "display/jpeg_decoder.h"
#include "display/picture_preparation.h"

#include "platform/gdi/bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The loader reads files named .jpg: a link to an in-memory one keeps the disk out of the loop.
    static const int fd = memfd_create("fuzz", 0);
    static const std::string path = [] {
        const std::string link = "/tmp/lumivane-fuzz-" + std::to_string(getpid()) + ".jpg";
        unlink(link.c_str());
        if (symlink(("/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(fd)).c_str(), link.c_str()) != 0)
            std::abort();
        return link;
    }();
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    for (const QSize fit : {QSize(64, 48), QSize()}) {
        try {
            const LoadedPicture picture = LoadPicture(path, fit, false);
            const long long pixels = static_cast<long long>(picture.width) * picture.height;
            if (picture.width <= 0 || picture.height <= 0 || pixels > kMaxPicturePixels)
                std::abort();
        } catch (const PictureError&) {
        } catch (const platform::BitmapFileError&) {  // bytes that announce a bitmap
        }
    }
    const int orientation = ExifOrientation(data, size);
    if (orientation < 1 || orientation > 8)
        std::abort();
    return 0;
}
