// The sprite engine: edges, arrival, rotation, drawing order, masks, what reaches the
// canvas, harmless operations on missing sprites, and the random table.

#include "sprites/sprite_random.h"
#include "sprites/sprites.h"

#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"
#include "platform/random.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace platform;
using namespace sprites;
using testing_support::FilledPicture;

namespace {

constexpr TColor kBack = 0x00203040, kRed = 0x000000FF, kBlue = 0x00FF0000;

// A stage of 100 × 80 on its own canvas, with toons "RED" and "BLUE" (10 × 10 squares)
// and "RING" (a square with a black, so transparent, middle).
struct Stage {
    TBitmap target = FilledPicture(100, 80, clWhite);
    TAlbum album{target.Canvas(), FilledPicture(100, 80, kBack)};
    TPool& pool = album.AddPool(5);

    Stage()
    {
        album.AddToon("red", FilledPicture(10, 10, kRed), 1, clBlack, 0, 10, 10, 1, 1);
        album.AddToon("Blue", FilledPicture(10, 10, kBlue), 1, clBlack, 0, 10, 10, 1, 1);
        TBitmap ring = FilledPicture(10, 10, kRed);
        ring.Canvas().Brush.Color = clBlack;
        ring.Canvas().FillRect(Rect(3, 3, 7, 7));
        album.AddToon("RING", ring, 1, clBlack, 0, 10, 10, 1, 1);
    }
    TSprite& sprite(int index, const char* toon, float x, float y)
    {
        EXPECT_TRUE(pool.NewSprite(index, toon));
        pool.SetPosition(index, x, y);
        return *pool.Sprite(index);
    }
    TColor at(int x, int y) { return target.Canvas().Pixel(x, y); }
};

std::vector<int> order(const TPool& pool)
{
    std::vector<int> out;
    for (const TSprite* s = pool.First(); s; s = s->Next)
        out.push_back(s->Index);
    return out;
}

}  // namespace

TEST(SpriteMove, EachEdgeModeOneSidePerMove)
{
    Stage st;
    // Wrap: limits are (-10, -10, 100, 80); from far left it lands on the right limit.
    TSprite& s = st.sprite(1, "red", -500.5f, 30);
    s.Move();
    EXPECT_EQ(s.ExactX, 100.0f);
    EXPECT_EQ(s.PosX, 100);
    EXPECT_EQ(s.EdgeHit, (std::array<int32_t, 4>{1, 0, 0, 0}));
    // Crossing left and top at once: left first, top at the next move.
    st.pool.SetPosition(1, -30, -40);
    s.Move();
    EXPECT_EQ(s.PosX, 100);
    EXPECT_EQ(s.PosY, -40);
    s.Move();
    EXPECT_EQ(s.PosY, 80);
    EXPECT_EQ(s.EdgeHit, (std::array<int32_t, 4>{0, 1, 0, 0}));

    // Bounce: the limit is the side itself; a speck of velocity stops instead of turning.
    s.EdgeMode = {emBounce, emBounce, emBounce, emBounce};
    s.Bounce[sdLeft] = 0.5f;
    s.ComputeLimits();
    EXPECT_EQ(s.Limits, Rect(0, 0, 90, 70));
    st.pool.SetPosition(1, -1.5f, 30);
    st.pool.SetVelocity(1, -0.00005f, 0);
    s.Move();
    EXPECT_EQ(s.ExactX, 0.0f);
    EXPECT_EQ(s.VX, 0.0f);
    st.pool.SetPosition(1, 1, 30);
    st.pool.SetVelocity(1, -4, 0);
    s.Move();
    EXPECT_EQ(s.PosX, 0);
    EXPECT_EQ(s.VX, 2.0f);
    EXPECT_EQ(s.PrevVX, -4.0f);
    // A small negative position truncates to 0, which is not past the side.
    st.pool.SetPosition(1, 0.5f, 30);
    st.pool.SetVelocity(1, -0.9f, 0);
    s.Move();
    EXPECT_EQ(s.PosX, 0);
    EXPECT_EQ(s.EdgeHit[sdLeft], 0);

    // Stop: motion ends where it is, past the side.
    s.EdgeMode[sdRight] = emStop;
    s.ComputeLimits();
    EXPECT_EQ(s.Limits.Right, 100);
    st.pool.SetPosition(1, 99, 30);
    st.pool.SetVelocity(1, 3, 1);
    s.AX = 1;
    s.DampX = 0.5f;
    s.Move();
    EXPECT_EQ(s.PosX, 101);
    EXPECT_EQ(s.VX, 0.0f);
    EXPECT_EQ(s.VY, 0.0f);
    EXPECT_EQ(s.AX, 0.0f);
    EXPECT_EQ(s.DampX, 1.0f);
}

