#include "newsletter_window.h"

#include "form_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

TF_LettreInfo::TF_LettreInfo(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("F_LettreInfo"));
    setWindowTitle(QStringLiteral("Lumivane"));
    MakeFixedCentred(*this, 470, 154);

    // The caller sets the texts; the design ones are placeholders.
    Label1 = PlaceLabel(this, QStringLiteral("Label1"), QStringLiteral("Label1"), 15, 13, 445, 13);
    Label2 = PlaceLabel(this, QStringLiteral("Label2"), QStringLiteral("Label2"), 15, 32, 445, 13);
    Label3 = PlaceLabel(this, QStringLiteral("Label3"), QStringLiteral("Label3"), 15, 51, 445, 13);
    Label4 = PlaceLabel(this, QStringLiteral("Label4"), QStringLiteral("Label4"), 15, 70, 445, 13);

    CBStopDisplay = new QCheckBox(QStringLiteral("ne plus afficher"), this);
    CBStopDisplay->setObjectName(QStringLiteral("CBStopDisplay"));
    CBStopDisplay->setGeometry(15, 102, 97, 17);
    CBStopDisplay->setChecked(false);

    BtnOk = PlaceButton(this, QStringLiteral("BtnOk"), QStringLiteral("BtnOk"), 291, 123, 75, 25);
    BtnNon = PlaceButton(this, QStringLiteral("BtnNon"), QStringLiteral("BtnNon"), 384, 123, 75, 25);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnNon, &QPushButton::clicked, this, &QDialog::reject);
}
