#pragma once
// org.freedesktop.ScreenSaver, offered where the desktop has none (sway, plain X11), as
// browsers and video players expect: they hold inhibitors through it while a film plays,
// and the watcher starts no show while one is held.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>

#include <map>

namespace watch {

class ScreenSaverService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit ScreenSaverService(QDBusConnection bus);
    ~ScreenSaverService() override;
    // Takes the name and both paths the callers use; false when another program has it.
    bool Register();
    bool Inhibited() const { return !inhibitors_.empty(); }
    // Whether a show runs, for GetActive and ActiveChanged.
    void SetActive(bool active);

public slots:
    Q_SCRIPTABLE uint Inhibit(const QString& application, const QString& reason);
    Q_SCRIPTABLE void UnInhibit(uint cookie);
    Q_SCRIPTABLE bool GetActive() const { return active_; }

signals:
    Q_SCRIPTABLE void ActiveChanged(bool active);
    // Not on the bus: the first inhibitor came, or the last went.
    void inhibitedChanged(bool inhibited);

private:
    struct Inhibitor {
        QString owner;  // the caller's unique bus name: the inhibitor ends when it leaves
        QString application;
        QString reason;
    };
    void ownerLeft(const QString& owner);

    QDBusConnection bus_;
    QDBusServiceWatcher owners_;
    std::map<uint, Inhibitor> inhibitors_;
    uint nextCookie_ = 1;
    bool active_ = false;
    bool registered_ = false;
};

}  // namespace watch
