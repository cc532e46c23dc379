#include "Source/Data/Attributes.h"

#include "Engine/Foundation/Json.h"

#include <gtest/gtest.h>

#include <string>

using namespace Lumvek;

TEST(Attributes, ReadTakesOnlyNumbersAndKeepsTheRest)
{
    struct Case
    {
        const char* json;
        float maximumHealth;
        bool lastRead;
    };
    const Case cases[] = {
        {R"({"MaximumHealth": 1.0})", 1.0f, false},
        {R"({"MaximumHealth": 1})", 1.0f, false}, // a whole number is a number
        {R"({"MaximumHealth": -3})", -3.0f, false},
        {R"({"MaximumHealth": "2.0", "Other": 4.0})", 100.0f, false},
        {R"({"MaximumHealth": true, "EnergyRecharge": 2.5})", 100.0f, true},
        {R"([1.0])", 100.0f, false},
    };
    for (const Case& c : cases)
    {
        Blueprint tree;
        ASSERT_TRUE(JsonFormat::LoadBlueprint(StringView::FromCString(c.json), tree));
        BlueprintReader reader(tree);
        Attributes attributes;
        EXPECT_EQ(attributes.Read(reader), c.lastRead) << c.json;
        EXPECT_EQ(attributes.maximumHealth, c.maximumHealth) << c.json;
        EXPECT_EQ(attributes.hops, 9.6f) << c.json;
    }
}

TEST(Attributes, SparseWriteLeavesOutZerosAndFullWriteKeepsThem)
{
    Attributes modifiers = Attributes::Modifiers();
    BlueprintWriter empty;
    modifiers.Write(empty);
    EXPECT_EQ(empty.GetRoot().GetType(), BlueprintType::Invalid);

    modifiers.reach = 0.5f;
    BlueprintWriter sparse;
    modifiers.Write(sparse);
    ASSERT_EQ(sparse.GetRoot().GetCount(), 1u);
    EXPECT_EQ(sparse.GetRoot().GetObject().Find("Reach")->GetNumber(), 0.5);

    const Attributes settings = Attributes::ConfigurationDefaults();
    BlueprintWriter full;
    settings.WriteAll(full);
    ASSERT_EQ(full.GetRoot().GetCount(), Attributes::Count);
    EXPECT_EQ(full.GetRoot().GetObject().GetName(19), StringView("RespawnSpeed"));
    EXPECT_EQ(full.GetRoot().GetObject().Find("Awareness")->GetNumber(), 0.0);
}

TEST(Attributes, ModifiersApplyAndRemoveWithRespawnSpeedReversed)
{
    const Attributes base;
    Attributes modifiers = Attributes::Modifiers();
    modifiers.respawnSpeed = 0.5f;
    modifiers.hops = 1.5f;
    modifiers.weight = -0.25f;

    Attributes player = base;
    player += modifiers;
    EXPECT_EQ(player.respawnSpeed, 0.5f);
    EXPECT_EQ(player.hops, 9.6f + 1.5f);
    EXPECT_EQ(player.weight, 2.75f);
    EXPECT_EQ(player[0], 100.0f);
    player -= modifiers;
    EXPECT_EQ(player, base);
}
