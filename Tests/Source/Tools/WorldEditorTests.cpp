// The map editor on a headless world loaded from a scratch map: picking, dragging, nudging, creating
// and deleting with the scripted mouse and keys through the tools' frame, with one full-window view of
// 32 x 18 units centred on the origin (60 pixels a unit).

#include "Engine/Foundation/ImageFormats.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/TriggerData.h"
#include "Source/Tools/Editors/MapEditor.h"
#include "Source/Tools/Inspectors/BodyInspectors.h"
#include "Source/Tools/Inspectors/DefinitionInspectors.h"
#include "Source/Tools/Inspectors/SpawnPointInspector.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/World/Action.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/PlatformRenderable.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/BotTestSupport.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <imgui_internal.h>

#include <array>
#include <set>

namespace
{

using Lumvek::Key;
using Lumvek::MouseButton;
using Lumvek::Rectangle;
using Lumvek::Vector2;

const char* const ScratchMap = R"({"WorldBounds": "-15 -8 30 16", "SpawnPoints": [
        {"Position": "-10 5", "Size": "1 1"}, {"Position": "-8 5", "Size": "1 1"}, {"Position": "-6 5", "Size": "1 1"}],
    "Entities": {
        "Platforms": [{"Name": "Stack", "Position": "0 0", "Size": "2 2"},
                      {"Name": "Left", "Position": "-6 -4", "Size": "2 1"}, {"Name": "Right", "Position": "-4 -4", "Size": "2 1"}],
        "Hazards": [{"Name": "Pit", "Position": "0 0", "Size": "2 2", "Data": "Spikes"},
                    {"Name": "Narrow", "Position": "6 0", "Size": "0.3 1", "Data": "Spikes"}],
        "Zones": [{"Name": "Bog", "Position": "0 0", "Size": "2 2", "Data": "Mud"}]}})";

// A window on one entity, closed with it.
class EntityWindow : public Inspector
{
public:
    EntityWindow(uint32_t kind, uint32_t index) : kind(kind), index(index) {}
    void Draw() override {}
    bool ShowsEntity(uint32_t k, uint32_t i) const override { return k == kind && i == index; }
    uint32_t kind, index;
};

struct MapEditing : ::testing::Test
{
    MapEditing()
    {
        game.headless = true;
        world = game.Load(Lumvek::StringView::FromCString(ScratchMap), names);
        app.tools->editedWorld = world.get();
        app.tools->rendererViews = {{{0.0f, 0.0f}, {32.0f, 18.0f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, true}};
        editor = static_cast<MapEditor*>(app.tools->FindEditor("Map"));
        editor->open = 1;
    }
    ~MapEditing() override { app.tools->editedWorld = nullptr; }

    Vector2 Screen(Vector2 p) const
    {
        const Vector2 centre = app.tools->rendererViews.front().centre;
        return {960.0f + (p.x - centre.x) * 60.0f, 540.0f - (p.y - centre.y) * 60.0f};
    }
    void Hover(Vector2 p)
    {
        app.MoveMouse(Screen(p).x, Screen(p).y);
        app.Frame();
    }
    void Click(Vector2 p)
    {
        Hover(p);
        app.Click();
    }
    // Press at one point, hold through the others, release at the last.
    void Drag(std::initializer_list<Vector2> points)
    {
        auto& mouse = app.mouse->current;
        bool first = true;
        for (Vector2 p : points)
        {
            app.MoveMouse(Screen(p).x, Screen(p).y);
            mouse.pressed[MouseButton::Left] = first;
            mouse.held[MouseButton::Left] = 1;
            app.Frame();
            first = false;
        }
        mouse.pressed.Clear();
        mouse.held.Clear();
        mouse.released[MouseButton::Left] = 1;
        app.Frame();
        mouse.released.Clear();
        app.Frame();
    }
    void Hold(Key key) { app.keyboard->current.held[key] = 1; }
    void Release(Key key) { app.keyboard->current.held[key] = 0; }
    Rectangle Bounds(EntityReference reference) const { return editor->GetEntityBounds(reference); }

    WorldTesting::TestGame game;
    ToolsTesting::ToolsApplication app;
    // The names the match loader hands to the tools, which "Save" writes back.
    MapNames& names = app.tools->mapNames;
    std::unique_ptr<World> world;
    MapEditor* editor = nullptr;
};

void ExpectNear(const Rectangle& actual, const Rectangle& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-4f);
    EXPECT_NEAR(actual.y, expected.y, 1e-4f);
    EXPECT_NEAR(actual.width, expected.width, 1e-4f);
    EXPECT_NEAR(actual.height, expected.height, 1e-4f);
}

const EntityReference Stack{EntityKind::Platform, 0};
const EntityReference Pit{EntityKind::Hazard, 0};
const EntityReference Narrow{EntityKind::Hazard, 1};
const EntityReference Bog{EntityKind::Zone, 0};

TEST_F(MapEditing, ClicksCycleThroughOverlappingEntitiesAndADragKeepsTheSelection)
{
    ASSERT_EQ(editor->GetEntitiesAt(*world, {1.0f, 1.0f}), (std::vector<EntityReference>{Stack, Pit, Bog}));
    for (EntityReference expected : {Stack, Pit, Bog, Stack})
    {
        Click({1.0f, 1.0f});
        EXPECT_EQ(editor->selected, expected);
    }
    // A drag on the selected platform moves it on the grid and leaves it selected.
    Drag({{1.0f, 1.0f}, {2.2f, 1.4f}, {3.3f, 1.9f}});
    EXPECT_EQ(editor->selected, Stack);
    ExpectNear(Bounds(Stack), {2.5f, 1.0f, 2.0f, 2.0f});
    EXPECT_EQ(editor->GetEntitiesAt(*world, {3.0f, 2.0f}).front(), Stack);
    EXPECT_TRUE(editor->GetEntitiesAt(*world, {0.5f, 0.5f}).size() == 2u);

    // With the right button held nothing is edited; Delete with nothing selected deletes nothing.
    app.mouse->current.held[MouseButton::Right] = 1;
    Drag({{3.0f, 2.0f}, {5.0f, 2.0f}});
    EXPECT_EQ(Bounds(Stack), (Rectangle{2.5f, 1.0f, 2.0f, 2.0f}));
    app.mouse->current.held[MouseButton::Right] = 0;
    editor->selected = {};
    app.PressKey(Key::Delete);
    EXPECT_TRUE(world->platforms[0].GetBody().active);
}

