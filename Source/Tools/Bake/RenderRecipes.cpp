#include "Source/Tools/Bake/ImageRecipe.h"

#include <cmath>
#include <string>
#include <utility>

using namespace Lumvek;
using namespace Paths;

namespace
{

// The outline platforms are drawn in with before their tiles show. Its border of 12 pixels keeps its
// size when the outline is stretched over a platform, so the ink line stays inside it.
constexpr uint32_t PlatformDrawSize = 96;

void PlatformDraw(Canvas&, Pen& pen)
{
    pen.lineWidth = 6.0f;
    pen.wobble = 0.6f;
    pen.Stroke(Rect(6.5f, 6.5f, 87.0f, 87.0f), true);
}

// How many erase patterns there are and the size of each.
constexpr int ErasePatterns = 3;
constexpr uint32_t EraseSize = 256;

// A scribble of ink strokes that crosses the square back and forth. The erase shader reads a pixel's
// alpha as the moment the scribble covers it: each stroke is laid down more opaque than the one
// before, so that the picture goes stroke by stroke, and a gap the strokes miss goes first.
ImageRecipe::Drawing EraseScribble(int pattern)
{
    return [pattern](Canvas& canvas, Pen& pen)
    {
        Random random(StringView("Erase" + std::to_string(pattern) + " scribble"));
        pen.lineWidth = 18.0f;
        pen.wobble = 2.0f;
        constexpr int Strokes = 14;
        const bool across = pattern % 2 == 1;
        // Drawn opaque in greys first, each stroke covering the ones before it where they cross.
        for (int i = 0; i < Strokes; ++i)
        {
            const float along = -4.0f + (i + 0.5f) * 108.0f / Strokes;
            const float lean = random.Range(-10.0f, 10.0f);
            Point from{-5.0f, along + lean}, to{105.0f, along - lean + random.Range(-6.0f, 6.0f)};
            if (i % 2 == 1)
                std::swap(from, to);
            if (!across)
            {
                std::swap(from.x, from.y);
                std::swap(to.x, to.y);
            }
            const auto grey = static_cast<uint8_t>(std::lround(255.0f * float(i + 1) / Strokes));
            pen.Line(from, to, {grey, grey, grey, 255});
        }
        // Then the grey becomes the ink's opacity.
        for (size_t i = 0; i + 3 < canvas.pixels.size(); i += 4)
        {
            const uint32_t alpha = uint32_t(canvas.pixels[i]) * canvas.pixels[i + 3] / 255;
            canvas.pixels[i] = Palette::Ink.r;
            canvas.pixels[i + 1] = Palette::Ink.g;
            canvas.pixels[i + 2] = Palette::Ink.b;
            canvas.pixels[i + 3] = static_cast<uint8_t>(alpha);
        }
    };
}

std::string EraseDescription()
{
    const std::string width = std::to_string((EraseSize + 4) * ErasePatterns);
    const std::string height = std::to_string(EraseSize + 4);
    std::string text =
        "{\n    Type = \"Atlas\" Width = " + width + " Height = " + height + " Border = 2\n    Regions {\n";
    for (int pattern = 1; pattern <= ErasePatterns; ++pattern)
    {
        const std::string name = "Erase" + std::to_string(pattern);
        text += "        " + name + " { Filename = \"Assets/Rendering/Erase/" + name + ".png\" }\n";
    }
    return text + "    }\n}\n";
}

} // namespace

void AddRenderRecipes(std::vector<std::unique_ptr<Recipe>>& recipes)
{
    recipes.push_back(std::make_unique<ImageRecipe>("Themes/PlatformDraw.png", PlatformDrawSize, PlatformDrawSize,
                                                    Palette::Clear, PlatformDraw));
    for (int pattern = 1; pattern <= ErasePatterns; ++pattern)
        recipes.push_back(std::make_unique<ImageRecipe>("Rendering/Erase/Erase" + std::to_string(pattern) + ".png",
                                                        EraseSize, EraseSize, Palette::Clear, EraseScribble(pattern)));
    recipes.push_back(std::make_unique<TextRecipe>("Rendering/Erase.ltd", EraseDescription()));
}
