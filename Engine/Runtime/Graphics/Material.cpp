#include "Engine/Runtime/Graphics/Material.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"

namespace Lumvek
{

Material::~Material() = default;

void Material::ReleaseData()
{
    vertexCode = Buffer();
    geometryCode = Buffer();
    pixelCode = Buffer();
}

void Material::Load(StringView paths)
{
    path = paths.ToString();
    FileManager* files = table ? table->files : nullptr;
    if (!files)
    {
        Log::Write("no file manager to load {}", paths);
        handle = FormatHandle();
        return;
    }
    // The new handle replaces the old one, which releases the old watch.
    handle = files->LoadFromAny(path, *this, NameTableB().GetName(id), table->watch != 0);
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
