#pragma once
// Turns one picture file into a bitmap ready for a transition, and the place where it
// appears: decoded, shrunk to the screen (or preview box) keeping its proportions,
// stretched, placed, composed on the background, trimmed to whole effect steps.

#include "platform/gdi/bitmap.h"

#include <QSize>

#include <cstdint>
#include <string>

class TSettings;

// The size in bytes of the file or folder at path, -1 when there is none.
int64_t FileSizeOf(const std::string& path);

// What the preparation works with, read from the display thread.
struct PreparationInput {
    const TSettings* settings = nullptr;  // Ajuster, Centre, Transition, Log, TailleEffet
    platform::TColor backColor = platform::clBlack;
    bool previewMode = false;
    int boxLeft = 0, boxTop = 0, boxWidth = 0, boxHeight = 0;  // preview box
    QSize screen;                  // the primary screen, in pixels
    int displayBitsPerPixel = 32;  // halftone stretching is used at 8 or fewer
    platform::TCanvas* target = nullptr;  // the preview clears its box margin here
};

struct LoadedPicture {
    platform::TBitmap bitmap;
    // The picture's own size; the bitmap may be smaller when a large JPEG was decoded at
    // a reduced scale because it is to be shrunk anyway. Geometry uses this size.
    int width = 0;
    int height = 0;
};

struct PreparedPicture {
    platform::TBitmap bitmap;
    int X = 0;
    int Y = 0;
};

// Decodes ".JPG" files (any case) as JPEG and everything else as a Windows bitmap file;
// `fitInto` is the size it will be shrunk to fit (empty: decode at full size). Writes the
// "Image : " trace line when logging. Throws PictureError or platform::BitmapFileError.
LoadedPicture LoadPicture(const std::string& path, QSize fitInto, bool log);

// The rectangle a W × H picture is shrunk into on a SW × SH surface.
platform::TRect ShrinkTarget(int w, int h, int sw, int sh);

PreparedPicture PrepareFullScreen(LoadedPicture picture, const PreparationInput& input);
PreparedPicture PreparePreview(LoadedPicture picture, const PreparationInput& input);

// Cuts columns on the right and rows at the bottom to whole multiples of the step.
void TrimToSteps(platform::TBitmap& bitmap, int step);

// What one slide cycle does with its picture file: load, prepare for the screen or the
// preview box, trim to whole effect steps (the settings' clamped TailleEffet).
PreparedPicture PreparePictureFile(const std::string& path, const PreparationInput& input);
// The same for a picture already loaded.
PreparedPicture PrepareLoaded(LoadedPicture picture, const PreparationInput& input);
// The size a picture is to fit: the screen, or the preview box.
QSize FitSize(const PreparationInput& input);

// Without transitions each picture arrives on a cleared screen.
void ClearScreen(platform::TCanvas& target, platform::TColor colour, QSize screen);
