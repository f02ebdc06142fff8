// What a headless test needs of GNOME's and KDE's compositors, through their D-Bus services:
//   compositor_client kwin-shot FILE   KWin's picture of the whole workspace, saved as PNG
//   compositor_client mutter           a remote-desktop session of mutter's, with a screen
//                                      cast of its first monitor linked to it; says
//                                      "node N" (the cast's PipeWire node) and "ready", then
//                                      sends the lines of its standard input as input:
//                                        key      the key "a", pressed and released
//                                        move DX DY  a relative pointer motion
//                                        click    the left button, pressed and released
//                                      and says "done" after each.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QImage>
#include <QSocketNotifier>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

int KWinShot(const QString& file)
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return 1;
    QDBusInterface shot(QStringLiteral("org.kde.KWin.ScreenShot2"), QStringLiteral("/org/kde/KWin/ScreenShot2"),
                        QStringLiteral("org.kde.KWin.ScreenShot2"));
    // KWin writes the pixels from a thread of its own once it has answered.
    const QDBusReply<QVariantMap> reply =
        shot.call(QStringLiteral("CaptureWorkspace"), QVariantMap{{QStringLiteral("native-resolution"), true}},
                  QVariant::fromValue(QDBusUnixFileDescriptor(pipe[1])));
    ::close(pipe[1]);
    if (!reply.isValid()) {
        std::fprintf(stderr, "CaptureWorkspace: %s\n", qPrintable(reply.error().message()));
        return 1;
    }
    QByteArray data;
    char buffer[65536];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        data.append(buffer, n);
    ::close(pipe[0]);
    const QVariantMap info = reply.value();
    const int width = info.value(QStringLiteral("width")).toInt();
    const int height = info.value(QStringLiteral("height")).toInt();
    const int stride = info.value(QStringLiteral("stride")).toInt();
    const auto format = QImage::Format(info.value(QStringLiteral("format")).toInt());
    if (width <= 0 || height <= 0 || data.size() < qsizetype(stride) * height) {
        std::fprintf(stderr, "CaptureWorkspace: %d x %d, %lld bytes\n", width, height, qlonglong(data.size()));
        return 1;
    }
    const QImage image(reinterpret_cast<const uchar*>(data.constData()), width, height, stride, format);
    return image.save(file, "PNG") ? 0 : 1;
}

class Mutter : public QObject {
    Q_OBJECT
public:
    bool start()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QDBusInterface desktop(QStringLiteral("org.gnome.Mutter.RemoteDesktop"),
                               QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                               QStringLiteral("org.gnome.Mutter.RemoteDesktop"), bus);
        // A shell still starting on a busy machine may hold its answers longer than the
        // bus's 25 s: the script's own deadline bounds the wait.
        constexpr int kBusyShellMs = 100000;
        desktop.setTimeout(kBusyShellMs);
        const QDBusReply<QDBusObjectPath> session = desktop.call(QStringLiteral("CreateSession"));
        if (!session.isValid())
            return fail("RemoteDesktop.CreateSession", session.error());
        session_ = std::make_unique<QDBusInterface>(QStringLiteral("org.gnome.Mutter.RemoteDesktop"),
                                                    session.value().path(),
                                                    QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), bus);
        session_->setTimeout(kBusyShellMs);
        const QString id = session_->property("SessionId").toString();
        QDBusInterface cast(QStringLiteral("org.gnome.Mutter.ScreenCast"), QStringLiteral("/org/gnome/Mutter/ScreenCast"),
                            QStringLiteral("org.gnome.Mutter.ScreenCast"), bus);
        cast.setTimeout(kBusyShellMs);
        const QDBusReply<QDBusObjectPath> castSession =
            cast.call(QStringLiteral("CreateSession"), QVariantMap{{QStringLiteral("remote-desktop-session-id"), id}});
        if (!castSession.isValid())
            return fail("ScreenCast.CreateSession", castSession.error());
        QDBusInterface recorder(QStringLiteral("org.gnome.Mutter.ScreenCast"), castSession.value().path(),
                                QStringLiteral("org.gnome.Mutter.ScreenCast.Session"), bus);
        recorder.setTimeout(kBusyShellMs);
        // The first monitor, whatever its connector is called; the pointer's moves are
        // only relative, so the cursor needs not be in the picture.
        const QDBusReply<QDBusObjectPath> stream = recorder.call(
            QStringLiteral("RecordMonitor"), QString(), QVariantMap{{QStringLiteral("cursor-mode"), 0u}});
        if (!stream.isValid())
            return fail("ScreenCast.RecordMonitor", stream.error());
        bus.connect(QStringLiteral("org.gnome.Mutter.ScreenCast"), stream.value().path(),
                    QStringLiteral("org.gnome.Mutter.ScreenCast.Stream"), QStringLiteral("PipeWireStreamAdded"), this,
                    SLOT(streamAdded(uint)));
        const QDBusMessage started = session_->call(QStringLiteral("Start"));
        if (started.type() == QDBusMessage::ErrorMessage)
            return fail("RemoteDesktop.Session.Start", QDBusError(started));
        return true;
    }

    void send(const QByteArray& line)
    {
        double dx = 0, dy = 0;
        QDBusMessage answer;
        if (line.startsWith("key")) {
            answer = session_->call(QStringLiteral("NotifyKeyboardKeysym"), 0x61u, true);
            if (answer.type() != QDBusMessage::ErrorMessage)
                answer = session_->call(QStringLiteral("NotifyKeyboardKeysym"), 0x61u, false);
        } else if (std::sscanf(line.constData(), "move %lf %lf", &dx, &dy) == 2) {
            answer = session_->call(QStringLiteral("NotifyPointerMotionRelative"), dx, dy);
        } else if (line.startsWith("click")) {
            const int left = 0x110;  // BTN_LEFT
            answer = session_->call(QStringLiteral("NotifyPointerButton"), left, true);
            if (answer.type() != QDBusMessage::ErrorMessage)
                answer = session_->call(QStringLiteral("NotifyPointerButton"), left, false);
        } else {
            std::fprintf(stderr, "compositor_client: cannot send \"%s\"\n", line.constData());
            return;
        }
        if (answer.type() == QDBusMessage::ErrorMessage)
            std::fprintf(stderr, "compositor_client: %s\n", qPrintable(answer.errorMessage()));
        std::printf("done\n");
        std::fflush(stdout);
    }

public slots:
    void streamAdded(uint node)
    {
        std::printf("node %u\nready\n", node);
        std::fflush(stdout);
    }

private:
    bool fail(const char* call, const QDBusError& error)
    {
        std::fprintf(stderr, "%s: %s\n", call, qPrintable(error.message()));
        return false;
    }
    std::unique_ptr<QDBusInterface> session_;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromUtf8(argv[1]) : QString();
    if (mode == "kwin-shot" && argc > 2)
        return KWinShot(QString::fromUtf8(argv[2]));
    if (mode != "mutter") {
        std::fprintf(stderr, "usage: compositor_client kwin-shot FILE | mutter\n");
        return 2;
    }
    Mutter mutter;
    if (!mutter.start())
        return 1;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            mutter.send(pending.left(end));
    });
    return app.exec();
}

#include "compositor_client.moc"
