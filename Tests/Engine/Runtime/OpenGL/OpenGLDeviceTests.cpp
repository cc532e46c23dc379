#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"
#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"

#include <gmock/gmock.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace Lumvek::Testing
{
namespace
{

using Code = GraphicsCommandCode;
using OpenGL::OpenGLGraphicsDevice;

constexpr Rgba Black = {0, 0, 0, 255};
constexpr Rgba Red = {255, 0, 0, 255};
constexpr Rgba Green = {0, 255, 0, 255};
constexpr Rgba Blue = {0, 0, 255, 255};
constexpr Rgba White = {255, 255, 255, 255};

// Position in clip space (depth 0 to 1) and a colour.
constexpr std::string_view ColorShader = R"(
struct VertexInput { float3 position : POSITION; float4 color : COLOR; };
struct PixelInput { float4 position : SV_POSITION; float4 color : COLOR; };
PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position, 1);
    output.color = input.color;
    return output;
}
float4 pixel_main(PixelInput input) : SV_TARGET { return input.color; }
)";

constexpr std::string_view TextureShader = R"(
cbuffer Tint : register(b1) { float4 tint; };
Texture2D image : register(t0);
SamplerState imageSampler : register(s0);
struct VertexInput { float2 position : POSITION; float2 uv : TEXCOORD0; };
struct PixelInput { float4 position : SV_POSITION; float2 uv : TEXCOORD0; };
PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position, 0.5, 1);
    output.uv = input.uv;
    return output;
}
float4 pixel_main(PixelInput input) : SV_TARGET { return image.Sample(imageSampler, input.uv) * tint; }
)";

struct ColorVertex
{
    float x, y, z;
    Rgba color;
};

struct TextureVertex
{
    float x, y, u, v;
};

const std::vector<VertexElement> ColorElements = {
    {"Position", VertexElementFormat::Float3, VertexSemantic::Position, 0},
    {"Color", VertexElementFormat::Color, VertexSemantic::Color, 0}};
const std::vector<VertexElement> TextureElements = {
    {"Position", VertexElementFormat::Float2, VertexSemantic::Position, 0},
    {"TextureCoordinate", VertexElementFormat::Float2, VertexSemantic::TextureCoordinate, 0}};

// Two clockwise triangles over the clip-space rectangle.
std::vector<ColorVertex> Quad(float x0, float y0, float x1, float y1, Rgba color, float z = 0.5f)
{
    return {{x0, y1, z, color}, {x1, y1, z, color}, {x0, y0, z, color},
            {x1, y1, z, color}, {x1, y0, z, color}, {x0, y0, z, color}};
}

// The whole target, v = 0 at the top.
const std::vector<TextureVertex> Screen = {{-1, 1, 0, 0}, {1, 1, 1, 0},  {-1, -1, 0, 1},
                                           {1, 1, 1, 0},  {1, -1, 1, 1}, {-1, -1, 0, 1}};

template <class... Quads> std::vector<ColorVertex> Join(const Quads&... quads)
{
    std::vector<ColorVertex> all;
    (all.insert(all.end(), quads.begin(), quads.end()), ...);
    return all;
}

class OpenGLDevice : public OpenGLDeviceTest
{
protected:
    // Binds a material and a vertex geometry with no instances or indices.
    void Bind(const Material* material, const Geometry* geometry)
    {
        Push(Code::SetMaterial, material->deviceSlot);
        Push(Code::SetGeometry, geometry->deviceSlot);
        Push(Code::SetInstances, InvalidId);
        Push(Code::SetIndices, InvalidId);
    }
    void DrawAll(const Material* material, const Geometry* geometry)
    {
        Bind(material, geometry);
        Push(Code::Draw, 0, 0);
    }
    // A full-target quad showing the texture at full tint.
    void Show(const Texture* texture)
    {
        if (!textureMaterial)
        {
            textureMaterial = MakeMaterial(TextureShader, TextureElements);
            screen = MakeGeometry(GeometryDataType::TriangleList, Screen);
            constants = MakeGeometry(GeometryDataType::ConstantData, std::vector<float>{1, 1, 1, 1}, 16);
        }
        Push(Code::SetTexture, texture->deviceSlot, 0);
        Push(Code::SetConstants, constants->deviceSlot, 0, 1, 1, GraphicsCommand::StageFlags(0, 1));
        DrawAll(textureMaterial, screen);
    }

