#pragma once
// Message boxes of hostprobe: the Windows flags it uses, the automation hooks that the
// end-to-end tests drive (a log line per box, an answer given without showing), and the
// choice of how a box reaches the user on this display.

#include <cstdint>
#include <functional>
#include <string>

namespace hostprobe {

enum : uint32_t {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_SETFOREGROUND = 0x10000,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// How the checks ask for a box: text, caption, flags; the answer is the button's ID.
using ShowMessage = std::function<int(const std::string& text, const std::string& caption, uint32_t flags)>;

// LUMIVANE_MSGBOX_LOG and LUMIVANE_MSGBOX_ANSWER, as the saver reads them.
struct MessageBoxAutomation {
    std::string logFile;
    std::string answer;
    static MessageBoxAutomation FromEnvironment();
};

// caption | icon | buttons | text, every line break of the text written as \n.
std::string MessageBoxLogLine(const std::string& text, const std::string& caption, uint32_t flags);

// What a box answers when nobody sees it: the requested answer if the box has that
// button, otherwise its first button.
int AutomatedAnswer(const std::string& answer, uint32_t flags);

// Puts one box in front of the user and returns the button pressed.
class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    virtual int Present(const std::string& text, const std::string& caption, uint32_t flags) = 0;
};

// Logs the box when asked to, answers it when asked to, and otherwise presents it.
int MessageBoxA(const MessageBoxAutomation& automation, MessageBoxPresenter& presenter, const std::string& text,
                const std::string& caption, uint32_t flags);

// How a box can reach the user. The window framework draws only on true-colour visuals of
// 15 bits or more; below that its windows map but stay blank, so we draw the box ourselves.
enum class BoxChannel { Framework, Xlib, Stderr };
BoxChannel ChooseBoxChannel(bool displayOpen, bool trueColorVisual, int depth);

}  // namespace hostprobe
