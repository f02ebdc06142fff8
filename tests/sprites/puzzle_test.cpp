// The Puzzle: its grid, edges and pieces, the assembled end state, stops and the wait.

#include "effects/draw_transition.h"
#include "sprites/puzzle_pieces.h"
#include "sprites/sprite_random.h"
#include "sprites/sprites.h"


#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <optional>
#include <stop_token>
#include <cstdlib>
#include <functional>

using namespace platform;
using namespace sprites;
using namespace std::chrono_literals;
using testing_support::FilledPicture;

namespace {

constexpr TColor kFill = 0x00CC6633;

// Smooth, so a pixel that lands one place off differs only a little; never black.
TBitmap gradient(int w, int h)
{
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.ScanLine(y)[x] = 0xFF000000u | uint32_t(40 + x) << 16 | uint32_t(40 + y) << 8 | 0x60u;
    return b;
}

char kindAt(const TBitmap& piece, int x, int y)
{
    const TColor c = piece.Canvas().Pixel(x, y);
    return c == clBlack ? '.' : c == kOutlineColor ? '#' : 'o';
}

struct PuzzleRun {
    TBitmap canvas;
    int steps = 0;
    long long bitmapsLeft = 0;  // made by the run and still alive after it
};

// Plays effect 214 on a `cw` × `ch` canvas with the picture at (x, y); `stopAt` > 0 asks
// for a stop at that step frame; `stop`, when given, is the flag the run looks at.
PuzzleRun play(const TBitmap& picture, int cw, int ch, int x, int y, bool preview, int stopAt = 0,
               std::function<void(int, const TBitmap&)> onStep = {}, unsigned interval = 0)
{
    std::stop_source stop;
    PuzzleRun r{FilledPicture(cw, ch, clWhite)};
    effects::EffectInputs in;
    in.number = 214;
    in.X = x;
    in.Y = y;
    in.picture = &picture;
    in.target = &r.canvas.Canvas();
    in.previewMode = preview;
    in.R = 0;
    in.stop = stop.get_token();
    in.interval = interval;
    in.onStep = [&](int step) {
        if (step == stopAt)
            stop.request_stop();
        if (onStep)
            onStep(step, r.canvas);
    };
    const size_t bitmaps = LiveBitmapCount();
    r.steps = effects::DrawTransition(in);
    r.bitmapsLeft = (long long)LiveBitmapCount() - (long long)bitmaps;
    return r;
}

}  // namespace

TEST(PuzzleGrid, SizesScalesAndBoards)
{
    EXPECT_EQ(PuzzleScale(true, 1920, 1080), 2);
    EXPECT_EQ(PuzzleScale(false, 800, 600), 4);
    EXPECT_EQ(PuzzleScale(false, 801, 600), 6);
    EXPECT_EQ(PuzzleScale(false, 640, 601), 6);

    // However small the picture, at least 3 × 3 pieces.
    const PuzzleGeometry tiny(2, 4, 4);
    EXPECT_EQ(tiny.c, 30);
    EXPECT_EQ(tiny.k, 8);
    EXPECT_EQ(tiny.cols, 3);
    EXPECT_EQ(tiny.rows, 3);
    EXPECT_EQ(tiny.BoardWidth(), 74);
    const PuzzleGeometry full(6, 1920, 1080);
    EXPECT_EQ(full.cols, 23);
    EXPECT_EQ(full.rows, 14);
    EXPECT_EQ(full.Pieces(), 322);
    EXPECT_EQ(full.BoardWidth(), 23 * 90 - 48);
    // A piece with flat edges all round is the cell less the margins, at its grid place.
    EXPECT_EQ(full.PieceRect(CellEdges{}, 2, 3), Rect(270, 180, 270 + 42, 180 + 42));
}

TEST(PuzzleGrid, OuterEdgesFlatInnerEdgesKnobbedAndShared)
{
    // A grid wider than 181 cells has its whole table too.
    for (auto [rows, cols] : {std::pair{4, 5}, std::pair{3, 190}}) {
        RandSeed = 777;
        const EdgeTable t(rows, cols);
        int ones = 0;
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < cols; ++j) {
                const CellEdges& e = t.At(i, j);
                EXPECT_EQ(e.top == kFlat, i == 0);
                EXPECT_EQ(e.bottom == kFlat, i == rows - 1);
                EXPECT_EQ(e.left == kFlat, j == 0);
                EXPECT_EQ(e.right == kFlat, j == cols - 1);
                for (uint8_t kind : {e.left, e.top, e.right, e.bottom})
                    EXPECT_LE(kind, 2);
                if (j > 0) {
                    EXPECT_EQ(e.left, t.At(i, j - 1).right);
                }
                if (i > 0) {
                    EXPECT_EQ(e.top, t.At(i - 1, j).bottom);
                }
                ones += (e.left == 1) + (e.top == 1);
            }
        const int inner = rows * (cols - 1) + (rows - 1) * cols;
        EXPECT_GT(ones, inner / 4);
        EXPECT_LT(ones, inner * 3 / 4);
    }
}

