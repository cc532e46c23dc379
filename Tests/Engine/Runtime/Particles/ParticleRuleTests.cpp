#include "Engine/Runtime/Particles/ParticleGenerators.h"
#include "Engine/Runtime/Particles/ParticleInitializers.h"
#include "Engine/Runtime/Particles/ParticleUpdaters.h"
#include "Tests/Engine/Runtime/Particles/ParticleTestSupport.h"

#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace Lumvek::Testing
{
namespace
{

using ::testing::ElementsAre;

enum Attribute
{
    X,
    Y,
    Angle,
    ScaleX,
    ScaleY,
    VelocityX,
    VelocityY,
    Rotation,
    Red,
    Green,
    Blue,
    Alpha,
    Lifetime
};

float ValueOf(const EmitterState& s, Attribute attribute, uint32_t i)
{
    const float values[] = {
        s.x[i],         s.y[i],        s.angle[i],      s.scaleX[i],       s.scaleY[i],      s.velocityX[i],
        s.velocityY[i], s.rotation[i], float(s.red[i]), float(s.green[i]), float(s.blue[i]), float(s.alpha[i]),
        s.lifetime[i]};
    return values[attribute];
}

TEST(ParticleInitializers, EachKindGivesTheNewbornTheValueAtTheEmittersProgress)
{
    // A particle born at an emitter time of 0.5 s of 2 s (e = 0.25), aged 0.5 s and moving along +y,
    // by a system at (10, 20) of size 4 by 2 turned a quarter, so that it faces 90 degrees.
    const std::pair<std::string, std::vector<std::pair<Attribute, float>>> cases[] = {
        {R"({ Type = "AngleInterpolate" Angle { From = 10.0 To = 30.0 } })", {{Angle, 15.0f}}},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 0.0 } { Time = 0.5 Value = 100.0 } ] })",
         {{Angle, 50.0f}}},
        // Before the first key the first segment is extrapolated; a single key gives 0.
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.5 Value = 10.0 } { Time = 1.0 Value = 20.0 } ] })",
         {{Angle, 5.0f}}},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 10.0 } ] })", {{Angle, 0.0f}}},
        // Two keys at one time give the first key's value instead of a division by zero.
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.5 Value = 10.0 } { Time = 0.5 Value = 20.0 } ] })",
         {{Angle, 10.0f}}},
        {R"lon({ Type = "AngleOrient" Offset = "Degrees(90)" })lon", {{Angle, 180.0f}}},
        // Channels not named are 0; 255 down to 0 at a quarter keeps 255 - truncate(63.75).
        {R"({ Type = "ColorInterpolate" Alpha { From = 255 To = 0 } Red { From = 0 To = 9 } })",
         {{Red, 2.0f}, {Green, 0.0f}, {Alpha, 192.0f}}},
        // A channel beyond a byte is not taken.
        {R"({ Type = "ColorSet" Red { Value = 1 } Green { Value = 2 } Blue { Value = 3 } Alpha { Value = 300 } })",
         {{Red, 1.0f}, {Green, 2.0f}, {Blue, 3.0f}, {Alpha, 0.0f}}},
        {R"({ Type = "ColorTimeline" Green [ { Time = 0.0 Value = 0 } { Time = 1.0 Value = 255 } ] })",
         {{Green, 63.0f}, {Alpha, 0.0f}}},
        // Offsets in units of the size, turned with the system: (0.5, -0.5) is (2, -1), turned (1, 2).
        {R"({ Type = "PositionSet" X { Value = 0.5 } Y { Value = -0.5 } })", {{X, 11.0f}, {Y, 22.0f}}},
        {R"({ Type = "PositionInterpolate" X { From = 0.0 To = 1.0 } })", {{X, 10.0f}, {Y, 21.0f}}},
        {R"({ Type = "PositionTimeline" Y [ { Time = 0.0 Value = 0.0 } { Time = 1.0 Value = 4.0 } ] })",
         {{X, 8.0f}, {Y, 20.0f}}},
        {R"({ Type = "ScaleInterpolate" Width { From = 1.0 To = 3.0 } })", {{ScaleX, 1.5f}, {ScaleY, 0.0f}}},
        // 90 degrees points along +x; the particle moves on by its age.
        {R"({ Type = "VelocityDirection" Speed { From = 2.0 To = 2.0 } Angle { From = 90.0 To = 90.0 } })",
         {{VelocityX, 2.0f}, {VelocityY, 0.0f}, {X, 11.0f}, {Y, 20.0f}}},
    };
    for (const auto& [rule, checks] : cases)
    {
        EmitterRig rig;
        rig.system.x = 10.0f;
        rig.system.y = 20.0f;
        rig.system.width = 4.0f;
        rig.system.height = 2.0f;
        rig.system.rotation = 1.5707964f;
        rig.Birth(1, 0.5f, 0.5f);
        rig.State().velocityY[0] = 1.0f;
        std::unique_ptr<ParticleInitializer> initializer = MakeRule(&CreateInitializer, rule);
        ASSERT_NE(initializer, nullptr);
        initializer->Initialize(rig.State(), 0);
        for (const auto& [attribute, expected] : checks)
            EXPECT_NEAR(ValueOf(rig.State(), attribute, 0), expected, 1e-4f) << rule << " attribute " << attribute;
    }
}

