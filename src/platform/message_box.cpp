#include "message_box.h"

#include "host_config.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
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

// The answer a box gives when nobody can see it: its first button.
int defaultAnswer(uint32_t flags)
{
    switch (flags & 0xF) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    default: return IDOK;
    }
}

int automatedAnswer(const std::string& answer, uint32_t flags)
{
    const bool yesNo = (flags & 0xF) == MB_YESNO || (flags & 0xF) == MB_YESNOCANCEL;
    const bool cancel = (flags & 0xF) == MB_OKCANCEL || (flags & 0xF) == MB_YESNOCANCEL;
    if (answer == "yes" && yesNo) return IDYES;
    if (answer == "no" && yesNo) return IDNO;
    if (answer == "cancel" && cancel) return IDCANCEL;
    if (answer == "ok" && !yesNo) return IDOK;
    return defaultAnswer(flags);
}

void appendLog(const std::string& file, const std::string& line)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string data = line + '\n';
    [[maybe_unused]] const ssize_t n = ::write(fd, data.data(), data.size());
    ::close(fd);
}

}  // namespace

std::string MessageBoxLogLine(const std::string& text, const std::string& caption, uint32_t flags)
{
    std::string escaped;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        escaped += (text[i] == '\n' || text[i] == '\r') ? std::string("\\n") : std::string(1, text[i]);
    }
    return caption + " | " + iconName(flags) + " | " + buttonsName(flags) + " | " + escaped;
}

int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, uint32_t flags,
               unsigned long foreignOwner)
{
    const HostConfig& config = host();
    if (!config.messageBoxLog.empty())
        appendLog(config.messageBoxLog, MessageBoxLogLine(text, caption, flags));
    if (!config.messageBoxAnswer.empty())
        return automatedAnswer(config.messageBoxAnswer, flags);
    if (config.messageBoxesOnStderr || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // No window system to show it on, or nobody who could answer it there: the text
        // must still reach somebody.
        std::cerr << caption << ": " << text << '\n';
        return defaultAnswer(flags);
    }

    QMessageBox box(owner);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    switch (flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int id;
    };
    std::vector<Choice> choices;
    switch (flags & 0xF) {
    case MB_OKCANCEL: choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_YESNOCANCEL:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    default: choices = {{QMessageBox::Ok, IDOK}}; break;
    }
    QMessageBox::StandardButtons buttons;
    for (const auto& c : choices)
        buttons |= c.button;
    box.setStandardButtons(buttons);
    // French buttons, as the rest of the program speaks French.
    if (auto* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("&Oui"));
    if (auto* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("&Non"));
    if (auto* b = box.button(QMessageBox::Cancel)) b->setText(QStringLiteral("Annuler"));
    if (flags & (MB_SYSTEMMODAL | MB_TOPMOST))
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (!owner && foreignOwner != 0) {
        box.winId();
        if (QWindow* foreign = QWindow::fromWinId(foreignOwner))
            box.windowHandle()->setTransientParent(foreign);
    }
    if (flags & MB_SETFOREGROUND) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    const int pressed = box.exec();
    for (const auto& c : choices)
        if (pressed == c.button)
            return c.id;
    // Closed with the title bar or Escape: Windows answers Cancel, or No without one.
    if ((flags & 0xF) == MB_YESNO)
        return IDNO;
    return (flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
}

void MessageBeep()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

void FatalExit(const std::string& text, const std::string& caption, uint32_t flags, int exitCode, QWidget* owner,
               unsigned long foreignOwner)
{
    MessageBox(owner, text, caption, flags, foreignOwner);
    std::fflush(nullptr);
    std::exit(exitCode);
}

}  // namespace platform
