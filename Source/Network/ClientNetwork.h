#pragma once

#include "Libraries/Net/Client.h"
#include "Libraries/Net/Memory.h"
#include "Source/Network/Messages/MessageLimits.h"
#include "Source/Network/Messages/VantorelAdapter.h"
#include "Source/Network/Network.h"
#include "Source/World/PlayerInput.h"

#include <array>
#include <cstdint>
#include <memory>

class GameContext;

// The role of a player's machine that joins a dedicated server: it connects with a token it makes
// itself, announces its local players, follows the server through the vote, loading, preparing and
// starting, sends each local player's input every tick and mirrors what the server decides. Owned by
// the game system; everything, the library client included, runs on the application thread.
class ClientNetwork final : public Network
{
public:
    // Joins MatcherIp:MatcherPort over UDP, or over the transport when one is given (tests run
    // several roles in one process); the transport must outlive the role.
    ClientNetwork(GameContext& context, const ClientSettings& settings, uint64_t clientId,
                  Net::Transport* transport = nullptr);
    ~ClientNetwork() override;

    void Update(int64_t elapsed) override;
    void BeginLoading() override;
    void BeginPreparing() override;
    void BeginStarting() override;
    void Step(float dt) override;
    void SaveJournal() override;
    void BeginEnding() override;
    void Stop() override;
    void ApplySimulatorSettings(float packetLoss, float duplication, float latency, float jitter) override;

    int32_t GetClientIndex() const { return clientIndex; }
    uint32_t GetFrame() const { return frame; }
    uint32_t GetNextStateFrame() const { return nextStateFrame; }
    const std::array<uint32_t, 3>& GetVotingOptions() const { return votingOptions; }
    uint32_t GetChosenOption() const { return chosenOption; }

    // Tells the server of a local player's new parts on the reliable channel. Parts outside their
    // collections and players without a match id are not sent (logged); false then, or when the
    // connection cannot take the message now.
    bool SendSetLoadout(uint8_t player, uint32_t head, uint32_t core, uint32_t arms, uint32_t legs);

    // Applies one message from the server, as Update does with each that arrives; the caller keeps it.
    void ApplyMessage(const Net::Message& message);

private:
    bool IsValidLoadout(uint32_t head, uint32_t core, uint32_t arms, uint32_t legs) const;
    void SendInputs();

    GameContext& context;
    ClientSettings clientSettings;
    int64_t elapsed = 0;
    int32_t clientIndex = -1;
    uint64_t clientId;
    uint32_t frame = 0;
    uint32_t nextStateFrame = 0;
    float intermission = 0.0f;
    std::array<uint32_t, 3> votingOptions{};
    uint32_t chosenOption = 0;
    MessageLimits limits;
    VantorelAdapter adapter;
    Net::DefaultAllocator allocator;
    std::unique_ptr<Net::Client> client;
};
