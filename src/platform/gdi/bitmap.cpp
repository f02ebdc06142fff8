#include "platform/gdi/bitmap.h"

#include "platform/gdi/pixels.h"
#include "platform/gdi/surface_memory.h"
#include "platform/paths.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include <unistd.h>

namespace platform {

using namespace gdi_detail;

class TBitmap::BitmapCanvas : public TCanvas {
public:
    BitmapCanvas(QImage* surface, bool monochrome) : TCanvas(surface, monochrome) {}
};

namespace {

// Pictures read from files stay below this: 64 million pixels (a 50-megapixel camera
// fits), 256 MB once decoded.
constexpr long long kMaxFilePixels = 1LL << 26;

// Counted at the end of each constructor, so one that throws leaves it as it was.
std::atomic<std::size_t> liveBitmaps{0};

QImage makeImage(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width > kMaxBitmapSide || height > kMaxBitmapSide ||
        (long long)width * height > kMaxBitmapPixels)
        throw GdiOutOfResources("bitmap " + std::to_string(width) + " x " + std::to_string(height) +
                                " too large");
    if (width == 0 || height == 0)
        return QImage();
    QImage image = NewSurfaceImage(width, height);
    if (image.isNull())
        throw GdiOutOfResources("out of memory for a bitmap of " + std::to_string(width) + " x " +
                                std::to_string(height));
    image.fill(kWhitePixel);
    return image;
}

QImage toSurface(QImage image)
{
    if (image.isNull())
        return image;
    if (image.format() != QImage::Format_RGB32) {
        // Windows draws bitmaps without their alpha: keep the colour of every pixel,
        // whatever its alpha says.
        if (image.hasAlphaChannel()) {
            image = image.convertToFormat(QImage::Format_ARGB32);
            image.reinterpretAsFormat(QImage::Format_RGB32);
        } else {
            image = image.convertToFormat(QImage::Format_RGB32);
        }
    }
    const int w = image.width(), h = image.height();
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] |= kOpaque;
    }
    return image;
}

void checkSize(const QImage& image)
{
    if (image.width() > kMaxBitmapSide || image.height() > kMaxBitmapSide ||
        (long long)image.width() * image.height() > kMaxBitmapPixels)
        throw GdiOutOfResources("bitmap too large");
}

uint32_t u16(const QByteArray& d, int at)
{
    return uint32_t(uint8_t(d[at])) | uint32_t(uint8_t(d[at + 1])) << 8;
}

uint32_t u32(const QByteArray& d, int at) { return u16(d, at) | u16(d, at + 2) << 16; }

}  // namespace

BitmapFileError::BitmapFileError(const std::string& file, const std::string& reason)
    : std::runtime_error("Le fichier « " + file + " » n'est pas une image bitmap valide : " + reason +
                         "."),
      file_(file), reason_(reason)
{
}

std::string CheckBitmapHeader(const QByteArray& data)
{
    const long long size = data.size();
    if (size < 2 || data[0] != 'B' || data[1] != 'M')
        return "ce n'est pas un fichier bitmap";
    if (size < 18)
        return "en-tête tronqué";
    const uint32_t offBits = u32(data, 10);
    const uint32_t headerSize = u32(data, 14);
    long long width = 0, height = 0;
    uint32_t planes = 0, bitCount = 0, compression = 0, colorsUsed = 0;
    int paletteEntry = 4;
    if (headerSize == 12) {
        if (size < 14 + 12)
            return "en-tête tronqué";
        width = u16(data, 18);
        height = u16(data, 20);
        planes = u16(data, 22);
        bitCount = u16(data, 24);
        paletteEntry = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
               headerSize == 108 || headerSize == 124) {
        if (size < 14 + (long long)headerSize)
            return "en-tête tronqué";
        width = int32_t(u32(data, 18));
        height = int32_t(u32(data, 22));
        planes = u16(data, 26);
        bitCount = u16(data, 28);
        compression = u32(data, 30);
        colorsUsed = u32(data, 46);
    } else {
        return "en-tête de format inconnu";
    }
    const bool topDown = height < 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0)
        return "dimensions nulles";
    if (width > kMaxBitmapSide || height > kMaxBitmapSide || width * height > kMaxFilePixels)
        return "dimensions trop grandes (" + std::to_string(width) + " x " + std::to_string(height) + ")";
    if (planes != 1)
        return "nombre de plans invalide";
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return "profondeur de couleur invalide";
    const bool rle = compression == 1 || compression == 2;
    if (compression > 3 || (compression == 1 && bitCount != 8) || (compression == 2 && bitCount != 4) ||
        (compression == 3 && bitCount != 16 && bitCount != 32) || (rle && topDown))
        return "compression non prise en charge";
    if (bitCount <= 8) {
        const uint32_t maxColors = 1u << bitCount;
        if (colorsUsed > maxColors)
            return "palette invalide";
        const long long paletteBytes = (long long)(colorsUsed ? colorsUsed : maxColors) * paletteEntry;
        if (14 + (long long)headerSize + paletteBytes > size)
            return "palette tronquée";
    }
    if (offBits < 14 + headerSize || (long long)offBits >= size)
        return "données des pixels absentes";
    if (!rle) {
        const long long rowBytes = ((width * bitCount + 31) / 32) * 4;
        if ((long long)offBits + rowBytes * height > size)
            return "fichier tronqué";
    }
    return {};
}

TBitmap::TBitmap() : canvas_(std::make_unique<BitmapCanvas>(&image_, false)) { ++liveBitmaps; }

