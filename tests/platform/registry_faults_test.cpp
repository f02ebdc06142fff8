// Saving a hive when the disk or the file says no: the error is reported, the old hive
// stays as it was, and the writes are still there for a later save.

#include "platform/host_config.h"
#include "platform/registry.h"

#include "support/small_tmpfs.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

using namespace platform;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::SmallTmpfs;
using testing_support::WriteFile;

namespace {

const std::string kOld =
    "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"Old\"=\"kept\"\r\n";

// Files beside the hive other than the hive and its lock: temporary files left behind.
std::vector<std::string> strays(const std::string& hive)
{
    const std::filesystem::path path(hive);
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(path.parent_path())) {
        const std::string name = e.path().filename().string();
        if (name.starts_with(path.filename().string()) && name != path.filename().string() &&
            name != path.filename().string() + ".lock")
            found.push_back(name);
    }
    return found;
}

std::string errorOfFlush(TRegistry& reg)
{
    try {
        reg.Flush();
    } catch (const RegistryError& e) {
        return e.what();
    }
    return "no error";
}

unsigned modeOf(const std::string& file)
{
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0);
    return st.st_mode & 07777;
}

}  // namespace

TEST(RegistryFaults, ReadOnlyHiveIsReportedAndKeptThenSavedOnceWritable)
{
    ScratchHost host;
    WriteFile(host.hkcu(), kOld);
    ::chmod(host.hkcu().c_str(), 0444);
    TRegistry reg(RootKey::CurrentUser);
    reg.OpenKey("\\K", true);
    reg.WriteString("New", "value");

    const std::string error = errorOfFlush(reg);
    EXPECT_NE(error.find(host.hkcu()), std::string::npos) << error;
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(host.hkcu()), kOld);
    EXPECT_EQ(modeOf(host.hkcu()), 0444u);
    EXPECT_TRUE(strays(host.hkcu()).empty());

    // Nothing was lost: the same writes land once the file may be written again, and the
    // hive keeps the mode its owner gave it.
    ::chmod(host.hkcu().c_str(), 0600);
    reg.Flush();
    EXPECT_EQ(modeOf(host.hkcu()), 0600u);
    const Hive saved = LoadHiveFile(host.hkcu(), "HKEY_CURRENT_USER");
    ASSERT_TRUE(saved.key("K"));
    ASSERT_TRUE(saved.key("K")->find("New"));
    EXPECT_EQ(saved.key("K")->find("Old")->text, "kept");
}

TEST(RegistryFaults, TemporaryFilesOfKilledWritersGoWithTheNextSave)
{
    ScratchHost host;
    WriteFile(host.hkcu(), kOld);
    WriteFile(host.hkcu() + ".tmp.4242", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURR");
    WriteFile(host.hkcu() + ".tmp.77", "");
    WriteFile(host.hkcu() + ".tmp.notes", "not ours: a name no writer gives");
    WriteFile(host.dir().file("other.reg.tmp.4242"), "another hive's");
    {
        TRegistry reg(RootKey::CurrentUser);
        reg.OpenKey("\\K", true);
        reg.WriteString("New", "value");
    }
    EXPECT_EQ(strays(host.hkcu()), std::vector<std::string>{"HKCU.reg.tmp.notes"});
    EXPECT_TRUE(testing_support::Exists(host.dir().file("other.reg.tmp.4242")));
    EXPECT_TRUE(LoadHiveFile(host.hkcu(), "HKEY_CURRENT_USER").key("K")->find("New"));
}

TEST(RegistryFaults, FullDiskIsReportedAndKeepsTheOldHive)
{
    SmallTmpfs disk(64 * 1024);
    if (!disk.skipReason().empty())
        GTEST_SKIP() << disk.skipReason();
    ScratchHost host;
    const std::string hive = disk.file("HKCU.reg");
    WriteFile(hive, kOld);
    platform::host().currentUserHive = hive;
    ASSERT_TRUE(disk.Fill());

    TRegistry reg(RootKey::CurrentUser);
    reg.OpenKey("\\K", true);
    for (int i = 0; i < 50; ++i)
        reg.WriteString("Value " + std::to_string(i), std::string(100, 'v'));
    const std::string error = errorOfFlush(reg);
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    EXPECT_EQ(ReadFile(hive), kOld);
    EXPECT_TRUE(strays(hive).empty());

    disk.Free();
    reg.Flush();
    const Hive saved = LoadHiveFile(hive, "HKEY_CURRENT_USER");
    EXPECT_EQ(saved.key("K")->values().size(), 51u);
    EXPECT_TRUE(strays(hive).empty());
}

// Writes gathered by code that ends in an exception are not saved halfway by the
// registry's end; the same writes in code that finishes are.
TEST(RegistryFaults, AScopeLeftByAnExceptionSavesNoneOfItsWrites)
{
    ScratchHost host;
    WriteFile(host.hkcu(), kOld);
    try {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\K", true));
        reg.WriteString("First", "1");
        throw std::runtime_error("the second value could not be made");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(ReadFile(host.hkcu()), kOld);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\K", true));
        reg.WriteString("First", "1");
    }
    EXPECT_NE(ReadFile(host.hkcu()).find("\"First\"=\"1\""), std::string::npos);
}
