// The formats read besides JPEG and bitmaps: chosen by content, turned upright, brought
// to sRGB, and refused with a clear error when damaged or beyond the limits.

#include "display/picture_format.h"
#include "display/picture_preparation.h"

#include "platform/gdi/bitmap.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>

using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

// Left half red, right half blue: a turn or a mirror shows.
QImage halves(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    return image;
}

std::string encoded(const QImage& image, const char* format,
                    QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone);

// Qt writes no GIF: ImageMagick does, from a PNG.
std::string gifBytes(const TempDir& dir, const QImage& image)
{
    WriteFile(dir.file("for-gif.png"), encoded(image, "png"));
    const auto run = testing_support::Run("/usr/bin/convert", {dir.file("for-gif.png"), "GIF:" + dir.file("made.gif")});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return testing_support::ReadFile(dir.file("made.gif"));
}

std::string encoded(const QImage& image, const char* format, QImageIOHandler::Transformations turn)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100);
    writer.setTransformation(turn);
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes.toStdString();
}

// HEIC or AVIF made by libheif's own encoder from a PNG (its ICC profile carried over).
std::string heifFile(const TempDir& dir, const QImage& image, const std::string& name)
{
    WriteFile(dir.file(name + ".png"), encoded(image, "png"));
    std::vector<std::string> args{"-q", "95", dir.file(name + ".png"), "-o", dir.file(name)};
    if (name.ends_with(".avif"))
        args.insert(args.begin(), {"-p", "chroma=422"});  // the only sampling this encoder build writes
    const auto run = testing_support::Run("/usr/bin/heif-enc", args);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return dir.file(name);
}

QRgb pixel(const LoadedPicture& p, int x, int y) { return p.bitmap.ScanLine(y)[x]; }

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// PNG chunks carry a CRC-32 of their type and data.
std::string pngChunk(const std::string& type, const std::string& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : type + data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    const auto be = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    return be(static_cast<uint32_t>(data.size())) + type + data + be(crc);
}

// A little-endian TIFF structure holding one orientation entry.
std::string exifTiff(int orientation)
{
    return std::string("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + char(orientation) +
           std::string("\0\0\0\0\0\0\0", 7);
}

}  // namespace

TEST(PictureFormats, EachIsReadByItsContentWhateverItsName)
{
    TempDir dir;
    const QImage picture = halves(64, 48);
    std::vector<std::pair<std::string, std::string>> files = {
        {"png", dir.file("png.jpg")}, {"webp", dir.file("webp.bmp")}, {"tiff", dir.file("tiff.png")},
        {"gif", dir.file("gif.heic")}, {"heic", ""}, {"avif", ""}};
    for (auto& [format, path] : files) {
        if (format == "heic" || format == "avif")
            path = heifFile(dir, picture, "picture." + format);
        else if (format == "gif")
            WriteFile(path, gifBytes(dir, picture));
        else
            WriteFile(path, encoded(picture, format.c_str()));
        const LoadedPicture p = LoadPicture(path, QSize(), false);
        ASSERT_EQ(QSize(p.width, p.height), QSize(64, 48)) << format;
        EXPECT_TRUE(near(pixel(p, 8, 24), qRgb(255, 0, 0), 6)) << format;
        EXPECT_TRUE(near(pixel(p, 56, 24), qRgb(0, 0, 255), 6)) << format;
        EXPECT_EQ(qAlpha(pixel(p, 56, 24)), 255) << format;
    }
    // Transparent parts are drawn over black, whatever colour they hide.
    QImage clear(8, 8, QImage::Format_ARGB32);
    clear.fill(qRgba(255, 255, 255, 0));
    WriteFile(dir.file("clear.png"), encoded(clear, "png"));
    EXPECT_EQ(pixel(LoadPicture(dir.file("clear.png"), QSize(), false), 4, 4), qRgb(0, 0, 0));
}