TEST(ParticleInitializers, RandomValuesStayInTheirRangesAndOnlyNewParticlesChange)
{
    EmitterRig rig;
    EmitterState& state = rig.State();
    rig.Birth(1);
    state.lifetime[0] = 42.0f;
    const uint32_t first = rig.Birth(500);
    MakeRule(&CreateInitializer, R"({ Type = "LifetimeRandom" Lifetime { From = 1.0 To = 2.0 } })")
        ->Initialize(state, first);
    MakeRule(&CreateInitializer, R"({ Type = "ColorRandom" Red { From = 0 To = 2 } })")->Initialize(state, first);
    EXPECT_EQ(state.lifetime[0], 42.0f);
    std::set<float> lifetimes(state.lifetime.begin() + first, state.lifetime.begin() + state.count);
    EXPECT_GE(*lifetimes.begin(), 1.0f);
    EXPECT_LT(*lifetimes.rbegin(), 2.0f);
    EXPECT_GT(lifetimes.size(), 400u);
    // Rounded to the nearest value, so both ends are reached.
    EXPECT_THAT(std::set<int>(state.red.begin() + first, state.red.begin() + state.count), ElementsAre(0, 1, 2));
}

TEST(ParticleInitializers, AreaBorderCircleAndRingFillTheSystemsShapeTurnedWithItUnlessLocal)
{
    const std::tuple<std::string, float, bool> cases[] = {
        {"PositionArea", 0.0f, false},   {"PositionArea", 1.5707964f, false}, {"PositionArea", 1.5707964f, true},
        {"PositionBorder", 0.0f, false}, {"PositionCircle", 0.0f, false},     {"PositionRing", 1.5707964f, false}};
    for (const auto& [type, rotation, local] : cases)
    {
        SCOPED_TRACE(type + " " + std::to_string(rotation) + (local ? " local" : ""));
        EmitterRig rig(local ? "LinkParticles = true MaximumParticles = 400" : "MaximumParticles = 400");
        rig.system.x = local ? 0.0f : 1.0f;
        rig.system.y = local ? 0.0f : 1.0f;
        rig.system.width = 4.0f;
        rig.system.height = 2.0f;
        rig.system.rotation = rotation;
        rig.Birth(400);
        EmitterState& state = rig.State();
        MakeRule(&CreateInitializer, "{ Type = \"" + type + "\" }")->Initialize(state, 0);
        const bool turned = rotation != 0.0f && !local;
        float low[2] = {1e9f, 1e9f};
        float high[2] = {-1e9f, -1e9f};
        for (uint32_t i = 0; i < state.count; ++i)
        {
            // Back into the system's frame, in half sizes: a quarter turn carries the width along y.
            const float dx = state.x[i] - rig.system.x;
            const float dy = state.y[i] - rig.system.y;
            const float uv[2] = {(turned ? dy : dx) / 2.0f, turned ? -dx : dy};
            for (int axis = 0; axis < 2; ++axis)
            {
                low[axis] = std::min(low[axis], uv[axis]);
                high[axis] = std::max(high[axis], uv[axis]);
            }
            const float radius = uv[0] * uv[0] + uv[1] * uv[1];
            if (type == "PositionBorder")
            {
                EXPECT_NEAR(std::max(std::fabs(uv[0]), std::fabs(uv[1])), 1.0f, 1e-4f);
            }
            else if (type == "PositionCircle")
            {
                EXPECT_LE(radius, 1.0001f);
            }
            else if (type == "PositionRing")
            {
                EXPECT_NEAR(radius, 1.0f, 1e-4f);
            }
        }
        // The whole shape is reached and never left.
        for (int axis = 0; axis < 2; ++axis)
        {
            EXPECT_GE(low[axis], -1.0001f);
            EXPECT_LT(low[axis], -0.8f);
            EXPECT_LE(high[axis], 1.0001f);
            EXPECT_GT(high[axis], 0.8f);
        }
    }
}

