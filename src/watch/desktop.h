#pragma once
// What the watcher asks of the desktop around a show: whether something keeps it awake or
// already holds its screen saver, its own blanking (kept off while the show runs, and read
// for the default delay), and its lock.

#include <memory>
#include <string>

namespace watch {

// The session's kind, from its environment: Wayland when WAYLAND_DISPLAY is set (an X
// server there, XWayland, sees only its own clients), else X11 when DISPLAY is.
bool WaylandSession();
bool X11Session();

// The screen saver that holds this desktop already (XScreenSaver's daemon, xsecurelock),
// or empty.
std::string OtherScreenSaver();

// Whether an application keeps the desktop awake through the desktop's own service:
// GNOME's session manager (an idle inhibition, flag 8), KDE's power manager (whose agent
// gets the inhibitors of KDE's org.freedesktop.ScreenSaver), or the
// org.freedesktop.PowerManagement.Inhibit of Xfce (HasInhibit).
bool DesktopInhibited();

// Keeps the desktop from blanking while it lives: an idle inhibition of GNOME's session
// manager or of another program's org.freedesktop.ScreenSaver, and on X11 the server's
// own screen saver suspended.
class BlankInhibit {
public:
    BlankInhibit();
    ~BlankInhibit();
    BlankInhibit(const BlankInhibit&) = delete;
    BlankInhibit& operator=(const BlankInhibit&) = delete;

private:
    struct Held;
    std::unique_ptr<Held> held_;
};

// Closes GNOME's Activities overview if it is open: a window shown there is only a
// thumbnail, and the keys go to its search. True when it was open.
bool LeaveOverview();

// Asks the session to lock; gives how, or empty when this desktop offers no lock.
std::string LockSession();

// The desktop's own blanking delay in seconds (0 when it cannot be read or is off), and in
// `source` where it was read.
int DesktopBlankSeconds(std::string& source);

// The delay the watcher uses when the setting leaves it to the desktop: a minute before
// the desktop blanks (at least half its delay), or 10 minutes when that is unknown.
int DefaultDelaySeconds(int desktopBlankSeconds);

}  // namespace watch
