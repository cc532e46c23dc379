#include "Source/Network/Network.h"

#include "Engine/Foundation/Assert.h"
#include "Engine/Foundation/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace
{

// The longest library message the log takes, without its terminating zero.
constexpr size_t LogMessageCapacity = 1024;

} // namespace

Network::Network(const NetworkSettings& settings) : settings(settings)
{
    config.numChannels = 2;
    config.channel[0].type = Net::CHANNEL_TYPE_RELIABLE_ORDERED;
    config.channel[1].type = Net::CHANNEL_TYPE_UNRELIABLE_UNORDERED;
    config.protocolId = 0;
    config.networkSimulator = settings.simulate;
}

Network::~Network() = default;

const std::array<uint32_t, 3>& Network::GetVotingOptions() const
{
    static constexpr std::array<uint32_t, 3> none{NoVotingOption, NoVotingOption, NoVotingOption};
    return none;
}

bool Network::SendVote(uint8_t, uint32_t)
{
    return false;
}

bool Network::SendSetLoadout(uint8_t, uint32_t, uint32_t, uint32_t, uint32_t)
{
    return false;
}

const std::string& Network::GetSavedJournal() const
{
    static const std::string none;
    return none;
}

const ClientLines::OnScreen& Network::GetStopReason() const
{
    static const ClientLines::OnScreen none;
    return none;
}

void Network::ApplySimulatorSettings(float, float, float, float) {}

bool Network::AdvanceTimer(int64_t elapsed)
{
    timer += static_cast<float>(static_cast<double>(elapsed) / 1e9);
    return timer > duration;
}

void Network::Enter(NetworkState next)
{
    LUMVEK_ASSERT(state != NetworkState::Stopped || next == NetworkState::Stopped,
                  "a stopped role was asked to enter state {}: the game system deletes a role once it stopped",
                  static_cast<int32_t>(next));
    state = next;
}

void Network::BeginTimedState(NetworkState next, float seconds)
{
    Enter(next);
    duration = seconds;
    timer = 0.0f;
}

int NetworkLogHook(const char* format, ...)
{
    char text[LogMessageCapacity] = {};
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    // A failed format leaves whatever it wrote; the buffer always ends in a zero.
    if (written < 0)
        text[0] = '\0';
    text[sizeof(text) - 1] = '\0';
    // The library ends its lines itself; the log ends every message.
    size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == '\n')
        text[--length] = '\0';
    Lumvek::Log::Write(Lumvek::StringView(text, static_cast<uint32_t>(length)));
    return 0;
}
