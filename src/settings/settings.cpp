#include "settings.h"

#include "colors.h"
#include "trace_log.h"

#include "app_state.h"

#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>

using platform::RootKey;
using platform::TRegistry;

const char* const kTraceSeparator = "* - * - * - * - * - * - * - * - * - * - * - * - * - * - * - * - ";

std::vector<std::pair<std::string, std::string>> SettingOverrides;

namespace {
constexpr const char* kConfigValidatedValue = "ConfigValidated";
}

std::vector<std::string> SamplePictures(const std::string& folder)
{
    std::vector<std::string> pictures;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (extension == ".jpg" && entry.is_regular_file(error))
            pictures.push_back(entry.path().string());
    }
    std::sort(pictures.begin(), pictures.end());
    return pictures;
}

TSettings::TSettings()
{
    LoadFromRegistry();
    finishCreate();
}

TSettings::TSettings(DefaultsOnly) {}

void TSettings::finishCreate()
{
    if (Log) {
        TraceLog(kTraceSeparator);
        TraceLog("Chargement de la base de registre effectué.");
    }
    CheminInstall = platform::Trim(CheminInstall);
    if (!CheminInstall.empty())
        CheminInstall = platform::IncludeTrailingPathDelimiter(CheminInstall);
    if (DossierImages.empty())
        DossierImages = CheminInstall;
    // A host shows its display modes to people who may never have configured this one:
    // the pictures the dialog would offer them first, rather than a black screen.
    if (HostedShow && Images.empty() && !CheminInstall.empty()) {
        Images = SamplePictures(CheminInstall);
        ImageCount = static_cast<int>(Images.size());
        UsingSamples = !Images.empty();
    }
}

TSettings::~TSettings()
{
    if (Log) {
        TraceLog("Déchargement de la base de registre effectué.");
        TraceLog(kTraceSeparator);
    }
}

void TSettings::ReadRegistry()
{
    Images.clear();
    {
        TRegistry reg(RootKey::LocalMachine);
        if (reg.OpenKeyReadOnly(kMachineKey) && reg.ValueExists("CheminInstall"))
            CheminInstall = reg.ReadString("CheminInstall");
    }
    TRegistry reg(RootKey::CurrentUser);
    if (reg.OpenKeyReadOnly(kUserKey)) {
        auto readString = [&](const char* name, std::string& field) {
            if (reg.ValueExists(name))
                field = reg.ReadString(name);
        };
        auto readInt = [&](const char* name, int32_t& field) {
            if (reg.ValueExists(name))
                field = reg.ReadInteger(name);
        };
        auto readBool = [&](const char* name, bool& field) {
            if (reg.ValueExists(name))
                field = reg.ReadBool(name);
        };
        readString("Selection", Selection);
        readString("Dossier Images", DossierImages);
        readInt("Vitesse", Vitesse);
        readInt("Rapidite", Rapidite);
        readInt("TailleEffet", TailleEffet);
        readBool("Effet", Effet);
        readBool("Alea", Alea);
        readBool("AleaEffets", AleaEffets);
        readBool("Centre", Centre);
        readBool("Transition", Transition);
        readBool("Ajuster", Ajuster);
        readBool("LOG", Log);
        readBool("Enregistre", Enregistre);
        readBool("DoubleBufferring", DoubleBufferring);
        readString("BackGroundColor", BackGroundColor);
        readBool("NoEcranOFF", NoEcranOFF);
        readBool("Afficher Dlg Lettre info", AfficherDlgLettreInfo);
    }
    if (reg.OpenKeyReadOnly(std::string(kUserKey) + "\\" + kImagesSubKey)) {
        for (int n = 0;; ++n) {
            const std::string name = std::to_string(n);
            if (!reg.ValueExists(name))
                break;
            Images.push_back(reg.ReadString(name));
        }
        // One pass that keeps the order: a long list must not be moved once per missing file.
        std::erase_if(Images, [](const std::string& path) { return !platform::FileExists(path); });
        ImageCount = static_cast<int>(Images.size());
    }
}

void TSettings::LoadFromRegistry()
{
    load([](const std::function<void()>& fatal) { fatal(); });
}

void TSettings::LoadAway(const MainThreadRunner& onMain)
{
    load(onMain);
    finishCreate();
}

void TSettings::load(const MainThreadRunner& onMain)
{
    try {
        ReadRegistry();
    } catch (const std::exception& e) {
        if (Log)
            TraceLog("!!! Erreur lors du chargement des informations de la base de registre => ARRET !");
        const std::string why = e.what();
        if (HostedShow) {
            // Nobody can answer a box over a locked screen: the show goes on with what was read.
            Problem = "Erreur lors du chargement des informations de la base de registre : " + why;
        } else {
            onMain([&why] {
                std::cerr << "lumivane: " << why << '\n';
                platform::FatalExit("Erreur lors du chargement des informations de la base de registre.",
                                    "Arrêt de Lumivane", platform::MB_ICONERROR);
            });
        }
    }
    for (const auto& [name, value] : SettingOverrides)
        SetByValueName(name, value);
    if (!platform::Trim(CheminInstall).empty())
        return;
    const char* const notInstalled = "Lumivane n' as pas été correctement installé. Veuillez le réinstaller à partir "
                                     "du fichier d'installation d'origine.";
    if (HostedShow) {
        if (Problem.empty())
            Problem = notInstalled;
        return;
    }
    onMain([notInstalled] {
        platform::FatalExit(notInstalled, "Lumivane",
                            platform::MB_ICONINFORMATION | platform::MB_SYSTEMMODAL | platform::MB_TOPMOST);
    });
}

