#include "text_lines.h"

#include <cstdint>

namespace hostprobe {

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

std::string Utf8ToLatin1(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = byte(i);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t code = 0;
        if ((lead & 0xE0) == 0xC0) { length = 2; code = lead & 0x1F; }
        else if ((lead & 0xF0) == 0xE0) { length = 3; code = lead & 0x0F; }
        else if ((lead & 0xF8) == 0xF0) { length = 4; code = lead & 0x07; }
        size_t n = 1;
        if (length != 0) {
            while (n < length && i + n < text.size() && (byte(i + n) & 0xC0) == 0x80) {
                code = (code << 6) | (byte(i + n) & 0x3F);
                ++n;
            }
        }
        // A broken sequence costs one '?' for its lead byte; what follows is read afresh.
        const bool complete = length != 0 && n == length;
        // Only two-byte forms can hold 0x80..0xFF; longer ones there are overlong.
        if (complete && length == 2 && code >= 0x80 && code <= 0xFF) {
            out += static_cast<char>(code);
        } else {
            out += '?';
        }
        i += complete ? length : 1;
    }
    return out;
}

}  // namespace hostprobe
