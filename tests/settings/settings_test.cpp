#include "settings/app_state.h"
#include "settings/colors.h"
#include "settings/environment.h"
#include "settings/settings.h"
#include "settings/show_position.h"

#include "platform/registry.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace platform;
using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::WriteFile;

namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

void writeMachineHive(const ScratchHost& host, const std::string& folder)
{
    WriteFile(host.hklm(), kHeader + "[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n\"CheminInstall\"=\"" +
                               folder + "\"\r\n");
}

std::string picture(const ScratchHost& host, const std::string& name)
{
    const std::string path = host.dir().file(name);
    WriteFile(path, "picture");
    return path;
}

std::unique_ptr<TSettings> load()
{
    auto s = std::make_unique<TSettings>(TSettings::DefaultsOnly{});
    s->ReadRegistry();
    return s;
}

}  // namespace

TEST(Settings, OnlyTheInstallFolderGivesTheDefaults)
{
    ScratchHost host;
    writeMachineHive(host, "/opt/lumivane/share");
    TSettings s;  // the real constructor: loads, then completes the folders
    EXPECT_EQ(s.CheminInstall, "/opt/lumivane/share/");
    EXPECT_EQ(s.DossierImages, "/opt/lumivane/share/");
    EXPECT_EQ(s.Selection, "");
    EXPECT_EQ(s.BackGroundColor, "clBlack");
    EXPECT_TRUE(s.Images.empty());
    EXPECT_EQ(s.ImageCount, 0);
    EXPECT_EQ(s.Vitesse, 3);
    EXPECT_EQ(s.Rapidite, 1000);
    EXPECT_EQ(s.TailleEffet, 4);
    EXPECT_TRUE(s.Effet && s.AleaEffets && s.Centre && s.Transition);
    EXPECT_FALSE(s.Alea || s.Ajuster || s.Log || s.Enregistre || s.AfficherDlgLettreInfo || s.DoubleBufferring ||
                 s.NoEcranOFF);
}

TEST(Settings, ALoadThatCannotGoOnGivesItsBoxAndEndsNothing)
{
    ScratchHost host;
    {
        TSettings s;  // no installation folder
        ASSERT_TRUE(s.LoadFailure);
        EXPECT_EQ(s.LoadFailure->caption, "Lumivane");
        EXPECT_NE(s.LoadFailure->text.find("pas été correctement installé"), std::string::npos);
    }
    writeMachineHive(host, "/opt/x/");
    WriteFile(host.hkcu(), kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n\"Vitesse\"=dword:zz\r\n");
    TSettings s;
    ASSERT_TRUE(s.LoadFailure);
    EXPECT_EQ(s.LoadFailure->caption, "Arrêt de Lumivane");
    EXPECT_EQ(s.LoadFailure->flags, MB_ICONERROR);
    EXPECT_NE(s.LoadFailure->detail.find("HKCU.reg:4"), std::string::npos) << s.LoadFailure->detail;
    TSettings later(TSettings::DefaultsOnly{});
    EXPECT_EQ(later.LoadAway().value_or(FatalBox{}).text, s.LoadFailure->text);
}

TEST(Settings, InstallFolderWithSeparatorIsKept)
{
    ScratchHost host;
    writeMachineHive(host, "/opt/x/");
    TSettings s;
    EXPECT_EQ(s.CheminInstall, "/opt/x/");
}

