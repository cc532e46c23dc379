#include "Source/World/PlayerRenderable.h"

#include "Source/World/PlayerBody.h"

#include <algorithm>

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
    leftBones.clear();
    rightBones.clear();
    for (Bone* bone : bones)
    {
        if (bone->leftOrder != Lumvek::InvalidId)
            leftBones.push_back(bone);
        if (bone->rightOrder != Lumvek::InvalidId)
            rightBones.push_back(bone);
    }
    std::stable_sort(leftBones.begin(), leftBones.end(),
                     [](const Bone* a, const Bone* b) { return a->leftOrder < b->leftOrder; });
    std::stable_sort(rightBones.begin(), rightBones.end(),
                     [](const Bone* a, const Bone* b) { return a->rightOrder < b->rightOrder; });
}
