#pragma once
// Version blocks, PE files and ELF files made byte by byte, written here from the formats
// themselves and independently of the program's own block builder, so the two check each other.

#include <cstdint>
#include <string>
#include <vector>

namespace test_images {

using Bytes = std::vector<uint8_t>;

// One node of a VS_VERSIONINFO block.
struct Node {
    std::u16string key;
    uint16_t type = 1;  // 1 text, 0 binary
    Bytes value;
    int valueLength = -1;  // as stored; -1: units for text, bytes for binary
    std::vector<Node> children;
};

Node Text(const std::u16string& key, const std::u16string& value);
Node Binary(const std::u16string& key, const Bytes& value);
Bytes Serialize(const Node& node);

struct Strings {
    std::u16string table;  // e.g. u"040904B0"
    std::vector<std::pair<std::u16string, std::u16string>> entries;
};
// A block as resource compilers make it: the fixed part, then StringFileInfo with the
// given tables, then VarFileInfo\Translation with the given words (language, code page, ...).
Node VersionBlock(uint32_t fileVersionMS, uint32_t fileVersionLS, const std::vector<Strings>& tables,
                  const std::vector<uint16_t>& translation);

// Start of the first node whose key is key, or npos.
size_t NodeOffset(const Bytes& block, const std::u16string& key);

void Put16(Bytes& b, size_t at, uint32_t v);
void Put32(Bytes& b, size_t at, uint32_t v);

// A Windows executable with two sections, .text and .rsrc; the resource tree holds an icon
// type and RT_VERSION > 1 > 0x040C, and the block ends the file.
struct Pe {
    Bytes bytes;
    size_t sectionTable = 0;  // file offset of the section headers
    size_t optionalHeader = 0;
    // File offsets of the resource tree's root, of the RT_VERSION name and language
    // directories, of the data entry and of the block.
    size_t resources = 0, nameDir = 0, languageDir = 0, dataEntry = 0, block = 0;
};
Pe MakePe(const Bytes& block, bool pe32Plus);

// An ELF file whose section named sectionName holds data; the section headers end the file.
struct Elf {
    Bytes bytes;
    size_t sectionHeaders = 0;
    size_t entrySize = 0;
    bool bigEndian = false;
};
Elf MakeElf(const Bytes& data, bool is64, bool bigEndian, const std::string& sectionName = ".rsrc_version");

}  // namespace test_images
