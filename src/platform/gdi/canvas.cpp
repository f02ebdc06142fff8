#include "platform/gdi/canvas.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit_engine.h"
#include "platform/gdi/dirty_tiles.h"
#include "platform/gdi/pixels.h"
#include "platform/gdi/region.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace platform {

using namespace gdi_detail;

namespace {

bool haveGui() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

// Far beyond any surface, so that the width of any rectangle fits an int.
constexpr long long kEdgeLimit = 1LL << 29;

long long clampEdge(int v) { return std::clamp<long long>(v, -kEdgeLimit, kEdgeLimit); }

QRect normalized(const TRect& r)
{
    const long long l = std::min(clampEdge(r.Left), clampEdge(r.Right));
    const long long rr = std::max(clampEdge(r.Left), clampEdge(r.Right));
    const long long t = std::min(clampEdge(r.Top), clampEdge(r.Bottom));
    const long long b = std::max(clampEdge(r.Top), clampEdge(r.Bottom));
    return QRect(int(l), int(t), int(rr - l), int(b - t));
}

bool isDialogFont(const std::string& name)
{
    return name == "MS Sans Serif" || name == "MS Shell Dlg" || name == "MS Shell Dlg 2" ||
           name == "Microsoft Sans Serif" || name.empty();
}

QFont makeFont(const TFont& font, bool monochrome)
{
    QFont f = isDialogFont(font.Name) ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
                                      : QFont(QString::fromStdString(font.Name));
    f.setStyleHint(QFont::SansSerif);
    if (font.Height < 0) {
        f.setPixelSize(-font.Height);
    } else if (font.Height > 0) {
        // A positive height is the whole cell: scale the em so that the cell fits.
        f.setPixelSize(font.Height);
        const int cell = QFontMetrics(f).height();
        if (cell > font.Height)
            f.setPixelSize(std::max(1, font.Height * font.Height / cell));
    } else {
        f.setPixelSize(11);
    }
    f.setBold(font.Style & fsBold);
    f.setItalic(font.Style & fsItalic);
    f.setUnderline(font.Style & fsUnderline);
    f.setStrikeOut(font.Style & fsStrikeOut);
    if (monochrome)
        f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// Points along a cubic, a couple of pixels apart, ending exactly on p3.
void flattenCubic(const TPoint& p0, const TPoint& p1, const TPoint& p2, const TPoint& p3,
                  std::vector<TPoint>& out)
{
    const double len = std::hypot(p1.X - p0.X, p1.Y - p0.Y) + std::hypot(p2.X - p1.X, p2.Y - p1.Y) +
                       std::hypot(p3.X - p2.X, p3.Y - p2.Y);
    const int steps = std::clamp(int(std::ceil(len / 2)), 1, 4096);
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps, u = 1 - t;
        const double x = u * u * u * p0.X + 3 * u * u * t * p1.X + 3 * u * t * t * p2.X + t * t * t * p3.X;
        const double y = u * u * u * p0.Y + 3 * u * u * t * p1.Y + 3 * u * t * t * p2.Y + t * t * t * p3.Y;
        const TPoint p{int(std::lround(x)), int(std::lround(y))};
        if (out.empty() || !(out.back() == p))
            out.push_back(p);
    }
}

}  // namespace

int TFont::Size() const
{
    const int h = Height < 0 ? -Height : Height;
    return int(std::lround(h * 72.0 / 96.0));
}

void TFont::SetSize(int points) { Height = -int(std::lround(points * 96.0 / 72.0)); }

TCanvas::TCanvas(QImage* surface, bool monochrome) : surface_(surface), monochrome_(monochrome) {}

TCanvas::~TCanvas() = default;

uint32_t TCanvas::PixelValue(TColor color) const
{
    const uint32_t p = PixelOfRGB(ColorToRGB(color) & 0x00FFFFFF);
    return monochrome_ ? MonoOf(p) : p;
}

void TCanvas::MarkDirty(const QRect& r)
{
    const QRect drawn = r.intersected(QRect(0, 0, Width(), Height()));
    if (drawn.isEmpty())
        return;
    dirty_ |= drawn;
    if (tiles_)
        tiles_->Mark(drawn);
}

void TCanvas::ClearDirty()
{
    dirty_ = QRect();
    if (tiles_)
        tiles_->Clear();
}

