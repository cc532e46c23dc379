#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Runtime/Gui/Content.h"
#include "Source/World/PlayerBody.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Bone;
class DataRegistry;
class PartData;
struct BoneData;
struct ProfileLoadout;

// One bone's sketch in a preview: the bone it belongs to and the ids (NameTableA) of its image and
// drawing regions in the preview atlas.
struct PreviewSprite
{
    const BoneData* bone = nullptr;
    uint32_t image = 0xFFFFFFFFu;
    uint32_t draw = 0xFFFFFFFFu;
};

// A still sketch of a character built from a loadout: the skeleton is assembled by the rig code that
// builds players in a match, and each bone carries a sketch streamed into the "PreviewAtlas" on
// demand; a bone whose image has not arrived yet is left out. Owned by its element; application
// thread only.
class PlayerPreview final : public Lumvek::Content
{
public:
    // Asks for the image file at the path (below the application folder) in the atlas cell of the id.
    using Request = std::function<void(uint32_t cell, const std::string& path)>;

    // Vertex of the preview's quads: the image material reads the first 16 bytes of each.
    struct Vertex
    {
        float x = 0.0f;
        float y = 0.0f;
        float u = 0.0f;
        float v = 0.0f;
        uint32_t color = 0xFFFFFFFFu;
        float w = 1.0f;
    };

    PlayerPreview(const DataRegistry* registry, Request request);

    // Rebuilds the skeleton and the sprites for the loadout's parts; parts missing from the registry
    // are left out. The pose always faces left.
    void SetLoadout(const ProfileLoadout& loadout);

    // Appends the sprites of the bone and of every bone below it, asking for their images. A bone
    // whose sprite is the basic one takes the shared player images named by basicImage.
    static void AddBoneSprites(const PartData& part, const BoneData& bone, uint32_t basicSprite,
                               Lumvek::StringView basicImage, std::vector<PreviewSprite>& sprites,
                               const Request& request);
    // The world transform of the rig node of the bone's name; the root's when the rig has none.
    static const Lumvek::Matrix3x3& FindBoneTransform(Bone& root, Lumvek::StringView boneName);

    void Render(float seconds, Lumvek::DrawList& drawList, Lumvek::Geometry& vertexBuffer,
                Lumvek::Geometry& indexBuffer, Lumvek::GraphicsDevice& device, Lumvek::Menu& menu,
                const Lumvek::Rectangle& rectangle) override;

    const std::vector<PreviewSprite>& GetSprites() const { return sprites; }
    PlayerBody& GetBody() { return body; }

private:
    const DataRegistry* registry;
    Request request;
    PlayerBody body;
    std::vector<PreviewSprite> sprites;
};
