#include "trace_log.h"

#include "platform/paths.h"
#include "platform/system_info.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The locale's long time format without its time-zone part, which a Windows long time lacks.
QString longTimeFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

// A full disk took only the start of a line: cut it off again, or the next line written
// once there is room would be glued to it. Only while it is still the file's end, so a
// line another process appended since is never cut.
void dropFragment(int fd, off_t written)
{
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    struct stat st {};
    if (end < written || ::fstat(fd, &st) != 0 || st.st_size != end)
        return;
    // Should the cut fail as well, the fragment stays: a log line is not worth more.
    [[maybe_unused]] const int cut = ::ftruncate(fd, end - written);
}

}  // namespace

std::string TraceLogPath()
{
    return platform::DriveC() + "lumivane.log";
}

std::string TraceLogLine(const std::string& message)
{
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    const QString stamp = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                          locale.toString(now.time(), longTimeFormat(locale));

    const platform::MemoryStatus memory = platform::GlobalMemoryStatus();
    const double percent =
        memory.totalPhys ? static_cast<double>(memory.availPhys) * 100.0 / static_cast<double>(memory.totalPhys) : 0.0;
    char figure[32];
    std::snprintf(figure, sizeof figure, "%%%.1f", percent);
    QString free = QString::fromLatin1(figure);
    free.replace(QLatin1Char('.'), locale.decimalPoint());

    return (stamp + QStringLiteral(" | ") + free + QStringLiteral(" | ")).toStdString() + message;
}

void TraceLog(const std::string& message)
{
    const std::string line = TraceLogLine(message) + "\r\n";
    // One write to a file opened for appending: lines of two processes never mix, and each
    // line is on disk when the call returns.
    const int fd = ::open(TraceLogPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const ssize_t n = ::write(fd, line.data(), line.size());
    if (n > 0 && static_cast<size_t>(n) < line.size())
        dropFragment(fd, static_cast<off_t>(n));
    ::close(fd);
}
