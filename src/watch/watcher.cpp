#include "watcher.h"

#include "desktop.h"
#include "idle_source.h"
#include "screensaver_service.h"

#include "platform/named_mutex.h"
#include "platform/registry.h"
#include "platform/window_system.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <set>

namespace watch {

using namespace std::chrono_literals;

namespace {

void say(const std::string& line) { std::cerr << "lumivane --watch : " << line << std::endl; }

// Says a line once for as long as it stays true; said again after it has stopped being so.
class OnceLog {
public:
    void note(const std::string& key, const std::string& line)
    {
        if (said_.insert(key).second)
            say(line);
    }
    void clear(const std::string& key) { said_.erase(key); }

private:
    std::set<std::string> said_;
};

struct WatchSettings {
    int delaySeconds = 600;
    int maxShowMinutes = 30;
    bool lockOnReturn = true;
};

// A timer's milliseconds stay within an int: about three weeks.
constexpr int kLongestShowMinutes = 30000;

// desktopBlank: the desktop's blanking delay as read at the start (seconds, 0 unknown).
WatchSettings readSettings(int delayOverride, int desktopBlank, const std::string& blankSource, std::string& how)
{
    TSettings settings(TSettings::DefaultsOnly{});
    try {
        ReadUserValues(settings, {"DelaiVeille", "DureeVeille", "VerrouAuRetour"});
    } catch (const std::exception& e) {
        say(std::string("réglages illisibles, ceux par défaut valent : ") + e.what());
    }
    WatchSettings result;
    result.maxShowMinutes = std::clamp(settings.DureeVeille, 0, kLongestShowMinutes);
    result.lockOnReturn = settings.VerrouAuRetour;
    if (delayOverride > 0) {
        result.delaySeconds = delayOverride;
        how = "--delay";
    } else if (settings.DelaiVeille == TSettings::kDelaiDuBureau) {
        result.delaySeconds = DefaultDelaySeconds(desktopBlank);
        how = desktopBlank > 0 ? "une minute avant l'extinction du bureau (" + blankSource + " : " +
                                     std::to_string(desktopBlank) + " s)"
                               : "le délai par défaut, le bureau ne disant pas quand il s'éteint";
    } else {
        result.delaySeconds = std::max(settings.DelaiVeille, 0) * 60;
        how = "DelaiVeille";
    }
    return result;
}

class Watcher : public QObject {
public:
    Watcher(std::unique_ptr<IdleSource> idle, std::string program, int delayOverride)
        : idle_(std::move(idle)), program_(std::move(program)), delayOverride_(delayOverride),
          service_(QDBusConnection::sessionBus())
    {
        if (service_.Register())
            say("org.freedesktop.ScreenSaver est offert ici : les lecteurs de films peuvent suspendre le diaporama");
        connect(idle_.get(), &IdleSource::idled, this, [this] {
            idleNow_ = true;
            tryStart();
        });
        connect(idle_.get(), &IdleSource::resumed, this, [this] {
            idleNow_ = false;
            awaitReturn_ = false;
            heldBack_ = false;
            recheck_.stop();
            afterFilm_.stop();
        });
        // While idle but held back, look again now and then: the film may end. Once it has,
        // the delay is counted again from then, as if the film had been input.
        recheck_.setInterval(5s);
        connect(&recheck_, &QTimer::timeout, this, [this] { tryStart(); });
        afterFilm_.setSingleShot(true);
        connect(&afterFilm_, &QTimer::timeout, this, [this] { tryStart(); });
        // A film that holds its inhibitor here keeps the X server's own blanking off too,
        // as it would have itself had nobody offered the service.
        connect(&service_, &ScreenSaverService::inhibitedChanged, this, [this](bool inhibited) {
            if (inhibited)
                filmBlank_ = std::make_unique<BlankInhibit>();
            else
                filmBlank_.reset();
        });
        duration_.setSingleShot(true);
        connect(&duration_, &QTimer::timeout, this, [this] {
            if (!show_)
                return;
            endedByDuration_ = true;
            endShowLocked();
        });
    }

