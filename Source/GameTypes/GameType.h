#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Random.h"
#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/World/EntityStorage.h"
#include "Source/World/MatchRules.h"
#include "Source/World/SpawnPoint.h"
#include "Source/World/World.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class Bone;
class GameContext;
class GameTypeData;
class Item;
class Player;
struct Trigger;
class Weapon;
class World;
struct BotState;
struct HitInfo;
struct Trigger;

// A team's or a player's score: the team number (a player index in a free-for-all) or the player
// index, and the points.
struct ScoreEntry
{
    uint8_t index = 0;
    int32_t score = 0;

    bool operator==(const ScoreEntry&) const = default;
};

// One line of text for the players' screens: the kind picks the format in the list of its class, a, b
// and c fill it (player indices, team numbers, definition indices, counts), and player and team say
// who sees it.
struct GameTypeEvent
{
    static constexpr uint32_t NoArgument = 511;
    static constexpr uint8_t EveryPlayer = World::PlayerCount;
    static constexpr uint8_t EveryTeam = 4;
    // How long a line stays on screen when posted: 3 s.
    static constexpr int32_t ShownTicks = 180;

    uint32_t kind = 0;
    uint32_t a = NoArgument;
    uint32_t b = NoArgument;
    uint32_t c = NoArgument;
    uint8_t player = EveryPlayer;
    uint8_t team = EveryTeam;
    int32_t ticks = ShownTicks;
    // Empty until the game type formats it; a kind the mode does not know stays empty.
    std::string text;
};

// The three classes of lines: events are queued per screen and shown one after the other, a status
// line replaces the screen's last one, feed lines are shared by every screen and shown together.
enum class GameTypeEventClass : uint32_t
{
    Event,
    Status,
    Feed,
};

// The rules of one running match: team and player scores, the lines each local screen shows, where
// players spawn and respawn, the weapons lying at the map's weapon spawns, what hits and kills do, and
// when the match ends. Exactly one exists while a match runs, made through its mode's definition when
// the game starts and owned by the game system, which hands it the match's context; each mode derives
// from it. A local game and a server run the full rules; a client runs the common part and receives
// events, scores, spawns and kills from the server. The world reaches it as its MatchRules.
// Application thread only.
class GameType : public MatchRules
{
public:
    static constexpr uint32_t ScreenCount = 4;
    static constexpr uint32_t WeaponSpawnCount = GameConfiguration::WeaponSpawnCount;
    // A spawning player shows for this long before it takes part in the match.
    static constexpr float SpawnInSeconds = 2.0f;
    // The furthest a hit leans a player, either way: 40 degrees.
    static constexpr float MaximumFlinch = 0.6981317f;
    // Vibration strengths a hit sets are capped here.
    static constexpr float MaximumRumble = 65.0f;

    // The formats shared by every mode, registered first by every game type in this order.
    static constexpr const char* PickedUpAmmoFormat = "PICKED UP {} {} AMMO";
    static constexpr const char* PickedUpWeaponFormat = "PICKED UP A {}";
    static constexpr const char* DiedFormat = "{}{} #414042FFDIED";
    static constexpr const char* KilledFormat = "{}{} #414042FFKILLED {}{}";

    // A player waiting to respawn, and the seconds left.
    struct Respawn
    {
        Player* player = nullptr;
        float seconds = 0.0f;
    };
    // A player shown spawning in: the seconds left and the visuals that show it.
    struct SpawnIn
    {
        Player* player = nullptr;
        float seconds = 0.0f;
        std::vector<EntityId> visuals;
    };
    // A weapon taken from a weapon spawn, waiting to lie there again.
    struct WeaponRespawn
    {
        std::unique_ptr<Weapon> weapon;
        float seconds = 0.0f;
    };

    // The definition is the registry's game type the configuration names. The player scores get an
    // entry per player slot (local, remote, bots); the team scores one per team, or per player in a
    // free-for-all.
    GameType(GameContext& context, uint32_t seed);
    GameType(const GameType&) = delete;
    GameType& operator=(const GameType&) = delete;
    // Stops the ambience.
    ~GameType() override;

