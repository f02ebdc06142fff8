// The random-order effects take their entries out of a Fenwick-counted list: the same
// draws must give the same entries, and so the same frames, as a plain list that closes
// up behind every removal.

#include "effects/removal_list.h"

#include "effect_runs.h"

#include "platform/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace effect_runs;
using platform::Random;
using platform::RandSeed;

TEST(RemovalList, TakesWhatAPlainListWouldForAnyDraws)
{
    for (size_t n : {1u, 2u, 3u, 7u, 8u, 9u, 64u, 255u, 1000u, 4097u}) {
        std::vector<int> plain(n);
        for (size_t i = 0; i < n; ++i)
            plain[i] = static_cast<int>(i);
        effects::RemovalList<int> list(plain);
        RandSeed = static_cast<uint32_t>(n * 2654435761u);
        while (!plain.empty()) {
            ASSERT_EQ(list.size(), plain.size());
            // Both ends matter most to the descent: draw them often.
            const int drawn = Random(4) == 0 ? (Random(2) ? 0 : static_cast<int>(plain.size()) - 1)
                                             : Random(static_cast<int>(plain.size()));
            ASSERT_EQ(list.take(static_cast<size_t>(drawn)), plain[static_cast<size_t>(drawn)]) << n;
            plain.erase(plain.begin() + drawn);
        }
        EXPECT_TRUE(list.empty());
    }
}

namespace {

// The frame after `drawn` steps of an effect that copies one rectangle a step, drawn at
// random from a plain list, with the generator seeded as the effect's run is.
TBitmap plainListFrame(std::vector<platform::TRect> rects, int drawn, int w, int h, uint32_t seed)
{
    TBitmap frame = FilledPicture(w, h, kOld);
    const TBitmap picture = FilledPicture(w, h, kNew);
    RandSeed = seed;
    for (int step = 0; step < drawn && !rects.empty(); ++step) {
        const auto at = rects.begin() + Random(static_cast<int>(rects.size()));
        if (at->Left < at->Right && at->Top < at->Bottom)
            frame.Canvas().CopyRect(*at, picture.Canvas(), *at);
        rects.erase(at);
    }
    return frame;
}

}  // namespace

TEST(RandomOrderEffects, EveryFrameIsThePlainListsFrame)
{
    constexpr int W = 40, H = 24, T = 4;
    constexpr uint32_t kSeed = 0x5eed1234u;
    std::vector<platform::TRect> tiles, rows;
    // The tile grid runs T tiles past the picture's edge each way; those draw nothing.
    for (int c = 1; c <= W / T + T; ++c)
        for (int r = 1; r <= H / T + T; ++r)
            tiles.push_back(platform::Rect((c - 1) * T, (r - 1) * T, std::min(c * T, W), std::min(r * T, H)));
    for (int k = 0; k < H; ++k)
        rows.push_back(platform::Rect(0, k, W, k + 1));
    struct Case {
        int number;
        const std::vector<platform::TRect>* rects;
    };
    for (const Case& c : {Case{25, &tiles}, Case{223, &rows}}) {
        for (int stopAt = 2; stopAt <= static_cast<int>(c.rects->size()); stopAt += 3) {
            RandSeed = kSeed;
            const EffectRun run = effect_runs::run(c.number, W, H, T, false, stopAt);
            const TBitmap expected = plainListFrame(*c.rects, stopAt - 1, W, H, kSeed);
            ASSERT_EQ(run.canvas.Image(), expected.Image()) << "effect " << c.number << ", step " << stopAt;
        }
    }
}
