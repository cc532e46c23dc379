// The game editor over a match of the shipped definitions: live projectiles and players picked,
// shown and deleted through the tools' frame.

#include "Source/Data/WeaponData.h"
#include "Source/GameTypes/CaptureTheFlag.h"
#include "Source/Tools/Editors/GameEditor.h"
#include "Source/World/DynamicBody.h"
#include "Source/World/EntityFactory.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"
#include "Tests/Source/Tools/ToolsTesting.h"
#include "Tests/Source/World/WeaponTestSupport.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

namespace
{

using Lumvek::Key;
using Lumvek::Vector2;

TEST(GameEditor, PicksShowsAndDeletesLiveEntities)
{
    WeaponTesting::Match match;
    World& world = match.LoadText(WeaponTesting::PlatformMapWithSpawn(R"({"Position": "0 0", "Size": "40 2"})"));
    Player& player = match.AddPlayer({5.0f, 2.0f});
    WeaponData gun;
    gun.speed = 1.0f;
    gun.lifetime.ticks = 300;
    gun.projectile = match.ownRegistry.projectiles.Find("Bullet");
    ASSERT_NE(gun.projectile, nullptr);
    const SpawnPoint from{20.0f, 10.0f, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
    Projectile* projectile = CreateProjectileEntity(world, 0.0f, gun.speed, from, gun, nullptr);
    ASSERT_NE(projectile, nullptr);

    ToolsTesting::ToolsApplication app;
    app.tools->editedWorld = &world;
    // The whole window shows 0..32 by 0..18.
    app.tools->rendererViews = {{{16.0f, 9.0f}, {32.0f, 18.0f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, true}};
    auto* editor = static_cast<GameEditor*>(app.tools->FindEditor("Game"));
    ASSERT_NE(editor, nullptr);
    editor->open = 1;

    // Picking at the projectile, then at the player.
    const Lumvek::Rectangle shot = projectile->GetBody().GetBounds();
    const Vector2 shotCentre{shot.x + shot.width / 2.0f, shot.y + shot.height / 2.0f};
    EXPECT_EQ(editor->GetEntitiesAt(world, shotCentre),
              (std::vector<EntityReference>{{EntityKind::Projectile, projectile->id}}));
    const Lumvek::Rectangle standing = player.GetBody().GetBounds();
    EXPECT_EQ(editor->GetEntitiesAt(world, {standing.x + standing.width / 2.0f, standing.y + standing.height / 2.0f}),
              (std::vector<EntityReference>{{EntityKind::Player, player.index}}));

    // The list's button: selects, moves the tools camera to it and opens its window.
    editor->Show({EntityKind::Projectile, projectile->id}, {projectile->GetBody().x, projectile->GetBody().y});
    app.Frame();
    EXPECT_EQ(app.tools->camera.centre, (Vector2{projectile->GetBody().x, projectile->GetBody().y}));
    EXPECT_TRUE(app.tools->IsWindowOpen("Projectile " + std::to_string(projectile->id)));

    // Delete on the selected player takes it out of play at once, out of the match with its figure at
    // the end of the tick, and closes its window.
    editor->Show({EntityKind::Player, player.index}, {player.GetBody().x, player.GetBody().y});
    app.Frame();
    EXPECT_TRUE(app.tools->IsWindowOpen("Player " + std::to_string(player.index)));
    ASSERT_NE(player.visual, nullptr);
    app.MoveMouse(10.0f, 1070.0f);
    app.PressKey(Key::Delete);
    EXPECT_EQ(editor->selected, EntityReference{});
    EXPECT_EQ(world.playerList.Query(standing).count, 0u);
    world.Step(Lumvek::TickSeconds);
    EXPECT_TRUE(world.activePlayers.empty());
    EXPECT_FALSE(player.present);
    EXPECT_EQ(player.visual, nullptr);
    EXPECT_FALSE(app.tools->IsWindowOpen("Player " + std::to_string(player.index)));
    EXPECT_TRUE(app.tools->IsWindowOpen("Projectile " + std::to_string(projectile->id)));
    app.tools->editedWorld = nullptr;
}

// Box2D simulates a grenade from its own body, which would pull the grenade back to where it was
// picked up from on the next step.
TEST(GameEditor, AMovedGrenadeFliesOnFromItsNewPlace)
{
    WeaponTesting::Match match;
    World& world = match.LoadText(WeaponTesting::PlatformMapWithSpawn(""));
    WeaponData launcher;
    launcher.speed = 5.0f;
    launcher.lifetime.ticks = 300;
    launcher.projectile = match.ownRegistry.projectiles.Find("Grenade");
    ASSERT_NE(launcher.projectile, nullptr);
    const SpawnPoint from{10.0f, 10.0f, 0.0f, 0.0f, 0.0f, false, SpawnMask()};
    Projectile* grenade = CreateProjectileEntity(world, 0.0f, launcher.speed, from, launcher, nullptr);
    ASSERT_NE(grenade, nullptr);
    auto* body = dynamic_cast<DynamicBody*>(&grenade->GetBody());
    ASSERT_NE(body, nullptr);
    world.Step(Lumvek::TickSeconds);
    ASSERT_NE(body->physicsBody, nullptr);
    const b2Vec2 velocity = body->physicsBody->GetLinearVelocity();

    ToolsTesting::ToolsApplication app;
    app.tools->editedWorld = &world;
    auto* editor = static_cast<GameEditor*>(app.tools->FindEditor("Game"));
    ASSERT_NE(editor, nullptr);
    const EntityReference reference{EntityKind::Projectile, grenade->id};
    Lumvek::Rectangle moved = editor->GetEntityBounds(reference);
    moved.x += 6.0f;
    moved.y += 3.0f;
    editor->SetEntityBounds(reference, moved);
    editor->RefreshEntity(reference);

    ASSERT_NE(body->physicsBody, nullptr);
    const Vector2 centre = body->GetCenter();
    EXPECT_NEAR(body->physicsBody->GetPosition().x, centre.x, 1e-4f);
    EXPECT_NEAR(body->physicsBody->GetPosition().y, centre.y, 1e-4f);
    EXPECT_NEAR(body->physicsBody->GetLinearVelocity().x, velocity.x, 1e-4f);
    EXPECT_NEAR(body->physicsBody->GetLinearVelocity().y, velocity.y, 1e-4f);
    world.Step(Lumvek::TickSeconds);
    EXPECT_NEAR(body->x, moved.x + velocity.x * Lumvek::TickSeconds, 0.1f);
    app.tools->editedWorld = nullptr;
}

// A deleted pickup's item goes back to the mode holding it, as the match's own removal does.
TEST(GameEditor, ADeletedFlagOrTokenPickupGoesBackToItsModeAndHome)
{
    for (const char* mode : {"CaptureTheFlag", "Keepaway"})
    {
        MatchTesting::Match match;
        match.UseMode(Lumvek::StringView::FromCString(mode));
        match.AddLocal(0, 0, 0);
        match.AddLocal(1, 1, 1);
        World& world = match.Load("Hilltop");
        match.CreateRules();
        match.Begin();
        match.Tick();
        ToolsTesting::ToolsApplication app;
        app.tools->editedWorld = &world;
        std::vector<const Item*> items;
        EntityReference first;
        for (Pickup& pickup : world.pickups.View())
            if (pickup.item && pickup.body->active && items.emplace_back(pickup.item.get()) == items.front())
                first = {EntityKind::Pickup, pickup.id};
        ASSERT_FALSE(items.empty()) << mode;
        static_cast<GameEditor*>(app.tools->FindEditor("Game"))->DeleteEntity(first);
        match.Tick(60);
        // Each item is placed again, as one pickup owns it.
        const auto placed = [&](const Pickup& p) { return p.body->active && std::ranges::count(items, p.item.get()); };
        EXPECT_EQ(std::ranges::count_if(world.pickups.View(), placed), std::ssize(items)) << mode;
        const auto* flags = dynamic_cast<CaptureTheFlag*>(match.rules.get());
        EXPECT_TRUE(!flags || flags->GetFlags().front()->atHome);
        app.tools->editedWorld = nullptr;
    }
}

} // namespace