    // When play begins on a local game or a server: the spawn queries of the players, the
    // configuration's attribute settings on every player, each player at a spawn point, the ambience.
    virtual void Start();
    // Plays the ambience again, unless headless.
    virtual void RestartAmbience();
    // When play is prepared on a local game or a server: every player spawning in, and the weapons at
    // their spawns. Modes add their objectives after these.
    virtual void SetupObjectives();
    // What a client does instead of SetupObjectives: every player spawning in.
    virtual void ResetPlayers();
    // Ends the match and has the network role record it and enter its ending. Once ended, nothing.
    virtual void EndAndNotify();
    // Ends the match where it is: scores freeze.
    virtual void End();
    // The full rules of one tick (local game, server): spawn-ins, respawns, weapon spawns, lines.
    virtual void Update(float dt);
    // A client's tick: spawn-ins and lines.
    virtual void UpdateCommon(float dt);
    // A bot's choice of target and goal, each tick before it plans its path: the base makes for the
    // first local player's platform and aims at the player on it; without a local player (a
    // dedicated server, a headless match) it hunts as deathmatch bots do (BotTargets.cpp).
    void ChooseBotTarget(BotState& bot) override;
    // The item of a pickup a client places from the server's state; the modes without items give none.
    std::unique_ptr<Item> CreateItem(uint32_t itemIndex) override;
    // How far a score has come towards the mode's target, from 0 to 1.
    virtual float GetProgress(int32_t score) const = 0;
    // An item that left the world, or could not be put down, goes back where the mode keeps it: the
    // mode takes it out of item when it placed it, and leaves it there when it could not (no pickup
    // free), for the world to keep until it can. A mode without items drops it.
    void ReturnItem(std::unique_ptr<Item>& item) override;
    // Where a player appears: the next point of a shuffled pass over the query.
    virtual const SpawnPoint& ChooseSpawn(Player& player, SpawnQuery& query);
    // Where a wandering bot goes instead of the node the draw (a fraction from 0 to 1 of the game's
    // generator) picks: false for the node; the modes with places to reach name them.
    virtual bool FindWanderPoint(const Player&, float, Lumvek::Vector2&) { return false; }
    // Fill a line's text from its format and arguments; kinds a mode does not know keep no text.
    virtual void FormatEvent(GameTypeEvent& event);
    virtual void FormatStatus(GameTypeEvent& event);
    virtual void FormatFeed(GameTypeEvent& event);
    // After the damage of a hit was taken, while the match runs.
    virtual void OnPlayerDamaged(Player& player, const HitInfo& hit);
    // Before a kill takes effect, while the match runs: where the modes score.
    virtual void OnPlayerKilled(Player& victim, const HitInfo& hit);
    // On a client, after a state from the server's frame stateFrame was applied and its own players
    // replayed up to frame: where a mode puts what it shows of its objectives right.
    virtual void AfterGameState(uint32_t stateFrame, uint32_t frame);

    // Posting a line: kept for the local screens it is meant for, or sent to the clients by a server.
    void PostEvent(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, uint8_t player, uint8_t team);
    void PostStatus(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, uint8_t player, uint8_t team);
    // The shared status lines of a player's pickups, for that player alone.
    void NoticeWeaponPickedUp(const Player& player, uint32_t weaponIndex) override;
    void NoticeAmmoPickedUp(const Player& player, uint32_t rounds, uint32_t weaponIndex) override;
    // For every player and team.
    void PostFeedEvent(uint32_t kind, uint32_t a, uint32_t b, uint32_t c);
    // Registers a format of a class and returns its kind. The same formats are registered in the same
    // order on every machine, so kinds agree.
    uint32_t AddEventFormat(std::string text);
    uint32_t AddStatusFormat(std::string text);
    uint32_t AddFeedFormat(std::string text);
    // How many kinds a line may have: the longest of this game type's three format lists.
    uint32_t GetKindCount() const;
    // Counts the shown lines down by one tick.
    void UpdateEvents();
    // Counts entry i down; true when it ran out and was erased. False for an i outside the list.
    static bool ExpireEvent(std::vector<GameTypeEvent>& list, uint32_t i);
    // One point to the player and to its team (its own entry in a free-for-all); the match ends when
    // the best team reaches target.
    void AddPoint(Player& player, int32_t target);

