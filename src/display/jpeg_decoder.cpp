#include "jpeg_decoder.h"

#include "platform/paths.h"

#include <QTransform>

#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings mean damaged data (a truncated file among them): treat them as errors.
void onMessage(j_common_ptr info, int level)
{
    if (level < 0) {
        auto* err = reinterpret_cast<ErrorManager*>(info->err);
        (*info->err->format_message)(info, err->message);
        std::longjmp(err->jump, 1);
    }
}

struct File {
    FILE* f = nullptr;
    ~File()
    {
        if (f)
            std::fclose(f);
    }
};

// Everything that must survive a longjmp lives in plain storage set up before setjmp.
struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    bool created = false;
    QImage image;  // kept here, in memory, so a longjmp leaves it null or whole
    ~Decoder()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

void openDecoder(Decoder& d, FILE* f)
{
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = onError;
    d.err.pub.emit_message = onMessage;
    d.err.message[0] = '\0';
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    jpeg_stdio_src(&d.cinfo, f);
}

FILE* openFile(const std::string& path)
{
    std::string why;
    const int fd = platform::OpenRegularFile(path, why);
    if (fd < 0)
        throw PictureError(path, why);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > kMaxPictureFileBytes) {
        ::close(fd);
        throw PictureError(path, "fichier trop grand");
    }
    FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        why = std::strerror(errno);
        ::close(fd);
        throw PictureError(path, why);
    }
    return f;
}

}  // namespace

JpegHeader ReadJpegHeader(const std::string& path)
{
    File file{openFile(path)};
    Decoder d;
    if (setjmp(d.err.jump))
        throw PictureError(path, d.err.message);
    openDecoder(d, file.f);
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d.cinfo, TRUE);
    JpegHeader header;
    header.width = static_cast<int>(d.cinfo.image_width);
    header.height = static_cast<int>(d.cinfo.image_height);
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    // A damaged profile is only a missing one: the picture is still shown, as it is stored.
    if (jpeg_read_icc_profile(&d.cinfo, &icc, &iccLength) && icc) {
        header.icc = QByteArray(reinterpret_cast<const char*>(icc), static_cast<qsizetype>(iccLength));
        std::free(icc);
    }
    for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1) {
            header.orientation = ExifOrientation(m->data, m->data_length);
            if (header.orientation != 1)
                break;
        }
    return header;
}

int ExifOrientation(const unsigned char* data, size_t size)
{
    constexpr size_t kTiff = 6;  // after "Exif\0\0"
    if (size < kTiff + 8 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 1;
    const unsigned char* tiff = data + kTiff;
    const size_t length = size - kTiff;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return 1;
    const auto u16 = [&](size_t at) {
        return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
    };
    const auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2));
    };
    if (u16(2) != 42)
        return 1;
    const size_t ifd = u32(4);
    if (ifd > length - 2)
        return 1;
    const size_t entries = static_cast<size_t>(u16(ifd));
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = ifd + 2 + i * 12;
        if (entry + 12 > length)
            return 1;
        if (u16(entry) == 0x0112) {
            const int value = u16(entry + 2) == 3 ? u16(entry + 8) : 1;  // a SHORT
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

QImage Oriented(QImage image, int orientation)
{
    switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: return image.mirrored(true, true);
    case 4: return image.mirrored(false, true);
    case 5: return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: return image.transformed(QTransform().rotate(90));
    case 7: return image.transformed(QTransform().rotate(270)).mirrored(true, false);
    case 8: return image.transformed(QTransform().rotate(270));
    default: return image;
    }
}

int JpegScaleFor(int width, int height, QSize needed)
{
    if (width <= 0 || height <= 0 || needed.width() <= 0 || needed.height() <= 0)
        return 8;
    if (width <= needed.width() && height <= needed.height())
        return 8;
    const bool byWidth = static_cast<double>(width) / height >= static_cast<double>(needed.width()) / needed.height();
    for (int s = 1; s < 8; ++s) {
        // libjpeg rounds scaled sizes up.
        const long long w = (static_cast<long long>(width) * s + 7) / 8;
        const long long h = (static_cast<long long>(height) * s + 7) / 8;
        // 3/8 is decoded at 4/8: the 3/8 inverse DCTs (3x3, and 6x6 for the chroma of
        // 4:2:0) have no SIMD in libjpeg-turbo, and 4/8 with its larger picture to shrink
        // is still the quicker. Larger scales stay: a full decode costs more than it saves.
        if (byWidth ? w >= needed.width() : h >= needed.height())
            return s == 3 ? 4 : s;
    }
    return 8;
}

QImage DecodeJpegFile(const std::string& path, int scaleEighths)
{
    File file{openFile(path)};
    Decoder d;
    if (setjmp(d.err.jump)) {
        // The memory limit below: libjpeg, which has no backing store, refuses in time.
        const int code = d.err.pub.msg_code;
        if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY)
            throw PictureError(path, "mémoire insuffisante");
        throw PictureError(path, d.err.message[0] ? d.err.message : "image JPEG illisible");
    }
    openDecoder(d, file.f);
    jpeg_read_header(&d.cinfo, TRUE);
    d.cinfo.out_color_space = JCS_EXT_BGRA;  // the memory order of a 32-bit QImage
    d.cinfo.dct_method = JDCT_ISLOW;
    d.cinfo.do_fancy_upsampling = TRUE;
    d.cinfo.scale_num = static_cast<unsigned>(scaleEighths < 1 ? 1 : scaleEighths > 8 ? 8 : scaleEighths);
    d.cinfo.scale_denom = 8;
    // The picture and libjpeg's own buffers (whole-image ones for a progressive file) stay
    // within kMaxDecodeBytes: libjpeg refuses before allocating what would pass it.
    jpeg_calc_output_dimensions(&d.cinfo);
    // What is decoded is what must fit: a phone's 200-megapixel photograph, read at an eighth
    // for a screen, is a picture of 25 megapixels at most.
    CheckPictureSize(d.cinfo.output_width, d.cinfo.output_height, path);
    const long long pictureBytes = static_cast<long long>(d.cinfo.output_width) * d.cinfo.output_height * 4;
    if (pictureBytes >= kMaxDecodeBytes)
        throw PictureError(path, "mémoire insuffisante");
    d.cinfo.mem->max_memory_to_use = static_cast<long>(kMaxDecodeBytes - pictureBytes);
    jpeg_start_decompress(&d.cinfo);
    d.image = QImage(static_cast<int>(d.cinfo.output_width), static_cast<int>(d.cinfo.output_height),
                     QImage::Format_RGB32);
    if (d.image.isNull())
        throw PictureError(path, "mémoire insuffisante");
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW row = d.image.scanLine(static_cast<int>(d.cinfo.output_scanline));
        jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d.cinfo);
    return std::move(d.image);
}
