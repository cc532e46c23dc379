#include "Source/Data/HazardData.h"
#include "Source/Data/InteractionData.h"
#include "Source/Data/TriggerData.h"
#include "Source/Data/ZoneData.h"

#include "Tests/Source/Data/DefinitionTestSupport.h"

#include "Engine/Runtime/Particles/ParticleSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace DataTesting;
using Lumvek::InvalidId;

TEST(MapElementData, HazardsWriteOnlyWhatIsInUse)
{
    struct Case
    {
        const char* file;
        const char* written;
    };
    const Case cases[] = {
        {R"({})", R"({})"},
        // A margin brings the tile size and all four margins with it.
        {R"({"NineSliceTop": 8})",
         R"({"TileSize": 0.5, "NineSliceLeft": 0, "NineSliceRight": 0, "NineSliceBottom": 0, "NineSliceTop": 8})"},
        // Typed members take only their own type: a whole number is a float's number, a signed one no margin.
        {R"({"Damage": 10, "NineSliceLeft": -2, "TileSize": "1"})", R"({"Damage": 10.0})"},
        {R"({"Damage": 10.0, "WindSpeed": 0.0, "WindImpulse": 2.5})", R"({"Damage": 10.0, "WindImpulse": 2.5})"},
        {R"({"TileHorizontally": false, "TileSize": 2.0})", R"({})"},
        {R"({"TileVertically": true, "TileSize": 2.0, "DisplayName": "Spikes"})",
         R"({"DisplayName": "Spikes", "TileSize": 2.0, "TileVertically": true})"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.file);
        HazardData hazard;
        ReadDefinition(hazard, test.file);
        EXPECT_EQ(Written(hazard), Json(StringView::FromCString(test.written)));
        ExpectRoundTrip(hazard);
    }
}

TEST(MapElementData, TriggersReadTheirActionsByNameInAnyCase)
{
    TriggerData trigger;
    ReadDefinition(trigger, R"({"EnterAction": "checkpointACTION", "StayAction": "Jump", "LeaveAction": 1,
                                "TileHorizontally": true})");
    EXPECT_EQ(std::tie(trigger.enterAction, trigger.stayAction, trigger.leaveAction),
              std::make_tuple(TriggerAction::CheckpointAction, TriggerAction::None, TriggerAction::None));
    EXPECT_EQ(Written(trigger),
              Json(R"({"TileSize": 0.5, "TileHorizontally": true, "EnterAction": "CheckpointAction"})"));

    // A name that matches nothing keeps the action; None is not written.
    ReadDefinition(trigger, R"({"EnterAction": "Teleport", "StayAction": "PathStartAction",
                                "LeaveAction": "CtfFlagStandAction"})");
    EXPECT_EQ(trigger.enterAction, TriggerAction::CheckpointAction);
    ExpectRoundTrip(trigger);
    ReadDefinition(trigger, R"({"EnterAction": "None", "StayAction": "none", "LeaveAction": "NONE"})");
    EXPECT_EQ(MemberNames(Written(trigger)), (std::vector<std::string>{"TileSize", "TileHorizontally"}));
    // A value only code can set is written as its number.
    trigger.leaveAction = static_cast<TriggerAction>(7);
    EXPECT_EQ(Written(trigger).GetObject().Find("LeaveAction")->GetString(), StringView("7"));
}

TEST(MapElementData, ZonesKeepTheirModifiersInTheirOwnObject)
{
    ZoneData zone;
    ReadDefinition(zone, R"({"Weight": 1.5, "Modifiers": {"Hops": 2.0}, "NineSliceLeft": 3})");
    Attributes weight = Attributes::Modifiers();
    weight.weight = 1.5f;
    EXPECT_EQ(zone.modifiers, weight);
    EXPECT_EQ(Written(zone), Json(R"({"TileSize": 0.5, "NineSliceLeft": 3, "NineSliceRight": 0, "NineSliceBottom": 0,
                                      "NineSliceTop": 0, "Weight": 1.5})"));
    ExpectRoundTrip(zone);

    // Interactions have no keys of their own.
    InteractionData interaction;
    ReadDefinition(interaction, R"({"DisplayName": "Button", "Image": "x"})");
    EXPECT_EQ(Written(interaction), Json(R"({"DisplayName": "Button"})"));
}

