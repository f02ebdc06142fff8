// The configuration dialog as a whole: its controls, its opening and closing, the
// effect checklist and its preview, the display parameters and the validation.

#include "config_form.h"
#include "aux_actions.h"
#include "config_widgets.h"
#include "form_support.h"

#include "display/show_session.h"

#include "effects/draw_transition.h"

#include "inet/vorl_version.h"

#include "settings/app_state.h"
#include "settings/colors.h"
#include "settings/settings.h"

#include "platform/foreign_window.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas_widget.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/shell.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QShowEvent>
#include <QToolButton>
#include <QWindow>

#include <type_traits>

using namespace platform;

QPointer<TShowSession> PreviewThread;

namespace {

constexpr int kClientWidth = 781;
constexpr int kClientHeight = 561;
constexpr int kOuterHeight = 545;
// The frame the dialog was laid out with (caption and borders), used when the window
// manager does not say how tall its own frame is.
constexpr int kDesignFrameHeight = 25;
using effects::kPuzzleEffect;

QCheckBox* placeCheck(QWidget* parent, const char* name, const QString& text, int x, int y, int w = 0)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->move(x, y);
    box->adjustSize();
    box->resize(w > 0 ? w : box->width(), 17);
    return box;
}

// The scroll bar of a stored number: its name and range are its setting's.
QScrollBar* placeBar(QWidget* parent, const char* setting, int x, int y, int w, int h, int position, int large,
                     int small)
{
    const SettingRow& row = SettingRowNamed(setting);
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromLatin1(row.control));
    bar->setGeometry(x, y, w, h);
    bar->setRange(row.minimum, row.maximum);
    bar->setValue(position);
    bar->setPageStep(large);
    bar->setSingleStep(small);
    return bar;
}

// A caption at the left or right end of a scroll bar, on its line.
void placeEndLabel(QWidget* parent, const char* name, const QString& text, const QScrollBar* bar, bool left)
{
    QLabel* label = PlaceLabel(parent, QString::fromLatin1(name), text, 0, bar->y() + (bar->height() - 13) / 2);
    label->move(left ? bar->x() - label->width() - 4 : bar->geometry().right() + 5, label->y());
}

// The control that shows a setting, of the type its kind asks for.
template <class Control>
Control& controlOf(const QWidget& form, const SettingRow& row, SettingControl kind)
{
    if (row.kind != kind)
        throw std::logic_error(std::string("the dialog shows ") + row.name + " with another kind of control");
    auto* control = form.findChild<Control*>(QString::fromLatin1(row.control));
    if (!control)
        throw std::logic_error(std::string("the dialog has no control for ") + row.name);
    return *control;
}

void showSetting(const QWidget& form, const SettingRow& row, bool checked)
{
    controlOf<QCheckBox>(form, row, SettingControl::CheckBox).setChecked(checked);
}
// The watcher's switch beside its delay.
constexpr const char* kWatcherSwitch = "CBVeille";

void showSetting(const QWidget& form, const SettingRow& row, int32_t position)
{
    if (row.kind == SettingControl::IdleDelay) {
        // 0 is the watcher off; the spin box's lowest place leaves the delay to the desktop.
        auto& minutes = controlOf<QSpinBox>(form, row, SettingControl::IdleDelay);
        auto* on = form.findChild<QCheckBox*>(QString::fromLatin1(kWatcherSwitch));
        on->setChecked(position != 0);
        minutes.setValue(position == TSettings::kDelaiDuBureau ? minutes.minimum() : position);
        minutes.setEnabled(position != 0);
        return;
    }
    controlOf<QScrollBar>(form, row, SettingControl::ScrollBar).setValue(position);
}
void showSetting(const QWidget& form, const SettingRow& row, const std::string& colour)
{
    controlOf<TShape>(form, row, SettingControl::ColourSwatch).SetColor(colors::ColorOrBlack(colour));
}
void takeSetting(const QWidget& form, const SettingRow& row, bool& checked)
{
    checked = controlOf<QCheckBox>(form, row, SettingControl::CheckBox).isChecked();
}
void takeSetting(const QWidget& form, const SettingRow& row, int32_t& position)
{
    if (row.kind == SettingControl::IdleDelay) {
        const auto& minutes = controlOf<QSpinBox>(form, row, SettingControl::IdleDelay);
        const auto* on = form.findChild<QCheckBox*>(QString::fromLatin1(kWatcherSwitch));
        position = !on->isChecked()                         ? 0
                   : minutes.value() == minutes.minimum() ? TSettings::kDelaiDuBureau
                                                            : minutes.value();
        return;
    }
    position = controlOf<QScrollBar>(form, row, SettingControl::ScrollBar).value();
}
void takeSetting(const QWidget& form, const SettingRow& row, std::string& colour)
{
    colour = colors::ColorToString(controlOf<TShape>(form, row, SettingControl::ColourSwatch).Color());
}

