#pragma once
// While the show runs on the primary screen, every other monitor is covered with the
// background colour so the desktop stays hidden there; input on a cover counts as input
// on the saver window. Each cover is a canvas at its screen's device pixels, so a show of
// its own can play there.

#include "platform/gdi/canvas_widget.h"

#include <QSize>

#include <functional>
#include <memory>
#include <vector>

class TMonitorCovers {
public:
    struct Input {
        std::function<void()> key;
        std::function<void()> click;
        std::function<void(QPoint globalPosition)> move;
    };

    // colour: 0x00BBGGRR, already resolved.
    TMonitorCovers(uint32_t colour, Input input);
    ~TMonitorCovers();
    TMonitorCovers(const TMonitorCovers&) = delete;
    TMonitorCovers& operator=(const TMonitorCovers&) = delete;

    size_t count() const { return covers_.size(); }
    platform::TWindowCanvas& Canvas(size_t i) { return covers_[i]->Canvas(); }
    // The size of the cover's screen in device pixels: the area a show there fills.
    QSize ScreenPixels(size_t i) const;

private:
    Input input_;  // the covers hold on to it
    std::vector<std::unique_ptr<platform::CanvasWidget>> covers_;
};
