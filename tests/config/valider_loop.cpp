// Opens the configuration dialog on the hives the LUMIVANE_* variables name and presses
// Valider again and again, cycling through the choices of valider_variants.h, for the
// tests that kill a save at random moments. Writes "r" on its standard output once the
// dialog is open and "." after each Valider that saved.
//   valider_loop [COUNT]    COUNT presses, then exits; without it, until killed

#include "valider_variants.h"

#include "settings/app_state.h"
#include "settings/environment.h"

#include <QApplication>
#include <QPushButton>

#include <cstdlib>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::atol(argv[1]) : 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ConfigureHost();
    QApplication app(argc, argv);
    TSettings settings;  // loads both hives as the program does, and ends it if it cannot
    int status = 0;
    {
        TFConfig form(settings);
        form.show();
        [[maybe_unused]] ssize_t n = ::write(STDOUT_FILENO, "r", 1);
        for (long press = 0; count == 0 || press < count; ++press) {
            kValiderVariants[press % 3].applyTo(form);
            form.setResult(QDialog::Rejected);
            form.BtOk->click();
            if (form.result() != QDialog::Accepted) {
                std::cerr << "valider_loop: Valider did not save (press " << press << ")\n";
                status = 1;
                break;
            }
            n = ::write(STDOUT_FILENO, ".", 1);
        }
    }
    return status;
}
