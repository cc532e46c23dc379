#include "Source/Network/Journal.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Tests/LogCapture.h"
#include "Tests/TestFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

using namespace Lumvek;
using Lumvek::Testing::LogCapture;
using Lumvek::Testing::TestFolder;

namespace
{

constexpr uint32_t None = 0xFFFFFFFFu;
using Buttons = std::array<uint8_t, JournalInput::ButtonCount>;

// The expected file, spelled out field by field, little-endian.
struct Bytes
{
    Bytes& U8(uint8_t value)
    {
        text.push_back(static_cast<char>(value));
        return *this;
    }
    Bytes& U32(uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            U8(static_cast<uint8_t>(value >> shift));
        return *this;
    }
    Bytes& F32(float value)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &value, 4);
        return U32(bits);
    }

    std::string text;
};

class JournalTest : public testing::Test
{
protected:
    std::string SaveAndRead(const Journal& journal)
    {
        EXPECT_TRUE(journal.Save(files, "Journals/match.vjrn"));
        return File::ReadAllText(folder.Path("Journals/match.vjrn")).second;
    }

    TestFolder folder;
    FileManager files{folder.Root(), folder.Root(), folder.Root(), folder.Root()};
};

} // namespace

// What a server's or a client's journal holds: the default set-up and no ticks.
TEST_F(JournalTest, DefaultJournalIsTheDefaultSetUpIn173Bytes)
{
    LogCapture log;
    Bytes expected;
    expected.U32(0).U32(0).U32(0).U32(2); // map, theme, game type, team count
    expected.U32(0).U32(0);               // local and network players
    for (int id = 0; id < 6; ++id)
        expected.U32(None);
    for (int spawn = 0; spawn < 6; ++spawn)
        expected.U32(None).U32(5);
    for (float multiplier : {1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1})
        expected.F32(multiplier);
    expected.F32(0.0f).F32(-10.0f).U8(0).U32(0); // gravity, friendly fire, respawn time
    expected.U32(0);                             // frames

    const std::string bytes = SaveAndRead(Journal());
    ASSERT_EQ(bytes.size(), 173u);
    EXPECT_EQ(bytes, expected.text);
    EXPECT_TRUE(log.Logged("saved journal to " + folder.Path("Journals/match.vjrn")));
}

// A local match: its set-up without the player lists, then per tick five bytes per local player, the
// buttons as bits from FallThrough (bit 7 of the first byte) to ToggleView (bit 0 of the second).
// Matches played before by the same role are dropped.
TEST_F(JournalTest, LocalJournalHoldsTheSetUpAndFiveBytesPerInputOfItsOwnMatch)
{
    GameConfiguration current;
    Journal journal;
    journal.Begin(current);
    for (int tick = 0; tick < 4; ++tick)
        journal.AddInput(JournalInput{});

    current.map = 7;
    current.theme = 3;
    current.gameType = 2;
    current.teamCount = 4;
    current.loadout = Loadout{10, 11, 12, 13, 14, None};
    for (uint32_t spawn = 0; spawn < GameConfiguration::WeaponSpawnCount; ++spawn)
        current.weapons[spawn] = WeaponSpawn{20 + spawn, 30 + spawn};
    for (uint32_t index = 0; index < Attributes::Count; ++index)
        current.attributes[index] = 0.5f + static_cast<float>(index);
    current.settings = GameSettings{{1.5f, -9.0f}, true, 12, 98, 99};
    current.players.emplace_back(nullptr, 1);
    journal.Begin(current);

    constexpr uint32_t Ticks = 3;
    constexpr uint32_t Players = 2;
    Bytes expected;
    expected.U32(7).U32(3).U32(2).U32(4).U32(0).U32(0);
    expected.U32(10).U32(11).U32(12).U32(13).U32(14).U32(None);
    for (uint32_t spawn = 0; spawn < 6; ++spawn)
        expected.U32(20 + spawn).U32(30 + spawn);
    for (uint32_t index = 0; index < 15; ++index)
        expected.F32(0.5f + static_cast<float>(index));
    expected.F32(1.5f).F32(-9.0f).U8(1).U32(12).U32(Ticks);
    for (uint32_t tick = 0; tick < Ticks; ++tick)
    {
        journal.BeginFrame();
        expected.U32(Players);
        const int8_t move = static_cast<int8_t>(static_cast<int>(tick) - 127);
        // The first player holds FallThrough and Drop; the second Scope and ToggleView, whose bytes
        // are not 1.
        journal.AddInput(JournalInput::Pack(move, 1, 127, Buttons{1, 0, 0, 0, 0, 0, 0, 0, 1}));
        expected.U8(static_cast<uint8_t>(move)).U8(1).U8(127).U8(0x80).U8(0x80);
        journal.AddInput(JournalInput::Pack(move, -2, 0, Buttons{0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 255}));
        expected.U8(static_cast<uint8_t>(move)).U8(0xFE).U8(0).U8(0x01).U8(0x01);
    }

    const std::string bytes = SaveAndRead(journal);
    ASSERT_EQ(bytes.size(), 173u + Ticks * (4 + 5 * Players));
    EXPECT_EQ(bytes, expected.text);
}

// Slots never reach a journal through Begin, but a slot that is there is written in 30 bytes.
TEST_F(JournalTest, PlayerSlotsAreThirtyBytesEach)
{
    Journal journal;
    PlayerSlot& local = journal.configuration.players.emplace_back(nullptr, 3);
    local.id = 2;
    local.team = 1;
    local.loadout = Loadout{40, 41, 42, 43, 44, None};
    journal.configuration.remotePlayers.emplace_back().clientId = 6;

    Bytes slots;
    slots.U32(1).U8(2).U8(1).U32(40).U32(41).U32(42).U32(43).U32(44).U32(None).U32(3);
    slots.U32(1).U8(255).U8(4);
    for (int id = 0; id < 6; ++id)
        slots.U32(None);
    slots.U32(6);

    const std::string bytes = SaveAndRead(journal);
    ASSERT_EQ(bytes.size(), 173u + 2 * 30);
    EXPECT_EQ(bytes.substr(16, slots.text.size()), slots.text);
}

// The line names the system's reason, so that a full or read-only disk is told from a misplaced file.
TEST_F(JournalTest, FailedWriteIsReportedWithItsReasonAndLeavesWhatWasThere)
{
    // A file stands where the journal's folder should be.
    ASSERT_TRUE(File::WriteAllText(folder.Path("Journals"), StringView("not a folder")));
    LogCapture log;
    EXPECT_FALSE(Journal().Save(files, "Journals/match.vjrn"));
    EXPECT_EQ(log.messages,
              std::vector<std::string>{"failed to save journal to " + folder.Path("Journals/match.vjrn") +
                                       ": Not a directory"});
    EXPECT_EQ(File::ReadAllText(folder.Path("Journals")).second, "not a folder");
}
