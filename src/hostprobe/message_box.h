#pragma once
// Message boxes of hostprobe: the Windows flags it uses, the automation hooks that the
// end-to-end tests drive (a log line per box, an answer given without showing), and the
// choice of how a box reaches the user on this display.

#include "platform/box_automation.h"

#include <cstdint>
#include <functional>
#include <string>

namespace hostprobe {

// The flags, the answers, the log line and the scripted answers are the saver's own.
using platform::MB_OK, platform::MB_OKCANCEL, platform::MB_YESNOCANCEL, platform::MB_YESNO;
using platform::MB_ICONERROR, platform::MB_ICONQUESTION, platform::MB_ICONWARNING, platform::MB_ICONINFORMATION;
using platform::MB_SETFOREGROUND;
using platform::IDOK, platform::IDCANCEL, platform::IDYES, platform::IDNO;
using platform::AutomatedAnswer, platform::MessageBoxLogLine;
// LUMIVANE_MSGBOX_LOG and LUMIVANE_MSGBOX_ANSWER, as the saver reads them.
using MessageBoxAutomation = platform::BoxAutomation;

// How the checks ask for a box: text, caption, flags; the answer is the button's ID.
using ShowMessage = std::function<int(const std::string& text, const std::string& caption, uint32_t flags)>;

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
