#include "sprites.h"

#include "platform/cpu_clones.h"
#include "platform/gdi/canvas.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace sprites {

using namespace platform;

namespace {

// Destination AND NOT source: blackens what a mask marks white.
constexpr DWORD kMaskOut = 0x00220326;

// Toward zero, as Trunc does; values beyond 32 bits stop at the ends instead of being
// undefined.
int32_t trunc32(float v)
{
    if (!(v > -2147483648.0f))
        return std::isnan(v) ? 0 : INT32_MIN;
    if (v >= 2147483648.0f)
        return INT32_MAX;
    return static_cast<int32_t>(v);
}

std::string upper(std::string s)
{
    for (char& ch : s)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

bool meets(const TRect& a, const TRect& b)
{
    return !a.IsEmpty() && !b.IsEmpty() && a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom &&
           b.Top < a.Bottom;
}

void copyRect(TCanvas& to, const TCanvas& from, const TRect& r)
{
    if (!r.IsEmpty())
        to.BitBlt(r.Left, r.Top, r.Width(), r.Height(), &from, r.Left, r.Top, SRCCOPY);
}

TRect intersection(const TRect& a, const TRect& b)
{
    return Rect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                std::min(a.Bottom, b.Bottom));
}

// A sprite's row over what is there, or over another surface's row: apart, as a loop
// that may read where it writes is not vectorised; twice as wide where the processor
// allows, as a flight runs through these for most of its time.
LUMIVANE_CLONES("avx2") void paintOver(uint32_t* d, const uint32_t* m, const uint32_t* i,
                                                                 int n)
{
    for (int x = 0; x < n; ++x)
        d[x] = (d[x] & m[x]) | i[x];
}

LUMIVANE_CLONES("avx2") void paintFrom(uint32_t* d, const uint32_t* from,
                                                                 const uint32_t* m, const uint32_t* i, int n)
{
    for (int x = 0; x < n; ++x)
        d[x] = (from[x] & m[x]) | i[x];
}

}  // namespace

TRect UnionRect(const TRect& a, const TRect& b)
{
    if (a.IsEmpty())
        return b.IsEmpty() ? TRect{} : b;
    if (b.IsEmpty())
        return a;
    return Rect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                std::max(a.Bottom, b.Bottom));
}

// ---- Toons

void MakeMask(TBitmap& image, TBitmap& mask, int width, int height, TColor transparentColor)
{
    mask.SetMonochrome(true);
    mask.SetSize(width, height);
    TCanvas& canvas = image.Canvas();
    const TColor brush = canvas.Brush.Color;
    // A colour picture copied onto a mask turns white where it has its brush colour.
    canvas.Brush.Color = transparentColor;
    mask.Canvas().BitBlt(0, 0, width, height, &canvas, 0, 0, SRCCOPY);
    if (transparentColor != clBlack)
        canvas.BitBlt(0, 0, width, height, &mask.Canvas(), 0, 0, kMaskOut);
    canvas.Brush.Color = brush;
}

void RotateClockwise(TBitmap& image)
{
    image.SetPixelFormat(pf24bit);
    const int w = image.Width(), h = image.Height();
    TBitmap turned(h, w);
    turned.SetPixelFormat(pf24bit);
    // New row r is old column r, read from the bottom row upward.
    for (int r = 0; r < w; ++r) {
        uint32_t* row = turned.ScanLine(r);
        for (int c = 0; c < h; ++c)
            row[c] = image.ScanLine(h - 1 - c)[r];
    }
    image = std::move(turned);
}

