#pragma once
// What every form of the dialog shares: the form font, fixed frames centred on the
// screen, and controls placed at their design positions.

#include "platform/message_box.h"

#include <QFont>
#include <QString>

class QDialog;
class QLabel;
class QPushButton;
class QWidget;

// The dialog's questions and notices: topmost and system-modal, as all its boxes are.
inline constexpr uint32_t kDialogQuestion =
    platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_TOPMOST | platform::MB_SYSTEMMODAL;
inline constexpr uint32_t kDialogInformation =
    platform::MB_OK | platform::MB_ICONINFORMATION | platform::MB_TOPMOST | platform::MB_SYSTEMMODAL;

// "MS Sans Serif", height -11 (8 points), or the nearest sans font at that size.
QFont FormFont();

// A fixed frame with the given client size, centred on the primary screen.
void MakeFixedCentred(QDialog& form, int clientWidth, int clientHeight);

// A label at (x, y); with width and height it keeps that size, else it fits its text.
QLabel* PlaceLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y, int w = 0,
                   int h = 0);
QPushButton* PlaceButton(QWidget* parent, const QString& objectName, const QString& text, int x, int y, int w, int h);
