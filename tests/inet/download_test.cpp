// The connectivity test over crafted settings and route tables, downloads from a real HTTP
// server on 127.0.0.1, and the update check's verdicts.

#include "inet/getinet_file.h"
#include "inet/is_inet_online.h"
#include "inet/update_check.h"

#include "platform/host_config.h"

#include "support/http_test_server.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::TestHttpServer;
using testing_support::WriteFile;
using Reply = TestHttpServer::Reply;

namespace {

const std::string kSettingsKey =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet settings]\r\n";
const std::string kRouteHeader = "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\tMTU\tWindow\tIRTT\n";
const std::string kDefaultVia = "\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";

class Inet : public ::testing::Test {
protected:
    Inet()
    {
        for (const char* v : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
            ::unsetenv(v);
        routes("", "");
    }
    ~Inet() override { SetRouteTablesForTesting("", ""); }

    void settings(const std::string& values) { WriteFile(host.hkcu(), kSettingsKey + values); }
    void routes(const std::string& ipv4, const std::string& ipv6)
    {
        WriteFile(host.dir().file("route"), kRouteHeader + ipv4);
        WriteFile(host.dir().file("ipv6_route"), ipv6);
        SetRouteTablesForTesting(host.dir().file("route"), host.dir().file("ipv6_route"));
    }
    void online() { routes("eth0" + kDefaultVia, ""); }
    std::string local() const { return host.dir().file("local.dat"); }
    // Whatever the outcome, no temporary file stays beside the local one.
    size_t filesInFolder() const
    {
        size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(host.dir().path()))
            n += entry.path().filename().string().rfind("local.dat", 0) == 0;
        return n;
    }

    ScratchHost host;
    TestHttpServer server;
};

}  // namespace

TEST_F(Inet, ConnectionKindFollowsTheProxySettingThenTheActiveConnections)
{
    EXPECT_EQ(IsInetOnline(), 0) << "no settings, no route";
    settings("\"ProxyEnable\"=hex:01,00,00,00\r\n\"ProxyServer\"=\"proxy.lan:8080\"\r\n");
    EXPECT_EQ(IsInetOnline(), 1) << "binary ProxyEnable";
    settings("\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"proxy.lan:8080\"\r\n");
    EXPECT_EQ(IsInetOnline(), 1) << "DWORD ProxyEnable";
    settings("\"ProxyEnable\"=dword:00000000\r\n\"ProxyServer\"=\"proxy.lan:8080\"\r\n");
    EXPECT_EQ(IsInetOnline(), 0) << "proxy switched off";
    settings("\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"\"\r\n");
    EXPECT_EQ(IsInetOnline(), 0) << "enabled without a server";
    online();
    EXPECT_EQ(IsInetOnline(), 2) << "falls through to the connections";
    settings("\"ProxyEnable\"=\"text\"\r\n");
    EXPECT_EQ(IsInetOnline(), 2) << "a damaged setting is no proxy";
}

TEST_F(Inet, ActiveConnectionsAreInterfacesWithAnUpDefaultRoute)
{
    routes("eth0\t0002A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"  // a LAN route only
           "wlan0\t00000000\t0102A8C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n",  // default, not up
           "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
           "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n");
    EXPECT_EQ(ActiveRasConnectionCount(), 0);
    routes("eth0" + kDefaultVia + "eth0\t00000000\t0202A8C0\t0003\t0\t0\t200\t00000000\t0\t0\t0\n" + "wg0" + kDefaultVia,
           "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
           "fe800000000000000000000000000001 00000400 00000001 00000000 00450003    wlan0\n");
    EXPECT_EQ(ActiveRasConnectionCount(), 3) << "eth0 twice counts once; wg0; wlan0 by IPv6";
    routes("garbage\n\n", "short line\n");
    EXPECT_EQ(ActiveRasConnectionCount(), 0);
}

