#include "Engine/Runtime/OpenAL/OpenALAudioDevice.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Runtime/Audio/Sound.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace Lumvek::OpenAL
{

namespace
{

// Attenuation starts beyond this many units and then falls as ReferenceDistance / distance.
constexpr float ReferenceDistance = 5.0f;
// Within this many units an effect is spread over both ears rather than heard from a point: a
// player's own weapon, up to a unit and a half to one side of its listener, is heard in both ears within
// 6 dB, where one 3 units away is still heard on its side.
constexpr float InnerRadius = 2.0f;
constexpr float SpeedOfSound = 343.5f;
// Volumes may amplify: without a higher limit OpenAL would cap every source's gain at 1.
constexpr float MaximumGain = 16777216.0f;
// The longest a start is delayed: the game catches up no more than a quarter of a second in one frame.
constexpr float MaximumDelay = 0.25f;

uint32_t RequiredChannels(AudioGroup mixer)
{
    return mixer == AudioGroup::Effect ? 1 : 2;
}

// OpenAL refuses negative and not-a-number gains; the game's volumes are taken as at least silence.
float Gain(float volume)
{
    return volume > 0.0f ? std::min(volume, MaximumGain) : 0.0f;
}

// Samples of 24 and 32 bits, which OpenAL takes only as floats.
std::vector<float> ToFloats(const uint8_t* bytes, uint32_t count, uint32_t bytesPerSample)
{
    std::vector<float> floats(count);
    for (uint32_t i = 0; i < count; ++i)
    {
        const uint8_t* sample = bytes + size_t(i) * bytesPerSample;
        // The sample's bytes at the top of a 32-bit word, so that the sign comes with them.
        uint32_t word = 0;
        for (uint32_t b = 0; b < bytesPerSample; ++b)
            word |= uint32_t(sample[b]) << (8 * (4 - bytesPerSample + b));
        floats[i] = static_cast<float>(static_cast<int32_t>(word)) / 2147483648.0f;
    }
    return floats;
}

// Fills buffer with the sound's samples; the OpenAL format they took, or AL_NONE when OpenAL cannot
// take them.
ALenum FillBuffer(ALuint buffer, const Sound& sound, bool hasFloatSamples)
{
    const WaveFormat& format = sound.format;
    if (format.channels < 1 || format.channels > 2 || format.sampleRate == 0 || format.sampleRate > INT_MAX)
        return AL_NONE;
    bool mono = format.channels == 1;
    uint32_t bytesPerSample = format.bitsPerSample / 8;
    if (format.bitsPerSample % 8 != 0 || bytesPerSample < 1 || bytesPerSample > 4)
        return AL_NONE;
    // A cut last frame would make OpenAL refuse the whole buffer.
    uint32_t frameSize = bytesPerSample * format.channels;
    uint32_t size = sound.samples.Size() - sound.samples.Size() % frameSize;
    if (size > INT_MAX)
        return AL_NONE;
    ALsizei rate = static_cast<ALsizei>(format.sampleRate);

    alGetError();
    ALenum type = AL_NONE;
    if (bytesPerSample == 1 || bytesPerSample == 2)
    {
        type = bytesPerSample == 1 ? (mono ? AL_FORMAT_MONO8 : AL_FORMAT_STEREO8)
                                   : (mono ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16);
        alBufferData(buffer, type, sound.samples.Data(), static_cast<ALsizei>(size), rate);
    }
    else
    {
        uint32_t count = size / bytesPerSample;
        if (!hasFloatSamples || uint64_t(count) * sizeof(float) > INT_MAX)
            return AL_NONE;
        std::vector<float> floats = ToFloats(sound.samples.Data(), count, bytesPerSample);
        type = mono ? AL_FORMAT_MONO_FLOAT32 : AL_FORMAT_STEREO_FLOAT32;
        alBufferData(buffer, type, floats.data(), static_cast<ALsizei>(floats.size() * sizeof(float)), rate);
    }
    return alGetError() == AL_NO_ERROR ? type : AL_NONE;
}

// The length of a silence at the sample rate: the longest delay, in frames.
ALint SilenceFrames(uint32_t sampleRate)
{
    return static_cast<ALint>(std::ceil(MaximumDelay * static_cast<float>(sampleRate)));
}

// The bytes of one frame of silence in an OpenAL format: unsigned 8-bit samples rest at 128.
std::vector<uint8_t> SilentFrame(ALenum format)
{
    switch (format)
    {
    case AL_FORMAT_MONO8:
        return {128};
    case AL_FORMAT_STEREO8:
        return {128, 128};
    case AL_FORMAT_MONO16:
        return std::vector<uint8_t>(2, 0);
    case AL_FORMAT_STEREO16:
    case AL_FORMAT_MONO_FLOAT32:
        return std::vector<uint8_t>(4, 0);
    default:
        return std::vector<uint8_t>(8, 0);
    }
}

} // namespace

OpenALAudioDevice::OpenALAudioDevice(ResourceTable* resources, bool debug, float musicVolume, float soundVolume,
                                     float effectVolume, AudioOutput output)
    : AudioDevice(resources), debug(debug)
{
    mixers[uint32_t(AudioGroup::Music)].volume = musicVolume;
    mixers[uint32_t(AudioGroup::Sound)].volume = soundVolume;
    mixers[uint32_t(AudioGroup::Effect)].volume = effectVolume;

    LogSection section = Log::BeginSection("Initializing OpenAL");
    if (!(output == AudioOutput::Loopback ? OpenLoopback() : OpenSystem()))
        return;
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alDopplerFactor(0.0f);
    alSpeedOfSound(SpeedOfSound);
    alListenerf(AL_GAIN, masterVolume);
    hasFloatSamples = alIsExtensionPresent("AL_EXT_FLOAT32");
    hasSourceRadius = alIsExtensionPresent("AL_EXT_SOURCE_RADIUS");
    alGetError();
}

bool OpenALAudioDevice::OpenSystem()
{
    device = alcOpenDevice(nullptr);
    const ALCint attributes[] = {0};
    return CreateContext(attributes);
}

bool OpenALAudioDevice::OpenLoopback()
{
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback"))
    {
        const ALCint none[] = {0};
        return CreateContext(none);
    }
    auto openLoopback =
        reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    device = openLoopback && renderSamples ? openLoopback(nullptr) : nullptr;
    // A fixed format, and no head-related filtering, so that what is rendered can be measured.
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_SHORT_SOFT,
                                 ALC_FREQUENCY,
                                 static_cast<ALCint>(LoopbackRate),
                                 ALC_HRTF_SOFT,
                                 ALC_FALSE,
                                 0};
    return CreateContext(attributes);
}

