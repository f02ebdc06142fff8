#pragma once
// Every user choice of the saver, read from and written to the registry.

#include "platform/box_automation.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

inline constexpr const char* kUserKey = "\\Software\\Kestrune\\lumivane";
inline constexpr const char* kMachineKey = "\\Software\\Kestrune\\lumivane";
// The machine value that names the installation folder, written by the installation.
inline constexpr const char* kInstallPathValue = "CheminInstall";
inline constexpr const char* kUninstallKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumivane";

extern const char* const kTraceSeparator;

class TSettings {
public:
    // Sets the defaults and loads the registry; what stops the program is kept in
    // LoadFailure, for the program to show and end.
    TSettings();
    // Defaults only, nothing read: for callers that load explicitly.
    struct DefaultsOnly {};
    explicit TSettings(DefaultsOnly);
    ~TSettings();
    TSettings(const TSettings&) = delete;
    TSettings& operator=(const TSettings&) = delete;

    // Reads both hives. Gives the box that ends the program: the stop box (and its trace
    // line) on any error, the installation box when there is no installation folder; in a
    // hosted show none, the reason going to Problem.
    std::optional<platform::FatalBox> LoadFromRegistry();
    // What the constructor does after the defaults, for an object made with DefaultsOnly on
    // a thread that is not the main one; gives LoadFailure, for the main thread to show.
    const std::optional<platform::FatalBox>& LoadAway();
    // The reading itself: throws platform::RegistryError.
    void ReadRegistry();

    // Writes the user settings and the picture list in one save; throws
    // platform::RegistryError when the hive cannot be written.
    void SaveToRegistry();
    void SaveLettreInfoOff();
    void LoadRegistryInstallPath();
    void SaveCheminInstall();

    // Sets the field stored under a registry value name ("Vitesse", "LOG", "Dossier
    // Images"...) from text: numbers in decimal, Booleans as 0 or 1. False for an unknown
    // name or a value of the wrong form.
    bool SetByValueName(const std::string& name, const std::string& value);

    // TailleEffet as the effects use it: a stored value outside 4..10 (a hand-edited 0, say)
    // is brought into range here, while the stored value stays as it is.
    int ClampedTailleEffet() const;
    // Vitesse as the slide show waits it, in seconds: its low sixteen bits.
    uint16_t IntervalSeconds() const { return static_cast<uint16_t>(Vitesse); }
    // BackGroundColor as a colour value; text that names no colour gives black.
    uint32_t BackColor() const;

    // The fields stored under a user value start from their row of SettingRows().
    std::string Selection;
    std::string BackGroundColor;
    std::string CheminInstall;
    std::string DossierImages;
    std::vector<std::string> Images;
    int ImageCount = 0;
    int32_t Vitesse;
    int32_t Rapidite;
    int32_t TailleEffet;
    bool Effet;
    bool Alea;
    bool AleaEffets;
    bool Centre;
    bool Ajuster;
    bool Transition;
    bool Log;
    bool Enregistre;
    bool AfficherDlgLettreInfo;
    bool DoubleBufferring;
    bool NoEcranOFF;
    // The idle watcher: minutes of idleness before the show (0: the watcher starts
    // nothing; kDelaiDuBureau: a little before the desktop's own blanking), minutes the
    // show may last (0: no limit), and whether the session is locked when it ends.
    static constexpr int32_t kDelaiDuBureau = -1;
    int32_t DelaiVeille;
    int32_t DureeVeille;
    bool VerrouAuRetour;
    // A show on every monitor, each with its own sequence, rather than on the primary one
    // with the others covered.
    bool TousLesEcrans;

    // In a hosted show: why the settings could not be read as they are (the show goes on
    // with defaults), and whether the list is the installation's sample pictures because
    // the user has chosen none.
    std::string Problem;
    // Read for a screen-saver host's show, which holds the screen: no box may wait for an
    // answer, a settings error is reported in Problem and the show goes on with defaults.
    // Set before the load.
    bool HostedShow = false;
    bool UsingSamples = false;
    // What the last LoadAway (the constructor's load among them) gave.
    std::optional<platform::FatalBox> LoadFailure;

private:
    void finishCreate();
};

// A field stored under a user value and the value it starts from. Its type is the value's
// kind: std::string a REG_SZ, int32_t a REG_DWORD, bool a REG_DWORD read as not 0, and a
// list of texts a subkey of that name whose REG_SZ values are named 0, 1, 2...
template <class T>
struct SettingField {
    T TSettings::*member;
    T initial;
};
template <class T>
SettingField(T TSettings::*, std::type_identity_t<T>) -> SettingField<T>;

// How the dialog shows a value: the kind of its control follows from the field's type.
enum class SettingControl {
    None,          // not shown
    CheckBox,      // a bool
    ScrollBar,     // a number, within the row's range
    ColourSwatch,  // a colour's name
    PictureList,   // the pictures' list, filled by its own code (its entries are files)
    IdleDelay,     // the watcher's delay: a spin box of minutes within the row's range, and
                   // beside it the check box that turns the watcher off (a stored 0)
};

struct SettingRow {
    const char* name;  // the registry value name
    std::variant<SettingField<std::string>, SettingField<int32_t>, SettingField<bool>,
                 SettingField<std::vector<std::string>>>
        field;
    SettingControl kind;
    const char* control;  // the object name of that control, or nullptr
    // Its place when the user key is read and when it is saved, from 1; 0: never saved. A
    // list comes after every value, as it is kept in a subkey.
    int readRank;
    int writeRank;
    // What the scroll bar of a number offers; a stored value outside it is kept as it is.
    int minimum = 0;
    int maximum = 0;
};

// Every user value, in the order the dialog sets its controls.
const std::vector<SettingRow>& SettingRows();
// The row of a registry value name; throws std::logic_error for a name without one.
const SettingRow& SettingRowNamed(const std::string& name);

// Settings given on the command line for this run only (registry value name, value), laid
// over what every load reads; never saved. Set once at start, before any thread.
extern std::vector<std::pair<std::string, std::string>> SettingOverrides;

// Reads only the user values named, over what `settings` holds: for a long-running caller
// that must not read the picture list. Throws platform::RegistryError.
void ReadUserValues(TSettings& settings, const std::vector<std::string>& names);

// The sample pictures of an installation folder (its .jpg files), in name order.
std::vector<std::string> SamplePictures(const std::string& folder);

// The machine-wide first-configuration marker.
bool IsConfigValidated();
// Sets it; throws platform::RegistryError when the machine hive cannot be written.
void SetConfigValidated();

// An entry of the picture list that names a followed folder: its path and a slash.
bool IsFollowedFolder(const std::string& entry);

// Reads the settings here: defaults, then both hives, then the completions; LoadFailure
// says what went wrong.
std::shared_ptr<TSettings> LoadSettings(bool hostedShow = false);
// The same on a thread of its own, waited for: the check that every picture still exists
// may wait on a server, and only the start waits with it, before any window can take input.
std::shared_ptr<TSettings> LoadSettingsAway(bool hostedShow = false);
