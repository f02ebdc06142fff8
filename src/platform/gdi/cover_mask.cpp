#include "platform/gdi/cover_mask.h"

#include "platform/cpu_clones.h"
#include "platform/gdi/region_bands.h"
#include "platform/gdi/types.h"

#if LUMIVANE_X86_DISPATCH
#include <immintrin.h>
#endif

#include <algorithm>
#include <bit>

namespace platform::gdi_detail {

namespace {

// One buffer of up to a screen's size is kept for the next mask: regions built step
// after step would otherwise map and fault in fresh pages each time.
constexpr size_t kSpareWords = size_t(1) << 18;

std::vector<uint64_t>& spare()
{
    thread_local std::vector<uint64_t> buffer;
    return buffer;
}

void keepSpare(std::vector<uint64_t>&& bits)
{
    if (bits.capacity() <= kSpareWords && bits.capacity() > spare().capacity())
        spare() = std::move(bits);
}

long long floorDiv64(long long v) { return v >= 0 ? v / 64 : -((-v + 63) / 64); }

}  // namespace

// The x86 baseline has no popcount: a copy is made for processors with one.
LUMIVANE_CLONES("popcnt") long long OrWords(uint64_t* words, int count, uint64_t bits)
{
    long long added = 0;
    for (int i = 0; i < count; ++i) {
        added += std::popcount(bits & ~words[i]);
        words[i] |= bits;
    }
    return added;
}

#if LUMIVANE_X86_DISPATCH
__attribute__((target("avx512f,avx512vpopcntdq"))) long long OrWordsEightAtATime(uint64_t* words, int count,
                                                                                  uint64_t bits)
{
    const __m512i set = _mm512_set1_epi64((long long)bits);
    __m512i added = _mm512_setzero_si512();
    for (int i = 0; i < count; i += 8) {
        const __mmask8 lanes = count - i >= 8 ? __mmask8(0xFF) : __mmask8((1u << (count - i)) - 1);
        const __m512i before = _mm512_maskz_loadu_epi64(lanes, words + i);
        const __m512i after = _mm512_or_si512(before, set);
        added = _mm512_add_epi64(added, _mm512_maskz_popcnt_epi64(lanes, _mm512_xor_si512(after, before)));
        _mm512_mask_storeu_epi64(words + i, lanes, after);
    }
    alignas(64) long long lanes[8];
    _mm512_store_epi64(lanes, added);
    long long total = 0;
    for (long long n : lanes)
        total += n;
    return total;
}

bool HasVectorPopcount()
{
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vpopcntdq");
    return has;
}
#else
// No wider loop to choose here.
long long OrWordsEightAtATime(uint64_t* words, int count, uint64_t bits) { return OrWords(words, count, bits); }
bool HasVectorPopcount() { return false; }
#endif

CoverMask::~CoverMask() { keepSpare(std::move(bits_)); }

bool CoverMask::add(const QRect& rect)
{
    if (rect.isEmpty())
        return true;
    if (!cover(rect))
        return false;
    set(rect);
    return true;
}

bool CoverMask::add(const QRegion& region)
{
    if (region.isEmpty())
        return true;
    if (!cover(region.boundingRect()))
        return false;
    for (const QRect& r : region)
        set(r);
    return true;
}

// The word holding pixels 64 * column + left_ .. + 63 of row y, or nullptr outside.
const uint64_t* CoverMask::word(int column, int y) const
{
    if (column < 0 || column >= words_ || y < top_ || y >= top_ + rows_)
        return nullptr;
    return bits_.data() + size_t(column) * size_t(rows_) + size_t(y - top_);
}

void CoverMask::intersect(const CoverMask& other)
{
    const int shift = (left_ - other.left_) / 64;  // other's column of this one's column 0
    int firstColumn = words_, lastColumn = -1, firstRow = rows_, lastRow = -1;
    area_ = 0;
    for (int w = 0; w < words_; ++w) {
        uint64_t* column = bits_.data() + size_t(w) * size_t(rows_);
        bool any = false;
        for (int i = 0; i < rows_; ++i) {
            const uint64_t* theirs = other.word(w + shift, top_ + i);
            column[i] &= theirs ? *theirs : 0;
            if (column[i]) {
                area_ += std::popcount(column[i]);
                any = true;
                firstRow = std::min(firstRow, i);
                lastRow = std::max(lastRow, i);
            }
        }
        if (any) {
            firstColumn = std::min(firstColumn, w);
            lastColumn = w;
        }
    }
    box_ = QRect();
    if (area_ == 0)
        return;
    // The leftmost and rightmost set bits lie in the first and last columns with any.
    uint64_t leftBits = 0, rightBits = 0;
    for (int i = firstRow; i <= lastRow; ++i) {
        leftBits |= bits_[size_t(firstColumn) * size_t(rows_) + size_t(i)];
        rightBits |= bits_[size_t(lastColumn) * size_t(rows_) + size_t(i)];
    }
    const int x0 = left_ + firstColumn * 64 + std::countr_zero(leftBits);
    const int x1 = left_ + lastColumn * 64 + 64 - std::countl_zero(rightBits);
    box_ = QRect(x0, top_ + firstRow, x1 - x0, lastRow - firstRow + 1);
}

int CoverMask::kind() const
{
    if (area_ == 0)
        return NULLREGION;
    return area_ == (long long)box_.width() * box_.height() ? SIMPLEREGION : COMPLEXREGION;
}

QRegion CoverMask::toRegion() const
{
    if (area_ == 0)
        return {};
    const int w0 = (box_.left() - left_) >> 6;
    const int w1 = (box_.left() + box_.width() - 1 - left_) >> 6;
    BandBuilder bands;
    BandBuilder::Spans spans;
    std::vector<uint64_t> row(size_t(w1 - w0 + 1)), previous;
    for (int y = box_.top(); y < box_.top() + box_.height(); ++y) {
        const uint64_t* at = bits_.data() + size_t(w0) * size_t(rows_) + size_t(y - top_);
        for (uint64_t& word : row) {
            word = *at;
            at += rows_;
        }
        if (row == previous) {
            bands.repeatRow(y);
            continue;
        }
        previous = row;
        spans.clear();
        // Bit i of `edges` is set where bit i differs from the bit before it.
        bool inside = false;
        int start = 0;
        for (size_t k = 0; k < row.size(); ++k) {
            const uint64_t v = row[k];
            uint64_t edges = v ^ ((v << 1) | (inside ? 1u : 0u));
            while (edges) {
                const int x = left_ + (w0 + int(k)) * 64 + std::countr_zero(edges);
                edges &= edges - 1;
                if (!inside)
                    start = x;
                else
                    spans.emplace_back(start, x);
                inside = !inside;
            }
        }
        if (inside)
            spans.emplace_back(start, left_ + (w1 + 1) * 64);
        bands.addSortedRow(y, spans);
    }
    return bands.finish();
}

// Grows the mask to hold r, with room to spare in the directions it grew in.
bool CoverMask::cover(const QRect& r)
{
    long long l = r.left(), t = r.top();
    long long rr = l + r.width(), b = t + r.height();
    const long long right = left_ + 64LL * words_, bottom = top_ + rows_;
    if (!bits_.empty()) {
        if (l >= left_ && rr <= right && t >= top_ && b <= bottom)
            return true;
        const long long spareX = (right - left_) / 2, spareY = (bottom - top_) / 2;
        const long long l2 = l < left_ ? l - spareX : left_, r2 = rr > right ? rr + spareX : right;
        const long long t2 = t < top_ ? t - spareY : top_, b2 = b > bottom ? b + spareY : bottom;
        if (regrid(l2, t2, r2, b2))
            return true;
        l = std::min<long long>(l, left_), rr = std::max(rr, right);
        t = std::min<long long>(t, top_), b = std::max(b, bottom);
    }
    return regrid(l, t, rr, b);
}

bool CoverMask::regrid(long long left, long long top, long long right, long long bottom)
{
    const long long firstWord = floorDiv64(left), endWord = floorDiv64(right + 63);
    const long long words = endWord - firstWord, rows = bottom - top;
    if (words * rows > kMaxWords)
        return false;
    std::vector<uint64_t> grown = std::move(spare());
    grown.assign(size_t(words * rows), 0);
    const long long shift = left_ / 64 - firstWord;
    for (int w = 0; w < words_; ++w)
        std::copy_n(bits_.data() + size_t(w) * size_t(rows_), rows_,
                    grown.data() + size_t((w + shift) * rows + (top_ - top)));
    bits_.swap(grown);
    keepSpare(std::move(grown));
    left_ = int(firstWord * 64);
    top_ = int(top);
    words_ = int(words);
    rows_ = int(rows);
    return true;
}

void CoverMask::set(const QRect& r)
{
    const int x0 = r.left() - left_, x1 = x0 + r.width();
    const int w0 = x0 >> 6, w1 = (x1 - 1) >> 6;
    for (int w = w0; w <= w1; ++w) {
        uint64_t bits = ~0ULL;
        if (w == w0)
            bits &= ~0ULL << (x0 & 63);
        if (w == w1)
            bits &= ~0ULL >> (63 - ((x1 - 1) & 63));
        uint64_t* column = bits_.data() + size_t(w) * size_t(rows_) + size_t(r.top() - top_);
        area_ += HasVectorPopcount() ? OrWordsEightAtATime(column, r.height(), bits) : OrWords(column, r.height(), bits);
    }
    box_ |= r;
}

}  // namespace platform::gdi_detail
