#include "Source/World/Bone.h"

#include "Engine/Foundation/Json.h"
#include "Source/Data/BoneData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using Lumvek::Blueprint;
using Lumvek::BlueprintReader;
using Lumvek::BlueprintWriter;
using Lumvek::InvalidId;
using Lumvek::Matrix3x3;
using Lumvek::Vector2;

namespace
{

Bone MakeBone(std::string name, Vector2 position = Vector2(), Vector2 scale = Vector2(1.0f, 1.0f))
{
    Bone bone;
    bone.name = std::move(name);
    bone.position = position;
    bone.scale = scale;
    return bone;
}

BoneData MakeDefinition(std::string name)
{
    BoneData definition;
    definition.name = std::move(name);
    return definition;
}

Blueprint Json(Lumvek::StringView text)
{
    Blueprint blueprint;
    EXPECT_TRUE(Lumvek::JsonFormat::LoadBlueprint(text, blueprint)) << text.ToStdView();
    return blueprint;
}

std::vector<std::string> MemberNames(const Blueprint& object)
{
    std::vector<std::string> names;
    for (const auto& member : object.GetObject())
        names.push_back(member.name.View().ToString());
    return names;
}

// Where the bone's own point lies in the world, and how long its x axis is drawn there.
Vector2 WorldPoint(Bone& bone, Vector2 point = Vector2())
{
    return bone.GetWorldTransform().TransformPoint(point);
}

float DrawnWidth(Bone& bone)
{
    const Matrix3x3& transform = bone.GetWorldTransform();
    return std::hypot(transform.m[0], transform.m[1]);
}

void ExpectNear(Vector2 actual, Vector2 expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
}

} // namespace

TEST(Bone, ChildrenTakeTheirParentsFlipAndPlacementButNotItsSize)
{
    struct Case
    {
        const char* what;
        Vector2 rootScale;
        Vector2 childAt;
        float childWidth;
    };
    const Case cases[] = {
        {"a mirrored root mirrors its child", {-1.0f, 1.0f}, {-1.0f, 0.0f}, 1.0f},
        {"a doubled root places its child twice as far", {2.0f, 2.0f}, {2.0f, 0.0f}, 1.0f},
        {"a plain root", {1.0f, 1.0f}, {1.0f, 0.0f}, 1.0f},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.what);
        Bone root = MakeBone("Root", Vector2(), test.rootScale);
        root.children.push_back(MakeBone("Arm", Vector2(1.0f, 0.0f)));
        root.SetParent(nullptr);
        Bone& arm = root.children[0];
        ExpectNear(WorldPoint(arm), test.childAt);
        EXPECT_NEAR(DrawnWidth(arm), test.childWidth, 1e-5f);
    }
}

TEST(Bone, TransformsFollowAMarkedChangeAndUseTheRenderPositionOnlyAtTheRoot)
{
    Bone root = MakeBone("Root", Vector2(10.0f, 0.0f));
    root.children.push_back(MakeBone("Spine", Vector2(0.0f, 1.0f)));
    root.children[0].children.push_back(MakeBone("Skull", Vector2(0.0f, 2.0f)));
    root.SetParent(nullptr);
    Bone& skull = root.children[0].children[0];
    ExpectNear(WorldPoint(skull), {10.0f, 3.0f});

    // Turning the root a quarter turn about its position swings the whole chain round it.
    root.rotation = 1.5707964f;
    root.renderPosition = Vector2(20.0f, 0.0f);
    root.MarkDirty();
    ExpectNear(WorldPoint(skull), {7.0f, 0.0f});
    ExpectNear(skull.GetRenderTransform().TransformPoint(Vector2()), {17.0f, 0.0f});
}

TEST(Bone, WorldRotationAddsTheParentsAndWrapsBelowAFullTurn)
{
    Bone root = MakeBone("Root");
    root.rotation = 4.0f;
    root.children.push_back(MakeBone("Arm"));
    root.children[0].rotation = 3.0f;
    root.SetParent(nullptr);
    EXPECT_FLOAT_EQ(root.children[0].GetWorldRotation(), 7.0f - 6.2831855f);
    // A root keeps its own rotation as it is.
    root.rotation = 7.0f;
    EXPECT_FLOAT_EQ(root.GetWorldRotation(), 7.0f);
    // An absurd rotation from a file still ends.
    root.children[0].rotation = 3.0e30f;
    const float wrapped = root.children[0].GetWorldRotation();
    EXPECT_TRUE(wrapped >= 0.0f && wrapped < 6.2831855f) << wrapped;
}

