// The tools over a windowed game on the recording device: their view among the renderer's, and the
// windows on the match's objects when the match is left.

#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/RecordingGraphicsDevice.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/Network/LocalNetwork.h"
#include "Source/Tools/Inspectors/CharacterDataInspector.h"
#include "Source/Tools/Inspectors/Inspector.h"
#include "Source/World/Player.h"
#include "Tests/Source/Game/GameTestSupport.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace GameTesting;

struct ToolsMatch : GameFixture
{
    ToolsMatch() : GameFixture(false)
    {
        auto recording = std::make_unique<Lumvek::RecordingGraphicsDevice>(&application->GetResources());
        device = recording.get();
        application->SetGraphicsDevice(std::move(recording));
        tools = static_cast<Tools*>(application->AddSystem(std::make_unique<Tools>()));
        tools->Setup();
        Start();
        const GameConfiguration* chosen = game->registry->configurations.Find("Default");
        EXPECT_NE(chosen, nullptr);
        if (chosen)
            game->configuration = *chosen;
        game->configuration.players.emplace_back(nullptr, 0);
    }

    // The game's frame, then the tools', then the device's replay.
    void DrawnFrame()
    {
        Frame();
        tools->Render(Vantorel_::StepLength);
        const auto lock = device->Lock();
        device->ExecuteCommands();
        device->GetCommands().clear();
    }

    Lumvek::RecordingGraphicsDevice* device = nullptr;
    Tools* tools = nullptr;
};

TEST(ToolsMatch, TheToolsViewComesFirstAndTakesOverFromThePlayersWhileInUse)
{
    ToolsMatch match;
    Vantorel_& game = *match.game;
    ASSERT_EQ(game.tools, match.tools);
    ASSERT_TRUE(match.tools->IsLoaded());
    game.StartLocalGame()->BeginVoting();
    for (int frame = 0; frame < 5000 && game.GetMatchFlow() != MatchFlow::PlayBegun; ++frame)
        match.DrawnFrame();
    GameRenderer* renderer = game.GetRenderer();
    ASSERT_NE(renderer, nullptr);
    ASSERT_EQ(renderer->views.size(), 2u);
    CameraView& toolsView = match.tools->GetCameraView();
    EXPECT_EQ(renderer->views[0], &toolsView);
    EXPECT_EQ(toolsView.player, nullptr);
    match.DrawnFrame();
    EXPECT_EQ(toolsView.active, 0);
    EXPECT_EQ(renderer->views[1]->active, 1);
    // The views as the tools see them, in window rows from the top.
    ASSERT_EQ(match.tools->rendererViews.size(), 2u);
    EXPECT_EQ(match.tools->rendererViews[1].viewport, (Lumvek::Rectangle{0.0f, 0.0f, 1920.0f, 1080.0f}));

    match.tools->cameraInUse = true;
    match.tools->camera.centre = {3.0f, 4.0f};
    match.DrawnFrame();
    match.DrawnFrame();
    EXPECT_EQ(toolsView.active, 1);
    EXPECT_EQ(renderer->views[1]->active, 0);
    EXPECT_EQ(toolsView.Position(), (Lumvek::Vector2{3.0f, 4.0f}));
    // What the mouse picks is what the tools camera shows.
    Lumvek::MouseState mouse;
    mouse.position = {960.0f, 540.0f};
    EXPECT_EQ(match.tools->ScreenToWorld(mouse), (Lumvek::Vector2{3.0f, 4.0f}));

    match.tools->cameraInUse = false;
    match.DrawnFrame();
    match.DrawnFrame();
    EXPECT_EQ(toolsView.active, 0);
    EXPECT_EQ(renderer->views[1]->active, 1);

    // The world is the match loader's while it fills it: the tools keep off it until then.
    for (int frame = 0; frame < 5000 && game.load.GetState() != LoadState::RenderResourcesLoaded; ++frame)
        match.DrawnFrame();
    ASSERT_EQ(match.tools->GetWorld(), game.world);
    // Nor do the resource windows read the tables a loader adds to; once it is done they look again.
    Lumvek::ResourceTable table;
    const HeldResource<Lumvek::Texture> held(table.CreateTexture(5));
    table.Destroy(5);
    game.load.SetState(LoadState::MatchLoading);
    EXPECT_EQ(match.tools->GetWorld(), nullptr);
    EXPECT_TRUE(held.IsHeld());
    game.load.SetState(LoadState::RenderResourcesLoaded);
    EXPECT_FALSE(held.IsHeld());

    bool closed = false;
    ToolsTesting::OpenTestWindow(*match.tools, "Player 0", {}, true).destroyed = &closed;
    game.LeaveGame();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(match.tools->rendererViews.empty());
}

// The game goes before the tools when the program ends: a character window opened outside a match, whose
// closing turns the definition back, closes while the registry still holds the character.
TEST(ToolsMatch, WindowsOnDefinitionsCloseBeforeTheGameTakesItsRegistry)
{
    ToolsMatch match;
    CharacterData* basic = match.game->registry->characters.Find("Basic");
    ASSERT_NE(basic, nullptr);
    auto window = std::make_unique<CharacterDataInspector>(basic);
    window->SetFlipped(true);
    match.tools->OpenWindow("Basic", std::move(window));
}

} // namespace
