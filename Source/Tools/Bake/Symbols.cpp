#include "Source/Tools/Bake/Symbols.h"

#include <cmath>
#include <numbers>
#include <utility>

using namespace Lumvek;
using namespace Paths;

namespace
{

constexpr float Pi = std::numbers::pi_v<float>;

// Coloured lines of a drawing are ink in its sketch.
Rgba InkFor(Rgba color, bool sketch)
{
    return sketch ? Palette::Ink : color;
}

void Flag(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rect(22, 10, 6, 82), Palette::Wood, sketch);
    pen.Shape({{28, 14}, {50, 10}, {64, 18}, {82, 14}, {80, 44}, {62, 48}, {48, 40}, {28, 46}}, color, sketch);
}

void Token(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(50, 50, 38), color, sketch);
    pen.Stroke(Circle(50, 50, 26), true);
    pen.Shape(Star(50, 51, 16, 7, 5), Palette::Paper, sketch);
}

void Gun(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rect(10, 40, 62, 12), Palette::Metal, sketch); // barrel
    pen.Shape({{52, 38}, {84, 36}, {92, 48}, {84, 56}, {60, 56}, {50, 74}, {38, 72}, {44, 52}}, color, sketch);
    pen.Shape(Rect(60, 28, 16, 8), Palette::Metal, sketch); // sight
    pen.Stroke(Arc(60, 60, 7, 0.0f, Pi, 8), false);         // trigger guard
}

void Launcher(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(RoundedRect(8, 34, 70, 24, 8), color, sketch);
    pen.Shape(Ellipse(10, 46, 5, 12), Palette::Metal, sketch);
    pen.Shape({{48, 58}, {60, 58}, {56, 80}, {44, 80}}, Palette::Wood, sketch);
    pen.Shape(Rect(74, 40, 16, 12), Palette::Metal, sketch);
}

void Head(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Ellipse(50, 52, 32, 36), color, sketch);
    pen.Shape(Circle(38, 46, 5), Palette::White, sketch);
    pen.Shape(Circle(62, 46, 5), Palette::White, sketch);
    pen.Stroke(Arc(50, 60, 14, 0.3f, Pi - 0.3f, 10), false);
}

// Part of a drawing hidden behind what is drawn over it: filled, but outlined only along the given
// stretch, so that its sketch shows no line the picture covers.
void Behind(Pen& pen, const Path& shape, const Path& outline, Rgba color, bool sketch)
{
    if (!sketch)
        pen.Fill(shape, color);
    pen.Stroke(outline, false);
}

// A face under a round steel helmet with a brim and a rivet on top.
void Helmet(Pen& pen, Rgba color, bool sketch)
{
    // The face shows below the brim only, the dome above it.
    Behind(pen, Ellipse(50, 60, 30, 32), EllipseArc(50, 60, 30, 32, -0.13f, Pi + 0.13f, 20), Palette::Skin, sketch);
    Behind(pen, EllipseArc(50, 50, 36, 40, Pi, 2.0f * Pi, 20), EllipseArc(50, 50, 36, 40, Pi, 2.0f * Pi, 20), color,
           sketch);
    pen.Shape(RoundedRect(6, 44, 88, 12, 5), color, sketch);
    pen.Shape(Circle(50, 26, 4), Palette::White, sketch);
    pen.Shape(Circle(39, 68, 4), Palette::White, sketch);
    pen.Shape(Circle(61, 68, 4), Palette::White, sketch);
    pen.Line({42, 80}, {58, 80});
}

// A face with a breathing mask over nose and mouth, strapped on, its hose hanging down.
void Mask(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Ellipse(50, 48, 32, 36), Palette::Skin, sketch);
    pen.Shape(Circle(38, 38, 5), Palette::White, sketch);
    pen.Shape(Circle(62, 38, 5), Palette::White, sketch);
    pen.Line({18, 50}, {30, 58});
    pen.Line({82, 50}, {70, 58});
    pen.Stroke({{50, 78}, {52, 88}, {64, 94}, {84, 92}, {92, 84}}, false);
    pen.Shape(RoundedRect(28, 50, 44, 32, 14), color, sketch);
    pen.Shape(Circle(50, 68, 7), Palette::Metal, sketch);
}

