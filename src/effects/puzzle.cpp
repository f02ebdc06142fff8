// The Puzzle: the new picture cut into jigsaw pieces that fly in one by one, in random
// order, from outside the screen (in preview, from just outside the picture) to their
// places. It clears the old picture at once, ends on the assembled puzzle with its
// outlines (no closing copy) and waits one slide interval itself.

#include "families.h"

#include "sprites/puzzle_pieces.h"
#include "sprites/sprite_random.h"
#include "sprites/sprites.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace effects {

namespace {

using namespace platform;
using namespace sprites;

std::string toonName(int n)
{
    return "P" + std::to_string(n);
}

struct Run {
    EffectContext& c;
    TColor color;          // the puzzle colour
    int screenW, screenH;
    TAlbum album;
    TPool* pool = nullptr;
    int pieces = 0;

    Run(EffectContext& context, TColor puzzleColor, const TBitmap& screen)
        : c(context), color(puzzleColor), screenW(screen.Width()), screenH(screen.Height()),
          album(context.Target, screen)
    {
    }

    // Cuts the picture into toons with their homes, and puts a sprite of each outside.
    // False when a stop came.
    Task<bool> build(int scale)
    {
        const TBitmap picture = c.Picture;
        const PuzzleGeometry g(scale, c.W, c.H);
        pieces = g.Pieces();
        TBitmap board(g.BoardWidth(), g.BoardHeight());
        const int bw2 = board.Width() / 2, bh2 = board.Height() / 2;

        album.Clear();
        album.Background.Canvas().Brush.Color = color;
        album.Background.Canvas().FillRect(Rect(0, 0, album.Width, album.Height));
        const EdgeTable edges(g.rows, g.cols);
        album.DrawBackground(Rect(c.X, c.Y, c.X + c.W, c.Y + c.H));

        // Black is the pieces' transparent colour: the puzzle colour in the picture
        // becomes black, and black pixels let the puzzle colour through.
        board.Canvas().Brush.Color = clBlack;
        board.Canvas().BrushCopy(Rect(0, 0, board.Width(), board.Height()), picture,
                                 Rect(0, 0, picture.Width(), picture.Height()), color);
        board.Canvas().Brush.Color = color;
        board.SetPixelFormat(pf24bit);

        int n = 0;
        for (int i = 0; i < g.rows; ++i)
            for (int j = 0; j < g.cols; ++j) {
                TRect rect;
                const TBitmap piece = g.MakePiece(board, edges.At(i, j), i, j, rect);
                ++n;
                album.AddToon(toonName(n), piece, 1, clBlack, 0, piece.Height(), piece.Width(), 1, 1);
                album.SetToonHome(toonName(n), c.X + rect.Left - bw2, c.Y + rect.Top - bh2);
            }

        pool = &album.AddPool(pieces);
        for (n = 1; n <= pieces; ++n) {
            if (const bool go = co_await c.Step(); !go)
                co_return false;
            pool->NewSprite(n, toonName(n));
            int x, y;
            if (c.PreviewMode) {
                x = RandomInt(c.X, c.X + c.W);
                y = RandomInt(c.Y, c.Y + c.H);
                x = x < c.W / 2 ? c.X - 50 : c.X + c.W + 10;
                y = y < c.H / 2 ? c.Y - 40 : c.Y + c.H + 10;
            } else {
                x = c.Random(screenW);
                y = c.Random(screenH);
                // Alternately off the left or right, and off the top or bottom.
                if (n % 2 == 1)
                    x = x < c.W / 2 ? -300 : screenW + 10;
                else
                    y = y < c.H / 2 ? -300 : screenH + 10;
            }
            pool->SetPosition(n, float(x), float(y));
            pool->SetLayer(n, -n);
        }
        co_return true;
    }

    // Flies piece n home; false when a stop came during the flight.
    Task<bool> fly(int n)
    {
        pool->SetLayer(n, pieces + 2);
        const float vx = RandomFloat(0.3f, -0.3f);
        const float vy = RandomFloat(0.5f, -0.5f);
        pool->SetVelocity(n, vx, vy);
        const int tx = pool->ToonHomeX(n) + c.W / 2, ty = pool->ToonHomeY(n) + c.H / 2;
        const int d = IntDistance(pool->GetX(n), pool->GetY(n), tx, ty);
        const int steps = std::max(8, (d + 4) / 4);
        pool->SetArrival(n, float(tx), steps, float(ty));
        pool->SetCountdown(n, steps);
        // Rounds of four moves; a stop shortens the rounds to one move but the flight
        // still ends where it was going.
        bool arrived = false;
        do {
            for (int move = 0; move < 4; ++move) {
                pool->MoveAndDraw(n);
                if (pool->GetCountdown(n) == 1)
                    arrived = true;
                if (const bool go = co_await c.Step(); !go)
                    break;
                if (c.PreviewMode)
                    co_await c.Sleep(std::chrono::milliseconds(10), false);
            }
        } while (!arrived);
        if (c.Stopped())
            co_return false;
        pool->StopSprite(n);
        pool->SetPosition(n, float(tx), float(ty));
        pool->MoveAndDraw(n);
        pool->SetLayer(n, 0);
        pool->SetTag(n, 1);
        co_return true;
    }

    Effect assemble()
    {
        for (int placed = 0; placed < pieces; ++placed) {
            if (const bool go = co_await c.Step(); !go)
                co_return;
            int n = RandomInt(1, pieces);
            while (pool->GetTag(n) == 1)
                n = n == pieces ? 1 : n + 1;
            if (const bool go = co_await fly(n); !go)
                co_return;
        }
    }
};

}  // namespace

Effect Puzzle(EffectContext& c, int)
{
    const TColor color = c.PreviewMode ? clBtnFace : clBlack;
    // The saver's window is the screen.
    const int screenW = c.Target.Width(), screenH = c.Target.Height();
    c.Target.Brush.Color = color;
    c.Target.Brush.Style = bsSolid;
    c.Target.FillRect(c.PreviewMode ? Rect(c.X, c.Y, c.X + c.W, c.Y + c.H) : Rect(-1, 0, screenW, screenH + 1));
    if (const bool go = co_await c.Step(); !go)
        co_return;

    const int scale = PuzzleScale(c.PreviewMode, screenW, screenH);
    std::unique_ptr<Run> run;
    {
        TBitmap screen(screenW, screenH);
        screen.Canvas().Brush.Color = color;
        screen.Canvas().FillRect(Rect(0, 0, screenW, screenH));
        run = std::make_unique<Run>(c, color, screen);
    }
    if (c.Stopped())
        co_return;
    if (const bool built = co_await run->build(scale); !built || c.Stopped())
        co_return;
    run->pool->Redraw();
    if (c.Stopped())
        co_return;
    co_await run->assemble();
    if (c.Stopped())
        co_return;
    // The last piece's landing is on screen during the slide show's interval, which the
    // puzzle waits out itself; a stop ends the wait.
    c.Present();
    co_await c.Sleep(std::chrono::seconds(c.Inputs().interval), true);
}

}  // namespace effects