TEST(Settings, SaveAndLoadRoundTripEveryField)
{
    ScratchHost host;
    writeMachineHive(host, "/opt/x/");
    const std::string a = picture(host, "a.jpg"), b = picture(host, "b b.bmp");
    {
        TSettings s{TSettings::DefaultsOnly{}};
        s.Selection = std::string(227, '1') + "0";
        s.BackGroundColor = "$00123456";
        s.DossierImages = "/home/u/Images/";
        s.Images = {a, b};
        s.Vitesse = 120;
        s.Rapidite = 20000;
        s.TailleEffet = 10;
        s.Effet = false;
        s.Alea = true;
        s.AleaEffets = false;
        s.Centre = false;
        s.Ajuster = true;
        s.Transition = false;
        s.Log = false;
        s.Enregistre = true;
        s.DoubleBufferring = true;
        s.NoEcranOFF = true;
        s.SaveToRegistry();
    }
    auto loaded = load();
    TSettings& s = *loaded;
    EXPECT_EQ(s.Selection, std::string(227, '1') + "0");
    EXPECT_EQ(s.BackGroundColor, "$00123456");
    EXPECT_EQ(s.DossierImages, "/home/u/Images/");
    EXPECT_EQ(s.Images, (std::vector<std::string>{a, b}));
    EXPECT_EQ(s.ImageCount, 2);
    EXPECT_EQ(s.Vitesse, 120);
    EXPECT_EQ(s.Rapidite, 20000);
    EXPECT_EQ(s.TailleEffet, 10);
    EXPECT_FALSE(s.Effet || s.AleaEffets || s.Centre || s.Transition);
    EXPECT_TRUE(s.Alea && s.Ajuster && s.Enregistre && s.DoubleBufferring && s.NoEcranOFF);
    EXPECT_FALSE(s.AfficherDlgLettreInfo);  // only SaveLettreInfoOff writes it

    const std::string text = ReadFile(host.hkcu());
    EXPECT_NE(text.find("\"Vitesse\"=dword:00000078"), std::string::npos);
    EXPECT_NE(text.find("\"Dossier Images\"=\"/home/u/Images/\""), std::string::npos);
    EXPECT_EQ(text.find("Afficher Dlg Lettre info"), std::string::npos);

    s.SaveLettreInfoOff();
    EXPECT_TRUE(load()->AfficherDlgLettreInfo);
}

TEST(Settings, TheWatcherReadsItsValuesAloneAndKeepsThemThroughASave)
{
    ScratchHost host;
    writeMachineHive(host, "/opt/x/");
    const std::string kept = picture(host, "a.jpg");
    WriteFile(host.hkcu(), kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"
                                     "\"DelaiVeille\"=dword:00000005\r\n\"DureeVeille\"=dword:00000000\r\n"
                                     "\"VerrouAuRetour\"=dword:00000000\r\n\"Vitesse\"=dword:00000009\r\n\r\n"
                                     "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n\"0\"=\"" +
                                     kept + "\"\r\n");
    TSettings fresh{TSettings::DefaultsOnly{}};
    EXPECT_EQ(fresh.DelaiVeille, TSettings::kDelaiDuBureau);
    EXPECT_EQ(fresh.DureeVeille, 30);
    EXPECT_TRUE(fresh.VerrouAuRetour);
    TSettings watcher{TSettings::DefaultsOnly{}};
    ReadUserValues(watcher, {"DelaiVeille", "DureeVeille", "VerrouAuRetour"});
    EXPECT_EQ(watcher.DelaiVeille, 5);
    EXPECT_EQ(watcher.DureeVeille, 0);
    EXPECT_FALSE(watcher.VerrouAuRetour);
    EXPECT_EQ(watcher.Vitesse, 3);           // not asked for
    EXPECT_TRUE(watcher.Images.empty());  // nor the list
    // The dialog's save leaves the watcher's values as the user set them.
    auto loaded = load();
    loaded->Vitesse = 10;
    loaded->SaveToRegistry();
    auto again = load();
    EXPECT_EQ(again->Vitesse, 10);
    EXPECT_EQ(again->DelaiVeille, 5);
    EXPECT_FALSE(again->VerrouAuRetour);
    EXPECT_EQ(again->Images, std::vector<std::string>{kept});
}

