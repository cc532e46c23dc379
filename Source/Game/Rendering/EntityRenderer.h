#pragma once

#include "Source/Game/Rendering/RenderRecords.h"
#include "Source/Game/Rendering/SpriteGeometry.h"
#include "Source/World/PlatformRenderable.h"

#include <cstdint>
#include <vector>

namespace Lumvek
{
namespace Effects
{
class ParticleSystem;
}
class Geometry;
class GraphicsDevice;
class Texture;
class TextureRegion;
} // namespace Lumvek

namespace Loader
{
class StreamingAtlasInfo;
}

class Body;
class CameraView;
class Data;
class GameContext;
class Player;
struct ImageInstance;
struct Loadout;
struct Platform;
struct Visual;
class ThemeData;

// Draws what lives in the world: the platforms, the sprites of zones, hazards, interactions, pickups,
// triggers, projectiles and visuals, the players' skeletons, sprites drawn in or erased, and particle
// effects. Loads the textures of the match's definitions. Part of the GameRenderer: loaded on the
// loader threads, drawn on the application thread.
class EntityRenderer
{
public:
    explicit EntityRenderer(GameContext& context);
    EntityRenderer(const EntityRenderer&) = delete;
    EntityRenderer& operator=(const EntityRenderer&) = delete;
    ~EntityRenderer();

    // Match loader thread: the instance buffers, the materials, the erase patterns and the atlas
    // regions of the match's definitions, asking the icon atlas for their icons.
    void Load(Lumvek::GraphicsDevice& device, Lumvek::TextureRegion* worldRoot, Lumvek::TextureRegion* drawRoot,
              Loader::StreamingAtlasInfo* icons);
    // Render-resource loader thread: the characters and parts of the players into the two atlases.
    void LoadPlayerTextures(Lumvek::GraphicsDevice& device, Lumvek::TextureRegion* worldRoot,
                            Lumvek::TextureRegion* drawRoot, Loader::StreamingAtlasInfo* icons);
    // Application thread, when play begins: the icons of a loadout's parts.
    void RequestLoadoutIcons(Lumvek::GraphicsDevice& device, const Loadout& loadout, Loader::StreamingAtlasInfo* icons);
    // Leaving the match: removes what Load made and unloads the definitions' regions.
    void Unload(Lumvek::GraphicsDevice& device);
    // Empties the frame's five instance buffers and the ranges.
    void BeginFrame();

    // Once a frame in play, before the views draw: every effect of the world follows its body and runs
    // by dt, in a view or not, so that an effect nobody watches still ends on time.
    void AdvanceEffects(float alpha, float dt);
    // One view, in the draw-in phase: the outlines of the visible platforms; sets platforms.
    void DrawPlatformsDrawIn(const CameraView& view, const Lumvek::Texture* platformAtlas, float progress);
    // One view, in play: the tiles of the visible platforms; sets platforms.
    void DrawPlatforms(const CameraView& view, const Lumvek::Texture* platformAtlas, float alpha, float dt);
    // One view, in play: sprites, skeletons, drawn-in and erased sprites, effects; sets the other ranges.
    void DrawEntities(const CameraView& view, const Lumvek::Texture* worldAtlas, const Lumvek::Texture* drawAtlas,
                      const Lumvek::Texture* effectAtlas, float alpha);
    // The current view's entity draws, appended after its platform draw.
    void Compose(Lumvek::GraphicsDevice& device);

    // The routines of DrawEntities, one entity each.
    // The sprite of an image on a body: one quad, or the tiled parts of a nine-slice picture.
    void DrawSprite(const ImageInstance* image, const Body& body, const Lumvek::Texture* worldAtlas, float alpha);
    // A player's character, bone by bone in the draw order of the way it faces.
    void DrawSkeleton(Player& player, const Lumvek::Texture* worldAtlas, float alpha);
    void DrawDrawIn(const ImageInstance& image, const Body& body, const Lumvek::Texture* drawAtlas, float alpha);
    void DrawErase(const ImageInstance& image, const Body& body, const Lumvek::Texture* worldAtlas, float alpha);
    // Writes the live particles of the effect, which AdvanceEffects placed and ran.
    void DrawEffect(Lumvek::Effects::ParticleSystem* effect, const Body& body, float depth,
                    const Lumvek::Texture* effectAtlas);
    // Asks the icon atlas for a definition's icon and sketch.
    static void RequestIcons(Lumvek::GraphicsDevice& device, const Data& definition, Loader::StreamingAtlasInfo* icons);

    // Not owned.
    GameContext& context;
    const ThemeData* theme = nullptr;

    // Device slots.
    uint32_t effectInstancesId;
    uint32_t platformInstancesId;
    uint32_t entityInstancesId;
    uint32_t drawInInstancesId;
    uint32_t eraseInstancesId;
    uint32_t positionMaterial;
    uint32_t positionDrawMaterial;
    uint32_t transformMaterial;
    uint32_t drawInMaterial;
    uint32_t eraseMaterial;
    uint32_t effectMaterial;
    uint32_t eraseAtlasId;

    // Device resources, not owned; null until loaded.
    Lumvek::Geometry* effectInstances = nullptr;
    Lumvek::Geometry* platformInstances = nullptr;
    Lumvek::Geometry* entityInstances = nullptr;
    Lumvek::Geometry* drawInInstances = nullptr;
    Lumvek::Geometry* eraseInstances = nullptr;
    Lumvek::Texture* eraseAtlas = nullptr;

    // The current view's ranges.
    RenderRange effects;
    RenderRange platforms;
    // Sprites up to the players' second layer, then the visuals drawn as plain sprites.
    RenderRange firstGroup;
    RenderRange secondGroup;
    RenderRange drawIn;
    RenderRange erase;

    // Complaints about content, said once per match.
    OnceLog log;

private:
    // The characters and parts of the match's players, each once.
    std::vector<Data*> CollectPlayerDefinitions() const;

    // What LoadPlayerTextures loaded, for Unload.
    std::vector<Data*> playerDefinitions;
    // Kept between frames so that drawing allocates nothing once warm. Application thread only.
    std::vector<Platform*> oneWayStatic;
    std::vector<Platform*> oneWayMoving;
    std::vector<Platform*> solidMoving;
    std::vector<Platform*> solidStatic;
    std::vector<PositionInstance> scratchPositions;
    std::vector<SpriteGeometry::Part> scratchParts;
    std::vector<Visual*> sortedVisuals;
};

// What a particle effect on the body moves with, in units per second: a moving body's own velocity,
// else what the body moved in the last tick.
Lumvek::Vector2 GetBodyVelocity(const Body& body);
