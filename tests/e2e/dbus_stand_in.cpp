// Stand-ins for the programs the idle watcher meets on the session bus:
//   dbus_stand_in inhibit          holds an org.freedesktop.ScreenSaver inhibitor, as a film
//                                  player does, until its standard input closes
//   dbus_stand_in desktop LOGFILE  offers org.freedesktop.ScreenSaver as a desktop does,
//                                  writing each call it gets (Inhibit, UnInhibit, Lock) to LOGFILE
//   dbus_stand_in kde-film         KDE's power manager while a film plays: the desktop has
//                                  passed the film's inhibitor on to it, and it says so
//   dbus_stand_in gnome LOGFILE [MS]
//                                  offers what GNOME's shell and session offer: the idle monitor,
//                                  whose watches fire when its standard input says "idle" or
//                                  "active", the session manager's idle inhibition, and the
//                                  shell's lock; each call goes to LOGFILE. With MS, as a shell
//                                  busy starting, it answers AddIdleWatch that much later, and
//                                  logs "answered AddIdleWatch" then
// Each says "ready" on its standard output once it holds what it stands for.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

class Desktop : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit Desktop(const QString& log) : log_(log) { log_.open(QIODevice::Append | QIODevice::Text); }

public slots:
    Q_SCRIPTABLE uint Inhibit(const QString& application, const QString&)
    {
        write("Inhibit " + application);
        return ++cookies_;
    }
    Q_SCRIPTABLE void UnInhibit(uint cookie) { write("UnInhibit " + QString::number(cookie)); }
    Q_SCRIPTABLE bool HasInhibit() { return false; }
    Q_SCRIPTABLE void Lock() { write("Lock"); }

private:
    void write(const QString& line)
    {
        log_.write((line + "\n").toUtf8());
        log_.flush();
    }
    QFile log_;
    uint cookies_ = 0;
};

// One D-Bus object per interface, as GNOME has them; all write to the same log.
class Log {
public:
    explicit Log(const QString& path) : file_(path) { file_.open(QIODevice::Append | QIODevice::Text); }
    void write(const QString& line)
    {
        file_.write((line + "\n").toUtf8());
        file_.flush();
    }

private:
    QFile file_;
};

// What GNOME's objects share: the log their calls go to.
class Recorder : public QObject {
public:
    explicit Recorder(Log& log) : log_(log) {}

protected:
    Log& log_;
};

class IdleMonitor : public Recorder, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")
public:
    IdleMonitor(Log& log, int answerDelay) : Recorder(log), answerDelay_(answerDelay) {}
    // What the shell does when the user has been idle that long, or comes back.
    void idle()
    {
        for (const auto& [id, interval] : idleWatches_)
            emit WatchFired(id);
    }
    void active()
    {
        const auto fired = std::exchange(activeWatches_, {});
        for (uint id : fired)
            emit WatchFired(id);
    }

public slots:
    Q_SCRIPTABLE uint AddIdleWatch(qulonglong interval)
    {
        log_.write("AddIdleWatch " + QString::number(interval));
        const uint id = ++next_;
        if (answerDelay_ <= 0) {
            idleWatches_[id] = interval;
            return id;
        }
        // A watch fires only once its id has been given, as the shell's do.
        setDelayedReply(true);
        QTimer::singleShot(answerDelay_, this, [this, id, interval, bus = connection(),
                                            reply = message().createReply(id)]() mutable {
            idleWatches_[id] = interval;
            bus.send(reply);
            log_.write("answered AddIdleWatch");
        });
        return 0;
    }
    Q_SCRIPTABLE uint AddUserActiveWatch()
    {
        activeWatches_.push_back(++next_);
        return next_;
    }
    Q_SCRIPTABLE void RemoveWatch(uint id)
    {
        idleWatches_.erase(id);
        std::erase(activeWatches_, id);
    }

signals:
    Q_SCRIPTABLE void WatchFired(uint id);

private:
    std::map<uint, qulonglong> idleWatches_;
    std::vector<uint> activeWatches_;
    uint next_ = 0;
    int answerDelay_;
};

