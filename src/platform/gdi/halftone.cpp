// HALFTONE stretching: a shrink averages every source pixel by the share of it that
// falls in each destination pixel (exact box filter); an enlargement interpolates
// linearly between the nearest source pixels. Separable, in integer arithmetic.

#include "platform/gdi/blit_engine.h"

#include "platform/gdi/pixels.h"

#include <algorithm>
#include <cmath>

namespace platform::gdi_detail {

namespace {

constexpr int kWeightBits = 14;
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

}  // namespace

QImage HalftoneResample(const SourceView& src, const StretchAxis& ax, const StretchAxis& ay,
                        const QRect& area, int loX, int hiX, int loY, int hiY)
{
    if (area.isEmpty() || hiX < loX || hiY < loY)
        return QImage();
    QImage out(area.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    const Taps tx = makeTaps(ax, area.left(), area.left() + area.width(), loX, hiX);
    const Taps ty = makeTaps(ay, area.top(), area.top() + area.height(), loY, hiY);

    int minX = hiX, maxX = loX;
    for (int s : tx.index) {
        minX = std::min(minX, s);
        maxX = std::max(maxX, s);
    }
    const int nx = maxX - minX + 1;
    std::vector<uint32_t> acc(size_t(nx) * 3);
    std::vector<uint32_t> column(size_t(nx) * 3);

    for (int r = 0; r < area.height(); ++r) {
        std::fill(acc.begin(), acc.end(), 0u);
        for (int k = ty.first[size_t(r)]; k < ty.first[size_t(r) + 1]; ++k) {
            const uint32_t w = uint32_t(ty.weight[size_t(k)]);
            const uint32_t* s = src.row(ty.index[size_t(k)]) + minX;
            uint32_t* a = acc.data();
            for (int x = 0; x < nx; ++x, a += 3) {
                const uint32_t p = s[x];
                a[0] += ((p >> 16) & 0xFF) * w;
                a[1] += ((p >> 8) & 0xFF) * w;
                a[2] += (p & 0xFF) * w;
            }
        }
        // Down to 8.8 fixed point, so that the horizontal sums fit in 32 bits.
        for (size_t k = 0; k < acc.size(); ++k)
            column[k] = (acc[k] + 32) >> 6;
        auto* d = reinterpret_cast<uint32_t*>(out.scanLine(r));
        for (int c = 0; c < area.width(); ++c) {
            uint32_t sr = 0, sg = 0, sb = 0;
            for (int k = tx.first[size_t(c)]; k < tx.first[size_t(c) + 1]; ++k) {
                const uint32_t w = uint32_t(tx.weight[size_t(k)]);
                const uint32_t* v = column.data() + size_t(tx.index[size_t(k)] - minX) * 3;
                sr += v[0] * w;
                sg += v[1] * w;
                sb += v[2] * w;
            }
            const uint32_t R = std::min<uint32_t>((sr + (1u << 21)) >> 22, 255);
            const uint32_t G = std::min<uint32_t>((sg + (1u << 21)) >> 22, 255);
            const uint32_t B = std::min<uint32_t>((sb + (1u << 21)) >> 22, 255);
            d[c] = kOpaque | (R << 16) | (G << 8) | B;
        }
    }
    return out;
}

}  // namespace platform::gdi_detail
