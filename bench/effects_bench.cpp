// Runs every registered effect at 1920 × 1080 with R = 0 on an off-screen canvas and
// reports, per effect, the step frames, the total time and the time per step, beside one
// full-frame memcpy measured in the same run; the five slowest close the table.
//   effects_bench [WIDTHxHEIGHT] [N | FIRST-LAST]...
// Numbers given after the size limit the run to those effects.

#include "effects/draw_transition.h"


#include "platform/gdi/bitmap.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

using namespace platform;
using clock_type = std::chrono::steady_clock;

namespace {

double msSince(clock_type::time_point start)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

// The best of 20 copies of one frame, so that page faults of the first do not count.
double memcpyMs(int w, int h)
{
    std::vector<uint32_t> a(static_cast<size_t>(w) * h, 1), b(a.size());
    double best = 1e9;
    for (int i = 0; i < 20; ++i) {
        const auto start = clock_type::now();
        std::memcpy(b.data(), a.data(), a.size() * 4);
        best = std::min(best, msSince(start));
        // Uses the copy, so it cannot be left out.
        a[static_cast<size_t>(i)] = b[static_cast<size_t>(i) + 1] + 1;
    }
    return best;
}

struct Result {
    int number;
    const char* family;
    int steps;
    double ms;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int w = 1920, h = 1080;
    std::vector<std::pair<int, int>> wanted;
    bool usage = argc > 1 && (std::sscanf(argv[1], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0);
    for (int i = 2; i < argc && !usage; ++i) {
        int first = 0, last = 0;
        const int read = std::sscanf(argv[i], "%d-%d", &first, &last);
        usage = read < 1 || first < 1 || (read == 2 && last < first);
        wanted.emplace_back(first, read == 2 ? last : first);
    }
    if (usage) {
        std::fprintf(stderr, "usage: effects_bench [WIDTHxHEIGHT] [N | FIRST-LAST]...\n");
        return 2;
    }
    const auto isWanted = [&](int n) {
        return wanted.empty() || std::any_of(wanted.begin(), wanted.end(),
                                             [n](auto range) { return n >= range.first && n <= range.second; });
    };
    const TBitmap picture = testing_support::NoisePicture(w, h, 7);
    const TBitmap old = testing_support::NoisePicture(w, h, 8);
    TBitmap canvas = old;
    const double frameCopyMs = memcpyMs(w, h);
    std::printf("full-frame memcpy (%dx%d): %.3f ms\n\n", w, h, frameCopyMs);
    std::printf("%-7s %-18s %9s %10s %12s %14s\n", "effect", "family", "steps", "total ms", "ms per step",
                "memcpy per step");
    std::vector<Result> results;
    for (const auto& family : effects::EffectFamilies()) {
        for (int n = family.first; n <= family.last; ++n) {
            if (!isWanted(n))
                continue;
            canvas = old;
            effects::EffectInputs in;
            in.number = n;
            in.picture = &picture;
            in.target = &canvas.Canvas();
            in.R = 0;
            in.T = 4;
            RandSeed = 1;
            const auto start = clock_type::now();
            const int steps = effects::DrawTransition(in);
            const double ms = msSince(start);
            const double perStep = steps ? ms / steps : 0.0;
            std::printf("%-7d %-18s %9d %10.1f %12.4f %14.2f\n", n, family.name, steps, ms, perStep,
                        perStep / frameCopyMs);
            results.push_back({n, family.name, steps, ms});
        }
    }
    std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) { return a.ms > b.ms; });
    std::printf("\nslowest:");
    for (size_t i = 0; i < std::min<size_t>(5, results.size()); ++i)
        std::printf("  %d (%s) %.0f ms", results[i].number, results[i].family, results[i].ms);
    std::printf("\n");
    return 0;
}
