#pragma once
// Colour values (0x00BBGGRR, or 0x80000000 + a system-colour index) and their texts.

#include <cstdint>
#include <optional>
#include <string>

namespace colors {

// The identifier when the value has one, else "$" and eight upper-case hex digits.
std::string ColorToString(uint32_t color);

// An identifier (any case), "$" + hex, or a decimal number; nullopt for anything else.
std::optional<uint32_t> StringToColor(const std::string& text);
// The colour a text names; black for text that names none.
uint32_t ColorOrBlack(const std::string& text);

}  // namespace colors