TEST(Settings, ValuesAreReadAndWrittenInTheirOrderAndKind)
{
    ScratchHost host;
    // A save into an empty hive lists the values in the order it wrote them.
    TSettings{TSettings::DefaultsOnly{}}.SaveToRegistry();
    std::vector<std::string> written;
    for (const std::string& line : Lines(ReadFile(host.hkcu()))) {
        const size_t end = line.find("\"=");
        if (line.starts_with('"') && end != std::string::npos)
            written.push_back(line.substr(1, end - 1) + (line[end + 2] == '"' ? " REG_SZ" : " REG_DWORD"));
    }
    EXPECT_EQ(written, (std::vector<std::string>{
                           "Vitesse REG_DWORD", "Rapidite REG_DWORD", "Effet REG_DWORD", "Alea REG_DWORD",
                           "AleaEffets REG_DWORD", "Centre REG_DWORD", "TailleEffet REG_DWORD", "Transition REG_DWORD",
                           "Ajuster REG_DWORD", "LOG REG_DWORD", "Enregistre REG_DWORD", "DoubleBufferring REG_DWORD",
                           "NoEcranOFF REG_DWORD", "Selection REG_SZ", "BackGroundColor REG_SZ",
                           "Dossier Images REG_SZ", "DelaiVeille REG_DWORD", "VerrouAuRetour REG_DWORD",
                           "TousLesEcrans REG_DWORD"}));

    // Every value of a type no reading takes: each load stops at the first one it reads,
    // and names it with the type it wanted.
    std::string values;
    for (const auto& line : written)
        values += "\"" + line.substr(0, line.rfind(' ')) + "\"=hex:00\r\n";
    WriteFile(host.hkcu(), kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n" + values +
                               "\"Afficher Dlg Lettre info\"=hex:00\r\n");
    std::vector<std::string> read;
    for (size_t left = written.size() + 1; left > 0; --left) {
        try {
            TSettings{TSettings::DefaultsOnly{}}.ReadRegistry();
        } catch (const RegistryError& e) {
            const std::string what = e.what();  // value "NAME" in KEY is REG_BINARY, not TYPE
            const std::string name = what.substr(7, what.find('"', 7) - 7);
            read.push_back(name + what.substr(what.rfind(' ')));
            TRegistry reg(RootKey::CurrentUser);
            ASSERT_TRUE(reg.OpenKey(kUserKey, false) && reg.DeleteValue(name));
        }
    }
    EXPECT_EQ(read, (std::vector<std::string>{
                        "Selection REG_SZ", "Dossier Images REG_SZ", "Vitesse REG_DWORD", "Rapidite REG_DWORD",
                        "TailleEffet REG_DWORD", "Effet REG_DWORD", "Alea REG_DWORD", "AleaEffets REG_DWORD",
                        "Centre REG_DWORD", "Transition REG_DWORD", "Ajuster REG_DWORD", "LOG REG_DWORD",
                        "Enregistre REG_DWORD", "DoubleBufferring REG_DWORD", "BackGroundColor REG_SZ",
                        "NoEcranOFF REG_DWORD", "Afficher Dlg Lettre info REG_DWORD", "DelaiVeille REG_DWORD",
                        "VerrouAuRetour REG_DWORD", "TousLesEcrans REG_DWORD"}));
}

TEST(Settings, PictureListSkipsGapsAndDropsMissingFiles)
{
    ScratchHost host;
    writeMachineHive(host, "/opt/x/");
    const std::string p0 = picture(host, "0.jpg"), p1 = picture(host, "1.jpg"), p3 = picture(host, "3.jpg");
    WriteFile(host.hkcu(), kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n\"0\"=\"" + p0 +
                               "\"\r\n\"1\"=\"" + p1 + "\"\r\n\"3\"=\"" + p3 + "\"\r\n");
    EXPECT_EQ(load()->Images, (std::vector<std::string>{p0, p1}));  // "3" is never read

    // Five paths, the third gone before saving: saved as 0..3 in order.
    std::vector<std::string> five;
    for (int i = 0; i < 5; ++i)
        five.push_back(picture(host, "p" + std::to_string(i) + ".jpg"));
    TSettings s{TSettings::DefaultsOnly{}};
    s.Images = five;
    std::remove(five[2].c_str());
    s.SaveToRegistry();
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Kestrune\\lumivane\\Images"));
    EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(reg.ReadString("2"), five[3]);
    EXPECT_EQ(reg.ReadString("3"), five[4]);

    // A picture removed between save and load is dropped on load too.
    std::remove(five[0].c_str());
    auto again = load();
    EXPECT_EQ(again->Images, (std::vector<std::string>{five[1], five[3], five[4]}));
    EXPECT_EQ(again->ImageCount, 3);
}

TEST(Settings, AHundredThousandPicturesLoadAndSaveWholeAndInOrder)
{
    ScratchHost host;
    writeMachineHive(host, "/opt/x/");
    const std::string a = picture(host, "a.jpg"), b = picture(host, "b.jpg");
    const std::string gone = host.dir().file("gone.jpg");
    constexpr int kCount = 100000;
    // Written in reverse name order, as a hand-edited or merged file may have them; every
    // tenth entry names a file that does not exist.
    std::string text = kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n";
    std::vector<std::string> expected;
    for (int n = kCount - 1; n >= 0; --n)
        text += "\"" + std::to_string(n) + "\"=\"" + (n % 10 == 9 ? gone : n % 2 ? b : a) + "\"\r\n";
    for (int n = 0; n < kCount; ++n)
        if (n % 10 != 9)
            expected.push_back(n % 2 ? b : a);
    WriteFile(host.hkcu(), text);
    auto loaded = load();
    ASSERT_EQ(loaded->ImageCount, static_cast<int>(expected.size()));
    EXPECT_EQ(loaded->Images, expected);

    loaded->SaveToRegistry();
    auto again = load();
    EXPECT_EQ(again->Images, expected);
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Kestrune\\lumivane\\Images"));
    const std::vector<std::string> names = reg.GetValueNames();
    ASSERT_EQ(names.size(), expected.size());
    EXPECT_EQ(names.front(), "0");
    EXPECT_EQ(names.back(), std::to_string(expected.size() - 1));
}

