#include "display/folder_scan.h"

#include "platform/gdi/bitmap.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// A subfolder its user may not read is left out and the scan goes on past it. Root reads any
// folder, so the scan runs in a child that is an ordinary user.
TEST(FollowedFolder, ASubfolderThatCannotBeReadIsSkipped)
{
    char name[] = "/tmp/lumivane-scan-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const std::string root = std::string(name) + "/";
    for (const char* file : {"a.bmp", "b-ferme/b.bmp", "c-ouvert/c.bmp"}) {
        std::filesystem::create_directories(std::filesystem::path(root + file).parent_path());
        platform::TBitmap(4, 4).SaveToFile(root + file);
        ::chmod((root + file).c_str(), 0644);
    }
    for (const char* folder : {"", "c-ouvert"})
        ::chmod((root + folder).c_str(), 0755);
    ::chmod((root + "b-ferme").c_str(), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool ordinary =
            ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
        std::vector<std::string> found;
        const std::atomic<bool> stop{false};
        ScanFollowedFolder(
            root, [&](std::vector<std::string>&& batch) { found.insert(found.end(), batch.begin(), batch.end()); },
            stop);
        ::_exit(!ordinary ? 2 : found == std::vector<std::string>{root + "a.bmp", root + "c-ouvert/c.bmp"} ? 0 : 1);
    }
    int status = -1;
    const bool waited = ::waitpid(child, &status, 0) == child;
    ::chmod((root + "b-ferme").c_str(), 0755);
    std::filesystem::remove_all(root);
    ASSERT_TRUE(waited && WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "root here cannot become an ordinary user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the scan found other pictures";
}

// What a resumed show compares is the scan's own order, over names that differ only in case
// or leading zeros, a file beside a subfolder of the same start, and nested subfolders.
TEST(FollowedFolder, TheScanOrderIsTheOrderItFindsPicturesIn)
{
    char name[] = "/tmp/lumivane-order-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const std::string root = std::string(name) + "/";
    const std::vector<std::string> files = {"b.bmp",    "B.bmp",    "a-b.bmp",  "p01.bmp",  "p1.bmp",  "p10.bmp",
                                            "p2.bmp",   "a/x.bmp",  "a/b/z.bmp", "a/y.bmp", "ab/y.bmp", "a-b/w.bmp"};
    for (const std::string& file : files) {
        std::filesystem::create_directories(std::filesystem::path(root + file).parent_path());
        platform::TBitmap(4, 4).SaveToFile(root + file);
    }
    std::vector<std::string> found;
    const std::atomic<bool> stop{false};
    ScanFollowedFolder(
        root, [&](std::vector<std::string>&& batch) { found.insert(found.end(), batch.begin(), batch.end()); }, stop);
    std::filesystem::remove_all(root);
    ASSERT_EQ(found.size(), files.size());
    for (size_t i = 1; i < found.size(); ++i) {
        EXPECT_TRUE(ScanOrderLess(found[i - 1], found[i])) << found[i - 1] << " before " << found[i];
        EXPECT_FALSE(ScanOrderLess(found[i], found[i - 1])) << found[i] << " after " << found[i - 1];
    }
    EXPECT_FALSE(ScanOrderLess(found[0], found[0]));
}
