#pragma once
// The screen-saver password services of the Windows 95/98/Me family. Elsewhere their
// libraries are absent and the "cannot be loaded" paths run.

#include <string>
#include <vector>

// True on the Windows 95/98/Me platform (identifier 1 of the version query).
bool IsWin9x();

// Runs the system's password change and ends the process; args as on the command line.
[[noreturn]] void ChangePassword(const std::vector<std::string>& args);

// The message box text ChangePassword would show, or empty when the change ran.
std::string RunPasswordChange(const std::vector<std::string>& args);

// True when the user may stop the saver.
bool VerifyPassword(unsigned long window);