    // A player starts spawning in: shown, not yet physical, for SpawnInSeconds.
    void SpawnPlayer(Player& player);
    // Puts the player at a spawn point of its team (of the first query for a free-for-all, a player
    // without a team or a team without points of its own), and starts its bot's record afresh.
    void RespawnPlayer(Player& player);
    // Ends a spawn-in: the visuals go, the player gets its health and its Box2D box and takes part.
    void FinishSpawn(Player& player, std::span<const EntityId> visuals);
    // Takes a spawn-in's images out of the world.
    void RemoveSpawnVisuals(std::span<const EntityId> visuals);
    // Shows the rig from node down as still images in the world, noted in the spawn-in.
    void CreateSpawnVisuals(Bone& node, bool facingLeft, SpawnIn& spawnIn);
    // A weapon taken from a weapon spawn returns there after the spawn's time; any other is dropped.
    void QueueWeaponSpawn(std::unique_ptr<Weapon> weapon) override;

    // A kill the server reported, on a client: the debris (drawn from the world's game generator), the
    // death sound, the player dead and out of the physics, and its place in the respawn queue.
    void ReceiveKill(Player& victim, float angle, float speed);
    // The scores the server counted, highest first, on a client: its own rules count none, and its
    // players' screens and the scoreboard read these.
    void ReceiveScores(std::span<const ScoreEntry> teams, std::span<const ScoreEntry> players);
    // A status line the server sent, on a client: posted for the screens it is meant for, with the
    // sound a local match plays as the thing happens (the server's own is heard by nobody).
    // Ammunition taken sounds at the player who took it; the modes add their own.
    virtual void ReceiveStatus(uint32_t kind, uint32_t a, uint32_t b, uint32_t c, uint8_t player, uint8_t team);

    // Health, push, flinch, rumble and shake of a hit; a hit that empties the health kills.
    void DamagePlayer(Player& player, const HitInfo& hit) override;
    // What a client's players feel of a hit its own world sees, the health and the kill being the
    // server's: the push, the flinch, the rumble of a local player's pad and the camera's shake.
    void FeelHit(Player& player, const HitInfo& hit) override;
    // Penalties, the feed line, the debris and death sound, and the respawn of a kill.
    void KillPlayer(Player& victim, const HitInfo& hit) override;

    bool IsEnded() const { return ended; }
    const GameTypeData* GetData() const { return data; }
    GameContext& GetContext() const { return context; }
    Lumvek::RandomGenerator& GetRandom() { return random; }
    // Highest score first.
    const std::vector<ScoreEntry>& GetTeamScores() const { return teamScores; }
    const std::vector<ScoreEntry>& GetPlayerScores() const { return playerScores; }
    int32_t GetLowestScore() const { return lowestScore; }
    int32_t GetTargetScore() const { return targetScore; }
    // What a local screen (0 to 3) shows: its queued events, the first one showing, and its status.
    const std::vector<GameTypeEvent>& GetEvents(uint32_t screen) const { return events.at(screen); }
    const GameTypeEvent& GetStatus(uint32_t screen) const { return statuses.at(screen); }
    const std::vector<GameTypeEvent>& GetFeed() const { return feed; }
    const std::vector<Respawn>& GetRespawns() const { return respawns; }
    const std::vector<SpawnIn>& GetSpawnIns() const { return spawnIns; }
    const std::vector<WeaponRespawn>& GetWeaponRespawns() const { return weaponRespawns; }
    const std::vector<SpawnQuery>& GetPlayerSpawnQueries() const { return playerSpawnQueries; }

    // The kinds of the shared formats.
    struct SharedKinds
    {
        uint32_t pickedUpAmmo = 0;
        uint32_t pickedUpWeapon = 0;
        uint32_t died = 0;
        uint32_t killed = 0;
    };
    const SharedKinds& GetSharedKinds() const { return sharedKinds; }

    // The player a base bot chases: the first local player's, none without local players (a dedicated
    // server).
    Player* FindBaseBotTarget() const;
    // The nearest player the bot is aware of that is alive and not on its team (a player without a
    // team is everybody's enemy); null when there is none.
    Player* FindNearestEnemy(const Player& bot) const;

protected:
    // The player of that index while it is in the match; null for any other index, as from the wire.
    Player* FindPresentPlayer(uint32_t index) const;
    // The bot hunts the nearest enemy it is aware of, retreats when only its stowed weapon is loaded,
    // fetches a weapon when both are empty and wanders otherwise, over the world's navigation graph.
    void HuntBotTarget(BotState& bot);
    // Sorts the list highest score first.
    static void SortScores(std::vector<ScoreEntry>& scores);
    // The player's entry in the list, or null.
    static ScoreEntry* FindScore(std::vector<ScoreEntry>& scores, uint8_t index);
    // The index the team list keys a player's team entry by: the player's own index in a free-for-all,
    // its team otherwise.
    uint8_t GetTeamKey(const Player& player) const;
    uint32_t GetTeamCount() const;
    // Whether other machines hear the match's events (a server's clients): then the rules send their
    // lines, scores, spawns and kills through the context's events and keep no lines of their own.
    bool IsServer() const;

