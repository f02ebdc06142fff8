#pragma once
// Asks the product's web server whether a newer release of the same major version exists.

#include "platform/url_fetch.h"

#include <optional>
#include <string>

enum class UpdateCheck {
    UpdateShown,  // the user was told about the new release
    NoUpdate,     // the server's version is not newer, or of another major version
    Failed,       // no version could be read: offline, server unreachable, HTTP error, empty file
};

// The version file's address: the build's update site, or LUMIVANE_UPDATE_URL when set.
std::string VersionFileUrl();
// The local copy "lvversion.dat": in the executable's folder, or in the user's cache folder
// when the program may not write beside itself.
std::string VersionFilePath();

// Downloads the version file and, when it names a newer release of runningVersion's major
// version, shows message. Throws EInOutError when the local copy exists but cannot be read.
UpdateCheck CheckForUpdate(const std::string& runningVersion, const std::string& message,
                           const platform::FetchLimits& limits = {});

// The first line of the local copy; empty when there is none.
std::string ReadVersionFile();

// 1 when a is the newer version, -1 when b is, 0 when equal; nullopt when either is not four
// numbers separated by points (blanks around them are ignored).
std::optional<int> CompareVersions(const std::string& a, const std::string& b);
