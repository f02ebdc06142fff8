// HALFTONE stretching: a shrink averages every source pixel by the share of it that
// falls in each destination pixel (exact box filter); an enlargement interpolates
// linearly between the nearest source pixels. Separable, in integer arithmetic: down
// the columns into 8.8 fixed point, then across. Both passes multiply and add two
// taps at a time in 16-bit lanes (SSE2), the compiler's vectors elsewhere and the scalar
// loops giving the same sums. An axis
// that only copies (one source pixel for each destination pixel, as when a picture is
// squeezed on the other axis alone) skips its pass, with the same results.

#include "platform/gdi/blit_engine.h"

#include "platform/cpu_clones.h"
#include "platform/gdi/pixels.h"
#include "platform/vector_lanes.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <system_error>
#include <thread>

#if LUMIVANE_SSE2
#include <emmintrin.h>
#endif

namespace platform::gdi_detail {

namespace {

constexpr int kWeightBits = 14;
// Below this much work (source pixels summed plus destination pixels), starting a
// thread costs more than it saves.
constexpr long long kWorkForTwoThreads = 1LL << 20;
constexpr int32_t kWeightOne = 1 << kWeightBits;

struct Taps {
    std::vector<int> first;  // per destination pixel, into index/weight; one extra at the end
    std::vector<int> index;
    std::vector<int32_t> weight;
};

Taps makeTaps(const StretchAxis& a, long long v0, long long v1, int lo, int hi)
{
    Taps t;
    t.first.reserve(size_t(v1 - v0 + 1));
    std::vector<std::pair<long long, long long>> raw;
    for (long long d = v0; d < v1; ++d) {
        t.first.push_back(int(t.index.size()));
        long long i = d - a.dstStart;
        if (a.mirror)
            i = a.dstLength - 1 - i;
        raw.clear();
        if (a.srcLength > a.dstLength) {
            // Destination pixel i covers [i·S, (i+1)·S) in units where a source pixel is D.
            const __int128 from = (__int128)i * a.srcLength, to = from + a.srcLength;
            const long long j0 = (long long)(from / a.dstLength);
            const long long j1 = (long long)((to + a.dstLength - 1) / a.dstLength);
            for (long long j = j0; j < j1; ++j) {
                const __int128 lo2 = std::max<__int128>(from, (__int128)j * a.dstLength);
                const __int128 hi2 = std::min<__int128>(to, (__int128)(j + 1) * a.dstLength);
                if (hi2 > lo2)
                    raw.emplace_back(j, (long long)(hi2 - lo2));
            }
            // Weights in fixed point summing exactly to one.
            long long sum = 0;
            std::size_t largest = 0;
            for (std::size_t k = 0; k < raw.size(); ++k) {
                const long long w = (long long)(((__int128)raw[k].second * kWeightOne) / a.srcLength);
                if (raw[k].second > raw[largest].second)
                    largest = k;
                raw[k].second = w;
                sum += w;
            }
            if (!raw.empty())
                raw[largest].second += kWeightOne - sum;
        } else if (a.srcLength < a.dstLength) {
            double u = (double(i) + 0.5) * double(a.srcLength) / double(a.dstLength) - 0.5;
            u = std::clamp(u, 0.0, double(a.srcLength - 1));
            const long long j0 = (long long)std::floor(u);
            const long long w1 = std::llround((u - double(j0)) * kWeightOne);
            raw.emplace_back(j0, kWeightOne - w1);
            if (w1 > 0 && j0 + 1 < a.srcLength)
                raw.emplace_back(j0 + 1, w1);
            else
                raw[0].second = kWeightOne;
        } else {
            raw.emplace_back(i, kWeightOne);
        }
        for (auto [j, w] : raw) {
            if (w == 0)
                continue;
            const long long s = std::clamp<long long>(a.srcStart + j, lo, hi);
            // Neighbouring taps clamped onto the same pixel merge.
            if (int(t.index.size()) > t.first.back() && t.index.back() == int(s))
                t.weight.back() += int32_t(w);
            else {
                t.index.push_back(int(s));
                t.weight.push_back(int32_t(w));
            }
        }
    }
    t.first.push_back(int(t.index.size()));
    return t;
}

// Taps taken two at a time, for a multiply-add of two 16-bit products per lane: the
// offsets of both pixels into a row of the picture (or of the column sums), the two
// weights packed low then high. An odd tap is paired with itself at weight 0.
struct TapPairs {
    std::vector<int> first;  // per destination pixel, into pairs; one extra at the end
    std::vector<int> offset0;
    std::vector<int> offset1;
    std::vector<int32_t> weights;
    std::vector<int32_t> lanes;  // each weight four times, for the multiply-adds
    int uniform = 0;  // when not 0, every pixel has this many pairs (first[d] = d · uniform)
};

// Up to this many pairs per pixel, the across pass pads every pixel to the same count,
// so that its loop has a fixed length and unrolls.
constexpr int kMostUniformPairs = 4;

TapPairs pairUp(const Taps& t, int base, int scale, bool uniform)
{
    TapPairs p;
    const std::size_t n = t.first.size() - 1;
    int most = 0;
    for (std::size_t d = 0; d < n; ++d)
        most = std::max(most, (t.first[d + 1] - t.first[d] + 1) / 2);
    if (uniform && most >= 1 && most <= kMostUniformPairs)
        p.uniform = most;
    p.first.reserve(n + 1);
    for (std::size_t d = 0; d < n; ++d) {
        p.first.push_back(int(p.weights.size()));
        for (int k = t.first[d]; k < t.first[d + 1]; k += 2) {
            const bool single = k + 1 == t.first[d + 1];
            const int k1 = single ? k : k + 1;
            p.offset0.push_back((t.index[size_t(k)] - base) * scale);
            p.offset1.push_back((t.index[size_t(k1)] - base) * scale);
            const uint32_t w0 = uint32_t(t.weight[size_t(k)]);
            const uint32_t w1 = single ? 0u : uint32_t(t.weight[size_t(k1)]);
            p.weights.push_back(int32_t(w0 | w1 << 16));
        }
        // Padding pairs read the pixel's first tap at weight 0.
        for (int k = p.first.back() + ((t.first[d + 1] - t.first[d] + 1) / 2); k < p.first.back() + p.uniform; ++k) {
            p.offset0.push_back(p.offset0[size_t(p.first.back())]);
            p.offset1.push_back(p.offset0[size_t(p.first.back())]);
            p.weights.push_back(0);
        }
    }
    p.first.push_back(int(p.weights.size()));
    p.lanes.reserve(p.weights.size() * 4);
    for (int32_t w : p.weights)
        p.lanes.insert(p.lanes.end(), 4, w);
    return p;
}

// Every destination pixel made of one source pixel: the axis only copies.
bool copiesOnly(const Taps& t)
{
    for (std::size_t d = 0; d + 1 < t.first.size(); ++d)
        if (t.first[d + 1] - t.first[d] != 1)
            return false;
    return true;
}

// ... and of consecutive ones: a straight run of the source.
bool copiesRun(const Taps& t)
{
    if (!copiesOnly(t))
        return false;
    for (std::size_t d = 0; d < t.index.size(); ++d)
        if (t.index[d] != t.index[0] + int(d))
            return false;
    return true;
}

int16_t low16(int32_t pair) { return int16_t(pair & 0xFFFF); }
int16_t high16(int32_t pair) { return int16_t(uint32_t(pair) >> 16); }

// The column sums are kept in 8.8 fixed point less 128, so that they fit signed 16-bit
// lanes (the largest, 255 << 8, would not); the bias returns as 128 times the weights.
constexpr int32_t kColumnBias = 32768;

#if LUMIVANE_VECTORS
using namespace lanes;

// Column sums, signed: 16-bit lanes 0-3 or 4-7 sign-extended to 32 bits.
I32x4 signedLow(I16x8 v)
{
    return std::bit_cast<I32x4>(__builtin_shufflevector(I16x8{}, v, 0, 8, 1, 9, 2, 10, 3, 11)) >> 16;
}
I32x4 signedHigh(I16x8 v)
{
    return std::bit_cast<I32x4>(__builtin_shufflevector(I16x8{}, v, 4, 12, 5, 13, 6, 14, 7, 15)) >> 16;
}
I32x4 clampToByte(I32x4 v)
{
    const I32x4 zero{}, top = zero + 255;
    v = v < zero ? zero : v;
    return v > top ? top : v;
}
// Four pixels' channel sums, each clamped to 0-255, written opaque.
void storePixels(uint32_t* out, I32x4 p0, I32x4 p1, I32x4 p2, I32x4 p3)
{
    const I32x4 bytes = std::bit_cast<I32x4>(narrow(narrow(clampToByte(p0), clampToByte(p1)),
                                                    narrow(clampToByte(p2), clampToByte(p3))));
    store(out, bytes | int32_t(kOpaque));
}
#endif

// The weighted sums down the rows' pairs of the picture rows, for sixteen channel values
// from i (four per pixel, alpha among them) at a time, or for one. The weights come four
// times each, ready as the lanes of a multiply-add.
struct RowPairs {
    const uint8_t* const* rows0;
    const uint8_t* const* rows1;
    const int32_t* weights;
    int pairs;

#if LUMIVANE_SSE2
    void sixteen(int i, __m128i s[4]) const
    {
        const __m128i zero = _mm_setzero_si128();
        s[0] = s[1] = s[2] = s[3] = zero;
        for (int p = 0; p < pairs; ++p) {
            const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + 4 * p));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows0[p] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows1[p] + i));
            const __m128i lo = _mm_unpacklo_epi8(a, b), hi = _mm_unpackhi_epi8(a, b);
            s[0] = _mm_add_epi32(s[0], _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
            s[1] = _mm_add_epi32(s[1], _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
            s[2] = _mm_add_epi32(s[2], _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
            s[3] = _mm_add_epi32(s[3], _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
        }
    }
#elif LUMIVANE_VECTORS
    void sixteen(int i, I32x4 s[4]) const
    {
        s[0] = s[1] = s[2] = s[3] = I32x4{};
        for (int p = 0; p < pairs; ++p) {
            const int32_t w0 = low16(weights[4 * p]), w1 = high16(weights[4 * p]);
            const U8x16 a = load<U8x16>(rows0[p] + i), b = load<U8x16>(rows1[p] + i);
            const I16x8 a0 = bytesLow(a), a1 = bytesHigh(a), b0 = bytesLow(b), b1 = bytesHigh(b);
            s[0] += wordsLow(a0) * w0 + wordsLow(b0) * w1;
            s[1] += wordsHigh(a0) * w0 + wordsHigh(b0) * w1;
            s[2] += wordsLow(a1) * w0 + wordsLow(b1) * w1;
            s[3] += wordsHigh(a1) * w0 + wordsHigh(b1) * w1;
        }
    }
#endif
    int32_t one(int i) const
    {
        int32_t sum = 0;
        for (int p = 0; p < pairs; ++p)
            sum += rows0[p][i] * low16(weights[4 * p]) + rows1[p][i] * high16(weights[4 * p]);
        return sum;
    }
};

// One row of column sums over n channel values, down to 8.8.
void sumRows(const RowPairs& r, int n, int16_t* column)
{
    int i = 0;
#if LUMIVANE_SSE2
    const __m128i round = _mm_set1_epi32(32);
    const __m128i bias = _mm_set1_epi32(kColumnBias);
    auto down = [&](__m128i v) { return _mm_sub_epi32(_mm_srli_epi32(_mm_add_epi32(v, round), 6), bias); };
    for (; i + 16 <= n; i += 16) {
        __m128i s[4];
        r.sixteen(i, s);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + i), _mm_packs_epi32(down(s[0]), down(s[1])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + i + 8), _mm_packs_epi32(down(s[2]), down(s[3])));
    }
#elif LUMIVANE_VECTORS
    auto down = [](I32x4 v) { return ((v + 32) >> 6) - kColumnBias; };
    for (; i + 16 <= n; i += 16) {
        I32x4 s[4];
        r.sixteen(i, s);
        store(column + i, narrow(down(s[0]), down(s[1])));
        store(column + i + 8, narrow(down(s[2]), down(s[3])));
    }
#endif
    for (; i < n; ++i)
        column[i] = int16_t(((r.one(i) + 32) >> 6) - kColumnBias);
}