TEST_F(MapEditing, DragsSnapPlatformsOnlyAndStayAQuarterInsideTheBounds)
{
    struct Case
    {
        EntityReference entity;
        Vector2 grab, to;
        bool shift;
        Rectangle expected;
        // Made by Space and the drag, in the Spawn Point mode.
        bool create = false;
    } cases[] = {
        // Others move freely unless Shift is held.
        {Pit, {0.5f, 0.5f}, {0.8f, 0.6f}, false, {0.3f, 0.1f, 2.0f, 2.0f}},
        {Pit, {0.8f, 0.6f}, {1.0f, 0.6f}, true, {0.5f, 0.0f, 2.0f, 2.0f}},
        // The world is -15..15 by -8..8: the far edge stops 0.25 inside.
        {Pit, {1.0f, 1.0f}, {15.9f, 1.0f}, false, {12.75f, 0.0f, 2.0f, 2.0f}},
        // Grabbed below the map panel, which keeps the clicks on it.
        {Pit, {13.0f, 0.5f}, {13.0f, -8.9f}, false, {12.75f, -7.75f, 2.0f, 2.0f}},
        // A point made outside the world is held inside as the drag goes on.
        {{EntityKind::SpawnPoint, 3}, {13.0f, -8.6f}, {13.2f, -8.9f}, false, {13.2f, -7.75f, 0.1f, 0.1f}, true},
    };
    for (const Case& c : cases)
    {
        editor->selected = c.entity;
        editor->SetMode(c.create ? 1 : 0);
        if (c.shift || c.create)
            Hold(c.create ? Key::Space : Key::LeftShift);
        Drag(c.create ? std::initializer_list<Vector2>{c.grab, c.grab, c.to}
                      : std::initializer_list<Vector2>{c.grab, c.to});
        Release(Key::LeftShift);
        Release(Key::Space);
        ASSERT_EQ(editor->selected, c.entity);
        ExpectNear(Bounds(c.entity), c.expected);
    }
}

TEST_F(MapEditing, ArrowsMoveGrowAndShrinkByGridSteps)
{
    struct Case
    {
        EntityReference entity;
        Key modifier;
        Key arrow;
        Rectangle expected;
    } cases[] = {
        {Pit, Key::LeftShift, Key::Left, {-5.0f, 0.0f, 2.0f, 2.0f}},
        {Pit, Key::LeftControl, Key::Right, {-5.0f, 0.0f, 2.5f, 2.0f}},
        {Pit, Key::RightControl, Key::Down, {-5.0f, -0.5f, 2.5f, 2.5f}},
        {Narrow, Key::LeftAlt, Key::Left, {6.0f, 0.0f, 0.5f, 1.0f}},
        {Narrow, Key::LeftAlt, Key::Up, {6.0f, 0.5f, 0.5f, 0.5f}},
    };
    for (const Case& c : cases)
    {
        editor->selected = c.entity;
        Hover({-14.0f, -7.0f});
        Hold(c.modifier);
        app.PressKey(c.arrow);
        Release(c.modifier);
        EXPECT_EQ(Bounds(c.entity), c.expected) << int(c.arrow);
    }
    // The nudged hazard is found where it went.
    EXPECT_EQ(editor->GetEntitiesAt(*world, {-4.0f, 1.0f}), (std::vector<EntityReference>{Pit}));
    // A floor as wide as the world keeps its place: Right neither pushes it past the left edge nor lifts it.
    const EntityReference floor{EntityKind::Platform, 0};
    editor->SetEntityBounds(floor, {-15.0f, -8.0f, 30.0f, 2.0f});
    editor->selected = floor;
    app.PressKey(Key::Right);
    EXPECT_EQ(Bounds(floor), (Rectangle{-15.0f, -8.0f, 30.0f, 2.0f}));
}

TEST_F(MapEditing, HandlesResizeAcrossTheAnchorAndSpaceDragsCreate)
{
    // The handle test through the one view: the point (0, 4.5) lies at the pixel (960, 270).
    EXPECT_TRUE(editor->IsOverHandle({0.0f, 4.5f}, {963.0f, 273.0f}));
    EXPECT_FALSE(editor->IsOverHandle({0.0f, 4.5f}, {964.0f, 270.0f}));

    // The right-middle handle of the pit dragged left past its left edge flips it over the anchor.
    editor->selected = Pit;
    Drag({{2.0f, 1.0f}, {-1.0f, 1.0f}});
    EXPECT_EQ(Bounds(Pit), (Rectangle{-1.0f, 0.0f, 1.0f, 2.0f}));

    // Space and a drag: a platform one step square at the snapped cursor, sized by the drag.
    const uint32_t before = world->platforms.Count();
    Hover({8.1f, 4.1f});
    Hold(Key::Space);
    // The press, the first held frame (which creates), then a small move below one step.
    Drag({{8.1f, 4.1f}, {8.1f, 4.1f}, {8.3f, 4.2f}});
    Release(Key::Space);
    ASSERT_EQ(world->platforms.Count(), before + 1);
    EXPECT_EQ(editor->selected, (EntityReference{EntityKind::Platform, before}));
    EXPECT_EQ(Bounds(editor->selected), (Rectangle{8.0f, 4.0f, 0.5f, 0.5f}));
    Hold(Key::Space);
    Drag({{10.0f, -3.0f}, {10.0f, -3.0f}, {11.0f, -2.0f}});
    Release(Key::Space);
    EXPECT_EQ(Bounds(editor->selected), (Rectangle{10.0f, -3.0f, 1.0f, 1.0f}));
    EXPECT_TRUE(world->platforms[before].fromMap);

    // A zone of the chosen definition; a hazard choice outside the list makes nothing.
    editor->SetMode(4);
    EXPECT_EQ(editor->createKind, EntityKind::Zone);
    EXPECT_EQ(editor->CreateEntity({-12.0f, 2.0f}, {0.5f, 0.5f}).kind, EntityKind::Zone);
    editor->SetMode(2);
    editor->hazardChoice = 99;
    EXPECT_EQ(editor->CreateEntity({-12.0f, 2.0f}, {0.5f, 0.5f}), EntityReference{});
}

TEST_F(MapEditing, AResizeStopsAtTheWorldsEdgeAndANewInteractionGetsTheImageTheMatchDidNotLoadOrSaysWhyNot)
{
    app.tools->rendererViews.front().centre = {-10.0f, 0.0f};
    // The left-middle handle dragged past the left edge stops a quarter inside, as a move does.
    editor->SetEntityBounds(Pit, {-12.0f, 0.0f, 2.0f, 2.0f});
    editor->RefreshEntity(editor->selected = Pit);
    Drag({{-12.0f, 1.0f}, {-20.0f, 1.0f}});
    ExpectNear(Bounds(Pit), {-14.75f, 0.0f, 4.75f, 2.0f});
    // A hazard a window's rows put wholly past the edge is not resized further out, and that is said once.
    editor->SetEntityBounds(Narrow, {-17.0f, 0.0f, 0.5f, 1.0f});
    editor->RefreshEntity(editor->selected = Narrow);
    Lumvek::Testing::LogCapture log;
    Drag({{-17.0f, 0.5f}, {-18.0f, 0.5f}, {-19.0f, 0.5f}});
    EXPECT_EQ(Bounds(Narrow), (Rectangle{-17.0f, 0.0f, 0.5f, 1.0f}));
    EXPECT_EQ(log.StartingWith("Hazard 1 not resized: it would lie outside the world bounds").size(), 1u);

    game.headless = false;
    editor->SetMode(3);
    editor->CreateEntity({-12.0f, 2.0f}, {1.0f, 1.0f});
    EXPECT_NE(editor->createProblem.find("Lever has no image in this match"), std::string::npos);
    // Once the match has its atlases, the next lever's image is loaded into the world's.
    const std::array<uint8_t, 4 * 4 * 4> pixels{};
    Lumvek::BufferWriter png;
    ASSERT_TRUE(Lumvek::PngFormat::WritePng(png, pixels.data(), 4, 4, 4 * 4));
    ASSERT_TRUE(Lumvek::File::WriteAllText(game.folder.Path("Assets/Interactions/Lever/Image.png"), png.ToString()));
    for (uint32_t slot : {GraphicsResources::WorldAtlas, GraphicsResources::DrawAtlas})
        ASSERT_TRUE(app.device->CreateTexture(slot, 0)->SetSize(64, 64, Lumvek::TextureFormat::ColorBuffer4x8));
    const EntityReference lever = editor->CreateEntity({-10.0f, 2.0f}, {1.0f, 1.0f});
    EXPECT_EQ(editor->createProblem, "");
    const auto* atlas = app.device->GetTexture(GraphicsResources::WorldAtlas);
    EXPECT_NE(atlas->GetRegion(world->interactions[lever.index].data->image), nullptr);
}

