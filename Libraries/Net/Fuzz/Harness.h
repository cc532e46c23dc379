#pragma once

#include <cstddef>
#include <cstdint>

namespace Net::Fuzz
{

// Feeds one input to the connection layer: the first byte picks the reader (sealed packet,
// connection request, connect token and address forms, contents sealed under a known key, or a
// live server and client over the in-memory network), the rest is the input. Aborts when an
// invariant breaks: a packet that reads must write back to the same bytes, and no input may
// disconnect the connected client. Returns 0.
int NetcodePacket(const uint8_t* data, size_t size);

} // namespace Net::Fuzz
