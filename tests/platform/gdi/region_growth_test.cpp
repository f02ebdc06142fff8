// Regions grown by many unions in place, and combined every way, against QRegion's own
// arithmetic; after every operation the region must be in its one banded form.

#include "gdi_test_util.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace gdi_test;

namespace {

TRegion RectOf(const QRect& r) { return CreateRectRgn(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }

// The form's rules: bands in order and apart, none empty; spans in order, none empty,
// none touching; touching bands never equal. Then the pixels against the reference.
void ExpectForm(const TRegion& region, const QRegion& reference, const std::string& what)
{
    const auto& bands = region.Bands();
    for (size_t i = 0; i < bands.size(); ++i) {
        const TRegion::Band& b = bands[i];
        ASSERT_LT(b.top, b.bottom) << what << " band " << i;
        ASSERT_FALSE(b.spans.empty()) << what << " band " << i;
        for (size_t k = 0; k < b.spans.size(); ++k) {
            ASSERT_LT(b.spans[k].first, b.spans[k].second) << what << " band " << i;
            if (k) {
                ASSERT_GT(b.spans[k].first, b.spans[k - 1].second) << what << " band " << i;
            }
        }
        if (i) {
            ASSERT_LE(bands[i - 1].bottom, b.top) << what << " band " << i;
            ASSERT_FALSE(bands[i - 1].bottom == b.top && bands[i - 1].spans == b.spans) << what << " band " << i;
        }
    }
    ASSERT_TRUE(region.ToQRegion().xored(reference).isEmpty()) << what;
    const int kind = reference.isEmpty() ? NULLREGION : reference.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
    ASSERT_EQ(region.Kind(), kind) << what;
}

// Unites `rects` one at a time into a fresh region, checking the form after each union;
// returns the final reference.
QRegion GrowAndCompare(const std::vector<QRect>& rects, const char* what)
{
    TRegion grown;
    QRegion reference;
    for (size_t i = 0; i < rects.size(); ++i) {
        reference = reference.united(rects[i]);
        const int kind = CombineRgn(grown, grown, RectOf(rects[i]), RGN_OR);
        EXPECT_EQ(kind, grown.Kind());
        ExpectForm(grown, reference, std::string(what) + " union " + std::to_string(i));
        if (::testing::Test::HasFatalFailure())
            break;
    }
    return reference;
}

TRegion Grow(const std::vector<QRect>& rects)
{
    TRegion r;
    for (const QRect& q : rects)
        UniteInto(r, RectOf(q));
    return r;
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

}  // namespace

TEST(RegionGrowth, ManyUnionsInPlaceMatchQRegion)
{
    std::mt19937 rng(16);
    GrowAndCompare(TallStrips(rng), "tall strips");
    GrowAndCompare(WideRowsAndCells(rng), "rows and cells");
    GrowAndCompare(Scattered(rng), "scattered boxes");
    // Strips given bottom to top and right to left, the reverse of the builders' order.
    std::vector<QRect> reversed = TallStrips(rng);
    std::reverse(reversed.begin(), reversed.end());
    GrowAndCompare(reversed, "strips right to left");
    // Shapes, not only rectangles, united into a grown region, and a grown region into
    // another as the second source.
    TRegion grown = Grow(TallStrips(rng));
    QRegion reference = grown.ToQRegion();
    const TRegion ellipse = CreateEllipticRgn(100, 300, 600, 700);
    reference += ellipse.ToQRegion();
    EXPECT_EQ(CombineRgn(grown, grown, ellipse, RGN_OR), COMPLEXREGION);
    ExpectForm(grown, reference, "with an ellipse");
    TRegion other = CreateRectRgn(-50, -50, -40, -40);
    CombineRgn(other, grown, other, RGN_OR);
    ExpectForm(other, reference.united(QRect(-50, -50, 10, 10)), "into the second source");
}

TEST(RegionGrowth, UnionsThatCloseARectangleAreSimple)
{
    EXPECT_EQ(GrowAndCompare(Checkerboard(3, -2), "checkerboard"), QRegion(3, -2, 8, 8));
    EXPECT_EQ(Grow(Checkerboard(3, -2)), CreateRectRgn(3, -2, 11, 6));
    // Empty strips leave an empty region empty.
    TRegion nothing;
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(CombineRgn(nothing, nothing, CreateRectRgn(i, 0, i, 10), RGN_OR), NULLREGION);
}

TEST(RegionGrowth, IntersectionsOfGrownRegions)
{
    // A lattice of rows against one of columns: small squares where they cross.
    std::vector<QRect> rowBands, columnBands, far;
    for (int y = 0; y < 200; y += 10)
        rowBands.emplace_back(0, y, 300, 5);
    for (int x = 3; x < 300; x += 10)
        columnBands.emplace_back(x, -7, 5, 150);
    for (int i = 0; i < 20; ++i)
        far.emplace_back(1000 + 10 * i, 1000, 5, 5);
    TRegion rowsRgn = Grow(rowBands);
    const TRegion columnsRgn = Grow(columnBands), farRgn = Grow(far);
    const QRegion expected = rowsRgn.ToQRegion().intersected(columnsRgn.ToQRegion());
    ASSERT_EQ(Area(expected), 30 * (14 * 25 + 3 * 5));  // the last row band is cut to 3
    EXPECT_EQ(CombineRgn(rowsRgn, rowsRgn, columnsRgn, RGN_AND), COMPLEXREGION);
    ExpectForm(rowsRgn, expected, "lattice");
    EXPECT_EQ(rowsRgn.ToQRegion().boundingRect(), QRect(3, 0, 295, 143));
    EXPECT_EQ(CombineRgn(rowsRgn, rowsRgn, farRgn, RGN_AND), NULLREGION);
    EXPECT_TRUE(rowsRgn.IsEmpty());
    // Two overlapping blocks filled cell by cell: their common square is simple.
    TRegion first = Grow(Checkerboard(0, 0));
    EXPECT_EQ(CombineRgn(first, first, Grow(Checkerboard(4, 5)), RGN_AND), SIMPLEREGION);
    EXPECT_EQ(first, CreateRectRgn(4, 5, 8, 8));
}

TEST(RegionGrowth, EveryCombinationOfRandomRegionsMatchesQRegion)
{
    std::mt19937 rng(23);
    const auto randomRegion = [&rng](int count) {
        std::vector<QRect> rects;
        for (int i = 0; i < count; ++i)
            rects.emplace_back(int(rng() % 120) - 20, int(rng() % 90) - 20, 1 + int(rng() % 40), 1 + int(rng() % 30));
        return rects;
    };
    for (int round = 0; round < 60; ++round) {
        const auto ra = randomRegion(1 + round % 25), rb = randomRegion(1 + round % 7 * 3);
        const TRegion a = Grow(ra), b = Grow(rb);
        QRegion qa, qb;
        for (const QRect& r : ra)
            qa += r;
        for (const QRect& r : rb)
            qb += r;
        ExpectForm(a, qa, "grown " + std::to_string(round));
        const std::pair<int, QRegion> expected[] = {
            {RGN_AND, qa & qb}, {RGN_OR, qa | qb}, {RGN_XOR, qa ^ qb}, {RGN_DIFF, qa - qb}};
        for (const auto& [mode, q] : expected) {
            const std::string what = "round " + std::to_string(round) + " mode " + std::to_string(mode);
            TRegion apart, inFirst = a, inSecond = b;
            CombineRgn(apart, a, b, mode);
            CombineRgn(inFirst, inFirst, b, mode);
            CombineRgn(inSecond, a, inSecond, mode);
            ExpectForm(apart, q, what);
            EXPECT_EQ(inFirst, apart) << what;
            EXPECT_EQ(inSecond, apart) << what;
        }
        if (HasFatalFailure())
            return;
    }
}

TEST(RegionGrowth, UnionsFarApartStayExact)
{
    std::vector<QRect> rects;
    for (int i = 0; i < 30; ++i)
        rects.emplace_back(i * 4, 0, 2, 2);
    rects.emplace_back(20000000, 30000000, 5, 5);
    rects.emplace_back(-20000000, -1000, 5, 5);
    for (int i = 0; i < 30; ++i)
        rects.emplace_back(i * 4 + 1, 1, 2, 2);
    GrowAndCompare(rects, "far apart");
}