TEST_F(MapEditing, DeletedEntitiesLeaveTheirGridsPhysicsGraphAndWindows)
{
    world->navigator.Build(*world);
    const Platform& left = world->platforms[1];
    ASSERT_NE(world->navigator.NodeOf(&left), nullptr);
    for (EntityReference entity : {Pit, EntityReference{EntityKind::Platform, 1}})
        app.tools->OpenWindow("window", std::make_unique<EntityWindow>(entity.kind, entity.index));
    app.Frame();
    ASSERT_EQ(app.tools->GetInspectors().size(), 2u);

    for (EntityReference entity : {Pit, EntityReference{EntityKind::Platform, 1}})
    {
        Click({-14.0f, -7.0f});
        editor->selected = entity;
        app.PressKey(Key::Delete);
        EXPECT_EQ(editor->selected, EntityReference{});
    }
    EXPECT_EQ(editor->GetEntitiesAt(*world, {1.0f, 1.0f}), (std::vector<EntityReference>{Stack, Bog}));
    EXPECT_TRUE(editor->GetEntitiesAt(*world, {-5.0f, -3.5f}).empty());
    EXPECT_EQ(world->hazards[0].firstNode, nullptr);
    EXPECT_EQ(left.firstNode, nullptr);
    EXPECT_EQ(left.body->physicsBody, nullptr);
    EXPECT_EQ(world->navigator.NodeOf(&left), nullptr);
    EXPECT_NE(world->navigator.NodeOf(&world->platforms[2]), nullptr);
    EXPECT_TRUE(app.tools->GetInspectors().empty());
    // Deleted map entities are not written back.
    const std::string saved = SaveMapText(*world, names);
    EXPECT_EQ(saved.find("\"Pit\""), std::string::npos);
    EXPECT_EQ(saved.find("\"Left\""), std::string::npos);
    EXPECT_NE(saved.find("\"Right\""), std::string::npos);
}

// A made platform is named and in the bots' graph at once, follows each edit there, and Save keeps it
// as a lever's target; a drag down and to the left ends on the grid.
TEST_F(MapEditing, AMadePlatformIsNamedAndInTheGraphAtOnceAndADragDownLeftEndsOnTheGrid)
{
    Hold(Key::Space);
    Drag({{9.8f, -3.2f}, {9.8f, -3.2f}, {-1.8f, -4.4f}});
    Release(Key::Space);
    const EntityReference bridge = editor->selected;
    ASSERT_EQ(bridge.kind, EntityKind::Platform);
    EXPECT_EQ(Bounds(bridge), (Rectangle{-2.0f, -4.5f, 12.0f, 1.5f}));
    Platform& platform = world->platforms[bridge.index];
    std::vector<Waypoint*> path;
    world->navigator.FindPath(BotTesting::BaseMotion(), *world->navigator.NodeOf(&world->platforms[1]), -5.0f,
                              *world->navigator.NodeOf(&platform), 8.0f, path);
    EXPECT_FALSE(path.empty());
    editor->SetEntityBounds(bridge, {-2.0f, 5.0f, 12.0f, 1.5f});
    EXPECT_GE(world->navigator.NodeOf(&platform)->bounds.y, 5.0f);

    Interaction* lever = CreateInteractionEntity(*world, "Interaction", {0.0f, 3.0f}, {1.0f, 1.0f},
                                                 *game.ownRegistry.interactions.Find("Lever"));
    lever->fromMap = true;
    lever->SetInteractAction(TriggerAction::PathStartAction, *world);
    static_cast<PathStartAction&>(*lever->interactAction).platform = platform.id;
    const std::string saved = SaveMapText(*world, names), quoted = "\"" + *names.platforms.FindName(&platform) + "\"";
    EXPECT_NE(saved.find(quoted), saved.rfind(quoted)) << saved;
    editor->DeleteEntity(bridge);
    EXPECT_EQ(world->navigator.NodeOf(&platform), nullptr);
}

TEST_F(MapEditing, AWorldGoingWithEditsNotSavedKeepsThemBesideTheMapAndSaysWhere)
{
    const std::string copy = game.folder.Path("Assets/Maps/Test/Data.unsaved.json");
    Lumvek::Testing::LogCapture log;
    app.tools->WorldDestroyed();
    EXPECT_FALSE(std::filesystem::exists(copy));
    world = game.Load(Lumvek::StringView::FromCString(ScratchMap), names);
    app.tools->editedWorld = world.get();
    editor->CreateEntity({8.0f, 4.0f}, {2.0f, 1.0f});
    app.tools->WorldDestroyed();
    EXPECT_FALSE(std::filesystem::exists(game.folder.Path("Assets/Maps/Test/Data.json")));
    EXPECT_NE(Lumvek::File::ReadAllText(copy).second.find("\"Platform 3\""), std::string::npos);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].find("Assets/Maps/Test/Data.unsaved.json"), std::string::npos) << log.messages[0];
    NameUnsavedCopy(*world);
    EXPECT_EQ(log.messages.size(), 2u);
}

// Debris meets the platforms through copies, none of which may outlive the body it copied.
TEST_F(MapEditing, PlatformsMadeMovingMovedAndResizedUnderDebrisLeaveNoStaleCopy)
{
    b2World& debris = *world->GetVisualPhysics();
    b2BodyDef piece;
    piece.type = b2_dynamicBody;
    piece.position.Set(1.0f, 2.3f);
    b2CircleShape pebble;
    debris.CreateBody(&piece)->CreateFixture(&pebble, 1.0f);
    world->Step(Lumvek::TickSeconds);
    world->SetPlatformMoving(world->platforms[0], true);
    ASSERT_TRUE(world->PlacePlatform(world->platforms[1], {-7.0f, -6.0f, 3.0f, 2.0f}));
    for (int tick = 0; tick < 60; ++tick)
        world->Step(Lumvek::TickSeconds);
    for (b2Body* copy = debris.GetBodyList(); copy; copy = copy->GetNext())
    {
        if (copy->GetType() == b2_dynamicBody)
            continue;
        b2Body* source = world->GetPhysics()->GetBodyList();
        while (source &&
               source->GetFixtureList()->GetUserData().pointer != copy->GetFixtureList()->GetUserData().pointer)
            source = source->GetNext();
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(copy->GetPosition(), source->GetPosition());
        EXPECT_EQ(copy->GetFixtureList()->GetAABB(0).upperBound, source->GetFixtureList()->GetAABB(0).upperBound);
    }
}

