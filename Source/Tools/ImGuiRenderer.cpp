#include "Source/Tools/ImGuiRenderer.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Graphics/Material.h"

#include <algorithm>
#include <cstring>

using Lumvek::GraphicsCommand;
using Lumvek::GraphicsCommandCode;

const char* const ImGuiShaderSource = R"(cbuffer Constants : register(b0)
{
    row_major float4x4 Transform;
};

Texture2D _texture : register(t0);
SamplerState _sampler : register(s0);

struct VertexInput
{
    float2 position : POSITION0;
    float4 color : COLOR0;
    float2 texture0 : TEXCOORD0;
};

struct PixelInput
{
    float4 position : SV_Position;
    float4 color : COLOR0;
    float2 texture0 : TEXCOORD0;
};

PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = mul(Transform, float4(input.position, 0.0, 1.0));
    output.color = input.color;
    output.texture0 = input.texture0;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    return _texture.Sample(_sampler, input.texture0) * input.color;
}
)";

const char* const LineShaderSource = R"(cbuffer VertexConstants : register(b0)
{
    row_major float4x4 Transform;
};

struct VertexInput
{
    float2 position : POSITION;
    float4 color : COLOR;
};

struct PixelInput
{
    float4 position : SV_Position;
    float4 color : COLOR;
};

PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = mul(Transform, float4(input.position, 0.0, 1.0));
    output.color = input.color;
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    return input.color;
}
)";

const std::array<ImGuiKeyBinding, 19>& ImGuiKeyMap()
{
    using Lumvek::Key;
    static const std::array<ImGuiKeyBinding, 19> map{{
        {ImGuiKey_Tab, Key::Tab},
        {ImGuiKey_LeftArrow, Key::Left},
        {ImGuiKey_RightArrow, Key::Right},
        {ImGuiKey_UpArrow, Key::Up},
        {ImGuiKey_DownArrow, Key::Down},
        {ImGuiKey_PageUp, Key::PageUp},
        {ImGuiKey_PageDown, Key::PageDown},
        {ImGuiKey_Home, Key::Home},
        {ImGuiKey_End, Key::End},
        {ImGuiKey_Delete, Key::Delete},
        {ImGuiKey_Backspace, Key::Backspace},
        {ImGuiKey_Enter, Key::Enter},
        {ImGuiKey_Escape, Key::Escape},
        {ImGuiKey_A, Key::A},
        {ImGuiKey_C, Key::C},
        {ImGuiKey_V, Key::V},
        {ImGuiKey_X, Key::X},
        {ImGuiKey_Y, Key::Y},
        {ImGuiKey_Z, Key::Z},
    }};
    return map;
}

Lumvek::BlendState ToolsBlend::ColorBlend()
{
    using namespace Lumvek;
    return {BlendFactor::SourceAlpha, BlendFactor::InverseSourceAlpha, BlendOperation::Add};
}

Lumvek::BlendState ToolsBlend::AlphaBlend()
{
    using namespace Lumvek;
    // Coverage adds up as paint does: what the tools draw over an opaque frame leaves it opaque.
    return {BlendFactor::One, BlendFactor::InverseSourceAlpha, BlendOperation::Add};
}

void CreateToolsBuffers(Lumvek::GraphicsDevice& device, uint32_t vertexName, uint32_t indexName, uint32_t constantName,
                        Lumvek::Geometry*& vertices, Lumvek::Geometry*& indices, Lumvek::Geometry*& constants)
{
    using namespace Lumvek;
    const auto dynamic = static_cast<uint32_t>(ResourceUsage::Dynamic);
    if ((vertices = device.CreateGeometry(vertexName, dynamic, 0)))
        vertices->dataType = GeometryDataType::TriangleList;
    if ((indices = device.CreateGeometry(indexName, dynamic, 0)))
        indices->dataType = GeometryDataType::IndexList;
    if ((constants = device.CreateGeometry(constantName, dynamic, 0)))
        constants->dataType = GeometryDataType::ConstantData;
}

