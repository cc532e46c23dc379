#include "Engine/Foundation/ImageFormats.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

using namespace Lumvek;
using namespace Lumvek::Testing;

namespace
{

void ExpectPattern(const Texture& texture, uint32_t left, uint32_t top, uint32_t width, uint32_t height)
{
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(TexturePixel(texture, left + x, top + y), PatternPixel(x, y)) << x << "," << y;
}

// One entry of an atlas's region table.
std::string AtlasEntry(const std::string& name, float left, float top, float width, float height)
{
    return BigEndianWriter()
        .Text(name)
        .Bytes(std::string(16, 'x'))
        .Value(left)
        .Value(top)
        .Value(width)
        .Value(height)
        .Result();
}

std::string Atlas(const std::string& png, uint32_t count, const std::string& entries)
{
    return BigEndianWriter().Bytes(png).Value(count).Bytes(entries).Result();
}

} // namespace

TEST(PngFormat, ReadsTheImageWithAWholeImageRegionAndStopsAfterItsLastChunk)
{
    const std::string png = PatternPng(5, 3);
    const std::string bytes = png + "tail";
    PngFormat format;
    const TextureHeader header = format.ReadHeaderFromBytes("", bytes);
    EXPECT_EQ(std::tie(header.width, header.height), std::make_tuple(5u, 3u));

    Texture texture;
    texture.SetSize(2, 2, TextureFormat::ColorBuffer4x8);
    texture.AddRegion(4, 0, 0);
    BufferReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()), ReversedOrder);
    ASSERT_TRUE(format.Read(reader, texture));
    EXPECT_EQ(reader.position, png.size());
    ExpectPattern(texture, 0, 0, 5, 3);
    EXPECT_EQ(texture.GetRegion(4), nullptr);
    const TextureRegion* whole = texture.GetRegion(InvalidId);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(std::tie(whole->width, whole->height), std::make_tuple(5u, 3u));

    // Saved and read back, the pixels are the same.
    Texture again;
    format.Load("", format.Save("", texture).View(), again);
    ExpectPattern(again, 0, 0, 5, 3);

    // Grey without alpha becomes opaque RGBA.
    const uint8_t grey[6] = {0, 50, 100, 150, 200, 250};
    format.Load("", EncodePng(3, 2, PNG_FORMAT_GRAY, grey), texture);
    EXPECT_EQ(TexturePixel(texture, 2, 1), 0xFFFAFAFAu);
}

TEST(LtaFormat, EntriesBecomeNamedRegionsSizedByFractionsOfTheImage)
{
    const std::string entries =
        AtlasEntry("LtaTestButton", 0.5f, 0.25f, 0.5f, 0.5f) + AtlasEntry("LtaTestIcon", 0, 0, 0.1f, 1);
    Texture texture;
    LogCapture log;
    LtaFormat().Load("", Atlas(PatternPng(256, 128), 2, entries), texture);
    EXPECT_TRUE(log.messages.empty());
    const TextureRegion* button = texture.GetRegion(NameTableA().Add("LtaTestButton"));
    const TextureRegion* icon = texture.GetRegion(NameTableA().Add("LtaTestIcon"));
    ASSERT_NE(button, nullptr);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(std::tie(button->x, button->y, button->width, button->height), std::make_tuple(128u, 32u, 128u, 64u));
    EXPECT_EQ(std::tie(icon->x, icon->y, icon->width, icon->height), std::make_tuple(0u, 0u, 25u, 128u));

    // The image alone is written back.
    EXPECT_EQ(LtaFormat().Save("", texture).Size(), PngFormat().Save("", texture).Size());
}

