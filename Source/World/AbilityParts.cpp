#include "Source/World/AbilityParts.h"

#include "Source/Data/AbilityPartData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/WeaponData.h"
#include "Source/World/Bone.h"
#include "Source/World/EntityFactory.h"
#include "Source/World/GameContext.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"

#include <algorithm>
#include <cmath>
#include <memory>

using Lumvek::Vector2;

namespace
{

// Trails are drawn behind the player's sprites.
constexpr float TrailDepth = 75.0f;

// The rig node of that name below the wearer's skeleton root, or the root itself.
Bone& FindNode(Player& owner, Lumvek::StringView name)
{
    Bone* node = owner.body.skeleton.Find(name, true);
    return node ? *node : owner.body.skeleton;
}

// Where the bone's pivot lies in the world.
Vector2 WorldPosition(Bone& bone)
{
    return bone.GetWorldTransform().TransformPoint(bone.offset);
}

Vector2 Position(const Player& owner)
{
    return {owner.body.x, owner.body.y};
}

// The audio device looping ability sounds play on; null when the game runs headless or has none.
Lumvek::AudioDevice* GetAudio(const Player& owner)
{
    const GameContext& context = owner.GetContext();
    return context.headless || !context.registry ? nullptr : context.registry->GetAudio();
}

// Starts the looping sound at the position in place of the voice's; nothing plays without an audio
// device. A replayed frame leaves the voice as the frame's first step left it.
void PlayLoop(const Player& owner, Lumvek::SoundInstance& voice, uint32_t sound, Vector2 position)
{
    if (!owner.GetContext().FeedbackOpen())
        return;
    voice.Release();
    Lumvek::AudioDevice* audio = GetAudio(owner);
    if (!audio || sound == Lumvek::InvalidId)
        return;
    voice = audio->Play(sound);
    if (voice.id != Lumvek::InvalidId)
        audio->SetPosition(voice.id, position, owner.body.velocity);
}

// Ends the looping sound, unless in a replayed frame.
void StopLoop(const Player& owner, Lumvek::SoundInstance& voice)
{
    if (owner.GetContext().FeedbackOpen())
        voice.Release();
}

// A use that a replayed frame ended leaves its loop playing, since a replay is unheard: the next
// drawn frame stops the loop no use is left to play. True when it stopped one.
bool EndUnusedLoop(const Player& owner, bool discharging, Lumvek::SoundInstance& voice)
{
    if (discharging || voice.id == Lumvek::InvalidId || !owner.GetContext().FeedbackOpen())
        return false;
    voice.Release();
    return true;
}

// Keeps a looping sound with its player while the part is in use.
void MoveLoop(const Player& owner, const Lumvek::SoundInstance& voice, Vector2 position)
{
    if (voice.device)
        voice.device->SetPosition(voice.id, position, owner.body.velocity);
}

} // namespace

std::unique_ptr<Head> HelicopterHatData::CreatePart() const
{
    return std::make_unique<HelicopterHat>();
}

std::unique_ptr<Core> AmmoBeltData::CreatePart() const
{
    return std::make_unique<AmmoBelt>();
}

std::unique_ptr<Core> JetpackData::CreatePart() const
{
    return std::make_unique<Jetpack>();
}

std::unique_ptr<Legs> BonusHitopsData::CreatePart() const
{
    return std::make_unique<BonusHitops>();
}

std::unique_ptr<Legs> SpaceBootsData::CreatePart() const
{
    return std::make_unique<SpaceBoots>();
}

// The definitions made these parts, so their data are of the definitions' own kinds.

const HelicopterHatData& HelicopterHat::GetData() const
{
    return static_cast<const HelicopterHatData&>(*data);
}

void HelicopterHat::Attach()
{
    hatNode = &FindNode(*owner, "Hat");
    frame = 0;
    hatNode->frame = 0;
    const float frameRate = GetData().frameRate;
    // No rate, or a negative one, leaves the blades on their first frame.
    frameTime = frameRate > 0.0f && std::isfinite(frameRate) ? 1.0f / frameRate : 0.0f;
}

