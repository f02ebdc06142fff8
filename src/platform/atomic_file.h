#pragma once
// Replacing a file so that a crash or a power cut at any moment leaves either the old
// content or the new one, whole.

#include <string>

namespace platform {

// Writes `bytes` to a temporary file beside `file` (its name followed by ".tmp." and the
// process id), syncs and closes it checking each step, renames it over `file` and syncs the
// folder. A new file gets mode 0644, an existing one keeps its mode. Empty on success;
// otherwise what failed, with the system's reason, and `file` is as it was.
std::string ReplaceFile(const std::string& file, const std::string& bytes);

}  // namespace platform
