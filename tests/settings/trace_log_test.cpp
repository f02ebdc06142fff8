#include "settings/settings.h"
#include "settings/trace_log.h"

#include "platform/host_config.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

// GCC 12 with the sanitizers sees libstdc++'s regex compiler read a std::function it has set.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#include <sys/wait.h>
#include <unistd.h>

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::WriteFile;

namespace {

// This test program runs under a French locale (see CMakeLists.txt).
const std::regex kFrenchLine(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d \| %\d{1,3},\d \| (.*)\r$)");

std::vector<std::string> messages(const std::string& file)
{
    std::vector<std::string> out;
    for (const auto& line : Lines(ReadFile(file))) {
        std::smatch m;
        EXPECT_TRUE(std::regex_match(line, m, kFrenchLine)) << '"' << line << '"';
        out.push_back(m.size() > 1 ? m[1].str() : std::string());
    }
    return out;
}

}  // namespace

TEST(TraceLog, FrenchLinesAppendedInOrder)
{
    ScratchHost host;
    EXPECT_EQ(TraceLogPath(), host.driveC() + "lumivane.log");
    WriteFile(TraceLogPath(), "");
    TraceLog("Image : /a.jpg. Taille :12");
    TraceLog("");  // an empty message still gets its date and memory figure
    TraceLog("Effet n° :  7");
    EXPECT_EQ(messages(TraceLogPath()), (std::vector<std::string>{"Image : /a.jpg. Taille :12", "", "Effet n° :  7"}));
    const std::string text = ReadFile(TraceLogPath());
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    TraceLog("again");
    EXPECT_EQ(messages(TraceLogPath()).size(), 4u);  // appended, never rewritten
}

TEST(TraceLog, UnwritableLogLosesTheLineSilently)
{
    ScratchHost host;
    platform::host().driveC = host.dir().path() + "/no/such/drive/";
    TraceLog("lost");
    EXPECT_FALSE(testing_support::Exists(TraceLogPath()));
}

TEST(TraceLog, TwoProcessesLoseNoWholeLine)
{
    ScratchHost host;
    constexpr int kLines = 400;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            for (int i = 0; i < kLines; ++i)
                TraceLog(std::string(1, static_cast<char>('A' + c)) + std::to_string(i) + std::string(100, '.'));
            ::_exit(0);
        }
    }
    for (pid_t child : children)
        ::waitpid(child, nullptr, 0);
    int next[2] = {0, 0};
    for (const auto& m : messages(TraceLogPath())) {
        const int c = m[0] - 'A';
        ASSERT_TRUE(c == 0 || c == 1) << m;
        EXPECT_EQ(m, std::string(1, m[0]) + std::to_string(next[c]) + std::string(100, '.'));
        ++next[c];
    }
    EXPECT_EQ(next[0], kLines);
    EXPECT_EQ(next[1], kLines);
}

TEST(TraceLog, SettingsWriteTheirLinesOnlyWhenLogging)
{
    ScratchHost host;
    WriteFile(host.hklm(), "Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n\"CheminInstall\"=\"/opt/x/\"\r\n");
    { TSettings quiet; }
    EXPECT_FALSE(testing_support::Exists(TraceLogPath()));

    WriteFile(host.hkcu(), "Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n\"LOG\"=dword:00000001\r\n");
    { TSettings logging; }
    const std::string sep = kTraceSeparator;
    EXPECT_EQ(sep.size(), 64u);
    EXPECT_EQ(messages(TraceLogPath()),
              (std::vector<std::string>{sep, "Chargement de la base de registre effectué.",
                                        "Déchargement de la base de registre effectué.", sep}));
}
