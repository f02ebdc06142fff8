#pragma once
// MessageBox stand-in over QMessageBox, with the automation hooks of HostConfig:
// a log line per box, and an answer given without showing anything. The flags, the
// answers and MessageBoxLogLine come from box_automation.h.

#include "box_automation.h"

#include <cstdint>
#include <string>

class QWidget;

namespace platform {

// owner: the window the box belongs to (nullptr: none); foreignOwner: a native window of
// another program that the box is made transient for, when there is no owner of ours.
int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, uint32_t flags,
               unsigned long foreignOwner = 0);

// The default beep.
void MessageBeep();

// Writes its detail to the standard error, then shows the box.
void ShowFatalBox(const FatalBox& box);

// Shows one box, then ends the process with the given exit code.
[[noreturn]] void FatalExit(const std::string& text, const std::string& caption, uint32_t flags,
                            int exitCode = 1, QWidget* owner = nullptr, unsigned long foreignOwner = 0);
[[noreturn]] void FatalExit(const FatalBox& box);

}  // namespace platform
