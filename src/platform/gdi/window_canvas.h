#pragma once
// The canvas of a window: a back buffer that the program draws on, and a flush that
// shows on screen just the part drawn since the previous flush. Where it is shown is
// the business of the sink (a Qt widget, a foreign X11 window, a test).

#include "platform/gdi/canvas.h"

#include <functional>

namespace platform {

class TWindowCanvas : public TCanvas {
public:
    // Shows `rect` of `buffer`; the buffer is only valid during the call and must not
    // be kept (a kept copy would make the next drawing copy the whole buffer).
    using Sink = std::function<void(const QImage& buffer, const QRect& rect)>;

    explicit TWindowCanvas(int width = 0, int height = 0, TColor fill = clBlack);

    // Keeps the pixels that stay; a new area gets `fill`.
    void SetSize(int width, int height, TColor fill = clBlack);
    void SetSink(Sink sink) { sink_ = std::move(sink); }

    // The part to show at the next flush.
    QRect PendingRect() const { return DirtyRect(); }
    // Marks a part to be shown again (the window was uncovered, say).
    void Invalidate(const QRect& rect) { MarkDirty(rect); }
    // Hands the drawn part to the sink and starts a new one; returns what it showed.
    QRect Flush();

private:
    QImage buffer_;
    Sink sink_;
};

}  // namespace platform