    Material* textureMaterial = nullptr;
    Geometry* screen = nullptr;
    Geometry* constants = nullptr;
};

TEST_F(OpenGLDevice, TexturedQuadSamplesTheTopRowAtVZeroTintedByAConstantRange)
{
    Material* material = MakeMaterial(TextureShader, TextureElements);
    Geometry* quad = MakeGeometry(GeometryDataType::TriangleList, Screen);
    Texture* texture = MakeTexture(2, 2, TextureFormat::ColorBuffer4x8, {Red, Green, Blue, White});
    // Two 256-byte blocks: the draw reads the second, bound to the pixel stage only.
    Geometry* tints = device->CreateGeometry(NewSlot(), 0, 0);
    tints->dataType = GeometryDataType::ConstantData;
    const float full[4] = {1, 1, 1, 1};
    const float half[4] = {0.5f, 0.5f, 0.5f, 1};
    std::memcpy(GraphicsBuffer::Allocate(*tints, 16, 1).bytes, full, 16);
    GraphicsBufferRange second = GraphicsBuffer::Allocate(*tints, 16, 1);
    ASSERT_EQ(second.first, 16u);
    std::memcpy(second.bytes, half, 16);

    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    Push(Code::SetTexture, texture->deviceSlot, 0);
    Push(Code::SetConstants, tints->deviceSlot, second.first, 1, 1, GraphicsCommand::StageFlags(0, 1));
    DrawAll(material, quad);
    device->Render();

    const Image image = Read(nullptr, "TexturedQuad");
    EXPECT_TRUE(Near(image.At(16, 12), {128, 0, 0, 255}));
    EXPECT_TRUE(Near(image.At(48, 12), {0, 128, 0, 255}));
    EXPECT_TRUE(Near(image.At(16, 36), {0, 0, 128, 255}));
    EXPECT_TRUE(Near(image.At(48, 36), {128, 128, 128, 255}));
}

// An instance's offset and colour; the material lists them in the other order than the shader.
constexpr std::string_view InstanceShader = R"(
struct VertexInput { float2 position : POSITION; float2 offset : OFFSET; float4 color : COLOR; };
struct PixelInput { float4 position : SV_POSITION; float4 color : COLOR; };
PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position + input.offset, 0.5, 1);
    output.color = input.color;
    return output;
}
float4 pixel_main(PixelInput input) : SV_TARGET { return input.color; }
)";

// Laid out as the material lists its instance elements: colour, then offset.
struct Instance
{
    Rgba color;
    float x, y;
};

struct Point
{
    float x, y;
    Rgba color;
};

