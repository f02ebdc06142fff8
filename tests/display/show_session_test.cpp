#include "display/show_session.h"

#include "settings/app_state.h"
#include "settings/trace_log.h"

#include "platform/background_task.h"
#include "platform/gdi/bitmap.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include <sys/stat.h>

using namespace platform;
using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::WriteFile;

namespace {

// Far below the minute the thread was waiting, and generous for a busy machine and the
// sanitizer builds: the figure itself is the stop bench's.
constexpr int kPromptStopMs = 2000;

class ShowSession : public ::testing::Test {
protected:
    ShowSession() : target(320, 240) {}
    ~ShowSession() override { stop(); }

    std::string picture(const std::string& name, TColor colour)
    {
        TBitmap b(16, 12);
        b.Canvas().Brush.Color = colour;
        b.Canvas().FillRect(Rect(0, 0, 16, 12));
        const std::string path = host.dir().file(name);
        b.SaveToFile(path);
        return path;
    }

    void hives(const std::vector<std::string>& pictures, const std::string& values)
    {
        WriteFile(host.hklm(), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\"
                               "lumivane]\r\n\"CheminInstall\"=\"/opt/x/\"\r\n");
        // Effects at full speed unless the test says otherwise.
        const bool paced = values.find("\"Rapidite\"") != std::string::npos;
        std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\"
                           "lumivane]\r\n\"LOG\"=dword:00000001\r\n" +
                           std::string(paced ? "" : "\"Rapidite\"=dword:00000000\r\n") + values +
                           "\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n";
        for (size_t i = 0; i < pictures.size(); ++i)
            text += "\"" + std::to_string(i) + "\"=\"" + pictures[i] + "\"\r\n";
        WriteFile(host.hkcu(), text);
    }

    std::vector<std::string> logged(const std::string& prefix)
    {
        std::vector<std::string> out;
        for (const auto& line : Lines(ReadFile(TraceLogPath()))) {
            const auto at = line.find("| " + prefix);
            if (at != std::string::npos)
                out.push_back(line.substr(at + 2 + prefix.size(), line.size() - at - 3 - prefix.size()));
        }
        return out;
    }

    // Runs the event loop, where the session's clock plays the show, until the condition
    // holds or the time is up; the time is generous for busy machines and sanitizer builds.
    // Notes the longest the loop was held by one turn.
    bool runUntil(const std::function<bool()>& done, int ms = 60000)
    {
        QElapsedTimer timer, turn;
        timer.start();
        while (!done() && timer.elapsed() < ms) {
            turn.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestTurnMs = std::max(longestTurnMs, turn.elapsed());
        }
        return done();
    }

    void start(bool preview = false, const std::string& file = {}, ShowPosition resumeAfter = {})
    {
        thread = new TShowSession(&target.Canvas(), preview, 3, file, {10, 10, 64, 48}, {}, resumeAfter);
    }

    void stop() { TShowSession::Shutdown(thread); }

    ScratchHost host;
    TBitmap target;
    QPointer<TShowSession> thread;
    qint64 longestTurnMs = 0;
};

}  // namespace

TEST_F(ShowSession, ListOrderWrapsAndEachPictureIsDrawn)
{
    const auto a = picture("a.bmp", clRed), b = picture("b.bmp", clLime), c = picture("c.bmp", clBlue);
    hives({a, b, c}, "\"Vitesse\"=dword:00000000\r\n\"Effet\"=dword:00000000\r\n\"Transition\"=dword:00000000\r\n"
                     "\"Ajuster\"=dword:00000001\r\n");
    start();
    ASSERT_TRUE(runUntil([&] { return logged("Image : ").size() >= 5; }));
    stop();
    const auto images = logged("Image : ");
    const std::vector<std::string> expected = {a, b, c, a, b};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(images[i].substr(0, images[i].find(". Taille :")), expected[i]);
    EXPECT_EQ(logged("Effet n° :  ").front(), "0");  // effects off: plain drawing
    // Stretched over the (offscreen) screen, the last picture covers the target.
    EXPECT_NE(target.Canvas().Pixel(100, 100), clWhite);
}

