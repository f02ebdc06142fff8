#pragma once
// What a window shows again at its next flush: the tiles of a fixed grid that something
// was drawn on since the last one. Marking costs what the marked rectangle spans in
// tiles, whatever was drawn before; the parts handed out are disjoint rectangles, few
// enough for a window system to take one request each, and never more than the tiles.

#include <QRect>

#include <cstdint>
#include <vector>

namespace platform {

class DirtyTiles {
public:
    static constexpr int kSide = 32;      // pixels of a tile's side
    static constexpr int kMaxParts = 64;  // beyond this, the parts are coarsened

    void Reset(int width, int height);
    // `r` lies within the surface and is not empty.
    void Mark(const QRect& r);
    void Clear();
    bool Empty() const { return firstRow_ > lastRow_; }

    // Disjoint rectangles that cover every marked tile, cut to `bounds` (the box of what
    // was drawn): maximal runs of tiles in each tile row, runs of equal ends in
    // neighbouring rows joined; past kMaxParts, a row's span from its first marked tile
    // to its last; past that again, `bounds` alone.
    std::vector<QRect> Parts(const QRect& bounds) const;

private:
    struct Run {
        int first, last;  // tile columns, inclusive
    };
    void runsOf(int row, bool spanOnly, std::vector<Run>& out) const;
    std::vector<QRect> join(const QRect& bounds, bool spanOnly) const;

    int cols_ = 0, rows_ = 0, words_ = 0;
    std::vector<uint64_t> bits_;  // rows_ × words_, tile column c at bit c % 64 of word c / 64
    int firstRow_ = 0, lastRow_ = -1;
};

}  // namespace platform
