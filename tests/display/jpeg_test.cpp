#include "display/jpeg_decoder.h"
#include "display/picture_preparation.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <QTransform>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

std::string jpegBytes(const QImage& image, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image));
    return bytes.toStdString();
}

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    return image;
}

// Replaces the frame size in the first SOF marker.
std::string withClaimedSize(std::string jpeg, int w, int h)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        const auto m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) {
            jpeg[i + 5] = static_cast<char>(h >> 8);
            jpeg[i + 6] = static_cast<char>(h);
            jpeg[i + 7] = static_cast<char>(w >> 8);
            jpeg[i + 8] = static_cast<char>(w);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no SOF marker";
    return jpeg;
}

}  // namespace

TEST(Jpeg, DecodesAtFullAndReducedScale)
{
    TempDir dir;
    const std::string path = dir.file("p.jpg");
    WriteFile(path, jpegBytes(gradient(321, 200), 95));
    EXPECT_EQ(ReadJpegHeader(path).width, 321);
    const QImage full = DecodeJpegFile(path);
    ASSERT_EQ(full.size(), QSize(321, 200));
    EXPECT_EQ(full.format(), QImage::Format_RGB32);
    EXPECT_NEAR(qRed(full.pixel(300, 100)), 300 * 255 / 321, 4);
    EXPECT_NEAR(qGreen(full.pixel(10, 150)), 150 * 255 / 200, 4);
    const QImage half = DecodeJpegFile(path, 4);
    EXPECT_EQ(half.size(), QSize(161, 100));  // sizes round up
    // Every pixel comes out opaque, at any scale: the loader hands the image to a bitmap as it is.
    for (const QImage* image : {&full, &half}) {
        int transparent = 0;
        for (int y = 0; y < image->height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image->constScanLine(y));
            for (int x = 0; x < image->width(); ++x)
                transparent += qAlpha(row[x]) != 255;
        }
        EXPECT_EQ(transparent, 0) << image->width();
    }
}

TEST(Jpeg, ScaleKeepsTheDecidingAxisAtLeastTheTarget)
{
    EXPECT_EQ(JpegScaleFor(6000, 4000, QSize(1920, 1080)), 4);  // 3/8 (2250) taken as 4/8; 2/8 would be 1500
    EXPECT_EQ(JpegScaleFor(4000, 6000, QSize(1920, 1080)), 2);  // height decides: 1500 ≥ 1080
    EXPECT_EQ(JpegScaleFor(6000, 4000, QSize(2560, 1600)), 4);  // height decides, 3/8 (1500) too short
    EXPECT_EQ(JpegScaleFor(6000, 4000, QSize(3840, 2160)), 5);  // 2500 ≥ 2160, kept rather than decoding whole
    EXPECT_EQ(JpegScaleFor(1600, 1200, QSize(1024, 768)), 6);   // equal ratios: the width decides
    EXPECT_EQ(JpegScaleFor(1024, 768, QSize(1024, 768)), 8);    // no shrink at all
    EXPECT_EQ(JpegScaleFor(1030, 700, QSize(1024, 768)), 8);    // 7/8 would be narrower than the screen
    EXPECT_EQ(JpegScaleFor(16000, 100, QSize(200, 150)), 1);
}