// The same for rows that are not summed across afterwards (the columns only copy): each
// channel's 8.8 sum rounded to 8 bits, as the across pass would round a single tap of
// weight one, written as pixels.
void sumRowsToPixels(const RowPairs& r, int n, uint32_t* out)
{
    int i = 0;
#if LUMIVANE_SSE2
    const __m128i round = _mm_set1_epi32(32);
    const __m128i round8 = _mm_set1_epi32(128);
    const __m128i opaque = _mm_set1_epi32(int32_t(kOpaque));
    auto down = [&](__m128i v) {
        return _mm_srli_epi32(_mm_add_epi32(_mm_srli_epi32(_mm_add_epi32(v, round), 6), round8), 8);
    };
    for (; i + 16 <= n; i += 16) {
        __m128i s[4];
        r.sixteen(i, s);
        const __m128i bytes =
            _mm_packus_epi16(_mm_packs_epi32(down(s[0]), down(s[1])), _mm_packs_epi32(down(s[2]), down(s[3])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i / 4), _mm_or_si128(bytes, opaque));
    }
#elif LUMIVANE_VECTORS
    auto down = [](I32x4 v) { return (((v + 32) >> 6) + 128) >> 8; };
    for (; i + 16 <= n; i += 16) {
        I32x4 s[4];
        r.sixteen(i, s);
        storePixels(out + i / 4, down(s[0]), down(s[1]), down(s[2]), down(s[3]));
    }
#endif
    for (; i < n; i += 4) {
        uint32_t px = kOpaque;
        for (int j = 0; j < 3; ++j)
            px |= uint32_t(std::min((((r.one(i + j) + 32) >> 6) + 128) >> 8, 255)) << (8 * j);
        out[i / 4] = px;
    }
}

