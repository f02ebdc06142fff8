#pragma once
// Version query, system folder, run-time libraries and memory status.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// dwPlatformId values; this system reports one of its own, neither 1 nor 2.
enum : uint32_t {
    VER_PLATFORM_WIN32s = 0,
    VER_PLATFORM_WIN32_WINDOWS = 1,
    VER_PLATFORM_WIN32_NT = 2,
    VER_PLATFORM_POSIX = 76,
};

struct OsVersionInfo {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = VER_PLATFORM_POSIX;
    std::string csdVersion;  // service-pack text
};

// The GetVersionExA stand-in: the kernel's release numbers, this platform's identifier.
OsVersionInfo OsVersion();
// Tests substitute another system's answer; nullopt restores the real one.
void SetOsVersionForTesting(std::optional<OsVersionInfo> version);

// The folder that stands for the Windows system folder, ending with '/'.
std::string SystemDirectory();

// A library loaded at run time; empty when it could not be loaded.
class DynamicLibrary {
public:
    explicit DynamicLibrary(const std::string& path);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* symbol(const char* name) const;

private:
    void* handle_ = nullptr;
};

struct MemoryStatus {
    uint64_t totalPhys = 0;
    uint64_t availPhys = 0;
};

// From /proc/meminfo (MemTotal, MemAvailable); zeros when it cannot be read.
MemoryStatus GlobalMemoryStatus();

}  // namespace platform
