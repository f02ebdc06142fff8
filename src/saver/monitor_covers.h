#pragma once
// While the show runs on the primary screen, every other monitor is covered with the
// background colour so the desktop stays hidden there, a monitor plugged in during the show
// too; input on a cover counts as input on the saver window. Each cover is a canvas at its
// screen's device pixels, so a show of its own can play there.

#include "platform/gdi/canvas_widget.h"

#include <QObject>
#include <QSize>

#include <functional>
#include <memory>
#include <vector>

class QScreen;

class TMonitorCovers {
public:
    struct Input {
        std::function<void()> key;
        std::function<void()> click;
        std::function<void(QPoint globalPosition)> move;
    };

    // What the owner of the covers' shows hears of monitors plugged in and out: `added`
    // once the new cover is shown (it is the last), `removing` while the cover is still
    // there (the ones after it then move down one).
    struct Changes {
        std::function<void(size_t index)> added;
        std::function<void(size_t index)> removing;
    };

    // colour: 0x00BBGGRR, already resolved.
    TMonitorCovers(uint32_t colour, Input input, Changes changes = {});
    ~TMonitorCovers();
    TMonitorCovers(const TMonitorCovers&) = delete;
    TMonitorCovers& operator=(const TMonitorCovers&) = delete;

    size_t count() const { return covers_.size(); }
    platform::TWindowCanvas& Canvas(size_t i) { return covers_[i].widget->Canvas(); }
    // The size of the cover's screen in device pixels: the area a show there fills.
    QSize ScreenPixels(size_t i) const;

private:
    void cover(QScreen* screen);

    uint32_t colour_;
    Input input_;  // the covers hold on to it
    Changes changes_;
    struct Covering {
        std::unique_ptr<platform::CanvasWidget> widget;
        QScreen* screen;  // as it was made for it
    };
    std::vector<Covering> covers_;
    QObject context_;  // the screens' signals reach the covers while they are there
};
