#include "Engine/Foundation/LtdFormat.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace Lumvek;
using namespace Lumvek::Testing;

namespace
{

// A file manager over a fresh folder holding two images, and a table that loads through it.
struct Descriptions
{
    Descriptions() : files(folder.Root(), folder.Root(), folder.Root(), folder.Root()), table(&files)
    {
        files.RegisterFormats();
        File::WriteAllText(folder.Path("Sheet.png"), PatternPng(256, 128));
        File::WriteAllText(folder.Path("Icon.png"), PatternPng(10, 6));
    }

    // Loads the description text as a .ltd file into a new texture.
    Texture& Load(const std::string& text)
    {
        File::WriteAllText(folder.Path("Texture.ltd"), text);
        Texture* texture = table.CreateTexture(table.Count());
        texture->Load("Texture.ltd");
        return *texture;
    }

    TestFolder folder;
    FileManager files;
    ResourceTable table;
};

} // namespace

TEST(LtdFormat, EachTypeBuildsItsRegionOverTheImageOrTheGivenSize)
{
    struct Case
    {
        std::string text;
        std::function<void(Texture&, TextureRegion&)> check;
    };
    const Case cases[] = {
        {R"({ Type = "Plain" Filename = "Sheet.png" })",
         [](Texture& texture, TextureRegion& region)
         {
             EXPECT_EQ(std::tie(texture.width, texture.height), std::make_tuple(256u, 128u));
             EXPECT_EQ(std::tie(region.width, region.height), std::make_tuple(256u, 128u));
             EXPECT_EQ(TexturePixel(texture, 200, 100), PatternPixel(200, 100));
         }},
        {R"({ Width = 64 Height = 32 })",
         [](Texture& texture, TextureRegion& region)
         {
             EXPECT_EQ(texture.pixels.Size(), 64u * 32 * 4);
             EXPECT_EQ(std::tie(region.width, region.height), std::make_tuple(64u, 32u));
         }},
        {R"({ Type = "cellsize" Filename = "Sheet.png" FrameCount = 30 CellWidth = 32 CellHeight = 32 })",
         [](Texture&, TextureRegion& region)
         {
             auto& sheet = dynamic_cast<TextureFramesRegion&>(region);
             ASSERT_EQ(sheet.frames.size(), 30u);
             EXPECT_FLOAT_EQ(sheet.frames[9].x, 0.125f); // row 1 of an 8 x 4 grid
             EXPECT_FLOAT_EQ(sheet.frames[9].y, 0.25f);
         }},
        {R"({ Type = "CellCount" Filename = "Sheet.png" FrameCount = 3 HorizontalCount = 2 VerticalCount = 1 })",
         [](Texture&, TextureRegion& region)
         {
             auto& sheet = dynamic_cast<TextureFramesRegion&>(region);
             ASSERT_EQ(sheet.frames.size(), 3u);
             EXPECT_FLOAT_EQ(sheet.frames[1].x, 0.5f);
             EXPECT_FLOAT_EQ(sheet.frames[1].height, 1.0f);
         }},
        {R"({ Type = "NineSlice" Width = 8 Height = 8 Inset = 4 InsetHorizontal = 1 InsetLeft = 2 })",
         [](Texture&, TextureRegion& region)
         {
             auto& slices = dynamic_cast<TextureNineSliceRegion&>(region);
             EXPECT_EQ(std::tie(slices.left, slices.right, slices.bottom, slices.top), std::make_tuple(4u, 4u, 4u, 4u));
         }},
        {R"({ Type = "NineSlice" Width = 8 Height = 8 InsetHorizontal = 1 InsetVertical = 2 InsetLeft = 3 })",
         [](Texture&, TextureRegion& region)
         {
             auto& slices = dynamic_cast<TextureNineSliceRegion&>(region);
             EXPECT_EQ(std::tie(slices.left, slices.right, slices.bottom, slices.top), std::make_tuple(1u, 1u, 2u, 2u));
         }},
        {R"({ Type = "NineSlice" Width = 8 Height = 8 InsetLeft = 1 InsetRight = 2 InsetBottom = 3 InsetTop = 4 })",
         [](Texture&, TextureRegion& region)
         {
             auto& slices = dynamic_cast<TextureNineSliceRegion&>(region);
             EXPECT_EQ(std::tie(slices.left, slices.right, slices.bottom, slices.top), std::make_tuple(1u, 2u, 3u, 4u));
         }},
        {R"({ Type = "Streaming" Width = 8192 Height = 64 X = 0 CellWidth = 64 CellHeight = 32 })",
         [](Texture&, TextureRegion& region)
         {
             auto& stream = dynamic_cast<TextureStreamRegion&>(region);
             EXPECT_EQ(std::tie(stream.columns, stream.rows), std::make_tuple(128u, 2u));
         }},
    };
    Descriptions descriptions;
    for (const Case& test : cases)
    {
        LogCapture log;
        Texture& texture = descriptions.Load(test.text);
        EXPECT_TRUE(log.messages.empty()) << test.text;
        TextureRegion* region = texture.GetRegion(InvalidId);
        ASSERT_NE(region, nullptr) << test.text;
        SCOPED_TRACE(test.text);
        test.check(texture, *region);
    }
}

