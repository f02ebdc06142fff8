#pragma once
// JPEG pictures through libjpeg-turbo: best quality (accurate DCT, smooth upsampling),
// optionally decoded at a reduced DCT scale when the picture will be shrunk anyway.

#include "picture_format.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <string>

struct JpegHeader {
    int width = 0;  // as stored, before the orientation is applied
    int height = 0;
    int orientation = 1;  // the EXIF orientation tag, 1 (upright) to 8; 1 when absent or unreadable
    QByteArray icc;       // the embedded colour profile (APP2 segments joined), empty when none
};

// Reads just the header (with the EXIF orientation and the colour profile); throws PictureError.
JpegHeader ReadJpegHeader(const std::string& path);

// The scale in eighths (1..8) to decode a width × height picture at, so that the result
// still covers `needed` on the axis that decides the shrink (the width when the picture
// is at least as wide, proportionally, as `needed`): the least such scale, except that
// 3/8 becomes 4/8, which decodes faster; 8 when no shrink is needed.
int JpegScaleFor(int width, int height, QSize needed);

// Decodes at scaleEighths/8 of the full size (8: full size) into a Format_RGB32 image (the
// size limits hold for the decoded size, so a picture too large whole may be read reduced),
// every pixel opaque (0xFFRRGGBB), so a bitmap can take it over as it is;
// any corrupt or missing data is an error, never a grey patch.
QImage DecodeJpegFile(const std::string& path, int scaleEighths = 8);

// The EXIF orientation tag of an APP1 segment's data ("Exif\0\0" and a TIFF structure);
// 1 when it has none or is damaged.
int ExifOrientation(const unsigned char* data, size_t size);

// Turns a picture as stored into the picture as taken (orientations 2 to 8).
QImage Oriented(QImage image, int orientation);
// Whether that orientation swaps width and height.
inline bool SwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }
