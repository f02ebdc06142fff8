// The dialog's picture list: filling, emptying and ordering it, the thumbnail, and the
// list's two steps of the validation.

#include "config_form.h"
#include "config_widgets.h"
#include "aux_actions.h"
#include "form_support.h"
#include "picture_preview.h"

#include "display/display_thread.h"
#include "display/picture_preparation.h"

#include "settings/app_state.h"
#include "settings/settings.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/win_math.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

using namespace platform;

namespace {

std::string pathOf(const QListWidgetItem* item)
{
    return item ? item->text().toStdString() : std::string();
}

// What a directory search reports for an entry: whether it is a folder. A link is
// looked at through (a link to a picture is a picture) but never counted as a folder
// to descend into, so that a link loop cannot make a scan endless.
struct EntryKind {
    bool directory = false;
    bool link = false;
};

EntryKind kindOf(const std::string& path, unsigned char type)
{
    if (type != DT_LNK && type != DT_UNKNOWN)
        return {type == DT_DIR, false};
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return {};
    if (!S_ISLNK(st.st_mode))
        return {S_ISDIR(st.st_mode), false};
    return {::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode), true};
}

}  // namespace

TRect ThumbnailPlacement(int width, int height)
{
    const int side = kThumbnailSide;
    if (static_cast<double>(side) / side > static_cast<double>(width) / height) {
        const int w = MulDiv(side, width, height);
        const int left = (side - w) / 2;
        return Rect(left, 0, left + w, side);
    }
    const int h = MulDiv(side, height, width);
    const int top = (side - h) / 2;
    return Rect(0, top, side, top + h);
}

void TFConfig::RefreshPictureCount()
{
    const int count = DstList->count();
    BtOk->setEnabled(count > 0);
    DstLabel->setText(count == 0 ? QStringLiteral("Aucune image choisie. Cliquez sur le bouton Ajouter.")
                                 : QString::number(count) + QStringLiteral(" images choisies :"));
}

