#include "platform/gdi/window_canvas.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/pixels.h"
#include "platform/gdi/surface_memory.h"

#include <algorithm>
#include <cstring>

namespace platform {

TWindowCanvas::TWindowCanvas(int width, int height, TColor fill) : TCanvas(&buffer_)
{
    TrackTiles(&tiles_);
    SetSize(width, height, fill);
}

void TWindowCanvas::SetSize(int width, int height, TColor fill)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == buffer_.width() && height == buffer_.height() && !buffer_.isNull())
        return;
    if (width > kMaxBitmapSide || height > kMaxBitmapSide)
        throw GdiOutOfResources("window buffer too large");
    QImage next;
    if (width > 0 && height > 0) {
        next = NewSurfaceImage(width, height);
        if (next.isNull())
            throw GdiOutOfResources("out of memory for a window buffer");
        next.fill(gdi_detail::PixelOfRGB(ColorToRGB(fill) & 0x00FFFFFF));
        const int w = std::min(width, buffer_.width()), h = std::min(height, buffer_.height());
        for (int y = 0; y < h; ++y)
            std::memcpy(next.scanLine(y), buffer_.constScanLine(y), size_t(w) * 4);
    }
    buffer_ = std::move(next);
    Rebind(&buffer_);
    tiles_.Reset(width, height);
    ClearDirty();
    MarkDirty(QRect(0, 0, width, height));
}

QRect TWindowCanvas::Flush()
{
    const QRect r = DirtyRect();
    const std::vector<QRect> parts = tiles_.Parts(r);
    ClearDirty();
    if (!r.isEmpty()) {
        const auto start = Clock::now();
        if (sink_)
            sink_(buffer_, parts);
        // Counted from the end of the showing: a slow sink still leaves a whole interval
        // of drawing between two paced flushes.
        lastShown_ = Clock::now();
        lastCost_ = lastShown_ - start;
    }
    return r;
}

TWindowCanvas::Clock::time_point TWindowCanvas::NextFlushTime() const
{
    if (DirtyRect().isEmpty())
        return Clock::time_point::max();
    // Showing may take a large share of a refresh (a whole screen on a busy machine):
    // the drawing then gets kDrawingPerShowing times the time the last showing took.
    constexpr int kDrawingPerShowing = 3;
    return lastShown_ + std::max(interval_, kDrawingPerShowing * lastCost_);
}

bool TWindowCanvas::FlushIfDue(Clock::time_point now)
{
    if (now < NextFlushTime())
        return false;
    Flush();
    return true;
}

TWindowCanvas::Clock::duration RefreshIntervalOf(double hertz)
{
    // Beyond these a screen reports nonsense (virtual screens report 0 or 1000).
    if (!(hertz >= 10 && hertz <= 500))
        hertz = 60;
    return std::chrono::round<TWindowCanvas::Clock::duration>(std::chrono::duration<double>(1 / hertz));
}

}  // namespace platform
