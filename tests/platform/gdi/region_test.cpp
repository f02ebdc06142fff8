#include "gdi_test_util.h"

#include <climits>
#include <cmath>
#include <stdexcept>

using namespace gdi_test;

namespace {

long long Area(const TRegion& r) { return gdi_test::Area(r.ToQRegion()); }
bool Contains(const TRegion& r, int x, int y) { return r.ToQRegion().contains(QPoint(x, y)); }

}  // namespace

TEST(Region, CombinationsConserveAreaWhicheverSourceIsTheDestination)
{
    const TRegion a = CreateEllipticRgn(0, 0, 40, 30);
    const TRegion b = CreateRoundRectRgn(15, 10, 60, 50, 20, 12);
    TRegion u, i, x, d;
    EXPECT_EQ(CombineRgn(u, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_EQ(CombineRgn(i, a, b, RGN_AND), COMPLEXREGION);
    CombineRgn(x, a, b, RGN_XOR);
    CombineRgn(d, a, b, RGN_DIFF);
    ASSERT_GT(Area(i), 0);
    EXPECT_EQ(Area(u), Area(a) + Area(b) - Area(i));
    EXPECT_EQ(Area(x), Area(u) - Area(i));
    EXPECT_EQ(Area(d), Area(a) - Area(i));
    // In place, as effects grow a holder: dest is the first source, or the second.
    for (int mode : {RGN_OR, RGN_AND, RGN_XOR, RGN_DIFF}) {
        TRegion first = a, second = b, apart;
        CombineRgn(apart, a, b, mode);
        EXPECT_EQ(CombineRgn(first, first, b, mode), apart.Kind()) << mode;
        EXPECT_EQ(first, apart) << mode;
        CombineRgn(second, a, second, mode);
        EXPECT_EQ(second, apart) << mode;
    }
    TRegion self = a;
    CombineRgn(self, self, self, RGN_OR);
    EXPECT_EQ(self, a);
    CombineRgn(self, self, self, RGN_XOR);
    EXPECT_TRUE(self.IsEmpty());
    CombineRgn(d, u, TRegion(), RGN_COPY);
    EXPECT_EQ(d, u);
    // A mode that is not one leaves the destination as it was.
    EXPECT_EQ(CombineRgn(d, a, b, 99), RGN_ERROR);
    EXPECT_EQ(d, u);
    const TPoint triangle[] = {{0, 0}, {5, 0}, {0, 5}};
    EXPECT_THROW(CreatePolygonRgn(triangle, 3, 7), std::invalid_argument);
}

TEST(Region, UnitingIntoAnEmptyRegionTakesThePart)
{
    TRegion built;
    EXPECT_TRUE(built.IsEmpty());
    EXPECT_EQ(built.Kind(), NULLREGION);
    UniteInto(built, CreateRectRgn(0, 0, 4, 2));
    EXPECT_EQ(built, CreateRectRgn(0, 0, 4, 2));
    UniteInto(built, CreateRectRgn(2, 1, 6, 5));
    EXPECT_EQ(Area(built), 8 + 16 - 2);
    // Rectangles that together make one are one rectangle.
    UniteInto(built, CreateRectRgn(0, 2, 2, 5));
    UniteInto(built, CreateRectRgn(4, 0, 6, 1));
    EXPECT_EQ(built.Kind(), SIMPLEREGION);
    EXPECT_EQ(built, CreateRectRgn(0, 0, 6, 5));
}

TEST(Region, RectanglesAreNormalisedAndFarCoordinatesKept)
{
    const TRegion r = CreateRectRgn(10, 8, 2, 3);  // right left of left, bottom above top
    EXPECT_EQ(r.Kind(), SIMPLEREGION);
    EXPECT_EQ(r.ToQRegion().boundingRect(), QRect(2, 3, 8, 5));
    EXPECT_TRUE(Contains(r, 2, 3));
    EXPECT_FALSE(Contains(r, 10, 5));  // right edge excluded
    EXPECT_EQ(CreateRectRgnIndirect(Rect(2, 3, 10, 8)), r);
    EXPECT_TRUE(CreateRectRgn(5, 5, 5, 9).IsEmpty());
    EXPECT_EQ(CreateRectRgn(5, 5, 5, 9), TRegion());
    // Coordinates far outside any surface (rounded fronts start at -(2W + X)).
    const TRegion far = CreateRoundRectRgn(-5000, -3, 40, 50, 4000, 4000);
    EXPECT_TRUE(Contains(far, 20, 20));
    const TRegion huge = CreateRectRgn(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(huge.Kind(), SIMPLEREGION);
    EXPECT_TRUE(Contains(huge, -100000, 100000));
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
    TRegion alt(CreatePolygonRgn(star.data(), 5, ALTERNATE));
    TRegion wind(CreatePolygonRgn(star.data(), 5, WINDING));
    EXPECT_FALSE(Contains(alt, 50, 50));
    EXPECT_TRUE(Contains(wind, 50, 50));
    // The points of the star belong to both.
    EXPECT_TRUE(Contains(alt, 50, 10));
    EXPECT_TRUE(Contains(wind, 50, 10));
    TRegion diff;
    CombineRgn(diff, wind, alt, RGN_DIFF);
    EXPECT_GT(Area(diff), 200);  // the pentagon
    TRegion back;
    CombineRgn(back, alt, wind, RGN_DIFF);
    EXPECT_EQ(Area(back), 0);
}

TEST(Region, PolygonsTakePixelsWhoseCentreIsInside)
{
    // Axis-aligned quad: exactly the rectangle.
    const TPoint quad[] = {{2, 1}, {9, 1}, {9, 6}, {2, 6}};
    TRegion q(CreatePolygonRgn(quad, 4, WINDING));
    TRegion rect(CreateRectRgn(2, 1, 9, 6));
    EXPECT_TRUE(q == rect);
    // Right triangle with legs 10: row y holds the 9 - y pixels whose centres lie left
    // of the hypotenuse.
    const TPoint tri[] = {{0, 0}, {10, 0}, {0, 10}};
    TRegion t(CreatePolygonRgn(tri, 3, WINDING));
    EXPECT_TRUE(Contains(t, 0, 0));
    EXPECT_TRUE(Contains(t, 8, 0));
    EXPECT_FALSE(Contains(t, 9, 1));
    EXPECT_EQ(Area(t), 45);
    // Degenerate (all points on a line): nothing.
    const TPoint flat[] = {{0, 0}, {0, 0}, {0, 10}};
    TRegion f(CreatePolygonRgn(flat, 3, WINDING));
    EXPECT_EQ(Area(f), 0);
}

TEST(Region, EllipsesAreSymmetricAndRoundRectsClampTheirCorners)
{
    TRegion e(CreateEllipticRgn(0, 0, 41, 25));
    const QRegion px = e.ToQRegion();
    const double exact = std::acos(-1.0) * 20.5 * 12.5;
    EXPECT_NEAR(double(gdi_test::Area(px)), exact, exact * 0.03);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 41; ++x)
            ASSERT_EQ(px.contains(QPoint(x, y)), px.contains(QPoint(40 - x, 24 - y))) << x << "," << y;
    // A corner ellipse larger than the rectangle is clamped to it: an ellipse.
    TRegion rr(CreateRoundRectRgn(0, 0, 41, 25, 500, 300));
    EXPECT_TRUE(rr == e);
    // No corner: the rectangle.
    TRegion square(CreateRoundRectRgn(3, 3, 9, 9, 0, 0));
    TRegion plain(CreateRectRgn(3, 3, 9, 9));
    EXPECT_TRUE(square == plain);
    // A small corner only trims the corners.
    TRegion soft(CreateRoundRectRgn(0, 0, 20, 20, 6, 6));
    EXPECT_FALSE(Contains(soft, 0, 0));
    EXPECT_TRUE(Contains(soft, 10, 0));
    EXPECT_TRUE(Contains(soft, 0, 10));
    EXPECT_FALSE(Contains(soft, 19, 19));
}
