#include "Source/Game/Rendering/GameRenderer.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/Game/Rendering/RenderMaterials.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cstring>

using namespace Lumvek;

namespace
{

using Command = GraphicsCommand;
using Code = GraphicsCommandCode;

constexpr uint32_t QuadVertexSize = 16;
constexpr uint32_t QuadIndexSize = 2;

// A render target at the device's size, marked changed so that the device makes it.
void CreateTarget(GraphicsDevice& device, uint32_t slot, TextureFormat format)
{
    Texture* target = device.CreateTexture(slot, static_cast<uint32_t>(ResourceUsage::Static));
    if (!target)
        return;
    const DeviceSize size = device.GetSize();
    if (!target->SetSize(size.width, size.height, format))
        Log::Write("the game's render target cannot be {} x {}", size.width, size.height);
    target->FinishChanges();
}

// A square atlas whose whole-image region packs the images put into it. Stays locked: the loaders
// fill it and hand it over.
Texture* CreateAtlas(GraphicsDevice& device, uint32_t slot, uint32_t side)
{
    Texture* atlas = device.CreateTexture(slot, static_cast<uint32_t>(ResourceUsage::Static));
    if (!atlas)
        return nullptr;
    const auto lock = device.Lock();
    if (atlas->SetSize(side, side, TextureFormat::ColorBuffer4x8))
        if (TextureAtlasRegion* root = atlas->AddRegionOf<TextureAtlasRegion>(InvalidId, 0, 0))
            root->SetSize(side, side);
    return atlas;
}

TextureRegion* RootRegion(Texture* atlas)
{
    return atlas ? atlas->FindRegion<TextureAtlasRegion>(InvalidId) : nullptr;
}

// Hands a texture the loaders filled to the device, which uploads it at its new version.
void HandOver(Texture* texture)
{
    if (texture)
        texture->FinishChanges();
}

// Makes the geometry in the slot unless it exists: static, filled once, shared with the screens.
void CreateShared(GraphicsDevice& device, uint32_t slot, GeometryDataType type, const void* bytes, uint32_t stride,
                  uint32_t count)
{
    if (!device.resources)
        return;
    {
        const auto lock = device.Lock();
        if (device.resources->Find<Geometry>(NameTableB().Add(NameTableC().GetName(slot))))
            return;
    }
    Geometry* geometry = device.CreateGeometry(slot, static_cast<uint32_t>(ResourceUsage::Static), 1);
    if (!geometry)
        return;
    const auto lock = device.Lock();
    geometry->dataType = type;
    const GraphicsBufferRange range = GraphicsBuffer::Allocate(*geometry, stride, count);
    if (range.bytes)
        std::memcpy(range.bytes, bytes, range.byteSize);
    geometry->FinishChanges();
}

} // namespace

void GameRenderer::CreateQuad(GraphicsDevice& device)
{
    // The unit quad every instanced draw is made of: corner (x, y) and texture (u, v), v growing down.
    static constexpr float vertices[16] = {0, 0, 0, 1, 1, 0, 1, 1, 0, 1, 0, 0, 1, 1, 1, 0};
    static constexpr uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    CreateShared(device, GraphicsResources::QuadVertices, GeometryDataType::TriangleList, vertices, 16, 4);
    CreateShared(device, GraphicsResources::QuadIndices, GeometryDataType::IndexList, indices, 2, 6);
}

GameRenderer::GameRenderer(GameContext& context)
    : backgroundRenderer(context), entityRenderer(context), indicatorRenderer(context),
      gameRenderTarget(NameTableC().Add("GameRenderTarget")), gameDepthTarget(NameTableC().Add("GameDepthTarget")),
      gameTargetMaterial(GameMaterials::Slot(GameMaterial::GameTarget)),
      cameraConstantsId(NameTableC().Add("CameraConstants")), context(context)
{
}

GameRenderer::~GameRenderer() = default;

