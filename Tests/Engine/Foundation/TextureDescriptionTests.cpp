#include "Engine/Foundation/LtdFormat.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

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
    Descriptions descriptions;
    LogCapture log;
    Texture& image = descriptions.Load(R"({ Type = "Plain" Filename = "Sheet.png" })");
    const TextureRegion* whole = image.GetRegion(InvalidId);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(std::tie(image.width, image.height, whole->width, whole->height),
              std::make_tuple(256u, 128u, 256u, 128u));
    EXPECT_EQ(TexturePixel(image, 200, 100), PatternPixel(200, 100));
    whole = descriptions.Load(R"({ Width = 64 Height = 32 })").GetRegion(InvalidId);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(std::tie(whole->width, whole->height), std::make_tuple(64u, 32u));

    auto* cells =
        descriptions
            .Load(R"({ Type = "cellsize" Filename = "Sheet.png" FrameCount = 30 CellWidth = 32 CellHeight = 32 })")
            .FindRegion<TextureFramesRegion>(InvalidId);
    ASSERT_NE(cells, nullptr);
    ASSERT_EQ(cells->frames.size(), 30u);
    EXPECT_EQ(std::tie(cells->frames[9].x, cells->frames[9].y), std::make_tuple(0.125f, 0.25f)); // in an 8 x 4 grid
    auto* counted =
        descriptions
            .Load(
                R"({ Type = "CellCount" Filename = "Sheet.png" FrameCount = 3 HorizontalCount = 2 VerticalCount = 1 })")
            .FindRegion<TextureFramesRegion>(InvalidId);
    ASSERT_NE(counted, nullptr);
    ASSERT_EQ(counted->frames.size(), 3u);
    EXPECT_EQ(std::tie(counted->frames[1].x, counted->frames[1].height), std::make_tuple(0.5f, 1.0f));
    auto* stream =
        descriptions.Load(R"({ Type = "Streaming" Width = 8192 Height = 64 CellWidth = 64 CellHeight = 32 })")
            .FindRegion<TextureStreamRegion>(InvalidId);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(std::tie(stream->columns, stream->rows), std::make_tuple(128u, 2u));

    const std::tuple<std::string, std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>> insets[] = {
        {"Inset = 4 InsetHorizontal = 1 InsetLeft = 2", {4, 4, 4, 4}},
        {"InsetHorizontal = 1 InsetVertical = 2 InsetLeft = 3", {1, 1, 2, 2}},
        {"InsetLeft = 1 InsetRight = 2 InsetBottom = 3 InsetTop = 4", {1, 2, 3, 4}},
    };
    for (const auto& [keys, expected] : insets)
    {
        auto* slices = descriptions.Load(R"({ Type = "NineSlice" Width = 8 Height = 8 )" + keys + " }")
                           .FindRegion<TextureNineSliceRegion>(InvalidId);
        ASSERT_NE(slices, nullptr) << keys;
        EXPECT_EQ(std::tie(slices->left, slices->right, slices->bottom, slices->top), expected) << keys;
    }
    EXPECT_TRUE(log.messages.empty());
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
        {R"({ Width = 8 )", "Texture.ltd did not parse: the text is not LON: line 1, column 13: expected '}'"},
        {"", "Texture.ltd did not parse: the text is not LON: line 1, column 1: expected a number"},
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

// A value the description cannot take costs its own key alone, named with the file and its path: the
// atlas packs without a border, its region takes the later Width.
TEST(LtdFormat, AValueItCannotTakeCostsOnlyItsOwnKey)
{
    Descriptions descriptions;
    LogCapture log;
    Texture& texture = descriptions.Load(R"({ Type = "Atlas" Width = 32 Height = 32 Border = 0x2
        Regions { LtdTestKept { Width = 4 Height = 4 Width = 5 X = -1 } } })");
    EXPECT_EQ(log.messages.size(), 3u); // and one names the earlier Width
    EXPECT_TRUE(
        log.Logged("Texture.ltd: Border holds 0x2, which was not taken: a number in decimal digits was expected"));
    EXPECT_TRUE(log.Logged("Texture.ltd: Regions.LtdTestKept.X holds -1, which was not taken: below 0"));
    const TextureRegion* kept = texture.GetRegion(NameTableA().Add("LtdTestKept"));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(std::tie(kept->x, kept->y, kept->width, kept->height), std::make_tuple(0u, 0u, 5u, 4u));
}

TEST(LtdFormat, AtlasesNestOnlyToTheLimit)
{
    // Far deeper than the stack would take, were each level followed.
    std::string text;
    const int depth = 20000;
    for (int level = 0; level < depth; ++level)
        text += "{ Type = \"Atlas\" Width = 64 Height = 64 Regions { LtdTestLevel" + std::to_string(level) + " ";
    text += "{ Width = 1 Height = 1 }";
    for (int level = 0; level < depth; ++level)
        text += " } }";
    Descriptions descriptions;
    LogCapture log;
    Texture& texture = descriptions.Load(text);
    EXPECT_NE(texture.FindRegion<TextureAtlasRegion>(InvalidId), nullptr);
    // Sixteen atlases: the outermost and fifteen inside it, the last without its regions.
    EXPECT_NE(texture.FindRegion<TextureAtlasRegion>(NameTableA().Add("LtdTestLevel14")), nullptr);
    EXPECT_EQ(texture.GetRegion(NameTableA().Add("LtdTestLevel15")), nullptr);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0], "atlases nest deeper than 16 levels: the regions of this one are skipped");
}
