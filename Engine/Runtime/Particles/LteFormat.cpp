#include "Engine/Runtime/Particles/LteFormat.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"

#include <string>
#include <utility>

namespace Lumvek
{

namespace
{

using namespace Effects;

template <class Rule>
void ReadRules(const Blueprint& emitter, StringView key, StringView kind, std::unique_ptr<Rule> (*create)(StringView),
               std::vector<std::unique_ptr<Rule>>& rules)
{
    const Blueprint* list = emitter.GetObject().Find(key);
    if (!list || list->GetType() != BlueprintType::Array)
        return;
    for (uint32_t i = 0; i < list->GetCount(); ++i)
    {
        const Blueprint& element = list->GetElement(i);
        const Blueprint* type = element.GetObject().Find("Type");
        const StringView name = type ? type->GetString() : StringView();
        std::unique_ptr<Rule> rule = create(name);
        if (!rule)
        {
            Log::Write("could not create {} of type {}", kind, name);
            continue;
        }
        BlueprintReader reader(element);
        rule->Read(reader);
        rules.push_back(std::move(rule));
    }
}

template <class Rule>
void WriteRules(BlueprintWriter& writer, StringView key, StringView (*getName)(const Rule&),
                const std::vector<std::unique_ptr<Rule>>& rules)
{
    if (rules.empty())
        return;
    writer.PushMember(key);
    for (uint32_t i = 0; i < rules.size(); ++i)
    {
        writer.PushElement(i);
        WriteMember(writer, "Type", getName(*rules[i]));
        rules[i]->Write(writer);
        writer.Pop();
    }
    writer.Pop();
}

void ReadEmitter(const Blueprint& element, EmitterData& emitter)
{
    BlueprintReader reader(element);
    std::string texture;
    // No name is no image: the empty name must not become an image of its own.
    if (ReadMember(reader, "Texture", texture))
        emitter.imageIndex = texture.empty() ? -1 : static_cast<int32_t>(NameTableA().Add(texture));
    ReadMember(reader, "Lifetime", emitter.duration);
    ReadMember(reader, "Loop", emitter.loop);
    ReadMember(reader, "MaximumParticles", emitter.maximumParticles);
    ReadMember(reader, "LinkParticles", emitter.localSpace);
    ReadMember(reader, "ParticleSize", emitter.particleSize);
    ReadRules(element, "Generators", "ParticleGenerator", &CreateGenerator, emitter.generators);
    ReadRules(element, "Initializers", "ParticleInitializer", &CreateInitializer, emitter.initializers);
    ReadRules(element, "Updaters", "ParticleUpdater", &CreateUpdater, emitter.updaters);
}

} // namespace

bool LteFormat::Read(const Blueprint& tree, EffectData& effect)
{
    if (tree.GetType() == BlueprintType::Invalid)
        return false;
    // A reload replaces the emitters; running systems see the new version and rebuild their states.
    effect.emitters.clear();
    ++effect.version;
    const Blueprint* list = tree.GetObject().Find("Emitters");
    if (!list || list->GetType() != BlueprintType::Array)
        return true;
    for (uint32_t i = 0; i < list->GetCount(); ++i)
    {
        effect.emitters.push_back(std::make_unique<EmitterData>());
        ReadEmitter(list->GetElement(i), *effect.emitters.back());
    }
    return true;
}

bool LteFormat::Write(Blueprint& tree, const EffectData& effect)
{
    BlueprintWriter writer;
    writer.PushMember("Emitters");
    writer.GetCurrent().SetArray();
    for (uint32_t i = 0; i < effect.emitters.size(); ++i)
    {
        const EmitterData& emitter = *effect.emitters[i];
        writer.PushElement(i);
        WriteMember(writer, "Texture", NameTableA().GetName(static_cast<uint32_t>(emitter.imageIndex)));
        WriteMember(writer, "Lifetime", emitter.duration);
        WriteMember(writer, "Loop", emitter.loop);
        WriteMember(writer, "MaximumParticles", emitter.maximumParticles);
        WriteMember(writer, "LinkParticles", emitter.localSpace);
        WriteMember(writer, "ParticleSize", emitter.particleSize);
        WriteRules(writer, "Generators", &GetGeneratorName, emitter.generators);
        WriteRules(writer, "Initializers", &GetInitializerName, emitter.initializers);
        WriteRules(writer, "Updaters", &GetUpdaterName, emitter.updaters);
        writer.Pop();
    }
    writer.Pop();
    tree = std::move(writer.GetRoot());
    return true;
}

} // namespace Lumvek
