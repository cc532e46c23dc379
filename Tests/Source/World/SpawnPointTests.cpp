#include "Source/World/SpawnPoint.h"

#include "Tests/Source/World/WorldTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <set>
#include <vector>

using namespace WorldTesting;

TEST(SpawnMask, ParsesNamesInAnyCaseAndAllOnlyAsTheWholeText)
{
    struct Case
    {
        const char* text;
        uint32_t bits;
    };
    const Case cases[] = {
        {"all", 0x1ffff},
        {"ALL", 0x1ffff},
        {"All|Player", 0x1},
        {"player|team0", 0x101},
        {"Player||Jetpack", 0x1},
        {"", 0},
        {"Race|FreeForAll|Weapon5", (1u << 16) | (1u << 12) | (1u << 7)},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.text);
        SpawnMask mask;
        mask.Parse(Lumvek::StringView::FromCString(test.text));
        EXPECT_EQ(mask.bits, test.bits);
    }
    // All is written name by name, and reads back the same.
    SpawnMask all{SpawnMask::All};
    SpawnMask again;
    again.Parse(all.Write());
    EXPECT_EQ(again, all);
    EXPECT_EQ(SpawnMask{0x101}.Write(), "Player|Team0");
}

TEST(SpawnQuery, MatchesPointsThatCarryEveryTagOfTheQuery)
{
    const std::vector<SpawnPoint> points{
        {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, false, {0x1}},
        {2.0f, 0.0f, 0.0f, 0.0f, 0.0f, false, {0x201}},
        {3.0f, 0.0f, 0.0f, 0.0f, 0.0f, false, {0x203}},
    };
    const SpawnQuery query(points, SpawnMask{0x201});
    EXPECT_EQ(query.Count(), 2u);
    EXPECT_EQ(query.GetNth(0).x, 2.0f);
    EXPECT_EQ(query.GetNth(1).x, 3.0f);
    EXPECT_EQ(&query.GetNth(2), &SpawnQuery::Empty());
    EXPECT_EQ(SpawnQuery(points, SpawnMask{}).Count(), 3u);
}

TEST(SpawnQuery, TakesEveryMatchOncePerShuffledPassRepeatsUnderASeedAndFollowsTheList)
{
    std::vector<SpawnPoint> points(5);
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = {static_cast<float>(i), 0.0f, 0.0f, 0.0f, 0.0f, false, {i == 4 ? 0u : 1u}};
    auto take = [&](uint32_t seed)
    {
        Lumvek::RandomGenerator random(seed);
        SpawnQuery query(points, SpawnMask{1});
        std::vector<float> taken;
        for (int i = 0; i < 8; ++i)
            taken.push_back(query.TakeRandom(random).x);
        return taken;
    };
    const std::vector<float> taken = take(7);
    EXPECT_EQ(std::set<float>(taken.begin(), taken.begin() + 4), (std::set<float>{0, 1, 2, 3}));
    EXPECT_EQ(std::set<float>(taken.begin() + 4, taken.end()), (std::set<float>{0, 1, 2, 3}));
    EXPECT_EQ(take(7), taken);
    Lumvek::RandomGenerator random(1);
    SpawnQuery none(points, SpawnMask{2});
    EXPECT_EQ(&none.TakeRandom(random), &SpawnQuery::Empty());
    // The map editor adds and erases the world's points during a match, under its game mode's queries.
    SpawnQuery query(points, SpawnMask{1});
    query.TakeRandom(random);
    points.resize(40, points[0]);
    EXPECT_EQ(query.Count(), 39u);
    points.resize(1);
    EXPECT_EQ(&query.TakeRandom(random), &points[0]);
}

TEST(SpawnPoints, WriteOnlyWhatIsSetAndReadBackTheSame)
{
    TestGame game;
    MapNames names;
    auto world = game.Load(R"j({"WorldBounds": "0 0 10 10", "SpawnPoints": [
        {"Position": "1 2", "Mask": "Player"},
        {"Position": "3 4", "Size": "0.5 1", "Angle": "Degrees(90)", "Flipped": true, "Mask": "Objective|Team1"},
        {"Mask": 7}]})j",
                           names);
    ASSERT_EQ(world->GetSpawnPoints().size(), 3u);
    EXPECT_EQ(world->GetSpawnPoints()[2], SpawnPoint{});
    const Lumvek::Blueprint saved = Json(SaveMapText(*world, names));
    EXPECT_EQ(Text(*saved.GetObject().Find("SpawnPoints")), Text(Json(R"j([
        {"Position": "1.0 2.0", "Mask": "Player"},
        {"Position": "3.0 4.0", "Size": "0.5 1.0", "Angle": "Degrees(90.0)", "Flipped": true, "Mask": "Objective|Team1"},
        {"Position": "0.0 0.0", "Mask": ""}])j")));
    MapNames again;
    auto reloaded = game.Load(SaveMapText(*world, names), again);
    EXPECT_TRUE(std::ranges::equal(reloaded->GetSpawnPoints(), world->GetSpawnPoints()));
    EXPECT_EQ(reloaded->QuerySpawnPoints(SpawnMask{0x200}).Count(), 1u);
}