TEST_F(Inet, DownloadWritesTheBodyWholeAndNamesTheProgram)
{
    online();
    const std::string exact(1024, 'a');
    server.Route("/exact", {Reply::Whole, 200, exact + "", ""});
    server.Route("/empty", {});
    server.Route("/moved", {Reply::Whole, 302, "", server.Url("/exact")});
    EXPECT_TRUE(GetInetFile(server.Url("/exact"), local()));
    EXPECT_EQ(ReadFile(local()), exact);
    EXPECT_EQ(server.LastAgent(), std::filesystem::read_symlink("/proc/self/exe").filename().string());
    EXPECT_TRUE(GetInetFile(server.Url("/empty"), local()));
    EXPECT_EQ(ReadFile(local()), "");
    EXPECT_TRUE(GetInetFile(server.Url("/moved"), local()));
    EXPECT_EQ(ReadFile(local()), exact);
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(Inet, FailedDownloadsLeaveTheLocalFileAsItWas)
{
    online();
    server.Route("/500", {Reply::Whole, 500, "<html>error</html>", ""});
    server.Route("/endless", {Reply::Endless, 200, "", ""});
    server.Route("/trickle", {Reply::Trickle, 200, "", ""});
    server.Route("/to-file", {Reply::Whole, 302, "", "file:///etc/hostname"});
    for (int i = 0; i < 4; ++i)
        server.Route("/hop" + std::to_string(i), {Reply::Whole, 302, "", server.Url("/hop" + std::to_string(i + 1))});
    server.Route("/hop4", {Reply::Whole, 200, "far", ""});
    platform::FetchLimits quick;
    quick.totalSeconds = 2;
    quick.maxBytes = 100000;
    for (const std::string path : {"/404", "/500", "/endless", "/trickle", "/to-file", "/hop0"}) {
        WriteFile(local(), "previous copy");
        EXPECT_FALSE(GetInetFile(server.Url(path), local(), quick)) << path;
        EXPECT_EQ(ReadFile(local()), "previous copy") << path;
        EXPECT_EQ(filesInFolder(), 1u) << path;
    }
    EXPECT_TRUE(GetInetFile(server.Url("/hop1"), local(), quick)) << "three redirects are followed";
    EXPECT_FALSE(GetInetFile("ftp://127.0.0.1/x", local(), quick));
    EXPECT_FALSE(GetInetFile("http://127.0.0.1:1/nothing-listens", local(), quick));
    // A local file that cannot be created is a file error, which GetInetFile turns into false.
    const std::string nowhere = host.dir().file("missing-folder/local.dat");
    EXPECT_THROW(DownloadToFile(server.Url("/hop4"), nowhere, quick), EInOutError);
    EXPECT_FALSE(GetInetFile(server.Url("/hop4"), nowhere, quick));
}

TEST_F(Inet, OfflineMeansNoRequestAndAProxyCarriesTheRequest)
{
    server.Route("/version/lvversion.dat", {Reply::Whole, 200, "3.3.7.7\r\n", ""});
    EXPECT_FALSE(GetInetFile(server.Url("/version/lvversion.dat"), local()));
    EXPECT_EQ(server.Requests(), 0);
    // The test server answers requests made to it as a proxy.
    settings("\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"http=" + server.Base().substr(7) +
             ";ftp=unused:21\"\r\n");
    EXPECT_TRUE(GetInetFile("http://updates.lumivane.invalid/version/lvversion.dat", local()));
    EXPECT_EQ(server.LastRequestLine(), "GET http://updates.lumivane.invalid/version/lvversion.dat HTTP/1.1");
    EXPECT_EQ(ReadFile(local()), "3.3.7.7\r\n");
}

TEST(Versions, AreComparedAsFourNumbers)
{
    EXPECT_EQ(CompareVersions("3.3.10.0", "3.3.7.6"), 1);
    EXPECT_EQ(CompareVersions(" 3.3.7.6 ", "3.3.7.6"), 0);
    EXPECT_EQ(CompareVersions("3.3.7.5", "3.3.7.6"), -1);
    for (const char* bad : {"", "<html>", "3.3.7", "3.3.7.6.1", "3.3.x.6", "3..7.6", "99999999999.0.0.0"})
        EXPECT_EQ(CompareVersions(bad, "3.3.7.6"), std::nullopt) << bad;
}

TEST_F(Inet, UpdateCheckTellsOnlyOfANewerReleaseOfTheSameMajorVersion)
{
    online();
    ::setenv("LUMIVANE_UPDATE_URL", (server.Base() + "/").c_str(), 1);
    platform::host().messageBoxLog = host.dir().file("boxes.log");
    platform::host().messageBoxAnswer = "ok";
    const std::string shown = "Lumivane | information | ok | news";
    const struct {
        const char* published;
        UpdateCheck expected;
    } cases[] = {
        {"3.3.7.7", UpdateCheck::UpdateShown},  {"3.3.10.0\r\nnotes", UpdateCheck::UpdateShown},
        {"3.3.7.6", UpdateCheck::NoUpdate},     {"3.3.7.6 ", UpdateCheck::NoUpdate},
        {"4.0.0.0", UpdateCheck::NoUpdate},     {"2.9.9.9", UpdateCheck::NoUpdate},
        {"<html>", UpdateCheck::Failed},        {"", UpdateCheck::Failed},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(host.dir().file("boxes.log"));
        server.Route("/version/lvversion.dat", {Reply::Whole, 200, c.published, ""});
        EXPECT_EQ(CheckForUpdate("3.3.7.6", "news"), c.expected) << c.published;
        const auto boxes = Lines(ReadFile(host.dir().file("boxes.log")));
        EXPECT_EQ(boxes, c.expected == UpdateCheck::UpdateShown ? std::vector<std::string>{shown}
                                                                : std::vector<std::string>{})
            << c.published;
    }
    EXPECT_EQ(ReadVersionFile(), "");
    server.Route("/version/lvversion.dat", {Reply::Whole, 404, "3.3.7.9", ""});
    EXPECT_EQ(CheckForUpdate("3.3.7.6", "news"), UpdateCheck::Failed);
    routes("", "");
    const int before = server.Requests();
    EXPECT_EQ(CheckForUpdate("3.3.7.6", "news"), UpdateCheck::Failed);
    EXPECT_EQ(server.Requests(), before);
    std::filesystem::remove(VersionFilePath());
    ::unsetenv("LUMIVANE_UPDATE_URL");
}
