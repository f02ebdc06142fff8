#pragma once
// One slide show on one canvas, run on the main thread by a clock of its own: a state
// machine that reads its settings away (once, when none are handed over), chooses a
// picture, has it read, decoded and scaled away, places it, plays its effect frame by
// frame, waits out the interval while the next picture is read, and goes on. Nothing it
// does on the main thread blocks: what may (a file, a share that no longer answers) runs
// on a background task, which the session looks at on its clock, with a deadline.

#include "settings/settings.h"
#include "settings/show_position.h"

#include "display/picture_preparation.h"

#include "effects/draw_transition.h"

#include "platform/background_task.h"
#include "platform/gdi/types.h"
#include "platform/random.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace platform {
class TCanvas;
}

// The shows of one run, one per screen, take turns with their transitions, so two never
// draw at the same moment on the one thread they share: a show whose picture is ready
// waits while another's transition plays, though no longer than its interval (nor less
// than kTurnWaitMin), so a long effect on one screen holds the others back only that long.
// Turns go in the order the pictures were ready.
class TShowSession;
struct TShowTurns {
    static constexpr std::chrono::seconds kTurnWaitMin{2};
    int playing = 0;
    std::deque<TShowSession*> waiting;
};

class TShowSession : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    // The preview's box on the target, in preview mode.
    struct Box {
        int left = 0, top = 0, width = 0, height = 0;
    };

    // Starts at the next turn of the event loop; frees itself once ended (hold it in a
    // QPointer). `screen` and `resumeAfter` are the show's from its start. Without
    // `settings`, the session reads them away first.
    TShowSession(platform::TCanvas* targetCanvas, bool previewMode, int previewEffect, const std::string& previewFile,
                 Box box, QSize screen = {}, ShowPosition resumeAfter = {},
                 std::shared_ptr<const TSettings> settings = nullptr);
    ~TShowSession() override;

    // A picture read too slowly (a server that no longer answers) is given up after this
    // many milliseconds; tests shorten it.
    static constexpr int kLoadDeadlineMs = 10000;
    static inline std::atomic<int> LoadDeadlineMs{kLoadDeadlineMs};

    // Ends the show at once: the effect under way is dropped where it stands, the next
    // reading abandoned; Finished comes at the next turn of the event loop.
    void Stop();
    bool Ended() const { return state_ == State::Ended; }
    // Holds the show where it is (its effect, its interval) until Resume: while its window
    // decides whether it may close (a password, say), no new cycle starts.
    void Suspend();
    void Resume();

    // Ends a session in order and frees it; its canvas may go once this returns.
    static void Shutdown(QPointer<TShowSession>& session);

    // The session's stop, which its effects look at between steps; asked for, it ends the show.
    std::stop_source StopRequested;

    // Defaults until read.
    std::shared_ptr<const TSettings> Settings;
    platform::TColor BackColor = platform::clBlack;
    platform::TCanvas* TargetCanvas = nullptr;
    bool PreviewMode = false;
    int EffectNumber = -1;
    int EffectCount = effects::kEffectCount;
    int ImageIndex = 0;
    Box PreviewBox;
    int PreviewEffect = 0;
    std::string PreviewFile;
    // The area the show fills in run mode; empty: the primary screen.
    QSize Screen;
    // The picture an earlier show ended on; in list order this show goes on with the one
    // after it.
    ShowPosition ResumeAfter;
    // The last picture whose effect ran to its end.
    ShowPosition Shown;
    // Pictures known to the show so far, followed folders' included.
    size_t PictureCount() const { return total_; }
    // Shared with the shows of the other screens; none: this show plays whenever it is ready.
    std::shared_ptr<TShowTurns> Turns;
    // The generator of the session: the picture in random order, its place, the effects.
    uint32_t RandomState = platform::RandSeed;
    platform::RandomSource Random{RandomState};

signals:
    // The settings could not be read: the box to show before the program ends. The show
    // has ended when it comes.
    void LoadFailed(const platform::FatalBox& box);
    // The show has ended, by its stop or, in preview mode, after its one cycle.
    void Finished();
    // A cycle is about to choose its picture.
    void CycleStarting();
    // A transition starts, or is over (run to its end or dropped).
    void TransitionUnderWay(bool underWay);

