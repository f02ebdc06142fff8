#include "show_session.h"

#include "effect_choice.h"
#include "folder_scan.h"
#include "picture_preparation.h"

#include "settings/trace_log.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/device_pixels.h"
#include "platform/gdi/window_canvas.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

using namespace platform;

namespace {

using namespace std::chrono_literals;

// How often the clock looks at a reading under way, and at a full pool of reading threads.
constexpr auto kReadingLook = 5ms;
constexpr auto kNoRoomLook = 20ms;

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

void present(TCanvas* canvas)
{
    if (auto* window = dynamic_cast<TWindowCanvas*>(canvas))
        window->Flush();
}

}  // namespace

// What the reading thread hands back: the picture ready to be placed, or why there is
// none, and the trace lines it would have written, which the session writes in their
// place among its own.
struct TShowSession::Load {
    std::string file;
    int index = -1;  // in the list
    PreparationInput input;
    std::optional<ScaledPicture> picture;
    std::string error;
    std::vector<std::string> trace;
};

// A followed folder's reading, on a thread of its own, shared by the shows of the program
// that follow the folder while it lasts (one per screen): what it has found so far, and
// whether it is over.
struct TShowSession::FolderFeed {
    std::string folder;
    std::shared_ptr<platform::BackgroundTask<size_t>> task;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<std::string> found;  // under the mutex; only ever grows
    uint64_t news = 0;               // batches handed over, empty ones included; under the mutex
    // On the main thread.
    uint64_t newsSeen = 0;
    Clock::time_point lastNews{};
    int holders = 0;  // the shows' parts that take from it
    bool reported = false;
};

std::map<std::string, std::weak_ptr<TShowSession::FolderFeed>>& TShowSession::followedReadings()
{
    static std::map<std::string, std::weak_ptr<FolderFeed>> readings;
    return readings;
}

TShowSession::TShowSession(TCanvas* targetCanvas, bool previewMode, int previewEffect, const std::string& previewFile,
                           Box box, QSize screen, ShowPosition resumeAfter, std::shared_ptr<const TSettings> settings)
    : Settings(std::move(settings)),
      TargetCanvas(targetCanvas),
      PreviewMode(previewMode),
      PreviewBox(box),
      PreviewEffect(previewEffect),
      PreviewFile(previewFile),
      Screen(screen),
      ResumeAfter(std::move(resumeAfter))
{
    clock_.setSingleShot(true);
    clock_.setTimerType(Qt::PreciseTimer);
    connect(&clock_, &QTimer::timeout, this, &TShowSession::tick);
    wakeIn(0ms);
}

TShowSession::~TShowSession()
{
    // The effect's steps go before the picture and the canvas they draw on.
    transition_.reset();
    // A session freed without its stop still lets go of the readings it shares.
    for (Part& part : parts_)
        if (part.feed)
            dropFeed(part);
    releaseTurn();
}

void TShowSession::Shutdown(QPointer<TShowSession>& session)
{
    if (!session)
        return;
    session->Stop();
    delete session.data();
    session = nullptr;
}

void TShowSession::Stop()
{
    StopRequested.request_stop();
    if (state_ == State::Ended)
        return;
    end();
}

void TShowSession::end(std::optional<FatalBox> failure)
{
    state_ = State::Ended;
    clock_.stop();
    dropTransition();
    ready_.reset();
    // Abandoned: what they read later goes with them.
    reading_.reset();
    next_.reset();
    for (Part& part : parts_)
        if (part.feed)
            dropFeed(part);
    QMetaObject::invokeMethod(
        this,
        [this, failure] {
            if (failure)
                emit LoadFailed(*failure);
            emit Finished();
            deleteLater();
        },
        Qt::QueuedConnection);
}

void TShowSession::Suspend()
{
    suspended_ = true;
}

void TShowSession::Resume()
{
    suspended_ = false;
    if (state_ != State::Ended)
        wakeIn(0ms);
}

