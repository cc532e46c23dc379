#include "Source/Tools/Bake/ImageRecipe.h"
#include "Source/Tools/Bake/Symbols.h"

#include "Engine/Foundation/Log.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string_view>
#include <vector>

using namespace Lumvek;
using namespace Paths;

namespace
{

constexpr float Pi = std::numbers::pi_v<float>;

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The team colour a name speaks of, else the given one.
Rgba TeamColor(std::string_view name, Rgba otherwise)
{
    if (Contains(name, "Red"))
        return Palette::Red;
    if (Contains(name, "Blue"))
        return Palette::Blue;
    if (Contains(name, "Green"))
        return Palette::Green;
    if (Contains(name, "Yellow"))
        return Palette::Yellow;
    return otherwise;
}

struct Look
{
    const char* symbol;
    Rgba color;
};

// What a definition is drawn as, from its collection folder and its name.
Look LookOf(std::string_view kind, std::string_view name)
{
    if (kind == "Parts")
    {
        if (Contains(name, "Hat"))
            return {"Hat", Palette::Yellow};
        if (Contains(name, "Jetpack"))
            return {"Jetpack", Palette::Metal};
        if (Contains(name, "Belt"))
            return {"Belt", Palette::Yellow};
        if (Contains(name, "Hitops"))
            return {"Shoe", Palette::Red};
        if (Contains(name, "Spring"))
            return {"Spring", Palette::Green};
        if (Contains(name, "Boots") || Contains(name, "Legs"))
            return {"Boot", Contains(name, "Space") ? Palette::White : Palette::Neutral};
        if (Contains(name, "Arms"))
            return {"Arm", Contains(name, "Basic") ? Palette::Neutral : Palette::Blue};
        if (Contains(name, "Core") || Contains(name, "plate"))
            return {"Core", Contains(name, "Basic") ? Palette::Neutral : Palette::Metal};
        if (Contains(name, "Helmet"))
            return {"Helmet", Palette::Metal};
        if (Contains(name, "Mask"))
            return {"Mask", Palette::Blue};
        return {"Head", Contains(name, "Basic") ? Palette::Skin : Palette::Metal};
    }
    if (kind == "Weapons")
        return {Contains(name, "Grenade") ? "Launcher" : "Gun",
                Contains(name, "Sniper") ? Palette::Green : Palette::Wood};
    if (kind == "Projectiles")
        return {Contains(name, "Grenade") ? "Grenade" : "Bullet",
                Contains(name, "Grenade") ? Palette::Green : Palette::Yellow};
    if (kind == "Items")
        return {Contains(name, "Flag") ? "Flag" : "Token", TeamColor(name, Palette::Yellow)};
    if (kind == "Interactions")
        return {Contains(name, "Lever") ? "Lever" : "Stand", Palette::Red};
    if (kind == "Triggers")
        return {Contains(name, "Checkpoint") ? "Checkpoint" : "Stand", Palette::Red};
    if (kind == "Hazards")
        return {Contains(name, "draft") ? "Puff" : "Spikes", Contains(name, "Icicle") ? Palette::Blue : Palette::Metal};
    if (kind == "Zones")
        return {"Zone", Contains(name, "Mud") ? Palette::Wood : Palette::Blue};
    if (kind == "GameTypes")
    {
        if (Contains(name, "Flag"))
            return {"Flag", Palette::Red};
        if (Contains(name, "Keep"))
            return {"Token", Palette::Yellow};
        if (Contains(name, "Race"))
            return {"Checkpoint", Palette::Ink};
        return {"Crosshair", Palette::Red};
    }
    if (kind == "Maps")
        return {"Map", Palette::Paper};
    if (kind == "Themes")
        return {"Mountains", Palette::Green};
    if (kind == "Characters")
        return {"Figure", Palette::Neutral};
    return {"Crate", Palette::Wood};
}

ImageRecipe::Drawing SymbolDrawing(Look look, bool sketch)
{
    return [=](Canvas& canvas, Pen& pen)
    {
        const float side = float(std::min(canvas.width, canvas.height));
        pen.SetFrame((float(canvas.width) - side) / 2.0f, (float(canvas.height) - side) / 2.0f, side);
        FindSymbol(std::string_view(look.symbol))(pen, look.color, sketch);
    };
}

// Turns a drawing round to face the other way.
void Mirror(Canvas& canvas)
{
    for (uint32_t y = 0; y < canvas.height; ++y)
    {
        uint8_t* row = canvas.pixels.data() + size_t(y) * canvas.width * 4;
        for (uint32_t left = 0, right = canvas.width - 1; left < right; ++left, --right)
            std::swap_ranges(row + size_t(left) * 4, row + size_t(left) * 4 + 4, row + size_t(right) * 4);
    }
}

// Where a weapon's Data.json puts its grip (Offset) and its muzzle (MuzzleOffset), as fractions of
// its box from the lower left.
struct WeaponLayout
{
    float gripX, gripY, muzzleX, muzzleY;
    bool launcher;
};

WeaponLayout WeaponLayoutOf(std::string_view name)
{
    if (Contains(name, "Grenade"))
        return {0.3f, 0.4f, 0.97f, 0.7f, true};
    if (Contains(name, "Sniper"))
        return {0.25f, 0.4f, 0.99f, 0.6f, false};
    if (Contains(name, "Shotgun"))
        return {0.3f, 0.4f, 0.98f, 0.6f, false};
    return {0.3f, 0.4f, 0.98f, 0.65f, false};
}

// A weapon as a held one is drawn: stretched over its box, the barrel to the right ending at the
// muzzle and the grip where the hand takes it, so that the rig's facing turns it with the player.
ImageRecipe::Drawing WeaponDrawing(std::string_view name, Rgba color, bool sketch)
{
    const WeaponLayout layout = WeaponLayoutOf(name);
    return [=](Canvas& canvas, Pen& pen)
    {
        // Design units: 100 across the image's height and as many to the unit across its width.
        const float across = 100.0f * float(canvas.width) / float(canvas.height);
        pen.SetFrame(0.0f, 0.0f, float(canvas.height));
        pen.lineWidth = 5.0f;
        const auto X = [&](float fraction) { return across * fraction; };
        const auto Y = [](float fraction) { return 100.0f * (1.0f - fraction); };
        const float gx = X(layout.gripX), gy = Y(layout.gripY);
        const float mx = X(layout.muzzleX) - 2.0f, my = Y(layout.muzzleY);
        if (layout.launcher)
        {
            const float tube = 18.0f;
            pen.Shape(RoundedRect(X(0.04f), my - tube, mx - X(0.04f), 2.0f * tube, 10.0f), color, sketch);
            pen.Shape(Rect(mx - 14.0f, my - tube - 4.0f, 14.0f, 2.0f * tube + 8.0f), Palette::Metal, sketch);
            pen.Shape({{gx - 9, my + tube - 2}, {gx + 9, my + tube - 2}, {gx + 5, 96}, {gx - 11, 96}}, Palette::Wood,
                      sketch);
            return;
        }
        const float bore = 6.0f;
        pen.Shape(Rect(X(0.5f), my - bore, mx - X(0.5f), 2.0f * bore), Palette::Metal, sketch);
        // Body from the stock to the barrel, the stock dropping toward the shoulder.
        const float top = my - bore - 8.0f, bottom = gy - 8.0f;
        pen.Shape({{X(0.02f), top + 6}, {X(0.56f), top}, {X(0.56f), my + bore + 6}, {gx + 12, bottom}, {X(0.02f), 92}},
                  color, sketch);
        pen.Shape({{gx - 8, bottom - 4}, {gx + 10, bottom - 4}, {gx + 4, 98}, {gx - 13, 98}}, color, sketch);
        pen.Shape(Rect(X(0.36f), top - 10.0f, X(0.1f), 10.0f), Palette::Metal, sketch);
        pen.Stroke(Arc(gx + 18, bottom + 2, 8, 0.0f, 3.1416f, 8), false);
    };
}

// Field images are nine-sliced with 16-pixel borders of their 64: the borders hold the field's
// edge, the middle cell tiles over its inside, so the picture keeps its size however large the field.
ImageRecipe::Drawing UpdraftDrawing()
{
    return [](Canvas&, Pen& pen)
    {
        pen.FitCanvas();
        pen.Fill(Rect(0, 0, 100, 100), {0xFF, 0xFF, 0xFF, 60});
        pen.lineWidth = 4.0f;
        pen.wobble = 0.3f;
        // Wavy edges that run the whole height, so that tiled cells join up.
        for (float x : {12.0f, 88.0f})
            pen.Stroke({{x, 0}, {x - 3, 25}, {x, 50}, {x + 3, 75}, {x, 100}}, false, Palette::Neutral);
        // Rising arrows in the middle cell.
        pen.lineWidth = 5.0f;
        pen.Stroke({{36, 48}, {50, 32}, {64, 48}}, false, Palette::Shade);
        pen.Stroke({{36, 70}, {50, 54}, {64, 70}}, false, Palette::Shade);
    };
}

// The low-gravity field is nine-sliced with 64-pixel borders of its 256: at its definition's tile
// size of one unit for the 64-pixel border it shows 64 pixels to the unit, about as many as a full
// screen does, so that its outline stays sharp.
ImageRecipe::Drawing LowGravityDrawing()
{
    return [](Canvas& canvas, Pen& pen)
    {
        pen.FitCanvas();
        const Rgba tint{0x3F, 0x7F, 0xD6, 70};
        pen.Fill(RoundedRect(4, 4, 92, 92, 12), tint);
        pen.lineWidth = 2.0f;
        // No wobble: the side cells repeat, and a wobbled edge would step where they meet.
        pen.wobble = 0.0f;
        pen.Stroke(RoundedRect(4, 4, 92, 92, 12), true, Palette::Blue);
        // Bubbles floating in the middle cell.
        pen.lineWidth = 1.5f;
        pen.Stroke(Circle(40, 58, 6), true, Palette::Blue);
        pen.Stroke(Circle(60, 40, 4), true, Palette::Blue);
        pen.Stroke(Circle(52, 66, 3), true, Palette::Blue);
        canvas.SpreadIntoClear();
    };
}

// Mud is nine-sliced with 32-pixel ends and 8-pixel top and bottom rows of its 128 x 32, so that at
// its definition's tile size of half a unit for the 32-pixel end it lies half a unit deep, as the
// maps lay it, and its middle cell repeats a unit at a time along the patch.
ImageRecipe::Drawing MudDrawing()
{
    return [](Canvas& canvas, Pen& pen)
    {
        // Design units across the width: the image is 25 of them high.
        pen.SetFrame(0.0f, 0.0f, 128.0f);
        constexpr Rgba Mud{0x6E, 0x4A, 0x2A, 255};
        constexpr Rgba Wet{0x8A, 0x62, 0x3A, 255};
        // The surface: a rounded bank at each end and, over the middle cell, ripples of its width's
        // period that meet themselves where the cell repeats.
        Path surface = {{1, 27}, {3, 17}, {8, 11}, {16, 8}, {25, 7}};
        for (int i = 1; i <= 24; ++i)
        {
            const float x = 25.0f + 50.0f * float(i) / 24.0f;
            surface.push_back({x, 7.0f + 1.3f * std::sin(2.0f * 3.14159265f * (x - 25.0f) / 25.0f)});
        }
        for (const Point& p : {Point{84, 8}, Point{92, 11}, Point{97, 17}, Point{99, 27}})
            surface.push_back(p);
        pen.Fill(surface, Mud);
        // No wobble: a wobbled line would not meet itself at the repeated cell's edges.
        pen.wobble = 0.0f;
        pen.lineWidth = 2.5f;
        pen.Stroke(surface, false);
        // Wet streaks and bubbles, each inside one cell so that repeats never cut one.
        pen.lineWidth = 1.8f;
        for (float x : {31.0f, 44.0f, 57.0f, 69.0f})
            pen.Stroke({{x - 3.0f, 20.0f}, {x + 3.0f, 13.0f}}, false, Wet);
        for (float x : {12.0f, 88.0f})
            pen.Stroke({{x - 2.5f, 21.0f}, {x + 2.5f, 15.0f}}, false, Wet);
        for (const Point& bubble : {Point{50.5f, 19.5f}, Point{37.5f, 15.0f}, Point{63.0f, 16.5f}})
            pen.Stroke(Circle(bubble.x, bubble.y, 1.4f), true, Wet);
        canvas.SpreadIntoClear();
    };
}

// Spikes and icicles repeat half a unit at a time along the floor: two points to a square tile,
// each tile starting and ending on its base line so that repeats join into one row.
ImageRecipe::Drawing SpikeRowDrawing(bool icy)
{
    return [icy](Canvas& canvas, Pen& pen)
    {
        pen.FitCanvas();
        pen.lineWidth = 5.0f;
        pen.wobble = 0.3f;
        constexpr Rgba Ice{0xCF, 0xE6, 0xF7, 255};
        const Path row =
            icy ? Path{{0, 97}, {12, 52}, {22, 10}, {33, 55}, {50, 97}, {62, 58}, {74, 22}, {86, 60}, {100, 97}}
                : Path{{0, 97}, {25, 12}, {50, 97}, {75, 12}, {100, 97}};
        pen.Shape(row, icy ? Ice : Palette::Metal, false);
        // A glint down the lit side of each point.
        pen.lineWidth = 4.0f;
        for (float x : {0.0f, 50.0f})
            pen.Line(icy ? Point{x + 20.0f, 30.0f} : Point{x + 23.0f, 30.0f},
                     icy ? Point{x + 14.0f, 70.0f} : Point{x + 13.0f, 78.0f}, Palette::White);
        canvas.SpreadIntoClear();
    };
}

// A skull in profile looking left, wearing what a head part's icon shows (a helmet, a mask) over a
// bare face.
void SkullDrawing(Pen& pen, Rgba color, bool sketch, const std::string& gear)
{
    if (gear == "Helmet")
    {
        // Outlined only where the helmet leaves it bare, so the sketch has no hidden lines.
        if (!sketch)
            pen.Fill(Ellipse(50, 54, 44, 42), Palette::Skin);
        pen.Stroke(EllipseArc(50, 54, 44, 42, -0.29f, 3.43f, 20), false);
        pen.Shape(Circle(30, 54, 7), Palette::White, sketch);
        pen.Stroke(Arc(42, 68, 14, 0.4f, 2.6f, 10), false);
        const Path dome = EllipseArc(54, 36, 44, 34, 3.1416f, 6.2832f, 16);
        if (!sketch)
            pen.Fill(dome, color);
        pen.Stroke(dome, false);
        pen.Shape(RoundedRect(2, 32, 96, 10, 4), color, sketch);
    }
    else if (gear == "Mask")
    {
        pen.Shape(Ellipse(50, 50, 44, 44), Palette::Skin, sketch);
        pen.Shape(Circle(30, 38, 7), Palette::White, sketch);
        pen.Line({36, 62}, {94, 48});
        pen.Stroke({{22, 84}, {30, 96}, {50, 98}}, false);
        pen.Shape(RoundedRect(4, 52, 38, 34, 12), color, sketch);
        pen.Shape(Circle(22, 69, 7), Palette::Metal, sketch);
    }
    else
    {
        pen.Shape(Ellipse(50, 50, 44, 44), color, sketch);
        pen.Shape(Circle(30, 42, 8), Palette::White, sketch);
        pen.Stroke(Arc(42, 62, 16, 0.4f, 2.6f, 10), false);
    }
}

// A bone of a character, drawn to fill its image: the image is stretched over the bone's box.
ImageRecipe::Drawing BoneDrawing(std::string bone, Rgba color, bool sketch, std::string gear)
{
    return [=](Canvas& canvas, Pen& pen)
    {
        pen.lineWidth = 5.0f;
        // Drawn looking left and turned round: the rig faces right where it is not mirrored.
        if (bone == "Skull")
        {
            SkullDrawing(pen, color, sketch, gear);
            Mirror(canvas);
        }
        else if (bone == "Spine")
            pen.Shape(RoundedRect(8, 4, 84, 92, 24), color, sketch);
        else if (bone == "Hand")
            pen.Shape(Circle(50, 50, 42), Palette::Skin, sketch);
        else if (bone == "Foot")
        {
            pen.Shape({{10, 12}, {50, 12}, {54, 46}, {90, 56}, {92, 88}, {8, 88}}, color, sketch);
            pen.Line({8, 76}, {92, 76});
        }
        else if (bone == "Hat")
            pen.Shape(Arc(50, 96, 46, 3.1416f, 6.2832f, 16), color, sketch);
        else
            pen.Shape(RoundedRect(10, 4, 80, 92, 36), color, sketch);
    };
}

// A piece of a map's layout in world units (y up, from the bottom left), as its Data.json places it.
struct MapPiece
{
    enum Kind
    {
        Solid,
        Ledge, // one-way
        Belt,  // conveyer
        Lift,  // moving, to (toX, toY)
        Spikes,
        Draft, // blowing upward
        Air,   // low gravity
        Mud,
        Switch, // a lever or a button
        Spawn,  // where team `team` starts
    };

