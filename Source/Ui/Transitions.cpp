#include "Source/Ui/Transitions.h"

#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/UiResources.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>

using Lumvek::GraphicsCommand;
using Lumvek::GraphicsCommandCode;

namespace
{

constexpr float Pi = std::numbers::pi_v<float>;
constexpr float Degrees = Pi / 180.0f;
// How far the page's progress runs: the last step of the curl is reached only past the end.
constexpr float FullProgress = 0.65f;
// The camera's distance from the flat page, at which a 90-degree view shows exactly the page.
constexpr float PageDistance = 200.0f;
constexpr uint32_t None = Lumvek::InvalidId;

float Wrap(float angle)
{
    angle = std::fmod(angle, 2.0f * Pi);
    return angle < 0.0f ? angle + 2.0f * Pi : angle;
}

void Push(Lumvek::GraphicsDevice& device, GraphicsCommandCode code, uint32_t op1 = 0, uint32_t op2 = 0,
          uint32_t op3 = 0, uint32_t op4 = 0, uint32_t op5 = 0)
{
    device.GetCommands().push_back(GraphicsCommand::Make(code, op1, op2, op3, op4, op5));
}

// A per-frame geometry, emptied on the first write after the device uploaded it; each draw of the
// frame appends its own range. The quad's indices address the geometry from its first vertex and
// draws have no base vertex, so a second fade in one frame (never the case: only the splash fades)
// is not drawn; the page indices hold a copy for each page of a frame.
Lumvek::GraphicsBufferRange Append(Lumvek::Geometry& geometry, uint32_t stride, uint32_t count)
{
    if (geometry.uploaded)
    {
        geometry.data.Clear();
        geometry.used = 0;
    }
    return Lumvek::GraphicsBuffer::Allocate(geometry, stride, count);
}

Lumvek::Geometry* Find(Lumvek::GraphicsDevice& device, uint32_t id)
{
    return FindGeometry(device, id);
}

} // namespace

StaticTransition::StaticTransition(float seconds)
{
    layer = 0;
    duration = seconds;
}

FadeTransition::FadeTransition(float seconds, uint8_t fadeDirection) : direction(fadeDirection)
{
    layer = 1;
    duration = seconds;
    clear = 1;
    clearColor = Lumvek::Color{0, 0, 0, 0};
    renderTarget = GraphicsResources::TransitionTarget;
}

void FadeTransition::Start(const Lumvek::Rectangle& bounds, Lumvek::GraphicsDevice& device)
{
    (void)bounds;
    vertices = Find(device, TransitionGeometryIds::Get().colorTransitionVertices);
}

uint8_t FadeTransition::Alpha() const
{
    float t = duration > 0.0f ? elapsed / duration : 1.0f;
    if (direction == Backward)
        t = 1.0f - t;
    return static_cast<uint8_t>(std::clamp(t, 0.0f, 1.0f) * 255.0f);
}

void FadeTransition::Draw(float seconds, Lumvek::GraphicsDevice& device, uint32_t target, Lumvek::Menu& menu)
{
    (void)seconds;
    (void)menu;
    if (!vertices)
        return;
    struct FadeVertex
    {
        float x, y, u, v;
        Lumvek::Color color;
    };
    const Lumvek::Color color{255, 255, 255, Alpha()};
    const FadeVertex quad[4] = {
        {-1.0f, -1.0f, 0.0f, 1.0f, color},
        {1.0f, -1.0f, 1.0f, 1.0f, color},
        {-1.0f, 1.0f, 0.0f, 0.0f, color},
        {1.0f, 1.0f, 1.0f, 0.0f, color},
    };
    Lumvek::GraphicsBufferRange range;
    {
        const auto lock = device.Lock();
        range = Append(*vertices, sizeof(FadeVertex), 4);
        if (range.bytes)
            std::memcpy(range.bytes, quad, sizeof(quad));
    }
    if (!range.bytes || range.first != 0)
        return;
    namespace Slots = GraphicsResources;
    device.GetCommands().push_back(GraphicsCommand::SetColorTarget(None, 0));
    device.GetCommands().push_back(GraphicsCommand::Clear(0.0f, 0.0f, 0.0f, 1.0f));
    Push(device, GraphicsCommandCode::SetMaterial, Slots::ColoredImageMaterial);
    Push(device, GraphicsCommandCode::SetGeometry, Slots::ColorTransitionVertices, sizeof(FadeVertex));
    Push(device, GraphicsCommandCode::SetIndices, Slots::QuadIndices);
    Push(device, GraphicsCommandCode::SetTexture, target, 0);
    Push(device, GraphicsCommandCode::Draw, 0, 6);
    Push(device, GraphicsCommandCode::SetTexture, None, 0);
}