TEST(SpriteMove, DampingAccelerationAndCountdown)
{
    Stage st;
    TSprite& s = st.sprite(1, "red", 10, 10);
    st.pool.SetVelocity(1, 4, 2);
    s.DampX = 0.5f;
    s.AX = 1;
    s.AY = -1;
    s.Move();
    EXPECT_EQ(s.VX, 3.0f);  // 4 × 0.5 + 1
    EXPECT_EQ(s.VY, 1.0f);
    EXPECT_EQ(st.pool.GetX(1), 13);
    EXPECT_EQ(st.pool.GetY(1), 11);

    st.pool.SetCountdown(1, -3);
    EXPECT_EQ(s.CountdownReload, 3);
    std::vector<int> seen;
    for (int i = 0; i < 5; ++i) {
        s.CountDown();
        seen.push_back(st.pool.GetCountdown(1));
    }
    EXPECT_EQ(seen, (std::vector<int>{2, 1, 0, 3, 2}));
    st.pool.SetCountdown(1, 0);
    s.CountDown();
    EXPECT_EQ(st.pool.GetCountdown(1), 0);
}

TEST(SpriteMove, ArrivalInExactlySteps)
{
    Stage st;
    TSprite& s = st.sprite(1, "red", 10, 20);
    // At rest: a straight line, there after `steps` moves and not before.
    st.pool.SetArrival(1, 58, 12, 68);
    for (int i = 1; i <= 12; ++i) {
        s.Move();
        // On the line y = x + 10, and short of the target until the last move.
        EXPECT_NEAR(s.ExactY - s.ExactX, 10.0f, 1e-3f) << i;
        if (i < 12) {
            EXPECT_LT(s.ExactX, 57.0f) << i;
        }
    }
    EXPECT_NEAR(s.ExactX, 58.0f, 1e-3f);
    EXPECT_NEAR(s.ExactY, 68.0f, 1e-3f);

    // Moving: it swings aside and ends one initial velocity short of the target.
    st.pool.SetPosition(1, 10, 20);
    st.pool.SetVelocity(1, 0.3f, -0.5f);
    st.pool.SetArrival(1, 58, 16, 68);
    EXPECT_EQ(s.DampX, 1.0f);
    float maxOff = 0;
    for (int i = 0; i < 16; ++i) {
        s.Move();
        maxOff = std::max(maxOff, std::fabs(s.ExactY - s.ExactX - 10));
    }
    EXPECT_GT(maxOff, 1.0f);
    EXPECT_NEAR(s.ExactX, 58 - 0.3f, 1e-3f);
    EXPECT_NEAR(s.ExactY, 68 + 0.5f, 1e-3f);
}

TEST(Sprites, RotationTurnsClockwiseAndFourTurnsRestore)
{
    Stage st;
    TBitmap sheet = FilledPicture(6, 4, kRed);
    sheet.Canvas().SetPixel(0, 0, kBlue);
    sheet.Canvas().SetPixel(5, 3, clBlack);
    st.album.AddToon("bar", sheet, 1, clBlack, 0, 4, 6, 1, 1);
    TSprite& s = st.sprite(1, "bar", 0, 0);
    const TToon& toon = *s.Toon;
    const QImage before = toon.Images[0]->Image().copy();

    st.pool.RotateSprite(1, 1);
    EXPECT_EQ(s.Rotation, 1);
    EXPECT_EQ(toon.FrameWidth, 4);
    EXPECT_EQ(toon.FrameHeight, 6);
    EXPECT_EQ(toon.Images[0]->Canvas().Pixel(3, 0), kBlue);    // top-left went to top-right
    EXPECT_EQ(toon.Masks[0]->Canvas().Pixel(0, 5), clWhite);   // the black corner, bottom-left
    EXPECT_EQ(toon.Masks[0]->Canvas().Pixel(3, 0), clBlack);
    EXPECT_EQ(toon.Masks[0]->Width(), 4);

    // Asking for the present rotation turns the toon all the way round.
    st.pool.RotateSprite(1, 1);
    EXPECT_EQ(s.Rotation, 1);
    EXPECT_EQ(toon.FrameWidth, 4);
    st.pool.RotateSprite(1, 9);  // counts as 3
    EXPECT_EQ(s.Rotation, 3);
    st.pool.RotateSprite(1, -2);  // counts as 0
    EXPECT_EQ(s.Rotation, 0);
    EXPECT_EQ(toon.Images[0]->Image(), before);
    st.pool.RotateSprite(1, 0);
    EXPECT_EQ(toon.Images[0]->Image(), before);
    EXPECT_EQ(toon.FrameWidth, 6);
    EXPECT_TRUE(s.Flags & sfSizePending);
}

