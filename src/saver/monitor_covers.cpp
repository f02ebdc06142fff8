#include "monitor_covers.h"

#include "platform/gdi/types.h"
#include "platform/window_system.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace {

class Cover : public QWidget {
public:
    Cover(const TMonitorCovers::Input& input, QColor fill)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint),
          input_(input), fill_(fill)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_ShowWithoutActivating);
        // The saver window alone decides when the program ends.
        setAttribute(Qt::WA_QuitOnClose, false);
        setMouseTracking(true);
        setCursor(platform::InvisibleCursor());
        setWindowTitle(QStringLiteral("lumivane"));
    }

protected:
    // Painted whole at every exposure, whatever size the window system gives it.
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), fill_); }
    void keyPressEvent(QKeyEvent*) override { input_.key(); }
    void mouseReleaseEvent(QMouseEvent*) override { input_.click(); }
    void mouseMoveEvent(QMouseEvent* event) override { input_.move(event->globalPosition().toPoint()); }

private:
    const TMonitorCovers::Input& input_;
    QColor fill_;
};

}  // namespace

TMonitorCovers::TMonitorCovers(uint32_t colour, Input input) : input_(std::move(input))
{
    const QColor fill(platform::GetRValue(colour), platform::GetGValue(colour), platform::GetBValue(colour));
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == primary)
            continue;
        auto cover = std::make_unique<Cover>(input_, fill);
        // Each X screen may have its own root at the same coordinates: name the screen.
        cover->setScreen(screen);
        cover->setGeometry(screen->geometry());
        if (platform::OnWayland()) {
            cover->showFullScreen();
            // A compositor may make the surface full screen at the size it already has; the
            // state then shows only with the next frame, which a still cover never sends.
            for (int ms : {100, 1000})
                QTimer::singleShot(ms, cover.get(), [c = cover.get()] { c->repaint(); });
        } else {
            cover->show();
        }
        covers_.push_back(std::move(cover));
    }
}

TMonitorCovers::~TMonitorCovers() = default;