// Calls `use(row, field)` for each parameter the dialog shows, in the order it sets them
// (the picture list has code of its own).
template <class Use>
void forEachShown(TSettings& s, const Use& use)
{
    for (const SettingRow& row : SettingRows())
        std::visit(
            [&](const auto& f) {
                if constexpr (!std::is_same_v<std::remove_cvref_t<decltype(s.*f.member)>, std::vector<std::string>>)
                    if (row.kind != SettingControl::None)
                        use(row, s.*f.member);
            },
            row.field);
}

}  // namespace

TFConfig::TFConfig(TSettings& settings, QWidget* parent) : QDialog(parent), AppSettings(&settings)
{
    setObjectName(QStringLiteral("FConfig"));
    MakeFixedCentred(*this, kClientWidth, kClientHeight);

    FormCanvas = new CanvasWidget(this);
    FormCanvas->setObjectName(QStringLiteral("FormCanvas"));
    FormCanvas->SetBackColor(clBtnFace);
    FormCanvas->setGeometry(0, 0, kClientWidth, kClientHeight);
    TWindowCanvas& surface = FormCanvas->Canvas();
    surface.SetSize(kClientWidth, kClientHeight, clBtnFace);
    surface.Brush.Color = clBtnFace;
    surface.Brush.Style = bsSolid;
    surface.FillRect(Rect(0, 0, kClientWidth, kClientHeight));

    buildPictureSide();
    buildEffectSide();
    VorlVersion1 = std::make_unique<TVorlVersion>();

    // FormCreate
    PreviewRunning = false;
    applyForeignParent();
}

void TFConfig::buildPictureSide()
{
    DstLabel = PlaceLabel(this, QStringLiteral("DstLabel"), QStringLiteral("Images choisies :"), 8, 8, 370, 16);
    QFont bold = DstLabel->font();
    bold.setBold(true);
    DstLabel->setFont(bold);

    DstList = new TRowList(this, 13);
    DstList->setObjectName(QStringLiteral("DstList"));
    DstList->setGeometry(8, 24, 363, 232);
    DstList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DstList->setFont(bold);
    InstallBulletRows(*DstList);
    connect(DstList, &TRowList::Clicked, this, &TFConfig::DstListClick);
    connect(DstList, &TRowList::KeyUp, this, &TFConfig::DstListKeyUp);

    BtDownload = PlaceButton(this, QStringLiteral("BtDownload"), QStringLiteral("&Télécharger"), 379, 6, 102, 25);
    BtnAdd = PlaceButton(this, QStringLiteral("BtnAdd"), QStringLiteral("&Ajouter des fichiers"), 379, 39, 102, 25);
    BtDossier = PlaceButton(this, QStringLiteral("BtDossier"), QStringLiteral("Ajouter un &dossier"), 379, 72, 102, 25);
    BtnFind = PlaceButton(this, QStringLiteral("BtnFind"), QStringLiteral("Rechercher"), 379, 106, 102, 25);
    // Beside the arrows, below the spec's buttons, which keep their places.
    BtDossierSuivi = PlaceButton(this, QStringLiteral("BtDossierSuivi"), QStringLiteral("Dossier s&uivi"), 408, 203, 70, 25);
    BtDossierSuivi->setToolTip(QStringLiteral("Ajouter un dossier suivi : ses images sont relues à chaque diaporama"));
    BtnDelete = PlaceButton(this, QStringLiteral("BtnDelete"), QStringLiteral("&Supprimer"), 379, 139, 102, 25);
    BtnInit = PlaceButton(this, QStringLiteral("BtnInit"), QStringLiteral("Ré&initialiser"), 379, 172, 102, 25);
    connect(BtDownload, &QPushButton::clicked, this, &TFConfig::BtDownloadClick);
    connect(BtnAdd, &QPushButton::clicked, this, &TFConfig::BtnAddClick);
    connect(BtDossier, &QPushButton::clicked, this, &TFConfig::BtDossierClick);
    connect(BtDossierSuivi, &QPushButton::clicked, this, &TFConfig::BtDossierSuiviClick);
    connect(BtnFind, &QPushButton::clicked, this, &TFConfig::BtnFindClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TFConfig::BtnDeleteClick);
    connect(BtnInit, &QPushButton::clicked, this, &TFConfig::BtnInitClick);

    auto glyphButton = [this](const char* name, Glyph glyph, int y) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoRaise(true);
        b->setIcon(GlyphIcon(glyph));
        b->setGeometry(379, y, 25, 25);
        return b;
    };
    BtnUp = glyphButton("BtnUp", Glyph::ArrowUp, 203);
    BtnDown = glyphButton("BtnDown", Glyph::ArrowDown, 233);
    connect(BtnUp, &QToolButton::clicked, this, &TFConfig::BtnUpClick);
    connect(BtnDown, &QToolButton::clicked, this, &TFConfig::BtnDownClick);

    // Transparent, not stretched, not centred: a small picture sits at the top left.
    Imgapercu = new QLabel(this);
    Imgapercu->setObjectName(QStringLiteral("Imgapercu"));
    Imgapercu->setGeometry(488, 8, kThumbnailSide, kThumbnailSide);
    Imgapercu->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Imgapercu->setScaledContents(false);

    CBApercu = placeCheck(this, "CBApercu", QStringLiteral("&Aperçu de l'image"), 480, 213, 109);
    CBApercu->setChecked(true);
    connect(CBApercu, &QCheckBox::clicked, this, &TFConfig::CBApercuClick);
    TxtResolution = PlaceLabel(this, QStringLiteral("TxtResolution"), QString(), 592, 216, 87, 13);
}

