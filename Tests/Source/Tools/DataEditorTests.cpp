#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Source/Data/AbilityPartData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Tools/Editors/DataEditor.h"
#include "Source/Tools/Inspectors/DefinitionInspectors.h"
#include "Source/Tools/Inspectors/PartInspectors.h"
#include "Source/Tools/Inspectors/WeaponInspectors.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/World/Bone.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/PlayerTestSupport.h"
#include "Tests/TestFolder.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <typeindex>

namespace
{

using namespace ToolsTesting;

// The registry of the Assets folder below root, every family read.
struct LoadedRegistry
{
    explicit LoadedRegistry(const std::string& root = Lumvek::Testing::SourceFolder())
        : files(root, root, root, root), registry(files)
    {
        files.RegisterFormats();
        registry.LoadAll();
        game.registry = &registry;
    }
    Lumvek::FileManager files;
    DataRegistry registry;
    GameContext game;
};

// A window of the test that draws a panel inside a property scope of its own, with the tree nodes and
// headers of the given IDs open, and finds the IDs of the panel's items.
struct Panel
{
    Panel(Tools& tools, std::function<void()> panel)
        : window(OpenTestWindow(tools, "Panel",
                                [this, panel](TestWindow&)
                                {
                                    ImGui::SetWindowPos(ImVec2(700.0f, 0.0f));
                                    ImGui::SetWindowSize(ImVec2(600.0f, 1000.0f));
                                    PropertyInput::PushScope("Panel");
                                    for (const std::vector<const char*>& path : open)
                                        ImGui::GetStateStorage()->SetInt(Id(path), 1);
                                    top = ImGui::GetCursorPosY();
                                    panel();
                                    bottom = ImGui::GetCursorPosY();
                                    left = ImGui::GetWindowPos().x;
                                    for (auto& [path, id] : ids)
                                        id = Id(path);
                                    PropertyInput::PopScope();
                                }))
    {
    }
    // The ID of an item below the panel's scope: each step a name, or a row number as "#n".
    static ImGuiID Id(const std::vector<const char*>& path)
    {
        int pushed = 0;
        for (size_t i = 0; i + 1 < path.size(); ++i, ++pushed)
            if (path[i][0] == '#')
                ImGui::PushID(std::atoi(path[i] + 1));
            else
                ImGui::PushID(path[i]);
        const ImGuiID id = ImGui::GetID(path.back());
        while (pushed--)
            ImGui::PopID();
        return id;
    }
    // The text an input showed when the keyboard came to it.
    static std::string ActiveText()
    {
        const ImVector<char>& text = ImGui::GetCurrentContext()->InputTextState.InitialTextA;
        return text.Data ? text.Data : "";
    }

    TestWindow& window;
    std::vector<std::vector<const char*>> open;
    std::vector<std::pair<std::vector<const char*>, ImGuiID>> ids;
    float top = 0.0f;
    float bottom = 0.0f;
    float left = 0.0f;
};

// Moves the mouse down the panel, at each of the distances from its left edge, until the item is
// under it, then clicks it.
bool ClickItem(ToolsApplication& app, Panel& panel, ImGuiID id, std::initializer_list<float> xs = {20.0f})
{
    for (float x : xs)
        for (float y = 0.0f; y < 1000.0f; y += 4.0f)
        {
            app.MoveMouse(panel.left + x, y);
            app.Frame();
            if (ImGui::GetCurrentContext()->HoveredId == id)
            {
                app.Click();
                return true;
            }
        }
    return false;
}

// Clicks the input of the row at the path, which selects its text, and types the text with Enter;
// returns what the input showed.
std::string EditRow(ToolsApplication& app, Panel& panel, std::vector<const char*> path, const std::string& typed)
{
    path.push_back("##Input");
    panel.ids = {{path, 0}};
    app.Frame();
    if (!ClickItem(app, panel, panel.ids[0].second, {120.0f, 170.0f, 220.0f}))
        return "(not found)";
    const std::string shown = Panel::ActiveText();
    app.Type(typed);
    return shown;
}

const Lumvek::Vector2 Spawn(5.0f, 5.0f);

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
        {"Game Types", "Race", typeid(GameTypeDataInspector)},
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
    std::vector<std::string> headers;
    for (const DataFamily& family : DataEditor::Families())
        headers.push_back(family.header);
    for (const auto& test : cases)
    {
        const auto family = std::ranges::find_if(DataEditor::Families(), [&](const DataFamily& candidate)
                                                 { return std::string_view(candidate.header) == test.header; });
        ASSERT_NE(family, DataEditor::Families().end()) << test.header;
        std::erase(headers, test.header);
        const DataCollectionBase& list = family->list(loaded.registry);
        Data* definition = family->at(list, list.FindIndex(Lumvek::StringView::FromCString(test.definition)));
        ASSERT_NE(definition, nullptr) << test.definition;
        EXPECT_EQ(family->at(list, list.Count()), nullptr);
        std::unique_ptr<DataInspector> window = family->open(*definition);
        ASSERT_NE(window, nullptr) << test.definition;
        const DataInspector& opened = *window;
        EXPECT_EQ(std::type_index(typeid(opened)), test.window) << test.definition;
        EXPECT_EQ(window->data, definition);
        // No family takes a definition of another.
        for (const DataFamily& other : DataEditor::Families())
        {
            if (other.list != family->list)
            {
                EXPECT_EQ(other.open(*definition), nullptr) << other.header << " " << test.definition;
            }
        }
    }
    EXPECT_TRUE(headers.empty()) << headers.front();
}

