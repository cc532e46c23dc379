#include "Tests/Source/Network/Fuzz/GameMessageHarness.h"

#include "Net/Memory.h"
#include "Net/Stream.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/EventMessages.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/Network/Messages/VantorelMessageFactory.h"

#include <algorithm>
#include <array>
#include <string>

namespace
{

// A game state at its largest is under 6 KB with the shipped definitions; a packet is at most 8 KB.
constexpr size_t MaxInputBytes = 8 * 1024;
constexpr int TypeBits = 5;

void Require(bool invariant)
{
    if (!invariant)
        __builtin_trap();
}

// Stream bit i is bit i % 8 of byte i / 8: the library fills little-endian words from the low bit.
bool BitAt(const uint8_t* data, int bit)
{
    return (data[bit / 8] >> (bit % 8)) & 1;
}

template <class T> T& As(Net::Message& message)
{
    return static_cast<T&>(message);
}

LoadoutParts TopParts(const MessageLimits& limits)
{
    return {limits.heads, limits.cores, limits.arms, limits.legs};
}

void FillScores(std::array<ScoreMessage::Entry, ScoreMessage::Capacity>& list, uint32_t& count, uint32_t entries,
                const MessageLimits& limits, bool top)
{
    count = entries;
    for (uint32_t i = 0; i < entries; ++i)
    {
        list[i].index = static_cast<uint8_t>(top ? 15 - i : i);
        list[i].score = i % 2 == 0 ? limits.targetScore : limits.lowestScore;
    }
}

template <class Record> void FillBody(Record& record, uint32_t index, bool full, const MessageLimits& limits)
{
    record.player = static_cast<uint8_t>(index);
    record.position = {1.5f * static_cast<float>(index), -40.25f};
    record.velocity = {-3.0f, 12.5f};
    record.jumpTime = 0.25f;
    record.onPlatform = full;
    record.platform = full ? 1023 : FullPlayerState::NoPlatform;
    record.passThroughCount = full ? FullPlayerState::MaxPassThroughPlatforms : 1;
    for (uint32_t i = 0; i < record.passThroughCount; ++i)
        record.passThroughPlatforms[i] = static_cast<uint16_t>(1023 - i);
    record.abilityPart = full ? 3 : 1;
    // Full: every place holds the last definition; otherwise every place is empty.
    const uint32_t weapon = full ? limits.weapons - 1 : limits.weapons;
    const uint32_t item = full ? limits.items - 1 : limits.items;
    record.secondaryWeapon = weapon;
    record.currentWeapon = weapon;
    record.pickedUpWeapon = weapon;
    record.carriedItem = item;
    record.pickedUpItem = item;
    if (full)
    {
        record.pickedUpWeaponTransform = {{0.5f, 1.75f}, 359.5f, true};
        record.pickedUpItemTransform = {{-0.5f, 2.0f}, 90.0f, false};
    }
    record.airState = full ? 2 : 0;
    record.weaponState = full ? 6 : 1;
    record.weaponTimer = full ? 511 : 0;
    record.handState = full ? 2 : 0;
    record.handTimer = full ? 511 : 0;
}

void FillState(GameState& state, const MessageLimits& limits, bool full)
{
    state.ownCount = full ? GameState::MaxOwnPlayers : 1;
    state.playerCount = full ? GameState::MaxPlayers : 2;
    state.pickupCount = full ? GameState::MaxPickups : 3;
    state.platformCount = full ? GameState::MaxPlatforms : 1;
    state.projectileCount = full ? GameState::MaxProjectiles : 2;
    state.shotCount = full ? GameState::MaxShots : 1;
    for (uint32_t i = 0; i < state.ownCount; ++i)
    {
        FullPlayerState& own = state.ownPlayers[i];
        FillBody(own, i, full, limits);
        own.health = 100.0f - static_cast<float>(i);
        if (full)
        {
            own.clip = 127;
            own.reserve = 511;
        }
    }
    for (uint32_t i = 0; i < state.playerCount; ++i)
    {
        PlayerState& other = state.players[i];
        FillBody(other, 15 - i, full, limits);
        other.move = full ? -127 : 0;
        other.aimX = 127;
        other.aimY = full ? -127 : 5;
        other.fallThrough = full ? 1 : 0;
        other.jump = 1;
    }
    for (uint32_t i = 0; i < state.pickupCount; ++i)
    {
        PickupState& pickup = state.pickups[i];
        pickup.id = static_cast<uint16_t>(65534 - i);
        pickup.holdsWeapon = i % 2 == 0;
        // Item indexes may lie past the weapons' count.
        pickup.definition = pickup.holdsWeapon ? limits.weapons - 1 : limits.items - 1;
        pickup.position = {static_cast<float>(i), 2.0f};
        pickup.velocity = {0.0f, -9.5f};
        pickup.rotation = 180.0f;
        pickup.flipY = full ? 1 : 0;
        pickup.rotates = 1;
    }
    for (uint32_t i = 0; i < state.platformCount; ++i)
        state.platforms[i] = {static_cast<uint16_t>(1023 - i), 12.5f, full, i % 2 == 1};
    for (uint32_t i = 0; i < state.projectileCount; ++i)
    {
        ProjectileState& projectile = state.projectiles[i];
        projectile.id = static_cast<uint16_t>(i * 1000);
        projectile.hasOwner = full || i == 0;
        projectile.owner = projectile.hasOwner ? static_cast<uint8_t>(15 - i) : ProjectileState::NoOwner;
        projectile.definition = limits.weapons - 1;
        projectile.position = {-7.0f, 3.0f};
        projectile.velocity = {30.0f, 0.5f};
        projectile.rotation = 45.0f;
        projectile.flipY = full ? 1 : 0;
    }
    // The first shot heads a step short of a full turn.
    for (uint32_t i = 0; i < state.shotCount; ++i)
        state.shots[i] = {
            uint8_t(i % 16), full ? ShotState::MaxAge : i, limits.weapons - 1, {-7.0f, 3.0f}, 255 - i, full};
}

} // namespace

