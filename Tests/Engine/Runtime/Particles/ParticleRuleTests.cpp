#include "Engine/Runtime/ParticleGenerators.h"
#include "Engine/Runtime/ParticleInitializers.h"
#include "Engine/Runtime/ParticleUpdaters.h"
#include "Tests/Engine/Runtime/Particles/ParticleTestSupport.h"

#include <gmock/gmock.h>

#include <cmath>
#include <functional>
#include <limits>
#include <set>

namespace Lumvek::Testing
{
namespace
{

using ::testing::ElementsAre;

// The attribute values of particle 0.
struct Attributes
{
    float x, y, angle, scaleX, scaleY, velocityX, velocityY, rotation, lifetime;
    uint8_t red, green, blue, alpha;
};

Attributes Read(const EmitterState& state, uint32_t i = 0)
{
    return {state.x[i],         state.y[i],         state.angle[i],    state.scaleX[i],   state.scaleY[i],
            state.velocityX[i], state.velocityY[i], state.rotation[i], state.lifetime[i], state.red[i],
            state.green[i],     state.blue[i],      state.alpha[i]};
}

TEST(ParticleInitializers, EachKindGivesTheNewbornTheValueAtTheEmittersProgress)
{
    // Particles born at an emitter time of 0.5 s of 2 s (e = 0.25) and aged 0.5 s, by a system at
    // (10, 20) of size 4 by 2 turned a quarter, so births face 90 degrees.
    struct Case
    {
        std::string rule;
        std::function<void(const Attributes&)> check;
    } cases[] = {
        {R"({ Type = "AngleInterpolate" Angle { From = 10.0 To = 30.0 } })",
         [](const Attributes& a) { EXPECT_FLOAT_EQ(a.angle, 15.0f); }},
        {R"({ Type = "AngleSet" Angle { Value = 45.0 } })", [](const Attributes& a) { EXPECT_EQ(a.angle, 45.0f); }},
        {R"({ Type = "AngleRandom" Angle { From = 7.0 To = 7.0 } })",
         [](const Attributes& a) { EXPECT_EQ(a.angle, 7.0f); }},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 0.0 } { Time = 0.5 Value = 100.0 } ] })",
         [](const Attributes& a) { EXPECT_FLOAT_EQ(a.angle, 50.0f); }},
        // Before the first key the first segment is extrapolated; one key or none after e give 0.
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.5 Value = 10.0 } { Time = 1.0 Value = 20.0 } ] })",
         [](const Attributes& a) { EXPECT_FLOAT_EQ(a.angle, 5.0f); }},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 10.0 } ] })",
         [](const Attributes& a) { EXPECT_EQ(a.angle, 0.0f); }},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 10.0 } { Time = 0.125 Value = 20.0 } ] })",
         [](const Attributes& a) { EXPECT_EQ(a.angle, 0.0f); }},
        // Two keys at one time: the first key's value instead of a division by zero.
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.5 Value = 10.0 } { Time = 0.5 Value = 20.0 } ] })",
         [](const Attributes& a) { EXPECT_EQ(a.angle, 10.0f); }},
        // Channels not named are 0; 255 down to 0 at a quarter keeps 255 - truncate(63.75).
        {R"({ Type = "ColorInterpolate" Alpha { From = 255 To = 0 } Red { From = 0 To = 9 } })",
         [](const Attributes& a) {
             EXPECT_THAT((std::array{a.red, a.green, a.blue, a.alpha}), ElementsAre(2, 0, 0, 192));
         }},
        {R"({ Type = "ColorSet" Red { Value = 1 } Green { Value = 2 } Blue { Value = 3 } Alpha { Value = 300 } })",
         [](const Attributes& a) {
             EXPECT_THAT((std::array{a.red, a.green, a.blue, a.alpha}), ElementsAre(1, 2, 3, 255));
         }},
        {R"({ Type = "ColorTimeline" Green [ { Time = 0.0 Value = 0 } { Time = 1.0 Value = 255 } ] })",
         [](const Attributes& a) {
             EXPECT_THAT((std::array{a.red, a.green, a.blue, a.alpha}), ElementsAre(0, 63, 0, 0));
         }},
        {R"({ Type = "ColorRandom" Blue { From = 10 To = 10 } })", [](const Attributes& a) { EXPECT_EQ(a.blue, 10); }},
        {R"({ Type = "LifetimeInterpolate" Lifetime { From = 1.0 To = 5.0 } })",
         [](const Attributes& a) { EXPECT_EQ(a.lifetime, 2.0f); }},
        {R"({ Type = "LifetimeSet" Lifetime { Value = 2.5 } })",
         [](const Attributes& a) { EXPECT_EQ(a.lifetime, 2.5f); }},
        {R"({ Type = "LifetimeTimeline" Lifetime [ { Time = 0.0 Value = 4.0 } { Time = 1.0 Value = 0.0 } ] })",
         [](const Attributes& a) { EXPECT_EQ(a.lifetime, 3.0f); }},
        // (0.5, -0.5) of the size is (2, -1), turned a quarter (1, 2).
        {R"({ Type = "PositionSet" X { Value = 0.5 } Y { Value = -0.5 } })",
         [](const Attributes& a)
         {
             EXPECT_NEAR(a.x, 11.0f, 1e-5f);
             EXPECT_NEAR(a.y, 22.0f, 1e-5f);
         }},
        {R"({ Type = "PositionInterpolate" X { From = 0.0 To = 1.0 } })",
         [](const Attributes& a)
         {
             EXPECT_NEAR(a.x, 10.0f, 1e-5f);
             EXPECT_NEAR(a.y, 21.0f, 1e-5f);
         }},
        {R"({ Type = "PositionTimeline" Y [ { Time = 0.0 Value = 0.0 } { Time = 1.0 Value = 4.0 } ] })",
         [](const Attributes& a)
         {
             EXPECT_NEAR(a.x, 8.0f, 1e-5f);
             EXPECT_NEAR(a.y, 20.0f, 1e-5f);
         }},
        {R"({ Type = "RotationSet" Rotation { Value = -30.0 } })",
         [](const Attributes& a) { EXPECT_EQ(a.rotation, -30.0f); }},
        {R"({ Type = "RotationInterpolate" Rotation { From = 0.0 To = 8.0 } })",
         [](const Attributes& a) { EXPECT_EQ(a.rotation, 2.0f); }},
        {R"({ Type = "ScaleInterpolate" Width { From = 1.0 To = 3.0 } })",
         [](const Attributes& a) { EXPECT_EQ(std::make_pair(a.scaleX, a.scaleY), std::make_pair(1.5f, 0.0f)); }},
        {R"({ Type = "ScaleSet" Width { Value = 2.0 } Height { Value = 3.0 } })",
         [](const Attributes& a) { EXPECT_EQ(std::make_pair(a.scaleX, a.scaleY), std::make_pair(2.0f, 3.0f)); }},
        {R"({ Type = "VelocitySet" VelocityX { Value = 2.0 } VelocityY { Value = -1.0 } })",
         [](const Attributes& a) { EXPECT_EQ(std::make_pair(a.velocityX, a.velocityY), std::make_pair(2.0f, -1.0f)); }},
        {R"({ Type = "VelocityTimeline" VelocityX [ { Time = 0.0 Value = 0.0 } { Time = 0.5 Value = 1.0 } ] })",
         [](const Attributes& a) { EXPECT_EQ(a.velocityX, 0.5f); }},
        // 90 degrees points along +x; the particle moves on by its age of 0.5 s.
        {R"({ Type = "VelocityDirection" Speed { From = 2.0 To = 2.0 } Angle { From = 90.0 To = 90.0 } })",
         [](const Attributes& a)
         {
             EXPECT_NEAR(a.velocityX, 2.0f, 1e-5f);
             EXPECT_NEAR(a.velocityY, 0.0f, 1e-5f);
             EXPECT_NEAR(a.x, 11.0f, 1e-5f);
             EXPECT_NEAR(a.y, 20.0f, 1e-5f);
         }},
        // Still particles face the offset, in degrees.
        {R"lon({ Type = "AngleOrient" Offset = "Degrees(-90)" })lon",
         [](const Attributes& a) { EXPECT_NEAR(a.angle, 270.0f, 1e-3f); }},
    };
    for (const Case& c : cases)
    {
        EmitterRig rig;
        rig.system.x = 10.0f;
        rig.system.y = 20.0f;
        rig.system.width = 4.0f;
        rig.system.height = 2.0f;
        rig.system.rotation = 1.5707964f;
        rig.Birth(1, 0.5f, 0.5f);
        std::unique_ptr<ParticleInitializer> rule = MakeRule(&CreateInitializer, c.rule);
        ASSERT_NE(rule, nullptr);
        rule->Initialize(rig.State(), 0);
        SCOPED_TRACE(c.rule);
        c.check(Read(rig.State()));
    }
}

