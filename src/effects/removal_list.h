#pragma once
// A list whose entries are taken out one at a time from positions drawn at random, each
// removal closing the gap as in a plain list, so the same draws give the same entries,
// but in logarithmic time: a Fenwick tree counts the entries still present, and the
// k-th of them is found by one descent of it. A plain list moves half of itself at every
// removal, which on a 4K screen's hundreds of thousands of tiles is most of the effect.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace effects {

template <class T>
class RemovalList {
public:
    explicit RemovalList(std::vector<T> entries)
        : entries_(std::move(entries)), counts_(entries_.size() + 1), remaining_(entries_.size())
    {
        // Every entry present: each node counts the entries of its span.
        for (size_t i = 1; i < counts_.size(); ++i)
            counts_[i] = static_cast<uint32_t>(i & (~i + 1));
    }

    size_t size() const { return remaining_; }
    bool empty() const { return remaining_ == 0; }

    // The entry at `position` among those remaining (0: the first), taken out.
    T take(size_t position)
    {
        // Descend to the last node whose prefix holds no more than `position` entries.
        size_t node = 0;
        size_t left = position;
        for (size_t step = std::bit_floor(entries_.size()); step != 0; step >>= 1) {
            const size_t next = node + step;
            if (next < counts_.size() && counts_[next] <= left) {
                node = next;
                left -= counts_[next];
            }
        }
        // node + 1 is the 1-based index of the entry wanted.
        for (size_t i = node + 1; i < counts_.size(); i += i & (~i + 1))
            --counts_[i];
        --remaining_;
        return std::move(entries_[node]);
    }

private:
    std::vector<T> entries_;
    std::vector<uint32_t> counts_;  // Fenwick tree, 1-based
    size_t remaining_;
};

}  // namespace effects