bool OpenALAudioDevice::CreateContext(const ALCint* attributes)
{
    if (!device)
    {
        Log::Write("failed to create the audio interface");
        renderSamples = nullptr;
        return false;
    }
    // However many voices play at once, the output is limited rather than clipped, whether or not the
    // output's sample type would have had OpenAL limit it anyway.
    std::vector<ALCint> asked;
    for (const ALCint* attribute = attributes; *attribute; attribute += 2)
        asked.insert(asked.end(), {attribute[0], attribute[1]});
    if (alcIsExtensionPresent(device, "ALC_SOFT_output_limiter"))
        asked.insert(asked.end(), {ALC_OUTPUT_LIMITER_SOFT, ALC_TRUE});
    asked.push_back(0);
    context = alcCreateContext(device, asked.data());
    if (context && alcMakeContextCurrent(context))
        return true;
    Log::Write("failed to create the master voice");
    if (context)
        alcDestroyContext(context);
    context = nullptr;
    alcCloseDevice(device);
    device = nullptr;
    renderSamples = nullptr;
    return false;
}

OpenALAudioDevice::~OpenALAudioDevice()
{
    ReleaseListeners();
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    for (auto& [id, instance] : instances)
    {
        alSourceStop(instance.voice);
        alDeleteSources(1, &instance.voice);
    }
    for (Mixer& mixer : mixers)
        if (!mixer.idleVoices.empty())
            alDeleteSources(static_cast<ALsizei>(mixer.idleVoices.size()), mixer.idleVoices.data());
    for (auto& [id, registration] : registrations)
        if (registration.buffer)
            alDeleteBuffers(1, &registration.buffer);
    for (auto& [format, silence] : silences)
        alDeleteBuffers(1, &silence);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
}

bool OpenALAudioDevice::Enter() const
{
    if (!context)
        return false;
    // Another device may have been made current since this one last ran.
    if (alcGetCurrentContext() != context)
        alcMakeContextCurrent(context);
    return true;
}

