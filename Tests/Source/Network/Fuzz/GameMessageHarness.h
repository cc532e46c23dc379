#pragma once

#include "Source/Network/Messages/MessageLimits.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Net
{
class Message;
}

// Reads any bytes as one game message the way a channel reads it: the first byte picks the limits
// (GameMessageFuzzLimits), then come the type id in 5 bits and the message's fields. It must not crash,
// leak or trip a sanitizer, and stops the program (trap) when a message is handed on that is not whole:
// a message that reads must measure exactly the bits it read and write them back unchanged, and a
// message that does not read must leave nothing behind. Shared by the fuzz program and the corpus test
// of the main build. Returns 0.
int FuzzGameMessage(const uint8_t* data, size_t size);

// The limits a harness input's first byte picks: its lowest bit chooses between the shipped definitions
// in a two-team game and odd counts (one event kind, no leg definitions, a weapon list longer than the
// item list) in a free-for-all game of sixteen players.
MessageLimits GameMessageFuzzLimits(uint8_t selector);

// Fills a message fresh from the factory with one of three samples of its type: 0 the least each field
// holds (the fewest entries, empty places), 1 the most (every count at its bound, every index at the
// top of its range, every optional field present), 2 values in between.
void FillGameMessageSample(Net::Message& message, const MessageLimits& limits, uint32_t variant);

// Harness inputs holding every message type's three samples under both limits.
std::vector<std::vector<uint8_t>> MakeGameMessageSeeds();