TEST(Sprites, DrawingOrderByLayerNewestFirstAmongEquals)
{
    Stage st;
    st.sprite(1, "red", 20, 20);
    st.sprite(2, "blue", 25, 25);
    st.sprite(3, "red", 0, 0);
    EXPECT_EQ(order(st.pool), (std::vector<int>{3, 2, 1}));
    st.pool.SetLayer(3, 2);
    st.pool.SetLayer(2, -1);
    EXPECT_EQ(order(st.pool), (std::vector<int>{2, 1, 3}));
    st.pool.SetLayer(1, 2);  // now the newest of layer 2
    EXPECT_EQ(order(st.pool), (std::vector<int>{2, 1, 3}));
    st.pool.SetLayer(2, 2);
    EXPECT_EQ(order(st.pool), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(st.pool.Last()->Index, 3);

    // Drawn in list order: of the two overlapping squares the older (1, red) is on top.
    st.pool.DeleteSprite(3);
    st.pool.SetLayer(1, 0);
    st.pool.SetLayer(2, 0);
    EXPECT_EQ(order(st.pool), (std::vector<int>{2, 1}));
    st.pool.Redraw();
    EXPECT_EQ(st.at(27, 27), kRed);
    EXPECT_EQ(st.at(32, 32), kBlue);
    EXPECT_EQ(st.at(10, 10), clWhite);  // nothing flushed there
}

TEST(Sprites, MasksLetTheBackgroundThrough)
{
    Stage st;
    st.sprite(1, "blue", 20, 20);
    st.sprite(2, "ring", 20, 20);
    st.pool.SetLayer(2, 1);
    st.pool.Redraw();
    EXPECT_EQ(st.at(21, 21), kRed);   // ring over blue
    EXPECT_EQ(st.at(25, 25), kBlue);  // through the ring's black middle
    // A non-black transparent colour: white in the mask, black in the image.
    TBitmap sheet = FilledPicture(4, 2, kRed);
    sheet.Canvas().SetPixel(1, 1, kBlue);
    TToon toon;
    toon.Load(sheet, 1, kBlue, 0, 2, 4, 1, 1);
    EXPECT_EQ(toon.Images[0]->Canvas().Pixel(1, 1), clBlack);
    EXPECT_EQ(toon.Images[0]->Canvas().Pixel(0, 0), kRed);
    EXPECT_EQ(toon.Masks[0]->Canvas().Pixel(1, 1), clWhite);
    EXPECT_EQ(toon.Masks[0]->Canvas().Pixel(0, 0), clBlack);
    EXPECT_TRUE(toon.Masks[0]->Monochrome());
}

TEST(Sprites, ToonsAreCutRowByRowWithGaps)
{
    // Frames 3 × 2 with a gap of 1, two per row: frame i has colour i + 1 (red channel).
    TBitmap sheet = FilledPicture(1 + 2 * 4, 1 + 2 * 3, clWhite);
    for (int i = 0; i < 4; ++i) {
        sheet.Canvas().Brush.Color = RGB(i + 1, 0, 0);
        const int x = 1 + (i % 2) * 4, y = 1 + (i / 2) * 3;
        sheet.Canvas().FillRect(Rect(x, y, x + 3, y + 2));
    }
    TToon toon;
    toon.Load(sheet, 3, clWhite, 1, 2, 3, 2, 2);
    ASSERT_EQ(toon.FrameCount, 3);
    ASSERT_EQ(toon.Images.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(toon.Images[size_t(i)]->Canvas().Pixel(0, 0), RGB(i + 1, 0, 0)) << i;
        EXPECT_EQ(toon.Images[size_t(i)]->Canvas().Pixel(2, 1), RGB(i + 1, 0, 0)) << i;
    }
    toon.Load(sheet, 9, clWhite, 1, 2, 3, 0, 2);
    EXPECT_EQ(toon.FrameCount, 0);
}

TEST(Sprites, OnlyTheOldAndNewPlacesReachTheCanvas)
{
    Stage st;
    st.sprite(1, "red", 10, 10);
    st.sprite(2, "blue", 60, 40);
    st.pool.Redraw();
    st.pool.SetVelocity(1, 5, 0);
    st.target.Canvas().ClearDirty();
    st.pool.MoveAndDraw(1);
    EXPECT_EQ(st.target.Canvas().DirtyRect(), QRect(10, 10, 15, 10));
    EXPECT_EQ(st.at(12, 12), kBack);
    EXPECT_EQ(st.at(15, 12), kRed);

    // Moving onto another sprite puts it on top, and the other comes back where it left.
    st.pool.SetPosition(1, 55, 35);
    st.pool.SetVelocity(1, 0, 0);
    st.pool.MoveAndDraw(1);
    EXPECT_EQ(st.at(62, 42), kRed);
    st.pool.SetPosition(1, 0, 70);
    st.pool.MoveAndDraw(1);
    EXPECT_EQ(st.at(62, 42), kBlue);
    EXPECT_EQ(st.at(57, 37), kBack);

    // A redraw of still sprites flushes each one's place only.
    // A copy keeps the canvas the album draws on.
    const TBitmap white = FilledPicture(100, 80, clWhite);
    st.target = white;
    st.target.Canvas().ClearDirty();
    st.pool.Redraw();
    EXPECT_EQ(st.target.Canvas().DirtyRect(), QRect(0, 40, 70, 40));
    EXPECT_EQ(st.at(30, 30), clWhite);
    EXPECT_EQ(st.at(1, 71), kRed);

    // Frozen: nothing; erasing: the background comes back on the canvas.
    st.pool.Frozen = true;
    st.pool.SetVelocity(2, 3, 3);
    st.pool.Redraw();
    EXPECT_EQ(st.pool.Sprite(2)->PosX, 60);
    st.pool.EraseSprite(2);
    EXPECT_EQ(st.at(62, 42), kBack);
    EXPECT_FALSE(st.pool.Sprite(2)->Visible());
}

// A move restores its old place from the scene the others make, which must follow every
// change made to them between two moves of the same sprite.
TEST(Sprites, MovesShowTheOthersAsTheyAreNow)
{
    Stage st;
    st.sprite(1, "red", 20, 20);
    st.sprite(2, "blue", 22, 22);
    st.sprite(3, "ring", 24, 24);  // under the blue: the newer of one layer
    st.pool.Redraw();
    auto moveTo = [&](int index, float x, float y) {
        st.pool.SetPosition(index, x, y);
        st.pool.MoveAndDraw(index);
    };
    moveTo(1, 22, 22);
    moveTo(1, 80, 0);
    EXPECT_EQ(st.at(25, 25), kBlue);
    moveTo(1, 22, 22);
    st.pool.SetLayer(3, 2);
    moveTo(1, 80, 0);
    EXPECT_EQ(st.at(25, 25), kRed);  // the ring's frame, on top now
    moveTo(1, 22, 22);
    st.pool.EraseSprite(2);
    st.pool.EraseSprite(3);
    moveTo(1, 80, 0);
    EXPECT_EQ(st.at(25, 25), kBack);

    // Another sprite moved in between: the ring is where it went.
    moveTo(1, 60, 50);
    st.pool.SetToon(3, "ring");
    moveTo(3, 64, 54);
    moveTo(1, 66, 58);
    moveTo(1, 80, 0);
    EXPECT_EQ(st.at(72, 62), kRed);
    EXPECT_EQ(st.at(69, 59), kBack);  // through the ring's middle

    // A new background is seen by the next move.
    st.album.SetBackground(FilledPicture(100, 80, kBlue));
    moveTo(1, 0, 60);
    EXPECT_EQ(st.at(85, 5), kBlue);
}

TEST(Sprites, MissingSpritesAndIndexesDoNothing)
{
    Stage st;
    EXPECT_FALSE(st.pool.NewSprite(1, "nobody"));
    EXPECT_FALSE(st.pool.NewSprite(6, "red"));
    EXPECT_EQ(st.pool.Sprite(1), nullptr);
    for (int index : {-1, 1, 6, 1000}) {
        st.pool.SetPosition(index, 5, 5);
        st.pool.SetVelocity(index, 1, 1);
        st.pool.SetArrival(index, 1, 4, 1);
        st.pool.SetCountdown(index, 3);
        st.pool.SetTag(index, 1);
        st.pool.SetLayer(index, 3);
        st.pool.RotateSprite(index, 1);
        st.pool.StopSprite(index);
        st.pool.MoveAndDraw(index);
        st.pool.EraseSprite(index);
        st.pool.DeleteSprite(index);
        st.pool.SetToon(index, "red");
        EXPECT_EQ(st.pool.GetX(index) + st.pool.GetY(index) + st.pool.GetCountdown(index) + st.pool.GetTag(index) +
                      st.pool.ToonHomeX(index) + st.pool.ToonHomeY(index),
                  0);
    }
    EXPECT_EQ(st.pool.First(), nullptr);
    // A sprite without a toon: not drawn, no home.
    st.pool.CreateSprite(2);
    st.pool.SetToon(2, "nobody");
    st.pool.MoveAndDraw(2);
    st.pool.Redraw();
    EXPECT_EQ(st.pool.ToonHomeX(2), 0);
    EXPECT_EQ(st.at(0, 0), clWhite);
    // Steps <= 0 leave the motion alone.
    st.sprite(3, "red", 0, 0);
    st.pool.SetVelocity(3, 2, 2);
    st.pool.SetArrival(3, 50, 0, 50);
    EXPECT_EQ(st.pool.Sprite(3)->VX, 2.0f);
}

TEST(Sprites, AlbumOwnsToonsPoolsAndSprites)
{
    const size_t before = LiveBitmapCount();
    {
        Stage st;
        st.album.SetToonHome("RED", 7, 8);
        st.sprite(1, "red", 30, 30);
        EXPECT_EQ(st.pool.ToonHomeX(1), 7);
        EXPECT_EQ(st.pool.ToonHomeY(1), 8);
        EXPECT_EQ(st.album.FindToon("Red"), st.album.FindToon("RED"));
        // The first toon of a name stays the one found.
        TToon* first = st.album.FindToon("red");
        st.album.AddToon("RED", FilledPicture(3, 3, kBlue), 1, clBlack, 0, 3, 3, 1, 1);
        EXPECT_EQ(st.album.FindToon("red"), first);
        // A new sprite in a used slot replaces the old one, which is erased.
        st.pool.Redraw();
        EXPECT_EQ(st.at(31, 31), kRed);
        st.pool.CreateSprite(1);
        EXPECT_EQ(st.at(31, 31), kBack);
        EXPECT_EQ(order(st.pool), (std::vector<int>{1}));
        st.album.AddPool(3);
        EXPECT_GT(LiveBitmapCount(), before);
        st.album.Clear();
        EXPECT_EQ(st.album.ToonCount(), 0);
        EXPECT_EQ(st.album.PoolCount(), 0);
        EXPECT_EQ(st.album.FindToon("red"), nullptr);
    }
    EXPECT_EQ(LiveBitmapCount(), before);
}

TEST(SpriteRandom, TableIntegersAndDistances)
{
    RandSeed = 42;
    FillRandomTable();
    EXPECT_EQ(RandomTablePosition(), 0);
    RandSeed = 42;
    const float first = float(RandomUnit());
    EXPECT_EQ(NextRandom(), first);
    // The position is shared and wraps after the last entry.
    for (int i = 1; i < kRandomTableSize; ++i)
        NextRandom();
    EXPECT_EQ(RandomTablePosition(), 0);
    EXPECT_EQ(RandomFloat(10, 2), 2 + first * 8);
    std::set<int> seen;
    for (int i = 0; i < 5000; ++i) {
        const int v = RandomInt(7, 3);
        ASSERT_GE(v, 3);
        ASSERT_LE(v, 7);
        seen.insert(v);
        const float f = RandomFloat(0.3f, -0.3f);
        ASSERT_GE(f, -0.3f);
        ASSERT_LT(f, 0.3f);
    }
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(RandomInt(-4, -4), -4);

    EXPECT_EQ(IntDistance(0, 0, 3, 4), 5);
    EXPECT_EQ(IntDistance(5, 5, 5, 5), 0);
    EXPECT_EQ(IntDistance(10, 0, 0, 0), 10);
    EXPECT_EQ(IntDistance(0, 0, 1, 1), 1);
    EXPECT_EQ(IntDistance(0, 0, 300, 400), 500);
    // Twelve rounds fall short of converging on long distances: long, never short.
    EXPECT_EQ(IntDistance(0, 0, 2000, 0), 2001);
    EXPECT_EQ(IntDistance(0, 0, 0, 10000), 14822);
    // Squares beyond 32 bits.
    EXPECT_EQ(IntDistance(-100000, 0, 0, 0), 1223431);
}

TEST(SpriteRandom, ValuesJustUnderOneStayBelowOne)
{
    // The state whose successor is 2^32 - 1 gives 0.99999999977, which a 32-bit float
    // would round to 1: RandomInt (1, n) must still stay within 1..n.
    RandSeed = 0xFFFFFFFEu * 3645876429u;
    FillRandomTable();
    EXPECT_LT(NextRandom(), 1.0f);
    RandSeed = 0xFFFFFFFEu * 3645876429u;
    FillRandomTable();
    EXPECT_EQ(RandomInt(1, 322), 322);
}