TEST_F(OpenGLDevice, InstancedDrawsStartAtTheirFirstInstanceWithInputsMatchedBySemantic)
{
    const std::vector<VertexElement> vertex = {{"Position", VertexElementFormat::Float2, VertexSemantic::Position, 0}};
    const std::vector<VertexElement> instance = {{"Color", VertexElementFormat::Color, VertexSemantic::Color, 0},
                                                 {"Offset", VertexElementFormat::Float2, VertexSemantic::Named, 0}};
    Material* material = MakeMaterial(InstanceShader, vertex, instance);
    // One column per instance, centred on pixels 8, 24, 40 and 56.
    std::vector<Instance> instances;
    for (float x : {-0.75f, -0.25f, 0.25f, 0.75f})
        instances.push_back({x < -0.5f ? Red : x < 0 ? Green : x < 0.5f ? Blue : White, x, 0});
    Geometry* perInstance = MakeGeometry(GeometryDataType::InstanceData, instances);
    // A square above the middle drawn from indices, one below drawn as a plain list.
    Geometry* corners = MakeGeometry(GeometryDataType::TriangleList,
                                     std::vector<float>{-0.1f, 0.6f, 0.1f, 0.6f, -0.1f, 0.4f, 0.1f, 0.4f}, 8);
    Geometry* indices = MakeGeometry(GeometryDataType::IndexList, std::vector<uint16_t>{0, 1, 2, 1, 3, 2});
    Geometry* below = MakeGeometry(
        GeometryDataType::TriangleList,
        std::vector<float>{-0.1f, -0.4f, 0.1f, -0.4f, -0.1f, -0.6f, 0.1f, -0.4f, 0.1f, -0.6f, -0.1f, -0.6f}, 8);

    // Without an element for one of its inputs a material builds no layout and binds no program.
    LogCapture log;
    Material* missing = MakeMaterial(InstanceShader, vertex, {instance[0]});
    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    Push(Code::SetMaterial, missing->deviceSlot);
    Push(Code::SetGeometry, below->deviceSlot);
    Push(Code::SetInstances, perInstance->deviceSlot);
    Push(Code::Draw, 0, 0);
    device->Render();
    EXPECT_TRUE(log.Logged("failed to create the input layout: no element for OFFSET0"));
    EXPECT_TRUE(Near(Read(nullptr, "MissingElement").At(56, 36), Black));

    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    Push(Code::SetMaterial, material->deviceSlot);
    Push(Code::SetGeometry, corners->deviceSlot);
    Push(Code::SetInstances, perInstance->deviceSlot);
    Push(Code::SetIndices, indices->deviceSlot);
    Push(Code::Draw, 1, 2);
    Push(Code::SetGeometry, below->deviceSlot);
    Push(Code::SetInstances, perInstance->deviceSlot);
    Push(Code::SetIndices, InvalidId);
    Push(Code::Draw, 3, 1);
    device->Render();

    const Image image = Read(nullptr, "Instances");
    const Rgba above[4] = {Black, Green, Blue, Black};
    const Rgba under[4] = {Black, Black, Black, White};
    for (uint32_t column = 0; column < 4; ++column)
    {
        EXPECT_TRUE(Near(image.At(8 + 16 * column, 12), above[column])) << column;
        EXPECT_TRUE(Near(image.At(8 + 16 * column, 36), under[column])) << column;
    }
}

constexpr std::string_view PointShader = R"(
struct VertexInput { float2 position : POSITION; float4 color : COLOR; };
struct Point { float4 position : SV_POSITION; float4 color : COLOR; };
Point vertex_main(VertexInput input)
{
    Point output;
    output.position = float4(input.position, 0.5, 1);
    output.color = input.color;
    return output;
}
[maxvertexcount(4)]
void geometry_main(point Point points[1], inout TriangleStream<Point> stream)
{
    const float2 corners[4] = { float2(-1, 1), float2(1, 1), float2(-1, -1), float2(1, -1) };
    for (int i = 0; i < 4; ++i)
    {
        Point corner = points[0];
        corner.position.xy += corners[i] * 0.25;
        stream.Append(corner);
    }
}
float4 pixel_main(Point input) : SV_TARGET { return input.color; }
)";

