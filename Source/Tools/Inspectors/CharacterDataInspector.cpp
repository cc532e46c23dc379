#include "Source/Tools/Inspectors/CharacterDataInspector.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/Path.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/PartData.h"
#include "Source/Tools/Inspectors/AttributesInspector.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/Tools/Tools.h"
#include "Source/World/Bone.h"
#include "Source/World/CharacterAnimations.h"
#include "Source/World/Entities.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/PlayerRig.h"
#include "Source/World/TimelineAnimation.h"
#include "Source/World/World.h"

#include <imgui.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <initializer_list>
#include <span>
#include <utility>

namespace
{

constexpr float Pi = 3.1415927f;
constexpr uint32_t White = 0xFFFFFFFFu;
constexpr uint32_t Black = 0xFF000000u;
// The depth the character's visuals stand at, in front of the map's.
constexpr float VisualDepth = 20.0f;

struct ChannelLabels
{
    AnimationChannel channel;
    const char* label;
    const char* mappingScope;
    const char* animationScope;
};

constexpr std::array<ChannelLabels, AnimationChannelCount> Channels{{
    {AnimationChannel::Head, "Head", "Head Mappings", "Head Animations"},
    {AnimationChannel::Core, "Core", "Core Mappings", "Core Animations"},
    {AnimationChannel::LeftArm, "Left Arm", "Left Arm Mappings", "Left Arm Animations"},
    {AnimationChannel::RightArm, "Right Arm", "Right Arm Mappings", "Right Arm Animations"},
}};

// The character's bone tree of that key, built from its file form when nothing has built it yet: the
// tools edit it in place, and players set up afterwards take it.
void BuildTree(const CharacterData& character, CharacterData::BoneSet& set, Lumvek::StringView key)
{
    const Lumvek::Blueprint& skeleton = character.skeleton;
    if (!set.empty() || skeleton.GetType() != Lumvek::BlueprintType::Object)
        return;
    const Lumvek::Blueprint* tree = skeleton.GetObject().Find(key);
    if (!tree || tree->GetType() != Lumvek::BlueprintType::Object)
        return;
    auto bone = std::make_unique<Bone>();
    Lumvek::BlueprintReader reader(*tree);
    bone->Read(reader);
    character.ApplyBoneSprites(*bone);
    bone->SetParent(nullptr);
    set.emplace_back(bone.release(), [](Bone* built) { delete built; });
}

// The preview wears the basic parts, which the match may not have loaded: their sprites go into the
// world's sprite and drawing atlases, where a region already there is left as it is. The device's
// lock keeps its upload from reading the pixels while they are written.
void LoadIntoAtlases(std::initializer_list<PartData*> parts)
{
    const Tools* tools = Tools::Current();
    Lumvek::GraphicsDevice* device = tools ? tools->GetDevice() : nullptr;
    Lumvek::Texture* sprites = device ? device->GetTexture(GraphicsResources::WorldAtlas) : nullptr;
    Lumvek::Texture* drawing = device ? device->GetTexture(GraphicsResources::DrawAtlas) : nullptr;
    if (!sprites || !drawing || sprites->pixels.Size() == 0 || drawing->pixels.Size() == 0)
        return;
    const auto lock = device->Lock();
    for (PartData* part : parts)
        part->Load(*sprites, *drawing);
}

Bone* FirstTree(const CharacterData::BoneSet& set)
{
    return set.empty() ? nullptr : set.front().get();
}

float ShownRotation(const Bone& node, bool flipped)
{
    const float rotation = node.GetWorldRotation();
    return flipped ? WrapAngle(Pi - rotation) : rotation;
}

Lumvek::Vector2 AbsoluteSize(const Bone& node)
{
    return {std::fabs(node.scale.x), std::fabs(node.scale.y)};
}

// "RightFemur" as "Right Femur".
std::string SpacedName(Lumvek::StringView key)
{
    std::string spaced;
    for (uint32_t i = 0; i < key.length; ++i)
    {
        if (i > 0 && std::isupper(static_cast<unsigned char>(key.data[i])))
            spaced += ' ';
        spaced += key.data[i];
    }
    return spaced;
}

template <NamedEnum E> std::string StateName(E value)
{
    const Lumvek::StringView name = EnumName(value);
    return name.length ? name.ToString() : std::to_string(static_cast<uint32_t>(value));
}

std::string PartLabel(const TimelineAnimation& timeline)
{
    if (dynamic_cast<const HeadAnimation*>(&timeline))
        return "Head";
    if (dynamic_cast<const CoreAnimation*>(&timeline))
        return "Core";
    if (const auto* arm = dynamic_cast<const ArmAnimation*>(&timeline))
        return arm->isLeftArm ? "Left Arm" : "Right Arm";
    return std::string();
}

} // namespace

