#include "platform/gdi/surface_memory.h"

#include <QColorSpace>

#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

namespace platform {

namespace {

constexpr size_t kLargePage = size_t(2) << 20;
// Below this a surface gains little from large pages and would waste much of one.
constexpr size_t kLargeSurface = size_t(4) << 20;

}  // namespace

QImage NewSurfaceImage(int width, int height)
{
    const size_t bytes = size_t(width) * 4 * size_t(height);
    if (width <= 0 || height <= 0 || bytes < kLargeSurface)
        return QImage(width, height, QImage::Format_RGB32);
    const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* memory = std::aligned_alloc(kLargePage, rounded);
    if (!memory)
        return QImage();
    // Asked before the first touch, so that the pages are large from the start; a kernel
    // that declines leaves ordinary pages, which is only slower.
    ::madvise(memory, rounded, MADV_HUGEPAGE);
    return QImage(static_cast<uchar*>(memory), width, height, qsizetype(width) * 4, QImage::Format_RGB32,
                  [](void* info) { std::free(info); }, memory);
}

QImage CopySurfaceImage(const QImage& image)
{
    if (image.isNull() || image.format() != QImage::Format_RGB32)
        return image.copy();
    QImage copy = NewSurfaceImage(image.width(), image.height());
    if (copy.isNull())
        return copy;
    const size_t row = size_t(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(copy.scanLine(y), image.constScanLine(y), row);
    copy.setColorSpace(image.colorSpace());
    return copy;
}

}  // namespace platform