TEST_F(OpenGLDevice, AGeometryShaderExpandsPointsToQuads)
{
    const std::vector<VertexElement> elements = {{"Position", VertexElementFormat::Float2, VertexSemantic::Position, 0},
                                                 {"Color", VertexElementFormat::Color, VertexSemantic::Color, 0}};
    Material* material = MakeMaterial(PointShader, elements);
    ASSERT_GT(material->geometryCode.Size(), 0u);
    Geometry* points =
        MakeGeometry(GeometryDataType::PointList, std::vector<Point>{{-0.5f, 0.5f, Red}, {0.5f, -0.5f, Green}});
    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    DrawAll(material, points);
    device->Render();

    const Image image = Read(nullptr, "GeometryShader");
    // Each quad spans 0.5 of clip space: 16 by 12 pixels around its point.
    EXPECT_TRUE(Near(image.At(16, 12), Red));
    EXPECT_TRUE(Near(image.At(10, 8), Red));
    EXPECT_TRUE(Near(image.At(22, 16), Red));
    EXPECT_TRUE(Near(image.At(48, 36), Green));
    EXPECT_TRUE(Near(image.At(42, 31), Green));
    EXPECT_TRUE(Near(image.At(32, 24), Black));
    EXPECT_TRUE(Near(image.At(4, 24), Black));
}

TEST_F(OpenGLDevice, ARenderTargetDrawnThenSampledIsRightSideUp)
{
    Material* material = MakeMaterial(ColorShader, ColorElements);
    Geometry* halves =
        MakeGeometry(GeometryDataType::TriangleList, Join(Quad(-1, 0, 1, 1, Red), Quad(-1, -1, 1, 0, Green)));
    Texture* target = MakeTexture(32, 32, TextureFormat::ColorTarget4x8);

    Push(GraphicsCommand::SetColorTarget(target->deviceSlot, 0));
    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    DrawAll(material, halves);
    Push(GraphicsCommand::SetColorTarget(InvalidId, 0));
    Push(GraphicsCommand::Clear(0, 0, 1, 1));
    Show(target);
    device->Render();

    const Image shown = Read(nullptr, "TargetSampled");
    EXPECT_TRUE(Near(shown.At(16, 6), Red));
    EXPECT_TRUE(Near(shown.At(48, 20), Red));
    EXPECT_TRUE(Near(shown.At(16, 28), Green));
    EXPECT_TRUE(Near(shown.At(48, 42), Green));
    const Image read = Read(target, "Target");
    ASSERT_EQ(read.width, 32u);
    EXPECT_TRUE(Near(read.At(8, 4), Red));
    EXPECT_TRUE(Near(read.At(8, 28), Green));
}

constexpr std::string_view TwoTargetShader = R"(
struct Output { float4 first : SV_Target0; float4 second : SV_Target1; };
float4 vertex_main(float3 position : POSITION) : SV_POSITION { return float4(position, 1); }
Output pixel_main(float4 position : SV_POSITION)
{
    Output output;
    output.first = float4(1, 0, 0, 1);
    output.second = float4(0, 0, 1, 1);
    return output;
}
)";

TEST_F(OpenGLDevice, TwoColourTargetsAreDrawnAtOnce)
{
    Material* material = MakeMaterial(TwoTargetShader, ColorElements);
    Geometry* quad = MakeGeometry(GeometryDataType::TriangleList, Quad(-1, -1, 1, 1, White));
    Texture* first = MakeTexture(16, 16, TextureFormat::ColorTarget4x8);
    Texture* second = MakeTexture(16, 16, TextureFormat::ColorTarget4x8);
    Texture* ignored = MakeTexture(16, 16, TextureFormat::ColorTarget4x8);

    Push(GraphicsCommand::SetColorTarget(first->deviceSlot, 0));
    Push(GraphicsCommand::SetColorTarget(second->deviceSlot, 1));
    // An index two past the bound count changes nothing.
    Push(GraphicsCommand::SetColorTarget(ignored->deviceSlot, 3));
    Push(GraphicsCommand::Clear(0, 1, 0, 1));
    DrawAll(material, quad);
    device->Render();

    EXPECT_TRUE(Near(Read(first, "FirstTarget").At(8, 8), Red));
    EXPECT_TRUE(Near(Read(second, "SecondTarget").At(8, 8), Blue));
}

