#include "gdi_test_util.h"

#include "platform/gdi/canvas_widget.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <climits>
#include <span>
#include <thread>
#include <QPalette>

using namespace gdi_test;

TEST(Canvas, FillRectHonoursBrushClipAndEdges)
{
    TBitmap b = Filled(10, 10, clWhite);
    TCanvas& c = b.Canvas();
    c.Brush.Color = clRed;
    c.FillRect(Rect(8, 6, 2, 3));  // reversed edges: the span between them
    EXPECT_EQ(c.Pixel(2, 3), clRed);
    EXPECT_EQ(c.Pixel(7, 5), clRed);
    EXPECT_EQ(c.Pixel(8, 5), clWhite);
    EXPECT_EQ(c.Pixel(7, 6), clWhite);
    c.Brush.Color = clBlue;
    c.FillRect(Rect(-1, 0, 11, 1));  // the saver's (-1, 0)-(width, height + 1) clear
    EXPECT_EQ(c.Pixel(0, 0), clBlue);
    c.FillRect(Rect(INT_MAX, INT_MAX, INT_MIN, INT_MIN));  // every edge at its limit
    EXPECT_EQ(c.Pixel(9, 9), clBlue);
    TRegion left(CreateRectRgn(0, 0, 5, 10));
    const ClipScope leftHalf(c, left, RGN_AND);
    c.Brush.Color = clLime;
    c.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(c.Pixel(4, 9), clLime);
    EXPECT_EQ(c.Pixel(5, 9), clBlue);
    c.Brush.Style = bsClear;
    c.Brush.Color = clBlack;
    c.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(c.Pixel(0, 9), clLime);
    c.Brush.Style = bsSolid;
    c.Brush.Color = clNone;
    c.FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(c.Pixel(0, 9), clLime);
}

TEST(Canvas, AClipScopeGivesBackTheClipItFound)
{
    TBitmap b = Filled(10, 10, clWhite);
    TCanvas& c = b.Canvas();
    const TRegion left(CreateRectRgn(0, 0, 5, 10)), top(CreateRectRgn(0, 0, 10, 3));
    {
        const ClipScope outer(c, left);
        {
            const ClipScope inner(c, top);  // replaces the clip, does not narrow it
            c.Brush.Color = clRed;
            c.FillRect(Rect(0, 0, 10, 10));
            EXPECT_EQ(c.ClipRect(), Rect(0, 0, 10, 3));
            const ClipScope narrowed(c, left, RGN_AND);
            EXPECT_EQ(c.ClipRect(), Rect(0, 0, 5, 3));
        }
        EXPECT_EQ(c.ClipRect(), Rect(0, 0, 5, 10));
        {
            const ClipScope none(c);
            EXPECT_FALSE(c.HasClip());
        }
        c.Brush.Color = clBlue;
        c.FillRect(Rect(0, 0, 10, 10));
    }
    EXPECT_FALSE(c.HasClip());
    EXPECT_EQ(c.Pixel(9, 0), clRed);
    EXPECT_EQ(c.Pixel(4, 9), clBlue);
    EXPECT_EQ(c.Pixel(5, 9), clWhite);
}

TEST(Canvas, SystemColoursFollowThePaletteWhenDrawing)
{
    TBitmap b(2, 1);
    b.Canvas().Brush.Color = clBtnFace;
    b.Canvas().FillRect(Rect(0, 0, 1, 1));
    const QColor button = QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(b.Canvas().Pixel(0, 0), RGB(button.red(), button.green(), button.blue()));
    const QPalette saved = QGuiApplication::palette();
    QPalette changed = saved;
    changed.setColor(QPalette::Button, QColor(12, 34, 56));
    QGuiApplication::setPalette(changed);
    b.Canvas().FillRect(Rect(1, 0, 2, 1));
    QGuiApplication::setPalette(saved);
    EXPECT_EQ(b.Canvas().Pixel(1, 0), RGB(12, 34, 56));
    EXPECT_EQ(ColorToRGB(0x12345678), TColor(0x345678));
    EXPECT_EQ(ColorToRGB(clNone), clNone);
}