void TShowSession::wakeAt(Clock::time_point when)
{
    const auto now = Clock::now();
    // Qt's clock counts whole milliseconds: a wake inside the next one waits for it, and
    // the effect catches up on its own timeline; at once stays at once.
    auto delay = std::chrono::ceil<std::chrono::milliseconds>(std::max(when, now) - now);
    if (when > now && delay == 0ms)
        delay = 1ms;
    clock_.start(static_cast<int>(std::min<std::chrono::milliseconds>(delay, 24h).count()));
}

bool TShowSession::readSettings()
{
    if (Settings)
        return true;
    if (!reading_) {
        // The existence check of every picture may wait on a server that no longer
        // answers: away from the main thread.
        reading_ = SettingsTask::Start([] { return std::shared_ptr<const TSettings>(LoadSettings()); });
        if (!reading_) {
            wakeIn(kNoRoomLook);
            return false;
        }
    }
    if (!reading_->WaitUntil(Clock::time_point::min(), {})) {
        wakeIn(kReadingLook);
        return false;
    }
    Settings = reading_->Take();
    reading_.reset();
    return true;
}

void TShowSession::tick()
{
    while (!suspended_ && state_ != State::Ended && !StopRequested.stop_requested()) {
        const bool foldersRead = takeFolders();
        switch (state_) {
        case State::Settings:
            if (!readSettings())
                return;
            if (Settings->LoadFailure) {
                end(*Settings->LoadFailure);
                return;
            }
            if (!ResumeAfter.file.empty())
                ImageIndex = ResumeIndex(Settings->Images, ResumeAfter);
            // The preview plays its one picture: the list's folders are not read for it.
            if (!PreviewMode)
                buildParts();
            EffectNumber = -1;
            if (!TargetCanvas) {
                end();
                return;
            }
            state_ = State::Choose;
            break;
        case State::Choose: {
            if (!next_ && !pending_ && !chooseNext()) {
                if (state_ == State::Ended)
                    return;
                if (waitingForFolder_ || (!foldersRead && total_ == 0)) {
                    // A followed folder's pictures are on their way.
                    wakeIn(kNoRoomLook);
                    return;
                }
                if (PreviewMode) {
                    end();
                    return;
                }
                // Nothing to show (yet): the interval, then a new look; never less than a
                // look's pause, which an interval of 0 would make a spin.
                deadline_ = std::max(Clock::now() + std::chrono::seconds(Settings->IntervalSeconds()),
                                     Clock::now() + kNoRoomLook);
                state_ = State::Interval;
                break;
            }
            if (!startPending()) {
                wakeIn(kNoRoomLook);
                return;
            }
            deadline_ = Clock::now() + std::chrono::milliseconds(LoadDeadlineMs.load());
            state_ = State::Loading;
            break;
        }
        case State::Loading: {
            if (!ready_) {
                if (next_->WaitUntil(Clock::time_point::min(), {})) {
                    ready_ = next_->Take();
                } else if (Clock::now() >= deadline_) {
                    // Given up: whatever it reads later is dropped with the task.
                    ready_ = std::make_shared<Load>();
                    ready_->error = nextFile_ + " : lecture trop longue, abandonnée";
                } else {
                    wakeAt(std::min(deadline_, Clock::now() + kReadingLook));
                    return;
                }
                next_.reset();
                turnDeadline_ = Clock::now() + std::max<std::chrono::seconds>(
                                                   std::chrono::seconds(Settings->IntervalSeconds()),
                                                   TShowTurns::kTurnWaitMin);
            }
            if (awaitingTurn()) {
                wakeAt(turnDeadline_);  // or sooner, when its turn comes
                return;
            }
            const std::shared_ptr<Load> load = std::move(ready_);
            if (startCycle(*load)) {
                if (Turns) {
                    ++Turns->playing;
                    turnHeld_ = true;
                }
                state_ = State::Effect;
                emit TransitionUnderWay(true);
            } else {
                cycleDone();
            }
            break;
        }
        case State::Effect: {
            std::optional<Clock::time_point> next;
            try {
                next = transition_->Resume();
            } catch (const std::exception& e) {
                // Out of memory for a frame, say: this picture ends here, the show goes on.
                if (Settings->Log)
                    TraceLog(std::string("Effet interrompu : ") + e.what());
                playing_.reset();
            } catch (...) {
                playing_.reset();
            }
            if (next) {
                wakeAt(*next);
                return;
            }
            dropTransition();
            if (!StopRequested.stop_requested() && playing_)
                Shown = *playing_;
            cycleDone();
            break;
        }
        case State::Interval:
            if (Clock::now() < deadline_) {
                wakeAt(deadline_);
                return;
            }
            state_ = State::Choose;
            break;
        case State::Ended:
            return;
        }
    }
    if (StopRequested.stop_requested() && state_ != State::Ended)
        end();
}

