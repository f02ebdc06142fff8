#include "is_inet_online.h"

#include "platform/registry.h"
#include "platform/system_info.h"

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace {

const char* const kInternetSettings = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet settings";

std::string routeFile4 = "/proc/net/route";
std::string routeFile6 = "/proc/net/ipv6_route";

// The remote-access service's connection entry as the 412-byte layout has it.
constexpr uint32_t kRasConnSize = 412;
constexpr uint32_t kRasEntries = 4;
constexpr uint32_t kErrorBufferTooSmall = 603;
using RasEnumConnectionsA = uint32_t (*)(void* connections, uint32_t* bytes, uint32_t* count);

// Interfaces with an up default route in /proc/net/route: "Iface Destination Gateway Flags
// RefCnt Use Metric Mask ...", hexadecimal fields.
void defaultRoutes4(std::set<std::string>& interfaces)
{
    std::ifstream in(routeFile4);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refs, use, metric, mask;
        if (!(fields >> iface >> destination >> gateway >> flags >> refs >> use >> metric >> mask))
            continue;
        const bool up = std::strtoul(flags.c_str(), nullptr, 16) & 0x1;
        if (up && std::strtoul(destination.c_str(), nullptr, 16) == 0 && std::strtoul(mask.c_str(), nullptr, 16) == 0)
            interfaces.insert(iface);
    }
}

// The same in /proc/net/ipv6_route: "destination prefix source prefix next-hop metric refs
// use flags iface"; the loopback's own unreachable defaults do not count.
void defaultRoutes6(std::set<std::string>& interfaces)
{
    std::ifstream in(routeFile6);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string destination, prefix, source, sourcePrefix, nextHop, metric, refs, use, flags, iface;
        if (!(fields >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >> refs >> use >> flags >>
              iface))
            continue;
        const unsigned long f = std::strtoul(flags.c_str(), nullptr, 16);
        const bool up = (f & 0x1) && !(f & 0x200);  // RTF_UP, not RTF_REJECT
        if (up && prefix == "00" && destination.find_first_not_of('0') == std::string::npos && iface != "lo")
            interfaces.insert(iface);
    }
}

}  // namespace

void SetRouteTablesForTesting(const std::string& ipv4, const std::string& ipv6)
{
    routeFile4 = ipv4.empty() ? "/proc/net/route" : ipv4;
    routeFile6 = ipv6.empty() ? "/proc/net/ipv6_route" : ipv6;
}

int ActiveRasConnectionCount()
{
    platform::DynamicLibrary ras(platform::SystemDirectory() + "rasapi32.dll");
    if (ras.loaded()) {
        auto enumerate = reinterpret_cast<RasEnumConnectionsA>(ras.symbol("RasEnumConnectionsA"));
        if (!enumerate)
            throw ERasError("RasEnumConnectionsA not found in rasapi32.dll");
        uint8_t buffer[kRasConnSize * kRasEntries] = {};
        std::memcpy(buffer, &kRasConnSize, sizeof kRasConnSize);
        uint32_t bytes = sizeof buffer, count = 0;
        const uint32_t result = enumerate(buffer, &bytes, &count);
        return result == 0 || result == kErrorBufferTooSmall ? static_cast<int>(count) : 0;
    }
    std::set<std::string> interfaces;
    defaultRoutes4(interfaces);
    defaultRoutes6(interfaces);
    return static_cast<int>(interfaces.size());
}

std::string UserProxyServer()
{
    try {
        platform::TRegistry registry(platform::RootKey::CurrentUser);
        if (!registry.OpenKeyReadOnly(kInternetSettings))
            return {};
        bool enabled;
        if (registry.GetDataType("ProxyEnable") == platform::REG_BINARY) {
            const std::vector<uint8_t> data = registry.ReadBinaryData("ProxyEnable");
            int32_t value = 0;
            if (data.size() >= 4)
                std::memcpy(&value, data.data(), 4);
            enabled = value != 0;
        } else {
            enabled = registry.ReadBool("ProxyEnable");
        }
        return enabled ? registry.ReadString("ProxyServer") : std::string();
    } catch (const std::exception&) {
        // A missing or damaged setting means no proxy, as the system itself reads it.
        return {};
    }
}

uint8_t IsInetOnline()
{
    uint8_t result = 0;
    if (!UserProxyServer().empty())
        result = 1;
    if (result == 0 && ActiveRasConnectionCount() > 0)
        result = 2;
    return result;
}
