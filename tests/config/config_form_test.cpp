// The configuration dialog driven as a user drives it, against scratch hives.

#include "config/config_form.h"
#include "config/config_widgets.h"
#include "config/picture_preview.h"

#include "display/show_session.h"
#include "display/picture_format.h"

#include "inet/is_inet_online.h"
#include "inet/update_check.h"

#include "settings/app_state.h"
#include "settings/settings.h"

#include "platform/background_task.h"
#include "platform/gdi/canvas_widget.h"
#include "platform/framework_language.h"
#include "platform/gdi/types.h"
#include "platform/host_config.h"

#include "support/http_test_server.h"
#include "support/test_support.h"
#include "widget_helpers.h"

#include <gtest/gtest.h>

#include <map>

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

#include <functional>

#include <filesystem>
#include <set>
#include <memory>

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::ScratchHost;
using testing_support::WriteFile;

namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kNoEffect = "Lumivane | information | ok | Vous n'avez sélectionné aucun effets !";

void writePicture(const std::string& path, int w, int h, QColor colour, const char* format = "BMP")
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(path), format));
}

class Dialog : public ::testing::Test {
protected:
    Dialog()
    {
        platform::host().messageBoxLog = host.dir().file("boxes.log");
        platform::host().messageBoxAnswer = "yes";
        platform::host().shellLog = host.dir().file("shell.log");
        machine(false);
    }
    ~Dialog() override
    {
        form.reset();
    }

    std::string inst() const { return host.dir().path() + "/inst/"; }
    std::string pics() const { return host.dir().path() + "/pics/"; }

    void machine(bool validated)
    {
        std::filesystem::create_directories(inst());
        WriteFile(host.hklm(), kHeader + "[HKEY_LOCAL_MACHINE\\Software\\Kestrune\\lumivane]\r\n\"CheminInstall\"=\"" +
                                   inst() + "\"\r\n" + (validated ? "\"ConfigValidated\"=dword:00000001\r\n" : ""));
    }
    // User values; the newsletter prompt is switched off unless a test wants it.
    void user(const std::string& values, const std::vector<std::string>& images = {})
    {
        std::string text = kHeader + "[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane]\r\n" +
                           "\"Afficher Dlg Lettre info\"=dword:00000001\r\n" + values;
        text += "\r\n[HKEY_CURRENT_USER\\Software\\Kestrune\\lumivane\\Images]\r\n";
        for (size_t i = 0; i < images.size(); ++i)
            text += "\"" + std::to_string(i) + "\"=\"" + images[i] + "\"\r\n";
        WriteFile(host.hkcu(), text);
    }

    TFConfig& open()
    {
        settings = std::make_unique<TSettings>(TSettings::DefaultsOnly{});
        settings->ReadRegistry();
        form = std::make_unique<TFConfig>(*settings);
        form->show();
        return *form;
    }
    std::unique_ptr<TSettings> stored()
    {
        auto s = std::make_unique<TSettings>(TSettings::DefaultsOnly{});
        s->ReadRegistry();
        return s;
    }
    std::vector<std::string> rows() const
    {
        std::vector<std::string> r;
        for (int i = 0; i < form->DstList->count(); ++i)
            r.push_back(form->DstList->item(i)->text().toStdString());
        return r;
    }
    std::vector<std::string> boxes() { return Lines(ReadFile(host.dir().file("boxes.log"))); }
    void clickRow(TRowList* list, int row)
    {
        QListWidgetItem* item = list->item(row);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
    // Thumbnails are read away from the main thread: wait for the row's size to be shown.
    bool waitThumbnail(const char* size)
    {
        return QTest::qWaitFor([&] { return form->TxtResolution->text() == QLatin1String(size); }, 20000);
    }

    bool waitPreviewEnd()
    {
        QElapsedTimer t;
        t.start();
        while ((form->PreviewRunning || PreviewThread) && t.elapsed() < 20000)
            QTest::qWait(10);
        return !form->PreviewRunning && !PreviewThread;
    }

    ScratchHost host;
    std::unique_ptr<TSettings> settings;
    std::unique_ptr<TFConfig> form;
};

}  // namespace

TEST_F(Dialog, FirstConfigurationOffersTheInstallationPicturesFirst)
{
    writePicture(inst() + "a.jpg", 20, 20, Qt::red, "JPG");
    writePicture(inst() + "b.JPG", 20, 20, Qt::red, "JPG");
    writePicture(inst() + "c.jpg", 20, 20, Qt::red, "JPG");
    writePicture(inst() + "d.bmp", 20, 20, Qt::red);
    writePicture(pics() + "mine.bmp", 20, 20, Qt::blue);
    user("", {pics() + "mine.bmp"});
    open();
    const auto first = rows();
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(std::set<std::string>(first.begin(), first.begin() + 3),
              (std::set<std::string>{inst() + "a.jpg", inst() + "b.JPG", inst() + "c.jpg"}));
    EXPECT_EQ(first[3], pics() + "mine.bmp");
    EXPECT_EQ(form->DstLabel->text(), QStringLiteral("4 images choisies :"));
    EXPECT_EQ(form->InitialPictureCount, 4);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Paramètres de Lumivane v3.376"));
    EXPECT_EQ(form->width(), 781);
    EXPECT_LT(form->height(), 545);  // the outer height, frame included, is 545

    form->BtOkClick();  // as many rows as at opening: no size check
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(IsConfigValidated());
    EXPECT_EQ(stored()->Images, first);

    // Validated: the stored list alone (which now holds the samples), none added again.
    open();
    EXPECT_EQ(rows(), first);
}

