#include "display/folder_scan.h"

#include "platform/gdi/bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> scan(const std::string& folder)
{
    std::vector<std::string> all;
    const std::atomic<bool> stop{false};
    const auto take = [&](std::vector<std::string>&& batch) { all.insert(all.end(), batch.begin(), batch.end()); };
    ScanFollowedFolder(folder, take, stop);
    return all;
}

}  // namespace

// A subfolder its user may not read is left out and the scan goes on past it. Root reads any
// folder: then the scan runs in a child that has become an ordinary user.
TEST(FollowedFolder, ASubfolderThatCannotBeReadIsSkipped)
{
    char name[] = "/tmp/lumivane-scan-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const std::string root = std::string(name) + "/";
    ::chmod(name, 0755);
    platform::TBitmap picture(4, 4);
    for (const char* file : {"a.bmp", "b-ferme/b.bmp", "c-ouvert/c.bmp"}) {
        fs::create_directories(fs::path(root + file).parent_path());
        picture.SaveToFile(root + file);
        ::chmod((root + file).c_str(), 0644);
    }
    ::chmod((root + "c-ouvert").c_str(), 0755);
    ::chmod((root + "b-ferme").c_str(), 0);
    const std::vector<std::string> expected = {root + "a.bmp", root + "c-ouvert/c.bmp"};

    if (::geteuid() != 0) {
        EXPECT_EQ(scan(root), expected);
    } else {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool ordinary = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(!ordinary ? 2 : scan(root) == expected ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the scan found other pictures; 2: no ordinary user to become";
    }
    ::chmod((root + "b-ferme").c_str(), 0755);
    fs::remove_all(root);
}