void Core(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{26, 14}, {74, 14}, {80, 40}, {70, 88}, {30, 88}, {20, 40}}, color, sketch);
    pen.Line({50, 18}, {50, 84});
    pen.Stroke(Arc(50, 40, 18, 0.4f, Pi - 0.4f, 8), false);
}

void Arm(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rotated(RoundedRect(40, 8, 20, 48, 10), 50, 50, -0.2f), color, sketch);
    pen.Shape(Rotated(RoundedRect(44, 48, 18, 40, 9), 50, 50, 0.15f), color, sketch);
    pen.Shape(Circle(56, 88, 9), Palette::Skin, sketch);
}

void Boot(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{30, 10}, {56, 10}, {58, 58}, {86, 66}, {90, 84}, {22, 84}, {28, 56}}, color, sketch);
    pen.Shape(Rect(20, 84, 72, 8), Palette::Ink, sketch);
    pen.Line({30, 30}, {56, 30});
    pen.Line({30, 42}, {56, 42});
}

void Hat(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Arc(50, 72, 34, Pi, 2.0f * Pi, 20), color, sketch);
    pen.Shape(RoundedRect(8, 68, 84, 10, 4), color, sketch);
    pen.Line({50, 38}, {50, 22});
    pen.Shape({{50, 22}, {20, 14}, {20, 24}}, Palette::Red, sketch);
    pen.Shape({{50, 22}, {80, 14}, {80, 24}}, Palette::Blue, sketch);
}

void Jetpack(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(RoundedRect(22, 12, 24, 58, 10), color, sketch);
    pen.Shape(RoundedRect(54, 12, 24, 58, 10), color, sketch);
    pen.Shape({{26, 72}, {34, 94}, {42, 72}}, Palette::Fire, sketch);
    pen.Shape({{58, 72}, {66, 94}, {74, 72}}, Palette::Fire, sketch);
}

void Belt(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rotated(Rect(4, 42, 92, 16), 50, 50, -0.35f), Palette::Wood, sketch);
    for (int i = 0; i < 5; ++i)
    {
        const float x = 18.0f + 16.0f * float(i);
        const float y = 50.0f + (50.0f - x) * 0.36f;
        pen.Shape(Rotated(RoundedRect(x - 4, y - 22, 8, 22, 4), x, y, -0.35f), color, sketch);
    }
}

void Shoe(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{14, 30}, {46, 24}, {60, 48}, {88, 56}, {90, 74}, {12, 74}}, color, sketch);
    pen.Shape(Rect(10, 74, 82, 10), Palette::White, sketch);
    pen.Line({24, 40}, {44, 36});
    pen.Line({26, 50}, {48, 46});
}

void Star5(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Star(50, 54, 44, 19, 5), color, sketch);
}

void InkDrop(Pen& pen, Rgba color, bool sketch)
{
    Path drop = Arc(50, 62, 28, -0.3f, Pi + 0.3f, 20);
    drop.push_back({50, 8});
    pen.Shape(drop, color, sketch);
    if (!sketch)
        pen.Stroke(Arc(50, 62, 16, Pi * 0.6f, Pi * 0.9f, 6), false, Palette::Paper);
}

void Book(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(RoundedRect(20, 10, 60, 80, 4), color, sketch);
    pen.Shape(Rect(30, 10, 50, 80), Palette::Paper, sketch);
    for (float y : {28.0f, 42.0f, 56.0f, 70.0f})
        pen.Line({38, y}, {72, y});
}

void Play(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{28, 14}, {84, 50}, {28, 86}}, color, sketch);
}

