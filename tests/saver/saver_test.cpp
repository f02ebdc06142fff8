#include "saver/command_line.h"
#include "saver/password.h"

#include "watch/desktop.h"
#include "watch/idle_source.h"
#include "watch/watcher.h"

#include "settings/app_state.h"

#include "platform/host_config.h"
#include "platform/system_info.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::WriteFile;

TEST(CommandLine, ModesAndWindowNumbers)
{
    struct Case {
        std::vector<std::string> args;
        uint8_t mode;
        uint32_t window;
    };
    const Case cases[] = {
        {{}, kModeConfigure, 0},
        {{"/s"}, kModeRun, 0},
        {{"/S"}, kModeRun, 0},
        {{"-s"}, kModeRun, 0},
        {{"s"}, kModeRun, 0},
        {{"/s", "1234"}, kModeRun, 1234},
        {{"/p", "1234"}, kModePreview, 1234},
        {{"/p:1234"}, kModePreview, 1234},
        {{"/P:1234"}, kModePreview, 1234},
        {{"/l", "1234"}, kModePreview, 1234},
        {{"/c:5678"}, kModeConfigure, 5678},
        {{"/x:5678"}, kModeConfigure, 5678},
        {{"/c", "5678"}, kModeConfigure, 5678},
        {{"/p", "abc"}, kModePreview, 0},
        {{"/p", "12ab"}, kModePreview, 0},            // starts with a digit but is no number
        {{"/p", "2147483648"}, kModePreview, 0},      // beyond a 32-bit integer
        {{"/p", "2147483647"}, kModePreview, 2147483647u},
        {{"/p", "0x1a00003"}, kModePreview, 0x1a00003}, // X window ids are often written in hex
        {{"/p:"}, kModePreview, 0},
        {{"/"}, kModeConfigure, 0},                   // a lone slash is not stripped
        {{"-"}, kModeConfigure, 0},
        {{"/z"}, kModeConfigure, 0},
        {{""}, kModeConfigure, 0},
        {{"/a", "1234"}, kModePassword, 1234},
        {{"/saver"}, kModeRun, 0},                    // only the first letter counts
        {{"42"}, kModeConfigure, 42},                 // no mode letter, but a number
        {{"/p", "99", "extra"}, kModePreview, 99},
        {{"/p:7", "99"}, kModePreview, 7},            // the colon form wins over argument 2
    };
    for (const auto& c : cases) {
        const CommandLine r = ParseCommandLine(c.args);
        std::string shown;
        for (const auto& a : c.args)
            shown += "[" + a + "]";
        EXPECT_EQ(r.mode, c.mode) << shown;
        EXPECT_EQ(r.parentWindow, c.window) << shown;
    }
}

TEST(CommandLine, ScreenSaverHostsOfLinuxRunTheShowInTheirWindow)
{
    struct Case {
        std::vector<std::string> args;
        std::string variable;
        bool hosted;
        unsigned long window;
        bool error;
    };
    const Case cases[] = {
        {{"-root"}, "", true, 0, false},
        {{"--root"}, "0x2a00007", true, 0x2a00007, false},  // the host's own window wins over the root
        {{"-window-id", "4194311"}, "", true, 4194311, false},
        {{"--window-id", "0x400007"}, "", true, 0x400007, false},
        {{"-window-id", "0"}, "", true, 0, true},
        {{"-window-id", "0x"}, "", true, 0, true},
        {{"-window-id", "99999999999"}, "", true, 0, true},
        {{"-window-id"}, "", true, 0, true},
        {{}, "123", true, 123, false},
        {{}, "garbage", false, 0, false},             // no usable variable: the dialog, as before
        {{"/s"}, "123", false, 0, false},             // a mode letter keeps its meaning
        {{"/c", "77"}, "123", false, 0, false},
    };
    for (const auto& c : cases) {
        const CommandLine r = ParseCommandLine(c.args, c.variable);
        std::string shown = c.variable;
        for (const auto& a : c.args)
            shown += "[" + a + "]";
        EXPECT_EQ(r.hosted, c.hosted) << shown;
        EXPECT_EQ(r.hostWindow, c.window) << shown;
        EXPECT_EQ(!r.error.empty(), c.error) << shown;
    }
}

TEST(CommandLine, HostOptionsOverrideForOneRunAndBadOnesAreRefused)
{
    using Overrides = std::vector<std::pair<std::string, std::string>>;
    const CommandLine r = ParseCommandLine({"-root", "-interval", "12", "--speed", "0x10", "-no-random", "-random-effects"});
    EXPECT_TRUE(r.hosted && r.error.empty()) << r.error;
    EXPECT_EQ(r.overrides, (Overrides{{"Vitesse", "12"}, {"Rapidite", "16"}, {"Alea", "0"}, {"AleaEffets", "1"}}));
    // The host's window in the variable, options alone after it.
    const CommandLine v = ParseCommandLine({"-random"}, "0x2a00007");
    EXPECT_TRUE(v.hosted && v.hostWindow == 0x2a00007 && v.error.empty());
    EXPECT_EQ(v.overrides, (Overrides{{"Alea", "1"}}));
    EXPECT_EQ(ParseCommandLine({"-window-id", "7", "-random"}).overrides, (Overrides{{"Alea", "1"}}));
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"-root", "-interval"}, {"-root", "-interval", "0"}, {"-root", "-interval", "121"},
             {"-root", "-speed", "20001"}, {"-root", "-speed", "fast"}, {"-root", "-loud"}})
        EXPECT_FALSE(ParseCommandLine(bad).error.empty()) << bad.back();
    // Without a host the letters keep their meaning: -random is no option there.
    EXPECT_FALSE(ParseCommandLine({"-random"}).hosted);
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"-help"}, "123").help);
    EXPECT_FALSE(ParseCommandLine({"/h"}).help);
}

