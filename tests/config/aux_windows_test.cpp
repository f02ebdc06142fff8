#include "config/aux_actions.h"
#include "config/document_window.h"
#include "config/mail_links.h"
#include "config/newsletter_window.h"
#include "config/rejected_window.h"

#include "settings/settings.h"

#include "platform/host_config.h"
#include "platform/registry.h"
#include "platform/rich_text.h"

#include "support/test_support.h"
#include "widget_helpers.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <functional>

#include <sys/stat.h>

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;

namespace {

bool storedLettreInfoOff()
{
    platform::TRegistry reg(platform::RootKey::CurrentUser);
    return reg.OpenKeyReadOnly("\\Software\\Kestrune\\lumivane") && reg.ValueExists("Afficher Dlg Lettre info") &&
           reg.ReadBool("Afficher Dlg Lettre info");
}

class AuxWindows : public ::testing::Test {
protected:
    AuxWindows() { platform::host().shellLog = host.dir().file("shell.log"); }
    std::vector<std::string> opened() { return Lines(ReadFile(host.dir().file("shell.log"))); }
    ScratchHost host;
    TSettings settings{TSettings::DefaultsOnly{}};
};

}  // namespace

TEST(MailLinks, ExactText)
{
    EXPECT_EQ(WriteToAuthorLink("3.3.7.6"),
              "MailTo:" + AuthorEmail() + "?Subject=Lumivane v3.3.7.6&body=Ne Changez pas l'objet. Merci.");
    EXPECT_EQ(NewsletterLink("3.3.7.6"),
              "MailTo:" + AuthorEmail() + "?Subject=Lumivane v3.3.7.6 : Abonnement à la lettre d'information");
    EXPECT_NE(AuthorEmail().find('@'), std::string::npos);
}

TEST_F(AuxWindows, NewsletterYesOpensTheLinkAndRegisters)
{
    whenModal([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Lumivane"));
        EXPECT_EQ(child<QLabel>(w, "Label4")->text(), QStringLiteral("Souhaitez-vous vous y abonner maintenant ?"));
        EXPECT_EQ(child<QCheckBox>(w, "CBStopDisplay")->text(), QStringLiteral("Ne plus afficher."));
        EXPECT_FALSE(child<QCheckBox>(w, "CBStopDisplay")->isChecked());
        EXPECT_EQ(w->size(), QSize(470, 154));
        child<QPushButton>(w, "BtnOk")->click();
    });
    RunNewsletterPrompt(nullptr, settings, "3.3.7.6");
    EXPECT_TRUE(settings.Enregistre);
    EXPECT_EQ(opened(), std::vector<std::string>{NewsletterLink("3.3.7.6")});
    EXPECT_FALSE(storedLettreInfoOff());
    // Once registered the prompt is not offered again.
    RunNewsletterPrompt(nullptr, settings, "3.3.7.6");
    EXPECT_EQ(opened().size(), 1u);
}

TEST_F(AuxWindows, NewsletterNoOrCloseChangesNothing)
{
    whenModal([](QWidget* w) { child<QPushButton>(w, "BtnNon")->click(); });
    RunNewsletterPrompt(nullptr, settings, "1");
    whenModal([](QWidget* w) { w->close(); });  // the close box
    RunNewsletterPrompt(nullptr, settings, "1");
    EXPECT_FALSE(settings.Enregistre);
    EXPECT_FALSE(settings.AfficherDlgLettreInfo);
    EXPECT_TRUE(opened().empty());
    EXPECT_FALSE(testing_support::Exists(host.hkcu()));
}

TEST_F(AuxWindows, StopDisplayIsSavedAtOnceWhateverTheAnswer)
{
    whenModal([](QWidget* w) {
        child<QCheckBox>(w, "CBStopDisplay")->setChecked(true);
        child<QPushButton>(w, "BtnNon")->click();
    });
    RunNewsletterPrompt(nullptr, settings, "1");
    // Saved although the validation that showed it is never finished.
    EXPECT_TRUE(storedLettreInfoOff());
    EXPECT_FALSE(settings.Enregistre);
    TSettings later{TSettings::DefaultsOnly{}};
    later.ReadRegistry();
    EXPECT_TRUE(later.AfficherDlgLettreInfo);
    RunNewsletterPrompt(nullptr, later, "1");  // not shown again: no modal window to answer
    EXPECT_TRUE(opened().empty());
}

