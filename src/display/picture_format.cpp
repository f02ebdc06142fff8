#include "picture_format.h"

#include "platform/gdi/bitmap.h"
#include "platform/paths.h"

#include <QColorSpace>

#include <cerrno>
#include <cstring>

#include <unistd.h>

PictureError::PictureError(const std::string& file, const std::string& reason)
    : std::runtime_error(file + " : " + reason)
{
}

void CheckPictureSize(long long width, long long height, const std::string& path)
{
    if (width * height > kMaxPicturePixels || width > platform::kMaxBitmapSide || height > platform::kMaxBitmapSide)
        throw PictureError(path, "image trop grande (" + std::to_string(width) + " x " + std::to_string(height) + ")");
}

namespace {

bool startsWith(const unsigned char* data, size_t size, const char* magic, size_t length, size_t at = 0)
{
    return size >= at + length && std::memcmp(data + at, magic, length) == 0;
}

// An ISO base media file (the HEIF family) whose ftyp box names a still-picture brand,
// as its major brand or among the compatible ones.
bool isHeif(const unsigned char* data, size_t size)
{
    if (!startsWith(data, size, "ftyp", 4, 4))
        return false;
    const size_t box = size_t(data[0]) << 24 | size_t(data[1]) << 16 | size_t(data[2]) << 8 | data[3];
    const size_t end = std::min(size, box);
    static const char* const brands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                         "mif1", "msf1", "avif", "avis"};
    for (size_t at = 8; at + 4 <= end; at += 4) {
        if (at == 12)
            continue;  // the minor version
        for (const char* brand : brands)
            if (std::memcmp(data + at, brand, 4) == 0)
                return true;
    }
    return false;
}

}  // namespace

PictureFormat SniffPictureFormat(const unsigned char* data, size_t size)
{
    if (startsWith(data, size, "\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (startsWith(data, size, "BM", 2))
        return PictureFormat::Bmp;
    if (startsWith(data, size, "\x89PNG\r\n\x1A\n", 8))
        return PictureFormat::Png;
    if (startsWith(data, size, "GIF87a", 6) || startsWith(data, size, "GIF89a", 6))
        return PictureFormat::Gif;
    if (startsWith(data, size, "RIFF", 4) && startsWith(data, size, "WEBP", 4, 8))
        return PictureFormat::WebP;
    if (startsWith(data, size, "II*\0", 4) || startsWith(data, size, "MM\0*", 4))
        return PictureFormat::Tiff;
    if (isHeif(data, size))
        return PictureFormat::Heif;
    return PictureFormat::Unknown;
}

PictureFormat PeekPictureFormat(const std::string& path)
{
    std::string why;
    const int fd = platform::OpenRegularFile(path, why);
    if (fd < 0)
        throw PictureError(path, why);
    unsigned char head[64];
    ssize_t got;
    do
        got = ::pread(fd, head, sizeof head, 0);
    while (got < 0 && errno == EINTR);
    const int error = errno;
    ::close(fd);
    if (got < 0)
        throw PictureError(path, std::strerror(error));
    if (got == 0)
        throw PictureError(path, "fichier vide");
    const PictureFormat format = SniffPictureFormat(head, static_cast<size_t>(got));
    if (format == PictureFormat::Unknown)
        throw PictureError(path, "format d'image non reconnu");
    return format;
}

void ConvertToSrgb(QImage& image)
{
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb))
        return;
    image.convertToColorSpace(QColorSpace::SRgb);
}

QImage OpaqueRgb32(QImage image)
{
    if (image.hasAlphaChannel()) {
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] |= 0xFF000000u;
        }
        image.reinterpretAsFormat(QImage::Format_RGB32);
    } else if (image.format() != QImage::Format_RGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    return image;
}
