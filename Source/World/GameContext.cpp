#include "Source/World/GameContext.h"

#include "Source/Data/DataRegistry.h"

GameContext::~GameContext() = default;

void GameContext::EmitSound(uint32_t, Lumvek::Vector2, Lumvek::Vector2, float) {}

uint32_t ConfigurationCount(const GameContext& context)
{
    return context.registry ? context.registry->configurations.Count() : 0;
}
