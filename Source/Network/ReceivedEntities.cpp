#include "Source/Network/ReceivedEntities.h"

#include "Source/Network/Messages/EventMessages.h"
#include "Source/Network/Messages/GameState.h"

ReceivedPickup ToReceived(const PickupState& state)
{
    return {state.id,       state.holdsWeapon, state.definition, state.position,
            state.velocity, state.rotation,    state.flipY != 0, state.rotates != 0};
}

ReceivedProjectile ToReceived(const ProjectileState& state)
{
    return {state.id,       state.hasOwner, state.owner,    state.definition,
            state.position, state.velocity, state.rotation, state.flipY != 0};
}

ReceivedTrigger ToReceived(const TriggerCreatedMessage& message)
{
    return {message.trigger, message.definition, message.position, message.size,
            message.pivot,   message.rotation,   message.flipped};
}
