#include "platform/host_config.h"
#include "platform/registry.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::WriteFile;

namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

int syntaxErrorLine(const std::string& text)
{
    try {
        Hive::parse(text, "HKEY_CURRENT_USER", "test.reg");
    } catch (const RegistrySyntaxError& e) {
        EXPECT_NE(std::string(e.what()).find("test.reg:"), std::string::npos) << e.what();
        return e.line();
    }
    return -1;
}

// Runs body with an ordinary user's rights, in a child process when the tests run as root
// (whom file modes do not stop); body answers what went wrong, or nothing.
std::string asOrdinaryUser(const std::function<std::string()>& body)
{
    if (::geteuid() != 0)
        return body();
    int out[2];
    if (::pipe(out) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        std::string problem;
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            problem = "cannot become nobody";
        else
            problem = body();
        if (!problem.empty() && ::write(out[1], problem.data(), problem.size()) < 0)
            ::_exit(2);
        ::_exit(0);
    }
    ::close(out[1]);
    std::string problem;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        problem.append(buf, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        problem += " (the child did not end well)";
    return problem;
}

}  // namespace

TEST(RegFile, RoundTripsEveryTypeAndAwkwardText)
{
    Hive hive("HKEY_CURRENT_USER");
    RegKey& k = hive.createKey("Software\\Kestrune\\lumivane");
    k.add({"Plain", REG_SZ, "C:\\path with \"quotes\" and é", 0, {}});
    k.add({"Lines", REG_SZ, "one\r\ntwo\ttab", 0, {}});
    k.add({"", REG_SZ, "default value", 0, {}});
    k.add({"Count", REG_DWORD, "", 0xFFFFFFFEu, {}});
    std::vector<uint8_t> many(200);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<uint8_t>(i * 7);
    k.add({"Blob", REG_BINARY, "", 0, many});
    k.add({"Empty", REG_BINARY, "", 0, {}});
    k.add({"Expand", REG_EXPAND_SZ, "", 0, {'%', 0, 'X', 0, 0, 0}});
    hive.createKey("Software\\Kestrune\\lumivane\\Images");  // an empty key must survive

    const std::string text = hive.serialize();
    const Hive back = Hive::parse(text, "HKEY_CURRENT_USER", "x.reg");
    EXPECT_EQ(back, hive);
    EXPECT_TRUE(back.hasKey("SOFTWARE\\kestrune\\LUMIVANE\\images"));
    EXPECT_NE(text.find("\"Count\"=dword:fffffffe"), std::string::npos);
    EXPECT_NE(text.find("@=\"default value\""), std::string::npos);
}

TEST(RegFile, ReadsWhatRegeditWrites)
{
    const std::string text = kHeader +
                             "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                             "\"S\"=\"x\\\\y\"\r\n"
                             "\"D\"=dword:0000000a\r\n"
                             "\"B\"=hex:01,02,\\\r\n"
                             "  03,ff\r\n"
                             "\"W\"=hex(1):41,00,e9,00,00,00\r\n"
                             "; a comment\r\n";
    Hive hive = Hive::parse(text, "HKEY_CURRENT_USER", "x.reg");
    const RegKey* k = hive.key("Software\\A");
    ASSERT_TRUE(k);
    EXPECT_EQ(k->find("s")->text, "x\\y");
    EXPECT_EQ(k->find("D")->dword, 10u);
    EXPECT_EQ(k->find("B")->bytes, (std::vector<uint8_t>{1, 2, 3, 0xff}));
    EXPECT_EQ(k->find("W")->text, "A\xC3\xA9");
    EXPECT_TRUE(hive.hasKey("Software"));  // ancestors exist implicitly

    // The same file as regedit saves it: UTF-16LE with a byte-order mark.
    std::string utf16 = "\xFF\xFE";
    for (unsigned char c : text) {
        utf16 += static_cast<char>(c);
        utf16 += '\0';
    }
    EXPECT_EQ(Hive::parse(utf16, "HKEY_CURRENT_USER", "x.reg"), hive);
}