CharacterDataInspector::CharacterDataInspector(CharacterData* character)
    : DataInspector(character), character(character)
{
    if (!character)
        return;
    BuildTree(*character, character->root, "Root");
    BuildTree(*character, character->leftPickup, "LeftPickup");
    BuildTree(*character, character->rightPickup, "RightPickup");
    if (const Bone* root = GetMainRig())
        mainRigMirrored = root->scale.x < 0.0f;
    // A Save writes the skeleton as its bones write it. What they write before any edit stands for the
    // file as read, so that every bone the maker leaves alone keeps its file's text ("Degrees(60)").
    if (character->record.asRead.GetType() != Lumvek::BlueprintType::Invalid)
    {
        BeforeSave();
        character->record.asRead = character->WriteTree();
    }
    Tools* tools = Tools::Current();
    world = tools ? tools->GetWorld() : nullptr;
    if (!world)
        return;
    previewPosition = tools->GetCameraInUse().centre;
    if (Bone* root = GetMainRig())
    {
        root->SetParent(nullptr);
        if ((root->scale.x < 0.0f) != (flipped != 0))
        {
            root->scale.x = -root->scale.x;
            root->MarkDirty();
        }
        CreateVisuals(*root);
    }
}

CharacterDataInspector::~CharacterDataInspector()
{
    ReleaseVisuals();
    // The definition faces as it did before the window turned it.
    if (Bone* root = GetMainRig(); root && (root->scale.x < 0.0f) != mainRigMirrored)
    {
        root->scale.x = -root->scale.x;
        root->MarkDirty();
    }
}

Bone* CharacterDataInspector::GetMainRig() const
{
    return character ? FirstTree(character->root) : nullptr;
}

void CharacterDataInspector::ReleaseVisuals()
{
    // Only the world they were made in holds them; a later world may have reused their handles.
    const Tools* tools = Tools::Current();
    if (world && tools && tools->GetWorld() == world)
        for (const uint16_t handle : visuals)
            if (Visual* visual = world->visuals.Find(handle))
                world->RemoveVisual(*visual);
    visuals.clear();
    nodeNames.clear();
    visualIndex.clear();
}

void CharacterDataInspector::CreateVisuals(Bone& node)
{
    CreateVisual(node);
    for (Bone& child : node.children)
        CreateVisuals(child);
}

void CharacterDataInspector::CreateVisual(Bone& node)
{
    if (node.region != Lumvek::InvalidId)
    {
        const Lumvek::Vector2 point = node.GetWorldTransform().TransformPoint(node.offset) + previewPosition;
        Visual* visual = CreateVisualEntity(*world, point, AbsoluteSize(node), node.offset,
                                            ShownRotation(node, flipped != 0), VisualDepth, flipped != 0, false,
                                            node.region, Lumvek::InvalidId, Lumvek::InvalidId, -1, 0, 0);
        if (visual)
        {
            const auto [entry, added] = visualIndex.try_emplace(node.name, uint32_t(visuals.size()));
            if (added)
            {
                nodeNames.push_back(node.name);
                visuals.push_back(visual->id);
            }
            else
            {
                // Two bones of one name: the later one is shown, and the earlier one's visual goes
                // rather than stay in the world with nothing left to remove it.
                if (Visual* replaced = world->visuals.Find(visuals[entry->second]))
                    world->RemoveVisual(*replaced);
                visuals[entry->second] = visual->id;
            }
        }
    }
}

