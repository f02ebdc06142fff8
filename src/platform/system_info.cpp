#include "system_info.h"

#include "host_config.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <sys/utsname.h>

namespace platform {

namespace {
std::optional<OsVersionInfo>& versionOverride()
{
    static std::optional<OsVersionInfo> value;
    return value;
}
}  // namespace

OsVersionInfo OsVersion()
{
    if (versionOverride())
        return *versionOverride();
    OsVersionInfo info;
    struct utsname u {};
    if (uname(&u) == 0) {
        unsigned major = 0, minor = 0, patch = 0;
        std::sscanf(u.release, "%u.%u.%u", &major, &minor, &patch);
        info.majorVersion = major;
        info.minorVersion = minor;
        info.buildNumber = patch;
        info.csdVersion = std::string(u.sysname) + " " + u.release;
    }
    return info;
}

void SetOsVersionForTesting(std::optional<OsVersionInfo> version)
{
    versionOverride() = std::move(version);
}

std::string SystemDirectory()
{
    std::string dir = host().systemDirectory.empty() ? std::string("/usr/lib/") : host().systemDirectory;
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

DynamicLibrary::DynamicLibrary(const std::string& path)
{
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

DynamicLibrary::~DynamicLibrary()
{
    if (handle_)
        ::dlclose(handle_);
}

void* DynamicLibrary::symbol(const char* name) const
{
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

MemoryStatus GlobalMemoryStatus()
{
    MemoryStatus status;
    FILE* f = std::fopen("/proc/meminfo", "re");
    if (!f)
        return status;
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long kb = 0;
        if (std::sscanf(line, "MemTotal: %llu kB", &kb) == 1)
            status.totalPhys = kb * 1024;
        else if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1)
            status.availPhys = kb * 1024;
    }
    std::fclose(f);
    return status;
}

}  // namespace platform
