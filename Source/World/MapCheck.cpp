#include "Source/World/MapCheck.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Pattern.h"
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

    void Keys(const Blueprint& root)
    {
        UnknownKeys(root, "", RootKeys);
        if (const Blueprint* points = root.GetObject().Find("SpawnPoints");
            points && points->GetType() == BlueprintType::Array)
            for (uint32_t i = 0; i < points->GetCount(); ++i)
                UnknownKeys(points->GetElement(i), FormatText("SpawnPoints[{}].", i), SpawnPointKeys);
        const Blueprint* entities = root.GetObject().Find("Entities");
        if (!entities || entities->GetType() != BlueprintType::Object)
            return;
        UnknownKeys(*entities, "Entities.", EntityKinds);
        for (StringView kind : EntityKinds)
            if (const Blueprint* list = entities->GetObject().Find(kind);
                list && list->GetType() == BlueprintType::Array)
                for (uint32_t i = 0; i < list->GetCount(); ++i)
                    UnknownKeys(list->GetElement(i), FormatText("Entities.{}[{}].", kind, i), ElementKeys(kind));
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
        for (size_t i = 0; i < world.spawnPoints.size(); ++i)
        {
            const SpawnPoint& point = world.spawnPoints[i];
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

    // Objectives with no platform of the bots' graph under them, which bots never come to.
    void Reach(const std::string& tags, StringView what)
    {
        if (world.navigator.GetNodes().empty())
            return;
        SpawnMask mask;
        mask.Parse(tags);
        for (size_t i = 0; i < world.spawnPoints.size(); ++i)
        {
            const SpawnPoint& point = world.spawnPoints[i];
            if (point.mask.Contains(mask) && !world.navigator.FindNearestNode(world, {point.x, point.y}, 2.0f, true))
                Say(FormatText("SpawnPoints[{}], {}, is out of the bots' reach: no platform of their graph "
                               "lies under it; the match plays, but bots never take it",
                               i, what));
        }
    }

    void Objectives(uint32_t teams)
    {
        const bool freeForAll = teams == 1;
        for (uint32_t team = 0; team < teams; ++team)
        {
            const std::string side = freeForAll ? std::string("FreeForAll") : FormatText("Team{}", team);
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
            if (FreePoints(objective) == 0)
                Refuse(FormatText("SpawnPoints: no {} for {} in {} (a point whose Mask holds {})",
                                  mode == "Race" ? "checkpoint" : "flag", side, mode, objective));
            Reach(objective, mode == "Race" ? StringView("a checkpoint") : StringView("a flag"));
        }
        if (mode == "Keepaway")
        {
            // The token comes from the race's free-for-all checkpoints.
            const std::string token = "Race|Objective|FreeForAll";
            if (FreePoints(token) == 0)
                Refuse(FormatText("SpawnPoints: no token for Keepaway (a point whose Mask holds {})", token));
            Reach(token, "the token");
        }
    }

    MapCheck Run(const Blueprint& root, uint32_t teams)
    {
        if (root.GetType() != BlueprintType::Object)
            return std::move(check);
        if (!root.GetObject().Find("WorldBounds"))
            Refuse("WorldBounds is missing: the world would be 1 x 1 and place nothing (write \"WorldBounds\": "
                   "\"x y width height\")");
        Keys(root);
        if (world.platforms.View().empty())
            // Named but not refused: matches that end by falls alone (the network tests' maps) rely on it.
            Say("Entities.Platforms holds no platform: players fall until they die, over and over");
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
