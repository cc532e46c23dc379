#include "Source/Data/PartData.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Source/Data/AbilityPartData.h"
#include "Tests/Engine/Foundation/TextureTestSupport.h"
#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"
#include "Tests/Source/Data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

using namespace DataTesting;
using Lumvek::Blueprint;
using Lumvek::NameTableB;

namespace
{

template <class Kind> Blueprint WritePart(const Kind& part)
{
    BlueprintWriter writer;
    writer.GetCurrent().SetObject();
    part.Write(writer);
    return writer.GetRoot();
}

template <class Kind> std::unique_ptr<Kind> ReadPart(std::unique_ptr<Kind> part, const Blueprint& file)
{
    if (part)
    {
        part->name = "Sample";
        BlueprintReader reader(file);
        part->Read(reader);
    }
    return part;
}

// Every common key with a value that is not its default, in the form and order they are written.
const std::string CommonKeys = R"("DisplayName": "Sample", "Description": "A part", "Classification": "Awesome",
    "Cost": 75, "HasAbility": true, "EnergyRequirement": 100, "EnergyDischargeAmount": 50,
    "EnergyDischargeTime": 1.0, "EnergyRechargeTime": 2.0, "EnergyRechargeTimeout": 4.0,
    "Modifiers": {"Hops": 1.5, "Weight": -1.0})";

// A file holding every key of the class its DataType names reads as that class and is written back
// exactly: the same keys, in the same order, with the same values.
template <class Kind>
void CheckRoundTrip(const DataTypeMap<Kind>& types, const std::string& dataType, const std::type_info& type,
                    const std::string& keys)
{
    SCOPED_TRACE(dataType);
    const Blueprint file = Json(R"({"DataType": ")" + dataType + "\", " + CommonKeys + ", " + keys + "}");
    const std::unique_ptr<Kind> part = ReadPart(types.Create(dataType), file);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(typeid(*part), type);
    EXPECT_EQ(WritePart(*part), file);
    EXPECT_EQ(part->cost, 75u);
    EXPECT_EQ(part->energyRechargeTimeout.ticks, 240u);
}

const std::string HeadKeys =
    R"("Size": "0.5 0.75", "Skull": {"Name": "Skull", "Position": "0.0 1.0", "Children": [{"Name": "Jaw"}]})";
const std::string CoreKeys = R"("Size": "0.5 0.75", "Spine": {"Name": "Spine", "LeftOrder": 2, "RightOrder": 3})";
const std::string LegsKeys = R"("Size": "0.25 0.5", "LeftFemur": {"Name": "LeftFemur"},
    "LeftTibia": {"Name": "LeftTibia"}, "LeftFoot": {"Name": "LeftFoot", "Size": "-1.0 1.0"},
    "RightFemur": {"Name": "RightFemur"}, "RightTibia": {"Name": "RightTibia"}, "RightFoot": {"Name": "RightFoot"})";

} // namespace

TEST(PartData, EveryKindReadsAndWritesItsKeysUnderItsDataType)
{
    CheckRoundTrip(HeadDataTypes(), "Head", typeid(HeadData), HeadKeys);
    CheckRoundTrip(HeadDataTypes(), "HelicopterHat", typeid(HelicopterHatData),
                   HeadKeys + R"(, "FrameRate": 12.0, "AerodynamicsModifier": 2.0, "ManeuverabilityModifier": 3.0,
                      "MaximumFallingSpeedModifier": 0.25)");
    CheckRoundTrip(CoreDataTypes(), "Core", typeid(CoreData), CoreKeys);
    CheckRoundTrip(CoreDataTypes(), "AmmoBelt", typeid(AmmoBeltData), CoreKeys);
    CheckRoundTrip(CoreDataTypes(), "Jetpack", typeid(JetpackData), CoreKeys + R"(, "Thrust": 4.5)");
    CheckRoundTrip(ArmsDataTypes(), "Arms", typeid(ArmsData),
                   R"("LeftHumerus": {"Name": "LeftHumerus"}, "LeftRadius": {"Name": "LeftRadius"},
                      "LeftHand": {"Name": "LeftHand", "CellCountX": 2, "CellCountY": 1, "FrameCount": 2},
                      "RightHumerus": {"Name": "RightHumerus"}, "RightRadius": {"Name": "RightRadius"},
                      "RightHand": {"Name": "RightHand", "Offset": "0.5 0.0"})");
    CheckRoundTrip(LegsDataTypes(), "Legs", typeid(LegsData), LegsKeys);
    CheckRoundTrip(LegsDataTypes(), "BonusHitops", typeid(BonusHitopsData),
                   LegsKeys + R"(, "SpeedBoost": 2.0, "OxygenMaskRechargeBoost": 3.0)");
    CheckRoundTrip(LegsDataTypes(), "SpaceBoots", typeid(SpaceBootsData), LegsKeys + R"(, "JumpImpulse": 6.0)");
    // Each kind knows only its own names.
    EXPECT_EQ(HeadDataTypes().Create("Core"), nullptr);
    EXPECT_EQ(LegsDataTypes().Create("legs"), nullptr);
}