void Bag(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{18, 36}, {82, 36}, {88, 90}, {12, 90}}, color, sketch);
    pen.Stroke(Arc(50, 36, 16, Pi, 2.0f * Pi, 12), false);
    pen.Shape(Circle(50, 64, 10), Palette::Yellow, sketch);
}

void Globe(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(50, 50, 40), color, sketch);
    pen.Stroke(Ellipse(50, 50, 18, 40), true);
    pen.Line({10, 50}, {90, 50});
    pen.Stroke(Arc(50, 96, 52, -Pi * 0.68f, -Pi * 0.32f, 12), false);
    pen.Stroke(Arc(50, 4, 52, Pi * 0.32f, Pi * 0.68f, 12), false);
}

void Trophy(Pen& pen, Rgba color, bool sketch)
{
    pen.Stroke(Arc(26, 32, 12, Pi * 0.5f, Pi * 1.5f, 10), false);
    pen.Stroke(Arc(74, 32, 12, -Pi * 0.5f, Pi * 0.5f, 10), false);
    Path cup = Arc(50, 22, 28, 0.0f, Pi, 16);
    pen.Shape(cup, color, sketch);
    pen.Shape(Rect(44, 50, 12, 22), color, sketch);
    pen.Shape(Rect(30, 72, 40, 14), Palette::Wood, sketch);
}

void Gear(Pen& pen, Rgba color, bool sketch)
{
    Path gear;
    for (int i = 0; i < 32; ++i)
    {
        const float a = 2.0f * Pi * float(i) / 32.0f;
        const float r = (i / 2) % 2 == 0 ? 42.0f : 32.0f;
        gear.push_back({50 + r * std::cos(a), 50 + r * std::sin(a)});
    }
    pen.Shape(gear, color, sketch);
    pen.Shape(Circle(50, 50, 12), Palette::Paper, sketch);
}

void Figure(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(50, 26, 16), color, sketch);
    pen.Shape(Arc(50, 92, 34, Pi, 2.0f * Pi, 20), color, sketch);
}

void Figures(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(34, 30, 13), Palette::Blue, sketch);
    pen.Shape(Arc(34, 88, 26, Pi, 2.0f * Pi, 16), Palette::Blue, sketch);
    pen.Shape(Circle(66, 30, 13), color, sketch);
    pen.Shape(Arc(66, 88, 26, Pi, 2.0f * Pi, 16), color, sketch);
}

void Door(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rect(24, 8, 44, 84), Palette::Wood, sketch);
    pen.Shape({{24, 8}, {52, 18}, {52, 96}, {24, 92}}, color, sketch);
    pen.Shape(Circle(46, 54, 3), Palette::Yellow, sketch);
    pen.Stroke({{62, 50}, {92, 50}}, false);
    pen.Stroke({{82, 40}, {92, 50}, {82, 60}}, false);
}

void Gamepad(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(RoundedRect(8, 30, 84, 44, 20), color, sketch);
    pen.Line({22, 52}, {38, 52});
    pen.Line({30, 44}, {30, 60});
    pen.Shape(Circle(66, 46, 5), Palette::Green, sketch);
    pen.Shape(Circle(76, 56, 5), Palette::Red, sketch);
}

void Crown(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{12, 80}, {10, 28}, {32, 50}, {50, 18}, {68, 50}, {90, 28}, {88, 80}}, color, sketch);
    pen.Shape(Circle(50, 64, 6), Palette::Red, sketch);
}

void Dice(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rotated(RoundedRect(16, 16, 68, 68, 10), 50, 50, 0.2f), color, sketch);
    for (const Point& p : {Point{36, 34}, Point{50, 50}, Point{64, 66}})
        pen.Shape(Circle(p.x, p.y, 6), Palette::Ink, sketch);
}

void MapSheet(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{8, 20}, {36, 12}, {64, 20}, {92, 12}, {92, 80}, {64, 88}, {36, 80}, {8, 88}}, color, sketch);
    pen.Line({36, 12}, {36, 80});
    pen.Line({64, 20}, {64, 88});
    pen.Stroke({{18, 70}, {30, 50}, {48, 58}, {58, 40}, {80, 32}}, false, InkFor(Palette::Red, sketch));
}