TEST(PuzzlePieces, KnobsNotchesFlatEdgesAndTransparentBlack)
{
    const PuzzleGeometry g(2, 60, 60);  // c = 30, k = 8
    TBitmap board = FilledPicture(g.BoardWidth(), g.BoardHeight(), kFill);
    TRect rect;
    // Flat left, knob up on top, knob right, knob down below.
    const TBitmap a = g.MakePiece(board, CellEdges{kFlat, 1, 1, 2}, 1, 1, rect);
    EXPECT_EQ(rect, Rect(30, 12, 62, 62));
    EXPECT_EQ(a.Width(), 33);
    EXPECT_EQ(a.Height(), 51);
    // Its grid corner is at (-8, 10) in the bitmap: lines x = 22, y = 10 and y = 40.
    EXPECT_EQ(kindAt(a, 0, 25), '#');   // the flat left edge, k inside the grid line
    EXPECT_EQ(kindAt(a, 1, 25), 'o');
    EXPECT_EQ(kindAt(a, 7, 5), 'o');    // the knob above the top line
    EXPECT_EQ(kindAt(a, 15, 5), '.');
    EXPECT_EQ(kindAt(a, 26, 25), 'o');  // right of the right line
    EXPECT_EQ(kindAt(a, 26, 15), '.');
    EXPECT_EQ(kindAt(a, 7, 44), 'o');   // below the bottom line
    EXPECT_EQ(kindAt(a, 15, 44), '.');
    EXPECT_EQ(a.Canvas().Pixel(10, 25), kFill);

    // Knob left on the left, notches from the top, right and bottom.
    const TBitmap b = g.MakePiece(board, CellEdges{2, 2, 2, 1}, 1, 1, rect);
    EXPECT_EQ(rect, Rect(12, 19, 54, 56));
    // Grid corner (10, 3): lines x = 10, x = 40, y = 3, y = 33.
    EXPECT_EQ(kindAt(b, 5, 18), 'o');   // the knob left of the left line
    EXPECT_EQ(kindAt(b, 5, 8), '.');
    EXPECT_EQ(kindAt(b, 36, 18), '.');  // the notch inside the right line
    EXPECT_EQ(kindAt(b, 36, 10), 'o');
    EXPECT_EQ(kindAt(b, 25, 6), '.');   // the notch below the top line
    EXPECT_EQ(kindAt(b, 25, 30), '.');  // the notch above the bottom line
    EXPECT_EQ(kindAt(b, 25, 18), 'o');

    // Black in the picture stays black in the piece, and its toon's mask lets it through.
    board.Canvas().Brush.Color = clBlack;
    board.Canvas().FillRect(Rect(35, 40, 45, 50));
    const TBitmap c = g.MakePiece(board, CellEdges{kFlat, 1, 1, 2}, 1, 1, rect);
    TToon toon;
    toon.Load(c, 1, clBlack, 0, c.Height(), c.Width(), 1, 1);
    EXPECT_EQ(toon.Masks[0]->Canvas().Pixel(10, 32), clWhite);  // board (40, 44)
    EXPECT_EQ(toon.Masks[0]->Canvas().Pixel(10, 25), clBlack);
    EXPECT_EQ(toon.Masks[0]->Canvas().Pixel(15, 5), clWhite);   // outside the piece
}

TEST(PuzzleRun, EndsWithEveryPieceAtHomeAndTheOutlines)
{
    // 200 × 150 is a small screen: scale 4, cell 60, margin 16; the 120 × 90 picture
    // gets 4 × 3 pieces on a board of 208 × 148, centred on the picture's centre.
    const TBitmap picture = gradient(120, 90);
    const int X = 40, Y = 30;
    FillRandomTable();
    RandSeed = 4242;  // the edges are the run's first draws
    const PuzzleRun r = play(picture, 200, 150, X, Y, false);
    EXPECT_EQ(r.bitmapsLeft, 0);
    EXPECT_GT(r.steps, 1 + 12 + 12 * 8);

    // The same cut again, each piece put straight at its home on black.
    const PuzzleGeometry g(4, 120, 90);
    ASSERT_EQ(g.cols, 4);
    ASSERT_EQ(g.rows, 3);
    TBitmap board(g.BoardWidth(), g.BoardHeight());
    board.Canvas().Brush.Color = clBlack;
    board.Canvas().BrushCopy(Rect(0, 0, board.Width(), board.Height()), picture, Rect(0, 0, 120, 90), clBlack);
    RandSeed = 4242;
    const EdgeTable edges(g.rows, g.cols);
    TBitmap expected = FilledPicture(200, 150, clBlack);
    const int left = X + 60 - board.Width() / 2, top = Y + 45 - board.Height() / 2;
    for (int i = 0; i < g.rows; ++i)
        for (int j = 0; j < g.cols; ++j) {
            TRect rect;
            TBitmap piece = g.MakePiece(board, edges.At(i, j), i, j, rect);
            TToon toon;
            toon.Load(piece, 1, clBlack, 0, piece.Height(), piece.Width(), 1, 1);
            expected.Canvas().BitBlt(left + rect.Left, top + rect.Top, piece.Width(), piece.Height(),
                   &toon.Masks[0]->Canvas(), 0, 0, SRCAND);
            expected.Canvas().BitBlt(left + rect.Left, top + rect.Top, piece.Width(), piece.Height(),
                   &toon.Images[0]->Canvas(), 0, 0, SRCPAINT);
        }
    int differing = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            differing += r.canvas.ScanLine(y)[x] != expected.ScanLine(y)[x];
    EXPECT_EQ(differing, 0);

    // And it is the picture, stretched a little, with grey lines between the pieces:
    // the vertical line between the first two columns lies at x = -4 + 60 - 16.
    const TCanvas& shown = r.canvas.Canvas();
    EXPECT_EQ(shown.Pixel(40, 5), kOutlineColor);
    EXPECT_EQ(shown.Pixel(100, 143), kOutlineColor);
    for (auto [px, py] : {std::pair{20, 20}, std::pair{60, 60}, std::pair{75, 50}}) {
        // Board pixel (px, py) shows picture pixel (px × 120 / 208, py × 90 / 148).
        const TColor got = shown.Pixel(left + px, top + py);
        const int wantR = 40 + px * 120 / 208, wantG = 40 + py * 90 / 148;
        EXPECT_NEAR(GetRValue(got), wantR, 2) << px << "," << py;
        EXPECT_NEAR(GetGValue(got), wantG, 2) << px << "," << py;
    }
}

