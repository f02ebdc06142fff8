#include "settings.h"

#include "colors.h"
#include "trace_log.h"

#include "platform/background_task.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

using platform::RootKey;
using platform::TRegistry;

const char* const kTraceSeparator = "* - * - * - * - * - * - * - * - * - * - * - * - * - * - * - * - ";

std::vector<std::pair<std::string, std::string>> SettingOverrides;

const std::vector<SettingRow>& SettingRows()
{
    // The dialog's controls first, in the order it sets them, then the values it does not show.
    using enum SettingControl;
    static const std::vector<SettingRow> rows = {
        {"Vitesse", SettingField{&TSettings::Vitesse, 3}, ScrollBar, "SBVitesse", 3, 1, 1, 120},
        {"Rapidite", SettingField{&TSettings::Rapidite, 1000}, ScrollBar, "SBRapidite", 4, 2, 1, 20000},
        {"TailleEffet", SettingField{&TSettings::TailleEffet, 4}, ScrollBar, "SBTailleEffet", 5, 7, 4, 10},
        {"Alea", SettingField{&TSettings::Alea, false}, CheckBox, "CBAlea", 7, 4},
        {"AleaEffets", SettingField{&TSettings::AleaEffets, true}, CheckBox, "CBAleaEffets", 8, 5},
        {"Effet", SettingField{&TSettings::Effet, true}, CheckBox, "CBEffets", 6, 3},
        {"Centre", SettingField{&TSettings::Centre, true}, CheckBox, "CBCentre", 9, 6},
        {"Transition", SettingField{&TSettings::Transition, true}, CheckBox, "CBTransition", 10, 8},
        {"Ajuster", SettingField{&TSettings::Ajuster, false}, CheckBox, "CBAjuster", 11, 9},
        {"LOG", SettingField{&TSettings::Log, false}, CheckBox, "CBLOG", 12, 10},
        {"DoubleBufferring", SettingField{&TSettings::DoubleBufferring, false}, CheckBox, "CBDoubleBufferring", 14, 12},
        {"NoEcranOFF", SettingField{&TSettings::NoEcranOFF, false}, CheckBox, "CBEcranOff", 16, 13},
        {"BackGroundColor", SettingField{&TSettings::BackGroundColor, "clBlack"}, ColourSwatch, "Shape1", 15, 15},
        {"Selection", SettingField{&TSettings::Selection, ""}, None, nullptr, 1, 14},
        {"Dossier Images", SettingField{&TSettings::DossierImages, ""}, None, nullptr, 2, 16},
        {"Enregistre", SettingField{&TSettings::Enregistre, false}, None, nullptr, 13, 11},
        // Written only by SaveLettreInfoOff.
        {"Afficher Dlg Lettre info", SettingField{&TSettings::AfficherDlgLettreInfo, false}, None, nullptr, 17, 0},
        // The idle watcher's, in minutes; DureeVeille is set by hand, so never written here.
        {"DelaiVeille", SettingField{&TSettings::DelaiVeille, TSettings::kDelaiDuBureau}, IdleDelay, "SEDelaiVeille",
         18, 18, 0, 240},
        {"VerrouAuRetour", SettingField{&TSettings::VerrouAuRetour, true}, CheckBox, "CBVerrouAuRetour", 20, 19},
        {"DureeVeille", SettingField{&TSettings::DureeVeille, 30}, None, nullptr, 19, 0},
        {"TousLesEcrans", SettingField{&TSettings::TousLesEcrans, false}, CheckBox, "CBTousLesEcrans", 21, 20},
        {"Images", SettingField{&TSettings::Images, {}}, PictureList, "DstList", 22, 21},
    };
    return rows;
}

namespace {
const SettingRow* findRow(const std::string& name)
{
    const auto& rows = SettingRows();
    const auto row = std::ranges::find_if(rows, [&](const SettingRow& r) { return name == r.name; });
    return row == rows.end() ? nullptr : &*row;
}
}  // namespace

const SettingRow& SettingRowNamed(const std::string& name)
{
    if (const SettingRow* row = findRow(name))
        return *row;
    throw std::logic_error("no setting is stored under " + name);
}

