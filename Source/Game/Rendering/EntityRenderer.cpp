#include "Source/Game/Rendering/EntityRenderer.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/HazardData.h"
#include "Source/Data/InteractionData.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/WeaponData.h"
#include "Source/Data/ZoneData.h"
#include "Source/Game/Loader.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/Game/Rendering/RenderMaterials.h"
#include "Source/Game/Rendering/SpriteGeometry.h"
#include "Source/World/Bone.h"
#include "Source/World/GameContext.h"
#include "Source/World/Part.h"
#include "Source/World/PlayerRenderable.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

void EntityRenderer::Load(GraphicsDevice& device, TextureRegion* worldRoot, TextureRegion* drawRoot,
                          Loader::StreamingAtlasInfo* icons)
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
    log.Clear();
    if (!context.registry)
        return;
    DataRegistry& registry = *context.registry;
    theme = registry.themes.Get(context.configuration.theme);
    Texture* world = worldRoot ? worldRoot->texture : nullptr;
    Texture* draw = drawRoot ? drawRoot->texture : nullptr;
    if (!world || !draw)
        return;
    const auto load = [&](Data* definition, bool withIcons)
    {
        if (!definition)
            return;
        definition->Load(*world, *draw);
        if (withIcons)
            RequestIcons(device, *definition, icons);
    };
    load(registry.maps.Get(context.configuration.map), false);
    load(registry.gameTypes.Get(context.configuration.gameType), false);
    // A carrier's indicator shows the icon of the flag or token it holds; the mode loads the items'
    // own images.
    for (const auto& item : registry.items.GetItems())
        RequestIcons(device, *item, icons);
    for (uint32_t weapon : context.configuration.CollectWeaponIds())
        if (WeaponData* data = registry.weapons.Get(weapon))
        {
            load(data, true);
            load(const_cast<ProjectileData*>(data->projectile), false);
        }
    if (!context.world)
        return;
    for (const Hazard& hazard : context.world->hazards.View())
        load(const_cast<HazardData*>(hazard.data), false);
    for (const Interaction& interaction : context.world->interactions.View())
        load(const_cast<InteractionData*>(interaction.data), false);
    for (const Zone& zone : context.world->zones.View())
        load(const_cast<ZoneData*>(zone.data), false);
}

void EntityRenderer::RequestIcons(GraphicsDevice& device, const Data& definition, Loader::StreamingAtlasInfo* icons)
{
    if (!icons)
        return;
    icons->RequestTextureRegion(&device, definition.icon, definition.GetAssetPath("IconImage", ".png"));
    icons->RequestTextureRegion(&device, definition.sketch, definition.GetAssetPath("IconSketch", ".png"));
}

std::vector<Data*> EntityRenderer::CollectPlayerDefinitions() const
{
    std::vector<Data*> definitions;
    if (!context.registry)
        return definitions;
    DataRegistry& registry = *context.registry;
    const auto add = [&](Data* definition)
    {
        if (definition && std::find(definitions.begin(), definitions.end(), definition) == definitions.end())
            definitions.push_back(definition);
    };
    for (const auto& character : registry.characters.GetItems())
        add(character.get());
    const PartIds parts = context.configuration.CollectPartIds();
    for (uint32_t id : parts.heads)
        add(registry.heads.Get(id));
    for (uint32_t id : parts.cores)
        add(registry.cores.Get(id));
    for (uint32_t id : parts.arms)
        add(registry.arms.Get(id));
    for (uint32_t id : parts.legs)
        add(registry.legs.Get(id));
    // A slot that names no part (or a random one) wears what its loadout resolved to.
    if (context.world)
        for (const Player& player : context.world->players)
            for (uint32_t position = 0; position < Loadout::PartCount; ++position)
                if (const Part* part = player.GetPart(position); part && part->data)
                    add(const_cast<PartData*>(part->data));
    return definitions;
}

