#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/Camera.h"

#include <cstdint>

class Player;

// One view of the match the game renderer draws: a local player's, following that player, or the
// tools' own, following nobody. The camera holds where the view looks and where it lands in the
// window. Owned by the game system (the tools own theirs); the renderer only points at it.
// Application thread only.
class CameraView
{
public:
    CameraView() = default;
    // The camera pointer may point into the view itself.
    CameraView(const CameraView&) = delete;
    CameraView& operator=(const CameraView&) = delete;

    // Follows the player through the player's own camera; null follows nobody through the view's own.
    void Follow(Player* followed);

    // The view's rectangle as fractions of the window, y upward from the bottom.
    const Lumvek::Rectangle& NormalizedViewport() const { return camera->viewRect; }
    // The same in pixels of the back buffer, y upward from the bottom.
    const Lumvek::Rectangle& Viewport() const { return camera->pixelRect; }
    // The camera centre and the visible width and height, in world units.
    Lumvek::Vector2 Position() const { return camera->position; }
    Lumvek::Vector2 Extent() const { return camera->viewSize; }
    // The pixel viewport's height over its width.
    float Aspect() const { return camera->aspect; }

    // Fits the view to a back buffer of the size: its pixel rectangle, aspect and projection. Marks
    // the view dirty when the size differs from the one it last saw.
    void Fit(uint32_t backBufferWidth, uint32_t backBufferHeight);

    // The player this view follows; null for the tools' view.
    Player* player = nullptr;
    // Never null: the followed player's camera, or ownCamera.
    Camera* camera = &ownCamera;
    Camera ownCamera;
    // A view with 0 is not drawn.
    uint8_t active = 1;
    // The back-buffer size last fitted to; set when it changed at the last fit.
    uint32_t width = 0;
    uint32_t height = 0;
    bool dirty = false;
};
