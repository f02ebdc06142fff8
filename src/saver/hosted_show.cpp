#include "hosted_show.h"

#include "display/show_session.h"

#include "settings/app_state.h"
#include "settings/settings.h"
#include "settings/show_position.h"

#include "platform/foreign_window.h"
#include "platform/gdi/window_canvas.h"
#include "platform/window_system.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <iostream>

using namespace platform;

namespace {

// A line of text across the bottom of the window, white on dark grey (seen over a black
// background too): what went wrong with the
// settings, where a host's user, who sees no error stream, can read it.
QImage banner(const std::string& text, int width)
{
    QFont font;
    font.setPixelSize(16);
    const QFontMetrics metrics(font);
    QImage image(width, metrics.height() + 12, QImage::Format_RGB32);
    image.fill(QColor(0x30, 0x30, 0x30));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(image.rect().adjusted(12, 0, -12, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     metrics.elidedText(QString::fromStdString(text), Qt::ElideRight, width - 24));
    return image;
}

}  // namespace

int RunHostedShow(unsigned long window, std::shared_ptr<const TSettings> settings)
{
    if (window == 0)
        window = RootWindowId();
    ForeignWindow host(window);
    if (!host.exists()) {
        std::cerr << "lumivane: la fenêtre X " << window << " n'existe pas.\n";
        return 2;
    }
    if (!TerminationSignals::Watch())
        return 1;
    // A window destroyed before it is shown, or a signal meanwhile, ends the show.
    if (!WaitUntilVisible(host, [] { return TerminationSignals::Take(); }))
        return 0;
    const QSize size = host.size();
    if (size.isEmpty())
        return 0;

    TWindowCanvas canvas(size.width(), size.height(), settings->BackColor());
    const QImage problem = settings->Problem.empty() ? QImage() : banner(settings->Problem, size.width());
    const QRect problemRect(0, size.height() - problem.height(), problem.width(), problem.height());
    canvas.SetSink([&](const QImage& buffer, std::span<const QRect> parts) {
        host.draw(buffer, parts);
        // Kept over whatever the show draws beneath it.
        QRect over;
        for (const QRect& part : parts)
            over |= part & problemRect;
        if (!over.isEmpty())
            host.draw(problem, over.translated(-problemRect.topLeft()), over.x(), over.y());
        host.flush();
    });
    // Transitions show at most one state per refresh of the screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    canvas.SetRefreshInterval(RefreshIntervalOf(screen ? screen->refreshRate() : 0));
    canvas.Invalidate(QRect(QPoint(0, 0), size));
    canvas.Flush();

    // A host starts its display mode again at every cycle: go on where the last one stopped.
    const std::string positionFile = ShowPositionFile();
    QPointer<TShowSession> display =
        new TShowSession(&canvas, false, 0, std::string(), {}, size, ReadShowPosition(positionFile), settings);

    const auto stop = [&display] {
        if (display)
            display->Stop();
        QCoreApplication::quit();
    };
    const QMetaObject::Connection terminations =
        QObject::connect(&TerminationSignals::Instance(), &TerminationSignals::received, stop);
    // The host ends a preview by destroying its window.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!host.exists())
            stop();
    });
    watch.start(50);
    QCoreApplication::exec();
    QObject::disconnect(terminations);
    ShowPosition shown;
    if (display)
        shown = display->Shown;
    TShowSession::Shutdown(display);
    if (!shown.file.empty())
        WriteShowPosition(positionFile, shown);
    return 0;
}
