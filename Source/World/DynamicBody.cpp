#include "Source/World/DynamicBody.h"

#include <box2d/box2d.h>

DynamicBody::~DynamicBody()
{
    if (physicsBody)
        physicsBody->GetWorld()->DestroyBody(physicsBody);
}

void DynamicBody::Reset()
{
    TransformBody::Reset();
    collideWithOneWay = 1;
    collidesWithTriggers = 0;
    physicsBody = nullptr;
}
