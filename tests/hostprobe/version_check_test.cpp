#include "version_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace hostprobe;

namespace {

struct Shown {
    std::string text, caption;
    uint32_t flags;
};

struct Recorder {
    std::vector<Shown> boxes;
    ShowMessage show()
    {
        return [this](const std::string& text, const std::string& caption, uint32_t flags) {
            boxes.push_back({text, caption, flags});
            return IDOK;
        };
    }
};

// A GetVersionExA that reports the given record.
VersionSource reporting(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, const char* csd = "")
{
    return [=](OSVERSIONINFOA* info) {
        info->dwPlatformId = platform;
        info->dwMajorVersion = major;
        info->dwMinorVersion = minor;
        info->dwBuildNumber = build;
        std::strncpy(info->szCSDVersion, csd, sizeof(info->szCSDVersion) - 1);
        return true;
    };
}

WindowsVersion version(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, std::string csd = "")
{
    return {platform, major, minor, build, std::move(csd)};
}

const std::string kWarningHead = "Votre version de Windows n'est pas à jour.\r\n"
                                 "Il existe des correctifs. Sans ces correctifs,\r\n"
                                 "ce logiciel peut ne pas fonctionner correctement.\r\n"
                                 "Votre version : ";

}  // namespace

TEST(VersionTable, EveryRowInOrder)
{
    struct Row {
        WindowsVersion v;
        const char* name;
        bool upToDate;
    };
    const Row rows[] = {
        // The 95 family: 4.x with a minor above 0 is 98 (and Me, 4.90, lands here too).
        {version(1, 4, 10, 1998), "Windows 98", false},
        {version(1, 4, 10, 1999), "Windows 98", true},
        {version(1, 4, 10, 2222), "Windows 98", true},
        {version(1, 4, 90, 3000), "Windows 98", true},
        {version(1, 4, 0, 950), "Windows  95", false},
        {version(1, 4, 0, 1110), "Windows ", true},
        {version(1, 4, 0, 1111), "Windows 95 OSR2", true},
        {version(1, 4, 0, 2999), "Windows 95 OSR2", true},
        {version(1, 4, 0, 3000), "Windows Me", true},
        {version(1, 4, 0, 951), "Windows ", true},
        {version(1, 3, 95, 950), "Windows  95", false},  // the first row wants major 4
        // The NT family.
        {version(2, 1, 0, 0), "Microsoft Windows NT", false},
        {version(2, 2, 0, 0), "Microsoft Windows NT", false},
        {version(2, 3, 51, 1057), "Microsoft Windows NT", false},
        {version(2, 4, 0, 1381), "Microsoft Windows NT", true},
        {version(2, 5, 0, 2195), "Microsoft Windows 2000", true},
        {version(2, 5, 1, 2600), "Microsoft Windows XP", true},
        {version(2, 5, 2, 3790), "", true},
        {version(2, 6, 1, 7601), "", true},
        {version(2, 0, 0, 0), "", true},
        // Anything else, this platform included.
        {version(0, 3, 10, 0), "", true},
        {version(3, 4, 0, 950), "", true},
        {version(kThisPlatformId, 6, 1, 0), "", true},
    };
    for (const Row& row : rows) {
        const VersionVerdict verdict = ClassifyWindowsVersion(row.v);
        SCOPED_TRACE(testing::Message() << row.v.platformId << " " << row.v.majorVersion << "." << row.v.minorVersion
                                        << "." << row.v.buildNumber);
        EXPECT_EQ(verdict.name, row.name);
        EXPECT_EQ(verdict.upToDate, row.upToDate);
        EXPECT_EQ(VersionWarningText(row.v).has_value(), !row.upToDate);
    }
}

TEST(VersionWarning, NamesTheSystemWithItsNumberAndServicePack)
{
    EXPECT_EQ(VersionWarningText(version(1, 4, 0, 950)), kWarningHead + "Windows  95 4.00.950");
    EXPECT_EQ(VersionWarningText(version(1, 4, 0, 950, "A")), kWarningHead + "Windows  95 4.00.950 A");
    EXPECT_EQ(VersionWarningText(version(1, 4, 10, 1998)), kWarningHead + "Windows 98 4.10.1998");
    EXPECT_EQ(VersionWarningText(version(2, 3, 51, 1057)), kWarningHead + "Microsoft Windows NT 3.51.1057");
    EXPECT_EQ(VersionWarningText(version(2, 3, 51, 1057, "Service Pack 5")),
              kWarningHead + "Microsoft Windows NT 3.51.1057 Service Pack 5");
    EXPECT_EQ(VersionNumberText(version(2, 3, 5, 528)), "3.05.528");
}

TEST(VersionCheck, ShowsOneUnadornedBoxOnlyWhenOutOfDate)
{
    Recorder warned;
    // The 95 family keeps 4.00 in the high half of the build field.
    CheckWindowsVersion(warned.show(), reporting(1, 4, 0, 0x040003B6));
    ASSERT_EQ(warned.boxes.size(), 1u);
    EXPECT_EQ(warned.boxes[0].text, kWarningHead + "Windows  95 4.00.950");
    EXPECT_EQ(warned.boxes[0].caption, "Avertissement");
    EXPECT_EQ(warned.boxes[0].flags, MB_OK);  // no icon, no foreground

    Recorder quiet;
    CheckWindowsVersion(quiet.show(), reporting(1, 4, 10, 0x040A08AE));  // 98 SE, build 2222
    CheckWindowsVersion(quiet.show(), [](OSVERSIONINFOA*) { return false; });
    CheckWindowsVersion(quiet.show(), VersionSource());
    EXPECT_TRUE(quiet.boxes.empty());
}

TEST(VersionRecord, ServicePackTextStopsAtTheEndOfItsField)
{
    WindowsVersion v;
    ASSERT_TRUE(GetWindowsVersion(v, [](OSVERSIONINFOA* info) {
        std::memset(info->szCSDVersion, 'x', sizeof(info->szCSDVersion));  // no terminating zero
        info->dwPlatformId = 2;
        return true;
    }));
    EXPECT_EQ(v.servicePack, std::string(128, 'x'));
}

TEST(VersionRecord, ThisPlatformReportsNoWindowsFamilyAndStaysSilent)
{
    OSVERSIONINFOA info{};
    EXPECT_FALSE(GetVersionExA(&info));  // the size field must be set, as callers are told to
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, kThisPlatformId);
    EXPECT_GT(info.dwMajorVersion, 0u);  // the kernel's own release
    EXPECT_EQ(info.szCSDVersion[0], '\0');

    Recorder r;
    CheckWindowsVersion(r.show());
    EXPECT_TRUE(r.boxes.empty());
}