// What the across pass reads: a row of column sums (8.8 less 128, four per pixel, the
// bias and the final shift returning them to 8 bits), or, when the rows only copy, the
// picture's own row, whose sums over a column of one tap of weight one come to Σ w·p
// rounded at 14 bits, taken here from the 8-bit pixels.
struct FromColumns {
    const int16_t* column;
    const uint32_t* bias;
    static constexpr int kShift = 22;
    static constexpr int kWindowStep = 16;  // four pixels of four sums
    int32_t start(int d) const { return int32_t(bias[d]); }
    int32_t channel(int at, int q, int j) const { return column[at + 4 * q + j]; }
#if LUMIVANE_SSE2
    __m128i four(int at) const { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(column + at)); }
    void window(int at, __m128i& pixels01, __m128i& pixels23) const
    {
        pixels01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column + at));
        pixels23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column + at + 8));
    }
#elif LUMIVANE_VECTORS
    I32x4 four(int at) const
    {
        return signedLow(loadLow<I16x8>(column + at));
    }
    void window(int at, I32x4 pixels[4]) const
    {
        const I16x8 v01 = load<I16x8>(column + at), v23 = load<I16x8>(column + at + 8);
        pixels[0] = signedLow(v01);
        pixels[1] = signedHigh(v01);
        pixels[2] = signedLow(v23);
        pixels[3] = signedHigh(v23);
    }
