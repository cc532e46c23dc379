#pragma once

#include "Engine/Foundation/FormatHandle.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/ReadReport.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/StringView.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace Lumvek
{
class BlueprintReader;
class BlueprintWriter;
class Geometry;
class Texture;
} // namespace Lumvek

// Particle effects: a shared, loaded definition (EffectData) made of emitters, and the running
// instances of it (ParticleSystem). Each emitter lists rules of three kinds, each chosen by type name
// from a registry: generators decide when particles are born, initializers set the attributes of the
// newborn, updaters change the live ones. Everything here runs on the application thread.
namespace Lumvek::Effects
{

class EmitterState;
class ParticleSystem;

// Decides when an emitter's particles are born. Owned by its EmitterData and shared read-only by
// every system that runs the effect, so whatever it remembers between advances lives in the state.
class ParticleGenerator
{
public:
    virtual ~ParticleGenerator() = default;

    // Advances the state's emitter clock by elapsed seconds and emits what falls due.
    virtual void Generate(EmitterState& state, float elapsed) const = 0;
    // Reads the rule's keys from the reader's current object; missing keys keep defaults, and keys of
    // the wrong form keep them too and go to the reader's report.
    virtual void Read(BlueprintReader& reader) = 0;
    virtual void Write(BlueprintWriter& writer) const = 0;
};

// Gives particles first to count - 1 of a state, all newborn, one attribute. Owned by its EmitterData.
class ParticleInitializer
{
public:
    virtual ~ParticleInitializer() = default;

    virtual void Initialize(EmitterState& state, uint32_t first) const = 0;
    virtual void Read(BlueprintReader& reader) = 0;
    virtual void Write(BlueprintWriter& writer) const = 0;
};

// Changes one attribute of particles first to count - 1 of a state. Owned by its EmitterData.
class ParticleUpdater
{
public:
    virtual ~ParticleUpdater() = default;

    virtual void Update(EmitterState& state, uint32_t first, float elapsed) const = 0;
    virtual void Read(BlueprintReader& reader) = 0;
    virtual void Write(BlueprintWriter& writer) const = 0;
};

// One emitter of an effect: its settings and its rules. Owned by its EffectData.
class EmitterData
{
public:
    // Index in NameTableA of the image drawn; -1 draws the texture's whole-image region.
    int32_t imageIndex = -1;
    // Seconds.
    float duration = 1.0f;
    bool loop = false;
    uint32_t maximumParticles = 100;
    // Particles live in the system's frame, scaled by its size, and follow it as it moves.
    bool localSpace = false;
    Vector2 particleSize{1.0f, 1.0f};
    std::vector<std::unique_ptr<ParticleGenerator>> generators;
    std::vector<std::unique_ptr<ParticleInitializer>> initializers;
    std::vector<std::unique_ptr<ParticleUpdater>> updaters;
};

// A particle effect as loaded from its file: emitters in file order. Lives in a ResourceTable; the
// systems that run it hold it by pointer and rebuild their states when its version changes.
class EffectData : public Resource
{
public:
    // Stores the path and loads the effect file through the file manager of the table the effect
    // lives in, watched when the table watches; an empty path keeps the previous load.
    void Load(StringView path);

    std::vector<std::unique_ptr<EmitterData>> emitters;
    std::string textureName;
    std::string path;
    // Raised by every load: a reload replaces the emitters that running systems point into.
    uint32_t version = 0;
    // The file as last read or saved and what of it the effect could not take: the effect editor's
    // Save merges its edits into the file through it, and refuses while the file did not read whole.
    FileRecord record;
    // Last, so that its watch is released before the emitters it reloads into are destroyed.
    FormatHandle handle;
};

// The particles of one emitter in one system: fourteen parallel arrays of capacity entries, of which
// entries 0 to count - 1 are live, in no particular order. Owned by its system.
class EmitterState
{
public:
    // Resizes every array to the given capacity, zero-filled, dropping every particle.
    void Allocate(uint32_t newCapacity);
    // Births still possible before the emitter is full.
    uint32_t Room() const;
    // Moves the last live particle into slot i.
    void Remove(uint32_t i);

