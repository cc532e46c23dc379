#pragma once

#include "Engine/Foundation/Lon.h"
#include "Source/Data/CharacterData.h"
#include "Source/World/Bone.h"
#include "Source/World/Character.h"
#include "Source/World/CharacterAnimations.h"
#include "Source/World/Player.h"
#include "Tests/Source/World/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace AnimationTesting
{

inline Lumvek::Blueprint Lon(Lumvek::StringView text)
{
    Lumvek::Blueprint value;
    EXPECT_TRUE(Lumvek::Lon::Parse(text, value)) << text.ToStdView();
    return value;
}

// Reads the animation from LON text.
template <class T> std::unique_ptr<T> ReadAnimation(Lumvek::StringView text)
{
    auto animation = std::make_unique<T>();
    const Lumvek::Blueprint value = Lon(text);
    Lumvek::BlueprintReader reader(value);
    animation->Read(reader);
    return animation;
}

// A Basic player in Basic parts standing on flat ground (40 by 2), with a wall (1 by 10) at x 20 to
// 21, its character's animations loaded from the checkout's Assets folder.
struct Scene
{
    explicit Scene(Lumvek::Vector2 position = {10.0f, 2.0f}, bool facingLeft = false)
        : world(game.LoadText(PlayerTesting::PlatformMap(
              R"({"Position": "0 0", "Size": "40 2"}, {"Position": "20 2", "Size": "1 10"})"))),
          player(game.AddPlayer(*world, position, game.MakeLoadout(), facingLeft))
    {
        CharacterData& character = game.ownRegistry.characters.At(0);
        character.LoadAnimations();
        player.aimDirection = facingLeft ? Lumvek::Vector2(-1.0f, 0.0f) : Lumvek::Vector2(1.0f, 0.0f);
    }

    Bone& Node(PlayerBone bone) { return *player.body.GetBone(bone); }

    PlayerTesting::PlayerGame game;
    std::unique_ptr<World> world;
    Player& player;
};

} // namespace AnimationTesting
