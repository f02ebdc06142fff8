// The version API stand-in over PE and ELF files made byte by byte, and over broken ones.

#include "test_images.h"

#include "platform/version_info.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sys/stat.h>

using namespace platform;
using namespace test_images;

namespace {

const std::u16string kSmile = u"\U0001F600";

Bytes SampleBlock()
{
    return Serialize(VersionBlock(0x00020001, 0x00040003,
                                  {{u"040904B0",
                                    {{u"CompanyName", u"Société Æ " + kSmile},
                                     {u"FileVersion", u"2.1.4.3"},
                                     {u"OriginalFilename", u"sample.exe"},
                                     {u"LegalCopyright", u""}}}},
                                  {0x0409, 0x04B0}));
}

std::string Query(const Bytes& info, const std::string& path, uint32_t* length = nullptr)
{
    const void* value = nullptr;
    uint32_t len = 0;
    if (!VerQueryValueA(info.data(), path, &value, &len))
        return "<none>";
    if (length)
        *length = len;
    return static_cast<const char*>(value);
}

std::span<const uint8_t> Span(const Bytes& b) { return {b.data(), b.size()}; }

}  // namespace

TEST(VersionInfo, ReadsTheBlockOfPe32AndPe32PlusFiles)
{
    for (bool plus : {false, true}) {
        SCOPED_TRACE(plus ? "PE32+" : "PE32");
        const Bytes info = VersionInfoFromImage(Span(MakePe(SampleBlock(), plus).bytes));
        ASSERT_FALSE(info.empty());

        uint32_t len = 0;
        const void* value = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &len));
        ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
        VS_FIXEDFILEINFO fixed;
        std::memcpy(&fixed, value, sizeof fixed);
        EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
        EXPECT_EQ(fixed.dwFileVersionMS, 0x00020001u);
        EXPECT_EQ(fixed.dwFileVersionLS, 0x00040003u);

        ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &len));
        ASSERT_EQ(len, 4u);
        EXPECT_EQ(std::memcmp(value, "\x09\x04\xB0\x04", 4), 0);

        // UTF-16 comes back as UTF-8, surrogate pairs included; keys match in any case.
        EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\CompanyName", &len), "Société Æ \U0001F600");
        EXPECT_EQ(len, std::strlen("Société Æ \U0001F600") + 1);
        EXPECT_EQ(Query(info, "\\stringfileinfo\\040904b0\\ORIGINALFILENAME"), "sample.exe");
        EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\OriginalFileName"), "sample.exe");
        EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\FileVersion"), "2.1.4.3");
        EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\LegalCopyright"), "");
        EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\ProductName"), "<none>");
        EXPECT_EQ(Query(info, "\\StringFileInfo\\040C04E4\\FileVersion"), "<none>");
        EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\FileVersion\\More"), "<none>");
    }
}

TEST(VersionInfo, ReadsTheSectionOfElfFilesOfEitherClassAndByteOrder)
{
    for (bool is64 : {false, true})
        for (bool big : {false, true}) {
            SCOPED_TRACE(std::to_string(is64) + std::to_string(big));
            const Bytes info = VersionInfoFromImage(Span(MakeElf(SampleBlock(), is64, big).bytes));
            EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\FileVersion"), "2.1.4.3");
        }
    EXPECT_TRUE(VersionInfoFromImage(Span(MakeElf(SampleBlock(), true, false, ".rsrc_versions").bytes)).empty());
    EXPECT_TRUE(VersionInfoFromImage(Span(MakeElf(SampleBlock(), true, false, ".rsrc").bytes)).empty());
}

