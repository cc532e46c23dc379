#include "Source/Data/InteractionData.h"

#include "Engine/Foundation/NameSet.h"

using namespace Lumvek;

bool InteractionData::Read(BlueprintReader& reader)
{
    Data::Read(reader);
    image = NameTableA().Add(name);
    interact = NameSet::Global().Add(name);
    return true;
}

void InteractionData::Load(Texture& texture, Texture&)
{
    LoadImage(texture, image, "Image");
    LoadSound(interact, "Interact", 2, false);
}
