#include "version_info.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// wLength is 16 bits, so no block is longer than this.
constexpr size_t kMaxBlock = 0xFFFF;
// VS_VERSIONINFO > StringFileInfo > table > string is four levels; anything much deeper is
// not a version block, and the limit keeps the walk's recursion small.
constexpr int kMaxBlockDepth = 8;
// Header tables beyond these sizes are not worth reading: no real program has them.
constexpr uint64_t kMaxTableBytes = 16u << 20;

uint16_t Get16(const uint8_t* p, bool big = false)
{
    return big ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

uint32_t Get32(const uint8_t* p, bool big = false)
{
    return big ? (uint32_t{Get16(p, true)} << 16 | Get16(p + 2, true)) : (uint32_t{Get16(p + 2)} << 16 | Get16(p));
}

uint64_t Get64(const uint8_t* p, bool big = false)
{
    return big ? (uint64_t{Get32(p, true)} << 32 | Get32(p + 4, true)) : (uint64_t{Get32(p + 4)} << 32 | Get32(p));
}

size_t Align4(size_t n) { return (n + 3) & ~size_t{3}; }

// ---------------------------------------------------------------------------------------
// Where a file's bytes come from: a file read piece by piece (executables can be large),
// or memory. Every read is checked against the size, so offsets past the end just fail.

class Source {
public:
    virtual ~Source() = default;
    virtual uint64_t size() const = 0;
    virtual bool readAt(uint64_t offset, void* out, size_t n) const = 0;

    bool read(uint64_t offset, void* out, size_t n) const
    {
        return offset <= size() && n <= size() - offset && readAt(offset, out, n);
    }
    std::optional<std::vector<uint8_t>> bytes(uint64_t offset, uint64_t n) const
    {
        if (offset > size() || n > size() - offset)
            return std::nullopt;
        std::vector<uint8_t> out(static_cast<size_t>(n));
        if (n && !readAt(offset, out.data(), out.size()))
            return std::nullopt;
        return out;
    }
};

class MemorySource final : public Source {
public:
    explicit MemorySource(std::span<const uint8_t> data) : data_(data) {}
    uint64_t size() const override { return data_.size(); }
    bool readAt(uint64_t offset, void* out, size_t n) const override
    {
        std::memcpy(out, data_.data() + offset, n);
        return true;
    }

private:
    std::span<const uint8_t> data_;
};

class FileSource final : public Source {
public:
    explicit FileSource(const std::string& path)
    {
        // Non-blocking so that a named pipe cannot hold the open; only regular files are read.
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        struct stat st {};
        if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0)
            size_ = static_cast<uint64_t>(st.st_size);
    }
    ~FileSource() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool open() const { return fd_ >= 0; }
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, void* out, size_t n) const override
    {
        auto* p = static_cast<uint8_t*>(out);
        while (n > 0) {
            const ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;  // an error, or the file shrank under us
            p += got;
            offset += static_cast<uint64_t>(got);
            n -= static_cast<size_t>(got);
        }
        return true;
    }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

// ---------------------------------------------------------------------------------------
// ELF: the block is the whole content of the section named ".rsrc_version".

