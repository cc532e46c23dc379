#include "Source/Network/Journal.h"

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"

#include <bit>

using namespace Lumvek;

namespace
{

// Fields travel little-endian whatever machine wrote them.
constexpr int32_t JournalByteOrder = std::endian::native == std::endian::little ? MemoryOrder : ReversedOrder;

// The file keeps this many of the configuration's attribute multipliers, from the first one on.
constexpr uint32_t WrittenAttributeCount = 15;

void WriteSlot(BufferWriter& writer, const Slot& slot)
{
    writer.Write<uint8_t>(slot.id);
    writer.Write<uint8_t>(slot.team);
    for (uint32_t position = 0; position < Loadout::Count; ++position)
        writer.Write<uint32_t>(slot.loadout[position]);
}

} // namespace

JournalInput JournalInput::Pack(int8_t move, int8_t aimY, int8_t aimX, const std::array<uint8_t, ButtonCount>& buttons)
{
    JournalInput input;
    input.move = move;
    input.aimY = aimY;
    input.aimX = aimX;
    for (uint32_t button = 0; button < ButtonCount; ++button)
        if (buttons[button] != 0)
            input.buttons[button / 8] |= static_cast<uint8_t>(0x80u >> (button % 8));
    return input;
}

void Journal::Begin(const GameConfiguration& current)
{
    configuration = current;
    inputs.clear();
    frameEnds.clear();
}

void Journal::BeginFrame()
{
    frameEnds.push_back(static_cast<uint32_t>(inputs.size()));
}

void Journal::AddInput(const JournalInput& input)
{
    if (frameEnds.empty())
        BeginFrame();
    inputs.push_back(input);
    frameEnds.back() = static_cast<uint32_t>(inputs.size());
}

std::span<const JournalInput> Journal::GetFrame(uint32_t frame) const
{
    if (frame >= frameEnds.size())
        return {};
    const uint32_t begin = frame == 0 ? 0 : frameEnds[frame - 1];
    return std::span<const JournalInput>(inputs).subspan(begin, frameEnds[frame] - begin);
}

std::string Journal::Write() const
{
    BufferWriter writer(JournalByteOrder);
    writer.Write<uint32_t>(configuration.map);
    writer.Write<uint32_t>(configuration.theme);
    writer.Write<uint32_t>(configuration.gameType);
    writer.Write<uint32_t>(configuration.teamCount);

    writer.Write<uint32_t>(static_cast<uint32_t>(configuration.players.size()));
    for (const PlayerSlot& slot : configuration.players)
    {
        WriteSlot(writer, slot);
        writer.Write<uint32_t>(slot.localIndex);
    }
    writer.Write<uint32_t>(static_cast<uint32_t>(configuration.remotePlayers.size()));
    for (const RemotePlayerSlot& slot : configuration.remotePlayers)
    {
        WriteSlot(writer, slot);
        writer.Write<uint32_t>(slot.clientId);
    }

    for (uint32_t position = 0; position < Loadout::Count; ++position)
        writer.Write<uint32_t>(configuration.loadout[position]);
    for (const WeaponSpawn& spawn : configuration.weapons)
    {
        writer.Write<uint32_t>(spawn.weapon);
        writer.Write<uint32_t>(spawn.spawnTime);
    }
    for (uint32_t index = 0; index < WrittenAttributeCount; ++index)
        writer.Write<float>(configuration.attributes[index]);
    writer.Write<float>(configuration.settings.gravity.x);
    writer.Write<float>(configuration.settings.gravity.y);
    writer.Write<uint8_t>(configuration.settings.friendlyFire ? 1 : 0);
    writer.Write<uint32_t>(configuration.settings.respawnTime);

    writer.Write<uint32_t>(GetFrameCount());
    for (uint32_t frame = 0; frame < GetFrameCount(); ++frame)
    {
        const std::span<const JournalInput> frameInputs = GetFrame(frame);
        writer.Write<uint32_t>(static_cast<uint32_t>(frameInputs.size()));
        for (const JournalInput& input : frameInputs)
        {
            writer.Write<int8_t>(input.move);
            writer.Write<int8_t>(input.aimY);
            writer.Write<int8_t>(input.aimX);
            writer.WriteBytes(input.buttons.data(), static_cast<uint32_t>(input.buttons.size()));
        }
    }
    return writer.ToString();
}

bool Journal::Save(const FileManager& files, StringView path) const
{
    const std::string bytes = Write();
    const std::string resolved = files.ResolvePath(path);
    std::error_code error;
    const bool saved = File::WriteAllText(resolved, bytes, error);
    LogSave(saved, resolved, error);
    return saved;
}

void Journal::LogSave(bool saved, StringView resolved, const std::error_code& error)
{
    if (saved)
        Log::Write("saved journal to {}", resolved);
    else
        Log::Write("failed to save journal to {}: {}", resolved, error.message());
}
