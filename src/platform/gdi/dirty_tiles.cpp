#include "platform/gdi/dirty_tiles.h"

#include <algorithm>
#include <bit>

namespace platform {

void DirtyTiles::Reset(int width, int height)
{
    cols_ = (std::max(width, 0) + kSide - 1) / kSide;
    rows_ = (std::max(height, 0) + kSide - 1) / kSide;
    words_ = (cols_ + 63) / 64;
    bits_.assign(static_cast<size_t>(rows_) * words_, 0);
    firstRow_ = 0;
    lastRow_ = -1;
}

void DirtyTiles::Mark(const QRect& r)
{
    const int c0 = r.left() / kSide, c1 = std::min(r.right() / kSide, cols_ - 1);
    const int r0 = r.top() / kSide, r1 = std::min(r.bottom() / kSide, rows_ - 1);
    if (c0 > c1 || r0 > r1)
        return;
    const int w0 = c0 / 64, w1 = c1 / 64;
    for (int row = r0; row <= r1; ++row) {
        uint64_t* words = bits_.data() + static_cast<size_t>(row) * words_;
        for (int w = w0; w <= w1; ++w) {
            const int lo = w == w0 ? c0 % 64 : 0, hi = w == w1 ? c1 % 64 : 63;
            words[w] |= (hi == 63 ? ~0ull : (1ull << (hi + 1)) - 1) & ~((1ull << lo) - 1);
        }
    }
    if (Empty()) {
        firstRow_ = r0;
        lastRow_ = r1;
    } else {
        firstRow_ = std::min(firstRow_, r0);
        lastRow_ = std::max(lastRow_, r1);
    }
}

void DirtyTiles::Clear()
{
    if (!Empty())
        std::fill(bits_.begin() + static_cast<ptrdiff_t>(firstRow_) * words_,
                  bits_.begin() + static_cast<ptrdiff_t>(lastRow_ + 1) * words_, 0);
    firstRow_ = 0;
    lastRow_ = -1;
}

void DirtyTiles::runsOf(int row, bool spanOnly, std::vector<Run>& out) const
{
    out.clear();
    const uint64_t* words = bits_.data() + static_cast<size_t>(row) * words_;
    int c = 0;
    while (c < cols_) {
        // The next marked tile from c, then the next unmarked one after it.
        int w = c / 64;
        uint64_t bits = words[w] & (~0ull << (c % 64));
        while (bits == 0 && ++w < words_)
            bits = words[w];
        if (w >= words_)
            break;
        const int first = w * 64 + std::countr_zero(bits);
        uint64_t gaps = ~words[w] & (~0ull << (first % 64));
        while (gaps == 0 && ++w < words_)
            gaps = ~words[w];
        const int end = w >= words_ ? cols_ : std::min(w * 64 + std::countr_zero(gaps), cols_);
        if (spanOnly && !out.empty())
            out.back().last = end - 1;
        else
            out.push_back({first, end - 1});
        c = end;
    }
}

std::vector<QRect> DirtyTiles::join(const QRect& bounds, bool spanOnly) const
{
    std::vector<QRect> parts;
    // For each run of the row above, the part it belongs to, to be extended downwards.
    std::vector<Run> above, here;
    std::vector<size_t> abovePart, herePart;
    for (int row = firstRow_; row <= lastRow_; ++row) {
        runsOf(row, spanOnly, here);
        herePart.assign(here.size(), 0);
        size_t j = 0;
        for (size_t i = 0; i < here.size(); ++i) {
            while (j < above.size() && above[j].first < here[i].first)
                ++j;
            if (j < above.size() && above[j].first == here[i].first && above[j].last == here[i].last) {
                herePart[i] = abovePart[j];
                parts[herePart[i]].setBottom(row * kSide + kSide - 1);
            } else {
                herePart[i] = parts.size();
                parts.emplace_back(QPoint(here[i].first * kSide, row * kSide),
                                   QPoint(here[i].last * kSide + kSide - 1, row * kSide + kSide - 1));
            }
        }
        std::swap(above, here);
        std::swap(abovePart, herePart);
        if (parts.size() > kMaxParts)
            return parts;
    }
    for (QRect& part : parts)
        part &= bounds;
    return parts;
}

std::vector<QRect> DirtyTiles::Parts(const QRect& bounds) const
{
    if (Empty() || bounds.isEmpty())
        return {};
    std::vector<QRect> parts = join(bounds, false);
    if (parts.size() > kMaxParts)
        parts = join(bounds, true);
    if (parts.size() > kMaxParts)
        return {bounds};
    // None is empty: every marked tile holds a drawn pixel, and so lies partly in the box.
    return parts;
}

}  // namespace platform
