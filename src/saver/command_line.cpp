#include "command_line.h"

#include "effects/draw_transition.h"
#include "settings/app_state.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {

// A whole number written in decimal or with 0x in hexadecimal, nothing before or after it;
// a sign only in decimal, and only where `signs` allows one.
std::optional<long long> wholeNumber(const std::string& text, bool signs)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty())
        return std::nullopt;
    const bool sign = digits[0] == '-' || digits[0] == '+';
    if (!std::isxdigit(static_cast<unsigned char>(digits[0])) && !(sign && signs && !hex))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(digits.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<int32_t> StrToInt(const std::string& text)
{
    const auto value = wholeNumber(text, true);
    if (!value || *value < INT32_MIN || *value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(*value);
}

std::optional<unsigned long> ParseWindowId(const std::string& text)
{
    const auto value = wholeNumber(text, false);
    if (!value || *value <= 0 || *value > UINT32_MAX)
        return std::nullopt;
    return static_cast<unsigned long>(*value);
}

namespace {

// One of the options a host's settings pane may add; "-x" and "--x" alike.
bool isOption(const std::string& arg, const char* name)
{
    return arg.size() > 1 && arg[0] == '-' && (arg.substr(1) == name || (arg[1] == '-' && arg.substr(2) == name));
}

bool isHostOption(const std::string& arg)
{
    for (const char* name : {"interval", "speed", "random", "no-random", "random-effects", "no-random-effects"})
        if (isOption(arg, name))
            return true;
    return false;
}

// The options after the window: each overrides one setting for this run.
void readHostOptions(const std::vector<std::string>& args, size_t from, CommandLine& result)
{
    struct Number {
        const char* option;
        const char* value;
        int low, high;
    };
    static const Number numbers[] = {{"interval", "Vitesse", 1, 120}, {"speed", "Rapidite", 1, 20000}};
    struct Flag {
        const char* option;
        const char* value;
        const char* setting;
    };
    static const Flag flags[] = {{"random", "Alea", "1"},
                                 {"no-random", "Alea", "0"},
                                 {"random-effects", "AleaEffets", "1"},
                                 {"no-random-effects", "AleaEffets", "0"}};
    for (size_t i = from; i < args.size() && result.error.empty(); ++i) {
        const std::string& arg = args[i];
        bool known = false;
        for (const Number& n : numbers)
            if (isOption(arg, n.option)) {
                known = true;
                const auto value = i + 1 < args.size() ? StrToInt(args[i + 1]) : std::nullopt;
                if (!value || *value < n.low || *value > n.high)
                    result.error = arg + " attend un nombre de " + std::to_string(n.low) + " à " + std::to_string(n.high);
                else
                    result.overrides.emplace_back(n.value, std::to_string(*value));
                ++i;
            }
        for (const Flag& f : flags)
            if (isOption(arg, f.option)) {
                known = true;
                result.overrides.emplace_back(f.value, f.setting);
            }
        if (!known)
            result.error = "option inconnue : " + arg + " (lumivane --help les donne toutes)";
    }
}

// The conventions of the Linux screen-saver hosts, which the Windows letters leave free.
std::optional<CommandLine> hostedCommandLine(const std::vector<std::string>& args, const std::string& hostVariable)
{
    CommandLine result;
    result.hosted = true;
    const auto hostWindow = ParseWindowId(hostVariable);
    const std::string first = args.empty() ? std::string() : args[0];
    if (first == "-root" || first == "--root") {
        // A host that gives its own window names it in the variable, -root or not.
        result.hostWindow = hostWindow.value_or(0);
        readHostOptions(args, 1, result);
        return result;
    }
    if (first == "-window-id" || first == "--window-id") {
        const auto id = args.size() > 1 ? ParseWindowId(args[1]) : std::nullopt;
        if (!id)
            result.error = first + " attend un numéro de fenêtre X (décimal ou 0x hexadécimal)";
        result.hostWindow = id.value_or(0);
        readHostOptions(args, 2, result);
        return result;
    }
    if (hostWindow && (args.empty() || isHostOption(first))) {
        result.hostWindow = *hostWindow;
        readHostOptions(args, 0, result);
        return result;
    }
    return std::nullopt;
}

}  // namespace

const std::string& Usage()
{
    static const std::string text =
        "Usage : lumivane [/s | /c[:N] | /p N | /a]\n"
        "        lumivane -root | -window-id ID [options]\n"
        "\n"
        "Économiseur d'écran diaporama : vos photographies en plein écran, de l'une à l'autre\n"
        "par l'un de " + std::to_string(effects::kEffectCount) + " effets de transition.\n"
        "\n"
        "  /s           le diaporama en plein écran (la première fois, la configuration)\n"
        "  /c, /c:N     la fenêtre de configuration (N : la fenêtre X dont elle dépend)\n"
        "  /p N, /p:N   l'aperçu dans la fenêtre X N\n"
        "  /a           changer le mot de passe de l'économiseur\n"
        "  (sans argument : la configuration ; seule la première lettre compte, /, - ou rien devant)\n"
        "\n"
        "Pour les hôtes d'économiseurs de Linux (XScreenSaver, xsecurelock...), qui l'arrêtent par\n"
        "SIGTERM :\n"
        "  -root             le diaporama dans la fenêtre racine, ou dans XSCREENSAVER_WINDOW\n"
        "  -window-id ID     le diaporama dans la fenêtre X ID (décimal ou 0x hexadécimal)\n"
        "  -interval S       secondes entre deux images (1 à 120)\n"
        "  -speed R          rapidité des effets, plus grand est plus lent (1 à 20000)\n"
        "  -random, -no-random                  images dans un ordre aléatoire, ou dans l'ordre\n"
        "  -random-effects, -no-random-effects  effets dans un ordre aléatoire, ou dans l'ordre\n"
        "  Ces options valent pour cette fois seulement ; les choix de lumivane /c restent.\n"
        "\n"
        "Pour que le diaporama parte seul quand vous laissez l'ordinateur (lancé à l'ouverture de\n"
        "la session) :\n"
        "  --watch [--delay S]  surveiller l'inactivité, puis lancer le diaporama après DelaiVeille\n"
        "                       minutes (S secondes cette fois)\n"
        "\n"
        "  --help       cette aide\n"
        "  --version    la version\n";
    return text;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& hostVariable)
{
    if (!args.empty() && (args[0] == "--help" || args[0] == "-help")) {
        CommandLine help;
        help.help = true;
        return help;
    }
    if (!args.empty() && isOption(args[0], "watch")) {
        CommandLine watch;
        watch.watch = true;
        for (size_t i = 1; i < args.size() && watch.error.empty(); ++i) {
            const int32_t value = i + 1 < args.size() ? StrToInt(args[i + 1]).value_or(0) : 0;
            if (!isOption(args[i], "delay"))
                watch.error = "option inconnue : " + args[i] + " (lumivane --help les donne toutes)";
            else if (value < 1 || value > 86400)
                watch.error = args[i] + " attend un nombre de secondes de 1 à 86400";
            else
                watch.watchDelaySeconds = value;
            ++i;
        }
        return watch;
    }
    if (auto hosted = hostedCommandLine(args, hostVariable))
        return *hosted;
    CommandLine result;
    result.mode = kModeConfigure;
    if (args.empty())
        return result;

    std::string text = args[0];
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text.size() > 1 && (text[0] == '/' || text[0] == '-'))
        text.erase(0, 1);

    switch (text.empty() ? '\0' : text[0]) {
    case 'a': result.mode = kModePassword; break;
    case 'c':
    case 'x': result.mode = kModeConfigure; break;
    case 'l':
    case 'p': result.mode = kModePreview; break;
    case 's': result.mode = kModeRun; break;
    default: break;
    }

    std::string candidate;
    if (text.size() > 2 && text[1] == ':')
        candidate = text.substr(2);
    else if (args.size() > 1)
        candidate = args[1];
    else
        candidate = text;
    if (!candidate.empty() && std::isdigit(static_cast<unsigned char>(candidate[0]))) {
        const auto value = StrToInt(candidate);
        result.parentWindow = value ? static_cast<uint32_t>(*value) : 0;
    }
    return result;
}

uint8_t EffectiveMode(uint8_t mode, bool configValidated)
{
    return mode == kModeRun && !configValidated ? kModeConfigure : mode;
}
