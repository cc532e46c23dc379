#pragma once

#include "Engine/Runtime/Graphics/Material.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace Lumvek
{
class GraphicsDevice;
}

// The game renderer's materials: which shader each compiles, its blending, depth test, sampler and
// the input elements its shader reads. The shaders are "Assets/Rendering/*.hlsl"; their inputs are
// the records of RenderRecords.h.
enum class GameMaterial : uint32_t
{
    GameTarget,
    Indicator,
    BackgroundColor,
    BackgroundScrollNone,
    BackgroundScrollX,
    BackgroundScrollY,
    BackgroundScrollBoth,
    ThemeObject,
    Position,
    PositionDraw,
    Transform,
    DrawIn,
    Erase,
    Effect,
    Count,
};

// One material as the renderer creates it.
struct GameMaterialDescription
{
    // The material's graphics-resource name, also its device slot's name.
    std::string_view name;
    std::string_view shader;
    Lumvek::BlendState colorBlend;
    Lumvek::BlendState alphaBlend;
    // Unset keeps a new material's depth state.
    bool setsDepth = false;
    Lumvek::DepthState depth;
    bool hasSampler = false;
    Lumvek::SamplerState sampler;
    std::span<const Lumvek::VertexElement> vertexInputs;
    std::span<const Lumvek::VertexElement> instanceInputs;
};

namespace GameMaterials
{

const GameMaterialDescription& Describe(GameMaterial material);
// The device slot of the material's name, registered on first use.
uint32_t Slot(GameMaterial material);
// Creates the material in its slot and compiles its shader; false, logged, when the slot is taken or
// the shader does not load (the material then stays without code and draws nothing). Any thread:
// creation takes the device mutex.
bool Create(Lumvek::GraphicsDevice& device, GameMaterial material);

} // namespace GameMaterials
