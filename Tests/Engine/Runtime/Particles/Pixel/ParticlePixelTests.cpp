#include "Engine/Runtime/Graphics/DrawList.h"
#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"
#include "Tests/Engine/Runtime/Particles/ParticleTestSupport.h"

#include <cmath>
#include <string_view>

namespace Lumvek::Testing
{
namespace
{

// Instances as ParticleSystem::Render writes them; the world from (-8, -6) to (8, 6) fills the target,
// so a world unit is 4 pixels.
constexpr std::string_view ParticleShader = R"(
Texture2D image : register(t0);
SamplerState imageSampler : register(s0);
struct VertexInput
{
    float2 corner : POSITION;
    float4 row0 : TRANSFORM0;
    float4 row1 : TRANSFORM1;
    float4 row2 : TRANSFORM2;
    float4 row3 : TRANSFORM3;
    float4 region : TEXCOORD0;
    float4 color : COLOR;
    float depth : LAYERDEPTH;
};
struct PixelInput { float4 position : SV_POSITION; float2 uv : TEXCOORD0; float4 color : COLOR; };
PixelInput vertex_main(VertexInput input)
{
    // The corner as the row vector (x, y, 0, 1) times the instance's transform.
    float4 world = input.corner.x * input.row0 + input.corner.y * input.row1 + input.row3;
    PixelInput output;
    output.position = float4(world.x / 8.0, world.y / 6.0, input.depth, 1);
    output.uv = input.region.xy + float2(input.corner.x, 1.0 - input.corner.y) * input.region.zw;
    output.color = input.color;
    return output;
}
float4 pixel_main(PixelInput input) : SV_TARGET { return image.Sample(imageSampler, input.uv) * input.color; }
)";

const std::vector<VertexElement> CornerElements = {
    {"Position", VertexElementFormat::Float2, VertexSemantic::Position, 0}};
const std::vector<VertexElement> InstanceElements = {
    {"Transform", VertexElementFormat::Float4, VertexSemantic::Named, 0},
    {"Transform", VertexElementFormat::Float4, VertexSemantic::Named, 1},
    {"Transform", VertexElementFormat::Float4, VertexSemantic::Named, 2},
    {"Transform", VertexElementFormat::Float4, VertexSemantic::Named, 3},
    {"TextureCoordinate", VertexElementFormat::Float4, VertexSemantic::TextureCoordinate, 0},
    {"Color", VertexElementFormat::Color, VertexSemantic::Color, 0},
    {"LayerDepth", VertexElementFormat::Float, VertexSemantic::Named, 0}};

// The pixel under a world point.
Rgba PixelAt(const Image& image, float x, float y)
{
    const uint32_t column = static_cast<uint32_t>(std::floor((x + 8.0f) * 4.0f));
    const uint32_t row = static_cast<uint32_t>(std::floor((6.0f - y) * 4.0f));
    return image.At(column, row);
}

// Effects drawn through the OpenGL device with the draw list, as their owners draw them.
class ParticlePixels : public OpenGLDeviceTest
{
};

TEST_F(ParticlePixels, ABurstAndAStreamAreDrawnWhereTheirParticlesLive)
{
    Material* material = MakeMaterial(ParticleShader, CornerElements, InstanceElements);
    Geometry* corners =
        MakeGeometry(GeometryDataType::TriangleList, std::vector<float>{0, 0, 1, 0, 0, 1, 1, 0, 1, 1, 0, 1}, 8);
    Texture* texture = MakeTexture(2, 2, TextureFormat::ColorBuffer4x8, std::vector<Rgba>(4, {255, 255, 255, 255}));
    texture->AddRegion(InvalidId, 0, 0)->SetSize(2, 2);
    Geometry* instances = device->CreateGeometry(NewSlot(), static_cast<uint32_t>(ResourceUsage::Dynamic), 0);
    ASSERT_NE(instances, nullptr);
    instances->dataType = GeometryDataType::InstanceData;

    // Twenty red particles turned every which way inside a circle of radius 3 around (-4, 0), and a
    // green particle every 1/8 s rising at 4 units per second from (4, -5).
    auto burstEffect = OneEmitter(R"(Generators [ { Type = "Burst" Count = 20 } ]
        Initializers [ { Type = "PositionCircle" } { Type = "AngleRandom" Angle { From = 0.0 To = 90.0 } }
                       { Type = "ColorSet" Red { Value = 255 } Alpha { Value = 255 } } ])");
    auto streamEffect = OneEmitter(R"(Lifetime = 2.0 Generators [ { Type = "Stream" TimeBetweenEmissions = 0.125 } ]
        Initializers [ { Type = "LifetimeSet" Lifetime { Value = 2.0 } } { Type = "VelocitySet" VelocityY { Value = 4.0 } }
                       { Type = "ColorSet" Green { Value = 255 } Alpha { Value = 255 } } ]
        Updaters [ { Type = "PositionMotion" } ])");
    ParticleSystem burst(burstEffect.get(), 11);
    burst.x = -4.0f;
    burst.width = 6.0f;
    burst.height = 6.0f;
    ParticleSystem stream(streamEffect.get(), 12);
    stream.x = 4.0f;
    stream.y = -5.0f;
    for (int frame = 0; frame < 8; ++frame)
    {
        burst.Advance(0.0625f);
        stream.Advance(0.125f);
    }
    ASSERT_EQ(burst.emitters[0]->count, 20u);
    ASSERT_EQ(stream.emitters[0]->count, 8u);

    DrawList list;
    DrawCommand& state = list.Template();
    state.material = material->deviceSlot;
    state.geometry = corners->deviceSlot;
    state.instances = instances->deviceSlot;
    state.textures[0] = texture->deviceSlot;
    const ParticleInstances burstRecords = burst.Render(*texture, 0.5f, *instances);
    list.Draw(burstRecords.first, burstRecords.count, 0.5f);
    const ParticleInstances streamRecords = stream.Render(*texture, 0.5f, *instances);
    list.Draw(streamRecords.first, streamRecords.count, 0.5f);
    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    ASSERT_TRUE(list.Batch());
    list.Submit(*device);
    device->Render();

    const Image image = Read(nullptr, "Particles");
    const Rgba red = {255, 0, 0, 255};
    const Rgba green = {0, 255, 0, 255};
    for (const auto& [system, color] : {std::pair{&burst, red}, std::pair{&stream, green}})
    {
        const EmitterState& particles = *system->emitters[0];
        for (uint32_t i = 0; i < particles.count; ++i)
            EXPECT_TRUE(Near(PixelAt(image, particles.x[i], particles.y[i]), color))
                << "particle " << i << " at " << particles.x[i] << ", " << particles.y[i];
    }
    // The stream's particles, half a unit apart, make one column from the system up to y = -1.
    EXPECT_TRUE(Near(PixelAt(image, 4.0f, -3.2f), green));
    EXPECT_TRUE(Near(PixelAt(image, 4.0f, 1.0f), {0, 0, 0, 255}));
    EXPECT_TRUE(Near(PixelAt(image, 7.5f, 5.5f), {0, 0, 0, 255}));
    EXPECT_TRUE(Near(PixelAt(image, -4.0f, 5.5f), {0, 0, 0, 255}));
}

} // namespace
} // namespace Lumvek::Testing
