// Any bytes as a hive file: parsed or refused with RegistrySyntaxError, never a crash;
// what parses must come back unchanged through its own text.

#include "platform/reg_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const platform::Hive hive = platform::Hive::parse(bytes, "HKEY_CURRENT_USER", "fuzz.reg");
        const platform::Hive again = platform::Hive::parse(hive.serialize(), "HKEY_CURRENT_USER", "again.reg");
        if (!(again == hive))
            std::abort();
    } catch (const platform::RegistrySyntaxError&) {
    }
    return 0;
}
