#include "form_support.h"

#include <QDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

QFont FormFont()
{
    // The forms were laid out for that font's narrow metrics: prefer a sans font with the
    // same widths, then the desktop's own. Height -11 is a character height of 11 pixels.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Arimo"), font.family()});
    font.setPixelSize(11);
    return font;
}

void MakeFixedCentred(QDialog& form, int clientWidth, int clientHeight)
{
    form.setFont(FormFont());
    form.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint);
    form.setFixedSize(clientWidth, clientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        form.move(area.x() + (area.width() - clientWidth) / 2, area.y() + (area.height() - clientHeight) / 2);
    }
}

QLabel* PlaceLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y, int w, int h)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    if (w > 0 && h > 0) {
        label->setGeometry(x, y, w, h);
    } else {
        label->move(x, y);
        label->adjustSize();
    }
    return label;
}

QPushButton* PlaceButton(QWidget* parent, const QString& objectName, const QString& text, int x, int y, int w, int h)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setGeometry(x, y, w, h);
    return button;
}
