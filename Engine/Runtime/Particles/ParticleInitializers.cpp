#include "Engine/Runtime/Particles/ParticleInitializers.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Members.h"

#include <cmath>

namespace Lumvek::Effects
{

namespace
{

const RuleRegistry<ParticleInitializer>& Registry()
{
    using Registry = RuleRegistry<ParticleInitializer>;
    static const Registry registry{
        Registry::Make<AngleInterpolateInitializer>("AngleInterpolate"),
        Registry::Make<AngleRandomInitializer>("AngleRandom"),
        Registry::Make<AngleSetInitializer>("AngleSet"),
        Registry::Make<AngleTimelineInitializer>("AngleTimeline"),
        Registry::Make<AngleOrientInitializer>("AngleOrient"),
        Registry::Make<ColorInterpolateInitializer>("ColorInterpolate"),
        Registry::Make<ColorRandomInitializer>("ColorRandom"),
        Registry::Make<ColorSetInitializer>("ColorSet"),
        Registry::Make<ColorTimelineInitializer>("ColorTimeline"),
        Registry::Make<LifetimeInterpolateInitializer>("LifetimeInterpolate"),
        Registry::Make<LifetimeRandomInitializer>("LifetimeRandom"),
        Registry::Make<LifetimeSetInitializer>("LifetimeSet"),
        Registry::Make<LifetimeTimelineInitializer>("LifetimeTimeline"),
        Registry::Make<PositionInterpolateInitializer>("PositionInterpolate"),
        Registry::Make<PositionSetInitializer>("PositionSet"),
        Registry::Make<PositionTimelineInitializer>("PositionTimeline"),
        Registry::Make<PositionAreaInitializer>("PositionArea"),
        Registry::Make<PositionBorderInitializer>("PositionBorder"),
        Registry::Make<PositionCircleInitializer>("PositionCircle"),
        Registry::Make<PositionRingInitializer>("PositionRing"),
        Registry::Make<RotationInterpolateInitializer>("RotationInterpolate"),
        Registry::Make<RotationRandomInitializer>("RotationRandom"),
        Registry::Make<RotationSetInitializer>("RotationSet"),
        Registry::Make<RotationTimelineInitializer>("RotationTimeline"),
        Registry::Make<ScaleInterpolateInitializer>("ScaleInterpolate"),
        Registry::Make<ScaleRandomInitializer>("ScaleRandom"),
        Registry::Make<ScaleSetInitializer>("ScaleSet"),
        Registry::Make<ScaleTimelineInitializer>("ScaleTimeline"),
        Registry::Make<VelocityInterpolateInitializer>("VelocityInterpolate"),
        Registry::Make<VelocityRandomInitializer>("VelocityRandom"),
        Registry::Make<VelocitySetInitializer>("VelocitySet"),
        Registry::Make<VelocityTimelineInitializer>("VelocityTimeline"),
        Registry::Make<VelocityDirectionInitializer>("VelocityDirection"),
    };
    return registry;
}

// Into [0, one turn); fmod keeps any size of angle to one step.
float WrapRadians(float radians)
{
    float wrapped = std::fmod(radians, FullTurn);
    if (wrapped < 0.0f)
        wrapped += FullTurn;
    return wrapped < FullTurn ? wrapped : 0.0f;
}

} // namespace

void AngleOrientInitializer::Initialize(EmitterState& state, uint32_t first) const
{
    // Stored in degrees, the unit the angle array is drawn in.
    for (uint32_t i = first; i < state.count; ++i)
    {
        const float vx = state.velocityX[i];
        const float vy = state.velocityY[i];
        const float direction = vx == 0.0f && vy == 0.0f ? 0.0f : std::atan2(vy, vx);
        state.angle[i] = WrapRadians(direction + offset.radians) * DegreesPerRadian;
    }
}

void AngleOrientInitializer::Read(BlueprintReader& reader)
{
    ReadMember(reader, "Offset", offset);
}

void AngleOrientInitializer::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "Offset", offset);
}

