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

    // False, with the effect untouched, for text that is not LON. Rules of unknown types are logged
    // and skipped; the rest of the file still loads.
    bool Read(const Blueprint& tree, Effects::EffectData& effect) override;
    bool Write(Blueprint& tree, const Effects::EffectData& effect) override;
};

} // namespace Lumvek
