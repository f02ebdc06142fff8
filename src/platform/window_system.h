#pragma once
// Which of the desktop's window systems the program's windows use: native Wayland in a
// Wayland session, X11 otherwise; QT_QPA_PLATFORM, when set, decides.

#include <QCursor>
#include <QObject>

#include <string>

namespace platform {

struct WindowSystemChoice {
    std::string platform;  // the Qt platform to ask for; empty: as QT_QPA_PLATFORM (or Qt) says
    std::string error;     // the mode cannot run here, and why
};

// needsX11: a mode that draws into an X11 window given by number. The other arguments
// are the values of QT_QPA_PLATFORM, WAYLAND_DISPLAY and DISPLAY.
WindowSystemChoice ChooseWindowSystem(bool needsX11, const std::string& qtPlatform, const std::string& waylandDisplay,
                                      const std::string& x11Display);

// Whether the running application is on Qt's Wayland platform (after QApplication exists).
bool OnWayland();

// A pointer that shows nothing. On Wayland, Qt's own blank shape only stops drawing its
// cursor and leaves the compositor's arrow on the window; a transparent image replaces it.
QCursor InvisibleCursor();

// SIGTERM and SIGINT, delivered to the event loop: `received` is emitted there, once per
// signal, where the program can end cleanly instead of being cut short.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // False when the signals cannot be watched (no pipe, no handler).
    static bool Watch();
    static TerminationSignals& Instance();
    // Whether one has come and not been taken yet; takes it.
    static bool Take();
    // The last signal that came (SIGTERM or SIGINT), 0 when none has.
    static int Received();
    // Ends the process by the signal that came, as its default action would have, so that
    // the one who sent it sees the program ended by it; nothing when none came.
    static void EndByReceived();

signals:
    void received();

private:
    TerminationSignals();
};

}  // namespace platform