void Mountains(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(74, 26, 10), Palette::Yellow, sketch);
    pen.Shape({{6, 84}, {36, 30}, {54, 60}, {66, 44}, {94, 84}}, color, sketch);
}

void Crosshair(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(50, 50, 34), color, sketch);
    pen.Shape(Circle(50, 50, 16), Palette::Paper, sketch);
    pen.Line({50, 6}, {50, 36});
    pen.Line({50, 64}, {50, 94});
    pen.Line({6, 50}, {36, 50});
    pen.Line({64, 50}, {94, 50});
}

void Bars(Pen& pen, Rgba color, bool sketch)
{
    const float heights[] = {30, 52, 40, 70};
    for (int i = 0; i < 4; ++i)
        pen.Shape(Rect(12.0f + 20.0f * float(i), 88.0f - heights[i], 14, heights[i]), color, sketch);
    pen.Line({6, 90}, {94, 90});
}

void Pencil(Pen& pen, Rgba color, bool sketch)
{
    const Path body = {{18, 70}, {66, 22}, {80, 36}, {32, 84}};
    pen.Shape(body, color, sketch);
    pen.Shape({{18, 70}, {32, 84}, {10, 92}}, Palette::Skin, sketch);
    pen.Shape({{66, 22}, {74, 14}, {88, 28}, {80, 36}}, Palette::Red, sketch);
}

void NoneSign(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(50, 50, 38), color, sketch);
    pen.Shape(Circle(50, 50, 28), Palette::Paper, sketch);
    pen.Line({30, 70}, {70, 30});
}

void Question(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(50, 50, 40), color, sketch);
    Path hook = Arc(50, 38, 14, Pi, 2.4f * Pi, 14);
    hook.push_back({50, 62});
    pen.Stroke(hook, false);
    pen.Shape(Circle(50, 76, 4), Palette::Ink, sketch);
}

void Hourglass(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{24, 10}, {76, 10}, {54, 50}, {76, 90}, {24, 90}, {46, 50}}, Palette::Paper, sketch);
    pen.Shape({{36, 88}, {64, 88}, {50, 66}}, color, sketch);
    pen.Line({18, 10}, {82, 10});
    pen.Line({18, 90}, {82, 90});
}

void ArrowRight(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{14, 38}, {56, 38}, {56, 18}, {90, 50}, {56, 82}, {56, 62}, {14, 62}}, color, sketch);
}

void Chevron(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{22, 10}, {82, 50}, {22, 90}, {36, 50}}, color, sketch);
}

void Grenade(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Ellipse(50, 58, 30, 34), color, sketch);
    pen.Shape(Rect(40, 16, 20, 10), Palette::Metal, sketch);
    pen.Stroke(Arc(66, 22, 10, Pi, 2.2f * Pi, 10), false);
    pen.Line({26, 58}, {74, 58});
    pen.Line({50, 26}, {50, 90});
}

void Bullet(Pen& pen, Rgba color, bool sketch)
{
    Path shell = Arc(62, 50, 22, -Pi / 2.0f, Pi / 2.0f, 12);
    shell.push_back({14, 72});
    shell.push_back({14, 28});
    pen.Shape(shell, color, sketch);
    pen.Line({34, 28}, {34, 72});
}

void Crate(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rect(12, 12, 76, 76), color, sketch);
    pen.Line({12, 12}, {88, 88});
    pen.Line({88, 12}, {12, 88});
    pen.Stroke(Rect(20, 20, 60, 60), true);
}

void Health(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{38, 10},
               {62, 10},
               {62, 38},
               {90, 38},
               {90, 62},
               {62, 62},
               {62, 90},
               {38, 90},
               {38, 62},
               {10, 62},
               {10, 38},
               {38, 38}},
              color, sketch);
}

