#include "Source/Data/ThemeAtlas.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ThemeData.h"

using namespace Lumvek;

namespace
{

// Where a platform piece goes on the tile sheet (its top-left pixel, y downwards) and how many
// pixels each side is extruded by. The renderer's platform geometry samples these places.
struct ThemePiece
{
    const uint32_t* id;
    uint32_t x;
    uint32_t y;
    uint32_t left;
    uint32_t right;
    uint32_t bottom;
    uint32_t top;
};

// The pieces in loading order. The ids are read through pointers: they are assigned during static
// initialisation, in another translation unit. Every side is extruded: tiles meet edge to edge, and a
// filtered sample at a piece's edge that reached the clear sheet beyond would draw a faint line
// between two of them. The pieces lie far enough apart for it (the conveyer's exactly).
constexpr ThemePiece Pieces[] = {
    {&Images::TopLeft, 0, 0, 5, 5, 5, 5},
    {&Images::TopMiddle, 240, 0, 5, 5, 5, 5},
    {&Images::TopRight, 400, 0, 5, 5, 5, 5},
    {&Images::SolidLeft, 500, 170, 5, 5, 5, 5},
    {&Images::SolidBackground, 660, 170, 5, 5, 5, 5},
    {&Images::SolidRight, 820, 170, 5, 5, 5, 5},
    {&Images::SolidLeftCorner, 500, 330, 5, 5, 5, 5},
    {&Images::SolidBottom, 660, 330, 5, 5, 5, 5},
    {&Images::SolidRightCorner, 820, 330, 5, 5, 5, 5},
    {&Images::SolidJoinTopLeft, 505, 500, 5, 5, 5, 5},
    {&Images::SolidJoinTopRight, 665, 500, 5, 5, 5, 5},
    {&Images::SolidJoinRight, 505, 660, 5, 5, 5, 5},
    {&Images::SolidJoinLeft, 665, 660, 5, 5, 5, 5},
    {&Images::OneWayLeft, 0, 170, 5, 5, 5, 5},
    {&Images::OneWayBackground, 160, 170, 5, 5, 5, 5},
    {&Images::OneWayRight, 320, 170, 5, 5, 5, 5},
    {&Images::OneWayLeftCorner, 0, 330, 5, 5, 5, 5},
    {&Images::OneWayBottom, 160, 330, 5, 5, 5, 5},
    {&Images::OneWayRightCorner, 320, 330, 5, 5, 5, 5},
    {&Images::ConveyerLeft, 870, 0, 5, 5, 5, 5},
    {&Images::ConveyerMiddle, 920, 0, 5, 5, 5, 5},
    {&Images::ConveyerRight, 970, 0, 5, 5, 5, 5},
};

struct ThemeSound
{
    const uint32_t* id;
    uint32_t mixer;
    bool loop;
};

// Each is played under its fixed id, from the file of the same name in the theme's folder.
constexpr ThemeSound ThemeSounds[] = {
    {&Sounds::Ambience, 0, true},     {&Sounds::Step1, 2, false}, {&Sounds::Step2, 2, false},
    {&Sounds::Jump, 2, false},        {&Sounds::Land, 2, false},  {&Sounds::Bounce, 2, false},
    {&Sounds::HitPlatform, 2, false},
};

std::string ThemeImagePath(StringView themeName, StringView image)
{
    return FormatText("Assets/Themes/{}/{}.png", themeName, image);
}

// The n pixels before start, clipped at 0.
uint32_t Before(uint32_t start, uint32_t n)
{
    return start > n ? start - n : 0;
}

} // namespace

bool LoadBackgroundTexture(GraphicsDevice& device, StringView themeName, uint32_t textureId)
{
    if (textureId == InvalidId)
        return false;
    Texture* texture = device.CreateTexture(textureId, static_cast<uint32_t>(ResourceUsage::UploadOnce));
    if (!texture)
        return false;
    texture->Load(ThemeImagePath(themeName, NameTableC().GetName(textureId)));
    // The texture was created locked; this makes the device upload it, once, with what was loaded.
    texture->FinishChanges();
    return true;
}

void AddThemePiece(Texture& tiles, uint32_t pieceId, StringView themeName, uint32_t x, uint32_t y, uint32_t left,
                   uint32_t right, uint32_t bottom, uint32_t top)
{
    TextureRegion* region = tiles.AddRegion(pieceId, x, y);
    if (!region)
        return;
    region->Load(ThemeImagePath(themeName, NameTableA().GetName(pieceId)));
    // An empty piece has no edge to repeat; its corners would copy pixels of its neighbours.
    if (region->width == 0 || region->height == 0)
        return;
    tiles.ExtrudeRegionLeft(*region, left);
    tiles.ExtrudeRegionRight(*region, right);
    tiles.ExtrudeRegionBottom(*region, bottom);
    tiles.ExtrudeRegionTop(*region, top);

    const uint32_t x1 = x + region->width;
    const uint32_t y1 = y + region->height;
    if (left > 0 && top > 0)
        tiles.FillPixels(x, y, Before(x, left), Before(y, top), x, y);
    if (right > 0 && top > 0)
        tiles.FillPixels(x1 - 1, y, x1, Before(y, top), x1 + right, y);
    if (left > 0 && bottom > 0)
        tiles.FillPixels(x, y1 - 1, Before(x, left), y1, x, y1 + bottom);
    if (right > 0 && bottom > 0)
        tiles.FillPixels(x1 - 1, y1 - 1, x1, y1, x1 + right, y1 + bottom);
    // The region's load announced the piece; the extruded borders belong to the same upload.
    tiles.MarkChanged();
}

void ThemeData::LoadAtlas(GraphicsDevice& device, Texture& objectTexture, Texture& tileTexture,
                          std::vector<uint32_t>* createdTextures) const
{
    for (const ThemeBackground& background : backgrounds)
        if (LoadBackgroundTexture(device, name, background.texture) && createdTextures)
            createdTextures->push_back(background.texture);
    for (const ThemeObject& object : objects)
        LoadImage(objectTexture, object.texture, NameTableA().GetName(object.texture));
    for (const ThemePiece& piece : Pieces)
        AddThemePiece(tileTexture, *piece.id, name, piece.x, piece.y, piece.left, piece.right, piece.bottom, piece.top);
    for (const ThemeSound& sound : ThemeSounds)
        LoadSound(*sound.id, NameSet::Global().GetName(*sound.id), sound.mixer, sound.loop);
}
