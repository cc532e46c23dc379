#include "Source/World/GameContext.h"

GameContext::~GameContext() = default;

void GameContext::PlaySound(uint32_t, Lumvek::Vector2, Lumvek::Vector2, float) {}