void HelicopterHat::Animate(float dt)
{
    EndUnusedLoop(*owner, discharging, voice);
    if (!discharging || !hatNode || !(frameTime > 0.0f) || !(dt > 0.0f))
        return;
    accumulatedTime += dt;
    if (!(accumulatedTime > frameTime))
        return;
    // The frames passed in one go: what subtracting the frame time while more than it is left would
    // count, without a loop as long as the rate is high.
    const double steps = std::ceil(static_cast<double>(accumulatedTime) / frameTime) - 1.0;
    accumulatedTime -= static_cast<float>(steps * frameTime);
    const uint32_t count = std::max(hatNode->frameCount, 1u);
    const uint64_t advanced = frame + static_cast<uint64_t>(std::min(steps, 4294967295.0));
    if (advanced >= count)
        reverse = !reverse;
    frame = static_cast<uint32_t>(advanced % count);
    hatNode->frame = reverse ? count - 1 - frame : frame;
}

void HelicopterHat::OnUseStarted()
{
    const HelicopterHatData& hat = GetData();
    if (Bone* spine = owner->body.GetBone(PlayerBone::Spine))
        PlayLoop(*owner, voice, hat.sound, WorldPosition(*spine));
    else
        PlayLoop(*owner, voice, hat.sound, Position(*owner));
    PlayerModifiers& modifiers = owner->modifiers;
    modifiers.Add(&Attributes::aerodynamics, hat.aerodynamicsModifier);
    modifiers.Add(&Attributes::maneuverability, hat.maneuverabilityModifier);
    modifiers.Multiply(&Attributes::maximumFallingSpeed, hat.maximumFallingSpeedModifier);
}

void HelicopterHat::OnUsing()
{
    if (Bone* spine = owner->body.GetBone(PlayerBone::Spine))
        MoveLoop(*owner, voice, WorldPosition(*spine));
}

void HelicopterHat::OnUseEnded()
{
    const HelicopterHatData& hat = GetData();
    PlayerModifiers& modifiers = owner->modifiers;
    modifiers.Add(&Attributes::aerodynamics, -hat.aerodynamicsModifier);
    modifiers.Add(&Attributes::maneuverability, -hat.maneuverabilityModifier);
    modifiers.Divide(&Attributes::maximumFallingSpeed, hat.maximumFallingSpeedModifier);
    StopLoop(*owner, voice);
}

void AmmoBelt::Update(float, bool, bool)
{
    Weapon* weapon = owner->weapon.get();
    if (!weapon || !weapon->data || weapon->clip >= weapon->data->clipSize)
        return;
    const uint32_t needed = weapon->data->clipSize - weapon->clip;
    if (needed <= weapon->reserve)
    {
        weapon->clip = weapon->data->clipSize;
        weapon->reserve -= needed;
    }
    else
    {
        weapon->clip += weapon->reserve;
        weapon->reserve = 0;
    }
}

const JetpackData& Jetpack::GetData() const
{
    return static_cast<const JetpackData&>(*data);
}

void Jetpack::SetEmitting(bool emitting)
{
    // The flame goes with the loop: a replayed frame leaves both as they were.
    Visual* visual = owner->body.world->visuals.Find(trail);
    if (!visual || !visual->effect || !owner->GetContext().FeedbackOpen())
        return;
    visual->effect->emitting = emitting ? 1 : 0;
    if (emitting)
        visual->effect->SyncEmitters();
}

void Jetpack::RemoveTrail()
{
    World& world = *owner->body.world;
    if (Visual* visual = world.visuals.Find(trail))
        world.RemoveVisual(*visual);
    trail = NoEntity;
}

void Jetpack::OnSelected(float)
{
    // The trail is a sight of the frame that selected the part: a replay keeps the one made then.
    if (!owner->GetContext().FeedbackOpen())
        return;
    RemoveTrail();
    Bone& node = FindNode(*owner, "EmissionPoint");
    const float parentRotation = node.parent ? node.parent->GetWorldRotation() : 0.0f;
    const Vector2 size(std::fabs(node.scale.x), std::fabs(node.scale.y));
    Visual* visual = CreateVisualEntity(*owner->body.world, WorldPosition(node), size, Vector2(0.5f, 0.5f),
                                        WrapAngle(node.rotation + parentRotation), TrailDepth, false, false,
                                        Lumvek::InvalidId, GetData().trail, Lumvek::InvalidId, -1, 0, 0);
    if (!visual)
        return;
    trail = visual->id;
    if (visual->effect)
        visual->effect->emitting = 0;
}

