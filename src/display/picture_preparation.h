#pragma once
// Turns one picture file into a bitmap ready for a transition, and the place where it
// appears: decoded, shrunk to the screen (or preview box) keeping its proportions,
// stretched, placed, composed on the background, trimmed to whole effect steps.

#include "platform/random.h"
#include "platform/gdi/bitmap.h"

#include <QSize>

#include <cstdint>
#include <string>
#include <vector>

class TSettings;

// The size in bytes of the file or folder at path, -1 when there is none.
int64_t FileSizeOf(const std::string& path);

// What the preparation works with, read from a background task. It holds copies, not the
// session's settings, so that a preparation may run on a thread of its own and outlive it.
struct PreparationInput {
    bool ajuster = false, centre = true, transition = true, log = false;
    int step = 4;  // TailleEffet as the effects take it (clamped)
    platform::TColor backColor = platform::clBlack;
    bool previewMode = false;
    int boxLeft = 0, boxTop = 0, boxWidth = 0, boxHeight = 0;  // preview box
    QSize screen;                  // the primary screen, in pixels
    int displayBitsPerPixel = 32;  // halftone stretching is used at 8 or fewer
    platform::TCanvas* target = nullptr;  // the preview clears its box margin here
    // Where trace lines go when logging: straight to the log, or, when set, into this list
    // for the main thread to write once it takes the picture.
    std::vector<std::string>* deferredTrace = nullptr;
    // The show's generator, which places a picture at random (seeded again first).
    platform::RandomSource random;

    // Ajuster, Centre, Transition, LOG and the clamped TailleEffet of these settings.
    void TakeSettings(const TSettings& settings);
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

// Decodes the file in the format its first bytes announce, whatever its name: JPEG,
// Windows bitmap, PNG, WebP, TIFF, GIF, HEIC or AVIF, upright and in sRGB. `fitInto` is
// the size it will be shrunk to fit (empty: decode at full size). Writes the "Image : "
// trace line when logging (into `deferredTrace` when given). Only regular files are
// opened. Throws PictureError or platform::BitmapFileError.
LoadedPicture LoadPicture(const std::string& path, QSize fitInto, bool log,
                          std::vector<std::string>* deferredTrace = nullptr);

// The rectangle a W × H picture is shrunk into on a SW × SH surface.
platform::TRect ShrinkTarget(int w, int h, int sw, int sh);

PreparedPicture PrepareFullScreen(LoadedPicture picture, const PreparationInput& input);
PreparedPicture PreparePreview(LoadedPicture picture, const PreparationInput& input);

// Cuts columns on the right and rows at the bottom to whole multiples of the step.
void TrimToSteps(platform::TBitmap& bitmap, int step);

// A picture brought to the screen (or box), composed and trimmed: every step of the
// preparation that neither draws on the target nor takes from the random generator, so
// that it may run away from the main thread. What is left is PlacePicture's.
struct ScaledPicture {
    PreparedPicture prepared;
    bool placeAtRandom = false;  // Centre off and the picture fits: X, Y are drawn at placing
    int width = 0, height = 0;   // the size placement works with (before trimming)
};
ScaledPicture ScalePicture(LoadedPicture picture, const PreparationInput& input);
// The rest, on the main thread: the random place (reseeding the generator first), the
// bounds, the preview's cleared margin.
PreparedPicture PlacePicture(ScaledPicture picture, const PreparationInput& input);

// What one slide cycle does with its picture file: load, prepare for the screen or the
// preview box, trim to whole effect steps.
PreparedPicture PreparePictureFile(const std::string& path, const PreparationInput& input);
// The same for a picture already loaded.
PreparedPicture PrepareLoaded(LoadedPicture picture, const PreparationInput& input);
// The size a picture is to fit: the screen, or the preview box.
QSize FitSize(const PreparationInput& input);

// Without transitions each picture arrives on a cleared screen.
void ClearScreen(platform::TCanvas& target, platform::TColor colour, QSize screen);
