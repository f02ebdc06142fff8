#pragma once
// TMainForm: the saver's one window. In run mode it covers the screen, hides the
// pointer, shows the slide show and closes at the first key, click or clear mouse
// movement. In preview mode it is never shown: its creation animates the
// advertisement inside the host's preview window until that window goes away.

#include "settings/settings.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas_widget.h"

#include <QPointer>

#include <memory>
#include <vector>

class TShowSession;
struct TShowTurns;
class TMonitorCovers;

namespace platform {
class NamedMutex;
}

class TMainForm : public platform::CanvasWidget {
    Q_OBJECT
public:
    // `mode` is kModeRun or kModePreview; without `settings`, the window reads them away.
    TMainForm(uint8_t mode, std::shared_ptr<const TSettings> settings);
    ~TMainForm() override;

    // Shows the run-mode window: over the whole screen, on X11 and on Wayland alike.
    void ShowSaver();

    // The movement from the first recorded point that stops the saver: more than 2
    // pixels on both axes.
    static bool IsClearMove(int firstX, int firstY, int x, int y);

    void FormActivate();
    void FormKeyDown();
    void FormClick();
    void FormMouseMove(int x, int y);
    // True when the close may go ahead.
    bool FormCloseQuery();

    void StartDisplay();
    void StopDisplay();
    // Ends the show at once; the window may then go.
    void ShutdownDisplay();
    void RunPreview();
    platform::TBitmap MakeLogoBitmap(int width, int height);

    TShowSession* Display() const;

    // Read once, away from this thread, before the window: the show takes them as they are.
    std::shared_ptr<const TSettings> Settings;
    const uint8_t SaverMode;
    // The window is deciding whether it may close; a stop was asked for.
    bool Closing = false;
    bool StopRequested = false;
    std::unique_ptr<platform::TBitmap> PreviewBitmap;
    bool Activated = false;
    // The program's status when the window could not start (its settings unreadable).
    int ExitCode = 0;
    int FirstMouseX = -1;
    int FirstMouseY = -1;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void trace(const char* line) const;
    void hidePointer();
    void showPointer();
    // Input asks the show to end. Started by the idle watcher (LUMIVANE_REPORT_INPUT set),
    // the show says so on its standard output and stays over the screen until the watcher,
    // having locked the session, ends it: the desktop is never seen unlocked in between.
    void endOnInput();
    bool inputReported_ = false;

    QPointer<TShowSession> display_;
    // With TousLesEcrans, a show on each cover, in the covers' order, taking turns with this
    // window's.
    std::vector<QPointer<TShowSession>> others_;
    std::shared_ptr<TShowTurns> turns_;
    uint32_t coverShowsMade_ = 0;
    void startCoverShow(size_t cover);
    template <class F>
    void forEachShow(F f);
    void shutdownCoverShows();
    std::unique_ptr<platform::NamedMutex> previewMutex_;
    std::unique_ptr<TMonitorCovers> covers_;
};

// The five lines of the warning shown when there is no picture to show.
extern const char* const kNoPicturesWarning;
