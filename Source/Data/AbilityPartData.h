#pragma once

#include "Source/Data/PartData.h"

#include <cstdint>
#include <memory>

// The parts whose ability does more than spend energy. Each reads and writes its own keys after those
// of its kind, loads its sounds (and the jetpack its trail) after its bones, and makes its own run-time
// part. Their sounds play positioned at the wearer, on the effect mixer.

// Spinning blades that slow a fall and steer in the air while in use.
class HelicopterHatData final : public HeadData
{
public:
    // The bones, then the looping blade sound "Active" under the sound name <Name>Sound.
    void Load(Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture) override;
    void Unload() override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    std::unique_ptr<Head> CreatePart() const override;

    // Id in NameSet::Global; -1 until loaded.
    uint32_t sound = Lumvek::InvalidId;
    // Blade frames per second.
    float frameRate = 0.5f;
    // Added to the wearer's attributes while in use, the falling speed multiplied.
    float aerodynamicsModifier = 1.0f;
    float maneuverabilityModifier = 0.25f;
    float maximumFallingSpeedModifier = 0.5f;
};

// Keeps the weapon in hand loaded from its reserve.
class AmmoBeltData final : public CoreData
{
public:
    std::unique_ptr<Core> CreatePart() const override;
};

// Thrust upwards while in use, with a trail of particles.
class JetpackData final : public CoreData
{
public:
    // The trail effect id <Name>Trail and the sound <Name>Sound, the bones, then the looping sound
    // "Active".
    void Load(Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture) override;
    void Unload() override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    std::unique_ptr<Core> CreatePart() const override;

    // Id in NameSet::Global; -1 until loaded.
    uint32_t sound = Lumvek::InvalidId;
    // Id in NameTableB, the trail effect's slot; -1 until loaded.
    uint32_t trail = Lumvek::InvalidId;
    // Upward impulse per tick of use.
    float thrust = 0.5f;
};

// A burst of speed while standing on a platform.
class BonusHitopsData final : public LegsData
{
public:
    // The sound <Name>Sound, the bones, then the sound "Activate", played once per use.
    void Load(Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture) override;
    void Unload() override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    std::unique_ptr<Legs> CreatePart() const override;

    // Id in NameSet::Global; -1 until loaded.
    uint32_t sound = Lumvek::InvalidId;
    // Added to the wearer's speeds and agility while in use.
    float speedBoost = 0.5f;
    // Added to the wearer's energy recharge while in use, when the head is the oxygen mask.
    float oxygenMaskRechargeBoost = 1.5f;
};

// A second jump in the air.
class SpaceBootsData final : public LegsData
{
public:
    // The sound <Name>Sound, the bones, then the sound "Activate", played once per jump.
    void Load(Lumvek::Texture& spriteTexture, Lumvek::Texture& drawTexture) override;
    void Unload() override;
    bool Read(Lumvek::BlueprintReader& reader) override;
    void Write(Lumvek::BlueprintWriter& writer) const override;
    std::unique_ptr<Legs> CreatePart() const override;

    // Id in NameSet::Global; -1 until loaded.
    uint32_t sound = Lumvek::InvalidId;
    float jumpImpulse = 0.0f;
};