void EntityRenderer::LoadPlayerTextures(GraphicsDevice& device, TextureRegion* worldRoot, TextureRegion* drawRoot,
                                        Loader::StreamingAtlasInfo* icons)
{
    if (!worldRoot || !drawRoot || !worldRoot->texture || !drawRoot->texture)
        return;
    playerDefinitions = CollectPlayerDefinitions();
    for (Data* definition : playerDefinitions)
    {
        definition->Load(*worldRoot->texture, *drawRoot->texture);
        // Characters have no icons of their own.
        if (!dynamic_cast<CharacterData*>(definition))
            RequestIcons(device, *definition, icons);
    }
}

void EntityRenderer::RequestLoadoutIcons(GraphicsDevice& device, const Loadout& loadout,
                                         Loader::StreamingAtlasInfo* icons)
{
    if (!context.registry)
        return;
    DataRegistry& registry = *context.registry;
    const Data* parts[] = {registry.heads.Get(loadout[0]), registry.cores.Get(loadout[1]),
                           registry.arms.Get(loadout[2]), registry.legs.Get(loadout[3])};
    for (const Data* part : parts)
        if (part)
            RequestIcons(device, *part, icons);
}

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
    if (!context.registry)
        return;
    DataRegistry& registry = *context.registry;
    const auto unload = [](Data* definition)
    {
        if (definition)
            definition->Unload();
    };
    unload(registry.maps.Get(context.configuration.map));
    unload(registry.gameTypes.Get(context.configuration.gameType));
    // What the render-resource loader loaded, each once.
    for (Data* definition : playerDefinitions)
        unload(definition);
    playerDefinitions.clear();
    for (uint32_t weapon : context.configuration.CollectWeaponIds())
        if (WeaponData* data = registry.weapons.Get(weapon))
        {
            unload(data);
            unload(const_cast<ProjectileData*>(data->projectile));
        }
}

void EntityRenderer::BeginFrame()
{
    for (Geometry* buffer : {effectInstances, platformInstances, entityInstances, drawInInstances, eraseInstances})
        Empty(buffer);
    effects = platforms = firstGroup = secondGroup = drawIn = erase = {};
}

namespace
{

// What a view sees, with half a unit to spare on every side.
Rectangle VisibleArea(const CameraView& view)
{
    const Vector2 position = view.Position();
    const Vector2 extent = view.Extent();
    return {position.x - (extent.x + 1.0f) * 0.5f, position.y - (extent.y + 1.0f) * 0.5f, extent.x + 1.0f,
            extent.y + 1.0f};
}

void PutPositions(Geometry& buffer, const PositionInstance* instances, uint32_t count)
{
    if (count == 0)
        return;
    const GraphicsBufferRange range = GraphicsBuffer::Allocate(buffer, sizeof(PositionInstance), count);
    if (range.bytes)
        std::memcpy(range.bytes, instances, size_t(count) * sizeof(PositionInstance));
}

TextureRectangle RectangleOf(const UvRectangle& uv)
{
    return {uv.x, uv.y, uv.width, uv.height};
}

// The region of an id in a texture that has been sized; null otherwise, and for no id (which would
// find the whole texture's region).
const TextureRegion* FindRegion(const Texture* texture, uint32_t id)
{
    const TextureRegion* region = texture && id != InvalidId ? texture->GetRegion(id) : nullptr;
    return region && region->uv.width >= 0.0f && region->uv.height >= 0.0f ? region : nullptr;
}

// A frame of a frames region, the whole texture for a frame past its list, the region itself
// otherwise.
TextureRectangle FrameOf(const TextureRegion& region, uint32_t frame)
{
    if (frame != InvalidId)
        if (const auto* frames = dynamic_cast<const TextureFramesRegion*>(&region))
            return frame < frames->frames.size() ? RectangleOf(frames->frames[frame]) : TextureRectangle{};
    return RectangleOf(region.uv);
}

} // namespace