void CharacterDataInspector::Synchronise(Bone& node)
{
    const auto found = visualIndex.find(node.name);
    Visual* visual = found != visualIndex.end() ? world->visuals.Find(visuals[found->second]) : nullptr;
    // A bone that had no sprite when the window opened may have one now: the preview rig wears parts
    // over the skeleton's own sprites.
    if (!visual)
        CreateVisual(node);
    else
    {
        TransformBody& body = *visual->body;
        const Lumvek::Vector2 point = node.GetWorldTransform().TransformPoint(node.offset) + previewPosition;
        const Lumvek::Vector2 size = AbsoluteSize(node);
        body.x = body.previousX = point.x;
        body.y = body.previousY = point.y;
        body.width = size.x;
        body.height = size.y;
        body.pivotX = node.offset.x;
        body.pivotY = node.offset.y;
        body.rotation = ShownRotation(node, flipped != 0);
        body.flipX = flipped != 0;
        if (visual->image)
            visual->image->region = node.region;
        world->Refile(*visual);
    }
    for (Bone& child : node.children)
        Synchronise(child);
}

void CharacterDataInspector::SynchroniseShown()
{
    if (!world)
        return;
    if (editedTimeline)
        Synchronise(previewBody->skeleton);
    else if (Bone* root = GetMainRig())
        Synchronise(*root);
}

std::vector<CharacterDataInspector::AnimationEntry> CharacterDataInspector::ListAnimations(const AnimationTable& table)
{
    std::vector<AnimationEntry> entries;
    for (const std::string& name : table.GetNames())
    {
        PlayerAnimation* animation = table.Find(name);
        if (auto* moving = dynamic_cast<MovingAnimation*>(animation))
        {
            entries.push_back({name + " Walking", &moving->GetWalking(), moving});
            entries.push_back({name + " Running", &moving->GetRunning(), moving});
        }
        else if (auto* timeline = dynamic_cast<TimelineAnimation*>(animation))
        {
            entries.push_back({name, timeline, nullptr});
        }
    }
    return entries;
}

bool CharacterDataInspector::OpenAnimation(const AnimationEntry& entry)
{
    if (!character || !entry.timeline)
        return false;
    const DataRegistry* registry = character->registry;
    if (!registry)
    {
        Lumvek::Log::Write("{} is not opened: the character belongs to no registry", entry.label);
        return false;
    }
    HeadData* head = registry->heads.Find("BasicHead");
    CoreData* core = registry->cores.Find("BasicCore");
    ArmsData* arms = registry->arms.Find("BasicArms");
    LegsData* legs = registry->legs.Find("BasicLegs");
    std::string missing;
    for (const auto& [found, name] : {std::pair<bool, const char*>{head != nullptr, "BasicHead"},
                                      {core != nullptr, "BasicCore"},
                                      {arms != nullptr, "BasicArms"},
                                      {legs != nullptr, "BasicLegs"}})
        if (!found)
            missing += missing.empty() ? name : std::string(", ") + name;
    if (!missing.empty())
    {
        Lumvek::Log::Write("{} is not opened: the preview needs the parts {}", entry.label, missing);
        return false;
    }

    LoadIntoAtlases({head, core, arms, legs});
    selectedLabel = entry.label;
    editedTimeline = entry.timeline;
    editedAnimation = entry.moving;
    partLabel = PartLabel(*entry.timeline);
    selectedTrack = nullptr;
    selectedKey = 0;
    previewBody->skeleton.scale.x = flipped ? -1.0f : 1.0f;
    PlayerRig::Setup(*previewBody, character, head, core, arms, legs);
    playing = 0;
    playbackTime = 0.0f;
    animationState = AnimationPlayback();
    editedTimeline->SaveStartPose(*previewBody, animationState);
    editedTimeline->Pose(*previewBody, animationState, 0.0f);
    SynchroniseShown();
    return true;
}

