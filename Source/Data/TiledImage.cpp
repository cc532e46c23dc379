#include "Source/Data/TiledImage.h"

#include "Engine/Foundation/Members.h"
#include "Source/Data/Data.h"

using namespace Lumvek;

void TiledImage::Read(BlueprintReader& reader)
{
    ReadMember(reader, "TileSize", tileSize);
    ReadMember(reader, "TileHorizontally", tileHorizontally);
    ReadMember(reader, "TileVertically", tileVertically);
    ReadMember(reader, "NineSliceLeft", nineSliceLeft);
    ReadMember(reader, "NineSliceRight", nineSliceRight);
    ReadMember(reader, "NineSliceBottom", nineSliceBottom);
    ReadMember(reader, "NineSliceTop", nineSliceTop);
}

void TiledImage::Write(BlueprintWriter& writer) const
{
    if (IsInUse())
        WriteMember(writer, "TileSize", tileSize);
    if (tileHorizontally)
        WriteMember(writer, "TileHorizontally", tileHorizontally);
    if (tileVertically)
        WriteMember(writer, "TileVertically", tileVertically);
    if (IsNineSliced())
    {
        WriteMember(writer, "NineSliceLeft", nineSliceLeft);
        WriteMember(writer, "NineSliceRight", nineSliceRight);
        WriteMember(writer, "NineSliceBottom", nineSliceBottom);
        WriteMember(writer, "NineSliceTop", nineSliceTop);
    }
}

void TiledImage::LoadImage(const Data& definition, Texture& texture, uint32_t imageId) const
{
    if (IsNineSliced())
        definition.LoadNineSliceImage(texture, imageId, "Image", nineSliceLeft, nineSliceRight, nineSliceBottom,
                                      nineSliceTop);
    else
        definition.LoadImage(texture, imageId, "Image");
}