void EntityRenderer::DrawPlatformsDrawIn(const CameraView& view, const Texture* platformAtlas, float progress)
{
    const uint32_t first =
        platformInstances ? RenderBuffers::CountRecords(*platformInstances, PositionInstanceSize) : 0;
    platforms = {first, 0};
    if (!platformInstances || !context.world)
        return;
    const auto* outline =
        platformAtlas ? platformAtlas->FindRegion<TextureNineSliceRegion>(Images::PlatformDraw) : nullptr;
    if (!outline)
    {
        if (log.First(platformAtlas, 0))
            Log::Write("the platform texture has no outline region PlatformDraw: platforms draw in unseen");
        return;
    }
    const QueryResult<Platform> visible = context.world->platformGrid.Query(VisibleArea(view));
    if (visible.count == 0)
        return;
    scratchPositions.resize(size_t(visible.count) * 8);
    PositionInstance* out = scratchPositions.data();
    for (Platform& platform : visible)
    {
        PlatformGeometry::WriteOutline(out, platform.GetBody().GetBounds(), *outline, progress);
        out += 8;
    }
    PutPositions(*platformInstances, scratchPositions.data(), visible.count * 8);
    platforms.count = RenderBuffers::CountRecords(*platformInstances, PositionInstanceSize) - first;
}

void EntityRenderer::DrawPlatforms(const CameraView& view, const Texture* platformAtlas, float alpha, float dt)
{
    const uint32_t first =
        platformInstances ? RenderBuffers::CountRecords(*platformInstances, PositionInstanceSize) : 0;
    platforms = {first, 0};
    if (!platformInstances || !platformAtlas || !theme || !context.world)
        return;
    for (std::vector<Platform*>* list : {&oneWayStatic, &oneWayMoving, &solidMoving, &solidStatic})
        list->clear();
    for (Platform& platform : context.world->platformGrid.Query(VisibleArea(view)))
    {
        if (!platform.GetBody().active || platform.hidden || !platform.renderable)
            continue;
        if (platform.oneWay)
            (platform.moving ? oneWayMoving : oneWayStatic).push_back(&platform);
        else
            (platform.moving ? solidMoving : solidStatic).push_back(&platform);
    }
    // The higher one-way platform first, so that the lower one covers it.
    const auto higherFirst = [](const Platform* a, const Platform* b)
    {
        const Rectangle ba = a->GetBody().GetBounds(), bb = b->GetBody().GetBounds();
        return ba.y + ba.height > bb.y + bb.height;
    };
    std::stable_sort(oneWayStatic.begin(), oneWayStatic.end(), higherFirst);
    std::stable_sort(oneWayMoving.begin(), oneWayMoving.end(), higherFirst);
    const PlatformDrawTarget target{*platformInstances, *platformAtlas, *theme, log};
    for (std::vector<Platform*>* list : {&oneWayStatic, &oneWayMoving, &solidMoving, &solidStatic})
    {
        const bool moving = list == &oneWayMoving || list == &solidMoving;
        for (Platform* platform : *list)
            platform->renderable->Draw(*platform, target, moving ? alpha : 1.0f, dt);
    }
    platforms.count = RenderBuffers::CountRecords(*platformInstances, PositionInstanceSize) - first;
}

