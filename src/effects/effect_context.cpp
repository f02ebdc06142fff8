#include "effect_context.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <thread>

namespace effects {

using namespace platform;

namespace {

using Clock = std::chrono::steady_clock;

// How often the step frame lets messages be handled: a stop is taken within it, and the
// thousands of steps in between do not each pay for a round of the event loop.
constexpr auto kMessageInterval = std::chrono::milliseconds(1);

// The pauses, showing on `window` (when there is one) what was drawn before them as soon
// as its refresh allows.
void pump(int64_t n, TWindowCanvas* window, const EffectContext& c)
{
    for (int64_t i = 0; i <= n; ++i) {
        QCoreApplication::processEvents();
        if (c.Stopped())
            return;
        if (window)
            window->FlushIfDue();
    }
}

void spin(int64_t n, TWindowCanvas* window)
{
    if (n < 0)
        return;
    const auto length = std::chrono::nanoseconds(n + 1);
    const auto end = Clock::now() + length;
    // Sleep through all but the last stretch, which the clock times exactly.
    constexpr auto kSlack = std::chrono::microseconds(100);
    if (length > 2 * kSlack) {
        const auto wake = end - kSlack;
        while (window && window->NextFlushTime() < wake) {
            std::this_thread::sleep_until(window->NextFlushTime());
            window->FlushIfDue();
        }
        std::this_thread::sleep_until(wake);
    }
    while (Clock::now() < end) {
    }
}

}  // namespace

int EffectRapidite(int rapidite, bool previewMode)
{
    constexpr int64_t kPreviewFactor = 100;
    if (!previewMode)
        return rapidite;
    // A hive may hold any number; the product stays within the pauses' arithmetic.
    return static_cast<int>(std::clamp<int64_t>(kPreviewFactor * rapidite, INT32_MIN, INT32_MAX));
}

void EffectContext::PumpPause(int64_t n) const
{
    pump(n, nullptr, *this);
}

void EffectContext::SpinPause(int64_t n) const
{
    spin(n, nullptr);
}

EffectContext::EffectContext(const EffectInputs& in)
    : X(in.X),
      Y(in.Y),
      W(in.picture->Width()),
      H(in.picture->Height()),
      T(in.T),
      R(in.R),
      PreviewMode(in.previewMode),
      Picture(*in.picture),
      Target(*in.target),
      BackColor(in.backColor),
      inputs_(in),
      window_(dynamic_cast<TWindowCanvas*>(in.target)),
      lastMessages_(Clock::now() - kMessageInterval)
{
}

int EffectContext::Cols() const
{
    return W / T + T + (W % T != 0 ? 1 : 0);
}

int EffectContext::Rows() const
{
    return H / T + T + (H % T != 0 ? 1 : 0);
}

void EffectContext::Present()
{
    if (window_)
        window_->Flush();
}

bool EffectContext::Step()
{
    auto now = Clock::now();
    if (window_ && window_->FlushIfDue(now))
        now = Clock::now();
    if (now - lastMessages_ >= kMessageInterval) {
        QCoreApplication::processEvents();
        lastMessages_ = Clock::now();
    }
    ++steps_;
    if (inputs_.onStep)
        inputs_.onStep(steps_);
    return !Stopped();
}

void EffectContext::PauseFor(Pause preview, Pause saver) const
{
    const Pause p = PreviewMode ? preview : saver;
    // Computed wide: m × R may pass 32 bits at the slowest preview speeds.
    const int64_t n = static_cast<int64_t>(p.multiple) * R;
    if (p.kind == Pause::Pump)
        pump(n, window_, *this);
    else if (p.kind == Pause::Spin)
        spin(n, window_);
}

void EffectContext::CopyPicRect(int left, int top, int right, int bottom)
{
    Target.CopyRect(Rect(left + X, top + Y, right + X, bottom + Y), Picture.Canvas(), Rect(left, top, right, bottom));
}

void EffectContext::CopyTile(int column, int row)
{
    CopyPicRect((column - 1) * T, (row - 1) * T, std::min(column * T, W), std::min(row * T, H));
}

void EffectContext::FinalCopy()
{
    Target.Draw(X, Y, Picture);
}

std::pair<const TCanvas*, TRect> EffectContext::StripSource(const TRect& r, TBitmap& part) const
{
    if (r.Left < 0 || r.Top < 0 || r.Left >= r.Right || r.Top >= r.Bottom || r.Right > W || r.Bottom > H)
        return {&Picture.Canvas(), r};
    part.SetSize(r.Width(), r.Height());
    part.Canvas().CopyRect(Rect(0, 0, r.Width(), r.Height()), Picture.Canvas(), r);
    return {&part.Canvas(), Rect(0, 0, r.Width(), r.Height())};
}

TRect EffectContext::shifted(TRect r, bool onCanvas) const
{
    if (onCanvas) {
        r.Left += X;
        r.Right += X;
        r.Top += Y;
        r.Bottom += Y;
    }
    return r;
}

TRect EffectContext::StripRectTop(int n, bool onCanvas) const
{
    return shifted(Rect(0, (n - 1) * T, W, std::min(n * T, H)), onCanvas);
}

TRect EffectContext::StripRectBottom(int n, bool onCanvas) const
{
    return shifted(Rect(0, H - n * T, W, std::min(H - (n - 1) * T, H)), onCanvas);
}

TRect EffectContext::StripRectLeft(int n, bool onCanvas) const
{
    return shifted(Rect((n - 1) * T, 0, std::min(n * T, W), H), onCanvas);
}

TRect EffectContext::StripRectRight(int n, bool onCanvas) const
{
    return shifted(Rect(W - n * T, 0, std::min(W - (n - 1) * T, W), H), onCanvas);
}

TRegion EffectContext::QuadRgn(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const TPoint points[4] = {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}};
    return CreatePolygonRgn(points, 4, WINDING);
}

TRegion EffectContext::TriangleRgn(int x1, int y1, int x2, int y2, int x3, int y3)
{
    const TPoint points[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    return CreatePolygonRgn(points, 3, WINDING);
}

}  // namespace effects
