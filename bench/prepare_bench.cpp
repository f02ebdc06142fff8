// Times the slide show's picture preparation of one file for one screen size, as the
// saver does it (decode, shrink, compose), and reports the median and the peak memory.
//   prepare_bench FILE WIDTHxHEIGHT [RUNS]

#include "display/picture_preparation.h"

#include "settings/settings.h"

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: prepare_bench FILE WIDTHxHEIGHT [RUNS]\n");
        return 2;
    }
    int w = 0, h = 0;
    if (std::sscanf(argv[2], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0)
        return 2;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 7;
    TSettings settings{TSettings::DefaultsOnly{}};
    PreparationInput input;
    input.settings = &settings;
    input.screen = QSize(w, h);
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        PreparedPicture p = PrepareFullScreen(LoadPicture(argv[1], input.screen, false), input);
        TrimToSteps(p.bitmap, settings.ClampedTailleEffet());
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("median %.3f s  min %.3f s  peak %.1f MB\n", seconds[seconds.size() / 2], seconds.front(),
                usage.ru_maxrss / 1024.0);
    return 0;
}