TEST_F(Dialog, SelectionIsReadUpTo228AndWrittenAsExactly228)
{
    machine(true);
    writePicture(pics() + "p.bmp", 20, 20, Qt::blue);
    user("\"Selection\"=\"101\"\r\n", {pics() + "p.bmp"});
    open();
    EXPECT_EQ(form->LBEffets->count(), 228);
    EXPECT_EQ(form->LBEffets->item(227)->text(), QStringLiteral("n° 228"));
    EXPECT_EQ(form->BuildSelection(), "101" + std::string(225, '0'));
    form->BtOkClick();
    EXPECT_EQ(stored()->Selection, "101" + std::string(225, '0'));

    user("\"Selection\"=\"\"\r\n", {pics() + "p.bmp"});
    open();
    EXPECT_EQ(form->BuildSelection(), std::string(228, '1'));

    user("\"Selection\"=\"" + std::string(227, '0') + "1111x\"\r\n", {pics() + "p.bmp"});
    open();
    EXPECT_EQ(form->BuildSelection(), std::string(227, '0') + "1");
    form->BtnAucunClick();
    EXPECT_EQ(form->BuildSelection(), std::string(228, '0'));
    form->BtnTousClick();
    EXPECT_EQ(form->BuildSelection(), std::string(228, '1'));
}

TEST_F(Dialog, EffectChecksRefuseOrAsk)
{
    machine(true);
    writePicture(pics() + "p.bmp", 20, 20, Qt::blue);
    writePicture(pics() + "q.bmp", 20, 20, Qt::blue);
    user("", {pics() + "p.bmp"});
    open();
    form->DstList->addItem(QString::fromStdString(pics() + "q.bmp"));
    form->BtnAucunClick();
    platform::host().messageBoxAnswer = "no";  // no size check
    form->BtOkClick();
    EXPECT_EQ(boxes().back(), kNoEffect);
    EXPECT_TRUE(form->isVisible());
    // The rows have reached the settings object, but nothing the hive.
    EXPECT_EQ(form->AppSettings->Images, (std::vector<std::string>{pics() + "p.bmp", pics() + "q.bmp"}));
    const std::string hive = ReadFile(host.hkcu());
    EXPECT_EQ(stored()->Images, std::vector<std::string>{pics() + "p.bmp"});

    // 214 alone asks; No keeps the dialog open.
    form->LBEffets->item(213)->setCheckState(Qt::Checked);
    form->BtOkClick();
    EXPECT_EQ(ReadFile(host.hkcu()), hive);
    EXPECT_NE(boxes().back().find("Vous n'avez choisi que l'effet n° 214 (Puzzle).\\nSi vous utilisez"),
              std::string::npos);
    EXPECT_TRUE(form->isVisible());
    // With 3 beside it nothing is asked.
    const size_t before = boxes().size();
    form->LBEffets->item(2)->setCheckState(Qt::Checked);
    form->BtOkClick();
    EXPECT_EQ(boxes().size(), before + 1);  // only the size check, answered No
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);

    // Without effects, no selection at all is accepted.
    open();
    form->CBEffets->setChecked(false);
    form->BtnAucunClick();
    form->BtOkClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(stored()->Selection, std::string(228, '0'));
    EXPECT_FALSE(stored()->Effet);
}

TEST_F(Dialog, ControlsFollowTheirRules)
{
    machine(true);
    user("\"Vitesse\"=dword:00000000\r\n\"TailleEffet\"=dword:0000000c\r\n\"Rapidite\"=dword:000001f4\r\n"
         "\"Centre\"=dword:00000001\r\n\"Transition\"=dword:00000001\r\n\"Effet\"=dword:00000000\r\n");
    open();
    EXPECT_EQ(form->SBVitesse->value(), 1);
    EXPECT_EQ(form->GBVitesse->text(), QStringLiteral("Intervalle entre chaque image : 1 secondes"));
    EXPECT_EQ(form->SBTailleEffet->value(), 10);
    EXPECT_EQ(form->LabelTEffets->text(), QStringLiteral("Taille des effets : 10 pixels"));
    EXPECT_EQ(form->LabelREffets->text(), QStringLiteral("Rapidité des effets"));  // 500 is the design position
    form->SBRapidite->setValue(800);
    EXPECT_EQ(form->LabelREffets->text(), QStringLiteral("Rapidité des effets : 800"));

    // Effects off: their speed, size and order are disabled, the checklist is not.
    EXPECT_FALSE(form->SBRapidite->isEnabled());
    EXPECT_FALSE(form->SBTailleEffet->isEnabled());
    EXPECT_FALSE(form->CBAleaEffets->isEnabled());
    EXPECT_TRUE(form->LBEffets->isEnabled());
    QTest::mouseClick(form->CBEffets, Qt::LeftButton);
    EXPECT_TRUE(form->SBRapidite->isEnabled() && form->SBTailleEffet->isEnabled() && form->CBAleaEffets->isEnabled());

    EXPECT_TRUE(form->CBTransition->isChecked() && form->CBTransition->isEnabled());
    QTest::mouseClick(form->CBCentre, Qt::LeftButton);
    EXPECT_FALSE(form->CBTransition->isChecked());
    EXPECT_FALSE(form->CBTransition->isEnabled());
    QTest::mouseClick(form->CBCentre, Qt::LeftButton);
    EXPECT_TRUE(form->CBTransition->isEnabled());
    EXPECT_FALSE(form->CBTransition->isChecked());
    EXPECT_FALSE(form->CBDoubleBufferring->isVisible());

    // No pictures: the caption says so and Valider is off.
    EXPECT_EQ(form->DstLabel->text(), QStringLiteral("Aucune image choisie. Cliquez sur le bouton Ajouter."));
    EXPECT_FALSE(form->BtOk->isEnabled());
}

