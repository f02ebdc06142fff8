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
#include <string>
#include <utility>
#include <vector>

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

// Big-endian reads from a box's bytes, false past their end.
struct Bytes {
    std::string data;
    size_t at = 0;
    bool take(int bytes, uint64_t& value)
    {
        if (bytes < 0 || bytes > 8 || at + size_t(bytes) > data.size())
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | static_cast<unsigned char>(data[at++]);
        return true;
    }
};

bool readBytes(const Source& s, int64_t from, int64_t to, Bytes& out)
{
    constexpr int64_t kMaxBoxBytes = 1 << 20;  // item lists and locations are a few kilobytes
    if (to < from || to - from > kMaxBoxBytes)
        return false;
    out.data.resize(static_cast<size_t>(to - from));
    out.at = 0;
    return ::pread(s.fd, out.data.data(), out.data.size(), from) == static_cast<ssize_t>(out.data.size());
}

// Reads the box header at `at` (before `end`): its type and where its content and its end lie.
bool readBox(const Source& s, int64_t at, int64_t end, char type[4], int64_t& body, int64_t& next)
{
    Bytes head;
    uint64_t size = 0, skip = 0;
    if (!readBytes(s, at, std::min(end, at + 16), head) || !head.take(4, size) || !head.take(4, skip) ||
        (size == 1 && !head.take(8, size)))
        return false;
    std::memcpy(type, head.data.data() + 4, 4);
    body = at + int64_t(head.at);
    if (size == 0)
        size = static_cast<uint64_t>(end - at);
    if (size < head.at || size > static_cast<uint64_t>(end - at))
        return false;
    next = at + static_cast<int64_t>(size);
    return true;
}

// The first box of `wanted` type among the boxes in [from, end).
bool findBox(const Source& s, int64_t from, int64_t end, const char* wanted, int64_t& body, int64_t& boxEnd)
{
    char type[4];
    for (int i = 0; i < 4096 && readBox(s, from, end, type, body, boxEnd); ++i, from = boxEnd)
        if (std::memcmp(type, wanted, 4) == 0)
            return true;
    return false;
}

// The pixels of every image the file declares: the image-spatial-extent properties (grid
// tiles, thumbnails, depth maps) and the canvases of the grids and overlays, which libheif
// takes from the items' own data. libheif allocates each of them before decoding it, and
// none is bound by the primary picture's declared size: a file of a kilobyte can claim
// canvases of gigabytes.
struct DeclaredImages {
    long long largest = 0;
    long long total = 0;
    bool outOfBounds = false;  // a grid's or overlay's data lies beyond its box
    void add(uint64_t w, uint64_t h)
    {
        const long long pixels = static_cast<long long>(std::min<uint64_t>(w * h, uint64_t(1) << 62));
        largest = std::max(largest, pixels);
        total = std::min(total + pixels, 1LL << 62);
    }
};

void addSpatialExtents(const Source& s, int64_t meta, int64_t metaEnd, DeclaredImages& d)
{
    int64_t iprp = 0, iprpEnd = 0, ipco = 0, ipcoEnd = 0, body = 0, next = 0;
    if (!findBox(s, meta, metaEnd, "iprp", iprp, iprpEnd) || !findBox(s, iprp, iprpEnd, "ipco", ipco, ipcoEnd))
        return;
    char type[4];
    for (int64_t at = ipco; at < ipcoEnd && readBox(s, at, ipcoEnd, type, body, next); at = next) {
        Bytes extent;
        uint64_t skip = 0, w = 0, h = 0;
        if (std::memcmp(type, "ispe", 4) == 0 && readBytes(s, body, std::min(next, body + 12), extent) &&
            extent.take(4, skip) && extent.take(4, w) && extent.take(4, h))
            d.add(w, h);
    }
}

// The grid and overlay items, from the item list: their ids, and which are overlays.
std::vector<std::pair<uint64_t, bool>> canvasItems(const Source& s, int64_t meta, int64_t metaEnd)
{
    std::vector<std::pair<uint64_t, bool>> ids;
    int64_t iinf = 0, iinfEnd = 0;
    Bytes list;
    uint64_t version = 0, skip = 0;
    if (!findBox(s, meta, metaEnd, "iinf", iinf, iinfEnd) || !readBytes(s, iinf, iinfEnd, list) ||
        !list.take(1, version) || !list.take(3, skip) || !list.take(version == 0 ? 2 : 4, skip))
        return ids;
    char type[4];
    int64_t body = 0, next = 0;
    for (int64_t at = iinf + int64_t(list.at); at < iinfEnd && readBox(s, at, iinfEnd, type, body, next); at = next) {
        Bytes entry;
        uint64_t id = 0, entryVersion = 0, itemType = 0;
        if (std::memcmp(type, "infe", 4) != 0 || !readBytes(s, body, std::min(next, body + 16), entry) ||
            !entry.take(1, entryVersion) || entryVersion < 2 || !entry.take(3, skip) ||
            !entry.take(entryVersion == 2 ? 2 : 4, id) || !entry.take(2, skip) || !entry.take(4, itemType))
            continue;
        if (itemType == 0x67726964 /* grid */ || itemType == 0x696f766c /* iovl */)
            ids.emplace_back(id, itemType == 0x696f766c);
    }
    return ids;
}

