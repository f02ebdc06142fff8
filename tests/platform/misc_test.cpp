#include "platform/background_task.h"
#include "platform/host_config.h"
#include "platform/named_mutex.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "platform/system_info.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

TEST(Random, IsTheLinearCongruenceOfTheHighBits)
{
    RandSeed = 0;
    // state 1, then 134775814, ...: results are the high 32 bits of state × n.
    EXPECT_EQ(Random(100), 0);
    EXPECT_EQ(RandSeed, 1u);
    EXPECT_EQ(Random(1000), static_cast<int32_t>((134775814ull * 1000) >> 32));
    RandSeed = 0xFFFFFFFFu;
    const uint32_t next = 0xFFFFFFFFu * 134775813u + 1u;
    EXPECT_EQ(Random(228), static_cast<int32_t>((static_cast<uint64_t>(next) * 228) >> 32));
    EXPECT_EQ(Random(0), 0);
    for (int i = 0; i < 10000; ++i) {
        const int r = Random(7);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 7);
    }
    Randomize();
    EXPECT_LT(RandSeed, 86400000u);
    // Salted sources seeded at the same moment draw apart; a fixed one keeps its state.
    uint32_t plain = 0, salted = 0, fixed = 7;
    RandomSource(plain).Randomize();
    RandomSource(salted, false, 1000000000u).Randomize();
    RandomSource(fixed, true, 5).Randomize();
    EXPECT_GE(salted - plain, 1000000000u);
    EXPECT_LT(salted - plain, 1000000000u + 1000u);  // a second between the two, at most
    EXPECT_EQ(fixed, 7u);
}

TEST(Random, UnitValuesAreTheNextStateOver2To32)
{
    RandSeed = 0;
    EXPECT_EQ(RandomUnit(), 1.0 / 4294967296.0);
    RandSeed = 0xFFFFFFFFu;
    const uint32_t next = 0xFFFFFFFFu * 134775813u + 1u;
    EXPECT_EQ(RandomUnit(), next / 4294967296.0);
    // The largest state stays below 1.
    RandSeed = 0xFFFFFFFEu * 3645876429u;  // the state whose successor is 2^32 - 1
    EXPECT_EQ(RandSeed * 134775813u + 1u, 0xFFFFFFFFu);
    EXPECT_LT(RandomUnit(), 1.0);
}

TEST(SystemInfo, ThisPlatformIsNeitherWindowsFamily)
{
    const OsVersionInfo v = OsVersion();
    EXPECT_NE(v.platformId, VER_PLATFORM_WIN32_WINDOWS);
    EXPECT_NE(v.platformId, VER_PLATFORM_WIN32_NT);
    SetOsVersionForTesting(OsVersionInfo{4, 10, 1998, VER_PLATFORM_WIN32_WINDOWS, ""});
    EXPECT_EQ(OsVersion().platformId, VER_PLATFORM_WIN32_WINDOWS);
    SetOsVersionForTesting(std::nullopt);
    EXPECT_EQ(OsVersion().platformId, VER_PLATFORM_POSIX);

    const MemoryStatus m = GlobalMemoryStatus();
    EXPECT_GT(m.totalPhys, 0u);
    EXPECT_LE(m.availPhys, m.totalPhys);

    DynamicLibrary missing("/nonexistent/MPR.DLL");
    EXPECT_FALSE(missing.loaded());
    EXPECT_EQ(missing.symbol("PwdChangePasswordA"), nullptr);
}

TEST(Paths, TrimAndFolders)
{
    EXPECT_EQ(Trim(" \t/opt/x/\r\n"), "/opt/x/");
    EXPECT_EQ(Trim("\x01\x02"), "");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
    testing_support::ScratchHost host;
    EXPECT_EQ(DriveC(), host.driveC());
    EXPECT_FALSE(FileExists(host.driveC()));  // a folder is no file
    testing_support::WriteFile(host.driveC() + "f.jpg", "x");
    EXPECT_TRUE(FileExists(host.driveC() + "f.jpg"));
}

TEST(BackgroundTasks, AnAbandonedOneCountsUntilWhatItsWorkHeldIsGone)
{
    using namespace std::chrono_literals;
    // What the work holds goes slowly, as a decoder's state may: the application must not
    // go before it has.
    struct Holder {
        std::atomic<bool>* gone;
        ~Holder()
        {
            std::this_thread::sleep_for(200ms);
            *gone = true;
        }
    };
    std::atomic<bool> heldGone{false};
    std::promise<void> release;
    std::shared_future<void> go = release.get_future().share();
    auto holder = std::shared_ptr<Holder>(new Holder{&heldGone});
    auto task = platform::BackgroundTask<int>::Start([holder, go] {
        go.wait();
        return 7;
    });
    holder.reset();
    ASSERT_TRUE(task);
    EXPECT_FALSE(platform::WaitForBackgroundTasks(50ms));
    task.reset();  // given up at a deadline, as the show does
    release.set_value();
    ASSERT_TRUE(platform::WaitForBackgroundTasks(20s));
    EXPECT_TRUE(heldGone);
    EXPECT_EQ(platform::BackgroundTasksRunning(), 0);
}

TEST(NamedMutex, OneHolderWhoSaysItsNumberAndNoFileOfAnotherUsersKind)
{
    testing_support::ScratchHost scratch;
    // The mutex of another process: a child holds it while this one asks.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const NamedMutex held("lumivane-watch");
        const char answer = held.owned() ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    {
        const NamedMutex refused("lumivane-watch");
        EXPECT_TRUE(refused.alreadyExists());
        EXPECT_EQ(refused.error(), "");
        EXPECT_EQ(refused.holder(), std::to_string(child));
        EXPECT_EQ(refused.path(), scratch.dir().file("lumivane-watch.lock"));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    // Its holder gone, the mutex is free: no stale file blocks the next session.
    EXPECT_TRUE(NamedMutex("lumivane-watch").owned());
    // A lock file that is not a plain file of this user's cannot serve, and says so.
    ASSERT_EQ(::mkdir(scratch.dir().file("odd.lock").c_str(), 0700), 0);
    const NamedMutex odd("odd");
    EXPECT_FALSE(odd.owned());
    EXPECT_FALSE(odd.error().empty());
    // Without a runtime folder, the shared /tmp keeps one lock per user.
    platform::host().lockDirectory.clear();
    EXPECT_EQ(NamedMutex("lumivane-test").path(), "/tmp/lumivane-test-" + std::to_string(::getuid()) + ".lock");
    ::unlink(("/tmp/lumivane-test-" + std::to_string(::getuid()) + ".lock").c_str());
    ::close(ready[0]);
    ::close(ready[1]);
}
