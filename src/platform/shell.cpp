#include "shell.h"

#include "box_automation.h"
#include "host_config.h"
#include "message_box.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include <exception>

namespace platform {

bool OpenDocument(const std::string& target)
{
    const std::string& log = host().shellLog;
    if (!log.empty())
        return AppendLine(log, target);
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
