// The show with its trace log on a full disk: the lines are lost, the pictures still come.

#include "display/show_session.h"

#include "settings/app_state.h"
#include "settings/trace_log.h"

#include "platform/gdi/bitmap.h"
#include "platform/host_config.h"

#include "support/small_tmpfs.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>

using namespace platform;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::SmallTmpfs;
using testing_support::WriteFile;

TEST(ShowFullDisk, TheLogLosesLinesAndThePicturesGoOn)
{
    SmallTmpfs disk(64 * 1024);
    if (!disk.skipReason().empty())
        GTEST_SKIP() << disk.skipReason();
    ScratchHost host;
    platform::host().driveC = disk.file("");  // where the log goes
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\"
                       "lumivane]\r\n\"CheminInstall\"=\"/opt/x/\"\r\n";
    WriteFile(host.hklm(), text);
    text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"
           "\"LOG\"=dword:00000001\r\n\"Rapidite\"=dword:00000000\r\n\"Vitesse\"=dword:00000000\r\n"
           "\"Effet\"=dword:00000000\r\n\"Transition\"=dword:00000000\r\n\"Ajuster\"=dword:00000001\r\n"
           "\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n";
    const TColor colours[] = {clRed, clLime, clBlue};
    for (int i = 0; i < 3; ++i) {
        TBitmap b(16, 12);
        b.Canvas().Brush.Color = colours[i];
        b.Canvas().FillRect(Rect(0, 0, 16, 12));
        b.SaveToFile(host.dir().file(std::to_string(i) + ".bmp"));
        text += "\"" + std::to_string(i) + "\"=\"" + host.dir().file(std::to_string(i) + ".bmp") + "\"\r\n";
    }
    WriteFile(host.hkcu(), text);
    ASSERT_TRUE(disk.Fill());

    TBitmap target(320, 240);
    QPointer<TShowSession> thread = new TShowSession(&target.Canvas(), false, 3, {}, {10, 10, 64, 48});
    // The show draws on this thread, between the events served here: count the pictures
    // by the changes of colour they make, two rounds of the list.
    int changes = 0;
    TColor shown = target.Canvas().Pixel(100, 100);
    QElapsedTimer timer;
    timer.start();
    while (changes < 6 && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const TColor now = target.Canvas().Pixel(100, 100);
        changes += now != shown;
        shown = now;
    }
    TShowSession::Shutdown(thread);
    EXPECT_GE(changes, 6);
    EXPECT_TRUE(thread.isNull());
    EXPECT_EQ(ReadFile(TraceLogPath()), "");  // every line lost, none half written
}
