#include "Engine/Runtime/OpenGL/ShaderCompiler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string_view>

namespace Lumvek::OpenGL
{
namespace
{

using ::testing::HasSubstr;

constexpr std::string_view Source = R"(
cbuffer Frame : register(b1) { float4x4 viewProjection; float4 tint; };
cbuffer Object : register(b3) { float4 offset; };
Texture2D image : register(t2);
Texture2D mask : register(t0);
SamplerState imageSampler : register(s1);
struct VertexInput { float2 position : POSITION; float2 uv : TexCoord1; float4 color : COLOR; float radius : InnerStrokeRadius; };
struct PixelInput { float4 position : SV_POSITION; float2 uv : TEXCOORD0; float4 color : COLOR0; };
// Handing a texture and sampler to a function needs the optimizer's legalization.
float4 Read(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv); }
PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = mul(float4(input.position, 0.5, 1), viewProjection) + offset;
    output.uv = input.uv;
    output.color = input.color * tint * input.radius;
    return output;
}
float4 pixel_main(PixelInput input) : SV_TARGET
{
    return Read(image, imageSampler, input.uv) * input.color * mask.Load(int3(0, 0, 0)).a;
}
)";

std::vector<uint32_t> Compile(StringView entry, ShaderStage stage)
{
    std::vector<uint32_t> spirv;
    std::string messages;
    EXPECT_TRUE(CompileHlsl(Source, "Test.hlsl", entry, stage, false, spirv, messages)) << messages;
    return spirv;
}

GlslShader Translate(const std::vector<uint32_t>& spirv, ShaderStage stage, bool feedsGeometry)
{
    GlslShader shader;
    std::string messages;
    EXPECT_TRUE(TranslateToGlsl(spirv.data(), spirv.size(), stage, feedsGeometry, shader, messages)) << messages;
    return shader;
}

TEST(ShaderCompiler, VertexInputsAreKnownBySemanticAndConstantBuffersByStageAndRegister)
{
    const GlslShader vertex = Translate(Compile("vertex_main", ShaderStage::Vertex), ShaderStage::Vertex, false);
    ASSERT_EQ(vertex.attributes.size(), 4u);
    const struct
    {
        const char* name;
        uint32_t index;
    } expected[] = {{"POSITION", 0}, {"TEXCOORD", 1}, {"COLOR", 0}, {"INNERSTROKERADIUS", 0}};
    for (uint32_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(vertex.attributes[i].location, i);
        EXPECT_EQ(vertex.attributes[i].semanticName, expected[i].name);
        EXPECT_EQ(vertex.attributes[i].semanticIndex, expected[i].index);
    }

    ASSERT_EQ(vertex.blocks.size(), 2u);
    EXPECT_EQ(vertex.blocks[0].name, "VertexConstants1");
    EXPECT_EQ(vertex.blocks[0].slot, 1u);
    EXPECT_EQ(vertex.blocks[1].name, "VertexConstants3");
}

TEST(ShaderCompiler, TexturesBecomeSamplersNamedAfterThemOnTheirRegisters)
{
    const GlslShader pixel = Translate(Compile("pixel_main", ShaderStage::Pixel), ShaderStage::Pixel, false);
    ASSERT_EQ(pixel.samplers.size(), 2u);
    const ShaderSampler* image = nullptr;
    const ShaderSampler* mask = nullptr;
    for (const ShaderSampler& sampler : pixel.samplers)
        (sampler.name == "image" ? image : mask) = &sampler;
    ASSERT_NE(image, nullptr);
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->name, "mask");
    EXPECT_EQ(image->textureUnit, 2u);
    EXPECT_EQ(image->samplerSlot, 1u);
    EXPECT_EQ(mask->textureUnit, 0u);
    EXPECT_EQ(mask->samplerSlot, InvalidSampler);
    EXPECT_THAT(pixel.source, HasSubstr("uniform sampler2D image;"));
    EXPECT_TRUE(pixel.attributes.empty());
}

TEST(ShaderCompiler, FailuresCarryTheCompilersText)
{
    std::vector<uint32_t> spirv;
    std::string messages;
    EXPECT_FALSE(CompileHlsl(Source, "Test.hlsl", "missing_main", ShaderStage::Pixel, false, spirv, messages));
    EXPECT_THAT(messages, HasSubstr("Entry point not found"));
    EXPECT_TRUE(spirv.empty());

    constexpr std::string_view broken = "float4 pixel_main() : SV_TARGET { return undefinedThing; }";
    EXPECT_FALSE(CompileHlsl(broken, "Broken.hlsl", "pixel_main", ShaderStage::Pixel, false, spirv, messages));
    EXPECT_THAT(messages, HasSubstr("Broken.hlsl"));
    EXPECT_THAT(messages, HasSubstr("undefinedThing"));

    // Words that are not SPIR-V, are cut short, or hold another stage are refused, not trusted.
    std::vector<uint32_t> pixel = Compile("pixel_main", ShaderStage::Pixel);
    GlslShader shader;
    const uint32_t garbage[] = {1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(TranslateToGlsl(garbage, 6, ShaderStage::Pixel, false, shader, messages));
    EXPECT_FALSE(TranslateToGlsl(pixel.data(), 7, ShaderStage::Pixel, false, shader, messages));
    EXPECT_FALSE(messages.empty());
    EXPECT_FALSE(TranslateToGlsl(pixel.data(), pixel.size(), ShaderStage::Vertex, false, shader, messages));
    EXPECT_THAT(messages, HasSubstr("Vertex"));
    EXPECT_FALSE(TranslateToGlsl(nullptr, 0, ShaderStage::Pixel, false, shader, messages));
}

TEST(ShaderCompiler, DebugBuildsCarryDebugInformation)
{
    std::vector<uint32_t> release;
    std::vector<uint32_t> debug;
    std::string messages;
    ASSERT_TRUE(CompileHlsl(Source, "Test.hlsl", "pixel_main", ShaderStage::Pixel, false, release, messages));
    ASSERT_TRUE(CompileHlsl(Source, "Test.hlsl", "pixel_main", ShaderStage::Pixel, true, debug, messages)) << messages;
    EXPECT_GT(debug.size(), release.size());
    GlslShader shader;
    EXPECT_TRUE(TranslateToGlsl(debug.data(), debug.size(), ShaderStage::Pixel, false, shader, messages)) << messages;
}

TEST(ShaderCompiler, SemanticsSplitIntoNameAndTrailingIndex)
{
    const struct
    {
        const char* semantic;
        const char* name;
        uint32_t index;
    } cases[] = {
        {"POSITION", "POSITION", 0},
        {"TEXCOORD12", "TEXCOORD", 12},
        {"COLOR0", "COLOR", 0},
        {"A1B2", "A1B", 2},
        {"", "", 0},
        {"7", "", 7},
        {"X99999999999", "X", 0xFFFFFFFFu},
    };
    for (const auto& test : cases)
    {
        std::string name;
        uint32_t index = 123;
        SplitSemantic(StringView::FromCString(test.semantic), name, index);
        EXPECT_EQ(name, test.name) << test.semantic;
        EXPECT_EQ(index, test.index) << test.semantic;
    }
}

} // namespace
} // namespace Lumvek::OpenGL
