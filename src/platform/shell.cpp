#include "shell.h"

#include "host_config.h"
#include "message_box.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool OpenDocument(const std::string& target)
{
    const std::string& log = host().shellLog;
    if (!log.empty()) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const std::string line = target + '\n';
        const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
        ::close(fd);
        return ok;
    }
    // The desktop opener wants a URL: the tolerant parse percent-encodes what must be
    // (spaces, accents) and leaves the rest of the text as it is.
    const QString text = QString::fromStdString(target);
    QUrl url(text, QUrl::TolerantMode);
    if (url.scheme().isEmpty())
        url = QUrl::fromLocalFile(text);
    return QDesktopServices::openUrl(url);
}

void ShowException(const std::exception& error)
{
    const QString title = QCoreApplication::applicationName();
    MessageBox(nullptr, error.what(), title.isEmpty() ? std::string("lumivane") : title.toStdString(),
               MB_OK | MB_ICONERROR);
}

}  // namespace platform
