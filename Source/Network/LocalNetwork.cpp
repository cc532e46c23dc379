#include "Source/Network/LocalNetwork.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/ToString.h"
#include "Source/Data/Profile.h"
#include "Source/GameTypes/GameType.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

using namespace Lumvek;

JournalInput ToJournalInput(const PlayerInput& input)
{
    static_assert(PlayerActionCount == JournalInput::ButtonCount, "the journal keeps one bit per action");
    return JournalInput::Pack(input.move, input.aimY, input.aimX, input.buttons);
}

LocalNetwork::LocalNetwork(GameContext& context, const NetworkSettings& settings, const FileManager& files,
                           ControllerDevice* controller, KeyboardDevice* keyboard, MouseDevice* mouse,
                           WindowSize window)
    : Network(settings), context(context), files(files), devices(controller, keyboard, mouse, window)
{
}

void LocalNetwork::BeginVoting()
{
    BeginTimedState(NetworkState::Voting, settings.startDuration);
    for (PlayerSlot& slot : context.configuration.players)
    {
        const Profile* profile = slot.profile;
        if (!profile || profile->activeLoadout >= Profile::LoadoutCount)
            continue;
        const ProfileLoadout& active = profile->loadouts[profile->activeLoadout];
        slot.loadout.head = active.head;
        slot.loadout.core = active.core;
        slot.loadout.arms = active.arms;
        slot.loadout.legs = active.legs;
    }
}

void LocalNetwork::Update(int64_t elapsed)
{
    switch (state)
    {
    case NetworkState::Voting:
        if (AdvanceTimer(elapsed))
            Enter(NetworkState::Configured);
        break;
    case NetworkState::Preparing:
        if (AdvanceTimer(elapsed))
            Enter(NetworkState::Prepared);
        break;
    case NetworkState::Ended:
        if (AdvanceTimer(elapsed))
            Enter(NetworkState::Leaving);
        break;
    default:
        break;
    }
}

void LocalNetwork::BeginLoading()
{
    journal.Begin(context.configuration);
    Enter(NetworkState::Loaded);
}

void LocalNetwork::BeginPreparing()
{
    BeginTimedState(NetworkState::Preparing, settings.prepareDuration);
}

void LocalNetwork::BeginStarting()
{
    // The devices were last read before the menus, if ever: what was pressed there stays there.
    devices.Suspend();
    Enter(NetworkState::Playing);
}

void LocalNetwork::Step(float dt)
{
    if (state != NetworkState::Playing && state != NetworkState::Ended)
        return;

    devices.Poll();
    journal.BeginFrame();
    for (const PlayerSlot& slot : context.configuration.players)
        journal.AddInput(ToJournalInput(devices.Read(slot)));

    if (context.world)
        context.world->Step(dt);
    if (context.GetGameType())
        context.GetGameType()->Update(dt);
}

void LocalNetwork::SaveJournal()
{
    BeginTimedState(NetworkState::Ended, settings.endDuration);
    const std::string path = FormatText("Journals/{}.vjrn", Guid::Create());
    if (journal.Save(files, path))
        savedJournal = files.ResolvePath(path);
}

void LocalNetwork::BeginEnding()
{
    Enter(NetworkState::Waiting);
}

void LocalNetwork::Stop()
{
    Enter(NetworkState::Stopped);
}
