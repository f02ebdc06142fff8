#include "desktop.h"
#include "session_bus.h"

#include "platform/host_config.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
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

#include <sys/stat.h>
#include <unistd.h>

namespace watch {

namespace {

const QString kFreedesktop = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kGnomeSession = QStringLiteral("org.gnome.SessionManager");
constexpr uint kInhibitIdle = 8;

template <class T>
bool answered(const QDBusMessage& reply, T& value)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        !reply.arguments().front().canConvert<T>())
        return false;
    value = reply.arguments().front().value<T>();
    return true;
}

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

// A process of this user by that name: another user's processes, which anyone can name
// as they like, say nothing of this session.
bool processRuns(const std::string& name)
{
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!entry.front().isDigit())
            continue;
        const std::string folder = "/proc/" + entry.toStdString();
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || info.st_uid != ::getuid())
            continue;
        std::ifstream comm(folder + "/comm");
        std::string line;
        if (std::getline(comm, line) && line == name)
            return true;
    }
    return false;
}

}  // namespace

bool WaylandSession() { return !platform::EnvValue("WAYLAND_DISPLAY").empty(); }
bool X11Session() { return !WaylandSession() && !platform::EnvValue("DISPLAY").empty(); }

std::string OtherScreenSaver()
{
    if (X11Session()) {
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
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    bool inhibited = false;
    if (onSessionBus(kGnomeSession) &&
        answered(CallWithin(kGnomeSession, QStringLiteral("/org/gnome/SessionManager"), kGnomeSession,
                            QStringLiteral("IsInhibited"), {kInhibitIdle}),
                 inhibited) &&
        inhibited)
        return true;
    // KDE passes the inhibitors of its org.freedesktop.ScreenSaver on to its power
    // manager's agent, as screen settings not to change (4) or a session not to interrupt (1).
    const QString agent = QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent");
    if (onSessionBus(agent) && answered(CallWithin(agent, QStringLiteral("/org/kde/Solid/PowerManagement/PolicyAgent"),
                                                   agent, QStringLiteral("HasInhibition"), {uint(4 | 1)}),
                                        inhibited) &&
        inhibited)
        return true;
    // Xfce counts the inhibitors of its org.freedesktop.ScreenSaver here.
    const QString power = QStringLiteral("org.freedesktop.PowerManagement.Inhibit");
    if (onSessionBus(power) && answered(CallWithin(power, QStringLiteral("/org/freedesktop/PowerManagement/Inhibit"),
                                                   power, QStringLiteral("HasInhibit")),
                                        inhibited) &&
        inhibited)
        return true;
    return false;
}

struct BlankInhibit::Held {
    uint gnomeCookie = 0;
    uint freedesktopCookie = 0;
    Display* display = nullptr;
};

BlankInhibit::BlankInhibit() : held_(std::make_unique<Held>())
{
    const QString why = QStringLiteral("diaporama en cours");
    if (QDBusConnection::sessionBus().isConnected()) {
        if (onSessionBus(kGnomeSession))
            answered(CallWithin(kGnomeSession, QStringLiteral("/org/gnome/SessionManager"), kGnomeSession,
                                QStringLiteral("Inhibit"), {QStringLiteral("lumivane"), uint(0), why, kInhibitIdle}),
                     held_->gnomeCookie);
        if (othersFreedesktop())
            answered(CallWithin(kFreedesktop, QStringLiteral("/org/freedesktop/ScreenSaver"), kFreedesktop,
                                QStringLiteral("Inhibit"), {QStringLiteral("lumivane"), why}),
                     held_->freedesktopCookie);
    }
    if (X11Session() && (held_->display = XOpenDisplay(nullptr)) != nullptr) {
        XScreenSaverSuspend(held_->display, True);
        XFlush(held_->display);
    }
}

BlankInhibit::~BlankInhibit()
{
    if (held_->gnomeCookie)
        Send(kGnomeSession, QStringLiteral("/org/gnome/SessionManager"), kGnomeSession, QStringLiteral("Uninhibit"),
             {held_->gnomeCookie});
    if (held_->freedesktopCookie)
        Send(kFreedesktop, QStringLiteral("/org/freedesktop/ScreenSaver"), kFreedesktop, QStringLiteral("UnInhibit"),
             {held_->freedesktopCookie});
    if (held_->display) {
        XScreenSaverSuspend(held_->display, False);
        XCloseDisplay(held_->display);
    }
}

bool LeaveOverview()
{
    const QString shell = QStringLiteral("org.gnome.Shell");
    const QString path = QStringLiteral("/org/gnome/Shell");
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    if (!onSessionBus(shell))
        return false;
    QDBusVariant open;
    if (!answered(CallWithin(shell, path, properties, QStringLiteral("Get"), {shell, QStringLiteral("OverviewActive")}),
                  open) ||
        !open.variant().toBool())
        return false;
    // Answered before the overview has gone: its closing animation runs meanwhile, and the
    // show's window, a moment later, opens on the desktop.
    CallWithin(shell, path, properties, QStringLiteral("Set"),
               {shell, QStringLiteral("OverviewActive"), QVariant::fromValue(QDBusVariant(false))});
    return true;
}

std::string LockSession()
{
    const QString gnome = QStringLiteral("org.gnome.ScreenSaver");
    if (QDBusConnection::sessionBus().isConnected()) {
        if (onSessionBus(gnome) &&
            CallWithin(gnome, QStringLiteral("/org/gnome/ScreenSaver"), gnome, QStringLiteral("Lock")).type() ==
                QDBusMessage::ReplyMessage)
            return "org.gnome.ScreenSaver.Lock";
        if (othersFreedesktop() && CallWithin(kFreedesktop, QStringLiteral("/org/freedesktop/ScreenSaver"),
                                              kFreedesktop, QStringLiteral("Lock"))
                                           .type() == QDBusMessage::ReplyMessage)
            return "org.freedesktop.ScreenSaver.Lock";
    }
    const char* session = std::getenv("XDG_SESSION_ID");
    const QString loginctl = QStandardPaths::findExecutable(QStringLiteral("loginctl"));
    if (session && *session && !loginctl.isEmpty()) {
        QProcess lock;
        lock.start(loginctl, {QStringLiteral("lock-session"), QString::fromUtf8(session)});
        // logind only passes the request on: whether a locker listens, it cannot say.
        if (lock.waitForFinished(5000) && lock.exitStatus() == QProcess::NormalExit && lock.exitCode() == 0)
            return "loginctl lock-session (demandé à logind)";
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
    if (X11Session()) {
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
