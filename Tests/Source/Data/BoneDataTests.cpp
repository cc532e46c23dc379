#include "Source/Data/BoneData.h"

#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace DataTesting;
using Lumvek::Blueprint;
using Lumvek::InvalidId;
using Lumvek::Vector2;

namespace
{

BoneData ReadBone(const Blueprint& object, BoneData bone = BoneData())
{
    BlueprintReader reader(object);
    EXPECT_TRUE(bone.Read(reader));
    return bone;
}

Blueprint WriteBone(const BoneData& bone)
{
    BlueprintWriter writer;
    writer.GetCurrent().SetObject();
    bone.Write(writer);
    return writer.GetRoot();
}

} // namespace

TEST(BoneData, ReadsEveryKeyAndWritesItBack)
{
    const BoneData bone = ReadBone(Json(R"json({
        "Name": "LeftHand", "LeftOrder": 3, "RightOrder": 7,
        "Position": "0.5 -1", "Rotation": "Degrees(90)", "Size": "2 3", "Offset": "0 0",
        "Shape": ["0 0", "1 0", "1 1"],
        "Children": [{"Name": "Thumb", "Position": "0.1 0.2", "Children": [{"Name": "Nail"}]}, {"Name": "Palm"}],
        "CellCountX": 4, "CellCountY": 2, "FrameCount": 6})json"));
    EXPECT_TRUE(bone.hasPosition && bone.hasRotation && bone.hasSize && bone.hasOffset);
    EXPECT_EQ(bone.position, Vector2(0.5f, -1.0f));
    EXPECT_FLOAT_EQ(bone.rotation, 1.5707964f);
    EXPECT_EQ(bone.shape, (std::vector<Vector2>{{0, 0}, {1, 0}, {1, 1}}));
    ASSERT_EQ(bone.children.size(), 2u);
    EXPECT_EQ(bone.children[0].children.at(0).name, "Nail");
    EXPECT_FALSE(bone.children[1].hasPosition);
    EXPECT_EQ(std::tie(bone.leftOrder, bone.rightOrder, bone.cellCountX, bone.cellCountY, bone.frameCount),
              std::make_tuple(3u, 7u, 4u, 2u, 6u));
    // Sprite ids come from image files, never from the text.
    EXPECT_EQ(bone.drawRegion, InvalidId);

    const Blueprint written = WriteBone(bone);
    EXPECT_EQ(MemberNames(written),
              (std::vector<std::string>{"Name", "LeftOrder", "RightOrder", "Position", "Rotation", "Size", "Offset",
                                        "Shape", "Children", "CellCountX", "CellCountY", "FrameCount"}));
    EXPECT_EQ(MemberNames(written.GetObject().Find("Children")->GetElement(1)), std::vector<std::string>{"Name"});
    EXPECT_EQ(ReadBone(written), bone);
}

TEST(BoneData, WritesOnlyWhatItHolds)
{
    // A new bone holds nothing to apply, so it writes an empty object.
    EXPECT_EQ(WriteBone(BoneData()), Json("{}"));

    struct Case
    {
        StringView text;
        std::vector<std::string> keys;
    };
    const std::vector<Case> cases = {
        // A value equal to the default is written when the file gave it: the flag, not the value, counts.
        {R"json({"Position": "0 0"})json", {"Position"}},
        {R"json({"Rotation": "Degrees(0)"})json", {"Rotation"}},
        {R"json({"Size": "0 0", "Offset": "1 1"})json", {"Size", "Offset"}},
        // FrameCount 1 still carries the layout; without FrameCount the cell counts are not written.
        {R"json({"FrameCount": 1})json", {"CellCountX", "CellCountY", "FrameCount"}},
        {R"json({"CellCountX": 3, "CellCountY": 3})json", {}},
        {R"json({"Name": "", "Shape": [], "Children": []})json", {}},
    };
    for (const Case& test : cases)
        EXPECT_EQ(MemberNames(WriteBone(ReadBone(Json(test.text)))), test.keys) << test.text.ToStdView();
}

TEST(BoneData, KeepsFieldsForAbsentOrMistypedKeys)
{
    BoneData before;
    before.name = "Spine";
    before.position = Vector2(1.0f, 2.0f);
    before.shape = {{1, 1}, {2, 2}};
    before.children.resize(1);
    before.frameCount = 2;

    // Mistyped values and a polygon with one unreadable point change nothing and set no flag.
    const StringView mistyped = R"json({"Name": 5, "Position": 3, "Rotation": "Turns(1)", "Size": "big",
        "Shape": ["0 0", "x"], "Children": {"Name": "Rib"}, "FrameCount": 2.0, "LeftOrder": "front"})json";
    EXPECT_EQ(ReadBone(Json(mistyped), before), before);

    // Children that are not objects are skipped; the list is replaced by what was read.
    const BoneData replaced = ReadBone(Json(R"json({"Children": [1, {"Name": "Rib"}, "Tail"]})json"), before);
    ASSERT_EQ(replaced.children.size(), 1u);
    EXPECT_EQ(replaced.children[0].name, "Rib");
}

TEST(BoneData, StopsReadingChildrenTooDeeplyNested)
{
    // A file nesting bones thousands deep must not exhaust the stack.
    std::string text;
    const int levels = 5000;
    for (int i = 0; i < levels; ++i)
        text += R"json({"Name": "B", "Children": [)json";
    text += "{}";
    for (int i = 0; i < levels; ++i)
        text += "]}";
    Lumvek::Testing::LogCapture log;
    const BoneData bone = ReadBone(Json(text));
    uint32_t depth = 0;
    for (const BoneData* level = &bone; !level->children.empty(); level = &level->children[0])
        ++depth;
    EXPECT_EQ(depth, BoneData::MaximumDepth - 1);
    EXPECT_EQ(log.messages.size(), 1u);
}