void TFConfig::buildEffectSide()
{
    Label6 = PlaceLabel(this, QStringLiteral("Label6"), QStringLiteral("Effets sélectionnés :"), 680, 8);
    BtnTous = PlaceButton(this, QStringLiteral("BtnTous"), QStringLiteral("&Tous"), 682, 26, 44, 25);
    BtnAucun = PlaceButton(this, QStringLiteral("BtnAucun"), QStringLiteral("&Aucun"), 733, 26, 44, 25);
    connect(BtnTous, &QPushButton::clicked, this, &TFConfig::BtnTousClick);
    connect(BtnAucun, &QPushButton::clicked, this, &TFConfig::BtnAucunClick);

    LBEffets = new TRowList(this, 13);
    LBEffets->setObjectName(QStringLiteral("LBEffets"));
    LBEffets->setGeometry(682, 54, 95, 403);
    connect(LBEffets, &TRowList::Clicked, this, &TFConfig::LBEffetsClick);
    connect(LBEffets, &TRowList::KeyPress, this, &TFConfig::LBEffetsKeyPress);

    GBParams = new QGroupBox(QStringLiteral("Méthode d'affichage des images"), this);
    GBParams->setObjectName(QStringLiteral("GBParams"));
    GBParams->setGeometry(3, 262, 670, 197);
    QWidget* g = GBParams;
    CBAlea = placeCheck(g, "CBAlea", QStringLiteral("&Ordre aléatoire des images"), 13, 19);
    CBEffets = placeCheck(g, "CBEffets", QStringLiteral("&Affichage avec des effets"), 13, 37);
    CBAleaEffets = placeCheck(g, "CBAleaEffets", QStringLiteral("&Ordre aléatoire des effets"), 164, 37);
    CBCentre = placeCheck(g, "CBCentre", QStringLiteral("&Image(s) centrée(s)"), 13, 55);
    CBTransition = placeCheck(g, "CBTransition", QStringLiteral("&Transition entre chaque image"), 13, 74);
    CBAjuster = placeCheck(g, "CBAjuster",
                           QStringLiteral("&Ajuster les images à la taille de l'écran (conseillé pour les images dont "
                                          "la taille est proche de : 640x480; 800x600; 1024x768, etc...)"),
                           13, 93, 651);
    // Meant as one line across the group: where this font is wider than the design's,
    // use the group's whole width, then a slightly smaller size, rather than cut it.
    CBAjuster->resize(std::max(CBAjuster->width(), g->width() - 13 - 2), CBAjuster->height());
    for (QFont f = CBAjuster->font(); CBAjuster->sizeHint().width() > CBAjuster->width() && f.pixelSize() > 9;) {
        f.setPixelSize(f.pixelSize() - 1);
        CBAjuster->setFont(f);
    }
    CBDoubleBufferring =
        placeCheck(g, "CBDoubleBufferring", QStringLiteral("Eliminer les effets de scintillement"), 13, 112);
    CBDoubleBufferring->hide();
    CBLOG = placeCheck(g, "CBLOG", QStringLiteral("&Etablir un journal de trace (si demandé par l'auteur)"), 336, 55);
    CBEcranOff = placeCheck(g, "CBEcranOff", QStringLiteral("Désactiver l'extinction automatique de l'écran"), 336, 120);
    // The idle watcher (lumivane --watch), in rows the design leaves free.
    CBVeille = placeCheck(g, kWatcherSwitch, QStringLiteral("Lancer seul le dia&porama après"), 336, 74);
    {
        const SettingRow& row = SettingRowNamed("DelaiVeille");
        SEDelaiVeille = new QSpinBox(g);
        SEDelaiVeille->setObjectName(QString::fromLatin1(row.control));
        SEDelaiVeille->setRange(row.minimum, row.maximum);
        SEDelaiVeille->setSuffix(QStringLiteral(" min"));
        SEDelaiVeille->setSpecialValueText(QStringLiteral("le délai du bureau"));
        SEDelaiVeille->setGeometry(CBVeille->geometry().right() + 6, 72, 130, 21);
        connect(CBVeille, &QCheckBox::toggled, SEDelaiVeille, &QWidget::setEnabled);
    }
    CBVerrouAuRetour = placeCheck(g, "CBVerrouAuRetour", QStringLiteral("Verrouiller au &retour"), 13, 112);
    CBTousLesEcrans = placeCheck(g, "CBTousLesEcrans", QStringLiteral("Sur tous les é&crans"), 164, 112);
    connect(CBEffets, &QCheckBox::toggled, this, &TFConfig::CBEffetsClick);
    connect(CBCentre, &QCheckBox::toggled, this, &TFConfig::CBCentreClick);

    SBVitesse = placeBar(g, "Vitesse", 46, 158, 188, 17, 5, 10, 1);
    GBVitesse = PlaceLabel(g, QStringLiteral("GBVitesse"), QStringLiteral("Intervalle entre chaque image (en secondes)"),
                           46, 142);
    placeEndLabel(g, "LabelCourt", QStringLiteral("Court"), SBVitesse, true);
    placeEndLabel(g, "LabelLong", QStringLiteral("Long"), SBVitesse, false);

    SBRapidite = placeBar(g, "Rapidite", 512, 34, 129, 17, 500, 500, 100);
    LabelREffets = PlaceLabel(g, QStringLiteral("LabelREffets"), QStringLiteral("Rapidité des effets"), 512, 18);
    placeEndLabel(g, "LabelRapide", QStringLiteral("Rapide"), SBRapidite, true);
    placeEndLabel(g, "LabelLent", QStringLiteral("Lent"), SBRapidite, false);

    SBTailleEffet = placeBar(g, "TailleEffet", 336, 34, 117, 16, 4, 1, 1);
    LabelTEffets = PlaceLabel(g, QStringLiteral("LabelTEffets"), QStringLiteral("Taille de l'effet"), 336, 18);
    // Connected once the design positions are set: from here on every change of
    // position, the program's included, refreshes its caption.
    connect(SBVitesse, &QScrollBar::valueChanged, this, &TFConfig::SBVitesseChange);
    connect(SBRapidite, &QScrollBar::valueChanged, this, &TFConfig::SBRapiditeChange);
    connect(SBTailleEffet, &QScrollBar::valueChanged, this, &TFConfig::SBTailleEffetChange);

    PlaceLabel(g, QStringLiteral("LabelCouleur"), QStringLiteral("Couleur de fond d'écran :"), 347, 156);
    Shape1 = new TShape(g);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(470, 150, 44, 26);
    connect(Shape1, &TShape::MouseUp, this, [this](Qt::MouseButton) { Shape1MouseUp(); });

    QFont large = font();
    large.setPixelSize(13);
    BitBtn1 = PlaceButton(this, QStringLiteral("BitBtn1"), QStringLiteral("Contrôler les mises à jour"), 9, 465, 196, 40);
    BtLicence = PlaceButton(this, QStringLiteral("BtLicence"), QStringLiteral("Contrat de &licence"), 214, 465, 175, 40);
    BtnMailMoi = PlaceButton(this, QStringLiteral("BtnMailMoi"), QStringLiteral("&Ecrire à l'auteur"), 398, 465, 143, 40);
    BtnCancel = PlaceButton(this, QStringLiteral("BtnCancel"), QStringLiteral("A&nnuler"), 550, 465, 106, 40);
    BtOk = PlaceButton(this, QStringLiteral("BtOk"), QStringLiteral("&Valider"), 665, 465, 111, 40);
    // Enter presses the focused button, and Valider when the focus is on no button.
    for (QPushButton* b : {BitBtn1, BtLicence, BtnMailMoi, BtnCancel, BtOk})
        b->setFont(large);
    BtnCancel->setIcon(GlyphIcon(Glyph::Cross));
    BtOk->setIcon(GlyphIcon(Glyph::Check));
    BtOk->setDefault(true);
    connect(BtOk, &QPushButton::clicked, this, &TFConfig::BtOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFConfig::BtnCancelClick);
    connect(BtLicence, &QPushButton::clicked, this,
            [this] { BtLicenceClick(this, *AppSettings, VorlVersion1->FileDescription); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(VorlVersion1->FileVersion); });
    connect(BtnMailMoi, &QPushButton::clicked, this,
            [this] { BtnMailMoiClick(*AppSettings, VorlVersion1->FileVersion); });
}

