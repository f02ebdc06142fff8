#pragma once
// Running one effect on plain-coloured pictures for hand-worked frames: the old picture
// in one colour, the new in another, stopped at a chosen step frame if asked.

#include "effects/draw_transition.h"

#include "platform/gdi/bitmap.h"

#include "support/test_pictures.h"

#include <stop_token>

namespace effect_runs {

using platform::TBitmap;
using platform::TColor;
using testing_support::FilledPicture;

inline constexpr TColor kOld = 0x00112233, kNew = 0x00445566;

struct EffectRun {
    TBitmap canvas;
    int steps = 0;
};

// Runs an effect with the picture at (x, y) of an old canvas of canvasW × canvasH,
// stopping at step frame `stopAt` (0: never), so steps 1 to stopAt - 1 are drawn.
inline EffectRun play(int number, const TBitmap& picture, int T, bool preview, int stopAt, int x, int y, int canvasW,
                      int canvasH)
{
    EffectRun r{FilledPicture(canvasW, canvasH, kOld)};
    effects::EffectInputs in;
    in.number = number;
    in.X = x;
    in.Y = y;
    in.picture = &picture;
    in.target = &r.canvas.Canvas();
    in.previewMode = preview;
    in.R = 0;
    in.T = T;
    std::stop_source stop;
    in.stop = stop.get_token();
    in.onStep = [&](int step) {
        if (step == stopAt)
            stop.request_stop();
    };
    r.steps = effects::DrawTransition(in);
    return r;
}

// Runs an effect on a W × H picture at (0, 0), stopping before step `stopAt` (0: never).
inline EffectRun run(int number, int w, int h, int T, bool preview, int stopAt = 0)
{
    return play(number, FilledPicture(w, h, kNew), T, preview, stopAt, 0, 0, w, h);
}

// The family's own steps, without the closing copy.
inline TBitmap familyOnly(effects::Effect (*family)(effects::EffectContext&, int), int number, int w, int h, int T,
                          bool preview = false)
{
    TBitmap canvas = FilledPicture(w, h, kOld);
    const TBitmap picture = FilledPicture(w, h, kNew);
    effects::EffectInputs in;
    in.number = number;
    in.picture = &picture;
    in.target = &canvas.Canvas();
    in.previewMode = preview;
    in.R = 0;
    in.T = T;
    effects::EffectContext context(in);
    effects::RunOnOwnClock(family(context, number));
    return canvas;
}

inline TColor at(const TBitmap& b, int x, int y)
{
    return b.Canvas().Pixel(x, y);
}

inline TColor at(const EffectRun& r, int x, int y)
{
    return at(r.canvas, x, y);
}

}  // namespace effect_runs
