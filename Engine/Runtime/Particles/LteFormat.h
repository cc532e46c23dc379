#pragma once

#include "Engine/Foundation/Format.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"

namespace Lumvek
{

namespace Effects
{

// An element of a rule list that the effect could not take (no object, or a type no registry knows),
// kept in its place as the file wrote it. It does nothing and writes back as written; it holds its
// place while the maker adds, removes or moves the rules around it, so the record keeps Save refused
// until the maker removes it. Owned by its EmitterData like any rule.
class RefusedRule
{
public:
    virtual ~RefusedRule() = default;

    Blueprint written;
};

class RefusedGenerator final : public ParticleGenerator, public RefusedRule
{
public:
    void Generate(EmitterState&, float) const override {}
    void Read(BlueprintReader&) override {}
    void Write(BlueprintWriter&) const override {}
};

class RefusedInitializer final : public ParticleInitializer, public RefusedRule
{
public:
    void Initialize(EmitterState&, uint32_t) const override {}
    void Read(BlueprintReader&) override {}
    void Write(BlueprintWriter&) const override {}
};

class RefusedUpdater final : public ParticleUpdater, public RefusedRule
{
public:
    void Update(EmitterState&, uint32_t, float) const override {}
    void Read(BlueprintReader&) override {}
    void Write(BlueprintWriter&) const override {}
};

// The element as the file wrote it when the rule is a refused one; null for a rule the effect took.
template <class Rule> const Blueprint* FindRefusedForm(const Rule& rule)
{
    const auto* refused = dynamic_cast<const RefusedRule*>(&rule);
    return refused ? &refused->written : nullptr;
}

} // namespace Effects

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
    // range, a rule of an unknown type, which is kept in its place as a RefusedRule) goes into the
    // record's report; the rest still loads.
    bool Read(const Blueprint& tree, Effects::EffectData& effect) override;
    bool Write(Blueprint& tree, const Effects::EffectData& effect) override;

private:
    // Reads the record's parsed file into the effect, which then keeps the record; an unparsed one
    // only replaces the effect's record.
    bool Take(FileRecord record, Effects::EffectData& effect);
};

} // namespace Lumvek
