#include "platform/gdi/canvas_widget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace platform {

CanvasWidget::CanvasWidget(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    canvas_.SetSize(width(), height(), back_);
    canvas_.SetSink([this](const QImage&, const QRect& rect) { update(rect); });
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

}  // namespace platform