TEST(RegFile, MalformedFilesNameTheLine)
{
    const std::string key = "[HKEY_CURRENT_USER\\Software\\A]\r\n";
    EXPECT_EQ(syntaxErrorLine(""), 1);                                          // empty
    EXPECT_EQ(syntaxErrorLine("[HKEY_CURRENT_USER\\A]\r\n"), 1);                // missing header
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"S\"=\"open\r\n"), 4);          // unterminated string
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"S\"=\"a\\nb\"\r\n"), 4);       // bad escape
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"S\"=hex:0g\r\n"), 4);          // bad hex
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"S\"=hex:01,\r\n"), 4);         // dangling comma
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"D\"=dword:123456789\r\n"), 4); // dword too long
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"D\"=dword:\r\n"), 4);
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\r\n" + key), 5);                // duplicate key
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"v\"=\"1\"\r\n\"V\"=\"2\"\r\n"), 5);  // duplicate value
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"B\"=hex:01,\\\r\n"), 4);       // truncated continuation
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"S\"=\"x\r\n"), 4);             // truncated value
    EXPECT_EQ(syntaxErrorLine(kHeader + "[HKEY_CURRENT_USER\\Software\r\n"), 3);  // unclosed key
    EXPECT_EQ(syntaxErrorLine(kHeader + "[HKEY_LOCAL_MACHINE\\Software]\r\n"), 3); // other root
    EXPECT_EQ(syntaxErrorLine(kHeader + "\"S\"=\"x\"\r\n"), 3);                 // value before key
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"S\"=-\r\n"), 4);               // deletion
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "garbage\r\n"), 4);
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"S\"=\"x\" trailing\r\n"), 4);
    EXPECT_EQ(syntaxErrorLine(kHeader + key + "\"S\"=hex(1):41\r\n"), 4);       // odd UTF-16
    EXPECT_EQ(syntaxErrorLine(std::string("\xFF\xFE\x41", 3)), 0);              // odd UTF-16 file
}

