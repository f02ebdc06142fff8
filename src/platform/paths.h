#pragma once
// Drive C: and Windows-style paths on this system.

#include <string>

namespace platform {

// The folder that stands for drive C:, ending with '/'.
std::string DriveC();

// True when the path names an existing file (not a folder), as FileExists does.
bool FileExists(const std::string& path);

// Ensures a trailing separator.
std::string IncludeTrailingPathDelimiter(const std::string& path);

// Blanks and control characters removed from both ends, as Trim does.
std::string Trim(const std::string& s);

}  // namespace platform
