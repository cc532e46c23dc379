#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <vector>

// One colour of the sketch look, straight (not premultiplied) alpha.
struct Rgba
{
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;

    bool operator==(const Rgba&) const = default;
};

namespace Palette
{
constexpr Rgba Ink{0x41, 0x40, 0x42, 255};
constexpr Rgba Paper{0xF6, 0xF2, 0xE7, 255};
constexpr Rgba Shade{0xD9, 0xD3, 0xC4, 255};
constexpr Rgba Clear{0, 0, 0, 0};
constexpr Rgba White{255, 255, 255, 255};
constexpr Rgba Red{0xD9, 0x4B, 0x3F, 255};
constexpr Rgba Blue{0x3F, 0x7F, 0xD6, 255};
constexpr Rgba Green{0x4F, 0xA8, 0x4A, 255};
constexpr Rgba Yellow{0xF0, 0xC0, 0x2F, 255};
constexpr Rgba Neutral{0xB5, 0xB1, 0xA6, 255};
constexpr Rgba Metal{0x8C, 0x8F, 0x96, 255};
constexpr Rgba Wood{0xB0, 0x7A, 0x45, 255};
constexpr Rgba Skin{0xF1, 0xC9, 0xA0, 255};
constexpr Rgba Fire{0xF2, 0x8A, 0x2B, 255};
} // namespace Palette

struct Point
{
    float x = 0.0f;
    float y = 0.0f;
};

// A polyline or, where the caller says so, a closed polygon.
using Path = std::vector<Point>;

// An RGBA image in rows from the top, owned by whoever draws into it and written out as PNG.
class Canvas
{
public:
    Canvas(uint32_t width, uint32_t height, Rgba background = Palette::Clear);

    Rgba Get(uint32_t x, uint32_t y) const;
    // Lays colour over the pixel with the given fraction of its alpha; pixels outside are ignored.
    void Blend(int x, int y, Rgba color, float coverage);
    // Copies another canvas over this one with its alpha, its top-left corner at (x, y).
    void Paste(const Canvas& source, int x, int y);
    // A copy scaled down by averaging whole blocks of factor x factor pixels.
    Canvas Reduced(uint32_t factor) const;

    // Gives every clear pixel next to a drawn one the drawn colours around it, still clear. A
    // renderer that filters the straight colours before it multiplies them by alpha then blends an
    // edge towards its own colour instead of towards black, which would ring it with a dark halo.
    void SpreadIntoClear();

    bool WritePng(Lumvek::Buffer& png) const;

    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;
};

// A deterministic source of numbers, the same on every machine for the same seed (the standard
// distributions are not).
class Random
{
public:
    explicit Random(uint64_t seed) : state(seed) {}
    explicit Random(Lumvek::StringView name);

    uint64_t Next();
    // Uniform in [low, high).
    float Range(float low, float high);

private:
    uint64_t state;
};

// Draws paths into a canvas in design units (a 100 x 100 square mapped onto a frame of the canvas),
// with the slight wobble of a hand-drawn line. The wobble comes from a generator seeded by the
// drawing's name, so each drawing comes out the same every time.
class Pen
{
public:
    Pen(Canvas& canvas, Lumvek::StringView seedName);

    // Maps the design square onto size x size pixels whose top-left corner is at (x, y).
    void SetFrame(float x, float y, float size);
    // Maps the design square onto the whole canvas (stretched when it is not square).
    void FitCanvas();

    void Fill(const Path& polygon, Rgba color);
    void Stroke(const Path& path, bool closed, Rgba color = Palette::Ink);
    // A filled shape with an ink outline, or the outline alone for a sketch.
    void Shape(const Path& polygon, Rgba fill, bool sketch);
    // A line whose ends are not joined.
    void Line(Point from, Point to, Rgba color = Palette::Ink) { Stroke({from, to}, false, color); }

    // The ink line width, in design units.
    float lineWidth = 4.0f;
    // How far the line strays from its path, in design units.
    float wobble = 0.9f;

private:
    Path ToPixels(const Path& path, bool closed);

    Canvas& canvas;
    Random random;
    float originX = 0.0f;
    float originY = 0.0f;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
};

// Path builders in design units, y down.
namespace Paths
{
Path Ellipse(float cx, float cy, float rx, float ry, int segments = 48);
inline Path Circle(float cx, float cy, float r)
{
    return Ellipse(cx, cy, r, r);
}
// An open arc from angle a0 to a1 (radians, clockwise on screen).
Path Arc(float cx, float cy, float r, float a0, float a1, int segments = 24);
Path EllipseArc(float cx, float cy, float rx, float ry, float a0, float a1, int segments = 24);
Path Rect(float x, float y, float w, float h);
Path RoundedRect(float x, float y, float w, float h, float radius);
Path Star(float cx, float cy, float outer, float inner, int points);
Path Regular(float cx, float cy, float r, int sides, float angle);
Path Rotated(const Path& path, float cx, float cy, float angle);
Path Mirrored(const Path& path, float axisX);
} // namespace Paths
