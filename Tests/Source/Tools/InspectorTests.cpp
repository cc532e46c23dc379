#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/ItemData.h"
#include "Source/Data/MapData.h"
#include "Source/Data/PartData.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Data/ZoneData.h"
#include "Source/Tools/Inspectors/AttributesInspector.h"
#include "Source/Tools/Inspectors/BodyInspectors.h"
#include "Source/Tools/Inspectors/DataInspector.h"
#include "Source/Tools/Inspectors/DefinitionInspectors.h"
#include "Source/Tools/Inspectors/WeaponInspectors.h"
#include "Source/World/Body.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/PlayerTestSupport.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <filesystem>

namespace
{

using namespace ToolsTesting;
using PlayerTesting::PlayerGame;

TEST(AttributesInspector, EveryModifiersPressOpensAWindowOfItsOwn)
{
    ToolsApplication app;
    Attributes modifiers = Attributes::Modifiers();
    for (int i = 0; i < 2; ++i)
        app.tools->OpenWindow("Modifiers", std::make_unique<AttributesInspector>(&modifiers, &modifiers, nullptr));
    app.Frame();
    app.Frame();
    ASSERT_EQ(app.tools->GetInspectors().size(), 2u);
    // Two ImGui windows, not one shared by the name.
    EXPECT_NE(ImGui::FindWindowByName("Modifiers###Window0"), nullptr);
    EXPECT_NE(ImGui::FindWindowByName("Modifiers###Window1"), nullptr);
}

// A part's modifier edit reaches only the players that wear the part; a character's window overwrites the
// base of its players every frame.
TEST(AttributesInspector, EditsReachOnlyThePlayersOfThePartOrCharacter)
{
    ToolsApplication app;
    PlayerGame game;
    std::unique_ptr<World> world = game.LoadText(PlayerTesting::PlatformMap(""));
    game.world = world.get();
    Player& wearer = game.AddPlayer(*world, {5.0f, 5.0f}, game.MakeLoadout("Helmet"));
    Player& other = game.AddPlayer(*world, {10.0f, 5.0f}, game.MakeLoadout("BasicHead"));
    HeadData* helmet = game.ownRegistry.heads.Find("Helmet");
    ASSERT_NE(helmet, nullptr);
    ASSERT_EQ(wearer.head->data, helmet);

    helmet->modifiers.weight = 1.0f;
    // Worn with the new value from the start, as a freshly equipped part would be.
    wearer.modifiers = Player::IdentityModifiers();
    wearer.modifiers += helmet->modifiers;
    const float wearerWeight = wearer.modifiers[&Attributes::weight];
    const float otherWeight = other.modifiers[&Attributes::weight];
    AttributesInspector modifiers(helmet, &helmet->modifiers, nullptr);
    modifiers.context = &game;
    modifiers.ChangeModifier(&Attributes::weight, 1.5f);
    EXPECT_EQ(helmet->modifiers.weight, 1.5f);
    EXPECT_FLOAT_EQ(wearer.modifiers[&Attributes::weight], wearerWeight + 0.5f);
    EXPECT_EQ(other.modifiers[&Attributes::weight], otherWeight);

    CharacterData* character = game.ownRegistry.characters.Get(0);
    ASSERT_NE(character, nullptr);
    ASSERT_EQ(wearer.character, character);
    auto inspector = std::make_unique<AttributesInspector>(character, nullptr, &character->attributes);
    inspector->context = &game;
    app.tools->OpenWindow("Attributes", std::move(inspector));
    app.Frame();
    for (float weight : {7.0f, 9.0f})
    {
        wearer.baseAttributes.weight = weight;
        app.Frame();
        EXPECT_EQ(wearer.baseAttributes, character->attributes) << weight;
    }
    app.tools->WorldDestroyed();
    game.world = nullptr;
}

class MapSave : public ::testing::Test
{
protected:
    MapSave() : files(folder.Root(), folder.Root(), folder.Root(), folder.Root()), registry(files)
    {
        std::filesystem::create_directories(folder.Path("Assets/Maps/Test"));
    }
    std::string Path() const { return folder.Path("Assets/Maps/Test/Data.json"); }
    std::string Read() const { return Lumvek::File::ReadAllText(Path()).second; }
    // The map's definition as the registry reads it from the file of that text.
    MapData& Load(Lumvek::StringView text)
    {
        EXPECT_TRUE(Lumvek::File::WriteAllText(Path(), text));
        Lumvek::Blueprint root;
        EXPECT_TRUE(Lumvek::JsonFormat::LoadBlueprint(text, root));
        return *registry.maps.Add("Test", root, std::make_unique<MapData>());
    }