TEST_F(OpenGLDevice, DepthTestKeepsTheNearestAndNoColourWritesDepthOnly)
{
    Material* material = MakeMaterial(ColorShader, ColorElements);
    material->SetDepthState({1, 1, CompareFunction::Less});
    Material* depthOnly = MakeMaterial(ColorShader, ColorElements);
    depthOnly->SetDepthState({1, 1, CompareFunction::Less});
    depthOnly->fillMode = FillMode::NoColor;
    depthOnly->MarkChanged();
    Geometry* before = MakeGeometry(GeometryDataType::TriangleList,
                                    Join(Quad(-1, -1, 0, 1, Green, 0.25f), Quad(-1, -1, 1, 1, Red, 0.4f)));
    Geometry* lower = MakeGeometry(GeometryDataType::TriangleList, Quad(-1, -1, 1, 0, White, 0.1f));
    // Depth 0.6 lies behind the cleared 0.5 only when depth runs from 0 to 1, as the shaders write it.
    Geometry* after = MakeGeometry(GeometryDataType::TriangleList,
                                   Join(Quad(-1, -1, 1, 1, Blue, 0.3f), Quad(-1, -1, 1, 1, White, 0.6f)));
    Texture* color = MakeTexture(32, 32, TextureFormat::ColorTarget4x8);
    Texture* depth = MakeTexture(32, 32, TextureFormat::DepthStencilTarget24_8);

    Push(GraphicsCommand::SetColorTarget(color->deviceSlot, 0));
    Push(GraphicsCommand::SetDepthTarget(depth->deviceSlot));
    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    Push(GraphicsCommand::ClearDepth(0.5f, 0));
    DrawAll(material, before);
    DrawAll(depthOnly, lower);
    DrawAll(material, after);
    device->Render();

    const Image image = Read(color, "Depth");
    EXPECT_TRUE(Near(image.At(8, 8), Green));
    EXPECT_TRUE(Near(image.At(24, 8), Blue));
    EXPECT_TRUE(Near(image.At(8, 24), Green));
    EXPECT_TRUE(Near(image.At(24, 24), Red));

    // The depth target sampled shows its depths in red, right side up.
    Push(GraphicsCommand::SetColorTarget(InvalidId, 0));
    Push(GraphicsCommand::SetDepthTarget(InvalidId));
    Show(depth);
    device->Render();
    const Image depths = Read(nullptr, "DepthSampled");
    EXPECT_TRUE(Near(depths.At(16, 12), {64, 0, 0, 255}));
    EXPECT_TRUE(Near(depths.At(48, 12), {77, 0, 0, 255}));
    EXPECT_TRUE(Near(depths.At(16, 36), {26, 0, 0, 255}));
    EXPECT_TRUE(Near(depths.At(48, 36), {26, 0, 0, 255}));
}

TEST_F(OpenGLDevice, TheClipRectangleCountsFromTheTopLeftAndAClearIgnoresIt)
{
    Material* material = MakeMaterial(ColorShader, ColorElements);
    Geometry* red = MakeGeometry(GeometryDataType::TriangleList, Quad(-1, -1, 1, 1, Red));
    Geometry* blue = MakeGeometry(GeometryDataType::TriangleList, Quad(-1, -1, 1, 1, Blue));
    Push(GraphicsCommand::SetClip(30, 30, 2, 2));
    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    Push(GraphicsCommand::SetClip(8.4f, 3.5f, 16, 12));
    DrawAll(material, red);
    // No width or height: to the right and bottom edges of the target.
    Push(GraphicsCommand::SetClip(40, 30, 0, -1));
    DrawAll(material, blue);
    device->Render();

    const Image image = Read(nullptr, "Clip");
    const struct
    {
        uint32_t x, y;
        Rgba color;
    } cases[] = {
        {8, 4, Red},    {23, 15, Red},  {7, 4, Black},  {24, 4, Black},  {8, 3, Black},
        {8, 16, Black}, {40, 30, Blue}, {63, 47, Blue}, {39, 47, Black}, {63, 29, Black},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Near(image.At(c.x, c.y), c.color)) << c.x << ", " << c.y;
}

