#pragma once

#include <cstdint>
#include <memory>

struct BotState;
struct HitInfo;
class Item;
class Player;
class Weapon;

// What the world asks of the running match's rules: what a hit and a kill do, where a weapon and an
// item go when they leave play, whom a bot goes after, and the lines a player's pickups show. The
// running game mode implements it; the game system sets it in the game context beside the mode and
// clears it with it, and the world calls it only while it is set. Application thread only.
class MatchRules
{
public:
    virtual ~MatchRules() = default;

    // Health, push, flinch, rumble and shake of a hit; a hit that empties the health kills.
    virtual void DamagePlayer(Player& player, const HitInfo& hit) = 0;
    // What a client's players feel of a hit its own world sees, the health and the kill being the
    // server's: the push, the flinch, the pause of the regeneration, the rumble and the shake.
    virtual void FeelHit(Player& player, const HitInfo& hit) = 0;
    // Penalties, the feed line, the debris and death sound, and the respawn of a kill.
    virtual void KillPlayer(Player& victim, const HitInfo& hit) = 0;
    // A weapon that left play: one taken from a weapon spawn returns there in time; any other is gone.
    virtual void QueueWeaponSpawn(std::unique_ptr<Weapon> weapon) = 0;
    // The item of a pickup a client places from the server's state; null when the mode has none.
    virtual std::unique_ptr<Item> CreateItem(uint32_t itemIndex) = 0;
    // An item that left the world, or could not be put down, goes back where the mode keeps it: the
    // mode takes it out of item when it placed it, and leaves it there when it could not, for the
    // world to keep until it can.
    virtual void ReturnItem(std::unique_ptr<Item>& item) = 0;
    // A bot's choice of target and goal, each tick before it plans its path.
    virtual void ChooseBotTarget(BotState& bot) = 0;
    // The status lines of the player's own pickups: a weapon (its definition's index), and rounds of
    // ammunition taken for the weapon it holds.
    virtual void NoticeWeaponPickedUp(const Player& player, uint32_t weaponIndex) = 0;
    virtual void NoticeAmmoPickedUp(const Player& player, uint32_t rounds, uint32_t weaponIndex) = 0;
};
