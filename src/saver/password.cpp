#include "password.h"

#include "command_line.h"

#include "settings/app_state.h"

#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/system_info.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
using PwdChangePasswordFn = uint32_t (*)(const char* provider, uintptr_t window, uint32_t reserved1, void* reserved2);
using VerifyScreenSavePwdFn = int (*)(uintptr_t window);
}  // namespace

bool IsWin9x()
{
    return platform::OsVersion().platformId == platform::VER_PLATFORM_WIN32_WINDOWS;
}

std::string RunPasswordChange(const std::vector<std::string>& args)
{
    const std::string folder = platform::SystemDirectory();
    platform::DynamicLibrary mpr(folder + "MPR.DLL");
    if (!mpr.loaded())
        return "Impossible de charger la DLL " + folder + "MPR.DLL - " + " Le mot de passe ne peut être changé.";
    auto change = reinterpret_cast<PwdChangePasswordFn>(mpr.symbol("PwdChangePasswordA"));
    if (!change)
        return "La bibliothèque " + folder + "MPR.DLL ne contient pas " +
               "la fonction PwdChangePasswordA nécessaire afin de définir le mot de passe.";
    const std::string argument = args.size() > 1 ? args[1] : std::string();
    const auto window = StrToInt(argument);
    if (!window)
        return "'" + argument + "' n'est pas une valeur entière correcte";
    change("SCRSAVE", static_cast<uintptr_t>(static_cast<uint32_t>(*window)), 0, nullptr);
    return {};
}

void ChangePassword(const std::vector<std::string>& args)
{
    const std::string failure = RunPasswordChange(args);
    if (!failure.empty())
        platform::FatalExit(failure, "Lumivane", platform::MB_OK | platform::MB_ICONERROR, 1, nullptr, ParentWindow);
    std::fflush(nullptr);
    std::exit(0);
}

bool VerifyPassword(unsigned long window)
{
    bool result = true;
    try {
        platform::TRegistry reg(platform::RootKey::CurrentUser);
        if (reg.OpenKeyReadOnly("\\Control Panel\\Desktop") && reg.ValueExists("ScreenSaveUsePassword") &&
            reg.ReadInteger("ScreenSaveUsePassword") != 0) {
            platform::DynamicLibrary cpl(platform::SystemDirectory() + "password.cpl");
            if (auto verify = reinterpret_cast<VerifyScreenSavePwdFn>(cpl.symbol("VerifyScreenSavePwd")))
                result = verify(window) != 0;
        }
    } catch (const std::exception&) {
        // A value of another type or an unreadable hive: the saver may stop.
    }
    return result;
}
