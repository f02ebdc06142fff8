#include "effect_context.h"

#include "settings/app_state.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/window_canvas.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <thread>

namespace effects {

using namespace platform;

void PumpPause(int64_t n)
{
    for (int64_t i = 0; i <= n; ++i) {
        QCoreApplication::processEvents();
        if (StopRequested)
            return;
    }
}

void SpinPause(int64_t n)
{
    if (n < 0)
        return;
    using clock = std::chrono::steady_clock;
    const auto length = std::chrono::nanoseconds(n + 1);
    const auto end = clock::now() + length;
    // Sleep through all but the last stretch, which the clock times exactly.
    constexpr auto kSlack = std::chrono::microseconds(100);
    if (length > 2 * kSlack)
        std::this_thread::sleep_for(length - kSlack);
    while (clock::now() < end) {
    }
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
      inputs_(in)
{
}

EffectContext::~EffectContext()
{
    Hold(NoRegion);
    if (clipped_)
        SelectClipRgn(Target.Handle(), nullptr);
    while (locks_ > 0) {
        Target.Unlock();
        --locks_;
    }
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
    if (auto* window = dynamic_cast<TWindowCanvas*>(&Target))
        window->Flush();
}

bool EffectContext::Step()
{
    Present();
    QCoreApplication::processEvents();
    ++steps_;
    if (inputs_.onStep)
        inputs_.onStep(steps_);
    return !StopRequested;
}

void EffectContext::PauseFor(Pause preview, Pause saver) const
{
    const Pause p = PreviewMode ? preview : saver;
    // Computed wide: m × R may pass 32 bits at the slowest preview speeds.
    const int64_t n = static_cast<int64_t>(p.multiple) * R;
    if (p.kind == Pause::Pump)
        PumpPause(n);
    else if (p.kind == Pause::Spin)
        SpinPause(n);
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
    BitBlt(Target.Handle(), X, Y, W, H, const_cast<TCanvas&>(Picture.Canvas()).Handle(), 0, 0, SRCCOPY);
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

HRGN EffectContext::QuadRgn(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const TPoint points[4] = {{x1, y1}, {x2, y2}, {x3, y3}, {x4, y4}};
    return CreatePolygonRgn(points, 4, WINDING);
}

HRGN EffectContext::TriangleRgn(int x1, int y1, int x2, int y2, int x3, int y3)
{
    const TPoint points[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    return CreatePolygonRgn(points, 3, WINDING);
}

void EffectContext::Hold(HRGN region)
{
    if (region_ != NoRegion && region_ != region)
        DeleteObject(region_);
    region_ = region;
}

void EffectContext::ClipTarget(HRGN region)
{
    SelectClipRgn(Target.Handle(), region);
    clipped_ = true;
}

void EffectContext::UnclipTarget()
{
    SelectClipRgn(Target.Handle(), nullptr);
    clipped_ = false;
}

void EffectContext::LockTarget()
{
    Target.Lock();
    ++locks_;
}

}  // namespace effects
