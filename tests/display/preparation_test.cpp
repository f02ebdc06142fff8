#include "display/jpeg_decoder.h"
#include "display/picture_preparation.h"

#include "settings/settings.h"

#include "platform/gdi/bitmap.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace platform;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

constexpr TColor kBack = 0x00123456;
constexpr TColor kPicture = 0x0000FF00;

LoadedPicture solid(int w, int h, TColor colour = kPicture)
{
    LoadedPicture p;
    p.bitmap = TBitmap(w, h);
    p.bitmap.Canvas().Brush.Color = colour;
    p.bitmap.Canvas().FillRect(Rect(0, 0, w, h));
    p.width = w;
    p.height = h;
    return p;
}

TColor at(const TBitmap& b, int x, int y)
{
    return b.Canvas().Pixel(x, y);
}

class Preparation : public ::testing::Test {
protected:
    Preparation()
    {
        input.backColor = kBack;
        input.screen = QSize(1024, 768);
    }
    PreparationInput input;
};

std::string jpegFile(const TempDir& dir, const std::string& name, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(200, 100, 50));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(image);
    WriteFile(dir.file(name), bytes.toStdString());
    return dir.file(name);
}

}  // namespace

TEST(ShrinkTarget, RatioBranchesAndRounding)
{
    EXPECT_EQ(ShrinkTarget(1600, 1200, 1024, 768), Bounds(0, 0, 1024, 768));   // equal ratios: width branch
    EXPECT_EQ(ShrinkTarget(2000, 500, 1024, 768), Bounds(0, 256, 1024, 256));  // h = 256, top = 256
    EXPECT_EQ(ShrinkTarget(500, 2000, 1024, 768), Bounds(416, 0, 192, 768));   // w = 192, left = 416
    EXPECT_EQ(ShrinkTarget(3000, 2001, 1024, 768), Bounds(0, 42, 1024, 683));  // 683.008 rounds down
    EXPECT_EQ(ShrinkTarget(1025, 1000, 1024, 768), Bounds(118, 0, 787, 768));  // 787.2
    EXPECT_EQ(ShrinkTarget(3, 2, 2, 2), Bounds(0, 0, 2, 1));                   // 1.33 rounds to 1
    EXPECT_EQ(ShrinkTarget(4, 3, 2, 2), Bounds(0, 0, 2, 2));                   // 1.5 rounds up
}

TEST_F(Preparation, LargePicturesAreShrunkOntoTheBackground)
{
    PreparedPicture p = PrepareFullScreen(solid(2000, 500), input);
    ASSERT_EQ(p.bitmap.Width(), 1024);
    ASSERT_EQ(p.bitmap.Height(), 768);
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(p.Y, 0);
    EXPECT_EQ(at(p.bitmap, 500, 255), kBack);
    EXPECT_EQ(at(p.bitmap, 500, 256), kPicture);
    EXPECT_EQ(at(p.bitmap, 500, 511), kPicture);
    EXPECT_EQ(at(p.bitmap, 500, 512), kBack);

    p = PrepareFullScreen(solid(1600, 1200), input);
    EXPECT_EQ(at(p.bitmap, 0, 0), kPicture);
    EXPECT_EQ(at(p.bitmap, 1023, 767), kPicture);
}

TEST_F(Preparation, PlacementCentredComposedRandomOrStretched)
{
    // Composed on a full screen: the picture sits centred on the background, placed at 0, 0.
    PreparedPicture p = PrepareFullScreen(solid(1024, 768), input);
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(p.Y, 0);
    p = PrepareFullScreen(solid(100, 50), input);
    EXPECT_EQ(p.bitmap.Width(), 1024);
    EXPECT_EQ(at(p.bitmap, 462, 358), kBack);
    EXPECT_EQ(at(p.bitmap, 461, 359), kBack);
    EXPECT_EQ(at(p.bitmap, 462, 359), kPicture);  // (1024 - 100) / 2, (768 - 50) / 2
    EXPECT_EQ(at(p.bitmap, 561, 408), kPicture);
    EXPECT_EQ(at(p.bitmap, 562, 408), kBack);

    input.transition = false;
    p = PrepareFullScreen(solid(101, 51), input);
    EXPECT_EQ(p.bitmap.Width(), 101);
    EXPECT_EQ(p.X, 461);
    EXPECT_EQ(p.Y, 358);

    input.centre = false;
    for (int i = 0; i < 20; ++i) {
        p = PrepareFullScreen(solid(1024, 300), input);
        EXPECT_EQ(p.X, 0);  // as wide as the screen: only the height is left to chance
        EXPECT_GE(p.Y, 0);
        EXPECT_LT(p.Y, 468);
    }

    input.ajuster = true;
    p = PrepareFullScreen(solid(10, 10), input);
    EXPECT_EQ(p.bitmap.Width(), 1024);
    EXPECT_EQ(p.bitmap.Height(), 768);
    EXPECT_EQ(at(p.bitmap, 1023, 767), kPicture);
    EXPECT_EQ(p.X + p.Y, 0);
}

