#include "window_system.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

WindowSystemChoice ChooseWindowSystem(bool needsX11, const std::string& qtPlatform, const std::string& waylandDisplay,
                                      const std::string& x11Display)
{
    WindowSystemChoice choice;
    if (!qtPlatform.empty()) {
        if (needsX11 && qtPlatform.rfind("wayland", 0) == 0)
            choice.error = "this mode draws into an X11 window, and QT_QPA_PLATFORM asks for " + qtPlatform;
        return choice;
    }
    if (needsX11) {
        if (x11Display.empty())
            choice.error = "this mode draws into an X11 window, and there is no X11 display (DISPLAY is empty)";
        else
            choice.platform = "xcb";
        return choice;
    }
    if (!waylandDisplay.empty())
        choice.platform = "wayland";
    else if (!x11Display.empty())
        choice.platform = "xcb";
    return choice;
}

bool OnWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QCursor InvisibleCursor()
{
    if (!OnWayland())
        return QCursor(Qt::BlankCursor);
    QPixmap clear(1, 1);
    clear.fill(Qt::transparent);
    return QCursor(clear, 0, 0);
}

namespace {

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_lastSignal = 0;

void onSignal(int number)
{
    // The code the signal interrupted may be about to read errno: a full pipe's EAGAIN
    // must not reach it.
    const int saved = errno;
    g_lastSignal = number;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

// The pipe the handler writes to; made once, by whichever comes first of Watch() and
// Instance(), so that the notifier exists whatever their order.
bool ensurePipe()
{
    return g_signalPipe[0] >= 0 || ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

}  // namespace

bool TerminationSignals::Watch()
{
    if (!ensurePipe())
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

bool TerminationSignals::Take()
{
    char byte;
    bool any = false;
    while (g_signalPipe[0] >= 0 && ::read(g_signalPipe[0], &byte, 1) == 1)
        any = true;
    return any;
}

int TerminationSignals::Received()
{
    return g_lastSignal;
}

void TerminationSignals::EndByReceived()
{
    const int number = g_lastSignal;
    if (number == 0)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(number, &action, nullptr);
    ::raise(number);
}

TerminationSignals& TerminationSignals::Instance()
{
    static TerminationSignals* instance = new TerminationSignals;
    return *instance;
}

TerminationSignals::TerminationSignals()
{
    if (!ensurePipe())
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        if (Take())
            emit received();
    });
}

}  // namespace platform
