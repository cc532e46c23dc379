#include "Source/World/PlayerRenderable.h"

#include "Source/World/PlayerBody.h"

namespace
{

void Collect(Bone& bone, std::vector<Bone*>& bones)
{
    bones.push_back(&bone);
    for (Bone& child : bone.children)
        Collect(child, bones);
}

} // namespace

void PlayerRenderable::Rebuild(PlayerBody& body)
{
    bones.clear();
    Collect(body.skeleton, bones);
    Collect(body.leftPickup, bones);
    Collect(body.rightPickup, bones);
}
