#include "Engine/Foundation/Tick.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Source/Data/AbilityPartData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Tools/Editors/DataEditor.h"
#include "Source/Tools/Inspectors/CharacterDataInspector.h"
#include "Source/Tools/Inspectors/DefinitionInspectors.h"
#include "Source/Tools/Inspectors/PartInspectors.h"
#include "Source/Tools/Inspectors/ThemeInspectors.h"
#include "Source/Tools/Inspectors/WeaponInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/World/Bone.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/PlayerTestSupport.h"
#include "Tests/TestFolder.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string_view>
#include <typeindex>

// A namespace of its own: the program compiles its files in batches.
namespace DataEditorTests
{

namespace
{

using namespace ToolsTesting;
using Path = std::vector<const char*>;

// Every family of the Assets folder below root.
struct LoadedRegistry
{
    explicit LoadedRegistry(const std::string& root = Lumvek::Testing::SourceFolder()) : files(root, root, root, root)
    {
        files.RegisterFormats();
        registry.LoadAll();
        game.registry = &registry;
    }
    Lumvek::FileManager files;
    DataRegistry registry{files};
    GameContext game;
};

// A test window drawing a panel in a property scope of its own, with the nodes at the paths open. A
// path's steps are ID names, or row numbers as "#n".
struct Panel
{
    Panel(Tools& tools, std::function<void()> panel)
    {
        OpenTestWindow(tools, "Panel",
                       [this, panel](TestWindow&)
                       {
                           ImGui::SetWindowPos(ImVec2(700.0f, 0.0f));
                           PropertyInput::PushScope("Panel");
                           for (const Path& path : open)
                               ImGui::GetStateStorage()->SetInt(Id(path), 1);
                           top = ImGui::GetCursorPosY();
                           panel();
                           height = ImGui::GetCursorPosY() - top;
                           found = Id(wanted);
                           PropertyInput::PopScope();
                       });
    }
    static ImGuiID Id(const Path& path)
    {
        for (size_t i = 0; i + 1 < path.size(); ++i)
            path[i][0] == '#' ? ImGui::PushID(std::atoi(path[i] + 1)) : ImGui::PushID(path[i]);
        const ImGuiID id = path.empty() ? 0 : ImGui::GetID(path.back());
        for (size_t i = 0; i + 1 < path.size(); ++i)
            ImGui::PopID();
        return id;
    }
    // Moves the mouse down the window, at each distance from its left edge in turn, until the item at
    // the path is under it, and clicks it.
    bool Click(ToolsApplication& app, const Path& path, std::initializer_list<float> xs)
    {
        wanted = path;
        app.Frame();
        for (float x : xs)
            for (float y = 0.0f; y < 1000.0f; y += 4.0f)
            {
                app.MoveMouse(700.0f + x, y);
                app.Frame();
                if (ImGui::GetCurrentContext()->HoveredId == found)
                {
                    app.Click();
                    return true;
                }
            }
        return false;
    }
    // Clicks the row's input, which selects its text, and types over it; what the input showed.
    std::string Edit(ToolsApplication& app, Path row, const std::string& typed)
    {
        row.push_back("##Input");
        if (!Click(app, row, {120.0f, 170.0f, 220.0f}))
            return "(no such row)";
        const std::string shown = ImGui::GetCurrentContext()->InputTextState.InitialTextA.Data;
        app.Type(typed);
        return shown;
    }