TEST(PictureFormats, ASixteenBitPngsTransparentColourIsDrawnOverBlackAndNothingElseMoves)
{
    // 16-bit truecolour, the left half in the colour the tRNS chunk names, the right half in
    // another: no stripes, the named colour over black, the other as stored, on every row.
    TempDir dir;
    const int w = 64, h = 48;
    const auto be16 = [](unsigned v) { return std::string{char(v >> 8), char(v)}; };
    const std::string key = be16(0x1234) + be16(0xabcd) + be16(0x5678);
    const std::string orange = be16(0xffff) + be16(0x8080) + be16(0x0000);
    std::string rows;
    for (int y = 0; y < h; ++y) {
        rows += '\0';
        for (int x = 0; x < w; ++x)
            rows += x < w / 2 ? key : orange;
    }
    const QByteArray packed = qCompress(QByteArray::fromStdString(rows)).mid(4);  // the zlib stream alone
    const std::string header = std::string{0, 0, 0, char(w), 0, 0, 0, char(h), 16, 2, 0, 0, 0};
    const auto png = [&](const std::string& transparent) {
        return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("tRNS", transparent) +
               pngChunk("IDAT", packed.toStdString()) + pngChunk("IEND", "");
    };
    WriteFile(dir.file("keyed.png"), png(key));
    WriteFile(dir.file("unused.png"), png(be16(1) + be16(2) + be16(3)));  // a colour no pixel has
    const LoadedPicture keyed = LoadPicture(dir.file("keyed.png"), QSize(), false);
    const LoadedPicture unused = LoadPicture(dir.file("unused.png"), QSize(), false);
    ASSERT_EQ(QSize(keyed.width, keyed.height), QSize(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb right = qRgb(255, 128, 0);
            ASSERT_EQ(pixel(keyed, x, y), x < w / 2 ? qRgb(0, 0, 0) : right) << x << "," << y;
            ASSERT_EQ(pixel(unused, x, y), x < w / 2 ? qRgb(0x12, 0xab, 0x56) : right) << x << "," << y;
        }
}

TEST(PictureFormats, DeepTiffAndHeifReachEightBitsAsTheirColoursAre)
{
    // 16 bits a channel, as scanners write TIFF and phones HEIF (10 bits, from a 16-bit
    // source): two flat halves, each read back as its colour at 8 bits.
    TempDir dir;
    QImage deep(64, 48, QImage::Format_RGBX64);
    for (int y = 0; y < deep.height(); ++y)
        for (int x = 0; x < deep.width(); ++x)
            deep.setPixelColor(x, y, x < 32 ? QColor::fromRgba64(0xffff, 0x8080, 0x0000) : QColor::fromRgba64(0x0000, 0x4040, 0xffff));
    WriteFile(dir.file("deep.tiff"), encoded(deep, "tiff"));
    ASSERT_EQ(QImageReader(QString::fromStdString(dir.file("deep.tiff"))).imageFormat(), QImage::Format_RGBX64)
        << "the TIFF was not written at 16 bits";
    const std::string heic = heifFile(dir, deep, "deep.heic");  // heif-enc makes 10 bits of a 16-bit PNG
    const QImage::Format source = QImageReader(QString::fromStdString(heic + ".png")).imageFormat();
    ASSERT_TRUE(source == QImage::Format_RGBX64 || source == QImage::Format_RGBA64) << "the HEIC's source is not 16-bit";
    const QRgb left = qRgb(255, 128, 0), right = qRgb(0, 64, 255);
    for (const auto& [path, tolerance] : {std::pair{dir.file("deep.tiff"), 0}, std::pair{heic, 8}}) {
        const LoadedPicture p = LoadPicture(path, QSize(), false);
        ASSERT_EQ(QSize(p.width, p.height), deep.size()) << path;
        for (const QPoint at : {QPoint(4, 4), QPoint(20, 40), QPoint(44, 4), QPoint(60, 40)}) {
            const QRgb want = at.x() < 32 ? left : right;
            EXPECT_TRUE(near(pixel(p, at.x(), at.y()), want, tolerance))
                << path << " at " << at.x() << "," << at.y() << ": " << std::hex << pixel(p, at.x(), at.y());
        }
    }
}

TEST(PictureFormats, EmbeddedProfilesAreConvertedToSrgb)
{
    // Display P3 (200, 120, 60) is sRGB (213, 115, 42): the P3 primaries' matrix, with the
    // same white and tone curve.
    TempDir dir;
    QImage p3(16, 16, QImage::Format_RGB32);
    p3.fill(qRgb(200, 120, 60));
    QImage untagged = p3;
    p3.setColorSpace(QColorSpace::DisplayP3);
    for (const char* format : {"jpeg", "png", "webp", "tiff", "heic"}) {
        const std::string path = std::string(format) == "heic" ? heifFile(dir, p3, "p3.heic") : dir.file(format);
        if (std::string(format) != "heic")
            WriteFile(path, encoded(p3, format));
        EXPECT_TRUE(near(pixel(LoadPicture(path, QSize(), false), 8, 8), qRgb(213, 115, 42), 3)) << format;
    }
    // Without a profile, or with an sRGB one, the colours are those stored.
    WriteFile(dir.file("plain.png"), encoded(untagged, "png"));
    EXPECT_EQ(pixel(LoadPicture(dir.file("plain.png"), QSize(), false), 8, 8), qRgb(200, 120, 60));
    untagged.setColorSpace(QColorSpace::SRgb);
    WriteFile(dir.file("srgb.png"), encoded(untagged, "png"));
    EXPECT_EQ(pixel(LoadPicture(dir.file("srgb.png"), QSize(), false), 8, 8), qRgb(200, 120, 60));
}

TEST(PictureFormats, OrientationTagsTurnThePictureUpright)
{
    // Stored on its side (red on the left) and tagged "turn a quarter clockwise": red on top.
    TempDir dir;
    const QImage stored = halves(40, 20);
    const std::string png = encoded(stored, "png");
    const size_t afterHeader = 8 + 25;  // the signature and IHDR
    WriteFile(dir.file("side.png"), png.substr(0, afterHeader) + pngChunk("eXIf", exifTiff(6)) + png.substr(afterHeader));

    // WebP keeps EXIF only in its extended layout, announced by a VP8X chunk.
    const std::string simple = encoded(stored, "webp");
    std::string vp8x("VP8X\x0A\0\0\0\x08\0\0\0", 12);
    vp8x += std::string{char(39), 0, 0, char(19), 0, 0};  // canvas 40 × 20, less one
    const std::string exif = exifTiff(6);
    std::string body = "WEBP" + vp8x + simple.substr(12) + "EXIF" +
                       std::string{char(exif.size()), 0, 0, 0} + exif + (exif.size() % 2 ? std::string(1, '\0') : "");
    const uint32_t riff = static_cast<uint32_t>(body.size());
    WriteFile(dir.file("side.webp"), "RIFF" + std::string{char(riff), char(riff >> 8), char(riff >> 16), char(riff >> 24)} + body);

    WriteFile(dir.file("side.tiff"), encoded(stored, "tiff", QImageIOHandler::TransformationRotate90));
    for (const char* name : {"side.png", "side.webp", "side.tiff"}) {
        const LoadedPicture p = LoadPicture(dir.file(name), QSize(), false);
        ASSERT_EQ(QSize(p.width, p.height), QSize(20, 40)) << name;
        EXPECT_TRUE(near(pixel(p, 10, 5), qRgb(255, 0, 0), 40)) << name;
        EXPECT_TRUE(near(pixel(p, 10, 35), qRgb(0, 0, 255), 40)) << name;
    }
}

TEST(PictureFormats, DamagedEmptyAndHugeFilesAreErrorsNamingTheFile)
{
    TempDir dir;
    const QImage picture = halves(64, 48);
    auto expectError = [&](const std::string& name, const std::string& bytes, const char* reason = nullptr) {
        const std::string path = dir.file(name);
        WriteFile(path, bytes);
        QElapsedTimer clock;
        clock.start();
        try {
            LoadPicture(path, QSize(), false);
            ADD_FAILURE() << name << " decoded";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            if (reason) {
                EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
            }
        }
        EXPECT_LT(clock.elapsed(), 5000) << name;  // a hostile header is refused, not worked through
    };
    expectError("empty.png", "", "fichier vide");
    expectError("text.jpg", "these are words, not pixels", "format d'image non reconnu");
    // (Qt shows a cut GIF as far as it goes, as browsers do.)
    for (const char* format : {"png", "webp", "tiff"}) {
        const std::string good = encoded(picture, format);
        expectError(std::string("cut.") + format, good.substr(0, good.size() / 2));
    }
    const std::string heic = testing_support::ReadFile(heifFile(dir, picture, "whole.heic"));
    // libheif's English reason in the program's French.
    expectError("cut.heic", heic.substr(0, heic.size() / 2), "fichier HEIF endommagé (libheif 2.");
    // A phone's 200-megapixel HEIC, as its header says: libheif would decode it whole, in
    // more memory than a picture may take, which the message says in so many words.
    std::string phone = heic;
    const size_t extent = phone.find(std::string("ispe\0\0\0\0\0\0\0\x40\0\0\0\x30", 16));  // the picture's 64 x 48
    ASSERT_NE(extent, std::string::npos);
    phone.replace(extent + 8, 8, std::string("\0\0\x3F\xC0\0\0\x2F\xD0", 8));  // 16320 x 12240
    expectError("phone.heic", phone, "image HEIF trop grande pour être décodée (16320 x 12240 : il faudrait 1524 Mo");
    // Tiny files whose grid or overlay canvas claims hundreds of megabytes; a colour
    // profile with values libheif does not know (it leaked once).
    expectError("tiles.heic", testing_support::ReadFile(std::string(LUMIVANE_PICTURE_SEEDS) + "/heif/tiles_claim_gigabytes.heic"),
                "images déclarées trop grandes");
    // Item locations with an extent index of a size libheif does not read: read as it reads
    // them, the grid's data lies past its box (libheif took 2.8 GB from these 607 bytes).
    expectError("index.heic",
                testing_support::ReadFile(std::string(LUMIVANE_PICTURE_SEEDS) + "/heif/grid_behind_a_location_index.heic"),
                "données d'image hors de leur boîte");
    try {
        LoadPicture(std::string(LUMIVANE_PICTURE_SEEDS) + "/heif/nclx_unknown_values.heif", QSize(), false);
    } catch (const PictureError&) {
    }
    // After the pixels, an eXIf chunk claiming 1.2 GB in a file of 108 bytes.
    expectError("overlong_exif.png",
                QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAACAAAAAgAgAAAAAcoT2JAAAABGdBTUEAAYagMeiWXwAAAB9JREFUeJxjYAhd9R+"
                                       "w8TCIUMIAU4aPATMJH2OQuQcAvUl/gYsJialJRQAAZVhJZk4AAESuQmCC")
                    .toStdString(),
                "bloc eXIf plus long que le fichier");
    // 65535 × 65535 claimed by a few bytes.
    expectError("huge.gif", std::string("GIF89a\xFF\xFF\xFF\xFF\0\0\0", 13) + ";");
    std::string wide = encoded(picture, "png");
    const std::string ihdr = wide.substr(16, 13);
    std::string claimed = std::string("\0\0\x9C\x40\0\0\x9C\x40", 8) + ihdr.substr(8);  // 40000 × 40000
    wide.replace(8, 25, pngChunk("IHDR", claimed));
    expectError("huge.png", wide, "image trop grande");
    // Few pixels, but wider than any bitmap.
    claimed.replace(0, 8, std::string("\0\0\x9C\x40\0\0\0\x01", 8));  // 40000 × 1
    wide.replace(8, 25, pngChunk("IHDR", claimed));
    expectError("wide.png", wide, "image trop grande");
}
