#include "environment.h"

#include "platform/host_config.h"

#include <filesystem>

using platform::EnvValue;

namespace {
std::string orDefault(const char* variable, const std::string& fallback)
{
    const std::string value = EnvValue(variable);
    return value.empty() ? fallback : value;
}
}  // namespace

std::string MachineHiveOf(const std::string& programFolder)
{
    std::filesystem::path prefix = std::filesystem::path(programFolder).lexically_normal();
    if (!prefix.has_filename())
        prefix = prefix.parent_path();
    prefix = prefix.parent_path();
    const std::string text = prefix.string();
    if (text == "/usr")
        return "/etc/lumivane/HKLM.reg";
    if (text.rfind("/opt/", 0) == 0)
        return "/etc" + text + "/lumivane/HKLM.reg";
    return text + "/etc/lumivane/HKLM.reg";
}

void ConfigureHost()
{
    platform::HostConfig& h = platform::host();
    const std::string home = orDefault("HOME", "/");
    const std::string config = orDefault("XDG_CONFIG_HOME", home + "/.config");
    h.currentUserHive = orDefault("LUMIVANE_HKCU", config + "/lumivane/HKCU.reg");
    h.localMachineHive = orDefault("LUMIVANE_HKLM", MachineHiveOf(platform::ExecutableDirectory()));
    // Beside the user's own hive: the machine values of a system-wide installation that
    // this user may not write there.
    h.localMachineStore =
        (std::filesystem::path(h.currentUserHive).parent_path() / "VirtualStore" / "HKLM.reg").string();
    h.driveC = orDefault("LUMIVANE_DRIVE_C", home);
    h.systemDirectory = orDefault("LUMIVANE_SYSTEM_DIR", "/usr/lib/");
    h.lockDirectory = orDefault("XDG_RUNTIME_DIR", "/tmp");
    h.messageBoxLog = EnvValue("LUMIVANE_MSGBOX_LOG");
    h.messageBoxAnswer = EnvValue("LUMIVANE_MSGBOX_ANSWER");
    h.shellLog = EnvValue("LUMIVANE_SHELL_LOG");
}
