#include "puzzle_pieces.h"

#include "platform/random.h"

#include <algorithm>
#include <array>

namespace sprites {

using namespace platform;

namespace {

// Ten points each (a start and three cubic segments), in units of the scale.
using Template = std::array<TPoint, 10>;
constexpr Template kKnobUp = {{{0, 0}, {1, -2}, {6, 2}, {6, 0}, {4, -6}, {11, -4}, {9, 0}, {9, 1}, {15, -1}, {15, 0}}};
constexpr Template kKnobDown = {{{0, 0}, {0, 1}, {6, -2}, {6, 0}, {3, 6}, {10, 5}, {9, 0}, {9, -2}, {15, 0}, {15, 0}}};
constexpr Template kKnobRight = {{{0, 0}, {0, 2}, {0, 4}, {0, 6}, {6, 4}, {5, 11}, {0, 9}, {0, 12}, {0, 13}, {0, 15}}};
constexpr Template kKnobLeft = {{{0, 0}, {0, 2}, {0, 3}, {0, 6}, {-6, 4}, {-5, 11}, {0, 9}, {0, 10}, {0, 13}, {0, 15}}};

}  // namespace

int PuzzleScale(bool preview, int screenWidth, int screenHeight)
{
    if (preview)
        return 2;
    return screenWidth > 800 || screenHeight > 600 ? 6 : 4;
}

PuzzleGeometry::PuzzleGeometry(int scale, int W, int H) : s(scale), c(15 * scale), k(4 * scale)
{
    cols = std::max(1, W / c) + 2;
    if (cols * c < W)
        ++cols;
    rows = std::max(1, H / c) + 2;
    if (rows * c < H)
        ++rows;
}

TRect PuzzleGeometry::PieceRect(const CellEdges& e, int i, int j) const
{
    const int left = e.left == kFlat ? k : e.left == 1 ? -2 : -k - 2;
    const int top = e.top == kFlat ? k : e.top == 1 ? -k - 2 : -s - 1;
    const int right = e.right == kFlat ? c - k : e.right == 1 ? c + k + 2 : c + 2;
    const int bottom = e.bottom == kFlat ? c - k : e.bottom == 1 ? c + s + 2 : c + k + 2;
    const int x = j * c - k, y = i * c - k;
    return Rect(x + left, y + top, x + right, y + bottom);
}

void PuzzleGeometry::DrawOutline(TCanvas& canvas, const CellEdges& e) const
{
    // The cell's grid corner inside its bitmap.
    const TRect r = PieceRect(e, 0, 0);
    const int ox = -(r.Left + k), oy = -(r.Top + k);
    auto knob = [&](const Template& t, int x0, int y0) {
        std::array<TPoint, 10> points;
        for (size_t i = 0; i < t.size(); ++i)
            points[i] = {x0 + t[i].X * s, y0 + t[i].Y * s};
        canvas.PolyBezier(points.data(), int(points.size()));
    };
    auto line = [&](int x0, int y0, int x1, int y1) {
        canvas.MoveTo(x0, y0);
        canvas.LineTo(x1, y1);
    };
    if (e.top == kFlat)
        line(ox, 0, ox + c, 0);
    else
        knob(e.top == 1 ? kKnobUp : kKnobDown, ox, oy);
    if (e.bottom == kFlat)
        line(ox, oy + c - k, ox + c, oy + c - k);
    else
        knob(e.bottom == 1 ? kKnobUp : kKnobDown, ox, oy + c);
    if (e.left == kFlat)
        line(0, oy, 0, oy + c);
    else
        knob(e.left == 1 ? kKnobRight : kKnobLeft, ox, oy);
    if (e.right == kFlat)
        line(ox + c - k, oy, ox + c - k, oy + c);
    else
        knob(e.right == 1 ? kKnobRight : kKnobLeft, ox + c, oy);
}

TBitmap PuzzleGeometry::MakePiece(const TBitmap& board, const CellEdges& e, int i, int j, TRect& rect) const
{
    rect = PieceRect(e, i, j);
    const int w = rect.Width() + 1, h = rect.Height() + 1;
    TBitmap piece(w, h);
    piece.SetPixelFormat(pf24bit);
    TCanvas& canvas = piece.Canvas();
    canvas.Brush.Color = clBlack;
    canvas.FillRect(Rect(0, 0, w, h));
    // White inside a white outline, so the AND copy keeps the picture only there.
    canvas.Pen.Color = clWhite;
    DrawOutline(canvas, e);
    canvas.Brush.Color = clWhite;
    canvas.FloodFill(w / 2 + 2, h / 2 + 2, clWhite, fsBorder);
    canvas.CopyMode = SRCAND;
    canvas.CopyRect(Rect(0, 0, w, h), board.Canvas(), rect);
    canvas.CopyMode = SRCCOPY;
    canvas.Pen.Color = kOutlineColor;
    DrawOutline(canvas, e);
    return piece;
}

EdgeTable::EdgeTable(int rows, int cols) : rows_(rows), cols_(cols), cells_(size_t(rows) * size_t(cols))
{
    auto kind = [] { return uint8_t(Random(2) == 0 ? 1 : 2); };
    for (int i = 0; i < rows_; ++i)
        for (int j = 0; j < cols_; ++j) {
            if (i > 0)
                at(i, j).top = at(i - 1, j).bottom = kind();
            if (j > 0)
                at(i, j).left = at(i, j - 1).right = kind();
        }
}

}  // namespace sprites