TEST_F(OpenGLDevice, AMultisampledTargetIsResolvedWhenSampled)
{
    EXPECT_EQ(device->GetMultisampleCounts(), (std::vector<uint32_t>{1, 2, 4}));
    device->SetMultisampleCount(8);
    EXPECT_EQ(device->multisampleCount, 4u);
    Material* material = MakeMaterial(ColorShader, ColorElements);
    // The lower left half of the target, cut by its diagonal.
    Geometry* triangle =
        MakeGeometry(GeometryDataType::TriangleList,
                     std::vector<ColorVertex>{{-1, 1, 0.5f, White}, {1, -1, 0.5f, White}, {-1, -1, 0.5f, White}});
    Texture* target = MakeTexture(32, 32, TextureFormat::ColorTarget4x8);
    Push(GraphicsCommand::SetColorTarget(target->deviceSlot, 0));
    Push(GraphicsCommand::Clear(0, 0, 0, 1));
    DrawAll(material, triangle);
    Push(GraphicsCommand::SetColorTarget(InvalidId, 0));
    Show(target);
    device->Render();

    const Image image = Read(target, "Multisampled");
    EXPECT_TRUE(Near(image.At(4, 28), White));
    EXPECT_TRUE(Near(image.At(28, 4), Black));
    uint32_t partial = 0;
    for (uint32_t i = 0; i < 32; ++i)
        if (const Rgba pixel = image.At(i, i); pixel[0] > 20 && pixel[0] < 235)
            ++partial;
    EXPECT_GT(partial, 16u) << "the diagonal's pixels are partly covered";
    EXPECT_TRUE(Near(Read(nullptr, "MultisampledShown").At(8, 40), White));

    device->SetMultisampleCount(1);
    EXPECT_EQ(device->multisampleCount, 1u);
}

TEST_F(OpenGLDevice, BlendStatesCombineTheSourceWithTheTarget)
{
    using F = BlendFactor;
    using O = BlendOperation;
    const struct
    {
        BlendState color;
        BlendState alpha;
        Rgba expected;
    } cases[] = {
        {{F::One, F::One, O::None}, {}, {255, 0, 0, 128}},
        {{F::SourceAlpha, F::InverseSourceAlpha, O::Add}, {}, {128, 0, 128, 191}},
        {{F::One, F::One, O::Add}, {}, {255, 0, 255, 255}},
        {{F::One, F::One, O::Maximum}, {}, {255, 0, 255, 255}},
        {{F::One, F::One, O::ReverseSubtract}, {}, {0, 0, 255, 128}},
        {{F::One, F::Zero, O::Add}, {F::Zero, F::One, O::Add}, {255, 0, 0, 255}},
    };
    std::vector<Material*> materials;
    std::vector<Geometry*> columns;
    const float step = 2.0f / std::size(cases);
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        materials.push_back(MakeMaterial(ColorShader, ColorElements));
        materials.back()->SetBlend(cases[i].color, cases[i].alpha);
        columns.push_back(MakeGeometry(GeometryDataType::TriangleList,
                                       Quad(-1 + step * i, -1, -1 + step * (i + 1), 1, {255, 0, 0, 128})));
    }
    Push(GraphicsCommand::Clear(0, 0, 1, 1));
    for (size_t i = 0; i < std::size(cases); ++i)
        DrawAll(materials[i], columns[i]);
    device->Render();

    const Image image = Read(nullptr, "Blend");
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(Near(image.At(static_cast<uint32_t>((i + 0.5) * Width / std::size(cases)), 24), cases[i].expected))
            << i;

    // The material has dropped its code since; a later change of its states keeps its program.
    EXPECT_EQ(materials[0]->vertexCode.Size(), 0u);
    materials[0]->SetBlend({F::One, F::One, O::Add}, {});
    Push(GraphicsCommand::Clear(0, 0, 1, 1));
    DrawAll(materials[0], columns[0]);
    device->Render();
    EXPECT_TRUE(Near(Read(nullptr, "BlendChanged").At(5, 24), {255, 0, 255, 255}));
}