TEST(MapElementData, ElementsNameAndLoadTheAssetsTheirFoldersHold)
{
    LoadingFolder folder;
    folder.Write("Hazards/Lava/Image.png", Lumvek::Testing::PatternPng(12, 12));
    folder.Write("Hazards/Lava/Effect.lte", "{}");
    folder.Write("Hazards/Pit/Effect.png", Lumvek::Testing::PatternPng(2, 2));
    folder.Write("Zones/Mud/Image.png", "");
    folder.Write("Zones/Mud/Effect.lte", "{}");
    folder.Write("Interactions/Lever/Image.png", Lumvek::Testing::PatternPng(3, 4));
    folder.Write("Interactions/Lever/Interact.wav", "RIFF");

    // A hazard's ids come from the files its folder holds, when it is read.
    HazardData lava;
    folder.Attach(lava, "Lava");
    ReadDefinition(lava, R"({"NineSliceTop": 8, "NineSliceLeft": 2})");
    EXPECT_EQ(lava.image, Lumvek::NameTableA().Add("Lava"));
    EXPECT_EQ(lava.effect, Lumvek::NameTableB().Add("LavaEffect"));
    HazardData pit;
    folder.Attach(pit, "Pit");
    ReadDefinition(pit, "{}");
    EXPECT_EQ(std::tie(pit.image, pit.effect), std::make_tuple(InvalidId, InvalidId));

    lava.Load(*folder.first, *folder.second);
    pit.Load(*folder.first, *folder.second);
    auto* slices = folder.first->FindRegion<Lumvek::TextureNineSliceRegion>(lava.image);
    ASSERT_NE(slices, nullptr);
    EXPECT_EQ(std::tie(slices->left, slices->right, slices->bottom, slices->top), std::make_tuple(2u, 0u, 0u, 8u));
    EXPECT_EQ(slices->width, 12u);

    // The effect file loads into the effect's slot; unloading destroys it once, and an element
    // without one releases nothing.
    auto* effect = folder.table.Find<Lumvek::Effects::EffectData>(lava.effect);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->path, "Assets/Hazards/Lava/Effect.lte");
    lava.Unload();
    EXPECT_EQ(folder.table.Get(lava.effect), nullptr);
    folder.FillSlot(lava.effect);
    pit.Unload();
    EXPECT_NE(folder.table.Get(lava.effect), nullptr);

    ZoneData mud;
    folder.Attach(mud, "Mud");
    ReadDefinition(mud, "{}");
    EXPECT_EQ(std::tie(mud.image, mud.effect),
              std::make_tuple(Lumvek::NameTableA().Add("Mud"), Lumvek::NameTableB().Add("MudEffect")));

    // A trigger names its image when it loads, whether or not the file is there.
    TriggerData gate;
    folder.Attach(gate, "Gate");
    ReadDefinition(gate, "{}");
    EXPECT_EQ(gate.image, InvalidId);
    gate.Load(*folder.first, *folder.second);
    EXPECT_EQ(gate.image, Lumvek::NameTableA().Add("Gate"));
    EXPECT_EQ(folder.first->GetRegion(gate.image), nullptr);

    // An interaction's image and sound are named after it.
    InteractionData lever;
    folder.Attach(lever, "Lever");
    ReadDefinition(lever, "{}");
    EXPECT_EQ(lever.image, Lumvek::NameTableA().Add("Lever"));
    EXPECT_EQ(lever.interact, Lumvek::NameSet::Global().Add("Lever"));
    lever.Load(*folder.first, *folder.second);
    EXPECT_EQ(folder.first->GetRegion(lever.image)->height, 4u);
    Lumvek::Sound* sound = folder.FindSound(lever.interact);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(std::tie(sound->path, sound->mixer, sound->looping),
              std::make_tuple(std::string("Assets/Interactions/Lever/Interact.wav"), 2u, false));
}
