#include "Source/World/MapCheck.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/GameTypeData.h"
#include "Source/World/BotNavigator.h"
#include "Source/World/Platform.h"
#include "Source/World/SpawnPoint.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cctype>

using namespace Lumvek;

namespace
{

using Keys = std::vector<StringView>;

const Keys RootKeys{"DisplayName", "Description", "WorldBounds", "SpawnPoints", "Entities", "Backgrounds"};
const Keys EntityKinds{"Platforms", "Hazards", "Visuals", "Zones", "Interactions"};
const Keys SpawnPointKeys{"Position", "Size", "Angle", "Flipped", "Mask"};
// A moving platform's path: its keys, and each key's value.
const Keys PathKeys{"Time", "Value"};
const Keys PathValueKeys{"Position", "Action"};
// An interaction's Interact and Hit: the action, and the platform a path start moves.
const Keys ActionKeys{"Action", "Platform"};
const Keys BackgroundKeys{"Texture", "BottomColor", "TopColor", "Left",    "Right",    "Bottom",    "Top",
                          "Depth",   "ScrollX",     "ScrollY",  "PinLeft", "PinRight", "PinBottom", "PinTop"};

// The keys the map reader takes of an element of that kind.
Keys ElementKeys(StringView kind)
{
    Keys keys{"Name", "Position", "Size", "Rotation"};
    Keys own;
    if (kind == "Platforms")
        own = {"Conveyance", "Hidden", "HotZone", "Impassable", "Moving", "OneWay", "Path"};
    else if (kind == "Hazards")
        own = {"Data", "WindDirection"};
    else if (kind == "Visuals")
        own = {"Texture", "Effect"};
    else if (kind == "Zones")
        own = {"Data"};
    else if (kind == "Interactions")
        own = {"Data", "Interact", "Hit"};
    keys.insert(keys.end(), own.begin(), own.end());
    return keys;
}

uint32_t Distance(StringView a, StringView b)
{
    std::vector<uint32_t> row(b.length + 1);
    for (uint32_t j = 0; j <= b.length; ++j)
        row[j] = j;
    for (uint32_t i = 1; i <= a.length; ++i)
    {
        uint32_t diagonal = row[0];
        row[0] = i;
        for (uint32_t j = 1; j <= b.length; ++j)
        {
            const uint32_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a.data[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b.data[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0u : 1u)});
            diagonal = above;
        }
    }
    return row[b.length];
}

class Checker
{
public:
    Checker(World& world, StringView file, StringView mode) : world(world), file(file.ToString()), mode(mode) {}

    void Say(const std::string& line) { check.lines.push_back(file + ": " + line); }
    void Refuse(const std::string& line)
    {
        Say(line);
        if (check.unplayable.empty())
            check.unplayable = line;
    }

    // Names each member of the object at path that is not among the known keys.
    void UnknownKeys(const Blueprint& object, const std::string& path, const Keys& known)
    {
        if (object.GetType() != BlueprintType::Object)
            return;
        for (const BlueprintMember& member : object.GetObject())
        {
            const StringView name = member.name.View();
            if (std::find(known.begin(), known.end(), name) != known.end())
                continue;
            Say(FormatText("{}{} is no key the map reader takes, and is skipped; the nearest is \"{}\"", path, name,
                           NearestKey(name, known)));
        }
    }

    // Names the unknown keys of each element of the array member key of object, then hands each element
    // and its path to nested for the members inside it.
    template <class Nested>
    void Elements(const Blueprint& object, StringView key, const std::string& path, const Keys& known, Nested&& nested)
    {
        const Blueprint* list = object.GetType() == BlueprintType::Object ? object.GetObject().Find(key) : nullptr;
        if (!list || list->GetType() != BlueprintType::Array)
            return;
        for (uint32_t i = 0; i < list->GetCount(); ++i)
        {
            const std::string element = FormatText("{}{}[{}].", path, key, i);
            UnknownKeys(list->GetElement(i), element, known);
            nested(list->GetElement(i), element);
        }
    }

    // The object member key of object, named by path, with its unknown keys named.
    void Member(const Blueprint& object, StringView key, const std::string& path, const Keys& known)
    {
        if (const Blueprint* member =
                object.GetType() == BlueprintType::Object ? object.GetObject().Find(key) : nullptr)
            UnknownKeys(*member, FormatText("{}{}.", path, key), known);
    }