TEST(Canvas, LinesLeaveOutTheirLastPointAndCurvesCloseOutlines)
{
    TBitmap b = Filled(40, 40, clBlack);
    TCanvas& c = b.Canvas();
    c.Pen.Color = clWhite;
    c.MoveTo(2, 2);
    c.LineTo(10, 2);
    EXPECT_EQ(c.Pixel(2, 2), clWhite);
    EXPECT_EQ(c.Pixel(9, 2), clWhite);
    EXPECT_EQ(c.Pixel(10, 2), clBlack);
    EXPECT_EQ(c.PenPos, Point(10, 2));
    c.LineTo(10, 8);
    EXPECT_EQ(c.Pixel(10, 2), clWhite);
    EXPECT_EQ(c.Pixel(10, 8), clBlack);

    // A closed outline of two Bézier halves: a flood fill inside stays inside.
    TBitmap piece = Filled(40, 40, clBlack);
    TCanvas& p = piece.Canvas();
    p.Pen.Color = clWhite;
    const std::vector<TPoint> top = {{5, 20}, {5, 0}, {35, 0}, {35, 20}};
    const std::vector<TPoint> bottom = {{35, 20}, {35, 40}, {5, 40}, {5, 20}};
    p.PolyBezier(top);
    p.PolyBezier(bottom);
    EXPECT_EQ(p.Pixel(5, 20), clWhite);
    EXPECT_EQ(p.Pixel(35, 20), clWhite);
    p.Brush.Color = clWhite;
    p.FloodFill(20, 20, clWhite, fsBorder);
    EXPECT_EQ(p.Pixel(20, 20), clWhite);
    EXPECT_EQ(p.Pixel(0, 0), clBlack);
    EXPECT_EQ(p.Pixel(39, 39), clBlack);
    EXPECT_EQ(p.Pixel(2, 20), clBlack);
    // A malformed point count draws nothing.
    TBitmap none = Filled(4, 4, clBlack);
    const TPoint three[] = {{0, 0}, {1, 1}, {2, 2}};
    none.Canvas().Pen.Color = clWhite;
    none.Canvas().PolyBezier(three, 3);
    EXPECT_EQ(none.Canvas().Pixel(0, 0), clBlack);
}

TEST(Canvas, FloodFillStopsAtItsBorderAndNeverRecursesDeep)
{
    TBitmap b = Filled(20, 20, clWhite);
    TCanvas& c = b.Canvas();
    c.Pen.Color = clRed;
    const TPoint box[] = {{3, 3}, {15, 3}, {15, 15}, {3, 15}, {3, 3}};
    c.Polyline(box, 5);
    c.Brush.Color = clBlue;
    c.FloodFill(8, 8, clRed, fsBorder);
    EXPECT_EQ(c.Pixel(4, 4), clBlue);
    EXPECT_EQ(c.Pixel(14, 14), clBlue);
    EXPECT_EQ(c.Pixel(3, 8), clRed);
    EXPECT_EQ(c.Pixel(2, 8), clWhite);
    EXPECT_EQ(c.Pixel(16, 16), clWhite);
    // Surface mode fills the colour under the point.
    c.Brush.Color = clYellow;
    c.FloodFill(0, 0, clWhite, fsSurface);
    EXPECT_EQ(c.Pixel(19, 19), clYellow);
    EXPECT_EQ(c.Pixel(8, 8), clBlue);
    // Starting on the border colour fills nothing.
    c.Brush.Color = clBlack;
    c.FloodFill(3, 3, clRed, fsBorder);
    EXPECT_EQ(c.Pixel(3, 3), clRed);

    // A full-screen serpentine corridor: the deepest a recursive fill could go.
    TBitmap maze = Filled(1920, 1080, clWhite);
    maze.Canvas().Pen.Color = clBlack;
    for (int x = 2; x < 1920; x += 2) {
        maze.Canvas().MoveTo(x, (x / 2) % 2 ? 1 : 0);
        maze.Canvas().LineTo(x, (x / 2) % 2 ? 1080 : 1079);
    }
    maze.Canvas().Brush.Color = clGreen;
    maze.Canvas().FloodFill(0, 0, clBlack, fsBorder);
    EXPECT_EQ(maze.Canvas().Pixel(1919, 500), clGreen);
    EXPECT_EQ(maze.Canvas().Pixel(2, 500), clBlack);
}

TEST(Canvas, BrushCopyReplacesOneColour)
{
    TBitmap src(4, 1);
    src.Canvas().SetPixel(0, 0, clBtnFace);
    src.Canvas().SetPixel(1, 0, clRed);
    src.Canvas().SetPixel(2, 0, ColorToRGB(clBtnFace));
    src.Canvas().SetPixel(3, 0, clWhite);
    TBitmap board = Filled(8, 1, clGray);
    board.Canvas().Brush.Color = clBlack;
    board.Canvas().BrushCopy(Rect(0, 0, 8, 1), src, Rect(0, 0, 4, 1), clBtnFace);
    EXPECT_EQ(board.Canvas().Pixel(0, 0), clBlack);
    EXPECT_EQ(board.Canvas().Pixel(1, 0), clBlack);
    EXPECT_EQ(board.Canvas().Pixel(2, 0), clRed);
    EXPECT_EQ(board.Canvas().Pixel(5, 0), clBlack);
    EXPECT_EQ(board.Canvas().Pixel(7, 0), clWhite);
}