TFConfig::~TFConfig()
{
    // The preview draws on this window: it ends before anything of the window goes.
    TShowSession::Shutdown(PreviewThread);
    releaseForeignParent();
}

void TFConfig::applyForeignParent()
{
    // The window that asked for the configuration belongs to another program: an X
    // window cannot be disabled from outside, so the dialog only stays above the
    // window that holds it (or above it, when it is a top-level window itself).
    if (ParentWindow == 0)
        return;
    ForeignWindow asking(ParentWindow);
    if (!asking.exists())
        return;
    const unsigned long holder = asking.parent();
    winId();
    if (QWindow* foreign = QWindow::fromWinId(holder != 0 ? holder : ParentWindow))
        windowHandle()->setTransientParent(foreign);
}

void TFConfig::releaseForeignParent()
{
    if (ParentWindow == 0 || !windowHandle())
        return;
    if (QWindow* foreign = windowHandle()->transientParent()) {
        windowHandle()->setTransientParent(nullptr);
        if (ForeignWindow(foreign->winId()).exists()) {
            foreign->raise();
            foreign->requestActivate();
        }
    }
}

void TFConfig::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Filled once: activations after a message box or a chooser must not add the
    // pictures a second time.
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TFConfig::FormActivate()
{
    TSettings& s = *AppSettings;
    if (!IsConfigValidated())
        ScanFolder(s.CheminInstall, "*.jpg", false);
    for (const std::string& path : s.Images) {
        if (IsFollowedFolder(path))
            AddFollowedFolder(path);
        else
            DstList->addItem(QString::fromStdString(path));
    }

    // Positions outside a bar's range are shown, and later saved, clamped to it. Unchecking
    // CBCentre unchecks CBTransition: the stored Transition is set after it.
    forEachShown(s, [this](const SettingRow& row, const auto& value) {
        showSetting(*this, row, value);
        if (CBTransition->objectName() == QLatin1String(row.control))
            CBTransition->setEnabled(CBCentre->isChecked());
    });

    SBVitesseChange();
    CBEffetsClick();
    SBTailleEffetChange();

    setWindowTitle(QString::fromStdString("Paramètres de " + VorlVersion1->ProductName + " v" +
                                          VorlVersion1->ProductVersion));

    LBEffets->SetRedraw(false);
    for (int i = 1; i <= effects::kEffectCount; ++i) {
        auto* row = new QListWidgetItem(QStringLiteral("n° ") + QString::number(i), LBEffets);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(Qt::Unchecked);
        row->setSizeHint(QSize(0, LBEffets->RowHeight()));
    }
    if (s.Selection.empty()) {
        BtnTousClick();
    } else {
        const size_t n = std::min<size_t>(s.Selection.size(), effects::kEffectCount);
        for (size_t i = 0; i < n; ++i)
            if (s.Selection[i] == '1')
                LBEffets->item(static_cast<int>(i))->setCheckState(Qt::Checked);
    }
    LBEffets->SetRedraw(true);

    RefreshPictureCount();
    InitialPictureCount = DstList->count();

    applyOuterHeight();
}

