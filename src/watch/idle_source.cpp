#include "idle_source.h"

#include "desktop.h"
#include "session_bus.h"
#include "wayland_idle.h"

#include "platform/host_config.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
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
// The watches are asked for without waiting on the answer: a shell that has just started,
// or a busy machine, may answer late, and a watch whose answer came too late for a bounded
// wait would be lost for the rest of the session.
class MutterIdleSource : public IdleSource {
    Q_OBJECT
public:
    static inline const QString kService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
    static inline const QString kPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");

    MutterIdleSource() : shell_(kService, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForRegistration)
    {
        // A shell that restarts has forgotten the watches: they are asked again.
        connect(&shell_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            ++shellStarts_;
            idleWatch_.id = activeWatch_.id = 0;
            if (threshold_.count() > 0)
                Arm(threshold_);
            // The user, away when the shell went, is still to come back.
            if (awaitingReturn_)
                askReturn();
        });
        QDBusConnection::sessionBus().connect(kService, kPath, kService, QStringLiteral("WatchFired"), this,
                                              SLOT(onFired(uint)));
    }
    std::string Name() const override { return kService.toStdString(); }
    void Arm(milliseconds threshold) override
    {
        threshold_ = threshold;
        drop(idleWatch_);
        ask(idleWatch_, QStringLiteral("AddIdleWatch"), {quint64(std::max<long long>(threshold.count(), 1))});
    }

private slots:
    void onFired(uint id)
    {
        if (id != 0 && id == idleWatch_.id) {
            awaitingReturn_ = true;
            askReturn();
            emit idled();
        } else if (id != 0 && id == activeWatch_.id) {
            awaitingReturn_ = false;
            activeWatch_.id = 0;
            emit resumed();
        }
    }

private:
    struct Watch {
        uint id = 0;
        unsigned asked = 0;  // the question whose answer it waits for, counted over its life
    };

    // The answer lands in `watch` unless the watch was asked again or dropped since; a
    // stale answer's watch is given back to the shell that gave it, never to a newer one.
    // A watch the shell failed to give is asked again a little later (without the one for
    // the user's return, a show ended by its duration would be the last); one lost for
    // want of a shell is asked when a shell comes.
    void ask(Watch& watch, const QString& method, const QList<QVariant>& arguments = {})
    {
        const unsigned mine = ++watch.asked;
        const unsigned shell = shellStarts_;
        const bool idle = &watch == &idleWatch_;
        const auto current = [this, mine, shell, idle] {
            return shell == shellStarts_ && mine == (idle ? idleWatch_ : activeWatch_).asked;
        };
        auto* pending = new QDBusPendingCallWatcher(Ask(kService, kPath, kService, method, arguments), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this,
                [this, pending, idle, current, method, arguments] {
                    pending->deleteLater();
                    const QDBusPendingReply<uint> reply = *pending;
                    if (!current()) {
                        // To the shell that gave it (its own name on the bus), never another.
                        if (reply.isValid() && reply.value())
                            Send(reply.reply().service(), kPath, kService, QStringLiteral("RemoveWatch"),
                                 {reply.value()});
                    } else if (reply.isValid()) {
                        (idle ? idleWatch_ : activeWatch_).id = reply.value();
                    } else if (worthAskingAgain(reply.error().type())) {
                        QTimer::singleShot(kRetry, this, [this, idle, current, method, arguments] {
                            if (current())
                                ask(idle ? idleWatch_ : activeWatch_, method, arguments);
                        });
                    }
                });
    }
    void askReturn()
    {
        drop(activeWatch_);
        ask(activeWatch_, QStringLiteral("AddUserActiveWatch"));
    }
    // A shell busy or restarting may answer the next time; one that refuses (no such
    // method, access denied) would refuse again.
    static bool worthAskingAgain(QDBusError::ErrorType error)
    {
        return error == QDBusError::NoReply || error == QDBusError::Timeout || error == QDBusError::TimedOut ||
               error == QDBusError::Disconnected || error == QDBusError::UnknownObject || error == QDBusError::Failed;
    }
    void drop(Watch& watch)
    {
        if (watch.id)
            Send(kService, kPath, kService, QStringLiteral("RemoveWatch"), {watch.id});
        watch.id = 0;
        ++watch.asked;  // an answer still on its way is stale
    }

    static constexpr milliseconds kRetry{5000};
    QDBusServiceWatcher shell_;
    milliseconds threshold_{0};
    unsigned shellStarts_ = 0;
    Watch idleWatch_;
    Watch activeWatch_;
    bool awaitingReturn_ = false;  // idle, the user not back yet
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