TEST_F(MapEditing, SaveWritesTheEditedMapAndReloadsTheSameEntities)
{
    editor->selected = Stack;
    Drag({{1.0f, 1.0f}, {3.0f, 1.0f}});
    // Wider bounds (the old grids reached 10 beyond -15 .. 15) take a platform and a hazard on either side
    // at the first try.
    ASSERT_TRUE(editor->SetWorldBounds({-45.0f, -8.0f, 90.0f, 16.0f}));
    Lumvek::Testing::LogCapture log;
    for (float x : {30.0f, -40.0f})
    {
        app.tools->rendererViews.front().centre = {x, 0.0f};
        Hold(Key::Space);
        Drag({{x + 0.1f, 1.1f}, {x + 0.1f, 1.1f}, {x + 1.1f, 2.1f}});
        Release(Key::Space);
        EXPECT_EQ(editor->GetEntitiesAt(*world, {x + 0.5f, 1.5f}), (std::vector<EntityReference>{editor->selected}));
        editor->SetMode(2);
        const EntityReference hazard = editor->CreateEntity({x, -3.0f}, {1.0f, 1.0f});
        EXPECT_EQ(editor->GetEntitiesAt(*world, {x + 0.5f, -2.5f}), (std::vector<EntityReference>{hazard}));
        editor->SetMode(0);
    }
    EXPECT_TRUE(log.messages.empty());
    editor->SetMode(1);
    editor->CreateEntity({-2.0f, 3.0f}, {0.5f, 0.5f});
    editor->SetMode(4);
    editor->CreateEntity({-12.0f, 2.0f}, {1.0f, 1.0f});
    ASSERT_TRUE(editor->Save());

    MapNames reloadedNames;
    auto reloaded = std::make_unique<World>(game, 1);
    ASSERT_TRUE(LoadMapData(*reloaded, reloadedNames));
    EXPECT_EQ(reloaded->GetSpawnPoints().size(), 4u);
    ExpectNear(reloaded->platforms[0].GetBody().GetBounds(), {2.0f, 0.0f, 2.0f, 2.0f});
    EXPECT_EQ(std::make_tuple(reloaded->platforms.Count(), reloaded->hazards.Count(), reloaded->zones.Count()),
              std::make_tuple(5u, 4u, 2u));
    EXPECT_EQ(SaveMapText(*reloaded, reloadedNames), SaveMapText(*world, names));

    // A save that cannot replace the file (a folder stands where it goes) fails, logs and leaves it.
    const std::string path = game.folder.Path("Assets/Maps/Test/Data.json");
    std::filesystem::remove(path);
    std::filesystem::create_directories(path + "/kept");
    log.messages.clear();
    EXPECT_FALSE(editor->Save());
    EXPECT_FALSE(log.messages.empty());
    EXPECT_TRUE(std::filesystem::is_directory(path + "/kept"));
}

TEST_F(MapEditing, PathFramesAddInOrderNeverFromNothingAndKeepTheLastFrame)
{
    Platform& platform = world->platforms[2];
    platform.SetMoving(*world, true);
    platform.GetBody().active = 1;
    PathedBody& body = *platform.GetPathedBody();
    const auto path = [](std::initializer_list<float> times)
    {
        Path keys;
        for (float time : times)
            keys.push_back({time, time * 10.0f, 1.0f, PathState::Normal});
        return keys;
    };
    struct Case
    {
        Path start;
        void (*add)(World&, uint32_t);
        std::vector<float> times;
        // The frame each added frame copies, by index into start.
        std::vector<size_t> copies;
    } cases[] = {
        {path({0.0f, 2.0f}), PathFrames::AddFrame, {0.0f, 2.0f, 3.0f}, {1}},
        {path({0.0f, 1.0f, 2.0f}), PathFrames::AddReversedFrames, {0.0f, 1.0f, 2.0f, 3.0f, 4.0f}, {1, 0}},
        {path({}), PathFrames::AddFrame, {}, {}},
        {path({}), PathFrames::AddReversedFrames, {}, {}},
    };
    for (const Case& c : cases)
    {
        body.path = c.start;
        c.add(*world, 2);
        ASSERT_EQ(body.path.size(), c.times.size());
        for (size_t i = 0; i < c.times.size(); ++i)
            EXPECT_EQ(body.path[i].time, c.times[i]);
        for (size_t i = 0; i < c.copies.size(); ++i)
            EXPECT_EQ(body.path[c.start.size() + i].x, c.start[c.copies[i]].x);
    }

    // The one frame left stays; removing frame 0 of three closes the windows of frames 0 and up.
    body.path = path({5.0f});
    EXPECT_FALSE(PathFrames::Remove(*world, 2, 0));
    EXPECT_EQ(body.path.size(), 1u);
    body.path = path({0.0f, 1.0f, 2.0f});
    for (uint32_t frame : {0u, 2u})
        app.tools->OpenWindow("Frame " + std::to_string(frame), std::make_unique<PathNodeInspector>(2, frame));
    app.Frame();
    EXPECT_TRUE(PathFrames::Remove(*world, 2, 1));
    app.Frame();
    EXPECT_TRUE(app.tools->IsWindowOpen("Frame 0"));
    EXPECT_FALSE(app.tools->IsWindowOpen("Frame 2"));
    // A frame window past the list (the path shrank by other means) closes rather than read it.
    app.tools->OpenWindow("Frame 1", std::make_unique<PathNodeInspector>(2, 1));
    app.Frame();
    body.path.pop_back();
    app.Frame();
    app.Frame();
    EXPECT_FALSE(app.tools->IsWindowOpen("Frame 1"));
    EXPECT_TRUE(app.tools->IsWindowOpen("Frame 0"));
}

