#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class GameContext;
struct RemotePlayerSlot;
namespace ServerLines
{
struct Unoffered;
}

// The server's vote among three configurations, as choices over the configurations it has and the
// players' votes: no sockets and no state of its own. Called by the server role on the application
// thread; what it reads belongs to the caller.
namespace Vote
{

using Options = std::array<uint32_t, 3>;

// The name a configuration travels by; empty for one the server does not have.
std::string_view ConfigurationKey(const GameContext& context, uint32_t index);

// The configurations a vote may offer, by index: those whose key a message can carry and whose bots
// and maximumPlayers players a match holds. Each one left out is logged and counted in leftOut.
std::vector<uint32_t> OfferedConfigurations(const GameContext& context, uint32_t maximumPlayers,
                                            ServerLines::Unoffered& leftOut);
// The three options of a vote from the configurations offered, picked by the seed, which moves on for
// the next vote. With fewer than three offered the list repeats; with none, every option is 0.
Options ChooseOptions(const std::vector<uint32_t>& offered, uint64_t& seed);
// The configuration the players' votes choose: the option that most of them voted for and, of options
// tied, the first. Players who left and votes for no option have no say; without any vote the previous
// choice stands.
uint32_t Tally(std::span<const RemotePlayerSlot> voters, const Options& options, uint32_t previous);

} // namespace Vote