TEST_F(Preparation, ComposingForATransitionGivesThePictureOnTheBackground)
{
    // Shrunk, screen-sized and smaller pictures of varied pixels: the prepared bitmap is
    // the screen's background with the picture drawn where it would stand without
    // transitions, pixel for pixel.
    auto varied = [](int w, int h) {
        LoadedPicture p = solid(w, h);
        for (int y = 0; y < h; ++y) {
            uint32_t* row = p.bitmap.ScanLine(y);
            for (int x = 0; x < w; ++x)
                row[x] = 0xFF000000u | ((static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u)) >> 8;
        }
        return p;
    };
    for (const QSize size : {QSize(3000, 1000), QSize(1500, 2000), QSize(1024, 768), QSize(1000, 700)}) {
        input.transition = false;
        const PreparedPicture placed = PrepareFullScreen(varied(size.width(), size.height()), input);
        TBitmap expected(1024, 768);
        expected.Canvas().Brush.Color = kBack;
        expected.Canvas().FillRect(Rect(0, 0, 1024, 768));
        expected.Canvas().Draw(placed.X, placed.Y, placed.bitmap);

        input.transition = true;
        const PreparedPicture composed = PrepareFullScreen(varied(size.width(), size.height()), input);
        EXPECT_EQ(composed.X, 0);
        EXPECT_EQ(composed.Y, 0);
        ASSERT_EQ(composed.bitmap.Width(), 1024) << size.width();
        ASSERT_EQ(composed.bitmap.Height(), 768);
        EXPECT_EQ(composed.bitmap.Image(), expected.Image()) << size.width() << " x " << size.height();
    }
}

TEST_F(Preparation, PreviewFillsTheBoxAndClearsItsMargin)
{
    TBitmap target(300, 200);
    input.previewMode = true;
    input.boxLeft = 20;
    input.boxTop = 30;
    input.boxWidth = 160;
    input.boxHeight = 120;
    input.target = &target.Canvas();
    PreparedPicture p = PreparePreview(solid(40, 30), input);
    EXPECT_EQ(p.bitmap.Width(), 160);
    EXPECT_EQ(p.bitmap.Height(), 120);
    EXPECT_EQ(at(p.bitmap, 159, 119), kPicture);  // a small picture fills the whole box
    EXPECT_EQ(p.X, 20);
    EXPECT_EQ(p.Y, 30);
    EXPECT_EQ(at(target, 18, 28), kBack);
    EXPECT_EQ(at(target, 181, 151), kBack);
    EXPECT_EQ(at(target, 17, 28), clWhite);
    EXPECT_EQ(at(target, 182, 152), clWhite);

    p = PreparePreview(solid(1600, 400), input);  // shrunk keeping proportions: 160 × 40
    EXPECT_EQ(p.bitmap.Height(), 120);
    EXPECT_EQ(at(p.bitmap, 80, 39), kBack);
    EXPECT_EQ(at(p.bitmap, 80, 40), kPicture);
    EXPECT_EQ(at(p.bitmap, 80, 79), kPicture);
    EXPECT_EQ(at(p.bitmap, 80, 80), kBack);
}

TEST(Trim, CutsToWholeSteps)
{
    TBitmap b(1023, 767);
    TrimToSteps(b, 4);
    EXPECT_EQ(b.Width(), 1020);
    EXPECT_EQ(b.Height(), 764);
    TBitmap c(1024, 768);
    TrimToSteps(c, 4);
    EXPECT_EQ(c.Width(), 1024);
    TSettings s{TSettings::DefaultsOnly{}};
    s.TailleEffet = 0;  // as a hand-edited registry may hold
    TrimToSteps(c, s.ClampedTailleEffet());
    EXPECT_EQ(c.Height(), 768);
}

