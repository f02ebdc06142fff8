#pragma once
// A small sprite engine: toons (frames with their transparency masks), a stage that
// composes sprites on an off-screen copy of its background and copies only what changed
// to its canvas, and pools of sprites moving with velocity, acceleration and damping
// inside bounds that wrap, bounce or stop them.

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sprites {

using platform::TBitmap;
using platform::TCanvas;
using platform::TColor;
using platform::TRect;

class TAlbum;
class TPool;

// Sprite images: frames of one size, each with its mask.
class TToon {
public:
    TColor TransparentColor = platform::clBlack;
    int32_t FrameWidth = 0, FrameHeight = 0;
    int32_t FrameCount = 0;
    // The transparent colour turned black in each.
    std::vector<std::unique_ptr<TBitmap>> Images;
    // Monochrome: white where the frame is transparent, black where it is opaque.
    std::vector<std::unique_ptr<TBitmap>> Masks;
    int32_t HomeX = 0, HomeY = 0;

    // Cuts min(maxFrames, perRow × rows) frames out of `sheet`, left to right, then row by
    // row, the first at (gap, gap), with `gap` pixels between frames.
    void Load(const TBitmap& sheet, int maxFrames, TColor transparentColor, int gap, int frameHeight,
              int frameWidth, int perRow, int rows);
};

// Makes `mask` the monochrome mask of `image` (white where it has transparentColor), and
// turns those pixels of the image black unless that colour already is black.
void MakeMask(TBitmap& image, TBitmap& mask, int width, int height, TColor transparentColor);

// Turns a bitmap a quarter turn clockwise.
void RotateClockwise(TBitmap& image);

// Edge modes, per side.
enum TEdgeMode : int32_t { emWrap = 0, emBounce = 1, emStop = 2 };
enum TSide { sdLeft = 0, sdTop = 1, sdRight = 2, sdBottom = 3 };

// Flag bits.
inline constexpr uint8_t sfActive = 1;
inline constexpr uint8_t sfVisible = 2;
inline constexpr uint8_t sfKeepTrail = 4;
inline constexpr uint8_t sfSizePending = 8;

class TSprite {
public:
    virtual ~TSprite() = default;

    int32_t Index = 0;
    TSprite* Next = nullptr;
    TSprite* Prev = nullptr;
    int32_t Layer = 0;
    int32_t Countdown = 0, CountdownReload = 0;
    int32_t Tag = 0;
    uint8_t Flags = sfActive | sfSizePending;
    TToon* Toon = nullptr;
    int32_t Frame = 0;
    int32_t Rotation = 0;
    int32_t PosX = 0, PosY = 0;
    float ExactX = 0, ExactY = 0;
    float VX = 0, VY = 0;
    float PrevVX = 0, PrevVY = 0;
    float AX = 0, AY = 0;
    float DampX = 1, DampY = 1;
    TRect Bounds, Limits, FrameRect, DrawRect, OldRect;
    std::array<int32_t, 4> EdgeMode{emWrap, emWrap, emWrap, emWrap};
    std::array<int32_t, 4> EdgeHit{};
    std::array<float, 4> Bounce{1, 1, 1, 1};

    bool Active() const { return Flags & sfActive; }
    bool Visible() const { return Flags & sfVisible; }

    // One step: damping and acceleration, then the position, then at most one side.
    virtual void Move();
    // Bounds adjusted for the toon's size: a bouncing side keeps the sprite wholly
    // inside, the others let it leave wholly before catching it.
    void ComputeLimits();
    // Done right after each Move by its callers.
    void CountDown();
    // At (PosX, PosY) with the toon's frame size.
    TRect CurrentRect() const;
};

// A set of sprites by index, drawn in the order of their layers.
class TPool {
public:
    TPool(TAlbum& album, int count);
    ~TPool();
    TPool(const TPool&) = delete;
    TPool& operator=(const TPool&) = delete;

    TAlbum& Album;
    const int32_t Count;
    bool Frozen = false;

    // Operations on an index outside 0..Count or an empty slot do nothing; queries give 0.
    TSprite* Sprite(int index) const;
    TSprite* First() const { return first_; }
    TSprite* Last() const { return last_; }

    void CreateSprite(int index);
    bool NewSprite(int index, const std::string& toonName);
    void SetToon(int index, const std::string& name);
    void DeleteSprite(int index);
    void EraseSprite(int index);
    void SetLayer(int index, int layer);
    void SetPosition(int index, float x, float y);
    int32_t GetX(int index) const;
    int32_t GetY(int index) const;
    void SetVelocity(int index, float vx, float vy);
    void SetCountdown(int index, int n);
    int32_t GetCountdown(int index) const;
    void SetTag(int index, int tag);
    int32_t GetTag(int index) const;
    int32_t ToonHomeX(int index) const;
    int32_t ToonHomeY(int index) const;
    void StopSprite(int index);
    // Sends the sprite to (targetX, targetY) in `steps` moves, swinging aside along a
    // parabola by its present velocity; it ends within that velocity of the target.
    void SetArrival(int index, float targetX, int steps, float targetY);
    // Turns the toon clockwise until the sprite's rotation is quarterTurns (0..3); at
    // least one turn, so asking for the present rotation turns it all the way round.
    void RotateSprite(int index, int quarterTurns);

    // Erases, moves, draws and shows every sprite (nothing when Frozen).
    void Redraw();
    // Moves one sprite and shows it over all the others. The pool keeps the scene
    // without the moving sprite, for its own calls to keep up to date: a sprite's fields,
    // a toon or the background changed directly are seen after the next Redraw.
    void MoveAndDraw(int index);

private:
    friend class TAlbum;
    void link(TSprite* s);
    void unlink(TSprite* s);
    // The frame's mask ANDed, then its image ORed, onto `onto` (the album's work surface
    // when null); only the part inside `within` when given. With `restored` (and no
    // `within`), the part of it in the sprite's rows is first the scene without the
    // moving sprite again.
    void compose(const TSprite& s, const TRect* within = nullptr, TBitmap* onto = nullptr,
                 const TRect* restored = nullptr);
    // The scene without the moving sprite: its place must be drawn again where one sprite
    // changed, or everywhere.
    void changed(const TSprite* s);
    void changedAll() { underWhole_ = true; }
    void settleUnder(const TSprite* moving);
    void flush(const TRect& r) const;

    std::vector<std::unique_ptr<TSprite>> slots_;
    TSprite* first_ = nullptr;
    TSprite* last_ = nullptr;
    // The background and every visible sprite but `moving_`, as the album's work surface
    // would show them: a move restores its old place with one copy from here instead of
    // composing again the sprites under it.
    TBitmap under_;
    const TSprite* moving_ = nullptr;
    std::vector<TRect> underPending_;
    bool underWhole_ = true;
};

// The stage: the canvas sprites appear on, a background and a work surface of its size,
// the toons by name and the pools.
class TAlbum {
public:
    // Copies `background`; `canvas` is not owned and must outlive the album.
    TAlbum(TCanvas& canvas, const TBitmap& background);
    ~TAlbum();
    TAlbum(const TAlbum&) = delete;
    TAlbum& operator=(const TAlbum&) = delete;

    TCanvas& Canvas;
    TBitmap Background;
    TBitmap Work;
    int32_t Width = 0, Height = 0;

    void SetBackground(const TBitmap& bitmap);
    // Background onto Work, and Work stretched into `rect` of the canvas.
    void DrawBackground(const TRect& rect);

    TToon& AddToon(const std::string& name, const TBitmap& sheet, int maxFrames, TColor transparentColor, int gap,
                   int frameHeight, int frameWidth, int perRow, int rows);
    // Names are kept upper-cased; the first toon of a name is the one found.
    TToon* FindToon(const std::string& name) const;
    void SetToonHome(const std::string& name, int x, int y);
    int ToonCount() const { return int(toons_.size()); }

    TPool& AddPool(int count);
    int PoolCount() const { return int(pools_.size()); }

    // Frees every pool with its sprites and every toon with its bitmaps.
    void Clear();

private:
    std::vector<std::pair<std::string, std::unique_ptr<TToon>>> toons_;
    std::unordered_map<std::string, TToon*> byName_;
    std::vector<std::unique_ptr<TPool>> pools_;
};

// Left, top, right, bottom of the smallest rectangle holding both; an empty one counts
// for nothing.
TRect UnionRect(const TRect& a, const TRect& b);

}  // namespace sprites
