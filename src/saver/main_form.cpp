#include "main_form.h"

#include "monitor_covers.h"

#include "password.h"

#include "display/show_session.h"

#include "effects/draw_transition.h"

#include "settings/app_state.h"
#include "settings/trace_log.h"

#include "platform/foreign_window.h"
#include "platform/gdi/canvas.h"
#include "platform/message_box.h"
#include "platform/named_mutex.h"
#include "platform/window_system.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <cstdlib>

using namespace platform;

const char* const kNoPicturesWarning =
    "Lumivane ne peut pas fonctionner sans images.\r\n"
    "Veuillez cliquer sur le bouton \"Paramètres...\"\r\n"
    "dans le panneau de configuration Affichage,\r\n"
    "onglet \"Ecran de veille\"\r\n"
    "afin d'ajouter vos images.";

TMainForm::TMainForm(uint8_t mode, std::shared_ptr<const TSettings> settings)
    : CanvasWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint,
                   Pixels::Device),
      SaverMode(mode)
{
    // FormCreate. The canvas is drawn only by the program; the window never erases it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    SetBackColor(clBlack);
    Activated = false;
    FirstMouseX = FirstMouseY = -1;
    Settings = std::move(settings);
    if (!Settings)
        Settings = LoadSettingsAway();
    if (Settings->LoadFailure) {
        platform::ShowFatalBox(*Settings->LoadFailure);
        NoRun = true;
        ExitCode = 1;
        return;
    }
    move(0, 0);
    setWindowTitle(QStringLiteral("lumivane"));

    if (SaverMode == kModeRun) {
        if (Settings->Images.size() >= 1) {
            const QScreen* screen = QGuiApplication::primaryScreen();
            setGeometry(screen ? screen->geometry() : QRect(0, 0, 1024, 768));
            setMouseTracking(true);
            hidePointer();
        } else {
            MessageBeep();
            platform::MessageBox(nullptr, kNoPicturesWarning, "Avertissement", MB_OK | MB_ICONWARNING);
            NoRun = true;
        }
    } else if (SaverMode == kModePreview) {
        if (ParentWindow != 0 && ForeignWindow(ParentWindow).exists())
            RunPreview();
        NoRun = true;  // the preview is over, or there was nothing to draw into
    }
}

TMainForm::~TMainForm()
{
    // FormDestroy.
    ShutdownDisplay();
    if (SaverMode == kModeRun) {
        if (!OnWayland()) {
            releaseMouse();
            releaseKeyboard();
        }
        showPointer();
    }
    covers_.reset();
    PreviewBitmap.reset();
    Settings.reset();
}

TShowSession* TMainForm::Display() const
{
    return display_;
}

bool TMainForm::IsClearMove(int firstX, int firstY, int x, int y)
{
    return std::abs(x - firstX) > 2 && std::abs(y - firstY) > 2;
}

void TMainForm::trace(const char* line) const
{
    if (Settings && Settings->Log)
        TraceLog(line);
}

void TMainForm::hidePointer()
{
    setCursor(InvisibleCursor());
}

void TMainForm::showPointer()
{
    unsetCursor();
}

void TMainForm::ShowSaver()
{
    // Wayland has no window above the others nor grabs for a client: a full-screen surface
    // is what the compositor puts over everything and gives the keyboard and pointer.
    if (OnWayland())
        showFullScreen();
    else
        show();
}

void TMainForm::showEvent(QShowEvent* event)
{
    CanvasWidget::showEvent(event);
    if (SaverMode == kModeRun && !OnWayland()) {
        grabMouse(Qt::BlankCursor);
        grabKeyboard();
        activateWindow();
        raise();
    }
    // The first activation; without a window manager none may come, so do not wait for it.
    if (!Activated)
        QTimer::singleShot(0, this, [this] { FormActivate(); });
}

bool TMainForm::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate && !Activated) {
        FormActivate();
    } else if (e->type() == QEvent::WindowDeactivate && SaverMode == kModeRun && isVisible() && !Closing &&
               !OnWayland()) {
        // WM_ACTIVATE with WA_INACTIVE: pull ourselves back to the front.
        trace("passe bien dans le message de popup--------------");
        QThread::yieldCurrentThread();
        raise();
        activateWindow();
        return true;
    }
    return CanvasWidget::event(e);
}