MessageLimits GameMessageFuzzLimits(uint8_t selector)
{
    MessageLimits limits;
    if (selector % 2 == 0)
    {
        limits.heads = limits.cores = limits.arms = limits.legs = 4;
        limits.items = 5;
        limits.weapons = 4;
        limits.triggers = 2;
        limits.eventKinds = 6;
        limits.teamCount = 2;
        limits.playerCount = 4;
        limits.lowestScore = 0;
        limits.targetScore = 25;
    }
    else
    {
        limits.heads = 8;
        limits.cores = 1;
        limits.arms = 3;
        limits.legs = 0;
        limits.items = 3;
        limits.weapons = 5;
        limits.triggers = 8;
        limits.eventKinds = 1;
        limits.teamCount = 1;
        limits.playerCount = 16;
        limits.lowestScore = -10;
        limits.targetScore = 100;
    }
    return limits;
}

void FillGameMessageSample(Net::Message& message, const MessageLimits& limits, uint32_t variant)
{
    const bool top = variant == 1;
    const bool middle = variant == 2;
    switch (static_cast<GameMessageType>(message.GetType()))
    {
    case GameMessageType::PlayerAdded:
        As<PlayerAddedMessage>(message).client = top ? 15 : middle ? 6 : 0;
        As<PlayerAddedMessage>(message).player = top ? 15 : middle ? 9 : 0;
        As<PlayerAddedMessage>(message).localSlot = top ? 3 : middle ? 2 : 0;
        break;
    case GameMessageType::PlayerRemoved:
        As<PlayerRemovedMessage>(message).player = top ? 15 : middle ? 7 : 0;
        break;
    case GameMessageType::VotingOptions:
        As<VotingOptionsMessage>(message).duration = top ? 1.0e30f : middle ? 3.0f : 0.0f;
        for (ConfigurationName& option : As<VotingOptionsMessage>(message).options)
            option.Set(top ? std::string(ConfigurationName::MaxLength, 'z') : middle ? "FlagRun" : "");
        break;
    case GameMessageType::SetConfiguration:
        As<SetConfigurationMessage>(message).duration = middle ? 5.0f : -0.0f;
        As<SetConfigurationMessage>(message).configuration.Set(top      ? std::string(ConfigurationName::MaxLength, 'z')
                                                               : middle ? "Default"
                                                                        : "");
        break;
    case GameMessageType::SetLoadouts:
    {
        auto& loadouts = As<SetLoadoutsMessage>(message);
        loadouts.duration = 3.0f;
        loadouts.count = top ? SetLoadoutsMessage::MaxEntries : middle ? 3 : 0;
        for (uint32_t i = 0; i < loadouts.count; ++i)
            loadouts.entries[i] = {static_cast<uint8_t>(top ? 15 - i : i), static_cast<uint8_t>(top ? 15 : i % 2),
                                   top ? TopParts(limits) : LoadoutParts{i % 2, 0, 1, 0}};
        break;
    }
    case GameMessageType::StartGame:
        break;
    case GameMessageType::EndGame:
        As<EndGameMessage>(message).duration = top ? 5.0f : 0.0f;
        As<EndGameMessage>(message).intermission = middle ? 7.5f : 0.0f;
        break;
    case GameMessageType::GameState:
        As<GameStateMessage>(message).frame = top ? 0xFFFFFFFFu : middle ? 4321 : 0;
        if (variant != 0)
            FillState(As<GameStateMessage>(message).state, limits, top);
        break;
    case GameMessageType::PlayerSpawned:
        As<PlayerSpawnedMessage>(message).player = top ? 15 : 0;
        As<PlayerSpawnedMessage>(message).position = {top ? -1.0e6f : 3.0f, 12.75f};
        As<PlayerSpawnedMessage>(message).facesLeft = top;
        break;
    case GameMessageType::PlayerKilled:
        As<PlayerKilledMessage>(message).player = top ? 15 : middle ? 4 : 0;
        As<PlayerKilledMessage>(message).debrisAngle = top ? 359.5f : -90.0f;
        As<PlayerKilledMessage>(message).debrisSpeed = 12.0f;
        break;
    case GameMessageType::PickupRemoved:
        As<PickupRemovedMessage>(message).pickup = top ? 65534 : middle ? 64 : 0;
        As<PickupRemovedMessage>(message).hasContents = top;
        break;
    case GameMessageType::ProjectileRemoved:
        As<ProjectileRemovedMessage>(message).entity = top ? 65534 : middle ? 1024 : 0;
        break;
    case GameMessageType::TriggerRemoved:
        As<TriggerRemovedMessage>(message).entity = top ? 65534 : middle ? 256 : 0;
        break;
    case GameMessageType::TriggerCreated:
    {
        auto& trigger = As<TriggerCreatedMessage>(message);
        trigger.trigger = top ? 65534 : 0;
        trigger.definition = top ? limits.triggers - 1 : 0;
        trigger.position = {10.0f, -2.5f};
        trigger.size = {1.0f, 3.0f};
        trigger.pivot = {0.5f, 0.0f};
        trigger.rotation = middle ? 270.0f : 0.0f;
        trigger.flipped = top;
        break;
    }
    case GameMessageType::GameTypeEvent:
    {
        auto& event = As<GameTypeEventMessage>(message);
        event.eventClass = top      ? GameTypeEventMessage::StatusClass
                           : middle ? GameTypeEventMessage::EventClass
                                    : GameTypeEventMessage::FeedClass;
        event.kind = top ? limits.eventKinds - 1 : 0;
        event.a = top ? GameTypeEventMessage::NoArgument : 3;
        event.b = middle ? 12 : GameTypeEventMessage::NoArgument;
        event.c = top ? GameTypeEventMessage::NoArgument : 0;
        event.player = top ? 16 : middle ? 2 : 0;
        event.team = top ? 5 : middle ? 4 : 0;
        break;
    }
    case GameMessageType::Score:
    {
        auto& score = As<ScoreMessage>(message);
        FillScores(score.teams, score.teamCount, limits.GetTeamScoreCount(), limits, top);
        FillScores(score.players, score.playerCount, limits.GetPlayerScoreCount(), limits, top);
        if (!limits.TeamScoresByPlayer())
            for (uint32_t i = 0; i < score.teamCount; ++i)
                score.teams[i].index = static_cast<uint8_t>(top ? limits.teamCount : i);
        if (variant == 0)
            score.teamCount = score.playerCount = 0;
        break;
    }
    case GameMessageType::AddPlayer:
    {
        auto& add = As<AddPlayerMessage>(message);
        add.count = top ? AddPlayerMessage::MaxPlayers : middle ? 2 : 1;
        for (uint32_t i = 0; i < add.count; ++i)
            add.players[i] = {top ? 3 : i, top ? TopParts(limits) : LoadoutParts{}};
        break;
    }
    case GameMessageType::SetLoadout:
        As<SetLoadoutMessage>(message).player = top ? 15 : 0;
        As<SetLoadoutMessage>(message).parts = top ? TopParts(limits) : LoadoutParts{0, middle ? 1u : 0u, 0, 0};
        break;
    case GameMessageType::SetVote:
        As<SetVoteMessage>(message).player = top ? 15 : middle ? 3 : 0;
        As<SetVoteMessage>(message).choice = top ? 2 : middle ? 1 : 0;
        break;
    case GameMessageType::Input:
    {
        auto& input = As<InputMessage>(message);
        input.frame = top ? 0xFFFFFFFFu : middle ? 600 : 0;
        input.player = top ? 15 : 0;
        input.input.move = top ? -127 : middle ? 64 : 0;
        input.input.aimX = top ? 127 : middle ? -1 : 0;
        input.input.aimY = top ? -127 : 0;
        for (size_t i = 0; i < input.input.buttons.size(); ++i)
            input.input.buttons[i] = top || (middle && i % 3 == 0) ? 1 : 0;
        break;
    }
    case GameMessageType::MissingConfiguration:
        As<MissingConfigurationMessage>(message).option = top ? 2 : middle ? 1 : 0;
        break;
    case GameMessageType::Count:
        break;
    }
}

