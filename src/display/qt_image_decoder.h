#pragma once
// PNG, WebP, TIFF and GIF (its first frame) through Qt's image readers and plugins.

#include "picture_format.h"

#include <QImage>

#include <string>

// Decodes the file as `format` (one of those four) into an opaque Format_RGB32 image,
// upright as its orientation tag says and in sRGB. The size the header claims is checked
// against the limits before any pixel is decoded. Throws PictureError.
QImage DecodeWithImageReader(const std::string& path, PictureFormat format);