TEST(Bone, FindSearchesDepthFirstAndNeverTheBoneItself)
{
    Bone root = MakeBone("Hand");
    root.children.push_back(MakeBone("Arm"));
    root.children[0].children.push_back(MakeBone("Hand"));
    root.children.push_back(MakeBone("Hand"));
    root.SetParent(nullptr);

    EXPECT_EQ(root.Find("Hand", true), &root.children[0].children[0]);
    EXPECT_EQ(root.Find("Hand", false), &root.children[1]);
    EXPECT_EQ(root.Find("Han", true), nullptr);
    EXPECT_EQ(root.Find("Nothing", true), nullptr);
}

TEST(Bone, ApplyTakesOnlyWhatTheDefinitionHoldsAndAddsMissingChildrenWhole)
{
    Bone root = MakeBone("Root", Vector2(3.0f, 4.0f), Vector2(2.0f, 2.0f));
    root.children.push_back(MakeBone("Spine", Vector2(0.0f, 1.0f)));
    root.SetParent(nullptr);
    const Bone before = root;

    BoneData turn = MakeDefinition("Root");
    turn.rotation = 0.5f;
    turn.hasRotation = true;
    turn.position = Vector2(9.0f, 9.0f); // no flag: not taken
    root.Apply(turn);
    EXPECT_EQ(root.rotation, 0.5f);
    EXPECT_EQ(root.position, before.position);
    EXPECT_EQ(root.scale, before.scale);
    EXPECT_EQ(root.frameCount, 1u);
    EXPECT_EQ(root.children.size(), 1u);

    BoneData withChild = MakeDefinition("Root");
    BoneData antenna = MakeDefinition("Antenna");
    antenna.position = Vector2(0.0f, 2.0f);
    antenna.size = Vector2(0.5f, 3.0f);
    antenna.leftOrder = 4;
    antenna.region = 77;
    antenna.children.push_back(MakeDefinition("Tip"));
    withChild.children.push_back(antenna);
    BoneData spine = MakeDefinition("Spine");
    spine.offset = Vector2(0.25f, 0.0f);
    spine.hasOffset = true;
    withChild.children.push_back(spine);
    root.Apply(withChild);

    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].offset, Vector2(0.25f, 0.0f));
    EXPECT_EQ(root.children[0].position, Vector2(0.0f, 1.0f));
    const Bone& added = root.children[1];
    // Every value of the definition, flags or not.
    EXPECT_EQ(added.position, Vector2(0.0f, 2.0f));
    EXPECT_EQ(added.scale, Vector2(0.5f, 3.0f));
    EXPECT_EQ(added.leftOrder, 4u);
    EXPECT_EQ(added.region, 77u);
    EXPECT_EQ(added.drawRegion, InvalidId);
    EXPECT_EQ(added.parent, &root);
    ASSERT_EQ(added.children.size(), 1u);
    EXPECT_EQ(added.children[0].parent, &added);
}

TEST(Bone, AddedBonesWithoutSizeOrFramesStayUsable)
{
    // A part file that names a new bone and gives it neither "Size" nor "FrameCount".
    Bone root = MakeBone("Root");
    BoneData hat = MakeDefinition("Hat");
    BoneData feather = MakeDefinition("Feather");
    feather.position = Vector2(1.0f, 0.0f);
    feather.size = Vector2(1.0f, 1.0f);
    hat.children.push_back(feather);
    Bone& added = root.AddChild(hat);

    // An animation takes its frame modulo the count.
    EXPECT_EQ(added.frameCount, 1u);
    EXPECT_EQ(added.scale, Vector2(0.0f, 0.0f));
    // The hat is squashed to nothing, but its child is still placed where it belongs, not at infinity.
    Bone& child = added.children[0];
    const Matrix3x3& transform = child.GetWorldTransform();
    for (float value : transform.m)
        EXPECT_TRUE(std::isfinite(value));
    ExpectNear(WorldPoint(child), {0.0f, 0.0f});
}

TEST(Bone, AddingChildrenKeepsTheGrandchildrenLinkedToTheirMovedParents)
{
    Bone root = MakeBone("Root", Vector2(5.0f, 0.0f));
    for (int i = 0; i < 40; ++i)
    {
        BoneData limb = MakeDefinition("Limb" + std::to_string(i));
        BoneData end = MakeDefinition("End");
        end.position = Vector2(0.0f, 1.0f);
        limb.children.push_back(end);
        limb.size = Vector2(1.0f, 1.0f);
        root.AddChild(limb);
    }
    // The first limbs were moved by every growth of the list; their ends must follow them, not read
    // the freed places (the sanitizer stops on that).
    for (Bone& limb : root.children)
    {
        ASSERT_EQ(limb.parent, &root);
        ASSERT_EQ(limb.children[0].parent, &limb);
    }
    ExpectNear(WorldPoint(root.children[0].children[0]), {5.0f, 1.0f});
}

