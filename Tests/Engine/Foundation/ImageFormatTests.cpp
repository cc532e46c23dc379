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
using Lumvek::Testing::TestFolder;

namespace
{

BufferReader ReaderOver(const std::string& bytes)
{
    return BufferReader(bytes.data(), static_cast<uint32_t>(bytes.size()), ReversedOrder);
}

void ExpectPattern(const Texture& texture, uint32_t left, uint32_t top, uint32_t width, uint32_t height)
{
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(TexturePixel(texture, left + x, top + y), PatternPixel(x, y)) << x << "," << y;
}

} // namespace

TEST(PngFormat, ReadsTheImageWithAWholeImageRegionAndStopsAfterItsLastChunk)
{
    const std::string png = PatternPng(5, 3);
    const std::string bytes = png + "tail";
    PngFormat format;
    EXPECT_EQ(format.ReadHeaderFromBytes("", bytes).width, 5u);
    EXPECT_EQ(format.ReadHeaderFromBytes("", bytes).height, 3u);

    Texture texture;
    texture.SetSize(2, 2, TextureFormat::ColorBuffer4x8);
    texture.AddRegion(4, 0, 0);
    BufferReader reader = ReaderOver(bytes);
    ASSERT_TRUE(format.Read(reader, texture));
    EXPECT_EQ(reader.position, png.size());
    EXPECT_EQ(std::tie(texture.width, texture.height), std::make_tuple(5u, 3u));
    ExpectPattern(texture, 0, 0, 5, 3);
    EXPECT_EQ(texture.GetRegion(4), nullptr);
    const TextureRegion* whole = texture.GetRegion(InvalidId);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(std::tie(whole->width, whole->height), std::make_tuple(5u, 3u));

    // Saved and read back, the pixels are the same.
    const Buffer saved = format.Save("", texture);
    Texture again;
    format.Load("", saved.View(), again);
    ExpectPattern(again, 0, 0, 5, 3);
}

TEST(PngFormat, GreyImagesWithoutAlphaBecomeOpaqueRgba)
{
    const uint8_t grey[6] = {0, 50, 100, 150, 200, 250};
    const std::string png = EncodePng(3, 2, PNG_FORMAT_GRAY, grey);
    Texture texture;
    PngFormat().Load("", png, texture);
    ASSERT_EQ(std::tie(texture.width, texture.height), std::make_tuple(3u, 2u));
    for (uint32_t i = 0; i < 6; ++i)
    {
        const uint32_t pixel = TexturePixel(texture, i % 3, i / 3);
        EXPECT_EQ(pixel >> 24, 255u);
        EXPECT_EQ(pixel & 0xFF, (pixel >> 8) & 0xFF);
    }
}

TEST(PngRegionFormat, ReadsIntoTheRegionsPlaceAndWritesOnlyTheRegion)
{
    Texture texture;
    texture.SetSize(8, 8, TextureFormat::ColorBuffer4x8);
    TextureRegion* region = texture.AddRegion(0, 2, 3);
    PngRegionFormat format;
    format.Load("", PatternPng(4, 5), *region);
    EXPECT_EQ(std::tie(region->width, region->height), std::make_tuple(4u, 5u));
    ExpectPattern(texture, 2, 3, 4, 5);
    EXPECT_EQ(TexturePixel(texture, 1, 3), 0u);
    EXPECT_EQ(TexturePixel(texture, 6, 3), 0u);

    Texture copy;
    PngFormat().Load("", format.Save("", *region).View(), copy);
    EXPECT_EQ(std::tie(copy.width, copy.height), std::make_tuple(4u, 5u));
    ExpectPattern(copy, 0, 0, 4, 5);
}

