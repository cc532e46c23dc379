#include "Source/Tools/Bake/ImageRecipe.h"
#include "Source/Tools/Bake/Symbols.h"

#include "Engine/Foundation/Log.h"

#include <cmath>
#include <sstream>
#include <string_view>

using namespace Lumvek;
using namespace Paths;

namespace
{

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

// A bone of a character, drawn to fill its image: the image is stretched over the bone's box.
ImageRecipe::Drawing BoneDrawing(std::string bone, Rgba color, bool sketch)
{
    return [=](Canvas&, Pen& pen)
    {
        pen.lineWidth = 5.0f;
        if (bone == "Skull")
        {
            pen.Shape(Ellipse(50, 50, 44, 44), color, sketch);
            pen.Shape(Circle(30, 42, 8), Palette::White, sketch);
            pen.Stroke(Arc(42, 62, 16, 0.4f, 2.6f, 10), false);
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
        pen.Fill(Rect(0, 0, 100, bottom), Contains(piece, "Conveyer") ? Palette::Metal : ground);
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

ImageRecipe::Drawing BackdropDrawing(std::string name)
{
    return [=](Canvas&, Pen& pen)
    {
        pen.lineWidth = 1.2f;
        const bool glacier = Contains(name, "Glacier");
        if (Contains(name, "Clouds"))
            for (const Point& p : {Point{18, 30}, Point{52, 22}, Point{82, 40}})
                for (float dx : {-6.0f, 0.0f, 6.0f})
                    pen.Shape(Ellipse(p.x + dx, p.y - (dx == 0.0f ? 4.0f : 0.0f), 7, 9), Palette::White, false);
        else
        {
            Path ridge = {{-2, 102}};
            Random heights{StringView(name)};
            for (int i = 0; i <= 10; ++i)
                ridge.push_back({float(i) * 10.0f, (glacier ? 30.0f : 50.0f) + heights.Range(-14.0f, 14.0f)});
            ridge.push_back({102, 102});
            pen.Shape(ridge, glacier ? Palette::White : Palette::Green, false);
        }
    };
}

ImageRecipe::Drawing ObjectDrawing(std::string name)
{
    return [=](Canvas&, Pen& pen)
    {
        if (Contains(name, "Tree"))
        {
            pen.Shape(Rect(44, 54, 12, 42), Palette::Wood, false);
            pen.Shape(Circle(50, 36, 30), Palette::Green, false);
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

// How a requested sound is synthesised: the name tells what it accompanies.
SoundRecipe::Synthesis SoundFor(std::string name)
{
    return [=](Synth& s)
    {
        if (name == "Jump")
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
                                             stem == "Ambience"    ? 4.0f
                                             : stem == "Explosion" ? 1.2f
                                                                   : 0.7f,
                                             SoundFor(stem));
    if (extension != ".png")
        return nullptr;
    const auto image = [&](uint32_t width, uint32_t height, ImageRecipe::Drawing drawing)
    { return std::make_unique<ImageRecipe>(relative, width, height, Palette::Clear, std::move(drawing)); };

    const Look look = LookOf(kind, name);
    if (stem == "IconImage" || stem == "IconSketch")
        return image(128, 128, SymbolDrawing(look, stem == "IconSketch"));
    if (stem == "HatAnimation")
        return image(256, 64, [](Canvas& canvas, Pen& pen) { PropellerFrames(canvas, pen, false); });
    for (const char* bone : {"Skull", "Spine", "Humerus", "Radius", "Hand", "Femur", "Tibia", "Foot", "Hat"})
        if (Contains(stem, bone) && (EndsWith(stem, "Image") || EndsWith(stem, "Draw")))
        {
            const bool round = std::string_view(bone) == "Hand" || std::string_view(bone) == "Skull";
            const Rgba color = kind == "Characters" ? Palette::Neutral : look.color;
            return image(64, round ? 64 : 128, BoneDrawing(bone, color, EndsWith(stem, "Draw")));
        }
    if (kind == "Themes")
    {
        const Rgba ground = Contains(name, "Glacier") ? Palette::Blue : Palette::Wood;
        if (Contains(stem, "Hills") || Contains(stem, "Peaks") || Contains(stem, "Clouds"))
            return image(512, 256, BackdropDrawing(stem));
        if (Contains(stem, "Tree") || Contains(stem, "Flower") || Contains(stem, "Rock") || Contains(stem, "Snowflake"))
            return image(128, 128, ObjectDrawing(stem));
        // The conveyer's three pieces sit 50 pixels apart in the tile atlas, the middle one with a
        // 5-pixel border each side, and the last ends 54 pixels before the atlas's edge.
        if (Contains(stem, "Conveyer"))
            return image(40, 64, TileDrawing(stem, ground));
        return image(64, 64, TileDrawing(stem, ground));
    }
    if (stem == "Laser")
        return image(64, 8, [](Canvas&, Pen& pen) { pen.Fill(Rect(0, 30, 100, 40), Palette::Red); });
    if (stem == "Flash")
        return image(64, 64, SymbolDrawing({"Burst", Palette::Fire}, false));
    if (stem == "Trail")
        return image(32, 32, SymbolDrawing({"Puff", Palette::White}, false));
    if (stem == "Image" || stem == "Draw")
    {
        const bool sketch = stem == "Draw";
        if (kind == "Weapons")
            return image(128, 64, SymbolDrawing(look, sketch));
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