int FuzzGameMessage(const uint8_t* data, size_t size)
{
    if (size == 0 || size > MaxInputBytes)
        return 0;
    const MessageLimits limits = GameMessageFuzzLimits(data[0]);
    const uint8_t* body = data + 1;
    const int bodyBytes = static_cast<int>(size - 1);

    Net::DefaultAllocator allocator;
    VantorelMessageFactory factory(allocator, limits);
    Net::ReadStream stream(body, bodyBytes);
    int type = 0;
    if (!Net::SerializeIntValue(stream, type, 0, GameMessageTypeCount - 1))
        return 0;
    Net::Message* message = factory.CreateMessage(type);
    Require(message != nullptr && message->GetType() == type);

    if (message->SerializeInternal(stream))
    {
        const int bits = stream.GetBitsProcessed() - TypeBits;
        Net::MeasureStream measure;
        Require(message->SerializeInternal(measure) && measure.GetBitsProcessed() == bits);

        std::array<uint8_t, MaxInputBytes> written{};
        Net::WriteStream writer(written.data(), static_cast<int>(written.size()));
        Require(message->SerializeInternal(writer));
        writer.Flush();
        Require(writer.GetBitsProcessed() == bits);
        for (int bit = 0; bit < bits; ++bit)
            Require(BitAt(written.data(), bit) == BitAt(body, TypeBits + bit));
    }
    factory.ReleaseMessage(message);
    Require(factory.GetNumLiveMessages() == 0);
    return 0;
}

std::vector<std::vector<uint8_t>> MakeGameMessageSeeds()
{
    std::vector<std::vector<uint8_t>> seeds;
    for (uint8_t selector = 0; selector < 2; ++selector)
    {
        const MessageLimits limits = GameMessageFuzzLimits(selector);
        Net::DefaultAllocator allocator;
        VantorelMessageFactory factory(allocator, limits);
        for (int type = 0; type < GameMessageTypeCount; ++type)
            for (uint32_t variant = 0; variant < 3; ++variant)
            {
                Net::Message* message = factory.CreateMessage(type);
                FillGameMessageSample(*message, limits, variant);
                std::vector<uint8_t> seed(MaxInputBytes);
                seed[0] = selector;
                Net::WriteStream writer(seed.data() + 1, static_cast<int>(seed.size() - 1));
                const bool written = Net::SerializeIntValue(writer, type, 0, GameMessageTypeCount - 1) &&
                                     message->SerializeInternal(writer);
                factory.ReleaseMessage(message);
                Require(written);
                writer.Flush();
                seed.resize(1 + static_cast<size_t>(writer.GetBytesProcessed()));
                seeds.push_back(std::move(seed));
            }
    }
    return seeds;
}