TEST(PartData, TheClassificationGivesTheCostUnlessTheFileSetsOne)
{
    // A definition never read keeps the cost of no classification.
    EXPECT_EQ(HeadData().cost, 100u);
    struct Case
    {
        StringView json;
        PartClassification classification;
        uint32_t cost;
    };
    for (const Case& test : std::vector<Case>{
             {R"({})", PartClassification::Dull, 10},
             {R"({"Classification": "cool"})", PartClassification::Cool, 50},
             {R"({"Classification": "Legendary"})", PartClassification::Dull, 10},
             {R"({"Classification": 2})", PartClassification::Dull, 10},
             {R"({"Classification": "Okay", "Cost": 30})", PartClassification::Okay, 30},
             // Only an unsigned integer is a cost.
             {R"({"Classification": "Okay", "Cost": 30.0})", PartClassification::Okay, 20},
             {R"({"Cost": -5})", PartClassification::Dull, 10},
         })
    {
        const auto part = ReadPart(std::make_unique<CoreData>(), Json(test.json));
        EXPECT_EQ(part->classification, test.classification) << test.json.ToStdView();
        EXPECT_EQ(part->cost, test.cost) << test.json.ToStdView();
    }

    // The cost is written only when it is not the classification's own.
    CoreData core;
    core.classification = PartClassification::Okay;
    core.cost = 20;
    EXPECT_EQ(WritePart(core).GetObject().Find("Cost"), nullptr);
    core.cost = 25;
    EXPECT_EQ(WritePart(core).GetObject().Find("Cost")->GetUnsignedInteger(), 25u);
}

TEST(PartData, EnergyRulesAreWrittenOnlyForAnAbilityThatNeedsEnergy)
{
    ArmsData arms;
    arms.cost = 10;
    arms.energyRequirement = 5;
    const auto keys = [&]
    {
        std::vector<std::string> names = MemberNames(WritePart(arms));
        return std::vector<std::string>(names.begin() + 1, names.end() - 7);
    };
    EXPECT_EQ(keys(), (std::vector<std::string>{"Classification"}));
    arms.hasAbility = true;
    arms.energyRequirement = 0;
    EXPECT_EQ(keys(), (std::vector<std::string>{"Classification", "HasAbility"}));

    // Durations are written in seconds, the float nearest the tick count over 60.
    const auto part = ReadPart(std::make_unique<ArmsData>(), Json(R"({"EnergyRechargeTime": "45_ticks"})"));
    EXPECT_EQ(part->energyRechargeTime.ticks, 45u);
    arms.energyRequirement = 1;
    arms.energyRechargeTime = part->energyRechargeTime;
    EXPECT_EQ(WritePart(arms).GetObject().Find("EnergyRechargeTime")->GetNumber(), 0.75f);
}

TEST(PartData, TopLevelBonesAreNamedAfterTheirKeys)
{
    const auto arms = ReadPart(std::make_unique<ArmsData>(), Json(R"({
        "LeftHand": {"Name": "Claw", "Children": [{"Name": "Finger"}]}, "RightHand": "no bone"})"));
    EXPECT_EQ(arms->leftHand.name, "LeftHand");
    EXPECT_EQ(arms->leftHand.children.at(0).name, "Finger");
    // A bone the file leaves out, or gives as no object, stands under its key with nothing to apply.
    EXPECT_EQ(arms->rightHand.name, "RightHand");
    EXPECT_EQ(arms->rightHand.frameCount, 0u);
}

