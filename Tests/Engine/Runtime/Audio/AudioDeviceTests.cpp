#include "Tests/Engine/Runtime/Audio/RecordingDevices.h"

#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"

#include <gtest/gtest.h>

namespace Lumvek
{
namespace
{

using Testing::DeviceCalls;
using Testing::RecordingAudioDevice;

using Calls = std::vector<std::string>;

// A resource of another kind, stored where a sound could be.
class Other : public Resource
{
};

TEST(AudioDevice, PlaysTheSoundStoredUnderTheNameOfTheIndex)
{
    uint32_t jump = NameSet::Global().Add("DeviceTests.Jump");
    uint32_t missing = NameSet::Global().Add("DeviceTests.Missing");
    uint32_t other = NameSet::Global().Add("DeviceTests.Other");
    ResourceTable table;
    uint32_t jumpId = NameTableB().Add("DeviceTests.Jump");
    ASSERT_EQ(table.Create<Sound>(jumpId)->volume, 1.0f);
    EXPECT_EQ(table.Create<Sound>(jumpId), nullptr);
    table.Create<Other>(NameTableB().Add("DeviceTests.Other"));

    DeviceCalls record;
    RecordingAudioDevice device(&table, record);
    const struct
    {
        uint32_t index;
        uint32_t instance;
    } cases[] = {
        {jump, 0}, {jump, 1}, {missing, InvalidId}, {other, InvalidId}, {NameSet::Global().Count() + 10, InvalidId},
    };
    for (const auto& c : cases)
    {
        SoundInstance instance = device.Play(c.index);
        EXPECT_EQ(instance.device, &device);
        EXPECT_EQ(instance.id, c.instance) << c.index;
    }
    std::string id = std::to_string(jumpId);
    // Each instance stops when it is let go of; a sound that could not play stops nothing known.
    EXPECT_EQ(record.calls, (Calls{"Play " + id, "Stop 0", "Play " + id, "Stop 1", "Stop 4294967295", "Stop 4294967295",
                                   "Stop 4294967295"}));

    RecordingAudioDevice withoutTable(nullptr, record);
    EXPECT_EQ(withoutTable.Play(jump).id, InvalidId);
}

TEST(AudioDevice, SoundInstancesStopOnceWhoeverHoldsThem)
{
    ResourceTable table;
    DeviceCalls record;
    RecordingAudioDevice device(&table, record);
    {
        SoundInstance kept(&device, 7);
        SoundInstance moved = std::move(kept);
        EXPECT_EQ(kept.device, nullptr);
        SoundInstance other(&device, 8);
        other = std::move(moved);
        EXPECT_EQ(record.calls, Calls{"Stop 8"});
        other.Release();
        other.Release();
    }
    EXPECT_EQ(record.calls, (Calls{"Stop 8", "Stop 7"}));
}

TEST(AudioDevice, ReleaseDropsTheRegistrationAndTheResource)
{
    uint32_t index = NameSet::Global().Add("DeviceTests.Released");
    ResourceTable table;
    uint32_t id = NameTableB().Add("DeviceTests.Released");
    table.Create<Sound>(id);
    DeviceCalls record;
    RecordingAudioDevice device(&table, record);

    EXPECT_TRUE(device.Release(index));
    EXPECT_EQ(table.Get(id), nullptr);
    EXPECT_FALSE(device.Release(index));
    std::string removed = "RemoveSound " + std::to_string(index);
    EXPECT_EQ(record.calls, (Calls{removed, removed}));
}

TEST(AudioDevice, ListenerRecordsAreRemovedFromTheDeviceOnce)
{
    DeviceCalls record;
    {
        RecordingAudioDevice device(nullptr, record);
        device.listeners.emplace_back(&device, 1);
        device.listeners.emplace_back(&device, 2);
        device.listeners.emplace_back(&device, 3);
        device.listeners.erase(device.listeners.begin());
        EXPECT_EQ(record.calls, Calls{"RemoveListener 1"});
    }
    EXPECT_EQ(record.calls, (Calls{"RemoveListener 1", "RemoveListener 2", "RemoveListener 3"}));
}

} // namespace
} // namespace Lumvek
