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
    canvas_.SetSink([this](const QImage&, const QRect& rect) { repaint(rect); });
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
    const QRect r = event->rect();
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