TEST(RegFile, KeysPastWindowsLimitsAreRefusedAndValueNamesAreCheckedPerKey)
{
    const auto keyAt = [](int depth, size_t nameLength) {
        std::string path = "HKEY_CURRENT_USER";
        for (int i = 0; i < depth; ++i)
            path += "\\" + std::string(i == depth - 1 ? nameLength : 1, 'k');
        return "[" + path + "]\r\n";
    };
    const Hive deep = Hive::parse(kHeader + keyAt(kMaxKeyDepth, 1) + "\"V\"=dword:1\r\n", "HKEY_CURRENT_USER", "t");
    std::string deepest = "k";
    for (size_t i = 1; i < kMaxKeyDepth; ++i)
        deepest += "\\K";
    ASSERT_NE(deep.key(deepest), nullptr);
    EXPECT_EQ(deep.key(deepest)->values().size(), 1u);
    EXPECT_EQ(syntaxErrorLine(kHeader + keyAt(kMaxKeyDepth + 1, 1)), 3);
    EXPECT_EQ(syntaxErrorLine(kHeader + keyAt(2, kMaxKeyNameLength)), -1);
    EXPECT_EQ(syntaxErrorLine(kHeader + keyAt(2, kMaxKeyNameLength + 1)), 3);
    // Characters are counted as Windows counts them: one each, two past U+FFFF.
    std::string accents;
    for (size_t i = 0; i < kMaxKeyNameLength; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(syntaxErrorLine(kHeader + "[HKEY_CURRENT_USER\\" + accents + "]\r\n"), -1);
    const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E
    EXPECT_EQ(syntaxErrorLine(kHeader + "[HKEY_CURRENT_USER\\" + accents.substr(2) + clef + "]\r\n"), 3);

    // One name in two keys is no repetition; names that differ past ASCII are two names.
    const std::string twoKeys = kHeader + "[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:1\r\n\"\xC3\x89\"=dword:2\r\n"
                                "\"\xC3\xA9\"=dword:3\r\n[HKEY_CURRENT_USER\\B]\r\n\"V\"=dword:4\r\n";
    const Hive both = Hive::parse(twoKeys, "HKEY_CURRENT_USER", "t");
    EXPECT_EQ(both.key("A")->values().size(), 3u);
    EXPECT_EQ(both.key("b")->find("v")->dword, 4u);
    EXPECT_EQ(both.key("a")->find("\xC3\xA9")->dword, 3u);
}

TEST(RegFile, ValuesAreFoundByAnyCaseAfterEveryChange)
{
    RegKey k;
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(k.add({"Value" + std::to_string(i), REG_DWORD, "", static_cast<uint32_t>(i), {}}));
    EXPECT_FALSE(k.add({"VALUE7", REG_DWORD, "", 0, {}}));  // the same name in another case
    k.set({"vAlUe7", REG_SZ, "seven", 0, {}});
    EXPECT_EQ(k.find("value7")->name, "Value7");  // the first spelling stays
    EXPECT_EQ(k.find("VALUE7")->text, "seven");
    // Removals anywhere keep every other value found, in its order.
    for (int i = 0; i < 1000; i += 3)
        ASSERT_TRUE(k.remove("VALUE" + std::to_string(i)));
    EXPECT_FALSE(k.remove("value0"));
    int position = 0;
    for (int i = 0; i < 1000; ++i) {
        const RegValue* v = k.find("value" + std::to_string(i));
        ASSERT_EQ(v != nullptr, i % 3 != 0) << i;
        if (v) {
            EXPECT_EQ(v, &k.values()[static_cast<size_t>(position++)]) << i;
        }
    }
    EXPECT_EQ(k.values().size(), static_cast<size_t>(position));
}

TEST(Registry, KeysValuesAndTypes)
{
    ScratchHost host;
    {
        TRegistry reg(RootKey::CurrentUser);
        EXPECT_FALSE(reg.OpenKey("\\Software\\A", false));
        ASSERT_TRUE(reg.OpenKey("\\Software\\A", true));
        reg.WriteString("Text", "value");
        reg.WriteInteger("Number", -5);
        reg.WriteBool("Flag", true);
        reg.WriteBinaryData("Bytes", {1, 2});
        ASSERT_TRUE(reg.OpenKey("Sub\\Deeper", true));  // relative to the current key
        EXPECT_EQ(reg.CurrentPath(), "Software\\A\\Sub\\Deeper");
        // A key past Windows' limits is not created, so the hive still reads back.
        EXPECT_FALSE(reg.OpenKey("\\Software\\" + std::string(kMaxKeyNameLength + 1, 'x'), true));
        EXPECT_EQ(reg.CurrentPath(), "Software\\A\\Sub\\Deeper");
        reg.Flush();
    }
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\software\\a"));
    EXPECT_EQ(reg.ReadString("TEXT"), "value");
    EXPECT_EQ(reg.ReadInteger("Number"), -5);
    EXPECT_TRUE(reg.ReadBool("Flag"));
    EXPECT_EQ(reg.ReadBinaryData("Bytes"), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Sub"});
    EXPECT_EQ(reg.GetValueNames().size(), 4u);
    EXPECT_THROW(reg.ReadInteger("Text"), RegistryError);  // wrong type
    EXPECT_THROW(reg.ReadString("Number"), RegistryError);
    EXPECT_THROW(reg.ReadString("Missing"), RegistryError);
    EXPECT_THROW(reg.WriteString("X", "y"), RegistryError);  // opened read-only

    ASSERT_TRUE(reg.OpenKey("\\Software\\A", false));
    EXPECT_TRUE(reg.DeleteKey("Sub"));
    EXPECT_FALSE(reg.KeyExists("Sub\\Deeper"));
    EXPECT_TRUE(reg.DeleteValue("Flag"));
    EXPECT_FALSE(reg.ValueExists("Flag"));
    reg.Flush();
    EXPECT_EQ(ReadFile(host.hkcu()).find("Deeper"), std::string::npos);
}

TEST(Registry, SaveKeepsWhatAnotherWriterSavedMeanwhile)
{
    ScratchHost host;
    TRegistry first(RootKey::CurrentUser);
    first.OpenKey("\\K", true);
    first.WriteString("Mine", "1");
    {
        TRegistry second(RootKey::CurrentUser);
        second.OpenKey("\\K", true);
        second.WriteString("Theirs", "2");
        second.Flush();
    }
    first.Flush();
    TRegistry check(RootKey::CurrentUser);
    check.OpenKeyReadOnly("\\K");
    EXPECT_EQ(check.ReadString("Mine"), "1");
    EXPECT_EQ(check.ReadString("Theirs"), "2");
}

TEST(Registry, BrokenHiveIsAnErrorAndIsNeverOverwritten)
{
    ScratchHost host;
    const std::string broken = kHeader + "[HKEY_CURRENT_USER\\K]\r\n\"S\"=\"unterminated\r\n";
    WriteFile(host.hkcu(), broken);
    TRegistry reg(RootKey::CurrentUser);
    EXPECT_THROW(reg.OpenKey("\\K", true), RegistrySyntaxError);
    EXPECT_THROW(reg.OpenKeyReadOnly("\\K"), RegistrySyntaxError);
    EXPECT_EQ(ReadFile(host.hkcu()), broken);
}

// A writer killed at any moment leaves the old hive or the new one, never a mixture.
TEST(Registry, KilledWriterLeavesAWholeHive)
{
    ScratchHost host;
    constexpr int kValues = 150;
    auto writeGeneration = [](int generation) {
        TRegistry reg(RootKey::CurrentUser);
        reg.OpenKey("\\Software\\Gen", true);
        reg.DeleteKey("List");
        reg.OpenKey("List", true);
        for (int i = 0; i < kValues; ++i)
            reg.WriteString(std::to_string(i), "generation " + std::to_string(generation) + std::string(40, 'x'));
        reg.Flush();
    };
    writeGeneration(0);
    std::mt19937 rng(1234);
    for (int round = 0; round < 200; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int g = 1;; ++g)
                writeGeneration(g);
        }
        ::usleep(std::uniform_int_distribution<int>(0, 4000)(rng));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const Hive hive = LoadHiveFile(host.hkcu(), "HKEY_CURRENT_USER");
        const RegKey* list = hive.key("Software\\Gen\\List");
        ASSERT_TRUE(list) << "round " << round;
        ASSERT_EQ(list->values().size(), static_cast<size_t>(kValues)) << "round " << round;
        for (const auto& v : list->values())
            ASSERT_EQ(v.text, list->values().front().text) << "round " << round;
    }
}

