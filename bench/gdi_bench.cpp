// Speed of the raster layer, with the ratios that matter printed at the end of the run
// (each measured against a reference timed in the same run):
//   full 1920 x 1080 copy / memcpy of the same bytes           target <= 1.5
//   copy clipped to 300 horizontal bands / unclipped copy        target <= 1.5
//   copy clipped to 320 vertical bands / unclipped copy          target <= 3
//   300-band region built by union, one band at a time           target < 1 ms
//   halftone shrink of 6000 x 4000 to 1920 x 1280                reported
//   halftone shrink of a picture decoded at 3/8 and 4/8 to 1620 x 1080   reported

#include "platform/gdi/gdi.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr int kW = 1920, kH = 1080;

TBitmap& Source()
{
    static TBitmap b = [] {
        TBitmap p(kW, kH);
        for (int y = 0; y < kH; ++y) {
            uint32_t* row = p.ScanLine(y);
            for (int x = 0; x < kW; ++x)
                row[x] = 0xFF000000u | uint32_t(x * 7 + y * 13);
        }
        return p;
    }();
    return b;
}

TRegion HorizontalBands()
{
    TRegion r;
    for (int i = 0; i < 300; ++i) {
        const int top = i * kH / 300;
        TRegion band(CreateRectRgn(0, top, kW, top + 2));
        CombineRgn(r, r, band, RGN_OR);
    }
    return r;
}

// 320 bands, 3 pixels of each 6: one band of 320 rectangles.
TRegion VerticalBands(int count, int width, int period)
{
    TRegion r;
    for (int i = 0; i < count; ++i) {
        TRegion band(CreateRectRgn(i * period, 0, i * period + width, kH));
        CombineRgn(r, r, band, RGN_OR);
    }
    return r;
}

void BM_Memcpy(benchmark::State& state)
{
    std::vector<uint32_t> a(size_t(kW) * kH, 1), b(size_t(kW) * kH);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_Memcpy);

void BM_BitBltFull(benchmark::State& state)
{
    TBitmap dst(kW, kH);
    for (auto _ : state) {
        dst.Canvas().BitBlt(0, 0, kW, kH, &Source().Canvas(), 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 4);
}
BENCHMARK(BM_BitBltFull);

void clipped(benchmark::State& state, const TRegion& region)
{
    TBitmap dst(kW, kH);
    const ClipScope clip(dst.Canvas(), region);
    for (auto _ : state) {
        dst.Canvas().Draw(0, 0, Source());
        benchmark::ClobberMemory();
    }
}

void BM_BitBltHorizontalBands300(benchmark::State& state) { clipped(state, HorizontalBands()); }
BENCHMARK(BM_BitBltHorizontalBands300);

void BM_BitBltVerticalBands320(benchmark::State& state) { clipped(state, VerticalBands(320, 3, 6)); }
BENCHMARK(BM_BitBltVerticalBands320);

void BM_BitBltVerticalBands160x6(benchmark::State& state) { clipped(state, VerticalBands(160, 6, 12)); }
BENCHMARK(BM_BitBltVerticalBands160x6);

// What the same vertical-band copy costs through QPainter's own clipping.
void BM_QPainterVerticalBands320(benchmark::State& state)
{
    TRegion bands(VerticalBands(320, 3, 6));
    const QRegion clip = bands.ToQRegion();
    QImage dst(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&dst);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.setClipRegion(clip);
        p.drawImage(0, 0, Source().Image());
    }
}
BENCHMARK(BM_QPainterVerticalBands320)->Unit(benchmark::kMillisecond);

