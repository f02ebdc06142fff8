// The real program, run with crafted hives; its message boxes are read from the automation log.

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::RunResult;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kUserKey = "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n";
const std::string kInstallBox =
    "Lumivane | information | ok | Lumivane n' as pas été correctement installé. Veuillez le réinstaller à partir "
    "du fichier d'installation d'origine.";
const std::string kLoadBox =
    "Arrêt de Lumivane | error | ok | Erreur lors du chargement des informations de la base de registre.";

class Entry : public ::testing::Test {
protected:
    void installed(bool validated = false)
    {
        WriteFile(dir.file("HKLM.reg"), kHeader + "[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n\"CheminInstall\"=\"" +
                                            dir.path() + "/share\"\r\n" +
                                            (validated ? "\"ConfigValidated\"=dword:00000001\r\n" : ""));
    }
    void user(const std::string& values) { WriteFile(dir.file("HKCU.reg"), kHeader + kUserKey + values); }

    RunResult run(const std::vector<std::string>& args, std::map<std::string, std::string> extra = {})
    {
        std::map<std::string, std::string> env = {
            {"LUMIVANE_HKCU", dir.file("HKCU.reg")},
            {"LUMIVANE_HKLM", dir.file("HKLM.reg")},
            {"LUMIVANE_DRIVE_C", dir.path() + "/c"},
            {"LUMIVANE_SYSTEM_DIR", dir.path() + "/system"},
            {"LUMIVANE_MSGBOX_LOG", dir.file("boxes.log")},
            {"LUMIVANE_MSGBOX_ANSWER", "ok"},
            {"HOME", dir.path()},
        };
        std::filesystem::create_directories(dir.path() + "/c");
        if (!std::getenv("DISPLAY"))
            env["QT_QPA_PLATFORM"] = "offscreen";
        for (auto& [k, v] : extra)
            env[k] = v;
        return testing_support::Run(LUMIVANE_EXE, args, env);
    }
    std::vector<std::string> boxes() { return Lines(ReadFile(dir.file("boxes.log"))); }

    TempDir dir;
};

}  // namespace

TEST_F(Entry, MissingInstallationEndsWithTheInstallBox)
{
    for (const char* mode : {"/s", "/c"}) {
        std::remove(dir.file("boxes.log").c_str());
        const RunResult r = run({mode});
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_EQ(boxes(), std::vector<std::string>{kInstallBox}) << mode;
    }
}

TEST_F(Entry, UnreadableSettingsEndWithTheStopBox)
{
    installed();
    user("\"Vitesse\"=\"3\"\r\n");  // a number stored as text
    RunResult r = run({"/s"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(boxes(), std::vector<std::string>{kLoadBox});
    EXPECT_NE(r.output.find("Vitesse"), std::string::npos) << r.output;  // the detail goes to stderr

    // A hive that does not parse is the same error, and it is left as it was.
    std::remove(dir.file("boxes.log").c_str());
    const std::string broken = kHeader + kUserKey + "\"Vitesse\"=dword:zz\r\n";
    WriteFile(dir.file("HKCU.reg"), broken);
    r = run({"/c"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(boxes(), std::vector<std::string>{kLoadBox});
    EXPECT_NE(r.output.find("HKCU.reg:4"), std::string::npos) << r.output;
    EXPECT_EQ(ReadFile(dir.file("HKCU.reg")), broken);
}

TEST_F(Entry, LoadErrorAfterLogIsOnIsTraced)
{
    installed();
    user("\"LOG\"=dword:00000001\r\n\"NoEcranOFF\"=\"1\"\r\n");
    EXPECT_EQ(run({"/s"}).exitCode, 1);
    EXPECT_EQ(boxes(), std::vector<std::string>{kLoadBox});
    const auto log = Lines(ReadFile(dir.path() + "/c/lumivane.log"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("| !!! Erreur lors du chargement des informations de la base de registre => ARRET !\r"),
              std::string::npos);
}

TEST_F(Entry, PreviewCreatesOnlyTheWindowsSettings)
{
    // Preview reads no program-wide settings: only the saver window's own object loads
    // (one load and one unload in the log), and a window that is no number ends it at once,
    // saying so.
    installed();
    user("\"LOG\"=dword:00000001\r\n");
    const RunResult r = run({"/p", "abc"});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find("fenêtre X existante"), std::string::npos) << r.output;
    EXPECT_TRUE(boxes().empty());
    const auto log = Lines(ReadFile(dir.path() + "/c/lumivane.log"));
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(Entry, GoodSettingsStartQuietlyAndLogWhenAsked)
{
    // The dialog's runs are the dialog test's; here the show, which without pictures
    // ends after its warning.
    installed(true);
    user("\"LOG\"=dword:00000001\r\n");
    const RunResult r = run({"/s"});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    const auto log = Lines(ReadFile(dir.path() + "/c/lumivane.log"));
    ASSERT_GE(log.size(), 4u);  // four lines for the program-wide settings, then the show's
    EXPECT_NE(log[1].find("| Chargement de la base de registre effectué.\r"), std::string::npos);
}

TEST_F(Entry, PasswordChangeWithoutTheLibraryShowsOneBox)
{
    const RunResult r = run({"/a", "1234"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(boxes(), std::vector<std::string>{"Lumivane | error | ok | Impossible de charger la DLL " + dir.path() +
                                                "/system/MPR.DLL -  Le mot de passe ne peut être changé."});
}

TEST_F(Entry, WithoutADisplayItSaysSo)
{
    installed();
    RunResult r = run({"/s"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("xvfb-run"), std::string::npos) << r.output;
    // A platform asked for by name, whose display is missing or does not answer, is asked
    // before Qt would abort on it.
    for (const char* display : {"", ":987"}) {
        r = run({"/s"}, {{"DISPLAY", display}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", "xcb"}});
        EXPECT_EQ(r.exitCode, 1) << display << ": " << r.output;
        EXPECT_NE(r.output.find(*display ? "l'affichage X « :987 » ne répond pas" : "la variable DISPLAY est vide"),
                  std::string::npos)
            << r.output;
    }
    r = run({"/s"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", "nowhere-0"}, {"QT_QPA_PLATFORM", "wayland"}});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("aucun affichage Wayland"), std::string::npos) << r.output;
    // The password change still tells what went wrong.
    r = run({"/a", "1"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""},
                          {"LUMIVANE_MSGBOX_ANSWER", ""}, {"LUMIVANE_MSGBOX_LOG", ""}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("MPR.DLL"), std::string::npos) << r.output;
}