PageTransition::PageTransition(float seconds, uint8_t pageDirection) : direction(pageDirection)
{
    layer = 1;
    duration = seconds;
    clear = 1;
    clearColor = Lumvek::Color{0, 0, 0, 0};
    renderTarget = GraphicsResources::TransitionTarget;
}

void PageTransition::Start(const Lumvek::Rectangle& bounds, Lumvek::GraphicsDevice& device)
{
    (void)bounds;
    projection = Lumvek::Matrix4x4::Perspective(90.0f * Degrees, 1.0f, 1.0f, PageDistance);
    constants = Find(device, TransitionGeometryIds::Get().pageConstants);
    vertices = Find(device, TransitionGeometryIds::Get().pageVertices);
    Update(0.0f);
}

void PageTransition::Update(float seconds)
{
    (void)seconds;
    const float run = duration > 0.0f ? elapsed * FullProgress / duration : FullProgress;
    const float p = direction == Forward ? run : FullProgress - run;
    roll = p < 0.3f ? 0.0f : Wrap((p - 0.3f) / 0.7f * 180.0f * Degrees);
    if (p <= 0.3f)
    {
        const float s = std::pow(std::max(p, 0.0f) / 0.3f, 0.2f);
        tilt = Wrap(90.0f * Degrees + (14.0f - 90.0f) * Degrees * s);
        offset = -100.0f;
    }
    else if (p <= 0.65f)
    {
        const float s = (p - 0.3f) / 0.35f * ((p - 0.3f) / 0.35f);
        tilt = Wrap(14.0f * Degrees + (8.0f - 14.0f) * Degrees * s);
        offset = -100.0f - 300.0f * s;
    }
    else if (p <= 1.0f)
    {
        const float r = (p - 0.65f) / 0.35f;
        const float s = r * r * r;
        tilt = Wrap(8.0f * Degrees + (90.0f - 8.0f) * Degrees * s);
        offset = -400.0f - 600.0f * s;
    }
}

PageTransition::Vertex PageTransition::CurlVertex(float x, float y) const
{
    const float radius = std::sqrt(x * x + (y - offset) * (y - offset));
    const float sinTilt = std::sin(tilt);
    const float cosTilt = std::cos(tilt);
    // A page seen edge on (no tilt) has no cone to wrap around: it stays unrolled.
    const float beta =
        radius > 0.0f && sinTilt != 0.0f ? std::asin(std::clamp(x / radius, -1.0f, 1.0f)) / sinTilt : 0.0f;
    const float r = radius * sinTilt;
    const float a = (1.0f - std::cos(beta)) * r;
    const float b = std::sin(beta) * r;
    const float c = a * cosTilt;
    const float px = b * std::cos(roll) - c * std::sin(roll);
    const float py = radius + offset - a * sinTilt;
    const float pz = PageDistance - (b * std::sin(roll) + c * std::cos(roll));
    const float* m = projection.m;
    const float cx = px * m[0] + py * m[4] + pz * m[8] + m[12];
    const float cy = px * m[1] + py * m[5] + pz * m[9] + m[13];
    const float cz = px * m[2] + py * m[6] + pz * m[10] + m[14];
    float w = px * m[3] + py * m[7] + pz * m[11] + m[15];
    if (w == 0.0f)
        w = 1e-6f;
    Vertex vertex{};
    vertex.position[0] = 4.0f * (cx / w) - 1.0f;
    vertex.position[1] = 4.0f * (cy / w) - 1.0f;
    vertex.position[2] = cz / w;
    vertex.normal[0] = std::sin(roll + beta);
    vertex.normal[1] = 0.0f;
    vertex.normal[2] = std::cos(roll + beta);
    vertex.textureCoordinate[0] = x / 100.0f;
    vertex.textureCoordinate[1] = 1.0f - y / 100.0f;
    return vertex;
}

