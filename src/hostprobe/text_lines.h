#pragma once
// Text helpers for the box we draw ourselves with the X core fonts.

#include <string>
#include <vector>

namespace hostprobe {

// The lines of a text, broken at CR LF, lone LF and lone CR.
std::vector<std::string> SplitLines(const std::string& text);

// UTF-8 to ISO 8859-1 for the core fonts; what Latin-1 cannot hold, and bytes that are
// not UTF-8, become '?'.
std::string Utf8ToLatin1(const std::string& text);

}  // namespace hostprobe