TEST(Jpeg, DamagedTruncatedAndHugeFilesAreErrorsNamingTheFile)
{
    TempDir dir;
    const std::string good = jpegBytes(gradient(64, 64));
    auto expectError = [&](const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        WriteFile(path, bytes);
        try {
            DecodeJpegFile(path);
            ADD_FAILURE() << name << " decoded";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    };
    expectError("truncated.jpg", good.substr(0, good.size() / 2));
    expectError("empty.jpg", "");
    expectError("text.jpg", "this is not a picture");
    std::string corrupt = good;
    for (size_t i = good.size() / 2; i < good.size() / 2 + 40; ++i)
        corrupt[i] = static_cast<char>(0xFF);
    expectError("corrupt.jpg", corrupt);
    expectError("huge.jpg", withClaimedSize(good, 20000, 20000));  // 400 million pixels claimed
    EXPECT_THROW(DecodeJpegFile(dir.file("missing.jpg")), PictureError);
}

namespace {

// An APP1 segment holding one orientation entry, in either byte order.
std::string exifSegment(int orientation, bool littleEndian)
{
    const auto u16 = [&](int v) {
        return littleEndian ? std::string{char(v & 0xFF), char(v >> 8)} : std::string{char(v >> 8), char(v & 0xFF)};
    };
    const auto u32 = [&](int v) { return littleEndian ? u16(v & 0xFFFF) + u16(v >> 16) : u16(v >> 16) + u16(v & 0xFFFF); };
    std::string tiff = std::string(littleEndian ? "II" : "MM") + u16(42) + u32(8);
    tiff += u16(2) + u16(0x010F) + u16(2) + u32(1) + u32(0);  // another tag first
    tiff += u16(0x0112) + u16(3) + u32(1) + u16(orientation) + u16(0) + u32(0);
    const std::string data = std::string("Exif\0\0", 6) + tiff;
    return std::string("\xFF\xE1") + char((data.size() + 2) >> 8) + char((data.size() + 2) & 0xFF) + data;
}

}  // namespace

TEST(Jpeg, PhotographsTakenUprightComeOutUpright)
{
    // Stored on its side: left half red, right half blue. Turned a quarter clockwise, as
    // orientation 6 asks, the red half is on top.
    QImage stored(40, 20, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            stored.setPixel(x, y, qRgb(255, 0, 0));
    const std::string plain = jpegBytes(stored, 100);
    for (bool little : {true, false}) {
        TempDir dir;
        WriteFile(dir.file("side.jpg"), plain.substr(0, 2) + exifSegment(6, little) + plain.substr(2));
        const JpegHeader header = ReadJpegHeader(dir.file("side.jpg"));
        EXPECT_EQ(header.orientation, 6);
        const QImage upright = Oriented(DecodeJpegFile(dir.file("side.jpg")), header.orientation);
        ASSERT_EQ(upright.size(), QSize(20, 40));
        EXPECT_GT(qRed(upright.pixel(10, 5)), 200);
        EXPECT_GT(qBlue(upright.pixel(10, 35)), 200);
        EXPECT_EQ(upright.format(), QImage::Format_RGB32);
    }
    // Every orientation undoes what the camera did to an asymmetric picture.
    const QImage taken = gradient(6, 4);
    const QTransform quarter = QTransform().rotate(90);
    const QImage transposed = taken.transformed(quarter).mirrored(true, false);
    const QImage camera[9] = {{},
                              taken,
                              taken.mirrored(true, false),
                              taken.mirrored(true, true),
                              taken.mirrored(false, true),
                              transposed,
                              taken.transformed(quarter.inverted()),
                              transposed.mirrored(true, true),
                              taken.transformed(quarter)};
    for (int o = 1; o <= 8; ++o)
        EXPECT_EQ(Oriented(camera[o], o), taken) << "orientation " << o;
}

TEST(Jpeg, DamagedExifDataMeansUpright)
{
    const std::string good = exifSegment(8, true).substr(4);
    const auto orientation = [](const std::string& d) {
        return ExifOrientation(reinterpret_cast<const unsigned char*>(d.data()), d.size());
    };
    EXPECT_EQ(orientation(good), 8);
    for (size_t cut = 0; cut + 4 < good.size(); ++cut)  // the next directory's offset is not needed
        EXPECT_EQ(orientation(good.substr(0, cut)), 1) << "cut at " << cut;
    std::string badOffset = good;
    badOffset[10] = '\x7F';  // the first directory far past the end
    EXPECT_EQ(orientation(badOffset), 1);
    std::string badValue = exifSegment(9, false).substr(4);
    EXPECT_EQ(orientation(badValue), 1);
}

TEST(Jpeg, APhonesTwoHundredMegapixelPhotographIsReadReducedForTheScreen)
{
    // 16320 × 12240, red on the left and blue on the right, written a row at a time: the
    // whole picture would be 800 MB, more than any picture may take.
    TempDir dir;
    const std::string path = dir.file("phone.jpg");
    const int w = 16320, h = 12240;
    {
        FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(out);
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, out);
        cinfo.image_width = w;
        cinfo.image_height = h;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 80, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<unsigned char> row(size_t(w) * 3);
        for (int x = 0; x < w; ++x) {
            row[size_t(x) * 3] = x < w / 2 ? 255 : 0;
            row[size_t(x) * 3 + 2] = x < w / 2 ? 0 : 255;
        }
        JSAMPROW rows[1] = {row.data()};
        while (cinfo.next_scanline < cinfo.image_height)
            jpeg_write_scanlines(&cinfo, rows, 1);
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(out);
    }
    const LoadedPicture p = LoadPicture(path, QSize(1920, 1080), false);
    EXPECT_EQ(QSize(p.width, p.height), QSize(w, h));  // the picture's own size, as the trace gives it
    EXPECT_EQ(p.bitmap.Width(), w / 8);  // an eighth still covers the screen's 1080 rows
    EXPECT_EQ(p.bitmap.Height(), h / 8);
    const QRgb left = p.bitmap.ScanLine(100)[10], right = p.bitmap.ScanLine(100)[p.bitmap.Width() - 10];
    EXPECT_TRUE(qRed(left) > 240 && qBlue(left) < 16) << std::hex << left;
    EXPECT_TRUE(qBlue(right) > 240 && qRed(right) < 16) << std::hex << right;
    // Whole, it is still more than a picture may be.
    try {
        DecodeJpegFile(path);
        ADD_FAILURE() << "decoded whole";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("image trop grande (16320 x 12240)"), std::string::npos) << e.what();
    }
}

TEST(Jpeg, APictureNeedingTooMuchMemoryIsRefusedBeforeAllocation)
{
    // A progressive file keeps every coefficient of the picture: claimed at 9990 × 9990 (under
    // the pixel limit), the picture and those buffers together pass the memory limit.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    ASSERT_TRUE(writer.write(gradient(64, 64)));
    TempDir dir;
    WriteFile(dir.file("big.jpg"), withClaimedSize(bytes.toStdString(), 9990, 9990));
    try {
        DecodeJpegFile(dir.file("big.jpg"));
        ADD_FAILURE() << "decoded";
    } catch (const PictureError& e) {
        // Refused while setting up, not after reading what data there is.
        EXPECT_NE(std::string(e.what()).find("mémoire insuffisante"), std::string::npos) << e.what();
    }
    // The same picture at a scale that fits is decoded as far as its data goes.
    EXPECT_THROW(DecodeJpegFile(dir.file("big.jpg"), 1), PictureError);
}
