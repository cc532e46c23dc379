#pragma once

#include <cstddef>
#include <cstdint>

// Entry points shared by the fuzz programs and by the corpus test of the main build. Each reader
// takes any bytes at all; it must not crash, leak or trip a sanitizer, and stops the program
// (trap) only when an invariant of the library breaks. Each returns 0.
namespace Net::Fuzz
{

// Messages of every field kind read from a bare stream; what reads must write back the same.
int ReadMessages(const uint8_t* data, size_t size);
// One packet payload handed to a connection with a reliable and an unreliable channel.
int ReadConnectionPacket(const uint8_t* data, size_t size);
// Wire packets, each a 2-byte little-endian length and its bytes, handed to a reliable endpoint
// whose payloads go on to a connection.
int ReadReliablePackets(const uint8_t* data, size_t size);

// Valid inputs for the readers above, written into buffer; each returns the bytes used.
size_t MakeMessagesSample(uint8_t* buffer, size_t maxBytes);
size_t MakeConnectionPacketSample(uint8_t* buffer, size_t maxBytes);
size_t MakeReliablePacketsSample(uint8_t* buffer, size_t maxBytes);

// Feeds one input to the connection layer: the first byte picks the reader (sealed packet,
// connection request, connect token and address forms, contents sealed under a known key, or a
// live server and client over the in-memory network), the rest is the input. Aborts when an
// invariant breaks: a packet that reads must write back to the same bytes, and no input may
// disconnect the connected client. Returns 0.
int NetcodePacket(const uint8_t* data, size_t size);

} // namespace Net::Fuzz
