#include "Source/Game/Rendering/BackgroundRenderer.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/Game/Rendering/RenderMaterials.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <cmath>
#include <random>

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

// A seed from the theme's name (FNV-1a), the same on every machine.
uint32_t ScatterSeed(const std::string& name)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : name)
        hash = (hash ^ c) * 16777619u;
    return hash;
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

void BackgroundRenderer::Load(GraphicsDevice& device, TextureRegion* themeRoot, Texture* platformAtlas)
{
    vertices = CreateBuffer(device, verticesId, GeometryDataType::TriangleList);
    indices = CreateBuffer(device, indicesId, GeometryDataType::IndexList);
    objectInstances = CreateBuffer(device, objectInstancesId, GeometryDataType::InstanceData);
    missing.Clear();
    layerTextures.clear();
    // The registry's theme takes this match's layer bounds and object placements: nothing else reads
    // them while a match is loading.
    ThemeData* loaded = context.registry ? context.registry->themes.Get(context.configuration.theme) : nullptr;
    theme = loaded;
    if (loaded && themeRoot && themeRoot->texture && platformAtlas)
        loaded->LoadAtlas(device, *themeRoot->texture, *platformAtlas, &layerTextures);
    for (GameMaterial material :
         {GameMaterial::BackgroundColor, GameMaterial::BackgroundScrollNone, GameMaterial::BackgroundScrollX,
          GameMaterial::BackgroundScrollY, GameMaterial::BackgroundScrollBoth, GameMaterial::ThemeObject})
        GameMaterials::Create(device, material);
    if (!loaded)
        return;
    const Rectangle world = context.world ? context.world->bounds : Rectangle{0.0f, 0.0f, 1.0f, 1.0f};
    for (ThemeBackground& layer : loaded->backgrounds)
        layer.UpdateBounds(world, &device);
    // The scatter is seeded by the theme's name, so every machine showing the match sees the same.
    std::mt19937 random(ScatterSeed(loaded->name));
    for (ThemeObject& object : loaded->objects)
        object.Scatter(world, random);
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
    // A layer may have been pointed at a texture of someone else's while the match ran (the tools let
    // it): only what Load made goes.
    for (uint32_t texture : layerTextures)
        device.DestroyResource(texture, ResourceKind::Texture);
    layerTextures.clear();
    if (!theme)
        return;
    for (uint32_t sound : {Sounds::Ambience, Sounds::Step1, Sounds::Step2, Sounds::Jump, Sounds::Land, Sounds::Bounce,
                           Sounds::HitPlatform})
        if (sound != InvalidId)
            theme->ReleaseSound(sound);
    theme = nullptr;
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

void BackgroundRenderer::DrawBackgrounds(const CameraView& view, const std::vector<ThemeBackground>& mapLayers)
{
    const BackgroundGeometry::Reference reference = BackgroundGeometry::ReferenceExtent(view.Aspect());
    // A view without a size shows no layer (and would divide by zero).
    if (!(reference.width > 0.0f) || !(reference.height > 0.0f))
        return;
    if (theme)
        for (const ThemeBackground& layer : theme->backgrounds)
            DrawBackground(layer, view, reference);
    for (const ThemeBackground& layer : mapLayers)
        DrawBackground(layer, view, reference);
}

void BackgroundRenderer::DrawBackground(const ThemeBackground& layer, const CameraView& view,
                                        const BackgroundGeometry::Reference& reference)
{
    if (!vertices || !indices)
        return;
    BackgroundGeometry::Corners corners;
    if (!BackgroundGeometry::Project(layer, view.Position(), view.Extent(), reference, corners))
        return;
    DrawCommand& command = drawList.Template();
    uint32_t first = 0;
    if (layer.texture != InvalidId)
    {
        const RenderAllocation<TexturedBackgroundVertex> quad = RenderBuffers::AllocateTexturedCorners(*vertices);
        if (quad.empty())
            return;
        BackgroundGeometry::TexturedCorners(layer, view.Position(), corners, quad.records);
        first = quad.first;
        command.material = layer.scrollX ? (layer.scrollY ? scrollBothMaterial : scrollXMaterial)
                                         : (layer.scrollY ? scrollYMaterial : scrollNoneMaterial);
        command.textures[0] = layer.texture;
        command.geometryStride = sizeof(TexturedBackgroundVertex);
    }
    else
    {
        const RenderAllocation<ColoredBackgroundVertex> quad = RenderBuffers::AllocateColoredCorners(*vertices);
        if (quad.empty())
            return;
        quad[0] = {corners.left, corners.bottom, layer.bottomColor};
        quad[1] = {corners.right, corners.bottom, layer.bottomColor};
        quad[2] = {corners.left, corners.top, layer.topColor};
        quad[3] = {corners.right, corners.top, layer.topColor};
        first = quad.first;
        command.material = colorMaterial;
        command.textures[0] = InvalidId;
        command.geometryStride = sizeof(ColoredBackgroundVertex);
    }
    const RenderAllocation<uint16_t> six = RenderBuffers::AllocateIndices(*indices, 6);
    // Indices are 16 bits: a frame with more layers than they can count draws no more of them.
    if (six.empty() || first + 3 > 0xFFFF)
        return;
    const auto b = static_cast<uint16_t>(first);
    const uint16_t order[6] = {b, uint16_t(b + 1), uint16_t(b + 2), uint16_t(b + 2), uint16_t(b + 1), uint16_t(b + 3)};
    std::copy(std::begin(order), std::end(order), six.records.begin());
    command.geometry = verticesId;
    command.indices = indicesId;
    command.indexStride = sizeof(uint16_t);
    command.instances = InvalidId;
    drawList.Draw(six.first, 6, layer.depth);
}

void BackgroundRenderer::DrawObjects(const Texture* themeAtlas, const CameraView& view)
{
    objectFirst = objectInstances ? RenderBuffers::CountRecords(*objectInstances, TransformInstanceSize) : 0;
    objectCount = 0;
    if (!objectInstances || !theme)
        return;
    const Vector2 camera = view.Position();
    for (const ThemeObject& object : theme->objects)
    {
        if (object.placements.empty())
            continue;
        // No id would find the whole atlas's region.
        const TextureRegion* region =
            themeAtlas && object.texture != InvalidId ? themeAtlas->GetRegion(object.texture) : nullptr;
        if (!region || region->uv.width < 0.0f)
        {
            // Without its picture the object has nothing to show.
            if (object.texture != InvalidId && missing.First(&object, 0))
                Log::Write("the theme object {} has no picture in the theme atlas",
                           NameTableA().GetName(object.texture));
            continue;
        }
        const RenderAllocation<TransformInstance> written =
            RenderBuffers::AllocateTransforms(*objectInstances, static_cast<uint32_t>(object.placements.size()));
        for (size_t i = 0; i < written.size(); ++i)
        {
            const Rectangle& placement = object.placements[i];
            TransformInstance& instance = written[i];
            instance.transform = RenderMatrix::From(
                Matrix3x3::Compose(placement.x + object.depth * camera.x, placement.y + object.depth * camera.y,
                                   placement.width, placement.height, 0.0f, 0.5f, 0.5f));
            instance.texture = {region->uv.x, region->uv.y, region->uv.width, region->uv.height};
            instance.depth = 0.0f;
        }
    }
    objectCount = RenderBuffers::CountRecords(*objectInstances, TransformInstanceSize) - objectFirst;
}

namespace BackgroundGeometry
{

Reference ReferenceExtent(float aspect)
{
    if (!std::isfinite(aspect) || !(aspect > 0.0f))
        return {};
    const float width = std::sqrt(144.0f / aspect);
    return {width, aspect * width};
}

bool Project(const ThemeBackground& layer, Vector2 camera, Vector2 extent, const Reference& reference, Corners& out)
{
    const float d = layer.depth;
    const float sx = (extent.x / reference.width - 1.0f) * d + 1.0f;
    const float sy = (extent.y / reference.height - 1.0f) * d + 1.0f;
    const ThemeBounds& b = layer.bounds;
    const float cx = camera.x, cy = camera.y;
    out.left = layer.pinLeft ? b.left : (b.left + d * cx - cx) * sx + cx;
    out.right = layer.pinRight ? b.right : (b.right + d * cx - cx) * sx + cx;
    out.bottom = layer.pinBottom ? b.bottom : (b.bottom + d * cy - cy) * sy + cy;
    out.top = layer.pinTop ? b.top : (b.top + d * cy - cy) * sy + cy;
    out.scaleX = sx;
    out.scaleY = sy;
    // NaN compares false, so a layer with no finite edges is never drawn.
    return out.top > out.bottom && out.right > out.left && std::isfinite(out.top - out.bottom) &&
           std::isfinite(out.right - out.left);
}

void TexturedCorners(const ThemeBackground& layer, Vector2 camera, const Corners& corners,
                     std::span<TexturedBackgroundVertex> quad)
{
    const ThemeBounds& b = layer.bounds;
    const float w = b.right - b.left, h = b.top - b.bottom, d = layer.depth;
    const float s0 = layer.textureAspect, s1 = layer.textureScaleX, s2 = layer.textureScaleY;
    const float uScale = layer.scrollX ? (layer.scrollY ? s1 : s0 / h) : 1.0f;
    const float vScale = layer.scrollY ? (layer.scrollX ? s2 : 1.0f / s0 / w) : 1.0f;
    const float fx = (camera.x - b.left) / w;
    const float fy = (b.top - camera.y) / h;
    const float uExtent = layer.scrollX ? (corners.right - corners.left) * uScale / corners.scaleX : 1.0f;
    const float vExtent = layer.scrollY ? (corners.top - corners.bottom) * vScale / corners.scaleY : 1.0f;
    const float uStart = layer.scrollX ? uScale * w * fx * (1.0f - d) - uExtent * fx : 0.0f;
    const float vStart = layer.scrollY ? vScale * h * fy * (1.0f - d) - vExtent * fy : 0.0f;
    // A texture whose size is not known yet gives no finite scroll: its picture starts at its corner.
    const auto finite = [](float value) { return std::isfinite(value) ? value : 0.0f; };
    const float u0 = finite(uStart), u1 = finite(uStart + uExtent);
    const float v0 = finite(vStart), v1 = finite(vStart + vExtent);
    quad[0] = {corners.left, corners.bottom, u0, v1};
    quad[1] = {corners.right, corners.bottom, u1, v1};
    quad[2] = {corners.left, corners.top, u0, v0};
    quad[3] = {corners.right, corners.top, u1, v0};
}

} // namespace BackgroundGeometry