int TCanvas::SelectClip(const QRegion* region)
{
    if (!region) {
        hasClip_ = false;
        clip_ = QRegion();
        return SIMPLEREGION;
    }
    clip_ = *region;
    hasClip_ = true;
    return RegionKind(clip_.intersected(QRect(0, 0, Width(), Height())));
}

int TCanvas::CombineClip(const QRegion* region, int mode)
{
    if (mode == RGN_COPY)
        return SelectClip(region);
    if (!region)
        return RGN_ERROR;
    const QRegion current = hasClip_ ? clip_ : QRegion(0, 0, Width(), Height());
    QRegion next;
    switch (mode) {
    case RGN_AND: next = current.intersected(*region); break;
    case RGN_OR: next = current.united(*region); break;
    case RGN_XOR: next = current.xored(*region); break;
    case RGN_DIFF: next = current.subtracted(*region); break;
    default: return RGN_ERROR;
    }
    return SelectClip(&next);
}

int TCanvas::ClipTo(const TRegion& region, int mode)
{
    const QRegion pixels = region.ToQRegion();
    return CombineClip(&pixels, mode);
}

TRect TCanvas::ClipRect() const
{
    QRect r(0, 0, Width(), Height());
    if (hasClip_)
        r = clip_.intersected(r).boundingRect();
    if (r.isEmpty())
        return {};
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void TCanvas::FillRect(const TRect& rect)
{
    if (Brush.Style == bsClear || Brush.Color == clNone)
        return;
    const QRect r = normalized(rect);
    StretchBlit(*this, r.left(), r.top(), r.width(), r.height(), nullptr, 0, 0, 0, 0, PATCOPY,
                stretchMode_);
}

void TCanvas::plotPixel(int x, int y, uint32_t value)
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    if (hasClip_ && !clip_.contains(QPoint(x, y)))
        return;
    reinterpret_cast<uint32_t*>(surface_->scanLine(y))[x] = value;
}