    Kind kind;
    float x, y, w, h;
    float toX = 0.0f, toY = 0.0f;
    int team = 0;
};

struct MapLayout
{
    const char* name;
    float width, height;
    std::vector<MapPiece> pieces;
};

// What each map's icon shows: its platforms, hazards, zones and switches and the four teams' bases,
// copied from the map's Data.json (a map edited there keeps its old icon until this follows).
const MapLayout* FindMapLayout(std::string_view name)
{
    using enum MapPiece::Kind;
    static const MapLayout layouts[] = {
        {"Hilltop",
         40,
         30,
         {{Air, 16, 17.5f, 8, 5},
          {Draft, 24, 5, 2, 10},
          {Solid, 0, 0, 40, 2},
          {Solid, 14, 2, 12, 3},
          {Solid, 17, 5, 6, 4},
          {Mud, 14, 5, 3, 0.5f},
          {Spikes, 12, 2, 1.5f, 0.5f},
          {Ledge, 9, 6, 5, 0.5f},
          {Ledge, 26, 6, 5, 0.5f},
          {Ledge, 1, 12, 7, 0.5f},
          {Ledge, 32, 12, 7, 0.5f},
          {Ledge, 16, 17, 8, 0.5f},
          {Belt, 9, 12, 6, 0.5f},
          {Lift, 27, 12, 3, 0.5f, 24, 17},
          {Switch, 32.5f, 12.5f, 0.5f, 0.8f},
          {Switch, 22, 17.5f, 0.5f, 0.8f},
          {Spawn, 4, 2, 0, 0, 0, 0, 0},
          {Spawn, 36, 2, 0, 0, 0, 0, 1},
          {Spawn, 4, 12.5f, 0, 0, 0, 0, 2},
          {Spawn, 36, 12.5f, 0, 0, 0, 0, 3}}},
        {"Crossroads",
         48,
         24,
         {{Air, 18, 10.5f, 12, 6},
          {Draft, 19, 2, 2, 8},
          {Solid, 0, 0, 48, 2},
          {Solid, 21, 2, 6, 3},
          {Mud, 13, 2, 4, 0.5f},
          {Mud, 31, 2, 4, 0.5f},
          {Spikes, 27, 2, 3, 0.5f},
          {Ledge, 6, 6, 8, 0.5f},
          {Ledge, 34, 6, 8, 0.5f},
          {Ledge, 18, 10, 12, 0.5f},
          {Ledge, 4, 14, 8, 0.5f},
          {Ledge, 36, 14, 8, 0.5f},
          {Lift, 15, 2.5f, 3, 0.5f, 15, 13.5f},
          {Lift, 30, 13.5f, 3, 0.5f, 30, 2.5f},
          {Switch, 27, 3, 0.3f, 0.5f},
          {Spawn, 4, 2, 0, 0, 0, 0, 0},
          {Spawn, 44, 2, 0, 0, 0, 0, 1},
          {Spawn, 7.5f, 14.5f, 0, 0, 0, 0, 2},
          {Spawn, 40.5f, 14.5f, 0, 0, 0, 0, 3}}},
    };
    for (const MapLayout& layout : layouts)
        if (name == layout.name)
            return &layout;
    return nullptr;
}

// A map's icon: its layout seen from the side, in a framed patch of sky.
ImageRecipe::Drawing MapDrawing(const MapLayout& layout, bool sketch)
{
    return [&layout, sketch](Canvas& canvas, Pen& pen)
    {
        const float side = float(std::min(canvas.width, canvas.height));
        pen.SetFrame((float(canvas.width) - side) / 2.0f, (float(canvas.height) - side) / 2.0f, side);
        pen.wobble = 0.4f;
        const float scale = 88.0f / std::max(layout.width, layout.height);
        const float left = 50.0f - layout.width * scale / 2.0f;
        const float top = 50.0f - layout.height * scale / 2.0f;
        const auto at = [&](float x, float y) { return Point{left + x * scale, top + (layout.height - y) * scale}; };
        // Thin pieces are drawn thicker than they are, so they still show at an icon's size.
        const auto box = [&](const MapPiece& piece, float thinnest)
        {
            const Point corner = at(piece.x, piece.y + piece.h);
            return Rect(corner.x, corner.y, piece.w * scale, std::max(piece.h * scale, thinnest));
        };
        const Rgba team[] = {Palette::Red, Palette::Blue, Palette::Green, Palette::Yellow};

        pen.lineWidth = 3.0f;
        pen.Shape(RoundedRect(left - 3, top - 3, layout.width * scale + 6, layout.height * scale + 6, 4),
                  Rgba{0xD6, 0xE8, 0xF2, 255}, sketch);
        pen.lineWidth = 2.0f;
        for (const MapPiece& piece : layout.pieces)
        {
            const Point base = at(piece.x + piece.w / 2.0f, piece.y);
            switch (piece.kind)
            {
            case MapPiece::Solid:
            {
                const Path block = box(piece, 0.0f);
                if (!sketch)
                {
                    pen.Fill(block, Palette::Wood);
                    pen.Fill(Rect(block[0].x, block[0].y, piece.w * scale, 2.5f), Palette::Green);
                }
                pen.Stroke(block, true);
                break;
            }
            case MapPiece::Ledge:
                pen.Shape(box(piece, 2.5f), Palette::Wood, sketch);
                break;
            case MapPiece::Belt:
                pen.Shape(box(piece, 2.5f), Palette::Metal, sketch);
                for (float x = 1.0f; x < piece.w; x += 2.0f)
                    pen.Shape(Circle(at(piece.x + x, 0).x, at(0, piece.y + piece.h).y + 1.2f, 0.8f), Palette::Ink,
                              false);
                break;
            case MapPiece::Lift:
            {
                const Point from = at(piece.x + piece.w / 2.0f, piece.y);
                const Point to = at(piece.toX + piece.w / 2.0f, piece.toY);
                const float length = std::hypot(to.x - from.x, to.y - from.y);
                const Point along{(to.x - from.x) / length, (to.y - from.y) / length};
                // A dashed track ending in an arrowhead, the platform at its start.
                for (float d = 3.0f; d + 2.0f < length - 3.0f; d += 4.0f)
                    pen.Line({from.x + along.x * d, from.y + along.y * d},
                             {from.x + along.x * (d + 2.0f), from.y + along.y * (d + 2.0f)});
                const Point tip{to.x - along.x * 1.0f, to.y - along.y * 1.0f};
                pen.Stroke({{tip.x - along.x * 3.5f - along.y * 3.0f, tip.y - along.y * 3.5f + along.x * 3.0f},
                            tip,
                            {tip.x - along.x * 3.5f + along.y * 3.0f, tip.y - along.y * 3.5f - along.x * 3.0f}},
                           false);
                pen.Shape(box(piece, 2.5f), Palette::Metal, sketch);
                break;
            }
            case MapPiece::Spikes:
            {
                const float width = piece.w * scale;
                const int teeth = std::max(2, int(width / 3.0f));
                const Point corner = at(piece.x, piece.y);
                Path spikes = {corner};
                for (int i = 0; i < teeth; ++i)
                {
                    spikes.push_back({corner.x + width * (float(i) + 0.5f) / float(teeth), corner.y - 4.0f});
                    spikes.push_back({corner.x + width * float(i + 1) / float(teeth), corner.y});
                }
                pen.Shape(spikes, Palette::Metal, sketch);
                break;
            }
            case MapPiece::Draft:
            {
                // A wavy line rising to an arrowhead.
                const float height = piece.h * scale;
                Path gust;
                for (int i = 0; i <= 12; ++i)
                    gust.push_back({base.x + 1.5f * std::sin(float(i) * 1.3f), base.y - height * float(i) / 12.0f});
                const Rgba blue = sketch ? Palette::Ink : Palette::Blue;
                pen.Stroke(gust, false, blue);
                pen.Stroke(
                    {{base.x - 3, base.y - height + 3}, {base.x, base.y - height}, {base.x + 3, base.y - height + 3}},
                    false, blue);
                break;
            }
            case MapPiece::Air:
                if (sketch)
                {
                    pen.lineWidth = 1.0f;
                    pen.Stroke(box(piece, 0.0f), true);
                    pen.lineWidth = 2.0f;
                }
                else
                    pen.Fill(box(piece, 0.0f), Rgba{0x3F, 0x7F, 0xD6, 70});
                break;
            case MapPiece::Mud:
                pen.Shape(box(piece, 2.0f), Rgba{0x6E, 0x4A, 0x2A, 255}, sketch);
                break;
            case MapPiece::Switch:
                pen.Line(base, {base.x + 1.5f, base.y - 4.0f});
                pen.Shape(Circle(base.x + 1.5f, base.y - 4.5f, 1.8f), Palette::Red, sketch);
                break;
            case MapPiece::Spawn:
                pen.Shape(Circle(base.x, base.y - 3.2f, 2.8f), team[piece.team % 4], sketch);
                break;
            }
        }
    };
}

// Four frames of a spinning propeller, side by side.
void PropellerFrames(Canvas& canvas, Pen& pen, bool sketch)
{
    for (int frame = 0; frame < 4; ++frame)
    {
        pen.SetFrame(float(frame) * float(canvas.height), 0, float(canvas.height));
        const float reach = 46.0f * std::cos(float(frame) * 0.785f);
        pen.Shape(Ellipse(50, 40, std::max(std::fabs(reach), 6.0f), 8), Palette::Red, sketch);
        pen.Shape(Rect(46, 44, 8, 52), Palette::Metal, sketch);
    }
}

// A tile of a theme's platforms: a solid block, a thin one-way ledge or a conveyer belt; the
// piece's place in its name decides which edges carry an ink line.
ImageRecipe::Drawing TileDrawing(std::string piece, Rgba ground)
{
    return [=](Canvas&, Pen& pen)
    {
        pen.wobble = 0.6f;
        pen.lineWidth = 5.0f;
        const bool oneWay = Contains(piece, "OneWay");
        const bool top = Contains(piece, "Top") || oneWay || Contains(piece, "Conveyer");
        const float bottom = oneWay ? 40.0f : 100.0f;
        // The ground meets the next tile's edge to edge: a wobbled edge would let the sky through
        // between them as a faint line.
        pen.wobble = 0.0f;
        pen.Fill(Rect(0, 0, 100, bottom), Contains(piece, "Conveyer") ? Palette::Metal : ground);
        pen.wobble = 0.6f;
        if (!oneWay && !Contains(piece, "Conveyer"))
            for (const Point& p : {Point{24, 40}, Point{70, 70}, Point{60, 22}})
                pen.Stroke(Arc(p.x, p.y, 7, 3.5f, 5.8f, 6), false, Palette::Shade);
        if (top)
        {
            pen.Fill(Rect(0, 0, 100, 16), Contains(piece, "Conveyer") ? Palette::Ink : Palette::Green);
            pen.Line({-4, 2}, {104, 2});
        }
        if (Contains(piece, "Conveyer"))
            for (float x = 10; x < 100; x += 30)
                pen.Shape(Circle(x + 5, 60, 12), Palette::Neutral, false);
        if (Contains(piece, "Bottom") || oneWay)
            pen.Line({-4, bottom - 2}, {104, bottom - 2});
        if (EndsWith(piece, "Left") || Contains(piece, "LeftCorner") || Contains(piece, "TopLeft"))
            pen.Line({2, -4}, {2, bottom + 4});
        if (EndsWith(piece, "Right") || Contains(piece, "RightCorner") || Contains(piece, "TopRight"))
            pen.Line({98, -4}, {98, bottom + 4});
    };
}

// A sky layer that repeats side by side: what leaves its right edge comes back at its left.
ImageRecipe::Drawing BackdropDrawing(std::string name)
{
    return [=](Canvas&, Pen& pen)
    {
        // About as thick, where the layer is drawn, as the ink of the platforms in front of it.
        pen.lineWidth = 0.4f;
        const bool glacier = Contains(name, "Glacier");
        if (Contains(name, "Clouds"))
            for (const Point& p : {Point{18, 30}, Point{52, 22}, Point{82, 40}})
                for (float dx : {-6.0f, 0.0f, 6.0f})
                    pen.Shape(Ellipse(p.x + dx, p.y - (dx == 0.0f ? 4.0f : 0.0f), 7, 9), Palette::White, false);
        else
        {
            constexpr int Peaks = 10;
            Random heights{StringView(name)};
            float peaks[Peaks];
            for (float& peak : peaks)
                peak = (glacier ? 40.0f : 50.0f) + heights.Range(-14.0f, 14.0f);
            // The pen's wobble follows the outline and would end at another height than it began; the
            // ridge's own wobble is waves that fit the picture's width a whole number of times.
            pen.wobble = 0.0f;
            const float phases[2] = {heights.Range(0.0f, 2.0f * Pi), heights.Range(0.0f, 2.0f * Pi)};
            const auto wobble = [&](float x)
            {
                return 0.8f * std::sin(2.0f * Pi * 3.0f * x / 100.0f + phases[0]) +
                       0.35f * std::sin(2.0f * Pi * 11.0f * x / 100.0f + phases[1]);
            };
            // Drawn a peak past each edge, so that the line and its fill run on through both edges alike.
            Path ridge;
            for (int x = -10; x <= 110; ++x)
            {
                const int peak = (x + 100) / 10;
                const float along = float((x + 100) % 10) / 10.0f;
                const float from = peaks[peak % Peaks], to = peaks[(peak + 1) % Peaks];
                ridge.push_back({float(x), from + (to - from) * along + wobble(float(x))});
            }
            Path ground = ridge;
            ground.push_back({ridge.back().x, 102});
            ground.push_back({ridge.front().x, 102});
            // Peaks of grey-blue ice under a snow line: white peaks would melt into the pale sky.
            constexpr Rgba Ice{0xA9, 0xBE, 0xD1, 255};
            pen.Fill(ground, glacier ? Ice : Palette::Green);
            if (glacier)
            {
                Path snow = ridge;
                for (auto point = ridge.rbegin(); point != ridge.rend(); ++point)
                    snow.push_back({point->x, point->y + 7.0f});
                pen.Fill(snow, Palette::White);
            }
            pen.Stroke(ridge, false);
        }
    };
}

ImageRecipe::Drawing ObjectDrawing(std::string name)
{
    return [=](Canvas&, Pen& pen)
    {
        if (Contains(name, "Tree"))
        {
            // Three units wide and four high, as the theme places it: 75 design units across. The
            // trunk reaches the image's foot, which the theme sets just behind the ground's edge.
            pen.SetFrame(0.0f, 0.0f, 256.0f);
            pen.lineWidth = 2.5f;
            pen.Shape({{31, 100}, {32, 52}, {43, 52}, {44, 100}}, Palette::Wood, false);
            pen.Shape(Ellipse(37.5f, 33.0f, 33.0f, 30.0f), Palette::Green, false);
            // Leafy clumps in a darker green, without outlines, so that they read as shade.
            constexpr Rgba Leaves{0x3E, 0x8C, 0x3A, 255};
            for (const Point& clump : {Point{24, 24}, Point{50, 20}, Point{38, 44}, Point{56, 42}})
                pen.Fill(Circle(clump.x, clump.y, 6.0f), Leaves);
        }
        else if (Contains(name, "Flower"))
        {
            pen.Line({50, 96}, {50, 50}, Palette::Green);
            pen.Shape(Star(50, 40, 24, 12, 6), Palette::Red, false);
            pen.Shape(Circle(50, 40, 8), Palette::Yellow, false);
        }
        else if (Contains(name, "Snowflake"))
            for (int i = 0; i < 3; ++i)
                pen.Stroke(Rotated({{50, 8}, {50, 92}}, 50, 50, float(i) * 1.047f), false, Palette::Blue);
        else
            pen.Shape({{8, 92}, {20, 44}, {46, 20}, {78, 30}, {94, 92}}, Palette::Neutral, false);
    };
}

// How long a requested sound's file is.
float SoundSeconds(std::string_view name)
{
    return name == "Ambience" ? 4.0f : name == "Explosion" ? 1.2f : 0.7f;
}

// How a requested sound is synthesised: the file's name tells what it accompanies, and the folder's
// (a theme, a part, an interaction) which one of its kind, so that no two of them sound alike.
SoundRecipe::Synthesis SoundFor(std::string owner, std::string name)
{
    return [=](Synth& s)
    {
        const bool icy = Contains(owner, "Glacier");
        if (name == "Jump" && icy)
        {
            // A light hop off ice, with a glint of frost on top.
            s.Tone(Wave::Triangle, 0, 0.16f, 330, 990, 0.35f, {0.004f, 0.07f});
            s.Tone(Wave::Sine, 0.03f, 0.1f, 2400, 3200, 0.12f, {0.002f, 0.03f});
        }
        else if (name == "Jump")
            s.Tone(Wave::Square, 0, 0.18f, 220, 660, 0.3f, {0.005f, 0.08f});
        else if (name == "Land" || name == "HitPlatform")
            s.Noise(0, 0.15f, 900, 120, 0.8f, {0.002f, 0.04f});
        else if (name == "Step1" || name == "Step2")
            s.Noise(0, 0.07f, name == "Step1" ? 1800.0f : 1400.0f, 300, 0.5f, {0.001f, 0.02f});
        else if (name == "Death")
            s.Tone(Wave::Saw, 0, 0.6f, 440, 90, 0.4f, {0.01f, 0.25f});
        else if (name == "Empty")
            s.Tone(Wave::Square, 0, 0.05f, 1200, 900, 0.3f, {0.001f, 0.01f});
        else if (name == "Fire")
        {
            s.Noise(0, 0.25f, 6000, 400, 0.9f, {0.001f, 0.05f});
            s.Tone(Wave::Sine, 0, 0.15f, 180, 60, 0.6f, {0.001f, 0.05f});
        }
        else if (name == "Explosion")
        {
            s.Noise(0, 1.2f, 2500, 80, 1.0f, {0.005f, 0.3f});
            s.Tone(Wave::Sine, 0, 0.8f, 90, 35, 0.8f, {0.005f, 0.25f});
        }
        else if (name == "Hit")
            s.Noise(0, 0.12f, 3000, 600, 0.7f, {0.001f, 0.03f});
        else if (name == "Bounce" && icy)
        {
            // Struck glass: a rising ring with the clang of a bell's upper partial.
            s.Tone(Wave::Sine, 0, 0.3f, 520, 1560, 0.45f, {0.001f, 0.09f});
            s.Tone(Wave::Sine, 0, 0.15f, 1435, 4300, 0.2f, {0.001f, 0.03f});
        }
        else if (name == "Bounce")
            s.Tone(Wave::Sine, 0, 0.2f, 300, 900, 0.5f, {0.002f, 0.08f});
        else if (name == "Reload" || name == "TakeOut" || name == "PutAway")
        {
            s.Noise(0, 0.06f, 5000, 2000, 0.6f, {0.001f, 0.015f});
            s.Noise(0.12f, 0.06f, 4000, 1500, 0.6f, {0.001f, 0.015f});
        }
        else if (name == "Scope")
            s.Tone(Wave::Triangle, 0, 0.25f, 400, 1600, 0.3f, {0.01f, 0.0f});
        else if (name == "Ambience")
        {
            // Wind moving slowly from side to side.
            s.Noise(0, 2.0f, 300, 600, 0.4f, {0.8f, 0.0f}, -0.6f);
            s.Noise(1.5f, 2.5f, 500, 250, 0.4f, {0.8f, 0.0f}, 0.6f);
        }
        else if (name == "PickUpAmmo")
        {
            // Rounds pushed into a magazine, click after click, and the magazine seated with a clack.
            for (int round = 0; round < 3; ++round)
            {
                const float at = 0.055f * float(round);
                s.Noise(at, 0.03f, 7000, 3000, 0.5f, {0.0005f, 0.006f});
                s.Tone(Wave::Square, at, 0.025f, 2600.0f + 300.0f * float(round), 2200.0f + 300.0f * float(round), 0.2f,
                       {0.0005f, 0.006f});
            }
            s.Noise(0.2f, 0.06f, 4000, 1200, 0.7f, {0.001f, 0.015f});
            s.Tone(Wave::Square, 0.2f, 0.04f, 900, 600, 0.2f, {0.001f, 0.01f});
        }
        else if (name == "Interact" && Contains(owner, "Lever"))
        {
            // A lever thrown: the swish of the handle, then a heavy clunk as it lands.
            s.Noise(0, 0.12f, 1500, 4000, 0.25f, {0.06f, 0.0f});
            s.Tone(Wave::Sine, 0.11f, 0.22f, 160, 55, 0.9f, {0.001f, 0.05f});
            s.Noise(0.11f, 0.08f, 1200, 200, 0.7f, {0.001f, 0.02f});
        }
        else if (name == "Interact")
        {
            // A button pressed home with a dull thump, then springing back with a light click.
            s.Tone(Wave::Sine, 0, 0.12f, 220, 90, 0.8f, {0.001f, 0.03f});
            s.Noise(0, 0.04f, 2500, 600, 0.6f, {0.001f, 0.01f});
            s.Noise(0.14f, 0.03f, 5000, 2500, 0.4f, {0.0005f, 0.008f});
            s.Tone(Wave::Square, 0.14f, 0.02f, 1800, 1500, 0.12f, {0.0005f, 0.005f});
        }
        else if (name == "Active" && Contains(owner, "Jetpack"))
        {
            // The jet's hiss over a low roar, level from end to end because it loops.
            s.Noise(0, SoundSeconds(name), 5000, 5000, 0.6f, {0.01f, 0.0f});
            s.Noise(0, SoundSeconds(name), 250, 250, 0.6f, {0.01f, 0.0f});
        }
        else if (name == "Active")
        {
            // Rotor blades chopping the air over a small motor's whine; it loops, so a whole number
            // of chops fills it.
            const float seconds = SoundSeconds(name);
            const float chop = seconds / 8.0f;
            for (int blade = 0; blade < 8; ++blade)
                s.Noise(chop * float(blade), chop, 1400, 400, 0.8f, {0.004f, 0.02f});
            s.Tone(Wave::Saw, 0, seconds, 140, 140, 0.12f, {0.01f, 0.0f}, 0.0f, {1.0f / chop, 0.03f});
        }
        else if (name == "Activate" && Contains(owner, "Space"))
        {
            // A sci-fi chirp: two quick rising sweeps with a shimmer.
            s.Tone(Wave::Sine, 0, 0.09f, 700, 2800, 0.5f, {0.002f, 0.05f}, 0.0f, {45.0f, 0.04f});
            s.Tone(Wave::Square, 0.1f, 0.14f, 1100, 4200, 0.25f, {0.002f, 0.06f}, 0.0f, {60.0f, 0.05f});
        }
        else if (name == "Activate")
        {
            // A spring let go: the snap of its release, then a wobbling rise.
            s.Tone(Wave::Triangle, 0, 0.05f, 90, 60, 0.4f, {0.001f, 0.01f});
            s.Tone(Wave::Sine, 0, 0.45f, 150, 420, 0.8f, {0.003f, 0.12f}, 0.0f, {16.0f, 0.22f});
        }
        else
        {
            // Pick-ups, checkpoints and switches: a short rising arpeggio.
            const float base = Contains(name, "Weapon") ? 392.0f : Contains(name, "Checkpoint") ? 523.0f : 440.0f;
            for (int note = 0; note < 3; ++note)
            {
                const float hz = base * std::pow(2.0f, float(note * 4) / 12.0f);
                s.Tone(Wave::Triangle, 0.07f * float(note), 0.12f, hz, hz, 0.35f, {0.003f, 0.05f});
            }
        }
    };
}

std::unique_ptr<Recipe> RecipeFor(const std::string& path)
{
    const std::string_view prefix = "Assets/";
    if (path.compare(0, prefix.size(), prefix) != 0 || Contains(path, ".."))
        return nullptr;
    const std::string relative = path.substr(prefix.size());
    const size_t slash = relative.rfind('/');
    const std::string file = relative.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string folder = slash == std::string::npos ? "" : relative.substr(0, slash);
    const std::string kind = folder.substr(0, folder.find('/'));
    const std::string name = folder.substr(folder.rfind('/') + 1);
    const size_t dot = file.rfind('.');
    const std::string stem = file.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : file.substr(dot);

    if (extension == ".wav")
        return std::make_unique<SoundRecipe>(relative, name == "Ambience" || stem == "Ambience" ? 2 : 1,
                                             SoundSeconds(stem), SoundFor(name, stem));
    if (extension != ".png")
        return nullptr;
    const auto image = [&](uint32_t width, uint32_t height, ImageRecipe::Drawing drawing)
    { return std::make_unique<ImageRecipe>(relative, width, height, Palette::Clear, std::move(drawing)); };

    const Look look = LookOf(kind, name);
    if (stem == "IconImage" || stem == "IconSketch")
    {
        if (const MapLayout* layout = kind == "Maps" ? FindMapLayout(name) : nullptr)
            return image(128, 128, MapDrawing(*layout, stem == "IconSketch"));
        return image(128, 128, SymbolDrawing(look, stem == "IconSketch"));
    }
    if (stem == "HatAnimation")
        return image(256, 64, [](Canvas& canvas, Pen& pen) { PropellerFrames(canvas, pen, false); });
    for (const char* bone : {"Skull", "Spine", "Humerus", "Radius", "Hand", "Femur", "Tibia", "Foot", "Hat"})
        if (Contains(stem, bone) && (EndsWith(stem, "Image") || EndsWith(stem, "Draw")))
        {
            const bool round = std::string_view(bone) == "Hand" || std::string_view(bone) == "Skull";
            // The shared player bones are the basic character's.
            const Rgba color = kind == "Characters" || kind == "Player" ? Palette::Neutral : look.color;
            return image(64, round ? 64 : 128,
                         BoneDrawing(bone, color, EndsWith(stem, "Draw"), kind == "Parts" ? look.symbol : ""));
        }
    if (kind == "Themes")
    {
        const Rgba ground = Contains(name, "Glacier") ? Palette::Blue : Palette::Wood;
        // As many pixels as a layer covers in a window 720 pixels high, so that it is not blurred.
        if (Contains(stem, "Hills") || Contains(stem, "Peaks") || Contains(stem, "Clouds"))
            return image(2048, 1024, BackdropDrawing(stem));
        if (Contains(stem, "Tree"))
            return image(192, 256, ObjectDrawing(stem));
        if (Contains(stem, "Flower") || Contains(stem, "Rock") || Contains(stem, "Snowflake"))
            return image(128, 128, ObjectDrawing(stem));
        // The conveyer's three pieces sit 50 pixels apart in the tile atlas, the middle one with a
        // 5-pixel border each side, and the last ends 54 pixels before the atlas's edge.
        if (Contains(stem, "Conveyer"))
            return image(40, 64, TileDrawing(stem, ground));
        return image(64, 64, TileDrawing(stem, ground));
    }
    if (stem == "Laser")
        return image(64, 8, [](Canvas&, Pen& pen) { pen.Fill(Rect(0, 30, 100, 40), Palette::Red); });
    // A muzzle flash bursts out of the muzzle to the right: the shot turns it along the aim.
    if (stem == "Flash")
        return image(64, 64,
                     [](Canvas&, Pen& pen)
                     {
                         pen.FitCanvas();
                         pen.Shape({{2, 50}, {28, 28}, {40, 6}, {56, 30}, {98, 50}, {56, 70}, {40, 94}, {28, 72}},
                                   Palette::Fire, false);
                         pen.Shape({{10, 50}, {34, 38}, {60, 50}, {34, 62}}, Palette::Yellow, false);
                     });
    if (stem == "Trail")
        return image(32, 32, SymbolDrawing({"Puff", Palette::White}, false));
    if (stem == "Image" && kind == "Hazards" && Contains(name, "draft"))
        return image(64, 64, UpdraftDrawing());
    if (stem == "Image" && kind == "Zones" && Contains(name, "Gravity"))
        return image(256, 256, LowGravityDrawing());
    if (stem == "Image" && kind == "Zones" && Contains(name, "Mud"))
        return image(128, 32, MudDrawing());
    if (stem == "Image" && kind == "Hazards")
        return image(64, 64, SpikeRowDrawing(Contains(name, "Icicle")));
    if (stem == "Image" || stem == "Draw")
    {
        const bool sketch = stem == "Draw";
        if (kind == "Weapons")
            return image(128, 64, WeaponDrawing(name, look.color, sketch));
        if (kind == "Projectiles")
            return image(32, 32, SymbolDrawing(look, sketch));
        return image(64, 64, SymbolDrawing(look, sketch));
    }
    return image(64, 64, SymbolDrawing(look, false));
}

} // namespace

bool AddRequestedRecipes(const std::string& requested, std::vector<std::unique_ptr<Recipe>>& recipes)
{
    bool understood = true;
    std::istringstream lines(requested);
    std::string line;
    while (std::getline(lines, line))
    {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty())
            continue;
        if (auto recipe = RecipeFor(line))
            recipes.push_back(std::move(recipe));
        else
        {
            Log::Write("no recipe makes {}", line);
            understood = false;
        }
    }
    return understood;
}
