#include "Engine/Runtime/Particles/ParticleSystem.h"

#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Particles/ParticleRules.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace Lumvek::Effects
{

void EffectData::Load(StringView newPath)
{
    path = newPath.ToString();
    if (path.empty())
        return;
    FileManager* files = table ? table->files : nullptr;
    if (!files)
    {
        Log::Write("no file manager to load {}", path);
        return;
    }
    // The format records the file it reads; one that is not there leaves no record, and a Save makes
    // it anew.
    record = FileRecord();
    handle = files->Load(files->ResolvePath(path), *this, NameTableB().GetName(id), table->watch != 0);
}

void EmitterState::Allocate(uint32_t newCapacity)
{
    capacity = newCapacity;
    count = 0;
    for (std::vector<float>* array :
         {&x, &y, &angle, &scaleX, &scaleY, &velocityX, &velocityY, &rotation, &age, &lifetime})
        array->assign(capacity, 0.0f);
    for (std::vector<uint8_t>* array : {&red, &green, &blue, &alpha})
        array->assign(capacity, 0);
}

uint32_t EmitterState::Room() const
{
    const uint32_t limit = std::min(capacity, data ? data->maximumParticles : 0);
    return count < limit ? limit - count : 0;
}

void EmitterState::Remove(uint32_t i)
{
    const uint32_t last = --count;
    x[i] = x[last];
    y[i] = y[last];
    angle[i] = angle[last];
    scaleX[i] = scaleX[last];
    scaleY[i] = scaleY[last];
    velocityX[i] = velocityX[last];
    velocityY[i] = velocityY[last];
    rotation[i] = rotation[last];
    red[i] = red[last];
    green[i] = green[last];
    blue[i] = blue[last];
    alpha[i] = alpha[last];
    age[i] = age[last];
    lifetime[i] = lifetime[last];
}

namespace
{

// The bytes of one instance, as the particle material reads them.
struct InstanceRecord
{
    float transform[16];
    UvRectangle uv;
    uint8_t color[4];
    float depth;
};
static_assert(sizeof(InstanceRecord) == ParticleSystem::RecordSize);

} // namespace

uint32_t ParticleSystem::ClockSeed()
{
    return static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

ParticleSystem::ParticleSystem(const EffectData* effect, uint32_t seed) : random(seed), effect(effect)
{
    SyncEmitters();
}

bool ParticleSystem::IsStale() const
{
    return effect != syncedEffect || (effect && effect->version != syncedVersion);
}

void ParticleSystem::SyncEmitters()
{
    syncedEffect = effect;
    syncedVersion = effect ? effect->version : 0;
    const size_t emitterCount = effect ? effect->emitters.size() : 0;
    emitters.resize(emitterCount);
    for (size_t i = 0; i < emitterCount; ++i)
    {
        if (!emitters[i])
        {
            emitters[i] = std::make_unique<EmitterState>();
            emitters[i]->system = this;
        }
        EmitterState& state = *emitters[i];
        const EmitterData& data = *effect->emitters[i];
        state.data = &data;
        state.elapsed = 0.0f;
        state.next = 0.0f;
        state.count = 0;
        state.generatorMarks.assign(data.generators.size(), 0xFFFFFFFFu);
        const uint32_t capacity = std::min(data.maximumParticles, MaximumCapacity);
        if (state.capacity != capacity)
            state.Allocate(capacity);
    }
}

void ParticleSystem::Advance(float elapsed)
{
    Refresh();
    float dt = elapsed * timeScale;
    // NaN or infinite ages would keep particles alive for ever, and a clock run backwards would
    // replay births.
    if (!(dt >= 0.0f) || std::isinf(dt))
        dt = 0.0f;

    for (const std::unique_ptr<EmitterState>& pointer : emitters)
    {
        EmitterState& state = *pointer;
        const EmitterData& data = *state.data;
        // "Not younger than its lifetime" also retires particles whose lifetime is NaN.
        for (uint32_t i = 0; i < state.count;)
        {
            state.age[i] += dt;
            if (state.age[i] < state.lifetime[i])
                ++i;
            else
                state.Remove(i);
        }
        for (const std::unique_ptr<ParticleUpdater>& updater : data.updaters)
            updater->Update(state, 0, dt);

        if (!emitting || !state.emitting)
            continue;
        const uint32_t first = state.count;
        for (uint32_t g = 0; g < data.generators.size(); ++g)
        {
            state.generator = g;
            data.generators[g]->Generate(state, dt);
        }
        if (state.count == first)
            continue;
        for (const std::unique_ptr<ParticleInitializer>& initializer : data.initializers)
            initializer->Initialize(state, first);
        // Newborn particles take the updaters' values at their age.
        for (const std::unique_ptr<ParticleUpdater>& updater : data.updaters)
            updater->Update(state, first, 0.0f);
    }
}

bool ParticleSystem::IsFinished() const
{
    // States about to be rebuilt from a reloaded effect start over at the next advance.
    if (IsStale())
        return false;
    for (const std::unique_ptr<EmitterState>& state : emitters)
    {
        if (state->count > 0)
            return false;
        if (emitting && state->emitting && state->elapsed < state->data->duration)
            return false;
    }
    return true;
}

ParticleInstances ParticleSystem::Render(const Texture& texture, float depth, Geometry& instances)
{
    Refresh();
    uint32_t total = 0;
    for (const std::unique_ptr<EmitterState>& state : emitters)
        total += state->count;
    if (total == 0)
        return {};
    // One range for every emitter, so that the owner draws the system with one draw.
    const GraphicsBufferRange range = GraphicsBuffer::Allocate(instances, RecordSize, total);
    if (!range.bytes)
        return {};

    const float cosine = std::cos(rotation);
    const float sine = std::sin(rotation);
    const float rotationDegrees = rotation * DegreesPerRadian;
    uint8_t* record = range.bytes;
    for (const std::unique_ptr<EmitterState>& pointer : emitters)
    {
        const EmitterState& state = *pointer;
        const EmitterData& data = *state.data;
        const TextureRegion* region = texture.GetRegion(static_cast<uint32_t>(data.imageIndex));
        const UvRectangle uv = region ? region->uv : UvRectangle{};
        for (uint32_t i = 0; i < state.count; ++i)
        {
            const float width = state.scaleX[i] * data.particleSize.x;
            const float height = state.scaleY[i] * data.particleSize.y;
            float px = state.x[i];
            float py = state.y[i];
            float degrees = state.angle[i];
            if (data.localSpace)
            {
                const float lx = px * this->width * 0.5f;
                const float ly = py * this->height * 0.5f;
                px = x + lx * cosine - ly * sine;
                py = y + lx * sine + ly * cosine;
                degrees += rotationDegrees;
            }
            float radians = degrees * RadiansPerDegree;
            if (!(radians >= 0.0f && radians < FullTurn))
            {
                radians = std::fmod(radians, FullTurn);
                if (radians < 0.0f)
                    radians += FullTurn;
            }

            // The unit quad moved by (-0.5, -0.5), scaled, turned and moved to the particle: the
            // rows of Matrix3x3::Compose laid out as a 4x4 matrix, written out here because this runs
            // for every particle of every frame.
            const float c = std::cos(radians);
            const float s = std::sin(radians);
            const float ox = -0.5f * width;
            const float oy = -0.5f * height;
            InstanceRecord instance = {{width * c, width * s, 0.0f, 0.0f, -height * s, height * c, 0.0f, 0.0f, 0.0f,
                                        0.0f, 1.0f, 0.0f, ox * c - oy * s + px, ox * s + oy * c + py, 0.0f, 1.0f},
                                       uv,
                                       {state.red[i], state.green[i], state.blue[i], state.alpha[i]},
                                       depth};
            std::memcpy(record, &instance, RecordSize);
            record += RecordSize;
        }
    }
    return {range.first, total};
}

void ParticleSystem::Emit(EmitterState& state, float age)
{
    if (state.Room() == 0)
        return;
    const uint32_t i = state.count++;
    const bool local = state.data->localSpace;
    // A particle born age seconds before the end of an advance left the system where it was then.
    state.x[i] = local ? 0.0f : x - velocityX * age;
    state.y[i] = local ? 0.0f : y - velocityY * age;
    state.angle[i] = local ? 0.0f : rotation * DegreesPerRadian;
    state.scaleX[i] = 1.0f;
    state.scaleY[i] = 1.0f;
    state.velocityX[i] = 0.0f;
    state.velocityY[i] = 0.0f;
    state.rotation[i] = 0.0f;
    state.red[i] = 255;
    state.green[i] = 255;
    state.blue[i] = 255;
    state.alpha[i] = 255;
    state.age[i] = age;
    state.lifetime[i] = 1.0f;
}

void ParticleSystem::Offset(EmitterState& state, uint32_t i, float dx, float dy) const
{
    if (!state.data->localSpace)
    {
        const float c = std::cos(rotation);
        const float s = std::sin(rotation);
        const float turnedX = dx * c - dy * s;
        dy = dx * s + dy * c;
        dx = turnedX;
    }
    state.x[i] += dx;
    state.y[i] += dy;
}

} // namespace Lumvek::Effects