void TFConfig::applyOuterHeight()
{
    // The window manager's frame is known only once the window is mapped; until then
    // the frame of the design stands in.
    const int frame = frameGeometry().height() - geometry().height();
    if (frame > 0)
        outerHeightKnown_ = true;
    setFixedHeight(kOuterHeight - (frame > 0 ? frame : kDesignFrameHeight));
}

bool TFConfig::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (activated_ && !outerHeightKnown_ && event->type() == QEvent::WindowActivate)
        applyOuterHeight();
    return handled;
}

void TFConfig::SBVitesseChange()
{
    GBVitesse->setText(QStringLiteral("Intervalle entre chaque image : ") + QString::number(SBVitesse->value()) +
                       QStringLiteral(" secondes"));
    GBVitesse->adjustSize();
}

void TFConfig::SBTailleEffetChange()
{
    LabelTEffets->setText(QStringLiteral("Taille des effets : ") + QString::number(SBTailleEffet->value()) +
                          QStringLiteral(" pixels"));
    LabelTEffets->adjustSize();
}

void TFConfig::SBRapiditeChange()
{
    LabelREffets->setText(QStringLiteral("Rapidité des effets : ") + QString::number(SBRapidite->value()));
    LabelREffets->adjustSize();
}

void TFConfig::CBEffetsClick()
{
    const bool on = CBEffets->isChecked();
    SBRapidite->setEnabled(on);
    SBTailleEffet->setEnabled(on);
    CBAleaEffets->setEnabled(on);
}