// Held, the show draws no new picture; resumed, it goes on; stopped, it ends at once. An
// effect at every picture never holds the event loop for long.
TEST_F(ShowSession, SuspendHoldsTheShowResumeGoesOnAndStopEndsIt)
{
    const auto a = picture("a.bmp", clRed), b = picture("b.bmp", clLime);
    hives({a, b}, "\"Vitesse\"=dword:00000000\r\n\"Effet\"=dword:00000001\r\n\"Transition\"=dword:00000000\r\n"
                  "\"Ajuster\"=dword:00000001\r\n");
    start();
    ASSERT_TRUE(runUntil([&] { return logged("Image : ").size() >= 1; }));
    thread->Suspend();
    const size_t held = logged("Image : ").size();
    runUntil([] { return false; }, 1000);
    EXPECT_LE(logged("Image : ").size(), held + 1) << "pictures went on while the show was held";
    thread->Resume();
    EXPECT_TRUE(runUntil([&] { return logged("Image : ").size() >= held + 4; }));
    EXPECT_LT(longestTurnMs, 1000) << "a turn of the event loop was held that long";
    thread->Stop();
    EXPECT_TRUE(runUntil([&] { return thread.isNull(); }, 20000)) << "still there after its stop";
}

// The position an earlier show ended on is the thread's from its start (a host's cycles).
TEST_F(ShowSession, AShowGivenWhereTheLastOneEndedGoesOnAfterIt)
{
    const auto a = picture("a.bmp", clRed), b = picture("b.bmp", clLime), c = picture("c.bmp", clBlue);
    hives({a, b, c}, "\"Vitesse\"=dword:00000000\r\n\"Effet\"=dword:00000000\r\n\"Transition\"=dword:00000000\r\n");
    start(false, {}, {1, b});
    ASSERT_TRUE(runUntil([&] { return logged("Image : ").size() >= 2; }));
    stop();
    const auto images = logged("Image : ");
    EXPECT_EQ(images[0].substr(0, images[0].find(". Taille :")), c);
    EXPECT_EQ(images[1].substr(0, images[1].find(". Taille :")), a);
}

TEST_F(ShowSession, RandomOrderShowsEveryPictureAndSkipsBadOnes)
{
    const auto a = picture("a.bmp", clRed), b = picture("b.bmp", clLime);
    const std::string bad = host.dir().file("bad.jpg");
    WriteFile(bad, "not a picture");
    // Plain drawing: the order of pictures is what is looked at, not the effects.
    hives({a, bad, b}, "\"Vitesse\"=dword:00000000\r\n\"Alea\"=dword:00000001\r\n\"Effet\"=dword:00000000\r\n");
    start();
    ASSERT_TRUE(runUntil([&] { return logged("Image : ").size() >= 40; }));
    stop();
    int seenA = 0, seenB = 0;
    for (const auto& line : logged("Image : ")) {
        seenA += line.rfind(a, 0) == 0;
        seenB += line.rfind(b, 0) == 0;
    }
    EXPECT_GT(seenA, 0);
    EXPECT_GT(seenB, 0);
    EXPECT_FALSE(logged("Image illisible : ").empty());  // reported, and the show went on
}

TEST_F(ShowSession, PreviewPlaysOneCycleInTheBox)
{
    const auto a = picture("a.bmp", clRed);
    hives({a}, "\"Vitesse\"=dword:00000000\r\n");
    start(true, a);
    ASSERT_TRUE(runUntil([&] { return thread.isNull(); }));
    EXPECT_EQ(logged("Image : ").size(), 1u);
    EXPECT_EQ(target.Canvas().Pixel(40, 40), clRed);                      // inside the 64 × 48 box at 10, 10
    EXPECT_EQ(target.Canvas().Pixel(9, 9), ColorToRGB(clBtnFace));       // the cleared margin
    EXPECT_EQ(target.Canvas().Pixel(100, 100), clWhite);                  // outside it
}

TEST_F(ShowSession, StopEndsTheWaitAtOnce)
{
    const auto a = picture("a.bmp", clRed);
    hives({a}, "\"Vitesse\"=dword:0000003c\r\n");  // a minute between pictures
    start();
    ASSERT_TRUE(runUntil([&] { return logged("Image : ").size() == 1; }));
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    stop();
    EXPECT_TRUE(thread.isNull());
    EXPECT_LT(timer.elapsed(), kPromptStopMs);
}

