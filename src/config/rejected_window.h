#pragma once
// TF_liste_rejet: the pictures that the size check removed from the selection.

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

class TF_liste_rejet : public QDialog {
    Q_OBJECT
public:
    explicit TF_liste_rejet(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* TxtTailleMax;
    QLabel* Label5;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* NBImages;
    QListWidget* LBRejet;
    QPushButton* Button1;
};
