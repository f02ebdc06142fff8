#pragma once
// Builds a Windows VS_VERSIONINFO block in the compiler, so that a program carries its
// version information as data in its own file, made from the same description as its build.
// The same builder gives a std::vector at run time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace version_block {

struct Text {
    std::string_view key;
    std::string_view value;  // UTF-8
};

struct Description {
    std::array<uint16_t, 4> fileVersion{};
    std::array<uint16_t, 4> productVersion{};
    uint16_t language = 0;  // e.g. 0x040C
    uint16_t codePage = 0;  // e.g. 1252
    uint32_t fileType = 1;  // VFT_APP 1, VFT_DLL 2
    std::span<const Text> texts;
};

// Writes into out, or only counts when out is null.
class Writer {
public:
    constexpr explicit Writer(uint8_t* out = nullptr) : out_(out) {}
    constexpr size_t pos() const { return pos_; }
    constexpr void byte(uint32_t b)
    {
        if (out_)
            out_[pos_] = static_cast<uint8_t>(b & 0xFF);
        ++pos_;
    }
    constexpr void u16(uint32_t v)
    {
        byte(v);
        byte(v >> 8);
    }
    constexpr void u32(uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    constexpr void pad()
    {
        while (pos_ % 4)
            byte(0);
    }
    constexpr void patch16(size_t at, size_t v)
    {
        if (v > 0xFFFF)
            throw std::length_error("version block longer than 65535 bytes");
        if (out_) {
            out_[at] = static_cast<uint8_t>(v & 0xFF);
            out_[at + 1] = static_cast<uint8_t>(v >> 8);
        }
    }
    // The text in UTF-16LE with its terminating zero; returns the units written.
    constexpr size_t utf16(std::string_view s)
    {
        size_t units = 0;
        for (size_t i = 0; i < s.size();) {
            const auto c0 = static_cast<uint8_t>(s[i]);
            const size_t n = c0 < 0x80 ? 1 : (c0 >> 5) == 0x6 ? 2 : (c0 >> 4) == 0xE ? 3 : (c0 >> 3) == 0x1E ? 4 : 0;
            if (n == 0 || i + n > s.size())
                throw std::invalid_argument("version text is not UTF-8");
            uint32_t c = n == 1 ? c0 : c0 & (0x7F >> n);
            for (size_t k = 1; k < n; ++k) {
                const auto ck = static_cast<uint8_t>(s[i + k]);
                if ((ck & 0xC0) != 0x80)
                    throw std::invalid_argument("version text is not UTF-8");
                c = c << 6 | (ck & 0x3F);
            }
            i += n;
            if (c >= 0x10000) {
                c -= 0x10000;
                u16(0xD800 + (c >> 10));
                u16(0xDC00 + (c & 0x3FF));
                units += 2;
            } else {
                u16(c);
                ++units;
            }
        }
        u16(0);
        return units + 1;
    }

private:
    uint8_t* out_;
    size_t pos_ = 0;
};

constexpr size_t Utf16Units(std::string_view s)
{
    Writer counter;
    return counter.utf16(s);
}

// One node: wLength, wValueLength, wType, key, padding, then what body writes. Each node
// starts on a 4-byte boundary; its length leaves out the padding after it.
template <typename Body>
constexpr void Node(Writer& w, std::string_view key, uint16_t type, size_t valueLength, Body body)
{
    w.pad();
    const size_t start = w.pos();
    w.u16(0);
    w.u16(static_cast<uint32_t>(valueLength));
    w.u16(type);
    w.utf16(key);
    w.pad();
    body();
    w.patch16(start, w.pos() - start);
}

constexpr void Write(Writer& w, const Description& d)
{
    constexpr char kHex[] = "0123456789ABCDEF";
    char table[8] = {};
    const uint32_t translation = uint32_t{d.language} << 16 | d.codePage;
    for (int i = 0; i < 8; ++i)
        table[i] = kHex[translation >> (28 - 4 * i) & 0xF];

    Node(w, "VS_VERSION_INFO", 0, 52, [&] {
        w.u32(0xFEEF04BD);  // VS_FIXEDFILEINFO
        w.u32(0x00010000);
        w.u32(uint32_t{d.fileVersion[0]} << 16 | d.fileVersion[1]);
        w.u32(uint32_t{d.fileVersion[2]} << 16 | d.fileVersion[3]);
        w.u32(uint32_t{d.productVersion[0]} << 16 | d.productVersion[1]);
        w.u32(uint32_t{d.productVersion[2]} << 16 | d.productVersion[3]);
        w.u32(0x3F);  // flags mask; no flags
        w.u32(0);
        w.u32(0x4);  // VOS__WINDOWS32
        w.u32(d.fileType);
        w.u32(0);  // subtype
        w.u32(0);  // date
        w.u32(0);
        Node(w, "StringFileInfo", 1, 0, [&] {
            Node(w, std::string_view(table, 8), 1, 0, [&] {
                for (const Text& t : d.texts)
                    Node(w, t.key, 1, Utf16Units(t.value), [&] { w.utf16(t.value); });
            });
        });
        Node(w, "VarFileInfo", 1, 0, [&] {
            Node(w, "Translation", 0, 4, [&] {
                w.u16(d.language);
                w.u16(d.codePage);
            });
        });
    });
}

constexpr size_t Size(const Description& d)
{
    Writer counter;
    Write(counter, d);
    return counter.pos();
}

template <size_t N>
constexpr std::array<uint8_t, N> Build(const Description& d)
{
    std::array<uint8_t, N> block{};
    Writer w(block.data());
    Write(w, d);
    return block;
}

inline std::vector<uint8_t> BuildVector(const Description& d)
{
    std::vector<uint8_t> block(Size(d));
    Writer w(block.data());
    Write(w, d);
    return block;
}

}  // namespace version_block
