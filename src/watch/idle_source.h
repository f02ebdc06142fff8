#pragma once
// Where the watcher learns how long the user has left the machine alone: whichever the
// desktop offers, chosen once at start.

#include <QObject>

#include <chrono>
#include <memory>
#include <string>

namespace watch {

// Says when the user has been idle for the threshold, and after that when they come back:
// idled, resumed, idled... one of each per idle period.
class IdleSource : public QObject {
    Q_OBJECT
public:
    ~IdleSource() override = default;
    // What the log names it by.
    virtual std::string Name() const = 0;
    // Watches for periods of `threshold` idleness, counted from the user's last input;
    // replaces any earlier threshold. A period already under way counts.
    virtual void Arm(std::chrono::milliseconds threshold) = 0;

signals:
    void idled();
    void resumed();
};

// The first that answers of: GNOME's idle monitor (org.gnome.Mutter.IdleMonitor on the
// session bus), the Wayland compositor's idle protocols in a Wayland session, and the X
// server's MIT-SCREEN-SAVER extension in an X11 one. nullptr, with the reason in `why`,
// when the desktop offers none.
std::unique_ptr<IdleSource> ChooseIdleSource(std::string& why);

// How long to wait before asking an idle time again, when `idle` of `threshold` has
// passed: until the threshold could be reached, but never sooner than a second.
std::chrono::milliseconds NextPoll(std::chrono::milliseconds idle, std::chrono::milliseconds threshold);

}  // namespace watch