TEST(Canvas, TextUsesItsFontColourAndBackground)
{
    TBitmap b = Filled(120, 30, clBlack);
    TCanvas& c = b.Canvas();
    EXPECT_EQ(c.Font.Height, -11);
    EXPECT_EQ(c.Font.Size(), 8);
    c.Font.SetSize(12);
    EXPECT_EQ(c.Font.Height, -16);
    c.Font.Color = clYellow;
    c.Brush.Style = bsClear;
    const int w = c.TextWidth("Effet n° : 12");
    const int h = c.TextHeight("Effet n° : 12");
    ASSERT_GT(w, 20);
    ASSERT_GT(h, 8);
    c.TextOut(10, 5, "Effet n° : 12");
    int yellow = 0, other = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x) {
            const TColor p = c.Pixel(x, y);
            const bool inBox = x >= 10 && x < 10 + w && y >= 5 && y < 5 + h;
            if (p == clYellow)
                ++yellow;
            if (!inBox && p != clBlack)
                ++other;
        }
    EXPECT_GT(yellow, 10);
    EXPECT_EQ(other, 0);
    EXPECT_EQ(c.Pixel(10, 5 + h - 1), clBlack);  // transparent background
    c.Brush.Style = bsSolid;
    c.Brush.Color = clBlue;
    c.TextOut(0, 0, "Lumivane");
    EXPECT_EQ(c.Pixel(0, 0), clBlue);  // opaque background
    EXPECT_EQ(c.PenPos.X, c.TextWidth("Lumivane"));
}

TEST(Canvas, BitmapsResizeKeepingTheirPixels)
{
    TBitmap b = Pattern(6, 5);
    b.SetWidth(4);
    b.SetHeight(7);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Height(), 7);
    EXPECT_EQ(b.Canvas().Pixel(3, 4), PatternColor(3, 4));
    EXPECT_EQ(b.Canvas().Pixel(3, 6), clWhite);
    TBitmap moved = std::move(b);
    moved.Canvas().Brush.Color = clRed;
    moved.Canvas().FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(moved.Canvas().Pixel(0, 0), clRed);
    TBitmap copy = moved;
    copy.Canvas().SetPixel(0, 0, clBlue);
    EXPECT_EQ(moved.Canvas().Pixel(0, 0), clRed);
    EXPECT_THROW(TBitmap(40000, 10), GdiOutOfResources);
    TBitmap empty;
    empty.Canvas().FillRect(Rect(0, 0, 10, 10));  // nothing to draw on, nothing breaks
    empty.Canvas().Draw(0, 0, copy);
    EXPECT_EQ(empty.Canvas().Pixel(0, 0), CLR_INVALID);
}

TEST(WindowCanvas, FlushShowsOnlyWhatWasDrawnSince)
{
    TWindowCanvas c(100, 80);
    int shown = 0;
    c.SetSink([&](const QImage& buffer, std::span<const QRect>) {
        EXPECT_EQ(buffer.size(), QSize(100, 80));
        ++shown;
    });
    EXPECT_EQ(c.Flush(), QRect(0, 0, 100, 80));  // a new window shows once whole
    EXPECT_TRUE(c.Flush().isEmpty());
    TBitmap pic = Pattern(20, 10);
    c.Draw(90, 75, pic);  // partly off the window
    c.Brush.Color = clRed;
    c.FillRect(Rect(5, 5, 7, 6));
    EXPECT_EQ(c.Flush(), QRect(QPoint(5, 5), QPoint(99, 79)));
    TRegion clip(CreateRectRgn(40, 40, 42, 41));
    {
        const ClipScope corner(c, clip);
        c.Draw(0, 0, Pattern(60, 50));
    }
    EXPECT_EQ(c.Flush(), QRect(40, 40, 2, 1));
    ASSERT_EQ(shown, 3);
    c.SetSize(120, 80);
    EXPECT_EQ(c.Pixel(6, 5), clRed);
    EXPECT_EQ(c.Pixel(110, 5), clBlack);
}

