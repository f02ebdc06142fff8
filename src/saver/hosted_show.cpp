#include "hosted_show.h"

#include "display/display_thread.h"

#include "settings/app_state.h"
#include "settings/settings.h"

#include "platform/foreign_window.h"
#include "platform/gdi/window_canvas.h"
#include "platform/window_system.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>

using namespace platform;

int RunHostedShow(unsigned long window)
{
    if (window == 0)
        window = RootWindowId();
    ForeignWindow host(window);
    if (!TerminationSignals::Watch())
        return 1;
    // A window destroyed before it is shown, or a signal meanwhile, ends the show.
    if (!WaitUntilVisible(host, [] { return TerminationSignals::Take(); }))
        return 0;
    const QSize size = host.size();
    if (size.isEmpty())
        return 0;

    TWindowCanvas canvas(size.width(), size.height(), AppSettings->BackColor());
    canvas.SetSink([&host](const QImage& buffer, const QRect& rect) {
        host.draw(buffer, rect, rect.x(), rect.y());
        host.flush();
    });
    // Transitions show at most one state per refresh of the screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    canvas.SetRefreshInterval(RefreshIntervalOf(screen ? screen->refreshRate() : 0));
    canvas.Invalidate(QRect(QPoint(0, 0), size));
    canvas.Flush();

    StopRequested = false;
    QPointer<TDisplayThread> display =
        new TDisplayThread(&canvas, false, QThread::NormalPriority, 0, std::string(), 0, 0, 0, 0);
    display->Screen = size;

    const auto stop = [&display] {
        StopRequested = true;
        if (display)
            display->Terminate();
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
    TDisplayThread::Shutdown(display);
    return 0;
}
