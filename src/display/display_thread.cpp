#include "display_thread.h"

#include "effect_choice.h"
#include "effects/draw_transition.h"
#include "picture_preparation.h"

#include "settings/app_state.h"
#include "settings/trace_log.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/device_pixels.h"
#include "platform/gdi/window_canvas.h"
#include "platform/random.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <chrono>
#include <optional>
#include <thread>
#include <vector>

using namespace platform;

namespace {

// In device pixels: the show's canvas has as many, whatever scale the screen has.
QSize screenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QSize(1024, 768);
    return DevicePixels(screen->size(), screen->devicePixelRatio());
}

int screenDepth()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 32;
}

// Shows what a cycle drew when its target is a window.
void present(TCanvas* canvas)
{
    if (auto* window = dynamic_cast<TWindowCanvas*>(canvas))
        window->Flush();
}

}  // namespace

TDisplayThread::TDisplayThread(TCanvas* targetCanvas, bool previewMode, QThread::Priority priority,
                               int previewEffect, const std::string& previewFile, int boxWidth, int boxHeight,
                               int boxLeft, int boxTop, QSize screen, ShowPosition resumeAfter)
    : Screen(screen), ResumeAfter(std::move(resumeAfter))
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    PreviewMode = previewMode;
    PreviewEffect = previewEffect;
    PreviewFile = previewFile;
    ImageIndex = 0;
    // Loaded when the thread runs: checking that every picture of a long list still exists
    // may wait on a server, and the main thread must not.
    Settings = std::make_shared<TSettings>(TSettings::DefaultsOnly{});
    Closing = false;
    EffectCount = kEffectCount;
    BoxWidth = boxWidth;
    BoxHeight = boxHeight;
    BoxLeft = boxLeft;
    BoxTop = boxTop;
    TargetCanvas = targetCanvas;
    start(priority);
}

TDisplayThread::~TDisplayThread()
{
    // Reached through deleteLater once the run is over; never while it runs.
    wait();
}

void TDisplayThread::Shutdown(QPointer<TDisplayThread>& thread)
{
    if (!thread)
        return;
    StopRequested = true;
    thread->Terminate();
    thread->Resume();
    // The thread may be waiting for the main thread to run its cycle: keep serving it
    // until it has ended, so neither waits for the other.
    while (thread && !thread->wait(10))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // Its end queues its own deletion: carry that out now.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TDisplayThread::Suspend()
{
    std::lock_guard<std::mutex> lock(gateMutex_);
    suspended_ = true;
}

void TDisplayThread::Resume()
{
    {
        std::lock_guard<std::mutex> lock(gateMutex_);
        suspended_ = false;
    }
    gate_.notify_all();
}

void TDisplayThread::wake()
{
    // Passing through the lock first: a thread that has just found the flags unset under it
    // is then already waiting, and a flag set without the lock cannot slip between its
    // check and its wait and leave it asleep.
    { std::lock_guard<std::mutex> lock(gateMutex_); }
    gate_.notify_all();
}

void TDisplayThread::passGate()
{
    std::unique_lock<std::mutex> lock(gateMutex_);
    // A suspended thread still leaves when it is asked to end; while a stop is being
    // decided (StopRequested alone) it waits for the decision instead of making empty
    // passes. The flag is set without the lock: slices of 20 ms see it change.
    while (!terminated_ && (suspended_ || StopRequested))
        gate_.wait_for(lock, std::chrono::milliseconds(20));
}

void TDisplayThread::WaitInterval(unsigned seconds)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(seconds);
    std::unique_lock<std::mutex> lock(gateMutex_);
    while (!StopRequested && !terminated_) {
        const auto now = clock::now();
        if (now >= deadline && !suspended_)
            return;
        // Short slices: a stop is seen within 20 ms, and the wait costs no processor.
        gate_.wait_for(lock, std::min<clock::duration>(std::chrono::milliseconds(20),
                                                       suspended_ ? std::chrono::milliseconds(20) : deadline - now));
    }
}

void RunOnMainThread(const std::function<void()>& work)
{
    // A lock of our own orders what each side wrote before it for the other: Qt's futex
    // semaphore would too, but unseen by the thread sanitizer.
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    { std::lock_guard<std::mutex> handOver(m); }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            { std::lock_guard<std::mutex> takeOver(m); }
            work();
            std::lock_guard<std::mutex> lock(m);
            done = true;
            cv.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return done; });
}

