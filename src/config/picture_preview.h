#pragma once
// Thumbnails of picture files: the one the dialog shows for the highlighted row, and the
// preview beside the file list of the picture chooser, loaded the same way.

#include <QImage>
#include <QWidget>

#include <string>

class QFileDialog;
class QLabel;

struct Thumbnail {
    QImage image;  // at most the thumbnail box's side each way
    int width = 0;   // the picture's own size
    int height = 0;
};

// Loads a picture as the slide show does and fits it into the thumbnail box; throws what
// loading throws.
Thumbnail MakeThumbnail(const std::string& path);

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
};

// Adds the preview beside the chooser's file list, following its highlighted file.
TPicturePreview* AttachPicturePreview(QFileDialog& chooser);
