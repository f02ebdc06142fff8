#include "gdi_test_util.h"

#include <memory>

using namespace gdi_test;

namespace {

TColor Grey(int v) { return RGB(v, v, v); }

}  // namespace

TEST(Blit, EveryRopFollowsItsTruthTable)
{
    // Pattern F0, source CC, destination AA in every channel: the result of a ternary
    // ROP is then its own index byte.
    const DWORD rops[] = {SRCCOPY,   SRCPAINT,  SRCAND,   SRCINVERT, SRCERASE,  NOTSRCCOPY,
                          NOTSRCERASE, MERGECOPY, MERGEPAINT, PATCOPY, PATPAINT, PATINVERT,
                          DSTINVERT, BLACKNESS, WHITENESS};
    TBitmap src = Filled(3, 2, Grey(0xCC));
    for (DWORD rop : rops) {
        TBitmap dst = Filled(3, 2, Grey(0xAA));
        dst.Canvas().Brush.Color = Grey(0xF0);
        ASSERT_TRUE(dst.Canvas().BitBlt(0, 0, 3, 2, src.Canvas().Handle(), 0, 0, rop));
        const int code = int((rop >> 16) & 0xFF);
        EXPECT_EQ(dst.Canvas().Pixel(2, 1), Grey(code)) << std::hex << rop;
    }
    // The sprite compositing: mask AND then image OR.
    TBitmap work = Filled(2, 1, RGB(1, 2, 3));
    TBitmap mask(2, 1), image(2, 1);
    mask.Canvas().SetPixel(0, 0, clWhite), mask.Canvas().SetPixel(1, 0, clBlack);
    image.Canvas().SetPixel(0, 0, clBlack), image.Canvas().SetPixel(1, 0, RGB(200, 100, 50));
    work.Canvas().BitBlt(0, 0, 2, 1, &mask.Canvas(), 0, 0, SRCAND);
    work.Canvas().BitBlt(0, 0, 2, 1, &image.Canvas(), 0, 0, SRCPAINT);
    EXPECT_EQ(work.Canvas().Pixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(work.Canvas().Pixel(1, 0), RGB(200, 100, 50));
    // Without a source a source ROP fails; pattern ROPs need none.
    EXPECT_FALSE(work.Canvas().BitBlt(0, 0, 2, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(work.Canvas().PatBlt(0, 0, 1, 1, DSTINVERT));
    EXPECT_EQ(work.Canvas().Pixel(0, 0), RGB(254, 253, 252));
}

TEST(Blit, MonochromeBitmapsMapToBlackAndWhite)
{
    TBitmap mask(3, 1);
    mask.SetMonochrome(true);
    EXPECT_EQ(mask.PixelFormat(), pf1bit);
    mask.Canvas().SetPixel(0, 0, RGB(30, 30, 30));   // dark: 0
    mask.Canvas().SetPixel(1, 0, RGB(250, 240, 200));  // light: 1
    mask.Canvas().SetPixel(2, 0, clBlack);
    TBitmap colour = Filled(3, 1, clRed);
    colour.Canvas().BitBlt(0, 0, 3, 1, &mask.Canvas(), 0, 0, SRCCOPY);
    EXPECT_EQ(colour.Canvas().Pixel(0, 0), clBlack);
    EXPECT_EQ(colour.Canvas().Pixel(1, 0), clWhite);
    // Colour onto a mask: the source's background (brush) colour becomes 1.
    TBitmap picture(3, 1);
    picture.Canvas().SetPixel(0, 0, clLime);
    picture.Canvas().SetPixel(1, 0, clBlack);
    picture.Canvas().SetPixel(2, 0, clWhite);
    picture.Canvas().Brush.Color = clLime;
    mask.Canvas().BitBlt(0, 0, 3, 1, &picture.Canvas(), 0, 0, SRCCOPY);
    EXPECT_EQ(mask.Canvas().Pixel(0, 0), clWhite);
    EXPECT_EQ(mask.Canvas().Pixel(1, 0), clBlack);
    EXPECT_EQ(mask.Canvas().Pixel(2, 0), clBlack);
}

TEST(Blit, ClippedCopiesTouchOnlyTheClip)
{
    const TBitmap before = Filled(64, 48, clNavy);
    const TBitmap src = Pattern(64, 48);
    // A ring with narrow vertical bands through it: several band shapes at once.
    TRegion clip(CreateEllipticRgn(4, 4, 60, 44));
    TRegion hole(CreateEllipticRgn(20, 15, 44, 33));
    CombineRgn(clip, clip, hole, RGN_DIFF);
    for (int x = 0; x < 64; x += 6) {
        TRegion band(CreateRectRgn(x, 0, x + 3, 48));
        CombineRgn(clip, clip, band, RGN_XOR);
    }
    const QRegion allowed = Pixels(clip);
    TBitmap dst = before;
    auto clipped = std::make_unique<ClipScope>(dst.Canvas(), clip);
    EXPECT_EQ(clipped->Kind(), COMPLEXREGION);
    dst.Canvas().Draw(0, 0, src);
    EXPECT_EQ(ChangedOutside(before, dst, allowed), 0);
    for (const QRect& r : allowed)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                ASSERT_EQ(dst.Canvas().Pixel(x, y), PatternColor(x, y));
    // The same through a stretch, and through the AND of a second region.
    TBitmap stretched = before;
    const ClipScope outer(stretched.Canvas(), clip);
    TRegion half(CreateRectRgn(0, 0, 32, 48));
    const ClipScope inner(stretched.Canvas(), half, RGN_AND);
    stretched.Canvas().SetStretchMode(HALFTONE);
    stretched.Canvas().StretchBlt(0, 0, 64, 48, &src.Canvas(), 0, 0, 30, 20, SRCCOPY);
    EXPECT_EQ(ChangedOutside(before, stretched, allowed.intersected(QRect(0, 0, 32, 48))), 0);
    // The scope's end: the whole canvas again.
    clipped.reset();
    EXPECT_EQ(dst.Canvas().ClipRect(), Rect(0, 0, 64, 48));
    dst.Canvas().Draw(0, 0, src);
    EXPECT_EQ(dst.Canvas().Pixel(0, 0), PatternColor(0, 0));
}

TEST(Blit, CopiesOutsideEitherBitmapChangeNothingOutsideTheirRectangle)
{
    const TBitmap src = Pattern(16, 12);
    const TBitmap before = Filled(20, 14, clMaroon);
    struct Case {
        TRect dest, source;
    };
    const Case cases[] = {
        {Rect(-5, -3, 6, 4), Rect(-5, -3, 6, 4)},          // off the top-left of both
        {Rect(15, 10, 40, 30), Rect(10, 8, 35, 28)},       // off the bottom-right of both
        {Rect(2, 2, 12, 12), Rect(-20, -20, -10, -10)},    // source wholly outside
        {Rect(30, 30, 40, 40), Rect(0, 0, 10, 10)},        // destination wholly outside
        {Rect(8, 1, 7, 15), Rect(8, 1, 7, 15)},            // right left of left
        {Rect(4, 9, 10, 3), Rect(4, 9, 10, 3)},            // bottom above top
        {Rect(-100000, 0, 100000, 14), Rect(0, 0, 16, 12)},  // huge stretch
        {Rect(3, 3, 9, 9), Rect(14, 10, 30, 30)},          // source mostly outside, stretched
    };
    for (const Case& c : cases) {
        TBitmap dst = before;
        dst.Canvas().CopyRect(c.dest, src.Canvas(), c.source);
        const QRect span = QRect(QPoint(std::min(c.dest.Left, c.dest.Right), std::min(c.dest.Top, c.dest.Bottom)),
                                 QPoint(std::max(c.dest.Left, c.dest.Right) - 1,
                                        std::max(c.dest.Top, c.dest.Bottom) - 1));
        EXPECT_EQ(ChangedOutside(before, dst, QRegion(span)), 0)
            << c.dest.Left << "," << c.dest.Top << "," << c.dest.Right << "," << c.dest.Bottom;
    }
    // A reversed one-pixel column copies the column its edges span.
    TBitmap dst = before;
    dst.Canvas().CopyRect(Rect(8, 0, 7, 15), src.Canvas(), Rect(8, 0, 7, 15));
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(dst.Canvas().Pixel(7, y), PatternColor(7, y));
    EXPECT_EQ(dst.Canvas().Pixel(7, 12), clMaroon);  // no source there
    // Source partly outside: only the part that exists arrives.
    TBitmap part = before;
    part.Canvas().BitBlt(0, 0, 10, 10, &src.Canvas(), 12, 8, SRCCOPY);
    EXPECT_EQ(part.Canvas().Pixel(3, 3), PatternColor(15, 11));
    EXPECT_EQ(part.Canvas().Pixel(4, 3), clMaroon);
    EXPECT_EQ(part.Canvas().Pixel(3, 4), clMaroon);
}

TEST(Blit, NegativeExtentsMirror)
{
    const TBitmap src = Pattern(8, 6);
    auto mirrored = [&](int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
        TBitmap dst = Filled(8, 6, clBlack);
        dst.Canvas().StretchBlt(x, y, w, h, &src.Canvas(), sx, sy, sw, sh, SRCCOPY);
        return dst;
    };
    const TBitmap byDest = mirrored(8, 0, -8, 6, 0, 0, 8, 6);
    const TBitmap bySource = mirrored(0, 0, 8, 6, 8, 0, -8, 6);
    const TBitmap both = mirrored(8, 6, -8, -6, 8, 6, -8, -6);
    const TBitmap upsideDown = mirrored(0, 6, 8, -6, 0, 0, 8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(byDest.Canvas().Pixel(x, y), PatternColor(7 - x, y));
            ASSERT_EQ(bySource.Canvas().Pixel(x, y), PatternColor(7 - x, y));
            ASSERT_EQ(both.Canvas().Pixel(x, y), PatternColor(x, y));
            ASSERT_EQ(upsideDown.Canvas().Pixel(x, y), PatternColor(x, 5 - y));
        }
    // A rolling strip: source left 6 with width -3 is columns 3..5, flipped, at x 1.
    const TBitmap strip = mirrored(1, 0, 3, 6, 6, 0, -3, 6);
    EXPECT_EQ(strip.Canvas().Pixel(1, 2), PatternColor(5, 2));
    EXPECT_EQ(strip.Canvas().Pixel(3, 2), PatternColor(3, 2));
    EXPECT_EQ(strip.Canvas().Pixel(0, 2), clBlack);
    EXPECT_EQ(strip.Canvas().Pixel(4, 2), clBlack);
    // Mirroring with halftone at equal size is the same flip.
    TBitmap half = Filled(8, 6, clBlack);
    half.Canvas().SetStretchMode(HALFTONE);
    half.Canvas().StretchBlt(8, 0, -8, 6, &src.Canvas(), 0, 0, 8, 6, SRCCOPY);
    EXPECT_EQ(half.Canvas().Pixel(0, 3), PatternColor(7, 3));
}

TEST(Blit, StretchModes)
{
    // Nearest: each source pixel becomes a 2 x 2 block.
    const TBitmap src = Pattern(3, 2);
    TBitmap big(6, 4);
    big.Canvas().StretchBlt(0, 0, 6, 4, &src.Canvas(), 0, 0, 3, 2, SRCCOPY);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(big.Canvas().Pixel(x, y), PatternColor(x / 2, y / 2));
    // Enlarged through a circle: rows from one source row are visible over other spans.
    const TBitmap five = Pattern(5, 4);
    TBitmap round = Filled(40, 32, clBlack);
    TRegion circle(CreateEllipticRgn(0, 0, 40, 32));
    {
        const ClipScope inside(round.Canvas(), circle);
        round.Canvas().StretchBlt(0, 0, 40, 32, &five.Canvas(), 0, 0, 5, 4, SRCCOPY);
    }
    const QRegion visible = Pixels(circle);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(round.Canvas().Pixel(x, y), visible.contains(QPoint(x, y)) ? PatternColor(x / 8, y / 8) : clBlack)
                << x << "," << y;

    // Halftone of a 2 x 2 checker to one pixel: the average.
    TBitmap checker(2, 2);
    checker.Canvas().SetPixel(0, 0, clBlack), checker.Canvas().SetPixel(1, 1, clBlack);
    checker.Canvas().SetPixel(1, 0, clWhite), checker.Canvas().SetPixel(0, 1, clWhite);
    TBitmap one(1, 1);
    EXPECT_EQ(one.Canvas().SetStretchMode(HALFTONE), COLORONCOLOR);
    one.Canvas().StretchBlt(0, 0, 1, 1, &checker.Canvas(), 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(one.Canvas().Pixel(0, 0), Grey(128));

    // Halftone shrink by 3: every output pixel is its block's mean, also for a
    // fractional ratio the weights cover each source pixel once.
    TBitmap blocks(6, 3);
    const int values[6] = {0, 30, 60, 90, 120, 150};
    for (int x = 0; x < 6; ++x)
        for (int y = 0; y < 3; ++y)
            blocks.Canvas().SetPixel(x, y, RGB(values[x], 255 - values[x], y * 10));
    TBitmap small(2, 1);
    small.Canvas().SetStretchMode(HALFTONE);
    small.Canvas().StretchBlt(0, 0, 2, 1, &blocks.Canvas(), 0, 0, 6, 3, SRCCOPY);
    EXPECT_EQ(small.Canvas().Pixel(0, 0), RGB(30, 225, 10));
    EXPECT_EQ(small.Canvas().Pixel(1, 0), RGB(120, 135, 10));
    TBitmap quarter(4, 1);
    quarter.Canvas().SetStretchMode(HALFTONE);
    quarter.Canvas().StretchBlt(0, 0, 4, 1, &blocks.Canvas(), 0, 0, 6, 1, SRCCOPY);
    EXPECT_EQ(GetRValue(quarter.Canvas().Pixel(0, 0)), 10);  // (0 + 30 / 2) / 1.5
    EXPECT_EQ(GetRValue(quarter.Canvas().Pixel(1, 0)), 50);  // (30 / 2 + 60) / 1.5

    // Halftone enlarge is smooth: a two-pixel ramp grows monotonic, ends kept.
    TBitmap ramp(2, 1);
    ramp.Canvas().SetPixel(0, 0, Grey(0)), ramp.Canvas().SetPixel(1, 0, Grey(200));
    TBitmap wide(8, 1);
    wide.Canvas().SetStretchMode(HALFTONE);
    wide.Canvas().StretchBlt(0, 0, 8, 1, &ramp.Canvas(), 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(wide.Canvas().Pixel(0, 0), Grey(0));
    EXPECT_EQ(wide.Canvas().Pixel(7, 0), Grey(200));
    for (int x = 1; x < 8; ++x)
        EXPECT_GE(GetRValue(wide.Canvas().Pixel(x, 0)), GetRValue(wide.Canvas().Pixel(x - 1, 0)));
    EXPECT_GT(GetRValue(wide.Canvas().Pixel(4, 0)), 0);
    EXPECT_LT(GetRValue(wide.Canvas().Pixel(3, 0)), 200);

    // Shrinking one axis while enlarging the other: averages across, copies down.
    TBitmap mixed(2, 3);
    mixed.Canvas().SetStretchMode(HALFTONE);
    mixed.Canvas().StretchBlt(0, 0, 2, 3, &blocks.Canvas(), 0, 0, 4, 1, SRCCOPY);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(mixed.Canvas().Pixel(0, y), RGB(15, 240, 0));
        EXPECT_EQ(mixed.Canvas().Pixel(1, y), RGB(75, 180, 0));
    }

    // Halftone with SRCAND, as the preview's logo is laid on its picture.
    TBitmap under = Filled(1, 1, Grey(0xF0));
    under.Canvas().SetStretchMode(HALFTONE);
    under.Canvas().StretchBlt(0, 0, 1, 1, &checker.Canvas(), 0, 0, 2, 2, SRCAND);
    EXPECT_EQ(under.Canvas().Pixel(0, 0), Grey(0x80 & 0xF0));
}

TEST(Blit, OverlappingCopiesOnOneCanvasReadTheOldPixels)
{
    TBitmap b = Pattern(10, 8);
    b.Canvas().BitBlt(1, 1, 9, 7, &b.Canvas(), 0, 0, SRCCOPY);
    for (int y = 1; y < 8; ++y)
        for (int x = 1; x < 10; ++x)
            ASSERT_EQ(b.Canvas().Pixel(x, y), PatternColor(x - 1, y - 1));
    EXPECT_EQ(b.Canvas().Pixel(0, 0), PatternColor(0, 0));
}

TEST(Blit, AMaskBuiltFromATransparentColourCutsTheSprite)
{
    // Mask from the colour (white where transparent), then transparent pixels blackened.
    const TColor key = RGB(255, 0, 255);
    TBitmap image(3, 1);
    image.Canvas().SetPixel(0, 0, key);
    image.Canvas().SetPixel(1, 0, clRed);
    image.Canvas().SetPixel(2, 0, key);
    TBitmap mask(3, 1);
    mask.SetMonochrome(true);
    image.Canvas().Brush.Color = key;
    mask.Canvas().Draw(0, 0, image);
    image.Canvas().BitBlt(0, 0, 3, 1, &mask.Canvas(), 0, 0, 0x00220326);
    EXPECT_EQ(image.Canvas().Pixel(0, 0), clBlack);
    EXPECT_EQ(image.Canvas().Pixel(1, 0), clRed);
    TBitmap work = Filled(3, 1, clGreen);
    work.Canvas().BitBlt(0, 0, 3, 1, &mask.Canvas(), 0, 0, SRCAND);
    work.Canvas().BitBlt(0, 0, 3, 1, &image.Canvas(), 0, 0, SRCPAINT);
    EXPECT_EQ(work.Canvas().Pixel(0, 0), clGreen);
    EXPECT_EQ(work.Canvas().Pixel(1, 0), clRed);
    EXPECT_EQ(work.Canvas().Pixel(2, 0), clGreen);
}