    std::vector<Path> open;
    Path wanted;
    ImGuiID found = 0;
    float top = 0.0f;
    float height = 0.0f;
};

TEST(DataEditor, EveryFamilyOpensItsOwnWindowClass)
{
    LoadedRegistry loaded;
    const struct
    {
        const char* header;
        const char* definition;
        std::type_index window;
    } cases[] = {
        {"Maps", "Crossroads", typeid(MapDataInspector)},
        {"Themes", "Meadow", typeid(ThemeDataInspector)},
        {"Game Types", "Race", typeid(GameTypeDataInspector)},
        {"Characters", "Basic", typeid(CharacterDataInspector)},
        {"Heads", "Helmet", typeid(HeadDataInspector)},
        {"Heads", "HelicopterHat", typeid(HelicopterHatDataInspector)},
        {"Cores", "AmmoBelt", typeid(CoreDataInspector)},
        {"Cores", "Jetpack", typeid(JetpackDataInspector)},
        {"Arms", "LongArms", typeid(ArmsDataInspector)},
        {"Legs", "SpaceBoots", typeid(LegsDataInspector)},
        {"Legs", "BonusHitops", typeid(BonusHitopsDataInspector)},
        {"Items", "Token", typeid(ItemDataInspector)},
        {"Weapons", "Rifle", typeid(WeaponDataInspector)},
        {"Weapons", "SniperRifle", typeid(SniperRifleDataInspector)},
        {"Weapons", "GrenadeLauncher", typeid(GrenadeLauncherDataInspector)},
        {"Projectiles", "Grenade", typeid(ProjectileDataInspector)},
        {"Hazards", "Spikes", typeid(HazardDataInspector)},
        {"Zones", "Mud", typeid(ZoneDataInspector)},
        {"Triggers", "Checkpoint", typeid(TriggerDataInspector)},
        {"Interactions", "Lever", typeid(InteractionDataInspector)},
    };
    std::set<std::string_view> untested;
    for (const DataFamily& family : DataEditor::Families())
        untested.insert(family.header);
    for (const auto& test : cases)
    {
        const auto family = std::ranges::find_if(DataEditor::Families(), [&](const DataFamily& candidate)
                                                 { return std::string_view(candidate.header) == test.header; });
        ASSERT_NE(family, DataEditor::Families().end()) << test.header;
        untested.erase(test.header);
        const DataCollectionBase& list = family->list(loaded.registry);
        Data* definition = family->at(list, list.FindIndex(Lumvek::StringView::FromCString(test.definition)));
        ASSERT_NE(definition, nullptr) << test.definition;
        std::unique_ptr<DataInspector> window = family->open(*definition);
        ASSERT_NE(window, nullptr) << test.definition;
        EXPECT_EQ(std::type_index(typeid(*window.get())), test.window) << test.definition;
        EXPECT_EQ(window->data, definition);
        // No other family takes it.
        for (const DataFamily& other : DataEditor::Families())
            EXPECT_TRUE(other.list == family->list || !other.open(*definition)) << other.header << test.definition;
    }
    EXPECT_TRUE(untested.empty()) << *untested.begin();
}

TEST(DataEditor, ListsByNameOpensOnceAndLeavesAnEmptyListEmpty)
{
    ToolsApplication app;
    LoadedRegistry loaded;
    DataEditor editor("Data");
    editor.context = &loaded.game;
    WeaponData* rifle = loaded.registry.weapons.Find("SniperRifle");
    ASSERT_NE(rifle, nullptr);
    rifle->displayName.clear();
    const std::string row = "#" + std::to_string(rifle->index);
    Panel panel(*app.tools, [&] { editor.Draw(); });
    panel.open = {{"Weapons"}};
    for (int click = 0; click < 2; ++click)
    {
        ASSERT_TRUE(panel.Click(app, {row.c_str(), "SniperRifle"}, {20.0f})) << click;
        app.Frame();
        ASSERT_EQ(app.tools->GetInspectors().size(), 2u) << click;
        auto* window = dynamic_cast<SniperRifleDataInspector*>(app.tools->GetInspectors()[1].get());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->name, "SniperRifle");
        EXPECT_EQ(window->weapon, rifle);
    }
    // Renamed while its window is open, it opens no second window under the new name.
    rifle->displayName = "Renamed";
    ASSERT_TRUE(panel.Click(app, {row.c_str(), "Renamed"}, {20.0f}));
    app.Frame();
    EXPECT_EQ(app.tools->GetInspectors().size(), 2u);

