#include "Source/Game/Rendering/IndicatorRenderer.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Game/Rendering/RenderMaterials.h"
#include "Source/Game/Rendering/RenderRecords.h"

using namespace Lumvek;

IndicatorRenderer::IndicatorRenderer(GameContext& context)
    : context(context), materialId(NameTableC().Add("IndicatorMaterial")),
      instancesId(NameTableC().Add("IndicatorInstances"))
{
}

IndicatorRenderer::~IndicatorRenderer() = default;

void IndicatorRenderer::Load(GraphicsDevice& device)
{
    instances = device.CreateGeometry(instancesId, static_cast<uint32_t>(ResourceUsage::Dynamic), 0);
    if (instances)
    {
        const auto lock = device.Lock();
        instances->dataType = GeometryDataType::InstanceData;
    }
    GameMaterials::Create(device, GameMaterial::Indicator);
}

void IndicatorRenderer::Unload(GraphicsDevice& device)
{
    device.DestroyResource(materialId, ResourceKind::Material);
    device.DestroyResource(instancesId, ResourceKind::Geometry);
    instances = nullptr;
}

void IndicatorRenderer::BeginFrame()
{
    if (instances)
        RenderBuffers::Empty(*instances, static_cast<uint32_t>(GeometryDataType::InstanceData));
    indicatorFirst = 0;
    indicatorCount = 0;
}

void IndicatorRenderer::Draw(GraphicsDevice&, const CameraView&)
{
    indicatorFirst = instances ? RenderBuffers::CountRecords(*instances, TransformInstanceSize) : 0;
    indicatorCount = 0;
}
