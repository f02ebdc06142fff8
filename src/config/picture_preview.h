#pragma once
// Thumbnails of picture files: the one the dialog shows for the highlighted row, and the
// preview beside the file list of the picture chooser, loaded the same way.

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QFileDialog;
class QLabel;

struct Thumbnail {
    // For the screen: at most the thumbnail box's side each way in the screen's device
    // pixels, with their ratio set, so that Qt shows each pixel as it is. A picture that
    // fits is its own pixels, as the show would give them.
    QImage image;
    QImage logical;  // the same in the box's own pixels (the image itself at a ratio of 1)
    int width = 0;   // the picture's own size
    int height = 0;
};

// Loads a picture as the slide show does and fits it into the thumbnail box, on `face`
// (a plain colour, not a system one, so that any thread may draw it), for a screen of
// that device pixel ratio; throws what loading throws.
Thumbnail MakeThumbnail(const std::string& path, uint32_t face, qreal ratio = 1);

// The same, read on a thread of its own so that a file whose reading blocks never freezes
// the dialog; `done` gets the thumbnail or the error on the main thread, unless `owner` is
// gone by then. False, and `done` never called, while too many readings are still stuck.
using ThumbnailDone = std::function<void(const Thumbnail* thumbnail, const std::string& error)>;
bool MakeThumbnailLater(QObject* owner, const std::string& path, qreal ratio, ThumbnailDone done);

// "W x H" as the dialog writes a picture's size.
QString SizeText(int width, int height);

// The chooser's preview: the thumbnail of the highlighted file and its size. A file that
// does not load shows nothing, without a word: the user is only browsing.
class TPicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit TPicturePreview(QWidget* parent = nullptr);
    void ShowFile(const QString& path);
    QLabel* Picture;
    QLabel* Size;

private:
    int request_ = 0;  // only the latest file asked for is shown
};

// Adds the preview beside the chooser's file list, following its highlighted file.
TPicturePreview* AttachPicturePreview(QFileDialog& chooser);
