#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Runtime/Particles/LteFormat.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace Lumvek::Testing
{

using namespace Lumvek::Effects;

// An effect read from the LON text of an effect file.
inline std::unique_ptr<EffectData> ParseEffect(const std::string& text)
{
    auto effect = std::make_unique<EffectData>();
    LteFormat format(nullptr, TypeIndex<EffectData>(), "lte");
    format.Load("Test.lte", text, *effect);
    return effect;
}

// An effect of one emitter, given the keys inside the emitter's object.
inline std::unique_ptr<EffectData> OneEmitter(const std::string& keys)
{
    return ParseEffect("{ Emitters [ { " + keys + " } ] }");
}

inline std::string SaveEffect(const EffectData& effect)
{
    LteFormat format(nullptr, TypeIndex<EffectData>(), "lte");
    return format.Save("Test.lte", effect).View().ToString();
}

// A rule made through its registry and read from the LON text of its object.
template <class Rule>
std::unique_ptr<Rule> MakeRule(std::unique_ptr<Rule> (*create)(StringView), const std::string& text)
{
    Blueprint tree;
    EXPECT_TRUE(Lon::Parse(text, tree)) << text;
    std::unique_ptr<Rule> rule = create(tree.GetObject().Find("Type")->GetString());
    EXPECT_NE(rule, nullptr) << text;
    if (rule)
    {
        BlueprintReader reader(tree);
        rule->Read(reader);
    }
    return rule;
}

// A system over one emitter whose rules the test runs by hand on particles it births itself.
struct EmitterRig
{
    explicit EmitterRig(const std::string& keys = "Lifetime = 2.0 MaximumParticles = 1000")
        : effect(OneEmitter(keys)), system(effect.get(), 7)
    {
    }

    EmitterState& State() { return *system.emitters.at(0); }
    // Births n particles of the given age at an emitter clock of elapsed seconds; returns the first.
    uint32_t Birth(uint32_t n, float elapsed = 0.0f, float age = 0.0f)
    {
        EmitterState& state = State();
        state.elapsed = elapsed;
        const uint32_t first = state.count;
        for (uint32_t i = 0; i < n; ++i)
            system.Emit(state, age);
        return first;
    }

    std::unique_ptr<EffectData> effect;
    ParticleSystem system;
};

// Sorted copies of the live entries of one attribute array.
inline std::vector<float> Live(const std::vector<float>& array, uint32_t count)
{
    std::vector<float> values(array.begin(), array.begin() + count);
    std::sort(values.begin(), values.end());
    return values;
}

} // namespace Lumvek::Testing
