#include "Engine/Runtime/Particles/ParticleUpdaters.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Members.h"

#include <algorithm>
#include <cmath>

namespace Lumvek::Effects
{

namespace
{

const RuleRegistry<ParticleUpdater>& Registry()
{
    using Registry = RuleRegistry<ParticleUpdater>;
    static const Registry registry{
        Registry::Make<AngleInterpolateUpdater>("AngleInterpolate"),
        Registry::Make<AngleTimelineUpdater>("AngleTimeline"),
        Registry::Make<AngleMotionUpdater>("AngleMotion"),
        Registry::Make<ColorInterpolateUpdater>("ColorInterpolate"),
        Registry::Make<ColorTimelineUpdater>("ColorTimeline"),
        Registry::Make<PositionInterpolateUpdater>("PositionInterpolate"),
        Registry::Make<PositionTimelineUpdater>("PositionTimeline"),
        Registry::Make<PositionMotionUpdater>("PositionMotion"),
        Registry::Make<RotationInterpolateUpdater>("RotationInterpolate"),
        Registry::Make<RotationTimelineUpdater>("RotationTimeline"),
        Registry::Make<ScaleInterpolateUpdater>("ScaleInterpolate"),
        Registry::Make<ScaleTimelineUpdater>("ScaleTimeline"),
        Registry::Make<VelocityInterpolateUpdater>("VelocityInterpolate"),
        Registry::Make<VelocityTimelineUpdater>("VelocityTimeline"),
    };
    return registry;
}

} // namespace

void AngleMotionUpdater::Update(EmitterState& state, uint32_t first, float elapsed) const
{
    for (uint32_t i = first; i < state.count; ++i)
        state.angle[i] += elapsed * state.rotation[i];
}

void PositionMotionUpdater::Update(EmitterState& state, uint32_t first, float elapsed) const
{
    float* x = state.x.data();
    float* y = state.y.data();
    for (uint32_t i = first; i < state.count; ++i)
    {
        x[i] += elapsed * state.velocityX[i];
        y[i] += elapsed * state.velocityY[i];
    }
    if (!confineToCircle && !confineToBounds)
        return;

    const ParticleSystem& system = *state.system;
    const bool local = state.data->localSpace;
    const float cx = local ? 0.0f : system.x;
    const float cy = local ? 0.0f : system.y;
    const float hw = system.width * 0.5f;
    const float hh = system.height * 0.5f;
    if (confineToCircle)
    {
        for (uint32_t i = first; i < state.count; ++i)
        {
            const float dx = x[i] - cx;
            const float dy = y[i] - cy;
            const float distance = std::sqrt(dx * dx + dy * dy);
            if (!(distance > hw))
                continue;
            const float factor = hw < 0.0001f ? 0.0f : hw / distance;
            x[i] = cx + dx * factor;
            y[i] = cy + dy * factor;
        }
        return;
    }
    // max of min rather than clamp: a system of negative size gives bounds the wrong way round.
    for (uint32_t i = first; i < state.count; ++i)
    {
        x[i] = std::max(cx - hw, std::min(x[i], cx + hw));
        y[i] = std::max(cy - hh, std::min(y[i], cy + hh));
    }
}

void PositionMotionUpdater::Read(BlueprintReader& reader)
{
    ReadMember(reader, "ConfineToCircle", confineToCircle);
    ReadMember(reader, "ConfineToBounds", confineToBounds);
}

void PositionMotionUpdater::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "ConfineToCircle", confineToCircle);
    WriteMember(writer, "ConfineToBounds", confineToBounds);
}

std::unique_ptr<ParticleUpdater> CreateUpdater(StringView name)
{
    return Registry().Create(name);
}

StringView GetUpdaterName(const ParticleUpdater& rule)
{
    return Registry().GetName(rule);
}

std::vector<StringView> GetUpdaterNames()
{
    return Registry().GetNames();
}

} // namespace Lumvek::Effects