TEST(DataEditor, ASniperRifleWithoutDisplayNameOpensOnceUnderItsName)
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
    panel.ids = {{{row.c_str(), "SniperRifle"}, 0}};
    app.Frame();
    for (int click = 0; click < 2; ++click)
    {
        ASSERT_TRUE(ClickItem(app, panel, panel.ids[0].second)) << click;
        app.Frame();
        size_t windows = 0;
        for (const std::unique_ptr<Inspector>& window : app.tools->GetInspectors())
            if (auto* sniper = dynamic_cast<SniperRifleDataInspector*>(window.get()))
            {
                ++windows;
                EXPECT_EQ(sniper->name, "SniperRifle");
                EXPECT_EQ(sniper->weapon, rifle);
            }
        EXPECT_EQ(windows, 1u) << click;
    }
}

TEST(DataEditor, AnEmptyListGivesAnEmptyHeader)
{
    ToolsApplication app;
    Lumvek::FileManager files("/nonexistent", "/nonexistent", "/nonexistent", "/nonexistent");
    DataRegistry registry(files);
    GameContext game;
    game.registry = &registry;
    DataEditor editor("Data");
    editor.context = &game;
    Panel panel(*app.tools, [&] { editor.Draw(); });
    app.Frame();
    const float closed = panel.bottom;
    for (const DataFamily& family : DataEditor::Families())
        panel.open.push_back({family.header});
    app.Frame();
    app.Frame();
    EXPECT_EQ(panel.bottom, closed);
}

// A part's window in a running match of two local players wearing the part, one facing each way.
struct PartMatch
{
    PartMatch()
    {
        world = game.LoadText(PlayerTesting::PlatformMap(""));
        game.world = world.get();
        head = game.ownRegistry.heads.Find("Helmet");
        players[0] = &game.AddPlayer(*world, Spawn, game.MakeLoadout("Helmet"));
        players[1] = &game.AddPlayer(*world, Spawn, game.MakeLoadout("Helmet"), true);
        inspector = std::make_unique<HeadDataInspector>(head);
        inspector->context = &game;
    }
    ~PartMatch() { game.world = nullptr; }
    const Bone& Skull(int player) const { return *players[player]->body.GetBone(PlayerBone::Skull); }

    PlayerTesting::PlayerGame game;
    std::unique_ptr<World> world;
    HeadData* head = nullptr;
    Player* players[2] = {};
    std::unique_ptr<HeadDataInspector> inspector;
};

