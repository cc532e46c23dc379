#include "Engine/Runtime/OpenGL/HlslFormat.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/OpenGL/ShaderCompiler.h"

#include <memory>
#include <string_view>

namespace Lumvek
{

namespace
{

void StoreWords(Buffer& code, const std::vector<uint32_t>& words)
{
    code = Buffer();
    code.Append(words.data(), static_cast<uint32_t>(words.size() * sizeof(uint32_t)));
}

} // namespace

void HlslFormat::Load(StringView path, StringView bytes, Material& material)
{
    Compile(path, bytes, material);
}

bool HlslFormat::Read(StringReader& reader, Material& material)
{
    return Compile("shader", reader.Rest(), material);
}

bool HlslFormat::Write(BufferWriter&, const Material&)
{
    Log::Write("hlsl saving is not implemented");
    return false;
}

bool HlslFormat::Compile(StringView name, StringView text, Material& material) const
{
    using OpenGL::CompileHlsl;
    using OpenGL::ShaderStage;
    std::vector<uint32_t> vertex;
    std::vector<uint32_t> pixel;
    std::string messages;
    if (!CompileHlsl(text, name, "vertex_main", ShaderStage::Vertex, Debug(), vertex, messages))
    {
        Log::Write("vertex shader compilation failed: {}", messages);
        return false;
    }
    if (!CompileHlsl(text, name, "pixel_main", ShaderStage::Pixel, Debug(), pixel, messages))
    {
        Log::Write("pixel shader compilation failed: {}", messages);
        return false;
    }
    StoreWords(material.vertexCode, vertex);
    material.MarkChanged();
    StoreWords(material.pixelCode, pixel);
    material.MarkChanged();

    // A text without a geometry stage loads without one, also over a material that had one: a stage
    // kept from an earlier load would no longer match the others.
    if (text.ToStdView().find("geometry_main") == std::string_view::npos)
    {
        if (material.geometryCode.Size() > 0)
        {
            material.geometryCode = Buffer();
            material.MarkChanged();
        }
        return true;
    }
    std::vector<uint32_t> geometry;
    if (!CompileHlsl(text, name, "geometry_main", ShaderStage::Geometry, Debug(), geometry, messages))
    {
        Log::Write("geometry shader compilation failed: {}", messages);
        return false;
    }
    StoreWords(material.geometryCode, geometry);
    material.MarkChanged();
    return true;
}

namespace OpenGL
{

void RegisterHlslFormat(FileManager& files, const GraphicsDevice& device, bool debug)
{
    if (device.GetName() != StringView("OpenGL"))
        return;
    const uint32_t contentType = TypeIndex<Material>();
    std::unique_ptr<class Format> format;
    if (debug)
        format = std::make_unique<HlslDebugFormat>(&files, contentType, "hlsl");
    else
        format = std::make_unique<HlslFormat>(&files, contentType, "hlsl");
    files.AddFormat(contentType, "hlsl", std::move(format));
}

} // namespace OpenGL

} // namespace Lumvek
