#include "Engine/Runtime/Particles/ParticleGenerators.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Members.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace Lumvek::Effects
{

namespace
{

// Below this interval a stream emits nothing, which bounds the births looked at per second.
constexpr float ShortestInterval = 0.0001f;

// The timed births of a stream up to the state's clock, one every interval seconds, each aged by
// the time since it fell due. Past the duration a looping emitter winds its clock back by the
// duration; any other stops for good.
void EmitAtInterval(EmitterState& state, float interval)
{
    const EmitterData& data = *state.data;
    uint32_t steps = 0;
    while (state.elapsed > state.next)
    {
        if (++steps > ParticleSystem::MaximumStepsPerAdvance)
        {
            // A backlog this long only piles up behind a stalled clock: its births are dropped, and
            // a looping clock is brought back inside the duration at once.
            if (data.loop && data.duration > 0.0f)
                state.elapsed = std::fmod(state.elapsed, data.duration);
            state.next = state.elapsed;
            break;
        }
        state.system->Emit(state, state.elapsed - state.next);
        const float after = state.next + interval;
        if (!(after > state.next))
        {
            // The clock has grown so large that the interval no longer moves it: stop rather than
            // loop for ever.
            state.next = FLT_MAX;
            break;
        }
        state.next = after;
        if (state.next > data.duration)
        {
            if (data.loop)
            {
                state.elapsed -= data.duration;
                state.next -= data.duration;
            }
            else
                state.next = FLT_MAX;
        }
    }
}

const RuleRegistry<ParticleGenerator>& Registry()
{
    using Registry = RuleRegistry<ParticleGenerator>;
    static const Registry registry{
        Registry::Make<BurstGenerator>("Burst"),       Registry::Make<InterpolateGenerator>("Interpolate"),
        Registry::Make<RandomGenerator>("Random"),     Registry::Make<StreamGenerator>("Stream"),
        Registry::Make<TimelineGenerator>("Timeline"),
    };
    return registry;
}

} // namespace

void BurstGenerator::Generate(EmitterState& state, float elapsed) const
{
    // Fired marks the state's next birth as never, so that advances of no time (a paused effect)
    // do not fire the burst again while the clock stays at 0.
    if (state.elapsed == 0.0f && state.next != FLT_MAX)
    {
        const uint32_t births = std::min(count, state.Room());
        for (uint32_t i = 0; i < births; ++i)
            state.system->Emit(state, elapsed);
    }
    state.elapsed += elapsed;
    state.next = FLT_MAX;
}

void BurstGenerator::Read(BlueprintReader& reader)
{
    ReadMember(reader, "Count", count);
}

void BurstGenerator::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "Count", count);
}

void StreamGenerator::Generate(EmitterState& state, float elapsed) const
{
    state.elapsed += elapsed;
    if (timeBetweenEmissions > ShortestInterval)
        EmitAtInterval(state, timeBetweenEmissions);
}

void StreamGenerator::Read(BlueprintReader& reader)
{
    ReadMember(reader, "TimeBetweenEmissions", timeBetweenEmissions);
}

void StreamGenerator::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "TimeBetweenEmissions", timeBetweenEmissions);
}

void InterpolateGenerator::Generate(EmitterState& state, float elapsed) const
{
    state.elapsed += elapsed;
    const float interval = Interpolate(startTimeBetweenEmissions, endTimeBetweenEmissions, EmitterFraction(state));
    if (interval > ShortestInterval)
        EmitAtInterval(state, interval);
}

void InterpolateGenerator::Read(BlueprintReader& reader)
{
    ReadMember(reader, "StartTimeBetweenEmissions", startTimeBetweenEmissions);
    ReadMember(reader, "EndTimeBetweenEmissions", endTimeBetweenEmissions);
}

void InterpolateGenerator::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "StartTimeBetweenEmissions", startTimeBetweenEmissions);
    WriteMember(writer, "EndTimeBetweenEmissions", endTimeBetweenEmissions);
}

void RandomGenerator::Generate(EmitterState& state, float elapsed) const
{
    state.elapsed += elapsed;
    if (state.system->NextFraction() * 100.0f > chanceToEmit)
        state.system->Emit(state, 0.0f);
}

void RandomGenerator::Read(BlueprintReader& reader)
{
    ReadMember(reader, "ChanceToEmit", chanceToEmit);
}

void RandomGenerator::Write(BlueprintWriter& writer) const
{
    WriteMember(writer, "ChanceToEmit", chanceToEmit);
}

void TimelineGenerator::Generate(EmitterState& state, float elapsed) const
{
    state.elapsed += elapsed;
    if (keys.size() < 2 || state.generator >= state.generatorMarks.size())
        return;
    uint32_t& fired = state.generatorMarks[state.generator];
    for (uint32_t k = 1; k < keys.size(); ++k)
        if (keys[k].time > state.elapsed)
        {
            const uint32_t j = k - 1;
            if (j == fired)
                return;
            const uint32_t births = std::min<uint32_t>(keys[j].value, state.Room());
            for (uint32_t i = 0; i < births; ++i)
                state.system->Emit(state, 0.0f);
            fired = j;
            return;
        }
}

void TimelineGenerator::Read(BlueprintReader& reader)
{
    ReadTimeline(reader, "Keys", keys);
}

void TimelineGenerator::Write(BlueprintWriter& writer) const
{
    WriteTimeline(writer, "Keys", keys);
}

std::unique_ptr<ParticleGenerator> CreateGenerator(StringView name)
{
    return Registry().Create(name);
}

StringView GetGeneratorName(const ParticleGenerator& rule)
{
    return Registry().GetName(rule);
}

std::vector<StringView> GetGeneratorNames()
{
    return Registry().GetNames();
}

} // namespace Lumvek::Effects
