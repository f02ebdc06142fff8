#include "version_check.h"

#include <cstdio>
#include <cstring>

namespace hostprobe {

bool GetWindowsVersion(WindowsVersion& version, const VersionSource& source)
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!source || !source(&info))
        return false;
    version.platformId = info.dwPlatformId;
    version.majorVersion = info.dwMajorVersion;
    version.minorVersion = info.dwMinorVersion;
    // The 95 family keeps major and minor in the high half of the build field.
    version.buildNumber = info.dwBuildNumber & 0xFFFF;
    // Never read past the field, even when the system left it without its zero.
    version.servicePack.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof(info.szCSDVersion)));
    return true;
}

VersionVerdict ClassifyWindowsVersion(const WindowsVersion& v)
{
    if (v.platformId == VER_PLATFORM_WIN32_WINDOWS) {
        // 4.90 lands here too, by its minor number above 0.
        if (v.majorVersion == 4 && v.minorVersion > 0)
            return {"Windows 98", v.buildNumber > 1998};
        if (v.buildNumber == 950)
            return {std::string("Windows ") + " 95", false};
        if (v.buildNumber >= 1111 && v.buildNumber < 3000)
            return {std::string("Windows ") + "95 OSR2", true};
        if (v.buildNumber >= 3000)
            return {std::string("Windows ") + "Me", true};
        return {"Windows ", true};
    }
    if (v.platformId == VER_PLATFORM_WIN32_NT) {
        if (v.majorVersion >= 1 && v.majorVersion <= 3)
            return {"Microsoft Windows NT", false};
        if (v.majorVersion == 4)
            return {"Microsoft Windows NT", true};
        if (v.majorVersion == 5 && v.minorVersion == 0)
            return {"Microsoft Windows 2000", true};
        if (v.majorVersion == 5 && v.minorVersion == 1)
            return {"Microsoft Windows XP", true};
        return {"", true};
    }
    return {"", true};
}

std::string VersionNumberText(const WindowsVersion& v)
{
    char buffer[48];
    std::snprintf(buffer, sizeof(buffer), "%d.%.2d.%d", static_cast<int>(v.majorVersion),
                  static_cast<int>(v.minorVersion), static_cast<int>(v.buildNumber));
    return buffer;
}

std::optional<std::string> VersionWarningText(const WindowsVersion& version)
{
    const VersionVerdict verdict = ClassifyWindowsVersion(version);
    if (verdict.upToDate)
        return std::nullopt;
    std::string name = verdict.name + " " + VersionNumberText(version);
    if (!version.servicePack.empty())
        name += " " + version.servicePack;
    return "Votre version de Windows n'est pas à jour.\r\n"
           "Il existe des correctifs. Sans ces correctifs,\r\n"
           "ce logiciel peut ne pas fonctionner correctement.\r\n"
           "Votre version : " +
           name;
}

void CheckWindowsVersion(const ShowMessage& show, const VersionSource& source)
{
    WindowsVersion version;
    if (!GetWindowsVersion(version, source))
        return;
    if (const auto text = VersionWarningText(version))
        show(*text, kWarningCaption, kVersionWarningFlags);
}

}  // namespace hostprobe
