#include "Source/World/MapFile.h"
#include "Source/World/World.h"
#include "Source/World/WorldHash.h"
#include "Tests/Source/World/WorldTestSupport.h"

#include <cmath>
#include <vector>

using namespace WorldTesting;

namespace
{

uint64_t Hash(const World& world)
{
    WorldHash hash;
    hash.AddWorld(world);
    return hash.Get();
}

// The hash after each of the ticks of a fresh world on the map.
std::vector<uint64_t> Replay(ShippedGame& game, uint32_t ticks)
{
    MapNames names;
    World world(game, 1);
    EXPECT_TRUE(LoadMapData(world, names));
    std::vector<uint64_t> hashes;
    for (uint32_t tick = 0; tick < ticks; ++tick)
    {
        world.Step(Lumvek::TickSeconds);
        hashes.push_back(Hash(world));
    }
    return hashes;
}

} // namespace

TEST(WorldHash, TwoWorldsSteppedAlikeHashAlikeEveryTick)
{
    ShippedGame game;
    game.Choose("Crossroads", "Meadow");
    const std::vector<uint64_t> first = Replay(game, 120);
    EXPECT_EQ(first, Replay(game, 120));
    // The lifts move, so the ticks differ from one another.
    EXPECT_NE(first.front(), first.back());
}

TEST(WorldHash, AnyBitOfAMovingPlatformChangesTheHash)
{
    ShippedGame game;
    game.Choose("Crossroads", "Meadow");
    MapNames names;
    World world(game, 1);
    ASSERT_TRUE(LoadMapData(world, names));
    PathedBody& lift = *names.platforms.Find("LeftLift")->GetPathedBody();
    const uint64_t before = Hash(world);

    lift.x = std::nextafter(lift.x, lift.x + 1.0f);
    const uint64_t nudged = Hash(world);
    EXPECT_NE(nudged, before);

    lift.x = std::nextafter(lift.x, lift.x - 1.0f);
    EXPECT_EQ(Hash(world), before);
    // Bits, not numbers: a clock at -0 is not the clock at 0.
    lift.time = 0.0f;
    const uint64_t zero = Hash(world);
    lift.time = -0.0f;
    EXPECT_NE(Hash(world), zero);
}

TEST(WorldHash, ScoresCountInTheirOrder)
{
    WorldHash first;
    first.AddScore(0, 3);
    first.AddScore(1, 2);
    WorldHash swapped;
    swapped.AddScore(1, 2);
    swapped.AddScore(0, 3);
    EXPECT_NE(first.Get(), swapped.Get());
    EXPECT_NE(first.Get(), WorldHash().Get());
}
