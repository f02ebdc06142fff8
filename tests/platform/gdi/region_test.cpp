#include "gdi_test_util.h"

#include <cmath>

using namespace gdi_test;

namespace {

long long Area(HRGN r) { return RegionArea(RegionPixels(r)); }

}  // namespace

TEST(Region, CombinationsConserveArea)
{
    const size_t live = LiveRegionCount();
    {
        UniqueRgn a(CreateEllipticRgn(0, 0, 40, 30));
        UniqueRgn b(CreateRoundRectRgn(15, 10, 60, 50, 20, 12));
        UniqueRgn u(CreateRectRgn(0, 0, 0, 0)), i(CreateRectRgn(0, 0, 0, 0));
        UniqueRgn x(CreateRectRgn(0, 0, 0, 0)), d(CreateRectRgn(0, 0, 0, 0));
        EXPECT_EQ(CombineRgn(u, a, b, RGN_OR), COMPLEXREGION);
        EXPECT_EQ(CombineRgn(i, a, b, RGN_AND), COMPLEXREGION);
        CombineRgn(x, a, b, RGN_XOR);
        CombineRgn(d, a, b, RGN_DIFF);
        ASSERT_GT(Area(i), 0);
        EXPECT_EQ(Area(u), Area(a) + Area(b) - Area(i));
        EXPECT_EQ(Area(x), Area(u) - Area(i));
        EXPECT_EQ(Area(d), Area(a) - Area(i));
        // In place, as effects grow a holder: dest is also the first source.
        CombineRgn(a, a, b, RGN_OR);
        EXPECT_TRUE(EqualRgn(a, u));
        CombineRgn(d, u, nullptr, RGN_COPY);
        EXPECT_TRUE(EqualRgn(d, u));
        EXPECT_EQ(LiveRegionCount(), live + 6);
    }
    EXPECT_EQ(LiveRegionCount(), live);
}

TEST(Region, HandlesAreChecked)
{
    HRGN r = CreateRectRgn(0, 0, 4, 4);
    HRGN marker = reinterpret_cast<HRGN>(1);  // what effects use for "no region yet"
    EXPECT_FALSE(DeleteObject(marker));
    EXPECT_EQ(CombineRgn(r, r, marker, RGN_OR), RGN_ERROR);
    EXPECT_EQ(GetRgnBox(marker, nullptr), RGN_ERROR);
    EXPECT_TRUE(DeleteObject(r));
    EXPECT_FALSE(DeleteObject(r));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(CreatePolygonRgn(nullptr, 0, 7), nullptr);
}

TEST(Region, TheOwnerStartsEmptyAndUnitesWhatItIsGiven)
{
    const size_t live = LiveRegionCount();
    {
        UniqueRgn built;
        EXPECT_FALSE(built);
        EXPECT_EQ(built.get(), NoRegion);
        HRGN first = CreateRectRgn(0, 0, 4, 2);
        UniteInto(built, UniqueRgn(first));
        EXPECT_EQ(built.get(), first);  // the first part is taken over, not copied
        UniteInto(built, UniqueRgn(CreateRectRgn(2, 1, 6, 5)));
        EXPECT_EQ(LiveRegionCount(), live + 1);  // the second is merged and deleted
        EXPECT_EQ(Area(built), 8 + 16 - 2);
        UniqueRgn moved = std::move(built);
        EXPECT_EQ(built.get(), NoRegion);
        EXPECT_EQ(moved.get(), first);
        moved = UniqueRgn(CreateEllipticRgn(0, 0, 8, 8));
        EXPECT_FALSE(IsRegionHandle(first));
    }
    EXPECT_EQ(LiveRegionCount(), live);
}

TEST(Region, RectanglesAreNormalisedAndBoxed)
{
    UniqueRgn r(CreateRectRgn(10, 8, 2, 3));  // right left of left, bottom above top
    TRect box;
    EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
    EXPECT_EQ(box, Rect(2, 3, 10, 8));
    EXPECT_TRUE(PtInRegion(r, 2, 3));
    EXPECT_FALSE(PtInRegion(r, 10, 5));  // right edge excluded
    EXPECT_EQ(OffsetRgn(r, -2, -3), SIMPLEREGION);
    GetRgnBox(r, &box);
    EXPECT_EQ(box, Rect(0, 0, 8, 5));
    EXPECT_TRUE(RectInRegion(r, Rect(7, 4, 20, 20)));
    EXPECT_FALSE(RectInRegion(r, Rect(8, 0, 20, 20)));
    UniqueRgn empty(CreateRectRgn(5, 5, 5, 9));
    EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
    // Coordinates far outside any surface (rounded fronts start at -(2W + X)).
    UniqueRgn far(CreateRoundRectRgn(-5000, -3, 40, 50, 4000, 4000));
    EXPECT_TRUE(PtInRegion(far, 20, 20));
}

