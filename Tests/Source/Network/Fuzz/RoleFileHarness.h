#pragma once

#include <cstddef>
#include <cstdint>

// Reads any bytes as the text of a local, a server and a client role file. It must not crash, leak or
// trip a sanitizer, and stops the program (trap) when a record comes out holding a value its role
// cannot use: a duration that is negative or not finite, a rate that is not above 0, a port of 0.
// Shared by the fuzz program and the corpus test of the main build. Returns 0.
int FuzzRoleFile(const uint8_t* data, size_t size);