void TToon::Load(const TBitmap& sheet, int maxFrames, TColor transparentColor, int gap, int frameHeight,
                 int frameWidth, int perRow, int rows)
{
    TransparentColor = transparentColor;
    FrameWidth = frameWidth;
    FrameHeight = frameHeight;
    Images.clear();
    Masks.clear();
    const long long cells = perRow > 0 && rows > 0 ? (long long)perRow * rows : 0;
    const int count = frameWidth > 0 && frameHeight > 0 ? int(std::max(0LL, std::min<long long>(maxFrames, cells))) : 0;
    FrameCount = count;
    int x = gap, y = gap;
    for (int i = 0; i < count; ++i) {
        auto frame = std::make_unique<TBitmap>(frameWidth, frameHeight);
        frame->Canvas().Brush.Color = transparentColor;
        frame->Canvas().FillRect(Rect(0, 0, frameWidth, frameHeight));
        frame->Canvas().BitBlt(0, 0, frameWidth, frameHeight, &sheet.Canvas(), x, y, SRCCOPY);
        auto mask = std::make_unique<TBitmap>();
        MakeMask(*frame, *mask, frameWidth, frameHeight, transparentColor);
        Images.push_back(std::move(frame));
        Masks.push_back(std::move(mask));
        x += frameWidth + gap;
        if ((i + 1) % perRow == 0) {
            x = gap;
            y += frameHeight + gap;
        }
    }
}

// ---- Sprites

void TSprite::ComputeLimits()
{
    const int fw = Toon ? Toon->FrameWidth : 0, fh = Toon ? Toon->FrameHeight : 0;
    Limits = Bounds;
    if (EdgeMode[sdLeft] != emBounce)
        Limits.Left = Bounds.Left - fw;
    if (EdgeMode[sdTop] != emBounce)
        Limits.Top = Bounds.Top - fh;
    if (EdgeMode[sdRight] == emBounce)
        Limits.Right = Bounds.Right - fw;
    if (EdgeMode[sdBottom] == emBounce)
        Limits.Bottom = Bounds.Bottom - fh;
}

void TSprite::Move()
{
    PrevVX = VX;
    PrevVY = VY;
    // Each result rounded once to 32 bits.
    VX = static_cast<float>(double(VX) * DampX + AX);
    VY = static_cast<float>(double(VY) * DampY + AY);
    ExactX += VX;
    ExactY += VY;
    PosX = trunc32(ExactX);
    PosY = trunc32(ExactY);

    EdgeHit = {0, 0, 0, 0};
    int side;
    if (PosX < Limits.Left)
        side = sdLeft;
    else if (PosY < Limits.Top)
        side = sdTop;
    else if (PosX > Limits.Right)
        side = sdRight;
    else if (PosY > Limits.Bottom)
        side = sdBottom;
    else
        return;
    EdgeHit[size_t(side)] = 1;
    const bool horizontal = side == sdLeft || side == sdRight;
    float& exact = horizontal ? ExactX : ExactY;
    int32_t& pos = horizontal ? PosX : PosY;
    float& v = horizontal ? VX : VY;
    const int own[4] = {Limits.Left, Limits.Top, Limits.Right, Limits.Bottom};
    switch (EdgeMode[size_t(side)]) {
    case emWrap:
        exact = static_cast<float>(own[(side + 2) % 4]);
        pos = trunc32(exact);
        break;
    case emBounce:
        exact = static_cast<float>(own[side]);
        pos = trunc32(exact);
        v = std::fabs(v) < 0.0001f ? 0.0f : -v * Bounce[size_t(side)];
        break;
    case emStop:
        VX = VY = AX = AY = 0;
        DampX = DampY = 1;
        break;
    default:
        break;
    }
}

void TSprite::CountDown()
{
    if (CountdownReload == 0)
        return;
    if (--Countdown < 0)
        Countdown = CountdownReload;
}

TRect TSprite::CurrentRect() const
{
    return Toon ? platform::Bounds(PosX, PosY, Toon->FrameWidth, Toon->FrameHeight) : TRect{};
}

// ---- Pools

TPool::TPool(TAlbum& album, int count) : Album(album), Count(count)
{
    slots_.resize(count >= 0 ? size_t(count) + 1 : 0);
}

TPool::~TPool() = default;

TSprite* TPool::Sprite(int index) const
{
    if (index < 0 || index > Count || size_t(index) >= slots_.size())
        return nullptr;
    return slots_[size_t(index)].get();
}

