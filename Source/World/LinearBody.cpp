#include "Source/World/LinearBody.h"

void LinearBody::Reset()
{
    TransformBody::Reset();
    collideWithOneWay = 1;
    velocityX = 0.0f;
    velocityY = 0.0f;
    angularVelocity = 0.0f;
    orient = 0;
    gravity = 0.0f;
}