OpenALAudioDevice::Mixer* OpenALAudioDevice::FindMixer(AudioGroup mixer)
{
    return uint32_t(mixer) < AudioGroupCount ? &mixers[uint32_t(mixer)] : nullptr;
}

OpenALAudioDevice::Instance* OpenALAudioDevice::FindInstance(uint32_t id)
{
    auto found = instances.find(id);
    return found != instances.end() ? &found->second : nullptr;
}

const OpenALAudioDevice::Instance* OpenALAudioDevice::FindInstance(uint32_t id) const
{
    auto found = instances.find(id);
    return found != instances.end() ? &found->second : nullptr;
}

uint32_t OpenALAudioDevice::NextInstanceId()
{
    // Ids count up for the life of the device; once the counter wraps, it passes over the id that
    // means none and over instances still playing.
    uint32_t id = instanceCounter++;
    while (id == InvalidId || instances.count(id))
        id = instanceCounter++;
    return id;
}

ALuint OpenALAudioDevice::AcquireVoice(AudioGroup mixer)
{
    Mixer& pool = mixers[uint32_t(mixer)];
    if (!pool.idleVoices.empty())
    {
        ALuint voice = pool.idleVoices.back();
        pool.idleVoices.pop_back();
        return voice;
    }
    alGetError();
    ALuint voice = 0;
    alGenSources(1, &voice);
    if (alGetError() != AL_NO_ERROR)
        return 0;
    ++voiceCount;
    // Every voice is heard relative to the listener at the origin; only the Effect mixer's move away
    // from it and fade with distance.
    alSourcei(voice, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(voice, AL_MAX_GAIN, MaximumGain);
    alSourcef(voice, AL_REFERENCE_DISTANCE, ReferenceDistance);
    alSourcef(voice, AL_ROLLOFF_FACTOR, mixer == AudioGroup::Effect ? 1.0f : 0.0f);
    if (mixer == AudioGroup::Effect && hasSourceRadius)
        alSourcef(voice, AL_SOURCE_RADIUS, InnerRadius);
    return voice;
}

ALint OpenALAudioDevice::VoiceState(ALuint voice) const
{
    ALint state = AL_STOPPED;
    alGetSourcei(voice, AL_SOURCE_STATE, &state);
    return state;
}

void OpenALAudioDevice::ApplyGain(const Instance& instance)
{
    alSourcef(instance.voice, AL_GAIN, Gain(instance.volume) * Gain(mixers[uint32_t(instance.mixer)].volume));
}

void OpenALAudioDevice::StartVoice(Instance& instance)
{
    instance.started = true;
    if (!running || instance.waiting)
        return;
    // Playing a stopped source would start it over, and a playing one from the beginning.
    ALint state = VoiceState(instance.voice);
    if (state == AL_PAUSED || state == AL_INITIAL)
        alSourcePlay(instance.voice);
}

void OpenALAudioDevice::PauseVoice(Instance& instance)
{
    instance.started = false;
    if (VoiceState(instance.voice) == AL_PLAYING)
        alSourcePause(instance.voice);
}

void OpenALAudioDevice::ReleaseVoice(uint32_t id)
{
    auto found = instances.find(id);
    if (found == instances.end())
        return;
    ALuint voice = found->second.voice;
    // Rewound, so that the next instance can tell a sound not started yet from one that has ended.
    alSourceStop(voice);
    alSourceRewind(voice);
    // Detaches the samples, and any silence queued ahead of them.
    alSourcei(voice, AL_BUFFER, 0);
    mixers[uint32_t(found->second.mixer)].idleVoices.push_back(voice);
    instances.erase(found);
}

void OpenALAudioDevice::ReleaseUsersOf(ALuint buffer)
{
    if (buffer == 0)
        return;
    std::vector<uint32_t> users;
    for (const auto& [id, instance] : instances)
        if (instance.buffer == buffer)
            users.push_back(id);
    for (uint32_t id : users)
        ReleaseVoice(id);
}

void OpenALAudioDevice::DeleteBuffer(Registration& registration)
{
    if (registration.buffer == 0)
        return;
    ReleaseUsersOf(registration.buffer);
    alDeleteBuffers(1, &registration.buffer);
    registration.buffer = 0;
    registration.silence = 0;
}

ALuint OpenALAudioDevice::Silence(ALenum format, uint32_t sampleRate)
{
    const std::pair key{format, sampleRate};
    for (const auto& [made, silence] : silences)
        if (made == key)
            return silence;
    const std::vector<uint8_t> frame = SilentFrame(format);
    std::vector<uint8_t> samples(static_cast<size_t>(SilenceFrames(sampleRate)) * frame.size());
    for (size_t at = 0; at < samples.size(); at += frame.size())
        std::copy(frame.begin(), frame.end(), samples.begin() + static_cast<ptrdiff_t>(at));
    alGetError();
    ALuint silence = 0;
    alGenBuffers(1, &silence);
    if (alGetError() != AL_NO_ERROR)
        return 0;
    alBufferData(silence, format, samples.data(), static_cast<ALsizei>(samples.size()),
                 static_cast<ALsizei>(sampleRate));
    if (alGetError() != AL_NO_ERROR)
    {
        alDeleteBuffers(1, &silence);
        return 0;
    }
    silences.push_back({key, silence});
    return silence;
}

void OpenALAudioDevice::QueueSamples(ALuint voice, const Registration& registration, float delay)
{
    // A looping source would loop its silence too.
    ALint silentFrames = 0;
    if (!registration.looping && registration.silence && delay > 0.0f)
        silentFrames = static_cast<ALint>(std::lround(std::min(delay, MaximumDelay) * float(registration.sampleRate)));
    if (silentFrames <= 0)
    {
        alSourcei(voice, AL_BUFFER, static_cast<ALint>(registration.buffer));
        return;
    }
    // The voice starts this far into the silence, so that what is left of it is the delay.
    const ALuint queue[] = {registration.silence, registration.buffer};
    alSourceQueueBuffers(voice, 2, queue);
    alSourcei(voice, AL_SAMPLE_OFFSET, std::max(0, SilenceFrames(registration.sampleRate) - silentFrames));
}

uint32_t OpenALAudioDevice::Play(const Sound& sound)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return InvalidId;
    auto found = registrations.find(sound.soundId);
    if (found == registrations.end())
        return InvalidId;
    const Registration& registration = found->second;
    uint32_t id = NextInstanceId();
    // Samples that did not load, or that do not suit the mixer, were named once when they came.
    if (registration.buffer == 0)
        return InvalidId;
    ALuint voice = AcquireVoice(registration.mixer);
    if (voice == 0)
        return InvalidId;

    Instance& instance = instances[id];
    instance.voice = voice;
    instance.buffer = registration.buffer;
    instance.mixer = registration.mixer;
    // Not a number, or less than nothing, is no delay.
    const float delay = playDelay > 0.0f ? playDelay : 0.0f;
    QueueSamples(voice, registration, delay);
    alSourcei(voice, AL_LOOPING, registration.looping ? AL_TRUE : AL_FALSE);
    alSource3f(voice, AL_POSITION, 0.0f, 0.0f, 0.0f);
    ApplyGain(instance);
    // An effect waits for its place, which the game gives after playing it; a delayed sound waits to
    // start with the others of its frame, the delays counting from there.
    instance.waiting = registration.mixer == AudioGroup::Effect || delay > 0.0f;
    if (instance.waiting)
        waitingStarts.push_back(id);
    StartVoice(instance);
    return id;
}