#endif
};

struct FromPixels {
    const uint32_t* row;
    static constexpr int kShift = kWeightBits;
    static constexpr int kWindowStep = 4;
    static int32_t start(int) { return 1 << (kWeightBits - 1); }
    int32_t channel(int at, int q, int j) const { return int32_t((row[at + q] >> (8 * j)) & 0xFF); }
#if LUMIVANE_SSE2
    __m128i four(int at) const
    {
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(row[at])), _mm_setzero_si128());
    }
    void window(int at, __m128i& pixels01, __m128i& pixels23) const
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + at));
        pixels01 = _mm_unpacklo_epi8(v, _mm_setzero_si128());
        pixels23 = _mm_unpackhi_epi8(v, _mm_setzero_si128());
    }
#elif LUMIVANE_VECTORS
    I32x4 four(int at) const
    {
        return wordsLow(bytesLow(std::bit_cast<U8x16>(I32x4{int32_t(row[at]), 0, 0, 0})));
    }
    void window(int at, I32x4 pixels[4]) const
    {
        const U8x16 v = load<U8x16>(row + at);
        pixels[0] = wordsLow(bytesLow(v));
        pixels[1] = wordsHigh(bytesLow(v));
        pixels[2] = wordsLow(bytesHigh(v));
        pixels[3] = wordsHigh(bytesHigh(v));
    }
#endif
};