// Counted by the default constructor it delegates to; a throwing SetSize still destroys it.
TBitmap::TBitmap(int width, int height) : TBitmap() { SetSize(width, height); }

TBitmap::TBitmap(const TBitmap& other)
    : image_(CopySurfaceImage(other.image_)), emptyWidth_(other.emptyWidth_), emptyHeight_(other.emptyHeight_),
      monochrome_(other.monochrome_), format_(other.format_),
      canvas_(std::make_unique<BitmapCanvas>(&image_, other.monochrome_))
{
    ++liveBitmaps;
}

TBitmap::TBitmap(TBitmap&& other) noexcept
    : image_(std::move(other.image_)), emptyWidth_(other.emptyWidth_), emptyHeight_(other.emptyHeight_),
      monochrome_(other.monochrome_), format_(other.format_), canvas_(std::move(other.canvas_))
{
    rebind();
    other.image_ = QImage();
    other.emptyWidth_ = other.emptyHeight_ = 0;
    other.canvas_ = std::make_unique<BitmapCanvas>(&other.image_, other.monochrome_);
    ++liveBitmaps;
}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this != &other) {
        image_ = CopySurfaceImage(other.image_);
        emptyWidth_ = other.emptyWidth_;
        emptyHeight_ = other.emptyHeight_;
        monochrome_ = other.monochrome_;
        format_ = other.format_;
        rebind();
    }
    return *this;
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept
{
    if (this != &other) {
        std::swap(image_, other.image_);
        std::swap(emptyWidth_, other.emptyWidth_);
        std::swap(emptyHeight_, other.emptyHeight_);
        std::swap(monochrome_, other.monochrome_);
        std::swap(format_, other.format_);
        std::swap(canvas_, other.canvas_);
        rebind();
        other.rebind();
    }
    return *this;
}

TBitmap::~TBitmap() { --liveBitmaps; }

std::size_t LiveBitmapCount() { return liveBitmaps.load(); }

void TBitmap::rebind()
{
    canvas_->Rebind(&image_);
    canvas_->SetMonochromeSurface(monochrome_);
}

TBitmap TBitmap::FromImage(const QImage& image)
{
    checkSize(image);
    TBitmap b;
    b.image_ = toSurface(image.copy());
    b.rebind();
    return b;
}

TBitmap TBitmap::AdoptOpaque(QImage&& image)
{
    checkSize(image);
    TBitmap b;
    if (image.format() == QImage::Format_RGB32)
        b.image_ = std::move(image);
    else
        b.image_ = toSurface(std::move(image));
    image = QImage();
    b.rebind();
    return b;
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height())
        return;
    QImage next = makeImage(width, height);
    if (!next.isNull() && !image_.isNull()) {
        const int w = std::min(width, Width()), h = std::min(height, Height());
        for (int y = 0; y < h; ++y)
            std::memcpy(next.scanLine(y), image_.constScanLine(y), size_t(w) * 4);
    }
    image_ = std::move(next);
    emptyWidth_ = width;
    emptyHeight_ = height;
    rebind();
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == pf1bit) {
        SetMonochrome(true);
        return;
    }
    SetMonochrome(false);
    format_ = format;
}

void TBitmap::SetMonochrome(bool monochrome)
{
    if (monochrome && !monochrome_) {
        for (int y = 0; y < Height(); ++y) {
            uint32_t* row = ScanLine(y);
            for (int x = 0; x < Width(); ++x)
                row[x] = MonoOf(row[x]);
        }
    }
    monochrome_ = monochrome;
    rebind();
}

void TBitmap::LoadFromFile(const std::string& path)
{
    std::string why;
    const int fd = OpenRegularFile(path, why);
    if (fd < 0)
        throw BitmapFileError(path, "lecture impossible (" + why + ")");
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw BitmapFileError(path, "lecture impossible");
    }
    // A bitmap larger than the largest picture accepted cannot be valid either.
    constexpr qint64 kMaxFileBytes = kMaxFilePixels * 4 + (1 << 16);
    if (file.size() > kMaxFileBytes)
        throw BitmapFileError(path, "fichier trop grand");
    LoadFromBytes(file.readAll(), path);
}

void TBitmap::LoadFromBytes(const QByteArray& data, const std::string& name)
{
    if (std::string reason = CheckBitmapHeader(data); !reason.empty())
        throw BitmapFileError(name, reason);
    // The header check bounds the size.
    AllowImageReaderAllocation(int(kMaxFilePixels * 4 / (1024 * 1024)) + 64);
    QImage decoded;
    if (!decoded.loadFromData(data, "BMP") || decoded.isNull())
        throw BitmapFileError(name, "contenu illisible");
    image_ = toSurface(std::move(decoded));
    monochrome_ = false;
    format_ = pf24bit;
    rebind();
}

void TBitmap::SaveToFile(const std::string& path) const
{
    if (!image_.save(QString::fromStdString(path)))
        throw BitmapFileError(path, "écriture impossible");
}

uint32_t* TBitmap::ScanLine(int y) { return reinterpret_cast<uint32_t*>(image_.scanLine(y)); }

const uint32_t* TBitmap::ScanLine(int y) const
{
    return reinterpret_cast<const uint32_t*>(image_.constScanLine(y));
}

void AllowImageReaderAllocation(int megabytes)
{
    static std::mutex raising;
    const std::lock_guard lock(raising);
    const int limit = QImageReader::allocationLimit();
    if (limit != 0 && limit < megabytes)
        QImageReader::setAllocationLimit(megabytes);
}

}  // namespace platform