    void AllKeys(const Blueprint& root)
    {
        const auto none = [](const Blueprint&, const std::string&) {};
        UnknownKeys(root, "", RootKeys);
        Elements(root, "SpawnPoints", "", SpawnPointKeys, none);
        Elements(root, "Backgrounds", "", BackgroundKeys, none);
        const Blueprint* entities = root.GetObject().Find("Entities");
        if (!entities || entities->GetType() != BlueprintType::Object)
            return;
        UnknownKeys(*entities, "Entities.", EntityKinds);
        for (StringView kind : EntityKinds)
            Elements(*entities, kind, "Entities.", ElementKeys(kind),
                     [&](const Blueprint& element, const std::string& path)
                     {
                         Elements(element, "Path", path, PathKeys,
                                  [&](const Blueprint& key, const std::string& at)
                                  { Member(key, "Value", at, PathValueKeys); });
                         if (kind == "Interactions")
                         {
                             Member(element, "Interact", path, ActionKeys);
                             Member(element, "Hit", path, ActionKeys);
                         }
                     });
    }

    // Whether the point's middle stands inside a platform that holds players up from every side.
    const Platform* SolidAround(const SpawnPoint& point)
    {
        const float x = point.x + point.width * 0.5f, y = point.y + point.height * 0.5f;
        for (const Platform& platform : world.platforms.View())
        {
            const Body& body = platform.GetBody();
            if (!platform.oneWay && !platform.moving && x > body.x && x < body.x + body.width && y > body.y &&
                y < body.y + body.height)
                return &platform;
        }
        return nullptr;
    }

    // The points carrying the mask's tags, each named when it stands inside a solid platform; how many stand
    // free.
    uint32_t FreePoints(const std::string& tags)
    {
        SpawnMask mask;
        mask.Parse(tags);
        uint32_t free = 0;
        for (size_t i = 0; i < world.GetSpawnPoints().size(); ++i)
        {
            const SpawnPoint& point = world.GetSpawnPoints()[i];
            if (!point.mask.Contains(mask))
                continue;
            if (SolidAround(point))
                Say(FormatText("SpawnPoints[{}] ({}) stands inside a solid platform: what spawns there is stuck", i,
                               point.mask.Write()));
            else
                ++free;
        }
        return free;
    }

    // The node a body dropped from the point lands on: the highest top below it; null for none. A point's
    // x is the middle of what stands there.
    const NavNode* Landing(const SpawnPoint& point) const
    {
        const float x = point.x;
        const NavNode* landing = nullptr;
        for (const std::unique_ptr<NavNode>& node : world.navigator.GetNodes())
            if (x > node->bounds.x && x < node->Right() && node->Top() <= point.y + 0.01f &&
                (!landing || node->Top() > landing->Top()))
                landing = node.get();
        return landing;
    }

    // Names each objective carrying the tags that bots of some side never come to: no platform of their
    // graph under it, or no way over the graph from any of that side's player spawn points, searched as
    // the bots' own navigator searches for a bot of the base attributes.
    void Reach(const std::string& tags, StringView what, const std::vector<std::string>& sides)
    {
        if (world.navigator.GetNodes().empty())
            return;
        const BotMotion motion = BotMotion::Base(world.GetContext().configuration.settings.gravity.y);
        SpawnMask mask;
        mask.Parse(tags);
        std::vector<Waypoint*> path;
        for (size_t i = 0; i < world.GetSpawnPoints().size(); ++i)
        {
            const SpawnPoint& point = world.GetSpawnPoints()[i];
            if (!point.mask.Contains(mask) || SolidAround(point))
                continue;
            const float goalX = point.x;
            const NavNode* goal = world.navigator.FindNearestNode(world, {goalX, point.y}, 2.0f, true);
            if (!goal)
            {
                Say(FormatText("SpawnPoints[{}], {}, is out of the bots' reach: no platform of their graph "
                               "lies under it; the match plays, but bots never take it",
                               i, what));
                continue;
            }
            for (const std::string& side : sides)
            {
                SpawnMask players;
                players.Parse(FormatText("Player|{}|{}", mode, side));
                bool reached = false, started = false;
                for (const SpawnPoint& start : world.GetSpawnPoints())
                    if (const NavNode* from = start.mask.Contains(players) ? Landing(start) : nullptr)
                    {
                        started = true;
                        reached = reached || world.navigator.FindPath(motion, *from, start.x, *goal, goalX, path);
                    }
                if (started && !reached)
                    Say(FormatText("SpawnPoints[{}], {}, is out of the bots' reach from {}'s spawn points: no way "
                                   "over their graph leads there; the match plays, but bots never take it",
                                   i, what, side));
            }
        }
    }