// Writes one destination row from the four channel sums of each pixel (`pixel(d)`, in
// vector lanes) or their scalar form (`channel(d, j)`), four pixels at a time where it can.
template <class Lanes, class Scalar> void writeRow(int width, uint32_t* out, Lanes&& pixel, Scalar&& channel)
{
    int c = 0;
#if LUMIVANE_SSE2
    const __m128i opaque = _mm_set1_epi32(int32_t(kOpaque));
    for (; c + 4 <= width; c += 4) {
        // Saturating packs: the clamp to 255.
        const __m128i words = _mm_packs_epi32(pixel(c), pixel(c + 1));
        const __m128i words2 = _mm_packs_epi32(pixel(c + 2), pixel(c + 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c), _mm_or_si128(_mm_packus_epi16(words, words2), opaque));
    }
#elif LUMIVANE_VECTORS
    for (; c + 4 <= width; c += 4)
        storePixels(out + c, pixel(c), pixel(c + 1), pixel(c + 2), pixel(c + 3));
#else
    (void)pixel;
#endif
    for (; c < width; ++c) {
        uint32_t px = kOpaque;
        for (int j = 0; j < 3; ++j)
            px |= uint32_t(std::clamp<int64_t>(channel(c, j), 0, 255)) << (8 * j);
        out[c] = px;
    }
}

// The pairs of destination pixel d: fixed in number when the pixels were padded to the
// same count (Uniform), else as many as it has.
template <int Uniform> struct PairRange {
    const TapPairs& p;
    int begin(int d) const { return Uniform ? d * Uniform : p.first[size_t(d)]; }
    int end(int d) const { return Uniform ? d * Uniform + Uniform : p.first[size_t(d) + 1]; }
};

// One destination row, its taps gathered in pairs.
template <int Uniform, class Source> void acrossPairs(const Source& src, const TapPairs& p, int width, uint32_t* out)
{
    const PairRange<Uniform> range{p};
    const int* const offset0 = p.offset0.data();
    const int* const offset1 = p.offset1.data();
    writeRow(
        width, out,
        [&](int d) {
#if LUMIVANE_SSE2
            __m128i s = _mm_set1_epi32(src.start(d));
            for (int k = range.begin(d); k < range.end(d); ++k) {
                const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p.lanes.data() + 4 * k));
                s = _mm_add_epi32(s, _mm_madd_epi16(_mm_unpacklo_epi16(src.four(offset0[k]), src.four(offset1[k])), w));
            }
            return _mm_srli_epi32(s, Source::kShift);
#elif LUMIVANE_VECTORS
            I32x4 s = I32x4{} + src.start(d);
            for (int k = range.begin(d); k < range.end(d); ++k) {
                const int32_t w = p.weights[size_t(k)];
                s += src.four(offset0[k]) * low16(w) + src.four(offset1[k]) * high16(w);
            }
            return s >> Source::kShift;
#else
            return d;
#endif
        },
        [&](int d, int j) {
            int64_t s = src.start(d);
            for (int k = range.begin(d); k < range.end(d); ++k)
                s += int64_t(src.channel(offset0[k], 0, j)) * low16(p.weights[size_t(k)]) +
                     int64_t(src.channel(offset1[k], 0, j)) * high16(p.weights[size_t(k)]);
            return s >> Source::kShift;
        });
}

// Taps in windows of four neighbouring pixels, for pixels made of three to eight: one
// load brings a window's four pixels, two multiply-adds weigh them (pixels 0 and 2, then
// 1 and 3), which takes fewer steps than gathering them in pairs.
struct TapWindows {
    int count = 0;                 // windows per pixel, 1 or 2; 0 when the taps do not fit
    std::vector<int> start;        // per pixel, where its first window begins (from base, scaled)
    // Per pixel and window, eight lanes ready for the multiply-adds: four times the weights
    // of its pixels 0 and 2, then four times those of its pixels 1 and 3.
    std::vector<int32_t> weights;
    const int32_t* lanes(int d, int k) const { return weights.data() + size_t(d * count + k) * 8; }
};

TapWindows makeWindows(const Taps& t, int base, int last, int scale)
{
    TapWindows w;
    const std::size_t n = t.first.size() - 1;
    int span = 0;
    for (std::size_t d = 0; d < n; ++d) {
        const auto [lo, hi] = std::minmax_element(t.index.begin() + t.first[d], t.index.begin() + t.first[d + 1]);
        span = std::max(span, *hi - *lo + 1);
    }
    const int count = span <= 4 ? 1 : span <= 8 ? 2 : 0;
    if (count == 0 || last - base + 1 < 4 * count)
        return w;
    w.count = count;
    w.start.reserve(n);
    w.weights.reserve(n * size_t(count) * 8);
    for (std::size_t d = 0; d < n; ++d) {
        // The window starts at the first tap, or earlier where it would run past the end.
        const int first = *std::min_element(t.index.begin() + t.first[d], t.index.begin() + t.first[d + 1]);
        const int from = std::min(first, last - 4 * count + 1);
        uint32_t weight[8] = {};
        for (int k = t.first[d]; k < t.first[d + 1]; ++k)
            weight[t.index[size_t(k)] - from] = uint32_t(t.weight[size_t(k)]);
        w.start.push_back((from - base) * scale);
        for (int k = 0; k < count; ++k) {
            w.weights.insert(w.weights.end(), 4, int32_t(weight[4 * k] | weight[4 * k + 2] << 16));
            w.weights.insert(w.weights.end(), 4, int32_t(weight[4 * k + 1] | weight[4 * k + 3] << 16));
        }
    }
    return w;
}

