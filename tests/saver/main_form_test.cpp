#include "saver/main_form.h"

#include "settings/app_state.h"

#include "platform/host_config.h"
#include "platform/named_mutex.h"
#include "platform/system_info.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QWidget>


#include <atomic>
#include <cstdlib>

using testing_support::ScratchHost;
using testing_support::WriteFile;

namespace {

class SaverWindow : public ::testing::Test {
protected:
    SaverWindow()
    {
        const std::string picture = host.dir().file("p.bmp");
        WriteFile(picture, "x");  // only its existence matters here
        WriteFile(host.hklm(), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\"
                               "lumivane]\r\n\"CheminInstall\"=\"/opt/x/\"\r\n");
        WriteFile(host.hkcu(), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\"
                               "lumivane\\Images]\r\n\"0\"=\"" + picture + "\"\r\n");
        NoRun = false;
    }
    ~SaverWindow() override
    {
        platform::SetOsVersionForTesting(std::nullopt);
        ::unsetenv("FAKE_PASSWORD_OK");
    }
    void passwordOn(bool accepts)
    {
        platform::SetOsVersionForTesting(platform::OsVersionInfo{4, 10, 2222, platform::VER_PLATFORM_WIN32_WINDOWS, ""});
        platform::host().systemDirectory = FAKE_LIBS_DIR "/with_entry/";
        ::setenv("FAKE_PASSWORD_OK", accepts ? "1" : "0", 1);
        WriteFile(host.hkcu(), testing_support::ReadFile(host.hkcu()) +
                                   "\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"
                                   "\"ScreenSaveUsePassword\"=dword:00000001\r\n");
    }
    ScratchHost host;
};

}  // namespace

TEST(MouseRule, OnlyAClearMoveOnBothAxesStops)
{
    EXPECT_FALSE(TMainForm::IsClearMove(100, 100, 150, 100));  // 50 across, none down
    EXPECT_FALSE(TMainForm::IsClearMove(100, 100, 150, 102));
    EXPECT_FALSE(TMainForm::IsClearMove(100, 100, 102, 150));
    EXPECT_TRUE(TMainForm::IsClearMove(100, 100, 103, 103));
    EXPECT_TRUE(TMainForm::IsClearMove(100, 100, 97, 97));
    EXPECT_FALSE(TMainForm::IsClearMove(100, 100, 103, 98));
}

TEST_F(SaverWindow, FirstMoveOnlyRecordsAndSmallMovesKeepIt)
{
    TMainForm form(kModeRun, nullptr);
    ASSERT_FALSE(NoRun);
    form.FormMouseMove(10, 10);
    EXPECT_EQ(form.FirstMouseX, 10);
    form.FormMouseMove(60, 12);  // does not stop, and does not move the recorded point
    EXPECT_EQ(form.FirstMouseX, 10);
    EXPECT_FALSE(form.StopRequested);
    form.Closing = true;
    form.FormMouseMove(90, 90);  // ignored while a stop is being decided
    EXPECT_EQ(form.FirstMouseX, 10);
    form.Closing = false;
    form.FormMouseMove(13, 13);
    EXPECT_TRUE(form.StopRequested);  // the close was granted at once on this system
    EXPECT_TRUE(form.Closing);
}

TEST_F(SaverWindow, RefusedPasswordKeepsTheSaverRunning)
{
    passwordOn(false);
    TMainForm form(kModeRun, nullptr);
    EXPECT_FALSE(form.FormCloseQuery());
    EXPECT_FALSE(form.Closing);
    EXPECT_FALSE(form.StopRequested);
    EXPECT_EQ(form.cursor().shape(), Qt::BlankCursor);  // hidden again
}

TEST_F(SaverWindow, AcceptedPasswordStops)
{
    passwordOn(true);
    TMainForm form(kModeRun, nullptr);
    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_TRUE(form.StopRequested);
    EXPECT_TRUE(form.FormCloseQuery());  // a second request while closing goes straight through
}

TEST_F(SaverWindow, UnreadableSettingsStopTheWindowWithTheBoxAndStatus1)
{
    WriteFile(host.hkcu(), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\"
                           "lumivane]\r\n\"Vitesse\"=\"3\"\r\n");  // a number stored as text
    platform::host().messageBoxLog = host.dir().file("boxes.log");
    platform::host().messageBoxAnswer = "ok";
    TMainForm form(kModeRun, nullptr);
    EXPECT_TRUE(NoRun);
    EXPECT_EQ(form.ExitCode, 1);
    EXPECT_EQ(testing_support::ReadFile(host.dir().file("boxes.log")),
              "Arrêt de Lumivane | error | ok | Erreur lors du chargement des informations de la base de registre.\n");
}

TEST_F(SaverWindow, NoPicturesWarnsAndDoesNotRun)
{
    WriteFile(host.hkcu(), "");
    std::remove(host.hkcu().c_str());
    platform::host().messageBoxLog = host.dir().file("boxes.log");
    platform::host().messageBoxAnswer = "ok";
    TMainForm form(kModeRun, nullptr);
    EXPECT_TRUE(NoRun);
    EXPECT_NE(testing_support::ReadFile(host.dir().file("boxes.log")).find("Avertissement | warning | ok | "),
              std::string::npos);
}

namespace {
std::atomic<bool> g_previewUnderTest{false};
}

TEST_F(SaverWindow, ASecondPreviewEndsWithoutEndingTheProgram)
{
    // An exit from inside the window's creation would end this program with success.
    std::atexit([] {
        if (g_previewUnderTest)
            std::_Exit(3);
    });
    const platform::NamedMutex first("lumivane");  // the preview already running
    ASSERT_TRUE(first.owned());
    QWidget hostWindow;
    hostWindow.resize(152, 112);
    hostWindow.show();
    ParentWindow = uint32_t(hostWindow.winId());
    g_previewUnderTest = true;
    {
        TMainForm form(kModePreview, nullptr);
        EXPECT_TRUE(NoRun);
        EXPECT_EQ(form.PreviewBitmap, nullptr);
    }
    g_previewUnderTest = false;
    ParentWindow = 0;
}
