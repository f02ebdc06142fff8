#include "box_automation.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

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

bool hasYesNo(uint32_t flags) { return (flags & 0xF) == MB_YESNO || (flags & 0xF) == MB_YESNOCANCEL; }

std::string envValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace

BoxAutomation BoxAutomation::FromEnvironment()
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

int DefaultAnswer(uint32_t flags) { return hasYesNo(flags) ? IDYES : IDOK; }

int AutomatedAnswer(const std::string& answer, uint32_t flags)
{
    const bool yesNo = hasYesNo(flags);
    const bool cancel = (flags & 0xF) == MB_OKCANCEL || (flags & 0xF) == MB_YESNOCANCEL;
    if (answer == "yes" && yesNo) return IDYES;
    if (answer == "no" && yesNo) return IDNO;
    if (answer == "cancel" && cancel) return IDCANCEL;
    if (answer == "ok" && !yesNo) return IDOK;
    return DefaultAnswer(flags);
}

AutomatedBox AutomateBox(const BoxAutomation& automation, const std::string& text, const std::string& caption,
                         uint32_t flags)
{
    AutomatedBox result;
    if (!automation.logFile.empty() && !AppendLine(automation.logFile, MessageBoxLogLine(text, caption, flags)))
        result.logError = errno;
    if (!automation.answer.empty())
        result.answer = AutomatedAnswer(automation.answer, flags);
    return result;
}

bool AppendLine(const std::string& file, const std::string& line)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const std::string data = line + '\n';
    const bool whole = ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    const int writeError = errno;
    ::close(fd);
    errno = writeError;  // the caller reports the write's failure, not the close's
    return whole;
}

}  // namespace platform
