#pragma once

class ItemData;
class Player;

// An objective item of a match (a flag, the token): lying in a pickup, held in a player's hand or
// carried on a player's body, whose owner it then is. Made by the game mode that plays with it.
class Item
{
public:
    Item() = default;
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;
    virtual ~Item() = default;

    const ItemData* data = nullptr;
    // Null while the item lies in a pickup.
    Player* holder = nullptr;
};
