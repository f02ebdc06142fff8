#pragma once
// Controls of the configuration dialog that Qt has no ready equivalent for: list boxes
// that report clicks and keys as the dialog's handlers expect them, the colour swatch,
// and the button glyphs.

#include "platform/gdi/types.h"

#include <QIcon>
#include <QListWidget>
#include <QWidget>

// A list box whose "click" is any change of the focused row by mouse or keyboard, and a
// click on a row even when nothing changes; it also reports key releases (as virtual
// key codes) and character keys. Rows have a fixed height.
class TRowList : public QListWidget {
    Q_OBJECT
public:
    explicit TRowList(QWidget* parent = nullptr, int rowHeight = 13);
    int RowHeight() const { return rowHeight_; }
    int SelectedCount() const;
    // Suspends and resumes drawing, as WM_SETREDRAW does.
    void SetRedraw(bool on);

signals:
    void Clicked();
    void KeyUp(int virtualKey);
    void KeyPress(QChar character);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    int rowHeight_;
};

// The virtual key code of a Qt key, for the keys the dialog handles (0 for others).
int VirtualKeyOf(int qtKey);
inline constexpr int VK_INSERT = 45;
inline constexpr int VK_DELETE = 46;

// A filled rectangle with a black one-pixel border: its fill is a colour value.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);
    platform::TColor Color() const { return color_; }
    void SetColor(platform::TColor color);

signals:
    void MouseUp(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    platform::TColor color_ = platform::clWhite;
};

// The dialog's glyphs, painted rather than shipped as files.
enum class Glyph { Check, Cross, ArrowUp, ArrowDown };
QIcon GlyphIcon(Glyph glyph);

// The picture list's own row painting: bullet at (left + 2, top) with red transparent,
// the path at (left + 16, top).
void InstallBulletRows(TRowList& list);