TEST(ParticleInitializers, AngleOrientFacesTheDirectionOfMotionPlusTheOffset)
{
    EmitterRig rig;
    rig.Birth(3);
    EmitterState& state = rig.State();
    const float velocities[3][2] = {{0.0f, 1.0f}, {-1.0f, 0.0f}, {2.0f, 0.0f}};
    for (uint32_t i = 0; i < 3; ++i)
    {
        state.velocityX[i] = velocities[i][0];
        state.velocityY[i] = velocities[i][1];
    }
    MakeRule(&CreateInitializer, R"lon({ Type = "AngleOrient" Offset = "Degrees(90)" })lon")->Initialize(state, 0);
    EXPECT_NEAR(state.angle[0], 180.0f, 1e-3f);
    EXPECT_NEAR(state.angle[1], 270.0f, 1e-3f);
    EXPECT_NEAR(state.angle[2], 90.0f, 1e-3f);
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
    std::set<float> lifetimes;
    std::set<int> reds;
    for (uint32_t i = first; i < state.count; ++i)
    {
        lifetimes.insert(state.lifetime[i]);
        reds.insert(state.red[i]);
    }
    EXPECT_GE(*lifetimes.begin(), 1.0f);
    EXPECT_LT(*lifetimes.rbegin(), 2.0f);
    EXPECT_GT(lifetimes.size(), 400u);
    // Rounded to the nearest value, so both ends are reached.
    EXPECT_THAT(reds, ElementsAre(0, 1, 2));
}