void TShowSession::cycleDone()
{
    playing_.reset();
    if (PreviewMode) {
        end();
        return;
    }
    // The next picture is read while the show waits out the interval.
    chooseNext();
    if (state_ == State::Ended)
        return;
    deadline_ = Clock::now() + std::chrono::seconds(Settings->IntervalSeconds());
    state_ = State::Interval;
}

void TShowSession::dropTransition()
{
    // A transition that ran to its end has gone already, at the end of its cycle.
    const bool underWay = transition_ != nullptr;
    transition_.reset();
    picture_.reset();
    releaseTurn();
    if (underWay)
        emit TransitionUnderWay(false);
}

bool TShowSession::awaitingTurn()
{
    // Only a picture an effect brings in takes a turn; one drawn at once or unreadable does not.
    if (!Turns || !ready_->picture || !Settings->Effet)
        return false;
    auto& waiting = Turns->waiting;
    if (std::ranges::find(waiting, this) == waiting.end())
        waiting.push_back(this);
    const bool wait = (Turns->playing > 0 || waiting.front() != this) && Clock::now() < turnDeadline_;
    if (!wait)
        leaveTurns();
    return wait;
}

void TShowSession::releaseTurn()
{
    if (!Turns)
        return;
    if (turnHeld_)
        --Turns->playing;
    turnHeld_ = false;
    leaveTurns();
}

void TShowSession::leaveTurns()
{
    // The show now first in the queue may go: it is told rather than looking again and again.
    auto& waiting = Turns->waiting;
    std::erase(waiting, this);
    if (!waiting.empty())
        waiting.front()->wakeIn(0ms);
}

void TShowSession::buildParts()
{
    const std::vector<std::string>& images = Settings->Images;
    for (size_t i = 0; i < images.size(); ++i) {
        const bool folder = IsFollowedFolder(images[i]);
        if (folder || parts_.empty() || parts_.back().folder) {
            parts_.push_back({});
            parts_.back().entry = static_cast<int>(i);
            parts_.back().folder = folder;
        }
        Part& part = parts_.back();
        if (folder) {
            std::weak_ptr<FolderFeed>& reading = followedReadings()[images[i]];
            part.feed = reading.lock();
            if (!part.feed) {
                part.feed = std::make_shared<FolderFeed>();
                part.feed->folder = images[i];
                reading = part.feed;
            }
            ++part.feed->holders;
        } else {
            part.pictures.push_back(images[i]);
            ++total_;
        }
    }
    // In list order, the show goes on at the entry after the one an earlier show ended on.
    for (size_t p = 0; p < parts_.size(); ++p) {
        const int next = p + 1 < parts_.size() ? parts_[p + 1].entry : static_cast<int>(images.size());
        if (ImageIndex >= parts_[p].entry && ImageIndex < next) {
            part_ = p;
            offset_ = parts_[p].folder ? 0 : static_cast<size_t>(ImageIndex - parts_[p].entry);
        }
    }
    // An earlier show that ended inside a followed folder: this one goes on after that
    // picture, in the folder's order, once the reading has come past it.
    if (ImageIndex == ResumeAfter.index && part_ < parts_.size() && parts_[part_].folder &&
        ResumeAfter.file.starts_with(images[static_cast<size_t>(ImageIndex)])) {
        resumeInFolder_ = ResumeAfter.file;
        resumePart_ = part_;
    }
}

