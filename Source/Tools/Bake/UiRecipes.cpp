#include "Source/Tools/Bake/ImageRecipe.h"
#include "Source/Tools/Bake/Symbols.h"

#include "Engine/Foundation/ToString.h"

#include <algorithm>
#include <cmath>

using namespace Lumvek;
using namespace Paths;

namespace
{

const std::string TexturesFolder = "Ui/Textures/";
const std::string AtlasFolder = "Ui/Textures/Ui/";

// One named image of the front end's atlas; a nine-slice keeps its corners whole when stretched.
struct AtlasImage
{
    std::string name;
    uint32_t width;
    uint32_t height;
    ImageRecipe::Drawing drawing;
    std::string slices = ""; // the nine-slice keys, empty for a plain region
};

ImageRecipe::Drawing SymbolImage(const char* symbol, Rgba color, bool sketch)
{
    return [=](Canvas& canvas, Pen& pen)
    {
        const float side = float(std::min(canvas.width, canvas.height));
        pen.SetFrame(0.05f * side, 0.05f * side, 0.9f * side);
        FindSymbol(std::string_view(symbol))(pen, color, sketch);
    };
}

// A round controller button with its letters in ink.
ImageRecipe::Drawing ButtonImage(Rgba color, const char* letters)
{
    return [=](Canvas&, Pen& pen)
    {
        pen.Shape(Circle(50, 50, 42), color, false);
        const float cells = float(std::string_view(letters).size());
        pen.lineWidth = 7.0f;
        StrokeWord(pen, std::string_view(letters), 50.0f - 16.0f * cells + 3.0f, 32, 32, 36);
    };
}

// A shoulder button or trigger: a rounded slab with its letters.
ImageRecipe::Drawing ShoulderImage(const char* letters, bool trigger)
{
    return [=](Canvas&, Pen& pen)
    {
        if (trigger)
            pen.Shape({{14, 88}, {14, 34}, {30, 14}, {70, 14}, {86, 34}, {86, 88}}, Palette::Neutral, false);
        else
            pen.Shape(RoundedRect(6, 26, 88, 50, 22), Palette::Neutral, false);
        pen.lineWidth = 6.0f;
        StrokeWord(pen, std::string_view(letters), 26, trigger ? 40 : 36, 26, 30);
    };
}

ImageRecipe::Drawing PillImage(bool forward)
{
    return [=](Canvas&, Pen& pen)
    {
        pen.Shape(RoundedRect(6, 28, 88, 44, 22), Palette::Neutral, false);
        const Path triangle = {{40, 38}, {62, 50}, {40, 62}};
        pen.Shape(forward ? triangle : Mirrored(triangle, 50), Palette::Ink, false);
    };
}

ImageRecipe::Drawing DirectionImage(float angle, Rgba color)
{
    return [=](Canvas&, Pen& pen)
    {
        const Path arrow = {{14, 38}, {56, 38}, {56, 18}, {90, 50}, {56, 82}, {56, 62}, {14, 62}};
        pen.Shape(Rotated(arrow, 50, 50, angle), color, false);
    };
}

ImageRecipe::Drawing StickImage(const char* letter)
{
    return [=](Canvas&, Pen& pen)
    {
        pen.Shape(Circle(50, 50, 44), Palette::Neutral, false);
        pen.Shape(Circle(50, 50, 30), Palette::Paper, false);
        pen.lineWidth = 7.0f;
        StrokeWord(pen, std::string_view(letter), 38, 34, 30, 32);
    };
}

std::vector<AtlasImage> AtlasImages()
{
    constexpr float Quarter = 1.5707964f;
    std::vector<AtlasImage> images = {
        {"SmallLogo", 85, 108,
         [](Canvas&, Pen& pen)
         {
             pen.SetFrame(0, 11, 85);
             pen.Shape({{10, 8}, {90, 8}, {90, 56}, {50, 96}, {10, 56}}, Palette::Paper, false);
             pen.lineWidth = 9.0f;
             StrokeWord(pen, "V", 30, 22, 50, 46, Palette::Red);
         }},
        {"CircleSketch", 128, 128, [](Canvas&, Pen& pen) { pen.Stroke(Circle(50, 50, 44), true); }},
        {"CircleSelection", 128, 128,
         [](Canvas&, Pen& pen)
         {
             pen.lineWidth = 8.0f;
             pen.Stroke(Circle(50, 50, 43), true);
         }},
        // A ring, not a disc: the dials tint it in the colour of the number they show inside it.
        {"CircleDraw", 128, 128,
         [](Canvas&, Pen& pen)
         {
             pen.lineWidth = 9.0f;
             pen.wobble = 0.5f;
             pen.Stroke(Circle(50, 50, 44), true, Palette::White);
         }},
        {"CircleBackground", 128, 128, [](Canvas&, Pen& pen) { pen.Fill(Circle(50, 50, 46), Palette::Paper); }},
        {"PendingIcon", 128, 128, SymbolImage("Hourglass", Palette::Yellow, false)},
        {"PendingSketch", 128, 128, SymbolImage("Hourglass", Palette::Yellow, true)},
        {"SelectLeft", 48, 64,
         [](Canvas&, Pen& pen) {
             pen.Shape(Mirrored({{22, 10}, {82, 50}, {22, 90}, {36, 50}}, 50), Palette::Ink, false);
         }},
        {"SelectRight", 48, 64,
         [](Canvas&, Pen& pen) {
             pen.Shape({{22, 10}, {82, 50}, {22, 90}, {36, 50}}, Palette::Ink, false);
         }},
        {"Outline", 48, 48,
         [](Canvas&, Pen& pen)
         {
             pen.lineWidth = 12.0f;
             pen.wobble = 0.5f;
             pen.Stroke(RoundedRect(10, 10, 80, 80, 12), true);
         },
         "Inset = 16"},
        {"SketchOutline", 48, 48,
         [](Canvas&, Pen& pen)
         {
             pen.lineWidth = 6.0f;
             pen.Stroke(RoundedRect(10, 10, 80, 80, 8), true);
         },
         "Inset = 16"},
        {"VerticalDivider", 18, 96,
         [](Canvas&, Pen& pen)
         {
             pen.lineWidth = 3.0f;
             pen.wobble = 0.2f;
             pen.Line({50, 4}, {50, 96});
         },
         "InsetHorizontal = 0 InsetVertical = 18"},
        {"AButton", 64, 64, ButtonImage(Palette::Green, "A")},
        {"BButton", 64, 64, ButtonImage(Palette::Red, "B")},
        {"XButton", 64, 64, ButtonImage(Palette::Blue, "X")},
        {"YButton", 64, 64, ButtonImage(Palette::Yellow, "Y")},
        {"StartButton", 64, 64, PillImage(true)},
        {"BackButton", 64, 64, PillImage(false)},
        {"LeftBumper", 64, 64, ShoulderImage("LB", false)},
        {"RightBumper", 64, 64, ShoulderImage("RB", false)},
        {"LeftTrigger", 64, 64, ShoulderImage("LT", true)},
        {"RightTrigger", 64, 64, ShoulderImage("RT", true)},
        {"LeftStick", 64, 64, StickImage("L")},
        {"RightStick", 64, 64, StickImage("R")},
        {"Left", 64, 64, DirectionImage(2.0f * Quarter, Palette::Neutral)},
        {"Right", 64, 64, DirectionImage(0.0f, Palette::Neutral)},
        {"Up", 64, 64, DirectionImage(3.0f * Quarter, Palette::Neutral)},
        {"Down", 64, 64, DirectionImage(Quarter, Palette::Neutral)},
        {"PartLeft", 64, 64, DirectionImage(2.0f * Quarter, Palette::Paper)},
        {"PartRight", 64, 64, DirectionImage(0.0f, Palette::Paper)},
        {"PartUp", 64, 64, DirectionImage(3.0f * Quarter, Palette::Paper)},
        {"PartDown", 64, 64, DirectionImage(Quarter, Palette::Paper)},
        {"Star", 64, 64, SymbolImage("Star", Palette::Yellow, false)},
        {"Ink", 64, 64, SymbolImage("Ink", Palette::Ink, false)},
        // Drawn white so that the tint it is drawn with shows as it is.
        {"Indicator", 64, 32,
         [](Canvas&, Pen& pen) {
             pen.Shape({{6, 10}, {94, 10}, {50, 92}}, Palette::White, false);
         }},
        // A sketched skull, shown where a player was killed.
        {"Death", 128, 128,
         [](Canvas&, Pen& pen)
         {
             pen.Shape({{18, 46},
                        {22, 24},
                        {36, 12},
                        {50, 9},
                        {64, 12},
                        {78, 24},
                        {82, 46},
                        {76, 62},
                        {70, 66},
                        {70, 84},
                        {30, 84},
                        {30, 66},
                        {24, 62}},
                       Palette::Paper, false);
             pen.Fill(Ellipse(37, 45, 9, 10), Palette::Ink);
             pen.Fill(Ellipse(63, 45, 9, 10), Palette::Ink);
             pen.Fill({{50, 56}, {55, 66}, {45, 66}}, Palette::Ink);
             pen.lineWidth = 3.0f;
             for (float x : {40.0f, 50.0f, 60.0f})
                 pen.Line({x, 72}, {x, 84});
         }},
    };

    const struct
    {
        const char* name;
        const char* symbol;
        Rgba color;
    } icons[] = {
        {"Notebook", "Book", Palette::Yellow},
        {"Play", "Play", Palette::Green},
        {"Store", "Bag", Palette::Blue},
        {"Matchmaking", "Globe", Palette::Blue},
        {"Challenges", "Trophy", Palette::Yellow},
        {"CustomGame", "Gear", Palette::Neutral},
        {"Loadout", "Figure", Palette::Red},
        {"Quit", "Door", Palette::Red},
        {"Controls", "Gamepad", Palette::Neutral},
        {"Leader", "Crown", Palette::Yellow},
        {"SinglePlayer", "Figure", Palette::Green},
        {"Multiplayer", "Figures", Palette::Red},
        {"GameType", "Dice", Palette::Paper},
        {"Map", "Map", Palette::Paper},
        {"Theme", "Mountains", Palette::Green},
        {"Teams", "Flag", Palette::Red},
        {"Weapons", "Gun", Palette::Neutral},
        {"Attributes", "Bars", Palette::Blue},
        {"Custom", "Pencil", Palette::Yellow},
        {"None", "None", Palette::Neutral},
        {"Random", "Question", Palette::Yellow},
    };
    for (const auto& icon : icons)
    {
        images.push_back({std::string(icon.name) + "Icon", 128, 128, SymbolImage(icon.symbol, icon.color, false)});
        images.push_back({std::string(icon.name) + "IconSketch", 128, 128, SymbolImage(icon.symbol, icon.color, true)});
    }
    return images;
}

// Images streamed in by request go to the grid cells of "Icons"; the named images are packed below.
std::string UiDescription(const std::vector<AtlasImage>& images)
{
    std::string text = "{\n    Type = \"Atlas\" Width = 2048 Height = 2048 Border = 2\n    Regions {\n"
                       "        Icons { Type = \"Streaming\" Width = 1920 Height = 1024 CellWidth = 128 "
                       "CellHeight = 128 }\n";
    for (const AtlasImage& image : images)
    {
        text += "        " + image.name + " { ";
        if (!image.slices.empty())
            text += "Type = \"NineSlice\" " + image.slices + " ";
        text += "Filename = \"Assets/" + AtlasFolder + image.name + ".png\" }\n";
    }
    return text + "    }\n}\n";
}

void Paper(Canvas& canvas, Pen& pen)
{
    // A faint grain and a few fibres; kept to a few levels so the file stays small.
    Random grain(StringView("CanvasBackground grain"));
    for (uint32_t y = 0; y < canvas.height; ++y)
        for (uint32_t x = 0; x < canvas.width; ++x)
            canvas.Blend(int(x), int(y), Palette::Shade, float(grain.Next() % 4) * 0.04f);
    pen.lineWidth = 0.35f;
    pen.wobble = 1.5f;
    Random fibres(StringView("CanvasBackground fibres"));
    for (int i = 0; i < 40; ++i)
    {
        const Point from{fibres.Range(0, 100), fibres.Range(0, 100)};
        const float angle = fibres.Range(0, 6.3f), length = fibres.Range(4, 12);
        pen.Line(from, {from.x + length * std::cos(angle), from.y + length * std::sin(angle)}, Palette::Shade);
    }
}

void WideLogo(Canvas&, Pen& pen)
{
    pen.SetFrame(0, 0, 768);
    pen.lineWidth = 2.2f;
    StrokeWord(pen, "VANTOREL", 14, 9, 9.6f, 13, Palette::Ink);
    pen.lineWidth = 1.0f;
    pen.Line({10, 27}, {92, 26}, Palette::Red);
    pen.SetFrame(8, 8, 80);
    FindSymbol("Flag")(pen, Palette::Red, false);
    pen.SetFrame(680, 8, 80);
    FindSymbol("Flag")(pen, Palette::Blue, false);
}

void TallLogo(Canvas&, Pen& pen)
{
    pen.SetFrame(48, 20, 160);
    FindSymbol("Token")(pen, Palette::Yellow, false);
    pen.SetFrame(0, 190, 256);
    pen.lineWidth = 3.0f;
    StrokeWord(pen, "VANT", 12, 8, 20, 26, Palette::Ink);
    StrokeWord(pen, "OREL", 12, 44, 20, 26, Palette::Ink);
    pen.lineWidth = 1.5f;
    pen.Line({10, 78}, {90, 77}, Palette::Red);
}

void MakerLogo(Canvas&, Pen& pen)
{
    pen.SetFrame(128, 0, 256);
    pen.lineWidth = 3.0f;
    pen.Shape(Circle(50, 50, 40), Palette::Paper, false);
    // A pen nib.
    pen.Shape({{50, 16}, {70, 46}, {62, 78}, {38, 78}, {30, 46}}, Palette::Ink, false);
    pen.Fill(Circle(50, 52, 5), Palette::Paper);
    pen.Stroke({{50, 57}, {50, 78}}, false, Palette::Paper);
    pen.Stroke({{22, 88}, {40, 84}, {60, 90}, {80, 85}}, false, Palette::Red);
}

} // namespace