TEST(ParticleInitializers, AreaBorderCircleAndRingFillTheSystemsShapeTurnedWithItUnlessLocal)
{
    // The system is 4 wide and 2 high at (1, 1); turned a quarter, width runs along y.
    struct Case
    {
        std::string type;
        float rotation;
        bool local;
    } cases[] = {{"PositionArea", 0.0f, false},      {"PositionArea", 1.5707964f, false},
                 {"PositionArea", 1.5707964f, true}, {"PositionBorder", 0.0f, false},
                 {"PositionCircle", 0.0f, false},    {"PositionRing", 1.5707964f, false}};
    for (const Case& c : cases)
    {
        EmitterRig rig(c.local ? "LinkParticles = true MaximumParticles = 400" : "MaximumParticles = 400");
        rig.system.x = c.local ? 0.0f : 1.0f;
        rig.system.y = c.local ? 0.0f : 1.0f;
        rig.system.width = 4.0f;
        rig.system.height = 2.0f;
        rig.system.rotation = c.rotation;
        rig.Birth(400);
        EmitterState& state = rig.State();
        MakeRule(&CreateInitializer, "{ Type = \"" + c.type + "\" }")->Initialize(state, 0);
        const bool turned = c.rotation != 0.0f && !c.local;
        float minimum[2] = {1e9f, 1e9f};
        float maximum[2] = {-1e9f, -1e9f};
        for (uint32_t i = 0; i < state.count; ++i)
        {
            // Back into the system's own frame: half-width and half-height units.
            const float dx = state.x[i] - rig.system.x;
            const float dy = state.y[i] - rig.system.y;
            const float u = (turned ? dy : dx) / 2.0f;
            const float v = (turned ? -dx : dy) / 1.0f;
            minimum[0] = std::min(minimum[0], u);
            minimum[1] = std::min(minimum[1], v);
            maximum[0] = std::max(maximum[0], u);
            maximum[1] = std::max(maximum[1], v);
            const float radius = u * u + v * v;
            if (c.type == "PositionBorder")
            {
                EXPECT_TRUE(std::fabs(std::fabs(u) - 1.0f) < 1e-4f || std::fabs(std::fabs(v) - 1.0f) < 1e-4f)
                    << u << " " << v;
            }
            else if (c.type == "PositionCircle")
            {
                EXPECT_LE(radius, 1.0001f);
            }
            else if (c.type == "PositionRing")
            {
                EXPECT_NEAR(radius, 1.0f, 1e-4f);
            }
        }
        SCOPED_TRACE(c.type + " " + std::to_string(c.rotation) + (c.local ? " local" : ""));
        for (int axis = 0; axis < 2; ++axis)
        {
            EXPECT_GE(minimum[axis], -1.0001f);
            EXPECT_LT(minimum[axis], -0.8f);
            EXPECT_LE(maximum[axis], 1.0001f);
            EXPECT_GT(maximum[axis], 0.8f);
        }
    }
}

