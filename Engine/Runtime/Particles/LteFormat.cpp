#include "Engine/Runtime/Particles/LteFormat.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"

#include <string>
#include <utility>

namespace Lumvek
{

namespace
{

using namespace Effects;

// Reads the rule list under key of the emitter the reader stands on. An element that is no rule
// object, or names no registered type, is reported and kept in its place as a Refused rule.
template <class Refused, class Rule>
void ReadRules(BlueprintReader& reader, StringView key, StringView kind, std::unique_ptr<Rule> (*create)(StringView),
               std::vector<std::unique_ptr<Rule>>& rules)
{
    if (!reader.GetMember(key))
        return;
    if (reader.GetCurrent().GetType() != BlueprintType::Array)
        reader.Refuse("", "a list of rules was expected");
    for (uint32_t i = 0; reader.GetCurrent().GetType() == BlueprintType::Array && reader.GetElement(i); ++i)
    {
        const Blueprint* type = reader.GetCurrent().GetObject().Find("Type");
        std::unique_ptr<Rule> rule = type ? create(type->GetString()) : nullptr;
        if (reader.GetCurrent().GetType() != BlueprintType::Object)
            reader.Refuse("", "a rule object was expected");
        else if (!rule)
            reader.Refuse("Type", FormatText("no {} of that type", kind));
        if (rule && reader.GetCurrent().GetType() == BlueprintType::Object)
            rule->Read(reader);
        else
        {
            auto refused = std::make_unique<Refused>();
            refused->written = reader.GetCurrent();
            rule = std::move(refused);
        }
        rules.push_back(std::move(rule));
        reader.Pop();
    }
    reader.Pop();
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
        if (const Blueprint* written = FindRefusedForm(*rules[i]))
            writer.GetCurrent() = *written;
        else
        {
            WriteMember(writer, "Type", getName(*rules[i]));
            rules[i]->Write(writer);
        }
        writer.Pop();
    }
    writer.Pop();
}

void ReadEmitter(BlueprintReader& reader, EmitterData& emitter)
{
    if (reader.GetCurrent().GetType() != BlueprintType::Object)
    {
        reader.Refuse("", "an emitter object was expected");
        return;
    }
    std::string texture;
    // No name is no image: the empty name must not become an image of its own.
    if (ReadMember(reader, "Texture", texture))
        emitter.imageIndex = texture.empty() ? -1 : static_cast<int32_t>(NameTableA().Add(texture));
    ReadMember(reader, "Lifetime", emitter.duration);
    ReadMember(reader, "Loop", emitter.loop);
    ReadMember(reader, "MaximumParticles", emitter.maximumParticles);
    ReadMember(reader, "LinkParticles", emitter.localSpace);
    ReadMember(reader, "ParticleSize", emitter.particleSize);
    ReadRules<RefusedGenerator>(reader, "Generators", "ParticleGenerator", &CreateGenerator, emitter.generators);
    ReadRules<RefusedInitializer>(reader, "Initializers", "ParticleInitializer", &CreateInitializer,
                                  emitter.initializers);
    ReadRules<RefusedUpdater>(reader, "Updaters", "ParticleUpdater", &CreateUpdater, emitter.updaters);
}

} // namespace

void LteFormat::Load(StringView path, StringView bytes, EffectData& effect)
{
    FileRecord record;
    record.report.SetFile(manager ? manager->NameFile(path) : path.ToString());
    // A key written twice, or a number the tree cannot hold as written, is named and keeps Save
    // refused until it is set: merged as read, the file's text would change without a word.
    ParseLonText(bytes, record.file, record.report);
    Take(std::move(record), effect);
}

bool LteFormat::Read(const Blueprint& tree, EffectData& effect)
{
    FileRecord record;
    record.report.SetFile(effect.record.report.GetFile());
    record.file = tree;
    if (tree.GetType() == BlueprintType::Invalid)
        record.report.SetUnparsed("the text is not LON");
    return Take(std::move(record), effect);
}

bool LteFormat::Take(FileRecord record, EffectData& effect)
{
    if (!record.report.IsParsed())
    {
        // The emitters of an earlier load keep running, but nothing may be saved over the file.
        effect.record = std::move(record);
        return false;
    }
    // A reload replaces the emitters; running systems see the new version and rebuild their states.
    effect.emitters.clear();
    ++effect.version;
    BlueprintReader reader(record.file, &record.report);
    if (reader.GetMember("Emitters"))
    {
        if (reader.GetCurrent().GetType() != BlueprintType::Array)
            reader.Refuse("", "a list of emitters was expected");
        for (uint32_t i = 0; reader.GetCurrent().GetType() == BlueprintType::Array && reader.GetElement(i); ++i)
        {
            effect.emitters.push_back(std::make_unique<EmitterData>());
            ReadEmitter(reader, *effect.emitters.back());
            reader.Pop();
        }
        reader.Pop();
    }
    Write(record.asRead, effect);
    effect.record = std::move(record);
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