namespace {
constexpr const char* kConfigValidatedValue = "ConfigValidated";

using TextList = std::vector<std::string>;

bool isList(const SettingRow& row) { return std::holds_alternative<SettingField<TextList>>(row.field); }

// The rows with a place in `rank`, in that order.
std::vector<const SettingRow*> rowsBy(int SettingRow::*rank)
{
    std::vector<const SettingRow*> rows;
    for (const SettingRow& row : SettingRows())
        if (row.*rank > 0)
            rows.push_back(&row);
    std::ranges::sort(rows, {}, [rank](const SettingRow* row) { return row->*rank; });
    // A list is read and written in its subkey, where the registry is left afterwards.
    if (std::find_if(rows.begin(), rows.end(), [](const SettingRow* row) { return isList(*row); }) <
        rows.end() - 1)
        throw std::logic_error("a list of settings comes before a value");
    return rows;
}

void readValue(TRegistry& reg, const char* name, std::string& field) { field = reg.ReadString(name); }
void readValue(TRegistry& reg, const char* name, int32_t& field) { field = reg.ReadInteger(name); }
void readValue(TRegistry& reg, const char* name, bool& field) { field = reg.ReadBool(name); }
void writeValue(TRegistry& reg, const char* name, const std::string& field) { reg.WriteString(name, field); }
void writeValue(TRegistry& reg, const char* name, int32_t field) { reg.WriteInteger(name, field); }
void writeValue(TRegistry& reg, const char* name, bool field) { reg.WriteBool(name, field); }
// A list is the subkey of its name under the user key; its texts are numbered from 0 up to
// the first number missing.
void readValue(TRegistry& reg, const char* name, TextList& list)
{
    list.clear();
    if (!reg.OpenKeyReadOnly(std::string(kUserKey) + "\\" + name))
        return;
    for (int n = 0;; ++n) {
        const std::string number = std::to_string(n);
        if (!reg.ValueExists(number))
            break;
        list.push_back(reg.ReadString(number));
    }
}
// An entry of the picture list that is still there: a file, or a followed folder (its
// path and a slash) whose folder exists, empty for now or not.
bool listEntryExists(const std::string& path)
{
    return IsFollowedFolder(path) ? platform::DirectoryExists(path) : platform::FileExists(path);
}
// Written whole, in place of what the subkey held; only the entries still there.
void writeValue(TRegistry& reg, const char* name, const TextList& list)
{
    reg.DeleteKey(name);
    reg.OpenKey(name, true);
    int next = 0;
    for (const auto& path : list)
        if (listEntryExists(path))
            reg.WriteString(std::to_string(next++), path);
}

// Text that is a whole decimal number within int32_t, and nothing else.
std::optional<int32_t> decimal(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || number < INT32_MIN || number > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(number);
}
// A value given as text (SetByValueName), into a field of its kind.
bool parseValue(const std::string& text, std::string& field)
{
    field = text;
    return true;
}
bool parseValue(const std::string& text, int32_t& field)
{
    const auto number = decimal(text);
    field = number.value_or(field);
    return number.has_value();
}
bool parseValue(const std::string&, TextList&)
{
    return false;  // a list is chosen in the dialog, not given as one value
}
bool parseValue(const std::string& text, bool& field)
{
    const auto number = decimal(text);
    if (number != 0 && number != 1)
        return false;
    field = *number != 0;
    return true;
}

template <class T>
const SettingRow& rowOf(T TSettings::*member)
{
    for (const SettingRow& row : SettingRows())
        if (const auto* field = std::get_if<SettingField<T>>(&row.field); field && field->member == member)
            return row;
    throw std::logic_error("a field without a registry value");
}
}  // namespace

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

TSettings::TSettings() : TSettings(DefaultsOnly{})
{
    LoadAway();
}

TSettings::TSettings(DefaultsOnly)
{
    for (const SettingRow& row : SettingRows())
        std::visit([this](const auto& f) { this->*f.member = f.initial; }, row.field);
}

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
    // A load that stopped the program never unloads.
    if (Log && !LoadFailure) {
        TraceLog("Déchargement de la base de registre effectué.");
        TraceLog(kTraceSeparator);
    }
}

void TSettings::ReadRegistry()
{
    Images.clear();
    {
        TRegistry reg(RootKey::LocalMachine);
        if (reg.OpenKeyReadOnly(kMachineKey) && reg.ValueExists(kInstallPathValue))
            CheminInstall = reg.ReadString(kInstallPathValue);
    }
    TRegistry reg(RootKey::CurrentUser);
    static const std::vector<const SettingRow*> readOrder = rowsBy(&SettingRow::readRank);
    const bool userKey = reg.OpenKeyReadOnly(kUserKey);
    for (const SettingRow* row : readOrder)
        if (isList(*row) || (userKey && reg.ValueExists(row->name)))
            std::visit([&](const auto& f) { readValue(reg, row->name, this->*f.member); }, row->field);
    // One pass that keeps the order: a long list must not be moved once per missing file.
    std::erase_if(Images, [](const std::string& path) { return !listEntryExists(path); });
    ImageCount = static_cast<int>(Images.size());
}

