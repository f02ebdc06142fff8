#pragma once
// Points the platform's stand-ins at this program's files: the hives, drive C:, the
// system folder and the automation hooks, from the LUMIVANE_* variables or their defaults.

void ConfigureHost();

#include <string>

// The machine hive of the programs installed in `programFolder` (PREFIX/bin): where the
// installation wrote it, PREFIX/etc/lumivane/HKLM.reg, with the system's own places for
// the prefixes that have one (/usr: /etc; /opt/X: /etc/opt/X), so an installation can be
// moved whole. The install step follows the same rule.
std::string MachineHiveOf(const std::string& programFolder);