    // Whether a player's fall out of the world scores towards the win, so that a match on a map with
    // nothing to stand on still ends.
    bool FallsEndTheMatch() const
    {
        const auto* deathmatch =
            dynamic_cast<const DeathmatchConfiguration*>(world.GetContext().configuration.gameTypeSettings.get());
        return mode == "Deathmatch" && deathmatch && deathmatch->pointsPerSuicide > 0 && deathmatch->pointsToWin > 0;
    }

    // The checkpoints a race is won by; 0 for another mode.
    int32_t CheckpointsToWin() const
    {
        const auto* race =
            dynamic_cast<const RaceConfiguration*>(world.GetContext().configuration.gameTypeSettings.get());
        return race ? race->checkpointsToWin : 0;
    }

    void Objectives(uint32_t teams)
    {
        const bool freeForAll = teams == 1;
        std::vector<std::string> sides;
        for (uint32_t team = 0; team < teams; ++team)
            sides.push_back(freeForAll ? std::string("FreeForAll") : FormatText("Team{}", team));
        for (uint32_t team = 0; team < teams; ++team)
        {
            const std::string& side = sides[team];
            const std::string players = FormatText("Player|{}|{}", mode, side);
            if (FreePoints(players) == 0)
                Refuse(FormatText("SpawnPoints: no player spawn point for {} in {} (a point whose Mask holds {} "
                                  "and stands clear of solid platforms)",
                                  side, mode, players));
            std::string objective;
            if (mode == "CaptureTheFlag")
                objective = FormatText("CaptureTheFlag|Objective|Team{}", team);
            else if (mode == "Race")
                objective = FormatText("Race|Objective|{}", side);
            if (objective.empty())
                continue;
            const uint32_t free = FreePoints(objective);
            if (free == 0)
                Refuse(FormatText("SpawnPoints: no {} for {} in {} (a point whose Mask holds {})",
                                  mode == "Race" ? "checkpoint" : "flag", side, mode, objective));
            else if (const int32_t toWin = CheckpointsToWin(); mode == "Race" && free < static_cast<uint32_t>(toWin))
                // Each checkpoint counts once, in its order: a side that took them all has no next one.
                Refuse(FormatText("SpawnPoints: {} checkpoints for {} in Race (points whose Mask holds {}), fewer "
                                  "than the configuration's CheckpointsToWin, {}: nobody could win",
                                  free, side, objective, toWin));
            // A flag is taken by every other side and brought home by its own; a checkpoint is its own side's.
            if (mode == "Race")
                Reach(objective, "a checkpoint", {side});
            else
                Reach(objective, "a flag", sides);
        }
        if (mode == "Keepaway")
        {
            // The token comes from the race's free-for-all checkpoints.
            const std::string token = "Race|Objective|FreeForAll";
            if (FreePoints(token) == 0)
                Refuse(FormatText("SpawnPoints: no token for Keepaway (a point whose Mask holds {})", token));
            Reach(token, "the token", sides);
        }
    }

    MapCheck Run(const Blueprint& root, uint32_t teams)
    {
        if (root.GetType() != BlueprintType::Object)
            return std::move(check);
        if (!root.GetObject().Find("WorldBounds"))
            Refuse("WorldBounds is missing: the world would be 1 x 1 and place nothing (write \"WorldBounds\": "
                   "\"x y width height\")");
        AllKeys(root);
        if (world.platforms.View().empty() && FallsEndTheMatch())
            Say("Entities.Platforms holds no platform: players fall until they die, and the first falls end the "
                "match");
        else if (world.platforms.View().empty())
            Refuse("Entities.Platforms holds no platform: players would fall until they die, over and over, and "
                   "the match would never end");
        if (!mode.IsEmpty())
            Objectives(teams);
        return std::move(check);
    }

private:
    World& world;
    std::string file;
    StringView mode;
    MapCheck check;
};

} // namespace

std::string NearestKey(StringView key, const std::vector<StringView>& known)
{
    StringView nearest;
    uint32_t best = UINT32_MAX;
    for (StringView candidate : known)
        if (const uint32_t distance = Distance(key, candidate); distance < best)
        {
            best = distance;
            nearest = candidate;
        }
    return nearest.ToString();
}

MapCheck CheckMap(World& world, StringView file, StringView mode)
{
    const uint32_t teams = std::clamp(world.GetContext().configuration.teamCount, 1u, 4u);
    return Checker(world, file, mode).Run(world.mapFile.file, teams);
}