TEST(ParticleUpdaters, InterpolationsAndTimelinesFollowEachParticlesLife)
{
    // Particles a quarter, half and all the way through their lives (the last has no life at all,
    // which counts as its end); timelines without a key after a particle's progress leave it alone.
    struct Case
    {
        std::string rule;
        Attribute attribute;
        float expected[3];
    } cases[] = {
        {R"({ Type = "AngleInterpolate" Angle { From = 0.0 To = 80.0 } })", Angle, {20.0f, 40.0f, 80.0f}},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 0.0 } { Time = 0.75 Value = 30.0 } ] })",
         Angle,
         {10.0f, 20.0f, 5.0f}},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 0.0 } ] })", Angle, {5.0f, 5.0f, 5.0f}},
        {R"({ Type = "ColorInterpolate" Alpha { From = 255 To = 0 } })", Alpha, {192.0f, 128.0f, 0.0f}},
        {R"({ Type = "ColorTimeline" Red [ { Time = 0.0 Value = 100 } { Time = 1.5 Value = 250 } ] })",
         Red,
         {125.0f, 150.0f, 200.0f}},
        {R"({ Type = "PositionTimeline" Y [ { Time = 0.5 Value = 0.0 } { Time = 1.0 Value = 8.0 } ] })",
         Y,
         {-4.0f, 0.0f, 0.0f}},
        {R"({ Type = "ScaleInterpolate" Height { From = 1.0 To = 2.0 } })", ScaleY, {1.25f, 1.5f, 2.0f}},
    };
    for (const Case& c : cases)
    {
        EmitterRig rig;
        EmitterState& state = rig.State();
        rig.Birth(3);
        const float ages[3] = {0.5f, 1.0f, 2.0f};
        const float lifetimes[3] = {2.0f, 2.0f, 0.0f};
        for (uint32_t i = 0; i < 3; ++i)
        {
            state.age[i] = ages[i];
            state.lifetime[i] = lifetimes[i];
            state.angle[i] = 5.0f;
        }
        MakeRule(&CreateUpdater, c.rule)->Update(state, 0, 0.1f);
        for (uint32_t i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(ValueOf(state, c.attribute, i), c.expected[i]) << c.rule << " particle " << i;
    }
}

TEST(ParticleUpdaters, MotionMovesAndTurnsByElapsedTimeAndConfinesToTheCircleBeforeTheBounds)
{
    // Moving at (3, 4) units per second for 1 s from the centre of a 4 by 2 system at (10, 10), or
    // from the origin in local space.
    const std::tuple<std::string, bool, float, float> cases[] = {
        {"", false, 13.0f, 14.0f},
        {"ConfineToBounds = true", false, 12.0f, 11.0f},
        {"ConfineToCircle = true", false, 11.2f, 11.6f},
        {"ConfineToCircle = true ConfineToBounds = true", false, 11.2f, 11.6f},
        {"ConfineToBounds = true", true, 2.0f, 1.0f},
    };
    for (const auto& [keys, local, x, y] : cases)
    {
        EmitterRig rig(local ? "LinkParticles = true" : "");
        rig.system.x = 10.0f;
        rig.system.y = 10.0f;
        rig.system.width = 4.0f;
        rig.system.height = 2.0f;
        rig.Birth(1);
        EmitterState& state = rig.State();
        state.velocityX[0] = 3.0f;
        state.velocityY[0] = 4.0f;
        state.rotation[0] = 90.0f;
        MakeRule(&CreateUpdater, "{ Type = \"PositionMotion\" " + keys + " }")->Update(state, 0, 1.0f);
        MakeRule(&CreateUpdater, R"({ Type = "AngleMotion" })")->Update(state, 0, 0.5f);
        EXPECT_NEAR(state.x[0], x, 1e-5f) << keys;
        EXPECT_NEAR(state.y[0], y, 1e-5f) << keys;
        EXPECT_EQ(state.angle[0], 45.0f);
    }

    // A system with no width pulls circle-confined particles onto its centre.
    EmitterRig rig;
    rig.system.width = 0.0f;
    rig.Birth(1);
    rig.State().velocityX[0] = 1.0f;
    MakeRule(&CreateUpdater, R"({ Type = "PositionMotion" ConfineToCircle = true })")->Update(rig.State(), 0, 1.0f);
    EXPECT_EQ(std::make_pair(rig.State().x[0], rig.State().y[0]), std::make_pair(0.0f, 0.0f));
}

TEST(ParticleRules, ChannelArithmeticStopsAtTheEndsOfAByte)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Interpolate(uint8_t(255), uint8_t(0), 0.5f), 128);
    EXPECT_EQ(Interpolate(uint8_t(0), uint8_t(200), 2.0f), 255);
    EXPECT_EQ(Interpolate(uint8_t(200), uint8_t(0), 3.0f), 0);
    EXPECT_EQ(Interpolate(uint8_t(10), uint8_t(20), nan), 0);
    EXPECT_EQ(Interpolate(uint8_t(10), uint8_t(20), std::numeric_limits<float>::infinity()), 255);
    EXPECT_EQ(Draw(uint8_t(0), uint8_t(3), 0.5f), 2);
    EXPECT_EQ(ToChannel(nan), 0);
}

TEST(ParticleRules, RegistriesGoByExactNamesAndExactTypes)
{
    // Every name makes its type and reads back (LteFormat tests); the sizes and the lookups' edges here.
    EXPECT_EQ(std::make_tuple(GetGeneratorNames().size(), GetInitializerNames().size(), GetUpdaterNames().size()),
              std::make_tuple(5u, 33u, 14u));
    for (StringView name : {StringView("burst"), StringView("Burst "), StringView("")})
        EXPECT_EQ(CreateGenerator(name), nullptr);
    EXPECT_EQ(CreateUpdater("AngleSet"), nullptr);
    EXPECT_TRUE(GetUpdaterName(InterpolateUpdater<AngleFamily>()).IsEmpty());
}

} // namespace
} // namespace Lumvek::Testing