void TPool::link(TSprite* s)
{
    // Before the first sprite whose layer is not lower: among equal layers the newest
    // comes first, and so is drawn under the older ones.
    TSprite* p = first_;
    while (p && p->Layer < s->Layer)
        p = p->Next;
    s->Next = p;
    s->Prev = p ? p->Prev : last_;
    (s->Prev ? s->Prev->Next : first_) = s;
    (p ? p->Prev : last_) = s;
}

void TPool::unlink(TSprite* s)
{
    (s->Prev ? s->Prev->Next : first_) = s->Next;
    (s->Next ? s->Next->Prev : last_) = s->Prev;
    s->Next = s->Prev = nullptr;
}

void TPool::CreateSprite(int index)
{
    if (index < 0 || index > Count || size_t(index) >= slots_.size())
        return;
    if (slots_[size_t(index)])
        DeleteSprite(index);
    changedAll();
    auto s = std::make_unique<TSprite>();
    s->Index = index;
    s->Bounds = s->Limits = Rect(0, 0, Album.Width, Album.Height);
    link(s.get());
    slots_[size_t(index)] = std::move(s);
}

bool TPool::NewSprite(int index, const std::string& toonName)
{
    if (!Album.FindToon(toonName) || index < 0 || index > Count || size_t(index) >= slots_.size())
        return false;
    CreateSprite(index);
    SetToon(index, toonName);
    return true;
}

void TPool::SetToon(int index, const std::string& name)
{
    TSprite* s = Sprite(index);
    if (!s)
        return;
    changedAll();
    if (TToon* toon = Album.FindToon(name)) {
        s->Flags |= sfVisible;
        s->Toon = toon;
        s->Frame = 0;
        s->ComputeLimits();
        s->Flags |= sfSizePending;
    } else {
        s->Flags &= uint8_t(~sfVisible);
        s->Toon = nullptr;
    }
}

void TPool::DeleteSprite(int index)
{
    TSprite* s = Sprite(index);
    if (!s)
        return;
    if (!(s->Flags & sfKeepTrail))
        EraseSprite(index);
    changedAll();
    if (moving_ == s)
        moving_ = nullptr;
    unlink(s);
    slots_[size_t(index)].reset();
}

void TPool::EraseSprite(int index)
{
    TSprite* s = Sprite(index);
    if (!s)
        return;
    s->Flags &= uint8_t(~sfVisible);
    changed(s);
    if (!s->Toon)
        return;
    const TRect r = s->CurrentRect();
    copyRect(Album.Work.Canvas(), Album.Background.Canvas(), r);
    flush(r);
}

void TPool::SetLayer(int index, int layer)
{
    TSprite* s = Sprite(index);
    if (!s)
        return;
    s->Layer = layer;
    unlink(s);
    link(s);
    changed(s);
}

void TPool::SetPosition(int index, float x, float y)
{
    if (TSprite* s = Sprite(index)) {
        s->ExactX = x;
        s->ExactY = y;
    }
}

int32_t TPool::GetX(int index) const
{
    const TSprite* s = Sprite(index);
    return s ? trunc32(s->ExactX) : 0;
}

int32_t TPool::GetY(int index) const
{
    const TSprite* s = Sprite(index);
    return s ? trunc32(s->ExactY) : 0;
}

void TPool::SetVelocity(int index, float vx, float vy)
{
    if (TSprite* s = Sprite(index)) {
        s->VX = vx;
        s->VY = vy;
    }
}

void TPool::SetCountdown(int index, int n)
{
    if (TSprite* s = Sprite(index))
        s->Countdown = s->CountdownReload = int32_t(std::min<int64_t>(std::llabs(n), INT32_MAX));
}

int32_t TPool::GetCountdown(int index) const
{
    const TSprite* s = Sprite(index);
    return s ? s->Countdown : 0;
}

void TPool::SetTag(int index, int tag)
{
    if (TSprite* s = Sprite(index))
        s->Tag = tag;
}

