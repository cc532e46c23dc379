#include "Source/World/Item.h"

void Item::PickUp(Player& newHolder)
{
    holder = &newHolder;
    PickUpHook(newHolder);
}

void Item::Release()
{
    ReleaseHook();
    holder = nullptr;
}