// A system-wide installation: the machine hive is root's, read-only for the user, whose
// machine values go to a store of their own that reads consult first.
TEST(Registry, MachineValuesOfAUserWhoCannotWriteThemGoToTheUsersStore)
{
    namespace fs = std::filesystem;
    ScratchHost scratch;
    const std::string machineDir = scratch.dir().path() + "/etc", userDir = scratch.dir().path() + "/home";
    fs::create_directories(machineDir);
    fs::create_directories(userDir);
    const std::string machineText = kHeader + "[HKEY_LOCAL_MACHINE\\Software\\App]\r\n\"CheminInstall\"=\"/opt/app/\"\r\n" +
                                    "\"Other\"=dword:00000007\r\n";
    platform::host().localMachineHive = machineDir + "/HKLM.reg";
    platform::host().localMachineStore = userDir + "/VirtualStore/HKLM.reg";
    WriteFile(platform::host().localMachineHive, machineText);
    fs::permissions(scratch.dir().path(), fs::perms(0755));
    fs::permissions(platform::host().localMachineHive, fs::perms(0444));
    fs::permissions(machineDir, fs::perms(0555));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(userDir.c_str(), 65534, 65534), 0);
    }

    const std::string problem = asOrdinaryUser([&]() -> std::string {
        try {
            {
                TRegistry reg(RootKey::LocalMachine);
                if (!reg.OpenKeyReadOnly("\\Software\\App") || reg.ReadString("CheminInstall") != "/opt/app/")
                    return "the machine hive was not read";
                if (!reg.OpenKey("\\Software\\App", true))
                    return "the key did not open for writing";
                reg.WriteBool("ConfigValidated", true);
                reg.WriteString("CheminInstall", "/home/moved/");
                reg.OpenKey("Sub", true);
                reg.WriteString("Mine", "x");
                reg.Flush();
            }
            TRegistry reg(RootKey::LocalMachine);
            reg.OpenKey("\\Software\\App", false);
            if (!reg.ReadBool("ConfigValidated") || reg.ReadString("CheminInstall") != "/home/moved/")
                return "the store is not read first";
            if (reg.ReadInteger("Other") != 7 || reg.GetKeyNames() != std::vector<std::string>{"Sub"})
                return "the machine hive is hidden by the store";
            // What the machine hive holds cannot be deleted; what the store alone holds can.
            try {
                reg.DeleteValue("Other");
                return "a machine value was deleted";
            } catch (const RegistryError&) {
            }
            if (!reg.DeleteValue("ConfigValidated") || !reg.DeleteKey("Sub"))
                return "the store's own value was not deleted";
            reg.Flush();
            TRegistry again(RootKey::LocalMachine);
            again.OpenKeyReadOnly("\\Software\\App");
            if (again.ValueExists("ConfigValidated") || again.KeyExists("Sub") || again.ReadInteger("Other") != 7)
                return "deleting from the store went wrong";
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    });
    EXPECT_EQ(problem, "");
    // Nothing was written, locked or left beside the machine hive.
    EXPECT_EQ(ReadFile(platform::host().localMachineHive), machineText);
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(machineDir))
        beside.push_back(entry.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"HKLM.reg"});
    EXPECT_NE(ReadFile(platform::host().localMachineStore).find("\"CheminInstall\"=\"/home/moved/\""), std::string::npos);

    fs::permissions(machineDir, fs::perms(0755));
    fs::permissions(platform::host().localMachineHive, fs::perms(0644));
    // One who may write the machine hive writes it, and does not read the store.
    TRegistry reg(RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey("\\Software\\App", false));
    EXPECT_EQ(reg.ReadString("CheminInstall"), "/opt/app/");
    reg.WriteString("Admin", "1");
    reg.Flush();
    EXPECT_NE(ReadFile(platform::host().localMachineHive).find("\"Admin\"=\"1\""), std::string::npos);
}
