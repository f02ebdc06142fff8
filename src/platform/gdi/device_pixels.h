#pragma once
// A size in the screen's own pixels: Qt's logical size times the device pixel ratio (2 on
// a screen scaled twice, 1.5 at 150 %). Every part that draws at device pixels sizes its
// surfaces with it, so that they agree to the pixel.

#include <QSize>
#include <QtGlobal>

namespace platform {

inline QSize DevicePixels(QSize logical, qreal ratio)
{
    return QSize(qRound(logical.width() * ratio), qRound(logical.height() * ratio));
}

}  // namespace platform
