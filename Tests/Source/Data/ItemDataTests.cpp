#include "Source/Data/ItemData.h"

#include "Tests/Source/Data/DefinitionTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace DataTesting;
using Lumvek::InvalidId;
using Lumvek::Vector2;

namespace
{

std::vector<std::tuple<float, float>> Points(const std::vector<Vector2>& points)
{
    std::vector<std::tuple<float, float>> pairs;
    for (Vector2 point : points)
        pairs.emplace_back(point.x, point.y);
    return pairs;
}

} // namespace

TEST(ItemData, ReadsItsKeysAndWritesThemBackAfterTheDataType)
{
    // Modifiers stand in the item's own object; only those that are not 0 are written back.
    TokenData token;
    ReadDefinition(token, R"({"Reach": 0.5, "Size": "1 2", "Offset": "0.5 0.25", "Rotatable": true, "Team": 3,
                        "Shape": ["0 0", "1 0", "0.5 1"], "DisplayName": "Token", "Modifiers": {"Hops": 2.0}})");
    Attributes reach = Attributes::Modifiers();
    reach.reach = 0.5f;
    EXPECT_EQ(token.modifiers, reach);
    EXPECT_EQ(std::tie(token.size.x, token.size.y, token.offset.y), std::make_tuple(1.f, 2.f, 0.25f));
    EXPECT_TRUE(token.rotatable);
    EXPECT_EQ(token.team, 3u);
    EXPECT_EQ(Written(token), Json(R"({"DataType": "Token", "DisplayName": "Token", "Size": "1.0 2.0",
                                       "Offset": "0.5 0.25", "Shape": ["0.0 0.0", "1.0 0.0", "0.5 1.0"],
                                       "Rotatable": true, "Team": 3, "Reach": 0.5})"));
    ExpectRoundTrip(token);

    // A plain item writes the family's name, which no factory takes.
    ItemData plain;
    EXPECT_EQ(MemberNames(Written(plain)),
              (std::vector<std::string>{"DataType", "Size", "Offset", "Shape", "Rotatable", "Team"}));
    EXPECT_EQ(Written(plain).GetObject().Find("DataType")->GetString(), StringView("Item"));
    EXPECT_EQ(ItemDataTypes().Create("Item"), nullptr);
}

TEST(ItemData, AShapeMemberReplacesTheOutline)
{
    struct Case
    {
        const char* json;
        std::vector<std::tuple<float, float>> points;
    };
    const Case cases[] = {
        {R"({"Shape": ["0 0", "1 0", "0.5 1"]})", {{0.f, 0.f}, {1.f, 0.f}, {0.5f, 1.f}}},
        // A text rather than an array empties the outline.
        {R"({"Shape": "0 0"})", {}},
        // An element that is no point text stays (0, 0).
        {R"({"Shape": ["1 1", "corner", "2 2"]})", {{1.f, 1.f}, {0.f, 0.f}, {2.f, 2.f}}},
        {R"({"Shape": ["1 1", 5]})", {{1.f, 1.f}, {0.f, 0.f}}},
        // Without the member the outline stays.
        {R"({})", {{9.f, 9.f}}},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.json);
        FlagData flag;
        flag.shape = {Vector2(9.f, 9.f)};
        ReadDefinition(flag, test.json);
        EXPECT_EQ(Points(flag.shape), test.points);
    }

    // The reader says whether every point was read.
    std::vector<Vector2> points;
    Lumvek::Blueprint root = Json(R"({"Good": ["1 2"], "Bad": ["1 2", "x"], "Text": "1 2"})");
    BlueprintReader reader(root);
    EXPECT_TRUE(ReadMember(reader, "Good", points));
    EXPECT_FALSE(ReadMember(reader, "Bad", points));
    EXPECT_FALSE(ReadMember(reader, "Text", points));
    EXPECT_FALSE(ReadMember(reader, "Missing", points));
}

TEST(ItemData, ATeamPastTheTableKeepsItsValueAndTakesTheNeutralColours)
{
    struct Case
    {
        const char* json;
        uint32_t team;
        TeamColor colour;
    };
    const Case cases[] = {
        {R"({"Team": 2})", 2, TeamColor::Green},
        // The low eight bits are kept.
        {R"({"Team": 260})", 4, TeamColor::Neutral},
        // A value no team has is kept for writing, and shows as no team.
        {R"({"Team": 7})", 7, TeamColor::Neutral},
        // A signed value is not read.
        {R"({"Team": -1})", 0, TeamColor::Red},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.json);
        FlagData flag;
        ReadDefinition(flag, test.json);
        EXPECT_EQ(flag.team, test.team);
        EXPECT_EQ(flag.GetTeamColor().value, static_cast<uint32_t>(test.colour));
        EXPECT_EQ(Written(flag).GetObject().Find("Team")->GetUnsignedInteger(), test.team);
    }
}

TEST(ItemData, LoadsItsImageAndDrawingUnderItsName)
{
    LoadingFolder folder;
    folder.Write("Items/RedFlag/Image.png", Lumvek::Testing::PatternPng(6, 3));
    folder.Write("Items/RedFlag/Draw.png", Lumvek::Testing::PatternPng(4, 5));
    FlagData flag;
    folder.Attach(flag, "RedFlag");
    flag.Load(*folder.first, *folder.second);

    EXPECT_EQ(flag.image, Lumvek::NameTableA().Add("RedFlag"));
    Lumvek::TextureRegion* image = folder.first->GetRegion(flag.image);
    Lumvek::TextureRegion* drawing = folder.second->GetRegion(flag.image);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(drawing, nullptr);
    EXPECT_EQ(std::tie(image->width, image->height, drawing->width, drawing->height), std::make_tuple(6u, 3u, 4u, 5u));
    EXPECT_EQ(Lumvek::Testing::TexturePixel(*folder.second, drawing->x + 3, drawing->y + 4),
              Lumvek::Testing::PatternPixel(3, 4));
}
