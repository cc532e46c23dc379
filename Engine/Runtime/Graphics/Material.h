#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/FormatHandle.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Lumvek
{

enum class CullMode : uint32_t
{
    None = 0,
    Front = 1,
    Back = 2,
};

enum class FillMode : uint32_t
{
    Solid = 0,
    Wireframe = 1,
    // Writes depth and stencil only.
    NoColor = 2,
};

enum class BlendFactor : uint32_t
{
    Zero = 0,
    One = 1,
    SourceColor = 2,
    InverseSourceColor = 3,
    SourceAlpha = 4,
    InverseSourceAlpha = 5,
    DestinationColor = 6,
    InverseDestinationColor = 7,
    DestinationAlpha = 8,
    InverseDestinationAlpha = 9,
};

enum class BlendOperation : uint32_t
{
    // Blending off for colour; for alpha, use the colour's factors and operation.
    None = 0,
    Add = 1,
    Subtract = 2,
    ReverseSubtract = 3,
    Minimum = 4,
    Maximum = 5,
};

enum class CompareFunction : uint32_t
{
    Never = 0,
    Always = 1,
    Equal = 2,
    NotEqual = 3,
    Less = 4,
    LessEqual = 5,
    Greater = 6,
    GreaterEqual = 7,
};

enum class StencilOperation : uint32_t
{
    Keep = 0,
    Zero = 1,
    Replace = 2,
    IncrementClamp = 3,
    Increment = 4,
    DecrementClamp = 5,
    Decrement = 6,
    Invert = 7,
};

enum class SamplerFilter : uint32_t
{
    Point = 0,
    // Linear within a mip level, the nearest level between them.
    LinearMinMagPointMip = 1,
    Linear = 2,
    Anisotropic = 3,
};

enum class SamplerAddress : uint32_t
{
    Clamp = 0,
    Wrap = 1,
    Mirror = 2,
};

enum class VertexElementFormat : uint32_t
{
    Float = 0,
    Float2 = 1,
    Float3 = 2,
    Float4 = 3,
    Int = 4,
    Int2 = 5,
    Int3 = 6,
    Int4 = 7,
    // Four bytes red, green, blue, alpha, read as normalised floats.
    Color = 10,
};

// The shader input an element feeds; any other value matches the element by its own name.
enum class VertexSemantic : uint32_t
{
    Named = 0,
    Position = 1,
    Color = 2,
    TextureCoordinate = 3,
    Normal = 4,
};

struct BlendState
{
    BlendFactor source = BlendFactor::One;
    BlendFactor destination = BlendFactor::One;
    BlendOperation operation = BlendOperation::None;

    bool operator==(const BlendState&) const = default;
};

struct DepthState
{
    uint8_t test = 0;
    uint8_t write = 0;
    CompareFunction comparison = CompareFunction::Less;

    bool operator==(const DepthState&) const = default;
};

struct SamplerState
{
    SamplerFilter filter = SamplerFilter::Point;
    SamplerAddress addressU = SamplerAddress::Clamp;
    SamplerAddress addressV = SamplerAddress::Clamp;

    bool operator==(const SamplerState&) const = default;
};

// One attribute of a vertex or instance stream; elements follow each other without gaps.
struct VertexElement
{
    std::string name;
    VertexElementFormat format = VertexElementFormat::Float;
    VertexSemantic semantic = VertexSemantic::Named;
    uint32_t semanticIndex = 0;

    bool operator==(const VertexElement&) const = default;
};

// A compiled shader program with its fixed-function state, samplers and vertex and instance element
// descriptions. Lives in a ResourceTable; created locked through GraphicsDevice::CreateMaterial and
// filled by the shader format and the code that creates it. Loads and reloads (hot reload through the
// file manager's watches, polled in the application's Update) run on the application thread or, for a
// material a loader creates, on that loader before the material is handed over.
class Material : public GraphicsResource
{
public:
    ~Material() override;

    // Stores the list of paths ("|" between them) and loads the first file of the list that exists and
    // has a format, through the file manager of the material's table, under the material's name in
    // NameTableB. When the table's watch flag is set, a later change of that file reloads the code in
    // place and marks the material changed, so that the device uploads it again. The previous load's
    // handle, and with it its watch, is released; a list that loads nothing leaves the material
    // without one.
    void Load(StringView paths);

    // The device keeps the program made from the bytecode.
    void ReleaseData() override;

    // Each edit marks the material changed.
    void AddVertexInput(StringView name, VertexElementFormat format, VertexSemantic semantic, uint32_t semanticIndex);
    void AddInstanceInput(StringView name, VertexElementFormat format, VertexSemantic semantic, uint32_t semanticIndex);
    void SetBlend(const BlendState& color, const BlendState& alpha);
    void SetDepthState(const DepthState& depth);
    // Overwrites the first sampler, adding it when there is none.
    void SetSampler(const SamplerState& sampler);

    Buffer vertexCode;
    Buffer geometryCode;
    Buffer pixelCode;
    CullMode cullMode = CullMode::None;
    FillMode fillMode = FillMode::Solid;
    BlendState colorBlend;
    BlendState alphaBlend;
    DepthState depth;
    uint8_t stencilEnable = 0;
    uint32_t stencilReference = 0;
    CompareFunction stencilComparison = CompareFunction::Always;
    StencilOperation stencilPass = StencilOperation::Keep;
    StencilOperation stencilFail = StencilOperation::Keep;
    StencilOperation stencilDepthFail = StencilOperation::Keep;
    std::vector<SamplerState> samplers;
    // Stream 0, one per vertex.
    std::vector<VertexElement> vertexElements;
    // Stream 1, one per instance.
    std::vector<VertexElement> instanceElements;
    // The path list last given to Load, unresolved.
    std::string path;
    // The last load; keeps its hot-reload watch.
    FormatHandle handle;
};

} // namespace Lumvek
