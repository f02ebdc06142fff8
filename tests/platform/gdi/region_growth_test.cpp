// Regions grown by many unions in place (kept as bit masks meanwhile) against QRegion's
// own arithmetic, and the handle registry under heavy traffic.

#include "gdi_test_util.h"

#include "platform/gdi/cover_mask.h"
#include "platform/gdi/pointer_set.h"

#include <algorithm>
#include <bit>
#include <random>
#include <set>
#include <vector>

using namespace gdi_test;

namespace {

int KindOf(const QRegion& r) { return r.isEmpty() ? NULLREGION : r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION; }

// Unites `rects` one at a time into a fresh region, checking every answered kind against
// QRegion's, and the pixels now and then (reading them midway must not disturb later
// unions); returns the final reference.
QRegion GrowAndCompare(const std::vector<QRect>& rects, const char* what)
{
    UniqueRgn grown(CreateRectRgn(0, 0, 0, 0));
    QRegion reference;
    for (size_t i = 0; i < rects.size(); ++i) {
        const QRect& r = rects[i];
        UniqueRgn strip(CreateRectRgn(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
        reference = reference.united(r);
        EXPECT_EQ(CombineRgn(grown, grown, strip, RGN_OR), KindOf(reference)) << what << " union " << i;
        if (i % 97 == 0 || i + 1 == rects.size()) {
            EXPECT_EQ(RegionPixels(grown), reference) << what << " after " << i + 1;
        }
    }
    return reference;
}

std::vector<QRect> TallStrips(std::mt19937& rng)
{
    std::vector<QRect> out;
    for (int x = -30; x < 700; x += 2 + int(rng() % 3))
        out.emplace_back(x, int(rng() % 40) - 20, 3 + int(rng() % 6), 50 + int(rng() % 400));
    return out;
}

std::vector<QRect> WideRowsAndCells(std::mt19937& rng)
{
    std::vector<QRect> out;
    for (int y = 0; y < 300; y += 4) {
        out.emplace_back(0, y, 200 + int(rng() % 300), 9);
        for (int k = 0; k < 6; ++k)
            out.emplace_back(500 + int(rng() % 200), y, 9, 9);
    }
    return out;
}

std::vector<QRect> Scattered(std::mt19937& rng)
{
    std::vector<QRect> out;
    for (int i = 0; i < 400; ++i)
        out.emplace_back(int(rng() % 900) - 300, int(rng() % 700) - 200, 1 + int(rng() % 120), 1 + int(rng() % 90));
    return out;
}

}  // namespace

TEST(RegionGrowth, ManyUnionsInPlaceMatchQRegion)
{
    std::mt19937 rng(16);
    const size_t live = LiveRegionCount();
    GrowAndCompare(TallStrips(rng), "tall strips");
    GrowAndCompare(WideRowsAndCells(rng), "rows and cells");
    GrowAndCompare(Scattered(rng), "scattered boxes");
    // Shapes, not only rectangles, united into a grown region, and a grown region into
    // another as the second source.
    UniqueRgn grown(CreateRectRgn(0, 0, 0, 0));
    QRegion reference;
    for (const QRect& r : TallStrips(rng)) {
        UniqueRgn strip(CreateRectRgn(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
        CombineRgn(grown, grown, strip, RGN_OR);
        reference += r;
    }
    UniqueRgn ellipse(CreateEllipticRgn(100, 300, 600, 700));
    reference += RegionPixels(ellipse);
    EXPECT_EQ(CombineRgn(grown, grown, ellipse, RGN_OR), COMPLEXREGION);
    EXPECT_EQ(RegionPixels(grown), reference);
    UniqueRgn other(CreateRectRgn(-50, -50, -40, -40));
    CombineRgn(other, grown, other, RGN_OR);
    EXPECT_EQ(RegionPixels(other), reference.united(QRect(-50, -50, 10, 10)));
    EXPECT_EQ(LiveRegionCount(), live + 3);
}

// The cells of an 8 x 8 block at (x, y): first the 32 of one colour of a checkerboard,
// which no two touch (a region of many rectangles), then the other 32.
std::vector<QRect> Checkerboard(int x, int y)
{
    std::vector<QRect> cells;
    for (int colour : {0, 1})
        for (int i = 0; i < 64; ++i)
            if ((i / 8 + i % 8) % 2 == colour)
                cells.emplace_back(x + i % 8, y + i / 8, 1, 1);
    return cells;
}

TEST(RegionGrowth, UnionsThatCloseARectangleAreSimple)
{
    EXPECT_EQ(GrowAndCompare(Checkerboard(3, -2), "checkerboard"), QRegion(3, -2, 8, 8));
    // Empty strips leave an empty region empty.
    UniqueRgn nothing(CreateRectRgn(0, 0, 0, 0));
    for (int i = 0; i < 40; ++i) {
        UniqueRgn empty(CreateRectRgn(i, 0, i, 10));
        EXPECT_EQ(CombineRgn(nothing, nothing, empty, RGN_OR), NULLREGION);
    }
}

TEST(RegionGrowth, IntersectionsOfGrownRegions)
{
    auto grow = [](const std::vector<QRect>& rects) {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        for (const QRect& q : rects) {
            UniqueRgn s(CreateRectRgn(q.left(), q.top(), q.left() + q.width(), q.top() + q.height()));
            CombineRgn(r, r, s, RGN_OR);
        }
        return r;
    };
    // A lattice of rows against one of columns: small squares where they cross.
    std::vector<QRect> rowBands, columnBands, far;
    for (int y = 0; y < 200; y += 10)
        rowBands.emplace_back(0, y, 300, 5);
    for (int x = 3; x < 300; x += 10)
        columnBands.emplace_back(x, -7, 5, 150);
    for (int i = 0; i < 20; ++i)
        far.emplace_back(1000 + 10 * i, 1000, 5, 5);
    UniqueRgn rowsRgn(grow(rowBands)), columnsRgn(grow(columnBands)), farRgn(grow(far));
    const QRegion expected = RegionPixels(rowsRgn).intersected(RegionPixels(columnsRgn));
    ASSERT_EQ(RegionArea(expected), 30 * (14 * 25 + 3 * 5));  // the last row band is cut to 3
    EXPECT_EQ(CombineRgn(rowsRgn, rowsRgn, columnsRgn, RGN_AND), COMPLEXREGION);
    EXPECT_EQ(RegionPixels(rowsRgn), expected);
    TRect box;
    GetRgnBox(rowsRgn, &box);
    EXPECT_EQ(box, Rect(3, 0, 298, 143));  // the box shrinks to what is left
    EXPECT_EQ(CombineRgn(rowsRgn, rowsRgn, farRgn, RGN_AND), NULLREGION);
    EXPECT_TRUE(RegionPixels(rowsRgn).isEmpty());
    // Two overlapping blocks filled cell by cell: their common square is simple.
    UniqueRgn first(grow(Checkerboard(0, 0))), second(grow(Checkerboard(4, 5)));
    EXPECT_EQ(CombineRgn(first, first, second, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(RegionPixels(first), QRegion(4, 5, 4, 3));
}

TEST(RegionGrowth, OtherCallsSeeTheGrownRegion)
{
    std::mt19937 rng(9);
    const std::vector<QRect> strips = TallStrips(rng);
    UniqueRgn grown(CreateRectRgn(0, 0, 0, 0));
    QRegion reference;
    for (const QRect& r : strips) {
        UniqueRgn s(CreateRectRgn(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
        CombineRgn(grown, grown, s, RGN_OR);
        reference += r;
    }
    const QRect b = reference.boundingRect();
    TRect box;
    EXPECT_EQ(GetRgnBox(grown, &box), COMPLEXREGION);
    EXPECT_EQ(box, Rect(b.left(), b.top(), b.left() + b.width(), b.top() + b.height()));
    const QPoint in = reference.begin()->topLeft();
    EXPECT_TRUE(PtInRegion(grown, in.x(), in.y()));
    UniqueRgn copy(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(copy, grown, nullptr, RGN_COPY);
    EXPECT_TRUE(EqualRgn(copy, grown));
    EXPECT_EQ(OffsetRgn(grown, 7, -3), COMPLEXREGION);
    EXPECT_EQ(RegionPixels(grown), reference.translated(7, -3));
    // Growing again after a read and a move.
    UniqueRgn more(CreateRectRgn(-100, -100, -90, -90));
    CombineRgn(grown, grown, more, RGN_OR);
    EXPECT_EQ(RegionPixels(grown), reference.translated(7, -3).united(QRect(-100, -100, 10, 10)));
    UniqueRgn square(CreateRectRgn(0, 0, 1000, 1000));
    EXPECT_EQ(CombineRgn(grown, grown, square, RGN_XOR), COMPLEXREGION);
    EXPECT_EQ(RegionPixels(grown), reference.translated(7, -3).united(QRect(-100, -100, 10, 10)).xored(QRect(0, 0, 1000, 1000)));
    EXPECT_TRUE(SetRectRgn(grown, 4, 4, 1, 1));
    EXPECT_EQ(GetRgnBox(grown, &box), SIMPLEREGION);
    EXPECT_EQ(box, Rect(1, 1, 4, 4));
    EXPECT_EQ(CombineRgn(grown, grown, grown, RGN_OR), SIMPLEREGION);
}

TEST(RegionGrowth, UnionsFarApartStayExact)
{
    // Too far apart for one mask: the union falls back to QRegion's and stays exact.
    std::vector<QRect> rects;
    for (int i = 0; i < 30; ++i)
        rects.emplace_back(i * 4, 0, 2, 2);
    rects.emplace_back(20000000, 30000000, 5, 5);
    rects.emplace_back(-20000000, -1000, 5, 5);
    for (int i = 0; i < 30; ++i)
        rects.emplace_back(i * 4 + 1, 1, 2, 2);
    GrowAndCompare(rects, "far apart");
}

TEST(RegionGrowth, HandlesStayCheckedUnderHeavyTraffic)
{
    const size_t live = LiveRegionCount();
    std::vector<HRGN> handles;
    for (int i = 0; i < 3000; ++i)
        handles.push_back(CreateRectRgn(0, 0, i % 7, 3));
    std::shuffle(handles.begin(), handles.end(), std::mt19937(1));
    for (size_t i = 0; i < handles.size(); i += 2)
        ASSERT_TRUE(DeleteObject(handles[i]));
    EXPECT_EQ(LiveRegionCount(), live + 1500);
    for (size_t i = 0; i < handles.size(); ++i)
        ASSERT_EQ(IsRegionHandle(handles[i]), i % 2 == 1) << i;
    for (size_t i = 1; i < handles.size(); i += 2)
        ASSERT_TRUE(DeleteObject(handles[i]));
    EXPECT_EQ(LiveRegionCount(), live);

    // The set itself against std::set, with wrap-around probe runs and removals in them.
    int storage[5000];
    gdi_detail::PointerSet<int> set;
    std::set<int*> model;
    std::mt19937 rng(11);
    for (int round = 0; round < 40000; ++round) {
        int* p = &storage[rng() % 5000];
        if (rng() % 3 == 0) {
            ASSERT_EQ(set.erase(p), model.erase(p) == 1);
        } else {
            set.insert(p);
            model.insert(p);
        }
        if (round % 1000 == 0) {
            for (int& s : storage)
                ASSERT_EQ(set.contains(&s), model.count(&s) == 1);
        }
    }
    EXPECT_EQ(set.size(), model.size());
    EXPECT_FALSE(set.contains(nullptr));
}

TEST(RegionGrowth, WordUnionsCountTheNewBits)
{
    // Both forms of the inner loop against a plain count, on every length round the
    // vector width, whichever form this processor uses.
    std::mt19937_64 rng(8);
    for (int count = 0; count <= 40; ++count) {
        std::vector<uint64_t> words(static_cast<size_t>(count));
        for (uint64_t& w : words)
            w = rng() & rng();
        const uint64_t bits = rng() | 1;
        long long expected = 0;
        std::vector<uint64_t> after = words;
        for (uint64_t& w : after) {
            expected += std::popcount(bits & ~w);
            w |= bits;
        }
        std::vector<uint64_t> plain = words;
        EXPECT_EQ(gdi_detail::OrWords(plain.data(), count, bits), expected) << count;
        EXPECT_EQ(plain, after) << count;
        if (gdi_detail::HasVectorPopcount()) {
            std::vector<uint64_t> wide = words;
            EXPECT_EQ(gdi_detail::OrWordsEightAtATime(wide.data(), count, bits), expected) << count;
            EXPECT_EQ(wide, after) << count;
        }
    }
}
