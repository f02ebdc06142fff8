#include "picture_preparation.h"

#include "heif_decoder.h"
#include "jpeg_decoder.h"
#include "qt_image_decoder.h"

#include "settings/settings.h"
#include "settings/trace_log.h"

#include "platform/gdi/canvas.h"
#include "platform/random.h"
#include "platform/win_math.h"

#include <QColorSpace>

#include <sys/stat.h>

using namespace platform;

int64_t FileSizeOf(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

namespace {

TBitmap filledBitmap(int w, int h, TColor colour)
{
    TBitmap b(w, h);
    b.Canvas().Brush.Color = colour;
    b.Canvas().Brush.Style = bsSolid;
    b.Canvas().FillRect(Rect(0, 0, w, h));
    return b;
}

// Shrinks the whole picture into the proportional rectangle of a sw × sh surface filled
// with the background colour, with halftone (area-averaging) stretching.
TBitmap shrinkOnto(const LoadedPicture& picture, int sw, int sh, TColor back)
{
    TBitmap canvas = filledBitmap(sw, sh, back);
    const TRect r = ShrinkTarget(picture.width, picture.height, sw, sh);
    TCanvas& c = canvas.Canvas();
    c.SetStretchMode(HALFTONE);
    c.StretchBlt(r.Left, r.Top, r.Width(), r.Height(), &picture.bitmap.Canvas(), 0, 0, picture.bitmap.Width(),
                 picture.bitmap.Height(), SRCCOPY);
    c.SetBrushOrigin({0, 0});
    return canvas;
}

// Stretches the whole picture over a w × h bitmap, proportions not kept.
TBitmap stretchTo(const TBitmap& picture, int w, int h, int bitsPerPixel)
{
    TBitmap out(w, h);
    TCanvas& c = out.Canvas();
    c.SetStretchMode(bitsPerPixel <= 8 ? HALFTONE : COLORONCOLOR);
    c.StretchBlt(0, 0, w, h, &picture.Canvas(), 0, 0, picture.Width(), picture.Height(), SRCCOPY);
    return out;
}

// A trace line when logging: to the log, or kept for the main thread to write.
void trace(bool log, std::vector<std::string>* deferred, const std::string& line)
{
    if (!log)
        return;
    if (deferred)
        deferred->push_back(line);
    else
        TraceLog(line);
}

void trace(const PreparationInput& in, const std::string& line)
{
    trace(in.log, in.deferredTrace, line);
}

ScaledPicture scaleFullScreen(LoadedPicture picture, const PreparationInput& in)
{
    const int sw = in.screen.width(), sh = in.screen.height();
    ScaledPicture out;
    PreparedPicture& p = out.prepared;
    int w = picture.width, h = picture.height;
    if (w > sw || h > sh) {
        trace(in, "Réduction de l'image : avant.");
        picture.bitmap = shrinkOnto(picture, sw, sh, in.backColor);
        trace(in, "Réduction de l'image : après.");
        w = picture.width = sw;
        h = picture.height = sh;
    }
    p.bitmap = std::move(picture.bitmap);
    out.width = w;
    out.height = h;

    if (in.ajuster) {
        p.bitmap = stretchTo(p.bitmap, sw, sh, in.displayBitsPerPixel);
        p.X = p.Y = 0;
    } else if (!in.centre && w <= sw && h <= sh) {
        out.placeAtRandom = true;
    } else if (in.transition) {
        trace(in, "Transition : avant.");
        p.X = (sw - w) / 2;
        p.Y = (sh - h) / 2;
        // A picture already covering the screen (a shrunk one is, on its background)
        // would only be copied whole onto a screen-sized background.
        if (p.bitmap.Width() != sw || p.bitmap.Height() != sh || p.X != 0 || p.Y != 0) {
            try {
                TBitmap canvas = filledBitmap(sw, sh, in.backColor);
                canvas.Canvas().Draw(p.X, p.Y, p.bitmap);
                p.bitmap = std::move(canvas);
                p.X = p.Y = 0;
            } catch (const GdiOutOfResources&) {
                // The picture goes on without its background, from where it had got to.
                trace(in, "Transition : plus de mémoire !");
            }
        }
        trace(in, "Transition : après.");
    } else {
        p.X = (sw - w) / 2;
        p.Y = (sh - h) / 2;
    }
    return out;
}

ScaledPicture scalePreview(LoadedPicture picture, const PreparationInput& in)
{
    const int bw = in.boxWidth, bh = in.boxHeight;
    ScaledPicture out;
    if (picture.width > bw || picture.height > bh) {
        trace(in, "Réduction de l'image : avant.");
        out.prepared.bitmap = shrinkOnto(picture, bw, bh, in.backColor);
    } else {
        out.prepared.bitmap = stretchTo(picture.bitmap, bw, bh, in.displayBitsPerPixel);
    }
    out.width = bw;
    out.height = bh;
    return out;
}

}  // namespace

void PreparationInput::TakeSettings(const TSettings& settings)
{
    ajuster = settings.Ajuster;
    centre = settings.Centre;
    transition = settings.Transition;
    log = settings.Log;
    step = settings.ClampedTailleEffet();
}

LoadedPicture LoadPicture(const std::string& path, QSize fitInto, bool log, std::vector<std::string>* deferredTrace)
{
    if (log)
        trace(log, deferredTrace, "Image : " + path + ". Taille :" + std::to_string(FileSizeOf(path)));
    LoadedPicture picture;
    const PictureFormat format = PeekPictureFormat(path);
    if (format == PictureFormat::Jpeg) {
        // Photographs taken upright are stored on their side with an orientation tag.
        const JpegHeader header = ReadJpegHeader(path);
        const bool swap = SwapsAxes(header.orientation);
        picture.width = swap ? header.height : header.width;
        picture.height = swap ? header.width : header.height;
        const int scale = fitInto.isEmpty() ? 8 : JpegScaleFor(picture.width, picture.height, fitInto);
        QImage image = Oriented(DecodeJpegFile(path, scale), header.orientation);
        if (!header.icc.isEmpty()) {
            image.setColorSpace(QColorSpace::fromIccProfile(header.icc));
            ConvertToSrgb(image);
        }
        picture.bitmap = TBitmap::AdoptOpaque(std::move(image));
    } else if (format == PictureFormat::Bmp) {
        picture.bitmap.LoadFromFile(path);
        picture.width = picture.bitmap.Width();
        picture.height = picture.bitmap.Height();
    } else {
        picture.bitmap = TBitmap::AdoptOpaque(format == PictureFormat::Heif ? DecodeHeifFile(path)
                                                                            : DecodeWithImageReader(path, format));
        picture.width = picture.bitmap.Width();
        picture.height = picture.bitmap.Height();
    }
    return picture;
}

TRect ShrinkTarget(int w, int h, int sw, int sh)
{
    if (static_cast<double>(w) / h >= static_cast<double>(sw) / sh) {
        const int th = MulDiv(sw, h, w);
        return Bounds(0, (sh - th) / 2, sw, th);
    }
    const int tw = MulDiv(sh, w, h);
    return Bounds((sw - tw) / 2, 0, tw, sh);
}

PreparedPicture PlacePicture(ScaledPicture picture, const PreparationInput& in)
{
    PreparedPicture out = std::move(picture.prepared);
    if (in.previewMode) {
        out.X = in.boxLeft;
        out.Y = in.boxTop;
        if (in.target) {
            in.target->Brush.Color = in.backColor;
            in.target->Brush.Style = bsSolid;
            in.target->FillRect(Rect(in.boxLeft - 2, in.boxTop - 2, in.boxLeft + in.boxWidth + 2,
                                     in.boxTop + in.boxHeight + 2));
        }
        return out;
    }
    const int sw = in.screen.width(), sh = in.screen.height();
    if (picture.placeAtRandom) {
        in.random.Randomize();
        out.X = in.random.Random(sw - picture.width);
        out.Y = in.random.Random(sh - picture.height);
    }
    if (out.X >= sw)
        out.X = 0;
    if (out.Y >= sh)
        out.Y = 0;
    return out;
}

PreparedPicture PrepareFullScreen(LoadedPicture picture, const PreparationInput& in)
{
    return PlacePicture(scaleFullScreen(std::move(picture), in), in);
}

PreparedPicture PreparePreview(LoadedPicture picture, const PreparationInput& in)
{
    return PlacePicture(scalePreview(std::move(picture), in), in);
}

void TrimToSteps(TBitmap& bitmap, int step)
{
    if (step <= 0)
        return;
    const int w = bitmap.Width() - bitmap.Width() % step;
    const int h = bitmap.Height() - bitmap.Height() % step;
    if (w != bitmap.Width() || h != bitmap.Height())
        bitmap.SetSize(w, h);
}

QSize FitSize(const PreparationInput& in)
{
    return in.previewMode ? QSize(in.boxWidth, in.boxHeight) : in.screen;
}

ScaledPicture ScalePicture(LoadedPicture picture, const PreparationInput& in)
{
    ScaledPicture out =
        in.previewMode ? scalePreview(std::move(picture), in) : scaleFullScreen(std::move(picture), in);
    TrimToSteps(out.prepared.bitmap, in.step);
    return out;
}

PreparedPicture PrepareLoaded(LoadedPicture loaded, const PreparationInput& in)
{
    return PlacePicture(ScalePicture(std::move(loaded), in), in);
}

PreparedPicture PreparePictureFile(const std::string& path, const PreparationInput& in)
{
    return PrepareLoaded(LoadPicture(path, FitSize(in), in.log, in.deferredTrace), in);
}

void ClearScreen(TCanvas& target, TColor colour, QSize screen)
{
    target.Brush.Color = colour;
    target.Brush.Style = bsSolid;
    target.FillRect(Rect(-1, 0, screen.width(), screen.height() + 1));
}