TEST_F(ShowSession, AHeldShowEndsOnItsStop)
{
    const auto a = picture("a.bmp", clRed);
    hives({a}, "\"Vitesse\"=dword:00000000\r\n");
    start();
    ASSERT_TRUE(runUntil([&] { return !logged("Image : ").empty(); }));
    // The saver's close: held first, then asked to end, with no resume.
    thread->Suspend();
    thread->Stop();
    EXPECT_TRUE(runUntil([&] { return thread.isNull(); }));
}

TEST_F(ShowSession, PathsThatAreNoPictureFilesAreSkippedWithoutBlocking)
{
    const auto a = picture("a.bmp", clRed), b = picture("b.bmp", clLime), vanishing = picture("v.bmp", clBlue);
    // Opening a pipe with no writer would wait for ever; a device would be read for ever.
    const std::string pipe = host.dir().file("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    hives({a, pipe, "/dev/zero", vanishing, b}, "\"Vitesse\"=dword:00000000\r\n\"Effet\"=dword:00000000\r\n");
    start();
    // Gone after the list was read, before its turn.
    ASSERT_TRUE(runUntil([&] { return !logged("Image : ").empty(); }));
    std::remove(vanishing.c_str());
    ASSERT_TRUE(runUntil([&] { return logged("Image : ").size() >= 10; }));
    stop();
    const auto unreadable = logged("Image illisible : ");
    auto skipped = [&](const std::string& path) {
        return std::any_of(unreadable.begin(), unreadable.end(),
                           [&](const std::string& line) { return line.find(path) != std::string::npos; });
    };
    EXPECT_TRUE(skipped(pipe));
    EXPECT_TRUE(skipped("/dev/zero"));
    EXPECT_TRUE(skipped(vanishing));
    const auto images = logged("Image : ");
    EXPECT_GE(std::count_if(images.begin(), images.end(), [&](const std::string& l) { return l.rfind(b, 0) == 0; }), 1);
}

TEST_F(ShowSession, AReadingPastTheDeadlineIsGivenUpAndNeverDrawn)
{
    // Far too large to be read within a millisecond: each turn of it is given up.
    TBitmap big(3000, 2000);
    big.Canvas().Brush.Color = clRed;
    big.Canvas().FillRect(Rect(0, 0, 3000, 2000));
    const std::string slow = host.dir().file("slow.bmp");
    big.SaveToFile(slow);
    hives({slow}, "\"Vitesse\"=dword:00000000\r\n\"Effet\"=dword:00000000\r\n");
    TShowSession::LoadDeadlineMs = 1;
    start();
    const bool gaveUp = runUntil([&] {
        const auto lines = logged("Image illisible : ");
        return std::count(lines.begin(), lines.end(), slow + " : lecture trop longue, abandonnée") >= 3;
    });
    stop();
    TShowSession::LoadDeadlineMs = TShowSession::kLoadDeadlineMs;
    EXPECT_TRUE(gaveUp);  // and the show went on, turn after turn
    // Readings that finish late are dropped: the screen was never drawn on.
    EXPECT_EQ(target.Canvas().Pixel(100, 100), clWhite);
    // The given-up readings still run on: the test ends once they have, not in their midst.
    EXPECT_TRUE(runUntil([] { return platform::BackgroundTasksRunning() == 0; }));
}
// Ended inside a followed folder, the show goes on after that picture in the folder's own
// order (natural names, files before subfolders), even when it is gone since; the first
// picture may come before it while the folder is still being read, but only the first.
TEST_F(ShowSession, AShowResumedInAFollowedFolderGoesOnAfterItsPicture)
{
    const auto a = picture("a.bmp", clRed);
    const std::string folder = host.dir().path() + "/suivi/";
    std::filesystem::create_directories(folder + "sous");
    for (const char* name : {"p1.bmp", "p2.bmp", "p3.bmp", "p10.bmp", "sous/q.bmp"})
        std::filesystem::copy_file(a, folder + name);
    hives({folder}, "\"Vitesse\"=dword:00000000\r\n\"Effet\"=dword:00000000\r\n");
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"p3.bmp", {"p10.bmp", "sous/q.bmp", "p1.bmp"}},
        {"p5.bmp", {"p10.bmp", "sous/q.bmp", "p1.bmp"}},
        {"p10.bmp", {"sous/q.bmp", "p1.bmp", "p2.bmp"}},
        {"sous/q.bmp", {"p1.bmp", "p2.bmp", "p3.bmp"}},
    };
    for (const auto& [last, expected] : cases) {
        start(false, {}, {0, folder + last});
        ASSERT_TRUE(runUntil([&] { return logged("Image : ").size() >= 4; }));
        stop();
        std::vector<std::string> files;
        for (const auto& line : logged("Image : "))
            files.push_back(line.substr(folder.size(), line.find(". Taille :") - folder.size()));
        std::remove(TraceLogPath().c_str());
        if (files[0] == "p1.bmp" && files[1] == expected[0])
            files.erase(files.begin());  // what was known at the start
        files.resize(3);
        EXPECT_EQ(files, expected) << "after " << last;
    }
}