TEST(CommandLine, TheWatcherTakesADelayForOneRun)
{
    const CommandLine plain = ParseCommandLine({"--watch"});
    EXPECT_TRUE(plain.watch && plain.error.empty() && plain.watchDelaySeconds == 0);
    const CommandLine delayed = ParseCommandLine({"-watch", "--delay", "2"}, "0x2a00007");
    EXPECT_TRUE(delayed.watch && !delayed.hosted && delayed.watchDelaySeconds == 2) << delayed.error;
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--watch", "--delay"}, {"--watch", "--delay", "0"}, {"--watch", "--delay", "86401"},
             {"--watch", "--delay", "soon"}, {"--watch", "/s"}})
        EXPECT_FALSE(ParseCommandLine(bad).error.empty()) << bad.back();
}

TEST(Watcher, PollsNoFasterThanASecondAndStartsBeforeTheDesktopBlanks)
{
    using std::chrono::milliseconds;
    EXPECT_EQ(watch::NextPoll(milliseconds(0), milliseconds(120000)), milliseconds(120000));
    EXPECT_EQ(watch::NextPoll(milliseconds(119500), milliseconds(120000)), milliseconds(1000));
    EXPECT_EQ(watch::NextPoll(milliseconds(500000), milliseconds(120000)), milliseconds(1000));
    EXPECT_EQ(watch::DefaultDelaySeconds(300), 240);  // GNOME's 5 minutes
    EXPECT_EQ(watch::DefaultDelaySeconds(90), 45);
    EXPECT_EQ(watch::DefaultDelaySeconds(0), 600);  // unknown or never
}

TEST(CommandLine, RunModeWaitsForTheFirstValidation)
{
    EXPECT_EQ(EffectiveMode(kModeRun, false), kModeConfigure);
    EXPECT_EQ(EffectiveMode(kModeRun, true), kModeRun);
    EXPECT_EQ(EffectiveMode(kModePreview, false), kModePreview);
    EXPECT_EQ(EffectiveMode(kModeConfigure, true), kModeConfigure);
}

TEST(Password, ChangeReportsEachMissingPiece)
{
    ScratchHost host;
    const std::string folder = platform::SystemDirectory();
    EXPECT_EQ(RunPasswordChange({"/a", "1234"}),
              "Impossible de charger la DLL " + folder + "MPR.DLL -  Le mot de passe ne peut être changé.");

    platform::host().systemDirectory = FAKE_LIBS_DIR "/without_entry/";
    EXPECT_EQ(RunPasswordChange({"/a", "1234"}),
              "La bibliothèque " FAKE_LIBS_DIR "/without_entry/MPR.DLL ne contient pas la fonction "
              "PwdChangePasswordA nécessaire afin de définir le mot de passe.");

    platform::host().systemDirectory = FAKE_LIBS_DIR "/with_entry/";
    EXPECT_EQ(RunPasswordChange({"/a", "12x"}), "'12x' n'est pas une valeur entière correcte");
    EXPECT_EQ(RunPasswordChange({"/a"}), "'' n'est pas une valeur entière correcte");
    const std::string log = host.dir().file("mpr.log");
    ::setenv("FAKE_MPR_LOG", log.c_str(), 1);
    EXPECT_EQ(RunPasswordChange({"/a", "4321"}), "");
    ::unsetenv("FAKE_MPR_LOG");
    EXPECT_EQ(ReadFile(log), "SCRSAVE 4321 0 (nil)\n");
}

TEST(Password, VerifyAsksOnlyWhenThePasswordIsOn)
{
    ScratchHost host;
    EXPECT_FALSE(IsWin9x());
    platform::SetOsVersionForTesting(platform::OsVersionInfo{4, 10, 2222, platform::VER_PLATFORM_WIN32_WINDOWS, ""});
    EXPECT_TRUE(IsWin9x());
    platform::SetOsVersionForTesting(platform::OsVersionInfo{5, 1, 2600, platform::VER_PLATFORM_WIN32_NT, ""});
    EXPECT_FALSE(IsWin9x());
    platform::SetOsVersionForTesting(std::nullopt);

    platform::host().systemDirectory = FAKE_LIBS_DIR "/with_entry/";
    ::setenv("FAKE_PASSWORD_OK", "0", 1);
    EXPECT_TRUE(VerifyPassword(1));  // no key at all
    auto desktop = [&](const std::string& value) {
        WriteFile(host.hkcu(), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\"
                               "Desktop]\r\n\"ScreenSaveUsePassword\"=" + value + "\r\n");
    };
    desktop("dword:00000000");
    EXPECT_TRUE(VerifyPassword(1));
    desktop("dword:00000001");
    EXPECT_FALSE(VerifyPassword(1));  // refused by the system dialog
    ::setenv("FAKE_PASSWORD_OK", "1", 1);
    EXPECT_TRUE(VerifyPassword(1));
    desktop("\"1\"");  // stored as text: the check cannot run, so the user may stop
    EXPECT_TRUE(VerifyPassword(1));
    desktop("dword:00000001");
    platform::host().systemDirectory = FAKE_LIBS_DIR "/without_entry/";
    EXPECT_TRUE(VerifyPassword(1));  // library without the entry point
    ::unsetenv("FAKE_PASSWORD_OK");
}
