#pragma once
// Pixel memory for surfaces. A large surface lies in memory the kernel may back with 2 MB
// pages: an effect that walks down a column touches one page per row, and with 4 KB pages
// the translation of each address, not the copy, is what such a walk costs on a 4K screen.

#include <QImage>

namespace platform {

// A width × height Format_RGB32 image, its pixels not set.
QImage NewSurfaceImage(int width, int height);
// A copy of a Format_RGB32 image in the same kind of memory.
QImage CopySurfaceImage(const QImage& image);

}  // namespace platform
