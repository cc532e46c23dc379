#include "Source/Data/Attributes.h"

#include "Engine/Foundation/Json.h"

#include <gtest/gtest.h>

#include <string>

using namespace Lumvek;

namespace
{

Blueprint ParseJson(const std::string& text)
{
    Blueprint value;
    EXPECT_TRUE(JsonFormat::LoadBlueprint(text, value)) << text;
    return value;
}

} // namespace

TEST(Attributes, ThreeRolesStartFromTheirOwnDefaults)
{
    const Attributes base;
    const Attributes modifiers = Attributes::Modifiers();
    const Attributes settings = Attributes::ConfigurationDefaults();
    for (uint32_t index = 0; index < Attributes::Count; ++index)
    {
        const StringView name = Attributes::GetName(index);
        EXPECT_EQ(modifiers[index], 0.0f) << name.ToStdView();
        const bool zeroSetting = name == "HealthRegeneration" || name == "Noisiness" || name == "Awareness";
        EXPECT_EQ(settings[index], zeroSetting ? 0.0f : 1.0f) << name.ToStdView();
    }
    EXPECT_EQ(Attributes::GetName(0), StringView("MaximumHealth"));
    EXPECT_EQ(Attributes::GetName(23), StringView("EnergyRecharge"));
    EXPECT_EQ(Attributes::GetName(24), StringView());
    EXPECT_EQ(base[2], 9.6f);
    EXPECT_EQ(base[21], 50.0f);
    EXPECT_EQ(base[19], base.respawnSpeed);
    EXPECT_THROW(base[24], InvalidIndex);
}

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
        {R"({"MaximumHealth": 1})", 100.0f, false}, // an integer is no Number
        {R"({"MaximumHealth": -3})", 100.0f, false},
        {R"({"MaximumHealth": "2.0", "Other": 4.0})", 100.0f, false},
        {R"({"MaximumHealth": true, "EnergyRecharge": 2.5})", 100.0f, true},
        {R"({})", 100.0f, false},
        {R"([1.0])", 100.0f, false},
    };
    for (const Case& c : cases)
    {
        const Blueprint tree = ParseJson(c.json);
        BlueprintReader reader(tree);
        Attributes attributes;
        EXPECT_EQ(attributes.Read(reader), c.lastRead) << c.json;
        EXPECT_EQ(attributes.maximumHealth, c.maximumHealth) << c.json;
        EXPECT_EQ(attributes.hops, 9.6f) << c.json;
        EXPECT_EQ(reader.GetDepth(), 0u);
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
    EXPECT_EQ(sparse.GetRoot(), ParseJson(R"({"Reach": 0.5})"));

    BlueprintWriter full;
    modifiers.WriteAll(full);
    ASSERT_EQ(full.GetRoot().GetCount(), Attributes::Count);
    EXPECT_EQ(full.GetRoot().GetObject().GetName(18), StringView("Reach"));

    Attributes base;
    BlueprintWriter written;
    base.WriteAll(written);
    Attributes readBack = Attributes::Modifiers();
    BlueprintReader reader(written.GetRoot());
    EXPECT_TRUE(readBack.Read(reader));
    EXPECT_EQ(readBack, base);
}

TEST(Attributes, ModifiersApplyAndRemoveWithRespawnSpeedReversed)
{
    Attributes base;
    Attributes modifiers = Attributes::Modifiers();
    modifiers.respawnSpeed = 0.5f;
    modifiers.hops = 1.5f;
    modifiers.weight = -0.25f;

    Attributes player = base;
    player += modifiers;
    EXPECT_EQ(player.respawnSpeed, 0.5f);
    EXPECT_EQ(player.hops, 9.6f + 1.5f);
    EXPECT_EQ(player.weight, 2.75f);
    EXPECT_EQ(player.maximumHealth, 100.0f);

    player -= modifiers;
    EXPECT_EQ(player, base);
}
