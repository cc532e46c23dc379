#include "Source/Data/PartData.h"

#include "Source/Data/SpecialPartData.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

using namespace DataTesting;
using Lumvek::Blueprint;
using Lumvek::Vector2;

namespace
{

template <class Kind> Blueprint WritePart(const Kind& part)
{
    BlueprintWriter writer;
    writer.GetCurrent().SetObject();
    part.Write(writer);
    return writer.GetRoot();
}

// A definition of the class the file's "DataType" names, read from the file as the registry does.
template <class Kind> std::unique_ptr<Kind> ReadPart(const DataTypeMap<Kind>& types, const Blueprint& file)
{
    std::unique_ptr<Kind> part = types.Create(DataDetail::ReadDataType(file));
    EXPECT_NE(part, nullptr) << DataDetail::ReadDataType(file).ToStdView();
    if (!part)
        return part;
    part->name = "Sample";
    BlueprintReader reader(file);
    part->Read(reader);
    return part;
}

template <class Kind> std::unique_ptr<Kind> ReadPart(const DataTypeMap<Kind>& types, StringView json)
{
    return ReadPart(types, Json(json));
}

// A definition of one class read from the file.
template <class Kind> std::unique_ptr<Kind> ReadNew(StringView json)
{
    auto part = std::make_unique<Kind>();
    part->name = "Sample";
    const Blueprint file = Json(json);
    BlueprintReader reader(file);
    part->Read(reader);
    return part;
}

// Every common key, each with a value that is not its default.
std::string CommonKeys(const std::string& dataType)
{
    return R"({"DataType": ")" + dataType + R"(", "DisplayName": "Sample", "Description": "A part",
        "Classification": "Awesome", "Cost": 75, "HasAbility": true, "EnergyRequirement": 100,
        "EnergyDischargeAmount": 50, "EnergyDischargeTime": 2, "EnergyRechargeTime": "0.5_seconds",
        "EnergyRechargeTimeout": "30_ticks", "Modifiers": {"Hops": 1.5, "Weight": -1.0})";
}

const std::vector<std::string> CommonNames = {"DataType",
                                              "DisplayName",
                                              "Description",
                                              "Classification",
                                              "Cost",
                                              "HasAbility",
                                              "EnergyRequirement",
                                              "EnergyDischargeAmount",
                                              "EnergyDischargeTime",
                                              "EnergyRechargeTime",
                                              "EnergyRechargeTimeout",
                                              "Modifiers"};

struct KindCase
{
    std::string dataType;
    const std::type_info* type;
    // The keys after the common ones, as given in the file and as written.
    std::string json;
    std::vector<std::string> names;
};

// Reads a file of every key of its kind, writes exactly those keys, and reads back what it wrote as the
// same class holding the same values.
template <class Kind> void CheckRoundTrip(const DataTypeMap<Kind>& types, const KindCase& test)
{
    SCOPED_TRACE(test.dataType);
    const std::unique_ptr<Kind> part = ReadPart(types, Json(CommonKeys(test.dataType) + test.json + "}"));
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(typeid(*part), *test.type);
    const Blueprint written = WritePart(*part);
    std::vector<std::string> names = CommonNames;
    names.insert(names.end(), test.names.begin(), test.names.end());
    EXPECT_EQ(MemberNames(written), names);
    EXPECT_EQ(written.GetObject().Find("DataType")->GetString().ToStdView(), test.dataType);

    const std::unique_ptr<Kind> again = ReadPart(types, written);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(typeid(*again), *test.type);
    EXPECT_EQ(WritePart(*again), written);
    EXPECT_EQ(again->displayName, "Sample");
    EXPECT_EQ(again->classification, PartClassification::Awesome);
    EXPECT_EQ(again->cost, 75u);
    EXPECT_TRUE(again->hasAbility);
    EXPECT_EQ(again->energyRequirement, 100u);
    EXPECT_EQ(again->energyDischargeAmount, 50u);
    EXPECT_EQ(again->energyDischargeTime.ticks, 2u);
    EXPECT_EQ(again->energyRechargeTime.ticks, 30u);
    EXPECT_EQ(again->energyRechargeTimeout.ticks, 30u);
    Attributes modifiers = Attributes::Modifiers();
    modifiers.hops = 1.5f;
    modifiers.weight = -1.0f;
    EXPECT_EQ(again->modifiers, modifiers);
}

const std::string HeadKeys = R"(, "Size": "0.5 0.75", "Skull": {"Position": "0 1", "Children": [{"Name": "Jaw"}]})";
const std::string CoreKeys = R"(, "Size": "0.5 0.75", "Spine": {"LeftOrder": 2, "RightOrder": 3})";
const std::string LegsKeys = R"(, "Size": "0.25 0.5", "LeftFoot": {"Size": "-1 1"})";
const std::vector<std::string> LegsNames = {"Size",       "LeftFemur",  "LeftTibia", "LeftFoot",
                                            "RightFemur", "RightTibia", "RightFoot"};

} // namespace

