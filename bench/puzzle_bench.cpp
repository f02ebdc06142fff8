// The Puzzle at full-screen size in the saver with no interval wait: the time to cut the
// pieces and the time of the assembly, and what each move shows on the window, in
// pixels per flush, beside one piece's and the screen's size.
//   puzzle_bench [PICTURE] [WIDTHxHEIGHT]    (a noise picture without PICTURE)

#include "effects/draw_transition.h"
#include "sprites/puzzle_pieces.h"
#include "sprites/sprite_random.h"


#include "platform/gdi/bitmap.h"
#include "platform/gdi/window_canvas.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace platform;
using clock_type = std::chrono::steady_clock;

namespace {

double msBetween(clock_type::time_point a, clock_type::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int w = 1920, h = 1080;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        if (std::sscanf(argv[i], "%dx%d", &w, &h) == 2) {
            if (w <= 0 || h <= 0) {
                std::fprintf(stderr, "usage: puzzle_bench [PICTURE] [WIDTHxHEIGHT]\n");
                return 2;
            }
        } else {
            file = argv[i];
        }
    }
    TBitmap picture = testing_support::NoisePicture(w, h, 7);
    if (!file.empty()) {
        const QImage image(QString::fromStdString(file));
        if (image.isNull()) {
            std::fprintf(stderr, "puzzle_bench: cannot read %s\n", file.c_str());
            return 2;
        }
        picture = TBitmap::FromImage(image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }

    TWindowCanvas window(w, h, clBlack);
    std::vector<long long> flushed;
    window.SetSink([&](const QImage&, std::span<const QRect> parts) {
        long long area = 0;
        for (const QRect& r : parts)
            area += (long long)r.width() * r.height();
        flushed.push_back(area);
    });
    window.Flush();

    const sprites::PuzzleGeometry g(sprites::PuzzleScale(false, w, h), w, h);
    const int buildSteps = 1 + g.Pieces();
    RandSeed = 1;
    sprites::FillRandomTable();
    effects::EffectInputs in;
    in.number = 214;
    in.picture = &picture;
    in.target = &window;
    in.R = 0;
    clock_type::time_point built;
    size_t firstAssemblyFlush = 0;
    in.onStep = [&](int step) {
        if (step == buildSteps) {
            built = clock_type::now();
            // The flushes from here on are the assembly's, one per move that shows
            // something (the pool's first redraw is all off screen).
            firstAssemblyFlush = flushed.size();
        }
    };
    const auto start = clock_type::now();
    const int steps = effects::DrawTransition(in);
    const auto end = clock_type::now();

    std::vector<long long> moves(flushed.begin() + long(std::min(firstAssemblyFlush, flushed.size())), flushed.end());
    std::sort(moves.begin(), moves.end());
    long long total = 0;
    for (long long v : moves)
        total += v;
    const auto pct = [&](double p) { return moves.empty() ? 0LL : moves[size_t(p * double(moves.size() - 1))]; };
    // A knob out on every side.
    const TRect piece = g.PieceRect(sprites::CellEdges{2, 1, 1, 2}, 1, 1);
    const long long pieceArea = (long long)(piece.Width() + 1) * (piece.Height() + 1);
    const auto beyondTwoPieces = std::count_if(moves.begin(), moves.end(), [&](long long v) { return v > 2 * pieceArea; });
    std::printf("picture %dx%d, %s\n", w, h, file.empty() ? "noise" : file.c_str());
    std::printf("grid %d x %d = %d pieces, cell %d px, largest piece %dx%d = %lld px, screen %d px\n", g.cols, g.rows,
                g.Pieces(), g.c, piece.Width() + 1, piece.Height() + 1, pieceArea, w * h);
    std::printf("step frames %d; cutting %.0f ms; assembly %.0f ms (%.1f us per flush)\n", steps,
                msBetween(start, built), msBetween(built, end),
                moves.empty() ? 0.0 : msBetween(built, end) * 1000.0 / double(moves.size()));
    std::printf("pixels flushed per move: %zu flushes, mean %.0f, median %lld, p99 %lld, max %lld (%.2f%% of the screen); "
                "%lld flushes larger than two pieces\n",
                moves.size(), moves.empty() ? 0.0 : double(total) / double(moves.size()), pct(0.5), pct(0.99),
                moves.empty() ? 0LL : moves.back(), moves.empty() ? 0.0 : 100.0 * double(moves.back()) / (w * h),
                (long long)beyondTwoPieces);
    return 0;
}
