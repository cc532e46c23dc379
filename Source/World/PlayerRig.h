#pragma once

class CharacterData;
class HeadData;
class CoreData;
class ArmsData;
class LegsData;
class PlayerBody;

// Builds a player's skeleton from the character's bone trees and the bones its four parts put on
// them, keeping where the body stands and which way it faces.
namespace PlayerRig
{

// Any of the definitions may be null: its bones are then left as the character has them. Without a
// character the trees are emptied.
void Setup(PlayerBody& body, const CharacterData* character, const HeadData* head, const CoreData* core,
           const ArmsData* arms, const LegsData* legs);

} // namespace PlayerRig
