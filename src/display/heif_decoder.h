#pragma once
// HEIC and AVIF (the HEIF family) through libheif: the primary picture, turned as its
// container says (irot, imir, clap), in sRGB.

#include <QImage>

#include <string>

// Decodes the file's primary picture into an opaque Format_RGB32 image; its size is
// checked against the limits before any pixel is decoded. Throws PictureError.
QImage DecodeHeifFile(const std::string& path);