void CharacterDataInspector::CloseAnimation()
{
    editedTimeline = nullptr;
    editedAnimation = nullptr;
    selectedTrack = nullptr;
    SynchroniseShown();
}

void CharacterDataInspector::Advance(float seconds)
{
    if (!editedTimeline)
        return;
    if (playing)
        playbackTime += seconds * editedTimeline->playbackSpeed;
    // A fast clip may pass more than one cycle in a frame, and a typed time may be anything.
    if (!std::isfinite(playbackTime))
        playbackTime = 0.0f;
    else if (playbackTime > 1.0f || playbackTime < 0.0f)
        playbackTime -= std::floor(playbackTime);
    editedTimeline->Pose(*previewBody, animationState, playbackTime);
    SynchroniseShown();
}

void CharacterDataInspector::SetFlipped(bool flip)
{
    flipped = flip ? 1 : 0;
    for (Bone* root : {GetMainRig(), editedTimeline ? &previewBody->skeleton : nullptr})
        if (root && (root->scale.x < 0.0f) != flip)
        {
            root->scale.x = -root->scale.x;
            root->MarkDirty();
        }
    SynchroniseShown();
}

void CharacterDataInspector::BeforeSave()
{
    if (!character)
        return;
    Lumvek::ValueObject& trees = character->skeleton.MakeObject();
    for (const auto& [set, key] :
         {std::pair<const CharacterData::BoneSet*, Lumvek::StringView>{&character->root, "Root"},
          {&character->leftPickup, "LeftPickup"},
          {&character->rightPickup, "RightPickup"}})
    {
        const Bone* tree = FirstTree(*set);
        if (!tree)
            continue;
        Bone copy = *tree;
        if (set == &character->root)
            copy.scale.x = mainRigMirrored ? -std::fabs(copy.scale.x) : std::fabs(copy.scale.x);
        Lumvek::BlueprintWriter writer;
        writer.GetRoot().SetObject();
        copy.Write(writer);
        trees.AddMember(key) = writer.GetRoot();
    }
}

PlayerAnimation* CharacterDataInspector::GetSavedAnimation() const
{
    return editedAnimation ? static_cast<PlayerAnimation*>(editedAnimation)
                           : static_cast<PlayerAnimation*>(editedTimeline);
}

bool CharacterDataInspector::Save()
{
    PlayerAnimation* animation = GetSavedAnimation();
    if (!animation)
        return false;
    if (animation->path.empty() || !character || !character->registry)
    {
        Lumvek::Log::Write("{} is not saved: it has no file of its own", selectedLabel);
        return false;
    }
    const std::string path = Lumvek::Path::Append(character->registry->GetFiles().applicationRoot, animation->path);
    Lumvek::BlueprintWriter writer;
    writer.GetRoot().SetObject();
    animation->Write(writer);
    Lumvek::Blueprint tree;
    std::string refusal;
    if (!animation->record.Merge(writer.GetRoot(), tree, refusal))
    {
        Lumvek::Log::Write("{}", refusal);
        return false;
    }
    const std::string text = Lumvek::LonFormat::SaveBlueprint(tree);
    std::error_code error;
    if (!Lumvek::File::WriteAllText(Lumvek::StringView(path), Lumvek::StringView(text), error))
    {
        Lumvek::Log::Write("could not save {} to {}: {}", selectedLabel, path, error.message());
        return false;
    }
    animation->record.Saved(tree, writer.GetRoot());
    Lumvek::Log::Write("saved {} to {}", selectedLabel, character->registry->GetFiles().NameFile(path));
    return true;
}

