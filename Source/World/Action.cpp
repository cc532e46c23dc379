#include "Source/World/Action.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Members.h"
#include "Source/World/World.h"

using namespace Lumvek;

void PathStartAction::Read(BlueprintReader& reader, const NameTable<Platform>& platforms)
{
    std::string name;
    if (!ReadMember(reader, "Platform", name))
        return;
    if (const Platform* found = platforms.Find(name))
    {
        platform = found->id;
        unresolved.clear();
        return;
    }
    // Writing the index back would name whichever platform holds it: the reference would move.
    Log::Write("an action names the platform \"{}\", which this map does not place; saving keeps the name", name);
    platform = NoPlatform;
    unresolved = std::move(name);
}

void PathStartAction::Write(BlueprintWriter& writer, const NameTable<Platform>& platforms) const
{
    const std::string* name =
        platform < world.platforms.Count() ? platforms.FindName(&world.platforms[platform]) : nullptr;
    if (!name && !unresolved.empty())
        name = &unresolved;
    if (name)
        WriteMember(writer, "Platform", StringView(*name));
}

void PathStartAction::Toggle()
{
    if (platform >= world.platforms.Count())
        return;
    if (PathedBody* body = world.platforms[platform].GetPathedBody())
        body->stopped = !body->stopped;
}

std::unique_ptr<Action> CreateAction(TriggerAction kind, World& world)
{
    switch (kind)
    {
    case TriggerAction::PathStartAction:
        return std::make_unique<PathStartAction>(world);
    case TriggerAction::CtfFlagStandAction:
        return std::make_unique<CtfFlagStandAction>();
    case TriggerAction::CheckpointAction:
        return std::make_unique<CheckpointAction>();
    default:
        return nullptr;
    }
}
