#pragma once
// The pixels of a region as bits, for regions grown by many unions one after another:
// uniting a rectangle costs its area / 64 word operations, however many rectangles the
// region already holds, and the rectangles are made once, when they are asked for.
// The area and the bounding box are kept as bits are set, so the kind of the region is
// known after every union.

#include <QRect>
#include <QRegion>

#include <cstdint>
#include <vector>

namespace platform::gdi_detail {

class CoverMask {
public:
    CoverMask() = default;
    CoverMask(const CoverMask&) = delete;
    CoverMask& operator=(const CoverMask&) = delete;
    ~CoverMask();

    // Unites with the rectangle or region; false, with nothing changed, when the mask
    // would grow past kMaxWords words.
    bool add(const QRect& rect);
    bool add(const QRegion& region);
    // Keeps only the pixels that `other` holds as well.
    void intersect(const CoverMask& other);

    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int kind() const;
    long long area() const { return area_; }
    QRegion toRegion() const;

    // Enough for 8192 x 8192 pixels; larger unions are left to QRegion.
    static constexpr long long kMaxWords = 1LL << 20;

private:
    bool cover(const QRect& r);
    bool regrid(long long left, long long top, long long right, long long bottom);
    void set(const QRect& r);
    const uint64_t* word(int column, int y) const;

    // Words are stored column by column: each word column holds the same 64 x positions
    // of every row in turn, so that a tall narrow strip sets consecutive words.
    int left_ = 0;  // x of bit 0 of every word: a multiple of 64
    int top_ = 0;
    int words_ = 0;  // word columns
    int rows_ = 0;
    std::vector<uint64_t> bits_;
    long long area_ = 0;
    QRect box_;
};

// Sets `bits` in `count` consecutive words and answers how many bits were not set before;
// the second form does eight words at a time and needs HasVectorPopcount(), which is
// false off x86.
long long OrWords(uint64_t* words, int count, uint64_t bits);
long long OrWordsEightAtATime(uint64_t* words, int count, uint64_t bits);
bool HasVectorPopcount();

}  // namespace platform::gdi_detail
