#pragma once

#include "Engine/Foundation/StringView.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Lumvek::OpenGL
{

enum class ShaderStage : uint32_t
{
    Vertex = 0,
    Geometry = 1,
    Pixel = 2,
};

// Uniform block bindings: each stage has its own range, because the vertex and pixel stages may bind
// different ranges to one constant-buffer slot. The geometry stage reads the vertex stage's ranges.
constexpr uint32_t ConstantSlotCount = 16;
constexpr uint32_t VertexBlockBinding = 0;
constexpr uint32_t PixelBlockBinding = ConstantSlotCount;

// A vertex shader input, known by the HLSL semantic it was declared with ("TEXCOORD1" is the name
// "TEXCOORD" with the index 1). Names are upper case, as the HLSL front end keeps them.
struct ShaderAttribute
{
    uint32_t location = 0;
    std::string semanticName;
    uint32_t semanticIndex = 0;
};

// A constant buffer of the HLSL text, as a std140 uniform block named for its stage and register.
struct ShaderUniformBlock
{
    std::string name;
    // The HLSL register (b1 is 1).
    uint32_t slot = 0;
};

// A texture and the sampler it is read with, joined into one GLSL sampler named after the texture.
struct ShaderSampler
{
    std::string name;
    // The texture's register (t2 is unit 2).
    uint32_t textureUnit = 0;
    // The sampler's register; InvalidSampler when the texture is read without one (Load).
    uint32_t samplerSlot = 0;
};

constexpr uint32_t InvalidSampler = 0xFFFFFFFFu;

// One stage of a program in GLSL 330, with what the device binds by name after linking.
struct GlslShader
{
    std::string source;
    // Vertex stage only; each keeps its explicit location.
    std::vector<ShaderAttribute> attributes;
    std::vector<ShaderUniformBlock> blocks;
    std::vector<ShaderSampler> samplers;
};

// Compiles the entry point of HLSL source text for the stage into SPIR-V. sourceName names the text in
// the compiler's messages. With debug, the words carry debug information and warnings fail the
// compilation. On failure messages holds the compiler's text and spirv is left empty.
bool CompileHlsl(StringView source, StringView sourceName, StringView entryPoint, ShaderStage stage, bool debug,
                 std::vector<uint32_t>& spirv, std::string& messages);

// Translates the SPIR-V of a stage into GLSL 330 that links with its neighbours by name: varyings are
// renamed after their locations, constant buffers after their stage and register. feedsGeometry tells
// a vertex stage that a geometry stage follows it; the last stage before the rasterizer moves depth
// from [0, 1] to GL's [-1, 1]. Bad words are refused with the translator's text in messages.
bool TranslateToGlsl(const uint32_t* words, size_t count, ShaderStage stage, bool feedsGeometry, GlslShader& shader,
                     std::string& messages);

// Splits "TEXCOORD12" into "TEXCOORD" and 12; a semantic without trailing digits has index 0.
void SplitSemantic(StringView semantic, std::string& name, uint32_t& index);

} // namespace Lumvek::OpenGL
