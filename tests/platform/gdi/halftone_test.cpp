// The halftone resampler against a plain model of it: one scalar loop per axis over the
// same fixed-point weights, which the fast version must match pixel for pixel.

#include "platform/gdi/blit_engine.h"
#include "platform/gdi/pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace platform::gdi_detail;

namespace {

// Per destination pixel, the source pixels and weights (summing to 1 << 14) it is made of.
std::vector<std::vector<std::pair<int, long long>>> modelTaps(const StretchAxis& a, long long v0, long long v1,
                                                              int lo, int hi)
{
    constexpr long long one = 1 << 14;
    std::vector<std::vector<std::pair<int, long long>>> taps;
    for (long long d = v0; d < v1; ++d) {
        long long i = d - a.dstStart;
        if (a.mirror)
            i = a.dstLength - 1 - i;
        std::vector<std::pair<long long, long long>> raw;
        if (a.srcLength > a.dstLength) {
            const __int128 from = (__int128)i * a.srcLength, to = from + a.srcLength;
            for (long long j = (long long)(from / a.dstLength); (__int128)j * a.dstLength < to; ++j) {
                const __int128 l = std::max<__int128>(from, (__int128)j * a.dstLength);
                const __int128 h = std::min<__int128>(to, (__int128)(j + 1) * a.dstLength);
                if (h > l)
                    raw.emplace_back(j, (long long)(h - l));
            }
            long long sum = 0;
            std::size_t largest = 0;
            for (std::size_t k = 0; k < raw.size(); ++k) {
                if (raw[k].second > raw[largest].second)
                    largest = k;
                raw[k].second = (long long)((__int128)raw[k].second * one / a.srcLength);
                sum += raw[k].second;
            }
            raw[largest].second += one - sum;
        } else if (a.srcLength < a.dstLength) {
            const double u = std::clamp((double(i) + 0.5) * double(a.srcLength) / double(a.dstLength) - 0.5, 0.0,
                                        double(a.srcLength - 1));
            const long long j0 = (long long)std::floor(u);
            const long long w1 = std::llround((u - double(j0)) * one);
            if (w1 > 0 && j0 + 1 < a.srcLength)
                raw = {{j0, one - w1}, {j0 + 1, w1}};
            else
                raw = {{j0, one}};
        } else {
            raw = {{i, one}};
        }
        std::vector<std::pair<int, long long>> merged;
        for (auto [j, w] : raw) {
            if (w == 0)
                continue;
            const int s = int(std::clamp<long long>(a.srcStart + j, lo, hi));
            if (!merged.empty() && merged.back().first == s)
                merged.back().second += w;
            else
                merged.emplace_back(s, w);
        }
        taps.push_back(merged);
    }
    return taps;
}

// Down the columns to 8.8 fixed point, then across, rounding at each stage.
QImage model(const SourceView& src, const StretchAxis& ax, const StretchAxis& ay, const QRect& area, int loX,
             int hiX, int loY, int hiY)
{
    const auto tx = modelTaps(ax, area.left(), area.left() + area.width(), loX, hiX);
    const auto ty = modelTaps(ay, area.top(), area.top() + area.height(), loY, hiY);
    QImage out(area.size(), QImage::Format_RGB32);
    std::vector<long long> column(size_t(hiX - loX + 1) * 3);
    for (int r = 0; r < area.height(); ++r) {
        for (int x = loX; x <= hiX; ++x)
            for (int c = 0; c < 3; ++c) {
                long long sum = 0;
                for (auto [y, w] : ty[size_t(r)])
                    sum += ((src.row(y)[x] >> (8 * c)) & 0xFF) * w;
                column[size_t(x - loX) * 3 + size_t(c)] = (sum + 32) >> 6;
            }
        auto* line = reinterpret_cast<uint32_t*>(out.scanLine(r));
        for (int d = 0; d < area.width(); ++d) {
            uint32_t p = kOpaque;
            for (int c = 0; c < 3; ++c) {
                long long sum = 0;
                for (auto [x, w] : tx[size_t(d)])
                    sum += column[size_t(x - loX) * 3 + size_t(c)] * w;
                p |= uint32_t(std::min<long long>((sum + (1 << 21)) >> 22, 255)) << (8 * c);
            }
            line[d] = p;
        }
    }
    return out;
}

// A source of noise (any alpha) seen through a view whose origin is (ox, oy).
struct Source {
    std::vector<uint32_t> pixels;
    SourceView view;
    Source(int w, int h, int ox, int oy, std::mt19937& rng) : pixels(size_t(w) * h)
    {
        for (uint32_t& p : pixels)
            p = uint32_t(rng());
        view = SourceView{pixels.data(), w, ox, oy};
    }
};

// Differences between the resampler and the model for one stretch of a w × h source
// (placed at ox, oy) over the destination span; the clamp box is the source's overlap
// with the source span, as StretchBlt passes it.
int mismatches(const Source& s, int w, int h, const StretchAxis& ax, const StretchAxis& ay, const QRect& area)
{
    const int loX = int(std::max<long long>(ax.srcStart, s.view.originX));
    const int hiX = int(std::min<long long>(ax.srcStart + ax.srcLength, s.view.originX + w)) - 1;
    const int loY = int(std::max<long long>(ay.srcStart, s.view.originY));
    const int hiY = int(std::min<long long>(ay.srcStart + ay.srcLength, s.view.originY + h)) - 1;
    if (hiX < loX || hiY < loY)
        return 0;
    const QImage got = HalftoneResample(s.view, ax, ay, area, loX, hiX, loY, hiY);
    const QImage want = model(s.view, ax, ay, area, loX, hiX, loY, hiY);
    if (got.size() != want.size())
        return -1;
    int n = 0;
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            n += got.pixel(x, y) != want.pixel(x, y);
    return n;
}

}  // namespace

