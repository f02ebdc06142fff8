// TVorlVersion over the real program, over PE files made here, and over files without
// version information; and the program's --version.

#include "test_images.h"

#include "inet/vorl_version.h"
#include "platform/version_info.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <climits>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace test_images;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

std::string WriteBytes(const TempDir& dir, const std::string& name, const Bytes& bytes)
{
    const std::string path = dir.file(name);
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
}

// Sets the file's last write to noon, local time, of the given day.
void SetDate(const std::string& path, int day, int month, int year)
{
    std::tm t{};
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    const utimbuf times{std::mktime(&t), std::mktime(&t)};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

std::string SizeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? std::to_string(st.st_size) : "?";
}

Bytes PeWithStrings(bool pe32Plus)
{
    return MakePe(Serialize(VersionBlock(0x00010002, 0x00030004,
                                         {{u"040904B0",
                                           {{u"CompanyName", u"Kestrune Ltée"},
                                            {u"FileDescription", u"Sample tool"},
                                            {u"FileVersion", u"1.2.3.4"},
                                            {u"InternalName", u"sample"},
                                            {u"LegalCopyright", u"© 2026"},
                                            {u"LegalTrademarks", u"none"},
                                            {u"OriginalFilename", u"sample.exe"},
                                            {u"ProductName", u"Sample"},
                                            {u"ProductVersion", u"1.2"},
                                            {u"Comments", u"for tests"}}}},
                                         {0x0409, 0x04B0, 0x040C, 0x04E4})),
                  pe32Plus)
        .bytes;
}

}  // namespace

TEST(VorlVersion, TheProgramsOwnFileCarriesItsVersion)
{
    // By default it reads the running program: this test program, which carries none.
    TVorlVersion version;
    char self[PATH_MAX] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(version.FileName(), self);
    EXPECT_EQ(version.CountryCode, "");
    EXPECT_EQ(version.FileSize, "");  // read only along with version information

    version.SetFileName(LUMIVANE_EXE);
    EXPECT_EQ(version.CountryCode, "040C04E4");
    EXPECT_EQ(version.FileVersion, "3.3.7.6");
    EXPECT_EQ(version.ProductVersion, "3.376");
    EXPECT_EQ(version.ProductName, "Lumivane");
    EXPECT_EQ(version.FileDescription, "Lumivane");
    EXPECT_EQ(version.InternalName, "lumivane");
    EXPECT_EQ(version.OriginalFilename, "lumivane.scr");
    EXPECT_EQ(version.Comments, "Economiseur d'écran");
    EXPECT_EQ(version.LegalCopyright, "");
    EXPECT_EQ(version.CompanyName, "");
    EXPECT_EQ(version.LegalTradeMarks, "");
    EXPECT_EQ(version.FileSize, SizeOf(LUMIVANE_EXE));

    // The fixed part says the same, for an application.
    const uint32_t size = platform::GetFileVersionInfoSizeA(LUMIVANE_EXE);
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(platform::GetFileVersionInfoA(LUMIVANE_EXE, size, block.data()));
    const void* value = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(platform::VerQueryValueA(block.data(), "\\", &value, &length));
    platform::VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, platform::VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00030003u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00070006u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00030003u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00070006u);
    EXPECT_EQ(fixed.dwFileType, platform::VFT_APP);
}

#ifdef HOSTPROBE_EXE
TEST(VorlVersion, TheCheckerCarriesItsOwn)
{
    TVorlVersion version;
    version.SetFileName(HOSTPROBE_EXE);
    EXPECT_EQ(version.CountryCode, "040C04E4");
    EXPECT_EQ(version.FileVersion, "3.3.7.6");
    EXPECT_EQ(version.ProductName, "Lumivane");
    EXPECT_EQ(version.InternalName, "hostprobe");
}
#endif