int32_t TPool::GetTag(int index) const
{
    const TSprite* s = Sprite(index);
    return s ? s->Tag : 0;
}

int32_t TPool::ToonHomeX(int index) const
{
    const TSprite* s = Sprite(index);
    return s && s->Toon ? s->Toon->HomeX : 0;
}

int32_t TPool::ToonHomeY(int index) const
{
    const TSprite* s = Sprite(index);
    return s && s->Toon ? s->Toon->HomeY : 0;
}

void TPool::StopSprite(int index)
{
    if (TSprite* s = Sprite(index)) {
        s->VX = s->VY = s->AX = s->AY = 0;
        s->DampX = s->DampY = 1;
    }
}

void TPool::SetArrival(int index, float targetX, int steps, float targetY)
{
    TSprite* s = Sprite(index);
    if (!s || steps <= 0)
        return;
    s->DampX = s->DampY = 1;
    s->AX = static_cast<float>(-2.0 * s->VX / steps);
    s->AY = static_cast<float>(-2.0 * s->VY / steps);
    s->VX = static_cast<float>(s->VX + (double(targetX) - s->ExactX) / steps);
    s->VY = static_cast<float>(s->VY + (double(targetY) - s->ExactY) / steps);
}

void TPool::RotateSprite(int index, int quarterTurns)
{
    TSprite* s = Sprite(index);
    if (!s || !s->Toon || s->Toon->Images.empty() || s->Toon->Masks.empty())
        return;
    changedAll();
    const int wanted = std::clamp(quarterTurns, 0, 3);
    TToon& toon = *s->Toon;
    TBitmap& image = *toon.Images.front();
    do {
        s->Rotation = s->Rotation >= 3 || s->Rotation < 0 ? 0 : s->Rotation + 1;
        RotateClockwise(image);
    } while (s->Rotation != wanted);
    toon.FrameWidth = image.Width();
    toon.FrameHeight = image.Height();
    MakeMask(image, *toon.Masks.front(), toon.FrameWidth, toon.FrameHeight, clBlack);
    s->Flags |= sfSizePending;
}