TEST(LtaFormat, EntriesBecomeNamedRegionsSizedByFractionsOfTheImage)
{
    const std::string bytes = BigEndianWriter()
                                  .Bytes(PatternPng(256, 128))
                                  .Value<uint32_t>(2)
                                  .Text("LtaTestButton")
                                  .Bytes(std::string(16, 'x'))
                                  .Value(0.5f)
                                  .Value(0.25f)
                                  .Value(0.5f)
                                  .Value(0.5f)
                                  .Text("LtaTestIcon")
                                  .Bytes(std::string(16, 'x'))
                                  .Value(0.0f)
                                  .Value(0.0f)
                                  .Value(0.1f)
                                  .Value(1.0f)
                                  .Result();
    Texture texture;
    LogCapture log;
    LtaFormat().Load("", bytes, texture);
    EXPECT_TRUE(log.messages.empty());
    const TextureRegion* button = texture.GetRegion(NameTableA().Add("LtaTestButton"));
    const TextureRegion* icon = texture.GetRegion(NameTableA().Add("LtaTestIcon"));
    ASSERT_NE(button, nullptr);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(std::tie(button->x, button->y, button->width, button->height), std::make_tuple(128u, 32u, 128u, 64u));
    EXPECT_EQ(std::tie(icon->x, icon->y, icon->width, icon->height), std::make_tuple(0u, 0u, 25u, 128u));
    EXPECT_NE(texture.GetRegion(InvalidId), nullptr);

    // The image alone is written back.
    EXPECT_EQ(LtaFormat().Save("", texture).Size(), PngFormat().Save("", texture).Size());
}

