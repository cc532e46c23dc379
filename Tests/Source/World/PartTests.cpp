#include "Source/World/Part.h"

#include "Source/Data/PartData.h"
#include "Source/World/AbilityParts.h"

#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

using Lumvek::InvalidId;

namespace
{

// The run-time part that the definition of a DataType makes.
template <class Kind> std::unique_ptr<Part> Make(const DataTypeMap<Kind>& types, Lumvek::StringView dataType)
{
    std::unique_ptr<Kind> definition = types.Create(dataType);
    return definition ? definition->CreatePart() : nullptr;
}

} // namespace

TEST(Part, EachDefinitionMakesItsPartWithFullEnergyAndNothingElse)
{
    const std::pair<std::unique_ptr<Part>, const std::type_info*> cases[] = {
        {Make(HeadDataTypes(), "Head"), &typeid(Head)},
        {Make(HeadDataTypes(), "HelicopterHat"), &typeid(HelicopterHat)},
        {Make(CoreDataTypes(), "Core"), &typeid(Core)},
        {Make(CoreDataTypes(), "AmmoBelt"), &typeid(AmmoBelt)},
        {Make(CoreDataTypes(), "Jetpack"), &typeid(Jetpack)},
        {Make(ArmsDataTypes(), "Arms"), &typeid(Arms)},
        {Make(LegsDataTypes(), "Legs"), &typeid(Legs)},
        {Make(LegsDataTypes(), "BonusHitops"), &typeid(BonusHitops)},
        {Make(LegsDataTypes(), "SpaceBoots"), &typeid(SpaceBoots)},
    };
    for (const auto& [part, type] : cases)
    {
        ASSERT_NE(part, nullptr) << type->name();
        const auto& made = *part;
        EXPECT_EQ(typeid(made), *type);
        EXPECT_EQ(part->energy, 1000u);
        // The wearer and the definition are the taker's to set.
        EXPECT_EQ(part->owner, nullptr);
        EXPECT_EQ(part->data, nullptr);
        EXPECT_FALSE(part->selected || part->discharging || part->rechargeDelay || part->usedTime);
    }
    // No sound plays yet, and new boots may jump in the air at once.
    EXPECT_EQ(dynamic_cast<const HelicopterHat&>(*cases[1].first).voice, InvalidId);
    EXPECT_EQ(dynamic_cast<const Jetpack&>(*cases[4].first).voice, InvalidId);
    EXPECT_EQ(dynamic_cast<const BonusHitops&>(*cases[7].first).voice, InvalidId);
    EXPECT_TRUE(dynamic_cast<const SpaceBoots&>(*cases[8].first).armed);
}