void TPool::compose(const TSprite& s, const TRect* within, TBitmap* onto, const TRect* restored)
{
    TBitmap& work = onto ? *onto : Album.Work;
    const TRect whole = s.CurrentRect();
    // The part of `restored` in the sprite's rows, visited here anyway: it comes back from
    // the scene without the sprite, with the sprite composed over it where they meet.
    const TRect band = restored ? Rect(restored->Left, std::max(restored->Top, whole.Top), restored->Right,
                                       std::min(restored->Bottom, whole.Bottom))
                                : TRect{};
    auto restoreBand = [&] { copyRect(work.Canvas(), under_.Canvas(), band); };
    if (!s.Toon || s.Frame < 0 || size_t(s.Frame) >= s.Toon->Images.size() ||
        size_t(s.Frame) >= s.Toon->Masks.size()) {
        restoreBand();
        return;
    }
    const TRect r = within ? intersection(whole, *within) : whole;
    const TBitmap& mask = *s.Toon->Masks[size_t(s.Frame)];
    const TBitmap& image = *s.Toon->Images[size_t(s.Frame)];
    const TRect on = intersection(r, Rect(0, 0, work.Width(), work.Height()));
    // The mask's AND and the image's OR in one pass: a flight composes its sprite at every
    // move. Two passes when the frame's mask and image differ in size, as each copy then
    // clips to its own source.
    if (on.IsEmpty() || mask.Width() != image.Width() || mask.Height() != image.Height() ||
        mask.Width() < whole.Width() || mask.Height() < whole.Height()) {
        restoreBand();
        if (r.IsEmpty())
            return;
        TCanvas& canvas = work.Canvas();
        const int sx = r.Left - whole.Left, sy = r.Top - whole.Top;
        canvas.BitBlt(r.Left, r.Top, r.Width(), r.Height(), &mask.Canvas(), sx, sy, SRCAND);
        canvas.BitBlt(r.Left, r.Top, r.Width(), r.Height(), &image.Canvas(), sx, sy, SRCPAINT);
        return;
    }
    // Rows by stride: a row's address asked of the image costs more than a narrow row.
    const TRect back = intersection(band, Rect(0, 0, work.Width(), work.Height()));
    uint32_t* const d = work.ScanLine(on.Top);
    const uint32_t* const u = back.IsEmpty() ? nullptr : under_.ScanLine(on.Top);
    const uint32_t* const m = mask.ScanLine(on.Top - whole.Top);
    const uint32_t* const i = image.ScanLine(on.Top - whole.Top);
    const qsizetype dStride = work.Image().bytesPerLine() / 4, mStride = mask.Image().bytesPerLine() / 4,
                    iStride = image.Image().bytesPerLine() / 4, uStride = u ? under_.Image().bytesPerLine() / 4 : 0;
    for (int y = on.Top; y < on.Bottom; ++y) {
        const qsizetype row = y - on.Top;
        uint32_t* dr = d + row * dStride;
        const uint32_t* mr = m + row * mStride;
        const uint32_t* ir = i + row * iStride;
        auto span = [&](int x0, int x1, const uint32_t* from) {
            const int n = x1 - x0, f = x0 - whole.Left;
            if (from)
                paintFrom(dr + x0, from + x0, mr + f, ir + f, n);
            else
                paintOver(dr + x0, mr + f, ir + f, n);
        };
        if (u && y >= back.Top && y < back.Bottom) {
            const uint32_t* ur = u + row * uStride;
            auto copyBack = [&](int x0, int x1) {
                if (x1 > x0)
                    std::memcpy(dr + x0, ur + x0, size_t(x1 - x0) * 4);
            };
            const int a = std::clamp(back.Left, on.Left, on.Right), b = std::clamp(back.Right, on.Left, on.Right);
            copyBack(back.Left, std::min(back.Right, on.Left));
            span(on.Left, a, nullptr);
            span(a, b, ur);
            span(b, on.Right, nullptr);
            copyBack(std::max(back.Left, on.Right), back.Right);
        } else {
            span(on.Left, on.Right, nullptr);
        }
    }
}

void TPool::flush(const TRect& r) const
{
    copyRect(Album.Canvas, Album.Work.Canvas(), r);
}

void TPool::changed(const TSprite* s)
{
    // Past a few places at once, drawing it all again costs less than keeping count.
    if (!underWhole_ && s->Toon)
        underPending_.push_back(s->CurrentRect());
    if (underPending_.size() > 64)
        underWhole_ = true;
}

void TPool::settleUnder(const TSprite* moving)
{
    if (moving != moving_) {
        // The sprite that moved before is part of the scene again, the new one leaves it.
        if (moving_)
            changed(moving_);
        changed(moving);
        moving_ = moving;
    }
    if (underWhole_) {
        if (under_.Width() != Album.Width || under_.Height() != Album.Height)
            under_ = TBitmap(Album.Width, Album.Height);
        underPending_.assign(1, Rect(0, 0, Album.Width, Album.Height));
        underWhole_ = false;
    }
    for (const TRect& r : underPending_) {
        copyRect(under_.Canvas(), Album.Background.Canvas(), r);
        for (TSprite* o = first_; o; o = o->Next)
            if (o != moving && o->Visible() && meets(o->CurrentRect(), r))
                compose(*o, &r, &under_);
    }
    underPending_.clear();
}

