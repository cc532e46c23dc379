#include "Source/Ui/Kit/PlayerPreview.h"

#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Graphics/DrawList.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Engine/Runtime/Gui/Gui.h"
#include "Source/Data/BoneData.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/PartData.h"
#include "Source/Data/Profile.h"
#include "Source/World/Bone.h"
#include "Source/World/PlayerRig.h"

#include <algorithm>

using Lumvek::Matrix3x3;
using Lumvek::StringView;
using Lumvek::Vector2;

PlayerPreview::PlayerPreview(const DataRegistry* registry, Request request)
    : registry(registry), request(std::move(request))
{
}

void PlayerPreview::AddBoneSprites(const PartData& part, const BoneData& bone, uint32_t basicSprite,
                                   StringView basicImage, std::vector<PreviewSprite>& sprites, const Request& request)
{
    if (bone.region != Lumvek::InvalidId)
    {
        const std::string stem = part.name + bone.name;
        PreviewSprite sprite;
        sprite.bone = &bone;
        sprite.image = Lumvek::NameTableA().Add(stem + "Image");
        sprite.draw = Lumvek::NameTableA().Add(stem + "Draw");
        sprites.push_back(sprite);
        if (request)
        {
            if (bone.region != basicSprite || basicSprite == Lumvek::InvalidId)
            {
                const std::string folder = "Assets/" + part.GetFolder().ToString() + "/" + part.name + "/" + bone.name;
                request(sprite.draw, folder + "Draw.png");
                request(sprite.image, folder + "Image.png");
            }
            else
            {
                const std::string shared = "Assets/Player/" + basicImage.ToString();
                request(sprite.draw, shared + "Draw.png");
                request(sprite.image, shared + "Image.png");
            }
        }
    }
    // Children always wear their part's own images.
    for (const BoneData& child : bone.children)
        AddBoneSprites(part, child, Lumvek::InvalidId, "", sprites, request);
}

const Matrix3x3& PlayerPreview::FindBoneTransform(Bone& root, StringView boneName)
{
    // Rig nodes carry the bones' own names ("Skull", "LeftHumerus").
    Bone* node = root.Find(boneName, true);
    return (node ? *node : root).GetWorldTransform();
}

void PlayerPreview::SetLoadout(const ProfileLoadout& loadout)
{
    body.Reset(Vector2(0.0f, 0.0f), true);
    Bone& root = body.skeleton;
    if (root.scale.x > 0.0f)
    {
        root.scale.x = -root.scale.x;
        root.MarkDirty();
    }
    sprites.clear();
    if (!registry)
        return;
    const HeadData* head = registry->heads.Get(loadout.head);
    const CoreData* core = registry->cores.Get(loadout.core);
    const ArmsData* arms = registry->arms.Get(loadout.arms);
    const LegsData* legs = registry->legs.Get(loadout.legs);
    const CharacterData* character = registry->characters.Get(0);
    PlayerRig::Setup(body, character, head, core, arms, legs);
    body.skeleton.MarkDirty();

    if (head)
        AddBoneSprites(*head, head->skull, Images::BasicSkull, "Skull", sprites, request);
    if (core)
        AddBoneSprites(*core, core->spine, Images::BasicSpine, "Spine", sprites, request);
    if (arms)
        for (const BoneData* humerus : {&arms->leftHumerus, &arms->rightHumerus})
        {
            const BoneData* radius = humerus == &arms->leftHumerus ? &arms->leftRadius : &arms->rightRadius;
            AddBoneSprites(*arms, *humerus, Images::BasicHumerus, "Humerus", sprites, request);
            AddBoneSprites(*arms, *radius, Images::BasicRadius, "Radius", sprites, request);
        }
    if (legs)
    {
        const BoneData* order[2][3] = {{&legs->leftFemur, &legs->leftTibia, &legs->leftFoot},
                                       {&legs->rightFemur, &legs->rightTibia, &legs->rightFoot}};
        for (const auto& leg : order)
        {
            AddBoneSprites(*legs, *leg[0], Images::BasicFemur, "Femur", sprites, request);
            AddBoneSprites(*legs, *leg[1], Images::BasicTibia, "Tibia", sprites, request);
            AddBoneSprites(*legs, *leg[2], Images::BasicFoot, "Foot", sprites, request);
        }
    }
    // Unset orders (all ones) count as the lowest.
    std::stable_sort(sprites.begin(), sprites.end(),
                     [](const PreviewSprite& a, const PreviewSprite& b)
                     {
                         const auto order = [](const PreviewSprite& s)
                         { return s.bone->leftOrder == Lumvek::InvalidId ? -1 : int64_t(s.bone->leftOrder); };
                         return order(a) > order(b);
                     });
}

void PlayerPreview::Render(float seconds, Lumvek::DrawList& drawList, Lumvek::Geometry& vertexBuffer,
                           Lumvek::Geometry& indexBuffer, Lumvek::GraphicsDevice& device, Lumvek::Menu& menu,
                           const Lumvek::Rectangle& rectangle)
{
    (void)seconds;
    (void)menu;
    drawnRectangle = rectangle;
    const Lumvek::Texture* atlas = device.GetTexture(GraphicsResources::PreviewAtlas);
    if (!atlas || sprites.empty())
        return;
    const auto size = device.GetSize();
    const auto W = static_cast<float>(size.width), H = static_cast<float>(size.height);
    if (W <= 0.0f || H <= 0.0f)
        return;
    const float originX = (rectangle.x + 0.65f * rectangle.width - W / 2.0f) * 2.0f / W;
    const float originY = (H - (rectangle.y + rectangle.height) + 50.0f - H / 2.0f) * 2.0f / H;
    const float sx = 0.75f * rectangle.width * 2.0f / W;
    const float sy = 0.6f * rectangle.height * 2.0f / H;

    Lumvek::DrawCommand& drawTemplate = drawList.Template();
    drawTemplate.material = GraphicsResources::ImageMaterial;
    drawTemplate.textures[0] = GraphicsResources::PreviewAtlas;
    for (const PreviewSprite& sprite : sprites)
    {
        // Only images that have arrived are drawn: a missing one leaves a gap, never a stale picture.
        const Lumvek::TextureRegion* region = atlas->GetRegion(sprite.image);
        if (!region || region->filling.load(std::memory_order_acquire) || region->width == 0 || region->height == 0 ||
            region->uv.width < 0.0f)
            continue;
        const Matrix3x3& transform = FindBoneTransform(body.skeleton, sprite.bone->name);
        const float left = region->uv.x, right = region->uv.x + region->uv.width;
        const float top = region->uv.y, bottom = region->uv.y + region->uv.height;
        const Vector2 corners[4] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}};
        const float us[4] = {left, right, left, right};
        const float vs[4] = {bottom, bottom, top, top};
        Vertex vertices[4];
        for (uint32_t i = 0; i < 4; ++i)
        {
            const Vector2 point = transform.TransformPoint(corners[i]);
            vertices[i].x = originX + point.x * sx;
            vertices[i].y = originY + point.y * sy;
            vertices[i].u = us[i];
            vertices[i].v = vs[i];
        }
        Lumvek::AppendGuiQuad(drawList, vertexBuffer, indexBuffer, vertices);
    }
}