void BM_RegionUnion300Bands(benchmark::State& state)
{
    for (auto _ : state) {
        TRegion r = HorizontalBands();
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_RegionUnion300Bands)->Unit(benchmark::kMicrosecond);

// The band lattice of the region effects: rows every 10 pixels, then columns.
void BM_RegionLatticeBands(benchmark::State& state)
{
    for (auto _ : state) {
        TRegion r;
        for (int y = 0; y < kH; y += 10) {
            TRegion s(CreateRectRgn(0, y, kW, y + 5));
            CombineRgn(r, r, s, RGN_OR);
        }
        for (int x = 0; x < kW; x += 10) {
            TRegion s(CreateRectRgn(x, 0, x + 5, kH));
            CombineRgn(r, r, s, RGN_OR);
        }
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_RegionLatticeBands)->Unit(benchmark::kMillisecond);

// 960 overlapping tall strips with uneven ends, then their rectangles read once: the
// frayed and ragged fronts of the region effects.
void BM_RegionTallStripsRead(benchmark::State& state)
{
    for (auto _ : state) {
        TRegion r;
        for (int x = 0; x < kW; x += 2) {
            TRegion s(CreateRectRgn(x, 0, x + 5, 400 + (x * 37) % 300));
            CombineRgn(r, r, s, RGN_OR);
        }
        benchmark::DoNotOptimize(r.ToQRegion().rectCount());
    }
}
BENCHMARK(BM_RegionTallStripsRead)->Unit(benchmark::kMillisecond);

void BM_DiamondRegionReveal(benchmark::State& state)
{
    TBitmap dst(kW, kH);
    for (auto _ : state) {
        const TPoint quad[] = {{960, 40}, {40, 540}, {960, 1040}, {1880, 540}};
        TRegion r(CreatePolygonRgn(quad, 4, ALTERNATE));
        const ClipScope clip(dst.Canvas(), r);
        dst.Canvas().Draw(0, 0, Source());
    }
}
BENCHMARK(BM_DiamondRegionReveal)->Unit(benchmark::kMillisecond);

void BM_StretchColorOnColor(benchmark::State& state)
{
    TBitmap dst(kW, kH);
    for (auto _ : state)
        dst.Canvas().StretchBlt(0, 0, kW, kH, &Source().Canvas(), 0, 0, 1600, 900, SRCCOPY);
}
BENCHMARK(BM_StretchColorOnColor)->Unit(benchmark::kMillisecond);

void BM_HalftoneShrink6000x4000(benchmark::State& state)
{
    TBitmap big(6000, 4000);
    for (int y = 0; y < 4000; ++y) {
        uint32_t* row = big.ScanLine(y);
        for (int x = 0; x < 6000; ++x)
            row[x] = 0xFF000000u | uint32_t(x * 2654435761u + y);
    }
    TBitmap dst(1920, 1280);
    dst.Canvas().SetStretchMode(HALFTONE);
    for (auto _ : state)
        dst.Canvas().StretchBlt(0, 0, 1920, 1280, &big.Canvas(), 0, 0, 6000, 4000, SRCCOPY);
}
BENCHMARK(BM_HalftoneShrink6000x4000)->Unit(benchmark::kMillisecond);

// The slide show's shrink of a 6000 x 4000 photograph decoded at 3/8 or 4/8 onto the
// 1620 x 1080 it takes on a 1920 x 1080 screen.
void BM_HalftonePictureToScreen(benchmark::State& state)
{
    const int w = int(state.range(0)), h = w * 2 / 3;
    TBitmap picture(w, h);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = picture.ScanLine(y);
        for (int x = 0; x < w; ++x)
            row[x] = 0xFF000000u | uint32_t(x * 2654435761u + y * 40503u);
    }
    TBitmap dst(1920, 1080);
    dst.Canvas().SetStretchMode(HALFTONE);
    for (auto _ : state)
        dst.Canvas().StretchBlt(150, 0, 1620, 1080, &picture.Canvas(), 0, 0, w, h, SRCCOPY);
}
BENCHMARK(BM_HalftonePictureToScreen)->Arg(2250)->Arg(3000)->Unit(benchmark::kMillisecond);

// Full-frame halftone stretches as the stretch and slide effects make them at every step:
// the whole 1920 x 1080 frame squeezed to a part of itself, or a part of it magnified to
// the whole frame, on one axis or both (source width, height; destination width, height).
void BM_HalftoneFrame(benchmark::State& state)
{
    const int sw = int(state.range(0)), sh = int(state.range(1));
    const int dw = int(state.range(2)), dh = int(state.range(3));
    TBitmap dst(kW, kH);
    dst.Canvas().SetStretchMode(HALFTONE);
    for (auto _ : state)
        dst.Canvas().StretchBlt(0, 0, dw, dh, &Source().Canvas(), 0, 0, sw, sh, SRCCOPY);
}
BENCHMARK(BM_HalftoneFrame)
    ->Args({kW, kH, 1000, kH})
    ->Args({kW, kH, kW, 560})
    ->Args({kW, kH, 1000, 560})
    ->Args({1000, kH, kW, kH})
    ->Args({kW, 560, kW, kH})
    ->Args({1000, 560, kW, kH})
    ->Args({kW, kH, 1900, kH})
    ->Args({96, kH, 1000, kH})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Keeps every run's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                seconds[r.run_name.function_name + r.run_name.args] = r.real_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& s = reporter.seconds;
    auto ratio = [&](const char* what, const char* a, const char* b, double target) {
        if (!s.count(a) || !s.count(b))
            return;
        const double r = s[a] / s[b];
        std::printf("%-58s %6.2f  (target <= %.1f) %s\n", what, r, target, r <= target ? "ok" : "MISSED");
    };
    std::printf("\n");
    ratio("full copy / memcpy", "BM_BitBltFull", "BM_Memcpy", 1.5);
    ratio("300 horizontal bands / unclipped", "BM_BitBltHorizontalBands300", "BM_BitBltFull", 1.5);
    ratio("320 vertical bands / unclipped", "BM_BitBltVerticalBands320", "BM_BitBltFull", 3.0);
    ratio("160 vertical bands 6 px wide / unclipped", "BM_BitBltVerticalBands160x6", "BM_BitBltFull", 3.0);
    if (s.count("BM_QPainterVerticalBands320") && s.count("BM_BitBltVerticalBands320"))
        std::printf("%-58s %6.1f\n", "QPainter clip / our clip, 320 vertical bands",
                    s["BM_QPainterVerticalBands320"] / s["BM_BitBltVerticalBands320"]);
    if (s.count("BM_RegionUnion300Bands"))
        std::printf("%-58s %6.3f ms (target < 1 ms) %s\n", "300-band region by union",
                    s["BM_RegionUnion300Bands"] * 1e3, s["BM_RegionUnion300Bands"] < 1e-3 ? "ok" : "MISSED");
    if (s.count("BM_HalftoneShrink6000x4000"))
        std::printf("%-58s %6.1f ms\n", "halftone 6000 x 4000 -> 1920 x 1280",
                    s["BM_HalftoneShrink6000x4000"] * 1e3);
    for (const auto& [name, secs] : s)
        if (name.rfind("BM_HalftoneFrame", 0) == 0 && s.count("BM_Memcpy"))
            std::printf("%-58s %6.2f memcpy\n", name.c_str(), secs / s["BM_Memcpy"]);
    benchmark::Shutdown();
    return 0;
}
