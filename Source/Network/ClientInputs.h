#pragma once

#include "Source/Network/InputLead.h"
#include "Source/Network/LocalDevices.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/World/PlayerInput.h"

#include <array>
#include <cstdint>
#include <vector>

// The inputs of a client's local players: read from their devices each tick into their world players,
// kept as the frame's history entry that a re-simulation replays, and sent to the server with copies of
// the frames before, so that a lost packet costs no frame its input. Holds no socket: what it sends goes
// through the sender it is given. Owned by the client's role; the application thread's, as the role is.
class ClientInputs
{
public:
    static constexpr uint32_t Copies = InputLead::InputCopies;

    // Where the inputs go: the client's connection in play. An input the channel cannot take is dropped.
    class Sender
    {
    public:
        virtual ~Sender() = default;
        virtual void SendInput(uint32_t frame, uint8_t player, const PlayerInput& input) = 0;
    };

    // The devices the local players play with.
    LocalDevices& Devices() { return devices; }
    // A match starts: no input of it has been sent.
    void Forget();
    // Polls the devices and reads every local player's controls for the frame into its world player,
    // keeping them as the frame's history entry.
    void Gather(const std::vector<PlayerSlot>& players, uint32_t frame);
    // Keeps every local player's input for the frame as it stands and sends it, with the copies kept of
    // the frames before it.
    void Send(Sender& sender, const std::vector<PlayerSlot>& players, uint32_t frame, uint32_t copies = Copies);
    // Goes on from the frame to the target. The frames skipped forward get the controls held now, without
    // the last tick's taps, kept for a re-simulation and sent where the server may still wait for them; frames given
    // up are counted again.
    void Skip(Sender& sender, const std::vector<PlayerSlot>& players, uint32_t& frame, uint32_t target);

private:
    LocalDevices devices;
    // The inputs sent for the last frames, by frame modulo Copies, for the copies.
    struct SentInputs
    {
        uint32_t frame = 0;
        bool kept = false;
        std::array<PlayerInput, AddPlayerMessage::MaxPlayers> inputs{};
    };
    std::array<SentInputs, Copies> sentInputs{};
};
