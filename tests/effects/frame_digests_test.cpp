// Every frame of every effect, as checked-in digests: each step frame's whole canvas is
// hashed into one digest per run, so a change that alters any frame between the first and
// the closing copy (not only the end state) fails here, with the effect named.
//
// After a deliberate change of the frames, write the table again with
//   LUMIVANE_WRITE_FRAME_DIGESTS=tests/effects/frame_digests.txt
//   build/tests/effects/effects_tests --gtest_filter='FrameDigests.*'
// and look at the effects whose lines changed (lumivane-render --every 1 --frames DIR).

#include "effects/draw_transition.h"


#include "platform/gdi/bitmap.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

using namespace platform;
using testing_support::NoisePicture;

namespace {

// Small pictures on a larger old screen: odd and even sides, the tile sizes' extremes, both
// modes, the picture placed off the corner so that drawing outside it shows.
struct Layout {
    const char* name;
    int w, h, T;
    bool preview;
    int x, y, canvasW, canvasH;
};
constexpr Layout kSetups[] = {
    {"64x48_T4_saver", 64, 48, 4, false, 13, 9, 100, 80},
    {"63x42_T7_preview", 63, 42, 7, true, 13, 9, 100, 80},
    {"101x75_T10_saver", 101, 75, 10, false, 5, 3, 112, 80},
};

uint64_t fnv(uint64_t h, const void* data, size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        h = (h ^ p[i]) * 0x100000001B3ull;
    return h;
}

uint64_t canvasDigest(const TBitmap& b)
{
    uint64_t h = 0xCBF29CE484222325ull;
    for (int y = 0; y < b.Height(); ++y)
        h = fnv(h, b.ScanLine(y), static_cast<size_t>(b.Width()) * 4);
    return h;
}

// "steps digest": every step frame's canvas as the step begins, then the canvas at the end.
std::string runDigest(int number, const Layout& s)
{
    TBitmap canvas = NoisePicture(s.canvasW, s.canvasH, 11);
    const TBitmap picture = NoisePicture(s.w, s.h, 12);
    effects::EffectInputs in;
    in.number = number;
    in.X = s.x;
    in.Y = s.y;
    in.picture = &picture;
    in.target = &canvas.Canvas();
    in.backColor = 0x00336699;
    in.previewMode = s.preview;
    in.R = 0;
    in.T = s.T;
    uint64_t digest = 0xCBF29CE484222325ull;
    in.onStep = [&](int) {
        const uint64_t frame = canvasDigest(canvas);
        digest = fnv(digest, &frame, sizeof frame);
    };
    RandSeed = 4242;
    const int steps = effects::DrawTransition(in);
    const uint64_t last = canvasDigest(canvas);
    digest = fnv(digest, &last, sizeof last);
    char text[40];
    std::snprintf(text, sizeof text, "%d %016llx", steps, static_cast<unsigned long long>(digest));
    return text;
}

std::string key(int number, const Layout& s) { return std::to_string(number) + " " + s.name; }

std::map<std::string, std::string> checkedIn()
{
    std::map<std::string, std::string> table;
    std::ifstream in(LUMIVANE_FRAME_DIGESTS);
    std::string number, setup, value;
    while (in >> number >> setup) {
        std::string steps, digest;
        in >> steps >> digest;
        table[number + " " + setup] = steps + " " + digest;
    }
    return table;
}

}  // namespace

TEST(FrameDigests, EveryFrameOfEveryEffectIsAsCheckedIn)
{
    const std::map<std::string, std::string> expected = checkedIn();
    std::ostringstream table;
    for (int n = 1; n <= effects::kEffectCount; ++n)
        for (const Layout& s : kSetups) {
            const std::string actual = runDigest(n, s);
            table << key(n, s) << ' ' << actual << '\n';
            const auto found = expected.find(key(n, s));
            EXPECT_TRUE(found != expected.end() && found->second == actual)
                << "effect " << key(n, s) << ": frames " << actual << ", checked in "
                << (found == expected.end() ? std::string("nothing") : found->second);
        }
    if (const char* out = std::getenv("LUMIVANE_WRITE_FRAME_DIGESTS"))
        std::ofstream(out) << table.str();
}
