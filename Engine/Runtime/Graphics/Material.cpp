#include "Engine/Runtime/Graphics/Material.h"

namespace Lumvek
{

Material::~Material() = default;

void Material::ReleaseData()
{
    vertexCode = Buffer();
    geometryCode = Buffer();
    pixelCode = Buffer();
}

void Material::AddVertexInput(StringView name, VertexElementFormat format, VertexSemantic semantic,
                              uint32_t semanticIndex)
{
    vertexElements.push_back({name.ToString(), format, semantic, semanticIndex});
    MarkChanged();
}

void Material::AddInstanceInput(StringView name, VertexElementFormat format, VertexSemantic semantic,
                                uint32_t semanticIndex)
{
    instanceElements.push_back({name.ToString(), format, semantic, semanticIndex});
    MarkChanged();
}

void Material::SetBlend(const BlendState& color, const BlendState& alpha)
{
    colorBlend = color;
    alphaBlend = alpha;
    MarkChanged();
}

void Material::SetDepthState(const DepthState& state)
{
    depth = state;
    MarkChanged();
}

void Material::SetSampler(const SamplerState& sampler)
{
    if (samplers.empty())
        samplers.emplace_back();
    samplers.front() = sampler;
    MarkChanged();
}

} // namespace Lumvek
