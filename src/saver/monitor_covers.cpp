#include "monitor_covers.h"

#include "platform/gdi/device_pixels.h"
#include "platform/window_system.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace {

class Cover : public platform::CanvasWidget {
public:
    Cover(const TMonitorCovers::Input& input, platform::TColor colour)
        : CanvasWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint,
                       Pixels::Device),
          input_(input),
          colour_(colour)
    {
        SetBackColor(colour);
        setAttribute(Qt::WA_ShowWithoutActivating);
        // The saver window alone decides when the program ends.
        setAttribute(Qt::WA_QuitOnClose, false);
        setMouseTracking(true);
        setCursor(platform::InvisibleCursor());
        setWindowTitle(QStringLiteral("lumivane"));
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        CanvasWidget::showEvent(event);
        // The canvas had another size before it was shown: all of it is the colour.
        Canvas().Brush.Color = colour_;
        Canvas().Brush.Style = platform::bsSolid;
        Canvas().FillRect(platform::Rect(0, 0, Canvas().Width(), Canvas().Height()));
    }
    void keyPressEvent(QKeyEvent*) override { input_.key(); }
    void mouseReleaseEvent(QMouseEvent*) override { input_.click(); }
    void mouseMoveEvent(QMouseEvent* event) override { input_.move(event->globalPosition().toPoint()); }

private:
    const TMonitorCovers::Input& input_;
    platform::TColor colour_;
};

}  // namespace

TMonitorCovers::TMonitorCovers(uint32_t colour, Input input) : input_(std::move(input))
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == primary)
            continue;
        auto cover = std::make_unique<Cover>(input_, colour);
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

QSize TMonitorCovers::ScreenPixels(size_t i) const
{
    // As its canvas counts them, which the show draws on.
    return platform::DevicePixels(covers_[i]->size(), covers_[i]->devicePixelRatioF());
}