void AddUiRecipes(std::vector<std::unique_ptr<Recipe>>& recipes)
{
    recipes.push_back(
        std::make_unique<ImageRecipe>(TexturesFolder + "CanvasBackground.png", 256, 256, Palette::Paper, Paper));
    recipes.push_back(
        std::make_unique<ImageRecipe>(TexturesFolder + "MakerLogo.png", 512, 256, Palette::Clear, MakerLogo));
    recipes.push_back(
        std::make_unique<ImageRecipe>(TexturesFolder + "WideLogo.png", 768, 256, Palette::Clear, WideLogo));
    recipes.push_back(
        std::make_unique<ImageRecipe>(TexturesFolder + "TallLogo.png", 256, 512, Palette::Clear, TallLogo));

    const std::vector<AtlasImage> images = AtlasImages();
    for (const AtlasImage& image : images)
        recipes.push_back(std::make_unique<ImageRecipe>(AtlasFolder + image.name + ".png", image.width, image.height,
                                                        Palette::Clear, image.drawing));
    recipes.push_back(std::make_unique<TextRecipe>(TexturesFolder + "Ui.ltd", UiDescription(images)));
    // The player preview streams each bone's sketch into a cell of "Bones".
    recipes.push_back(std::make_unique<TextRecipe>(
        TexturesFolder + "Preview.ltd",
        "{\n    Type = \"Atlas\" Width = 2048 Height = 1024\n    Regions {\n        Bones { Type = \"Streaming\" "
        "Width = 2048 Height = 1024 CellWidth = 128 CellHeight = 128 }\n    }\n}\n"));
}