TEST(VersionInfo, ToleratesWhatResourceCompilersDo)
{
    // Text lengths counted in bytes rather than units, a text marked binary, an empty text
    // stored without a value, an odd-length binary value, and bytes after the block.
    Node root = VersionBlock(1, 0, {{u"040904B0", {{u"FileVersion", u"1.0"}}}}, {0x0409, 0x04B0});
    Node& table = root.children[0].children[0];
    table.children[0].valueLength = 8;
    table.children.push_back(Binary(u"InternalName", {'b', 0, 'i', 0, 'n', 0, 0, 0}));
    table.children.push_back(Node{u"Comments", 1, {}, 0, {}});
    root.children.push_back(Binary(u"Odd", {1, 2, 3}));
    Bytes block = Serialize(root);
    block.insert(block.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0, 0, 0, 0});

    const Bytes info = VersionInfoFromBlock(Span(block));
    uint32_t len = 99;
    EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\FileVersion"), "1.0");
    EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\InternalName", &len), "bin");
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(Query(info, "\\StringFileInfo\\040904B0\\Comments", &len), "");
    EXPECT_EQ(len, 0u);
    const void* value = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\Odd", &value, &len));
    EXPECT_EQ(len, 3u);

    // A lone surrogate reads as U+FFFD instead of ending the text or making bad UTF-8.
    Bytes lone = Serialize(VersionBlock(1, 0, {{u"040904B0", {{u"Comments", u"a\xD800z"}}}}, {0x0409, 0x04B0}));
    EXPECT_EQ(Query(VersionInfoFromBlock(Span(lone)), "\\StringFileInfo\\040904B0\\Comments"), "a\uFFFDz");
}

TEST(VersionInfo, MalformedBlocksReadAsNone)
{
    const Bytes good = SampleBlock();
    ASSERT_FALSE(VersionInfoFromBlock(Span(good)).empty());
    const size_t company = NodeOffset(good, u"CompanyName");
    const size_t table = NodeOffset(good, u"040904B0");
    const size_t translation = NodeOffset(good, u"Translation");
    ASSERT_NE(company, std::string::npos);

    auto broken = [&](auto change) {
        Bytes b = good;
        change(b);
        return VersionInfoFromBlock(Span(b)).empty();
    };
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, company, 0); }));                        // wLength 0
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, company, 4); }));                        // shorter than a header
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, table, b[table] + (b[table + 1] << 8) + 40); }));  // child past its parent
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, company, b[company] + (b[company + 1] << 8) + 1); }));  // odd text node
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, translation + 2, 400); }));              // value past its node
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, 0, static_cast<uint32_t>(b.size() + 2)); }));  // past the data
    EXPECT_TRUE(broken([&](Bytes& b) { b[6] = 'W'; }));                                  // not VS_VERSION_INFO
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, company, 6 + 2 * 11); }));              // key without its zero
    EXPECT_TRUE(VersionInfoFromBlock({}).empty());

    // Nesting far deeper than any version block.
    Node deep = Binary(u"VS_VERSION_INFO", Bytes(52, 0));
    Node* at = &deep;
    for (int i = 0; i < 40; ++i) {
        at->children.push_back(Node{u"x", 1, {}, -1, {}});
        at = &at->children.back();
    }
    EXPECT_TRUE(VersionInfoFromBlock(Span(Serialize(deep))).empty());
}

TEST(VersionInfo, BrokenPeFilesReadAsNone)
{
    const Pe pe = MakePe(SampleBlock(), false);
    ASSERT_FALSE(VersionInfoFromImage(Span(pe.bytes)).empty());
    // Every cut of the file loses part of what the block needs.
    for (size_t n = 0; n < pe.bytes.size(); ++n)
        ASSERT_TRUE(VersionInfoFromImage({pe.bytes.data(), n}).empty()) << n;

    auto broken = [&](auto change) {
        Pe p = pe;
        change(p.bytes);
        return VersionInfoFromImage(Span(p.bytes)).empty();
    };
    const size_t rsrc = pe.sectionTable + 40;
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, 0x3C, 0xFFFFFFF0); }));            // PE header past the end
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, rsrc + 20, 0xFFFFFF00); }));       // section data past the end
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, rsrc + 16, 0x10); }));             // tree outside the raw data
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, 0x46, 0xFFFF); }));                // huge section count
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, pe.optionalHeader, 0x107); }));    // unknown optional header
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, 0x54, 90); }));                    // no room for the resource entry
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, pe.optionalHeader + 92, 2); }));   // too few data directories
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, pe.dataEntry, 0x7FFFFFF0); }));    // data outside every section
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, pe.resources + 12, 0xFFFF); }));   // entries past the tree
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, pe.resources + 28, 0x80000000u | 0x7FFFFFF0); }));
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, pe.resources + 28, 0x80000000u); }));  // version type is the root again
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, pe.nameDir + 20, 0x80000000u); }));    // a cycle through the root
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, pe.languageDir + 20, 0x80000000u | 0x20); }));  // a fourth level
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, pe.nameDir + 20, 0x38); }));       // data where a directory must be
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, pe.resources + 24, 6); }));        // no RT_VERSION
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, pe.block, 0); }));                 // block of length 0
    // Not broken: a declared size beyond the section is cut to what the file holds.
    EXPECT_FALSE(broken([&](Bytes& b) { Put32(b, pe.dataEntry + 4, 0xFFFFFFFF); }));
}

