#include "Source/World/Bone.h"

#include "Engine/Foundation/Json.h"
#include "Source/Data/BoneData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using Lumvek::Blueprint;
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

Vector2 WorldPoint(Bone& bone)
{
    return bone.GetWorldTransform().TransformPoint(Vector2());
}

void ExpectNear(Vector2 actual, Vector2 expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
}

std::vector<std::string> MemberNames(const Blueprint& object)
{
    std::vector<std::string> names;
    for (const auto& member : object.GetObject())
        names.push_back(member.name.View().ToString());
    return names;
}

} // namespace

TEST(Bone, ChildrenTakeTheirParentsFlipAndPlacementButNotItsSize)
{
    struct Case
    {
        Vector2 rootScale;
        Vector2 childAt;
    };
    const Case cases[] = {{{-1.0f, 1.0f}, {-1.0f, 0.0f}}, {{2.0f, 2.0f}, {2.0f, 0.0f}}, {{1.0f, 1.0f}, {1.0f, 0.0f}}};
    for (const Case& test : cases)
    {
        Bone root = MakeBone("Root", Vector2(), test.rootScale);
        root.children.push_back(MakeBone("Arm", Vector2(1.0f, 0.0f)));
        root.SetParent(nullptr);
        Bone& arm = root.children[0];
        ExpectNear(WorldPoint(arm), test.childAt);
        // Drawn at its own size whatever the root's.
        const float* m = arm.GetWorldTransform().m;
        EXPECT_NEAR(std::hypot(m[0], m[1]), 1.0f, 1e-5f) << test.rootScale.x;
    }
}

TEST(Bone, ACopiedTreeFollowsItsOwnRootOnceRelinked)
{
    Bone source = MakeBone("Root", Vector2(10.0f, 0.0f));
    source.children.push_back(MakeBone("Spine", Vector2(0.0f, 1.0f)));
    source.children[0].children.push_back(MakeBone("Skull", Vector2(0.0f, 2.0f)));
    source.SetParent(nullptr);
    ExpectNear(WorldPoint(source.children[0].children[0]), {10.0f, 3.0f});

    Bone copy = source;
    copy.SetParent(nullptr);
    // A quarter turn of the root swings the cached chain round it; the drawn root may lie elsewhere.
    copy.rotation = 1.5707964f;
    copy.renderPosition = Vector2(20.0f, 0.0f);
    copy.MarkDirty();
    Bone& skull = copy.children[0].children[0];
    ExpectNear(WorldPoint(skull), {7.0f, 0.0f});
    ExpectNear(skull.GetRenderTransform().TransformPoint(Vector2()), {17.0f, 0.0f});
    ExpectNear(WorldPoint(source.children[0].children[0]), {10.0f, 3.0f});
}

TEST(Bone, WorldRotationAddsTheParentsAndWrapsBelowAFullTurn)
{
    Bone root = MakeBone("Root");
    root.rotation = 4.0f;
    root.children.push_back(MakeBone("Arm"));
    root.children[0].rotation = 3.0f;
    root.SetParent(nullptr);
    EXPECT_FLOAT_EQ(root.children[0].GetWorldRotation(), 7.0f - 6.2831855f);
    // An absurd rotation from a file still ends in range.
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
    EXPECT_EQ(root.Find("Hand", true), &root.children[0].children[0]);
    EXPECT_EQ(root.Find("Hand", false), &root.children[1]);
    EXPECT_EQ(root.Find("Han", true), nullptr);
}

TEST(Bone, ApplyTakesOnlyWhatTheDefinitionHoldsAndAddsMissingChildrenWhole)
{
    Bone root = MakeBone("Root", Vector2(3.0f, 4.0f), Vector2(2.0f, 2.0f));
    BoneData definition;
    definition.rotation = 0.5f;
    definition.hasRotation = true;
    definition.position = Vector2(9.0f, 9.0f); // not flagged: not taken
    BoneData& antenna = definition.children.emplace_back();
    antenna.name = "Antenna";
    antenna.position = Vector2(0.0f, 2.0f);
    antenna.size = Vector2(0.5f, 3.0f);
    antenna.region = 77;
    antenna.children.emplace_back().name = "Tip";
    root.Apply(definition);

    EXPECT_EQ(root.rotation, 0.5f);
    EXPECT_EQ(root.position, Vector2(3.0f, 4.0f));
    EXPECT_EQ(root.scale, Vector2(2.0f, 2.0f));
    ASSERT_EQ(root.children.size(), 1u);
    const Bone& added = root.children[0];
    // Every value of the definition, flags or not.
    EXPECT_EQ(added.position, Vector2(0.0f, 2.0f));
    EXPECT_EQ(added.scale, Vector2(0.5f, 3.0f));
    EXPECT_EQ(added.region, 77u);
    EXPECT_EQ(added.parent, &root);
    EXPECT_EQ(added.children.at(0).parent, &added);
}