bool TShowSession::takeFolders()
{
    // Two folders are read at a time in the whole program, whatever the number of shows
    // (one per monitor): the rest of the reading threads stay for pictures.
    constexpr int kFoldersAtOnce = 2;
    bool allRead = true;
    const auto now = Clock::now();
    for (Part& part : parts_) {
        const std::shared_ptr<FolderFeed> feed = part.feed;
        if (!feed)
            continue;
        if (!feed->task) {
            allRead = false;
            if (foldersReading_ >= kFoldersAtOnce)
                continue;
            feed->task = platform::BackgroundTask<size_t>::Start([feed] {
                return ScanFollowedFolder(
                    feed->folder,
                    [&feed](std::vector<std::string>&& batch) {
                        std::lock_guard<std::mutex> lock(feed->mutex);
                        feed->found.insert(feed->found.end(), std::make_move_iterator(batch.begin()),
                                           std::make_move_iterator(batch.end()));
                        ++feed->news;
                    },
                    feed->stop);
            });
            if (feed->task) {
                ++foldersReading_;
                feed->lastNews = now;
            }
            continue;  // started now, or no room yet: looked at again at the next turn
        }
        const bool done = feed->task->WaitUntil(Clock::time_point::min(), {});
        // A folder's part holds only what its reading found: what it holds is what it took.
        const size_t taken = part.pictures.size();
        uint64_t news = 0;
        {
            std::lock_guard<std::mutex> lock(feed->mutex);
            part.pictures.insert(part.pictures.end(), feed->found.begin() + static_cast<std::ptrdiff_t>(taken),
                                 feed->found.end());
            news = feed->news;
        }
        total_ += part.pictures.size() - taken;
        if (news != feed->newsSeen) {
            feed->newsSeen = news;
            feed->lastNews = now;
        }
        // Said once for the shows that share the reading.
        const auto report = [&](const std::string& what) {
            if (Settings->Log && !std::exchange(feed->reported, true))
                TraceLog("Dossier " + feed->folder + " : " + what);
        };
        if (done) {
            const size_t count = part.pictures.size();
            report(std::to_string(count) + (count == 1 ? " image" : " images"));
            dropFeed(part);
        } else if (now - feed->lastNews >= std::chrono::milliseconds(LoadDeadlineMs.load())) {
            // A folder on a server that no longer answers: the show goes on with what it has.
            report("lecture trop longue, abandonnée");
            dropFeed(part);
        } else {
            allRead = false;
        }
    }
    return allRead;
}

void TShowSession::dropFeed(Part& part)
{
    // Left by its last show, abandoned or over already: what it reads later goes with it,
    // and the next show reads the folder anew.
    if (--part.feed->holders == 0) {
        part.feed->stop = true;
        if (part.feed->task)
            --foldersReading_;
        followedReadings().erase(part.feed->folder);
    }
    part.feed.reset();
}

int TShowSession::entryOf(size_t part, size_t offset) const
{
    return parts_[part].entry + (parts_[part].folder ? 0 : static_cast<int>(offset));
}

void TShowSession::skipResumed()
{
    Part& part = parts_[resumePart_];
    while (offset_ < part.pictures.size() && !ScanOrderLess(resumeInFolder_, part.pictures[offset_]))
        ++offset_;
    // Past it, or the folder read whole (the picture was its last, or is gone).
    if (offset_ < part.pictures.size() || !part.feed)
        resumeInFolder_.clear();
}

