#include "command_line.h"

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
        return result;
    }
    if (first == "-window-id" || first == "--window-id") {
        const auto id = args.size() > 1 ? ParseWindowId(args[1]) : std::nullopt;
        if (!id)
            result.error = first + " attend un numéro de fenêtre X (décimal ou 0x hexadécimal)";
        result.hostWindow = id.value_or(0);
        return result;
    }
    if (args.empty() && hostWindow) {
        result.hostWindow = *hostWindow;
        return result;
    }
    return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& hostVariable)
{
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