void TFConfig::CBCentreClick()
{
    CBTransition->setEnabled(CBCentre->isChecked());
    if (!CBCentre->isChecked())
        CBTransition->setChecked(false);
}

void TFConfig::Shape1MouseUp()
{
    QColorDialog chooser(colorDialogColor_, this);
    chooser.setObjectName(QStringLiteral("ColorDialog1"));
    chooser.setOption(QColorDialog::DontUseNativeDialog);
    if (chooser.exec() != QDialog::Accepted)
        return;
    const QColor c = chooser.selectedColor();
    colorDialogColor_ = c;
    Shape1->SetColor(RGB(c.red(), c.green(), c.blue()));
}

void TFConfig::BtnTousClick()
{
    LBEffets->SetRedraw(false);
    for (int i = 0; i < LBEffets->count(); ++i)
        LBEffets->item(i)->setCheckState(Qt::Checked);
    LBEffets->SetRedraw(true);
}

void TFConfig::BtnAucunClick()
{
    LBEffets->SetRedraw(false);
    for (int i = 0; i < LBEffets->count(); ++i)
        LBEffets->item(i)->setCheckState(Qt::Unchecked);
    LBEffets->SetRedraw(true);
}

std::string TFConfig::BuildSelection() const
{
    std::string selection;
    selection.reserve(static_cast<size_t>(LBEffets->count()));
    for (int i = 0; i < LBEffets->count(); ++i)
        selection += LBEffets->item(i)->checkState() == Qt::Checked ? '1' : '0';
    return selection;
}

void TFConfig::LBEffetsClick()
{
    PrevisualiserEffet();
}

void TFConfig::LBEffetsKeyPress(QChar)
{
    PrevisualiserEffet();
}

void TFConfig::PrevisualiserEffet()
{
    if (!PreviewRunning)
        StartPreview();
}