private:
    struct Load;
    struct FolderFeed;
    // The followed folders' readings under way in the program, by folder: all on this thread.
    static std::map<std::string, std::weak_ptr<FolderFeed>>& followedReadings();
    // The show's pictures in list order: runs of the list's files, and in the place of
    // each followed folder what its reading has found so far.
    struct Part {
        int entry = 0;  // index in the list of its first entry
        std::vector<std::string> pictures;
        std::shared_ptr<FolderFeed> feed;  // a folder still being read
        bool folder = false;
    };
    using LoadTask = platform::BackgroundTask<std::shared_ptr<Load>>;
    using SettingsTask = platform::BackgroundTask<std::shared_ptr<const TSettings>>;
    enum class State { Settings, Choose, Loading, Effect, Interval, Ended };

    // The clock's one slot: carries the state machine as far as it goes without waiting.
    void tick();
    void wakeAt(Clock::time_point when);
    void wakeIn(std::chrono::milliseconds delay) { wakeAt(Clock::now() + delay); }
    // Ends the show; Finished (after LoadFailed with `failure`) comes at the next turn.
    void end(std::optional<platform::FatalBox> failure = std::nullopt);

    bool readSettings();
    void buildParts();
    // Takes in what the folders' readings have found; false while one may still find more.
    bool takeFolders();
    // In the part of the followed folder a resumed show goes on in (the part in play), past
    // the pictures up to the one the earlier show ended on.
    void skipResumed();
    // The list's entry a picture stands for (a followed folder's own, for its pictures).
    int entryOf(size_t part, size_t offset) const;
    // The first steps of a cycle, up to the choice of the picture; false when the cycle has
    // nothing to do.
    bool choosePicture(std::string& file, int& index, PreparationInput& input);
    // Chooses the next picture and starts reading it, or keeps it for when there is room;
    // false when there is none to choose.
    bool chooseNext();
    // Starts reading the chosen picture on a thread of its own; false while there is no
    // room for one.
    bool startPending();
    // The rest of the cycle, from the placement of the picture to the start of its effect;
    // false when there is no effect to play.
    bool startCycle(Load& load);
    void cycleDone();
    // Another show's transition is under way or another's picture waits before this one's,
    // and this one's has waited less than it may.
    bool awaitingTurn();
    void releaseTurn();
    // Out of the queue of turns; the show then first in it is woken.
    void leaveTurns();
    // Drops the transition under way, if any, with its picture and its turn.
    void dropTransition();
    // The end of a followed folder's reading, done or given up.
    void dropFeed(Part& part);

    // The followed folders being read by every show of the program: all on this thread.
    static inline int foldersReading_ = 0;
    std::vector<Part> parts_;
    size_t total_ = 0;
    size_t part_ = 0, offset_ = 0;  // the next picture in list order
    bool firstChosen_ = false;
    bool waitingForFolder_ = false;
    // The picture of a followed folder an earlier show ended on, until this one is past it,
    // and the folder's part.
    std::string resumeInFolder_;
    size_t resumePart_ = 0;
    // The chosen picture until its reading starts: chosen while every reading thread was
    // taken, it is read once there is room rather than chosen again (which would skip it).
    struct Chosen {
        int index = -1;
        PreparationInput input;
    };
    std::optional<Chosen> pending_;
    State state_ = State::Settings;
    bool suspended_ = false;
    QTimer clock_;
    std::shared_ptr<SettingsTask> reading_;
    std::shared_ptr<LoadTask> next_;
    // The picture read, while it waits for its turn.
    std::shared_ptr<Load> ready_;
    Clock::time_point turnDeadline_{};
    bool turnHeld_ = false;
    std::string nextFile_;
    Clock::time_point deadline_{};
    // The picture whose effect plays: the last shown once it has run to its end.
    std::optional<ShowPosition> playing_;
    std::unique_ptr<PreparedPicture> picture_;
    std::unique_ptr<effects::Transition> transition_;
};