void OpenALAudioDevice::SetVolume(uint32_t id, float volume)
{
    std::lock_guard lock(mutex);
    Instance* instance = Enter() ? FindInstance(id) : nullptr;
    if (!instance)
        return;
    instance->volume = volume;
    ApplyGain(*instance);
}

void OpenALAudioDevice::SetMixerVolume(AudioGroup mixer, float volume)
{
    std::lock_guard lock(mutex);
    Mixer* found = Enter() ? FindMixer(mixer) : nullptr;
    if (!found)
        return;
    found->volume = volume;
    for (const auto& [id, instance] : instances)
        if (instance.mixer == mixer)
            ApplyGain(instance);
}

void OpenALAudioDevice::SetMasterVolume(float volume)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    masterVolume = volume;
    alListenerf(AL_GAIN, Gain(volume));
}

float OpenALAudioDevice::GetVolume(uint32_t id) const
{
    std::lock_guard lock(mutex);
    const Instance* instance = context ? FindInstance(id) : nullptr;
    return instance ? instance->volume : 0.0f;
}

float OpenALAudioDevice::GetMixerVolume(AudioGroup mixer) const
{
    std::lock_guard lock(mutex);
    return context && uint32_t(mixer) < AudioGroupCount ? mixers[uint32_t(mixer)].volume : 0.0f;
}