class SessionManager : public Recorder {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
public:
    using Recorder::Recorder;

public slots:
    Q_SCRIPTABLE uint Inhibit(const QString& application, uint, const QString&, uint flags)
    {
        log_.write("Inhibit " + application + " " + QString::number(flags));
        return ++cookies_;
    }
    Q_SCRIPTABLE void Uninhibit(uint cookie) { log_.write("Uninhibit " + QString::number(cookie)); }
    Q_SCRIPTABLE bool IsInhibited(uint) { return false; }

private:
    uint cookies_ = 0;
};

class ShellLock : public Recorder {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.ScreenSaver")
public:
    using Recorder::Recorder;

public slots:
    Q_SCRIPTABLE void Lock() { log_.write("Lock"); }
};

// KDE's desktop passes the inhibitors of its org.freedesktop.ScreenSaver on to this agent,
// as screen settings not to change (4).
class PowerAgent : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.Solid.PowerManagement.PolicyAgent")
public slots:
    Q_SCRIPTABLE bool HasInhibition(uint types) { return (types & 4) != 0; }
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = QStringLiteral("org.freedesktop.ScreenSaver");
    const QString mode = argc > 1 ? QString::fromUtf8(argv[1]) : QString();
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<Log> log;
    std::unique_ptr<IdleMonitor> monitor;
    std::unique_ptr<SessionManager> session;
    std::unique_ptr<ShellLock> shell;
    std::unique_ptr<PowerAgent> agent;
    if (mode == "gnome" && argc > 2) {
        log = std::make_unique<Log>(QString::fromUtf8(argv[2]));
        monitor = std::make_unique<IdleMonitor>(*log, argc > 3 ? std::atoi(argv[3]) : 0);
        session = std::make_unique<SessionManager>(*log);
        shell = std::make_unique<ShellLock>(*log);
        const auto exported = QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals;
        if (!bus.registerObject(QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"), monitor.get(), exported) ||
            !bus.registerObject(QStringLiteral("/org/gnome/SessionManager"), session.get(), exported) ||
            !bus.registerObject(QStringLiteral("/org/gnome/ScreenSaver"), shell.get(), exported) ||
            !bus.registerService(QStringLiteral("org.gnome.Mutter.IdleMonitor")) ||
            !bus.registerService(QStringLiteral("org.gnome.SessionManager")) ||
            !bus.registerService(QStringLiteral("org.gnome.ScreenSaver")))
            return 1;
    } else if (mode == "inhibit") {
        QDBusInterface saver(name, QStringLiteral("/org/freedesktop/ScreenSaver"), name, bus);
        const QDBusReply<uint> cookie = saver.call(QStringLiteral("Inhibit"), QStringLiteral("film"),
                                                   QStringLiteral("lecture d'une vidéo"));
        if (!cookie.isValid()) {
            std::fprintf(stderr, "Inhibit: %s\n", qPrintable(cookie.error().message()));
            return 1;
        }
    } else if (mode == "desktop" && argc > 2) {
        desktop = std::make_unique<Desktop>(QString::fromUtf8(argv[2]));
        if (!bus.registerService(name) ||
            !bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), desktop.get(),
                                QDBusConnection::ExportScriptableSlots))
            return 1;
    } else if (mode == "kde-film") {
        agent = std::make_unique<PowerAgent>();
        if (!bus.registerObject(QStringLiteral("/org/kde/Solid/PowerManagement/PolicyAgent"), agent.get(),
                                QDBusConnection::ExportScriptableSlots) ||
            !bus.registerService(QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent")))
            return 1;
    } else {
        std::fprintf(stderr, "usage: dbus_stand_in inhibit | desktop LOGFILE | kde-film | gnome LOGFILE [MS]\n");
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Held until the test closes our standard input; GNOME's stand-in reads its lines.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray line;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char c;
        if (::read(STDIN_FILENO, &c, 1) <= 0) {
            QCoreApplication::quit();
            return;
        }
        if (c != '\n') {
            line += c;
            return;
        }
        if (monitor && line == "idle")
            monitor->idle();
        else if (monitor && line == "active")
            monitor->active();
        line.clear();
    });
    return QCoreApplication::exec();
}

#include "dbus_stand_in.moc"