void EntityRenderer::DrawSprite(const ImageInstance* image, const Body& body, const Texture* worldAtlas, float alpha)
{
    if (!image || !image->visible || !entityInstances)
        return;
    const TextureRegion* region = FindRegion(worldAtlas, image->region);
    if (!region)
    {
        if (image->region != InvalidId && log.First(worldAtlas, 0x10000000u + image->region))
            Log::Write("the sprite {} is missing from the world atlas", NameTableA().GetName(image->region));
        return;
    }
    const float width = body.width, height = body.height;
    if (!(std::fabs(width) > 0.0f) || !(std::fabs(height) > 0.0f) || !std::isfinite(width) || !std::isfinite(height))
        return;
    const Matrix3x3 quad = body.GetInterpolatedTransform(alpha);
    scratchParts.clear();
    if (const auto* nine = dynamic_cast<const TextureNineSliceRegion*>(region))
    {
        if (SpriteGeometry::IsUsableTile(image->tileSize))
            SpriteGeometry::AppendNineSlice(*nine, width, height, image->tileSize, image->tileHorizontally != 0,
                                            image->tileVertically != 0, scratchParts);
        else
        {
            // A tile size that tiles nothing: the picture once, stretched over the quad.
            if (log.First(worldAtlas, 0x20000000u + image->region))
                Log::Write("the sprite {} has the tile size {}: it is drawn once, stretched",
                           NameTableA().GetName(image->region), image->tileSize);
            scratchParts.push_back({0.0f, 0.0f, width, height, RectangleOf(region->uv)});
        }
    }
    else if ((image->tileHorizontally || image->tileVertically) && SpriteGeometry::IsUsableTile(image->tileSize) &&
             !dynamic_cast<const TextureFramesRegion*>(region))
        SpriteGeometry::AppendPlainTiles(RectangleOf(region->uv), region->width, region->height, width, height,
                                         image->tileSize, image->tileHorizontally != 0, image->tileVertically != 0,
                                         scratchParts);
    else
        scratchParts.push_back({0.0f, 0.0f, width, height, FrameOf(*region, image->firstIndex)});
    const RenderAllocation<TransformInstance> written =
        RenderBuffers::AllocateTransforms(*entityInstances, static_cast<uint32_t>(scratchParts.size()));
    for (size_t i = 0; i < written.size(); ++i)
    {
        written[i].transform = RenderMatrix::From(SpriteGeometry::PartTransform(scratchParts[i], width, height, quad));
        written[i].texture = scratchParts[i].texture;
        written[i].depth = image->depth;
    }
}

void EntityRenderer::DrawSkeleton(Player& player, const Texture* worldAtlas, float alpha)
{
    PlayerRenderable* visual = player.visual.get();
    if (!visual || !player.GetBody().active || !entityInstances)
        return;
    PlayerBody& body = player.GetBody();
    // A player moved by a re-simulation eases to where it now is there (PlayerBody::EaseCorrection).
    const Vector2 shown = body.GetInterpolatedPosition(alpha);
    const Vector2 shift = shown - body.skeleton.position;
    for (Bone* root : {&body.skeleton, &body.leftPickup, &body.rightPickup})
    {
        root->renderPosition = root->position + shift;
        root->MarkDirty();
    }
    const std::vector<Bone*>& bones = player.IsFacingLeft() ? visual->leftBones : visual->rightBones;
    const float depth = 25.0f + 3.0f * player.index;
    for (Bone* bone : bones)
    {
        const TextureRegion* region = FindRegion(worldAtlas, bone->region);
        if (!region)
            continue;
        const RenderAllocation<TransformInstance> written = RenderBuffers::AllocateTransforms(*entityInstances, 1);
        if (written.empty())
            return;
        written[0].transform = RenderMatrix::From(bone->GetRenderTransform());
        written[0].texture = FrameOf(*region, bone->frame);
        written[0].depth = depth;
    }
}

Vector2 GetBodyVelocity(const Body& body)
{
    if (const auto* moving = dynamic_cast<const MovingBody*>(&body))
        return {moving->velocityX, moving->velocityY};
    // Bodies the world places every tick move by what they moved in the last one.
    return {(body.x - body.previousX) / Lumvek::TickSeconds, (body.y - body.previousY) / Lumvek::TickSeconds};
}

void EntityRenderer::AdvanceEffects(float alpha, float dt)
{
    World* world = context.world;
    if (!world)
        return;
    const auto advance = [alpha, dt](Effects::ParticleSystem* effect, const Body& body)
    {
        if (!effect || !body.active)
            return;
        const Vector2 position = body.GetInterpolatedPosition(alpha);
        effect->x = position.x;
        effect->y = position.y;
        const Vector2 velocity = GetBodyVelocity(body);
        effect->velocityX = velocity.x;
        effect->velocityY = velocity.y;
        if (const auto* turning = dynamic_cast<const TransformBody*>(&body))
            effect->rotation = turning->rotation;
        effect->Advance(dt);
    };
    for (Zone& zone : world->GetZones())
        advance(zone.effect.get(), zone.GetBody());
    for (Hazard& hazard : world->GetHazards())
        advance(hazard.effect.get(), hazard.GetBody());
    for (Visual& visual : world->visuals.View())
        advance(visual.effect.get(), visual.GetBody());
}

