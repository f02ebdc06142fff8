#include "update_check.h"

#include "getinet_file.h"

#include "platform/host_config.h"
#include "platform/message_box.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#ifndef LUMIVANE_UPDATE_SITE
#define LUMIVANE_UPDATE_SITE "https://www.lumivane.example"
#endif

namespace {

std::optional<std::array<unsigned long, 4>> parseVersion(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string s = text.substr(first, last - first + 1);
    std::array<unsigned long, 4> parts{};
    size_t pos = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0 && (pos >= s.size() || s[pos++] != '.'))
            return std::nullopt;
        const size_t start = pos;
        unsigned long value = 0;
        while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < 9)
            value = value * 10 + static_cast<unsigned long>(s[pos++] - '0');
        if (pos == start)
            return std::nullopt;
        parts[i] = value;
    }
    if (pos != s.size())
        return std::nullopt;
    return parts;
}

}  // namespace

std::optional<int> CompareVersions(const std::string& a, const std::string& b)
{
    const auto va = parseVersion(a), vb = parseVersion(b);
    if (!va || !vb)
        return std::nullopt;
    return *va > *vb ? 1 : *va < *vb ? -1 : 0;
}

std::string VersionFileUrl()
{
    std::string base = platform::EnvValue("LUMIVANE_UPDATE_URL");
    if (base.empty())
        base = LUMIVANE_UPDATE_SITE;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + "/version/lvversion.dat";
}

std::string VersionFilePath()
{
    const std::string beside = platform::ExecutableDirectory();
    if (::access(beside.c_str(), W_OK) == 0)
        return beside + "lvversion.dat";
    std::string cache = platform::EnvValue("XDG_CACHE_HOME");
    if (cache.empty())
        cache = platform::EnvValue("HOME") + "/.cache";
    const std::string folder = cache + "/lumivane/";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder + "lvversion.dat";
}

std::string ReadVersionFile()
{
    const std::string path = VersionFilePath();
    if (!std::filesystem::exists(path))
        return {};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw EInOutError("cannot read " + path + ": " + std::strerror(errno));
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

UpdateCheck CheckForUpdate(const std::string& runningVersion, const std::string& message,
                           const platform::FetchLimits& limits)
{
    if (!GetInetFile(VersionFileUrl(), VersionFilePath(), limits))
        return UpdateCheck::Failed;
    const auto published = parseVersion(ReadVersionFile());
    const auto running = parseVersion(runningVersion);
    if (!published || !running)
        return UpdateCheck::Failed;
    // Only releases of the running major version are offered.
    if (*published <= *running || published->front() != running->front())
        return UpdateCheck::NoUpdate;
    platform::MessageBox(nullptr, message, "Lumivane", platform::MB_OK | platform::MB_ICONINFORMATION);
    return UpdateCheck::UpdateShown;
}