TEST_F(Dialog, EveryDisplayParameterShowsOneSetting)
{
    machine(true);
    user("");
    open();  // a setting whose control is missing or of another kind cannot open
    std::multiset<std::string> bound, controls;
    std::map<std::string, std::pair<int, int>> ranges;
    for (const SettingRow& row : SettingRows()) {
        EXPECT_EQ(row.control != nullptr, row.kind != SettingControl::None) << row.name;
        if (row.control && row.kind != SettingControl::PictureList)
            bound.insert(row.control);
        if (row.kind == SettingControl::ScrollBar) {
            const auto* bar = form->findChild<QScrollBar*>(QString::fromLatin1(row.control));
            ASSERT_TRUE(bar) << row.name;
            ranges[row.name] = {bar->minimum(), bar->maximum()};
        }
        if (row.kind == SettingControl::IdleDelay) {
            const auto* minutes = form->findChild<QSpinBox*>(QString::fromLatin1(row.control));
            ASSERT_TRUE(minutes) << row.name;
            ranges[row.name] = {minutes->minimum(), minutes->maximum()};
            bound.insert("CBVeille");  // its switch
        }
    }
    for (QWidget* w : form->GBParams->findChildren<QWidget*>())
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QScrollBar*>(w) || qobject_cast<TShape*>(w) ||
            qobject_cast<QSpinBox*>(w))
            controls.insert(w->objectName().toStdString());
    EXPECT_EQ(controls, bound);
    const std::map<std::string, std::pair<int, int>> expected = {
        {"Vitesse", {1, 120}}, {"Rapidite", {1, 20000}}, {"TailleEffet", {4, 10}}, {"DelaiVeille", {0, 240}}};
    EXPECT_EQ(ranges, expected);
}

TEST_F(Dialog, ValiderSavesWhatTheDialogShows)
{
    machine(true);
    writePicture(pics() + "p.bmp", 20, 20, Qt::blue);
    user("\"Vitesse\"=dword:00000000\r\n\"TailleEffet\"=dword:0000000c\r\n\"DoubleBufferring\"=dword:00000001\r\n",
         {pics() + "p.bmp"});
    open();
    form->CBAlea->setChecked(true);
    form->CBAjuster->setChecked(true);
    form->CBLOG->setChecked(true);
    form->CBEcranOff->setChecked(true);
    form->CBTousLesEcrans->setChecked(true);
    form->SBRapidite->setValue(2500);
    whenModal([](QWidget* w) {
        auto* chooser = qobject_cast<QColorDialog*>(w);
        ASSERT_TRUE(chooser);
        chooser->setCurrentColor(QColor(0, 0, 128));
        chooser->accept();
    });
    QTest::mouseClick(form->Shape1, Qt::RightButton);  // any button opens the chooser
    EXPECT_EQ(form->Shape1->Color(), platform::clNavy);

    platform::host().messageBoxAnswer = "no";  // declines the flicker option
    form->BtOkClick();
    ASSERT_FALSE(form->isVisible());
    EXPECT_NE(boxes().back().find("Eliminer les scintillements"), std::string::npos);
    const auto s = stored();
    EXPECT_EQ(s->Vitesse, 1);
    EXPECT_EQ(s->TailleEffet, 10);
    EXPECT_EQ(s->Rapidite, 2500);
    EXPECT_TRUE(s->Alea && s->Ajuster && s->Log && s->NoEcranOFF && s->TousLesEcrans);
    EXPECT_FALSE(s->DoubleBufferring);
    EXPECT_EQ(s->BackGroundColor, "clNavy");
    EXPECT_EQ(s->Images, std::vector<std::string>{pics() + "p.bmp"});
}

TEST_F(Dialog, TheWatcherIsOffOrWaitsTheDesktopsDelayOrMinutes)
{
    machine(true);
    const auto validate = [this](const std::function<void()>& change) {
        open();
        change();
        form->BtOkClick();
        EXPECT_FALSE(form->isVisible());
        return stored();
    };
    user("\"DelaiVeille\"=dword:00000000\r\n\"VerrouAuRetour\"=dword:00000000\r\n");
    auto s = validate([this] {
        EXPECT_FALSE(form->CBVeille->isChecked());
        EXPECT_FALSE(form->SEDelaiVeille->isEnabled());
        EXPECT_FALSE(form->CBVerrouAuRetour->isChecked());
        form->CBVeille->setChecked(true);
        EXPECT_TRUE(form->SEDelaiVeille->isEnabled());
        form->SEDelaiVeille->setValue(7);
        form->CBVerrouAuRetour->setChecked(true);
    });
    EXPECT_EQ(s->DelaiVeille, 7);
    EXPECT_TRUE(s->VerrouAuRetour);
    // Left to the desktop, as a first start has it: the spin box's lowest place says so.
    user("");
    s = validate([this] {
        EXPECT_TRUE(form->CBVeille->isChecked());
        EXPECT_EQ(form->SEDelaiVeille->text(), QStringLiteral("le délai du bureau"));
        EXPECT_TRUE(form->CBVerrouAuRetour->isChecked());
    });
    EXPECT_EQ(s->DelaiVeille, TSettings::kDelaiDuBureau);
    s = validate([this] { form->CBVeille->setChecked(false); });
    EXPECT_EQ(s->DelaiVeille, 0);
    EXPECT_EQ(s->DureeVeille, 30);  // not the dialog's
}

