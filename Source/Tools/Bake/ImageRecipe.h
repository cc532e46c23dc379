#pragma once

#include "Source/Tools/Bake/Canvas.h"
#include "Source/Tools/Bake/Recipe.h"
#include "Source/Tools/Bake/Synth.h"

#include <functional>
#include <string>

// A PNG of the Assets folder, drawn by a function into a fresh canvas with a pen seeded by the
// file's path.
class ImageRecipe : public Recipe
{
public:
    using Drawing = std::function<void(Canvas& canvas, Pen& pen)>;

    ImageRecipe(std::string output, uint32_t width, uint32_t height, Rgba background, Drawing drawing)
        : output(std::move(output)), width(width), height(height), background(background), drawing(std::move(drawing))
    {
    }

    std::string Name() const override { return output; }
    bool Bake(const std::string& assets) const override;

    std::string output; // relative to the Assets folder
    uint32_t width;
    uint32_t height;
    Rgba background;
    Drawing drawing;
};

// A WAV of the Assets folder, synthesised by a function; the noise is seeded by the file's path.
class SoundRecipe : public Recipe
{
public:
    using Synthesis = std::function<void(Synth& synth)>;

    SoundRecipe(std::string output, uint32_t channels, float seconds, Synthesis synthesis)
        : output(std::move(output)), channels(channels), seconds(seconds), synthesis(std::move(synthesis))
    {
    }

    std::string Name() const override { return output; }
    bool Bake(const std::string& assets) const override;

    std::string output;
    uint32_t channels;
    float seconds;
    Synthesis synthesis;
};

// A text file of the Assets folder that follows the generated images (a texture description).
class TextRecipe : public Recipe
{
public:
    TextRecipe(std::string output, std::string text) : output(std::move(output)), text(std::move(text)) {}

    std::string Name() const override { return output; }
    bool Bake(const std::string& assets) const override { return WriteAsset(assets, output, text); }

    std::string output;
    std::string text;
};
