#include "Source/Game/Rendering/BackgroundRenderer.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Rendering/RenderMaterials.h"
#include "Source/World/GameContext.h"

using namespace Lumvek;

namespace
{

Geometry* CreateBuffer(GraphicsDevice& device, uint32_t slot, GeometryDataType type)
{
    Geometry* geometry = device.CreateGeometry(slot, static_cast<uint32_t>(ResourceUsage::Dynamic), 0);
    if (geometry)
    {
        const auto lock = device.Lock();
        geometry->dataType = type;
    }
    return geometry;
}

} // namespace

BackgroundRenderer::BackgroundRenderer(GameContext& context)
    : context(context), colorMaterial(GameMaterials::Slot(GameMaterial::BackgroundColor)),
      scrollNoneMaterial(GameMaterials::Slot(GameMaterial::BackgroundScrollNone)),
      scrollXMaterial(GameMaterials::Slot(GameMaterial::BackgroundScrollX)),
      scrollYMaterial(GameMaterials::Slot(GameMaterial::BackgroundScrollY)),
      scrollBothMaterial(GameMaterials::Slot(GameMaterial::BackgroundScrollBoth)),
      themeObjectMaterial(GameMaterials::Slot(GameMaterial::ThemeObject)),
      verticesId(NameTableC().Add("BackgroundVertices")), indicesId(NameTableC().Add("BackgroundIndices")),
      objectInstancesId(NameTableC().Add("ThemeObjectInstances"))
{
    drawList.Add();
}

BackgroundRenderer::~BackgroundRenderer() = default;

void BackgroundRenderer::Load(GraphicsDevice& device, TextureRegion*, Texture*)
{
    vertices = CreateBuffer(device, verticesId, GeometryDataType::TriangleList);
    indices = CreateBuffer(device, indicesId, GeometryDataType::IndexList);
    objectInstances = CreateBuffer(device, objectInstancesId, GeometryDataType::InstanceData);
    if (context.registry)
        theme = context.registry->themes.Get(context.configuration.theme);
    for (GameMaterial material :
         {GameMaterial::BackgroundColor, GameMaterial::BackgroundScrollNone, GameMaterial::BackgroundScrollX,
          GameMaterial::BackgroundScrollY, GameMaterial::BackgroundScrollBoth, GameMaterial::ThemeObject})
        GameMaterials::Create(device, material);
}

void BackgroundRenderer::Unload(GraphicsDevice& device)
{
    for (uint32_t material :
         {colorMaterial, scrollNoneMaterial, scrollXMaterial, scrollYMaterial, scrollBothMaterial, themeObjectMaterial})
        device.DestroyResource(material, ResourceKind::Material);
    for (uint32_t geometry : {verticesId, indicesId, objectInstancesId})
        device.DestroyResource(geometry, ResourceKind::Geometry);
    vertices = nullptr;
    indices = nullptr;
    objectInstances = nullptr;
}

void BackgroundRenderer::BeginFrame()
{
    if (vertices)
        RenderBuffers::Empty(*vertices, static_cast<uint32_t>(GeometryDataType::TriangleList));
    if (indices)
        RenderBuffers::Empty(*indices, static_cast<uint32_t>(GeometryDataType::IndexList));
    if (objectInstances)
        RenderBuffers::Empty(*objectInstances, static_cast<uint32_t>(GeometryDataType::InstanceData));
    objectFirst = 0;
    objectCount = 0;
}

void BackgroundRenderer::DrawBackgrounds(const CameraView&, const std::vector<ThemeBackground>&) {}

void BackgroundRenderer::DrawObjects(const Texture*, const CameraView&)
{
    objectFirst = objectInstances ? RenderBuffers::CountRecords(*objectInstances, TransformInstanceSize) : 0;
    objectCount = 0;
}