TEST_F(Dialog, CancelEscapeAndCloseWriteNothing)
{
    writePicture(pics() + "p.bmp", 20, 20, Qt::blue);
    std::filesystem::create_directories(pics() + "more");
    writePicture(pics() + "more/x.jpg", 20, 20, Qt::blue, "JPG");
    writePicture(pics() + "more/y.bmp", 20, 20, Qt::blue);
    for (const char* name : {"z.JPEG", "img10.heic", "img2.PNG", "notes.txt"})
        WriteFile(pics() + "more/" + name, "");  // only their names count here
    user("", {pics() + "p.bmp"});
    const std::string hive = ReadFile(host.hkcu());
    for (int way = 0; way < 3; ++way) {
        open();
        whenModal([this](QWidget* w) {
            const QString folder = QString::fromStdString(pics() + "more");
            typeAndAccept(w, folder, {folder});
        });
        form->BtDossierClick();
        // Only the folder's photographs, in natural order; the folder is remembered in memory at once.
        EXPECT_EQ(rows(), (std::vector<std::string>{pics() + "p.bmp", pics() + "more/img2.PNG", pics() + "more/img10.heic",
                                                    pics() + "more/x.jpg", pics() + "more/z.JPEG"}));
        EXPECT_EQ(form->AppSettings->DossierImages, pics() + "more");
        if (way == 0)
            QTest::mouseClick(form->BtnCancel, Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(form.get(), Qt::Key_Escape);
        else
            form->close();
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), QDialog::Rejected);
        EXPECT_EQ(ReadFile(host.hkcu()), hive);
        EXPECT_FALSE(IsConfigValidated());
    }
}

TEST_F(Dialog, ListKeysButtonsAndCount)
{
    machine(true);
    std::vector<std::string> files;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        files.push_back(pics() + name);
        writePicture(files.back(), 20, 20, Qt::blue);
    }
    files.push_back(files[0]);  // the same file twice is two rows
    user("", files);
    open();
    ASSERT_EQ(rows(), files);

    form->BtnDeleteClick();  // nothing selected
    EXPECT_EQ(rows().size(), 4u);

    form->DstList->setCurrentRow(0);
    form->BtnDownClick();
    EXPECT_EQ(rows()[1], pics() + "a.bmp");
    EXPECT_EQ(form->DstList->currentRow(), 1);
    form->BtnUpClick();
    form->BtnUpClick();  // already first
    EXPECT_EQ(rows(), files);

    form->DstList->setCurrentRow(1);
    QTest::keyClick(form->DstList, Qt::Key_Delete);
    EXPECT_EQ(rows(), (std::vector<std::string>{files[0], files[2], files[3]}));
    EXPECT_EQ(form->DstLabel->text(), QStringLiteral("3 images choisies :"));
    form->DstList->selectAll();
    QTest::keyClick(form->DstList, Qt::Key_Delete);
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(form->BtOk->isEnabled());
    EXPECT_EQ(form->DstLabel->text(), QStringLiteral("Aucune image choisie. Cliquez sur le bouton Ajouter."));

    // Insert adds files through the chooser, in the order it gives them.
    whenModal([&](QWidget* w) {
        auto* chooser = qobject_cast<QFileDialog*>(w);
        ASSERT_TRUE(chooser);
        EXPECT_EQ(chooser->windowTitle(), QStringLiteral("Choisissez une image"));
        typeAndAccept(chooser, QStringLiteral("\"c.bmp\" \"a.bmp\""),
                      {QString::fromStdString(pics() + "c.bmp"), QString::fromStdString(pics() + "a.bmp")});
    });
    form->AppSettings->DossierImages = pics();
    QTest::keyClick(form->DstList, Qt::Key_Insert);
    EXPECT_EQ(rows().size(), 2u);
    form->BtnInitClick();
    EXPECT_TRUE(rows().empty());
}

TEST_F(Dialog, ThumbnailsFitTheBox)
{
    EXPECT_EQ(ThumbnailPlacement(400, 200), platform::Rect(0, 46, 187, 140));
    EXPECT_EQ(ThumbnailPlacement(200, 400), platform::Rect(46, 0, 140, 187));
    EXPECT_EQ(ThumbnailPlacement(300, 300), platform::Rect(0, 0, 187, 187));

    machine(true);
    writePicture(pics() + "small.bmp", 100, 80, Qt::red);
    writePicture(pics() + "wide.bmp", 400, 200, Qt::red);
    writePicture(pics() + "tall.JPG", 200, 400, Qt::red, "JPG");
    WriteFile(pics() + "photo.jpeg", "\xFF\xD8\xFF\xE0 cut short");  // a damaged JPEG, refused
    user("", {pics() + "small.bmp", pics() + "wide.bmp", pics() + "tall.JPG", pics() + "photo.jpeg"});
    open();
    auto shown = [&] { return form->Imgapercu->pixmap().toImage(); };
    const QRgb face = QColor(platform::ColorToRGB(platform::clBtnFace) & 0xFF,
                             (platform::ColorToRGB(platform::clBtnFace) >> 8) & 0xFF,
                             (platform::ColorToRGB(platform::clBtnFace) >> 16) & 0xFF)
                          .rgb();
    auto isRed = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };

    clickRow(form->DstList, 0);
    ASSERT_TRUE(waitThumbnail("100x80"));
    EXPECT_EQ(shown().size(), QSize(100, 80));

    clickRow(form->DstList, 1);
    ASSERT_TRUE(waitThumbnail("400x200"));
    ASSERT_EQ(shown().size(), QSize(187, 187));
    EXPECT_EQ(shown().pixel(93, 45), face);
    EXPECT_TRUE(isRed(shown().pixel(93, 46)));
    EXPECT_TRUE(isRed(shown().pixel(93, 139)));
    EXPECT_EQ(shown().pixel(93, 140), face);

    clickRow(form->DstList, 2);
    ASSERT_TRUE(waitThumbnail("200x400"));
    EXPECT_EQ(shown().pixel(45, 93), face);
    EXPECT_TRUE(isRed(shown().pixel(46, 93)));

    // Unchecking the box empties it and keeps the resolution text.
    QTest::mouseClick(form->CBApercu, Qt::LeftButton);
    EXPECT_TRUE(form->Imgapercu->pixmap().isNull());
    EXPECT_EQ(form->TxtResolution->text(), QStringLiteral("200x400"));
    QTest::mouseClick(form->CBApercu, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown().size() == QSize(187, 187); }, 20000));

    // A file the decoder refuses: its error, and the thumbnail stays.
    clickRow(form->DstList, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes().empty(); }, 20000));
    EXPECT_NE(boxes().back().find("photo.jpeg"), std::string::npos);
    EXPECT_EQ(form->TxtResolution->text(), QStringLiteral("200x400"));
}

