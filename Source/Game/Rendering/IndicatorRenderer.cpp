#include "Source/Game/Rendering/IndicatorRenderer.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Game/Rendering/CameraView.h"
#include "Source/Game/Rendering/IndicatorMarkers.h"
#include "Source/Game/Rendering/RenderMaterials.h"
#include "Source/Game/Rendering/RenderRecords.h"
#include "Source/Ui/Kit/HudLayout.h"
#include "Source/World/Awareness.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>

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
    shown.reserve(64);
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

namespace
{

constexpr float QuarterTurn = 90.0f * 0.017453292f;

Color ColorOf(uint32_t packed)
{
    // Red in the lowest byte, as the bytes lie in memory.
    Color color;
    color.r = static_cast<uint8_t>(packed);
    color.g = static_cast<uint8_t>(packed >> 8);
    color.b = static_cast<uint8_t>(packed >> 16);
    color.a = static_cast<uint8_t>(packed >> 24);
    return color;
}

TextureRectangle RectangleOf(const UvRectangle& uv)
{
    return {uv.x, uv.y, uv.width, uv.height};
}

} // namespace

void IndicatorRenderer::Draw(GraphicsDevice& device, const CameraView& view)
{
    indicatorFirst = instances ? RenderBuffers::CountRecords(*instances, TransformInstanceSize) : 0;
    indicatorCount = 0;
    if (!instances || !view.player || !context.world)
        return;
    const Texture* ui = device.GetTexture(GraphicsResources::UiAtlas);
    const TextureRegion* arrow = ui ? ui->GetRegion(Images::Indicator) : nullptr;
    if (!arrow || arrow->uv.width < 0.0f)
        return;
    const Rectangle& viewport = view.Viewport();
    IndicatorGeometry::Sizes sizes;
    if (!IndicatorGeometry::ComputeSizes(view.Extent(), {viewport.width, viewport.height}, sizes))
        return;
    const World& world = *context.world;
    const uint8_t playerIndex = view.player->index;
    // The ellipse keeps clear of the heads-up display's dials, which the game screen lays out as here.
    const HudLayout hud =
        HudLayout::For(viewport.width, viewport.height, HudLayout::ScoreDials(context.configuration.teamCount));
    const IndicatorGeometry::Area area =
        IndicatorGeometry::BelowBand(view.Position(), view.Extent(), viewport.height, hud.MarkerTop());
    ++stamp;
    for (const AwarenessMarker& marker : view.player->awareness)
    {
        Vector2& displayed = Displayed(playerIndex, marker);
        const IndicatorGeometry::Placement placement = IndicatorGeometry::Place(displayed, area.centre, area.extent);
        const int32_t icon = GetMarkerIcon(world, marker);
        Vector2 arrowSize = sizes.arrow;
        if (icon >= 0)
        {
            const TextureRegion* region = ui->GetRegion(static_cast<uint32_t>(icon));
            // Without its icon the target waits, unmoved, until the icon is there; an icon still
            // streaming in belongs to its image thread until its flag clears.
            if (!region || region->filling.load(std::memory_order_acquire) || region->uv.width < 0.0f)
                continue;
            const RenderAllocation<TransformInstance> written = RenderBuffers::AllocateTransforms(*instances, 1);
            if (written.empty())
                return;
            written[0].transform = RenderMatrix::From(IndicatorGeometry::IconTransform(placement, sizes.icon));
            written[0].texture = RectangleOf(region->uv);
            written[0].color = ColorOf(GetMarkerColor(world, marker));
            ++indicatorCount;
            arrowSize = sizes.arrowBesideIcon;
        }
        const RenderAllocation<TransformInstance> written = RenderBuffers::AllocateTransforms(*instances, 1);
        if (written.empty())
            return;
        written[0].transform = RenderMatrix::From(IndicatorGeometry::ArrowTransform(placement, arrowSize));
        written[0].texture = RectangleOf(arrow->uv);
        written[0].color = ColorOf(GetMarkerTeamColor(world, marker));
        ++indicatorCount;
        displayed = displayed + (marker.position - displayed) * 0.5f;
    }
    // The player's markers that are gone take their shown places with them.
    std::erase_if(shown, [&](const Shown& entry) { return entry.player == playerIndex && entry.stamp != stamp; });
}

Vector2& IndicatorRenderer::Displayed(uint8_t player, const AwarenessMarker& marker)
{
    for (Shown& entry : shown)
        if (entry.player == player && entry.kind == marker.kind && entry.identifier == marker.identifier)
        {
            entry.stamp = stamp;
            return entry.displayed;
        }
    shown.push_back({player, marker.kind, marker.identifier, marker.position, stamp});
    return shown.back().displayed;
}

namespace IndicatorGeometry
{

bool ComputeSizes(Vector2 extent, Vector2 pixels, Sizes& out)
{
    // A view of no pixels has no size to measure indicators by.
    if (!(pixels.x > 0.0f) || !(pixels.y > 0.0f) || !std::isfinite(pixels.x) || !std::isfinite(pixels.y) ||
        !std::isfinite(extent.x) || !std::isfinite(extent.y))
        return false;
    const float x = extent.x / pixels.x, y = extent.y / pixels.y;
    out.icon = {30.0f * x, 30.0f * y};
    out.arrow = {40.0f * x, 20.0f * y};
    out.arrowBesideIcon = {20.0f * x, 10.0f * y};
    return true;
}

Placement Place(Vector2 displayed, Vector2 centre, Vector2 extent)
{
    const float a = extent.x / 2.1f, b = extent.y / 2.1f;
    const Vector2 d = displayed - centre;
    const float angle = d.x == 0.0f && d.y == 0.0f ? 0.0f : std::atan2(d.y, d.x);
    Vector2 e;
    if (d.x == 0.0f)
        e = {0.0f, d.y > 0.0f ? b : d.y < 0.0f ? -b : 0.0f};
    else
    {
        const float m = d.y / d.x;
        const float t = a * b / std::sqrt(a * a * m * m + b * b);
        e = {t, t * m};
        if (std::cos(angle) < 0.0f)
            e = {-e.x, -e.y};
    }
    Placement placement;
    if (d.x * d.x + d.y * d.y > e.x * e.x + e.y * e.y && std::isfinite(e.x) && std::isfinite(e.y))
    {
        placement.position = centre + e;
        placement.rotation = WrapAngle(angle + QuarterTurn);
        placement.outside = true;
    }
    else
        placement.position = displayed;
    return placement;
}

Area BelowBand(Vector2 centre, Vector2 extent, float pixelHeight, float bandPixels)
{
    // At most half the view, so that a tiny view keeps room for its indicators.
    const float kept = pixelHeight > 0.0f ? std::clamp(bandPixels / pixelHeight, 0.0f, 0.5f) : 0.0f;
    return {{centre.x, centre.y - extent.y * kept / 2.0f}, {extent.x, extent.y * (1.0f - kept)}};
}

Matrix3x3 IconTransform(const Placement& placement, Vector2 size)
{
    const float r = WrapAngle(placement.rotation - QuarterTurn);
    return Matrix3x3::Compose(placement.position.x, placement.position.y, size.x, size.y, 0.0f, 0.5f + std::cos(r),
                              0.5f + std::sin(r));
}

Matrix3x3 ArrowTransform(const Placement& placement, Vector2 size)
{
    return Matrix3x3::Compose(placement.position.x, placement.position.y, size.x, size.y, placement.rotation, 0.5f,
                              0.0f);
}

} // namespace IndicatorGeometry