TEST(PuzzleRun, StopsFreeEverythingAndFinishTheFlightUnderWay)
{
    const TBitmap picture = gradient(120, 90);
    RandSeed = 5;
    const PuzzleRun whole = play(picture, 200, 150, 40, 30, false);
    // 1 for the fill, 12 while the sprites are made, then the assembly.
    for (int stopAt : {1, 5, 14, 30, whole.steps / 2}) {
        RandSeed = 5;
        TBitmap atStop;
        const PuzzleRun r = play(picture, 200, 150, 40, 30, false, stopAt, [&](int step, const TBitmap& canvas) {
            if (step == stopAt)
                atStop = canvas;
        });
        EXPECT_EQ(r.bitmapsLeft, 0) << stopAt;
        if (stopAt <= 14) {
            // Before any flight: nothing more is drawn.
            EXPECT_EQ(r.steps, stopAt);
            EXPECT_EQ(r.canvas.Image(), atStop.Image()) << stopAt;
        } else {
            // A flight under way ends its moves, one per round, without a snap.
            EXPECT_GE(r.steps, stopAt);
            EXPECT_LT(r.steps, whole.steps);
        }
    }
    // A stop at the first step leaves only the fill: the saver's whole screen in black.
    RandSeed = 5;
    const PuzzleRun first = play(picture, 200, 150, 40, 30, false, 1);
    EXPECT_EQ(first.canvas.Image(), FilledPicture(200, 150, clBlack).Image());
    // In preview only the picture's place is filled, in the button face.
    RandSeed = 5;
    const PuzzleRun preview = play(picture, 200, 150, 40, 30, true, 1);
    EXPECT_EQ(preview.canvas.Canvas().Pixel(39, 29), clWhite);
    EXPECT_EQ(preview.canvas.Canvas().Pixel(40, 30), ColorToRGB(clBtnFace));
    EXPECT_EQ(preview.canvas.Canvas().Pixel(159, 119), ColorToRGB(clBtnFace));
    EXPECT_EQ(preview.canvas.Canvas().Pixel(160, 120), clWhite);
}

TEST(PuzzleRun, WaitsOneIntervalUnlessStopped)
{
    // On the show's clock the assembled puzzle asks to be called again one interval later;
    // a stop ends that wait at once. On a clock of its own nothing waits.
    const TBitmap picture = gradient(60, 40);
    TBitmap canvas = FilledPicture(100, 80, clWhite);
    std::stop_source stop;
    effects::EffectInputs in;
    in.number = 214;
    in.X = in.Y = 20;
    in.picture = &picture;
    in.target = &canvas.Canvas();
    in.R = 0;
    in.interval = 3600;
    in.stop = stop.get_token();
    effects::Transition t(in, effects::Pace::RealTime);
    std::optional<effects::Transition::Clock::time_point> next;
    while ((next = t.Resume()) && *next < effects::Transition::Clock::now() + 10min) {
    }
    ASSERT_TRUE(next) << "ended without its wait";
    EXPECT_GT(*next, effects::Transition::Clock::now() + 3590s);
    const int steps = t.Steps();
    EXPECT_EQ(t.Resume(), next);
    stop.request_stop();
    EXPECT_FALSE(t.Resume());
    EXPECT_EQ(t.Steps(), steps);

    QElapsedTimer clock;
    clock.start();
    EXPECT_GT(play(picture, 100, 80, 20, 20, false, 0, {}, 600).steps, 0);
    EXPECT_LT(clock.elapsed(), 60000);
}