TEST(Region, PolygonFillRulesDifferOnASelfCrossingStar)
{
    // Pentagram: the inner pentagon is crossed twice, so even-odd leaves it out.
    std::vector<TPoint> star;
    const double pi = std::acos(-1.0);
    for (int k = 0; k < 5; ++k) {
        const double a = -pi / 2 + k * 4 * pi / 5;
        star.push_back({int(std::lround(50 + 45 * std::cos(a))), int(std::lround(50 + 45 * std::sin(a)))});
    }
    UniqueRgn alt(CreatePolygonRgn(star.data(), 5, ALTERNATE));
    UniqueRgn wind(CreatePolygonRgn(star.data(), 5, WINDING));
    EXPECT_FALSE(PtInRegion(alt, 50, 50));
    EXPECT_TRUE(PtInRegion(wind, 50, 50));
    // The points of the star belong to both.
    EXPECT_TRUE(PtInRegion(alt, 50, 10));
    EXPECT_TRUE(PtInRegion(wind, 50, 10));
    UniqueRgn diff(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(diff, wind, alt, RGN_DIFF);
    EXPECT_GT(Area(diff), 200);  // the pentagon
    UniqueRgn back(CreateRectRgn(0, 0, 0, 0));
    CombineRgn(back, alt, wind, RGN_DIFF);
    EXPECT_EQ(Area(back), 0);
}

TEST(Region, PolygonsTakePixelsWhoseCentreIsInside)
{
    // Axis-aligned quad: exactly the rectangle.
    const TPoint quad[] = {{2, 1}, {9, 1}, {9, 6}, {2, 6}};
    UniqueRgn q(CreatePolygonRgn(quad, 4, WINDING));
    UniqueRgn rect(CreateRectRgn(2, 1, 9, 6));
    EXPECT_TRUE(EqualRgn(q, rect));
    // Right triangle with legs 10: row y holds the 9 - y pixels whose centres lie left
    // of the hypotenuse.
    const TPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
    UniqueRgn t(CreatePolygonRgn(tri, 3, WINDING));
    EXPECT_TRUE(PtInRegion(t, 0, 0));
    EXPECT_TRUE(PtInRegion(t, 8, 0));
    EXPECT_FALSE(PtInRegion(t, 9, 1));
    EXPECT_EQ(Area(t), 45);
    // Degenerate (all points on a line): nothing.
    const TPoint flat[] = {{0, 0}, {0, 0}, {0, 10}};
    UniqueRgn f(CreatePolygonRgn(flat, 3, WINDING));
    EXPECT_EQ(Area(f), 0);
}

TEST(Region, EllipsesAreSymmetricAndRoundRectsClampTheirCorners)
{
    UniqueRgn e(CreateEllipticRgn(0, 0, 41, 25));
    const QRegion px = RegionPixels(e);
    const double exact = std::acos(-1.0) * 20.5 * 12.5;
    EXPECT_NEAR(double(RegionArea(px)), exact, exact * 0.03);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 41; ++x)
            ASSERT_EQ(px.contains(QPoint(x, y)), px.contains(QPoint(40 - x, 24 - y))) << x << "," << y;
    // A corner ellipse larger than the rectangle is clamped to it: an ellipse.
    UniqueRgn rr(CreateRoundRectRgn(0, 0, 41, 25, 500, 300));
    EXPECT_TRUE(EqualRgn(rr, e));
    // No corner: the rectangle.
    UniqueRgn square(CreateRoundRectRgn(3, 3, 9, 9, 0, 0));
    UniqueRgn plain(CreateRectRgn(3, 3, 9, 9));
    EXPECT_TRUE(EqualRgn(square, plain));
    // A small corner only trims the corners.
    UniqueRgn soft(CreateRoundRectRgn(0, 0, 20, 20, 6, 6));
    EXPECT_FALSE(PtInRegion(soft, 0, 0));
    EXPECT_TRUE(PtInRegion(soft, 10, 0));
    EXPECT_TRUE(PtInRegion(soft, 0, 10));
    EXPECT_FALSE(PtInRegion(soft, 19, 19));
}