TEST(ImageFormats, BadInputIsReportedAndLeavesUsableTextures)
{
    const std::string png = PatternPng(4, 4);
    std::string corrupted = png;
    corrupted[png.size() / 2] ^= 0x55; // inside the image data: its check fails
    const std::string wide = PatternPng(Texture::MaximumSize + 1, 1);
    auto entry = [](const std::string& name, float left, float top, float width, float height)
    {
        return BigEndianWriter()
            .Text(name)
            .Bytes(std::string(16, '\0'))
            .Value(left)
            .Value(top)
            .Value(width)
            .Value(height)
            .Result();
    };
    auto atlas = [&](uint32_t count, const std::string& entries)
    { return BigEndianWriter().Bytes(png).Value(count).Bytes(entries).Result(); };
    const std::string cut = entry("LtaTestCut", 0, 0, 0.5f, 0.5f);
    const std::string outside = entry("LtaTestOutside", 0.75f, 0, 0.5f, 0.5f);
    const std::string nan = entry("LtaTestNan", 0, std::nanf(""), 0.5f, -1e30f);
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
        {"too wide", wide, {"png image of 8193 x 1 is larger than a texture can be"}, 1, {"region is not big enough"}},
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
        Texture sheet;
        sheet.SetSize(8, 8, TextureFormat::ColorBuffer4x8);
        PngRegionFormat().Load("", test.bytes, *sheet.AddRegion(0, 0, 0));
        EXPECT_EQ(log.messages, test.regionMessages) << test.name;
    }

    const Case atlases[] = {
        {"without table", png, {"the region table is missing"}, 4, {}},
        {"cut in an entry", atlas(2, cut + cut.substr(0, 9)), {"the region table ends after 1 of 2 regions"}, 4, {}},
        {"claiming billions", atlas(0xFFFFFFFFu, cut), {"the region table ends after 1 of 4294967295 regions"}, 4, {}},
        {"entries outside",
         atlas(2, outside + nan),
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
    LtaFormat().Load("", atlas(2, cut + cut.substr(0, 9)), texture);
    EXPECT_NE(texture.GetRegion(NameTableA().Add("LtaTestCut")), nullptr);
    // The header of what is no PNG is all zeros.
    const TextureHeader header = PngFormat().ReadHeaderFromBytes("", "GIF89a");
    EXPECT_EQ(std::tie(header.width, header.height, header.format), std::make_tuple(0u, 0u, 0u));
}

TEST(ImageFormats, ImagesTooLargeForTheirPlaceOrWithoutPixelsAreRefused)
{
    LogCapture log;
    Texture texture;
    texture.SetSize(8, 8, TextureFormat::ColorBuffer4x8);
    TextureRegion* region = texture.AddRegion(0, 6, 0);
    PngRegionFormat().Load("", PatternPng(3, 2), *region);
    EXPECT_EQ(region->width, 0u);
    EXPECT_EQ(TexturePixel(texture, 6, 0), 0u);

    Texture target;
    target.SetSize(4, 4, TextureFormat::ColorTarget4x8);
    EXPECT_EQ(PngFormat().Save("", target).Size(), 0u);
    Texture released;
    released.SetSize(4, 4, TextureFormat::ColorBuffer4x8);
    released.ReleaseData();
    EXPECT_EQ(PngFormat().Save("", released).Size(), 0u);
    EXPECT_EQ(PngFormat().Save("", Texture()).Size(), 0u);
    EXPECT_EQ(log.messages,
              (std::vector<std::string>{"region is not big enough", "failed to initialize png output",
                                        "failed to initialize png output", "failed to initialize png output"}));
}

TEST(JpgFormat, LeavesTheTextureAsItWasWithoutAMessage)
{
    LogCapture log;
    Texture texture;
    texture.SetSize(2, 2, TextureFormat::ColorBuffer4x8);
    JpgFormat().Load("", "\xFF\xD8\xFF\xE0 whatever", texture);
    EXPECT_EQ(texture.width, 2u);
    EXPECT_EQ(JpgFormat().ReadHeaderFromBytes("", "\xFF\xD8").width, 0u);
    EXPECT_EQ(JpgFormat().Save("", texture).Size(), 0u);
    EXPECT_TRUE(log.messages.empty());
}

TEST(ImageFormats, TexturesAndRegionsLoadByPathThroughTheirTablesFileManager)
{
    TestFolder folder;
    FileManager files(folder.Root(), folder.Root(), folder.Root(), folder.Root());
    files.RegisterFormats();
    const std::string png = PatternPng(6, 4);
    ASSERT_TRUE(File::WriteAllText(folder.Path("Images/Picture.png"), png));
    ASSERT_TRUE(File::WriteAllText(folder.Path("Images/Photo.jpg"), png));

    ResourceTable table(&files);
    table.watch = 1;
    Texture* texture = table.CreateTexture(NameTableB().Add("ImageFormatTestTexture"));
    LogCapture log;
    texture->Load("Data:Images/Picture.png");
    EXPECT_EQ(texture->path, "Data:Images/Picture.png");
    EXPECT_TRUE(texture->handle.IsLoaded());
    ASSERT_EQ(files.GetWatches().size(), 1u);
    ExpectPattern(*texture, 0, 0, 6, 4);
    EXPECT_EQ(log.sections.back(),
              "Loading Lumvek.Texture ImageFormatTestTexture from " + folder.Path("Images/Picture.png"));

    // The same extension loads into a region through the region's format.
    texture->SetSize(16, 16, TextureFormat::ColorBuffer4x8);
    TextureRegion* region = texture->AddRegion(0, 8, 8);
    region->Load("Images/Picture.png");
    EXPECT_EQ(std::tie(region->width, region->height), std::make_tuple(6u, 4u));
    ExpectPattern(*texture, 8, 8, 6, 4);
    EXPECT_EQ(files.GetWatches().size(), 2u);

    // An empty path keeps the last load; resizing drops the region and its watch with it.
    region->Load("");
    EXPECT_TRUE(region->handle.IsLoaded());
    texture->SetSize(2, 2, TextureFormat::ColorBuffer4x8);
    EXPECT_EQ(files.GetWatches().size(), 1u);

    texture->Load("Images/Photo.jpg");
    EXPECT_EQ(texture->width, 2u);
    texture->Load("Images/Missing.png");
    EXPECT_FALSE(texture->handle.IsLoaded());
    EXPECT_TRUE(files.GetWatches().empty());
    EXPECT_EQ(log.messages, (std::vector<std::string>{"file does not exist"}));

    // Without a table there is no file manager to load with.
    Texture loose;
    loose.Load("Images/Picture.png");
    EXPECT_EQ(log.messages.back(), "no file manager to load Images/Picture.png");
}
