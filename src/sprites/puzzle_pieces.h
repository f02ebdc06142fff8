#pragma once
// The jigsaw cut of a picture: the grid, the board the picture is stretched onto, the
// kinds of the edges between cells, and each piece's rectangle, outline and bitmap.

#include "platform/gdi/bitmap.h"

#include <cstdint>
#include <vector>

namespace sprites {

using platform::TBitmap;
using platform::TCanvas;
using platform::TRect;

// Edge kinds: flat, or a knob (1: up on a horizontal edge, right on a vertical one;
// 2: down, left).
inline constexpr uint8_t kFlat = 0;

struct CellEdges {
    uint8_t left = kFlat, top = kFlat, right = kFlat, bottom = kFlat;
};

inline constexpr platform::TColor kOutlineColor = 0x808080;

struct PuzzleGeometry {
    int s = 0;     // scale
    int c = 0;     // cell: the distance between piece edges
    int k = 0;     // knob margin
    int cols = 0, rows = 0;

    // The grid over a W × H picture: two more cells each way than it holds, and one
    // more where cells do not reach its edge.
    PuzzleGeometry(int scale, int W, int H);

    int Pieces() const { return cols * rows; }
    int BoardWidth() const { return cols * c - 2 * k; }
    int BoardHeight() const { return rows * c - 2 * k; }

    // Where cell (i, j)'s bitmap lies on the board, by the kinds of its edges.
    TRect PieceRect(const CellEdges& e, int i, int j) const;
    // The cell's outline on its bitmap, with the canvas's pen: flat edges k inside the
    // grid lines, knobs as Bézier curves.
    void DrawOutline(TCanvas& canvas, const CellEdges& e) const;
    // Cell (i, j) cut out of the board: the picture inside its outline, black outside,
    // the outline in kOutlineColor. `rect` receives its PieceRect.
    TBitmap MakePiece(const TBitmap& board, const CellEdges& e, int i, int j, TRect& rect) const;
};

// 2 in preview; 6 on a screen wider than 800 or taller than 600, else 4.
int PuzzleScale(bool preview, int screenWidth, int screenHeight);

// The edges of every cell: the outer ones flat, each inner one drawn at random (the
// process-wide generator, row by row) and shared by its two cells.
class EdgeTable {
public:
    EdgeTable(int rows, int cols);
    const CellEdges& At(int i, int j) const { return cells_[size_t(i) * size_t(cols_) + size_t(j)]; }

private:
    CellEdges& at(int i, int j) { return cells_[size_t(i) * size_t(cols_) + size_t(j)]; }
    int rows_, cols_;
    std::vector<CellEdges> cells_;
};

}  // namespace sprites
