#include "aux_actions.h"

#include "document_window.h"
#include "mail_links.h"
#include "newsletter_window.h"
#include "rejected_window.h"

#include "settings/settings.h"

#include "inet/getinet_file.h"
#include "inet/update_check.h"

#include "platform/message_box.h"
#include "platform/reg_file.h"
#include "platform/rich_text.h"
#include "platform/shell.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

void BtLicenceClick(QWidget* owner, const TSettings& settings, const std::string& fileDescription)
{
    TFDocument document(owner);
    document.setWindowTitle(QString::fromStdString(
        fileDescription + " : Rappel du contrat de licence que vous avez accepté lors de l'installation"));
    try {
        document.LoadFile(settings.CheminInstall + "lvlicfr.rtf");
    } catch (const platform::FileOpenError& e) {
        platform::ShowException(e);
        return;
    }
    document.exec();
}

void BtnMailMoiClick(TSettings& settings, const std::string& fileVersion)
{
    // No mail program is no error here: the user's wish is recorded all the same.
    platform::OpenDocument(WriteToAuthorLink(fileVersion));
    settings.Enregistre = true;
}

void BitBtn1Click(const std::string& fileVersion)
{
    using namespace platform;
    const uint32_t alone = MB_TOPMOST | MB_SYSTEMMODAL;
    if (MessageBox(nullptr,
                   "Vous devez disposer d'une connection active à Internet.\r\nDésirez-vous vérifier l'existence "
                   "d'une mise à jour maintenant ?",
                   "Lumivane", MB_YESNO | MB_ICONQUESTION | alone) == IDNO)
        return;
    UpdateCheck result;
    try {
        result = CheckForUpdate(fileVersion, "Une nouvelle mise à jour de Lumivane est disponible. Veuillez suivre les "
                                             "indications de l'étape 1 de votre document de licence utilisateur.");
    } catch (const EInOutError& e) {
        ShowException(e);
        return;
    }
    // A check that could not be made is not reported as "no update".
    if (result == UpdateCheck::NoUpdate)
        MessageBox(nullptr, "Aucune mise à jour disponible.", "Lumivane", MB_OK | MB_ICONINFORMATION | alone);
    else if (result == UpdateCheck::Failed)
        MessageBox(nullptr,
                   "Impossible de vérifier l'existence d'une mise à jour.\r\nVérifiez votre connexion à Internet et "
                   "réessayez.",
                   "Lumivane", MB_OK | MB_ICONINFORMATION | alone);
}

void RunNewsletterPrompt(QWidget* owner, TSettings& settings, const std::string& fileVersion)
{
    if (settings.Enregistre || settings.AfficherDlgLettreInfo)
        return;
    TF_LettreInfo prompt(owner);
    prompt.Label1->setText(QStringLiteral("Merci d'avoir choisi ce logiciel."));
    prompt.Label2->setText(QStringLiteral("Afin d'être informé des mises à jours et des nouvelles versions,"));
    prompt.Label3->setText(QStringLiteral("vous pouvez vous enregistrer GRATUITEMENT à la lettre d'information."));
    prompt.Label4->setText(QStringLiteral("Souhaitez-vous vous y abonner maintenant ?"));
    prompt.CBStopDisplay->setText(QStringLiteral("Ne plus afficher."));
    prompt.BtnOk->setText(QStringLiteral("Oui"));
    prompt.BtnNon->setText(QStringLiteral("Non"));
    const int result = prompt.exec();
    if (prompt.CBStopDisplay->isChecked()) {
        settings.AfficherDlgLettreInfo = true;
        // Written at once: it holds even if the validation is abandoned later. A hive that
        // refuses is said here; the choice stays for the settings' own save, which follows.
        try {
            settings.SaveLettreInfoOff();
        } catch (const platform::RegistryError& e) {
            platform::ShowException(e);
        }
    }
    if (result == QDialog::Accepted) {
        platform::OpenDocument(NewsletterLink(fileVersion));
        settings.Enregistre = true;
    }
}

void ShowRejectedPictures(QWidget* owner, const std::vector<std::string>& paths, const std::string& limitText)
{
    TF_liste_rejet window(owner);
    for (const auto& path : paths)
        window.LBRejet->addItem(QString::fromStdString(path));
    window.TxtTailleMax->setText(QString::fromStdString(limitText));
    window.NBImages->setText(QString::number(paths.size()));
    window.NBImages->adjustSize();
    window.exec();
}