    GameContext empty;
    DataRegistry none(loaded.files);
    empty.registry = &none;
    editor.context = &empty;
    panel.open.clear();
    app.Frame();
    const float closed = panel.height;
    for (const DataFamily& family : DataEditor::Families())
        panel.open.push_back({family.header});
    app.Frame();
    EXPECT_EQ(panel.height, closed);
}

TEST(PartInspectors, ABoneEditRebuildsEveryLocalRigInItsFrameAndAFlagAloneDoesNot)
{
    ToolsApplication app;
    PlayerTesting::PlayerGame game;
    std::unique_ptr<World> world = game.LoadText(PlayerTesting::PlatformMap(""));
    game.world = world.get();
    HeadData* helmet = game.ownRegistry.heads.Find("Helmet");
    ASSERT_NE(helmet, nullptr);
    Player* players[] = {&game.AddPlayer(*world, {5.0f, 5.0f}, game.MakeLoadout("Helmet")),
                         &game.AddPlayer(*world, {9.0f, 5.0f}, game.MakeLoadout("Helmet"), true)};
    const auto skull = [&](int i) -> const Bone& { return *players[i]->body.GetBone(PlayerBone::Skull); };
    helmet->skull.hasSize = false;
    helmet->skull.size = {0.9f, 0.7f};
    ASSERT_EQ(PartDataInspector::RebuildRigs(&game), 2u);
    const Lumvek::Vector2 worn = skull(0).scale;
    HeadDataInspector inspector(helmet);
    inspector.context = &game;
    Panel panel(*app.tools, [&] { inspector.Draw(); });

    ASSERT_TRUE(panel.Click(app, {"Bones", "Bones", "#0", "Bone", "Bone", "Has Size"}, {60.0f, 80.0f, 100.0f}));
    ASSERT_TRUE(helmet->skull.hasSize);
    EXPECT_EQ(skull(0).scale, worn);

    // The skull's left order is the first row of its scope; both rigs take it, and the size with it,
    // in the very frame it changes.
    ASSERT_TRUE(panel.Click(app, {"Bones", "Bones", "#0", "Bone", "Bone", "#0", "##Input"}, {170.0f}));
    app.Type("7");
    ASSERT_EQ(helmet->skull.leftOrder, 7u);
    for (int i : {0, 1})
    {
        EXPECT_EQ(skull(i).leftOrder, 7u) << i;
        EXPECT_FLOAT_EQ(std::fabs(skull(i).scale.x), 0.9f) << i;
    }
    game.world = nullptr;
}

TEST(PartInspectors, ARebuiltRigKeepsTheHeldWeaponAndGivesTheHatItsNewBone)
{
    PlayerTesting::PlayerGame game;
    std::unique_ptr<World> world = game.LoadText(PlayerTesting::PlatformMap(""));
    game.world = world.get();
    Player& player = game.AddPlayer(*world, {5.0f, 5.0f}, game.MakeLoadout("HelicopterHat"));
    // The weapon in the hand, and the stowed one on the back.
    for (const PlayerBone shown : {PlayerBone::Weapon, PlayerBone::Holster})
    {
        Bone* bone = player.body.GetBone(shown);
        ASSERT_NE(bone, nullptr);
        bone->drawRegion = bone->region = 42;
        bone->scale = {0.5f, 0.25f};
    }
    EXPECT_EQ(PartDataInspector::RebuildRigs(&game), 1u);
    for (const PlayerBone shown : {PlayerBone::Weapon, PlayerBone::Holster})
    {
        EXPECT_EQ(player.body.GetBone(shown)->region, 42u);
        EXPECT_EQ(player.body.GetBone(shown)->scale, Lumvek::Vector2(0.5f, 0.25f));
    }
    // The blades turn on the rebuilt rig, not on the freed one.
    player.head->discharging = true;
    for (int i = 0; i < 120; ++i)
        player.head->Animate(Lumvek::TickSeconds);
    game.world = nullptr;
}

TEST(PartInspectors, EnergyAndCellTextShowOnlyWhenThereAreSome)
{
    const auto height = [](const std::function<void(HeadData&)>& change, float* line = nullptr)
    {
        ToolsApplication app;
        HeadData head;
        change(head);
        HeadDataInspector inspector(&head);
        Panel panel(*app.tools, [&] { inspector.Draw(); });
        app.Frame();
        if (line)
            *line = ImGui::GetTextLineHeightWithSpacing();
        return panel.height;
    };
    float line = 0.0f;
    const float plain = height([](HeadData&) {}, &line);
    EXPECT_EQ(height([](HeadData& head) { head.energyDischargeTime.ticks = 30; }), plain);
    EXPECT_EQ(height([](HeadData& head) { head.skull.frameCount = 1; }), plain);
    EXPECT_EQ(height([](HeadData& head) { head.skull.frameCount = 3; }), plain + line);
    EXPECT_GT(height([](HeadData& head) { head.hasAbility = true; }), plain + 5.0f * line);
}

// A row of a definition window: what it shows, what is typed, and what the definition then holds.
TEST(DefinitionWindows, RowsShowAndStoreTheirUnits)
{
    const struct
    {
        const char* name;
        Path row;
        const char* shown;
        const char* typed;
        std::function<bool(const WeaponData&, const HeadData&)> stored;
    } cases[] = {
        {"discharge time",
         {"Energy Region", "#2"},
         "0.500",
         "0.51",
         [](const WeaponData&, const HeadData& head) { return head.energyDischargeTime.ticks == 31; }},
        // "Save", the name, the description and "Modifiers" come before the weapon's rows.
        {"auto rate",
         {"#4"},
         "10.000",
         "4",
         [](const WeaponData& weapon, const HeadData&) { return weapon.autoRateOfFire.ticks == 15; }},
        {"clip size -1", // refused: a count is not below 0
         {"#7"},
         "10",
         "-1",
         [](const WeaponData& weapon, const HeadData&) { return weapon.clipSize == 10; }},
        {"clip size 25",
         {"#7"},
         "10",
         "25",
         [](const WeaponData& weapon, const HeadData&) { return weapon.clipSize == 25; }},
        // The projectile's name is text beside the label; its first row is the damage.
        {"projectile",
         {"Projectile", "Projectile", "#0"},
         "25.0",
         "40",
         [](const WeaponData& weapon, const HeadData&)
         { return weapon.contactDamage == 40.0f && weapon.projectile->name == "Bullet"; }},
    };
    for (const auto& test : cases)
    {
        ToolsApplication app;
        LinearProjectileData bullet;
        bullet.name = "Bullet";
        WeaponData weapon;
        weapon.projectile = &bullet;
        weapon.autoRateOfFire.ticks = 6;
        HeadData head;
        head.hasAbility = true;
        head.energyDischargeTime.ticks = 30;
        WeaponDataInspector weaponWindow(&weapon);
        HeadDataInspector headWindow(&head);
        DataInspector& window =
            test.row[0] == std::string_view("Energy Region") ? static_cast<DataInspector&>(headWindow) : weaponWindow;
        Panel panel(*app.tools, [&] { window.Draw(); });
        panel.open = {{"Projectile", "Projectile"}};
        EXPECT_EQ(panel.Edit(app, test.row, test.typed), test.shown) << test.name;
        EXPECT_TRUE(test.stored(weapon, head)) << test.name;
    }
}

std::string Written(const Data& definition)
{
    Lumvek::BlueprintWriter writer;
    writer.GetRoot().SetObject();
    definition.Write(writer);
    return Lumvek::JsonFormat::SaveBlueprint(writer.GetRoot());
}

TEST(PartInspectors, SaveWritesWhatTheRegistryReadsBackEqual)
{
    Lumvek::Testing::TestFolder folder;
    std::filesystem::copy(std::filesystem::path(Lumvek::Testing::SourceFolder()) / "Assets",
                          std::filesystem::path(folder.Root()) / "Assets", std::filesystem::copy_options::recursive);
    // Whole numbers beyond 32 bits that no reader knows, in a part saved untouched.
    const std::string springs = folder.Root() + "/Assets/Parts/Legs/SpringLegs/Data.json";
    std::string text = Lumvek::File::ReadAllText(springs).second;
    text.insert(
        text.find("\t\"DisplayName\""),
        "\t\"Note\": 5000000000,\n\t\"Neg\": -3000000000,\n\t\"List\": [\n\t\t1,\n\t\t5000000000,\n\t\t2\n\t],\n");
    ASSERT_TRUE(Lumvek::File::WriteAllText(springs, text));
    LoadedRegistry before(folder.Root());
    auto& hat = static_cast<HelicopterHatData&>(*before.registry.heads.Find("HelicopterHat"));
    hat.cost = 77;
    hat.energyDischargeTime.ticks = 31;
    hat.skull.hasRotation = true;
    hat.skull.rotation = 0.5f;
    hat.skull.leftOrder = 3;
    hat.frameRate = 7.0f;
    auto& jetpack = static_cast<JetpackData&>(*before.registry.cores.Find("Jetpack"));
    // Numbers "%f" would round away, as a number and in a text vector.
    jetpack.thrust = 0.00001234f;
    jetpack.spine.hasOffset = true;
    jetpack.spine.offset = {1e-7f, 123456.79f};
    ArmsData& arms = *before.registry.arms.Find("LongArms");
    arms.rightHand.hasSize = true;
    arms.rightHand.size = {0.3f, 0.4f};
    auto& hitops = static_cast<BonusHitopsData&>(*before.registry.legs.Find("BonusHitops"));
    hitops.speedBoost = 2.5f;
    hitops.energyRequirement = 12;
    const std::initializer_list<PartData*> parts = {&hat, &jetpack, &arms, &hitops};
    for (PartData* part : parts)
        EXPECT_TRUE(DataInspector::Save(*part, before.files)) << part->name;
    EXPECT_TRUE(DataInspector::Save(*before.registry.legs.Find("SpringLegs"), before.files));
    EXPECT_EQ(Lumvek::File::ReadAllText(springs).second, text);

    LoadedRegistry after(folder.Root());
    for (const PartData* part : parts)
    {
        const Data* read = after.registry.FindData(part->GetFolder(), part->name);
        ASSERT_NE(read, nullptr) << part->name;
        EXPECT_EQ(typeid(*read), typeid(*part));
        EXPECT_EQ(Written(*read), Written(*part)) << part->name;
    }
    EXPECT_EQ(after.registry.heads.Find("HelicopterHat")->skull.rotation, 0.5f);
    EXPECT_EQ(static_cast<JetpackData&>(*after.registry.cores.Find("Jetpack")).spine.offset,
              Lumvek::Vector2(1e-7f, 123456.79f));
}

} // namespace

} // namespace DataEditorTests
