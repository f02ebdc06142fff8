#pragma once
// What every picture decoder shares: how a file says what it is (its first bytes, never
// its name), the limits each decoder keeps, its error, and the last steps that make a
// decoded image a bitmap's pixels (sRGB, opaque).

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// A picture that cannot be decoded; the message names the file.
class PictureError : public std::runtime_error {
public:
    PictureError(const std::string& file, const std::string& reason);
};

// Pictures claiming more pixels than this are refused before any decoding.
inline constexpr long long kMaxPicturePixels = 100'000'000LL;
// Nor may decoding one need more memory than this, the picture included.
inline constexpr long long kMaxDecodeBytes = 512LL << 20;
// Nor is a file larger than this read (bitmaps stop lower, at what their pixel limit allows).
// A multiple of 1000, as the dialog announces it in Ko.
inline constexpr int64_t kMaxPictureFileBytes = 512'000'000;

// Throws PictureError for a picture of more than kMaxPicturePixels, or wider or taller
// than any bitmap; every decoder asks it of the header, and again of what it decoded.
void CheckPictureSize(long long width, long long height, const std::string& path);

enum class PictureFormat { Unknown, Jpeg, Bmp, Png, Gif, WebP, Tiff, Heif };

// The format the first bytes of a file announce (HEIF covers HEIC and AVIF).
PictureFormat SniffPictureFormat(const unsigned char* data, size_t size);
// The same for a file: only a regular file is opened; throws PictureError for a file that
// cannot be opened, an empty one, and one in no format read here.
PictureFormat PeekPictureFormat(const std::string& path);

// Converts an image (Format_RGB32 or Format_ARGB32) carrying an embedded profile to sRGB;
// an image without one, or already sRGB, is left as it is.
void ConvertToSrgb(QImage& image);
// A Format_RGB32 image with every pixel opaque, transparent parts drawn over black.
QImage OpaqueRgb32(QImage image);
