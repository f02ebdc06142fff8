#include "qt_image_decoder.h"

#include "jpeg_decoder.h"

#include "platform/gdi/bitmap.h"
#include "platform/paths.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QRgba64>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include <unistd.h>

namespace {

const char* readerFormat(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Png: return "png";
    case PictureFormat::WebP: return "webp";
    case PictureFormat::Tiff: return "tiff";
    case PictureFormat::Gif: return "gif";
    default: return nullptr;
    }
}

// What the readers leave out: the EXIF orientation of PNG and WebP files, and whether a PNG's
// colours come from an embedded profile rather than from its gamma alone.
struct Metadata {
    int orientation = 1;
    bool icc = false;
    // A PNG chunk other than the pixels' that claims more bytes than the file has left:
    // libpng would allocate all of it before finding the end (a gigabyte for a tiny file).
    std::string overlong;
    // A 16-bit truecolour PNG's transparent colour (tRNS), which Qt reads as an alpha
    // channel that is not there, scrambling the pixels: the chunk is left out of what Qt
    // reads (from `keyAt`, `keySize` bytes), and the colour made transparent here.
    std::optional<std::array<uint16_t, 3>> key;
    qint64 keyAt = 0;
    qint64 keySize = 0;
};

uint32_t be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t le32(const unsigned char* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }

int exifOrientation(QByteArray exif)
{
    if (!exif.startsWith(QByteArray("Exif\0\0", 6)))
        exif.prepend(QByteArray("Exif\0\0", 6));
    return ExifOrientation(reinterpret_cast<const unsigned char*>(exif.constData()), static_cast<size_t>(exif.size()));
}

constexpr qint64 kMaxExifBytes = 1 << 16;
constexpr int kMaxChunks = 4096;  // a damaged file is not walked for ever

// Walks a file's chunks from `at`: PNG's (length, type, data, CRC) or RIFF's (type, length,
// data padded to an even size), until `visit` says it has seen enough.
template <typename Visit>
void walkChunks(QIODevice& file, qint64 at, bool png, Visit visit)
{
    for (int i = 0; i < kMaxChunks && file.seek(at); ++i) {
        unsigned char head[8];
        if (file.read(reinterpret_cast<char*>(head), 8) != 8)
            return;
        const qint64 length = png ? be32(head) : le32(head + 4);
        if (!visit(QByteArray(reinterpret_cast<const char*>(png ? head + 4 : head), 4), length))
            return;
        at += 8 + length + (png ? 4 : length & 1);
    }
}

Metadata metadataOf(QIODevice& file, PictureFormat format)
{
    Metadata m;
    if (format != PictureFormat::Png && format != PictureFormat::WebP)
        return m;
    const bool png = format == PictureFormat::Png;
    bool sixteenBitColour = false;
    // PNG's eXIf may come before or after the pixels; WebP's EXIF follows them.
    const qint64 fileSize = file.size();
    walkChunks(file, png ? 8 : 12, png, [&](const QByteArray& type, qint64 length) {
        // A cut file ends inside its pixels, which libpng reads as they come.
        if (png && type != "IDAT" && length > fileSize - file.pos()) {
            const bool named = std::all_of(type.begin(), type.end(), [](char c) { return std::isalpha(uchar(c)); });
            m.overlong = named ? type.toStdString() : std::string("?");
            return false;
        }
        if (png && type == "IHDR" && length == 13) {
            const QByteArray header = file.read(13);
            sixteenBitColour = header.size() == 13 && uchar(header[8]) == 16 && uchar(header[9]) == 2;
        } else if (png && type == "tRNS" && length == 6 && sixteenBitColour) {
            const qint64 at = file.pos() - 8;
            const QByteArray colour = file.read(6);
            if (colour.size() == 6) {
                const auto* c = reinterpret_cast<const unsigned char*>(colour.constData());
                m.key = {uint16_t(c[0] << 8 | c[1]), uint16_t(c[2] << 8 | c[3]), uint16_t(c[4] << 8 | c[5])};
                m.keyAt = at;
                m.keySize = 8 + 6 + 4;
            }
        } else if (png && type == "iCCP")
            m.icc = true;
        else if (type == (png ? "eXIf" : "EXIF") && length <= kMaxExifBytes)
            m.orientation = exifOrientation(file.read(length));
        return type != "IEND";
    });
    return m;
}

std::string readerError(const QImageReader& reader, const char* fallback)
{
    // The reader's own words only where they say more than "unknown error".
    const std::string text = reader.errorString().toStdString();
    return reader.error() == QImageReader::UnknownError || text.empty() ? fallback : text;
}

// The pixels of exactly that 16-bit colour become transparent, as a tRNS chunk says.
void applyTransparentColour(QImage& image, const std::array<uint16_t, 3>& key)
{
    image = image.convertToFormat(QImage::Format_RGBA64);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgba64*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (row[x].red() == key[0] && row[x].green() == key[1] && row[x].blue() == key[2])
                row[x] = QRgba64::fromRgba64(0, 0, 0, 0);
    }
}

void checkSize(QSize size, const std::string& path)
{
    CheckPictureSize(size.width(), size.height(), path);
    const long long pixels = static_cast<long long>(size.width()) * size.height();
    // The decoded picture and one 32-bit copy of it, as converting to the bitmap's format makes.
    if (pixels * 8 > kMaxDecodeBytes)
        throw PictureError(path, "mémoire insuffisante");
}

}  // namespace

QImage DecodeWithImageReader(const std::string& path, PictureFormat format)
{
    const char* name = readerFormat(format);
    if (!name)
        throw PictureError(path, "format d'image non reconnu");
    std::string why;
    const int fd = platform::OpenRegularFile(path, why);
    if (fd < 0)
        throw PictureError(path, why);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw PictureError(path, "lecture impossible");
    }
    if (file.size() > kMaxPictureFileBytes)
        throw PictureError(path, "fichier trop grand");
    // Our own checks below bound what is decoded.
    platform::AllowImageReaderAllocation(int(kMaxDecodeBytes >> 20));
    const Metadata metadata = metadataOf(file, format);
    if (!metadata.overlong.empty())
        throw PictureError(path, "fichier endommagé (bloc " + metadata.overlong + " plus long que le fichier)");
    if (!file.seek(0))
        throw PictureError(path, "lecture impossible");
    QByteArray keyless;
    QBuffer keylessFile(&keyless);
    if (metadata.key) {
        keyless = file.readAll();
        if (keyless.size() != file.size())
            throw PictureError(path, "lecture impossible");
        keyless.remove(metadata.keyAt, metadata.keySize);
        keylessFile.open(QIODevice::ReadOnly);
    }
    QImageReader reader(metadata.key ? static_cast<QIODevice*>(&keylessFile) : &file, name);
    reader.setAutoDetectImageFormat(false);  // the content decided the format already
    reader.setAutoTransform(true);  // TIFF's own orientation tag
    const QSize size = reader.size();  // from the header alone
    if (!size.isValid() || size.isEmpty())
        throw PictureError(path, readerError(reader, "en-tête illisible"));
    checkSize(size, path);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw PictureError(path, readerError(reader, "image illisible"));
    checkSize(image.size(), path);  // a GIF's frame may reach past the size its header gives
    if (metadata.key)
        applyTransparentColour(image, *metadata.key);
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // Qt gives a PNG with only a gamma a colour space of its own: such a picture has no
    // profile, and stays as it is stored.
    if (format != PictureFormat::Png || metadata.icc)
        ConvertToSrgb(image);
    return OpaqueRgb32(Oriented(std::move(image), metadata.orientation));
}
