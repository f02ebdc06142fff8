#include "desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace watch {

namespace {

const QString kFreedesktop = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kGnomeSession = QStringLiteral("org.gnome.SessionManager");
constexpr uint kInhibitIdle = 8;

bool onSessionBus(const QString& name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(name);
}

// The freedesktop service when another program offers it, not this one.
bool othersFreedesktop()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(kFreedesktop);
    return owner.isValid() && owner.value() != bus.baseService();
}

bool x11Session()
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    return !(wayland && *wayland) && x11 && *x11;
}

bool processRuns(const std::string& name)
{
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!entry.front().isDigit())
            continue;
        std::ifstream comm("/proc/" + entry.toStdString() + "/comm");
        std::string line;
        if (std::getline(comm, line) && line == name)
            return true;
    }
    return false;
}

}  // namespace

std::string OtherScreenSaver()
{
    if (x11Session()) {
        if (Display* display = XOpenDisplay(nullptr)) {
            // XScreenSaver's daemon marks the root window with its version.
            const Atom version = XInternAtom(display, "_SCREENSAVER_VERSION", True);
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            const bool marked = version != None &&
                                XGetWindowProperty(display, DefaultRootWindow(display), version, 0, 16, False,
                                                   XA_STRING, &type, &format, &count, &after, &data) == Success &&
                                type != None;
            if (data)
                XFree(data);
            XCloseDisplay(display);
            if (marked)
                return "XScreenSaver";
        }
    }
    for (const char* name : {"xscreensaver", "xsecurelock"})
        if (processRuns(name))
            return name;
    return {};
}

bool DesktopInhibited()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (onSessionBus(kGnomeSession)) {
        QDBusInterface manager(kGnomeSession, QStringLiteral("/org/gnome/SessionManager"), kGnomeSession, bus);
        const QDBusReply<bool> inhibited = manager.call(QStringLiteral("IsInhibited"), kInhibitIdle);
        if (inhibited.isValid() && inhibited.value())
            return true;
    }
    if (othersFreedesktop()) {
        QDBusInterface service(kFreedesktop, QStringLiteral("/org/freedesktop/ScreenSaver"), kFreedesktop, bus);
        const QDBusReply<bool> inhibited = service.call(QStringLiteral("HasInhibit"));
        if (inhibited.isValid() && inhibited.value())
            return true;
    }
    return false;
}

struct BlankInhibit::Held {
    uint gnomeCookie = 0;
    uint freedesktopCookie = 0;
    Display* display = nullptr;
};

BlankInhibit::BlankInhibit() : held_(std::make_unique<Held>())
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString why = QStringLiteral("diaporama en cours");
    if (bus.isConnected() && onSessionBus(kGnomeSession)) {
        QDBusInterface manager(kGnomeSession, QStringLiteral("/org/gnome/SessionManager"), kGnomeSession, bus);
        const QDBusReply<uint> cookie =
            manager.call(QStringLiteral("Inhibit"), QStringLiteral("lumivane"), uint(0), why, kInhibitIdle);
        if (cookie.isValid())
            held_->gnomeCookie = cookie.value();
    }
    if (bus.isConnected() && othersFreedesktop()) {
        QDBusInterface service(kFreedesktop, QStringLiteral("/org/freedesktop/ScreenSaver"), kFreedesktop, bus);
        const QDBusReply<uint> cookie = service.call(QStringLiteral("Inhibit"), QStringLiteral("lumivane"), why);
        if (cookie.isValid())
            held_->freedesktopCookie = cookie.value();
    }
    if (x11Session() && (held_->display = XOpenDisplay(nullptr)) != nullptr) {
        XScreenSaverSuspend(held_->display, True);
        XFlush(held_->display);
    }
}

BlankInhibit::~BlankInhibit()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (held_->gnomeCookie) {
        QDBusInterface manager(kGnomeSession, QStringLiteral("/org/gnome/SessionManager"), kGnomeSession, bus);
        manager.call(QStringLiteral("Uninhibit"), held_->gnomeCookie);
    }
    if (held_->freedesktopCookie) {
        QDBusInterface service(kFreedesktop, QStringLiteral("/org/freedesktop/ScreenSaver"), kFreedesktop, bus);
        service.call(QStringLiteral("UnInhibit"), held_->freedesktopCookie);
    }
    if (held_->display) {
        XScreenSaverSuspend(held_->display, False);
        XCloseDisplay(held_->display);
    }
}

std::string LockSession()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString gnome = QStringLiteral("org.gnome.ScreenSaver");
    if (bus.isConnected() && onSessionBus(gnome)) {
        QDBusInterface saver(gnome, QStringLiteral("/org/gnome/ScreenSaver"), gnome, bus);
        if (saver.call(QStringLiteral("Lock")).type() != QDBusMessage::ErrorMessage)
            return "org.gnome.ScreenSaver.Lock";
    }
    if (bus.isConnected() && othersFreedesktop()) {
        QDBusInterface saver(kFreedesktop, QStringLiteral("/org/freedesktop/ScreenSaver"), kFreedesktop, bus);
        if (saver.call(QStringLiteral("Lock")).type() != QDBusMessage::ErrorMessage)
            return "org.freedesktop.ScreenSaver.Lock";
    }
    const char* session = std::getenv("XDG_SESSION_ID");
    const QString loginctl = QStandardPaths::findExecutable(QStringLiteral("loginctl"));
    if (session && *session && !loginctl.isEmpty()) {
        QProcess lock;
        lock.start(loginctl, {QStringLiteral("lock-session"), QString::fromUtf8(session)});
        if (lock.waitForFinished(5000) && lock.exitStatus() == QProcess::NormalExit && lock.exitCode() == 0)
            return "loginctl lock-session";
    }
    return {};
}

int DesktopBlankSeconds(std::string& source)
{
    const QString desktop = QString::fromUtf8(std::getenv("XDG_CURRENT_DESKTOP") ? std::getenv("XDG_CURRENT_DESKTOP") : "");
    if (desktop.contains(QStringLiteral("GNOME"))) {
        // "uint32 300"
        QProcess gsettings;
        gsettings.start(QStringLiteral("gsettings"),
                        {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.session"), QStringLiteral("idle-delay")});
        if (gsettings.waitForFinished(3000) && gsettings.exitCode() == 0) {
            const QString answer = QString::fromUtf8(gsettings.readAllStandardOutput()).trimmed();
            bool ok = false;
            const int seconds = answer.section(QLatin1Char(' '), -1).toInt(&ok);
            if (ok) {
                source = "org.gnome.desktop.session idle-delay";
                return seconds;
            }
        }
    }
    if (desktop.contains(QStringLiteral("KDE"))) {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                               QStringLiteral("/kscreenlockerrc");
        const QSettings locker(config, QSettings::IniFormat);
        source = "kscreenlockerrc [Daemon] Timeout";
        return locker.value(QStringLiteral("Daemon/Timeout"), 5).toInt() * 60;
    }
    if (x11Session()) {
        if (Display* display = XOpenDisplay(nullptr)) {
            int timeout = 0, interval = 0, blanking = 0, exposures = 0;
            XGetScreenSaver(display, &timeout, &interval, &blanking, &exposures);
            XCloseDisplay(display);
            source = "le délai d'économiseur du serveur X (xset q)";
            return std::max(timeout, 0);
        }
    }
    return 0;
}

int DefaultDelaySeconds(int desktopBlankSeconds)
{
    if (desktopBlankSeconds <= 0)
        return 600;
    return std::max(desktopBlankSeconds - 60, desktopBlankSeconds / 2);
}

}  // namespace watch