void TFConfig::StartPreview()
{
    // One preview at a time: the one under way ends where it stands.
    if (PreviewThread)
        StopPreview();
    // A followed folder's row has no one picture: the first file row from the current one
    // on, wrapping.
    const int rows = DstList->count(), from = std::max(0, DstList->currentRow());
    int pictureRow = -1;
    for (int step = 0; step < rows && pictureRow < 0; ++step)
        if (!IsFollowedFolder(EntryOf(DstList->item((from + step) % rows))))
            pictureRow = (from + step) % rows;
    if (pictureRow < 0) {
        MessageBox(nullptr, "Veuillez d'abord ajouter au moins une image.", "Lumivane", kDialogInformation);
        return;
    }
    const std::string picture = EntryOf(DstList->item(pictureRow));
    const int effect = std::max(0, LBEffets->currentRow()) + 1;
    // The puzzle plays over the thumbnail: the thumbnail goes onto the form's surface,
    // under the effect, and the label that shows it elsewhere steps aside.
    if (effect == kPuzzleEffect)
        showThumbnailOnSurface();
    Imgapercu->setVisible(false);
    try {
        auto* thread = new TShowSession(&FormCanvas->Canvas(), true, effect, picture,
                                        {Imgapercu->x(), Imgapercu->y(), kThumbnailSide, kThumbnailSide}, {}, {},
                                        std::shared_ptr<const TSettings>(std::shared_ptr<void>(), AppSettings));
        // Only the current preview's end counts.
        QPointer<TShowSession> self(thread);
        connect(thread, &TShowSession::LoadFailed, this, [](const FatalBox& box) { FatalExit(box); });
        connect(thread, &TShowSession::Finished, this, [this, self] {
            if (PreviewThread == self)
                PreviewFinished();
        });
        PreviewThread = thread;
        PreviewRunning = true;
    } catch (const std::exception&) {
        StopPreview();
    }
}

void TFConfig::showThumbnailOnSurface()
{
    // The surface has the dialog's own pixels, whatever the screen's scale.
    if (Imgapercu->pixmap().isNull() || boxThumbnail_.isNull())
        return;
    const TBitmap picture = TBitmap::FromImage(boxThumbnail_);
    TWindowCanvas& surface = FormCanvas->Canvas();
    surface.Draw(Imgapercu->x(), Imgapercu->y(), picture);
    surface.Flush();
}

void TFConfig::PreviewFinished()
{
    PreviewRunning = false;
    Imgapercu->setVisible(true);
    PreviewThread = nullptr;
}

void TFConfig::StopPreview()
{
    TShowSession::Shutdown(PreviewThread);
    PreviewRunning = false;
    Imgapercu->setVisible(true);
}

void TFConfig::BtOkClick()
{
    if (PreviewThread)
        StopPreview();
    sizeCheck();
    RefreshPictureCount();
    copyRowsToSettings();

    if (CBEffets->isChecked()) {
        int checked = 0;
        int only = 0;
        for (int i = 0; i < LBEffets->count(); ++i)
            if (LBEffets->item(i)->checkState() == Qt::Checked) {
                ++checked;
                only = i + 1;
            }
        if (checked == 0) {
            MessageBox(nullptr, "Vous n'avez sélectionné aucun effets !", "Lumivane", kDialogInformation);
            return;
        }
        const std::string puzzle = std::to_string(kPuzzleEffect);
        if (checked == 1 && only == kPuzzleEffect &&
            MessageBox(nullptr,
                       "Vous n'avez choisi que l'effet n° " + puzzle + " (Puzzle).\r\nSi vous utilisez 95, 98, Me ou "
                       "XP, il est vivement conseillé de choisir également d'autres effets.\r\nEn effet, tout seul, "
                       "l'effet " + puzzle + " peut planter votre PC car il tournera en boucle.\r\nDésirez quand "
                       "même valider votre choix ?",
                       "Lumivane", kDialogQuestion) == IDNO)
            return;
    }
    if (CBDoubleBufferring->isChecked() &&
        MessageBox(nullptr,
                   "Vous avez coché la case \"Eliminer les scintillements\".\r\nCette option nécessite plus de "
                   "ressources.\r\nIl est vivement recommandé de posseder un PC récent.\r\nEtes-vous certain(e) de "
                   "vouloir l'activer ?",
                   "Lumivane", kDialogQuestion) == IDNO)
        CBDoubleBufferring->setChecked(false);

    TSettings& s = *AppSettings;
    forEachShown(s, [this](const SettingRow& row, auto& value) { takeSetting(*this, row, value); });

    RunNewsletterPrompt(this, s, VorlVersion1->FileVersion);
    s.Selection = BuildSelection();
    try {
        s.SaveToRegistry();
        SetConfigValidated();
    } catch (const RegistryError& e) {
        // Nothing is lost: the dialog stays open with everything the user chose.
        ShowException(e);
        return;
    }
    done(QDialog::Accepted);
}

void TFConfig::BtnCancelClick()
{
    if (PreviewThread)
        StopPreview();
    done(QDialog::Rejected);
}

void TFConfig::reject()
{
    BtnCancelClick();
}
