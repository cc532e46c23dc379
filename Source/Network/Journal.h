#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/StringView.h"
#include "Source/Data/GameConfiguration.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace Lumvek
{
class FileManager;
}

// One player's controls of one tick as a journal keeps and writes them: the three axes as they are
// and the sixteen buttons as bits. The input record's history is left out, so a tick costs five bytes
// per player however long the match runs.
struct JournalInput
{
    static constexpr uint32_t ButtonCount = 16;

    // The button bytes in the input record's order: FallThrough, Jump, Interact, SwitchWeapon,
    // Primary, Secondary, Reload, Scope, Drop, Use, SelectHead, SelectCore, SelectArms, SelectLegs,
    // TogglePart, ToggleView. A byte that is not 0 is a pressed button, whatever its value.
    static JournalInput Pack(int8_t move, int8_t aimY, int8_t aimX, const std::array<uint8_t, ButtonCount>& buttons);

    bool operator==(const JournalInput&) const = default;

    int8_t move = 0;
    int8_t aimY = 0;
    int8_t aimX = 0;
    // The buttons' bits, most significant first: FallThrough is bit 7 of the first byte, Scope its
    // bit 0, Drop bit 7 of the second byte and ToggleView its bit 0.
    std::array<uint8_t, 2> buttons{};
};
static_assert(sizeof(JournalInput) == 5, "a journal input is written as it lies in memory");

// The record of one match that its network role writes to "Journals/{}.vjrn" when the match ends: the
// match's set-up and, for a local match, every stepped tick's inputs of the local players in slot
// order. Nothing reads it back. Owned by the network role and used on the application thread only.
class Journal
{
public:
    // Starts the record of a new match: takes the match's set-up (GameConfiguration's assignment leaves
    // the player lists out) and drops the ticks of any match the role played before.
    void Begin(const GameConfiguration& current);

    // Opens the input list of a new tick; AddInput appends to the newest list.
    void BeginFrame();
    // Appends to the newest tick's list, opening one when there is none yet.
    void AddInput(const JournalInput& input);

    uint32_t GetFrameCount() const { return static_cast<uint32_t>(frameEnds.size()); }
    // The inputs of one recorded tick; an index past the last tick gives an empty list.
    std::span<const JournalInput> GetFrame(uint32_t frame) const;

    // The journal file's bytes. Integers are little-endian on every machine, with no padding.
    std::string Write() const;
    // Writes the file at the path that files resolves, replacing any file there whole or not at all,
    // and logs where it went. False, logged, when the file could not be written.
    bool Save(const Lumvek::FileManager& files, Lumvek::StringView path) const;
    // The line that tells where a journal went, or that it could not be written there.
    // A failure names the system's reason (no space, read-only, not a folder).
    static void LogSave(bool saved, Lumvek::StringView resolved, const std::error_code& error);

    GameConfiguration configuration;

private:
    // Every tick's inputs end to end, and where each tick's inputs end, so recording a tick adds to
    // two vectors instead of making one of its own.
    std::vector<JournalInput> inputs;
    std::vector<uint32_t> frameEnds;
};

// Writes a finished match's journal where the program keeps them and returns the resolved path, or an
// empty text when it could not. The game system's writes "Journals/<new GUID>.vjrn" on a thread of its
// own (JournalSaver): the path is where the journal goes, and a write that fails there says so in the log.
using JournalWriter = std::function<std::string(const Journal&)>;
