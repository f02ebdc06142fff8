#pragma once
// The slide-show thread. It waits between pictures and has each picture read, decoded
// and scaled away from the main thread, which owns every window, does all drawing and
// keeps handling input meanwhile; the rest of each slide cycle runs on the main thread
// while this thread waits for it.

#include "settings/settings.h"
#include "settings/show_position.h"

#include "display/picture_preparation.h"

#include "effects/draw_transition.h"

#include "platform/background_task.h"
#include "platform/gdi/types.h"

#include <QPointer>
#include <QSize>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace platform {
class TBitmap;
class TCanvas;
}

// Runs `work` on the main thread and waits until it has run; for any other thread.
void RunOnMainThread(const std::function<void()>& work);

class TDisplayThread : public QThread {
    Q_OBJECT
public:
    // Starts at once; frees itself when its run ends (hold it in a QPointer). `screen` and
    // `resumeAfter` are the run's from its start: set later, the thread could read them
    // while they change.
    TDisplayThread(platform::TCanvas* targetCanvas, bool previewMode, QThread::Priority priority,
                   int previewEffect, const std::string& previewFile, int boxWidth, int boxHeight, int boxLeft,
                   int boxTop, QSize screen = {}, ShowPosition resumeAfter = {});
    ~TDisplayThread() override;

    // A picture read too slowly (a server that no longer answers) is given up after this
    // many milliseconds; tests shorten it.
    static constexpr int kLoadDeadlineMs = 10000;
    static inline std::atomic<int> LoadDeadlineMs{kLoadDeadlineMs};

    void Terminate() { terminated_ = true; wake(); }
    bool Terminated() const { return terminated_; }
    // Holds the thread at its next step until Resume.
    void Suspend();
    void Resume();
    // Lets a waiting thread look at the flags again.
    void wake();

    // Ends a thread in order: stop flag, wake, serve its last cycle, join, free it. The
    // window it draws on may go once this returns.
    static void Shutdown(QPointer<TDisplayThread>& thread);

    // Waits `seconds` on the clock, in short slices, ending early when StopRequested or
    // the terminate request is set; honours a suspension.
    void WaitInterval(unsigned seconds);

    // Defaults until the thread has read the registry, at the start of its run.
    std::shared_ptr<TSettings> Settings;
    platform::TColor BackColor = platform::clBlack;
    platform::TCanvas* TargetCanvas = nullptr;
    bool PreviewMode = false;
    int EffectNumber = -1;
    int EffectCount = effects::kEffectCount;
    int ImageIndex = 0;
    int BoxLeft = 0, BoxTop = 0, BoxWidth = 0, BoxHeight = 0;
    int PreviewEffect = 0;
    std::string PreviewFile;
    // The area the show fills in run mode; empty: the primary screen.
    QSize Screen;
    // The picture an earlier show ended on; in list order this show goes on with the one
    // after it.
    ShowPosition ResumeAfter;
    // Main thread: the last picture whose effect ran to its end.
    ShowPosition Shown;

protected:
    void run() override;

signals:
    // The settings could not be read: the box to show before the program ends. The run
    // has ended when it comes.
    void LoadFailed(const platform::FatalBox& box);

private:
    struct Load;
    using LoadTask = platform::BackgroundTask<std::shared_ptr<Load>>;

    void passGate();
    bool stopping() const;
    // Main thread: the first steps of a cycle, up to the choice of the picture; false when
    // the cycle has nothing to do.
    bool choosePicture(std::string& file, int& index, PreparationInput& input);
    // This thread: starts `work` on a thread of its own once there is room for one; nothing
    // when the show stops first.
    template <class T>
    std::shared_ptr<platform::BackgroundTask<T>> startWhenRoom(std::function<T()> work);
    // This thread: starts reading the chosen picture on a thread of its own.
    std::shared_ptr<LoadTask> startLoad(const std::string& file, int index, const PreparationInput& input);
    // This thread: waits for the load, up to the deadline or a stop, then has the main
    // thread finish the cycle with it.
    void finishLoad(const std::shared_ptr<LoadTask>& task, const std::string& file);
    // Main thread: the rest of the slide cycle, from the placement of the picture to its
    // effect.
    void DoCycle(Load& load);
    void drawPicture(int x, int y, const platform::TBitmap& picture);

    std::atomic<bool> terminated_{false};
    std::mutex gateMutex_;
    std::condition_variable gate_;
    bool suspended_ = false;
};
