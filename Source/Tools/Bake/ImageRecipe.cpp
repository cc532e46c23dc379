#include "Source/Tools/Bake/ImageRecipe.h"

#include "Engine/Foundation/Log.h"

using namespace Lumvek;

bool ImageRecipe::Bake(const std::string& assets) const
{
    Canvas canvas(width, height, background);
    Pen pen(canvas, output);
    drawing(canvas, pen);
    Buffer png;
    if (!canvas.WritePng(png))
    {
        Log::Write("cannot encode {} as PNG", output);
        return false;
    }
    return WriteAsset(assets, output, png);
}

bool SoundRecipe::Bake(const std::string& assets) const
{
    Synth synth(output, channels, seconds);
    synthesis(synth);
    Buffer wav;
    synth.WriteWav(wav);
    return WriteAsset(assets, output, wav);
}