    ~Watcher() override
    {
        // The show goes with the watcher, and nothing of it calls back into what is gone.
        if (show_) {
            show_->disconnect(this);
            Stop();
        }
    }

    // False when the delay says the watcher has nothing to do.
    bool Start()
    {
        desktopBlank_ = DesktopBlankSeconds(blankSource_);
        std::string how;
        settings_ = readSettings(delayOverride_, desktopBlank_, blankSource_, how);
        if (settings_.delaySeconds <= 0) {
            say("DelaiVeille vaut 0 : le veilleur ne lance rien");
            return false;
        }
        say("inactivité lue par " + idle_->Name() + " ; diaporama après " + std::to_string(settings_.delaySeconds) +
            " s (" + how + ")");
        idle_->Arm(std::chrono::seconds(settings_.delaySeconds));
        return true;
    }

    // The watcher is told to go: the show it started goes with it, and nothing is locked.
    void Stop()
    {
        quitting_ = true;
        if (show_) {
            show_->terminate();
            if (!show_->waitForFinished(5000))
                show_->kill();
        }
    }

private:
    void tryStart()
    {
        // After a show ended by its duration the user is still away: the next show waits
        // for them to come back and leave again.
        if (show_ || !idleNow_ || quitting_ || awaitReturn_ || afterFilm_.isActive())
            return;
        // The inhibitors first: while a film plays this runs every few seconds, and they
        // cost less than the look for another screen saver (an X connection, a scan of /proc).
        if (service_.Inhibited() || DesktopInhibited()) {
            log_.note("inhibit", "une application empêche la mise en veille : pas de diaporama");
            heldBack_ = true;
            if (!recheck_.isActive())
                recheck_.start();
            return;
        }
        log_.clear("inhibit");
        recheck_.stop();
        const std::string other = OtherScreenSaver();
        if (!other.empty()) {
            log_.note("other", other + " tient l'économiseur de ce bureau : le veilleur ne lance rien");
            return;
        }
        log_.clear("other");
        if (!IsConfigValidated()) {
            log_.note("config", "la configuration n'est pas encore validée (lumivane /c) : pas de diaporama");
            return;
        }
        log_.clear("config");
        if (heldBack_) {
            heldBack_ = false;
            afterFilm_.start(std::chrono::seconds(settings_.delaySeconds));
            return;
        }
        startShow();
    }

    void startShow()
    {
        // The dialog may have changed the settings since the start.
        std::string how;
        const int armed = settings_.delaySeconds;
        settings_ = readSettings(delayOverride_, desktopBlank_, blankSource_, how);
        if (settings_.delaySeconds <= 0) {
            log_.note("off", "DelaiVeille vaut 0 : le veilleur ne lance plus rien");
            return;
        }
        log_.clear("off");
        if (settings_.delaySeconds != armed) {
            say("nouveau délai : " + std::to_string(settings_.delaySeconds) + " s (" + how + ")");
            idle_->Arm(std::chrono::seconds(settings_.delaySeconds));
            if (settings_.delaySeconds > armed)
                return;  // not idle that long yet
        }
        endedByDuration_ = false;
        endedByInput_ = false;
        locked_ = false;
        if (LeaveOverview())
            say("vue d'ensemble de GNOME fermée avant le diaporama");
        show_ = std::make_unique<QProcess>();
        // Its errors go where the watcher's go; its output says when input asks it to end.
        show_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LUMIVANE_REPORT_INPUT"), QStringLiteral("1"));
        show_->setProcessEnvironment(environment);
        connect(show_.get(), &QProcess::readyReadStandardOutput, this, [this] {
            if (show_ && show_->readAllStandardOutput().contains("input\n") && !endedByInput_) {
                endedByInput_ = true;
                endShowLocked();
            }
        });
        connect(show_.get(), &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
            showEnded(code, status);
        });
        blank_ = std::make_unique<BlankInhibit>();
        show_->start(QString::fromStdString(program_), {QStringLiteral("/s")});
        if (!show_->waitForStarted(10000)) {
            say("le diaporama ne démarre pas : " + show_->errorString().toStdString());
            show_.reset();
            blank_.reset();
            return;
        }
        service_.SetActive(true);
        if (settings_.maxShowMinutes > 0)
            duration_.start(std::chrono::minutes(settings_.maxShowMinutes));
        say("diaporama lancé");
    }

