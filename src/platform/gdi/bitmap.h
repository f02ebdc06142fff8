#pragma once
// TBitmap: an off-screen picture of 8 bits per colour without alpha (what the
// program's "24-bit" bitmaps mean for drawing), or a monochrome mask, with its canvas.
// New bitmaps and newly grown areas are white; resizing keeps the pixels that stay.

#include "platform/gdi/canvas.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Larger bitmaps are refused: no picture of the program comes near, and a file that
// claims more is taken as damaged rather than allowed to exhaust memory.
constexpr int kMaxBitmapSide = 32767;
constexpr long long kMaxBitmapPixels = 1LL << 27;  // 512 MB of pixels

// A bitmap could not be made (too large, or out of memory).
class GdiOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that is not a readable Windows bitmap; the message names the file.
class BitmapFileError : public std::runtime_error {
public:
    BitmapFileError(const std::string& file, const std::string& reason);
    const std::string& File() const { return file_; }
    const std::string& Reason() const { return reason_; }

private:
    std::string file_;
    std::string reason_;
};

class TBitmap {
public:
    TBitmap();
    TBitmap(int width, int height);
    TBitmap(const TBitmap& other);
    TBitmap(TBitmap&& other) noexcept;
    TBitmap& operator=(const TBitmap& other);
    TBitmap& operator=(TBitmap&& other) noexcept;
    ~TBitmap();

    // Takes any QImage (converted to the bitmap's format).
    static TBitmap FromImage(const QImage& image);
    // Takes over an image whose pixels already are the bitmap's (Format_RGB32, every one
    // 0xFFRRGGBB, as libjpeg's BGRA output is), neither copying nor touching them; an
    // image of any other format is converted as FromImage does.
    static TBitmap AdoptOpaque(QImage&& image);

    int Width() const { return image_.isNull() ? emptyWidth_ : image_.width(); }
    int Height() const { return image_.isNull() ? emptyHeight_ : image_.height(); }
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    void SetSize(int width, int height);
    bool Empty() const { return image_.isNull() || Width() == 0 || Height() == 0; }

    TCanvas& Canvas() { return *canvas_; }
    const TCanvas& Canvas() const { return *canvas_; }

    // pf1bit makes the bitmap monochrome; the colour formats all store 8 bits per
    // colour and are kept only to answer PixelFormat.
    TPixelFormat PixelFormat() const { return monochrome_ ? pf1bit : format_; }
    void SetPixelFormat(TPixelFormat format);
    bool Monochrome() const { return monochrome_; }
    void SetMonochrome(bool monochrome);

    // Reads a Windows bitmap file whatever its name; throws BitmapFileError.
    void LoadFromFile(const std::string& path);
    // The same from bytes in memory; `name` is used in the error.
    void LoadFromBytes(const QByteArray& data, const std::string& name);
    // Writes the file in the format its extension names (BMP, PNG, ...).
    void SaveToFile(const std::string& path) const;

    // Rows of 0xFFRRGGBB pixels.
    uint32_t* ScanLine(int y);
    const uint32_t* ScanLine(int y) const;
    const QImage& Image() const { return image_; }

private:
    class BitmapCanvas;
    void rebind();

    QImage image_;
    // The size of a bitmap without pixels (one side 0), so that setting the width and
    // then the height makes a bitmap of both.
    int emptyWidth_ = 0;
    int emptyHeight_ = 0;
    bool monochrome_ = false;
    TPixelFormat format_ = pfDevice;
    std::unique_ptr<TCanvas> canvas_;
};

// TBitmap objects alive in the process, for tests and diagnostics: an effect or a cycle
// that ends with more than it began with has leaked one.
std::size_t LiveBitmapCount();

// The header check done before any pixel is allocated; empty when the data may be
// handed to the decoder, else the reason (in the user's language) it is refused.
std::string CheckBitmapHeader(const QByteArray& data);

// Qt's image readers refuse what needs more than their own allocation limit: a caller
// that bounds what it decodes itself raises the limit to that bound (it is never lowered).
void AllowImageReaderAllocation(int megabytes);

}  // namespace platform