void EntityRenderer::DrawEffect(Effects::ParticleSystem* effect, const Body& body, float depth,
                                const Texture* effectAtlas)
{
    if (!effect || !effectAtlas || !effectInstances || !body.active)
        return;
    effect->Render(*effectAtlas, depth, *effectInstances);
}

void EntityRenderer::DrawEntities(const CameraView& view, const Texture* worldAtlas, const Texture* drawAtlas,
                                  const Texture* effectAtlas, float alpha)
{
    const uint32_t entity = entityInstances ? RenderBuffers::CountRecords(*entityInstances, TransformInstanceSize) : 0;
    firstGroup = {entity, 0};
    secondGroup = {entity, 0};
    drawIn = {drawInInstances ? RenderBuffers::CountRecords(*drawInInstances, TransformInstanceSize) : 0, 0};
    erase = {eraseInstances ? RenderBuffers::CountRecords(*eraseInstances, EraseInstanceSize) : 0, 0};
    effects = {effectInstances ? RenderBuffers::CountRecords(*effectInstances, EffectInstanceSize) : 0, 0};
    World* world = context.world;
    if (!world || !entityInstances || !drawInInstances || !eraseInstances || !effectInstances)
        return;
    const Rectangle area = VisibleArea(view);

    // Records whose body is no longer active (taken out by an editor, or on their way out) are in no
    // query's answer; the checks below keep it so for what is walked directly.
    const QueryResult<Hazard> hazards = world->hazardGrid.Query(area);
    const QueryResult<Interaction> interactions = world->interactionGrid.Query(area);
    const QueryResult<Pickup> pickups = world->pickupGrid.Query(area);
    const QueryResult<Projectile> projectiles = world->projectileGrid.Query(area);
    const QueryResult<Trigger> triggers = world->triggerGrid.Query(area);
    const QueryResult<Visual> visuals = world->visualGrid.Query(area);
    const QueryResult<Zone> zones = world->zoneGrid.Query(area);

    for (const Zone& zone : zones)
        DrawSprite(zone.image.get(), zone.GetBody(), worldAtlas, alpha);
    for (const Hazard& hazard : hazards)
        DrawSprite(hazard.image.get(), hazard.GetBody(), worldAtlas, alpha);
    for (const Interaction& interaction : interactions)
        DrawSprite(interaction.image.get(), interaction.GetBody(), worldAtlas, alpha);
    for (const Pickup& pickup : pickups)
        if (pickup.image && pickup.image->firstLayer)
            DrawSprite(pickup.image.get(), pickup.GetBody(), worldAtlas, alpha);
    for (const Trigger& trigger : triggers)
        DrawSprite(trigger.image.get(), trigger.GetBody(), worldAtlas, alpha);

    bool ownDrawn = false;
    for (Player* player : world->activePlayers)
    {
        if (!player || !player->GetBody().active)
            continue;
        const Rectangle bounds = player->GetBody().GetBounds();
        if (!(bounds.x < area.x + area.width && area.x < bounds.x + bounds.width && bounds.y < area.y + area.height &&
              area.y < bounds.y + bounds.height))
            continue;
        DrawSkeleton(*player, worldAtlas, alpha);
        ownDrawn = ownDrawn || player == view.player;
    }
    // The view's own player is drawn wherever the camera has wandered.
    if (view.player && !ownDrawn)
        DrawSkeleton(*view.player, worldAtlas, alpha);

    for (const Pickup& pickup : pickups)
        if (pickup.image && pickup.image->secondLayer)
            DrawSprite(pickup.image.get(), pickup.GetBody(), worldAtlas, alpha);
    for (const Projectile& projectile : projectiles)
        DrawSprite(projectile.image.get(), projectile.GetBody(), worldAtlas, alpha);

    firstGroup.count = RenderBuffers::CountRecords(*entityInstances, TransformInstanceSize) - firstGroup.first;
    secondGroup.first = firstGroup.first + firstGroup.count;

    sortedVisuals.clear();
    for (Visual& visual : visuals)
        sortedVisuals.push_back(&visual);
    std::stable_sort(sortedVisuals.begin(), sortedVisuals.end(),
                     [](const Visual* a, const Visual* b)
                     { return (a->image ? a->image->layer : 0u) < (b->image ? b->image->layer : 0u); });
    for (Visual* visual : sortedVisuals)
    {
        const ImageInstance* image = visual->image.get();
        if (!image || !visual->GetBody().active)
            continue;
        if (image->erasing)
            DrawErase(*image, visual->GetBody(), worldAtlas, alpha);
        // An image without a drawing to sketch it in with shows as it is.
        else if (image->drawIn && FindRegion(drawAtlas, image->region))
            DrawDrawIn(*image, visual->GetBody(), drawAtlas, alpha);
        else
            DrawSprite(image, visual->GetBody(), worldAtlas, alpha);
    }
    secondGroup.count = RenderBuffers::CountRecords(*entityInstances, TransformInstanceSize) - secondGroup.first;
    drawIn.count = RenderBuffers::CountRecords(*drawInInstances, TransformInstanceSize) - drawIn.first;
    erase.count = RenderBuffers::CountRecords(*eraseInstances, EraseInstanceSize) - erase.first;

    for (const Zone& zone : zones)
        DrawEffect(zone.effect.get(), zone.GetBody(), 75.0f, effectAtlas);
    for (const Hazard& hazard : hazards)
        DrawEffect(hazard.effect.get(), hazard.GetBody(), 75.0f, effectAtlas);
    for (Visual* visual : sortedVisuals)
        DrawEffect(visual->effect.get(), visual->GetBody(), visual->effectDepth, effectAtlas);
    effects.count = RenderBuffers::CountRecords(*effectInstances, EffectInstanceSize) - effects.first;
}