void Jetpack::OnDeselected(float)
{
    if (owner->GetContext().FeedbackOpen())
        RemoveTrail();
}

void Jetpack::Animate(float)
{
    if (EndUnusedLoop(*owner, discharging, voice))
        SetEmitting(false);
    Visual* visual = owner->body.world->visuals.Find(trail);
    if (!visual)
        return;
    Bone& node = FindNode(*owner, "EmissionPoint");
    // Drawn where the player is drawn, between its last two simulated positions.
    const Bone& root = owner->body.skeleton;
    const Vector2 point = WorldPosition(node) + (root.renderPosition - root.position);
    TransformBody& body = *visual->body;
    body.previousX = body.x = point.x;
    body.previousY = body.y = point.y;
    const float parentRotation = node.parent ? node.parent->GetWorldRotation() : 0.0f;
    body.rotation = WrapAngle(node.rotation + parentRotation);
}

void Jetpack::OnUseStarted()
{
    SetEmitting(true);
    PlayLoop(*owner, voice, GetData().sound, Position(*owner));
}

void Jetpack::OnUsing()
{
    owner->body.impulse.y += GetData().thrust;
    MoveLoop(*owner, voice, Position(*owner));
}

void Jetpack::OnUseEnded()
{
    SetEmitting(false);
    StopLoop(*owner, voice);
}

const BonusHitopsData& BonusHitops::GetData() const
{
    return static_cast<const BonusHitopsData&>(*data);
}

namespace
{

bool WearsOxygenMask(const Player& owner)
{
    return owner.head && owner.head->data && owner.head->data->name == "OxygenMask";
}

} // namespace

void BonusHitops::OnUseStarted()
{
    const BonusHitopsData& hitops = GetData();
    if (!boosted && owner->body.IsOnGround())
    {
        boosted = true;
        PlayerModifiers& modifiers = owner->modifiers;
        rechargeBoosted = WearsOxygenMask(*owner);
        if (rechargeBoosted)
            modifiers.Add(&Attributes::energyRecharge, hitops.oxygenMaskRechargeBoost);
        modifiers.Add(&Attributes::maximumForwardSpeed, hitops.speedBoost);
        modifiers.Add(&Attributes::maximumBackwardSpeed, hitops.speedBoost);
        modifiers.Add(&Attributes::agility, hitops.speedBoost);
    }
    owner->GetContext().PlaySound(hitops.sound, Position(*owner), owner->body.velocity, 1.0f);
}

void BonusHitops::OnUseEnded()
{
    if (!boosted)
        return;
    const BonusHitopsData& hitops = GetData();
    boosted = false;
    PlayerModifiers& modifiers = owner->modifiers;
    // The recharge boost goes exactly when it came, whatever head is worn now.
    if (rechargeBoosted)
        modifiers.Add(&Attributes::energyRecharge, -hitops.oxygenMaskRechargeBoost);
    rechargeBoosted = false;
    modifiers.Add(&Attributes::maximumForwardSpeed, -hitops.speedBoost);
    modifiers.Add(&Attributes::maximumBackwardSpeed, -hitops.speedBoost);
    modifiers.Add(&Attributes::agility, -hitops.speedBoost);
}

const SpaceBootsData& SpaceBoots::GetData() const
{
    return static_cast<const SpaceBootsData&>(*data);
}

void SpaceBoots::SelectedTick(float)
{
    if (owner->body.IsOnGround())
        armed = true;
}

void SpaceBoots::OnUseStarted()
{
    if (!armed)
        return;
    PlayerBody& body = owner->body;
    body.velocity.y = 0.0f;
    body.jumpTime = PlayerBody::NoHang;
    body.impulse.y += GetData().jumpImpulse;
    owner->GetContext().PlaySound(GetData().sound, Position(*owner), body.velocity, 1.0f);
    armed = false;
}
