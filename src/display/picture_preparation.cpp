#include "picture_preparation.h"

#include "jpeg_decoder.h"

#include "settings/settings.h"
#include "settings/trace_log.h"

#include "platform/gdi/dc.h"
#include "platform/random.h"
#include "platform/win_math.h"

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

bool isJpegName(const std::string& path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.size() - dot != 4 || path.find('/', dot) != std::string::npos)
        return false;
    std::string ext = path.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".JPG";
}

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
    HDC dc = canvas.Canvas().Handle();
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, r.Left, r.Top, r.Width(), r.Height(), const_cast<TCanvas&>(picture.bitmap.Canvas()).Handle(), 0, 0,
               picture.bitmap.Width(), picture.bitmap.Height(), SRCCOPY);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    return canvas;
}

// Stretches the whole picture over a w × h bitmap, proportions not kept.
TBitmap stretchTo(const TBitmap& picture, int w, int h, int bitsPerPixel)
{
    TBitmap out(w, h);
    HDC dc = out.Canvas().Handle();
    SetStretchBltMode(dc, bitsPerPixel <= 8 ? HALFTONE : COLORONCOLOR);
    StretchBlt(dc, 0, 0, w, h, const_cast<TCanvas&>(picture.Canvas()).Handle(), 0, 0, picture.Width(),
               picture.Height(), SRCCOPY);
    return out;
}

void trace(const PreparationInput& in, const char* line)
{
    if (in.settings && in.settings->Log)
        TraceLog(line);
}

}  // namespace

LoadedPicture LoadPicture(const std::string& path, QSize fitInto, bool log)
{
    if (log)
        TraceLog("Image : " + path + ". Taille :" + std::to_string(FileSizeOf(path)));
    LoadedPicture picture;
    if (isJpegName(path)) {
        // Photographs taken upright are stored on their side with an orientation tag.
        const JpegHeader header = ReadJpegHeader(path);
        const bool swap = SwapsAxes(header.orientation);
        picture.width = swap ? header.height : header.width;
        picture.height = swap ? header.width : header.height;
        const int scale = fitInto.isEmpty() ? 8 : JpegScaleFor(picture.width, picture.height, fitInto);
        picture.bitmap = TBitmap::AdoptOpaque(Oriented(DecodeJpegFile(path, scale), header.orientation));
    } else {
        picture.bitmap.LoadFromFile(path);
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

PreparedPicture PrepareFullScreen(LoadedPicture picture, const PreparationInput& in)
{
    const int sw = in.screen.width(), sh = in.screen.height();
    PreparedPicture out;
    int w = picture.width, h = picture.height;
    if (w > sw || h > sh) {
        trace(in, "Réduction de l'image : avant.");
        picture.bitmap = shrinkOnto(picture, sw, sh, in.backColor);
        trace(in, "Réduction de l'image : après.");
        w = picture.width = sw;
        h = picture.height = sh;
    }
    out.bitmap = std::move(picture.bitmap);

    if (in.settings->Ajuster) {
        out.bitmap = stretchTo(out.bitmap, sw, sh, in.displayBitsPerPixel);
        out.X = out.Y = 0;
    } else if (!in.settings->Centre && w <= sw && h <= sh) {
        Randomize();
        out.X = Random(sw - w);
        out.Y = Random(sh - h);
    } else if (in.settings->Transition) {
        trace(in, "Transition : avant.");
        out.X = (sw - w) / 2;
        out.Y = (sh - h) / 2;
        // A picture already covering the screen (a shrunk one is, on its background)
        // would only be copied whole onto a screen-sized background.
        if (out.bitmap.Width() != sw || out.bitmap.Height() != sh || out.X != 0 || out.Y != 0) {
            try {
                TBitmap canvas = filledBitmap(sw, sh, in.backColor);
                canvas.Canvas().Draw(out.X, out.Y, out.bitmap);
                out.bitmap = std::move(canvas);
                out.X = out.Y = 0;
            } catch (const GdiOutOfResources&) {
                // The picture goes on without its background, from where it had got to.
                trace(in, "Transition : plus de mémoire !");
            }
        }
        trace(in, "Transition : après.");
    } else {
        out.X = (sw - w) / 2;
        out.Y = (sh - h) / 2;
    }
    if (out.X >= sw)
        out.X = 0;
    if (out.Y >= sh)
        out.Y = 0;
    return out;
}

PreparedPicture PreparePreview(LoadedPicture picture, const PreparationInput& in)
{
    const int bw = in.boxWidth, bh = in.boxHeight;
    PreparedPicture out;
    if (picture.width > bw || picture.height > bh) {
        trace(in, "Réduction de l'image : avant.");
        out.bitmap = shrinkOnto(picture, bw, bh, in.backColor);
    } else {
        out.bitmap = stretchTo(picture.bitmap, bw, bh, in.displayBitsPerPixel);
    }
    out.X = in.boxLeft;
    out.Y = in.boxTop;
    if (in.target) {
        in.target->Brush.Color = in.backColor;
        in.target->Brush.Style = bsSolid;
        in.target->FillRect(Rect(in.boxLeft - 2, in.boxTop - 2, in.boxLeft + bw + 2, in.boxTop + bh + 2));
    }
    return out;
}

void TrimToSteps(TBitmap& bitmap, int step)
{
    if (step <= 0)
        return;
    const int w = bitmap.Width() - bitmap.Width() % step;
    const int h = bitmap.Height() - bitmap.Height() % step;
    if (w != bitmap.Width() || h != bitmap.Height())
        bitmap.SetSize(w, h);
    bitmap.Dormant();
}

QSize FitSize(const PreparationInput& in)
{
    return in.previewMode ? QSize(in.boxWidth, in.boxHeight) : in.screen;
}

PreparedPicture PrepareLoaded(LoadedPicture loaded, const PreparationInput& in)
{
    PreparedPicture picture =
        in.previewMode ? PreparePreview(std::move(loaded), in) : PrepareFullScreen(std::move(loaded), in);
    TrimToSteps(picture.bitmap, in.settings->ClampedTailleEffet());
    return picture;
}

PreparedPicture PreparePictureFile(const std::string& path, const PreparationInput& in)
{
    return PrepareLoaded(LoadPicture(path, FitSize(in), in.settings->Log), in);
}

void ClearScreen(TCanvas& target, TColor colour, QSize screen)
{
    target.Brush.Color = colour;
    target.Brush.Style = bsSolid;
    target.FillRect(Rect(-1, 0, screen.width(), screen.height() + 1));
}
