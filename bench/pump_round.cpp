// How long one round of an idle event loop takes: the unit a pump pause's rounds were
// counted in when effects ran the loop themselves, and now the length of each of those
// rounds as a timed wait. A shown window (as the show's and the dialog's) is on screen.
#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(640, 480);
    window.show();
    for (int i = 0; i < 1000; ++i)
        QCoreApplication::processEvents();
    constexpr int kRounds = 1'000'000;
    std::vector<double> perRound;
    for (int run = 0; run < 7; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kRounds; ++i)
            QCoreApplication::processEvents();
        const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        perRound.push_back(took.count() / kRounds);
    }
    std::sort(perRound.begin(), perRound.end());
    std::printf("one idle round: median %.0f ns (least %.0f, most %.0f) over 7 runs of %d\n", perRound[3],
                perRound.front(), perRound.back(), kRounds);
}