void GameRenderer::Load(GraphicsDevice& device, Loader::StreamingAtlasInfo* icons)
{
    namespace Slots = GraphicsResources;
    CreateQuad(device);
    CreateTarget(device, gameRenderTarget, TextureFormat::ColorTarget4x8);
    CreateTarget(device, gameDepthTarget, TextureFormat::DepthStencilTarget24_8);
    GameMaterials::Create(device, GameMaterial::GameTarget);

    cameraConstants = device.CreateGeometry(cameraConstantsId, static_cast<uint32_t>(ResourceUsage::Dynamic), 0);
    if (cameraConstants)
    {
        const auto lock = device.Lock();
        cameraConstants->dataType = GeometryDataType::ConstantData;
        cameraConstants->data.Reserve(sizeof(CameraConstants));
    }

    platformAtlas = device.CreateTexture(Slots::PlatformAtlas, static_cast<uint32_t>(ResourceUsage::Static));
    if (platformAtlas)
    {
        // SetSize gives zeroed pixels.
        if (platformAtlas->SetSize(1024, 1024, TextureFormat::ColorBuffer4x8))
            if (auto* outline = platformAtlas->AddNineSliceRegion(Images::PlatformDraw, PlatformDrawX, PlatformDrawY))
            {
                outline->left = outline->right = outline->top = outline->bottom = PlatformDrawBorder;
                outline->Load("Assets/Themes/PlatformDraw.png");
                if (outline->width == 0)
                    Log::Write("Assets/Themes/PlatformDraw.png did not load: platforms draw in without outlines");
            }
    }
    themeAtlas = CreateAtlas(device, Slots::ThemeAtlas, 4096);
    worldAtlas = CreateAtlas(device, Slots::WorldAtlas, 2048);
    drawAtlas = CreateAtlas(device, Slots::DrawAtlas, 2048);

    effectAtlas = device.CreateTexture(Slots::EffectAtlas, static_cast<uint32_t>(ResourceUsage::Static));
    if (effectAtlas)
    {
        effectAtlas->Load("Assets/Particles/Particles.ltd");
        effectAtlas->mipmaps = 1;
        effectAtlas->FinishChanges();
    }

    entityRenderer.Load(device, RootRegion(worldAtlas), RootRegion(drawAtlas), icons);
    backgroundRenderer.Load(device, RootRegion(themeAtlas), platformAtlas);
    indicatorRenderer.Load(device);

    HandOver(themeAtlas);
    if (platformAtlas)
    {
        platformAtlas->mipmaps = 1;
        platformAtlas->FinishChanges();
    }
    const Rectangle bounds = context.world ? context.world->bounds : Rectangle{0.0f, 0.0f, 1.0f, 1.0f};
    for (ThemeBackground& layer : backgrounds)
        layer.UpdateBounds(bounds, &device);
}

void GameRenderer::LoadPlayerTextures(GraphicsDevice& device, Loader::StreamingAtlasInfo* icons)
{
    entityRenderer.LoadPlayerTextures(device, RootRegion(worldAtlas), RootRegion(drawAtlas), icons);
    HandOver(worldAtlas);
    HandOver(drawAtlas);
}

void GameRenderer::RequestLoadoutIcons(GraphicsDevice& device, const Loadout& loadout,
                                       Loader::StreamingAtlasInfo* icons)
{
    entityRenderer.RequestLoadoutIcons(device, loadout, icons);
}

void GameRenderer::Unload(GraphicsDevice& device)
{
    namespace Slots = GraphicsResources;
    device.DestroyResource(gameRenderTarget, ResourceKind::Texture);
    device.DestroyResource(gameDepthTarget, ResourceKind::Texture);
    device.DestroyResource(gameTargetMaterial, ResourceKind::Material);
    for (uint32_t texture :
         {Slots::PlatformAtlas, Slots::ThemeAtlas, Slots::WorldAtlas, Slots::DrawAtlas, Slots::EffectAtlas})
        device.DestroyResource(texture, ResourceKind::Texture);
    device.DestroyResource(cameraConstantsId, ResourceKind::Geometry);
    backgroundRenderer.Unload(device);
    entityRenderer.Unload(device);
    indicatorRenderer.Unload(device);
    platformAtlas = themeAtlas = worldAtlas = drawAtlas = effectAtlas = nullptr;
    cameraConstants = nullptr;
}

void GameRenderer::Render(GraphicsDevice& device, float alpha, float dt)
{
    BeginFrame(device, dt);
    const Texture* effects = device.GetTexture(GraphicsResources::EffectAtlas);
    if (!IsDrawingIn())
        entityRenderer.AdvanceEffects(alpha, dt);
    for (CameraView* view : views)
    {
        if (!view || !view->active)
            continue;
        backgroundRenderer.DrawBackgrounds(*view, backgrounds);
        backgroundRenderer.DrawObjects(themeAtlas, *view);
        if (IsDrawingIn())
            entityRenderer.DrawPlatformsDrawIn(*view, platformAtlas, DrawInProgress());
        else
        {
            entityRenderer.DrawPlatforms(*view, platformAtlas, alpha, dt);
            entityRenderer.DrawEntities(*view, worldAtlas, drawAtlas, effects, alpha);
            indicatorRenderer.Draw(device, *view);
        }
        Compose(device, *view);
    }
    EndFrame(device);
}

void GameRenderer::BeginFrame(GraphicsDevice& device, float dt)
{
    time += dt;
    std::vector<GraphicsCommand>& commands = device.GetCommands();
    commands.push_back(Command::SetColorTarget(gameRenderTarget, 0));
    commands.push_back(Command::SetDepthTarget(gameDepthTarget));
    commands.push_back(
        Command::Clear(ClearColor[0] / 255.0f, ClearColor[1] / 255.0f, ClearColor[2] / 255.0f, ClearColor[3] / 255.0f));
    commands.push_back(Command::ClearDepth(1.0f, 0));

    if (cameraConstants)
        RenderBuffers::Empty(*cameraConstants, static_cast<uint32_t>(GeometryDataType::ConstantData));
    backgroundRenderer.BeginFrame();
    entityRenderer.BeginFrame();
    indicatorRenderer.BeginFrame();
}

