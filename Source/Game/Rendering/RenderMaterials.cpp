#include "Source/Game/Rendering/RenderMaterials.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"

#include <array>
#include <string>

using namespace Lumvek;

namespace
{

using Format = VertexElementFormat;
using Semantic = VertexSemantic;

// The quad every game draw is made of: corner and texture coordinate.
const VertexElement QuadInputs[] = {{"Position", Format::Float2, Semantic::Position, 0},
                                    {"Texture", Format::Float2, Semantic::TextureCoordinate, 0}};

#define TRANSFORM_INPUTS                                                                                               \
    {"Transform", Format::Float4, Semantic::Named, 0}, {"Transform", Format::Float4, Semantic::Named, 1},              \
        {"Transform", Format::Float4, Semantic::Named, 2}, {"Transform", Format::Float4, Semantic::Named, 3},          \
        {"TexturePosition", Format::Float2, Semantic::TextureCoordinate, 1},                                           \
    {                                                                                                                  \
        "TextureSize", Format::Float2, Semantic::TextureCoordinate, 2                                                  \
    }

#define POSITION_INPUTS                                                                                                \
    {"InstancePosition", Format::Float2, Semantic::Position, 1},                                                       \
        {"InstanceSize", Format::Float2, Semantic::Position, 2},                                                       \
        {"TexturePosition", Format::Float2, Semantic::TextureCoordinate, 1},                                           \
    {                                                                                                                  \
        "TextureSize", Format::Float2, Semantic::TextureCoordinate, 2                                                  \
    }

const VertexElement IndicatorInputs[] = {TRANSFORM_INPUTS, {"Color", Format::Color, Semantic::Color, 0}};
const VertexElement BackgroundColorInputs[] = {{"Position", Format::Float2, Semantic::Position, 0},
                                               {"Color", Format::Color, Semantic::Color, 0}};
const VertexElement TransformDepthInputs[] = {TRANSFORM_INPUTS, {"Depth", Format::Float, Semantic::Position, 1}};
const VertexElement PositionDepthInputs[] = {POSITION_INPUTS, {"Depth", Format::Float, Semantic::Position, 3}};
const VertexElement PositionTimeInputs[] = {POSITION_INPUTS, {"Time", Format::Float, Semantic::Named, 0}};
const VertexElement TransformTimeInputs[] = {TRANSFORM_INPUTS, {"Time", Format::Float, Semantic::Named, 0}};
const VertexElement EraseInputs[] = {TRANSFORM_INPUTS,
                                     {"DrawInPosition", Format::Float2, Semantic::TextureCoordinate, 3},
                                     {"DrawInSize", Format::Float2, Semantic::TextureCoordinate, 4},
                                     {"Time", Format::Float, Semantic::Named, 0}};
const VertexElement EffectInputs[] = {
    TRANSFORM_INPUTS, {"Color", Format::Color, Semantic::Color, 0}, {"Depth", Format::Float, Semantic::Position, 1}};

#undef TRANSFORM_INPUTS
#undef POSITION_INPUTS

constexpr BlendState AlphaBlend{BlendFactor::SourceAlpha, BlendFactor::InverseSourceAlpha, BlendOperation::Add};
constexpr BlendState Premultiplied{BlendFactor::One, BlendFactor::InverseSourceAlpha, BlendOperation::Add};
constexpr BlendState Off{BlendFactor::One, BlendFactor::One, BlendOperation::None};

// Neither tested nor written: drawn in order over what is there.
constexpr DepthState Untested{0, 0, CompareFunction::Less};
constexpr DepthState WrittenAlways{1, 1, CompareFunction::Always};
constexpr DepthState TestedLess{1, 0, CompareFunction::Less};

constexpr SamplerState PointClamp{SamplerFilter::Point, SamplerAddress::Clamp, SamplerAddress::Clamp};
constexpr SamplerState LinearClamp{SamplerFilter::Linear, SamplerAddress::Clamp, SamplerAddress::Clamp};
constexpr SamplerState LinearWrapU{SamplerFilter::Linear, SamplerAddress::Wrap, SamplerAddress::Clamp};
constexpr SamplerState LinearWrapV{SamplerFilter::Linear, SamplerAddress::Clamp, SamplerAddress::Wrap};
constexpr SamplerState LinearWrap{SamplerFilter::Linear, SamplerAddress::Wrap, SamplerAddress::Wrap};

GameMaterialDescription Make(std::string_view name, std::string_view shader, BlendState blend, const DepthState* depth,
                             const SamplerState* sampler, std::span<const VertexElement> vertexInputs,
                             std::span<const VertexElement> instanceInputs = {})
{
    GameMaterialDescription description;
    description.name = name;
    description.shader = shader;
    description.colorBlend = blend;
    description.alphaBlend = blend;
    description.setsDepth = depth != nullptr;
    if (depth)
        description.depth = *depth;
    description.hasSampler = sampler != nullptr;
    if (sampler)
        description.sampler = *sampler;
    description.vertexInputs = vertexInputs;
    description.instanceInputs = instanceInputs;
    return description;
}

const std::array<GameMaterialDescription, size_t(GameMaterial::Count)>& Descriptions()
{
    static const std::array<GameMaterialDescription, size_t(GameMaterial::Count)> descriptions = {
        Make("GameTargetMaterial", "Assets/Rendering/GameTargetMaterial.hlsl", Off, nullptr, &PointClamp, QuadInputs),
        Make("IndicatorMaterial", "Assets/Rendering/IndicatorMaterial.hlsl", AlphaBlend, nullptr, &LinearClamp,
             QuadInputs, IndicatorInputs),
        Make("BackgroundColorMaterial", "Assets/Rendering/BackgroundColorMaterial.hlsl", AlphaBlend, nullptr, nullptr,
             BackgroundColorInputs),
        Make("BackgroundScrollNoneMaterial", "Assets/Rendering/BackgroundTextureMaterial.hlsl", AlphaBlend, nullptr,
             &LinearClamp, QuadInputs),
        Make("BackgroundScrollXMaterial", "Assets/Rendering/BackgroundTextureMaterial.hlsl", AlphaBlend, nullptr,
             &LinearWrapU, QuadInputs),
        Make("BackgroundScrollYMaterial", "Assets/Rendering/BackgroundTextureMaterial.hlsl", AlphaBlend, nullptr,
             &LinearWrapV, QuadInputs),
        Make("BackgroundScrollBothMaterial", "Assets/Rendering/BackgroundTextureMaterial.hlsl", AlphaBlend, nullptr,
             &LinearWrap, QuadInputs),
        Make("ThemeObjectMaterial", "Assets/Rendering/TransformMaterial.hlsl", AlphaBlend, &Untested, &LinearClamp,
             QuadInputs, TransformDepthInputs),
        Make("PositionMaterial", "Assets/Rendering/PositionMaterial.hlsl", Premultiplied, &WrittenAlways, &LinearWrapU,
             QuadInputs, PositionDepthInputs),
        Make("PositionDrawMaterial", "Assets/Rendering/PositionDrawMaterial.hlsl", Premultiplied, &Untested,
             &LinearWrapU, QuadInputs, PositionTimeInputs),
        Make("TransformMaterial", "Assets/Rendering/TransformMaterial.hlsl", Premultiplied, &WrittenAlways,
             &LinearClamp, QuadInputs, TransformDepthInputs),
        Make("DrawInMaterial", "Assets/Rendering/DrawInMaterial.hlsl", Premultiplied, &Untested, &LinearClamp,
             QuadInputs, TransformTimeInputs),
        Make("EraseMaterial", "Assets/Rendering/EraseMaterial.hlsl", Premultiplied, &Untested, &LinearClamp, QuadInputs,
             EraseInputs),
        Make("EffectMaterial", "Assets/Rendering/EffectMaterial.hlsl", Premultiplied, &TestedLess, &LinearClamp,
             QuadInputs, EffectInputs),
    };
    return descriptions;
}

} // namespace

namespace GameMaterials
{

const GameMaterialDescription& Describe(GameMaterial material)
{
    return Descriptions()[static_cast<size_t>(material)];
}

uint32_t Slot(GameMaterial material)
{
    return NameTableC().Add(Describe(material).name);
}

bool Create(GraphicsDevice& device, GameMaterial which)
{
    const GameMaterialDescription& description = Describe(which);
    const uint32_t slot = Slot(which);
    Material* material = device.CreateMaterial(slot);
    if (!material)
    {
        Log::Write("the material {} exists already or cannot be made", description.name);
        return false;
    }
    material->Load(description.shader);
    const bool loaded = material->handle.IsLoaded();
    if (!loaded)
        Log::Write("the shader {} did not load: what {} draws stays blank", description.shader, description.name);
    material->SetBlend(description.colorBlend, description.alphaBlend);
    if (description.setsDepth)
        material->SetDepthState(description.depth);
    if (description.hasSampler)
        material->SetSampler(description.sampler);
    material->vertexElements.assign(description.vertexInputs.begin(), description.vertexInputs.end());
    material->instanceElements.assign(description.instanceInputs.begin(), description.instanceInputs.end());
    material->FinishChanges();
    return loaded;
}

} // namespace GameMaterials