TEST_F(MapEditing, EntityWindowsOpenOncePerEntityEditPlatformsAndCloseWhenTheEntityGoes)
{
    game.headless = false;
    app.tools->editedWorld = nullptr;
    world = game.Load(Lumvek::StringView::FromCString(ScratchMap), names);
    app.tools->editedWorld = world.get();
    Platform& platform = world->platforms[1];
    ASSERT_NE(dynamic_cast<JoinedPlatformRenderable*>(platform.renderable.get()), nullptr);

    app.MoveMouse(100.0f, 100.0f);
    app.Frame();
    for (int i = 0; i < 2; ++i)
        editor->OpenEntityInspector({EntityKind::Platform, 1});
    // Apart from the platform's window, which the clicks below go to.
    app.MoveMouse(700.0f, 100.0f);
    app.Frame();
    editor->OpenEntityInspector({EntityKind::Hazard, 0});
    app.Frame();
    app.Frame();
    ASSERT_EQ(app.tools->GetInspectors().size(), 2u);
    EXPECT_TRUE(app.tools->IsWindowOpen("Platform 1"));
    EXPECT_TRUE(app.tools->IsWindowOpen("Hazard 0"));

    // The check boxes stand one frame row apart from the window's first row.
    ImGuiWindow* window = ImGui::FindWindowByName(
        ("Platform 1###Window" + std::to_string(app.tools->GetInspectors()[0]->windowId)).c_str());
    ASSERT_NE(window, nullptr);
    const float row = ImGui::GetFrameHeight() + ImGui::GetStyle().ItemSpacing.y;
    const auto clickBox = [&](int index)
    {
        app.MoveMouse(window->DC.CursorStartPos.x + 5.0f, window->DC.CursorStartPos.y + 5.0f + row * float(index));
        app.Click();
        app.Frame();
    };
    // Below the name row.
    clickBox(1);
    EXPECT_EQ(platform.hidden, 1);
    EXPECT_EQ(platform.renderable, nullptr);
    clickBox(1);
    EXPECT_EQ(platform.hidden, 0);
    EXPECT_NE(dynamic_cast<JoinedPlatformRenderable*>(platform.renderable.get()), nullptr);
    const Rectangle before = platform.GetBody().GetBounds();
    clickBox(3);
    ASSERT_EQ(platform.moving, 1);
    ASSERT_NE(platform.GetPathedBody(), nullptr);
    EXPECT_EQ(platform.GetBody().GetBounds(), before);
    EXPECT_EQ(platform.GetPathedBody()->path.size(), 1u);
    EXPECT_NE(dynamic_cast<IndependentPlatformRenderable*>(platform.renderable.get()), nullptr);

    editor->DeleteEntity({EntityKind::Platform, 1});
    editor->DeleteEntity({EntityKind::Hazard, 0});
    app.Frame();
    EXPECT_TRUE(app.tools->GetInspectors().empty());
}

