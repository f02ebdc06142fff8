// What the program keeps between runs reaches the disk before it counts as written.

#include "settings/show_position.h"

#include "platform/registry.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
int g_syncs = 0;  // fsync calls since the last reset
}

// Every fsync of this program goes through here, and on to the system.
extern "C" int fsync(int fd)
{
    ++g_syncs;
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

TEST(DurableWrites, ThePositionAndTheHiveAreSyncedWithTheirFolderAndKeepTheirMode)
{
    testing_support::ScratchHost host;
    const std::string position = host.dir().path() + "/state/lumivane/position";
    const std::string hive = host.hkcu();
    for (int round = 0; round < 2; ++round) {
        g_syncs = 0;
        ASSERT_TRUE(WriteShowPosition(position, {round, "/photos/a.jpg"}));
        EXPECT_GE(g_syncs, 2) << "the file and its folder";
        g_syncs = 0;
        platform::Hive h("HKEY_CURRENT_USER");
        platform::SaveHiveFile(hive, h);
        EXPECT_GE(g_syncs, 2);
        ::chmod(position.c_str(), 0600);
        ::chmod(hive.c_str(), 0600);
    }
    struct stat st {};
    ASSERT_EQ(::stat(position.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(hive.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadShowPosition(position).index, 1);
    // Nothing of the writing is left beside them.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(position).parent_path()))
        EXPECT_EQ(entry.path().filename(), "position");
}