    ParticleSystem* system = nullptr;
    const EmitterData* data = nullptr;
    // Seconds of emitter time and the time of the next timed birth.
    float elapsed = 0.0f;
    float next = 0.0f;
    uint8_t emitting = 1;
    uint32_t capacity = 0;
    uint32_t count = 0;
    std::vector<float> x;
    std::vector<float> y;
    // Degrees.
    std::vector<float> angle;
    // Multipliers of the emitter's particle size.
    std::vector<float> scaleX;
    std::vector<float> scaleY;
    // Units per second.
    std::vector<float> velocityX;
    std::vector<float> velocityY;
    // Degrees per second.
    std::vector<float> rotation;
    std::vector<uint8_t> red;
    std::vector<uint8_t> green;
    std::vector<uint8_t> blue;
    std::vector<uint8_t> alpha;
    // Seconds.
    std::vector<float> age;
    std::vector<float> lifetime;
    // What a generator remembers between advances, by its position in the emitter's list (the
    // Timeline generator's last fired key); reset with the state.
    std::vector<uint32_t> generatorMarks;
    // The position of the generator being run, so that it finds its mark.
    uint32_t generator = 0;
};

// The records Render wrote: instances first to first + count - 1 of the instance geometry.
struct ParticleInstances
{
    uint32_t first = 0;
    uint32_t count = 0;
};

// One running instance of an effect, placed by its owner (an effect entity, an inspector), advanced
// every frame and drawn as one textured, coloured quad per live particle. Owned by its user; the
// effect is shared and must outlive the system.
class ParticleSystem
{
public:
    // Bytes of one instance record: a 4x4 transform, a texture rectangle, four colour bytes, a depth.
    static constexpr uint32_t RecordSize = 88;
    // Particle arrays are never made larger than this, whatever an effect file asks for: each
    // particle costs 48 bytes, and a count from a file must not exhaust memory.
    static constexpr uint32_t MaximumCapacity = 1u << 20;
    // Timed births looked at in one advance at most; a longer backlog (a frame of minutes) is dropped.
    static constexpr uint32_t MaximumStepsPerAdvance = 100000;

    // A seed from the clock, for systems whose births need not repeat.
    static uint32_t ClockSeed();

    // Sets the effect and builds its emitter states.
    explicit ParticleSystem(const EffectData* effect = nullptr, uint32_t seed = ClockSeed());
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // Builds or rebuilds the emitter states from the effect, dropping every live particle. Called by
    // the owner whenever it changes the effect; a reload of the effect is noticed on its own.
    void SyncEmitters();
    // Ages and updates the particles, then lets the generators emit, for elapsed seconds times the
    // time scale. A negative, infinite or NaN time counts as 0.
    void Advance(float elapsed);
    // True once no particle lives and no emitter is still due to emit.
    bool IsFinished() const;
    // Appends one record per live particle to the instance geometry, drawing the image of each
    // emitter from the texture's regions (the whole texture when the texture has no such region).
    ParticleInstances Render(const Texture& texture, float depth, Geometry& instances);

    // Adds one particle at the system's pose (at the origin in local space) with the given age.
    void Emit(EmitterState& state, float age);
    // Moves particle i by an offset given in the system's frame.
    void Offset(EmitterState& state, uint32_t i, float dx, float dy) const;
    // A fraction in [0, 1) from the random generator.
    float NextFraction() { return static_cast<float>(random() >> 8) * (1.0f / 16777216.0f); }

    float x = 0.0f;
    float y = 0.0f;
    // Units per second, the owner's: a moving system leaves a continuous trail of births rather than
    // clumps at the positions it is drawn at.
    float velocityX = 0.0f;
    float velocityY = 0.0f;
    // Radians.
    float rotation = 0.0f;
    // The area that position initializers fill and local-space particles are scaled by.
    float width = 1.0f;
    float height = 1.0f;
    float timeScale = 1.0f;
    std::mt19937 random;
    const EffectData* effect = nullptr;
    std::vector<std::unique_ptr<EmitterState>> emitters;
    // While 0 no emitter births particles; the owner clears it to let the effect die out.
    uint8_t emitting = 1;

private:
    // Whether the states were built from another effect or an earlier load of this one.
    bool IsStale() const;
    void Refresh()
    {
        if (IsStale())
            SyncEmitters();
    }

    const EffectData* syncedEffect = nullptr;
    uint32_t syncedVersion = 0;
};

// The emitter's progress through its duration, for initializers; 0 for an emitter without a positive
// duration.
inline float EmitterFraction(const EmitterState& state)
{
    const float duration = state.data->duration;
    return duration > 0.0f ? state.elapsed / duration : 0.0f;
}

// A particle's progress through its life, in [0, 1], for updaters; 1 for a particle without a
// positive lifetime. Inline: updaters call it for every particle of every frame.
inline float LifeFraction(float age, float lifetime)
{
    return lifetime > 0.0f ? std::min(age / lifetime, 1.0f) : 1.0f;
}

inline float LifeFraction(const EmitterState& state, uint32_t i)
{
    return LifeFraction(state.age[i], state.lifetime[i]);
}

// The rule registries, by exact type name. Create gives null for a name that is not registered;
// GetName gives the registered name of a rule's type, or an empty view.
std::unique_ptr<ParticleGenerator> CreateGenerator(StringView name);
std::unique_ptr<ParticleInitializer> CreateInitializer(StringView name);
std::unique_ptr<ParticleUpdater> CreateUpdater(StringView name);
StringView GetGeneratorName(const ParticleGenerator& rule);
StringView GetInitializerName(const ParticleInitializer& rule);
StringView GetUpdaterName(const ParticleUpdater& rule);
// Every registered name of a kind, in registry order.
std::vector<StringView> GetGeneratorNames();
std::vector<StringView> GetInitializerNames();
std::vector<StringView> GetUpdaterNames();

} // namespace Lumvek::Effects
