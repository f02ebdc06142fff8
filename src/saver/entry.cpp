#include "entry.h"

#include "command_line.h"
#include "hosted_show.h"
#include "main_form.h"
#include "password.h"

#include "settings/app_state.h"
#include "settings/environment.h"
#include "settings/settings.h"

#include "config/config_form.h"

#include "inet/vorl_version.h"

#include "sprites/sprite_random.h"

#include "watch/watcher.h"

#include "platform/background_task.h"
#include "platform/foreign_window.h"
#include "platform/framework_language.h"
#include "platform/host_config.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "platform/window_system.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>

#include <sys/stat.h>

namespace {

bool displayAvailable()
{
    return !platform::EnvValue("DISPLAY").empty() || !platform::EnvValue("WAYLAND_DISPLAY").empty() ||
           !platform::EnvValue("QT_QPA_PLATFORM").empty();
}

bool socketExists(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Qt aborts when its platform cannot reach its display, before any of our code could say
// why: the display is asked first. Empty when one of the platforms asked for can start.
std::string missingDisplay(const std::string& platforms)
{
    const std::string noX = "aucun affichage X (la variable DISPLAY est vide).";
    if (platforms.empty())
        return noX;
    std::string said;
    size_t start = 0;
    while (start <= platforms.size()) {
        const size_t end = std::min(platforms.find(';', start), platforms.size());
        const std::string platform = platforms.substr(start, end - start);
        start = end + 1;
        std::string missing;
        if (platform.rfind("xcb", 0) == 0) {
            const std::string display = platform::EnvValue("DISPLAY");
            if (display.empty())
                missing = noX;
            else if (platform::RootWindowId() == 0)
                missing = "l'affichage X « " + display + " » ne répond pas.";
        } else if (platform.rfind("wayland", 0) == 0) {
            std::string socket = platform::EnvValue("WAYLAND_DISPLAY");
            if (socket.empty())
                socket = "wayland-0";  // the client library's own default
            if (socket.front() != '/')
                socket = platform::EnvValue("XDG_RUNTIME_DIR") + "/" + socket;
            if (!socketExists(socket))
                missing = "aucun affichage Wayland (" + socket + " n'existe pas).";
        }
        if (missing.empty())
            return {};
        if (said.empty())
            said = missing;
    }
    return said;
}

// A reading given up at its deadline may still be running (a share that no longer answers)
// with the application's image plugins, and posts to the application when it returns: the
// application goes only once none is left. One still blocked after a moment ends the
// process as it is, with its status (or by the host's signal): nothing of the user's is left
// to save by then.
int closeApplication(std::unique_ptr<QApplication>& app, int status, bool endBySignal = false)
{
    if (!platform::WaitForBackgroundTasks(platform::kEndWaitForBackgroundTasks)) {
        std::cout.flush();
        std::cerr.flush();
        if (endBySignal)
            platform::TerminationSignals::EndByReceived();
        std::_Exit(status);
    }
    app.reset();
    return status;
}

}  // namespace

int LumivaneMain(int argc, char** argv)
{
    // Answered from the program's own version information, before anything that needs a
    // display, settings or an installation.
    if (argc > 1 && std::string(argv[1]) == "--version") {
        std::cout << "Lumivane " << TVorlVersion().FileVersion << std::endl;
        return 0;
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    ConfigureHost();

    const CommandLine commandLine = ParseCommandLine(args, platform::EnvValue("XSCREENSAVER_WINDOW"));
    if (commandLine.help) {
        std::cout << Usage();
        return 0;
    }
    if (!commandLine.error.empty()) {
        std::cerr << "lumivane: " << commandLine.error << "\n";
        return 2;
    }
    if (commandLine.watch)
        return watch::RunWatcher(argc, argv, commandLine.watchDelaySeconds, platform::ExecutablePath());
    // Native Wayland in a Wayland session, X11 otherwise; drawing into a window given by
    // number is X11's alone.
    const bool needsX11 = commandLine.hosted || commandLine.mode == kModePreview;
    const platform::WindowSystemChoice windows =
        platform::ChooseWindowSystem(needsX11, platform::EnvValue("QT_QPA_PLATFORM"),
                                     platform::EnvValue("WAYLAND_DISPLAY"), platform::EnvValue("DISPLAY"));
    if (!windows.error.empty() && displayAvailable()) {
        std::cerr << "lumivane: " << windows.error << ".\n";
        return 2;
    }
    if (!windows.platform.empty())
        ::setenv("QT_QPA_PLATFORM", windows.platform.c_str(), 1);

    // The window framework needs a display; without one, only the password change can
    // still say what went wrong (on the standard error stream).
    const std::string noDisplay = missingDisplay(platform::EnvValue("QT_QPA_PLATFORM"));
    std::unique_ptr<QApplication> app;
    if (noDisplay.empty()) {
        app = std::make_unique<QApplication>(argc, argv);
        platform::InstallFrameworkFrench();
    }
    uint8_t SaverMode = commandLine.mode;
    ParentWindow = commandLine.parentWindow;
    if (SaverMode == kModePassword)
        ChangePassword(args);

    if (!app) {
        std::cerr << "lumivane: " << noDisplay << "\n"
                     "Lancez-le dans une session graphique, ou sous Xvfb : xvfb-run -a lumivane /s\n";
        return 1;
    }

    if (commandLine.hosted) {
        // The host holds the screen: nothing may wait for an answer there.
        platform::host().messageBoxesOnStderr = true;
        SettingOverrides = commandLine.overrides;
    }
    std::shared_ptr<TSettings> settings;
    if (SaverMode != kModePreview) {
        settings = LoadSettingsAway(commandLine.hosted);
        if (settings->LoadFailure) {
            platform::ShowFatalBox(*settings->LoadFailure);
            settings.reset();
            return closeApplication(app, 1);
        }
    }
    platform::Randomize();
    sprites::FillRandomTable();
    QApplication::setApplicationName(QStringLiteral("lumivane"));
    NoRun = false;

    if (commandLine.hosted) {
        // The host owns the screen and the decision to stop; settings as in run mode.
        SaverMode = kModeRun;
        if (!settings->Problem.empty())
            std::cerr << "lumivane: " << settings->Problem << '\n';
        if (settings->UsingSamples)
            std::cerr << "lumivane: aucune image choisie : voici les images d'exemple de " << settings->CheminInstall
                      << " ; choisissez les vôtres avec « lumivane /c ».\n";
        const int result = RunHostedShow(commandLine.hostWindow, settings);
        settings.reset();
        closeApplication(app, result, true);
        // Ended by the host's signal: as hacks do, by that signal, now that all is cleaned up.
        platform::TerminationSignals::EndByReceived();
        return result;
    }

    // Drawing nowhere is no success: the number was missing, not a number, or no window.
    const bool previewNowhere =
        SaverMode == kModePreview && (ParentWindow == 0 || !platform::ForeignWindow(ParentWindow).exists());
    std::unique_ptr<TMainForm> mainWindow;
    if (SaverMode == kModeRun)
        SaverMode = EffectiveMode(SaverMode, IsConfigValidated());
    if (SaverMode == kModeConfigure) {
        // The dialog is the program's one window: when it closes, the program ends.
        auto dialog = std::make_unique<TFConfig>(*settings);
        dialog->exec();
        dialog.reset();
        settings.reset();
        return closeApplication(app, 0);
    }
    if (SaverMode == kModeRun) {
        // A Qt application has no hidden top-level window, so the tool-window style that
        // run mode gives it on Windows has nothing to apply to here.
        auto form = std::make_unique<TMainForm>(SaverMode, settings);
        if (!NoRun) {
            // An idle daemon ends the show it started with SIGTERM: as a stop by the user.
            if (platform::TerminationSignals::Watch())
                QObject::connect(&platform::TerminationSignals::Instance(), &platform::TerminationSignals::received,
                                 form.get(), [window = form.get()] { window->close(); });
            form->ShowSaver();
        }
        mainWindow = std::move(form);
    } else if (SaverMode == kModePreview) {
        mainWindow = std::make_unique<TMainForm>(SaverMode, nullptr);  // its creation runs the whole preview
    }

    if (previewNowhere && mainWindow && mainWindow->ExitCode == 0) {
        std::cerr << "lumivane: l'aperçu attend le numéro d'une fenêtre X existante (/p N), "
                  << (ParentWindow ? "et la fenêtre " + std::to_string(ParentWindow) + " n'existe pas"
                                   : std::string("et la ligne de commande n'en donne pas"))
                  << ".\n";
        mainWindow.reset();
        return closeApplication(app, 2);
    }
    int result = mainWindow ? mainWindow->ExitCode : 0;
    if (!NoRun && mainWindow)
        result = QApplication::exec();
    // The saver window ends its show before it goes.
    mainWindow.reset();
    settings.reset();
    return closeApplication(app, result);
}