// Adds the canvas of each grid and overlay item, read where the item locations put its data.
void addCanvases(const Source& s, int64_t meta, int64_t metaEnd, DeclaredImages& d)
{
    const std::vector<std::pair<uint64_t, bool>> wanted = canvasItems(s, meta, metaEnd);
    int64_t iloc = 0, ilocEnd = 0, idat = 0, idatEnd = 0;
    Bytes loc;
    if (wanted.empty() || !findBox(s, meta, metaEnd, "iloc", iloc, ilocEnd) || !readBytes(s, iloc, ilocEnd, loc))
        return;
    const bool hasIdat = findBox(s, meta, metaEnd, "idat", idat, idatEnd);
    uint64_t version = 0, flags = 0, sizes = 0, baseSizes = 0, count = 0;
    if (!loc.take(1, version) || !loc.take(3, flags) || !loc.take(1, sizes) || !loc.take(1, baseSizes) ||
        !loc.take(version < 2 ? 2 : 4, count))
        return;
    // Read as libheif 1.15 reads them, or the data checked would not be the data it uses:
    // a field is 4 or 8 bytes, any other size none, and extents have an index only from
    // version 2.
    const auto field = [](uint64_t size) { return size == 4 || size == 8 ? int(size) : 0; };
    const int offsetSize = field(sizes >> 4), lengthSize = field(sizes & 15), baseSize = field(baseSizes >> 4);
    const int indexSize = version == 2 ? field(baseSizes & 15) : 0;
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t id = 0, method = 0, skip = 0, base = 0, extents = 0, offset = 0, length = 0;
        if (!loc.take(version < 2 ? 2 : 4, id) || ((version == 1 || version == 2) && !loc.take(2, method)) ||
            !loc.take(2, skip) || !loc.take(baseSize, base) || !loc.take(2, extents))
            return;
        for (uint64_t e = 0; e < extents; ++e) {
            uint64_t o = 0, l = 0;
            if (!loc.take(indexSize, skip) || !loc.take(offsetSize, o) || !loc.take(lengthSize, l))
                return;
            if (e == 0)
                offset = o, length = l;
        }
        const auto item = std::find_if(wanted.begin(), wanted.end(), [id](const auto& w) { return w.first == id; });
        method &= 15;  // 0: in the file, 1: in the item data box
        if (item == wanted.end() || method > 1 || (method == 1 && !hasIdat))
            continue;
        const int64_t from = (method == 1 ? idat : 0) + int64_t(std::min<uint64_t>(base + offset, uint64_t(1) << 40));
        const int64_t containerEnd = method == 1 ? idatEnd : s.size;
        // libheif 1.15 reads such data past the end of its box, from the boxes that follow.
        if (from > containerEnd || (length > 0 && uint64_t(containerEnd - from) < length)) {
            d.outOfBounds = true;
            continue;
        }
        const int64_t to = std::min<int64_t>(containerEnd, from + int64_t(std::min<uint64_t>(length ? length : 20, 20)));
        // A grid: version, flags, rows and columns; an overlay: version, flags and four
        // 16-bit fill values. Then the canvas's width and height, 32-bit when flags say so.
        Bytes data;
        uint64_t itemFlags = 0, w = 0, h = 0;
        if (!readBytes(s, from, to, data) || !data.take(1, skip) || !data.take(1, itemFlags) ||
            !data.take(item->second ? 8 : 2, skip))
            continue;
        const int side = itemFlags & 1 ? 4 : 2;
        if (data.take(side, w) && data.take(side, h))
            d.add(w, h);
    }
}

DeclaredImages declaredImages(const Source& s)
{
    DeclaredImages d;
    int64_t meta = 0, metaEnd = 0;
    if (!findBox(s, 0, s.size, "meta", meta, metaEnd))
        return d;
    // meta is a full box: its children follow its version and flags.
    addSpatialExtents(s, meta + 4, metaEnd, d);
    addCanvases(s, meta + 4, metaEnd, d);
    return d;
}

