#include "document_window.h"

#include "form_support.h"

#include "platform/rich_text.h"

#include <QPushButton>
#include <QTextBrowser>

TFDocument::TFDocument(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FDocument"));
    setWindowTitle(QStringLiteral("FDocument"));
    MakeFixedCentred(*this, 781, 490);

    RichEdit1 = new QTextBrowser(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setGeometry(4, 4, 773, 449);
    RichEdit1->setReadOnly(true);
    RichEdit1->setOpenLinks(false);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit1->setPlainText(QStringLiteral("RichEdit1"));

    Button1 = PlaceButton(this, QStringLiteral("Button1"), QStringLiteral("&Fermer"), 353, 460, 75, 25);
    Button1->setAutoDefault(false);
    // The cancel button: Escape and the button both close with Cancel.
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
}

void TFDocument::LoadFile(const std::string& path)
{
    platform::LoadRichTextFile(path, *RichEdit1->document());
    RichEdit1->moveCursor(QTextCursor::Start);
}