void CharacterDataInspector::DrawCamera()
{
    Tools* tools = Tools::Current();
    PropertyInput::PushScope("Tools Camera");
    if (tools && tools->cameraInUse)
    {
        if (ImGui::Button("Locate"))
            tools->camera.centre = previewPosition;
        ImGui::SameLine();
    }
    if (ImGui::Button("Recenter") && tools)
    {
        previewPosition = tools->GetCameraInUse().centre;
        SynchroniseShown();
    }
    bool value = drawBoxes != 0;
    if (ImGui::Checkbox("Draw Boxes", &value))
        drawBoxes = value ? 1 : 0;
    value = drawNodes != 0;
    if (ImGui::Checkbox("Draw Nodes", &value))
        drawNodes = value ? 1 : 0;
    value = flipped != 0;
    if (ImGui::Checkbox("Flipped", &value))
        SetFlipped(value);
    PropertyInput::PopScope();
}

void CharacterDataInspector::Draw()
{
    ImGui::PushItemWidth(200.0f);
    DrawHeader();
    if (character)
    {
        DrawCamera();
        if (!editedTimeline)
        {
            PropertyInput::FreshId();
            if (ImGui::Button("Attributes", ImVec2(ImGui::CalcItemWidth(), 0.0f)))
                if (Tools* tools = Tools::Current())
                    tools->OpenWindow("Attributes", std::make_unique<AttributesInspector>(character, nullptr,
                                                                                          &character->attributes));
            ImGui::PopID();
            if (world)
            {
                if (ImGui::TreeNode("Skeleton"))
                {
                    for (Bone* root :
                         {FirstTree(character->leftPickup), FirstTree(character->rightPickup), GetMainRig()})
                        if (root)
                            DrawSkeletonNode(*root);
                    ImGui::TreePop();
                }
                if (ImGui::TreeNode("Mappings"))
                {
                    DrawMappings();
                    ImGui::TreePop();
                }
                if (ImGui::TreeNode("Animations"))
                {
                    DrawAnimations();
                    ImGui::TreePop();
                }
            }
        }
        else
        {
            DrawAnimationEditor();
        }
    }
    ImGui::PopItemWidth();
}

void CharacterDataInspector::DrawSkeletonNode(Bone& node)
{
    ImGui::PushID(&node);
    if (ImGui::TreeNode(node.name.c_str()))
    {
        ImGui::Indent(6.0f);
        PropertyInput::PushScope(Lumvek::StringView(node.name));
        ImGui::TextUnformatted("Texture");
        PropertyInput::TexturePreview(GraphicsResources::WorldAtlas, node.region, ImGui::CalcItemWidth() * 0.5f,
                                      &node.shape);
        if (node.drawRegion != node.region)
        {
            ImGui::SameLine();
            PropertyInput::TexturePreview(GraphicsResources::WorldAtlas, node.drawRegion,
                                          ImGui::CalcItemWidth() * 0.5f);
        }
        if (node.cellCountX * node.cellCountY > 1)
            ImGui::TextUnformatted(
                Lumvek::FormatText("{} cells arranged {}x{}", node.frameCount, node.cellCountX, node.cellCountY)
                    .c_str());
        bool changed = PropertyInput::OptionalIndex("Left Order", &node.leftOrder);
        changed |= PropertyInput::OptionalIndex("Right Order", &node.rightOrder);
        changed |= PropertyInput::FloatFine("X", &node.position.x);
        changed |= PropertyInput::FloatFine("Y", &node.position.y);
        changed |= PropertyInput::Angle("Rotation", &node.rotation);
        // The sign of the scale is the flip, edited by the boxes below; the size keeps it.
        float width = std::fabs(node.scale.x);
        float height = std::fabs(node.scale.y);
        if (PropertyInput::FloatFine("Width", &width))
            node.scale.x = std::copysign(std::fabs(width), node.scale.x), changed = true;
        if (PropertyInput::FloatFine("Height", &height))
            node.scale.y = std::copysign(std::fabs(height), node.scale.y), changed = true;
        changed |= PropertyInput::FloatFine("U", &node.offset.x);
        changed |= PropertyInput::FloatFine("V", &node.offset.y);
        bool mirrored = node.scale.x < 0.0f;
        if (ImGui::Checkbox("Flipped Horizontally", &mirrored))
            node.scale.x = -node.scale.x, changed = true;
        mirrored = node.scale.y < 0.0f;
        if (ImGui::Checkbox("Flipped Vertically", &mirrored))
            node.scale.y = -node.scale.y, changed = true;
        if (changed)
        {
            node.MarkDirty();
            SynchroniseShown();
        }
        PropertyInput::PopScope();
        for (Bone& child : node.children)
            DrawSkeletonNode(child);
        ImGui::Unindent(6.0f);
        ImGui::TreePop();
    }
    ImGui::PopID();
}

