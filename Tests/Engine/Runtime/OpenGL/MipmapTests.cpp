// Textures that ask for mipmaps are drawn small from their smaller levels, built again after every
// upload, a partial one included.

#include "Tests/Engine/Runtime/OpenGL/OpenGLTestSupport.h"

#include <gtest/gtest.h>

using namespace Lumvek;
using namespace Lumvek::Testing;

namespace
{

constexpr std::string_view SampleShader = R"(
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
float4 pixel_main(PixelInput input) : SV_TARGET { return image.Sample(imageSampler, input.uv); }
)";

struct TextureVertex
{
    float x, y, u, v;
};

constexpr uint32_t Side = 64;
constexpr uint32_t Shown = 8;

// Columns in periods of eight: six white, two black. Whole levels average to 3/4 white, while a
// single level read at the period's middle finds only white.
std::vector<Rgba> Stripes()
{
    std::vector<Rgba> pixels(Side * Side);
    for (uint32_t y = 0; y < Side; ++y)
        for (uint32_t x = 0; x < Side; ++x)
            pixels[y * Side + x] = x % 8 < 6 ? Rgba{255, 255, 255, 255} : Rgba{0, 0, 0, 255};
    return pixels;
}

class Mipmaps : public OpenGLDeviceTest
{
protected:
    // The texture shrunk eight times into the target's top left corner.
    Image DrawSmall(const Texture* texture, const std::string& name)
    {
        if (!material)
        {
            material = MakeMaterial(
                SampleShader,
                {{"Position", VertexElementFormat::Float2, VertexSemantic::Position, 0},
                 {"TextureCoordinate", VertexElementFormat::Float2, VertexSemantic::TextureCoordinate, 0}});
            material->samplers[0] = {SamplerFilter::Linear, SamplerAddress::Clamp, SamplerAddress::Clamp};
            const float right = -1.0f + 2.0f * Shown / Width;
            const float bottom = 1.0f - 2.0f * Shown / Height;
            quad = MakeGeometry(GeometryDataType::TriangleList, std::vector<TextureVertex>{{-1, 1, 0, 0},
                                                                                           {right, 1, 1, 0},
                                                                                           {-1, bottom, 0, 1},
                                                                                           {right, 1, 1, 0},
                                                                                           {right, bottom, 1, 1},
                                                                                           {-1, bottom, 0, 1}});
        }
        Push(GraphicsCommand::Clear(0, 0, 1, 1));
        Push(GraphicsCommandCode::SetTexture, texture->deviceSlot, 0);
        Push(GraphicsCommandCode::SetMaterial, material->deviceSlot);
        Push(GraphicsCommandCode::SetGeometry, quad->deviceSlot);
        Push(GraphicsCommandCode::SetInstances, InvalidId);
        Push(GraphicsCommandCode::SetIndices, InvalidId);
        Push(GraphicsCommandCode::Draw, 0, 0);
        device->Render();
        return Read(nullptr, name);
    }

    Material* material = nullptr;
    Geometry* quad = nullptr;
};

} // namespace

TEST_F(Mipmaps, ATextureDrawnSmallReadsItsSmallerLevelsOnlyWhenItAsksForThem)
{
    Texture* plain = MakeTexture(Side, Side, TextureFormat::ColorBuffer4x8, Stripes());
    EXPECT_TRUE(Near(DrawSmall(plain, "MipmapsNone").At(2, 2), {255, 255, 255, 255}, 8));

    Texture* mipmapped = MakeTexture(Side, Side, TextureFormat::ColorBuffer4x8, Stripes());
    mipmapped->mipmaps = 1;
    mipmapped->FinishChanges();
    EXPECT_TRUE(Near(DrawSmall(mipmapped, "MipmapsBuilt").At(2, 2), {191, 191, 191, 255}, 8));
}

TEST_F(Mipmaps, APartialUploadBuildsTheSmallerLevelsAgain)
{
    Texture* texture = MakeTexture(Side, Side, TextureFormat::ColorBuffer4x8, Stripes());
    texture->mipmaps = 1;
    texture->FinishChanges();
    EXPECT_TRUE(Near(DrawSmall(texture, "MipmapsBefore").At(1, 4), {191, 191, 191, 255}, 8));

    // The left half turns black and only that half goes up, as a streamed image's cell does.
    for (uint32_t y = 0; y < Side; ++y)
        std::memset(texture->pixels.Data() + size_t(y) * Side * 4, 0, Side / 2 * 4);
    for (uint32_t y = 0; y < Side; ++y)
        for (uint32_t x = 0; x < Side / 2; ++x)
            texture->pixels.Data()[(size_t(y) * Side + x) * 4 + 3] = 255;
    texture->GrowDirtyRectangle(0, 0, Side / 2, Side);
    texture->MarkChanged();
    const Image after = DrawSmall(texture, "MipmapsAfterPartialUpload");
    EXPECT_TRUE(Near(after.At(1, 4), {0, 0, 0, 255}, 8));
    EXPECT_TRUE(Near(after.At(Shown - 2, 4), {191, 191, 191, 255}, 8));
}
