#pragma once
// TFDocument: a read-only rich-text viewer with a close button.

#include <QDialog>

#include <string>

class QPushButton;
class QTextBrowser;

class TFDocument : public QDialog {
    Q_OBJECT
public:
    explicit TFDocument(QWidget* parent = nullptr);

    // Loads a rich-text file into RichEdit1; throws platform::FileOpenError.
    void LoadFile(const std::string& path);

    QTextBrowser* RichEdit1;
    QPushButton* Button1;
};
