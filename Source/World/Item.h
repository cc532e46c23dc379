#pragma once

class ItemData;
class Player;

// An objective item of a match (a flag, the token): lying in a pickup, held in a player's hand or
// carried on a player's body, whose owner it then is. Made by the game mode that plays with it; the
// mode may keep pointers to its items, so the world never destroys one while the match runs (an item
// that cannot be placed waits in the world until it can). Application thread only.
class Item
{
public:
    Item() = default;
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;
    virtual ~Item() = default;

    // Whether the player may take the item from its pickup; the modes decide.
    virtual bool CanPickUp(const Player&) const { return true; }
    // The player takes the item into the hand.
    virtual void PickUp(Player& newHolder);
    // The holder lets go of it.
    virtual void Release();
    // Every tick while the item lies in a pickup or is held.
    virtual void Update(double) {}
    // A player took the item from its pickup.
    virtual void OnTaken() {}
    // The item was put down in a new pickup.
    virtual void OnDropped() {}

    const ItemData* data = nullptr;
    // Null while the item lies in a pickup.
    Player* holder = nullptr;

protected:
    virtual void PickUpHook(Player&) {}
    virtual void ReleaseHook() {}
};