// Layers are labelled by texture or colours and added as the pinned gradient; a layer's window holds its
// place in the list, which adding a layer may move, and goes with the world.
TEST_F(MapEditing, BackgroundsAreLabelledAddedAsThePinnedGradientAndFollowedByTheirWindows)
{
    const auto layer = [](uint32_t texture, Lumvek::Color bottom, Lumvek::Color top)
    {
        ThemeBackground background;
        background.texture = texture;
        background.bottomColor = bottom;
        background.topColor = top;
        return background;
    };
    const uint32_t sky = Lumvek::NameTableC().Add("EditorTestSky");
    const struct
    {
        ThemeBackground background;
        std::string label;
    } cases[] = {
        {layer(sky, Lumvek::Color::Red, Lumvek::Color::Blue), "EditorTestSky"},
        {layer(Lumvek::InvalidId, Lumvek::Color::Red, Lumvek::Color::Red), "Red"},
        {layer(Lumvek::InvalidId, Lumvek::Color::Red, Lumvek::Color{1, 2, 3, 4}), "Red -> #01020304"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MapEditor::BackgroundLabel(c.background), c.label);

    EXPECT_FALSE(editor->AddBackground());
    std::vector<ThemeBackground> layers{cases[1].background};
    game.mapBackgrounds = &layers;
    app.Frame();
    ImGuiWindow* panel = ImGui::FindWindowByName("Map");
    ASSERT_NE(panel, nullptr);
    const ImGuiID rows = ImHashStr("Window", 0, panel->ID);
    panel->StateStorage.SetInt(ImHashStr("Backgrounds", 0, rows), 1);
    app.Frame();
    const int first = 0;
    ImGui::ActivateItem(ImHashStr("Red", 0, ImHashData(&first, sizeof(first), rows)));
    app.Frame();
    app.Frame();
    ASSERT_EQ(app.tools->GetInspectors().size(), 1u);
    const Inspector& opened = *app.tools->GetInspectors()[0];
    ASSERT_EQ(opened.name, "Red");

    const ThemeBackground* before = layers.data();
    ASSERT_TRUE(editor->AddBackground());
    ASSERT_EQ(layers.size(), 2u);
    ASSERT_NE(layers.data(), before);
    const ThemeBackground& added = layers[1];
    EXPECT_EQ(added.texture, Lumvek::InvalidId);
    EXPECT_EQ(added.bottomColor, (Lumvek::Color{255, 255, 0, 255}));
    EXPECT_EQ(added.topColor, (Lumvek::Color{255, 0, 255, 255}));
    EXPECT_EQ((std::array{added.left, added.right, added.bottom, added.top}),
              (std::array{-20.0f, 20.0f, -20.0f, 20.0f}));
    EXPECT_TRUE(added.pinLeft && added.pinRight && added.pinBottom && added.pinTop);
    EXPECT_FALSE(added.scrollX || added.scrollY);
    app.Frame();
    ImGuiWindow* window = ImGui::FindWindowByName(("Red###Window" + std::to_string(opened.windowId)).c_str());
    ASSERT_NE(window, nullptr);
    ImGui::ActivateItem(
        ImHashStr("Regenerate", 0, ImHashData(&first, sizeof(first), ImHashStr("Window", 0, window->ID))));
    app.Frame();
    app.Frame();
    EXPECT_EQ(layers[0].bounds, (ThemeBounds{-16.0f, 16.0f, -9.0f, 9.0f}));

    app.tools->WorldDestroyed();
    EXPECT_TRUE(app.tools->GetInspectors().empty());
    game.mapBackgrounds = nullptr;
}

TEST(ToolsMapping, SplitScreenViewsMapCursorsAndHandlesAlike)
{
    // Two players side by side over a 1920 x 1080 window, rows counted from the top; the first view
    // is off, as while the tools camera is not in use.
    const std::vector<ToolsView> views{
        {{0.0f, 0.0f}, {32.0f, 18.0f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, false},
        {{10.0f, 5.0f}, {16.0f, 18.0f}, {960.0f, 0.0f, 960.0f, 1080.0f}, true},
    };
    const struct
    {
        Vector2 cursor;
        Vector2 world;
    } cases[] = {
        {{1440.0f, 540.0f}, {10.0f, 5.0f}},
        {{1200.0f, 270.0f}, {6.0f, 9.5f}},
        {{1900.0f, 1000.0f}, {17.666666f, -2.6666667f}},
    };
    for (const auto& c : cases)
    {
        const Vector2 world = ScreenToWorld(views, c.cursor);
        EXPECT_NEAR(world.x, c.world.x, 1e-3f);
        EXPECT_NEAR(world.y, c.world.y, 1e-3f);
        const Vector2 back = WorldToScreen(views, world);
        EXPECT_NEAR(back.x, c.cursor.x, 1e-2f);
        EXPECT_NEAR(back.y, c.cursor.y, 1e-2f);
    }
    // Outside every active view nothing is under the cursor.
    EXPECT_EQ(ScreenToWorld(views, {100.0f, 100.0f}), (Vector2{0.0f, 0.0f}));
}

TEST_F(MapEditing, ATriggerDefinitionsActionChangeReachesOnlyItsOwnTriggers)
{
    TriggerData* stand = game.ownRegistry.triggers.Find("FlagStand");
    TriggerData* gate = game.Add(game.ownRegistry.triggers, "Gate", "{}");
    ASSERT_TRUE(stand && gate);
    std::vector<Trigger*> made;
    for (TriggerData* definition : {stand, gate, stand})
    {
        const SpawnPoint at{-12.0f, -6.0f, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
        made.push_back(CreateTriggerEntity(*world, at, {1.0f, 1.0f}, {0.5f, 0.0f}, *definition));
        ASSERT_NE(made.back(), nullptr);
    }
    for (TriggerData* definition : {stand, gate})
        TriggerDataInspector::SetAction(*definition, TriggerDataInspector::Slot::Leave, TriggerAction::CheckpointAction,
                                        world.get());
    for (Trigger* trigger : made)
        EXPECT_NE(trigger->leaveAction, nullptr);

    TriggerDataInspector::SetAction(*stand, TriggerDataInspector::Slot::Leave, TriggerAction::None, world.get());
    EXPECT_EQ(stand->leaveAction, TriggerAction::None);
    EXPECT_EQ(world->triggers.Find(made[0]->id)->leaveAction, nullptr);
    EXPECT_EQ(world->triggers.Find(made[2]->id)->leaveAction, nullptr);
    EXPECT_NE(world->triggers.Find(made[1]->id)->leaveAction, nullptr);
    // Without a world only the definition changes.
    TriggerDataInspector::SetAction(*gate, TriggerDataInspector::Slot::Enter, TriggerAction::PathStartAction, nullptr);
    EXPECT_EQ(gate->enterAction, TriggerAction::PathStartAction);
    EXPECT_EQ(world->triggers.Find(made[1]->id)->enterAction, nullptr);
}

// The create modes' choices are told apart by the IDs Dear ImGui gives their combos, found by sweeping
// the mouse down the panel.
TEST_F(MapEditing, EachCreateModeShowsOnlyItsOwnChoice)
{
    app.Frame();
    ImGuiWindow* panel = ImGui::FindWindowByName("Map");
    ASSERT_NE(panel, nullptr);
    const auto combo = [panel](const char* scope)
    {
        ImGuiID id = ImHashStr(scope, 0, ImHashStr("Window", 0, panel->ID));
        const int row = 0;
        id = ImHashData(&row, sizeof(row), id);
        return ImHashStr("##Input", 0, id);
    };
    const ImGuiID hazard = combo("Hazard Region");
    const ImGuiID interaction = combo("Interaction Region");
    const ImGuiID zone = combo("Zone Region");
    const struct
    {
        uint32_t mode;
        ImGuiID shown;
    } cases[] = {{0, 0}, {1, 0}, {2, hazard}, {3, interaction}, {4, zone}};
    ImGuiContext& context = *ImGui::GetCurrentContext();
    for (const auto& c : cases)
    {
        editor->SetMode(c.mode);
        app.Frame();
        std::set<ImGuiID> hovered;
        for (float y = panel->Pos.y; y < panel->Pos.y + panel->Size.y; y += 4.0f)
        {
            app.MoveMouse(panel->Pos.x + 150.0f, y);
            app.Frame();
            hovered.insert(context.HoveredId);
        }
        for (ImGuiID choice : {hazard, interaction, zone})
            EXPECT_EQ(hovered.count(choice), choice == c.shown ? 1u : 0u) << c.mode;
    }
}

// The ImGui ID seed of a host window's rows: the window's scope, then a section's scope and its tree
// node, both of the section's name (the seed is then the node's own ID).
ImGuiID Rows(const ImGuiWindow& window, const char* section)
{
    const ImGuiID id = ImHashStr("Window", 0, window.ID);
    return section ? ImHashStr(section, 0, ImHashStr(section, 0, id)) : id;
}

ImGuiID RowInput(ImGuiID rows, int row)
{
    return ImHashStr("##Input", 0, ImHashData(&row, sizeof(row), rows));
}

ImGuiWindow* HostWindow(const Tools& tools, const std::string& name)
{
    for (const std::unique_ptr<Inspector>& inspector : tools.GetInspectors())
        if (inspector->name == name)
            return ImGui::FindWindowByName(("###Window" + std::to_string(inspector->windowId)).c_str());
    return nullptr;
}

// Moves the mouse down the window at x until the item lies under it.
bool PointAt(ToolsTesting::ToolsApplication& app, const ImGuiWindow& window, ImGuiID item, float x)
{
    for (float y = window.Pos.y; y < window.Pos.y + window.Size.y; y += 4.0f)
    {
        app.MoveMouse(x, y);
        app.Frame();
        if (ImGui::GetCurrentContext()->HoveredId == item)
            return true;
    }
    return false;
}

// Each box of a spawn point's mask, drawn in a tall test window at the right of the screen, flips its
// own bit of that point only.
TEST_F(MapEditing, EachMaskBoxFlipsItsOwnBitOnly)
{
    editor->open = 0;
    const uint32_t all = (1u << 17) - 1;
    const struct
    {
        uint32_t bits;
        const char* box;
        uint32_t expected;
    } cases[] = {{all, "Player", all & ~1u}, {0u, "Race", 1u << 16}, {all, "Team2", all & ~(1u << 10)}};
    SpawnPointInspector spawn(0);
    bool openHeader = true;
    float left = 0.0f;
    // The boxes stand three to a row.
    float third = 0.0f;
    // The check box of the case's label inside the spawn mask's scope.
    const char* box = "Player";
    ImGuiID boxId = 0;
    ToolsTesting::OpenTestWindow(*app.tools, "Under Test",
                                 [&](ToolsTesting::TestWindow&)
                                 {
                                     ImGui::SetWindowPos(ImVec2(1300.0f, 20.0f));
                                     ImGui::SetWindowSize(ImVec2(600.0f, 1040.0f));
                                     left = ImGui::GetCursorScreenPos().x;
                                     third = ImGui::GetContentRegionAvail().x / 3.0f;
                                     spawn.Draw();
                                     PropertyInput::PushScope("Spawn Mask");
                                     boxId = ImGui::GetID(box);
                                     PropertyInput::PopScope();
                                     if (openHeader)
                                         ImGui::GetStateStorage()->SetInt(ImGui::GetID("Spawn Mask"), 1);
                                     openHeader = false;
                                 });
    for (const auto& c : cases)
    {
        SpawnPoint tagged = world->GetSpawnPoints()[0];
        tagged.mask.bits = c.bits;
        world->SetSpawnPoint(0, tagged);
        box = c.box;
        app.Frame();
        app.Frame();
        bool found = false;
        for (int column = 0; column < 3 && !found; ++column)
            found = PointAt(app, *HostWindow(*app.tools, "Under Test"), boxId, left + 6.0f + third * column);
        ASSERT_TRUE(found) << c.box;
        app.Click();
        EXPECT_EQ(world->GetSpawnPoints()[0].mask.bits, c.expected) << c.box;
        EXPECT_EQ(world->GetSpawnPoints()[1].mask.bits, world->GetSpawnPoints()[2].mask.bits) << c.box;
    }
}

// Numbers typed into the rows of the real entity windows reach the world: angles within one turn, a
// moved platform's collision with it, and neither a number that overflows (39 nines), a spawn point
// outside the bounds nor a platform's negative width.
TEST_F(MapEditing, NumbersTypedIntoEntityWindowsReachTheWorld)
{
    editor->open = 0;
    Platform& stack = world->platforms[0];
    const auto points = world->GetSpawnPoints();
    const struct
    {
        EntityReference entity;
        const char* window;
        const char* section;
        int row;
        std::string typed;
        const float* value;
        float expected;
    } cases[] = {
        {{EntityKind::SpawnPoint, 0}, "Spawn Point 0", nullptr, 4, "370", &points[0].angle, 0.17453292f},
        {Pit, "Hazard 0", "Transform Body", 4, "370", &world->hazards[0].body.rotation, 0.17453292f},
        {Stack, "Platform 0", "Platform Body", 0, "5", &stack.body->x, 5.0f},
        {Stack, "Platform 0", "Platform Body", 2, "-4", &stack.body->width, 2.0f},
        {Stack, "Platform 0", "Platform Body", 0, "100", &stack.body->x, 5.0f},
        {{EntityKind::SpawnPoint, 0}, "Spawn Point 0", nullptr, 2, "0", &points[0].width, 1.0f},
        {{EntityKind::SpawnPoint, 1}, "Spawn Point 1", nullptr, 0, std::string(39, '9'), &points[1].x, -8},
        {{EntityKind::SpawnPoint, 2}, "Spawn Point 2", nullptr, 0, "1000", &points[2].x, -6},
    };
    Lumvek::Testing::LogCapture log;
    for (const auto& c : cases)
    {
        app.MoveMouse(100.0f, 100.0f);
        app.Frame();
        editor->OpenEntityInspector(c.entity);
        app.Frame();
        ImGuiWindow* window = HostWindow(*app.tools, c.window);
        ASSERT_NE(window, nullptr) << c.window;
        if (c.section)
            window->StateStorage.SetInt(Rows(*window, c.section), 1);
        app.Frame();
        ASSERT_TRUE(PointAt(app, *window, RowInput(Rows(*window, c.section), c.row),
                            window->Pos.x + PropertyInput::GetLabelWidth() + 12.0f))
            << c.window;
        app.Click();
        app.Type(c.typed);
        EXPECT_NEAR(*c.value, c.expected, 1e-4f) << c.window;
        for (const std::unique_ptr<Inspector>& inspector : app.tools->GetInspectors())
            inspector->open = 0;
    }
    // Each refusal names its entity.
    for (const char* start : {"Platform 0: the position 100", "Spawn Point 0: the size 0"})
        EXPECT_TRUE(std::ranges::any_of(log.messages, [&](const std::string& m) { return m.starts_with(start); }));
    // The moved platform collides and is found at its new place.
    EXPECT_EQ(stack.body->physicsBody->GetPosition().x, 6.0f);
    EXPECT_EQ(editor->GetEntitiesAt(*world, {6.0f, 1.0f}), (std::vector<EntityReference>{Stack}));
}

// Neither bounds typed into the panel nor a save after a load that could not place everything loses an
// entity or moves a reference: the bounds are refused, naming what they would leave out, and saves keep
// what loads left out and the platform each action named, placed or not, known or not, byte for byte.
TEST_F(MapEditing, NoBoundsTypedAndNoSaveAndReloadLosesAnEntityOrMovesAReference)
{
    app.Frame();
    ImGuiWindow* panel = ImGui::FindWindowByName("Map");
    ASSERT_NE(panel, nullptr);
    // Row 3, "Bounds Width": 5 would end the grids at x 0, leaving out the stack and all to its right.
    ASSERT_TRUE(PointAt(app, *panel, RowInput(Rows(*panel, nullptr), 3),
                        panel->Pos.x + PropertyInput::GetLabelWidth() + 12.0f));
    app.Click();
    // Said once in the log, however many frames the field holds the value, naming every one.
    Lumvek::Testing::LogCapture log;
    app.Type("5");
    for (int frame = 0; frame < 5; ++frame)
        app.Frame();
    EXPECT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(world->bounds, (Rectangle{-15.0f, -8.0f, 30.0f, 16.0f}));
    EXPECT_NE(editor->boundsProblem.find("Platform 0 \"Stack\", Platform 1 \"Left\", Platform 2 \"Right\", Hazard 0 "
                                         "\"Pit\", Hazard 1 \"Narrow\", Zone 0 \"Bog\", Spawn Point 1, Spawn Point 2 "
                                         "would lie outside"),
              std::string::npos)
        << editor->boundsProblem;

    // The same bounds written into the file by hand: the load places only the two platforms left of 0,
    // and levers naming the stack, a platform no map has and a placed one.
    std::string text = ScratchMap;
    text.replace(text.find("-15 -8 30 16"), 12, "-15 -8 5 16");
    text.insert(text.find("\"Zones\""), R"("Interactions": [
    {"Name": "A", "Position": "-9 1", "Data": "Lever", "Hit": {"Action": "PathStartAction", "Platform": "Stack"}},
    {"Name": "B", "Position": "-7 1", "Data": "Lever", "Interact": {"Action": "PathStartAction", "Platform": "Grund"}},
    {"Name": "C", "Position": "-5 1", "Data": "Lever", "Hit": {"Action": "PathStartAction", "Platform": "Left"}}], )");
    game.WriteMap(text);
    log.messages.clear();
    world = game.Load(Lumvek::StringView(text), names);
    app.tools->editedWorld = world.get();
    ASSERT_EQ(world->platforms.Count(), 2u);
    EXPECT_NE(editor->KeptNote().find("read: Platform \"Stack\", Hazard \"Pit\", Hazard \"Narrow\", Zone \"Bog\""),
              std::string::npos);
    std::vector<std::string> saves;
    for (int round = 0; round < 2; ++round)
    {
        app.Frame();
        ASSERT_TRUE(app.ClickItem("Map", ToolsTesting::WidgetId("Map", {"Window", "Save"}))) << round;
        saves.push_back(game.ReadMap());
        ASSERT_TRUE(LoadMapData(*world, names));
    }
    EXPECT_EQ(saves[0], saves[1]);
    // Every entity once, and each action's platform by the name the file gave it.
    for (const char* key : {"Name\": \"Stack", "Name\": \"Left", "Name\": \"Right", "Name\": \"Pit", "Name\": \"Narrow",
                            "Name\": \"Bog", "Name\": \"A", "Name\": \"B", "Name\": \"C", "Platform\": \"Stack",
                            "Platform\": \"Grund", "Platform\": \"Left"})
    {
        const std::string quoted = "\"" + std::string(key) + "\"";
        EXPECT_TRUE(saves[0].find(quoted) != std::string::npos && saves[0].find(quoted) == saves[0].rfind(quoted))
            << key << saves[0];
    }
    // Said once a load of each name not placed.
    EXPECT_EQ(log.StartingWith("an action names the platform").size(), 2u * 3);
}

// Bounds under a unit are refused; a create the grids refuse leaves neither a record nor a Box2D body
// behind and says why once.
TEST_F(MapEditing, BoundsUnderAUnitAndCreatesTheGridsRefuseLeaveNothing)
{
    Lumvek::Testing::LogCapture log;
    // An edge that touches an entity (the narrow hazard at x 6) keeps it inside.
    EXPECT_TRUE(editor->SetWorldBounds({-15.0f, -8.0f, 21.0f, 40.0f}));
    for (Rectangle bad : {Rectangle{0.0f, 0.0f, 0.4f, 10.0f}, Rectangle{0.0f, 0.0f, 10.0f, -1.0f},
                          Rectangle{0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN(), 10.0f}})
        EXPECT_FALSE(editor->SetWorldBounds(bad));
    EXPECT_EQ(world->bounds, (Rectangle{-15.0f, -8.0f, 21.0f, 40.0f}));
    EXPECT_EQ(log.messages.size(), 3u);

    ASSERT_TRUE(editor->SetWorldBounds({-45.0f, -8.0f, 90.0f, 16.0f}));
    log.messages.clear();
    // Past the world (and the grids, which end at 55) a create is held at the edge; one that cannot be
    // made, held over several frames, is named in the panel and leaves nothing.
    b2World& physics = *world->GetPhysics();
    const int32_t bodies = physics.GetBodyCount();
    const uint32_t platforms = world->platforms.Count();
    const uint32_t hazards = world->hazards.Count();
    app.tools->rendererViews.front().centre = {60.0f, 0.0f};
    editor->SetMode(2);
    editor->hazardChoice = 99;
    Hold(Key::Space);
    Drag({{60.1f, 1.1f}, {60.1f, 1.1f}, {60.6f, 1.6f}, {61.1f, 2.1f}});
    Release(Key::Space);
    EXPECT_EQ(world->hazards.Count(), hazards);
    EXPECT_NE(editor->createProblem.find("Hazard at 44.25 1.0 not created"), std::string::npos)
        << editor->createProblem;
    editor->SetMode(0);
    // Inside the grids but over more cells than the platform grid has nodes: taken back after all.
    ASSERT_TRUE(editor->SetWorldBounds({-300.0f, -300.0f, 600.0f, 600.0f}));
    EXPECT_EQ(editor->CreateEntity({-250.0f, -250.0f}, {500.0f, 500.0f}), EntityReference{});
    EXPECT_EQ(world->platforms.Count(), platforms);
    EXPECT_EQ(physics.GetBodyCount(), bodies);
    EXPECT_EQ(editor->CreateEntity({-250.0f, -250.0f}, {1.0f, 1.0f}).kind, EntityKind::Platform);
}

// A Delete or an arrow typed into a window's number, and a click on a window, stay in the window: the
// selection under it is neither deleted, moved nor changed.
TEST_F(MapEditing, KeysAndClicksOnAWindowLeaveTheSelectionAlone)
{
    world->AddSpawnPoint({12.0f, 5.0f, 0.0f, 0.0f, 0.0f, false, SpawnMask()});
    app.MoveMouse(100.0f, 100.0f);
    app.Frame();
    editor->OpenEntityInspector(Stack);
    app.Frame();
    ImGuiWindow* window = HostWindow(*app.tools, "Platform 0");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PointAt(app, *window, RowInput(Rows(*window, nullptr), 0),
                        window->Pos.x + PropertyInput::GetLabelWidth() + 12.0f));
    app.Click();
    editor->selected = Stack;
    app.PressKey(Key::Left);
    app.PressKey(Key::Delete);
    app.PressKey(Key::Enter);
    EXPECT_TRUE(world->platforms[0].GetBody().active);
    EXPECT_EQ(Bounds(Stack), (Rectangle{0.0f, 0.0f, 2.0f, 2.0f}));

    // The spawn point lies under the map panel.
    const ImGuiWindow* panel = ImGui::FindWindowByName("Map");
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->Rect().Contains(ImVec2(Screen({12.0f, 5.0f}).x, Screen({12.0f, 5.0f}).y)));
    Click({12.0f, 5.0f});
    EXPECT_EQ(editor->selected, Stack);
}

