// The dialog's picture list: filling, emptying and ordering it, the thumbnail, and the
// list's two steps of the validation.

#include "config_form.h"
#include "config_widgets.h"
#include "aux_actions.h"
#include "form_support.h"
#include "picture_preview.h"

#include "display/folder_scan.h"
#include "display/show_session.h"
#include "display/picture_format.h"
#include "display/picture_preparation.h"

#include "settings/app_state.h"
#include "settings/settings.h"

#include "platform/background_task.h"
#include "platform/gdi/bitmap.h"
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
#include <QTimer>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace platform;

namespace {

// What a followed folder's row says after its path: that it is followed, and how many
// pictures its last reading found.
QString followedText(const std::string& folder, const QString& state)
{
    return QString::fromStdString(folder) + QStringLiteral("   (dossier suivi : ") + state + QLatin1Char(')');
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

std::string EntryOf(const QListWidgetItem* item)
{
    if (!item)
        return {};
    const QVariant entry = item->data(Qt::UserRole);
    return (entry.isValid() ? entry.toString() : item->text()).toStdString();
}

TRect ThumbnailPlacement(int width, int height, int side)
{
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
    chooser.setNameFilters({QStringLiteral("Tout (*.bmp *.jpg *.jpeg *.jpe *.jfif *.png *.webp *.heic *.heif *.avif "
                                           "*.tif *.tiff *.gif)"),
                            QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("JPEG (*.jpg *.jpeg *.jpe *.jfif)"),
                            QStringLiteral("PNG (*.png)"), QStringLiteral("WebP (*.webp)"),
                            QStringLiteral("HEIF (*.heic *.heif *.avif)"), QStringLiteral("TIFF (*.tif *.tiff)"),
                            QStringLiteral("GIF (*.gif)")});
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

std::string TFConfig::chooseFolder(const QString& title, bool foldersOnly)
{
    if (PreviewThread)
        StopPreview();
    QFileDialog chooser(this, title);
    chooser.setObjectName(QStringLiteral("FolderChooser"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly, foldersOnly);
    chooser.setDirectory(QString::fromStdString(AppSettings->DossierImages));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return {};
    return chooser.selectedFiles().first().toStdString();
}

void TFConfig::BtDossierClick()
{
    const std::string folder = chooseFolder(QStringLiteral("Choisissez un dossier"), false);
    if (folder.empty())
        return;
    // Kept in memory only: the registry gets it with the other settings on Valider.
    AppSettings->DossierImages = folder;
    ScanFolder(AppSettings->DossierImages, kPhotoMask, false);
    RefreshPictureCount();
}

void TFConfig::BtDossierSuiviClick()
{
    std::string folder = chooseFolder(QStringLiteral("Choisissez un dossier à suivre"), true);
    if (folder.empty())
        return;
    if (folder.back() != '/')
        folder += '/';
    for (int row = 0; row < DstList->count(); ++row)
        if (EntryOf(DstList->item(row)) == folder)
            return;  // followed already
    AddFollowedFolder(folder);
    RefreshPictureCount();
}

void TFConfig::AddFollowedFolder(const std::string& folder)
{
    auto* row = new QListWidgetItem(followedText(folder, QStringLiteral("lecture…")), DstList);
    row->setData(Qt::UserRole, QString::fromStdString(folder));
    QFont font = DstList->font();
    font.setItalic(true);
    row->setFont(font);
    // Counted away from this thread: a large folder, or a share that sleeps, must not hold
    // the dialog. The row is found again by its entry, as it may have moved or gone.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto task = BackgroundTask<size_t>::Start(
        [folder, stop] { return ScanFollowedFolder(folder, [](std::vector<std::string>&&) {}, *stop); });
    if (!task) {
        row->setText(followedText(folder, QStringLiteral("non compté")));
        return;
    }
    auto* poll = new QTimer(this);
    QObject::connect(poll, &QTimer::timeout, this, [this, poll, task, stop, folder] {
        if (!task->WaitUntil(BackgroundTask<size_t>::Clock::time_point::min(), {}))
            return;
        poll->stop();
        poll->deleteLater();
        size_t count = 0;
        try {
            count = task->Take();
        } catch (...) {
        }
        const QString state = count == 1 ? QStringLiteral("1 image") : QStringLiteral("%1 images").arg(count);
        for (int r = 0; r < DstList->count(); ++r)
            if (EntryOf(DstList->item(r)) == folder)
                DstList->item(r)->setText(followedText(folder, state));
    });
    QObject::connect(this, &QObject::destroyed, [stop] { *stop = true; });
    poll->start(50);
}

void TFConfig::BtnFindClick()
{
    const int answer = MessageBox(nullptr, "Voulez-vous rechercher automatiquement les images sur votre disque dur ?",
                                  "Lumivane", kDialogQuestion);
    if (answer == IDNO)
        return;
    ScanFolder(DriveC(), kPhotoMask, true);
    RefreshPictureCount();
}

void TFConfig::ScanFolder(std::string folder, const std::string& mask, bool recursive)
{
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    const std::string where = folder.empty() ? std::string("/") : folder;
    std::vector<std::string> patterns;
    for (size_t from = 0; from <= mask.size();) {
        const size_t to = std::min(mask.find(';', from), mask.size());
        if (to > from)
            patterns.push_back(mask.substr(from, to - from));
        from = to + 1;
    }
    const auto matches = [&patterns](const std::string& name) {
        return std::any_of(patterns.begin(), patterns.end(), [&name](const std::string& p) {
            return ::fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
        });
    };
    std::vector<std::string> files, folders;
    if (DIR* dir = ::opendir(where.c_str())) {
        std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const bool wanted = matches(name);
            if (!wanted && !recursive)
                continue;
            if (wanted)
                QCoreApplication::processEvents();
            const EntryKind kind = kindOf(folder + "/" + name, entry->d_type);
            if (wanted && !kind.directory)
                files.push_back(name);
            else if (recursive && kind.directory && !kind.link)
                folders.push_back(name);
        }
    }
    std::sort(files.begin(), files.end(), NaturalLess);
    for (const std::string& name : files)
        DstList->addItem(QString::fromStdString(folder + "/" + name));
    if (!recursive)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DstList->SetRedraw(false);
    std::sort(folders.begin(), folders.end(), NaturalLess);
    for (const std::string& name : folders) {
        ScanFolder(folder + "/" + name, mask, true);
        QCoreApplication::processEvents();
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
    ShowThumbnail(EntryOf(DstList->currentItem()));
    update();
}

void TFConfig::CBApercuClick()
{
    if (CBApercu->isChecked()) {
        if (DstList->currentItem())
            ShowThumbnail(EntryOf(DstList->currentItem()));
    } else {
        Imgapercu->clear();
    }
}

void TFConfig::ShowThumbnail(const std::string& path)
{
    if (!FileExists(path))
        return;
    const int request = ++thumbnailRequest_;
    const qreal ratio = Imgapercu->devicePixelRatioF();
    MakeThumbnailLater(this, path, ratio, [this, request](const Thumbnail* thumbnail, const std::string& error) {
        // A row clicked since then has the box.
        if (request != thumbnailRequest_)
            return;
        if (!thumbnail) {
            ShowException(std::runtime_error(error));
            return;
        }
        TxtResolution->setText(SizeText(thumbnail->width, thumbnail->height));
        Imgapercu->setPixmap(QPixmap::fromImage(thumbnail->image));
        boxThumbnail_ = thumbnail->logical;
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
    // What no decoder reads: larger files only. A picture the show can display is never
    // removed, and telling needs no more than the file's size.
    const std::string limit = std::to_string(kMaxPictureFileBytes / 1000) + " Ko.";
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
        const std::string path = EntryOf(DstList->item(row));
        if (FileExists(path) && FileSizeOf(path) > kMaxPictureFileBytes) {
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
        AppSettings->Images.push_back(EntryOf(DstList->item(row)));
    AppSettings->ImageCount = static_cast<int>(AppSettings->Images.size());
}