TEST(Settings, StoredValuesAreTakenAsTheyAre)
{
    ScratchHost host;
    writeMachineHive(host, "/opt/x");
    WriteFile(host.hkcu(), kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n"
                                     "\"Selection\"=\"0101\"\r\n\"TailleEffet\"=dword:00000000\r\n"
                                     "\"LOG\"=dword:00000002\r\n\"Afficher Dlg Lettre info\"=dword:00000001\r\n");
    auto loaded = load();
    TSettings& s = *loaded;
    EXPECT_EQ(s.Selection, "0101");  // short selections load unchanged
    EXPECT_EQ(s.TailleEffet, 0);
    EXPECT_EQ(s.ClampedTailleEffet(), 4);  // never a zero step for the effects
    EXPECT_TRUE(s.Log);  // any non-zero DWORD is true
    EXPECT_TRUE(s.AfficherDlgLettreInfo);
    s.TailleEffet = 50;
    EXPECT_EQ(s.ClampedTailleEffet(), 10);
}

TEST(Settings, ValueOfTheWrongTypeFailsTheLoad)
{
    ScratchHost host;
    writeMachineHive(host, "/opt/x/");
    WriteFile(host.hkcu(),
              kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n\"Vitesse\"=\"3\"\r\n");
    TSettings s{TSettings::DefaultsOnly{}};
    EXPECT_THROW(s.ReadRegistry(), RegistryError);
    WriteFile(host.hkcu(),
              kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n\"0\"=dword:00000001\r\n");
    EXPECT_THROW(s.ReadRegistry(), RegistryError);
}

TEST(Settings, InstallPathRecoveryAndConfigValidated)
{
    ScratchHost host;
    WriteFile(host.hklm(), kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                                     "Uninstall\\Lumivane]\r\n\"UninstallString\"=\"/opt/lv/bin/uninstall\"\r\n");
    TSettings s{TSettings::DefaultsOnly{}};
    s.LoadRegistryInstallPath();
    EXPECT_EQ(s.CheminInstall, "/opt/lv/bin/");
    EXPECT_EQ(load()->CheminInstall, "/opt/lv/bin/");  // written to the machine key

    EXPECT_FALSE(IsConfigValidated());
    SetConfigValidated();
    EXPECT_TRUE(IsConfigValidated());
    EXPECT_EQ(load()->CheminInstall, "/opt/lv/bin/");  // the marker keeps the rest of the hive
    EXPECT_NE(ReadFile(host.hklm()).find("\"ConfigValidated\"=dword:00000001"), std::string::npos);
}

TEST(Colors, TextsRoundTrip)
{
    using colors::ColorToString;
    using colors::StringToColor;
    EXPECT_EQ(ColorToString(0x000000), "clBlack");
    EXPECT_EQ(ColorToString(0xFFFFFF), "clWhite");
    EXPECT_EQ(ColorToString(0x80000000u + 15), "clBtnFace");
    EXPECT_EQ(ColorToString(0x80000000u + 24), "clInfoBk");
    EXPECT_EQ(ColorToString(0x1FFFFFFF), "clNone");
    EXPECT_EQ(ColorToString(0x00123456), "$00123456");
    EXPECT_EQ(ColorToString(0x00ABCDEF), "$00ABCDEF");
    for (uint32_t v : {0x0u, 0x80u, 0xC0C0C0u, 0x80000000u, 0x80000018u, 0x1FFFFFFFu, 0xABCDEFu, 0x7Fu})
        EXPECT_EQ(StringToColor(ColorToString(v)), v) << v;
    EXPECT_EQ(StringToColor("CLRED"), 0x0000FFu);
    EXPECT_EQ(StringToColor("$ff"), 0xFFu);
    EXPECT_EQ(StringToColor("16711680"), 0xFF0000u);     // decimal is accepted on reading
    EXPECT_EQ(StringToColor("-2147483633"), 0x8000000Fu); // a system colour written as a signed number
    EXPECT_EQ(StringToColor("clNoSuchColour"), std::nullopt);
    EXPECT_EQ(StringToColor("$"), std::nullopt);
    EXPECT_EQ(StringToColor("12abc"), std::nullopt);
    EXPECT_EQ(StringToColor("$1FFFFFFFF"), std::nullopt);

    TSettings s{TSettings::DefaultsOnly{}};
    s.BackGroundColor = "not a colour";
    EXPECT_EQ(s.BackColor(), 0u);
    s.BackGroundColor = "clNavy";
    EXPECT_EQ(s.BackColor(), 0x800000u);
}