void PositionAreaInitializer::Initialize(EmitterState& state, uint32_t first) const
{
    ParticleSystem& system = *state.system;
    for (uint32_t i = first; i < state.count; ++i)
    {
        const float dx = Draw(left, right, system.NextFraction()) * system.width * 0.5f;
        const float dy = Draw(bottom, top, system.NextFraction()) * system.height * 0.5f;
        system.Offset(state, i, dx, dy);
    }
}

void PositionAreaInitializer::Read(BlueprintReader& reader)
{
    ReadMember(reader, "Left", left);
    ReadMember(reader, "Right", right);
    ReadMember(reader, "Bottom", bottom);
    ReadMember(reader, "Top", top);
}

void PositionAreaInitializer::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "Left", left);
    WriteMember(writer, "Right", right);
    WriteMember(writer, "Bottom", bottom);
    WriteMember(writer, "Top", top);
}

void PositionBorderInitializer::Initialize(EmitterState& state, uint32_t first) const
{
    ParticleSystem& system = *state.system;
    const float w = system.width;
    const float h = system.height;
    for (uint32_t i = first; i < state.count; ++i)
    {
        // A distance along the edge, bottom and top edges first, then the right and the left.
        const float d = system.NextFraction() * (2.0f * w + 2.0f * h);
        const float s = system.NextFraction() - 0.5f;
        if (d < 2.0f * w)
            system.Offset(state, i, s * w, d < w ? -h * 0.5f : h * 0.5f);
        else
            system.Offset(state, i, d <= 2.0f * w + h ? w * 0.5f : -w * 0.5f, s * h);
    }
}

void PositionCircleInitializer::Initialize(EmitterState& state, uint32_t first) const
{
    ParticleSystem& system = *state.system;
    for (uint32_t i = first; i < state.count; ++i)
    {
        const float a = system.NextFraction() * FullTurn;
        // The square root spreads the points evenly over the area instead of crowding the centre.
        const float r = std::sqrt(system.NextFraction());
        system.Offset(state, i, std::cos(a) * r * system.width * 0.5f, std::sin(a) * r * system.height * 0.5f);
    }
}

void PositionRingInitializer::Initialize(EmitterState& state, uint32_t first) const
{
    ParticleSystem& system = *state.system;
    for (uint32_t i = first; i < state.count; ++i)
    {
        const float a = system.NextFraction() * FullTurn;
        system.Offset(state, i, std::cos(a) * system.width * 0.5f, std::sin(a) * system.height * 0.5f);
    }
}

void VelocityDirectionInitializer::Initialize(EmitterState& state, uint32_t first) const
{
    ParticleSystem& system = *state.system;
    for (uint32_t i = first; i < state.count; ++i)
    {
        const float a = Draw(angle.from, angle.to, system.NextFraction()) * RadiansPerDegree;
        const float s = Draw(speed.from, speed.to, system.NextFraction());
        state.velocityX[i] = std::sin(a) * s;
        state.velocityY[i] = std::cos(a) * s;
        state.x[i] += state.velocityX[i] * state.age[i];
        state.y[i] += state.velocityY[i] * state.age[i];
    }
}

void VelocityDirectionInitializer::Read(BlueprintReader& reader)
{
    ReadPair(reader, "Speed", speed);
    ReadPair(reader, "Angle", angle);
}

void VelocityDirectionInitializer::Write(BlueprintWriter& writer) const
{
    WritePair(writer, "Speed", speed);
    WritePair(writer, "Angle", angle);
}

std::unique_ptr<ParticleInitializer> CreateInitializer(StringView name)
{
    return Registry().Create(name);
}

StringView GetInitializerName(const ParticleInitializer& rule)
{
    return Registry().GetName(rule);
}

std::vector<StringView> GetInitializerNames()
{
    return Registry().GetNames();
}

} // namespace Lumvek::Effects
