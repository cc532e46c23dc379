#include "Source/World/Keyframes.h"

#include "Engine/Foundation/Lon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Lumvek;

namespace
{

Keyframes Track(std::vector<Keyframe> keys)
{
    Keyframes track;
    track.keys = std::move(keys);
    return track;
}

Blueprint Parse(StringView text)
{
    Blueprint value;
    EXPECT_TRUE(Lon::Parse(text, value)) << text.ToStdView();
    return value;
}

} // namespace

TEST(Keyframes, SamplingHoldsTheEndKeysAndBlendsBetweenTheKeysAroundTheTime)
{
    const Keyframes track = Track({{0.2f, 1.0f, 2.0f, 0.5f}, {0.6f, 3.0f, 6.0f, 1.5f}});
    struct Case
    {
        float t;
        Keyframe expected;
    };
    for (const Case& c : {Case{0.1f, {0.1f, 1.0f, 2.0f, 0.5f}}, Case{0.4f, {0.4f, 2.0f, 4.0f, 1.0f}},
                          Case{0.9f, {0.9f, 3.0f, 6.0f, 1.5f}}})
    {
        const Keyframe pose = Timeline::Sample(track, c.t);
        EXPECT_NEAR(pose.x, c.expected.x, 1e-5f) << c.t;
        EXPECT_NEAR(pose.y, c.expected.y, 1e-5f) << c.t;
        EXPECT_NEAR(pose.rotation, c.expected.rotation, 1e-5f) << c.t;
    }
    EXPECT_EQ(Timeline::Sample(Keyframes(), 0.3f), (Keyframe{0.3f, 0.0f, 0.0f, 0.0f}));
    const Keyframe only = Timeline::Sample(Track({{0.5f, 1.0f, 1.0f, 1.0f}}), 0.1f);
    EXPECT_EQ(only, (Keyframe{0.1f, 1.0f, 1.0f, 1.0f}));
}

TEST(Keyframes, TwoKeysOfOneTimeSampleToAKeyRatherThanDividingByZero)
{
    const Keyframes track = Track({{0.0f, 0.0f, 0.0f, 0.0f}, {0.5f, 1.0f, 1.0f, 1.0f}, {0.5f, 2.0f, 2.0f, 2.0f}});
    const Keyframe pose = Timeline::Sample(track, 0.5f);
    EXPECT_TRUE(std::isfinite(pose.x) && std::isfinite(pose.rotation));
    EXPECT_FLOAT_EQ(pose.x, 2.0f);
}

TEST(Keyframes, RotationsBlendTheShorterWayRoundAndWrap)
{
    struct Case
    {
        float from;
        float to;
        float factor;
        float expected;
    };
    for (const Case& c : {Case{6.1f, 0.1f, 0.5f, 6.2415929f}, Case{0.1f, 6.1f, 0.5f, 6.2415929f},
                          Case{1.0f, 2.0f, 0.25f, 1.25f}, Case{0.2f, 6.0f, 1.0f, 6.0f}})
        EXPECT_NEAR(BlendRotation(c.from, c.to, c.factor), c.expected, 1e-4f) << c.from << " " << c.to;
}

TEST(Keyframes, InsertionGoesAfterKeysOfTheSameTime)
{
    Keyframes track = Track({{0.2f}, {0.5f}, {0.8f}});
    EXPECT_EQ(track.Insert({0.5f, 9.0f}), 2u);
    EXPECT_EQ(track.keys[2].x, 9.0f);
    EXPECT_EQ(track.Insert({1.0f}), 4u);
    EXPECT_EQ(track.Insert({0.0f}), 0u);
}

TEST(Keyframes, ATrackReadsKeysInFileOrderAndOnlyKeysWithANumberForTimeTakeTheirValue)
{
    Keyframes track = Track({{7.0f}});
    const Blueprint file = Parse(R"~({ Spine [
        { Time = 0.6 Value { Position = "1 2" Rotation = "Degrees(90)" } }
        { Time = "0" Value { Position = "5 5" Rotation = "Degrees(45)" } }
        { Time = 0.2 }
    ] Skull = 3 })~");
    BlueprintReader reader(file);
    EXPECT_FALSE(ReadMember(reader, "Spine", track));
    ASSERT_EQ(track.keys.size(), 3u);
    EXPECT_FLOAT_EQ(track.keys[0].time, 0.6f);
    EXPECT_FLOAT_EQ(track.keys[0].y, 2.0f);
    EXPECT_NEAR(track.keys[0].rotation, 1.5707964f, 1e-6f);
    // A time that is no number is not read, and the key keeps the zero pose.
    EXPECT_EQ(track.keys[1], Keyframe());
    EXPECT_FLOAT_EQ(track.keys[2].time, 0.2f);

    EXPECT_FALSE(ReadMember(reader, "Skull", track));
    EXPECT_TRUE(track.keys.empty());
    track = Track({{7.0f}});
    EXPECT_FALSE(ReadMember(reader, "Missing", track));
    EXPECT_EQ(track.keys.size(), 1u);
}

TEST(Keyframes, AWrittenTrackReadsBackAsItWas)
{
    const Keyframes track = Track({{0.0f, 0.5f, 0.38f, 0.25f}, {0.5f, -1.0f, 2.0f, 3.0f}});
    BlueprintWriter writer;
    WriteMember(writer, "Spine", track);
    BlueprintReader reader(writer.GetRoot());
    Keyframes read;
    EXPECT_TRUE(ReadMember(reader, "Spine", read));
    ASSERT_EQ(read.keys.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
    {
        EXPECT_FLOAT_EQ(read.keys[i].time, track.keys[i].time);
        EXPECT_FLOAT_EQ(read.keys[i].x, track.keys[i].x);
        EXPECT_NEAR(read.keys[i].rotation, track.keys[i].rotation, 1e-5f);
    }
}