// A followed folder: its pictures take its place in the list, in natural name order, its
// files before its subfolders; what is no picture, hidden, a pipe or a link is left out,
// and a file added between two shows is in the second.
TEST_F(ShowSession, AFollowedFolderShowsWhatItHoldsAtEachShowInItsPlace)
{
    const auto a = picture("a.bmp", clRed), b = picture("b.bmp", clLime);
    const std::string folder = host.dir().path() + "/suivi/";
    std::filesystem::create_directories(folder + "sous");
    std::filesystem::create_directories(folder + ".cache");
    for (const char* name : {"x10.bmp", "X2.bmp", "x1.bmp", "sous/y.bmp", ".cache/h.bmp"})
        std::filesystem::copy_file(a, folder + name);
    WriteFile(folder + "notes.txt", "pas une image");
    ASSERT_EQ(::mkfifo((folder + "pipe.bmp").c_str(), 0600), 0);
    std::filesystem::create_directory_symlink(folder, folder + "boucle");
    std::filesystem::create_symlink(a, folder + "lien.bmp");
    hives({a, folder, b}, "\"Vitesse\"=dword:00000000\r\n\"Effet\"=dword:00000000\r\n");
    const auto shown = [&](size_t count) {
        start();
        EXPECT_TRUE(runUntil([&] { return logged("Image : ").size() >= count; }));
        stop();
        std::vector<std::string> files;
        for (const auto& line : logged("Image : "))
            files.push_back(line.substr(0, line.find(". Taille :")));
        std::remove(TraceLogPath().c_str());
        return files;
    };
    EXPECT_EQ(shown(7), (std::vector<std::string>{a, folder + "x1.bmp", folder + "X2.bmp", folder + "x10.bmp",
                                                  folder + "sous/y.bmp", b, a}));
    std::filesystem::copy_file(a, folder + "x3.bmp");
    const auto second = shown(6);
    EXPECT_EQ(second[3], folder + "x3.bmp");
}

// In the stored list a followed folder that is gone goes as a missing file does; one that is
// empty for now stays.
TEST_F(ShowSession, AFollowedFolderThatIsGoneLeavesTheListAnEmptyOneStays)
{
    const auto a = picture("a.bmp", clRed);
    const std::string empty = host.dir().path() + "/vide/", gone = host.dir().path() + "/parti/";
    std::filesystem::create_directories(empty);
    hives({a, gone, empty}, "");
    TSettings settings(TSettings::DefaultsOnly{});
    ASSERT_FALSE(settings.LoadAway());
    EXPECT_EQ(settings.Images, (std::vector<std::string>{a, empty}));
}