TEST_F(OpenGLDevice, ATextureReuploadsOnlyItsDirtyRectangle)
{
    Texture* texture = MakeTexture(2, 2, TextureFormat::ColorBuffer4x8, {Red, Green, Blue, White});
    Show(texture);
    device->Render();

    std::memcpy(texture->pixels.Data(), Black.data(), 4);
    std::memcpy(texture->pixels.Data() + 12, Black.data(), 4);
    texture->GrowDirtyRectangle(0, 0, 1, 1);
    texture->MarkChanged();
    Show(texture);
    device->Render();

    const Image image = Read(nullptr, "DirtyRectangle");
    EXPECT_TRUE(Near(image.At(16, 12), Black));
    EXPECT_TRUE(Near(image.At(48, 12), Green));
    EXPECT_TRUE(Near(image.At(48, 36), White)) << "outside the rectangle, the old pixels stay";
}

TEST_F(OpenGLDevice, ADynamicGeometryDrawsWhatItWasLastFilledWith)
{
    Material* material = MakeMaterial(ColorShader, ColorElements);
    Geometry* geometry = MakeGeometry(GeometryDataType::TriangleList, Quad(-1, -1, 0, 1, Red), sizeof(ColorVertex),
                                      ResourceUsage::Dynamic);
    // Shrunk into the buffer it has, then grown past it.
    const std::vector<ColorVertex> fills[] = {Quad(0, -1, 1, 1, Blue),
                                              Join(Quad(-1, -1, 0, 1, Green), Quad(0, -1, 1, 1, Green))};
    const std::vector<ColorVertex> smaller(fills[0].begin(), fills[0].begin() + 3);
    const Rgba expected[3][2] = {{Red, Black}, {Black, Blue}, {Green, Green}};
    for (uint32_t frame = 0; frame < 3; ++frame)
    {
        if (frame == 1)
            Fill(*geometry, smaller, sizeof(ColorVertex));
        if (frame == 2)
            Fill(*geometry, fills[1], sizeof(ColorVertex));
        Push(GraphicsCommand::Clear(0, 0, 0, 1));
        DrawAll(material, geometry);
        device->Render();
        const Image image = Read(nullptr, "Dynamic" + std::to_string(frame));
        EXPECT_TRUE(Near(image.At(8, 24), expected[frame][0])) << frame;
        EXPECT_TRUE(Near(image.At(60, 4), expected[frame][1])) << frame;
    }
}

