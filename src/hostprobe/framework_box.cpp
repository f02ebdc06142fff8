#include "framework_box.h"

#include "message_box.h"

#include "platform/framework_language.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

namespace hostprobe {

FrameworkBoxes::FrameworkBoxes(const char* programName) : programName_(programName ? programName : "hostprobe")
{
    // The program takes no arguments; the framework gets none to interpret either.
    argv_[0] = programName_.data();
    argv_[1] = nullptr;
}

FrameworkBoxes::~FrameworkBoxes() = default;

QApplication& FrameworkBoxes::app()
{
    if (!app_) {
        app_ = std::make_unique<QApplication>(argc_, argv_);
        platform::InstallFrameworkFrench();
    }
    return *app_;
}

std::optional<int> FrameworkBoxes::PrimaryScreenLines()
{
    app();
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return qRound(screen->geometry().height() * screen->devicePixelRatio());
}

int FrameworkBoxes::Show(const std::string& text, const std::string& caption, uint32_t flags)
{
    app();
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(caption));
    box.setTextFormat(Qt::PlainText);
    QString body = QString::fromStdString(text);
    body.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(body);
    box.setIcon((flags & 0xF0) == MB_ICONERROR ? QMessageBox::Critical : QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    if (flags & MB_SETFOREGROUND) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();
    return IDOK;  // the only button; closing the box answers it too
}

}  // namespace hostprobe
