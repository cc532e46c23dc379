#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/Data/GameConfiguration.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Lumvek
{
class ControllerDevice;
}

class DataRegistry;
struct ThemeBackground;
class GameType;
class MatchEvents;
class MatchRules;
class World;

// What the world, the game mode and the network role read of the game system: the registry, the
// current match's configuration, the running match's objects and the sound hook. The game system
// derives from it and fills it; tests make their own, several in one process if they like. The match's
// objects are handed this context when they are made and never reach for a global. Application thread
// only, except that the match loader reads it while it fills a world nothing steps yet.
class GameContext
{
public:
    GameContext() = default;
    GameContext(const GameContext&) = delete;
    GameContext& operator=(const GameContext&) = delete;
    virtual ~GameContext();

    // Plays the sound once as a sound placed in the world, while the feedback gate is open.
    void PlaySound(uint32_t soundId, Lumvek::Vector2 position, Lumvek::Vector2 velocity, float volume)
    {
        if (FeedbackOpen())
            EmitSound(soundId, position, velocity, volume);
    }

    // The one gate of what a step shows, plays or shakes: sounds, ability loops, flashes, trails and
    // other visuals, camera shakes and rumble. A frame makes its feedback the first time it is stepped
    // on this machine; a client replaying frames after a state (World::Resimulate) closes the gate, since
    // those frames were heard and seen when they were predicted. Local matches and servers never close it.
    bool FeedbackOpen() const { return !replaying; }
    bool replaying = false;

    // Not owned; the definitions every match object refers to.
    DataRegistry* registry = nullptr;
    // The current match's set-up. Its three slot lists are the match's players in this order: local
    // players, remote players, bots. A slot marked removed is inactive and gets no player record; the
    // world fills each active slot's player when play begins.
    GameConfiguration configuration;
    // The running match's objects, owned by the game system; null outside a match. The network role,
    // as what the world and the rules tell of the match: null while no role runs.
    MatchEvents* events = nullptr;
    World* world = nullptr;
    // The game system's renderer's list of the map's own background layers, which the map loader fills
    // from the map file and the map writer writes back; null while no renderer exists (always on a
    // dedicated server).
    std::vector<ThemeBackground>* mapBackgrounds = nullptr;
    // A dedicated server: no images, particle effects, visuals, sounds or renderables are made, while
    // bodies and physics are made as usual.
    bool headless = false;
    // Not owned; the pads local players play with, which hits rumble. Null without pads.
    Lumvek::ControllerDevice* controllers = nullptr;

    // The running match's game mode, and the same object as what the world asks of the rules; both null
    // outside a match. They are set together, so the two never name different objects: the rules of any
    // game mode are what its class derives from besides.
    template <class Rules> void SetGameType(Rules* rules)
    {
        gameType = rules;
        matchRules = rules;
    }
    void SetGameType(std::nullptr_t) { gameType = nullptr, matchRules = nullptr; }
    GameType* GetGameType() const { return gameType; }
    MatchRules* GetMatchRules() const { return matchRules; }

protected:
    // Plays the sound through the game system's audio device. The base has no audio and plays nothing;
    // the game system plays nothing either when headless or for the id -1.
    virtual void EmitSound(uint32_t soundId, Lumvek::Vector2 position, Lumvek::Vector2 velocity, float volume);

private:
    GameType* gameType = nullptr;
    MatchRules* matchRules = nullptr;
};

// The configurations of the context's registry; none without a registry.
uint32_t ConfigurationCount(const GameContext& context);
