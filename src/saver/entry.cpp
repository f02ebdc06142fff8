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

#include "platform/framework_language.h"
#include "platform/host_config.h"
#include "platform/random.h"

#include <QApplication>
#include <QWidget>

#include <iostream>
#include <memory>

namespace {

bool displayAvailable()
{
    return !platform::EnvValue("DISPLAY").empty() || !platform::EnvValue("WAYLAND_DISPLAY").empty() ||
           !platform::EnvValue("QT_QPA_PLATFORM").empty();
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

    // The window framework needs a display; without one, only the password change can
    // still say what went wrong (on the standard error stream).
    std::unique_ptr<QApplication> app;
    if (displayAvailable()) {
        app = std::make_unique<QApplication>(argc, argv);
        platform::InstallFrameworkFrench();
    }

    const CommandLine commandLine = ParseCommandLine(args, platform::EnvValue("XSCREENSAVER_WINDOW"));
    if (!commandLine.error.empty()) {
        std::cerr << "lumivane: " << commandLine.error << "\n";
        return 2;
    }
    SaverMode = commandLine.mode;
    ParentWindow = commandLine.parentWindow;
    if (SaverMode == kModePassword)
        ChangePassword(args);

    if (!app) {
        std::cerr << "lumivane: aucun affichage X (la variable DISPLAY est vide).\n"
                     "Lancez-le dans une session graphique, ou sous Xvfb : xvfb-run -a lumivane /s\n";
        return 1;
    }

    std::unique_ptr<TSettings> settings;
    if (SaverMode != kModePreview) {
        settings = std::make_unique<TSettings>();
        AppSettings = settings.get();
    }
    platform::Randomize();
    sprites::FillRandomTable();
    QApplication::setApplicationName(QStringLiteral("lumivane"));
    NoRun = false;

    if (commandLine.hosted) {
        // The host owns the screen and the decision to stop; settings as in run mode.
        SaverMode = kModeRun;
        const int result = RunHostedShow(commandLine.hostWindow);
        AppSettings = nullptr;
        return result;
    }

    std::unique_ptr<QWidget> mainWindow;
    if (SaverMode == kModeRun)
        SaverMode = EffectiveMode(SaverMode, IsConfigValidated());
    if (SaverMode == kModeConfigure) {
        // The dialog is the program's one window: when it closes, the program ends.
        auto dialog = std::make_unique<TFConfig>();
        dialog->exec();
        dialog.reset();
        AppSettings = nullptr;
        return 0;
    }
    if (SaverMode == kModeRun) {
        // A Qt application has no hidden top-level window, so the tool-window style that
        // run mode gives it on Windows has nothing to apply to here.
        auto form = std::make_unique<TMainForm>();
        if (!NoRun)
            form->show();
        mainWindow = std::move(form);
    } else if (SaverMode == kModePreview) {
        mainWindow = std::make_unique<TMainForm>();  // its creation runs the whole preview
    }

    int result = 0;
    if (!NoRun && mainWindow)
        result = QApplication::exec();
    // The saver window stops its display thread before it goes.
    mainWindow.reset();
    AppSettings = nullptr;
    return result;
}
