// The installation's registry step: records the installation folder in the machine hive,
// keeping whatever else that hive holds (the first-configuration marker among it). Given
// the prefix, it finds the hive where the installed programs will look for it, writes it
// under DESTDIR when one is given, and prints its installed place for the install manifest.

#include "platform/host_config.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "settings/environment.h"
#include "settings/settings.h"

#include <cstring>
#include <filesystem>
#include <iostream>

int main(int argc, char** argv)
{
    std::string hive, prefix, destdir, folder;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--machine-hive") == 0)
            hive = argv[i + 1];
        else if (std::strcmp(argv[i], "--prefix") == 0)
            prefix = argv[i + 1];
        else if (std::strcmp(argv[i], "--destdir") == 0)
            destdir = argv[i + 1];
        else if (std::strcmp(argv[i], "--install-path") == 0)
            folder = argv[i + 1];
    }
    if (hive.empty() == prefix.empty() || folder.empty()) {
        std::cerr << "usage: lumivane-setup (--machine-hive FILE | --prefix PREFIX [--destdir DESTDIR])"
                     " --install-path FOLDER\n";
        return 2;
    }
    if (!prefix.empty()) {
        // The installed programs look from their own absolute folder.
        hive = MachineHiveOf((std::filesystem::absolute(prefix) / "bin").string());
        std::cout << hive << '\n';
        hive = destdir + hive;
    }
    platform::host().localMachineHive = hive;
    try {
        platform::TRegistry reg(platform::RootKey::LocalMachine);
        reg.OpenKey(kMachineKey, true);
        reg.WriteString(kInstallPathValue, platform::IncludeTrailingPathDelimiter(folder));
        reg.Flush();
    } catch (const std::exception& e) {
        std::cerr << "lumivane-setup: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