    GameContext& context;
    // The registry's definition the configuration names; null when it names none.
    const GameTypeData* data = nullptr;
    // Every random pick of the rules, seeded with the match's seed.
    Lumvek::RandomGenerator random;
    std::vector<ScoreEntry> teamScores;
    std::vector<ScoreEntry> playerScores;
    bool ended = false;
    // The range the scores travel in and the display shows; set by each mode.
    int32_t lowestScore = 0;
    int32_t targetScore = 0;
    std::array<std::vector<GameTypeEvent>, ScreenCount> events;
    std::array<GameTypeEvent, ScreenCount> statuses;
    std::vector<GameTypeEvent> feed;
    std::vector<std::string> eventFormats;
    std::vector<std::string> statusFormats;
    std::vector<std::string> feedFormats;
    std::array<SpawnQuery, WeaponSpawnCount> weaponSpawnQueries;
    // One per team in team order, or one for a free-for-all.
    std::vector<SpawnQuery> playerSpawnQueries;
    std::vector<Respawn> respawns;
    std::vector<SpawnIn> spawnIns;
    std::vector<WeaponRespawn> weaponRespawns;
    Lumvek::SoundInstance ambience;
    SharedKinds sharedKinds;

    // An item whose holder has left the match (a client that disconnected) would stay with the
    // departed record for good: it is taken back and returned like a lost item.
    void ReclaimFromDeparted(Item& item);
    // What a team starts a recount with under the scoring rule, and how a player's score joins it.
    static int32_t InitialTeamScore(TeamScoring scoring);
    static int32_t CombineTeamScore(TeamScoring scoring, int32_t team, int32_t player);
    // Sorts the team list at the end of a recount. A team no player counted towards has no score of its
    // own: it shows 0, never the rule's starting value, and stands after every team with players, so
    // that the first entry the screens and the clients read is the best team that has players.
    void RankTeams();
    // Whether the first team of the ranking has players and at least target points.
    bool FirstTeamReached(int32_t target) const;

    // By team entry index: whether a player in the world counted towards that team in the last recount.
    // A mode's recount clears it and marks each team a player's score joins.
    std::array<bool, 256> countedTeams{};
    // The texts a format is filled with; empty names and the neutral colour for indices outside their
    // tables. A team's name is the neutral one for a value outside the teams (arguments arrive from
    // the wire).
    std::string GetPlayerName(uint32_t playerIndex) const;
    Lumvek::Color GetPlayerColor(uint32_t playerIndex) const;
    static Lumvek::StringView GetTeamUpperName(uint32_t team);

private:
    // The hit's push and flinch; then its rumble and shake.
    static void KnockBack(Player& player, const HitInfo& hit);
    void ShakeAndRumble(Player& player, const HitInfo& hit);
    // The three count-downs of a tick: spawn-ins ending, players respawning, weapons returning.
    void StepSpawnIns(float dt);
    void StepRespawns(float dt);
    void StepWeaponRespawns(float dt);
    // Posts or sends a line of the class.
    void Post(GameTypeEventClass eventClass, GameTypeEvent event);
    // What a killed player held falls where it died: its items as pickups, its weapons as pickups or
    // back to their spawns.
    void DropHeldThings(Player& victim);
    // What every death does, on every machine, to a victim whose health is 0: its parts stop being
    // used, its rig flies apart as debris (drawn from the generator), the death sound, its body leaves
    // the physics, and it waits in the respawn queue.
    void LayDown(Player& victim, Lumvek::RandomGenerator& debrisRandom, float angle, float push);
    // The match's end reaches the network role, which records the journal and enters its ending.
    void NotifyEnd();
    std::string GetWeaponName(uint32_t weaponIndex) const;
};
