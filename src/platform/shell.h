#pragma once
// ShellExecute stand-in: opens a link or document with the desktop's default program.

#include <string>

namespace platform {

// The text is handed on as built; when HostConfig::shellLog is set it is recorded there
// (one line each) instead of being opened. Returns false when nothing could open it.
bool OpenDocument(const std::string& target);

// The window framework's default report of an error raised inside a user action: a box
// with the application's title as caption and the error's text.
void ShowException(const std::exception& error);

}  // namespace platform
