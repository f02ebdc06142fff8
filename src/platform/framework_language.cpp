#include "framework_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <iostream>

namespace platform {

QTranslator* InstallFrameworkFrench()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return nullptr;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(app);
    if (!translator->load(QStringLiteral("qtbase_fr"), folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        std::cerr << QCoreApplication::applicationName().toStdString()
                  << " : la traduction française de Qt (qtbase_fr.qm) manque dans " << folder.toStdString()
                  << " ; les fenêtres standard resteront en anglais (paquet qt6-translations-l10n).\n";
        return nullptr;
    }
    return translator;
}

}  // namespace platform
