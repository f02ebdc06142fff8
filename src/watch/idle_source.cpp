#include "idle_source.h"

#include "desktop.h"
#include "session_bus.h"
#include "wayland_idle.h"

#include "platform/host_config.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QTimer>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <cstdlib>

namespace watch {

using std::chrono::milliseconds;

std::chrono::milliseconds NextPoll(milliseconds idle, milliseconds threshold)
{
    return std::max(milliseconds(1000), threshold - idle);
}

namespace {

// GNOME: a watch that fires at every idle period, and a one-shot one for the next input.
class MutterIdleSource : public IdleSource {
    Q_OBJECT
public:
    static inline const QString kService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
    static inline const QString kPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");

    MutterIdleSource() : shell_(kService, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForRegistration)
    {
        // A shell that restarts has forgotten the watches: they are asked again.
        connect(&shell_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            idleWatch_ = activeWatch_ = 0;
            if (threshold_.count() > 0)
                Arm(threshold_);
        });
        QDBusConnection::sessionBus().connect(kService, kPath, kService, QStringLiteral("WatchFired"), this,
                                              SLOT(onFired(uint)));
    }
    std::string Name() const override { return kService.toStdString(); }
    void Arm(milliseconds threshold) override
    {
        threshold_ = threshold;
        drop(idleWatch_);
        const QDBusReply<uint> id =
            call(QStringLiteral("AddIdleWatch"), {quint64(std::max<long long>(threshold.count(), 1))});
        idleWatch_ = id.isValid() ? id.value() : 0;
    }

private slots:
    void onFired(uint id)
    {
        if (id != 0 && id == idleWatch_) {
            drop(activeWatch_);
            const QDBusReply<uint> active = call(QStringLiteral("AddUserActiveWatch"));
            activeWatch_ = active.isValid() ? active.value() : 0;
            emit idled();
        } else if (id != 0 && id == activeWatch_) {
            activeWatch_ = 0;
            emit resumed();
        }
    }

private:
    // A hung shell must not hold the watcher: two seconds at most.
    static QDBusMessage call(const QString& method, const QList<QVariant>& arguments = {})
    {
        return CallWithin(kService, kPath, kService, method, arguments);
    }
    void drop(uint& watch)
    {
        if (watch)
            Send(kService, kPath, kService, QStringLiteral("RemoveWatch"), {watch});
        watch = 0;
    }

    QDBusServiceWatcher shell_;
    milliseconds threshold_{0};
    uint idleWatch_ = 0;
    uint activeWatch_ = 0;
};

// X11: the server's idle time, asked no more than once a second.
class X11IdleSource : public IdleSource {
public:
    explicit X11IdleSource(Display* display) : display_(display), info_(XScreenSaverAllocInfo())
    {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    }
    ~X11IdleSource() override
    {
        XFree(info_);
        XCloseDisplay(display_);
    }
    std::string Name() const override { return "MIT-SCREEN-SAVER"; }
    void Arm(milliseconds threshold) override
    {
        threshold_ = threshold;
        poll();
    }

private:
    void poll()
    {
        milliseconds now{0};
        if (XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_))
            now = milliseconds(info_->idle);
        if (idle_) {
            // Until the idle time falls back, the period goes on.
            if (now >= lastIdle_) {
                lastIdle_ = now;
                timer_.start(milliseconds(1000));
                return;
            }
            idle_ = false;
            emit resumed();
        }
        if (now >= threshold_) {
            idle_ = true;
            lastIdle_ = now;
            emit idled();
            timer_.start(milliseconds(1000));
            return;
        }
        timer_.start(NextPoll(now, threshold_));
    }

    Display* display_;
    XScreenSaverInfo* info_;
    QTimer timer_;
    milliseconds threshold_{0};
    milliseconds lastIdle_{0};
    bool idle_ = false;
};

}  // namespace

std::unique_ptr<IdleSource> ChooseIdleSource(std::string& why)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()->isServiceRegistered(MutterIdleSource::kService)) {
        return std::make_unique<MutterIdleSource>();
    }
    if (WaylandSession())
        return WaylandIdleSource(why);
    if (X11Session()) {
        if (Display* display = XOpenDisplay(nullptr)) {
            int event = 0, error = 0;
            if (XScreenSaverQueryExtension(display, &event, &error))
                return std::make_unique<X11IdleSource>(display);
            XCloseDisplay(display);
            why = "le serveur X n'a pas l'extension MIT-SCREEN-SAVER";
            return nullptr;
        }
        why = "le serveur X " + platform::EnvValue("DISPLAY") + " ne répond pas";
        return nullptr;
    }
    why = "ni session graphique (DISPLAY, WAYLAND_DISPLAY) ni org.gnome.Mutter.IdleMonitor";
    return nullptr;
}

}  // namespace watch

#include "idle_source.moc"
