#pragma once

#include "Source/Tools/Inspectors/Inspector.h"

#include <cstdint>

namespace Lumvek
{
class Blueprint;
}
namespace Lumvek::Effects
{
class EffectData;
class EmitterData;
class ParticleSystem;
} // namespace Lumvek::Effects

// The window over one emitter of an effect while the effect window's preview plays it: the emitter's
// settings and its generator, initializer and updater lists with each rule's settings, whose curves
// open in timeline windows. It points into the effect and into the
// preview's system, so the effect window closes it whenever the effect's emitter list changes, and the
// host closes it with the match. Application thread.
class EmitterControl final : public Inspector
{
public:
    EmitterControl(Lumvek::Effects::EffectData& effect, Lumvek::Effects::ParticleSystem& system,
                   Lumvek::Effects::EmitterData& emitter, uint32_t index)
        : effect(effect), system(system), emitter(emitter), index(index), held(&effect)
    {
    }

    void Draw() override;
    bool IsWorldBound() const override { return true; }
    // Whether the effect is still loaded and the preview that runs the system still does; false
    // closes the window. A control made without a preview id trusts its system.
    bool IsLive();

    // "Add" of a kind (0 generators, 1 initializers, 2 updaters): a rule of the selected type, or
    // nothing while no type is selected.
    bool AddRule(uint32_t kind);
    // Removes rule i of a kind, closing the curve windows opened over it.
    void RemoveRule(uint32_t kind, size_t i);
    // Rule i of a kind; null past the end.
    const void* RuleAt(uint32_t kind, size_t i) const;
    // Rule i of a kind as its file wrote it, when the load refused it; null for a rule that was read.
    const Lumvek::Blueprint* RefusedFormAt(uint32_t kind, size_t i) const;
    // Sets the maximum particles and rebuilds the running states, which are sized by it.
    void SetMaximum(uint32_t maximum);

    Lumvek::Effects::EffectData& effect;
    Lumvek::Effects::ParticleSystem& system;
    Lumvek::Effects::EmitterData& emitter;
    uint32_t index = 0;
    int32_t selectedType[3] = {-1, -1, -1};
    // The world visual whose system this is, 0xFFFF for none.
    uint16_t preview = 0xFFFF;
    HeldResource<Lumvek::Effects::EffectData> held;

private:
    // Rebuilds every running state of the effect after a change to the emitter's rules or size.
    void Changed();
    void DrawRules(uint32_t kind);
};