// Run at twice the scale by an entry of its own (QT_SCALE_FACTOR=2): the thumbnails and
// the glyphs are made for the screen's pixels, not made for the box's and enlarged.
TEST_F(Dialog, ThumbnailsAndGlyphsAreMadeAtTheScreensDevicePixels)
{
    machine(true);
    writePicture(pics() + "wide.bmp", 400, 200, Qt::red);
    writePicture(pics() + "small.bmp", 100, 80, Qt::red);
    user("", {pics() + "wide.bmp", pics() + "small.bmp"});
    if (qEnvironmentVariable("QT_SCALE_FACTOR") != QLatin1String("2"))
        GTEST_SKIP() << "for a screen scaled twice (QT_SCALE_FACTOR=2)";
    open();
    ASSERT_EQ(form->Imgapercu->devicePixelRatioF(), 2);
    auto isRed = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };
    // The 400 x 200 picture fitted into 374 device pixels: the red band has rows 93 to 279,
    // where the box's thumbnail enlarged would have 92 to 279, its edges blurred.
    auto fittedAtDevicePixels = [&](const QPixmap& shown) {
        EXPECT_EQ(shown.devicePixelRatio(), 2);
        ASSERT_EQ(shown.size(), QSize(374, 374));
        const QImage image = shown.toImage();
        EXPECT_FALSE(isRed(image.pixel(187, 92)));
        EXPECT_TRUE(isRed(image.pixel(187, 93)));
        EXPECT_TRUE(isRed(image.pixel(187, 279)));
        EXPECT_FALSE(isRed(image.pixel(187, 280)));
    };

    clickRow(form->DstList, 0);
    ASSERT_TRUE(waitThumbnail("400x200"));
    fittedAtDevicePixels(form->Imgapercu->pixmap());
    // A picture that fits shows its own pixels, one for one, as the show does.
    clickRow(form->DstList, 1);
    ASSERT_TRUE(waitThumbnail("100x80"));
    EXPECT_EQ(form->Imgapercu->pixmap().size(), QSize(100, 80));
    EXPECT_EQ(form->Imgapercu->pixmap().devicePixelRatio(), 2);

    TPicturePreview preview;
    preview.show();
    preview.ShowFile(QString::fromStdString(pics() + "wide.bmp"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.Size->text() == QLatin1String("400x200"); }, 20000));
    fittedAtDevicePixels(preview.Picture->pixmap());

    // The arrow's shaft, from 5.5 to 10.5 of its 16 pixels, has sharp sides at 11 and 21.
    const QImage arrow = form->BtnUp->icon().pixmap(QSize(16, 16), form->BtnUp->devicePixelRatioF()).toImage();
    ASSERT_EQ(arrow.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(arrow.pixel(10, 24)), 0);
    EXPECT_EQ(qAlpha(arrow.pixel(11, 24)), 255);
    EXPECT_EQ(qAlpha(arrow.pixel(20, 24)), 255);
    EXPECT_EQ(qAlpha(arrow.pixel(21, 24)), 0);
}

TEST_F(Dialog, PictureChooserPreviewsTheHighlightedFile)
{
    machine(true);
    writePicture(pics() + "wide.bmp", 400, 200, Qt::red);
    writePicture(pics() + "small.jpg", 100, 80, Qt::red, "JPG");
    writePicture(pics() + "UP.PNG", 30, 20, Qt::red, "PNG");  // listed by the filter whatever the case
    WriteFile(pics() + "damaged.jpg", "\xFF\xD8\xFF\xE0 cut short");
    user("");
    open();
    form->AppSettings->DossierImages = pics();
    auto check = [&](QFileDialog* chooser) {
        auto* preview = child<TPicturePreview>(chooser, "PicturePreview");
        auto* files = child<QListView>(chooser, "listView");
        ASSERT_TRUE(preview && files);
        EXPECT_TRUE(preview->isVisible());
        // Beside the list of folders and files, to its right.
        const QWidget* lists = child<QWidget>(chooser, "splitter");
        EXPECT_GE(preview->mapTo(chooser, QPoint(0, 0)).x(), lists->mapTo(chooser, QPoint(lists->width(), 0)).x());
        // Highlights a file as the user does, once the list has it (it fills in the background).
        auto highlight = [&](const QString& name) {
            QModelIndex row;
            (void)QTest::qWaitFor(
                [&] {
                    const QAbstractItemModel* model = files->model();
                    for (int i = 0; i < model->rowCount(files->rootIndex()) && !row.isValid(); ++i)
                        if (model->index(i, 0, files->rootIndex()).data().toString() == name)
                            row = model->index(i, 0, files->rootIndex());
                    return row.isValid();
                },
                10000);
            ASSERT_TRUE(row.isValid()) << name.toStdString();
            files->setCurrentIndex(row);
        };
        highlight(QStringLiteral("wide.bmp"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return preview->Size->text() == QLatin1String("400x200"); }, 20000));
        const QImage wide = preview->Picture->pixmap().toImage();
        ASSERT_EQ(wide.size(), QSize(187, 187));
        EXPECT_EQ(QColor(wide.pixel(93, 100)).red(), 255);
        EXPECT_NE(QColor(wide.pixel(93, 20)).red(), 255);  // the bands above and below are the box's
        EXPECT_NE(QColor(wide.pixel(93, 160)).red(), 255);
        highlight(QStringLiteral("small.jpg"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return preview->Size->text() == QLatin1String("100x80"); }, 20000));
        EXPECT_EQ(preview->Picture->pixmap().size(), QSize(100, 80));
        highlight(QStringLiteral("UP.PNG"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return preview->Size->text() == QLatin1String("30x20"); }, 20000));
        // A damaged file: no thumbnail, no size, and no box while browsing.
        highlight(QStringLiteral("damaged.jpg"));
        // Once its reading is over and what it sent is handled.
        EXPECT_TRUE(QTest::qWaitFor([] { return platform::BackgroundTasksRunning() == 0; }, 20000));
        QCoreApplication::processEvents();
        EXPECT_TRUE(preview->Picture->pixmap().isNull());
        EXPECT_TRUE(preview->Size->text().isEmpty());
        preview->ShowFile(QString::fromStdString(pics()));  // a folder
        EXPECT_TRUE(preview->Picture->pixmap().isNull());
    };
    bool checked = false;
    whenModal([&](QWidget* w) {
        auto* chooser = qobject_cast<QFileDialog*>(w);
        if (chooser)
            check(chooser);
        checked = chooser != nullptr;
        static_cast<QDialog*>(w)->reject();
    });
    form->BtnAddClick();
    EXPECT_TRUE(checked);
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(rows().empty());
}

