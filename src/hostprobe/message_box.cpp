#include "message_box.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hostprobe {

namespace {

const char* iconName(uint32_t flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR: return "error";
    case MB_ICONQUESTION: return "question";
    case MB_ICONWARNING: return "warning";
    case MB_ICONINFORMATION: return "information";
    default: return "none";
    }
}

const char* buttonsName(uint32_t flags)
{
    switch (flags & 0xF) {
    case MB_OKCANCEL: return "ok,cancel";
    case MB_YESNOCANCEL: return "yes,no,cancel";
    case MB_YESNO: return "yes,no";
    default: return "ok";
    }
}

std::string envValue(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

void appendLine(const std::string& file, const std::string& line)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::fprintf(stderr, "hostprobe: %s: %s\n", file.c_str(), std::strerror(errno));
        return;
    }
    // One write, so that lines of several processes never interleave.
    const std::string data = line + '\n';
    if (::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size()))
        std::fprintf(stderr, "hostprobe: %s: %s\n", file.c_str(), std::strerror(errno));
    ::close(fd);
}

}  // namespace

MessageBoxAutomation MessageBoxAutomation::FromEnvironment()
{
    return {envValue("LUMIVANE_MSGBOX_LOG"), envValue("LUMIVANE_MSGBOX_ANSWER")};
}

std::string MessageBoxLogLine(const std::string& text, const std::string& caption, uint32_t flags)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;  // CR LF is one break; its LF writes it
        if (text[i] == '\n' || text[i] == '\r')
            escaped += "\\n";
        else
            escaped += text[i];
    }
    return caption + " | " + iconName(flags) + " | " + buttonsName(flags) + " | " + escaped;
}

int AutomatedAnswer(const std::string& answer, uint32_t flags)
{
    const uint32_t buttons = flags & 0xF;
    const bool yesNo = buttons == MB_YESNO || buttons == MB_YESNOCANCEL;
    const bool cancel = buttons == MB_OKCANCEL || buttons == MB_YESNOCANCEL;
    if (answer == "yes" && yesNo) return IDYES;
    if (answer == "no" && yesNo) return IDNO;
    if (answer == "cancel" && cancel) return IDCANCEL;
    if (answer == "ok" && !yesNo) return IDOK;
    return yesNo ? IDYES : IDOK;
}

int MessageBoxA(const MessageBoxAutomation& automation, MessageBoxPresenter& presenter, const std::string& text,
                const std::string& caption, uint32_t flags)
{
    if (!automation.logFile.empty())
        appendLine(automation.logFile, MessageBoxLogLine(text, caption, flags));
    if (!automation.answer.empty())
        return AutomatedAnswer(automation.answer, flags);
    return presenter.Present(text, caption, flags);
}

BoxChannel ChooseBoxChannel(bool displayOpen, bool trueColorVisual, int depth)
{
    if (!displayOpen)
        return BoxChannel::Stderr;
    return trueColorVisual && depth >= 15 ? BoxChannel::Framework : BoxChannel::Xlib;
}

}  // namespace hostprobe
