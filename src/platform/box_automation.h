#pragma once
// What every message box of ours shares, whatever draws it: the Windows flags and answers,
// and the automation hooks that tests and headless runs drive (a log line per box, an
// answer given without showing anything). Plain C++, so that programs without the window
// framework (hostprobe's core) use the same.

#include <cstdint>
#include <optional>
#include <string>

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

// A box after which the program ends: what a part that shows no boxes hands back to the
// program, which shows it (message_box.h) and ends.
struct FatalBox {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
    std::string detail;  // a line for the standard error before the box, or empty
};

struct BoxAutomation {
    std::string logFile;  // when set, every box appends its MessageBoxLogLine here
    std::string answer;   // when set ("yes", "no", "ok", "cancel"), boxes answer without showing
    // LUMIVANE_MSGBOX_LOG and LUMIVANE_MSGBOX_ANSWER.
    static BoxAutomation FromEnvironment();
};

// The line that the automation log gets for one box: caption | icon | buttons | text,
// every line break of the text written as \n.
std::string MessageBoxLogLine(const std::string& text, const std::string& caption, uint32_t flags);

// What a box answers when nobody can see it: its first button.
int DefaultAnswer(uint32_t flags);

// The requested answer if the box has that button, otherwise its first button.
int AutomatedAnswer(const std::string& answer, uint32_t flags);

struct AutomatedBox {
    std::optional<int> answer;    // the scripted answer; none: the box must be put in front of the user
    std::optional<int> logError;  // errno when the log line could not be written
};

// Logs the box when asked to, and answers it when asked to.
AutomatedBox AutomateBox(const BoxAutomation& automation, const std::string& text, const std::string& caption,
                         uint32_t flags);

// Appends one line to a file in a single write, so that the lines of several processes
// never interleave. False, with errno set, when it could not.
bool AppendLine(const std::string& file, const std::string& line);

}  // namespace platform
