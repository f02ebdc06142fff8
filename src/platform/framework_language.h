#pragma once
// The window framework's own words (file and colour choosers, standard buttons) in French,
// from the translation that Qt keeps with its libraries. Qt only, so that a program that
// links nothing else can use it too.

class QTranslator;

namespace platform {

// Installs the translation into the running application and gives it back (the application
// owns it). Without it, says so on the standard error stream and gives back nullptr: the
// choosers then speak English, which is no reason to stop.
QTranslator* InstallFrameworkFrench();

}  // namespace platform
