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
    return 0;
}
