#pragma once
// TFConfig: the configuration dialog. The picture list and its buttons on the left; the
// effect checklist with its preview, the display parameters and the validation on the
// right and below. It edits AppSettings and saves it only on Valider.

#include "display/folder_scan.h"  // NaturalLess, the order of a folder's files
#include "platform/gdi/types.h"

#include <QColor>
#include <QDialog>
#include <QPointer>

#include <memory>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QToolButton;
class QListWidgetItem;
class TSettings;
class TShowSession;
class TRowList;
class TShape;
class TVorlVersion;

namespace platform {
class CanvasWidget;
}

// The preview's show session, when one exists (one at a time in the process).
extern QPointer<TShowSession> PreviewThread;

// The photographs a folder or a search takes, by extension in any case (bitmaps are added
// one by one only).
inline constexpr const char* kPhotoMask = "*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.webp;*.heic;*.heif;*.avif;*.tif;*.tiff;*.gif";
// The thumbnail box's side.
inline constexpr int kThumbnailSide = 187;

// The list entry a row of the picture list stands for: a file's path, or a followed
// folder's path and its slash (its row shows more).
std::string EntryOf(const QListWidgetItem* item);

// Where a W × H picture goes in the thumbnail box (of `side` pixels: the screen's device
// pixels on a scaled screen) when it is too large to show as it is.
platform::TRect ThumbnailPlacement(int width, int height, int side = kThumbnailSide);

class TFConfig : public QDialog {
    Q_OBJECT
public:
    // Edits `settings`, which outlive it.
    explicit TFConfig(TSettings& settings, QWidget* parent = nullptr);
    ~TFConfig() override;

    // Picture list.
    void BtnAddClick();
    void BtDossierClick();
    // A followed folder: one row of the list, read again at every show.
    void BtDossierSuiviClick();
    void AddFollowedFolder(const std::string& folder);
    void BtnFindClick();
    void BtnDeleteClick();
    void BtnInitClick();
    void BtnUpClick();
    void BtnDownClick();
    void DstListClick();
    void DstListKeyUp(int virtualKey);
    void CBApercuClick();
    void BtDownloadClick();
    void RefreshPictureCount();
    void ShowThumbnail(const std::string& path);
    // `mask` holds one pattern or several separated by ';'; a folder's files are appended
    // in natural name order (img2 before img10), then its subfolders in the same order.
    void ScanFolder(std::string folder, const std::string& mask, bool recursive);

    // Effects and display parameters.
    void FormActivate();
    void LBEffetsClick();
    void LBEffetsKeyPress(QChar key);
    void BtnTousClick();
    void BtnAucunClick();
    void SBVitesseChange();
    void SBRapiditeChange();
    void SBTailleEffetChange();
    void CBEffetsClick();
    void CBCentreClick();
    void Shape1MouseUp();
    void BtOkClick();
    void BtnCancelClick();
    void PrevisualiserEffet();
    void StartPreview();
    void StopPreview();
    void PreviewFinished();
    std::string BuildSelection() const;

    // The settings the dialog edits and saves on Valider.
    TSettings* const AppSettings;
    bool PreviewRunning = false;
    int InitialPictureCount = 0;

    QLabel* DstLabel;
    TRowList* DstList;
    QPushButton* BtDownload;
    QPushButton* BtnAdd;
    QPushButton* BtDossier;
    QPushButton* BtDossierSuivi;
    QPushButton* BtnFind;
    QPushButton* BtnDelete;
    QPushButton* BtnInit;
    QToolButton* BtnUp;
    QToolButton* BtnDown;
    QLabel* Imgapercu;
    QCheckBox* CBApercu;
    QLabel* TxtResolution;

    QGroupBox* GBParams;
    QCheckBox* CBAlea;
    QCheckBox* CBEffets;
    QCheckBox* CBAleaEffets;
    QCheckBox* CBCentre;
    QCheckBox* CBTransition;
    QCheckBox* CBAjuster;
    QCheckBox* CBDoubleBufferring;  // never shown, yet it carries the stored value into Valider's question
    QCheckBox* CBLOG;
    QCheckBox* CBEcranOff;
    QCheckBox* CBVeille;
    QSpinBox* SEDelaiVeille;
    QCheckBox* CBVerrouAuRetour;
    QCheckBox* CBTousLesEcrans;
    QScrollBar* SBVitesse;
    QLabel* GBVitesse;
    QScrollBar* SBRapidite;
    QLabel* LabelREffets;
    QScrollBar* SBTailleEffet;
    QLabel* LabelTEffets;
    TShape* Shape1;

    QLabel* Label6;
    QPushButton* BtnTous;
    QPushButton* BtnAucun;
    TRowList* LBEffets;

    QPushButton* BitBtn1;
    QPushButton* BtLicence;
    QPushButton* BtnMailMoi;
    QPushButton* BtnCancel;
    QPushButton* BtOk;

    // The form's own surface, under every control: the preview draws on it.
    platform::CanvasWidget* FormCanvas;
    std::unique_ptr<TVorlVersion> VorlVersion1;

public slots:
    void reject() override;  // Escape and the close box go through Annuler

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildPictureSide();
    void buildEffectSide();
    void removeSelectedRows();
    bool sizeCheck();
    void copyRowsToSettings();
    void applyForeignParent();
    void releaseForeignParent();

    void applyOuterHeight();
    void showThumbnailOnSurface();
    // The folder chosen in the dialog's folder chooser; nothing when cancelled.
    std::string chooseFolder(const QString& title, bool foldersOnly);

    bool activated_ = false;
    bool outerHeightKnown_ = false;
    QColor colorDialogColor_ = Qt::black;
    int thumbnailRequest_ = 0;  // only the latest row clicked gets the thumbnail box
    QImage boxThumbnail_;       // the shown thumbnail in the box's own pixels, for the puzzle
};
