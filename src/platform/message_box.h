#pragma once
// MessageBox stand-in over QMessageBox, with the automation hooks of HostConfig:
// a log line per box, and an answer given without showing anything.

#include <cstdint>
#include <string>

class QWidget;

namespace platform {

enum : uint32_t {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_SYSTEMMODAL = 0x1000,
    MB_SETFOREGROUND = 0x10000,
    MB_TOPMOST = 0x40000,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// owner: the window the box belongs to (nullptr: none); foreignOwner: a native window of
// another program that the box is made transient for, when there is no owner of ours.
int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, uint32_t flags,
               unsigned long foreignOwner = 0);

// The default beep.
void MessageBeep();

// The line that the automation log gets for one box: caption | icon | buttons | text,
// line breaks of the text written as \n.
std::string MessageBoxLogLine(const std::string& text, const std::string& caption, uint32_t flags);

// Shows one box, then ends the process with the given exit code.
[[noreturn]] void FatalExit(const std::string& text, const std::string& caption, uint32_t flags,
                            int exitCode = 1, QWidget* owner = nullptr, unsigned long foreignOwner = 0);

}  // namespace platform
