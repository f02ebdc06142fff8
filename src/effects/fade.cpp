// Effect 97: the picture fades in from the background colour. Each step blends the
// previous blend, not the background, toward the picture, so it emerges faster than
// linearly and looks complete well before the last step.

#include "families.h"

#include "platform/cpu_clones.h"
#include "platform/vector_lanes.h"

#include <cstdint>

#if LUMIVANE_SSE2
#include <emmintrin.h>
#endif

namespace effects {

using namespace platform;

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// b = ((100 - s)·b) div 100 + (n·s) div 100 on each colour byte; the pixels stay opaque.
uint32_t blendPixel(uint32_t b, uint32_t n, uint32_t s)
{
    uint32_t out = kOpaque;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t bc = (b >> shift) & 0xFF, nc = (n >> shift) & 0xFF;
        out |= ((100 - s) * bc / 100 + nc * s / 100) << shift;
    }
    return out;
}

void blendRow(uint32_t* b, const uint32_t* n, int width, int s)
{
    int x = 0;
#if LUMIVANE_SSE2
    // Sixteen-bit lanes hold every product (at most 100 × 255); x div 100 is then
    // (x × 41944) >> 22, exact for x up to 43698.
    const __m128i keep = _mm_set1_epi16(static_cast<short>(100 - s)), take = _mm_set1_epi16(static_cast<short>(s));
    const __m128i magic = _mm_set1_epi16(static_cast<short>(41944)), zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(kOpaque));
    auto div100 = [&](__m128i v) { return _mm_srli_epi16(_mm_mulhi_epu16(v, magic), 6); };
    auto half = [&](__m128i bv, __m128i nv) {
        return _mm_add_epi16(div100(_mm_mullo_epi16(bv, keep)), div100(_mm_mullo_epi16(nv, take)));
    };
    for (; x + 4 <= width; x += 4) {
        const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const __m128i nv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n + x));
        const __m128i lo = half(_mm_unpacklo_epi8(bv, zero), _mm_unpacklo_epi8(nv, zero));
        const __m128i hi = half(_mm_unpackhi_epi8(bv, zero), _mm_unpackhi_epi8(nv, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(b + x), _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
#elif LUMIVANE_VECTORS
    // The same sixteen-bit products; the division by 100 in 32-bit lanes, as (x × 41944) >> 22.
    using namespace lanes;
    const I16x8 keep = I16x8{} + int16_t(100 - s), take = I16x8{} + int16_t(s);
    auto div100 = [](I16x8 v) { return narrow((wordsLow(v) * 41944) >> 22, (wordsHigh(v) * 41944) >> 22); };
    auto half = [&](I16x8 bv, I16x8 nv) { return I16x8(div100(bv * keep) + div100(nv * take)); };
    for (; x + 4 <= width; x += 4) {
        const U8x16 bv = load<U8x16>(b + x), nv = load<U8x16>(n + x);
        const U8x16 out = narrow(half(bytesLow(bv), bytesLow(nv)), half(bytesHigh(bv), bytesHigh(nv)));
        store(b + x, std::bit_cast<I32x4>(out) | static_cast<int32_t>(kOpaque));
    }
#endif
    for (; x < width; ++x)
        b[x] = blendPixel(b[x], n[x], static_cast<uint32_t>(s));
}

}  // namespace

Effect Fade(EffectContext& c, int)
{
    const int W = c.W, H = c.H;
    TBitmap frame(W, H);
    frame.SetPixelFormat(pf24bit);
    TCanvas& f = frame.Canvas();
    f.Brush.Color = c.BackColor;
    f.Brush.Style = bsSolid;
    f.FillRect(Rect(0, 0, W, H));
    for (int s = 0; s <= 40; ++s) {
        if (const bool go = co_await c.Step(); !go)
            co_return;
        for (int y = 0; y < H; ++y)
            blendRow(frame.ScanLine(y), c.Picture.ScanLine(y), W, s);
        c.Target.Draw(c.X, c.Y, frame);
        co_await c.PauseFor(spin(1000), none());
    }
}

}  // namespace effects
