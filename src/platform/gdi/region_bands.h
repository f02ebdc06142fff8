#pragma once
// Building regions row by row, as scan conversion produces them.

#include <QRect>
#include <QRegion>

#include <algorithm>
#include <utility>
#include <vector>

namespace platform::gdi_detail {

// Collects one row of spans at a time and merges rows with the same spans into bands,
// which is the form QRegion::setRects expects.
class BandBuilder {
public:
    using Spans = std::vector<std::pair<int, int>>;

    void addRow(int y, Spans& spans)
    {
        normalize(spans);
        addSortedRow(y, spans);
    }

    // Spans already sorted, apart and not touching.
    void addSortedRow(int y, const Spans& spans)
    {
        if (spans.empty()) {
            close();
            return;
        }
        if (open_ && y == bottom_ && spans == spans_) {
            ++bottom_;
            return;
        }
        close();
        open_ = true;
        top_ = y;
        bottom_ = y + 1;
        spans_ = spans;
    }

    // Row y holds the same spans as row y - 1.
    void repeatRow(int y)
    {
        if (open_ && y == bottom_)
            ++bottom_;
    }

    QRegion finish()
    {
        close();
        QRegion r;
        if (!rects_.empty())
            r.setRects(rects_.data(), int(rects_.size()));
        return r;
    }

private:
    static void normalize(Spans& spans)
    {
        std::sort(spans.begin(), spans.end());
        Spans out;
        for (auto s : spans) {
            if (s.second <= s.first)
                continue;
            if (!out.empty() && s.first <= out.back().second)
                out.back().second = std::max(out.back().second, s.second);
            else
                out.push_back(s);
        }
        spans.swap(out);
    }

    void close()
    {
        if (!open_)
            return;
        for (auto [x0, x1] : spans_)
            rects_.emplace_back(x0, top_, x1 - x0, bottom_ - top_);
        open_ = false;
    }

    std::vector<QRect> rects_;
    Spans spans_;
    bool open_ = false;
    int top_ = 0;
    int bottom_ = 0;
};

}  // namespace platform::gdi_detail