TEST_F(OpenGLDevice, AMaterialLoadedFromItsFileIsReloadedWhenTheFileChanges)
{
    // The shader writes one constant colour; editing the file must change what a running program
    // draws, through the file manager's watch and the device's next upload.
    auto shaderOf = [](const char* color)
    {
        std::string text(ColorShader);
        return text.replace(text.find("return input.color;"), std::strlen("return input.color;"),
                            std::string("return float4(") + color + ");");
    };
    TestFolder folder;
    FileManager files(folder.Root(), folder.Root(), folder.Root(), folder.Root());
    OpenGL::RegisterHlslFormat(files, *device, false);
    ASSERT_TRUE(File::WriteAllText(folder.Path("Shaders/Flat.hlsl"), shaderOf("1, 0, 0, 1")));
    table.files = &files;
    table.watch = 1;

    Material* material = device->CreateMaterial(NewSlot());
    ASSERT_NE(material, nullptr);
    // The watch points into the material: it must go before the file manager does.
    struct Unwatch
    {
        Material* material;
        ~Unwatch() { material->handle.Release(); }
    } unwatch{material};
    material->Load("Shaders/Missing.hlsl|Shaders/Flat.hlsl");
    EXPECT_EQ(material->path, "Shaders/Missing.hlsl|Shaders/Flat.hlsl");
    ASSERT_TRUE(material->handle.IsLoaded());
    ASSERT_EQ(files.GetWatches().size(), 1u);
    EXPECT_EQ(files.GetWatches()[0].path, folder.Path("Shaders/Flat.hlsl"));
    material->vertexElements = ColorElements;
    material->FinishChanges();
    Geometry* quad = MakeGeometry(GeometryDataType::TriangleList, Quad(-1, -1, 1, 1, Blue));

    auto frame = [&](const std::string& name)
    {
        Push(GraphicsCommand::Clear(0, 0, 0, 1));
        DrawAll(material, quad);
        device->Render();
        return Read(nullptr, name).At(Width / 2, Height / 2);
    };
    EXPECT_TRUE(Near(frame("MaterialBeforeReload"), Red));
    // Upload-once: the code is gone from the CPU side, so only a reload can bring new code.
    EXPECT_EQ(material->vertexCode.Size(), 0u);

    ASSERT_TRUE(File::WriteAllText(folder.Path("Shaders/Flat.hlsl"), shaderOf("0, 1, 0, 1")));
    const std::string path = folder.Path("Shaders/Flat.hlsl");
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(10));
    const uint32_t version = material->version;
    files.PollWatches();
    EXPECT_GT(material->version, version);
    EXPECT_TRUE(Near(frame("MaterialAfterReload"), Green));

    // Loading another list releases the old watch; with the table's flag cleared the new load has none.
    table.watch = 0;
    material->Load("Shaders/Flat.hlsl");
    EXPECT_TRUE(material->handle.IsLoaded());
    EXPECT_TRUE(files.GetWatches().empty());
}

TEST(OpenGLDeviceSizes, BackBufferAspectResolutionsAndSampleCounts)
{
    const struct
    {
        float scale, width, height;
        uint32_t expectedWidth, expectedHeight;
    } sizes[] = {
        {1, 1000, 1000, 1000, 750},   {1, 3000, 1000, 1777, 1000}, {1, 1920, 1080, 1920, 1080},
        {0.5f, 1920, 1080, 960, 540}, {1, 0, 1080, 0, 0},          {1, 1024, 768, 1024, 768},
    };
    for (const auto& c : sizes)
    {
        uint32_t w = 1;
        uint32_t h = 1;
        OpenGLGraphicsDevice::BackBufferSize(c.scale, c.width, c.height, w, h);
        EXPECT_EQ(w, c.expectedWidth) << c.width << " x " << c.height;
        EXPECT_EQ(h, c.expectedHeight) << c.width << " x " << c.height;
    }

    const std::vector<Resolution> desktop = {
        {3840, 2160, true}, {1920, 1080, true}, {1440, 810, true}, {960, 540, true}, {1280, 720, false}};
    EXPECT_EQ(OpenGLGraphicsDevice::ResolutionsFor(1920, 1080), desktop);
    const std::vector<Resolution> large = {{5120, 2880, true}, {2560, 1440, true},  {1920, 1080, true},
                                           {1280, 720, true},  {1920, 1200, false}, {1920, 1080, false},
                                           {1280, 720, false}};
    EXPECT_EQ(OpenGLGraphicsDevice::ResolutionsFor(2560, 1440), large);

    const struct
    {
        uint32_t requested, maximum, expected;
    } counts[] = {{8, 4, 4}, {1, 4, 1}, {0, 4, 1}, {4, 4, 4}, {16, 8, 8}, {6, 8, 1}, {2, 1, 1}};
    for (const auto& c : counts)
        EXPECT_EQ(OpenGLGraphicsDevice::SupportedSampleCount(c.requested, c.maximum), c.expected) << c.requested;
}

} // namespace
} // namespace Lumvek::Testing
