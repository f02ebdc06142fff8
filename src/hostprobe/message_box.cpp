#include "message_box.h"

#include <cstdio>
#include <cstring>

namespace hostprobe {

int MessageBoxA(const MessageBoxAutomation& automation, MessageBoxPresenter& presenter, const std::string& text,
                const std::string& caption, uint32_t flags)
{
    const platform::AutomatedBox automated = platform::AutomateBox(automation, text, caption, flags);
    if (automated.logError)
        std::fprintf(stderr, "hostprobe: %s: %s\n", automation.logFile.c_str(), std::strerror(*automated.logError));
    if (automated.answer)
        return *automated.answer;
    return presenter.Present(text, caption, flags);
}

BoxChannel ChooseBoxChannel(bool displayOpen, bool trueColorVisual, int depth)
{
    if (!displayOpen)
        return BoxChannel::Stderr;
    return trueColorVisual && depth >= 15 ? BoxChannel::Framework : BoxChannel::Xlib;
}

}  // namespace hostprobe
