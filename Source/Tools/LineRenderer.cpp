#include "Source/Tools/LineRenderer.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Source/Tools/ImGuiRenderer.h"

#include <cmath>
#include <cstring>
#include <numbers>

using Lumvek::GraphicsCommand;
using Lumvek::GraphicsCommandCode;
using Lumvek::Vector2;

namespace
{

constexpr float TwoPi = 2.0f * std::numbers::pi_v<float>;

Vector2 Rotate(Vector2 point, float cosine, float sine)
{
    return {point.x * cosine - point.y * sine, point.x * sine + point.y * cosine};
}

} // namespace

float LineAngle(Vector2 from, Vector2 to)
{
    float angle = std::atan2(to.y - from.y, to.x - from.x);
    if (angle < 0.0f)
        angle += TwoPi;
    else if (angle >= TwoPi)
        angle -= TwoPi;
    // -0 plus a turn rounds to a full turn.
    return angle >= TwoPi ? 0.0f : angle;
}

LineRenderer::LineRenderer(uint32_t materialName, uint32_t vertexBufferName, uint32_t indexBufferName,
                           uint32_t constantBufferName)
    : materialName(materialName), vertexBufferName(vertexBufferName), indexBufferName(indexBufferName),
      constantBufferName(constantBufferName)
{
}

void LineRenderer::Setup(Lumvek::GraphicsDevice& device, Lumvek::FileManager* files)
{
    using namespace Lumvek;
    CreateToolsBuffers(device, vertexBufferName, indexBufferName, constantBufferName, vertexBuffer, indexBuffer,
                       constantBuffer);
    if ((material = device.CreateMaterial(materialName)))
    {
        CompileToolsShader(files, "ToolsLines.hlsl", LineShaderSource, *material);
        material->SetBlend(ToolsBlend::ColorBlend(), ToolsBlend::AlphaBlend());
        material->AddVertexInput("Position", VertexElementFormat::Float2, VertexSemantic::Position, 0);
        material->AddVertexInput("Color", VertexElementFormat::Color, VertexSemantic::Color, 0);
        material->FinishChanges();
    }
    if (!IsReady())
        Log::Write("the tools' line resources could not be created: no overlays are drawn");
}

void LineRenderer::Begin(const ToolsView& camera)
{
    view = camera;
    quadCount = 0;
    overflowed = false;
    for (Lumvek::Geometry* geometry : {vertexBuffer, indexBuffer, constantBuffer})
        if (geometry)
        {
            geometry->data.Clear();
            geometry->used = 0;
            geometry->MarkChanged();
        }
    const float pixelsWide = view.viewport.width > 0.0f ? view.viewport.width : 1.0f;
    const float pixelsHigh = view.viewport.height > 0.0f ? view.viewport.height : 1.0f;
    pixelSize = {view.size.x / pixelsWide, view.size.y / pixelsHigh};
    visible = {view.centre.x - view.size.x / 2.0f, view.centre.y - view.size.y / 2.0f, view.size.x, view.size.y};
}

void LineRenderer::AppendQuad(const Vector2 (&corners)[4], uint32_t color)
{
    if (!vertexBuffer || !indexBuffer)
        return;
    // 16-bit indices address 16384 quads.
    if (quadCount >= 0x10000 / 4)
    {
        if (!overflowed)
            Lumvek::Log::Write("the tools' overlay holds more than {} quads this frame: the rest are left out",
                               quadCount);
        overflowed = true;
        return;
    }
    const auto vertices = Lumvek::GraphicsBuffer::Allocate(*vertexBuffer, sizeof(LineVertex), 4);
    const auto indices = Lumvek::GraphicsBuffer::Allocate(*indexBuffer, 2, 6);
    if (!vertices.bytes || !indices.bytes)
        return;
    LineVertex quad[4];
    for (int i = 0; i < 4; ++i)
        quad[i] = {corners[i].x, corners[i].y, color};
    std::memcpy(vertices.bytes, quad, sizeof(quad));
    const auto b = static_cast<uint16_t>(vertices.first);
    const uint16_t order[6] = {b, uint16_t(b + 1), uint16_t(b + 2), uint16_t(b + 2), uint16_t(b + 1), uint16_t(b + 3)};
    std::memcpy(indices.bytes, order, sizeof(order));
    ++quadCount;
}

void LineRenderer::FillRect(Vector2 position, Vector2 pivot, Vector2 size, uint32_t color)
{
    const Vector2 first{position.x - pivot.x * size.x, position.y - pivot.y * size.y};
    const Vector2 corners[4] = {
        first, {first.x + size.x, first.y}, {first.x, first.y + size.y}, {first.x + size.x, first.y + size.y}};
    AppendQuad(corners, color);
}

