#include "colors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace colors {

namespace {

struct NamedColor {
    const char* name;
    uint32_t value;
};

constexpr uint32_t kSys = 0x80000000u;

constexpr NamedColor kColors[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clScrollBar", kSys + 0}, {"clBackground", kSys + 1}, {"clActiveCaption", kSys + 2},
    {"clInactiveCaption", kSys + 3}, {"clMenu", kSys + 4}, {"clWindow", kSys + 5},
    {"clWindowFrame", kSys + 6}, {"clMenuText", kSys + 7}, {"clWindowText", kSys + 8},
    {"clCaptionText", kSys + 9}, {"clActiveBorder", kSys + 10}, {"clInactiveBorder", kSys + 11},
    {"clAppWorkSpace", kSys + 12}, {"clHighlight", kSys + 13}, {"clHighlightText", kSys + 14},
    {"clBtnFace", kSys + 15}, {"clBtnShadow", kSys + 16}, {"clGrayText", kSys + 17},
    {"clBtnText", kSys + 18}, {"clInactiveCaptionText", kSys + 19}, {"clBtnHighlight", kSys + 20},
    {"cl3DDkShadow", kSys + 21}, {"cl3DLight", kSys + 22}, {"clInfoText", kSys + 23},
    {"clInfoBk", kSys + 24}, {"clNone", 0x1FFFFFFF},
};

}  // namespace

std::string ColorToString(uint32_t color)
{
    for (const auto& c : kColors)
        if (c.value == color)
            return c.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%.8X", color);
    return buf;
}

std::optional<uint32_t> StringToColor(const std::string& text)
{
    for (const auto& c : kColors)
        if (strcasecmp(c.name, text.c_str()) == 0)
            return c.value;
    if (text.empty())
        return std::nullopt;
    const bool hex = text[0] == '$';
    const std::string digits = hex ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_of(" \t") != std::string::npos)
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(digits.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || (hex && digits[0] == '-'))
        return std::nullopt;
    if (value < INT32_MIN || value > UINT32_MAX || (!hex && value > INT32_MAX))
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

uint32_t ColorOrBlack(const std::string& text)
{
    return StringToColor(text).value_or(0x000000);
}

}  // namespace colors