TEST_F(Dialog, StandardWindowsSpeakFrench)
{
    QTranslator* french = platform::InstallFrameworkFrench();
    ASSERT_TRUE(french) << "qtbase_fr.qm is missing (package qt6-translations-l10n)";
    QFileDialog chooser(nullptr, QStringLiteral("Choisissez une image"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    auto* buttons = chooser.findChild<QDialogButtonBox*>();
    ASSERT_TRUE(buttons);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));
    EXPECT_EQ(child<QLabel>(&chooser, "fileNameLabel")->text(), QStringLiteral("&Nom de fichier :"));
    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    EXPECT_EQ(colours.windowTitle(), QStringLiteral("Sélectionner une couleur"));
    QCoreApplication::removeTranslator(french);
    delete french;
}

TEST_F(Dialog, SizeCheckRemovesOnlyWhatNoDecoderReads)
{
    machine(true);
    writePicture(pics() + "p.bmp", 20, 20, Qt::blue);
    user("", {pics() + "p.bmp"});
    // An ordinary photograph far above the old 330 Ko, and files at and past the decoders'
    // own limit (sparse: their size is all that is looked at).
    writePicture(pics() + "photo.png", 1200, 800, Qt::red, "PNG");
    QImage noise(900, 700, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * x + y) % 256, (x ^ y) % 256));
    ASSERT_TRUE(noise.save(QString::fromStdString(pics() + "photo.jpg"), "JPG", 98));
    ASSERT_GT(std::filesystem::file_size(pics() + "photo.jpg"), 330001u);
    for (const auto& [name, size] : {std::pair{"limit.jpg", kMaxPictureFileBytes}, {"over.jpg", kMaxPictureFileBytes + 1}}) {
        WriteFile(pics() + name, "");
        std::filesystem::resize_file(pics() + name, static_cast<uintmax_t>(size));
    }
    open();
    for (const char* name : {"photo.jpg", "photo.png", "limit.jpg", "over.jpg", "gone.jpg"})
        form->DstList->addItem(QString::fromStdString(pics() + name));
    std::vector<std::string> listed;
    whenModal([&](QWidget* w) {
        auto* rejected = child<QListWidget>(w, "LBRejet");
        for (int i = 0; rejected && i < rejected->count(); ++i)
            listed.push_back(rejected->item(i)->text().toStdString());
        EXPECT_EQ(child<QLabel>(w, "TxtTailleMax")->text(), QStringLiteral("512000 Ko."));
        EXPECT_EQ(child<QLabel>(w, "NBImages")->text(), QStringLiteral("1"));
        w->close();
    });
    form->BtOkClick();
    EXPECT_EQ(listed, std::vector<std::string>{pics() + "over.jpg"});
    EXPECT_NE(boxes().front().find("Certaines d'entres elles peuvent être trop grosses pour Lumivane."), std::string::npos);
    EXPECT_NE(boxes().front().find("est supérieure à 512000 Ko."), std::string::npos);
    // The vanished file stays in the list; the store drops it when writing.
    EXPECT_EQ(form->AppSettings->Images,
              (std::vector<std::string>{pics() + "p.bmp", pics() + "photo.jpg", pics() + "photo.png",
                                        pics() + "limit.jpg", pics() + "gone.jpg"}));

    // As many removed as added: no check is offered.
    open();
    const size_t before = boxes().size();
    form->DstList->setCurrentRow(0);
    form->DstList->item(0)->setSelected(true);
    form->BtnDeleteClick();
    form->DstList->addItem(QString::fromStdString(pics() + "over.jpg"));
    form->BtOkClick();
    EXPECT_EQ(boxes().size(), before);
}