std::optional<std::vector<uint8_t>> ElfBlock(const Source& src)
{
    constexpr uint32_t SHT_NOBITS = 8;
    constexpr uint32_t SHN_XINDEX = 0xFFFF;
    uint8_t eh[64];
    if (!src.read(0, eh, 52) || std::memcmp(eh, "\x7F" "ELF", 4) != 0)
        return std::nullopt;
    const bool is64 = eh[4] == 2;
    const bool big = eh[5] == 2;
    if ((eh[4] != 1 && !is64) || (eh[5] != 1 && !big) || (is64 && !src.read(0, eh, 64)))
        return std::nullopt;
    const uint64_t shoff = is64 ? Get64(eh + 0x28, big) : Get32(eh + 0x20, big);
    const uint16_t entSize = Get16(eh + (is64 ? 0x3A : 0x2E), big);
    uint64_t count = Get16(eh + (is64 ? 0x3C : 0x30), big);
    uint64_t strIndex = Get16(eh + (is64 ? 0x3E : 0x32), big);
    if (shoff == 0 || entSize < (is64 ? 64u : 40u))
        return std::nullopt;

    struct Section {
        uint32_t name, type;
        uint64_t offset, size;
        uint32_t link;
    };
    auto section = [&](const uint8_t* p) {
        return is64 ? Section{Get32(p, big), Get32(p + 4, big), Get64(p + 24, big), Get64(p + 32, big), Get32(p + 40, big)}
                    : Section{Get32(p, big), Get32(p + 4, big), Get32(p + 16, big), Get32(p + 20, big), Get32(p + 24, big)};
    };
    // Many sections: the real count and name-table index sit in section 0.
    if (count == 0 || strIndex == SHN_XINDEX) {
        uint8_t first[64];
        if (!src.read(shoff, first, is64 ? 64 : 40))
            return std::nullopt;
        const Section s0 = section(first);
        if (count == 0)
            count = s0.size;
        if (strIndex == SHN_XINDEX)
            strIndex = s0.link;
    }
    if (count == 0 || count > kMaxTableBytes / entSize || strIndex >= count)
        return std::nullopt;
    const auto table = src.bytes(shoff, count * entSize);
    if (!table)
        return std::nullopt;
    const Section names = section(table->data() + strIndex * entSize);
    if (names.type == SHT_NOBITS || names.size > kMaxTableBytes)
        return std::nullopt;
    const auto strtab = src.bytes(names.offset, names.size);
    if (!strtab)
        return std::nullopt;

    constexpr std::string_view kName(".rsrc_version");
    for (uint64_t i = 0; i < count; ++i) {
        const Section s = section(table->data() + i * entSize);
        if (s.name >= strtab->size() || strtab->size() - s.name < kName.size() + 1 ||
            std::memcmp(strtab->data() + s.name, kName.data(), kName.size() + 1) != 0)
            continue;
        if (s.type == SHT_NOBITS)
            return std::nullopt;
        return src.bytes(s.offset, std::min<uint64_t>(s.size, kMaxBlock));
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------
// PE: the resource tree is type > name > language; the block is the RT_VERSION resource.

std::optional<std::vector<uint8_t>> PeBlock(const Source& src)
{
    constexpr uint32_t RT_VERSION = 16;
    constexpr uint32_t VS_VERSION_INFO = 1;
    constexpr uint32_t kHighBit = 0x80000000u;
    uint8_t dos[64];
    if (!src.read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return std::nullopt;
    const uint64_t peAt = Get32(dos + 0x3C);
    uint8_t coff[24];
    if (!src.read(peAt, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0)
        return std::nullopt;
    const uint16_t sectionCount = Get16(coff + 6);
    const uint16_t optSize = Get16(coff + 20);
    const uint64_t optAt = peAt + sizeof coff;
    const auto opt = src.bytes(optAt, optSize);
    if (!opt || optSize < 2)
        return std::nullopt;
    const uint16_t magic = Get16(opt->data());
    if (magic != 0x10B && magic != 0x20B)
        return std::nullopt;
    const size_t countAt = magic == 0x10B ? 92 : 108;  // NumberOfRvaAndSizes, then the directories
    const size_t resourceDir = countAt + 4 + 2 * 8;
    if (optSize < resourceDir + 8 || Get32(opt->data() + countAt) < 3)
        return std::nullopt;
    const uint32_t resourceRva = Get32(opt->data() + resourceDir);
    const auto sections = src.bytes(optAt + optSize, uint64_t{sectionCount} * 40);
    if (resourceRva == 0 || !sections)
        return std::nullopt;

    // File offset of rva and the bytes of its section from there on; data beyond a
    // section's raw data is not in the file.
    struct Place {
        uint64_t offset, available;
    };
    auto place = [&](uint32_t rva) -> std::optional<Place> {
        for (size_t i = 0; i < sectionCount; ++i) {
            const uint8_t* s = sections->data() + i * 40;
            const uint32_t va = Get32(s + 12);
            const uint32_t raw = Get32(s + 16);
            if (rva >= va && rva - va < raw)
                return Place{uint64_t{Get32(s + 20)} + (rva - va), raw - (rva - va)};
        }
        return std::nullopt;
    };
    const auto root = place(resourceRva);
    if (!root)
        return std::nullopt;
    // Offsets in the tree are relative to its root and must stay inside its section.
    auto readTree = [&](uint32_t rel, size_t n) -> std::optional<std::vector<uint8_t>> {
        if (rel > root->available || n > root->available - rel)
            return std::nullopt;
        return src.bytes(root->offset + rel, n);
    };
    struct Entry {
        uint32_t name, target;
    };
    auto directory = [&](uint32_t rel) -> std::optional<std::vector<Entry>> {
        const auto header = readTree(rel, 16);
        if (!header)
            return std::nullopt;
        const size_t n = size_t{Get16(header->data() + 12)} + Get16(header->data() + 14);
        const auto raw = readTree(rel + 16, n * 8);
        if (!raw || n == 0)
            return std::nullopt;
        std::vector<Entry> entries(n);
        for (size_t i = 0; i < n; ++i)
            entries[i] = {Get32(raw->data() + 8 * i), Get32(raw->data() + 8 * i + 4)};
        return entries;
    };
    auto byId = [](const std::vector<Entry>& entries, uint32_t id) -> const Entry* {
        for (const Entry& e : entries)
            if (e.name == id)
                return &e;
        return nullptr;
    };

    // Exactly three levels, each of the kind it must be, so a directory pointing back at
    // itself or nesting deeper ends the search instead of looping.
    const auto types = directory(0);
    const Entry* type = types ? byId(*types, RT_VERSION) : nullptr;
    if (!type || !(type->target & kHighBit))
        return std::nullopt;
    const auto names = directory(type->target & ~kHighBit);
    if (!names)
        return std::nullopt;
    const Entry* name = byId(*names, VS_VERSION_INFO);
    if (!name)
        name = &names->front();
    if (!(name->target & kHighBit))
        return std::nullopt;
    const auto languages = directory(name->target & ~kHighBit);
    if (!languages || (languages->front().target & kHighBit))
        return std::nullopt;
    const auto data = readTree(languages->front().target, 16);
    if (!data)
        return std::nullopt;
    const uint32_t dataRva = Get32(data->data());
    const uint32_t dataSize = Get32(data->data() + 4);
    const auto where = place(dataRva);
    if (!where)
        return std::nullopt;
    const uint64_t n = std::min<uint64_t>({dataSize, kMaxBlock, where->available});
    return src.bytes(where->offset, n);
}

std::optional<std::vector<uint8_t>> RawBlock(const Source& src)
{
    uint8_t magic[4];
    if (!src.read(0, magic, sizeof magic))
        return std::nullopt;
    if (magic[0] == 'M' && magic[1] == 'Z')
        return PeBlock(src);
    if (std::memcmp(magic, "\x7F" "ELF", 4) == 0)
        return ElfBlock(src);
    return std::nullopt;
}

// UTF-16LE units to UTF-8, up to the first zero; an unpaired surrogate becomes U+FFFD.
// At most 3 bytes per unit.
std::string Utf8(const uint8_t* units, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = Get16(units + 2 * i);
        if (c == 0)
            break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count) {
            const uint32_t low = Get16(units + 2 * i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool SameKey(const std::string& a, std::string_view b)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// ---------------------------------------------------------------------------------------
// The block: nodes of { wLength, wValueLength, wType, key (UTF-16, zero-terminated),
// padding to 4, value, padding to 4, children }, offsets counted from the block's start.

// Where a node sits decides what its value is: the entries of a string table are texts
// even when a resource compiler marked them binary.
enum class Kind { None, Root, StringInfo, Table, String, Other };

struct Node {
    size_t end = 0;        // one past the node
    Kind kind = Kind::Root;
    bool text = false;     // wType 1, or a string table's entry
    size_t keyStart = 0;   // key's first unit
    size_t keyUnits = 0;   // without its terminating zero
    size_t valueStart = 0;
    size_t valueBytes = 0;  // within the node
    size_t childStart = 0;
};

std::string KeyOf(const uint8_t* b, const Node& node)
{
    return Utf8(b + node.keyStart, node.keyUnits);
}

std::optional<Node> ReadNode(const uint8_t* b, size_t start, size_t limit, Kind parent)
{
    if (start > limit || limit - start < 6)
        return std::nullopt;
    const size_t length = Get16(b + start);
    if (length < 6 || length > limit - start)
        return std::nullopt;
    Node node;
    node.end = start + length;
    const uint16_t valueLength = Get16(b + start + 2);
    const uint16_t type = Get16(b + start + 4);
    // A text node is made of 16-bit units; an odd length cannot be one.
    if (type == 1 && length % 2 != 0)
        return std::nullopt;
    node.text = type == 1 || parent == Kind::Table;
    node.keyStart = start + 6;
    size_t p = node.keyStart;
    for (;; p += 2) {
        if (node.end - p < 2)
            return std::nullopt;  // the key runs out of its node
        if (Get16(b + p) == 0)
            break;
    }
    node.keyUnits = (p - node.keyStart) / 2;
    switch (parent) {
    case Kind::None:
        node.kind = Kind::Root;
        break;
    case Kind::Root:
        node.kind = SameKey(KeyOf(b, node), "StringFileInfo") ? Kind::StringInfo : Kind::Other;
        break;
    case Kind::StringInfo:
        node.kind = Kind::Table;
        break;
    case Kind::Table:
        node.kind = Kind::String;
        break;
    default:
        node.kind = Kind::Other;
    }
    node.valueStart = Align4(p + 2);
    const size_t room = node.valueStart < node.end ? node.end - node.valueStart : 0;
    if (node.text) {
        // Counted in units, though some resource compilers count bytes: the node's end bounds it.
        node.valueBytes = std::min<size_t>(size_t{valueLength} * 2, room & ~size_t{1});
    } else {
        if (valueLength > room)
            return std::nullopt;
        node.valueBytes = valueLength;
    }
    node.childStart = Align4(node.valueStart + node.valueBytes);
    return node;
}

// Calls visit for the node at start and every node below it; false when any of them does
// not fit its parent, has a zero or too short length, or nests too deep.
template <typename Visit>
bool Walk(const uint8_t* b, size_t start, size_t limit, int depth, Kind parent, Visit& visit)
{
    const auto node = ReadNode(b, start, limit, parent);
    if (!node || !visit(*node))
        return false;
    for (size_t pos = node->childStart; pos < node->end && node->end - pos >= 6; ) {
        if (depth >= kMaxBlockDepth || !Walk(b, pos, node->end, depth + 1, node->kind, visit))
            return false;
        pos = Align4(pos + Get16(b + pos));
    }
    return true;
}

// The 8-bit form of each text sits after the block, at 3/2 of the text's own offset: values
// never overlap and UTF-8 needs at most 3 bytes per 2-byte unit, so the places never collide.
size_t TextsAt(size_t blockLength) { return Align4(blockLength); }
size_t TextPlace(size_t valueStart) { return valueStart / 2 * 3; }
size_t BufferSize(size_t blockLength) { return Align4(TextsAt(blockLength) + blockLength / 2 * 3 + 4); }

}  // namespace

std::vector<uint8_t> VersionInfoFromBlock(std::span<const uint8_t> block)
{
    if (block.size() < 6)
        return {};
    const size_t length = Get16(block.data());
    if (length < 6 || length > block.size())
        return {};
    std::vector<uint8_t> out(BufferSize(length), 0);
    std::memcpy(out.data(), block.data(), length);
    uint8_t* b = out.data();
    bool root = true;
    auto visit = [&](const Node& node) {
        if (root) {
            root = false;
            if (!SameKey(KeyOf(b, node), "VS_VERSION_INFO"))
                return false;
        }
        if (node.text && node.valueBytes > 0) {
            const std::string text = Utf8(b + node.valueStart, node.valueBytes / 2);
            const size_t at = TextsAt(length) + TextPlace(node.valueStart);
            if (at + text.size() + 1 > out.size())
                return false;  // cannot happen for a node inside the block; refuse rather than overrun
            std::memcpy(b + at, text.c_str(), text.size() + 1);
        }
        return true;
    };
    if (!Walk(b, 0, length, 0, Kind::None, visit))
        return {};
    return out;
}

std::vector<uint8_t> VersionInfoFromImage(std::span<const uint8_t> file)
{
    const auto block = RawBlock(MemorySource(file));
    return block ? VersionInfoFromBlock(*block) : std::vector<uint8_t>{};
}

namespace {

std::vector<uint8_t> VersionInfoOfFile(const std::string& path)
{
    const FileSource src(path);
    if (!src.open())
        return {};
    const auto block = RawBlock(src);
    return block ? VersionInfoFromBlock(*block) : std::vector<uint8_t>{};
}

}  // namespace

uint32_t GetFileVersionInfoSizeA(const std::string& path)
{
    return static_cast<uint32_t>(VersionInfoOfFile(path).size());
}

bool GetFileVersionInfoA(const std::string& path, uint32_t size, void* buffer)
{
    const std::vector<uint8_t> info = VersionInfoOfFile(path);
    if (info.empty() || !buffer || size < info.size())
        return false;
    std::memcpy(buffer, info.data(), info.size());
    return true;
}

bool VerQueryValueA(const void* block, const std::string& subBlock, const void** value, uint32_t* length)
{
    if (!block || !value || !length)
        return false;
    const auto* b = static_cast<const uint8_t*>(block);
    const size_t blockLength = Get16(b);
    auto node = ReadNode(b, 0, blockLength, Kind::None);
    if (!node)
        return false;
    const bool wantRoot = subBlock.find_first_not_of('\\') == std::string::npos;
    for (size_t from = 0; from < subBlock.size();) {
        size_t to = subBlock.find('\\', from);
        if (to == std::string::npos)
            to = subBlock.size();
        const std::string_view key(subBlock.data() + from, to - from);
        from = to + 1;
        if (key.empty())
            continue;
        std::optional<Node> found;
        for (size_t pos = node->childStart; pos < node->end && node->end - pos >= 6 && !found;) {
            const auto child = ReadNode(b, pos, node->end, node->kind);
            if (!child)
                return false;
            if (SameKey(KeyOf(b, *child), key))
                found = child;
            pos = Align4(child->end);
        }
        if (!found)
            return false;
        node = found;
    }
    if (wantRoot) {
        // The fixed part, and only when it is whole.
        if (node->text || node->valueBytes < sizeof(VS_FIXEDFILEINFO))
            return false;
        *value = b + node->valueStart;
        *length = static_cast<uint32_t>(node->valueBytes);
        return true;
    }
    if (node->text) {
        if (node->valueBytes == 0) {
            *value = "";
            *length = 0;
            return true;
        }
        const char* text = reinterpret_cast<const char*>(b + TextsAt(blockLength) + TextPlace(node->valueStart));
        *value = text;
        *length = static_cast<uint32_t>(std::strlen(text) + 1);
        return true;
    }
    *value = b + std::min(node->valueStart, node->end);
    *length = static_cast<uint32_t>(node->valueBytes);
    return true;
}

}  // namespace platform