void Spikes(Pen& pen, Rgba color, bool sketch)
{
    Path spikes = {{4, 92}};
    for (int i = 0; i < 5; ++i)
    {
        spikes.push_back({4.0f + 18.4f * float(i) + 9.2f, 18});
        spikes.push_back({4.0f + 18.4f * float(i + 1), 92});
    }
    pen.Shape(spikes, color, sketch);
}

void Flame(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape({{50, 6}, {70, 36}, {80, 62}, {70, 86}, {50, 94}, {30, 86}, {20, 62}, {34, 44}, {40, 56}, {44, 30}},
              color, sketch);
    pen.Shape({{50, 50}, {62, 70}, {58, 86}, {42, 86}, {38, 70}}, Palette::Yellow, sketch);
}

void Burst(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Star(50, 50, 46, 24, 9), color, sketch);
    pen.Shape(Star(50, 50, 24, 12, 7), Palette::Yellow, sketch);
}

void Puff(Pen& pen, Rgba color, bool sketch)
{
    for (const Point& p : {Point{34, 56}, Point{54, 40}, Point{68, 60}, Point{48, 68}})
        pen.Shape(Circle(p.x, p.y, 20), color, sketch);
}

void Lever(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rotated(RoundedRect(46, 14, 8, 56, 4), 50, 70, 0.5f), Palette::Metal, sketch);
    pen.Shape(Circle(50 + 56 * std::sin(0.5f) * 0.96f - 2, 18, 9), color, sketch);
    pen.Shape(RoundedRect(22, 66, 56, 24, 6), Palette::Wood, sketch);
}

void Checkpoint(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rect(22, 8, 6, 86), Palette::Metal, sketch);
    Path cloth = Rect(28, 12, 56, 34);
    pen.Shape(cloth, Palette::White, sketch);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 4; ++column)
            if ((row + column) % 2 == 0)
                pen.Shape(Rect(28.0f + 14.0f * float(column), 12.0f + 17.0f * float(row), 14, 17), color, sketch);
}

void Stand(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Rect(44, 10, 12, 70), Palette::Metal, sketch);
    pen.Shape(RoundedRect(16, 78, 68, 14, 6), color, sketch);
}

void Zone(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(RoundedRect(8, 8, 84, 84, 12), color, sketch);
    for (float x = 8; x < 92; x += 16)
        pen.Line({x, 92}, {x + 16 > 92 ? 92 : x + 16, 76});
}

void Wheel(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(Circle(50, 50, 40), color, sketch);
    pen.Shape(Circle(50, 50, 10), Palette::Metal, sketch);
    for (int i = 0; i < 6; ++i)
    {
        const float a = Pi * float(i) / 3.0f;
        pen.Line({50 + 12 * std::cos(a), 50 + 12 * std::sin(a)}, {50 + 38 * std::cos(a), 50 + 38 * std::sin(a)});
    }
}

void Spring(Pen& pen, Rgba color, bool sketch)
{
    pen.Shape(RoundedRect(14, 80, 72, 12, 4), Palette::Metal, sketch);
    Path coil;
    for (int i = 0; i <= 8; ++i)
        coil.push_back({i % 2 == 0 ? 28.0f : 72.0f, 78.0f - 6.5f * float(i)});
    pen.Stroke(coil, false, InkFor(color, sketch));
    pen.Shape(RoundedRect(18, 14, 64, 12, 4), color, sketch);
}