TEST(ImageFormats, BadInputIsReportedAndLeavesUsableTextures)
{
    const std::string png = PatternPng(4, 4);
    std::string corrupted = png;
    corrupted[png.size() / 2] ^= 0x55; // inside the image data: its check fails
    const std::string cut = AtlasEntry("LtaTestCut", 0, 0, 0.5f, 0.5f);
    const std::string notPng = "data is not a valid png";
    const std::string badData = "failed to read the png image";

    struct Case
    {
        const char* name;
        std::string bytes;
        std::vector<std::string> messages;
        uint32_t width;                          // of the texture afterwards
        std::vector<std::string> regionMessages; // reading the bytes into a region instead
    };
    const Case images[] = {
        {"empty", "", {notPng}, 1, {notPng}},
        {"not a png", "GIF89a and so on", {notPng}, 1, {notPng}},
        {"signature only", png.substr(0, 8), {notPng}, 1, {notPng}},
        {"cut in the image data", png.substr(0, png.size() - 20), {badData}, 4, {badData}},
        {"corrupted image data", corrupted, {badData}, 4, {badData}},
        {"too wide",
         PatternPng(Texture::MaximumSize + 1, 1),
         {"png image of 8193 x 1 is larger than a texture can be"},
         1,
         {"region is not big enough"}},
    };
    for (const Case& test : images)
    {
        LogCapture log;
        Texture texture;
        texture.SetSize(1, 1, TextureFormat::ColorBuffer4x8);
        PngFormat().Load("", test.bytes, texture);
        EXPECT_EQ(log.messages, test.messages) << test.name;
        EXPECT_EQ(texture.width, test.width) << test.name;
        EXPECT_EQ(texture.pixels.Size(), texture.width * texture.height * 4) << test.name;

        log.messages.clear();
        texture.SetSize(8, 8, TextureFormat::ColorBuffer4x8);
        PngRegionFormat().Load("", test.bytes, *texture.AddRegion(0, 0, 0));
        EXPECT_EQ(log.messages, test.regionMessages) << test.name;
    }

    const Case atlases[] = {
        {"without table", png, {"the region table is missing"}, 4, {}},
        {"cut in an entry",
         Atlas(png, 2, cut + cut.substr(0, 9)),
         {"the region table ends after 1 of 2 regions"},
         4,
         {}},
        {"claiming billions",
         Atlas(png, 0xFFFFFFFFu, cut),
         {"the region table ends after 1 of 4294967295 regions"},
         4,
         {}},
        {"entries outside",
         Atlas(png, 2,
               AtlasEntry("LtaTestOutside", 0.75f, 0, 0.5f, 0.5f) + AtlasEntry("LtaTestNan", 0, NAN, 1, -1e30f)),
         {"region LtaTestOutside cannot be added to the image", "region LtaTestNan cannot be added to the image"},
         4,
         {}},
        {"without image", std::string("\0\0\0\1", 4), {notPng, "the region table ends after 0 of 1 regions"}, 1, {}},
    };
    for (const Case& test : atlases)
    {
        LogCapture log;
        Texture texture;
        texture.SetSize(1, 1, TextureFormat::ColorBuffer4x8);
        LtaFormat().Load("", test.bytes, texture);
        EXPECT_EQ(log.messages, test.messages) << test.name;
        EXPECT_EQ(texture.width, test.width) << test.name;
    }
    // A cut table keeps the entries before the cut.
    Texture texture;
    LtaFormat().Load("", Atlas(png, 2, cut + cut.substr(0, 9)), texture);
    EXPECT_NE(texture.GetRegion(NameTableA().Add("LtaTestCut")), nullptr);

    // Textures whose pixels live only on the device, or were released, have nothing to write.
    LogCapture log;
    texture.SetSize(4, 4, TextureFormat::ColorTarget4x8);
    EXPECT_EQ(PngFormat().Save("", texture).Size(), 0u);
    texture.SetSize(4, 4, TextureFormat::ColorBuffer4x8);
    texture.ReleaseData();
    EXPECT_EQ(PngFormat().Save("", texture).Size(), 0u);
    EXPECT_EQ(log.messages, std::vector<std::string>(2, "failed to initialize png output"));
}

TEST(ImageFormats, TexturesAndRegionsLoadByPathThroughTheirTablesFileManager)
{
    TestFolder folder;
    FileManager files(folder.Root(), folder.Root(), folder.Root(), folder.Root());
    files.RegisterFormats();
    ASSERT_TRUE(File::WriteAllText(folder.Path("Images/Picture.png"), PatternPng(6, 4)));
    ASSERT_TRUE(File::WriteAllText(folder.Path("Images/Photo.jpg"), PatternPng(6, 4)));

    ResourceTable table(&files);
    table.watch = 1;
    Texture* texture = table.CreateTexture(NameTableB().Add("ImageFormatTestTexture"));
    LogCapture log;
    texture->Load("Data:Images/Picture.png");
    EXPECT_EQ(texture->path, "Data:Images/Picture.png");
    ExpectPattern(*texture, 0, 0, 6, 4);
    EXPECT_EQ(log.sections.back(),
              "Loading Lumvek.Texture ImageFormatTestTexture from " + folder.Path("Images/Picture.png"));

    // The same extension loads into a region through the region's format, which writes only the region.
    texture->SetSize(16, 16, TextureFormat::ColorBuffer4x8);
    TextureRegion* region = texture->AddRegion(0, 8, 8);
    region->Load("Images/Picture.png");
    ExpectPattern(*texture, 8, 8, 6, 4);
    EXPECT_EQ(TexturePixel(*texture, 7, 8), 0u);
    EXPECT_EQ(files.GetWatches().size(), 2u);
    Texture copy;
    PngFormat().Load("", PngRegionFormat().Save("", *region).View(), copy);
    EXPECT_EQ(std::tie(copy.width, copy.height), std::make_tuple(6u, 4u));
    ExpectPattern(copy, 0, 0, 6, 4);

    // An empty path keeps the last load; resizing drops the region and its watch with it.
    region->Load("");
    EXPECT_TRUE(region->handle.IsLoaded());
    texture->SetSize(2, 2, TextureFormat::ColorBuffer4x8);
    EXPECT_EQ(files.GetWatches().size(), 1u);

    // JPEG files are refused, whether loaded or saved, and the texture stays as it was.
    texture->Load("Images/Photo.jpg");
    EXPECT_EQ(texture->width, 2u);
    EXPECT_EQ(JpgFormat().Save("", *texture).Size(), 0u);
    texture->Load("Images/Missing.png");
    EXPECT_FALSE(texture->handle.IsLoaded());
    EXPECT_TRUE(files.GetWatches().empty());
    EXPECT_EQ(log.messages, (std::vector<std::string>{"JPEG images are not supported", "JPEG images are not supported",
                                                      "file does not exist"}));

    Texture loose;
    loose.Load("Images/Picture.png");
    EXPECT_EQ(log.messages.back(), "no file manager to load Images/Picture.png");
}