TEST(Halftone, MatchesTheModelOnRandomStretches)
{
    std::mt19937 rng(20240611);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 400; ++round) {
        const int w = pick(1, 90), h = pick(1, 60), ox = pick(-5, 5), oy = pick(-5, 5);
        const Source s(w, h, ox, oy, rng);
        // Shrinks by up to 12, enlargements, equal sizes; spans reaching past the source.
        auto axis = [&](int size, int origin) {
            StretchAxis a;
            a.srcLength = pick(1, size + 4);
            a.srcStart = origin + pick(-3, size - 1);
            const int kind = pick(0, 3);
            a.dstLength = kind == 0 ? a.srcLength : kind == 1 ? pick(a.srcLength, 4 * a.srcLength + 3)
                                                             : std::max<long long>(1, a.srcLength / pick(1, 12));
            a.dstStart = pick(-4, 20);
            a.mirror = pick(0, 3) == 0;
            return a;
        };
        const StretchAxis ax = axis(w, ox), ay = axis(h, oy);
        // Any part of the destination span.
        const int x0 = int(ax.dstStart) + pick(0, int(ax.dstLength) - 1);
        const int y0 = int(ay.dstStart) + pick(0, int(ay.dstLength) - 1);
        const QRect area(x0, y0, pick(1, int(ax.dstStart + ax.dstLength) - x0),
                         pick(1, int(ay.dstStart + ay.dstLength) - y0));
        ASSERT_EQ(mismatches(s, w, h, ax, ay, area), 0)
            << "round " << round << ": " << ax.srcLength << " -> " << ax.dstLength << " by " << ay.srcLength
            << " -> " << ay.dstLength << (ax.mirror ? " mirrored x" : "") << (ay.mirror ? " mirrored y" : "");
    }
}

TEST(Halftone, MatchesTheModelOnPictureSizedShrinks)
{
    std::mt19937 rng(7);
    struct Case {
        int sw, sh, dw, dh;
    };
    // Decoded photographs onto a screen (the larger one is worked on by two threads), an
    // odd-sized one, a strong shrink, a column, a row.
    for (const Case c : {Case{750, 500, 540, 360}, Case{1500, 1000, 1081, 721}, Case{1001, 333, 640, 215},
                         Case{1200, 900, 37, 29},
                         Case{1, 700, 1, 123}, Case{700, 1, 123, 1}}) {
        const Source s(c.sw, c.sh, 0, 0, rng);
        const StretchAxis ax{0, c.dw, 0, c.sw, false}, ay{0, c.dh, 0, c.sh, false};
        EXPECT_EQ(mismatches(s, c.sw, c.sh, ax, ay, QRect(0, 0, c.dw, c.dh)), 0) << c.sw << " x " << c.sh;
    }
}

TEST(Halftone, MatchesTheModelWhenOneAxisOnlyCopies)
{
    std::mt19937 rng(11);
    struct Case {
        int sw, sh, dw, dh;
        bool mirrorX, mirrorY;
    };
    // Squeezed or magnified on one axis with the other copied straight or mirrored, at a
    // size that is shared between two threads, and at odd widths that leave a remainder
    // for the scalar loops; then a narrow slice magnified over a frame.
    for (const Case c : {Case{1500, 1000, 777, 1000, false, false}, Case{1500, 1000, 1500, 523, false, false},
                         Case{700, 1000, 1501, 1000, false, false}, Case{1500, 431, 1500, 1000, false, false},
                         Case{301, 77, 150, 77, false, true}, Case{301, 77, 301, 40, true, false},
                         Case{3, 51, 17, 51, false, false}, Case{75, 1000, 1425, 1000, false, false}}) {
        const Source s(c.sw, c.sh, 0, 0, rng);
        const StretchAxis ax{0, c.dw, 0, c.sw, c.mirrorX}, ay{0, c.dh, 0, c.sh, c.mirrorY};
        EXPECT_EQ(mismatches(s, c.sw, c.sh, ax, ay, QRect(0, 0, c.dw, c.dh)), 0)
            << c.sw << " x " << c.sh << " -> " << c.dw << " x " << c.dh;
    }
}