void TPool::Redraw()
{
    if (Frozen)
        return;
    changedAll();
    for (TSprite* s = first_; s; s = s->Next)
        if (s->Active() && s->Toon) {
            s->OldRect = platform::Bounds(s->PosX, s->PosY, s->FrameRect.Width(), s->FrameRect.Height());
            if (!(s->Flags & sfKeepTrail))
                copyRect(Album.Work.Canvas(), Album.Background.Canvas(), s->OldRect);
        }
    for (TSprite* s = first_; s; s = s->Next) {
        if ((s->Flags & sfSizePending) && s->Toon) {
            s->FrameRect = Rect(0, 0, s->Toon->FrameWidth, s->Toon->FrameHeight);
            s->Flags &= uint8_t(~sfSizePending);
        }
        if (s->Active()) {
            s->Move();
            s->CountDown();
        }
    }
    auto shown = [](const TSprite* s) { return s->Active() && s->Visible() && s->Toon; };
    for (TSprite* s = first_; s; s = s->Next)
        if (shown(s)) {
            s->DrawRect = s->CurrentRect();
            compose(*s);
        }
    for (TSprite* s = first_; s; s = s->Next)
        if (shown(s))
            flush(UnionRect(s->OldRect, s->DrawRect));
}

void TPool::MoveAndDraw(int index)
{
    TSprite* s = Sprite(index);
    if (!s || !s->Toon)
        return;
    const bool pending = s->Flags & sfSizePending;
    s->OldRect = pending ? platform::Bounds(s->PosX, s->PosY, s->FrameRect.Width(), s->FrameRect.Height()) : s->CurrentRect();
    settleUnder(s);
    if (pending) {
        s->FrameRect = Rect(0, 0, s->Toon->FrameWidth, s->Toon->FrameHeight);
        s->Flags &= uint8_t(~sfSizePending);
    }
    s->Move();
    s->CountDown();
    s->DrawRect = s->CurrentRect();
    // The old place as the other sprites leave it: only there, as drawing them whole
    // would also put them over higher sprites that do not reach it. Its rows above and
    // below the new place here, the others as the sprite is composed.
    const TRect& o = s->OldRect;
    copyRect(Album.Work.Canvas(), under_.Canvas(), Rect(o.Left, o.Top, o.Right, std::min(o.Bottom, s->DrawRect.Top)));
    copyRect(Album.Work.Canvas(), under_.Canvas(), Rect(o.Left, std::max(o.Top, s->DrawRect.Bottom), o.Right, o.Bottom));
    compose(*s, nullptr, nullptr, &s->OldRect);
    flush(UnionRect(s->OldRect, s->DrawRect));
}

// ---- Album

TAlbum::TAlbum(TCanvas& canvas, const TBitmap& background) : Canvas(canvas)
{
    toons_.reserve(1024);
    SetBackground(background);
}

TAlbum::~TAlbum()
{
    Clear();
}

void TAlbum::SetBackground(const TBitmap& bitmap)
{
    for (const auto& pool : pools_)
        pool->changedAll();
    Background = bitmap;
    Work = bitmap;
    Width = bitmap.Width();
    Height = bitmap.Height();
}

void TAlbum::DrawBackground(const TRect& rect)
{
    copyRect(Work.Canvas(), Background.Canvas(), Rect(0, 0, Width, Height));
    Canvas.StretchDraw(rect, Work);
}

TToon& TAlbum::AddToon(const std::string& name, const TBitmap& sheet, int maxFrames, TColor transparentColor, int gap,
                       int frameHeight, int frameWidth, int perRow, int rows)
{
    auto toon = std::make_unique<TToon>();
    toon->Load(sheet, maxFrames, transparentColor, gap, frameHeight, frameWidth, perRow, rows);
    std::string key = upper(name);
    byName_.emplace(key, toon.get());
    toons_.emplace_back(std::move(key), std::move(toon));
    return *toons_.back().second;
}

TToon* TAlbum::FindToon(const std::string& name) const
{
    const auto it = byName_.find(upper(name));
    return it == byName_.end() ? nullptr : it->second;
}

void TAlbum::SetToonHome(const std::string& name, int x, int y)
{
    if (TToon* toon = FindToon(name)) {
        toon->HomeX = x;
        toon->HomeY = y;
    }
}

TPool& TAlbum::AddPool(int count)
{
    pools_.push_back(std::make_unique<TPool>(*this, count));
    return *pools_.back();
}

void TAlbum::Clear()
{
    // Pools first: their sprites point at the toons.
    pools_.clear();
    byName_.clear();
    toons_.clear();
}

}  // namespace sprites
