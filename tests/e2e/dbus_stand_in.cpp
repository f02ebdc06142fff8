// Stand-ins for the programs the idle watcher meets on the session bus:
//   dbus_stand_in inhibit          holds an org.freedesktop.ScreenSaver inhibitor, as a film
//                                  player does, until its standard input closes
//   dbus_stand_in desktop LOGFILE  offers org.freedesktop.ScreenSaver as a desktop does,
//                                  writing each call it gets (Inhibit, UnInhibit, Lock) to LOGFILE
// Each says "ready" on its standard output once it holds what it stands for.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFile>
#include <QSocketNotifier>

#include <cstdio>
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

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = QStringLiteral("org.freedesktop.ScreenSaver");
    const QString mode = argc > 1 ? QString::fromUtf8(argv[1]) : QString();
    std::unique_ptr<Desktop> desktop;
    if (mode == "inhibit") {
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
    } else {
        std::fprintf(stderr, "usage: dbus_stand_in inhibit | desktop LOGFILE\n");
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Held until the test closes our standard input.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char c;
        if (::read(STDIN_FILENO, &c, 1) <= 0)
            QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}

#include "dbus_stand_in.moc"
