#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"

namespace Lumvek
{

// Particle effect files: a LON document whose "Emitters" list holds each emitter's settings and its
// generator, initializer and updater lists, every rule an object naming its "Type" before its own
// keys. The effect editor saves them; a load replaces the effect's emitters.
class LteFormat : public BlueprintFormat<Effects::EffectData>
{
public:
    using BlueprintFormat::BlueprintFormat;

    // Reads the file's text; the path names the file in the effect's record and its messages.
    void Load(StringView path, StringView bytes, Effects::EffectData& effect) override;
    // False, with the emitters untouched and the record marked unparsed, for text that is not LON.
    // Whatever the file holds that the effect cannot take (a member of the wrong form, a value out of
    // range, a rule of an unknown type, which is left out) goes into the record's report; the rest
    // still loads.
    bool Read(const Blueprint& tree, Effects::EffectData& effect) override;
    bool Write(Blueprint& tree, const Effects::EffectData& effect) override;
};

} // namespace Lumvek