TEST(VersionInfo, BrokenElfFilesReadAsNone)
{
    const Elf elf = MakeElf(SampleBlock(), true, false);
    ASSERT_FALSE(VersionInfoFromImage(Span(elf.bytes)).empty());
    for (size_t n = 0; n < elf.bytes.size(); ++n)
        ASSERT_TRUE(VersionInfoFromImage({elf.bytes.data(), n}).empty()) << n;

    auto broken = [&](auto change) {
        Elf e = elf;
        change(e.bytes);
        return VersionInfoFromImage(Span(e.bytes)).empty();
    };
    const size_t named = elf.sectionHeaders + 2 * 64;
    const size_t strtab = elf.sectionHeaders + 3 * 64;
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, 40, 0xFFFFFFF0); }));               // headers past the end
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, 58, 16); }));                       // entries too small
    EXPECT_TRUE(broken([&](Bytes& b) { Put16(b, 62, 9); }));                        // name table index out of range
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, named, 0x7FFFFFFF); }));            // name past the name table
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, named + 24, 0xFFFFFFF0); }));       // data past the end
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, named + 4, 8); }));                 // SHT_NOBITS: nothing in the file
    EXPECT_TRUE(broken([&](Bytes& b) { Put32(b, strtab + 32, 0x7FFFFFFF); }));      // name table past the end
    EXPECT_TRUE(broken([&](Bytes& b) {                                              // a huge extended count
        Put16(b, 60, 0);
        Put32(b, elf.sectionHeaders + 32, 0xFFFFFFFF);
        Put32(b, elf.sectionHeaders + 36, 0xFF);
    }));
    EXPECT_TRUE(broken([&](Bytes& b) { b[4] = 3; }));                               // no such class
}

TEST(VersionInfo, FilesThatAreNotProgramsHaveNone)
{
    testing_support::TempDir dir;
    const Pe pe = MakePe(SampleBlock(), true);
    const std::string exe = dir.file("sample.exe");
    testing_support::WriteFile(exe, std::string(pe.bytes.begin(), pe.bytes.end()));
    const uint32_t size = GetFileVersionInfoSizeA(exe);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> buffer(size, 0xAA);
    EXPECT_FALSE(GetFileVersionInfoA(exe, size - 1, buffer.data()));
    EXPECT_EQ(buffer, std::vector<uint8_t>(size, 0xAA));
    ASSERT_TRUE(GetFileVersionInfoA(exe, size, buffer.data()));
    EXPECT_EQ(Query(buffer, "\\StringFileInfo\\040904B0\\FileVersion"), "2.1.4.3");

    testing_support::WriteFile(dir.file("text.txt"), "MZ is not enough");
    testing_support::WriteFile(dir.file("empty"), "");
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    for (const char* name : {"text.txt", "empty", "missing", "pipe", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetFileVersionInfoSizeA(dir.file(name)), 0u);
        EXPECT_FALSE(GetFileVersionInfoA(dir.file(name), size, buffer.data()));
    }
    // The named pipe, which has no writer, must not hold the reader.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