float OpenALAudioDevice::GetMasterVolume() const
{
    std::lock_guard lock(mutex);
    return context ? masterVolume : 0.0f;
}

void OpenALAudioDevice::Resume(uint32_t id)
{
    std::lock_guard lock(mutex);
    if (Instance* instance = Enter() ? FindInstance(id) : nullptr)
        StartVoice(*instance);
}

void OpenALAudioDevice::ResumeMixer(AudioGroup mixer)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    for (auto& [id, instance] : instances)
        if (instance.mixer == mixer)
            StartVoice(instance);
}

void OpenALAudioDevice::ResumeAll()
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    running = true;
    for (auto& [id, instance] : instances)
        if (instance.started)
            StartVoice(instance);
}

void OpenALAudioDevice::Pause(uint32_t id)
{
    std::lock_guard lock(mutex);
    if (Instance* instance = Enter() ? FindInstance(id) : nullptr)
        PauseVoice(*instance);
}

void OpenALAudioDevice::PauseMixer(AudioGroup mixer)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    for (auto& [id, instance] : instances)
        if (instance.mixer == mixer)
            PauseVoice(instance);
}

void OpenALAudioDevice::PauseAll()
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    // The voices keep what the game asked of them, and go on as asked once the device runs again.
    running = false;
    for (auto& [id, instance] : instances)
        if (VoiceState(instance.voice) == AL_PLAYING)
            alSourcePause(instance.voice);
}

void OpenALAudioDevice::Stop(uint32_t id)
{
    std::lock_guard lock(mutex);
    if (Enter())
        ReleaseVoice(id);
}

void OpenALAudioDevice::StopMixer(AudioGroup mixer)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    std::vector<uint32_t> stopped;
    for (const auto& [id, instance] : instances)
        if (instance.mixer == mixer)
            stopped.push_back(id);
    for (uint32_t id : stopped)
        ReleaseVoice(id);
}

void OpenALAudioDevice::StopAll()
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    while (!instances.empty())
        ReleaseVoice(instances.begin()->first);
}

void OpenALAudioDevice::AddSound(uint32_t soundId, AudioGroup mixer, bool looping)
{
    std::lock_guard lock(mutex);
    if (!Enter() || !FindMixer(mixer))
        return;
    Registration& registration = registrations[soundId];
    DeleteBuffer(registration);
    registration.mixer = mixer;
    registration.looping = looping;
}

void OpenALAudioDevice::RemoveSound(uint32_t soundId)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    auto found = registrations.find(soundId);
    if (found == registrations.end())
        return;
    // The buffer goes with the registration, and OpenAL deletes no buffer a source still plays.
    DeleteBuffer(found->second);
    registrations.erase(found);
}

void OpenALAudioDevice::SetSoundData(const Sound& sound)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    auto found = registrations.find(sound.soundId);
    if (found == registrations.end())
        return;
    Registration& registration = found->second;
    // Instances of the samples being replaced end with them: OpenAL changes no buffer in use.
    ReleaseUsersOf(registration.buffer);
    if (registration.buffer == 0)
    {
        alGetError();
        alGenBuffers(1, &registration.buffer);
        if (alGetError() != AL_NO_ERROR)
            registration.buffer = 0;
    }
    uint32_t required = RequiredChannels(registration.mixer);
    const ALenum format = registration.buffer ? FillBuffer(registration.buffer, sound, hasFloatSamples) : AL_NONE;
    if (format == AL_NONE)
        Log::Write("sound {} has samples that cannot be played: {} channels of {} bits at {} Hz",
                   NameSet::Global().GetName(sound.soundId), sound.format.channels, sound.format.bitsPerSample,
                   sound.format.sampleRate);
    else if (sound.format.channels != required)
        Log::Write("wrong number of channels for sound {} - should be {} but is {}",
                   NameSet::Global().GetName(sound.soundId), required, sound.format.channels);
    else
    {
        registration.silence = Silence(format, sound.format.sampleRate);
        registration.sampleRate = sound.format.sampleRate;
        return;
    }
    // Said once here, the sound is then played as nothing, silently.
    DeleteBuffer(registration);
}