// The third button of the map panel's spawn list selects the third point, centres the tools camera on
// it and opens its window, once; spawn windows hold their index and close when the list moves under them.
TEST_F(MapEditing, SpawnButtonsAndWindowsShowTheirPointWhileItHoldsItsIndex)
{
    app.Frame();
    ImGuiWindow* panel = ImGui::FindWindowByName("Map");
    ASSERT_NE(panel, nullptr);
    const ImGuiID list = ImHashStr("Window", 0, panel->ID);
    panel->StateStorage.SetInt(ImHashStr("Spawn Points", 0, list), 1);
    app.Frame();
    ASSERT_TRUE(PointAt(app, *panel, ImHashStr("Spawn Point 2", 0, list), panel->Pos.x + 40.0f));
    app.Click();
    app.Frame();
    // Asked again, the editor finds the window open.
    editor->OpenEntityInspector(editor->selected);
    app.Frame();
    EXPECT_EQ(editor->selected, (EntityReference{EntityKind::SpawnPoint, 2}));
    EXPECT_EQ(Bounds(editor->selected), (Rectangle{-6.5f, 4.5f, 1.0f, 1.0f}));
    EXPECT_EQ(app.tools->camera.centre, (Vector2{-6.0f, 5.0f}));
    ASSERT_EQ(app.tools->GetInspectors().size(), 1u);
    EXPECT_EQ(app.tools->GetInspectors()[0]->name, "Spawn Point 2");

    // Deleting point 1 moves point 2 down: the windows of 1 and 2 close, the one of 0 stays.
    for (uint32_t i = 0; i < 2; ++i)
        editor->OpenEntityInspector({EntityKind::SpawnPoint, i});
    app.Frame();
    editor->DeleteEntity({EntityKind::SpawnPoint, 1});
    app.Frame();
    EXPECT_TRUE(app.tools->IsWindowOpen("Spawn Point 0"));
    EXPECT_FALSE(app.tools->IsWindowOpen("Spawn Point 1"));
    EXPECT_FALSE(app.tools->IsWindowOpen("Spawn Point 2"));
    EXPECT_EQ(world->GetSpawnPoints().size(), 2u);

    // A window whose point went by other means closes itself instead of reading past the list.
    editor->OpenEntityInspector({EntityKind::SpawnPoint, 1});
    app.Frame();
    world->RemoveSpawnPoint(1);
    app.Frame();
    app.Frame();
    EXPECT_FALSE(app.tools->IsWindowOpen("Spawn Point 1"));
    EXPECT_TRUE(app.tools->IsWindowOpen("Spawn Point 0"));
}

} // namespace
