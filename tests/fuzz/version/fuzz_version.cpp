// Any bytes as a program file and as a bare version block: read or refused, never a crash;
// whatever is read answers its queries from inside its own buffer.

#include "platform/version_info.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Check(const std::vector<uint8_t>& info, const std::string& path)
{
    const void* value = nullptr;
    uint32_t length = 0;
    if (!platform::VerQueryValueA(info.data(), path, &value, &length) || length == 0)
        return;
    const auto* p = static_cast<const uint8_t*>(value);
    if (p < info.data() || p + length > info.data() + info.size())
        std::abort();
}

void Exercise(const std::vector<uint8_t>& info)
{
    if (info.empty())
        return;
    for (const char* path : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo", "\\VarFileInfo"})
        Check(info, path);
    const void* value = nullptr;
    uint32_t length = 0;
    if (!platform::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4)
        return;
    const auto* b = static_cast<const uint8_t*>(value);
    char code[9];
    std::snprintf(code, sizeof code, "%02X%02X%02X%02X", b[1], b[0], b[3], b[2]);
    for (const char* key : {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                            "LegalTradeMarks", "OriginalFileName", "ProductName", "ProductVersion", "Comments"}) {
        const std::string path = std::string("\\StringFileInfo\\") + code + "\\" + key;
        Check(info, path);
        if (platform::VerQueryValueA(info.data(), path, &value, &length) && length > 0 &&
            std::strlen(static_cast<const char*>(value)) + 1 != length)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    Exercise(platform::VersionInfoFromImage(bytes));
    Exercise(platform::VersionInfoFromBlock(bytes));
    return 0;
}