const std::optional<platform::FatalBox>& TSettings::LoadAway()
{
    LoadFailure = LoadFromRegistry();
    if (!LoadFailure)
        finishCreate();
    return LoadFailure;
}

std::optional<platform::FatalBox> TSettings::LoadFromRegistry()
{
    try {
        ReadRegistry();
    } catch (const std::exception& e) {
        if (Log)
            TraceLog("!!! Erreur lors du chargement des informations de la base de registre => ARRET !");
        const std::string why = e.what();
        // Nobody can answer a box over a locked screen: the show goes on with what was read.
        if (!HostedShow)
            return platform::FatalBox{"Erreur lors du chargement des informations de la base de registre.",
                                      "Arrêt de Lumivane", platform::MB_ICONERROR, "lumivane: " + why};
        Problem = "Erreur lors du chargement des informations de la base de registre : " + why;
    }
    for (const auto& [name, value] : SettingOverrides)
        SetByValueName(name, value);
    if (!platform::Trim(CheminInstall).empty())
        return std::nullopt;
    const char* const notInstalled = "Lumivane n' as pas été correctement installé. Veuillez le réinstaller à partir "
                                     "du fichier d'installation d'origine.";
    if (HostedShow) {
        if (Problem.empty())
            Problem = notInstalled;
        return std::nullopt;
    }
    return platform::FatalBox{notInstalled, "Lumivane",
                              platform::MB_ICONINFORMATION | platform::MB_SYSTEMMODAL | platform::MB_TOPMOST, ""};
}

void ReadUserValues(TSettings& settings, const std::vector<std::string>& names)
{
    TRegistry reg(RootKey::CurrentUser);
    if (!reg.OpenKeyReadOnly(kUserKey))
        return;
    for (const std::string& name : names) {
        const SettingRow& row = SettingRowNamed(name);
        if (reg.ValueExists(row.name))
            std::visit([&](const auto& f) { readValue(reg, row.name, settings.*f.member); }, row.field);
    }
}

void TSettings::SaveToRegistry()
{
    TRegistry reg(RootKey::CurrentUser);
    if (!reg.OpenKey(kUserKey, true))
        return;
    static const std::vector<const SettingRow*> writeOrder = rowsBy(&SettingRow::writeRank);
    for (const SettingRow* row : writeOrder)
        std::visit([&](const auto& f) { writeValue(reg, row->name, this->*f.member); }, row->field);
    reg.Flush();
}

void TSettings::SaveLettreInfoOff()
{
    TRegistry reg(RootKey::CurrentUser);
    if (reg.OpenKey(kUserKey, true))
        reg.WriteBool(rowOf(&TSettings::AfficherDlgLettreInfo).name, true);
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
        reg.WriteString(kInstallPathValue, CheminInstall);
    reg.Flush();
}

bool TSettings::SetByValueName(const std::string& name, const std::string& value)
{
    const SettingRow* row = findRow(name);
    return row &&
           std::visit([&](const auto& f) { return parseValue(value, this->*f.member); }, row->field);
}

int TSettings::ClampedTailleEffet() const
{
    static const SettingRow& row = rowOf(&TSettings::TailleEffet);
    return std::clamp(TailleEffet, row.minimum, row.maximum);
}

uint32_t TSettings::BackColor() const
{
    return colors::ColorOrBlack(BackGroundColor);
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

bool IsFollowedFolder(const std::string& entry)
{
    return entry.size() > 1 && entry.back() == '/';
}

std::shared_ptr<TSettings> LoadSettings(bool hostedShow)
{
    auto settings = std::make_shared<TSettings>(TSettings::DefaultsOnly{});
    settings->HostedShow = hostedShow;
    settings->LoadAway();
    return settings;
}

std::shared_ptr<TSettings> LoadSettingsAway(bool hostedShow)
{
    auto read = [hostedShow] { return LoadSettings(hostedShow); };
    const auto task = platform::BackgroundTask<std::shared_ptr<TSettings>>::Start(read);
    if (!task)
        return read();  // every reading thread is taken by reads that never returned
    task->WaitUntil(platform::BackgroundTask<std::shared_ptr<TSettings>>::Clock::time_point::max(), {});
    return task->Take();
}