// The weight of pixel q (0..4·count-1) of pixel d's windows.
int32_t windowWeight(const TapWindows& w, int d, int q)
{
    const int32_t pair = w.lanes(d, q / 4)[(q & 1) ? 4 : 0];
    return (q & 2) ? high16(pair) : low16(pair);
}

// One destination row, its taps weighed by windows.
template <int Count, class Source> void acrossWindows(const Source& src, const TapWindows& w, int width, uint32_t* out)
{
    writeRow(
        width, out,
        [&](int d) {
#if LUMIVANE_SSE2
            __m128i s = _mm_set1_epi32(src.start(d));
            for (int k = 0; k < Count; ++k) {
                __m128i pixels01, pixels23;
                src.window(w.start[size_t(d)] + k * Source::kWindowStep, pixels01, pixels23);
                const int32_t* lanes = w.lanes(d, k);
                const __m128i even = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes));
                const __m128i odd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes + 4));
                s = _mm_add_epi32(s, _mm_madd_epi16(_mm_unpacklo_epi16(pixels01, pixels23), even));
                s = _mm_add_epi32(s, _mm_madd_epi16(_mm_unpackhi_epi16(pixels01, pixels23), odd));
            }
            return _mm_srli_epi32(s, Source::kShift);
#elif LUMIVANE_VECTORS
            I32x4 s = I32x4{} + src.start(d);
            for (int k = 0; k < Count; ++k) {
                I32x4 pixels[4];
                src.window(w.start[size_t(d)] + k * Source::kWindowStep, pixels);
                for (int q = 0; q < 4; ++q)
                    s += pixels[q] * windowWeight(w, d, 4 * k + q);
            }
            return s >> Source::kShift;
#else
            return d;
#endif
        },
        [&](int d, int j) {
            int64_t s = src.start(d);
            for (int q = 0; q < 4 * Count; ++q)
                s += int64_t(src.channel(w.start[size_t(d)], q, j)) * windowWeight(w, d, q);
            return s >> Source::kShift;
        });
}

// One destination row by windows where the taps fit them, else by pairs.
template <int Uniform, class Source>
void across(const Source& src, const TapPairs& p, const TapWindows& w, int width, uint32_t* out)
{
    if (w.count == 1)
        acrossWindows<1>(src, w, width, out);
    else if (w.count == 2)
        acrossWindows<2>(src, w, width, out);
    else
        acrossPairs<Uniform>(src, p, width, out);
}

// Calls fn with the pixels' pair count as a constant where it is fixed.
template <class F> void withUniform(int uniform, F&& fn)
{
    switch (uniform) {
    case 1: fn(std::integral_constant<int, 1>{}); break;
    case 2: fn(std::integral_constant<int, 2>{}); break;
    case 3: fn(std::integral_constant<int, 3>{}); break;
    case 4: fn(std::integral_constant<int, 4>{}); break;
    default: fn(std::integral_constant<int, 0>{}); break;
    }
}

}  // namespace