TEST(Bone, BonesAddedWithoutSizeOrFramesStayUsable)
{
    // A part file that names a new bone and gives it neither "Size" nor "FrameCount".
    Bone root = MakeBone("Root");
    BoneData hat;
    hat.name = "Hat";
    BoneData& feather = hat.children.emplace_back();
    feather.position = Vector2(1.0f, 0.0f);
    feather.size = Vector2(1.0f, 1.0f);
    Bone& added = root.AddChild(hat);

    // An animation takes its frame modulo the count.
    EXPECT_EQ(added.frameCount, 1u);
    // The hat is squashed to nothing, but its child is placed as under a hat of size 1, not at infinity.
    for (float value : added.children[0].GetWorldTransform().m)
        EXPECT_TRUE(std::isfinite(value));
    ExpectNear(WorldPoint(added.children[0]), {0.0f, 0.0f});
}

TEST(Bone, AddingChildrenKeepsTheGrandchildrenLinkedToTheirMovedParents)
{
    Bone root = MakeBone("Root", Vector2(5.0f, 0.0f));
    for (int i = 0; i < 40; ++i)
    {
        BoneData limb;
        limb.size = Vector2(1.0f, 1.0f);
        limb.children.emplace_back().position = Vector2(0.0f, 1.0f);
        root.AddChild(limb);
    }
    // Each growth of the list moved the first limbs; their ends must follow them, not read the freed
    // places (the sanitizer stops on that).
    for (Bone& limb : root.children)
        ASSERT_EQ(limb.children[0].parent, &limb);
    ExpectNear(WorldPoint(root.children[0].children[0]), {5.0f, 1.0f});
}

TEST(Bone, ReadsItsTextAndWritesOnlyWhatDiffersFromANewBone)
{
    Blueprint text;
    ASSERT_TRUE(Lumvek::JsonFormat::LoadBlueprint(R"json({
        "Name": "Root", "Position": "1 2", "Rotation": "Degrees(90)", "Size": "-1 1", "LeftOrder": 2,
        "Children": [{"Name": "Hat", "FrameCount": 4, "CellCountX": 2, "CellCountY": 2,
                      "Children": [{"Name": "Brim", "FrameCount": 0}]}, 7]})json",
                                                  text));
    Bone bone;
    Lumvek::BlueprintReader reader(text);
    ASSERT_TRUE(bone.Read(reader));
    EXPECT_FLOAT_EQ(bone.rotation, 1.5707964f);
    EXPECT_EQ(bone.scale, Vector2(-1.0f, 1.0f));
    ASSERT_EQ(bone.children.size(), 1u);
    Bone& hat = bone.children[0];
    EXPECT_EQ(hat.children.at(0).parent, &hat);
    EXPECT_EQ(hat.children[0].frameCount, 1u);

    Lumvek::BlueprintWriter writer;
    writer.GetCurrent().SetObject();
    bone.Write(writer);
    const Blueprint& written = writer.GetRoot();
    EXPECT_EQ(MemberNames(written),
              (std::vector<std::string>{"Name", "Position", "LeftOrder", "Rotation", "Size", "Children"}));
    const Blueprint& hatText = written.GetObject().Find("Children")->GetElement(0);
    EXPECT_EQ(MemberNames(hatText),
              (std::vector<std::string>{"Name", "Position", "Children", "CellCountX", "CellCountY", "FrameCount"}));
    // A single frame is no animation: its layout is left out.
    EXPECT_EQ(MemberNames(hatText.GetObject().Find("Children")->GetElement(0)),
              (std::vector<std::string>{"Name", "Position"}));
}