    // The session is locked while the show still covers the screen, then the show ends.
    void endShowLocked()
    {
        lock();
        if (show_)
            show_->terminate();
    }

    void lock()
    {
        if (!settings_.lockOnReturn || locked_)
            return;
        locked_ = true;
        const std::string how = LockSession();
        if (how.empty())
            log_.note("nolock", "ce bureau n'offre pas de verrouillage : la session reste ouverte");
        else
            say("verrouillage par " + how);
    }

    void showEnded(int code, QProcess::ExitStatus status)
    {
        duration_.stop();
        // Let go of the process from its own signal handler, once it has returned.
        QTimer::singleShot(0, this, [this] { show_.reset(); });
        if (!quitting_) {
            const bool byUser = endedByInput_ || (status == QProcess::NormalExit && code == 0 && !endedByDuration_);
            say(endedByDuration_ ? "diaporama arrêté après DureeVeille"
                : byUser         ? "diaporama fini"
                                 : "le diaporama s'est arrêté (code " + std::to_string(code) + ")");
            awaitReturn_ = endedByDuration_;
            // Whatever else ended it (a crash), the session is locked before the desktop
            // may blank again. Only the watcher's own end locks nothing.
            lock();
        }
        blank_.reset();
        service_.SetActive(false);
    }

    std::unique_ptr<IdleSource> idle_;
    std::string program_;
    int delayOverride_;
    ScreenSaverService service_;
    WatchSettings settings_;
    std::unique_ptr<QProcess> show_;
    std::unique_ptr<BlankInhibit> blank_;
    std::unique_ptr<BlankInhibit> filmBlank_;
    QTimer recheck_;
    QTimer afterFilm_;
    QTimer duration_;
    OnceLog log_;
    int desktopBlank_ = 0;
    std::string blankSource_;
    bool idleNow_ = false;
    bool endedByInput_ = false;
    bool locked_ = false;
    bool awaitReturn_ = false;
    bool heldBack_ = false;
    bool endedByDuration_ = false;
    bool quitting_ = false;
};

}  // namespace

int RunWatcher(int argc, char** argv, int delaySeconds, const std::string& program)
{
    // Held for the process's life: the lock goes with it, however it ends.
    static platform::NamedMutex sessionLock("lumivane-watch");
    if (!sessionLock.owned()) {
        if (!sessionLock.error().empty())
            std::cerr << "lumivane --watch : le verrou de session " << sessionLock.path()
                      << " ne peut servir : " << sessionLock.error() << "\n";
        else
            std::cerr << "lumivane --watch : un veilleur surveille déjà cette session"
                      << (sessionLock.holder().empty() ? std::string() : " (processus " + sessionLock.holder() + ")")
                      << " ; verrou " << sessionLock.path() << "\n";
        return 1;
    }
    QCoreApplication app(argc, argv);
    std::string why;
    std::unique_ptr<IdleSource> idle = ChooseIdleSource(why);
    if (!idle) {
        std::cerr << "lumivane --watch : " << why << " ; le diaporama ne peut pas partir seul ici.\n";
        return 1;
    }
    Watcher watcher(std::move(idle), program, delaySeconds);
    if (!watcher.Start())
        return 0;
    if (platform::TerminationSignals::Watch())
        QObject::connect(&platform::TerminationSignals::Instance(), &platform::TerminationSignals::received, &app,
                         [&] {
                             watcher.Stop();
                             QCoreApplication::quit();
                         });
    return QCoreApplication::exec();
}

}  // namespace watch
