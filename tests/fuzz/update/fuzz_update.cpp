// Any bytes as the first line of the published version file: a version or nothing, never a
// crash, and the comparison is an order (antisymmetric, each version equal to itself).

#include "inet/update_check.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    const std::string line = text.substr(0, text.find('\n'));
    const std::string rest = text.find('\n') == std::string::npos ? std::string() : text.substr(text.find('\n') + 1);
    for (const std::string& other : {std::string("3.3.7.6"), rest}) {
        const auto there = CompareVersions(line, other);
        const auto back = CompareVersions(other, line);
        if (there.has_value() != back.has_value() || (there && *there != -*back))
            std::abort();
    }
    if (const auto self = CompareVersions(line, line); self && *self != 0)
        std::abort();
    return 0;
}
