// Writes the seed corpus of the version fuzz target: small PE and ELF files and bare blocks.
//   version_make_seeds <folder>

#include "test_images.h"
#include "version_block.h"

#include <cstdio>
#include <fstream>
#include <string>

using namespace test_images;

namespace {

void Save(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const Bytes sample = Serialize(VersionBlock(0x00010002, 0x00030004,
                                                {{u"040904B0", {{u"CompanyName", u"Ltée"}, {u"FileVersion", u"1.2.3.4"}}}},
                                                {0x0409, 0x04B0}));
    constexpr version_block::Text texts[] = {{"FileVersion", "3.3.7.6"}, {"Comments", "écran"}};
    const Bytes built = version_block::BuildVector({{3, 3, 7, 6}, {3, 3, 7, 6}, 0x040C, 1252, 1, texts});

    Save(dir + "/pe32.exe", MakePe(sample, false).bytes);
    Save(dir + "/pe32plus.dll", MakePe(sample, true).bytes);
    Save(dir + "/elf64.bin", MakeElf(built, true, false).bytes);
    Save(dir + "/elf32be.bin", MakeElf(sample, false, true).bytes);
    Save(dir + "/block.bin", built);

    // Variations: other tables and translations, other file layouts, and cuts of each.
    const Bytes twoTables = Serialize(VersionBlock(
        0xFFFFFFFF, 0, {{u"040C04E4", {{u"FileVersion", u"3.3.7.6"}, {u"ProductName", u""}}}, {u"040904B0", {}}},
        {0x040C, 0x04E4, 0x0409, 0x04B0}));
    const Bytes noStrings = Serialize(VersionBlock(0, 0, {}, {}));
    const Bytes oddText = Serialize(VersionBlock(1, 2, {{u"041D04B0", {{u"Comments", u"x"}, {u"A", u"abc"}}}}, {0x041D}));
    Save(dir + "/two_tables.bin", twoTables);
    Save(dir + "/no_strings.bin", noStrings);
    Save(dir + "/odd_text.bin", oddText);
    Save(dir + "/pe32_two_tables.exe", MakePe(twoTables, false).bytes);
    Save(dir + "/pe32plus_no_strings.dll", MakePe(noStrings, true).bytes);
    Save(dir + "/elf32.bin", MakeElf(built, false, false).bytes);
    Save(dir + "/elf64be.bin", MakeElf(oddText, true, true).bytes);
    Save(dir + "/elf64_other_section.bin", MakeElf(built, true, false, ".data").bytes);
    const std::pair<const char*, Bytes> whole[] = {{"pe32", MakePe(sample, false).bytes},
                                                   {"elf64", MakeElf(built, true, false).bytes},
                                                   {"block", built}};
    for (const auto& [name, bytes] : whole)
        for (size_t part : {2u, 3u, 5u}) {
            const Bytes cut(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() * (part - 1) / part));
            Save(dir + "/" + name + "_cut" + std::to_string(part) + ".bin", cut);
        }
    return 0;
}
