#include "Source/Game/Rendering/EntityRenderer.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Game/Rendering/RenderMaterials.h"
#include "Source/World/GameContext.h"

using namespace Lumvek;

namespace
{

Geometry* CreateInstances(GraphicsDevice& device, uint32_t slot)
{
    Geometry* geometry = device.CreateGeometry(slot, static_cast<uint32_t>(ResourceUsage::Dynamic), 0);
    if (geometry)
    {
        const auto lock = device.Lock();
        geometry->dataType = GeometryDataType::InstanceData;
    }
    return geometry;
}

void Empty(Geometry* buffer)
{
    if (buffer)
        RenderBuffers::Empty(*buffer, static_cast<uint32_t>(GeometryDataType::InstanceData));
}

} // namespace

EntityRenderer::EntityRenderer(GameContext& context)
    : context(context), effectInstancesId(NameTableC().Add("EffectInstance")),
      platformInstancesId(NameTableC().Add("PlatformInstance")), entityInstancesId(NameTableC().Add("EntityInstance")),
      drawInInstancesId(NameTableC().Add("DrawInInstance")), eraseInstancesId(NameTableC().Add("EraseInstance")),
      positionMaterial(GameMaterials::Slot(GameMaterial::Position)),
      positionDrawMaterial(GameMaterials::Slot(GameMaterial::PositionDraw)),
      transformMaterial(GameMaterials::Slot(GameMaterial::Transform)),
      drawInMaterial(GameMaterials::Slot(GameMaterial::DrawIn)),
      eraseMaterial(GameMaterials::Slot(GameMaterial::Erase)),
      effectMaterial(GameMaterials::Slot(GameMaterial::Effect)), eraseAtlasId(NameTableC().Add("EraseAtlas"))
{
}

EntityRenderer::~EntityRenderer() = default;

void EntityRenderer::Load(GraphicsDevice& device, TextureRegion*, TextureRegion*, Loader::StreamingAtlasInfo*)
{
    effectInstances = CreateInstances(device, effectInstancesId);
    platformInstances = CreateInstances(device, platformInstancesId);
    entityInstances = CreateInstances(device, entityInstancesId);
    drawInInstances = CreateInstances(device, drawInInstancesId);
    eraseInstances = CreateInstances(device, eraseInstancesId);
    for (GameMaterial material : {GameMaterial::Position, GameMaterial::PositionDraw, GameMaterial::Transform,
                                  GameMaterial::DrawIn, GameMaterial::Erase, GameMaterial::Effect})
        GameMaterials::Create(device, material);
    eraseAtlas = device.CreateTexture(eraseAtlasId, static_cast<uint32_t>(ResourceUsage::Static));
    if (eraseAtlas)
    {
        eraseAtlas->Load("Assets/Rendering/Erase.ltd");
        eraseAtlas->FinishChanges();
    }
    if (context.registry)
        theme = context.registry->themes.Get(context.configuration.theme);
}

void EntityRenderer::LoadPlayerTextures(GraphicsDevice&, TextureRegion*, TextureRegion*, Loader::StreamingAtlasInfo*) {}

void EntityRenderer::RequestLoadoutIcons(GraphicsDevice&, const Loadout&, Loader::StreamingAtlasInfo*) {}

void EntityRenderer::Unload(GraphicsDevice& device)
{
    for (uint32_t geometry :
         {effectInstancesId, platformInstancesId, entityInstancesId, drawInInstancesId, eraseInstancesId})
        device.DestroyResource(geometry, ResourceKind::Geometry);
    for (uint32_t material :
         {positionMaterial, positionDrawMaterial, transformMaterial, drawInMaterial, eraseMaterial, effectMaterial})
        device.DestroyResource(material, ResourceKind::Material);
    device.DestroyResource(eraseAtlasId, ResourceKind::Texture);
    effectInstances = platformInstances = entityInstances = drawInInstances = eraseInstances = nullptr;
    eraseAtlas = nullptr;
}

void EntityRenderer::BeginFrame()
{
    for (Geometry* buffer : {effectInstances, platformInstances, entityInstances, drawInInstances, eraseInstances})
        Empty(buffer);
    effects = platforms = firstGroup = secondGroup = drawIn = erase = {};
}

void EntityRenderer::DrawPlatformsDrawIn(const CameraView&, const Texture*, float)
{
    platforms = {platformInstances ? RenderBuffers::CountRecords(*platformInstances, PositionInstanceSize) : 0, 0};
}

void EntityRenderer::DrawPlatforms(const CameraView&, const Texture*, float, float)
{
    platforms = {platformInstances ? RenderBuffers::CountRecords(*platformInstances, PositionInstanceSize) : 0, 0};
}

void EntityRenderer::DrawEntities(const CameraView&, const Texture*, const Texture*, const Texture*, float, float)
{
    const uint32_t entity = entityInstances ? RenderBuffers::CountRecords(*entityInstances, TransformInstanceSize) : 0;
    firstGroup = {entity, 0};
    secondGroup = {entity, 0};
    drawIn = {drawInInstances ? RenderBuffers::CountRecords(*drawInInstances, TransformInstanceSize) : 0, 0};
    erase = {eraseInstances ? RenderBuffers::CountRecords(*eraseInstances, EraseInstanceSize) : 0, 0};
    effects = {effectInstances ? RenderBuffers::CountRecords(*effectInstances, EffectInstanceSize) : 0, 0};
}

void EntityRenderer::Compose(GraphicsDevice& device)
{
    using Command = GraphicsCommand;
    using Code = GraphicsCommandCode;
    std::vector<GraphicsCommand>& commands = device.GetCommands();
    commands.push_back(Command::Make(Code::SetTexture, GraphicsResources::WorldAtlas, 0));
    commands.push_back(Command::Make(Code::SetMaterial, transformMaterial));
    for (const RenderRange& group : {firstGroup, secondGroup})
        if (group.count != 0)
        {
            commands.push_back(Command::Make(Code::SetInstances, entityInstancesId, TransformInstanceSize));
            commands.push_back(Command::Make(Code::Draw, group.first, group.count));
        }
    if (drawIn.count != 0)
    {
        commands.push_back(Command::Make(Code::SetTexture, GraphicsResources::DrawAtlas, 0));
        commands.push_back(Command::Make(Code::SetMaterial, drawInMaterial));
        commands.push_back(Command::Make(Code::SetInstances, drawInInstancesId, TransformInstanceSize));
        commands.push_back(Command::Make(Code::Draw, drawIn.first, drawIn.count));
    }
    if (erase.count > 0)
    {
        commands.push_back(Command::Make(Code::SetTexture, GraphicsResources::WorldAtlas, 0));
        commands.push_back(Command::Make(Code::SetTexture, eraseAtlasId, 1));
        commands.push_back(Command::Make(Code::SetMaterial, eraseMaterial));
        commands.push_back(Command::Make(Code::SetInstances, eraseInstancesId, EraseInstanceSize));
        commands.push_back(Command::Make(Code::Draw, erase.first, erase.count));
        commands.push_back(Command::Make(Code::SetTexture, InvalidId, 1));
    }
}
