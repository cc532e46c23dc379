#pragma once

#include "Engine/Foundation/Resource.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/Input/Input.h"

#include <imgui.h>

#include <array>
#include <cstdint>

namespace Lumvek
{
class FileManager;
class Geometry;
class GraphicsDevice;
class Material;
} // namespace Lumvek

// One entry of the key map: the ImGui key and the engine key whose state ImGui reads for it.
struct ImGuiKeyBinding
{
    ImGuiKey imguiKey;
    Lumvek::Key key;
};

// The keys the tools' ImGui frame reads, as engine key codes: io.KeysDown is indexed by them.
const std::array<ImGuiKeyBinding, 19>& ImGuiKeyMap();

// Turns Dear ImGui's draw lists into engine geometry drawn with its own material and font texture.
// Owned by the tools host; set up by the start-up loader, drawn on the application thread.
class ImGuiRenderer
{
public:
    // ImGui's vertex as the renderer copies it into its vertex buffer.
    static constexpr uint32_t VertexStride = sizeof(ImDrawVert);
    // Indices are widened to 32 bits as they are copied, so that every draw list can be rebased into
    // the one shared vertex buffer however many vertices a frame holds.
    static constexpr uint32_t IndexStride = 4;

    // Device slot names of the renderer's resources.
    ImGuiRenderer(uint32_t vertexBufferName, uint32_t indexBufferName, uint32_t constantBufferName,
                  uint32_t materialName, uint32_t fontTextureName);

    // Fills the key map of the current ImGui context, creates the buffers and the material on the
    // device, compiles the shader through the files' "hlsl" format when there is one, and builds the
    // font atlas into the font texture. Loads "Assets/Tools/Icons.ltd" as "ToolsIcons". A resource the
    // device refuses is logged and left out; the renderer then draws nothing. Any thread: the device
    // takes its own lock.
    void Setup(Lumvek::GraphicsDevice& device, Lumvek::FileManager* files);

    // Appends the commands that draw the frame's draw data over what the frame holds so far: one draw
    // per ImGui command with its clip rectangle and texture. Application thread.
    void Submit(Lumvek::GraphicsDevice& device, const ImDrawData& data);

    bool IsReady() const { return vertexBuffer && indexBuffer && constantBuffer && material; }
    // Vertex and index bytes the last Submit copied.
    uint64_t GetCopiedBytes() const { return copiedBytes; }

    uint32_t vertexBufferName = Lumvek::InvalidId;
    uint32_t indexBufferName = Lumvek::InvalidId;
    uint32_t constantBufferName = Lumvek::InvalidId;
    uint32_t materialName = Lumvek::InvalidId;
    uint32_t fontTextureName = Lumvek::InvalidId;
    Lumvek::Geometry* vertexBuffer = nullptr;
    Lumvek::Geometry* indexBuffer = nullptr;
    Lumvek::Geometry* constantBuffer = nullptr;
    Lumvek::Material* material = nullptr;

private:
    void BuildFontTexture(Lumvek::GraphicsDevice& device);

    uint64_t copiedBytes = 0;
};

// How both tools materials blend: straight alpha over the frame for colour, and an alpha that stays
// opaque over an opaque frame (screenshots and composited windows read it).
namespace ToolsBlend
{
Lumvek::BlendState ColorBlend();
Lumvek::BlendState AlphaBlend();
} // namespace ToolsBlend

// The source of the tools' ImGui material and of the line renderer's material.
extern const char* const ImGuiShaderSource;
extern const char* const LineShaderSource;

// Compiles HLSL text into the material with the files' "hlsl" format; logs and leaves the material
// without code when there is no such format.
void CompileToolsShader(Lumvek::FileManager* files, const char* name, const char* source, Lumvek::Material& material);
// Makes the three dynamic buffers a tools pass draws from: its vertices, indices and constants. A
// buffer the device refuses stays null.
void CreateToolsBuffers(Lumvek::GraphicsDevice& device, uint32_t vertexName, uint32_t indexName, uint32_t constantName,
                        Lumvek::Geometry*& vertices, Lumvek::Geometry*& indices, Lumvek::Geometry*& constants);
