#include "platform/gdi/canvas_widget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>

namespace platform {

CanvasWidget::CanvasWidget(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    canvas_.SetSize(width(), height(), back_);
    // Painted at once, so a flush is on screen when it returns, whether or not the event
    // loop runs before the next drawing; a hidden widget paints when it is shown.
    canvas_.SetSink([this](const QImage&, std::span<const QRect> parts) {
        QRegion region;
        for (const QRect& part : parts)
            region += part;
        repaint(region);
    });
    followRefresh();
}

void CanvasWidget::followRefresh()
{
    const QScreen* s = screen();
    canvas_.SetRefreshInterval(RefreshIntervalOf(s ? s->refreshRate() : 0));
}

void CanvasWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    // Part by part: the bounding box of scattered parts would copy all that lies between.
    for (const QRect& r : event->region())
        p.drawImage(r.topLeft(), canvas_.Surface(), r);
}

void CanvasWidget::resizeEvent(QResizeEvent* event)
{
    canvas_.SetSize(event->size().width(), event->size().height(), back_);
    QWidget::resizeEvent(event);
}

void CanvasWidget::showEvent(QShowEvent* event)
{
    // The screen is known for sure once the window exists.
    followRefresh();
    QWidget::showEvent(event);
}

}  // namespace platform
