#include "Source/Data/BoneSprites.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"

#include <string>

using namespace Lumvek;

namespace
{

constexpr StringView LeftSide = "Left";
constexpr StringView RightSide = "Right";

std::string Join(StringView a, StringView b)
{
    std::string text = a.ToString();
    text.append(b.data, b.length);
    return text;
}

// The region id of one view: the first image file that exists among, in order, the bone's own view,
// the view of its side-less name, the bone's own image and the side-less image. The region is named
// after the owner and the file found without its kind word, so that loading finds the file again.
uint32_t ResolveView(const Data& owner, StringView boneName, StringView shortName, StringView view, StringView kind)
{
    for (const std::string& stem :
         {Join(boneName, view), Join(shortName, view), boneName.ToString(), shortName.ToString()})
        if (owner.HasAsset(Join(stem, kind), ".png"))
            return NameTableA().Add(owner.name + stem);
    return InvalidId;
}

// Loads one sprite: the region's name less the owner's name is the file's stem.
void LoadSprite(const Data& owner, Texture& spriteTexture, Texture& drawTexture, uint32_t id, uint32_t frameCount,
                uint32_t cellCountX, uint32_t cellCountY)
{
    const StringView stem = NameTableA().GetName(id).Sub(static_cast<uint32_t>(owner.name.size()));
    if (frameCount < 2)
        owner.LoadImage(spriteTexture, id, Join(stem, "Image"));
    else
        owner.LoadFramesImage(spriteTexture, id, Join(stem, "Animation"), cellCountX, cellCountY, frameCount);
    owner.LoadImage(drawTexture, id, Join(stem, "Draw"));
}

} // namespace

namespace BoneSprites
{

void Resolve(const Data& owner, StringView boneName, uint32_t frameCount, uint32_t& first, uint32_t& second)
{
    const StringView kind = frameCount < 2 ? StringView("Image") : StringView("Animation");
    // Letter case counts: "left" does not make a bone a left one.
    const bool left = boneName.Sub(0, LeftSide.Length()) == LeftSide;
    const StringView shortName = boneName.Sub(left ? LeftSide.Length() : RightSide.Length());
    const uint32_t back = ResolveView(owner, boneName, shortName, "Back", kind);
    const uint32_t front = ResolveView(owner, boneName, shortName, "Front", kind);
    first = left ? back : front;
    second = left ? front : back;
}

void Load(const Data& owner, Texture& spriteTexture, Texture& drawTexture, uint32_t first, uint32_t second,
          uint32_t frameCount, uint32_t cellCountX, uint32_t cellCountY)
{
    if (first != InvalidId)
        LoadSprite(owner, spriteTexture, drawTexture, first, frameCount, cellCountX, cellCountY);
    // Both views may share one image.
    if (second != InvalidId && second != first)
        LoadSprite(owner, spriteTexture, drawTexture, second, frameCount, cellCountX, cellCountY);
}

} // namespace BoneSprites