bool TShowSession::choosePicture(std::string& file, int& index, PreparationInput& input)
{
    emit CycleStarting();
    if (state_ == State::Ended || StopRequested.stop_requested())
        return false;
    const TSettings& s = *Settings;
    if (PreviewMode) {
        BackColor = clBtnFace;
        file = PreviewFile;
        EffectCount = effects::kEffectCount;
    } else {
        BackColor = s.BackColor();
        waitingForFolder_ = false;
        if (total_ == 0)
            return false;
        size_t part = 0, offset = 0;
        if (s.Alea) {
            offset = static_cast<size_t>(Random.Random(static_cast<int32_t>(std::min<size_t>(total_, INT32_MAX))));
            while (offset >= parts_[part].pictures.size())
                offset -= parts_[part++].pictures.size();
        } else {
            // Past the end, or in a part that has nothing more: the next part that has. A
            // folder still being read is waited for, but for the first picture, which
            // takes what is known (when nothing else is, even a picture before the one a
            // resumed show goes on after).
            for (size_t looked = 0;; ++looked) {
                if (!resumeInFolder_.empty() && part_ == resumePart_ && looked <= parts_.size())
                    skipResumed();
                if (part_ < parts_.size() && offset_ < parts_[part_].pictures.size())
                    break;
                if (part_ < parts_.size() && parts_[part_].feed && parts_[part_].feed->task && firstChosen_) {
                    waitingForFolder_ = true;
                    return false;
                }
                part_ = part_ + 1 >= parts_.size() ? 0 : part_ + 1;
                offset_ = 0;
            }
            firstChosen_ = true;
            part = part_;
            offset = offset_++;
        }
        file = parts_[part].pictures[offset];
        index = entryOf(part, offset);
    }
    input.TakeSettings(s);
    input.backColor = ColorToRGB(BackColor);
    input.previewMode = PreviewMode;
    input.boxLeft = PreviewBox.left;
    input.boxTop = PreviewBox.top;
    input.boxWidth = PreviewBox.width;
    input.boxHeight = PreviewBox.height;
    input.screen = Screen.isEmpty() ? screenSize() : Screen;
    input.displayBitsPerPixel = screenDepth();
    input.random = Random;
    return true;
}

bool TShowSession::chooseNext()
{
    Chosen chosen;
    if (!choosePicture(nextFile_, chosen.index, chosen.input))
        return false;
    pending_ = std::move(chosen);
    startPending();
    return true;
}

bool TShowSession::startPending()
{
    if (!pending_)
        return true;
    auto load = std::make_shared<Load>();
    load->file = nextFile_;
    load->index = pending_->index;
    load->input = pending_->input;
    load->input.target = nullptr;  // the reading thread never touches the screen
    load->input.deferredTrace = &load->trace;
    next_ = LoadTask::Start([load] {
        try {
            load->picture = ScalePicture(
                LoadPicture(load->file, FitSize(load->input), load->input.log, load->input.deferredTrace),
                load->input);
        } catch (const std::exception& e) {
            load->error = e.what();
        }
        return load;
    });
    if (next_)
        pending_.reset();
    return next_ != nullptr;
}

bool TShowSession::startCycle(Load& load)
{
    const TSettings& s = *Settings;
    if (s.Log)
        for (const std::string& line : load.trace)
            TraceLog(line);
    if (!load.picture) {
        // One unreadable picture must not end the show: skip it, the next cycle goes on.
        if (s.Log)
            TraceLog("Image illisible : " + load.error);
        return false;
    }
    load.input.target = TargetCanvas;
    load.input.deferredTrace = nullptr;
    picture_ = std::make_unique<PreparedPicture>(PlacePicture(std::move(*load.picture), load.input));

    if (!PreviewMode) {
        EffectNumber = NextEffectNumber(EffectNumber, s.Effet, s.AleaEffets, s.Selection, Random);
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
    playing_ = ShowPosition{load.index, load.file};
    if (EffectNumber == 0) {
        TargetCanvas->Draw(picture_->X, picture_->Y, picture_->bitmap);
        present(TargetCanvas);
        Shown = *playing_;
        return false;
    }
    if (EffectNumber < 1 || EffectNumber > EffectCount)
        return false;
    effects::EffectInputs inputs;
    inputs.number = EffectNumber;
    inputs.X = picture_->X;
    inputs.Y = picture_->Y;
    inputs.picture = &picture_->bitmap;
    inputs.target = TargetCanvas;
    inputs.backColor = BackColor;
    TakeEffectSettings(inputs, s, PreviewMode);
    inputs.stop = StopRequested.get_token();
    inputs.random = Random;
    transition_ = std::make_unique<effects::Transition>(inputs, effects::Pace::RealTime);
    return true;
}