TEST(LtdFormat, AtlasesPackTheirRegionsWithExtrudedBordersAndSkipOnlyFaultyEntries)
{
    Descriptions descriptions;
    LogCapture log;
    Texture& texture = descriptions.Load(R"({
        Type = "Atlas" Width = 32 Height = 32 Border = 1
        Regions {
            LtdTestIcon { Filename = "Icon.png" }
            LtdTestFrames { Type = "CellCount" Width = 8 Height = 4 FrameCount = 2 HorizontalCount = 2 VerticalCount = 1 }
            LtdTestFaulty { Type = "CellCount" Width = 8 Height = 4 }
            LtdTestTooLarge { Width = 31 Height = 31 }
            LtdTestMissing { Filename = "Missing.png" }
            LtdTestInner { Type = "Atlas" Width = 10 Height = 10 Regions { LtdTestInnerPart { Width = 5 Height = 5 } } }
        }
    })");
    auto* atlas = texture.FindRegion<TextureAtlasRegion>(InvalidId);
    ASSERT_NE(atlas, nullptr);

    // The icon lands inside its border, and its edge pixels fill the border around it.
    const TextureRegion* icon = texture.GetRegion(NameTableA().Add("LtdTestIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->parent, atlas);
    EXPECT_EQ(std::tie(icon->x, icon->y, icon->width, icon->height), std::make_tuple(1u, 1u, 10u, 6u));
    EXPECT_EQ(TexturePixel(texture, 0, 0), PatternPixel(0, 0));
    EXPECT_EQ(TexturePixel(texture, 11, 7), PatternPixel(9, 5));
    EXPECT_EQ(TexturePixel(texture, 5, 7), PatternPixel(4, 5));

    auto* frames = texture.FindRegion<TextureFramesRegion>(NameTableA().Add("LtdTestFrames"));
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(frames->frames.size(), 2u);
    auto* inner = texture.FindRegion<TextureAtlasRegion>(NameTableA().Add("LtdTestInner"));
    ASSERT_NE(inner, nullptr);
    const TextureRegion* part = texture.GetRegion(NameTableA().Add("LtdTestInnerPart"));
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->parent, inner);
    EXPECT_EQ(std::tie(part->x, part->y), std::make_tuple(inner->x, inner->y));

    for (const std::string skipped : {"LtdTestFaulty", "LtdTestTooLarge", "LtdTestMissing"})
        EXPECT_EQ(texture.GetRegion(NameTableA().Add(skipped)), nullptr) << skipped;
    EXPECT_EQ(log.messages, (std::vector<std::string>{"HorizontalCount and VerticalCount must be at least 1",
                                                      "no room is left in the atlas for 31 x 31",
                                                      "the size of the image Missing.png cannot be read"}));
    EXPECT_EQ(log.enclosing[0].back(), "Region LtdTestFaulty");
}

TEST(LtdFormat, FaultyDescriptionsAreReportedAndBuildNothing)
{
    const std::string sizes = "either Filename or Width and Height must be specified";
    const std::string counts = "HorizontalCount and VerticalCount must be at least 1";
    const std::string cells = "CellWidth and CellHeight must be at least 1";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {R"({ Width = 0 Height = 8 })", sizes},
        {R"({ Width = 8193 Height = 8 })", sizes},
        {R"({ Width = 8.0 Height = 8 })", sizes}, // a Number is no size
        {R"({ Width = 8 Height = 8 Filename = "" })", ""},
        {R"({ Type = "CellCount" Width = 8 Height = 8 FrameCount = 1 VerticalCount = 2 })", counts},
        {R"({ Type = "CellCount" Width = 8 Height = 8 HorizontalCount = 2 VerticalCount = 2 })", counts},
        {R"({ Type = "CellSize" Width = 8 Height = 8 FrameCount = 1 CellWidth = 0 CellHeight = 2 })", cells},
        {R"({ Type = "Streaming" Width = 8 Height = 8 CellHeight = 2 })", cells},
        {R"({ Filename = "Missing.png" })", "the size of the image Missing.png cannot be read"},
        {R"({ Filename = "Texture.ltd" })", "the size of the image Texture.ltd cannot be read"},
        {R"({ Width = 8 )", sizes},
        {"", sizes},
    };
    Descriptions descriptions;
    for (const auto& [text, message] : cases)
    {
        LogCapture log;
        Texture& texture = descriptions.Load(text);
        if (message.empty())
        {
            EXPECT_TRUE(log.messages.empty()) << text;
            EXPECT_NE(texture.GetRegion(InvalidId), nullptr) << text;
            continue;
        }
        ASSERT_FALSE(log.messages.empty()) << text;
        EXPECT_EQ(log.messages.back(), message) << text;
        EXPECT_EQ(texture.width, 0u) << text;
        EXPECT_TRUE(texture.regions.empty()) << text;
    }
}
