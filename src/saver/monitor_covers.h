#pragma once
// While the show runs on the primary screen, every other monitor is covered with the
// background colour so the desktop stays hidden there; input on a cover counts as input
// on the saver window.

#include <QWidget>

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

private:
    Input input_;  // the covers hold on to it
    std::vector<std::unique_ptr<QWidget>> covers_;
};
