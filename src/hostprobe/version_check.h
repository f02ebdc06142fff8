#pragma once
// The Windows-version check: which systems lack the updates this software needs.

#include "message_box.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hostprobe {

// The basic version structure of GetVersionExA, 148 bytes.
struct OSVERSIONINFOA {
    uint32_t dwOSVersionInfoSize;
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformId;
    char szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

enum : uint32_t { VER_PLATFORM_WIN32_WINDOWS = 1, VER_PLATFORM_WIN32_NT = 2 };

// This platform's GetVersionExA: fills the structure from the running kernel, with a
// platform identifier that is neither of the two Windows families. Fails, as Windows
// does, when dwOSVersionInfoSize is not set to the size of the structure.
bool GetVersionExA(OSVERSIONINFOA* info);
inline constexpr uint32_t kThisPlatformId = 76;

using VersionSource = std::function<bool(OSVERSIONINFOA*)>;

struct WindowsVersion {
    uint32_t platformId = 0;
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;  // low 16 bits of the reported field
    std::string servicePack;
};

// False when the version structure is unavailable.
bool GetWindowsVersion(WindowsVersion& version, const VersionSource& source = GetVersionExA);

struct VersionVerdict {
    std::string name;
    bool upToDate = true;
};
VersionVerdict ClassifyWindowsVersion(const WindowsVersion& version);

// "%d.%.2d.%d" of major, minor and build: 4.00.950, 3.51.1057.
std::string VersionNumberText(const WindowsVersion& version);

// The warning's text, or nothing when the system is up to date.
std::optional<std::string> VersionWarningText(const WindowsVersion& version);

inline constexpr const char* kWarningCaption = "Avertissement";
inline constexpr uint32_t kVersionWarningFlags = MB_OK;

void CheckWindowsVersion(const ShowMessage& show, const VersionSource& source = GetVersionExA);

}  // namespace hostprobe