TEST(ParticleUpdaters, InterpolationsAndTimelinesFollowEachParticlesLife)
{
    // Three particles at a quarter, half and all of their 2 s lives; timelines without a key after
    // a particle's progress leave it alone.
    struct Case
    {
        std::string rule;
        std::function<float(const EmitterState&, uint32_t)> value;
        float expected[3];
    } cases[] = {
        {R"({ Type = "AngleInterpolate" Angle { From = 0.0 To = 80.0 } })",
         [](const EmitterState& s, uint32_t i) { return s.angle[i]; },
         {20.0f, 40.0f, 80.0f}},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 0.0 } { Time = 0.75 Value = 30.0 } ] })",
         [](const EmitterState& s, uint32_t i) { return s.angle[i]; },
         {10.0f, 20.0f, 5.0f}},
        {R"({ Type = "AngleTimeline" Angle [ { Time = 0.0 Value = 0.0 } ] })",
         [](const EmitterState& s, uint32_t i) { return s.angle[i]; },
         {5.0f, 5.0f, 5.0f}},
        {R"({ Type = "ColorInterpolate" Alpha { From = 255 To = 0 } })",
         [](const EmitterState& s, uint32_t i) { return float(s.alpha[i]); },
         {192.0f, 128.0f, 0.0f}},
        {R"({ Type = "ColorTimeline" Red [ { Time = 0.0 Value = 100 } { Time = 1.5 Value = 250 } ] })",
         [](const EmitterState& s, uint32_t i) { return float(s.red[i]); },
         {125.0f, 150.0f, 200.0f}},
        {R"({ Type = "PositionInterpolate" X { From = -1.0 To = 3.0 } })",
         [](const EmitterState& s, uint32_t i) { return s.x[i]; },
         {0.0f, 1.0f, 3.0f}},
        {R"({ Type = "PositionTimeline" Y [ { Time = 0.5 Value = 0.0 } { Time = 1.0 Value = 8.0 } ] })",
         [](const EmitterState& s, uint32_t i) { return s.y[i]; },
         {-4.0f, 0.0f, 0.0f}},
        {R"({ Type = "RotationInterpolate" Rotation { From = 4.0 To = 0.0 } })",
         [](const EmitterState& s, uint32_t i) { return s.rotation[i]; },
         {3.0f, 2.0f, 0.0f}},
        {R"({ Type = "RotationTimeline" Rotation [ { Time = 0.0 Value = 1.0 } { Time = 1.0 Value = 1.0 } ] })",
         [](const EmitterState& s, uint32_t i) { return s.rotation[i]; },
         {1.0f, 1.0f, 0.0f}},
        {R"({ Type = "ScaleInterpolate" Height { From = 1.0 To = 2.0 } })",
         [](const EmitterState& s, uint32_t i) { return s.scaleY[i]; },
         {1.25f, 1.5f, 2.0f}},
        {R"({ Type = "ScaleTimeline" Width [ { Time = 0.0 Value = 2.0 } { Time = 2.0 Value = 0.0 } ] })",
         [](const EmitterState& s, uint32_t i) { return s.scaleX[i]; },
         {1.75f, 1.5f, 1.0f}},
        {R"({ Type = "VelocityInterpolate" VelocityY { From = 0.0 To = -8.0 } })",
         [](const EmitterState& s, uint32_t i) { return s.velocityY[i]; },
         {-2.0f, -4.0f, -8.0f}},
        {R"({ Type = "VelocityTimeline" VelocityX [ { Time = 0.25 Value = 1.0 } { Time = 0.5 Value = 3.0 } ] })",
         [](const EmitterState& s, uint32_t i) { return s.velocityX[i]; },
         {1.0f, 0.0f, 0.0f}},
    };
    for (const Case& c : cases)
    {
        EmitterRig rig;
        EmitterState& state = rig.State();
        rig.Birth(3);
        const float ages[3] = {0.5f, 1.0f, 2.0f};
        for (uint32_t i = 0; i < 3; ++i)
        {
            state.age[i] = ages[i];
            state.lifetime[i] = 2.0f;
            state.angle[i] = 5.0f;
        }
        // A particle with no life at all counts as at its end.
        state.lifetime[2] = 0.0f;
        MakeRule(&CreateUpdater, c.rule)->Update(state, 0, 0.1f);
        for (uint32_t i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(c.value(state, i), c.expected[i]) << c.rule << " particle " << i;
    }
}

