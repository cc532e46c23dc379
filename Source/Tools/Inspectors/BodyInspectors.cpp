#include "Source/Tools/Inspectors/BodyInspectors.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/NameTables.h"
#include "Source/Tools/Editors/WorldEditor.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <algorithm>
#include <string>

using Lumvek::Vector2;

namespace
{

// Keeps the frames in time order: before the first later frame, else at the end. The frame windows
// of the platform from the insertion on would now show other frames, so they close.
void Insert(PathedBody& body, uint32_t platform, const PathKey& key)
{
    const auto at = std::upper_bound(body.path.begin(), body.path.end(), key.time,
                                     [](float time, const PathKey& other) { return time < other.time; });
    const auto index = static_cast<uint32_t>(at - body.path.begin());
    body.path.insert(at, key);
    if (Tools* tools = Tools::Current())
        CloseIndexedWindows(*tools, platform + 1, index);
}

const std::vector<std::string>& StateNames()
{
    static const std::vector<std::string> names{"Normal", "Hidden", "Stopped", "Finished"};
    return names;
}

} // namespace

void BodyInspector::Draw()
{
    changed = false;
    Vector2 position{body->x, body->y};
    if (PropertyInput::Vector2("Position", &position))
    {
        body->x = position.x;
        body->y = position.y;
        changed = true;
    }
    Vector2 size{body->width, body->height};
    // Every body these windows show collides as a box, which needs both sides above 0: a platform of
    // width -4 stood without collision or picture, and its map kept it so, unsaid.
    if (PropertyInput::Vector2("Size", &size))
    {
        if (size.x > 0.0f && size.y > 0.0f)
        {
            body->width = size.x;
            body->height = size.y;
            changed = true;
        }
        else
            Lumvek::Log::Write("Size: {} {} was not taken: a body needs a width and a height above 0", size.x, size.y);
    }
    ImGui::Text("Previous Position: %g %g", double(body->previousX), double(body->previousY));
}

TransformBodyInspector::TransformBodyInspector(TransformBody* body) : BodyInspector(body), transform(body) {}

void TransformBodyInspector::Draw()
{
    BodyInspector::Draw();
    changed |= PropertyInput::Angle("Rotation", &transform->rotation);
}

PathedBody* PathFrames::Find(World& world, uint32_t platform)
{
    if (platform >= world.platforms.Count())
        return nullptr;
    Platform& record = world.platforms[platform];
    return record.body && record.GetBody().active ? record.GetPathedBody() : nullptr;
}

void PathFrames::AddFrame(World& world, uint32_t platform)
{
    PathedBody* body = Find(world, platform);
    if (!body || body->path.empty())
        return;
    PathKey key = body->path.back();
    key.time += 1.0f;
    Insert(*body, platform, key);
}

void PathFrames::AddReversedFrames(World& world, uint32_t platform)
{
    PathedBody* body = Find(world, platform);
    if (!body || body->path.empty())
        return;
    // Copied first: the insertions below may move the frames.
    const Path original = body->path;
    const float end = original.back().time;
    for (size_t i = original.size() - 1; i-- > 0;)
    {
        PathKey key = original[i];
        key.time = 2.0f * end - key.time;
        Insert(*body, platform, key);
    }
}

bool PathFrames::Remove(World& world, uint32_t platform, uint32_t frame)
{
    PathedBody* body = Find(world, platform);
    if (!body || frame >= body->path.size())
        return false;
    if (body->path.size() == 1)
    {
        Lumvek::Log::Write("the last frame of platform {}'s path stays: a moving platform needs one", platform);
        return false;
    }
    body->path.erase(body->path.begin() + frame);
    if (Tools* tools = Tools::Current())
        CloseIndexedWindows(*tools, platform + 1, frame);
    return true;
}

void PathedBodyInspector::Draw()
{
    PathedBody* body = world ? PathFrames::Find(*world, platform) : nullptr;
    if (!body)
        return;
    Tools* tools = Tools::Current();
    for (size_t i = 0; i < body->path.size(); ++i)
    {
        ImGui::PushID(static_cast<int>(i));
        const std::string label = "Frame " + std::to_string(i);
        if (ImGui::Button(label.c_str(), ImVec2(-1.0f, 0.0f)) && tools)
            tools->OpenWindow(label, std::make_unique<PathNodeInspector>(platform, static_cast<uint32_t>(i)));
        ImGui::PopID();
    }
    if (ImGui::Button("Add Frame", ImVec2(-1.0f, 0.0f)))
        PathFrames::AddFrame(*world, platform);
    if (ImGui::Button("Add Reversed Frames", ImVec2(-1.0f, 0.0f)))
        PathFrames::AddReversedFrames(*world, platform);
}

void PathNodeInspector::Draw()
{
    const Tools* tools = Tools::Current();
    World* world = tools ? tools->GetWorld() : nullptr;
    PathedBody* body = world ? PathFrames::Find(*world, platform) : nullptr;
    if (!body || frame >= body->path.size())
    {
        open = 0;
        return;
    }
    PathKey& key = body->path[frame];
    PropertyInput::Float("Time", &key.time);
    Vector2 position{key.x, key.y};
    if (PropertyInput::Vector2("Position", &position))
    {
        key.x = position.x;
        key.y = position.y;
    }
    uint32_t state = static_cast<uint32_t>(key.state);
    if (PropertyInput::Combo("Action", &state, StateNames()) && state < StateNames().size())
        key.state = static_cast<PathState>(state);
    if (ImGui::Button("Remove", ImVec2(-1.0f, 0.0f)) && PathFrames::Remove(*world, platform, frame))
        open = 0;
}
