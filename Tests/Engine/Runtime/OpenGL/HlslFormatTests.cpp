#include "Engine/Foundation/FileManager.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Engine/Runtime/OpenGL/HlslFormat.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"
#include "Tests/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string_view>

namespace Lumvek
{
namespace
{

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr std::string_view Stages = R"(
float4 vertex_main(float3 position : POSITION) : SV_POSITION { return float4(position, 1); }
float4 pixel_main() : SV_TARGET { return float4(1, 0, 0, 1); }
)";

struct Loaded
{
    Material material;
    Testing::LogCapture log;
};

void Load(Loaded& loaded, std::string_view text, bool debug = false)
{
    if (debug)
        HlslDebugFormat(nullptr, TypeIndex<Material>(), "hlsl").Load("Shader.hlsl", text, loaded.material);
    else
        HlslFormat(nullptr, TypeIndex<Material>(), "hlsl").Load("Shader.hlsl", text, loaded.material);
}

TEST(HlslFormat, CompilesEachStageAndMarksTheMaterialChangedForEach)
{
    Loaded loaded;
    Load(loaded, Stages);
    EXPECT_TRUE(loaded.log.messages.empty());
    EXPECT_GT(loaded.material.vertexCode.Size(), 0u);
    EXPECT_GT(loaded.material.pixelCode.Size(), 0u);
    EXPECT_EQ(loaded.material.geometryCode.Size(), 0u);
    EXPECT_EQ(loaded.material.version, 2u);

    // A reload replaces the code; a text that no longer has a geometry stage drops the old one.
    loaded.material.geometryCode.Append("stale");
    Load(loaded, std::string(Stages) + "// changed\n", true);
    EXPECT_EQ(loaded.material.geometryCode.Size(), 0u);
    EXPECT_EQ(loaded.material.version, 5u);
}

TEST(HlslFormat, AFailedStageLogsTheCompilersTextAndKeepsWhatCameBefore)
{
    const struct
    {
        std::string text;
        const char* message;
        bool keepsVertexAndPixel;
    } cases[] = {
        {"float4 vertex_main() : SV_POSITION { return undefinedValue; }", "vertex shader compilation failed: ", false},
        {"float4 vertex_main() : SV_POSITION { return 0; }", "pixel shader compilation failed: ", false},
        // Named in a comment only, the geometry stage is still tried, after the others are stored.
        {std::string(Stages) + "// geometry_main comes later\n", "geometry shader compilation failed: ", true},
    };
    for (const auto& c : cases)
    {
        Loaded loaded;
        Load(loaded, c.text);
        ASSERT_EQ(loaded.log.messages.size(), 1u) << c.message;
        EXPECT_THAT(loaded.log.messages[0], StartsWith(c.message));
        EXPECT_GT(loaded.log.messages[0].size(), std::string_view(c.message).size()) << "the compiler's text";
        EXPECT_EQ(loaded.material.vertexCode.Size() > 0, c.keepsVertexAndPixel) << c.message;
        EXPECT_EQ(loaded.material.pixelCode.Size() > 0, c.keepsVertexAndPixel) << c.message;
        EXPECT_EQ(loaded.material.version, c.keepsVertexAndPixel ? 2u : 0u) << c.message;
    }

    Loaded loaded;
    Load(loaded, "float4 vertex_main() : SV_POSITION { return undefinedValue; }");
    EXPECT_THAT(loaded.log.messages[0], HasSubstr("Shader.hlsl"));
    EXPECT_THAT(loaded.log.messages[0], HasSubstr("undefinedValue"));
    EXPECT_EQ(HlslFormat(nullptr, TypeIndex<Material>(), "hlsl").Save("Shader.hlsl", loaded.material).Size(), 0u);
    EXPECT_TRUE(loaded.log.Logged("hlsl saving is not implemented"));
}

TEST(HlslFormat, IsRegisteredForTheOpenGLDeviceOnly)
{
    ResourceTable table;
    OpenGL::OpenGLGraphicsDevice opengl(&table, 1.0f, 1);
    RecordingGraphicsDevice recording(&table);
    const struct
    {
        GraphicsDevice* device;
        bool debug;
        bool registered;
    } cases[] = {{&opengl, false, true}, {&opengl, true, true}, {&recording, false, false}};
    for (const auto& c : cases)
    {
        FileManager files;
        OpenGL::RegisterHlslFormat(files, *c.device, c.debug);
        ContentFormat<Material>* format = files.FindFormat<Material>("hlsl");
        EXPECT_EQ(format != nullptr, c.registered);
        EXPECT_EQ(dynamic_cast<HlslDebugFormat*>(format) != nullptr, c.registered && c.debug);
    }
}

TEST(HlslFormat, TheOpenGLDeviceRegistersItWithTheFileManagerOfItsTable)
{
    for (bool debug : {false, true})
    {
        FileManager files;
        ResourceTable table(&files);
        OpenGL::OpenGLGraphicsDevice opengl(&table, 1.0f, 1, debug);
        ContentFormat<Material>* format = files.FindFormat<Material>("hlsl");
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(dynamic_cast<HlslDebugFormat*>(format) != nullptr, debug);
    }
    ResourceTable detached;
    OpenGL::OpenGLGraphicsDevice withoutFiles(&detached, 1.0f, 1);
}

} // namespace
} // namespace Lumvek