TEST(PartData, EveryKindReadsAndWritesItsKeysUnderItsDataType)
{
    CheckRoundTrip(HeadDataTypes(), {"Head", &typeid(HeadData), HeadKeys, {"Size", "Skull"}});
    CheckRoundTrip(HeadDataTypes(), {"HelicopterHat",
                                     &typeid(HelicopterHatData),
                                     HeadKeys + R"(, "FrameRate": 12.0, "AerodynamicsModifier": 2.0,
                                        "ManeuverabilityModifier": 3.0, "MaximumFallingSpeedModifier": 0.25)",
                                     {"Size", "Skull", "FrameRate", "AerodynamicsModifier", "ManeuverabilityModifier",
                                      "MaximumFallingSpeedModifier"}});
    CheckRoundTrip(CoreDataTypes(), {"Core", &typeid(CoreData), CoreKeys, {"Size", "Spine"}});
    CheckRoundTrip(CoreDataTypes(), {"AmmoBelt", &typeid(AmmoBeltData), CoreKeys, {"Size", "Spine"}});
    CheckRoundTrip(CoreDataTypes(),
                   {"Jetpack", &typeid(JetpackData), CoreKeys + R"(, "Thrust": 4.5)", {"Size", "Spine", "Thrust"}});
    CheckRoundTrip(ArmsDataTypes(),
                   {"Arms",
                    &typeid(ArmsData),
                    R"json(, "RightHand": {"Rotation": "Degrees(90)"})json",
                    {"LeftHumerus", "LeftRadius", "LeftHand", "RightHumerus", "RightRadius", "RightHand"}});
    CheckRoundTrip(LegsDataTypes(), {"Legs", &typeid(LegsData), LegsKeys, LegsNames});
    std::vector<std::string> hitops = LegsNames;
    hitops.insert(hitops.end(), {"SpeedBoost", "OxygenMaskRechargeBoost"});
    CheckRoundTrip(LegsDataTypes(), {"BonusHitops", &typeid(BonusHitopsData),
                                     LegsKeys + R"(, "SpeedBoost": 2.0, "OxygenMaskRechargeBoost": 3)", hitops});
    std::vector<std::string> boots = LegsNames;
    boots.push_back("JumpImpulse");
    CheckRoundTrip(LegsDataTypes(), {"SpaceBoots", &typeid(SpaceBootsData), LegsKeys + R"(, "JumpImpulse": 6)", boots});

    // What the kinds and the specials hold after reading.
    const auto hat = ReadPart(HeadDataTypes(), Json(CommonKeys("HelicopterHat") + HeadKeys +
                                                    R"(, "FrameRate": 12.0, "MaximumFallingSpeedModifier": 0.25})"));
    const auto& helicopter = dynamic_cast<const HelicopterHatData&>(*hat);
    EXPECT_EQ(helicopter.size, Vector2(0.5f, 0.75f));
    EXPECT_EQ(helicopter.skull.children.at(0).name, "Jaw");
    EXPECT_EQ(helicopter.frameRate, 12.0f);
    EXPECT_EQ(helicopter.aerodynamicsModifier, 1.0f);
    EXPECT_EQ(helicopter.maximumFallingSpeedModifier, 0.25f);
    const auto jetpack = ReadPart(CoreDataTypes(), R"({"DataType": "Jetpack", "Thrust": 4.5})");
    EXPECT_EQ(dynamic_cast<const JetpackData&>(*jetpack).thrust, 4.5f);
    const auto spaceBoots = ReadPart(LegsDataTypes(), R"({"DataType": "SpaceBoots", "JumpImpulse": 6.0})");
    EXPECT_EQ(dynamic_cast<const SpaceBootsData&>(*spaceBoots).jumpImpulse, 6.0f);
    const auto hitopsPart = ReadPart(LegsDataTypes(), R"({"DataType": "BonusHitops", "SpeedBoost": 2.0})");
    EXPECT_EQ(dynamic_cast<const BonusHitopsData&>(*hitopsPart).speedBoost, 2.0f);
    EXPECT_EQ(dynamic_cast<const BonusHitopsData&>(*hitopsPart).oxygenMaskRechargeBoost, 1.5f);
}

TEST(PartData, UnknownDataTypesMakeNoDefinition)
{
    // Each kind knows only its own names.
    EXPECT_EQ(HeadDataTypes().Create("Core"), nullptr);
    EXPECT_EQ(CoreDataTypes().Create("HelicopterHat"), nullptr);
    EXPECT_EQ(ArmsDataTypes().Create("arms"), nullptr);
    EXPECT_EQ(LegsDataTypes().Create("Part"), nullptr);
}

