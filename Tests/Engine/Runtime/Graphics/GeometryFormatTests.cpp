#include "Engine/Foundation/FileManager.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/GeometryFormats.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace Lumvek
{
namespace
{

using Messages = std::vector<std::string>;

// Loads the LON text into the geometry with the format registered for the extension.
Messages Load(const std::string& extension, const std::string& text, Geometry& geometry)
{
    static FileManager files;
    static const bool registered = (files.RegisterFormats(), Lumvek::RegisterRuntimeFormats(files), true);
    (void)registered;
    Testing::LogCapture log;
    ContentFormat<Geometry>* format = files.FindFormat<Geometry>(extension);
    EXPECT_NE(format, nullptr) << extension;
    if (format)
        format->Load("Test." + extension, text, geometry);
    return log.messages;
}

struct Vertex
{
    float x, y, u, v;
    uint8_t r, g, b, a;

    bool operator==(const Vertex&) const = default;
};

std::vector<Vertex> Vertices(const Geometry& geometry)
{
    std::vector<Vertex> vertices(geometry.data.Size() / sizeof(Vertex));
    std::memcpy(vertices.data(), geometry.data.Data(), vertices.size() * sizeof(Vertex));
    return vertices;
}

TEST(GeometryFormats, VertexBuffersFillTwentyByteVertices)
{
    static_assert(sizeof(Vertex) == LvbFormat::VertexSize);
    Geometry geometry;
    const Messages messages = Load("lvb",
                                   "{ Type = \"position2dtexturecolor\" Topology = \"trianglestrip\" Vertices [\n"
                                   "  { X = 1.5 Y = -2.0 U = 0.25 V = 1.0 Color = \"#10203040\" }\n"
                                   "  { X = 3.0 Y = 4.0 V = 0.5 Color = \"Red\" }\n"
                                   "  { X = 5.0 Y = 6.0 U = 0.0 V = 0.0 }\n"
                                   "] }",
                                   geometry);
    EXPECT_EQ(messages, (Messages{"U not found on vertex 1", "Color not found on vertex 2"}));
    EXPECT_EQ(geometry.dataType, GeometryDataType::TriangleStrip);
    EXPECT_EQ(geometry.stride, 20u);
    EXPECT_EQ(geometry.used, 60u);
    EXPECT_EQ(geometry.version, 1u);
    // A missing number is 0, a missing colour opaque white.
    EXPECT_EQ(Vertices(geometry), (std::vector<Vertex>{{1.5f, -2.0f, 0.25f, 1.0f, 0x10, 0x20, 0x30, 0x40},
                                                       {3.0f, 4.0f, 0.0f, 0.5f, 255, 0, 0, 255},
                                                       {5.0f, 6.0f, 0.0f, 0.0f, 255, 255, 255, 255}}));

    // A reload of fewer vertices leaves no bytes of the earlier load behind.
    Load("lvb", "{ Type = \"Position2dTextureColor\" Topology = \"PointList\" Vertices [ { X = 9.0 } ] }", geometry);
    EXPECT_EQ(geometry.dataType, GeometryDataType::PointList);
    EXPECT_EQ(Vertices(geometry), (std::vector<Vertex>{{9.0f, 0.0f, 0.0f, 0.0f, 255, 255, 255, 255}}));
}

TEST(GeometryFormats, DocumentsWithoutAKnownShapeLeaveTheGeometryAsItWas)
{
    const std::string type = "Type must be specified as a string with the value \"Position2dTextureColor\"";
    const std::string topology = "Topology must be specified as a string with one of the values \"TriangleList\", "
                                 "\"TriangleStrip\", \"PointList\", or \"LineList\"";
    const std::string indexType = "Type must be specified as a string with the value \"Small\" or \"Big\"";
    const struct
    {
        const char* extension;
        const char* text;
        std::string message;
    } cases[] = {
        {"lvb", "{ Topology = \"TriangleList\" Vertices [] }", type},
        {"lvb", "{ Type = \"Position3d\" Topology = \"TriangleList\" Vertices [] }", type},
        {"lvb", "{ Type = \"Position2dTextureColor\" Topology = \"IndexList\" Vertices [] }", topology},
        {"lvb", "{ Type = \"Position2dTextureColor\" Topology = \"LineList\" }", "Vertices were not specified"},
        {"lvb", "{ Type = \"Position2dTextureColor\" Topology = \"LineList\" Vertices = 3 }",
         "Vertices were not specified"},
        {"lvb", "not a document", type},
        {"lix", "{ Type = \"Medium\" Indices [ 1 ] }", indexType},
        {"lix", "{ Type = 2 Indices [ 1 ] }", indexType},
        {"lix", "{ Type = \"Big\" }", "Indices was not specified"},
        {"lcb", "{}", "loading is not implemented"},
    };
    for (const auto& c : cases)
    {
        Geometry geometry;
        geometry.dataType = GeometryDataType::InstanceData;
        GraphicsBuffer::Allocate(geometry, 8, 2);
        // Text that is not LON at all is reported by the LON reader first.
        const Messages messages = Load(c.extension, c.text, geometry);
        ASSERT_FALSE(messages.empty()) << c.text;
        EXPECT_EQ(messages.back(), c.message) << c.text;
        EXPECT_EQ(geometry.dataType, GeometryDataType::InstanceData) << c.text;
        EXPECT_EQ(geometry.used, 16u) << c.text;
        EXPECT_EQ(geometry.version, 1u) << c.text;
    }
}

TEST(GeometryFormats, IndexBuffersKeepTheLowBitsAndSkipWhatIsNotAnIndex)
{
    Geometry geometry;
    const Messages messages = Load("lix", "{ Type = \"small\" Indices [ 0 70000 -1 2.0 65535 ] }", geometry);
    EXPECT_EQ(messages, (Messages{"Unable to read indices", "Unable to read indices"}));
    EXPECT_EQ(geometry.dataType, GeometryDataType::IndexList);
    EXPECT_EQ(geometry.stride, 2u);
    ASSERT_EQ(geometry.data.Size(), 10u);
    uint16_t small[5];
    std::memcpy(small, geometry.data.Data(), 10);
    // Unreadable entries hold 0 rather than whatever the buffer held before.
    EXPECT_EQ(std::vector<uint16_t>(small, small + 5), (std::vector<uint16_t>{0, 4464, 0, 0, 65535}));

    EXPECT_TRUE(Load("lix", "{ Type = \"BIG\" Indices [ 70000 4294967297 ] }", geometry).empty());
    EXPECT_EQ(geometry.stride, 4u);
    ASSERT_EQ(geometry.data.Size(), 8u);
    uint32_t big[2];
    std::memcpy(big, geometry.data.Data(), 8);
    EXPECT_EQ(big[0], 70000u);
    EXPECT_EQ(big[1], 1u);
}

TEST(GeometryFormats, RegisteredForTheirExtensionsAndNeverSaved)
{
    FileManager files;
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    EXPECT_NE(dynamic_cast<LcbFormat*>(files.FindFormat<Geometry>("lcb")), nullptr);
    EXPECT_NE(dynamic_cast<LixFormat*>(files.FindFormat<Geometry>("lix")), nullptr);
    EXPECT_NE(dynamic_cast<LvbFormat*>(files.FindFormat<Geometry>("lvb")), nullptr);

    Geometry geometry;
    GraphicsBuffer::Allocate(geometry, 20, 1);
    Testing::LogCapture log;
    files.FindFormat<Geometry>("lvb")->Save("Out.lvb", geometry);
    EXPECT_EQ(log.messages, Messages{"saving is not implemented"});
}

} // namespace
} // namespace Lumvek
