#include "vorl_version.h"

#include "platform/host_config.h"
#include "platform/version_info.h"

#include <QLocale>

#include <climits>
#include <cstdio>
#include <ctime>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string OwnExecutable()
{
    std::string path = platform::ExecutablePath();
    // A program replaced on disk while it runs is still readable through the link itself.
    if (path.empty() || access(path.c_str(), F_OK) != 0)
        path = "/proc/self/exe";
    return path;
}

// The user's date separator: the first character of the short date format that is not part
// of a field or a quoted text. The C locale is no choice of the user's: it keeps "/".
std::string DateSeparator()
{
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        return "/";
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && !c.isLetter())
            return QString(c).toStdString();
    }
    return "/";
}

}  // namespace

TVorlVersion::TVorlVersion()
{
    SetFileName(OwnExecutable());
}

void TVorlVersion::SetFileName(const std::string& fileName)
{
    fileName_ = fileName;
    LoadVersionInfo();
}

void TVorlVersion::ClearVersionInfo()
{
    for (std::string* text : {&CompanyName, &FileDescription, &FileVersion, &InternalName, &LegalCopyright,
                              &LegalTradeMarks, &OriginalFilename, &ProductName, &ProductVersion, &Comments,
                              &CountryCode})
        text->clear();
}

void TVorlVersion::LoadVersionInfo()
{
    ClearVersionInfo();
    const uint32_t size = platform::GetFileVersionInfoSizeA(fileName_);
    if (size == 0)
        return;
    // Should the file change in between, the zeroed buffer simply answers no query.
    std::vector<uint8_t> block(size, 0);
    platform::GetFileVersionInfoA(fileName_, size, block.data());

    const void* value = nullptr;
    uint32_t length = 0;
    // A table too short to hold one entry counts as none.
    if (platform::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
        const auto* b = static_cast<const uint8_t*>(value);
        char code[9];
        std::snprintf(code, sizeof code, "%02X%02X%02X%02X", b[1], b[0], b[3], b[2]);
        CountryCode = code;

        const std::pair<const char*, std::string*> keys[] = {
            {"CompanyName", &CompanyName},       {"FileDescription", &FileDescription},
            {"FileVersion", &FileVersion},       {"InternalName", &InternalName},
            {"LegalCopyright", &LegalCopyright}, {"LegalTradeMarks", &LegalTradeMarks},
            {"OriginalFileName", &OriginalFilename}, {"ProductName", &ProductName},
            {"ProductVersion", &ProductVersion}, {"Comments", &Comments},
        };
        for (const auto& [key, text] : keys) {
            if (platform::VerQueryValueA(block.data(), "\\StringFileInfo\\" + CountryCode + "\\" + key, &value, &length))
                *text = static_cast<const char*>(value);
        }
    }

    struct stat st {};
    const bool found = ::stat(fileName_.c_str(), &st) == 0;
    FileSize = std::to_string(found && S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : 0LL);

    std::tm local {};
    if (found && localtime_r(&st.st_mtime, &local)) {
        const std::string sep = DateSeparator();
        char date[64];
        std::snprintf(date, sizeof date, "%02d%s%02d%s%04d", local.tm_mday, sep.c_str(), local.tm_mon + 1, sep.c_str(),
                      local.tm_year + 1900);
        FileDate = date;
    } else {
        FileDate.clear();  // the file went away during the load: no date is better than a wrong one
    }
}
