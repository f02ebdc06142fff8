// The band, ragged and frayed region builders of the shaped reveals. Each component is
// written once for rows; columns are the same strips with the axes exchanged.

#include "shaped_reveals.h"

#include "platform/random.h"

#include <algorithm>

namespace effects {

using namespace platform;

namespace {

// A component's strips, given along the strip (a) and across it (b): rows as they are,
// columns with the axes exchanged. Each is united into what the builder has so far.
struct Axis {
    TRegion& strips;
    bool columns;
    void rect(int a0, int b0, int a1, int b1) const
    {
        UniteInto(strips, columns ? CreateRectRgn(b0, a0, b1, a1) : CreateRectRgn(a0, b0, a1, b1));
    }
};

// `far` is the edge the strips run to (right for rows), `across` the extent they are
// stacked over (bottom for rows).
void bandComponent(const Axis& out, int reach, int far, int across, int margin, int kind)
{
    if (kind == 0)
        return;
    if (reach > far) {
        for (int i = 5; i < across + 5; i += 10) {
            out.rect(0, i - 5, far, i);
            if (kind == 1 || kind == 4)
                out.rect(2 * far - reach, i, far, i + 5);
            else if (kind == 2 || kind == 5)
                out.rect(0, i, reach - far, i + 5);
        }
        return;
    }
    if (reach + margin > far)
        reach = far;
    for (int i = 0; i < across + 5; i += 10) {
        if (kind == 1 || kind == 5)
            out.rect(far - reach, i, far, i + 5);
        else if (kind == 2 || kind == 4)
            out.rect(0, i, reach, i + 5);
        else if (kind == 3) {
            out.rect(far - reach, i, far, i + 5);
            out.rect(0, i + 5, reach, i + 10);
        }
    }
}

void raggedComponent(const Axis& out, int reach, int far, int across, int kind, bool preview,
                     const RandomSource& generator)
{
    if (kind == 0)
        return;
    const int s = reach >= far ? 0 : preview ? far / 20 : far / 7;
    const auto jitter = [s, &generator] {
        const int added = generator.Random(s);
        return added - generator.Random(s);
    };
    const int thickness = 5 + across % 5;
    for (int y = 0; y < across; y += 5) {
        const int y2 = y + thickness;
        switch (kind) {
        case 1: out.rect(far - reach + jitter(), y, far, y2); break;
        case 2: out.rect(0, y, reach + jitter(), y2); break;
        case 3:
            out.rect((far - reach + jitter()) / 2, y, far / 2, y2);
            out.rect(far / 2, y, (far + reach + jitter()) / 2, y2);
            break;
        case 4:
            out.rect(far - (reach + jitter()) / 2, y, far, y2);
            out.rect(0, y, (reach + jitter()) / 2, y2);
            break;
        default: break;
        }
    }
}

void frayedComponent(const Axis& out, int reach, int far, int across, int kind, const RandomSource& generator)
{
    if (kind == 0)
        return;
    const int zone = reach < far ? far / 10 : 0;
    const int f = std::max(zone / 20, 2);
    const int cells = zone / f;
    const int near = ((3 * zone) / f) / 4;
    for (int y = 0; y < across; y += f / 2) {
        const int front = kind == 1 ? far - reach : reach;
        if (kind == 1)
            out.rect(front, y, far, y + f);
        else
            out.rect(0, y, front, y + f);
        for (int k = cells; k >= 1; --k) {
            const int t = k <= near ? 1 : 0;
            if (t < generator.Random(k))
                continue;
            if (kind == 1)
                out.rect(front - k * f, y, front - k * f + f, y + f);
            else
                out.rect(front + k * f - f, y, front + k * f, y + f);
        }
    }
}

}  // namespace

TRegion BandRgn(int reachX, int reachY, int right, int bottom, int margin, int hKind, int vKind)
{
    TRegion strips;
    bandComponent({strips, false}, reachX, right, bottom, margin, hKind);
    bandComponent({strips, true}, reachY, bottom, right, margin, vKind);
    return strips;
}

TRegion RaggedRgn(int reachX, int reachY, int right, int bottom, int hKind, int vKind, bool preview,
                    const RandomSource& generator)
{
    TRegion strips;
    raggedComponent({strips, false}, reachX, right, bottom, hKind, preview, generator);
    raggedComponent({strips, true}, reachY, bottom, right, vKind, preview, generator);
    return strips;
}

TRegion FrayedRgn(int reachX, int reachY, int right, int bottom, int hKind, int vKind, const RandomSource& generator)
{
    TRegion strips;
    frayedComponent({strips, false}, reachX, right, bottom, hKind, generator);
    frayedComponent({strips, true}, reachY, bottom, right, vKind, generator);
    return strips;
}

}  // namespace effects