bool HalftoneResampleInto(const SourceView& src, const StretchAxis& ax, const StretchAxis& ay, const QRect& area,
                          int loX, int hiX, int loY, int hiY, uint32_t* out, qsizetype outStride)
{
    if (area.isEmpty() || hiX < loX || hiY < loY)
        return true;
    const Taps tx = makeTaps(ax, area.left(), area.left() + area.width(), loX, hiX);
    const Taps ty = makeTaps(ay, area.top(), area.top() + area.height(), loY, hiY);

    int minX = hiX, maxX = loX;
    for (int s : tx.index) {
        minX = std::min(minX, s);
        maxX = std::max(maxX, s);
    }
    const int nx = maxX - minX + 1;
    // An axis that only copies skips its pass: columns that copy a run of the picture
    // take the rows' sums as pixels; rows that copy one picture row each are summed
    // across straight from its pixels.
    const bool columnsCopy = copiesRun(tx);
    const bool rowsCopy = !columnsCopy && copiesOnly(ty);
    // Rows by pairs, addressed from the first column read; columns by pairs, four
    // 16-bit sums per pixel (or one picture pixel when the rows copy).
    const TapPairs py = pairUp(ty, 0, 1, false);
    const TapPairs px = pairUp(tx, minX, rowsCopy ? 1 : 4, true);
    // Pixels of more than one pair are weighed by windows where their taps fit.
    const TapWindows wx = px.uniform == 1 || columnsCopy ? TapWindows{} : makeWindows(tx, minX, maxX, rowsCopy ? 1 : 4);
    std::vector<uint32_t> bias(size_t(area.width()));
    for (int c = 0; c < area.width(); ++c) {
        uint32_t weights = 0;
        for (int k = tx.first[size_t(c)]; k < tx.first[size_t(c) + 1]; ++k)
            weights += uint32_t(tx.weight[size_t(k)]);
        bias[size_t(c)] = uint32_t(kColumnBias) * weights + (1u << 21);
    }
    // Destination rows are independent: a large picture is shared with a second thread.
    // Each has its buffers made here, so that nothing is allocated on the helper.
    int mostPairs = 0;
    for (int r = 0; r < area.height(); ++r)
        mostPairs = std::max(mostPairs, py.first[size_t(r) + 1] - py.first[size_t(r)]);
    struct Scratch {
        std::vector<int16_t> column;
        std::vector<const uint8_t*> rows0, rows1;
        std::vector<int32_t> weights;
    };
    Scratch scratch[2];
    for (Scratch& b : scratch) {
        if (!columnsCopy && !rowsCopy)
            b.column.resize(size_t(nx) * 4);
        b.rows0.resize(size_t(mostPairs));
        b.rows1.resize(size_t(mostPairs));
        b.weights.resize(size_t(mostPairs) * 4);
    }
    auto rows = [&](Scratch& b, int from, int to) {
        withUniform(px.uniform, [&](auto uniform) {
            for (int r = from; r < to; ++r) {
                uint32_t* const line = out + r * outStride;
                if (rowsCopy) {
                    const FromPixels pixels{src.row(ty.index[size_t(ty.first[size_t(r)])]) + minX};
                    across<uniform()>(pixels, px, wx, area.width(), line);
                    continue;
                }
                int n = 0;
                for (int k = py.first[size_t(r)]; k < py.first[size_t(r) + 1]; ++k, ++n) {
                    b.rows0[size_t(n)] = reinterpret_cast<const uint8_t*>(src.row(py.offset0[size_t(k)]) + minX);
                    b.rows1[size_t(n)] = reinterpret_cast<const uint8_t*>(src.row(py.offset1[size_t(k)]) + minX);
                    std::fill_n(b.weights.begin() + 4 * n, 4, py.weights[size_t(k)]);
                }
                const RowPairs pairs{b.rows0.data(), b.rows1.data(), b.weights.data(), n};
                if (columnsCopy) {
                    sumRowsToPixels(pairs, nx * 4, line);
                    continue;
                }
                sumRows(pairs, nx * 4, b.column.data());
                across<uniform()>(FromColumns{b.column.data(), bias.data()}, px, wx, area.width(), line);
            }
        });
    };
    const int height = area.height();
    const long long work = (long long)nx * (py.offset0.size() + 1) + (long long)area.width() * height;
    int split = height;
    std::thread helper;
    if (work >= kWorkForTwoThreads && height >= 2 && std::thread::hardware_concurrency() >= 2) {
        split = height / 2;
        try {
            helper = std::thread(rows, std::ref(scratch[1]), split, height);
        } catch (const std::system_error&) {
            split = height;  // no thread to be had: all of it here
        }
    }
    rows(scratch[0], 0, split);
    if (helper.joinable())
        helper.join();
    return true;
}

QImage HalftoneResample(const SourceView& src, const StretchAxis& ax, const StretchAxis& ay,
                        const QRect& area, int loX, int hiX, int loY, int hiY)
{
    if (area.isEmpty() || hiX < loX || hiY < loY)
        return QImage();
    QImage out(area.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    HalftoneResampleInto(src, ax, ay, area, loX, hiX, loY, hiY, reinterpret_cast<uint32_t*>(out.bits()),
                         out.bytesPerLine() / 4);
    return out;
}

}  // namespace platform::gdi_detail