const std::pair<const char*, SymbolDrawing> Symbols[] = {
    {"Flag", Flag},
    {"Token", Token},
    {"Gun", Gun},
    {"Launcher", Launcher},
    {"Head", Head},
    {"Helmet", Helmet},
    {"Mask", Mask},
    {"Core", Core},
    {"Arm", Arm},
    {"Boot", Boot},
    {"Hat", Hat},
    {"Jetpack", Jetpack},
    {"Belt", Belt},
    {"Shoe", Shoe},
    {"Star", Star5},
    {"Ink", InkDrop},
    {"Book", Book},
    {"Play", Play},
    {"Bag", Bag},
    {"Globe", Globe},
    {"Trophy", Trophy},
    {"Gear", Gear},
    {"Figure", Figure},
    {"Figures", Figures},
    {"Door", Door},
    {"Gamepad", Gamepad},
    {"Crown", Crown},
    {"Dice", Dice},
    {"Map", MapSheet},
    {"Mountains", Mountains},
    {"Crosshair", Crosshair},
    {"Bars", Bars},
    {"Pencil", Pencil},
    {"None", NoneSign},
    {"Question", Question},
    {"Hourglass", Hourglass},
    {"Arrow", ArrowRight},
    {"Chevron", Chevron},
    {"Grenade", Grenade},
    {"Bullet", Bullet},
    {"Crate", Crate},
    {"Health", Health},
    {"Spikes", Spikes},
    {"Flame", Flame},
    {"Burst", Burst},
    {"Puff", Puff},
    {"Lever", Lever},
    {"Checkpoint", Checkpoint},
    {"Stand", Stand},
    {"Zone", Zone},
    {"Wheel", Wheel},
    {"Spring", Spring},
};

// Stroke letters in a 0..10 x 0..10 cell, y down: each a list of polylines.
using Strokes = std::vector<Path>;
const std::pair<char, Strokes> Letters[] = {
    {'A', {{{0, 10}, {5, 0}, {10, 10}}, {{2.5f, 6}, {7.5f, 6}}}},
    {'B',
     {{{0, 0}, {0, 10}, {7, 10}, {9, 8}, {9, 6.5f}, {7, 5}, {0, 5}}, {{0, 0}, {6, 0}, {8, 1.5f}, {8, 3.5f}, {6, 5}}}},
    {'E', {{{10, 0}, {0, 0}, {0, 10}, {10, 10}}, {{0, 5}, {7, 5}}}},
    {'L', {{{0, 0}, {0, 10}, {9, 10}}}},
    {'N', {{{0, 10}, {0, 0}, {10, 10}, {10, 0}}}},
    {'O', {Paths::Ellipse(5, 5, 5, 5, 20)}},
    {'R', {{{0, 10}, {0, 0}, {7, 0}, {9, 2}, {9, 3.5f}, {7, 5}, {0, 5}}, {{4, 5}, {10, 10}}}},
    {'T', {{{0, 0}, {10, 0}}, {{5, 0}, {5, 10}}}},
    {'V', {{{0, 0}, {5, 10}, {10, 0}}}},
    {'X', {{{0, 0}, {10, 10}}, {{10, 0}, {0, 10}}}},
    {'Y', {{{0, 0}, {5, 5}, {10, 0}}, {{5, 5}, {5, 10}}}},
};

} // namespace

SymbolDrawing FindSymbol(StringView name)
{
    for (const auto& [symbol, drawing] : Symbols)
        if (name == StringView(std::string_view(symbol)))
            return drawing;
    return nullptr;
}

std::vector<std::string> SymbolNames()
{
    std::vector<std::string> names;
    for (const auto& symbol : Symbols)
        names.emplace_back(symbol.first);
    return names;
}

void StrokeWord(Pen& pen, StringView word, float x, float y, float cellWidth, float height, Rgba color)
{
    for (uint32_t i = 0; i < word.length; ++i)
        for (const auto& [letter, strokes] : Letters)
        {
            if (letter != word.data[i])
                continue;
            const float left = x + cellWidth * float(i);
            // Letters fill 80 % of their cell; the rest is the gap before the next one.
            for (const Path& stroke : strokes)
            {
                Path placed;
                for (const Point& p : stroke)
                    placed.push_back({left + p.x * cellWidth * 0.08f, y + p.y * height / 10.0f});
                pen.Stroke(placed, letter == 'O' && stroke.size() > 4, color);
            }
        }
}