void TMainForm::FormActivate()
{
    if (Activated)
        return;
    Activated = true;
    QCoreApplication::processEvents();
    if (SaverMode == kModePreview) {
        if (PreviewBitmap)
            Canvas().Draw(0, 0, *PreviewBitmap);
        return;
    }
    raise();
    Canvas().Brush.Color = Settings->BackColor();
    Canvas().Brush.Style = bsSolid;
    Canvas().FillRect(Rect(-1, 0, Canvas().Width(), Canvas().Height() + 1));  // in device pixels
    Canvas().Flush();
    // Input on a cover is taken once its handler has returned: the close it may bring
    // destroys the cover.
    const auto later = [this](std::function<void()> f) { QTimer::singleShot(0, this, std::move(f)); };
    covers_ = std::make_unique<TMonitorCovers>(
        ColorToRGB(Settings->BackColor()),
        TMonitorCovers::Input{[this, later] { later([this] { FormKeyDown(); }); },
                              [this, later] { later([this] { FormClick(); }); },
                              [this, later](QPoint p) {
                                  later([this, p] { FormMouseMove(mapFromGlobal(p).x(), mapFromGlobal(p).y()); });
                              }},
        TMonitorCovers::Changes{[this](size_t i) {
                                    // A show there too, unless the shows are over.
                                    if (turns_ && display_ && !StopRequested)
                                        startCoverShow(i);
                                },
                                [this](size_t i) {
                                    // Covers with no show come last, if any.
                                    if (i < others_.size()) {
                                        TShowSession::Shutdown(others_[i]);
                                        others_.erase(others_.begin() + static_cast<std::ptrdiff_t>(i));
                                    }
                                }});
    StartDisplay();
}

template <class F>
void TMainForm::forEachShow(F f)
{
    if (display_)
        f(display_);
    for (QPointer<TShowSession>& other : others_)
        if (other)
            f(other);
}

void TMainForm::StartDisplay()
{
    StopRequested = false;
    trace("Début de Lumivane-----------------------------------");
    try {
        display_ = new TShowSession(&Canvas(), false, 0, std::string(), {}, {}, {}, Settings);
        // With no other monitor yet, the turns are there for one plugged in later.
        if (Settings->TousLesEcrans && covers_) {
            turns_ = std::make_shared<TShowTurns>();
            display_->Turns = turns_;
            for (size_t i = 0; i < covers_->count(); ++i)
                startCoverShow(i);
        }
    } catch (const std::exception&) {
        if (display_)
            StopDisplay();
    }
}

void TMainForm::startCoverShow(size_t cover)
{
    auto* show = new TShowSession(&covers_->Canvas(cover), false, 0, std::string(), {}, covers_->ScreenPixels(cover),
                                  {}, Settings);
    show->Turns = turns_;
    // A sequence of its own, from its start and from each seeding by the clock: the same one
    // would show the same pictures and effects on every screen.
    const uint32_t salt = ++coverShowsMade_ * 0x9E3779B9u;
    show->RandomState = display_->RandomState + salt;
    show->Random = platform::RandomSource(show->RandomState, false, salt);
    others_.resize(cover);  // in the covers' order, whatever came before
    others_.emplace_back(show);
}

void TMainForm::StopDisplay()
{
    StopRequested = true;
    forEachShow([](QPointer<TShowSession>& show) { show->Stop(); });
    trace("Fin de Lumivane-----------------------------------");
}

void TMainForm::ShutdownDisplay()
{
    TShowSession::Shutdown(display_);
    shutdownCoverShows();
}

void TMainForm::shutdownCoverShows()
{
    for (QPointer<TShowSession>& other : others_)
        TShowSession::Shutdown(other);
    others_.clear();
}

void TMainForm::FormKeyDown()
{
    if (Closing || StopRequested)
        return;
    trace("Demande d'arrêt par touche du clavier...");
    endOnInput();
}

void TMainForm::FormClick()
{
    trace("Demande d'arrêt par click de la souris...");
    endOnInput();
}

void TMainForm::endOnInput()
{
    static const bool reported = std::getenv("LUMIVANE_REPORT_INPUT") != nullptr;
    if (!reported) {
        close();
        return;
    }
    if (inputReported_)
        return;
    inputReported_ = true;
    std::fputs("input\n", stdout);
    std::fflush(stdout);
    // A watcher that does not answer leaves the user a show that still ends.
    constexpr int kWatcherAnswerMs = 10000;
    QTimer::singleShot(kWatcherAnswerMs, this, [this] { close(); });
}

void TMainForm::FormMouseMove(int x, int y)
{
    if (Closing || StopRequested)
        return;
    if (FirstMouseX < 0 || FirstMouseY < 0) {
        FirstMouseX = x;
        FirstMouseY = y;
        return;
    }
    if (!IsClearMove(FirstMouseX, FirstMouseY, x, y))
        return;
    trace("Demande d'arrêt par mouvement de la souris...");
    FirstMouseX = x;
    FirstMouseY = y;
    endOnInput();
}

