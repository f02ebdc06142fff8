#pragma once
// TF_LettreInfo: the newsletter prompt of the validation.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

class TF_LettreInfo : public QDialog {
    Q_OBJECT
public:
    explicit TF_LettreInfo(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QCheckBox* CBStopDisplay;
    QPushButton* BtnOk;
    QPushButton* BtnNon;
};