TEST(VorlVersion, ReadsTheTextsOfWindowsPrograms)
{
    TempDir dir;
    for (bool plus : {false, true}) {
        SCOPED_TRACE(plus ? "PE32+" : "PE32");
        const std::string exe = WriteBytes(dir, "sample.exe", PeWithStrings(plus));
        SetDate(exe, 8, 12, 2026);
        TVorlVersion version;
        version.SetFileName(exe);
        // Only the first translation counts.
        EXPECT_EQ(version.CountryCode, "040904B0");
        EXPECT_EQ(version.CompanyName, "Kestrune Ltée");
        EXPECT_EQ(version.FileDescription, "Sample tool");
        EXPECT_EQ(version.FileVersion, "1.2.3.4");
        EXPECT_EQ(version.InternalName, "sample");
        EXPECT_EQ(version.LegalCopyright, "© 2026");
        EXPECT_EQ(version.LegalTradeMarks, "none");
        EXPECT_EQ(version.OriginalFilename, "sample.exe");
        EXPECT_EQ(version.ProductName, "Sample");
        EXPECT_EQ(version.ProductVersion, "1.2");
        EXPECT_EQ(version.Comments, "for tests");
        EXPECT_EQ(version.FileSize, SizeOf(exe));
        EXPECT_EQ(version.FileDate, "08/12/2026");  // these tests run under a French locale
    }
}

TEST(VorlVersion, AFileWithoutVersionKeepsTheEarlierSizeAndDate)
{
    TempDir dir;
    const std::string exe = WriteBytes(dir, "sample.exe", PeWithStrings(false));
    SetDate(exe, 8, 12, 2026);
    WriteFile(dir.file("notes.txt"), "no version here");
    SetDate(dir.file("notes.txt"), 1, 2, 2003);

    TVorlVersion version;
    version.SetFileName(exe);
    ASSERT_EQ(version.FileVersion, "1.2.3.4");
    for (const std::string& other : {dir.file("notes.txt"), dir.file("missing.exe")}) {
        version.SetFileName(other);
        EXPECT_EQ(version.FileName(), other);
        for (const std::string* text :
             {&version.CompanyName, &version.FileDescription, &version.FileVersion, &version.InternalName,
              &version.LegalCopyright, &version.LegalTradeMarks, &version.OriginalFilename, &version.ProductName,
              &version.ProductVersion, &version.Comments, &version.CountryCode})
            EXPECT_EQ(*text, "");
        EXPECT_EQ(version.FileSize, SizeOf(exe));
        EXPECT_EQ(version.FileDate, "08/12/2026");
    }
}

TEST(VorlVersion, WithoutTranslationOrMatchingTableOnlySizeAndDateAreRead)
{
    TempDir dir;
    // No translation table; then one whose first entry names a table the block lacks.
    const Strings table{u"040904B0", {{u"FileVersion", u"9.9"}}};
    for (const std::vector<uint16_t>& translation : std::vector<std::vector<uint16_t>>{{}, {0x040C, 0x04E4}}) {
        const std::string exe =
            WriteBytes(dir, "t.exe", MakePe(Serialize(VersionBlock(1, 0, {table}, translation)), false).bytes);
        SetDate(exe, 31, 1, 2025);
        TVorlVersion version;
        version.SetFileName(exe);
        EXPECT_EQ(version.CountryCode, translation.empty() ? "" : "040C04E4");
        EXPECT_EQ(version.FileVersion, "");
        EXPECT_EQ(version.FileSize, SizeOf(exe));
        EXPECT_EQ(version.FileDate, "31/01/2025");
    }
}

// Run with a German locale (see CMakeLists.txt), whose date separator is ".".
TEST(VorlVersionGermanLocale, DateUsesTheUsersSeparator)
{
    if (!QLocale::system().name().startsWith(QLatin1String("de")))
        GTEST_SKIP() << "needs LC_ALL=de_DE.UTF-8";
    TempDir dir;
    const std::string exe = WriteBytes(dir, "sample.exe", PeWithStrings(true));
    SetDate(exe, 8, 12, 2026);
    TVorlVersion version;
    version.SetFileName(exe);
    EXPECT_EQ(version.FileDate, "08.12.2026");
}

TEST(VorlVersion, ProgramPrintsItsVersionWithoutADisplay)
{
    TempDir dir;
    const auto r = testing_support::Run(LUMIVANE_EXE, {"--version"},
                                        {{"DISPLAY", ""},
                                         {"WAYLAND_DISPLAY", ""},
                                         {"QT_QPA_PLATFORM", ""},
                                         {"LUMIVANE_HKCU", dir.file("absent/HKCU.reg")},
                                         {"LUMIVANE_HKLM", dir.file("absent/HKLM.reg")}});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "Lumivane 3.3.7.6\n");
}