void TCanvas::plotLine(int x0, int y0, int x1, int y1, uint32_t value, bool includeLast)
{
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (true) {
        const bool last = x == x1 && y == y1;
        if (last && !includeLast)
            break;
        plotPixel(x, y, value);
        if (last)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    MarkDirty(QRect(QPoint(std::min(x0, x1), std::min(y0, y1)),
                    QPoint(std::max(x0, x1), std::max(y0, y1))));
}

void TCanvas::strokeWide(const std::vector<TPoint>& points, bool curve)
{
    if (points.size() < 2 || Width() == 0 || Height() == 0)
        return;
    QPainterPath path(QPointF(points[0].X, points[0].Y));
    if (curve) {
        for (size_t i = 1; i + 2 < points.size(); i += 3)
            path.cubicTo(points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y, points[i + 2].X,
                         points[i + 2].Y);
    } else {
        for (size_t i = 1; i < points.size(); ++i)
            path.lineTo(points[i].X, points[i].Y);
    }
    QPainter p(surface_);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (hasClip_)
        p.setClipRegion(clip_);
    QPen pen{QColor::fromRgb(PixelValue(Pen.Color))};
    pen.setWidth(Pen.Width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    const int m = Pen.Width / 2 + 1;
    MarkDirty(path.boundingRect().toAlignedRect().adjusted(-m, -m, m, m));
}

void TCanvas::MoveTo(int x, int y) { PenPos = {x, y}; }

void TCanvas::LineTo(int x, int y)
{
    if (Pen.Style != psClear && Pen.Color != clNone) {
        if (Pen.Width <= 1)
            plotLine(PenPos.X, PenPos.Y, x, y, PixelValue(Pen.Color), false);
        else
            strokeWide({PenPos, {x, y}}, false);
    }
    PenPos = {x, y};
}

void TCanvas::Polyline(const TPoint* points, int count)
{
    if (!points || count < 2 || Pen.Style == psClear || Pen.Color == clNone)
        return;
    if (Pen.Width > 1) {
        strokeWide(std::vector<TPoint>(points, points + count), false);
        return;
    }
    const uint32_t value = PixelValue(Pen.Color);
    for (int i = 1; i < count; ++i)
        plotLine(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y, value, false);
}

void TCanvas::PolyBezier(const TPoint* points, int count)
{
    if (!points || count < 4 || (count - 1) % 3 != 0 || Pen.Style == psClear || Pen.Color == clNone)
        return;
    if (Pen.Width > 1) {
        strokeWide(std::vector<TPoint>(points, points + count), true);
        return;
    }
    std::vector<TPoint> line{points[0]};
    for (int i = 1; i + 2 < count; i += 3)
        flattenCubic(points[i - 1], points[i], points[i + 1], points[i + 2], line);
    const uint32_t value = PixelValue(Pen.Color);
    for (size_t i = 1; i < line.size(); ++i)
        plotLine(line[i - 1].X, line[i - 1].Y, line[i].X, line[i].Y, value, i + 1 == line.size());
    if (line.size() == 1)
        plotLine(line[0].X, line[0].Y, line[0].X, line[0].Y, value, true);
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style)
{
    const int w = Width(), h = Height();
    if (x < 0 || y < 0 || x >= w || y >= h || Brush.Style == bsClear || Brush.Color == clNone)
        return;
    const uint32_t target = PixelValue(color);
    const uint32_t fill = PixelValue(Brush.Color);
    // Done and forbidden pixels share one map: outside the clip counts as done.
    std::vector<uint8_t> done(size_t(w) * h, 0);
    if (hasClip_) {
        std::fill(done.begin(), done.end(), uint8_t(1));
        for (const QRect& r : clip_.intersected(QRect(0, 0, w, h)))
            for (int yy = r.top(); yy < r.top() + r.height(); ++yy)
                std::fill_n(done.begin() + qsizetype(yy) * w + r.left(), r.width(), uint8_t(0));
    }
    uint32_t* bits = reinterpret_cast<uint32_t*>(surface_->bits());
    const qsizetype stride = surface_->bytesPerLine() / 4;
    auto open = [&](int px, int py) {
        if (done[size_t(py) * w + px])
            return false;
        const uint32_t v = bits[py * stride + px] | kOpaque;
        return style == fsBorder ? v != target : v == target;
    };
    if (!open(x, y))
        return;
    int minX = x, maxX = x, minY = y, maxY = y;
    std::vector<std::pair<int, int>> stack{{x, y}};
    while (!stack.empty()) {
        auto [sx, sy] = stack.back();
        stack.pop_back();
        if (!open(sx, sy))
            continue;
        int l = sx, r = sx;
        while (l > 0 && open(l - 1, sy))
            --l;
        while (r + 1 < w && open(r + 1, sy))
            ++r;
        for (int xx = l; xx <= r; ++xx) {
            bits[sy * stride + xx] = fill;
            done[size_t(sy) * w + xx] = 1;
        }
        minX = std::min(minX, l), maxX = std::max(maxX, r);
        minY = std::min(minY, sy), maxY = std::max(maxY, sy);
        for (int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            bool inRun = false;
            for (int xx = l; xx <= r; ++xx) {
                const bool o = open(xx, ny);
                if (o && !inRun)
                    stack.emplace_back(xx, ny);
                inRun = o;
            }
        }
    }
    MarkDirty(QRect(QPoint(minX, minY), QPoint(maxX, maxY)));
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    if (!haveGui() || Width() == 0 || Height() == 0 || text.empty())
        return;
    const QString s = QString::fromStdString(text);
    const QFont f = makeFont(Font, monochrome_);
    const QFontMetrics fm(f);
    const QRect box(x, y, fm.horizontalAdvance(s), fm.height());
    PenPos = {x + box.width(), y};
    QPainter p(surface_);
    if (hasClip_)
        p.setClipRegion(clip_);
    if (Brush.Style != bsClear && Brush.Color != clNone)
        p.fillRect(box, QColor::fromRgb(PixelValue(Brush.Color)));
    if (Font.Color != clNone) {
        p.setFont(f);
        p.setPen(QColor::fromRgb(PixelValue(Font.Color)));
        p.drawText(x, y + fm.ascent(), s);
    }
    MarkDirty(box);
}

int TCanvas::TextWidth(const std::string& text) const
{
    if (!haveGui())
        return 0;
    return QFontMetrics(makeFont(Font, monochrome_)).horizontalAdvance(QString::fromStdString(text));
}

int TCanvas::TextHeight(const std::string&) const
{
    if (!haveGui())
        return 0;
    return QFontMetrics(makeFont(Font, monochrome_)).height();
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap)
{
    StretchBlit(*this, x, y, bitmap.Width(), bitmap.Height(), &bitmap.Canvas(), 0, 0, bitmap.Width(),
                bitmap.Height(), CopyMode, stretchMode_);
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap)
{
    StretchBlit(*this, dest.Left, dest.Top, (long long)dest.Right - dest.Left,
                (long long)dest.Bottom - dest.Top, &bitmap.Canvas(), 0, 0, bitmap.Width(),
                bitmap.Height(), CopyMode, stretchMode_);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect)
{
    StretchBlit(*this, dest.Left, dest.Top, (long long)dest.Right - dest.Left,
                (long long)dest.Bottom - dest.Top, &source, sourceRect.Left, sourceRect.Top,
                (long long)sourceRect.Right - sourceRect.Left,
                (long long)sourceRect.Bottom - sourceRect.Top, CopyMode, stretchMode_);
}

void TCanvas::BrushCopy(const TRect& dest, const TBitmap& bitmap, const TRect& sourceRect, TColor color)
{
    // Replace on a copy of the part of the source that exists, then stretch that.
    const QRect used = normalized(sourceRect).intersected(QRect(0, 0, bitmap.Width(), bitmap.Height()));
    if (used.isEmpty())
        return;
    TBitmap part = TBitmap::FromImage(bitmap.Image().copy(used));
    if (Brush.Style != bsClear && Brush.Color != clNone && color != clNone) {
        const uint32_t from = PixelOfRGB(ColorToRGB(color));
        const uint32_t to = PixelOfRGB(ColorToRGB(Brush.Color));
        for (int yy = 0; yy < part.Height(); ++yy) {
            uint32_t* row = part.ScanLine(yy);
            for (int xx = 0; xx < part.Width(); ++xx)
                if (row[xx] == from)
                    row[xx] = to;
        }
    }
    StretchBlit(*this, dest.Left, dest.Top, (long long)dest.Right - dest.Left,
                (long long)dest.Bottom - dest.Top, &part.Canvas(), (long long)sourceRect.Left - used.left(),
                (long long)sourceRect.Top - used.top(), (long long)sourceRect.Right - sourceRect.Left,
                (long long)sourceRect.Bottom - sourceRect.Top, SRCCOPY, stretchMode_);
}

TColor TCanvas::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return CLR_INVALID;
    return ColorOfPixel(reinterpret_cast<const uint32_t*>(surface_->constScanLine(y))[x]);
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    if (color == clNone)
        return;
    plotPixel(x, y, PixelValue(color));
    MarkDirty(QRect(x, y, 1, 1));
}

bool TCanvas::BitBlt(int x, int y, int width, int height, const TCanvas* source, int xSrc, int ySrc, DWORD rop)
{
    return gdi_detail::StretchBlit(*this, x, y, width, height, source, xSrc, ySrc, width, height, rop, COLORONCOLOR);
}

bool TCanvas::StretchBlt(int x, int y, int width, int height, const TCanvas* source, int xSrc, int ySrc,
                         int widthSrc, int heightSrc, DWORD rop)
{
    return gdi_detail::StretchBlit(*this, x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc, rop,
                                   stretchMode_);
}

bool TCanvas::PatBlt(int x, int y, int width, int height, DWORD rop)
{
    return gdi_detail::StretchBlit(*this, x, y, width, height, nullptr, 0, 0, width, height, rop, COLORONCOLOR);
}

int TCanvas::SetStretchMode(int mode)
{
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    const int previous = stretchMode_;
    stretchMode_ = mode;
    return previous;
}

ClipScope::ClipScope(TCanvas& canvas, const TRegion& region, int mode)
    : canvas_(canvas), saved_(canvas.HasClip() ? *canvas.ClipRegion() : QRegion()), hadClip_(canvas.HasClip()),
      kind_(canvas.ClipTo(region, mode))
{
}

ClipScope::ClipScope(TCanvas& canvas)
    : canvas_(canvas), saved_(canvas.HasClip() ? *canvas.ClipRegion() : QRegion()), hadClip_(canvas.HasClip()),
      kind_(canvas.SelectClip(nullptr))
{
}

ClipScope::~ClipScope() { canvas_.SelectClip(hadClip_ ? &saved_ : nullptr); }

}  // namespace platform