void PageTransition::Draw(float seconds, Lumvek::GraphicsDevice& device, uint32_t target, Lumvek::Menu& menu)
{
    (void)seconds;
    (void)menu;
    if (!constants || !vertices)
        return;
    struct FaceConstants
    {
        Lumvek::Matrix4x4 projection;
        float faceSign[4];
    };
    static_assert(sizeof(FaceConstants) == 80);
    const FaceConstants front{projection, {0.0f, 0.0f, 1.0f, 0.0f}};
    const FaceConstants back{projection, {0.0f, 0.0f, -1.0f, 0.0f}};
    constexpr float columnWidth = 100.0f / PageColumns;
    constexpr float rowHeight = 100.0f / PageRows;

    Lumvek::GraphicsBufferRange frontRange, backRange, mesh;
    {
        const auto lock = device.Lock();
        frontRange = Append(*constants, sizeof(FaceConstants), 1);
        backRange = Append(*constants, sizeof(FaceConstants), 1);
        if (frontRange.bytes && backRange.bytes)
        {
            // The second allocation may have moved the first one's bytes.
            std::memcpy(constants->data.Data() + frontRange.first * 16, &front, sizeof(front));
            std::memcpy(backRange.bytes, &back, sizeof(back));
        }
        mesh = Append(*vertices, sizeof(Vertex), PageVertexCount);
        if (mesh.bytes)
        {
            auto* out = reinterpret_cast<Vertex*>(mesh.bytes);
            for (uint32_t row = 0; row < PageRows; ++row)
                for (uint32_t column = 0; column < PageColumns; ++column)
                {
                    const float x0 = column * columnWidth, x1 = (column + 1) * columnWidth;
                    const float y0 = row * rowHeight, y1 = (row + 1) * rowHeight;
                    *out++ = CurlVertex(x0, y0);
                    *out++ = CurlVertex(x1, y0);
                    *out++ = CurlVertex(x0, y1);
                    *out++ = CurlVertex(x1, y1);
                }
        }
    }
    if (!frontRange.bytes || !backRange.bytes || !mesh.bytes)
        return;
    // The indices of this page's own vertices; a page past the copies is not drawn this frame.
    const uint32_t page = mesh.first / PageVertexCount;
    if (mesh.first % PageVertexCount != 0 || page >= PagesPerFrame)
        return;
    const uint32_t frontIndices = page * PageFaceIndexCount * 2;

    namespace Slots = GraphicsResources;
    const uint32_t stages = GraphicsCommand::StageFlags(1, 1);
    constexpr uint32_t recordConstants = sizeof(FaceConstants) / 16;
    device.GetCommands().push_back(GraphicsCommand::SetColorTarget(None, 0));
    Push(device, GraphicsCommandCode::SetMaterial, Slots::PageMaterial);
    Push(device, GraphicsCommandCode::SetGeometry, Slots::PageVertices, sizeof(Vertex));
    Push(device, GraphicsCommandCode::SetIndices, Slots::PageIndices);
    Push(device, GraphicsCommandCode::SetConstants, Slots::PageConstants, frontRange.first, recordConstants, 0, stages);
    Push(device, GraphicsCommandCode::SetTexture, target, 0);
    Push(device, GraphicsCommandCode::Draw, frontIndices, PageFaceIndexCount);
    Push(device, GraphicsCommandCode::SetConstants, Slots::PageConstants, backRange.first, recordConstants, 0, stages);
    Push(device, GraphicsCommandCode::SetTexture, Slots::CanvasBackground, 0);
    Push(device, GraphicsCommandCode::Draw, frontIndices + PageFaceIndexCount, PageFaceIndexCount);
    Push(device, GraphicsCommandCode::SetTexture, None, 0);
}

std::unique_ptr<Lumvek::Transition> MakeStaticTransition(float seconds)
{
    return std::make_unique<StaticTransition>(seconds);
}

std::unique_ptr<Lumvek::Transition> MakePageTransition(float seconds, uint8_t direction)
{
    return std::make_unique<PageTransition>(seconds, direction);
}

std::unique_ptr<Lumvek::Transition> MakeFadeTransition(float seconds, uint8_t direction)
{
    return std::make_unique<FadeTransition>(seconds, direction);
}