void EntityRenderer::DrawDrawIn(const ImageInstance& image, const Body& body, const Texture* drawAtlas, float alpha)
{
    const TextureRegion* region = FindRegion(drawAtlas, image.region);
    if (!image.visible || !region)
        return;
    const RenderAllocation<TransformInstance> written = RenderBuffers::AllocateTransforms(*drawInInstances, 1);
    if (written.empty())
        return;
    written[0].transform = RenderMatrix::From(body.GetInterpolatedTransform(alpha));
    written[0].texture = FrameOf(*region, image.firstIndex);
    written[0].time = image.duration > 0.0f ? std::clamp(image.elapsed / image.duration, 0.0f, 1.0f) : 1.0f;
}

void EntityRenderer::DrawErase(const ImageInstance& image, const Body& body, const Texture* worldAtlas, float alpha)
{
    // Both pictures must exist: what is scribbled out and the scribble.
    const TextureRegion* region = FindRegion(worldAtlas, image.region);
    const TextureRegion* pattern = FindRegion(eraseAtlas, image.erasePattern);
    if (!image.visible || !region || !pattern)
        return;
    const RenderAllocation<EraseInstance> written = RenderBuffers::AllocateErase(*eraseInstances);
    if (written.empty())
        return;
    written[0].transform = RenderMatrix::From(body.GetInterpolatedTransform(alpha));
    written[0].texture = FrameOf(*region, image.firstIndex);
    written[0].pattern = RectangleOf(pattern->uv);
    written[0].time = image.duration > 0.0f ? std::clamp(image.elapsed / image.duration, 0.0f, 1.0f) : 0.0f;
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