bool TMainForm::FormCloseQuery()
{
    if (Closing || SaverMode != kModeRun)
        return true;
    forEachShow([](QPointer<TShowSession>& show) { show->Suspend(); });
    Closing = true;
    trace("Passage sur ShowCursor(true)");
    showPointer();
    bool mayStop = true;
    if (IsWin9x()) {
        trace("demande password (9x)");
        mayStop = VerifyPassword(static_cast<unsigned long>(winId()));
    }
    if (mayStop) {
        StopDisplay();
        return true;
    }
    StopRequested = false;
    hidePointer();
    Closing = false;
    forEachShow([](QPointer<TShowSession>& show) { show->Resume(); });
    return false;
}

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    if (SaverMode == kModeRun)
        FormKeyDown();
    event->accept();
}

void TMainForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (SaverMode == kModeRun && event->button() == Qt::LeftButton)
        FormClick();
    event->accept();
}

void TMainForm::mouseMoveEvent(QMouseEvent* event)
{
    if (SaverMode == kModeRun) {
        const QPoint p = event->position().toPoint();
        FormMouseMove(p.x(), p.y());
    }
    event->accept();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery()) {
        // The covers' shows draw on them: they go first.
        shutdownCoverShows();
        covers_.reset();
        event->accept();
    } else
        event->ignore();
}

TBitmap TMainForm::MakeLogoBitmap(int width, int height)
{
    const QImage logo(QStringLiteral(":/LOGO"));
    if (logo.isNull()) {
        TBitmap fallback(200, 50);
        fallback.Canvas().TextOut(10, 10, "Veuillez sélectionner des images!");
        return fallback;
    }
    TBitmap picture(width, height);
    picture.Canvas().StretchDraw(Rect(0, 0, 152, 112), TBitmap::FromImage(logo));
    return picture;
}

void TMainForm::RunPreview()
{
    previewMutex_ = std::make_unique<NamedMutex>("lumivane");
    if (previewMutex_->alreadyExists())
        return;  // one preview at a time: this one ends as a preview with nothing to draw does

    ForeignWindow host(ParentWindow);
    // Wait for the host window to be shown; one that is destroyed meanwhile ends it.
    if (!WaitUntilVisible(host))
        return;
    const QSize size = host.size();
    if (size.isEmpty())
        return;
    PreviewBitmap = std::make_unique<TBitmap>(size.width(), size.height());
    const TBitmap logo = MakeLogoBitmap(size.width(), size.height());

    TBitmap panel(152, 112);
    TCanvas& p = panel.Canvas();
    p.Brush.Color = clBlack;
    p.Brush.Style = bsSolid;
    p.FillRect(Rect(0, 0, 152, 112));
    p.Brush.Style = bsClear;
    p.Font.Color = 0xFFFFFF;
    p.TextOut(2, 10, "Lumivane permet");
    p.TextOut(2, 30, "d'afficher vos");
    p.TextOut(2, 50, "propres images...");
    p.Font.Color = 0x00FFFF;
    p.TextOut(2, 70, std::to_string(effects::kEffectCount) + " effets spéciaux...");
    p.TextOut(2, 90, "De nombreux paramètres...");

    TCanvas& preview = PreviewBitmap->Canvas();
    preview.SetStretchMode(HALFTONE);
    preview.SetBrushOrigin({0, 0});
    preview.StretchBlt(0, 0, size.width(), size.height(), &logo.Canvas(), 0, 0, logo.Width(), logo.Height(), SRCAND);

    // What the host window shows is drawn here first, then handed over.
    TWindowCanvas screen(size.width(), size.height(), clBlack);
    screen.SetSink([&host](const QImage& buffer, std::span<const QRect> parts) {
        host.draw(buffer, parts);
        host.flush();
    });
    auto step = [&](int px, int py, int bx, int by) {
        if (!host.visible())
            return false;
        screen.Draw(px, py, panel);
        screen.Draw(bx, by, *PreviewBitmap);
        screen.Flush();
        QThread::msleep(80);
        return true;
    };
    for (;;) {
        QCoreApplication::processEvents();
        for (int y = 112; y >= -112; --y)
            if (!step(0, y + 112, 0, y))
                return;
        QCoreApplication::processEvents();
        for (int x = -152; x <= 152; ++x)
            if (!step(x + 152, 0, x, 0))
                return;
    }
}
