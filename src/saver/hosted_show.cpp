#include "hosted_show.h"

#include "display/display_thread.h"

#include "settings/app_state.h"
#include "settings/settings.h"

#include "platform/foreign_window.h"
#include "platform/gdi/window_canvas.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace platform;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT reach the event loop through a pipe, where the show can stop cleanly.
bool watchSignals()
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

}  // namespace

int RunHostedShow(unsigned long window)
{
    if (window == 0)
        window = RootWindowId();
    ForeignWindow host(window);
    if (!watchSignals())
        return 1;
    // A window destroyed before it is shown, or a signal meanwhile, ends the show.
    if (!WaitUntilVisible(host, [] {
            char byte;
            return ::read(g_signalPipe[0], &byte, 1) == 1;
        }))
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
    QSocketNotifier terminations(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&terminations, &QSocketNotifier::activated, [&stop] {
        char byte;
        while (::read(g_signalPipe[0], &byte, 1) == 1) {
        }
        stop();
    });
    // The host ends a preview by destroying its window.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!host.exists())
            stop();
    });
    watch.start(50);
    QCoreApplication::exec();
    TDisplayThread::Shutdown(display);
    return 0;
}