TEST(PartInspectors, ABoneEditRebuildsEveryLocalRigInItsFrameAndAFlagAloneDoesNot)
{
    ToolsApplication app;
    PartMatch match;
    ASSERT_NE(match.head, nullptr);
    BoneData& skull = match.head->skull;
    skull.hasSize = false;
    skull.size = {0.9f, 0.7f};
    ASSERT_EQ(PartDataInspector::RebuildRigs(&match.game), 2u);
    const Lumvek::Vector2 wornSize = match.Skull(0).scale;
    Panel panel(*app.tools, [&] { match.inspector->Draw(); });
    panel.open = {{"Bones", "Bones"}, {"Bones", "Bones", "#0", "Bone"}};
    panel.ids = {{{"Bones", "Bones", "#0", "Bone", "Bone", "Has Size"}, 0}};
    app.Frame();

    // Ticking the check box waits for an edit of a value.
    ASSERT_TRUE(ClickItem(app, panel, panel.ids[0].second, {60.0f, 80.0f, 100.0f}));
    app.Frame();
    ASSERT_TRUE(skull.hasSize);
    EXPECT_EQ(match.Skull(0).scale, wornSize);

    // The skull's left order, the first row of its scope.
    panel.ids = {{{"Bones", "Bones", "#0", "Bone", "Bone", "#0", "##Input"}, 0}};
    app.Frame();
    ASSERT_TRUE(ClickItem(app, panel, panel.ids[0].second, {120.0f, 170.0f, 220.0f}));
    EXPECT_EQ(Panel::ActiveText(), "-1");
    ImGui::GetIO().AddInputCharacter('7');
    // In the very frame the value changes, both local rigs show it, and the size with it.
    app.Frame();
    ASSERT_EQ(skull.leftOrder, 7u);
    for (int player : {0, 1})
    {
        EXPECT_EQ(match.Skull(player).leftOrder, 7u) << player;
        EXPECT_FLOAT_EQ(std::fabs(match.Skull(player).scale.x), 0.9f) << player;
    }
    app.PressKey(Lumvek::Key::Enter);
    EXPECT_EQ(skull.leftOrder, 7u);
}

TEST(PartInspectors, RebuildingARigKeepsTheHeldWeaponAndPointsTheHatAtTheNewBones)
{
    PlayerTesting::PlayerGame game;
    std::unique_ptr<World> world = game.LoadText(PlayerTesting::PlatformMap(""));
    game.world = world.get();
    Player& player = game.AddPlayer(*world, Spawn, game.MakeLoadout("HelicopterHat"));
    Bone* weapon = player.body.GetBone(PlayerBone::Weapon);
    ASSERT_NE(weapon, nullptr);
    weapon->drawRegion = weapon->region = 42;
    weapon->scale = {0.5f, 0.25f};
    EXPECT_EQ(PartDataInspector::RebuildRigs(&game), 1u);
    const Bone* rebuilt = player.body.GetBone(PlayerBone::Weapon);
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->region, 42u);
    EXPECT_EQ(rebuilt->scale, Lumvek::Vector2(0.5f, 0.25f));
    // The hat spins its blades on a bone of the rig it now wears.
    player.head->discharging = true;
    for (int i = 0; i < 120; ++i)
        player.head->Animate(1.0f / 60.0f);
    game.world = nullptr;
}

struct Height
{
    float panel = 0.0f;
    float line = 0.0f;
};

// The height of a new head's window with its bones open, after the change.
Height PanelHeight(const std::function<void(HeadData&)>& change)
{
    ToolsApplication app;
    HeadData head;
    change(head);
    HeadDataInspector inspector(&head);
    Panel panel(*app.tools, [&] { inspector.Draw(); });
    panel.open = {{"Bones", "Bones"}, {"Bones", "Bones", "#0", "Bone"}};
    app.Frame();
    app.Frame();
    return {panel.bottom - panel.top, ImGui::GetTextLineHeightWithSpacing()};
}

TEST(PartInspectors, EnergyAndCellTextShowOnlyWhenThereAreSome)
{
    const Height plain = PanelHeight([](HeadData&) {});
    const struct
    {
        const char* name;
        std::function<void(HeadData&)> change;
        float extraLinesAtLeast;
        float extraLinesAtMost;
    } cases[] = {
        {"no ability, energy figures set", [](HeadData& head) { head.energyDischargeTime.ticks = 30; }, 0, 0},
        {"one cell", [](HeadData& head) { head.skull.frameCount = 1; }, 0, 0},
        {"three cells", [](HeadData& head) { head.skull.frameCount = 3; }, 1, 1},
        {"an ability", [](HeadData& head) { head.hasAbility = true; }, 5, 100},
    };
    for (const auto& test : cases)
    {
        const float extra = PanelHeight(test.change).panel - plain.panel;
        EXPECT_GE(extra, test.extraLinesAtLeast * plain.line) << test.name;
        EXPECT_LE(extra, test.extraLinesAtMost * plain.line) << test.name;
    }
}