TEST(Settings, AHostedShowGoesOnWithoutBoxesOverridesAndSamples)
{
    ScratchHost host;
    const std::string folder = host.dir().path() + "/share/";
    writeMachineHive(host, folder);
    for (const char* name : {"b.jpg", "a.JPG", "c.bmp"})
        WriteFile(folder + name, "picture");
    SettingOverrides = {{"Vitesse", "42"}, {"Alea", "1"}};
    const auto hosted = [] {
        auto settings = std::make_unique<TSettings>(TSettings::DefaultsOnly{});
        settings->HostedShow = true;
        settings->LoadAway();
        return settings;
    };
    {
        // A user hive that does not parse: the reason kept, defaults, the samples in name order.
        WriteFile(host.hkcu(), "not a hive\r\n");
        const auto loaded = hosted();
        const TSettings& broken = *loaded;
        EXPECT_NE(broken.Problem.find("Erreur lors du chargement"), std::string::npos);
        EXPECT_TRUE(broken.UsingSamples);
        EXPECT_EQ(broken.Images, (std::vector<std::string>{folder + "a.JPG", folder + "b.jpg"}));
        EXPECT_EQ(broken.Vitesse, 42);
        EXPECT_TRUE(broken.Alea);
        EXPECT_EQ(broken.Rapidite, 1000);
    }
    {
        // Chosen pictures are kept; the overrides are for this run, never written.
        const std::string mine = picture(host, "mine.bmp");
        WriteFile(host.hkcu(), kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n\"Vitesse\"=dword:00000007\r\n"
                                         "\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n\"0\"=\"" + mine + "\"\r\n");
        const auto loaded = hosted();
        const TSettings& chosen = *loaded;
        EXPECT_TRUE(chosen.Problem.empty()) << chosen.Problem;
        EXPECT_FALSE(chosen.UsingSamples);
        EXPECT_EQ(chosen.Images, std::vector<std::string>{mine});
        EXPECT_EQ(chosen.Vitesse, 42);
        EXPECT_NE(ReadFile(host.hkcu()).find("dword:00000007"), std::string::npos);
    }
    SettingOverrides.clear();
}

TEST(Settings, MachineHiveAndShowPositionFollowTheSystemsPlaces)
{
    EXPECT_EQ(MachineHiveOf("/usr/bin/"), "/etc/lumivane/HKLM.reg");
    EXPECT_EQ(MachineHiveOf("/usr/local/bin/"), "/usr/local/etc/lumivane/HKLM.reg");
    EXPECT_EQ(MachineHiveOf("/opt/lumivane/bin"), "/etc/opt/lumivane/lumivane/HKLM.reg");
    EXPECT_EQ(MachineHiveOf("/home/me/local/bin/"), "/home/me/local/etc/lumivane/HKLM.reg");

    const std::vector<std::string> list = {"a", "b", "c", "b"};
    EXPECT_EQ(ResumeIndex(list, {1, "b"}), 2);   // where it was
    EXPECT_EQ(ResumeIndex(list, {3, "b"}), 0);   // the last one: round again
    EXPECT_EQ(ResumeIndex(list, {0, "c"}), 3);   // moved: after it where it is now
    EXPECT_EQ(ResumeIndex(list, {2, "gone"}), 2);
    EXPECT_EQ(ResumeIndex(list, {9, "gone"}), 0);
    EXPECT_EQ(ResumeIndex({}, {1, "b"}), 0);

    ScratchHost host;
    const std::string file = host.dir().path() + "/state/lumivane/position";
    EXPECT_EQ(ReadShowPosition(file).index, -1);
    ASSERT_TRUE(WriteShowPosition(file, {5, "/photos/été 2026/x.jpg"}));
    const ShowPosition back = ReadShowPosition(file);
    EXPECT_EQ(back.index, 5);
    EXPECT_EQ(back.file, "/photos/été 2026/x.jpg");
    WriteFile(file, "-3\nx\n");
    EXPECT_EQ(ReadShowPosition(file).index, -1);
}
