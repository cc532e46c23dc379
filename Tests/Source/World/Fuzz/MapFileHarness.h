#pragma once

#include <cstddef>
#include <cstdint>

// Reads any bytes as the text of a map file into a world over a small registry of its own (hazard
// "Spikes", zone "Mud", interaction "Lever"), steps it, saves it and loads what was saved. It must not
// crash, leak or trip a sanitizer, and stops the program (trap) when the world comes out breaking its
// own rules: a count beyond a storage's capacity, a registered entity that a query of the whole area
// does not find, a moving platform at a position that is not finite. Shared by the fuzz program and
// the corpus test of the main build. Returns 0.
int FuzzMapFile(const uint8_t* data, size_t size);
