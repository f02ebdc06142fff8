#pragma once
// Drive C: and Windows-style paths on this system.

#include <string>

namespace platform {

// The folder that stands for drive C:, ending with '/'.
std::string DriveC();

// True when the path names an existing file (not a folder), as FileExists does.
bool FileExists(const std::string& path);
// A folder (reached through links), whatever it holds.
bool DirectoryExists(const std::string& path);

// Opens a file for reading, but only a regular file: a pipe, a device, a socket or a
// folder is refused before it is opened, so the opening cannot block or act on a device.
// Gives the descriptor (close-on-exec, blocking reads), or -1 with the reason in `why`.
int OpenRegularFile(const std::string& path, std::string& why);

// Ensures a trailing separator.
std::string IncludeTrailingPathDelimiter(const std::string& path);

// Blanks and control characters removed from both ends, as Trim does.
std::string Trim(const std::string& s);

}  // namespace platform
