#include "monitor_covers.h"

#include "platform/gdi/types.h"
#include "platform/window_system.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace {

class Cover : public QWidget {
public:
    Cover(const TMonitorCovers::Input& input)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint),
          input_(input)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        // The saver window alone decides when the program ends.
        setAttribute(Qt::WA_QuitOnClose, false);
        setMouseTracking(true);
        setCursor(platform::InvisibleCursor());
        setWindowTitle(QStringLiteral("lumivane"));
    }

protected:
    void keyPressEvent(QKeyEvent*) override { input_.key(); }
    void mouseReleaseEvent(QMouseEvent*) override { input_.click(); }
    void mouseMoveEvent(QMouseEvent* event) override { input_.move(event->globalPosition().toPoint()); }

private:
    const TMonitorCovers::Input& input_;
};

}  // namespace

TMonitorCovers::TMonitorCovers(uint32_t colour, Input input) : input_(std::move(input))
{
    const QColor fill(platform::GetRValue(colour), platform::GetGValue(colour), platform::GetBValue(colour));
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == primary)
            continue;
        auto cover = std::make_unique<Cover>(input_);
        QPalette palette = cover->palette();
        palette.setColor(QPalette::Window, fill);
        cover->setPalette(palette);
        cover->setAutoFillBackground(true);
        // Each X screen may have its own root at the same coordinates: name the screen.
        cover->setScreen(screen);
        cover->setGeometry(screen->geometry());
        if (platform::OnWayland())
            cover->showFullScreen();
        else
            cover->show();
        covers_.push_back(std::move(cover));
    }
}

TMonitorCovers::~TMonitorCovers() = default;