TEST(Bone, ACopiedTreeIsItsOwnOnceRelinked)
{
    Bone source = MakeBone("Root");
    source.children.push_back(MakeBone("Spine", Vector2(0.0f, 1.0f)));
    source.children[0].children.push_back(MakeBone("Skull", Vector2(0.0f, 1.0f)));
    source.SetParent(nullptr);

    Bone copy = source;
    copy.SetParent(nullptr);
    copy.position = Vector2(-4.0f, 0.0f);
    copy.MarkDirty();
    Bone& skull = copy.children[0].children[0];
    EXPECT_EQ(skull.parent, &copy.children[0]);
    ExpectNear(WorldPoint(skull), {-4.0f, 2.0f});
    ExpectNear(WorldPoint(source.children[0].children[0]), {0.0f, 2.0f});
}

TEST(Bone, CopyRotationsFollowsNamesAndLeavesUnmatchedBonesAlone)
{
    Bone pose = MakeBone("Root");
    pose.children.push_back(MakeBone("Arm"));
    pose.children.push_back(MakeBone("Leg"));
    pose.children[1].rotation = 2.0f;
    pose.children[1].children.push_back(MakeBone("Foot"));
    pose.children[1].children[0].rotation = 0.25f;

    Bone skeleton = MakeBone("Root");
    skeleton.rotation = 1.0f;
    skeleton.children.push_back(MakeBone("Leg"));
    skeleton.children[0].children.push_back(MakeBone("Foot"));
    skeleton.children[0].children[0].rotation = 3.0f;
    skeleton.children.push_back(MakeBone("Tail"));
    skeleton.children[1].rotation = 1.5f;

    pose.CopyRotations(skeleton);
    EXPECT_EQ(pose.rotation, 1.0f);
    EXPECT_EQ(pose.children[0].rotation, 0.0f);
    EXPECT_EQ(pose.children[1].rotation, 0.0f);
    EXPECT_EQ(pose.children[1].children[0].rotation, 3.0f);
}

TEST(Bone, ReadsItsTextAndWritesOnlyWhatDiffersFromANewBone)
{
    const Blueprint text = Json(R"json({
        "Name": "Root", "Position": "1 2", "Rotation": "Degrees(90)", "Size": "-1 1", "Offset": "0.5 0",
        "LeftOrder": 2, "Shape": ["0 0", "1 0", "0 1"],
        "Children": [{"Name": "Hat", "FrameCount": 4, "CellCountX": 2, "CellCountY": 2,
                      "Children": [{"Name": "Brim", "FrameCount": 0}]}, 7]})json");
    Bone bone;
    BlueprintReader reader(text);
    ASSERT_TRUE(bone.Read(reader));
    EXPECT_EQ(bone.position, Vector2(1.0f, 2.0f));
    EXPECT_FLOAT_EQ(bone.rotation, 1.5707964f);
    EXPECT_EQ(bone.scale, Vector2(-1.0f, 1.0f));
    EXPECT_EQ(bone.leftOrder, 2u);
    EXPECT_EQ(bone.rightOrder, InvalidId);
    ASSERT_EQ(bone.children.size(), 1u);
    Bone& hat = bone.children[0];
    EXPECT_EQ(hat.frameCount, 4u);
    EXPECT_EQ(hat.parent, &bone);
    EXPECT_EQ(hat.children.at(0).parent, &hat);
    EXPECT_EQ(hat.children[0].frameCount, 1u);

    BlueprintWriter writer;
    writer.GetCurrent().SetObject();
    bone.Write(writer);
    const Blueprint& written = writer.GetRoot();
    EXPECT_EQ(MemberNames(written), (std::vector<std::string>{"Name", "Position", "LeftOrder", "Rotation", "Size",
                                                              "Offset", "Shape", "Children"}));
    const Blueprint& hatText = written.GetObject().Find("Children")->GetElement(0);
    EXPECT_EQ(MemberNames(hatText),
              (std::vector<std::string>{"Name", "Position", "Children", "CellCountX", "CellCountY", "FrameCount"}));
    // A single frame is no animation: its layout is left out.
    EXPECT_EQ(MemberNames(hatText.GetObject().Find("Children")->GetElement(0)),
              (std::vector<std::string>{"Name", "Position"}));

    Bone again;
    BlueprintReader back(written);
    again.Read(back);
    EXPECT_EQ(again.children[0].children[0].name, "Brim");
    ExpectNear(WorldPoint(again.children[0]), WorldPoint(bone.children[0]));
}
