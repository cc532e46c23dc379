#include "Source/Tools/Inspectors/PartInspectors.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/AbilityPartData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/PartData.h"
#include "Source/Game/Vantorel.h"
#include "Source/Tools/PropertyInput.h"
#include "Source/World/Player.h"

#include <imgui.h>

namespace
{

// A property scope over the rows of one region of a panel, so that rows coming and going inside it
// leave the IDs of the rows after it alone.
struct Scope
{
    explicit Scope(const char* name) { PropertyInput::PushScope(Lumvek::StringView::FromCString(name)); }
    ~Scope() { PropertyInput::PopScope(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// A check box over a bone's flag, and when it is set the rows of the value it flags.
template <class Rows> bool FlaggedRows(const char* flag, bool& set, const char* region, Rows rows)
{
    ImGui::Checkbox(flag, &set);
    const Scope scope(region);
    return set && rows();
}

} // namespace

PartDataInspector::PartDataInspector(PartData* part) : DataInspector(part), part(part) {}

void PartDataInspector::DrawPart()
{
    ModifiersButton(part, part->modifiers);
    DrawHeader();
    PropertyInput::Count("Cost", &part->cost);
    ImGui::Checkbox("Has Ability", &part->hasAbility);
    const Scope scope("Energy Region");
    if (!part->hasAbility)
        return;
    PropertyInput::PushLabelWidth(150.0f);
    PropertyInput::Heading("Energy", 1.2f);
    PropertyInput::Count("Requirement", &part->energyRequirement);
    PropertyInput::Count("Discharge Amount", &part->energyDischargeAmount);
    PropertyInput::FramesAsSeconds("Discharge Time", &part->energyDischargeTime.ticks);
    PropertyInput::FramesAsSeconds("Recharge Time", &part->energyRechargeTime.ticks);
    PropertyInput::FramesAsSeconds("Recharge Timeout", &part->energyRechargeTimeout.ticks);
    PropertyInput::PopLabelWidth();
}

bool PartDataInspector::DrawBone(BoneData& bone, bool openAtFirst)
{
    // Numbered from the panel's counter: two bones of one name stay apart.
    PropertyInput::FreshId();
    ImGui::Indent(6.0f);
    const bool open =
        ImGui::TreeNodeEx("Bone", openAtFirst ? ImGuiTreeNodeFlags_DefaultOpen : 0, "%s", bone.name.c_str());
    bool changed = false;
    if (open)
    {
        const Scope scope("Bone");
        // The rows stand indented under their bone; the inputs begin clear of the labels.
        PropertyInput::PushLabelWidth(ImGui::GetCursorPosX() + 90.0f);
        {
            const Scope region("Normal Texture Region");
            if (bone.region != Lumvek::InvalidId)
            {
                ImGui::TextUnformatted("Texture");
                PropertyInput::TexturePreview(GraphicsResources::WorldAtlas, bone.region, -0.5f, &bone.shape);
            }
        }
        {
            const Scope region("Flipped Texture Region");
            if (bone.drawRegion != bone.region)
            {
                ImGui::SameLine();
                PropertyInput::TexturePreview(GraphicsResources::WorldAtlas, bone.drawRegion, -0.5f);
            }
        }
        {
            const Scope region("Cell Region");
            if (bone.frameCount > 1)
                ImGui::Text("%u cells arranged %ux%u", bone.frameCount, bone.cellCountX, bone.cellCountY);
        }
        changed |= PropertyInput::OptionalIndex("Left Order", &bone.leftOrder);
        changed |= PropertyInput::OptionalIndex("Right Order", &bone.rightOrder);
        changed |= FlaggedRows("Has Position", bone.hasPosition, "Position Region",
                               [&]
                               {
                                   const bool x = PropertyInput::FloatFine("X", &bone.position.x);
                                   return PropertyInput::FloatFine("Y", &bone.position.y) || x;
                               });
        changed |= FlaggedRows("Has Rotation", bone.hasRotation, "Rotation Region",
                               [&] { return PropertyInput::Angle("Rotation", &bone.rotation); });
        changed |= FlaggedRows("Has Size", bone.hasSize, "Size Region",
                               [&]
                               {
                                   const bool width = PropertyInput::FloatFine("Width", &bone.size.x);
                                   return PropertyInput::FloatFine("Height", &bone.size.y) || width;
                               });
        changed |= FlaggedRows("Has Offset", bone.hasOffset, "Offset Region",
                               [&]
                               {
                                   const bool u = PropertyInput::FloatFine("U", &bone.offset.x);
                                   return PropertyInput::FloatFine("V", &bone.offset.y) || u;
                               });
        PropertyInput::PopLabelWidth();
        for (BoneData& child : bone.children)
            changed |= DrawBone(child);
        ImGui::TreePop();
    }
    ImGui::Unindent(6.0f);
    ImGui::PopID();
    return changed;
}

uint32_t PartDataInspector::RebuildRigs(GameContext* game)
{
    if (!game || !game->world)
        return 0;
    uint32_t rebuilt = 0;
    // The local players are the configuration's player slots; a slot whose player has left, or has
    // no record in the world yet, has no rig to rebuild.
    for (const PlayerSlot& slot : game->configuration.players)
        if (slot.player && !slot.removed)
        {
            slot.player->RebuildRig();
            ++rebuilt;
        }
    return rebuilt;
}

void PartDataInspector::DrawBones(std::initializer_list<BoneData*> bones)
{
    const Scope scope("Bones");
    if (!ImGui::TreeNodeEx("Bones", ImGuiTreeNodeFlags_DefaultOpen))
        return;
    bool changed = false;
    // A lone bone (a head's or a core's) is all there is to see, so it starts open.
    for (BoneData* bone : bones)
        changed |= DrawBone(*bone, bones.size() == 1);
    ImGui::TreePop();
    if (!changed)
        return;
    const uint32_t rebuilt = RebuildRigs(context ? context : Vantorel_::Get());
    if (rebuilt != 0)
        Lumvek::Log::Write("{}: rebuilt the rigs of {} local players", part->name, rebuilt);
}

HeadDataInspector::HeadDataInspector(HeadData* head) : PartDataInspector(head), head(head) {}

void HeadDataInspector::Draw()
{
    DrawPart();
    PropertyInput::Vector2("Size", &head->size);
    DrawBones({&head->skull});
}

CoreDataInspector::CoreDataInspector(CoreData* core) : PartDataInspector(core), core(core) {}

void CoreDataInspector::Draw()
{
    DrawPart();
    PropertyInput::Vector2("Size", &core->size);
    DrawBones({&core->spine});
}

ArmsDataInspector::ArmsDataInspector(ArmsData* arms) : PartDataInspector(arms), arms(arms) {}

void ArmsDataInspector::Draw()
{
    DrawPart();
    DrawBones({&arms->leftHumerus, &arms->leftRadius, &arms->leftHand, &arms->rightHumerus, &arms->rightRadius,
               &arms->rightHand});
}

LegsDataInspector::LegsDataInspector(LegsData* legs) : PartDataInspector(legs), legs(legs) {}

void LegsDataInspector::Draw()
{
    DrawPart();
    PropertyInput::Vector2("Size", &legs->size);
    DrawBones(
        {&legs->leftFemur, &legs->leftTibia, &legs->leftFoot, &legs->rightFemur, &legs->rightTibia, &legs->rightFoot});
}

HelicopterHatDataInspector::HelicopterHatDataInspector(HelicopterHatData* hat) : HeadDataInspector(hat) {}

void HelicopterHatDataInspector::Draw()
{
    HeadDataInspector::Draw();
    auto& hat = static_cast<HelicopterHatData&>(*head);
    PropertyInput::Float("Frame Rate", &hat.frameRate);
    PropertyInput::Float("Maneuv (%%)", &hat.maneuverabilityModifier);
    PropertyInput::Float("Fall Speed (%%)", &hat.maximumFallingSpeedModifier);
}

JetpackDataInspector::JetpackDataInspector(JetpackData* jetpack) : CoreDataInspector(jetpack) {}

void JetpackDataInspector::Draw()
{
    CoreDataInspector::Draw();
    PropertyInput::Float("Thrust", &static_cast<JetpackData&>(*core).thrust);
}

BonusHitopsDataInspector::BonusHitopsDataInspector(BonusHitopsData* hitops) : LegsDataInspector(hitops) {}

void BonusHitopsDataInspector::Draw()
{
    LegsDataInspector::Draw();
    PropertyInput::Float("Boost", &static_cast<BonusHitopsData&>(*legs).speedBoost);
}
