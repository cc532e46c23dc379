#include "Source/Game/Rendering/CameraView.h"

#include "Source/World/Player.h"

void CameraView::Follow(Player* followed)
{
    player = followed;
    camera = followed ? &followed->camera : &ownCamera;
}

void CameraView::Fit(uint32_t backBufferWidth, uint32_t backBufferHeight)
{
    dirty = backBufferWidth != width || backBufferHeight != height;
    width = backBufferWidth;
    height = backBufferHeight;
    const Lumvek::Rectangle& area = camera->viewRect;
    const float w = static_cast<float>(backBufferWidth);
    const float h = static_cast<float>(backBufferHeight);
    camera->pixelRect = {w * area.x, h * area.y, w * area.width, h * area.height};
    // A view of no pixels keeps its last aspect and projection rather than dividing by zero.
    if (camera->pixelRect.width <= 0.0f || camera->pixelRect.height <= 0.0f)
        return;
    camera->aspect = camera->pixelRect.height / camera->pixelRect.width;
    camera->baseTransform = Lumvek::Matrix4x4::Orthographic(camera->pixelRect.width, camera->pixelRect.height, 100.0f);
}