TEST(PartData, TheClassificationGivesTheCostUnlessTheFileSetsOne)
{
    // A definition never read keeps the cost of no classification.
    EXPECT_EQ(HeadData().cost, 100u);
    EXPECT_EQ(HeadData().classification, PartClassification::Dull);

    struct Case
    {
        StringView json;
        PartClassification classification;
        uint32_t cost;
    };
    const std::vector<Case> cases = {
        {R"({})", PartClassification::Dull, 10},
        {R"({"Classification": "Cool"})", PartClassification::Cool, 50},
        {R"({"Classification": "cool"})", PartClassification::Cool, 50},
        {R"({"Classification": "Okay"})", PartClassification::Okay, 20},
        {R"({"Classification": "Awesome"})", PartClassification::Awesome, 100},
        {R"({"Classification": "Legendary"})", PartClassification::Dull, 10},
        {R"({"Classification": 2})", PartClassification::Dull, 10},
        {R"({"Classification": "Cool", "Cost": 30})", PartClassification::Cool, 30},
        // Only an unsigned integer is a cost.
        {R"({"Classification": "Cool", "Cost": 30.0})", PartClassification::Cool, 50},
        {R"({"Cost": -5})", PartClassification::Dull, 10},
    };
    for (const Case& test : cases)
    {
        const auto part = ReadNew<CoreData>(test.json);
        EXPECT_EQ(part->classification, test.classification) << test.json.ToStdView();
        EXPECT_EQ(part->cost, test.cost) << test.json.ToStdView();
    }

    // The cost is written only when it is not the classification's own.
    CoreData core;
    core.classification = PartClassification::Okay;
    core.cost = 20;
    EXPECT_EQ(WritePart(core).GetObject().Find("Cost"), nullptr);
    EXPECT_EQ(WritePart(core).GetObject().Find("Classification")->GetString().ToStdView(), "Okay");
    core.cost = 25;
    EXPECT_EQ(WritePart(core).GetObject().Find("Cost")->GetUnsignedInteger(), 25u);
}

TEST(PartData, EnergyRulesAreWrittenOnlyForAnAbilityThatNeedsEnergy)
{
    LegsData legs;
    legs.cost = 10;
    legs.energyRequirement = 5;
    legs.energyDischargeAmount = 5;
    legs.energyRechargeTime.ticks = 30;
    const std::vector<std::string> plain = {"DataType",  "Classification", "Modifiers",  "Size",       "LeftFemur",
                                            "LeftTibia", "LeftFoot",       "RightFemur", "RightTibia", "RightFoot"};
    EXPECT_EQ(MemberNames(WritePart(legs)), plain);

    legs.hasAbility = true;
    legs.energyRequirement = 0;
    std::vector<std::string> ability = plain;
    ability.insert(ability.begin() + 2, "HasAbility");
    EXPECT_EQ(MemberNames(WritePart(legs)), ability);

    // Durations are written in seconds, the tick count times the tick length in single precision.
    struct Case
    {
        StringView json;
        uint32_t ticks;
        double written;
    };
    const std::vector<Case> cases = {
        {R"({"EnergyRechargeTime": 0.5})", 30, 0.5},
        {R"({"EnergyRechargeTime": "45_ticks"})", 45, double(45 * 0.016666668f)},
        {R"({"EnergyRechargeTime": "2_hertz"})", 30, 0.5},
        {R"({"EnergyRechargeTime": "-1_seconds"})", 0, 0.0},
    };
    for (const Case& test : cases)
    {
        auto part = ReadNew<LegsData>(test.json);
        EXPECT_EQ(part->energyRechargeTime.ticks, test.ticks) << test.json.ToStdView();
        part->hasAbility = true;
        part->energyRequirement = 1;
        EXPECT_EQ(WritePart(*part).GetObject().Find("EnergyRechargeTime")->GetNumber(), test.written)
            << test.json.ToStdView();
    }
    EXPECT_EQ(double(45 * 0.016666668f), 0.75000006f);
}

TEST(PartData, TopLevelBonesAreNamedAfterTheirKeys)
{
    const auto arms = ReadNew<ArmsData>(R"({
        "LeftHand": {"Name": "Claw", "Children": [{"Name": "Finger"}, {}]}, "RightHand": "no bone"})");
    const ArmsData& part = *arms;
    EXPECT_EQ(part.leftHand.name, "LeftHand");
    ASSERT_EQ(part.leftHand.children.size(), 2u);
    EXPECT_EQ(part.leftHand.children[0].name, "Finger");
    EXPECT_EQ(part.leftHand.children[1].name, "");
    // A bone the file leaves out still stands under its key, with nothing to apply.
    EXPECT_EQ(part.rightHand.name, "RightHand");
    EXPECT_EQ(part.rightHand.frameCount, 0u);
    EXPECT_FALSE(part.rightHand.hasPosition);
    EXPECT_EQ(part.leftHumerus.name, "LeftHumerus");
}
