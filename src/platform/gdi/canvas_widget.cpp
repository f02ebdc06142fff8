#include "platform/gdi/canvas_widget.h"

#include "platform/gdi/device_pixels.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>

namespace platform {

CanvasWidget::CanvasWidget(QWidget* parent, Qt::WindowFlags flags, Pixels pixels)
    : QWidget(parent, flags), pixels_(pixels)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    const QSize start = DevicePixels(size(), ratio());
    canvas_.SetSize(start.width(), start.height(), back_);
    // Painted at once, so a flush is on screen when it returns, whether or not the event
    // loop runs before the next drawing; a hidden widget paints when it is shown. The
    // parts are device pixels; the widget repaints what covers them.
    canvas_.SetSink([this](const QImage&, std::span<const QRect> parts) {
        const qreal ratio = this->ratio();
        QRegion region;
        for (const QRect& part : parts)
            region += QRectF(part.x() / ratio, part.y() / ratio, part.width() / ratio, part.height() / ratio)
                          .toAlignedRect();
        repaint(region);
    });
    followRefresh();
}

qreal CanvasWidget::ratio() const { return pixels_ == Pixels::Device ? devicePixelRatioF() : 1; }

void CanvasWidget::followRefresh()
{
    const QScreen* s = screen();
    canvas_.SetRefreshInterval(RefreshIntervalOf(s ? s->refreshRate() : 0));
}

void CanvasWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const qreal ratio = this->ratio();
    // Part by part: the bounding box of scattered parts would copy all that lies between.
    // Each logical rectangle takes the canvas's device pixels under it, one for one.
    for (const QRect& r : event->region()) {
        if (ratio == 1) {
            p.drawImage(r.topLeft(), canvas_.Surface(), r);
            continue;
        }
        const QRectF source(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio);
        p.drawImage(QRectF(r), canvas_.Surface(), source);
    }
}

void CanvasWidget::resizeEvent(QResizeEvent* event)
{
    const QSize pixels = DevicePixels(event->size(), ratio());
    canvas_.SetSize(pixels.width(), pixels.height(), back_);
    QWidget::resizeEvent(event);
}

void CanvasWidget::showEvent(QShowEvent* event)
{
    // The screen is known for sure once the window exists.
    followRefresh();
    QWidget::showEvent(event);
}

}  // namespace platform
