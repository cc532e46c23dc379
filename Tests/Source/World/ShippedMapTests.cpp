// The shipped maps played on foot: a scripted player of the heaviest shipped loadout walks, jumps and
// drops from every spawn area of a map to every other, without the lifts and updrafts, which bots do
// not use.

#include "Tests/Source/World/PlayerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

using Lumvek::Rectangle;
using PlayerTesting::PlayerGame;

namespace
{

// One scripted attempt from a standing start: which way to move and from which tick on, and whether
// to jump (held for the whole hang) or to drop through the platform stood on.
struct Maneuver
{
    int direction = 0;
    int moveDelay = 0;
    bool jump = false;
    bool drop = false;
};

const std::vector<Maneuver>& Maneuvers()
{
    static const std::vector<Maneuver> maneuvers = []
    {
        std::vector<Maneuver> all;
        for (int direction : {-1, 1})
            all.push_back({direction, 0, false, false});
        for (int direction : {-1, 0, 1})
            for (int delay : {0, 10, 20})
                if (direction != 0 || delay == 0)
                    all.push_back({direction, delay, true, false});
        all.push_back({0, 0, false, true});
        return all;
    }();
    return maneuvers;
}

// The map with its platforms that stand still, and the player who explores it. Lifts are stopped and
// taken out of the world, and hazards switched off: the routes found are those on foot.
class Explorer
{
public:
    Explorer(PlayerGame& game, Lumvek::StringView map) : world(game.LoadShipped(map))
    {
        for (Platform& platform : world->platforms.View())
        {
            if (PathedBody* lift = platform.GetPathedBody())
            {
                // Stopped, the lift stays out of play: nothing here starts it again.
                lift->stopped = 1;
                lift->active = 0;
            }
            else if (!platform.hidden)
                platforms.push_back(&platform);
        }
        for (Hazard& hazard : world->GetHazards())
            hazard.body.active = 0;
        player = &game.AddPlayer(*world, {1.0f, 30.0f}, game.MakeLoadout("Helmet", "Breastplate"));
    }

    // The platform a spawn point stands on; null when none is right under it.
    const Platform* PlatformUnder(const SpawnPoint& point) const
    {
        for (const Platform* platform : platforms)
        {
            const Rectangle b = platform->body->GetBounds();
            if (std::fabs(b.y + b.height - point.y) < 0.01f && point.x > b.x && point.x < b.x + b.width)
                return platform;
        }
        return nullptr;
    }

    // The platforms reachable from the start, each with the attempt that first reached it.
    std::set<const Platform*> Reachable(const Platform* start)
    {
        std::set<const Platform*> reached{start};
        std::vector<const Platform*> open{start};
        while (!open.empty())
        {
            const Platform* from = open.back();
            open.pop_back();
            for (const Platform* to : Neighbours(from))
                if (reached.insert(to).second)
                    open.push_back(to);
        }
        return reached;
    }

    std::string Name(const Platform* platform) const
    {
        const Rectangle b = platform->body->GetBounds();
        return "platform at " + std::to_string(b.x) + " " + std::to_string(b.y) + " (" + std::to_string(b.width) +
               " by " + std::to_string(b.height) + ")";
    }

    std::unique_ptr<World> world;

private:
    // Where to start attempts on the platform: its ends, and around the ends of every platform near it.
    std::vector<float> StartPoints(const Platform* from) const
    {
        const Rectangle b = from->body->GetBounds();
        const float left = b.x + 0.2f;
        const float right = b.x + b.width - 0.2f;
        std::vector<float> points{left, right};
        for (const Platform* other : platforms)
        {
            const Rectangle o = other->body->GetBounds();
            const float top = b.y + b.height;
            if (other == from || o.y + o.height < top - 6.0f || o.y + o.height > top + 3.0f)
                continue;
            for (float x : {o.x - 1.5f, o.x - 0.5f, o.x + 0.3f, o.x + o.width * 0.5f, o.x + o.width - 0.3f,
                            o.x + o.width + 0.5f, o.x + o.width + 1.5f})
                if (x >= left && x <= right)
                    points.push_back(x);
        }
        std::sort(points.begin(), points.end());
        points.erase(std::unique(points.begin(), points.end()), points.end());
        return points;
    }

    const std::set<const Platform*>& Neighbours(const Platform* from)
    {
        auto found = neighbours.find(from);
        if (found != neighbours.end())
            return found->second;
        std::set<const Platform*>& reached = neighbours[from];
        const Rectangle b = from->body->GetBounds();
        for (float x : StartPoints(from))
            for (const Maneuver& maneuver : Maneuvers())
                if (const Platform* landed = Try({x, b.y + b.height}, from, maneuver))
                    if (landed != from)
                        reached.insert(landed);
        return reached;
    }

    // Where the attempt ends: the platform the player stands on after it left the ground and came
    // down again; null when it never did.
    const Platform* Try(Lumvek::Vector2 start, const Platform* from, const Maneuver& maneuver)
    {
        PlayerBody& body = player->body;
        body.Reset(start, maneuver.direction < 0);
        player->input = PlayerInput();
        player->input.aimX = static_cast<int8_t>(maneuver.direction < 0 ? -127 : 127);
        PlayerTesting::Step(*world, 2);
        if (body.GetContact(CollisionSide::Bottom).platform != from)
            return nullptr;
        bool airborne = false;
        for (int tick = 0; tick < 240; ++tick)
        {
            if (tick >= maneuver.moveDelay)
                player->input.move = static_cast<int8_t>(127 * maneuver.direction);
            player->input[PlayerAction::Jump] = maneuver.jump || (maneuver.drop && tick == 0);
            player->input[PlayerAction::FallThrough] = maneuver.drop && tick == 0;
            PlayerTesting::Step(*world);
            const Platform* ground = body.GetContact(CollisionSide::Bottom).platform;
            airborne = airborne || !ground;
            if (airborne && ground && body.velocity.y == 0.0f)
                return ground;
            if (!airborne && tick > 60)
                return nullptr;
        }
        return nullptr;
    }

    std::vector<const Platform*> platforms;
    std::map<const Platform*, std::set<const Platform*>> neighbours;
    Player* player = nullptr;
};

} // namespace

class ShippedMapOnFoot : public testing::TestWithParam<const char*>
{
};

TEST_P(ShippedMapOnFoot, EverySpawnAreaReachesEveryOtherOnFootWithTheHeaviestLoadout)
{
    PlayerGame game;
    Explorer explorer(game, std::string(GetParam()));
    std::set<const Platform*> areas;
    for (const SpawnPoint& point : explorer.world->GetSpawnPoints())
    {
        if (!(point.mask.bits & 1u))
            continue;
        const Platform* area = explorer.PlatformUnder(point);
        ASSERT_NE(area, nullptr) << "a spawn point at " << point.x << " " << point.y << " stands on nothing";
        areas.insert(area);
    }
    ASSERT_GE(areas.size(), 2u);
    for (const Platform* from : areas)
    {
        const std::set<const Platform*> reached = explorer.Reachable(from);
        for (const Platform* to : areas)
            EXPECT_TRUE(reached.count(to)) << "from the " << explorer.Name(from) << " to the " << explorer.Name(to);
    }
}

INSTANTIATE_TEST_SUITE_P(Maps, ShippedMapOnFoot, testing::Values("Crossroads", "Hilltop"));