TEST(WindowCanvas, AFlushShowsTheDrawnPartsNotTheirBoundingBox)
{
    constexpr int kW = 640, kH = 400;
    TWindowCanvas c(kW, kH);
    c.Flush();
    std::vector<QRect> parts;
    c.SetSink([&](const QImage&, std::span<const QRect> p) { parts.assign(p.begin(), p.end()); });
    // Every drawn pixel lies in exactly one part, and the parts cover no more than asked.
    const auto check = [&](const std::vector<QRect>& drawn, long long maxArea) {
        c.Brush.Color = clRed;
        for (const QRect& r : drawn)
            c.FillRect(Rect(r.left(), r.top(), r.right() + 1, r.bottom() + 1));
        QRect box;
        for (const QRect& r : drawn)
            box |= r;
        EXPECT_EQ(c.Flush(), box);
        ASSERT_LE(parts.size(), size_t(DirtyTiles::kMaxParts));
        long long area = 0;
        for (size_t i = 0; i < parts.size(); ++i) {
            EXPECT_TRUE(box.contains(parts[i])) << i;
            area += (long long)parts[i].width() * parts[i].height();
            for (size_t j = i + 1; j < parts.size(); ++j)
                EXPECT_FALSE(parts[i].intersects(parts[j])) << i << " " << j;
        }
        for (const QRect& r : drawn)
            for (const QPoint p : {r.topLeft(), r.bottomRight(), r.center()})
                EXPECT_TRUE(std::any_of(parts.begin(), parts.end(), [&](const QRect& part) { return part.contains(p); }))
                    << p.x() << "," << p.y();
        EXPECT_LE(area, maxArea);
    };
    const long long tile = DirtyTiles::kSide * DirtyTiles::kSide;
    check({QRect(2, 3, 4, 4), QRect(630, 390, 5, 5)}, 2 * tile);
    check({QRect(100, 0, 1, kH)}, (long long)DirtyTiles::kSide * kH);  // a line a step
    // Scattered drawing: many small parts, coarsened past the limit, never beyond the box.
    std::vector<QRect> dots;
    for (int i = 0; i < 300; ++i)
        dots.push_back(QRect((i * 97) % kW, (i * 61) % kH, 1, 1));
    check(dots, (long long)kW * kH);
    check({QRect(0, 0, kW, kH)}, (long long)kW * kH);
    EXPECT_TRUE(c.Flush().isEmpty());
}

TEST(WindowCanvas, PacedFlushesShowAtMostOnceAnInterval)
{
    using namespace std::chrono_literals;
    using Clock = TWindowCanvas::Clock;
    TWindowCanvas c(50, 40);
    int shows = 0;
    c.SetSink([&](const QImage&, std::span<const QRect>) { ++shows; });
    c.SetRefreshInterval(1h);
    EXPECT_TRUE(c.FlushIfDue());  // the first showing waits for nothing
    EXPECT_EQ(c.NextFlushTime(), Clock::time_point::max());
    EXPECT_FALSE(c.FlushIfDue(Clock::now() + 2h)) << "nothing pending";
    c.Brush.Color = clRed;
    c.FillRect(Rect(1, 1, 3, 3));
    EXPECT_FALSE(c.FlushIfDue());
    EXPECT_GT(c.NextFlushTime(), Clock::now() + 59min);
    c.FillRect(Rect(10, 10, 12, 12));
    EXPECT_TRUE(c.FlushIfDue(Clock::now() + 2h));
    EXPECT_EQ(shows, 2);
    // A flush that is not paced shows at once, and restarts the interval.
    c.FillRect(Rect(20, 20, 21, 21));
    EXPECT_EQ(c.Flush(), QRect(20, 20, 1, 1));
    c.FillRect(Rect(30, 30, 31, 31));
    EXPECT_FALSE(c.FlushIfDue(Clock::now() + 30min));
    c.SetRefreshInterval(Clock::duration::zero());
    EXPECT_TRUE(c.FlushIfDue());
    EXPECT_EQ(shows, 4);
    // A slow showing leaves three times its length to the drawing before the next one.
    Clock::time_point sinkEnd;
    c.SetSink([&](const QImage&, std::span<const QRect>) {
        std::this_thread::sleep_for(2ms);
        sinkEnd = Clock::now();
    });
    c.FillRect(Rect(0, 0, 1, 1));
    c.Flush();
    c.FillRect(Rect(0, 0, 1, 1));
    EXPECT_GE(c.NextFlushTime(), sinkEnd + 6ms);
    EXPECT_EQ(RefreshIntervalOf(50), std::chrono::duration_cast<Clock::duration>(20ms));
    EXPECT_EQ(RefreshIntervalOf(0), RefreshIntervalOf(60));  // a screen that does not say
}

TEST(WindowCanvas, TheWidgetShowsItsCanvas)
{
    CanvasWidget w;
    w.resize(30, 20);
    w.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(w.Canvas().Width(), 30);
    w.Canvas().Brush.Color = clRed;
    w.Canvas().FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(w.Canvas().Flush(), QRect(0, 0, 30, 20));  // the first show, then the fill
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(20, 15), QColor(0, 0, 0));
    w.resize(40, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Canvas().Width(), 40);
    EXPECT_EQ(w.Canvas().Pixel(5, 5), clRed);
}
