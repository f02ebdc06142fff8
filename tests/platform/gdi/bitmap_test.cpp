#include "gdi_test_util.h"

#include "platform/gdi/window_canvas.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <utility>
#include <vector>

using namespace gdi_test;

namespace {

void put16(QByteArray& d, int at, uint32_t v)
{
    d[at] = char(v & 0xFF);
    d[at + 1] = char((v >> 8) & 0xFF);
}

void put32(QByteArray& d, int at, uint32_t v)
{
    put16(d, at, v & 0xFFFF);
    put16(d, at + 2, v >> 16);
}

// A 24-bit bottom-up (or top-down with negative height) file; pixel (x, y) is
// (r = 40x, g = 50y, b = 7).
QByteArray Bmp24(int w, int h, bool topDown = false)
{
    const int row = ((w * 24 + 31) / 32) * 4;
    QByteArray d(54 + row * h, '\0');
    d[0] = 'B', d[1] = 'M';
    put32(d, 2, uint32_t(d.size()));
    put32(d, 10, 54);
    put32(d, 14, 40);
    put32(d, 18, uint32_t(w));
    put32(d, 22, uint32_t(topDown ? -h : h));
    put16(d, 26, 1);
    put16(d, 28, 24);
    for (int y = 0; y < h; ++y) {
        const int fileRow = topDown ? y : h - 1 - y;
        for (int x = 0; x < w; ++x) {
            const int at = 54 + fileRow * row + x * 3;
            d[at] = char(7), d[at + 1] = char(50 * y), d[at + 2] = char(40 * x);
        }
    }
    return d;
}

std::string WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& data)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
    return path.toStdString();
}

std::string LoadError(const QByteArray& data, const std::string& name = "x.bmp")
{
    TBitmap b;
    try {
        b.LoadFromBytes(data, name);
    } catch (const BitmapFileError& e) {
        EXPECT_EQ(e.File(), name);
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos);
        return e.Reason();
    }
    return {};
}

}  // namespace