void CharacterDataInspector::DrawMappings()
{
    // A character never loaded has no animations yet.
    if (!character->animations)
        return;
    for (const ChannelLabels& channel : Channels)
    {
        ImGui::TextUnformatted(channel.label);
        PropertyInput::PushScope(Lumvek::StringView::FromCString(channel.mappingScope));
        const AnimationMappings& mappings = character->animations->GetMappings(channel.channel);
        for (size_t i = 0; i < mappings.size(); ++i)
        {
            const AnimationMapping& mapping = mappings[i];
            ImGui::PushID(static_cast<int>(i));
            if (ImGui::TreeNode(mapping.animation.c_str()))
            {
                ImGui::TextUnformatted(Lumvek::FormatText("State: {}, {}, {}, {}, {}", StateName(mapping.health),
                                                          StateName(mapping.movement), StateName(mapping.air),
                                                          StateName(mapping.weapon), StateName(mapping.item))
                                           .c_str());
                ImGui::TextUnformatted(Lumvek::FormatText("Weight: {}", mapping.weight).c_str());
                ImGui::TreePop();
            }
            ImGui::PopID();
        }
        PropertyInput::PopScope();
    }
}

void CharacterDataInspector::DrawAnimations()
{
    if (!character->animations)
        return;
    AnimationEntry chosen;
    for (const ChannelLabels& channel : Channels)
    {
        ImGui::TextUnformatted(channel.label);
        PropertyInput::PushScope(Lumvek::StringView::FromCString(channel.animationScope));
        ImGui::Indent(6.0f);
        for (const AnimationEntry& entry : ListAnimations(character->animations->GetTable(channel.channel)))
        {
            PropertyInput::FreshId();
            if (ImGui::Button(entry.label.c_str(), ImVec2(ImGui::CalcItemWidth(), 0.0f)))
                chosen = entry;
            ImGui::PopID();
        }
        ImGui::Unindent(6.0f);
        PropertyInput::PopScope();
    }
    // Files that did not parse have no button: nothing of them was read to edit.
    for (const Lumvek::ReadReport& report : character->animations->unparsed)
        ImGui::TextWrapped("%s", report.Describe().c_str());
    // Opened after the list is drawn, so that the list never changes under its own loop.
    if (chosen.timeline)
        OpenAnimation(chosen);
}

