#include "host_config.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace platform {

HostConfig& host()
{
    static HostConfig config;
    return config;
}

std::string ExecutablePath()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string ExecutableDirectory()
{
    const std::string path = ExecutablePath();
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string EnvValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace platform