void TFConfig::BtnAddClick()
{
    if (PreviewThread)
        StopPreview();
    QFileDialog chooser(this, QStringLiteral("Choisissez une image"));
    chooser.setObjectName(QStringLiteral("OpenPictureDialog1"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setNameFilters({QStringLiteral("Tout (*.bmp *.jpg)"), QStringLiteral("Bitmaps (*.bmp)"),
                            QStringLiteral("JPEG (*.jpg)")});
    chooser.setDefaultSuffix(QStringLiteral("jpg"));
    chooser.setFileMode(QFileDialog::ExistingFiles);
    chooser.setOption(QFileDialog::ReadOnly, false);
    AttachPicturePreview(chooser);
    if (!AppSettings->DossierImages.empty())
        chooser.setDirectory(QString::fromStdString(AppSettings->DossierImages));
    if (chooser.exec() == QDialog::Accepted)
        for (const QString& file : chooser.selectedFiles())
            DstList->addItem(file);
    RefreshPictureCount();
}

void TFConfig::BtDossierClick()
{
    if (PreviewThread)
        StopPreview();
    QFileDialog chooser(this, QStringLiteral("Choisissez un dossier"));
    chooser.setObjectName(QStringLiteral("FolderChooser"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly, false);
    chooser.setDirectory(QString::fromStdString(AppSettings->DossierImages));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    // Kept in memory only: the registry gets it with the other settings on Valider.
    AppSettings->DossierImages = chooser.selectedFiles().first().toStdString();
    ScanFolder(AppSettings->DossierImages, "*.jpg", false);
    RefreshPictureCount();
}

void TFConfig::BtnFindClick()
{
    const int answer = MessageBox(nullptr, "Voulez-vous rechercher automatiquement les images sur votre disque dur ?",
                                  "Lumivane", kDialogQuestion);
    if (answer == IDNO)
        return;
    ScanFolder(DriveC(), "*.jpg", true);
    RefreshPictureCount();
}

void TFConfig::ScanFolder(std::string folder, const std::string& mask, bool recursive)
{
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    const std::string where = folder.empty() ? std::string("/") : folder;
    if (DIR* dir = ::opendir(where.c_str())) {
        std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (::fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0)
                continue;
            QCoreApplication::processEvents();
            const std::string path = folder + "/" + name;
            if (kindOf(path, entry->d_type).directory)
                continue;
            DstList->addItem(QString::fromStdString(path));
        }
    }
    if (!recursive)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DstList->SetRedraw(false);
    if (DIR* dir = ::opendir(where.c_str())) {
        std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "/" + name;
            const EntryKind kind = kindOf(path, entry->d_type);
            if (!kind.directory || kind.link)
                continue;
            ScanFolder(path, mask, true);
            QCoreApplication::processEvents();
        }
    }
    DstList->SetRedraw(true);
    QApplication::restoreOverrideCursor();
}

void TFConfig::BtnDeleteClick()
{
    if (PreviewThread)
        StopPreview();
    if (DstList->SelectedCount() == 0)
        return;
    Imgapercu->clear();
    DstList->SetRedraw(false);
    removeSelectedRows();
    DstList->SetRedraw(true);
    RefreshPictureCount();
}

void TFConfig::BtnInitClick()
{
    if (PreviewThread)
        StopPreview();
    DstList->clear();
    Imgapercu->clear();
    RefreshPictureCount();
}

void TFConfig::BtnUpClick()
{
    if (PreviewThread)
        StopPreview();
    const int row = DstList->currentRow();
    if (row <= 0)
        return;
    QListWidgetItem* item = DstList->takeItem(row);
    DstList->insertItem(row - 1, item);
    DstList->setCurrentRow(row - 1, QItemSelectionModel::NoUpdate);
}

void TFConfig::BtnDownClick()
{
    if (PreviewThread)
        StopPreview();
    const int row = DstList->currentRow();
    if (row < 0 || row >= DstList->count() - 1)
        return;
    QListWidgetItem* item = DstList->takeItem(row);
    DstList->insertItem(row + 1, item);
    DstList->setCurrentRow(row + 1, QItemSelectionModel::NoUpdate);
}

void TFConfig::removeSelectedRows()
{
    for (int row = DstList->count() - 1; row >= 0; --row)
        if (DstList->item(row)->isSelected())
            delete DstList->takeItem(row);
}

void TFConfig::DstListKeyUp(int virtualKey)
{
    if (virtualKey == VK_DELETE) {
        // With one row selected the key takes the focused row.
        if (DstList->SelectedCount() == 1)
            delete DstList->takeItem(DstList->currentRow());
        else
            removeSelectedRows();
        RefreshPictureCount();
    } else if (virtualKey == VK_INSERT) {
        BtnAddClick();
    }
}

void TFConfig::DstListClick()
{
    if (PreviewThread)
        StopPreview();
    if (!CBApercu->isChecked() || DstList->count() == 0 || !DstList->currentItem())
        return;
    ShowThumbnail(pathOf(DstList->currentItem()));
    update();
}

void TFConfig::CBApercuClick()
{
    if (CBApercu->isChecked()) {
        if (DstList->currentItem())
            ShowThumbnail(pathOf(DstList->currentItem()));
    } else {
        Imgapercu->clear();
    }
}

void TFConfig::ShowThumbnail(const std::string& path)
{
    if (!FileExists(path))
        return;
    const int request = ++thumbnailRequest_;
    MakeThumbnailLater(this, path, [this, request](const Thumbnail* thumbnail, const std::string& error) {
        // A row clicked since then has the box.
        if (request != thumbnailRequest_)
            return;
        if (!thumbnail) {
            ShowException(std::runtime_error(error));
            return;
        }
        TxtResolution->setText(SizeText(thumbnail->width, thumbnail->height));
        Imgapercu->setPixmap(QPixmap::fromImage(thumbnail->image));
    });
}

void TFConfig::BtDownloadClick()
{
    const int answer = MessageBox(nullptr,
                                  "Vous pouvez télécharger gratuitement des images de qualité depuis un site sur "
                                  "Internet.\r\nDésirez-vous vous connecter à ce site Internet maintenant ?",
                                  "Lumivane", kDialogQuestion);
    if (answer != IDYES)
        return;
    OpenDocument(std::string(LUMIVANE_WALLPAPER_SITE) + "/fonds_ecran/");
}

bool TFConfig::sizeCheck()
{
    if (DstList->count() == InitialPictureCount)
        return false;
    const std::string limit = std::to_string(kMaxPictureBytes / 1000) + " Ko.";
    const int answer = MessageBox(
        nullptr,
        "Vous avez modifié la liste des images.\r\nCertaines d'entres elles peuvent être trop grosses pour "
        "Lumivane.\r\nDésirez-vous lancer un contrôle des images choisies ?\r\n \r\nLumivane supprimera "
        "automatiquement toutes les images dont la taille\r\nest supérieure à " +
            limit,
        "Lumivane", kDialogQuestion);
    if (answer == IDNO)
        return false;
    std::vector<std::string> removed;
    for (int row = DstList->count() - 1; row >= 0; --row) {
        const std::string path = pathOf(DstList->item(row));
        if (FileExists(path) && FileSizeOf(path) > kMaxPictureBytes) {
            removed.push_back(path);
            delete DstList->takeItem(row);
        }
    }
    if (!removed.empty())
        ShowRejectedPictures(this, removed, limit);
    return !removed.empty();
}

void TFConfig::copyRowsToSettings()
{
    AppSettings->Images.clear();
    for (int row = 0; row < DstList->count(); ++row)
        AppSettings->Images.push_back(pathOf(DstList->item(row)));
    AppSettings->ImageCount = static_cast<int>(AppSettings->Images.size());
}
