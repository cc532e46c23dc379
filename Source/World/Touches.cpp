// Which players touch each trigger and zone, tick by tick: the trigger's enter, stay and leave
// actions, and the zone's modifiers while a player is inside.

#include "Source/Data/ZoneData.h"
#include "Source/World/Entities.h"
#include "Source/World/World.h"

#include <algorithm>
#include <array>

namespace
{

// The players whose box overlaps the area strictly (touching edges do not count), in the order the
// player list gives them. Copied out of the list's query, since the actions they are handed to may
// query the players themselves.
struct TouchingPlayers
{
    std::array<Player*, World::PlayerCount> players{};
    uint32_t count = 0;
};

bool BoxOverlaps(const Player& player, const Lumvek::Rectangle& area)
{
    const PlayerBody& body = player.body;
    const Lumvek::Rectangle box{body.x - body.boxWidth * 0.5f, body.y, body.boxWidth, body.boxHeight};
    return EntityDetail::Overlaps(box, area);
}

TouchingPlayers FindTouchingPlayers(World& world, const Lumvek::Rectangle& area)
{
    TouchingPlayers found;
    for (Player& player : world.playerList.Query(area))
        if (BoxOverlaps(player, area) && found.count < found.players.size())
            found.players[found.count++] = &player;
    return found;
}

// The player alone, as FindTouchingPlayers would find it: the list holds active bodies only.
TouchingPlayers FindTouchingPlayer(Player& player, const Lumvek::Rectangle& area)
{
    TouchingPlayers found;
    if (player.body.active && BoxOverlaps(player, area))
        found.players[found.count++] = &player;
    return found;
}

// Marks the touches of the players found, appending the newcomers; calls stay for those already there
// and enter for the newcomers. Then calls leave for each touch no longer touching, and drops it.
// With only, the touches of other players are left as they are.
template <class Stay, class Enter, class Leave>
void Track(std::vector<Touch>& touches, const TouchingPlayers& found, Stay stay, Enter enter, Leave leave,
           const Player* only = nullptr)
{
    for (Touch& touch : touches)
        touch.touching = only && touch.player != only;
    for (uint32_t i = 0; i < found.count; ++i)
    {
        Player& player = *found.players[i];
        const auto known = std::find_if(touches.begin(), touches.end(),
                                        [&player](const Touch& touch) { return touch.player == &player; });
        if (known != touches.end())
        {
            known->touching = true;
            stay(player);
        }
        else
        {
            touches.push_back({&player, true});
            enter(player);
        }
    }
    for (size_t i = 0; i < touches.size();)
    {
        if (touches[i].touching)
        {
            ++i;
            continue;
        }
        Player& player = *touches[i].player;
        touches.erase(touches.begin() + static_cast<std::ptrdiff_t>(i));
        leave(player);
    }
}

void Run(Action* action, Player& player)
{
    if (action)
        action->Run(player);
}

} // namespace

void Trigger::UpdateTouches(World& world)
{
    const TouchingPlayers found = FindTouchingPlayers(world, body->GetBounds());
    Track(
        touches, found, [this](Player& player) { Run(stayAction.get(), player); },
        [this](Player& player) { Run(enterAction.get(), player); },
        [this](Player& player) { Run(leaveAction.get(), player); });
}

void Zone::UpdateTouches(World& world)
{
    const TouchingPlayers found = FindTouchingPlayers(world, body.GetBounds());
    if (!data)
        return;
    const Attributes& modifiers = data->modifiers;
    Track(
        touches, found, [](Player&) {}, [&modifiers](Player& player) { player.modifiers += modifiers; },
        [&modifiers](Player& player) { player.modifiers -= modifiers; });
}

void Zone::UpdateTouch(Player& player)
{
    if (!data)
        return;
    const Attributes& modifiers = data->modifiers;
    Track(
        touches, FindTouchingPlayer(player, body.GetBounds()), [](Player&) {},
        [&modifiers](Player& touching) { touching.modifiers += modifiers; },
        [&modifiers](Player& leaving) { leaving.modifiers -= modifiers; }, &player);
}

void Zone::MarkTouch(Player& player)
{
    if (!data)
        return;
    const auto none = [](Player&) {};
    Track(touches, FindTouchingPlayer(player, body.GetBounds()), none, none, none, &player);
}
