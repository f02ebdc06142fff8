#include "picture_preview.h"

#include "config_form.h"

#include "display/picture_preparation.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/device_pixels.h"
#include "platform/background_task.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>

#include <memory>
#include <optional>

using namespace platform;

namespace {

// The picture in a box of side × side pixels: as it is when it fits, else fitted on `face`.
QImage fitIntoBox(const LoadedPicture& picture, int side, uint32_t face)
{
    if (picture.width <= side && picture.height <= side)
        return picture.bitmap.Image();
    TBitmap box(side, side);
    TCanvas& c = box.Canvas();
    c.Brush.Color = face;
    c.Brush.Style = bsSolid;
    c.FillRect(Rect(0, 0, side, side));
    const TRect place = ThumbnailPlacement(picture.width, picture.height, side);
    c.SetStretchMode(HALFTONE);
    c.SetBrushOrigin({0, 0});
    c.StretchBlt(place.Left, place.Top, place.Right - place.Left, place.Bottom - place.Top, &picture.bitmap.Canvas(),
                 0, 0, picture.bitmap.Width(), picture.bitmap.Height(), SRCCOPY);
    return box.Image();
}

}  // namespace

Thumbnail MakeThumbnail(const std::string& path, uint32_t face, qreal ratio)
{
    const int side = DevicePixels(QSize(kThumbnailSide, kThumbnailSide), ratio).width();
    // A large JPEG is decoded at the smallest DCT scale that still covers the box: the
    // same thumbnail, without decoding millions of pixels it would drop.
    const LoadedPicture picture = LoadPicture(path, QSize(side, side), false);
    Thumbnail out;
    out.width = picture.width;
    out.height = picture.height;
    out.image = fitIntoBox(picture, side, face);
    out.logical = side == kThumbnailSide ? out.image : fitIntoBox(picture, kThumbnailSide, face);
    out.image.setDevicePixelRatio(ratio);
    return out;
}

bool MakeThumbnailLater(QObject* owner, const std::string& path, qreal ratio, ThumbnailDone done)
{
    struct Result {
        std::optional<Thumbnail> thumbnail;
        std::string error;
    };
    const TColor face = ColorToRGB(clBtnFace);
    // Only ever dereferenced on the main thread, which is where it is checked.
    QPointer<QObject> receiver(owner);
    auto work = [path, face, ratio, receiver, done = std::move(done)]() -> bool {
        auto result = std::make_shared<Result>();
        try {
            result->thumbnail = MakeThumbnail(path, face, ratio);
        } catch (const std::exception& e) {
            result->error = e.what();
        }
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [receiver, result, done] {
                    if (receiver)
                        done(result->thumbnail ? &*result->thumbnail : nullptr, result->error);
                },
                Qt::QueuedConnection);
        return true;
    };
    return BackgroundTask<bool>::Start(std::move(work)) != nullptr;
}

QString SizeText(int width, int height)
{
    return QString::number(width) + QLatin1Char('x') + QString::number(height);
}

TPicturePreview::TPicturePreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PicturePreview"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    Picture = new QLabel(this);
    Picture->setObjectName(QStringLiteral("PreviewPicture"));
    Picture->setFixedSize(kThumbnailSide, kThumbnailSide);
    Picture->setAlignment(Qt::AlignCenter);
    Picture->setFrameShape(QFrame::StyledPanel);
    Size = new QLabel(this);
    Size->setObjectName(QStringLiteral("PreviewSize"));
    Size->setAlignment(Qt::AlignHCenter);
    column->addWidget(Picture);
    column->addWidget(Size);
    column->addStretch();
}

void TPicturePreview::ShowFile(const QString& path)
{
    Picture->clear();
    Size->clear();
    const std::string file = path.toStdString();
    if (!FileExists(file))
        return;
    const int request = ++request_;
    // Browsing past a damaged file is no error: it simply has no thumbnail.
    const qreal ratio = Picture->devicePixelRatioF();
    MakeThumbnailLater(this, file, ratio, [this, request](const Thumbnail* thumbnail, const std::string&) {
        if (request != request_ || !thumbnail)
            return;
        Picture->setPixmap(QPixmap::fromImage(thumbnail->image));
        Size->setText(SizeText(thumbnail->width, thumbnail->height));
    });
}

TPicturePreview* AttachPicturePreview(QFileDialog& chooser)
{
    auto* preview = new TPicturePreview(&chooser);
    // The framework's own chooser lays itself out in a grid: the preview takes a column
    // of its own to the right, across every row.
    if (auto* grid = qobject_cast<QGridLayout*>(chooser.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    // Wider by the preview, so that the file list keeps the room it had without it.
    chooser.resize(chooser.sizeHint().expandedTo(QSize(840, 460)));
    QObject::connect(&chooser, &QFileDialog::currentChanged, preview, &TPicturePreview::ShowFile);
    return preview;
}
