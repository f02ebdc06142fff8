#include "rejected_window.h"

#include "form_support.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

TF_liste_rejet::TF_liste_rejet(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("F_liste_rejet"));
    setWindowTitle(QStringLiteral("Images supprimées de la sélection"));
    MakeFixedCentred(*this, 440, 303);

    Label1 = PlaceLabel(this, QStringLiteral("Label1"),
                        QStringLiteral("La taille des images suivantes est supérieure à "), 10, 6, 221, 13);
    Label1->setWordWrap(true);
    // Meant as one line: where this font is wider than the design's, widen rather than cut.
    Label1->resize(std::max(221, Label1->fontMetrics().horizontalAdvance(Label1->text())), 13);
    TxtTailleMax = PlaceLabel(this, QStringLiteral("TxtTailleMax"), QStringLiteral("TxtTailleMax"),
                              std::max(234, Label1->geometry().right() + 3), 6, 60, 13);
    Label5 = PlaceLabel(this, QStringLiteral("Label5"),
                        QStringLiteral("Lumivane ne peut pas les afficher correctement."), 10, 27);
    Label2 = PlaceLabel(this, QStringLiteral("Label2"),
                        QStringLiteral("Vous pouvez retoucher ces images à l'aide de votre logiciel de retouche "
                                       "favori."),
                        10, 47);
    Label3 = PlaceLabel(this, QStringLiteral("Label3"),
                        QStringLiteral("Si vous n'en avez pas, nous vous conseillons d'utiliser PaintShop Pro."), 10,
                        68);
    Label4 = PlaceLabel(this, QStringLiteral("Label4"), QStringLiteral("Nombre d'images supprimées de la liste :"),
                        10, 88);
    // The count follows its caption, never overlapping it.
    NBImages = PlaceLabel(this, QStringLiteral("NBImages"), QStringLiteral("NBImages"),
                          std::max(204, Label4->geometry().right() + 4), 88);

    LBRejet = new QListWidget(this);
    LBRejet->setObjectName(QStringLiteral("LBRejet"));
    LBRejet->setGeometry(9, 108, 421, 145);

    Button1 = PlaceButton(this, QStringLiteral("Button1"), QStringLiteral("&Fermer"), 168, 267, 90, 31);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}
