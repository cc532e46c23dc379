#pragma once

#include "Engine/Runtime/Input/Input.h"
#include "Source/Network/Journal.h"
#include "Source/Network/LocalDevices.h"
#include "Source/Network/Network.h"
#include "Source/World/PlayerInput.h"

#include <string>

namespace Lumvek
{
class FileManager;
}

class GameContext;

// The network role of a game on one machine: the shared state machine run by timers instead of a
// server, the local players' input read from this machine's devices every tick, and every tick's
// inputs recorded into the match journal. Owned by the game system; application thread only.
class LocalNetwork final : public Network
{
public:
    // The devices may be null: a missing device reads as one with nothing pressed. The journal is
    // written under the files' application folder. Starts in Waiting.
    LocalNetwork(GameContext& context, const NetworkSettings& settings, const Lumvek::FileManager& files,
                 Lumvek::ControllerDevice* controller, Lumvek::KeyboardDevice* keyboard, Lumvek::MouseDevice* mouse,
                 WindowSize window);

    // The front end started a local game: the countdown of StartDuration, and every local player slot
    // takes the parts of its profile's active loadout.
    void BeginVoting() override;
    PlayerNaming GetBotNaming() const override { return PlayerNaming::Profiles; }

    // In Voting, Preparing and Ended only: the timer runs, and past its duration the state moves on to
    // Configured, Prepared and Leaving.
    void Update(int64_t elapsed) override;
    // Starts the match's journal with the current configuration, dropping what an earlier match of
    // this role recorded, and goes straight to Loaded: a local game has nothing to wait for.
    void BeginLoading() override;
    void BeginPreparing() override;
    void BeginStarting() override;
    // In Playing and Ended only: polls the devices, reads and records each local player's input, then
    // steps the world and the game rules.
    void Step(float dt) override;
    // Enters Ended for EndDuration and writes "Journals/<new GUID>.vjrn".
    void SaveJournal() override;
    void BeginEnding() override;
    void Stop() override;
    LocalDevices* GetLocalDevices() override { return &devices; }

    const Journal& GetJournal() const { return journal; }
    // The path the last SaveJournal wrote to, resolved; empty until a journal has been written.
    const std::string& GetSavedJournal() const override { return savedJournal; }

private:
    GameContext& context;
    const Lumvek::FileManager& files;
    LocalDevices devices;
    Journal journal;
    std::string savedJournal;
};

// The journal's five bytes of one input record: its axes and its button bytes, any non-zero byte a
// pressed button.
JournalInput ToJournalInput(const PlayerInput& input);
