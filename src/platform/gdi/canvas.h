#pragma once
// TCanvas: drawing on a bitmap or on a window's back buffer, in the manner of a device
// context: a brush, a pen, a font, a copy mode, a stretch mode and a clip region, all
// honoured by every call. Rectangles are clipped to the surface, so no call touches
// memory outside it, and a rectangle given with right left of left (or bottom above
// top) means the pixels its two edges span.
//
// Colours are read when a call draws, so a system colour follows the palette.
// On a monochrome surface colours become black or white (by brightness).

#include "platform/gdi/region.h"
#include "platform/gdi/types.h"

#include <QImage>
#include <QRect>
#include <QRegion>

#include <string>
#include <vector>

namespace platform {

class TBitmap;
class TCanvas;
class DirtyTiles;
using HDC = TCanvas*;

enum TBrushStyle { bsSolid, bsClear };
enum TPenStyle { psSolid, psClear };
enum TFillStyle { fsSurface, fsBorder };

// Font style bits.
constexpr unsigned fsBold = 1;
constexpr unsigned fsItalic = 2;
constexpr unsigned fsUnderline = 4;
constexpr unsigned fsStrikeOut = 8;

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
};

struct TFont {
    // "MS Sans Serif" and the other Windows dialog fonts mean the desktop's sans font.
    std::string Name = "MS Sans Serif";
    // Windows sense: negative is the character height in pixels (-11 is 8 points at
    // 96 dots per inch), positive the cell height, 0 the default size.
    int Height = -11;
    TColor Color = clWindowText;
    unsigned Style = 0;

    int Size() const;            // points
    void SetSize(int points);    // sets Height
};

class TCanvas {
public:
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    virtual ~TCanvas();

    TBrush Brush;
    TPen Pen;
    TFont Font;
    DWORD CopyMode = SRCCOPY;
    TPoint PenPos;

    HDC Handle() { return this; }
    const TCanvas* Handle() const { return this; }
    int Width() const { return surface_->width(); }
    int Height() const { return surface_->height(); }

    // Brush fills; nothing with a clear brush or clNone.
    void FillRect(const TRect& rect);
    // One-pixel pen lines leave out their last point, as GDI's do; wider pens are
    // stroked with round ends.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(const TPoint* points, int count);
    // A start point followed by three points per cubic segment (1 + 3n points).
    void PolyBezier(const TPoint* points, int count);
    void PolyBezier(const std::vector<TPoint>& points) { PolyBezier(points.data(), int(points.size())); }
    // fsBorder: fills the 4-connected area around (x, y) bounded by `color`;
    // fsSurface: the area of `color` around it. Iterative; pixels outside the clip
    // are a boundary.
    void FloodFill(int x, int y, TColor color, TFillStyle style);

    // Text with its top-left at (x, y); the background is the brush's unless the
    // brush is clear. Needs a GUI application for fonts; without one nothing is drawn.
    void TextOut(int x, int y, const std::string& text);
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;

    // Block transfers with this canvas's CopyMode and stretch mode.
    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& dest, const TBitmap& bitmap);
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);
    // Copies sourceRect of bitmap into dest (stretching), with pixels of `color`
    // replaced by the brush colour.
    void BrushCopy(const TRect& dest, const TBitmap& bitmap, const TRect& sourceRect, TColor color);

    // CLR_INVALID outside the surface.
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);

    // The clip box, or the whole surface without a clip.
    TRect ClipRect() const;

    // Block transfers in the manner of GDI's. A negative width or height (destination or
    // source) stands for the span between x and x + width; where the signs of the
    // destination and source extents differ, that axis is mirrored. Source pixels that lie
    // outside the source surface are not drawn: their destination pixels keep what they
    // had. A monochrome source gives black for 0 and white for 1; a colour source copied
    // onto a monochrome destination gives white where it has the source canvas's brush
    // colour. To turn black the pixels that a mask marks white, copy the mask with ROP
    // 0x00220326 (destination AND NOT source). False when nothing could be drawn.
    bool BitBlt(int x, int y, int width, int height, const TCanvas* source, int xSrc, int ySrc, DWORD rop);
    // With this canvas's stretch mode.
    bool StretchBlt(int x, int y, int width, int height, const TCanvas* source, int xSrc, int ySrc, int widthSrc,
                    int heightSrc, DWORD rop);
    // ROPs without a source (PATCOPY, DSTINVERT, BLACKNESS, ...), with the brush.
    bool PatBlt(int x, int y, int width, int height, DWORD rop);

    int StretchMode() const { return stretchMode_; }
    // Returns the previous mode; 0, and no change, for a value that is no mode.
    int SetStretchMode(int mode);
    // Accepted and remembered (solid brushes do not depend on it).
    TPoint BrushOrigin() const { return brushOrigin_; }
    void SetBrushOrigin(TPoint p) { brushOrigin_ = p; }
    // The clip changes only through a ClipScope.
    bool HasClip() const { return hasClip_; }
    const QRegion* ClipRegion() const { return hasClip_ ? &clip_ : nullptr; }

    // The part of the surface drawn since the last ClearDirty (bounding box).
    QRect DirtyRect() const { return dirty_; }
    void ClearDirty();
    void MarkDirty(const QRect& r);

    bool IsMonochrome() const { return monochrome_; }
    // The pixels (Format_RGB32). Writing through them is not recorded as drawn.
    QImage& Surface() { return *surface_; }
    const QImage& Surface() const { return *surface_; }
    // A colour as this surface stores it (0xFFRRGGBB; black or white when monochrome).
    uint32_t PixelValue(TColor color) const;

protected:
    explicit TCanvas(QImage* surface, bool monochrome = false);
    void Rebind(QImage* surface) { surface_ = surface; }
    // Where what is drawn is also recorded tile by tile (a window's canvas), or nullptr.
    void TrackTiles(DirtyTiles* tiles) { tiles_ = tiles; }
    void SetMonochromeSurface(bool mono) { monochrome_ = mono; }

private:
    friend class TBitmap;
    friend class ClipScope;
    // nullptr removes the clip. The region is copied.
    int SelectClip(const QRegion* region);
    // Combines the clip with region (RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY);
    // with no clip the current clip counts as the whole surface.
    int CombineClip(const QRegion* region, int mode);
    int ClipTo(const TRegion& region, int mode = RGN_COPY);

    void plotLine(int x0, int y0, int x1, int y1, uint32_t value, bool includeLast);
    void plotPixel(int x, int y, uint32_t value);
    void strokeWide(const std::vector<TPoint>& points, bool curve);

    QImage* surface_;
    bool monochrome_ = false;
    QRegion clip_;
    bool hasClip_ = false;
    QRect dirty_;
    DirtyTiles* tiles_ = nullptr;
    int stretchMode_ = COLORONCOLOR;
    TPoint brushOrigin_;
};

// Saves a canvas's clip and gives it back when the scope ends, on every way out; meanwhile
// the clip is combined with `region` by `mode`, or, without a region, removed.
class ClipScope {
public:
    ClipScope(TCanvas& canvas, const TRegion& region, int mode = RGN_COPY);
    explicit ClipScope(TCanvas& canvas);
    ~ClipScope();
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

    // The kind of the clip it set (NULLREGION, SIMPLEREGION, COMPLEXREGION) or RGN_ERROR.
    int Kind() const { return kind_; }

private:
    TCanvas& canvas_;
    QRegion saved_;
    bool hadClip_;
    int kind_;
};

}  // namespace platform
