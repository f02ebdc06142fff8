#include "config_widgets.h"

#include "platform/gdi/device_pixels.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTransform>

TRowList::TRowList(QWidget* parent, int rowHeight) : QListWidget(parent), rowHeight_(rowHeight)
{
    setUniformItemSizes(true);
}

int TRowList::SelectedCount() const
{
    return static_cast<int>(selectedItems().size());
}

void TRowList::SetRedraw(bool on)
{
    setUpdatesEnabled(on);
    if (on)
        viewport()->update();
}

// A list box reports a click for a mouse click on a row and for a keyboard move of the
// focused row; setting the row from the program is no click.
void TRowList::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit Clicked();
}

void TRowList::keyPressEvent(QKeyEvent* event)
{
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before)
        emit Clicked();
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint())
        emit KeyPress(text.at(0));
}

void TRowList::keyReleaseEvent(QKeyEvent* event)
{
    QListWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit KeyUp(VirtualKeyOf(event->key()));
}

int VirtualKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
    }
}

TShape::TShape(QWidget* parent) : QWidget(parent) {}

void TShape::SetColor(platform::TColor color)
{
    color_ = color;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(Qt::black);
    const platform::TColor c = platform::ColorToRGB(color_);
    p.setBrush(QColor(platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TShape::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint()))
        emit MouseUp(event->button());
}

namespace {

// In a 16-pixel square, whatever the pixmap's own pixels.
void drawGlyph(QPainter& p, Glyph glyph)
{
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case Glyph::Check: {
        p.setPen(QPen(QColor(0, 128, 0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF tick[] = {{2.5, 8.5}, {6.5, 12.5}, {13.5, 3.5}};
        p.drawPolyline(tick, 3);
        break;
    }
    case Glyph::Cross:
        p.setPen(QPen(QColor(192, 0, 0), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case Glyph::ArrowUp:
    case Glyph::ArrowDown: {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 128));
        // The down arrow is the up arrow turned over.
        if (glyph == Glyph::ArrowDown)
            p.setTransform(QTransform(1, 0, 0, -1, 0, 16));
        QPainterPath arrow;
        arrow.moveTo(8, 2);
        arrow.lineTo(14, 9);
        arrow.lineTo(10.5, 9);
        arrow.lineTo(10.5, 14);
        arrow.lineTo(5.5, 14);
        arrow.lineTo(5.5, 9);
        arrow.lineTo(2, 9);
        arrow.closeSubpath();
        p.drawPath(arrow);
        break;
    }
    }
}

}  // namespace

QIcon GlyphIcon(Glyph glyph)
{
    // Drawn again at twice the pixels for a screen scaled twice, where Qt takes that one
    // rather than enlarge the small one into a blur.
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(platform::DevicePixels(QSize(16, 16), ratio));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        drawGlyph(p, glyph);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

namespace {

class BulletRowDelegate : public QStyledItemDelegate {
public:
    BulletRowDelegate(TRowList* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        const QRect row = option.rect;
        p->save();
        p->fillRect(row, selected ? palette.highlight() : palette.base());
        // Loaded for every row drawn, as the list has always done; it is ten by ten pixels.
        const QImage bullet(QStringLiteral(":/ROND"));
        if (!bullet.isNull()) {
            QPixmap pixmap = QPixmap::fromImage(bullet);
            pixmap.setMask(QBitmap::fromImage(bullet.createMaskFromColor(qRgb(255, 0, 0), Qt::MaskInColor)));
            p->drawPixmap(row.left() + 2, row.top(), pixmap);
        }
        p->setFont(list_->font());
        p->setPen(selected ? palette.highlightedText().color() : QColor(Qt::black));
        const int textLeft = row.left() + (bullet.isNull() ? 10 : bullet.width()) + 6;
        p->drawText(QRect(textLeft, row.top(), row.right() - textLeft, row.height()), Qt::AlignLeft | Qt::AlignTop,
                    index.data(Qt::DisplayRole).toString());
        if (option.state & QStyle::State_HasFocus) {
            p->setPen(QPen(palette.text().color(), 1, Qt::DotLine));
            p->setBrush(Qt::NoBrush);
            p->drawRect(row.adjusted(0, 0, -1, -1));
        }
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), list_->RowHeight()};
    }

private:
    TRowList* list_;
};

}  // namespace

void InstallBulletRows(TRowList& list)
{
    list.setItemDelegate(new BulletRowDelegate(&list));
}