TEST(ParticleUpdaters, MotionMovesAndTurnsByElapsedTimeAndConfinesToTheCircleBeforeTheBounds)
{
    // Particles moving at (3, 4) units per second for 1 s from the centre of a 4 by 2 system at
    // (10, 10) end at (13, 14), or at (3, 4) in local space around the origin.
    struct Case
    {
        std::string keys;
        bool local;
        float x, y;
    } cases[] = {
        {"", false, 13.0f, 14.0f},
        {"ConfineToBounds = true", false, 12.0f, 11.0f},
        {"ConfineToCircle = true", false, 11.2f, 11.6f},
        {"ConfineToCircle = true ConfineToBounds = true", false, 11.2f, 11.6f},
        {"ConfineToBounds = true", true, 2.0f, 1.0f},
    };
    for (const Case& c : cases)
    {
        EmitterRig rig(c.local ? "LinkParticles = true" : "");
        rig.system.x = 10.0f;
        rig.system.y = 10.0f;
        rig.system.width = 4.0f;
        rig.system.height = 2.0f;
        rig.Birth(1);
        EmitterState& state = rig.State();
        state.velocityX[0] = 3.0f;
        state.velocityY[0] = 4.0f;
        state.rotation[0] = 90.0f;
        MakeRule(&CreateUpdater, "{ Type = \"PositionMotion\" " + c.keys + " }")->Update(state, 0, 1.0f);
        MakeRule(&CreateUpdater, R"({ Type = "AngleMotion" })")->Update(state, 0, 0.5f);
        EXPECT_NEAR(state.x[0], c.x, 1e-5f) << c.keys;
        EXPECT_NEAR(state.y[0], c.y, 1e-5f) << c.keys;
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

TEST(ParticleRules, RegistriesMakeEveryTypeByItsExactNameAndNameItBack)
{
    EXPECT_EQ(GetGeneratorNames().size(), 5u);
    EXPECT_EQ(GetInitializerNames().size(), 33u);
    EXPECT_EQ(GetUpdaterNames().size(), 14u);
    EXPECT_EQ(GetInitializerNames().front(), StringView("AngleInterpolate"));
    EXPECT_EQ(GetInitializerNames().back(), StringView("VelocityDirection"));
    EXPECT_EQ(GetUpdaterNames()[7], StringView("PositionMotion"));
    for (StringView name : GetGeneratorNames())
        EXPECT_EQ(GetGeneratorName(*CreateGenerator(name)), name);
    for (StringView name : GetInitializerNames())
        EXPECT_EQ(GetInitializerName(*CreateInitializer(name)), name);
    for (StringView name : GetUpdaterNames())
        EXPECT_EQ(GetUpdaterName(*CreateUpdater(name)), name);
    // The same name means different types in the initializer and updater registries.
    EXPECT_NE(typeid(*CreateInitializer("ColorInterpolate")), typeid(*CreateUpdater("ColorInterpolate")));

    for (StringView name : {StringView("burst"), StringView("Burst "), StringView("")})
        EXPECT_EQ(CreateGenerator(name), nullptr);
    EXPECT_EQ(CreateUpdater("AngleSet"), nullptr);
    struct Foreign : ParticleUpdater
    {
        void Update(EmitterState&, uint32_t, float) const override {}
        void Read(BlueprintReader&) override {}
        void Write(BlueprintWriter&) const override {}
    };
    EXPECT_TRUE(GetUpdaterName(Foreign()).IsEmpty());
}

} // namespace
} // namespace Lumvek::Testing