void LineRenderer::FillRotatedRect(Vector2 position, Vector2 pivot, Vector2 size, float angle, uint32_t color)
{
    const float cosine = std::cos(angle);
    const float sine = std::sin(angle);
    const Vector2 centre = position + Rotate({(0.5f - pivot.x) * size.x, (0.5f - pivot.y) * size.y}, cosine, sine);
    const float hw = size.x / 2.0f;
    const float hh = size.y / 2.0f;
    const Vector2 corners[4] = {centre + Rotate({-hw, -hh}, cosine, sine), centre + Rotate({hw, -hh}, cosine, sine),
                                centre + Rotate({-hw, hh}, cosine, sine), centre + Rotate({hw, hh}, cosine, sine)};
    AppendQuad(corners, color);
}

void LineRenderer::DrawLine(Vector2 from, Vector2 to, float thickness, uint32_t color)
{
    const Vector2 delta = to - from;
    const float length = std::sqrt(delta.x * delta.x + delta.y * delta.y);
    FillRotatedRect(from, {0.0f, 0.0f}, {length, thickness * pixelSize.y}, LineAngle(from, to), color);
}

void LineRenderer::DrawRect(Vector2 position, Vector2 pivot, Vector2 size, float thickness, uint32_t color, bool fill,
                            uint32_t fillColor)
{
    if (fill)
        FillRect(position, pivot, size, fillColor);
    if (!(thickness > 0.0f))
        return;
    const Vector2 a{position.x - pivot.x * size.x, position.y - pivot.y * size.y};
    const Vector2 b{a.x + size.x, a.y};
    const Vector2 c{a.x + size.x, a.y + size.y};
    const Vector2 d{a.x, a.y + size.y};
    DrawLine(a, b, thickness, color);
    DrawLine(b, c, thickness, color);
    DrawLine(c, d, thickness, color);
    DrawLine(d, a, thickness, color);
}

void LineRenderer::DrawRotatedRect(Vector2 position, Vector2 pivot, Vector2 size, float angle, float thickness,
                                   uint32_t color, bool fill, uint32_t fillColor)
{
    if (fill)
        FillRotatedRect(position, pivot, size, angle, fillColor);
    if (!(thickness > 0.0f))
        return;
    const float cosine = std::cos(angle);
    const float sine = std::sin(angle);
    const Vector2 centre = position + Rotate({(0.5f - pivot.x) * size.x, (0.5f - pivot.y) * size.y}, cosine, sine);
    const float hw = size.x / 2.0f;
    const float hh = size.y / 2.0f;
    const Vector2 corners[4] = {centre + Rotate({-hw, -hh}, cosine, sine), centre + Rotate({hw, -hh}, cosine, sine),
                                centre + Rotate({hw, hh}, cosine, sine), centre + Rotate({-hw, hh}, cosine, sine)};
    for (int i = 0; i < 4; ++i)
        DrawLine(corners[i], corners[(i + 1) % 4], thickness, color);
}

void LineRenderer::Submit(Lumvek::GraphicsDevice& device)
{
    using namespace Lumvek;
    if (!IsReady() || quadCount == 0)
        return;
    const DeviceSize target = device.GetSize();
    if (target.width == 0 || target.height == 0 || !(view.size.x > 0.0f) || !(view.size.y > 0.0f))
        return;
    // World to the viewport's pixels, then pixels (y down) to clip space.
    const float targetWidth = float(target.width);
    const float targetHeight = float(target.height);
    const Rectangle& port = view.viewport;
    const float sx = port.width / view.size.x;
    const float sy = port.height / view.size.y;
    const float px = port.x + port.width / 2.0f - view.centre.x * sx;
    const float py = port.y + port.height / 2.0f + view.centre.y * sy;
    // pixel x = px + sx * x, pixel y = py - sy * y.
    const float transform[16] = {2.0f * sx / targetWidth,
                                 0.0f,
                                 0.0f,
                                 2.0f * px / targetWidth - 1.0f,
                                 0.0f,
                                 2.0f * sy / targetHeight,
                                 0.0f,
                                 1.0f - 2.0f * py / targetHeight,
                                 0.0f,
                                 0.0f,
                                 1.0f,
                                 0.0f,
                                 0.0f,
                                 0.0f,
                                 0.0f,
                                 1.0f};
    const GraphicsBufferRange constants = GraphicsBuffer::Allocate(*constantBuffer, sizeof(transform), 1);
    if (!constants.bytes)
        return;
    std::memcpy(constants.bytes, transform, sizeof(transform));

    std::vector<GraphicsCommand>& queue = device.GetCommands();
    queue.push_back(GraphicsCommand::SetClip(port.x, port.y, port.width, port.height));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetMaterial, materialName));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetGeometry, vertexBufferName, sizeof(LineVertex)));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetInstances, InvalidId, 0));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetIndices, indexBufferName, 2));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetConstants, constantBufferName, constants.first, 4, 0,
                                          GraphicsCommand::StageFlags(1, 0)));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::Draw, 0, quadCount * 6));
    queue.push_back(GraphicsCommand::SetClip(0.0f, 0.0f, 0.0f, 0.0f));
}