void CharacterDataInspector::DrawAnimationEditor()
{
    ImGui::TextUnformatted(selectedLabel.c_str());
    PropertyInput::FreshId();
    const bool back = ImGui::Button("Back");
    ImGui::PopID();
    if (back)
    {
        CloseAnimation();
        return;
    }
    ImGui::TextUnformatted(partLabel.c_str());
    if (const Lumvek::ReadReport& report = GetSavedAnimation()->record.report; !report.IsWhole())
        ImGui::TextWrapped("Save leaves the file as it is until these are set: %s", report.Describe().c_str());
    PropertyInput::PushScope(Lumvek::StringView(Lumvek::FormatText("{} {} Region", partLabel, selectedLabel)));
    Advance(ImGui::GetIO().DeltaTime);
    PropertyInput::FreshId();
    if (ImGui::Button("Save"))
        Save();
    ImGui::PopID();
    PropertyInput::Float("Playback", &editedTimeline->playbackSpeed);
    PropertyInput::Float("Transition", &editedTimeline->transitionTime);
    PropertyInput::FreshId();
    if (playing ? ImGui::Button("Pause") : ImGui::Button("Play"))
        playing = playing ? 0 : 1;
    ImGui::PopID();
    PropertyInput::PushScope("Paused Region");
    if (!playing)
        PropertyInput::FloatSmall("", &playbackTime);
    PropertyInput::PopScope();
    DrawKeyTracks();

    if (selectedTrack && selectedKey >= selectedTrack->keys.size())
        selectedTrack = nullptr;
    // Delete while a number is being typed edits the number, not the track; pressed for another window
    // or for the world editor's selection, it leaves the track alone. Dear ImGui as Debian builds it
    // (1.86) asks keys by the host's index, not by its own key names.
    if (selectedTrack && ImGui::IsKeyDown(ImGui::GetKeyIndex(ImGuiKey_Delete)) && !ImGui::GetIO().WantTextInput &&
        ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows))
    {
        selectedTrack->keys.erase(selectedTrack->keys.begin() + selectedKey);
        selectedTrack = nullptr;
    }
    else if (selectedTrack)
    {
        Keyframe& key = selectedTrack->keys[selectedKey];
        if (PropertyInput::FloatSmall("Time", &key.time))
        {
            // The track stays in time order, and the selection on the key that moved.
            const Keyframe moved = key;
            selectedTrack->keys.erase(selectedTrack->keys.begin() + selectedKey);
            selectedKey = selectedTrack->Insert(moved);
        }
        Keyframe& edited = selectedTrack->keys[selectedKey];
        PropertyInput::FloatFine("X", &edited.x);
        PropertyInput::FloatFine("Y", &edited.y);
        PropertyInput::Angle("Rotation", &edited.rotation);
    }
    PropertyInput::PopScope();
}