bool TDisplayThread::stopping() const
{
    return StopRequested || terminated_;
}

template <class T>
std::shared_ptr<platform::BackgroundTask<T>> TDisplayThread::startWhenRoom(std::function<T()> work)
{
    // Readings that never returned hold their threads: wait for room, as long as the show goes on.
    while (!stopping()) {
        if (auto task = platform::BackgroundTask<T>::Start(work))
            return task;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

// What the reading thread hands back: the picture ready to be placed, or why there is
// none, and the trace lines it would have written, which the main thread writes in their
// place among its own.
struct TDisplayThread::Load {
    std::string file;
    int index = -1;  // in the list
    PreparationInput input;
    std::optional<ScaledPicture> picture;
    std::string error;
    std::vector<std::string> trace;
};

void TDisplayThread::run()
{
    // The existence check of every picture may wait on a server that no longer answers:
    // read on a thread of its own, so that a stop can still end this one.
    using SettingsTask = platform::BackgroundTask<std::shared_ptr<TSettings>>;
    auto read = [] {
        auto settings = std::make_shared<TSettings>(TSettings::DefaultsOnly{});
        settings->LoadAway();
        return settings;
    };
    const std::shared_ptr<SettingsTask> reading = startWhenRoom<std::shared_ptr<TSettings>>(read);
    if (!reading || !reading->WaitUntil(LoadTask::Clock::time_point::max(), [this] { return stopping(); }))
        return;
    Settings = reading->Take();
    if (Settings->LoadFailure) {
        // Sent from the main thread, which reaches it only after whoever started this
        // thread has connected to it.
        RunOnMainThread([this] { emit LoadFailed(*Settings->LoadFailure); });
        return;
    }
    if (!ResumeAfter.file.empty())
        ImageIndex = ResumeIndex(Settings->Images, ResumeAfter);
    EffectNumber = -1;
    if (!TargetCanvas)
        return;
    // The next picture is read while the show waits out the interval after an effect.
    std::shared_ptr<LoadTask> next;
    std::string nextFile;
    auto startNext = [&] {
        PreparationInput input;
        int index = -1;
        bool chosen = false;
        RunOnMainThread([&] { chosen = choosePicture(nextFile, index, input); });
        next = chosen ? startLoad(nextFile, index, input) : nullptr;
    };
    // The end is asked for once and for all by the terminate request.
    while (!terminated_) {
        passGate();
        if (terminated_)
            break;
        if (!next)
            startNext();
        if (next) {
            finishLoad(next, nextFile);
            next.reset();
        }
        if (PreviewMode) {
            StopRequested = true;
            return;
        }
        if (!stopping())
            startNext();
        WaitInterval(Settings->IntervalSeconds());
    }
}

bool TDisplayThread::choosePicture(std::string& file, int& index, PreparationInput& input)
{
    if (Closing)
        return false;
    QCoreApplication::processEvents();
    if (StopRequested)
        return false;
    TSettings& s = *Settings;
    if (PreviewMode) {
        BackColor = clBtnFace;
        file = PreviewFile;
        EffectCount = kEffectCount;
    } else {
        BackColor = s.BackColor();
        if (s.ImageCount <= 0)
            return false;
        if (s.Alea) {
            index = Random(s.ImageCount);
            file = s.Images[static_cast<size_t>(index)];
        } else {
            if (ImageIndex >= s.ImageCount)
                ImageIndex = 0;
            index = ImageIndex;
            file = s.Images[static_cast<size_t>(ImageIndex)];
            ImageIndex = ImageIndex + 1 >= s.ImageCount ? 0 : ImageIndex + 1;
        }
    }
    input.TakeSettings(s);
    // Resolved here: a system colour is read from the application, on this thread only.
    input.backColor = ColorToRGB(BackColor);
    input.previewMode = PreviewMode;
    input.boxLeft = BoxLeft;
    input.boxTop = BoxTop;
    input.boxWidth = BoxWidth;
    input.boxHeight = BoxHeight;
    input.screen = Screen.isEmpty() ? screenSize() : Screen;
    input.displayBitsPerPixel = screenDepth();
    return true;
}

std::shared_ptr<TDisplayThread::LoadTask> TDisplayThread::startLoad(const std::string& file, int index,
                                                                    const PreparationInput& input)
{
    auto load = std::make_shared<Load>();
    load->file = file;
    load->index = index;
    load->input = input;
    load->input.target = nullptr;  // the reading thread never touches the screen
    load->input.deferredTrace = &load->trace;
    return startWhenRoom<std::shared_ptr<Load>>([load] {
        try {
            load->picture = ScalePicture(
                LoadPicture(load->file, FitSize(load->input), load->input.log, load->input.deferredTrace),
                load->input);
        } catch (const std::exception& e) {
            load->error = e.what();
        }
        return load;
    });
}

void TDisplayThread::finishLoad(const std::shared_ptr<LoadTask>& task, const std::string& file)
{
    const auto deadline = LoadTask::Clock::now() + std::chrono::milliseconds(LoadDeadlineMs.load());
    if (!task->WaitUntil(deadline, [this] { return stopping(); })) {
        if (stopping())
            return;
        // Given up: whatever it reads later is dropped with the task.
        auto late = std::make_shared<Load>();
        late->error = file + " : lecture trop longue, abandonnée";
        passGate();
        RunOnMainThread([this, late] { DoCycle(*late); });
        return;
    }
    std::shared_ptr<Load> load = task->Take();
    passGate();
    RunOnMainThread([this, &load] { DoCycle(*load); });
}

void TDisplayThread::drawPicture(int x, int y, const TBitmap& picture)
{
    if (EffectNumber == 0) {
        TargetCanvas->Draw(x, y, picture);
        present(TargetCanvas);
        return;
    }
    if (EffectNumber < 1 || EffectNumber > EffectCount)
        return;
    effects::EffectInputs inputs;
    inputs.number = EffectNumber;
    inputs.X = x;
    inputs.Y = y;
    inputs.picture = &picture;
    inputs.target = TargetCanvas;
    inputs.backColor = BackColor;
    TakeEffectSettings(inputs, *Settings, PreviewMode);
    std::stop_source stop;
    inputs.stop = stop.get_token();
    effects::Transition transition(inputs, effects::Pace::RealTime);
    while (auto next = transition.Resume()) {
        QCoreApplication::processEvents();
        if (StopRequested)
            stop.request_stop();
        if (!transition.EndsOnStop() || !stop.stop_requested())
            std::this_thread::sleep_until(std::min(*next, effects::Transition::Clock::now() + std::chrono::milliseconds(1)));
    }
}

void TDisplayThread::DoCycle(Load& load)
{
    TSettings& s = *Settings;
    if (s.Log)
        for (const std::string& line : load.trace)
            TraceLog(line);
    if (!load.picture) {
        // One unreadable picture must not end the show: skip it, the next cycle goes on.
        if (s.Log)
            TraceLog("Image illisible : " + load.error);
        return;
    }
    if (Closing || StopRequested)
        return;
    load.input.target = TargetCanvas;
    PreparedPicture picture = PlacePicture(std::move(*load.picture), load.input);

    if (!PreviewMode) {
        EffectNumber = NextEffectNumber(EffectNumber, s.Effet, s.AleaEffets, s.Selection);
        if (!s.Transition)
            ClearScreen(*TargetCanvas, BackColor, load.input.screen);
    }
    if (!PreviewMode && s.Log) {
        TargetCanvas->Brush.Color = BackColor;
        TargetCanvas->Brush.Style = bsSolid;
        TargetCanvas->FillRect(Rect(9, 9, 200, 40));
        TargetCanvas->Font.Name = "MS Sans Serif";
        TargetCanvas->Font.SetSize(12);
        TargetCanvas->Font.Color = clYellow;
        TargetCanvas->TextOut(10, 10, "Effet n° : " + std::to_string(EffectNumber));
    }
    if (PreviewMode) {
        EffectNumber = PreviewEffect;
    } else if (s.Log) {
        TraceLog("Effet n° :  " + std::to_string(EffectNumber));
    }
    drawPicture(picture.X, picture.Y, picture.bitmap);
    if (!PreviewMode && !StopRequested)
        Shown = {load.index, load.file};
}