void TSettings::SaveToRegistry()
{
    TRegistry reg(RootKey::CurrentUser);
    if (!reg.OpenKey(kUserKey, true))
        return;
    reg.WriteInteger("Vitesse", Vitesse);
    reg.WriteInteger("Rapidite", Rapidite);
    reg.WriteBool("Effet", Effet);
    reg.WriteBool("Alea", Alea);
    reg.WriteBool("AleaEffets", AleaEffets);
    reg.WriteBool("Centre", Centre);
    reg.WriteInteger("TailleEffet", TailleEffet);
    reg.WriteBool("Transition", Transition);
    reg.WriteBool("Ajuster", Ajuster);
    reg.WriteBool("LOG", Log);
    reg.WriteBool("Enregistre", Enregistre);
    reg.WriteBool("DoubleBufferring", DoubleBufferring);
    reg.WriteBool("NoEcranOFF", NoEcranOFF);
    reg.WriteString("Selection", Selection);
    reg.WriteString("BackGroundColor", BackGroundColor);
    reg.WriteString("Dossier Images", DossierImages);
    reg.DeleteKey(kImagesSubKey);
    reg.OpenKey(kImagesSubKey, true);
    int next = 0;
    for (const auto& path : Images)
        if (platform::FileExists(path))
            reg.WriteString(std::to_string(next++), path);
    reg.Flush();
}

void TSettings::SaveLettreInfoOff()
{
    TRegistry reg(RootKey::CurrentUser);
    if (reg.OpenKey(kUserKey, true))
        reg.WriteBool("Afficher Dlg Lettre info", true);
    reg.Flush();
}

void TSettings::LoadRegistryInstallPath()
{
    {
        TRegistry reg(RootKey::LocalMachine);
        if (reg.OpenKeyReadOnly(kUninstallKey) && reg.ValueExists("UninstallString")) {
            const std::string uninstall = reg.ReadString("UninstallString");
            const auto slash = uninstall.rfind('/');
            CheminInstall = slash == std::string::npos ? std::string() : uninstall.substr(0, slash + 1);
        }
    }
    SaveCheminInstall();
}

void TSettings::SaveCheminInstall()
{
    TRegistry reg(RootKey::LocalMachine);
    if (reg.OpenKey(kMachineKey, true))
        reg.WriteString("CheminInstall", CheminInstall);
    reg.Flush();
}

bool TSettings::SetByValueName(const std::string& name, const std::string& value)
{
    struct Text {
        const char* name;
        std::string TSettings::*field;
    };
    struct Number {
        const char* name;
        int32_t TSettings::*field;
    };
    struct Flag {
        const char* name;
        bool TSettings::*field;
    };
    static const Text texts[] = {{"Selection", &TSettings::Selection},
                                 {"BackGroundColor", &TSettings::BackGroundColor},
                                 {"Dossier Images", &TSettings::DossierImages}};
    static const Number numbers[] = {
        {"Vitesse", &TSettings::Vitesse}, {"Rapidite", &TSettings::Rapidite}, {"TailleEffet", &TSettings::TailleEffet}};
    static const Flag flags[] = {{"Effet", &TSettings::Effet},
                                 {"Alea", &TSettings::Alea},
                                 {"AleaEffets", &TSettings::AleaEffets},
                                 {"Centre", &TSettings::Centre},
                                 {"Ajuster", &TSettings::Ajuster},
                                 {"Transition", &TSettings::Transition},
                                 {"LOG", &TSettings::Log},
                                 {"Enregistre", &TSettings::Enregistre},
                                 {"Afficher Dlg Lettre info", &TSettings::AfficherDlgLettreInfo},
                                 {"DoubleBufferring", &TSettings::DoubleBufferring},
                                 {"NoEcranOFF", &TSettings::NoEcranOFF}};
    for (const auto& t : texts)
        if (name == t.name) {
            this->*t.field = value;
            return true;
        }
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(value.c_str(), &end, 10);
    const bool isNumber = !value.empty() && *end == '\0' && errno == 0 && number >= INT32_MIN && number <= INT32_MAX;
    for (const auto& n : numbers)
        if (name == n.name) {
            if (!isNumber)
                return false;
            this->*n.field = static_cast<int32_t>(number);
            return true;
        }
    for (const auto& f : flags)
        if (name == f.name) {
            if (!isNumber || (number != 0 && number != 1))
                return false;
            this->*f.field = number != 0;
            return true;
        }
    return false;
}

int TSettings::ClampedTailleEffet() const
{
    return TailleEffet < kMinTailleEffet ? kMinTailleEffet
         : TailleEffet > kMaxTailleEffet ? kMaxTailleEffet
                                         : TailleEffet;
}

uint32_t TSettings::BackColor() const
{
    return colors::StringToColor(BackGroundColor).value_or(0x000000);
}

bool IsConfigValidated()
{
    try {
        TRegistry reg(RootKey::LocalMachine);
        return reg.OpenKeyReadOnly(kMachineKey) && reg.ValueExists(kConfigValidatedValue) &&
               reg.ReadBool(kConfigValidatedValue);
    } catch (const platform::RegistryError&) {
        // An unreadable marker counts as never validated: the dialog opens, which is safe.
        return false;
    }
}

void SetConfigValidated()
{
    TRegistry reg(RootKey::LocalMachine);
    if (reg.OpenKey(kMachineKey, true))
        reg.WriteBool(kConfigValidatedValue, true);
    reg.Flush();
}