TEST_F(Dialog, ScanFolderListsFoldersBeforeSubfoldersAndIgnoresLinkLoops)
{
    machine(true);
    user("");
    const std::string root = host.driveC();
    writePicture(root + "a.jpg", 8, 8, Qt::red, "JPG");
    writePicture(root + "sub/b.jpg", 8, 8, Qt::red, "JPG");
    writePicture(root + "sub/deeper/c.JPG", 8, 8, Qt::red, "JPG");
    writePicture(root + "sub/d.bmp", 8, 8, Qt::red);
    writePicture(root + "sub/deeper/e.webp", 8, 8, Qt::red, "WEBP");
    std::filesystem::create_directory_symlink(root, root + "sub/loop");
    std::filesystem::create_directories(root + "folder.jpg");  // a folder with a picture's name
    open();
    form->BtnFindClick();
    const auto found = rows();
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0], root + "a.jpg");
    EXPECT_EQ(found[1], root + "sub/b.jpg");
    EXPECT_EQ(found[2], root + "sub/deeper/c.JPG");
    EXPECT_EQ(found[3], root + "sub/deeper/e.webp");
    EXPECT_EQ(form->DstLabel->text(), QStringLiteral("4 images choisies :"));
    EXPECT_TRUE(NaturalLess("img2.jpg", "img10.jpg"));
    EXPECT_FALSE(NaturalLess("img10.jpg", "img2.jpg"));
    EXPECT_TRUE(NaturalLess("Beach.jpg", "castle.jpg"));  // case aside
    EXPECT_TRUE(NaturalLess("img", "img1"));
    EXPECT_NE(NaturalLess("img01", "img1"), NaturalLess("img1", "img01"));  // still one order

    // Answered No, nothing is searched; without a drive C:, nothing is found.
    platform::host().messageBoxAnswer = "no";
    form->BtnFindClick();
    EXPECT_EQ(rows().size(), 4u);
    platform::host().messageBoxAnswer = "yes";
    platform::host().driveC = host.dir().path() + "/no-such-drive/";
    form->BtnFindClick();
    EXPECT_EQ(rows().size(), 4u);
}

TEST_F(Dialog, EffectPreviewRunsOneAtATimeInTheThumbnailBox)
{
    machine(true);
    writePicture(pics() + "p.bmp", 300, 200, QColor(0, 200, 0));
    user("\"Rapidite\"=dword:00000001\r\n");
    open();
    clickRow(form->LBEffets, 2);
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "Lumivane | information | ok | Veuillez d'abord ajouter au moins une image."});
    EXPECT_FALSE(form->PreviewRunning);
    EXPECT_FALSE(PreviewThread);

    form->DstList->addItem(QString::fromStdString(pics() + "p.bmp"));
    clickRow(form->LBEffets, 2);
    ASSERT_TRUE(form->PreviewRunning);
    QPointer<TShowSession> first = PreviewThread;
    EXPECT_EQ(first->PreviewEffect, 3);
    EXPECT_FALSE(form->Imgapercu->isVisible());
    clickRow(form->LBEffets, 4);  // not yet ended: ignored
    EXPECT_EQ(PreviewThread, first);
    ASSERT_TRUE(waitPreviewEnd());
    EXPECT_TRUE(form->Imgapercu->isVisible());
    // The picture was drawn into the box of the form's surface.
    const QImage surface = form->FormCanvas->Canvas().Surface();
    EXPECT_EQ(qGreen(surface.pixel(488 + 93, 8 + 93)), 200);

    clickRow(form->LBEffets, 4);
    ASSERT_TRUE(PreviewThread);
    EXPECT_EQ(PreviewThread->PreviewEffect, 5);
    ASSERT_TRUE(waitPreviewEnd());

    // 214 plays over the thumbnail, which is on the surface under it from the start.
    writePicture(pics() + "r.bmp", 100, 80, QColor(200, 0, 0));
    form->DstList->insertItem(0, QString::fromStdString(pics() + "r.bmp"));
    form->DstList->setCurrentRow(0);
    form->ShowThumbnail(pics() + "r.bmp");
    ASSERT_TRUE(waitThumbnail("100x80"));
    form->DstList->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    clickRow(form->LBEffets, 213);
    ASSERT_TRUE(PreviewThread);
    EXPECT_EQ(qRed(form->FormCanvas->Canvas().Surface().pixel(488 + 50, 8 + 40)), 200);
    // Its pieces fly in at ten milliseconds a move, for longer than a test should wait:
    // stopped while they fly, it ends at once.
    QTimer::singleShot(500, form.get(), [&] { form->StopPreview(); });
    ASSERT_TRUE(waitPreviewEnd());
    EXPECT_TRUE(form->Imgapercu->isVisible());
}

TEST_F(Dialog, APreviewAskedForRightAfterAStopReplacesIt)
{
    machine(true);
    writePicture(pics() + "p.bmp", 300, 200, QColor(0, 200, 0));
    user("\"Rapidite\"=dword:00004e20\r\n", {pics() + "p.bmp"});  // the slowest speed
    open();
    clickRow(form->LBEffets, 0);
    QPointer<TShowSession> first = PreviewThread;
    ASSERT_TRUE(first);
    // While effect 1 draws: a click in the picture list stops it, then a click on
    // effect 3 asks for that one, both handled between two of its steps.
    bool asked = false;
    QTimer::singleShot(200, form.get(), [&] {
        clickRow(form->DstList, 0);
        clickRow(form->LBEffets, 2);
        asked = true;
    });
    QElapsedTimer t;
    t.start();
    // Effect 1 ends where it stands, and effect 3 follows it, alone; it is stopped in turn.
    bool sawSecond = false, secondRunning = false, stopFlag = true, firstGone = false;
    int secondEffect = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!asked || sawSecond || !PreviewThread || PreviewThread == first)
            return;
        sawSecond = true;
        firstGone = !first;
        secondEffect = PreviewThread->PreviewEffect;
        secondRunning = form->PreviewRunning;
        stopFlag = PreviewThread->StopRequested.stop_requested();
        form->StopPreview();
    });
    poll.start(5);
    while ((!sawSecond || PreviewThread) && t.elapsed() < 15000)
        QTest::qWait(10);
    ASSERT_TRUE(asked);
    ASSERT_TRUE(sawSecond) << "no second preview";
    EXPECT_TRUE(firstGone);
    EXPECT_EQ(secondEffect, 3);
    EXPECT_TRUE(secondRunning);
    EXPECT_FALSE(stopFlag);
    EXPECT_FALSE(PreviewThread);
    EXPECT_LT(t.elapsed(), 15000);
}