void CompileToolsShader(Lumvek::FileManager* files, const char* name, const char* source, Lumvek::Material& material)
{
    auto* format = files ? files->FindFormat<Lumvek::Material>("hlsl") : nullptr;
    if (!format)
    {
        Lumvek::Log::Write("the tools' shader {} is not compiled: no hlsl format is registered", name);
        return;
    }
    format->Load(Lumvek::StringView::FromCString(name), Lumvek::StringView::FromCString(source), material);
}

ImGuiRenderer::ImGuiRenderer(uint32_t vertexBufferName, uint32_t indexBufferName, uint32_t constantBufferName,
                             uint32_t materialName, uint32_t fontTextureName)
    : vertexBufferName(vertexBufferName), indexBufferName(indexBufferName), constantBufferName(constantBufferName),
      materialName(materialName), fontTextureName(fontTextureName)
{
}

void ImGuiRenderer::Setup(Lumvek::GraphicsDevice& device, Lumvek::FileManager* files)
{
    using namespace Lumvek;
    ImGuiIO& io = ImGui::GetIO();
    for (const ImGuiKeyBinding& binding : ImGuiKeyMap())
        io.KeyMap[binding.imguiKey] = static_cast<int>(binding.key);

    CreateToolsBuffers(device, vertexBufferName, indexBufferName, constantBufferName, vertexBuffer, indexBuffer,
                       constantBuffer);
    if ((material = device.CreateMaterial(materialName)))
    {
        CompileToolsShader(files, "ToolsImGui.hlsl", ImGuiShaderSource, *material);
        material->SetBlend(ToolsBlend::ColorBlend(), ToolsBlend::AlphaBlend());
        material->AddVertexInput("Position", VertexElementFormat::Float2, VertexSemantic::Position, 0);
        material->AddVertexInput("Texture", VertexElementFormat::Float2, VertexSemantic::TextureCoordinate, 0);
        material->AddVertexInput("Color", VertexElementFormat::Color, VertexSemantic::Color, 0);
        material->SetSampler({SamplerFilter::Linear, SamplerAddress::Wrap, SamplerAddress::Wrap});
        material->FinishChanges();
    }
    if (!IsReady())
        Log::Write("the tools' ImGui resources could not be created: the tools draw nothing");
    BuildFontTexture(device);

    // Loaded for the editors' toolbars; nothing draws from it yet, so its slot is not kept.
    if (Texture* icons = device.CreateTexture(NameTableC().Add("ToolsIcons"), 0))
    {
        icons->Load("Assets/Tools/Icons.ltd");
        icons->FinishChanges();
    }
}

void ImGuiRenderer::BuildFontTexture(Lumvek::GraphicsDevice& device)
{
    using namespace Lumvek;
    ImFontAtlas& atlas = *ImGui::GetIO().Fonts;
    if (atlas.Fonts.empty())
    {
        ImFontConfig config;
        config.OversampleH = 1;
        config.OversampleV = 1;
        config.PixelSnapH = true;
        config.SizePixels = 13.0f;
        atlas.AddFontDefault(&config);
    }
    unsigned char* coverage = nullptr;
    int width = 0;
    int height = 0;
    atlas.GetTexDataAsAlpha8(&coverage, &width, &height);
    // The atlas names its texture by device slot, as every tools image does.
    atlas.SetTexID(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(fontTextureName)));

    Texture* texture = device.GetTexture(fontTextureName);
    if (!texture)
        texture = device.CreateTexture(fontTextureName, 0);
    if (!texture || !coverage || width <= 0 || height <= 0 ||
        !texture->SetSize(uint32_t(width), uint32_t(height), TextureFormat::ColorBuffer4x8))
    {
        Log::Write("the tools' font texture could not be made: their text stays blank");
        return;
    }
    if (TextureRegion* whole = texture->AddRegion(InvalidId, 0, 0))
        whole->SetSize(uint32_t(width), uint32_t(height));
    uint8_t* texels = texture->pixels.Data();
    const size_t count = size_t(width) * size_t(height);
    for (size_t i = 0; i < count; ++i)
    {
        texels[i * 4 + 0] = 255;
        texels[i * 4 + 1] = 255;
        texels[i * 4 + 2] = 255;
        texels[i * 4 + 3] = coverage[i];
    }
    texture->GrowDirtyRectangle(0, 0, uint32_t(width), uint32_t(height));
    texture->FinishChanges();
}