// libheif's reasons, which it gives in English, in the words of every other reading error;
// its codes follow, for whoever has to look further.
std::string reason(const heif_error& error)
{
    std::string text;
    switch (error.subcode) {
    case heif_suberror_End_of_data: text = "fichier HEIF tronqué"; break;
    case heif_suberror_No_ftyp_box: text = "pas un fichier HEIF (en-tête ftyp absent)"; break;
    case heif_suberror_Security_limit_exceeded: text = "image HEIF au-delà des limites de sécurité du décodeur"; break;
    case heif_suberror_Unsupported_codec:
    case heif_suberror_Plugin_is_not_loaded: text = "codage HEIF sans décodeur sur ce système"; break;
    case heif_suberror_Unsupported_bit_depth: text = "profondeur de couleur HEIF non prise en charge"; break;
    case heif_suberror_Unsupported_color_conversion: text = "conversion de couleurs HEIF non prise en charge"; break;
    case heif_suberror_Invalid_grid_data:
    case heif_suberror_Missing_grid_images: text = "mosaïque HEIF endommagée"; break;
    case heif_suberror_Invalid_image_size: text = "dimensions HEIF invalides"; break;
    default:
        switch (error.code) {
        case heif_error_Input_does_not_exist: text = "fichier introuvable"; break;
        case heif_error_Invalid_input: text = "fichier HEIF endommagé"; break;
        case heif_error_Unsupported_filetype: text = "type de fichier HEIF non pris en charge"; break;
        case heif_error_Unsupported_feature: text = "fonction HEIF non prise en charge"; break;
        case heif_error_Memory_allocation_error: text = "mémoire insuffisante"; break;
        case heif_error_Decoder_plugin_error: text = "données d'image HEIF que le décodeur refuse"; break;
        case heif_error_Color_profile_does_not_exist: text = "profil de couleurs HEIF absent"; break;
        case heif_error_Plugin_loading_error: text = "décodeur HEIF introuvable"; break;
        default: text = "image HEIF illisible"; break;
        }
    }
    return text + " (libheif " + std::to_string(int(error.code)) + "." + std::to_string(int(error.subcode)) + ")";
}

void check(const heif_error& error, const std::string& path)
{
    if (error.code != heif_error_Ok)
        throw PictureError(path, reason(error));
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
    const heif_error got = heif_image_handle_get_nclx_color_profile(handle, &nclx);
    // A profile with values libheif does not know comes back with an error, and still
    // allocated: ours to free either way.
    const std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx*)> owned(
        nclx, heif_nclx_color_profile_free);
    if (got.code != heif_error_Ok || !nclx)
        return {};
    const auto primaries = nclx->color_primaries;
    const auto transfer = nclx->transfer_characteristics;
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
    // At most, the decoder's planes (full chroma, alpha included) beside the interleaved
    // picture, or that picture beside the bitmap's copy of it.
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int sampleBytes = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > 8 ? 2 : 1;
    const long long bytesPerPixel = std::max(sampleBytes * (alpha ? 4 : 3) + 4, 8);
    // libheif 1.15 decodes a picture whole, a grid of tiles included: its API gives no
    // handle to a tile (only to top-level images) nor an item's data, so no tile can be
    // decoded and reduced on its own. The whole picture at full size must fit, which puts
    // an 8-bit one at 67 megapixels; a larger one (a phone's 200-megapixel mode) is refused.
    if (pixels * bytesPerPixel > kMaxDecodeBytes)
        throw PictureError(path, "image HEIF trop grande pour être décodée (" + std::to_string(width) + " x " +
                                     std::to_string(height) + " : il faudrait " +
                                     std::to_string((pixels * bytesPerPixel) >> 20) + " Mo, la limite est " +
                                     std::to_string(kMaxDecodeBytes >> 20) + " Mo)");
    CheckPictureSize(width, height, path);
    // No image of the file larger than the picture may be, and all of them within three
    // times that: a grid's picture is declared twice (its extent and its canvas), and its
    // tiles, thumbnails and depth maps come to about once the picture again.
    const DeclaredImages declared = declaredImages(source);
    if (declared.outOfBounds)
        throw PictureError(path, "fichier HEIF endommagé (données d'image hors de leur boîte)");
    if (declared.largest > kMaxDecodeBytes / bytesPerPixel || declared.total > 3 * kMaxDecodeBytes / bytesPerPixel)
        throw PictureError(path, "mémoire insuffisante (images déclarées trop grandes)");

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