    Lumvek::Testing::TestFolder folder;
    Lumvek::FileManager files;
    DataRegistry registry;
};

TEST_F(MapSave, RewritesOnlyTheNameAndTheDescription)
{
    MapData& map = Load(R"({"WorldBounds": "0 0 40 20", "DisplayName": "Old"})");
    map.displayName = "Renamed";
    map.description = "New words";
    EXPECT_TRUE(DataInspector::Save(map, files));
    Lumvek::Blueprint saved;
    ASSERT_TRUE(Lumvek::JsonFormat::LoadBlueprint(Read(), saved));
    const Lumvek::ValueObject& members = saved.GetObject();
    ASSERT_EQ(members.GetCount(), 3u);
    EXPECT_EQ(members.Find("WorldBounds")->GetString(), "0 0 40 20");
    EXPECT_EQ(members.Find("DisplayName")->GetString(), "Renamed");
    EXPECT_EQ(members.Find("Description")->GetString(), "New words");
}

// The map tab would refuse the file, and so does the data tab.
TEST_F(MapSave, LeavesAFileWhoseMapDidNotReadWholeAlone)
{
    const std::string text = R"({"WorldBounds": "0 0 nan 20", "DisplayName": "Old"})";
    MapData& map = Load(text);
    map.displayName = "Renamed";
    EXPECT_FALSE(DataInspector::Save(map, files));
    EXPECT_EQ(Read(), text);
}

// Draws an inspector's window and notes how far down its rows reach.
struct DefinitionWindow
{
    DefinitionWindow(Tools& tools, Inspector& inspector)
        : window(OpenTestWindow(tools, "Definition",
                                [this, &inspector](TestWindow&)
                                {
                                    ImGui::SetWindowPos(ImVec2(700.0f, 20.0f));
                                    ImGui::SetWindowSize(ImVec2(600.0f, 1000.0f));
                                    left = ImGui::GetCursorScreenPos().x;
                                    if (focus >= 0)
                                        ImGui::SetKeyboardFocusHere(focus);
                                    focus = -1;
                                    ImGui::LogToBuffer();
                                    inspector.Draw();
                                    shown = ImGui::GetCurrentContext()->LogBuffer.c_str();
                                    ImGui::LogFinish();
                                    bottom = ImGui::GetCursorPosY();
                                    modifiersButton = ImGui::GetID("Modifiers");
                                }))
    {
    }
    TestWindow& window;
    float bottom = 0.0f;
    float left = 0.0f;
    ImGuiID modifiersButton = 0;
    // The text of the rows.
    std::string shown;
    // Puts the keyboard on the focus-th item of the next frame.
    int focus = -1;
};

TEST(DefinitionInspectors, OnlyADynamicProjectileShowsItsMaterial)
{
    ToolsApplication app;
    LinearProjectileData bullet;
    DynamicProjectileData grenade;
    ProjectileDataInspector bulletInspector(&bullet);
    ProjectileDataInspector grenadeInspector(&grenade);
    DefinitionWindow bulletWindow(*app.tools, bulletInspector);
    app.Frame();
    const float bulletBottom = bulletWindow.bottom;
    bulletWindow.window.open = 0;
    DefinitionWindow grenadeWindow(*app.tools, grenadeInspector);
    app.Frame();
    app.Frame();
    EXPECT_FLOAT_EQ(grenadeWindow.bottom - bulletBottom, 3.0f * ImGui::GetFrameHeightWithSpacing());
}

TEST(DefinitionInspectors, ModifiersOpenTheirOwnWindowFromItemsAndZones)
{
    ItemData item;
    ZoneData zone;
    ItemDataInspector itemInspector(&item);
    ZoneDataInspector zoneInspector(&zone);
    for (Inspector* inspector : std::initializer_list<Inspector*>{&itemInspector, &zoneInspector})
    {
        ToolsApplication app;
        DefinitionWindow window(*app.tools, *inspector);
        app.Frame();
        // Across and down the window until the button is under the mouse, then press it.
        bool found = false;
        for (float x = window.left; x < window.left + 400.0f && !found; x += 20.0f)
            for (float y = 20.0f; y < 600.0f && !found; y += 4.0f)
            {
                app.MoveMouse(x, y);
                app.Frame();
                found = ImGui::GetCurrentContext()->HoveredId == window.modifiersButton;
            }
        ASSERT_TRUE(found);
        app.Click();
        app.Frame();
        ASSERT_TRUE(app.tools->IsWindowOpen("Modifiers"));
        size_t attributes = 0;
        for (const std::unique_ptr<Inspector>& open : app.tools->GetInspectors())
            attributes += dynamic_cast<AttributesInspector*>(open.get()) ? 1 : 0;
        EXPECT_EQ(attributes, 1u);
    }
}

// A definition the match did not load has no image yet: its Image row says so by name, as its Icon
// row does, rather than pass an atlas off as its image.
TEST(DefinitionInspectors, AWeaponOrItemTheMatchDidNotLoadSaysSoInItsImageRow)
{
    WeaponData shotgun;
    ItemData flag;
    shotgun.name = "Shotgun";
    flag.name = "Flag";
    WeaponDataInspector weaponInspector(&shotgun);
    ItemDataInspector itemInspector(&flag);
    for (auto [inspector, name] :
         {std::pair<Inspector*, std::string>{&weaponInspector, "Shotgun"}, {&itemInspector, "Flag"}})
    {
        ToolsApplication app;
        DefinitionWindow window(*app.tools, *inspector);
        app.Frame();
        app.Frame();
        EXPECT_NE(window.shown.find(name + " is not loaded"), std::string::npos) << window.shown;
    }
}

// A window's rows keep their IDs from frame to frame, so a number typed into the first row of a
// window's own (a body's "Position") stays typed until Enter stores it.
TEST(BodyInspectors, ANumberTypedIntoAWindowsRowIsStored)
{
    ToolsApplication app;
    TransformBody body;
    TransformBodyInspector inspector(&body);
    DefinitionWindow window(*app.tools, inspector);
    app.Frame();
    window.focus = 0;
    app.Frame();
    app.Frame();
    app.Type("3.5");
    EXPECT_FLOAT_EQ(body.x, 3.5f);
    EXPECT_EQ(body.y, 0.0f);
}

} // namespace