void ImGuiRenderer::Submit(Lumvek::GraphicsDevice& device, const ImDrawData& data)
{
    using namespace Lumvek;
    copiedBytes = 0;
    if (!IsReady() || !data.Valid)
        return;
    for (Geometry* geometry : {vertexBuffer, indexBuffer, constantBuffer})
    {
        geometry->data.Clear();
        geometry->used = 0;
        geometry->MarkChanged();
    }

    // Pixels, origin at the top left, to clip space.
    const float width = data.DisplaySize.x;
    const float height = data.DisplaySize.y;
    if (!(width > 0.0f) || !(height > 0.0f))
        return;
    const float left = data.DisplayPos.x;
    const float top = data.DisplayPos.y;
    const float transform[16] = {2.0f / width, 0.0f,           0.0f, -1.0f - 2.0f * left / width,
                                 0.0f,         -2.0f / height, 0.0f, 1.0f + 2.0f * top / height,
                                 0.0f,         0.0f,           1.0f, 0.0f,
                                 0.0f,         0.0f,           0.0f, 1.0f};
    const GraphicsBufferRange constants = GraphicsBuffer::Allocate(*constantBuffer, sizeof(transform), 1);
    if (!constants.bytes)
        return;
    std::memcpy(constants.bytes, transform, sizeof(transform));

    std::vector<GraphicsCommand>& queue = device.GetCommands();
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetMaterial, materialName));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetGeometry, vertexBufferName, VertexStride));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetInstances, InvalidId, 0));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetIndices, indexBufferName, IndexStride));
    queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetConstants, constantBufferName, constants.first, 4, 0,
                                          GraphicsCommand::StageFlags(1, 0)));

    uint32_t boundTexture = InvalidId;
    for (int listIndex = 0; listIndex < data.CmdListsCount; ++listIndex)
    {
        const ImDrawList& list = *data.CmdLists[listIndex];
        const auto vertexCount = static_cast<uint32_t>(list.VtxBuffer.Size);
        const auto indexCount = static_cast<uint32_t>(list.IdxBuffer.Size);
        const GraphicsBufferRange vertices = GraphicsBuffer::Allocate(*vertexBuffer, VertexStride, vertexCount);
        const GraphicsBufferRange indices = GraphicsBuffer::Allocate(*indexBuffer, IndexStride, indexCount);
        if ((vertexCount && !vertices.bytes) || (indexCount && !indices.bytes))
            break;
        if (vertexCount)
            std::memcpy(vertices.bytes, list.VtxBuffer.Data, size_t(vertexCount) * VertexStride);
        auto* target = reinterpret_cast<uint32_t*>(indices.bytes);
        for (uint32_t i = 0; i < indexCount; ++i)
            target[i] = vertices.first + list.IdxBuffer.Data[i];
        copiedBytes += uint64_t(vertexCount) * VertexStride + uint64_t(indexCount) * sizeof(ImDrawIdx);

        for (const ImDrawCmd& command : list.CmdBuffer)
        {
            // The tools install no callbacks; an element count of 0 would draw the whole buffer.
            if (command.UserCallback || command.ElemCount == 0)
                continue;
            const float x0 = std::max(command.ClipRect.x - left, 0.0f);
            const float y0 = std::max(command.ClipRect.y - top, 0.0f);
            const float x1 = std::min(command.ClipRect.z - left, width);
            const float y1 = std::min(command.ClipRect.w - top, height);
            // A width of 0 would mean the whole target to the device.
            if (x1 <= x0 || y1 <= y0)
                continue;
            queue.push_back(GraphicsCommand::SetClip(x0, y0, x1 - x0, y1 - y0));
            const auto texture = static_cast<uint32_t>(reinterpret_cast<intptr_t>(command.GetTexID()));
            if (texture != boundTexture)
            {
                queue.push_back(GraphicsCommand::Make(GraphicsCommandCode::SetTexture, texture, 0));
                boundTexture = texture;
            }
            queue.push_back(
                GraphicsCommand::Make(GraphicsCommandCode::Draw, indices.first + command.IdxOffset, command.ElemCount));
        }
    }
    // What draws after the tools sees the whole target again.
    queue.push_back(GraphicsCommand::SetClip(0.0f, 0.0f, 0.0f, 0.0f));
}