TEST(PartData, TheRegistryLoadsEachKindWithItsSpritesAndSounds)
{
    AssetsFolder assets;
    Lumvek::ResourceTable table{&assets.files};
    Lumvek::Testing::DeviceCalls calls;
    Lumvek::Testing::RecordingAudioDevice audio(&table, calls);
    DataRegistry registry(assets.files, &audio);
    assets.WriteList("Parts/Heads", {"Visor", "Rotor"});
    assets.WriteDefinition("Parts/Heads", "Visor", R"({"DataType": "Head"})");
    assets.Write("Parts/Heads/Visor/SkullImage.png", Lumvek::Testing::PatternPng(4, 4));
    assets.Write("Parts/Heads/Visor/SkullDraw.png", Lumvek::Testing::PatternPng(4, 4));
    assets.WriteDefinition("Parts/Heads", "Rotor", R"({"DataType": "HelicopterHat"})");
    assets.Write("Parts/Heads/Rotor/Active.wav", "RIFF");
    assets.WriteList("Parts/Cores", {"Rocket"});
    assets.WriteDefinition("Parts/Cores", "Rocket", R"({"DataType": "Jetpack"})");
    assets.Write("Parts/Cores/Rocket/Active.wav", "RIFF");
    // A definition of another kind's DataType is skipped.
    assets.WriteList("Parts/Legs", {"Hitops", "Stray"});
    assets.WriteDefinition("Parts/Legs", "Hitops", R"({"DataType": "BonusHitops"})");
    assets.Write("Parts/Legs/Hitops/Activate.wav", "RIFF");
    assets.WriteDefinition("Parts/Legs", "Stray", R"({"DataType": "Head"})");
    registry.LoadAll();
    ASSERT_EQ(registry.heads.GetNames(), (std::vector<std::string>{"Visor", "Rotor"}));
    ASSERT_EQ(registry.legs.GetNames(), std::vector<std::string>{"Hitops"});

    // Sprites are found while reading and loaded when the textures are there.
    HeadData& visor = registry.heads.At(0);
    EXPECT_EQ(visor.skull.drawRegion, Lumvek::NameTableA().Add("VisorSkull"));
    Lumvek::Texture* sprites = table.CreateTexture(NameTableB().Add("PartDataTestSprites"));
    Lumvek::Texture* drawings = table.CreateTexture(NameTableB().Add("PartDataTestDrawings"));
    ASSERT_TRUE(sprites->SetSize(16, 16, Lumvek::TextureFormat::ColorBuffer4x8));
    ASSERT_TRUE(drawings->SetSize(16, 16, Lumvek::TextureFormat::ColorBuffer4x8));
    visor.Load(*sprites, *drawings);
    EXPECT_NE(sprites->GetRegion(visor.skull.drawRegion), nullptr);
    EXPECT_NE(drawings->GetRegion(visor.skull.drawRegion), nullptr);

    // The ability sounds play from the wearer's place; the blades and the jet loop.
    const auto& rotor = dynamic_cast<HelicopterHatData&>(registry.heads.At(1));
    const auto& rocket = dynamic_cast<JetpackData&>(registry.cores.At(0));
    const auto& hitops = dynamic_cast<BonusHitopsData&>(registry.legs.At(0));
    for (Data* part : std::vector<Data*>{&registry.heads.At(1), &registry.cores.At(0), &registry.legs.At(0)})
        part->Load(*sprites, *drawings);
    EXPECT_EQ(rocket.trail, NameTableB().Add("RocketTrail"));
    for (auto [part, sound, looping] : {std::tuple<const Data*, uint32_t, bool>{&rotor, rotor.sound, true},
                                        {&rocket, rocket.sound, true},
                                        {&hitops, hitops.sound, false}})
    {
        EXPECT_EQ(sound, Lumvek::NameSet::Global().Add(part->name + "Sound"));
        const auto* loaded = table.Find<Lumvek::Sound>(NameTableB().Add(part->name + "Sound"));
        ASSERT_NE(loaded, nullptr) << part->name;
        EXPECT_EQ(loaded->mixer, 2u);
        EXPECT_EQ(loaded->looping, looping);
    }
    registry.cores.At(0).Unload();
    EXPECT_EQ(table.Find<Lumvek::Sound>(NameTableB().Add("RocketSound")), nullptr);
}
