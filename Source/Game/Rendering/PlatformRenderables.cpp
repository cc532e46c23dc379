#include "Source/Game/Rendering/PlatformRenderables.h"

void IndependentPlatformRenderable::Prepare(Platform&, World&, uint8_t) {}

void IndependentPlatformRenderable::Draw(Platform&, Lumvek::Geometry&, const Lumvek::Texture*, const ThemeData&, float,
                                         float)
{
}

void JoinedPlatformRenderable::Prepare(Platform&, World&, uint8_t) {}

void JoinedPlatformRenderable::Draw(Platform&, Lumvek::Geometry&, const Lumvek::Texture*, const ThemeData&, float,
                                    float)
{
}