void CharacterDataInspector::DrawKeyTracks()
{
    const std::span<const Lumvek::StringView> keys = editedTimeline->GetTrackKeys();
    if (keys.empty())
        return;
    constexpr float LabelWidth = 80.0f;
    constexpr float Margin = 5.0f;
    constexpr float RowHeight = 18.0f;
    const auto rows = static_cast<uint32_t>(keys.size());
    const ImVec2 start = ImGui::GetCursorScreenPos();
    const float bandLeft = start.x + LabelWidth + Margin;
    const float bandWidth = std::max(ImGui::CalcItemWidth() - 10.0f, 1.0f);
    const float panelHeight = RowHeight * float(rows);
    const auto rowY = [&](uint32_t row) { return start.y + (float(row) + 0.5f) * RowHeight; };

    for (uint32_t row = 0; row < rows; ++row)
    {
        ImGui::SetCursorScreenPos(ImVec2(start.x, start.y + float(row) * RowHeight));
        ImGui::TextUnformatted(SpacedName(keys[row]).c_str());
    }
    ImGui::SetCursorScreenPos(ImVec2(bandLeft, start.y));
    PropertyInput::InvisibleButton("KeyTracks", bandWidth, panelHeight);
    const bool hovered = ImGui::IsItemHovered();

    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(ImVec2(bandLeft, start.y), ImVec2(bandLeft + bandWidth, start.y + panelHeight),
                        ImGui::GetColorU32(ImVec4(0.0f, 0.0f, 0.0f, 0.8f)));
    for (uint32_t row = 0; row < rows; ++row)
        for (size_t k = 0; k < editedTimeline->tracks[row].keys.size(); ++k)
        {
            const Keyframe& key = editedTimeline->tracks[row].keys[k];
            const ImVec2 at(bandLeft + key.time * bandWidth, rowY(row));
            draw->AddCircleFilled(at, 3.0f, IM_COL32_WHITE);
            if (selectedTrack == &editedTimeline->tracks[row] && selectedKey == k)
                draw->AddCircle(at, 4.0f, ImGui::GetColorU32(ImVec4(0.4f, 1.0f, 0.4f, 1.0f)));
        }
    const float markX = bandLeft + std::clamp(playbackTime, 0.0f, 1.0f) * bandWidth;
    draw->AddLine(ImVec2(markX, start.y), ImVec2(markX, start.y + panelHeight),
                  ImGui::GetColorU32(ImVec4(0.8f, 0.8f, 0.8f, 1.0f)));

    if (!hovered)
        return;
    const ImVec2 pointer = ImGui::GetIO().MousePos;
    const float t = std::clamp((pointer.x - bandLeft) / bandWidth, 0.0f, 1.0f);
    const uint32_t row = std::min(rows - 1, static_cast<uint32_t>(std::max(0.0f, (pointer.y - start.y) / RowHeight)));
    if (ImGui::IsMouseClicked(ImGuiMouseButton_Left))
        for (uint32_t track = 0; track < rows; ++track)
            for (size_t k = 0; k < editedTimeline->tracks[track].keys.size(); ++k)
            {
                const Keyframe& key = editedTimeline->tracks[track].keys[k];
                if (std::fabs(bandLeft + key.time * bandWidth - pointer.x) <= 3.0f &&
                    std::fabs(rowY(track) - pointer.y) <= 3.0f)
                {
                    selectedTrack = &editedTimeline->tracks[track];
                    selectedKey = uint32_t(k);
                    playbackTime = key.time;
                }
            }
    if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left))
    {
        Keyframes& track = editedTimeline->tracks[row];
        Keyframe key = Timeline::Sample(track, t);
        // An empty track samples as the origin: its first key takes the bone where the preview has it.
        if (track.keys.empty())
        {
            std::string name = keys[row].ToString();
            if (const auto* arm = dynamic_cast<const ArmAnimation*>(editedTimeline))
                name = (arm->isLeftArm ? "Left" : "Right") + name;
            if (const Bone* bone = previewBody->skeleton.Find(Lumvek::StringView(name), true))
                key = Keyframe{0.0f, bone->position.x, bone->position.y, bone->rotation};
        }
        key.time = t;
        selectedKey = track.Insert(key);
        selectedTrack = &track;
        playbackTime = t;
    }
    if (ImGui::IsMouseDown(ImGuiMouseButton_Right))
        playbackTime = t;
}

void CharacterDataInspector::DrawNodeOverlay(Bone& node, LineRenderer& lines)
{
    const Lumvek::Vector2 point = node.GetWorldTransform().TransformPoint(node.offset) + previewPosition;
    const Lumvek::Vector2 pixel = lines.pixelSize;
    if (drawNodes)
    {
        lines.FillRect(point, {0.5f, 0.5f}, {5.0f * pixel.x, 5.0f * pixel.y}, White);
        lines.FillRect(point, {0.5f, 0.5f}, {3.0f * pixel.x, 3.0f * pixel.y}, Black);
    }
    if (drawBoxes && node.region != Lumvek::InvalidId)
        lines.DrawRotatedRect(point, node.offset, AbsoluteSize(node), ShownRotation(node, flipped != 0), 2.0f, Black,
                              false, 0);
    for (Bone& child : node.children)
        DrawNodeOverlay(child, lines);
}

void CharacterDataInspector::DrawWorld(const ToolsView&, LineRenderer& lines)
{
    if (!drawNodes && !drawBoxes)
        return;
    if (editedTimeline)
        DrawNodeOverlay(previewBody->skeleton, lines);
    else if (Bone* root = GetMainRig())
        DrawNodeOverlay(*root, lines);
}
