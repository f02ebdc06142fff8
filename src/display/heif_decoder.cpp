#include "heif_decoder.h"

#include "picture_format.h"

#include "platform/gdi/bitmap.h"
#include "platform/paths.h"

#include <QColorSpace>

#include <libheif/heif.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// libheif reads through these, from a file opened as every picture is.
struct Source {
    int fd = -1;
    int64_t size = 0;
    int64_t position = 0;
    ~Source()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

int64_t sourcePosition(void* user) { return static_cast<Source*>(user)->position; }

int sourceRead(void* data, size_t size, void* user)
{
    auto* s = static_cast<Source*>(user);
    auto* out = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::pread(s->fd, out, size, s->position);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 1;
        out += got;
        size -= static_cast<size_t>(got);
        s->position += got;
    }
    return 0;
}

int sourceSeek(int64_t position, void* user)
{
    auto* s = static_cast<Source*>(user);
    if (position < 0 || position > s->size)
        return 1;
    s->position = position;
    return 0;
}

heif_reader_grow_status sourceGrow(int64_t target, void* user)
{
    return target <= static_cast<Source*>(user)->size ? heif_reader_grow_status_size_reached
                                                      : heif_reader_grow_status_size_beyond_eof;
}

const heif_reader kReader = {1, sourcePosition, sourceRead, sourceSeek, sourceGrow};

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

void check(const heif_error& error, const std::string& path)
{
    if (error.code != heif_error_Ok)
        throw PictureError(path, error.message && *error.message ? error.message : "image HEIF illisible");
}

// The colours the picture is described in: its ICC profile, or the primaries of its nclx
// box where they are wider than sRGB's (phones tag Display P3 so).
QColorSpace colourSpaceOf(const heif_image_handle* handle)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size == 0 || size > (4u << 20))
            return {};
        QByteArray icc(static_cast<qsizetype>(size), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            return {};
        return QColorSpace::fromIccProfile(icc);
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx)
        return {};
    const auto primaries = nclx->color_primaries;
    const auto transfer = nclx->transfer_characteristics;
    heif_nclx_color_profile_free(nclx);
    // Only pictures meant for an ordinary display; HDR transfers are left as they are.
    const bool sdr = transfer == heif_transfer_characteristic_ITU_R_BT_709_5 ||
                     transfer == heif_transfer_characteristic_ITU_R_BT_601_6 ||
                     transfer == heif_transfer_characteristic_IEC_61966_2_1 ||
                     transfer == heif_transfer_characteristic_ITU_R_BT_2020_2_10bit ||
                     transfer == heif_transfer_characteristic_ITU_R_BT_2020_2_12bit;
    if (!sdr)
        return {};
    if (primaries == heif_color_primaries_SMPTE_EG_432_1)
        return QColorSpace(QColorSpace::DisplayP3);
    if (primaries == heif_color_primaries_ITU_R_BT_2020_2_and_2100_0)
        return QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292), QPointF(0.170, 0.797),
                           QPointF(0.131, 0.046), QColorSpace::TransferFunction::SRgb);
    return {};
}

}  // namespace

QImage DecodeHeifFile(const std::string& path)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { heif_init(nullptr); });

    Source source;
    std::string why;
    source.fd = platform::OpenRegularFile(path, why);
    if (source.fd < 0)
        throw PictureError(path, why);
    struct stat st {};
    if (::fstat(source.fd, &st) != 0)
        throw PictureError(path, std::strerror(errno));
    source.size = st.st_size;
    if (source.size > kMaxPictureFileBytes)
        throw PictureError(path, "fichier trop grand");

    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context)
        throw PictureError(path, "mémoire insuffisante");
    heif_context_set_maximum_image_size_limit(context.get(), platform::kMaxBitmapSide);
    check(heif_context_read_from_reader(context.get(), &kReader, &source, nullptr), path);
    heif_image_handle* rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &rawHandle), path);
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);

    // The size once turned upright, from the container alone.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0)
        throw PictureError(path, "dimensions nulles");
    const long long pixels = static_cast<long long>(width) * height;
    CheckPictureSize(width, height, path);
    // At most, the decoder's planes (full chroma, alpha included) beside the interleaved
    // picture, or that picture beside the bitmap's copy of it.
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int sampleBytes = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > 8 ? 2 : 1;
    if (pixels * std::max(sampleBytes * (alpha ? 4 : 3) + 4, 8) > kMaxDecodeBytes)
        throw PictureError(path, "mémoire insuffisante");

    std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                            options.get()),
          path);
    std::unique_ptr<heif_image, ImageDeleter> decoded(rawImage);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    if (!plane || w <= 0 || h <= 0 || static_cast<long long>(w) * h > pixels || w > platform::kMaxBitmapSide ||
        h > platform::kMaxBitmapSide)
        throw PictureError(path, "image HEIF illisible");
    // RGBA in memory order is Qt's RGBA8888; the copy makes it the bitmap's own.
    QImage image = QImage(plane, w, h, stride, QImage::Format_RGBA8888)
                       .convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        throw PictureError(path, "mémoire insuffisante");
    decoded.reset();
    image.setColorSpace(colourSpaceOf(handle.get()));
    ConvertToSrgb(image);
    return OpaqueRgb32(std::move(image));
}
