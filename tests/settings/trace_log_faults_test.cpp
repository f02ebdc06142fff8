// The trace log on a disk with no room: lines are lost, whole, and the caller goes on.

#include "settings/trace_log.h"

#include "platform/host_config.h"

#include "support/small_tmpfs.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::SmallTmpfs;

TEST(TraceLogFaults, AWriteThatFailsOutrightIsLostQuietly)
{
    ScratchHost host;
    std::filesystem::create_symlink("/dev/full", TraceLogPath());  // every write: no space left
    EXPECT_NO_THROW(TraceLog("perdue"));
}

// A line that only partly fits must not leave its beginning behind, or the next line
// written once there is room again would be glued to it.
TEST(TraceLogFaults, AFullDiskDropsWholeLinesAndLaterOnesStartClean)
{
    SmallTmpfs disk(64 * 1024);
    if (!disk.skipReason().empty())
        GTEST_SKIP() << disk.skipReason();
    ScratchHost host;
    platform::host().driveC = disk.file("");
    TraceLog("avant");
    ASSERT_TRUE(disk.Fill());
    // Longer than the room left in the log's last page, which the disk still grants.
    const std::string longMessage(8000, 'x');
    EXPECT_NO_THROW(TraceLog(longMessage));
    EXPECT_NO_THROW(TraceLog("pendant"));
    disk.Free();
    TraceLog("après");

    const std::string log = ReadFile(TraceLogPath());
    ASSERT_TRUE(log.ends_with("\r\n"));
    std::vector<std::string> kept;
    for (const auto& line : Lines(log)) {
        // "date time | %free | message": a fragment glued to a line shows two more bars.
        const auto first = line.find(" | ");
        const auto second = line.find(" | ", first + 3);
        ASSERT_NE(second, std::string::npos) << line;
        const std::string message = line.substr(second + 3);
        ASSERT_EQ(message.find(" | "), std::string::npos) << line.substr(0, 200);
        kept.push_back(message);
    }
    // "pendant" may fit in what the long line left, or not; the rest is certain.
    std::erase(kept, "pendant\r");
    EXPECT_EQ(kept, (std::vector<std::string>{"avant\r", "après\r"}));
}
