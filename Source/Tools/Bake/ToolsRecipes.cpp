#include "Source/Tools/Bake/ImageRecipe.h"

#include <string>
#include <vector>

using namespace Paths;

namespace
{

const std::string IconsFolder = "Tools/Icons/";

// One icon of the tools' sheet, drawn in a 100 x 100 frame.
struct ToolIcon
{
    std::string name;
    ImageRecipe::Drawing drawing;
};

std::vector<ToolIcon> ToolIcons()
{
    return {
        {"ToolSelect",
         [](Canvas&, Pen& pen) {
             pen.Shape({{24, 10}, {76, 56}, {52, 58}, {66, 86}, {56, 90}, {42, 62}, {24, 78}}, Palette::Paper, false);
         }},
        {"ToolMove",
         [](Canvas&, Pen& pen)
         {
             const Path arrow = {{50, 8}, {64, 26}, {55, 26}, {55, 45}, {45, 45}, {45, 26}, {36, 26}};
             for (int quarter = 0; quarter < 4; ++quarter)
                 pen.Shape(Rotated(arrow, 50, 50, 1.5707964f * float(quarter)), Palette::Ink, false);
         }},
        {"ToolResize",
         [](Canvas&, Pen& pen)
         {
             pen.Stroke(RoundedRect(12, 12, 50, 50, 4), true);
             pen.Shape({{88, 88}, {88, 58}, {78, 68}, {58, 48}, {48, 58}, {68, 78}, {58, 88}}, Palette::Blue, false);
         }},
        {"ToolPlatform",
         [](Canvas&, Pen& pen)
         {
             pen.Shape(RoundedRect(8, 50, 84, 22, 6), Palette::Neutral, false);
             pen.Line({14, 50}, {86, 50}, Palette::Green);
         }},
        {"ToolSpawnPoint",
         [](Canvas&, Pen& pen)
         {
             pen.Shape(Circle(50, 28, 14), Palette::Paper, false);
             pen.Shape({{30, 88}, {34, 50}, {66, 50}, {70, 88}}, Palette::Blue, false);
         }},
        {"ToolHazard",
         [](Canvas&, Pen& pen)
         {
             pen.Shape({{50, 10}, {92, 86}, {8, 86}}, Palette::Yellow, false);
             pen.lineWidth = 7.0f;
             pen.Line({50, 36}, {50, 62});
             pen.Fill(Circle(50, 74, 4), Palette::Ink);
         }},
        {"ToolInteraction",
         [](Canvas&, Pen& pen)
         {
             pen.Shape(RoundedRect(20, 62, 60, 26, 6), Palette::Neutral, false);
             pen.lineWidth = 6.0f;
             pen.Line({50, 62}, {72, 24});
             pen.Shape(Circle(74, 20, 10), Palette::Red, false);
         }},
        {"ToolZone",
         [](Canvas&, Pen& pen)
         {
             // Dashes around the area.
             const Point corners[4] = {{12, 12}, {88, 12}, {88, 88}, {12, 88}};
             for (int side = 0; side < 4; ++side)
             {
                 const Point from = corners[side];
                 const Point to = corners[(side + 1) % 4];
                 for (int dash = 0; dash < 4; ++dash)
                 {
                     const float a = float(dash) / 4.0f, b = a + 0.14f;
                     pen.Line({from.x + (to.x - from.x) * a, from.y + (to.y - from.y) * a},
                              {from.x + (to.x - from.x) * b, from.y + (to.y - from.y) * b}, Palette::Green);
                 }
             }
         }},
    };
}

std::string IconsDescription(const std::vector<ToolIcon>& icons)
{
    std::string text = "{\n    Type = \"Atlas\" Width = 512 Height = 256 Border = 2\n    Regions {\n";
    for (const ToolIcon& icon : icons)
        text += "        " + icon.name + " { Filename = \"Assets/" + IconsFolder + icon.name + ".png\" }\n";
    return text + "    }\n}\n";
}

} // namespace

void AddToolsRecipes(std::vector<std::unique_ptr<Recipe>>& recipes)
{
    const std::vector<ToolIcon> icons = ToolIcons();
    for (const ToolIcon& icon : icons)
        recipes.push_back(
            std::make_unique<ImageRecipe>(IconsFolder + icon.name + ".png", 64, 64, Palette::Clear, icon.drawing));
    recipes.push_back(std::make_unique<TextRecipe>("Tools/Icons.ltd", IconsDescription(icons)));
}
