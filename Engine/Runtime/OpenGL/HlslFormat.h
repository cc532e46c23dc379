#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Runtime/Graphics/Material.h"

namespace Lumvek
{

class FileManager;
class GraphicsDevice;

// "hlsl": compiles the entry points "vertex_main", "pixel_main" and, when the text names it,
// "geometry_main" of an HLSL text into the SPIR-V code of a material, which the OpenGL device turns
// into a GL program. Failures are logged with the compiler's text and leave the material's code as
// the failed stage found it. Saving is not supported.
class HlslFormat : public TextFormat<Material>
{
public:
    using TextFormat::TextFormat;

    // The path names the text in the compiler's messages.
    void Load(StringView path, StringView bytes, Material& material) override;
    bool Read(StringReader& reader, Material& material) override;
    bool Write(BufferWriter& writer, const Material& material) override;

protected:
    // Debug information in the code, and warnings fail the compilation.
    virtual bool Debug() const { return false; }

private:
    bool Compile(StringView name, StringView text, Material& material) const;
};

// The HLSL format of debug runs.
class HlslDebugFormat : public HlslFormat
{
public:
    using HlslFormat::HlslFormat;

protected:
    bool Debug() const override { return true; }
};

namespace OpenGL
{

// Registers "hlsl" with the file manager when the device is the OpenGL device: the debug format when
// the application runs with its debug setting, else the plain one.
void RegisterHlslFormat(FileManager& files, const GraphicsDevice& device, bool debug);

} // namespace OpenGL

} // namespace Lumvek