void GameRenderer::EndFrame(GraphicsDevice& device)
{
    // The shared target onto the back buffer, once for all views.
    std::vector<GraphicsCommand>& commands = device.GetCommands();
    commands.push_back(Command::SetClip(0.0f, 0.0f, -1.0f, -1.0f));
    commands.push_back(Command::SetDepthTarget(InvalidId));
    commands.push_back(Command::SetColorTarget(InvalidId, 0));
    commands.push_back(Command::Make(Code::SetTexture, gameRenderTarget, 0));
    commands.push_back(Command::Make(Code::SetGeometry, GraphicsResources::QuadVertices, 0));
    commands.push_back(Command::Make(Code::SetIndices, GraphicsResources::QuadIndices, 0));
    commands.push_back(Command::Make(Code::SetMaterial, gameTargetMaterial));
    commands.push_back(Command::Make(Code::Draw, 0, 0));
}

float GameRenderer::DrawInProgress() const
{
    return drawInDuration > 0.0f ? std::clamp(time / drawInDuration, 0.0f, 1.0f) : 1.0f;
}

void GameRenderer::Compose(GraphicsDevice& device, const CameraView& view)
{
    namespace Slots = GraphicsResources;
    std::vector<GraphicsCommand>& commands = device.GetCommands();
    const Rectangle& viewport = view.Viewport();
    const float screenHeight = static_cast<float>(device.GetSize().height);
    commands.push_back(
        Command::SetClip(viewport.x, screenHeight - viewport.y - viewport.height, viewport.width, viewport.height));

    if (cameraConstants)
    {
        const RenderAllocation<CameraConstants> block = RenderBuffers::AllocateCamera(*cameraConstants);
        if (!block.empty())
        {
            block[0].transform = RenderMatrix::From(view.camera->GetTransform());
            commands.push_back(Command::Make(Code::SetConstants, cameraConstantsId, block.first,
                                             sizeof(CameraConstants) / 16, 0, Command::StageFlags(1, 0)));
        }
    }

    if (backgroundRenderer.drawList.Batch())
        backgroundRenderer.drawList.Submit(device);
    backgroundRenderer.drawList.Reset();

    commands.push_back(Command::Make(Code::SetGeometry, Slots::QuadVertices, QuadVertexSize));
    commands.push_back(Command::Make(Code::SetIndices, Slots::QuadIndices, QuadIndexSize));

    commands.push_back(Command::Make(Code::SetTexture, Slots::ThemeAtlas, 0));
    commands.push_back(Command::Make(Code::SetMaterial, backgroundRenderer.themeObjectMaterial));
    commands.push_back(Command::Make(Code::SetInstances, backgroundRenderer.objectInstancesId, TransformInstanceSize));
    // A count of 0 would draw every instance in the buffer, other views' included.
    if (backgroundRenderer.objectCount != 0)
        commands.push_back(Command::Make(Code::Draw, backgroundRenderer.objectFirst, backgroundRenderer.objectCount));

    commands.push_back(Command::Make(Code::SetInstances, InvalidId, 0));
    commands.push_back(Command::Make(Code::SetTexture, Slots::PlatformAtlas, 0));

    const RenderRange platforms = entityRenderer.platforms;
    if (IsDrawingIn())
    {
        if (platforms.count == 0)
            return;
        commands.push_back(Command::Make(Code::SetMaterial, entityRenderer.positionDrawMaterial));
        commands.push_back(Command::Make(Code::SetInstances, entityRenderer.platformInstancesId, PositionInstanceSize));
        commands.push_back(Command::Make(Code::Draw, platforms.first, platforms.count));
        return;
    }

    if (platforms.count != 0)
    {
        commands.push_back(Command::Make(Code::SetMaterial, entityRenderer.positionMaterial));
        commands.push_back(Command::Make(Code::SetInstances, entityRenderer.platformInstancesId, PositionInstanceSize));
        commands.push_back(Command::Make(Code::Draw, platforms.first, platforms.count));
    }
    entityRenderer.Compose(device);
    const RenderRange effects = entityRenderer.effects;
    if (effects.count != 0)
    {
        commands.push_back(Command::Make(Code::SetTexture, Slots::EffectAtlas, 0));
        commands.push_back(Command::Make(Code::SetMaterial, entityRenderer.effectMaterial));
        commands.push_back(Command::Make(Code::SetInstances, entityRenderer.effectInstancesId, EffectInstanceSize));
        commands.push_back(Command::Make(Code::Draw, effects.first, effects.count));
    }
    if (indicatorRenderer.indicatorCount > 0)
    {
        commands.push_back(Command::Make(Code::SetTexture, Slots::UiAtlas, 0));
        commands.push_back(Command::Make(Code::SetMaterial, indicatorRenderer.materialId));
        commands.push_back(Command::Make(Code::SetInstances, indicatorRenderer.instancesId, TransformInstanceSize));
        commands.push_back(
            Command::Make(Code::Draw, indicatorRenderer.indicatorFirst, indicatorRenderer.indicatorCount));
    }
}