TEST_F(Dialog, EnterPressesTheFocusedButtonElseValider)
{
    machine(true);
    writePicture(pics() + "p.bmp", 20, 20, Qt::blue);
    user("", {pics() + "p.bmp"});
    const std::string hive = ReadFile(host.hkcu());
    open();
    form->BtnCancel->setFocus();
    QTest::keyClick(form->BtnCancel, Qt::Key_Return);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(ReadFile(host.hkcu()), hive);

    open();
    form->CBAlea->setFocus();
    QTest::keyClick(form->CBAlea, Qt::Key_Return);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_TRUE(IsConfigValidated());
}

TEST_F(Dialog, ClosingDuringAPreviewEndsIt)
{
    machine(true);
    writePicture(pics() + "p.bmp", 300, 200, QColor(0, 200, 0));
    user("\"Rapidite\"=dword:00004e20\r\n", {pics() + "p.bmp"});  // the slowest speed
    open();
    clickRow(form->LBEffets, 0);
    ASSERT_TRUE(PreviewThread);
    // Pressed while the effect is drawing, between two of its steps.
    QTimer::singleShot(200, form.get(), [this] { QTest::mouseClick(form->BtnCancel, Qt::LeftButton); });
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(waitPreviewEnd());
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(form->isVisible());
    form.reset();  // joins the thread before the surface goes
    EXPECT_FALSE(PreviewThread);
}

TEST_F(Dialog, UpdateButtonAsksThenTellsWhatTheServerPublishes)
{
    testing_support::TestHttpServer server;
    ::setenv("LUMIVANE_UPDATE_URL", server.Base().c_str(), 1);
    WriteFile(host.dir().file("route"), "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n"
                                        "eth0\t00000000\t0102A8C0\t0003\t0\t0\t0\t00000000\n");
    SetRouteTablesForTesting(host.dir().file("route"), host.dir().file("no-ipv6"));
    const std::string question = "Lumivane | question | yes,no | Vous devez disposer d'une connection active à "
                                 "Internet.\\nDésirez-vous vérifier l'existence d'une mise à jour maintenant ?";
    user("");
    open();
    const auto press = [&](const std::string& answer, const char* published, int status = 200) {
        server.Route("/version/lvversion.dat", {testing_support::TestHttpServer::Reply::Whole, status, published, ""});
        std::filesystem::remove(host.dir().file("boxes.log"));
        platform::host().messageBoxAnswer = answer;
        form->BitBtn1->click();
        return boxes();
    };
    EXPECT_EQ(press("no", "3.3.7.7"), std::vector<std::string>{question});
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_EQ(press("yes", "3.3.7.7"),
              (std::vector<std::string>{question, "Lumivane | information | ok | Une nouvelle mise à jour de Lumivane "
                                                  "est disponible. Veuillez suivre les indications de l'étape 1 de "
                                                  "votre document de licence utilisateur."}));
    EXPECT_EQ(press("yes", "3.3.7.6"),
              (std::vector<std::string>{question, "Lumivane | information | ok | Aucune mise à jour disponible."}));
    EXPECT_EQ(press("yes", "3.3.7.9", 500),
              (std::vector<std::string>{question, "Lumivane | information | ok | Impossible de vérifier l'existence "
                                                  "d'une mise à jour.\\nVérifiez votre connexion à Internet et "
                                                  "réessayez."}));
    std::filesystem::remove(VersionFilePath());
    SetRouteTablesForTesting("", "");
    ::unsetenv("LUMIVANE_UPDATE_URL");
}

// A followed folder is one row, its path with a marker and the count of its last reading;
// it moves and goes like any row, and Valider stores it as its path and a slash.
TEST_F(Dialog, AFollowedFolderIsOneRowWithItsCountAndValiderStoresIt)
{
    machine(true);
    writePicture(pics() + "p.bmp", 20, 20, Qt::blue);
    std::filesystem::create_directories(pics() + "suivi/sous");
    writePicture(pics() + "suivi/a.bmp", 20, 20, Qt::blue);
    writePicture(pics() + "suivi/sous/b.bmp", 20, 20, Qt::blue);
    WriteFile(pics() + "suivi/notes.txt", "pas une image");
    user("", {pics() + "p.bmp"});
    open();
    const std::string folder = pics() + "suivi/";
    whenModal([&](QWidget* w) {
        const QString path = QString::fromStdString(pics() + "suivi");
        typeAndAccept(w, path, {path});
    });
    form->BtDossierSuiviClick();
    ASSERT_EQ(form->DstList->count(), 2);
    QListWidgetItem* row = form->DstList->item(1);
    EXPECT_EQ(EntryOf(row), folder);
    EXPECT_TRUE(row->font().italic());
    QElapsedTimer t;
    t.start();
    while (!row->text().contains(QStringLiteral("2 images")) && t.elapsed() < 20000)
        QTest::qWait(20);
    EXPECT_EQ(row->text().toStdString(), folder + "   (dossier suivi : 2 images)");
    form->DstList->setCurrentRow(1);
    form->BtnUpClick();
    EXPECT_EQ(EntryOf(form->DstList->item(0)), folder);
    platform::host().messageBoxAnswer = "no";  // no size check
    form->BtOkClick();
    EXPECT_EQ(stored()->Images, (std::vector<std::string>{folder, pics() + "p.bmp"}));

    // Opened again, it is the folder's row; Supprimer takes it out.
    open();
    ASSERT_EQ(form->DstList->count(), 2);
    EXPECT_EQ(EntryOf(form->DstList->item(0)), folder);
    form->DstList->setCurrentRow(0);
    form->BtnDeleteClick();
    EXPECT_EQ(rows(), std::vector<std::string>{pics() + "p.bmp"});
}
