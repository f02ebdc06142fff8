#include "version_check.h"

#include <cstdlib>
#include <sys/utsname.h>

namespace hostprobe {

namespace {

// Reads the next decimal number of a release string such as "6.1.0-18-amd64",
// 0 when there is none; leaves p after it and after one following '.'.
uint32_t nextNumber(const char*& p)
{
    uint64_t value = 0;
    bool any = false;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > 0xFFFFFFFFu)
            value = 0xFFFFFFFFu;
        ++p;
        any = true;
    }
    if (any && *p == '.')
        ++p;
    return static_cast<uint32_t>(value);
}

}  // namespace

bool GetVersionExA(OSVERSIONINFOA* info)
{
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return false;
    utsname names{};
    if (::uname(&names) != 0)
        return false;
    const char* p = names.release;
    info->dwMajorVersion = nextNumber(p);
    info->dwMinorVersion = nextNumber(p);
    info->dwBuildNumber = nextNumber(p);
    info->dwPlatformId = kThisPlatformId;
    info->szCSDVersion[0] = '\0';
    return true;
}

}  // namespace hostprobe