// A hive that cannot be written is said, and the choice stays in memory for the save
// that follows; nothing escapes the button's handler.
TEST_F(AuxWindows, StopDisplayOnAHiveThatRefusesIsSaidAndKept)
{
    platform::host().messageBoxLog = host.dir().file("boxes.log");
    platform::host().messageBoxAnswer = "ok";
    testing_support::WriteFile(host.hkcu(), "Windows Registry Editor Version 5.00\r\n\r\n");
    ::chmod(host.hkcu().c_str(), 0444);
    whenModal([](QWidget* w) {
        child<QCheckBox>(w, "CBStopDisplay")->setChecked(true);
        child<QPushButton>(w, "BtnNon")->click();
    });
    EXPECT_NO_THROW(RunNewsletterPrompt(nullptr, settings, "1"));
    EXPECT_TRUE(settings.AfficherDlgLettreInfo);
    const auto boxes = Lines(ReadFile(host.dir().file("boxes.log")));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("read-only"), std::string::npos) << boxes[0];
    ::chmod(host.hkcu().c_str(), 0644);
}

TEST_F(AuxWindows, MailToAuthorIsRememberedOnlyInMemory)
{
    BtnMailMoiClick(settings, "3.3.7.6");
    EXPECT_TRUE(settings.Enregistre);
    EXPECT_EQ(opened(), std::vector<std::string>{WriteToAuthorLink("3.3.7.6")});
    EXPECT_FALSE(testing_support::Exists(host.hkcu()));  // saved only by a validation
}

TEST_F(AuxWindows, RemovedPicturesWindowListsThem)
{
    whenModal([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Images supprimées de la sélection"));
        EXPECT_EQ(w->size(), QSize(440, 303));
        EXPECT_EQ(child<QLabel>(w, "TxtTailleMax")->text(), QStringLiteral("8000 x 8000"));
        EXPECT_EQ(child<QLabel>(w, "NBImages")->text(), QStringLiteral("2"));
        auto* list = child<QListWidget>(w, "LBRejet");
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(1)->text(), QStringLiteral("/p/é b.jpg"));
        child<QPushButton>(w, "Button1")->click();
    });
    ShowRejectedPictures(nullptr, {"/p/a.jpg", "/p/é b.jpg"}, "8000 x 8000");
}

TEST_F(AuxWindows, LicenceDocumentShowsTheInstalledFile)
{
    settings.CheminInstall = std::string(LUMIVANE_RESOURCES) + "/";
    whenModal([](QWidget* w) {
        EXPECT_EQ(w->windowTitle(),
                  QStringLiteral("Lumivane : Rappel du contrat de licence que vous avez accepté lors de l'installation"));
        EXPECT_EQ(w->size(), QSize(781, 490));
        const QString text = child<QTextBrowser>(w, "RichEdit1")->toPlainText();
        EXPECT_TRUE(text.startsWith(QStringLiteral("CONTRAT DE LICENCE DE LUMIVANE"))) << text.left(80).toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Économiseur d'écran")));
        EXPECT_FALSE(text.contains(QLatin1Char('\\')));
        child<QPushButton>(w, "Button1")->click();
    });
    BtLicenceClick(nullptr, settings, "Lumivane");
}

TEST_F(AuxWindows, MissingLicenceIsReportedWithoutAWindow)
{
    platform::host().messageBoxLog = host.dir().file("boxes.log");
    platform::host().messageBoxAnswer = "ok";
    settings.CheminInstall = host.dir().path() + "/nowhere/";
    BtLicenceClick(nullptr, settings, "Lumivane");  // would wait forever if a window were shown
    EXPECT_EQ(Lines(ReadFile(host.dir().file("boxes.log"))),
              std::vector<std::string>{"aux_windows_tests | error | ok | Impossible d'ouvrir le fichier \"" +
                                       host.dir().path() + "/nowhere/lvlicfr.rtf\". Le fichier spécifié est introuvable."});
}