TEST(BitmapFile, ReadsWindowsBitmapsWhateverTheirName)
{
    QTemporaryDir dir;
    for (bool topDown : {false, true}) {
        TBitmap b;
        b.LoadFromFile(WriteFile(dir, "photo.jpeg", Bmp24(3, 2, topDown)));
        ASSERT_EQ(b.Width(), 3);
        ASSERT_EQ(b.Height(), 2);
        EXPECT_EQ(b.PixelFormat(), pf24bit);
        EXPECT_EQ(b.Canvas().Pixel(2, 1), RGB(80, 50, 7));
        EXPECT_EQ(b.Canvas().Pixel(0, 0), RGB(0, 0, 7));
    }
    // Palette and 32-bit files through Qt's writer, alpha ignored.
    QImage indexed(5, 4, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    indexed.fill(1);
    indexed.setPixel(4, 3, 0);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(indexed.save(&buf, "BMP"));
    TBitmap b;
    b.LoadFromBytes(bytes, "palette.bmp");
    EXPECT_EQ(b.Canvas().Pixel(0, 0), clBlue);
    EXPECT_EQ(b.Canvas().Pixel(4, 3), clRed);
    // Round trip through SaveToFile.
    const std::string saved = dir.filePath("again.bmp").toStdString();
    b.SaveToFile(saved);
    TBitmap again;
    again.LoadFromFile(saved);
    EXPECT_EQ(again.Canvas().Pixel(4, 3), clRed);
}

TEST(BitmapFile, RefusesAnythingElseNamingTheFile)
{
    QTemporaryDir dir;
    QImage png(4, 4, QImage::Format_RGB32);
    png.fill(Qt::red);
    const QString pngPath = dir.filePath("disguised.bmp");
    ASSERT_TRUE(png.save(pngPath, "PNG"));
    TBitmap b;
    try {
        b.LoadFromFile(pngPath.toStdString());
        FAIL() << "a PNG was read as a bitmap";
    } catch (const BitmapFileError& e) {
        EXPECT_NE(std::string(e.what()).find("disguised.bmp"), std::string::npos);
    }
    EXPECT_THROW(b.LoadFromFile(dir.filePath("missing.bmp").toStdString()), BitmapFileError);
    EXPECT_THROW(b.LoadFromFile(WriteFile(dir, "empty.bmp", {})), BitmapFileError);

    EXPECT_EQ(LoadError("just some text"), "ce n'est pas un fichier bitmap");
    const QByteArray good = Bmp24(3, 2);
    EXPECT_TRUE(LoadError(good).empty());
    EXPECT_EQ(LoadError(good.left(30)), "en-tête tronqué");
    EXPECT_EQ(LoadError(good.left(good.size() - 1)), "fichier tronqué");

    QByteArray huge = good;  // 30000 x 30000 in a 72-byte file
    put32(huge, 18, 30000);
    put32(huge, 22, 30000);
    EXPECT_EQ(LoadError(huge).rfind("dimensions trop grandes", 0), 0u);
    put32(huge, 18, 0x7FFFFFFF);
    EXPECT_EQ(LoadError(huge).rfind("dimensions trop grandes", 0), 0u);
    QByteArray negative = good;
    put32(negative, 18, uint32_t(-3));
    EXPECT_EQ(LoadError(negative), "dimensions nulles");
    QByteArray depth = good;
    put16(depth, 28, 7);
    EXPECT_EQ(LoadError(depth), "profondeur de couleur invalide");
    QByteArray jpegInside = good;
    put32(jpegInside, 30, 4);
    EXPECT_EQ(LoadError(jpegInside), "compression non prise en charge");
    QByteArray offset = good;
    put32(offset, 10, 0xFFFFFFF0);
    EXPECT_EQ(LoadError(offset), "données des pixels absentes");
    QByteArray header = good;
    put32(header, 14, 1000);
    EXPECT_EQ(LoadError(header), "en-tête de format inconnu");
    // The bitmap keeps what it had when a load fails.
    TBitmap kept = Pattern(2, 2);
    EXPECT_THROW(kept.LoadFromBytes(huge, "h.bmp"), BitmapFileError);
    EXPECT_EQ(kept.Canvas().Pixel(1, 1), PatternColor(1, 1));
}

TEST(Bitmap, LiveCountFollowsEveryWayOfMakingAndEndingOne)
{
    const size_t live = LiveBitmapCount();
    {
        TBitmap a;
        TBitmap b(8, 6);
        TBitmap c = b;
        TBitmap d = std::move(c);  // the moved-from bitmap lives on until its scope ends
        TBitmap e = TBitmap::FromImage(QImage(3, 3, QImage::Format_ARGB32));
        EXPECT_EQ(LiveBitmapCount(), live + 5);
        a = b;
        c = std::move(d);
        EXPECT_EQ(LiveBitmapCount(), live + 5);
        std::vector<TBitmap> grown(3);
        grown.resize(40);  // reallocation moves them all
        EXPECT_EQ(LiveBitmapCount(), live + 45);
    }
    EXPECT_EQ(LiveBitmapCount(), live);
    // A size refused in the constructor leaves no count behind.
    EXPECT_THROW(TBitmap(kMaxBitmapSide + 1, 2), GdiOutOfResources);
    EXPECT_EQ(LiveBitmapCount(), live);
}

TEST(Bitmap, LargeBitmapsCopyAndShareTheirPixelsAsSmallOnesDo)
{
    // Past the size whose pixels lie in memory of their own kind.
    TBitmap a(2000, 1500);
    a.Canvas().Brush.Color = clRed;
    a.Canvas().FillRect(Rect(100, 200, 1900, 1400));
    TBitmap b = a, c;
    c = a;
    b.Canvas().SetPixel(150, 250, clBlue);
    EXPECT_EQ(a.Canvas().Pixel(150, 250), clRed);
    EXPECT_EQ(c.Canvas().Pixel(150, 250), clRed);
    EXPECT_EQ(b.Canvas().Pixel(1899, 1399), clRed);
    EXPECT_EQ(b.Canvas().Pixel(0, 0), clWhite);
    // A shallow copy of the surface keeps the pixels after the bitmap has gone.
    QImage kept;
    {
        TBitmap d = a;
        kept = d.Canvas().Surface();
    }
    EXPECT_EQ(kept.pixel(150, 250) & 0xFFFFFF, 0xFF0000u);
    TWindowCanvas window(2000, 1500);
    window.Draw(0, 0, a);
    EXPECT_EQ(window.Pixel(1899, 1399), clRed);
}

TEST(Bitmap, ImagesTakenOverOrCopiedComeOutOpaque)
{
    // An image in the bitmap's own format is taken over: same pixels, no copy, and the
    // bitmap's writes do not reach another holder of the image.
    QImage opaque(4, 3, QImage::Format_RGB32);
    opaque.fill(qRgb(10, 20, 30));
    const QImage held = opaque;
    const uchar* bits = opaque.constBits();
    TBitmap taken = TBitmap::AdoptOpaque(std::move(opaque));
    EXPECT_TRUE(opaque.isNull());
    EXPECT_EQ(taken.Image().constBits(), bits);
    EXPECT_EQ(taken.Canvas().Pixel(3, 2), RGB(10, 20, 30));
    taken.Canvas().SetPixel(0, 0, clRed);
    EXPECT_EQ(held.pixel(0, 0), qRgb(10, 20, 30));

    // Anything else is converted, colours kept whatever their alpha, every pixel opaque.
    QImage translucent(2, 1, QImage::Format_ARGB32);
    translucent.setPixel(0, 0, qRgba(200, 100, 50, 0));
    translucent.setPixel(1, 0, qRgba(1, 2, 3, 128));
    QImage rgb32WithAlphaBytes(2, 1, QImage::Format_RGB32);
    reinterpret_cast<uint32_t*>(rgb32WithAlphaBytes.scanLine(0))[0] = 0x00C86432;
    reinterpret_cast<uint32_t*>(rgb32WithAlphaBytes.scanLine(0))[1] = 0x7F010203;
    for (TBitmap b : {TBitmap::AdoptOpaque(QImage(translucent)), TBitmap::FromImage(translucent),
                      TBitmap::FromImage(rgb32WithAlphaBytes)}) {
        ASSERT_EQ(b.Width(), 2);
        EXPECT_EQ(b.ScanLine(0)[0], 0xFFC86432u);
        EXPECT_EQ(b.ScanLine(0)[1], 0xFF010203u);
    }
    EXPECT_THROW(TBitmap::AdoptOpaque(QImage(kMaxBitmapSide + 1, 1, QImage::Format_RGB32)), GdiOutOfResources);
}

TEST(Bitmap, WidthThenHeightOnAnEmptyBitmapMakesBoth)
{
    TBitmap b;
    b.SetWidth(5);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_TRUE(b.Empty());
    b.SetHeight(3);
    ASSERT_EQ(b.Width(), 5);
    ASSERT_EQ(b.Height(), 3);
    EXPECT_EQ(b.Canvas().Width(), 5);
    EXPECT_EQ(b.Canvas().Pixel(4, 2), clWhite);
    // A copy, a move and a shrink to nothing keep the sides as set.
    TBitmap tall;
    tall.SetHeight(9);
    TBitmap copy = tall;
    TBitmap moved = std::move(tall);
    EXPECT_EQ(copy.Height(), 9);
    EXPECT_EQ(moved.Height(), 9);
    EXPECT_EQ(tall.Height(), 0);
    b.SetHeight(0);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_TRUE(b.Empty());
}
