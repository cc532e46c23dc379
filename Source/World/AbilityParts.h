#pragma once

#include "Engine/Runtime/Audio/AudioDevice.h"
#include "Source/World/EntityStorage.h"
#include "Source/World/Part.h"

#include <cstdint>

class Bone;
class HelicopterHatData;
class JetpackData;
class BonusHitopsData;
class SpaceBootsData;

// The run-time parts of the special part definitions, each the part kind it is worn as, with the
// effect of its ability. Looping sounds play through the instance each keeps, which stops them when
// the part goes; none plays when the game runs headless.

// Blades that slow a fall and steer in the air while in use, spinning through the "Hat" node's frames.
class HelicopterHat final : public Head
{
public:
    void Attach() override;
    void Animate(float dt) override;
    void OnUseStarted() override;
    void OnUsing() override;
    void OnUseEnded() override;

    const HelicopterHatData& GetData() const;

    Lumvek::SoundInstance voice;
    // The rig node that shows the blade frames; the wearer's rig owns it.
    Bone* hatNode = nullptr;
    // Seconds per blade frame; 0 leaves the blades on their first frame.
    float frameTime = 0.0f;
    uint32_t frame = 0;
    // The blades run their frames forwards and backwards in turn.
    bool reverse = false;
    float accumulatedTime = 0.0f;
};

// Keeps the weapon in hand loaded from its reserve, with no energy and no use.
class AmmoBelt final : public Core
{
public:
    void Update(float dt, bool isSelected, bool inUse) override;
};

// Thrust upwards while in use, with a trail of particles from the "EmissionPoint" node while selected.
class Jetpack final : public Core
{
public:
    void Animate(float dt) override;
    void OnSelected(float selectedTime) override;
    void OnDeselected(float selectedTime) override;
    void OnUseStarted() override;
    void OnUsing() override;
    void OnUseEnded() override;

    const JetpackData& GetData() const;

    Lumvek::SoundInstance voice;
    // The visual entity showing the trail while the jetpack is selected.
    EntityId trail = NoEntity;

private:
    // Switches the trail's particles on or off.
    void SetEmitting(bool emitting);
    void RemoveTrail();
};

// A burst of speed while in use, when the use starts on the ground.
class BonusHitops final : public Legs
{
public:
    void OnUseStarted() override;
    void OnUseEnded() override;

    const BonusHitopsData& GetData() const;

    // Whether the boost of the current use was applied, and with it the oxygen mask's recharge boost,
    // so that ending the use removes exactly that.
    bool boosted = false;
    bool rechargeBoosted = false;
};

// A second jump in the air, once per stay in the air.
class SpaceBoots final : public Legs
{
public:
    void SelectedTick(float selectedTime) override;
    void OnUseStarted() override;

    const SpaceBootsData& GetData() const;

    // Cleared by the jump in the air, set again on touching ground; new boots may jump at once.
    bool armed = true;
};
