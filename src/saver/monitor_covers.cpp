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

TMonitorCovers::TMonitorCovers(uint32_t colour, Input input, Changes changes)
    : colour_(colour), input_(std::move(input)), changes_(std::move(changes))
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            cover(screen);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, &context_, [this](QScreen* screen) {
        cover(screen);
        if (changes_.added)
            changes_.added(covers_.size() - 1);
    });
    // Before the screen goes: a cover left behind would be moved to the primary screen,
    // over the show.
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, &context_, [this](QScreen* screen) {
        for (size_t i = 0; i < covers_.size(); ++i) {
            if (covers_[i].screen != screen)
                continue;
            if (changes_.removing)
                changes_.removing(i);
            covers_.erase(covers_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    });
}

void TMonitorCovers::cover(QScreen* screen)
{
    auto cover = std::make_unique<Cover>(input_, colour_);
    // Each X screen may have its own root at the same coordinates: name the screen.
    cover->setScreen(screen);
    cover->setGeometry(screen->geometry());
    if (platform::OnWayland())
        cover->showFullScreen();
    else
        cover->show();
    covers_.push_back({std::move(cover), screen});
}

TMonitorCovers::~TMonitorCovers() = default;

QSize TMonitorCovers::ScreenPixels(size_t i) const
{
    // As its canvas counts them, which the show draws on.
    const platform::CanvasWidget& cover = *covers_[i].widget;
    return platform::DevicePixels(cover.size(), cover.devicePixelRatioF());
}
