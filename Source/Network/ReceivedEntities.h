#pragma once

#include "Source/World/EntityFactory.h"

class TriggerCreatedMessage;
struct PickupState;
struct ProjectileState;

// What the client's network side received, in the world's terms for the factories that place it:
// the world knows no message.
ReceivedPickup ToReceived(const PickupState& state);
ReceivedProjectile ToReceived(const ProjectileState& state);
ReceivedTrigger ToReceived(const TriggerCreatedMessage& message);
