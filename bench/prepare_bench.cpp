// Times the slide show's picture preparation of one file for one screen size, as the
// saver does it (decode, shrink, compose, trim), and reports the median, where the time
// goes, and the peak memory of the process. With one run it does nothing else, so that
// the whole process can be timed from outside.
//   prepare_bench FILE WIDTHxHEIGHT [RUNS]

#include "display/jpeg_decoder.h"
#include "display/picture_preparation.h"

#include "settings/settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double secondsSince(clock_type::time_point start)
{
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The resident size now, from /proc: what the process holds before any picture.
double residentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: prepare_bench FILE WIDTHxHEIGHT [RUNS]\n");
        return 2;
    }
    int w = 0, h = 0;
    if (std::sscanf(argv[2], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) {
        std::fprintf(stderr, "prepare_bench: bad size %s\n", argv[2]);
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    TSettings settings{TSettings::DefaultsOnly{}};
    PreparationInput input;
    input.TakeSettings(settings);
    input.screen = QSize(w, h);
    const double baseline = residentMb();

    std::vector<double> total, load, prepare, decode;
    QSize decoded;
    try {
        for (int i = 0; i < runs; ++i) {
            const auto start = clock_type::now();
            LoadedPicture loaded = LoadPicture(argv[1], FitSize(input), false);
            load.push_back(secondsSince(start));
            decoded = QSize(loaded.bitmap.Width(), loaded.bitmap.Height());
            const auto mid = clock_type::now();
            PreparedPicture p = PrepareLoaded(std::move(loaded), input);
            prepare.push_back(secondsSince(mid));
            total.push_back(secondsSince(start));
        }
        // The decoder alone, at the scale the load chose; the rest of the load is making
        // the bitmap from its image.
        if (runs > 1 && PeekPictureFormat(argv[1]) == PictureFormat::Jpeg) {
            const JpegHeader header = ReadJpegHeader(argv[1]);
            const int scale = JpegScaleFor(header.width, header.height, FitSize(input));
            for (int i = 0; i < runs; ++i) {
                const auto start = clock_type::now();
                const QImage image = DecodeJpegFile(argv[1], scale);
                decode.push_back(secondsSince(start));
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "prepare_bench: %s\n", e.what());
        return 2;
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("median %.3f s  min %.3f s  peak %.1f MB (%.1f MB before the first picture)\n", median(total),
                *std::min_element(total.begin(), total.end()), usage.ru_maxrss / 1024.0, baseline);
    if (!decode.empty())
        std::printf("  load %.3f s (decode at %dx%d %.3f s), shrink and compose %.3f s\n", median(load),
                    decoded.width(), decoded.height(), median(decode), median(prepare));
    return 0;
}