// Nothing to show and no interval: the show looks again now and then, and the event loop
// goes on (a stop still ends it). Every reading thread taken: the chosen picture waits for
// room, and list order skips nothing.
TEST_F(ShowSession, NothingToShowOrNoRoomToReadNeitherSpinsNorSkips)
{
    hives({}, "\"Vitesse\"=dword:00000000\r\n");
    start();
    runUntil([] { return false; }, 300);
    EXPECT_LT(longestTurnMs, 1000);
    thread->Stop();
    EXPECT_TRUE(runUntil([&] { return thread.isNull(); }, 20000));

    const auto a = picture("a.bmp", clRed), b = picture("b.bmp", clLime);
    hives({a, b}, "\"Vitesse\"=dword:00000000\r\n\"Effet\"=dword:00000000\r\n");
    auto release = std::make_shared<std::atomic<bool>>(false);
    std::vector<std::shared_ptr<BackgroundTask<int>>> holders;
    while (auto holder = BackgroundTask<int>::Start([release] {
               while (!*release)
                   std::this_thread::sleep_for(std::chrono::milliseconds(5));
               return 0;
           }))
        holders.push_back(holder);
    ASSERT_FALSE(holders.empty());
    start();
    runUntil([] { return false; }, 300);
    EXPECT_TRUE(logged("Image : ").empty());
    *release = true;
    ASSERT_TRUE(runUntil([&] { return logged("Image : ").size() >= 2; }));
    const auto images = logged("Image : ");
    EXPECT_EQ(images[0].substr(0, images[0].find(". Taille :")), a);
    EXPECT_EQ(images[1].substr(0, images[1].find(". Taille :")), b);
}

// The shows of one run, one per screen, take turns with their transitions: never two at
// once, each in its turn, so neither screen is starved. A followed folder of both is read once.
TEST_F(ShowSession, ShowsOfOneRunTakeTurnsWithTheirTransitions)
{
    // Their pictures from one followed folder, which the two read once.
    const std::string folder = host.dir().path() + "/suivi/";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(picture("a.bmp", clRed), folder + "a.bmp");
    std::filesystem::copy_file(picture("b.bmp", clLime), folder + "b.bmp");
    // No interval: only the turns keep the two apart. Effect 7 alone, over the whole target:
    // 480 steps that each wait 1,000 × R ns, about a quarter of a second at R = 500 (far
    // within the two seconds a picture may wait for its turn).
    hives({folder}, "\"Vitesse\"=dword:00000000\r\n\"Transition\"=dword:00000000\r\n\"AleaEffets\"=dword:00000000\r\n"
                  "\"Selection\"=\"0000001\"\r\n\"Rapidite\"=dword:000001f4\r\n\"Ajuster\"=dword:00000001\r\n");
    TBitmap second(320, 240);
    const auto turns = std::make_shared<TShowTurns>();
    thread = new TShowSession(&target.Canvas(), false, 0, {}, {}, {320, 240});
    QPointer<TShowSession> other = new TShowSession(&second.Canvas(), false, 0, {}, {}, {320, 240});
    thread->Turns = other->Turns = turns;
    int underWay = 0, most = 0, turnsTaken = 0;
    std::string order;
    for (auto [show, name] : {std::pair{thread.data(), 'A'}, std::pair{other.data(), 'B'}})
        QObject::connect(show, &TShowSession::TransitionUnderWay, [&, name](bool on) {
            underWay += on ? 1 : -1;
            most = std::max(most, underWay);
            turnsTaken = std::max(turnsTaken, turns->playing);  // a turn never given back shows here
            if (on)
                order += name;
        });
    EXPECT_TRUE(runUntil([&] { return order.size() >= 8; }));
    // Both go while what their signals reach is still here.
    TShowSession::Shutdown(other);
    stop();
    EXPECT_EQ(most, 1) << "both screens were in a transition at once";
    EXPECT_EQ(turnsTaken, 1);
    EXPECT_TRUE(turns->playing == 0 && turns->waiting.empty()) << "a turn outlived its show";
    // In the order their pictures were ready: neither waits out its whole wait each time.
    ASSERT_GE(order.size(), 8u);
    const auto first = order.substr(0, 8);
    EXPECT_GE(std::ranges::count(first, 'A'), 3) << order;
    EXPECT_GE(std::ranges::count(first, 'B'), 3) << order;
    EXPECT_EQ(logged("Dossier " + folder + " : "), std::vector<std::string>{"2 images"});
    for (const auto& line : logged("Image : "))
        EXPECT_EQ(line.rfind(folder, 0), 0u) << line;
}
