#include "test_images.h"

#include <algorithm>

namespace test_images {
namespace {

void Push16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Pad(Bytes& b, size_t to)
{
    while (b.size() % to)
        b.push_back(0);
}

void Write(Bytes& out, const Node& n)
{
    Pad(out, 4);
    const size_t start = out.size();
    const size_t units = n.value.size() / 2;
    Push16(out, 0);
    Push16(out, n.valueLength >= 0 ? static_cast<uint32_t>(n.valueLength) : n.type == 1 ? units : n.value.size());
    Push16(out, n.type);
    for (char16_t c : n.key)
        Push16(out, c);
    Push16(out, 0);
    Pad(out, 4);
    out.insert(out.end(), n.value.begin(), n.value.end());
    for (const Node& child : n.children)
        Write(out, child);
    Put16(out, start, static_cast<uint32_t>(out.size() - start));
}

// Multi-byte fields in either byte order, for the ELF headers.
void PutN(Bytes& b, size_t at, uint64_t v, int n, bool big)
{
    for (int i = 0; i < n; ++i)
        b[at + (big ? n - 1 - i : i)] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

void Put16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

Node Text(const std::u16string& key, const std::u16string& value)
{
    Node n{key, 1, {}, -1, {}};
    for (char16_t c : value)
        Push16(n.value, c);
    Push16(n.value, 0);
    return n;
}

Node Binary(const std::u16string& key, const Bytes& value)
{
    return Node{key, 0, value, -1, {}};
}

Bytes Serialize(const Node& node)
{
    Bytes out;
    Write(out, node);
    return out;
}

Node VersionBlock(uint32_t fileVersionMS, uint32_t fileVersionLS, const std::vector<Strings>& tables,
                  const std::vector<uint16_t>& translation)
{
    Bytes fixed(52, 0);
    const uint32_t words[13] = {0xFEEF04BD, 0x10000, fileVersionMS, fileVersionLS, fileVersionMS, fileVersionLS,
                                0x3F, 0, 0x40004, 1, 0, 0, 0};
    for (int i = 0; i < 13; ++i)
        Put32(fixed, 4 * i, words[i]);
    Node root = Binary(u"VS_VERSION_INFO", fixed);
    Node stringInfo{u"StringFileInfo", 1, {}, -1, {}};
    for (const Strings& table : tables) {
        Node t{table.table, 1, {}, -1, {}};
        for (const auto& [key, value] : table.entries)
            t.children.push_back(Text(key, value));
        stringInfo.children.push_back(t);
    }
    root.children.push_back(stringInfo);
    if (!translation.empty()) {
        Bytes value;
        for (uint16_t w : translation)
            Push16(value, w);
        root.children.push_back(Node{u"VarFileInfo", 1, {}, -1, {Binary(u"Translation", value)}});
    }
    return root;
}

size_t NodeOffset(const Bytes& block, const std::u16string& key)
{
    Bytes pattern;
    for (char16_t c : key)
        Push16(pattern, c);
    Push16(pattern, 0);
    for (size_t i = 6; i + pattern.size() <= block.size(); i += 2)
        if (std::equal(pattern.begin(), pattern.end(), block.begin() + static_cast<long>(i)))
            return i - 6;
    return std::string::npos;
}

Pe MakePe(const Bytes& block, bool pe32Plus)
{
    constexpr uint32_t kRsrcRva = 0x2000;
    constexpr size_t kRsrcFile = 0x400;
    Pe pe;
    const size_t optSize = pe32Plus ? 240 : 224;
    pe.optionalHeader = 0x58;
    pe.sectionTable = pe.optionalHeader + optSize;
    pe.resources = kRsrcFile;
    pe.nameDir = kRsrcFile + 0x20;
    pe.languageDir = kRsrcFile + 0x38;
    pe.dataEntry = kRsrcFile + 0x50;
    pe.block = kRsrcFile + 0x60;
    const uint32_t treeSize = static_cast<uint32_t>(0x60 + block.size());

    Bytes& b = pe.bytes;
    b.assign(pe.block, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    b[0x40] = 'P';
    b[0x41] = 'E';
    Put16(b, 0x44, pe32Plus ? 0x8664 : 0x14C);
    Put16(b, 0x46, 2);
    Put16(b, 0x54, static_cast<uint32_t>(optSize));
    Put16(b, 0x56, pe32Plus ? 0x22 : 0x102);
    const size_t o = pe.optionalHeader;
    Put16(b, o, pe32Plus ? 0x20B : 0x10B);
    const size_t dirs = o + (pe32Plus ? 112 : 96);
    Put32(b, dirs - 4, 16);  // NumberOfRvaAndSizes
    Put32(b, dirs + 2 * 8, kRsrcRva);
    Put32(b, dirs + 2 * 8 + 4, treeSize);

    auto section = [&](size_t at, const char* name, uint32_t virtualSize, uint32_t va, uint32_t raw, uint32_t ptr) {
        for (size_t i = 0; name[i]; ++i)
            b[at + i] = static_cast<uint8_t>(name[i]);
        Put32(b, at + 8, virtualSize);
        Put32(b, at + 12, va);
        Put32(b, at + 16, raw);
        Put32(b, at + 20, ptr);
    };
    section(pe.sectionTable, ".text", 0x10, 0x1000, 0x200, 0x200);
    section(pe.sectionTable + 40, ".rsrc", treeSize, kRsrcRva, treeSize, kRsrcFile);
    b[0x200] = 0xC3;

    const size_t r = kRsrcFile;
    Put16(b, r + 14, 2);  // two type entries: an icon, then the version
    Put32(b, r + 16, 3);
    Put32(b, r + 20, 0x80000000u | 0x20);
    Put32(b, r + 24, 16);
    Put32(b, r + 28, 0x80000000u | 0x20);
    Put16(b, pe.nameDir + 14, 1);
    Put32(b, pe.nameDir + 16, 1);
    Put32(b, pe.nameDir + 20, 0x80000000u | 0x38);
    Put16(b, pe.languageDir + 14, 1);
    Put32(b, pe.languageDir + 16, 0x040C);
    Put32(b, pe.languageDir + 20, 0x50);
    Put32(b, pe.dataEntry, kRsrcRva + 0x60);
    Put32(b, pe.dataEntry + 4, static_cast<uint32_t>(block.size()));
    b.insert(b.end(), block.begin(), block.end());
    return pe;
}

Elf MakeElf(const Bytes& data, bool is64, bool bigEndian, const std::string& sectionName)
{
    Elf elf;
    elf.bigEndian = bigEndian;
    elf.entrySize = is64 ? 64 : 40;
    Bytes& b = elf.bytes;
    const size_t header = is64 ? 64 : 52;
    b.assign(header, 0);
    b[0] = 0x7F;
    b[1] = 'E';
    b[2] = 'L';
    b[3] = 'F';
    b[4] = is64 ? 2 : 1;
    b[5] = bigEndian ? 2 : 1;
    b[6] = 1;
    PutN(b, 16, 2, 2, bigEndian);                                   // ET_EXEC
    PutN(b, 18, is64 ? 62 : (bigEndian ? 20 : 3), 2, bigEndian);  // x86-64, PowerPC, i386
    PutN(b, 20, 1, 4, bigEndian);

    Pad(b, 4);
    const size_t dataAt = b.size();
    b.insert(b.end(), data.begin(), data.end());
    const std::string names = std::string("\0.text\0.shstrtab\0", 17) + sectionName + '\0';
    const size_t namesAt = b.size();
    b.insert(b.end(), names.begin(), names.end());
    Pad(b, 8);
    elf.sectionHeaders = b.size();
    b.resize(b.size() + 4 * elf.entrySize, 0);

    auto sh = [&](int i, uint32_t name, uint32_t type, uint64_t offset, uint64_t size) {
        const size_t at = elf.sectionHeaders + i * elf.entrySize;
        PutN(b, at, name, 4, bigEndian);
        PutN(b, at + 4, type, 4, bigEndian);
        PutN(b, at + (is64 ? 24 : 16), offset, is64 ? 8 : 4, bigEndian);
        PutN(b, at + (is64 ? 32 : 20), size, is64 ? 8 : 4, bigEndian);
    };
    sh(1, 1, 1, dataAt, 0);                              // .text, PROGBITS, empty
    sh(2, 17, 1, dataAt, data.size());                   // the named section
    sh(3, 7, 3, namesAt, names.size());                  // .shstrtab, STRTAB
    PutN(b, is64 ? 40 : 32, elf.sectionHeaders, is64 ? 8 : 4, bigEndian);
    PutN(b, is64 ? 52 : 40, header, 2, bigEndian);
    PutN(b, is64 ? 58 : 46, elf.entrySize, 2, bigEndian);
    PutN(b, is64 ? 60 : 48, 4, 2, bigEndian);
    PutN(b, is64 ? 62 : 50, 3, 2, bigEndian);
    return elf;
}

}  // namespace test_images
