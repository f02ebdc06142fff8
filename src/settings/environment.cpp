#include "environment.h"

#include "platform/host_config.h"

#include <filesystem>

using platform::EnvValue;

#ifndef LUMIVANE_HKLM_FROM_BINDIR
#define LUMIVANE_HKLM_FROM_BINDIR "../etc/lumivane/HKLM.reg"
#endif

namespace {
std::string orDefault(const char* variable, const std::string& fallback)
{
    const std::string value = EnvValue(variable);
    return value.empty() ? fallback : value;
}
}  // namespace

void ConfigureHost()
{
    platform::HostConfig& h = platform::host();
    const std::string home = orDefault("HOME", "/");
    const std::string config = orDefault("XDG_CONFIG_HOME", home + "/.config");
    h.currentUserHive = orDefault("LUMIVANE_HKCU", config + "/lumivane/HKCU.reg");
    // The installation writes the machine hive beside the programs, under the same prefix.
    h.localMachineHive = orDefault("LUMIVANE_HKLM", platform::ExecutableDirectory() + LUMIVANE_HKLM_FROM_BINDIR);
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