uint8_t OpenALAudioDevice::AddListener()
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return InvalidListener;
    // Ids freed by removed listeners come round again; the one that means none is never given.
    for (uint32_t tried = 0; tried < InvalidListener; ++tried)
    {
        uint8_t id = static_cast<uint8_t>(listenerCounter++ % InvalidListener);
        auto taken = [id](const Listener& listener) { return listener.id == id; };
        if (std::none_of(listenerStates.begin(), listenerStates.end(), taken))
        {
            listenerStates.push_back({id, {}, {}});
            return id;
        }
    }
    return InvalidListener;
}

bool OpenALAudioDevice::RemoveListener(uint8_t id)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return false;
    auto found = std::find_if(listenerStates.begin(), listenerStates.end(),
                              [id](const Listener& listener) { return listener.id == id; });
    if (found == listenerStates.end())
        return false;
    listenerStates.erase(found);
    return true;
}

void OpenALAudioDevice::SetListener(uint8_t id, Vector2 position, Vector2 velocity)
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;
    for (Listener& listener : listenerStates)
        if (listener.id == id)
        {
            listener.position = position;
            listener.velocity = velocity;
        }
}

bool OpenALAudioDevice::IsPlaying(uint32_t id) const
{
    std::lock_guard lock(mutex);
    return context && FindInstance(id);
}

void OpenALAudioDevice::ReleaseWhenDone(uint32_t id)
{
    std::lock_guard lock(mutex);
    if (Enter())
        finishWatches.push_back(id);
}

void OpenALAudioDevice::SetPosition(uint32_t id, Vector2 position, Vector2 velocity)
{
    std::lock_guard lock(mutex);
    Instance* instance = Enter() ? FindInstance(id) : nullptr;
    if (!instance || instance->mixer != AudioGroup::Effect)
        return;
    instance->position = position;
    instance->velocity = velocity;
    positionUpdates.push_back(id);
}

void OpenALAudioDevice::Update()
{
    std::lock_guard lock(mutex);
    if (!Enter())
        return;

    for (uint32_t id : positionUpdates)
    {
        Instance* instance = FindInstance(id);
        if (!instance)
            continue;
        const Listener* nearest = nullptr;
        float nearestDistance = std::numeric_limits<float>::max();
        for (const Listener& listener : listenerStates)
        {
            float dx = instance->position.x - listener.position.x;
            float dy = instance->position.y - listener.position.y;
            float distance = dx * dx + dy * dy;
            if (distance < nearestDistance)
            {
                nearestDistance = distance;
                nearest = &listener;
            }
        }
        // The listener hears from the origin, facing into the screen with up along y, so an emitter
        // on its right is heard in the right ear.
        if (nearest)
            alSource3f(instance->voice, AL_POSITION, instance->position.x - nearest->position.x,
                       instance->position.y - nearest->position.y, 0.0f);
    }
    positionUpdates.clear();

    // Placed now, the voices played since the last Update start in one call, and so in the same mix:
    // the silences queued ahead of them keep the spacing of the ticks that played them.
    std::vector<ALuint> starting;
    for (uint32_t id : waitingStarts)
        if (Instance* instance = FindInstance(id); instance && instance->waiting)
        {
            instance->waiting = false;
            if (instance->started && running)
                starting.push_back(instance->voice);
        }
    waitingStarts.clear();
    if (!starting.empty())
        alSourcePlayv(static_cast<ALsizei>(starting.size()), starting.data());

    // Ids still playing move down over those that are done, keeping their order.
    size_t kept = 0;
    for (uint32_t id : finishWatches)
    {
        const Instance* instance = FindInstance(id);
        if (instance && VoiceState(instance->voice) != AL_STOPPED)
            finishWatches[kept++] = id;
        else
            ReleaseVoice(id);
    }
    finishWatches.resize(kept);

    if (debug)
        for (ALenum error = alGetError(); error != AL_NO_ERROR; error = alGetError())
            Log::Write("OpenAL error: {}", alGetString(error));
}

bool OpenALAudioDevice::Render(int16_t* samples, uint32_t frameCount)
{
    std::lock_guard lock(mutex);
    if (!renderSamples || !context || frameCount > INT_MAX / 2)
    {
        if (frameCount)
            std::memset(samples, 0, size_t(frameCount) * 2 * sizeof(int16_t));
        return false;
    }
    renderSamples(device, samples, static_cast<ALCsizei>(frameCount));
    return true;
}

} // namespace Lumvek::OpenAL
