#include "message_box.h"

#include "background_task.h"
#include "host_config.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

namespace platform {

int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, uint32_t flags,
               unsigned long foreignOwner)
{
    const HostConfig& config = host();
    // The saver's boxes say nothing of a log line they could not write.
    if (const auto answer = AutomateBox({config.messageBoxLog, config.messageBoxAnswer}, text, caption, flags).answer)
        return *answer;
    if (config.messageBoxesOnStderr || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // No window system to show it on, or nobody who could answer it there: the text
        // must still reach somebody.
        std::cerr << caption << ": " << text << '\n';
        return DefaultAnswer(flags);
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

void ShowFatalBox(const FatalBox& box)
{
    if (!box.detail.empty())
        std::cerr << box.detail << '\n';
    MessageBox(nullptr, box.text, box.caption, box.flags);
}

void FatalExit(const std::string& text, const std::string& caption, uint32_t flags, int exitCode, QWidget* owner,
               unsigned long foreignOwner)
{
    MessageBox(owner, text, caption, flags, foreignOwner);
    std::fflush(nullptr);
    std::exit(exitCode);
}

void FatalExit(const FatalBox& box)
{
    ShowFatalBox(box);
    std::fflush(nullptr);
    // As at the program's own end: nothing is torn down under a reading still running.
    if (!WaitForBackgroundTasks(kEndWaitForBackgroundTasks))
        std::_Exit(1);
    std::exit(1);
}

}  // namespace platform
