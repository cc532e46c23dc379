#include "Source/World/Body.h"

Body::~Body() = default;

void TransformBody::Reset()
{
    pivotX = 0.0f;
    pivotY = 0.0f;
    rotation = 0.0f;
    flipX = 0;
    flipY = 0;
}