// One row of a definition window: what it shows, what is typed, and what the definition then holds.
TEST(DefinitionRows, ShowAndStoreTheirUnits)
{
    const struct
    {
        const char* name;
        std::vector<const char*> row;
        std::vector<std::vector<const char*>> open;
        const char* shown;
        const char* typed;
        std::function<bool(const WeaponData&, const HeadData&)> stored;
    } cases[] = {
        {"discharge time",
         {"Energy Region", "#2"},
         {},
         "0.500",
         "0.51",
         [](const WeaponData&, const HeadData& head) { return head.energyDischargeTime.ticks == 31; }},
        // "Save", the name, the description and "Modifiers" number before the weapon's rows.
        {"auto rate",
         {"#4"},
         {},
         "10.000",
         "4",
         [](const WeaponData& weapon, const HeadData&) { return weapon.autoRateOfFire.ticks == 15; }},
        {"a clip size of -1",
         {"#7"},
         {},
         "10",
         "-1",
         [](const WeaponData& weapon, const HeadData&) { return weapon.clipSize == 10; }},
        {"a clip size of 25",
         {"#7"},
         {},
         "10",
         "25",
         [](const WeaponData& weapon, const HeadData&) { return weapon.clipSize == 25; }},
        // The projectile's first row is its damage: the name beside it is text.
        {"projectile damage",
         {"Projectile", "Projectile", "#0"},
         {{"Projectile", "Projectile"}},
         "25.0",
         "40",
         [](const WeaponData& weapon, const HeadData&) { return weapon.contactDamage == 40.0f; }},
    };
    for (const auto& test : cases)
    {
        ToolsApplication app;
        LinearProjectileData fired;
        fired.name = "Bullet";
        WeaponData weapon;
        weapon.projectile = &fired;
        weapon.autoRateOfFire.ticks = 6;
        HeadData head;
        head.hasAbility = true;
        head.energyDischargeTime.ticks = 30;
        WeaponDataInspector weaponWindow(&weapon);
        HeadDataInspector headWindow(&head);
        DataInspector& inspector =
            std::string_view(test.row[0]) == "Energy Region" ? static_cast<DataInspector&>(headWindow) : weaponWindow;
        Panel panel(*app.tools, [&] { inspector.Draw(); });
        panel.open = test.open;
        app.Frame();
        EXPECT_EQ(EditRow(app, panel, test.row, test.typed), test.shown) << test.name;
        EXPECT_TRUE(test.stored(weapon, head)) << test.name;
        EXPECT_EQ(fired.name, "Bullet");
        EXPECT_EQ(weapon.projectile, &fired);
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
    LoadedRegistry before(folder.Root());
    HeadData& hat = *before.registry.heads.Find("HelicopterHat");
    hat.cost = 77;
    hat.energyDischargeTime.ticks = 31;
    hat.skull.hasRotation = true;
    hat.skull.rotation = 0.5f;
    hat.skull.leftOrder = 3;
    static_cast<HelicopterHatData&>(hat).frameRate = 7.0f;
    JetpackData& jetpack = static_cast<JetpackData&>(*before.registry.cores.Find("Jetpack"));
    jetpack.thrust = 0.75f;
    jetpack.spine.hasOffset = true;
    jetpack.spine.offset = {0.1f, -0.2f};
    ArmsData& arms = *before.registry.arms.Find("LongArms");
    arms.rightHand.hasSize = true;
    arms.rightHand.size = {0.3f, 0.4f};
    LegsData& hitops = *before.registry.legs.Find("BonusHitops");
    static_cast<BonusHitopsData&>(hitops).speedBoost = 2.5f;
    hitops.energyRequirement = 12;
    for (const PartData* part : std::initializer_list<const PartData*>{&hat, &jetpack, &arms, &hitops})
        EXPECT_TRUE(DataInspector::Save(*part, before.files)) << part->name;

    LoadedRegistry after(folder.Root());
    for (const PartData* part : std::initializer_list<const PartData*>{&hat, &jetpack, &arms, &hitops})
    {
        const Data* read = after.registry.FindData(part->GetFolder(), part->name);
        ASSERT_NE(read, nullptr) << part->name;
        EXPECT_EQ(typeid(*read), typeid(*part));
        EXPECT_EQ(Written(*read), Written(*part)) << part->name;
    }
    EXPECT_EQ(after.registry.heads.Find("HelicopterHat")->skull.rotation, 0.5f);
    EXPECT_EQ(after.registry.heads.Find("HelicopterHat")->energyDischargeTime.ticks, 31u);
}

} // namespace