TEST(LoadPicture, TheContentChoosesTheDecoder)
{
    TempDir dir;
    for (const char* name : {"a.JPG", "b.jpg", "c.Jpg", "d.jpeg", "e.jfif", "f.bmp", "g"}) {
        const LoadedPicture p = LoadPicture(jpegFile(dir, name, 64, 48), QSize(), false);
        EXPECT_EQ(p.bitmap.Width(), 64) << name;
        EXPECT_EQ(p.width, 64);
    }
    // A bitmap named as a JPEG is read as the bitmap it is.
    QImage bitmap(5, 3, QImage::Format_RGB32);
    bitmap.fill(qRgb(10, 20, 30));
    ASSERT_TRUE(bitmap.save(QString::fromStdString(dir.file("bitmap.jpg")), "BMP"));
    EXPECT_EQ(LoadPicture(dir.file("bitmap.jpg"), QSize(), false).bitmap.ScanLine(1)[2], qRgb(10, 20, 30));
    // A large JPEG to be shrunk is decoded at a reduced scale, its own size kept for the geometry.
    const LoadedPicture big = LoadPicture(jpegFile(dir, "big.jpg", 4000, 3000), QSize(1024, 768), false);
    EXPECT_EQ(big.width, 4000);
    EXPECT_EQ(big.height, 3000);
    EXPECT_EQ(big.bitmap.Width(), 2000);  // 3/8 is the least scale still 1024 wide, decoded as 4/8
    EXPECT_THROW(LoadPicture(dir.file("missing.jpg"), QSize(), false), PictureError);
    EXPECT_THROW(LoadPicture(dir.path(), QSize(), false), PictureError);  // a folder

    EXPECT_EQ(FileSizeOf(dir.file("a.JPG")), static_cast<int64_t>(testing_support::ReadFile(dir.file("a.JPG")).size()));
    EXPECT_EQ(FileSizeOf(dir.file("nothing")), -1);
}

TEST(LoadPicture, ReducedScaleDecodingGivesTheSamePicture)
{
    // A photo-like picture (smooth shapes and fine detail), decoded whole or at a reduced
    // DCT scale, then shrunk to the same screen: the two results must be indistinguishable.
    TempDir dir;
    QImage image(3000, 2000, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, 2000);
        sky.setColorAt(0, QColor(40, 90, 180));
        sky.setColorAt(1, QColor(230, 200, 150));
        painter.fillRect(image.rect(), sky);
        uint32_t seed = 7;
        auto next = [&seed](int n) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 8) % static_cast<uint32_t>(n));
        };
        for (int i = 0; i < 150; ++i) {
            const QPointF c(next(3000), next(2000));
            QRadialGradient blob(c, 40 + next(300));
            blob.setColorAt(0, QColor(next(256), next(256), next(256)));
            blob.setColorAt(1, QColor(next(256), next(256), next(256), 0));
            painter.setPen(QPen(QColor(next(256), next(256), next(256)), 1 + next(6)));
            painter.setBrush(blob);
            painter.drawEllipse(c, 40 + next(300), 40 + next(200));
        }
    }
    for (int y = 0; y < image.height(); ++y) {  // sensor noise
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = static_cast<int>(((static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u)) % 13u) - 6;
            line[x] = qRgb(std::clamp(qRed(line[x]) + n, 0, 255), std::clamp(qGreen(line[x]) + n, 0, 255),
                           std::clamp(qBlue(line[x]) + n, 0, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(92);
    ASSERT_TRUE(writer.write(image));
    const std::string path = dir.file("photo.jpg");
    WriteFile(path, bytes.toStdString());

    PreparationInput input;
    // Decoded at 4/8 (3/8 would do) and at 2/8.
    for (const QSize screen : {QSize(1024, 768), QSize(500, 375)}) {
        input.screen = screen;
        LoadedPicture reduced = LoadPicture(path, input.screen, false);
        EXPECT_EQ(reduced.bitmap.Width(), screen.width() == 1024 ? 1500 : 750);
        const PreparedPicture fast = PrepareFullScreen(std::move(reduced), input);
        const PreparedPicture full = PrepareFullScreen(LoadPicture(path, QSize(), false), input);
        ASSERT_EQ(fast.bitmap.Width(), full.bitmap.Width());
        ASSERT_EQ(fast.bitmap.Height(), full.bitmap.Height());
        double squared = 0;
        long long samples = 0;
        for (int y = 0; y < full.bitmap.Height(); ++y) {
            const uint32_t* a = fast.bitmap.ScanLine(y);
            const uint32_t* b = full.bitmap.ScanLine(y);
            for (int x = 0; x < full.bitmap.Width(); ++x)
                for (int shift : {0, 8, 16}) {
                    const int d = static_cast<int>((a[x] >> shift) & 255) - static_cast<int>((b[x] >> shift) & 255);
                    squared += d * d;
                    ++samples;
                }
        }
        const double psnr = 10 * std::log10(255.0 * 255.0 / (squared / samples));
        EXPECT_GE(psnr, 40.0) << screen.width();
        RecordProperty("psnr" + std::to_string(screen.width()), std::to_string(psnr));
    }
}
