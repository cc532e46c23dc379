#pragma once

#include "Engine/Foundation/Math.h"

#include <cstdint>

// Ken Perlin's improved gradient noise in three dimensions, as (n + 1) / 2: from 0 to 1, exactly 0.5 at
// every lattice point. Smooth, so a shake that walks it moves the view without jumps.
float ImprovedNoise(float x, float y, float z);

// Where a world point shows in a window: through a view centred on centre that shows size world units
// in viewport (client pixels, y down), the client pixel (y down) of the point.
Lumvek::Vector2 ViewToWindow(Lumvek::Vector2 centre, Lumvek::Vector2 size, const Lumvek::Rectangle& viewport,
                             Lumvek::Vector2 point);

// What a camera reads each step of the player it follows. The player's code fills it from the player
// record: its aim direction, its camera zoom (its CameraZoom modifier, plus that of the weapon being
// picked up, times its base CameraZoom) and the current zoom level of its weapon in hand, else of the
// weapon being picked up, else 1.
struct CameraFocus
{
    Lumvek::Vector2 aimDirection = Lumvek::Vector2(1.0f, 0.0f);
    float cameraZoom = 1.0f;
    float weaponZoom = 1.0f;
};

// One view of the world that follows a player: it looks ahead where the player aims, by the zoom level
// of the weapon in hand, eases zoom changes, stays inside the map's bounds and shakes while a shake
// runs. Owned by the local player's view (and embedded in each player record for the server's view of
// it); used on the application thread only.
class Camera
{
public:
    // Seconds a zoom change takes.
    static constexpr float ZoomEaseTime = 0.2f;
    // World units per second the look-ahead moves at most.
    static constexpr float LookSpeed = 20.0f;

    // Advances the camera by dt seconds towards the followed point. baseWidth is the visible width at
    // zoom 1 and aspect the view's height over its width. bounds is the map's world rectangle.
    void Step(float dt, float baseWidth, float aspect, Lumvek::Vector2 followedPosition, const CameraFocus& focus,
              const Lumvek::Rectangle& bounds);
    // World space to the window's pixels: the view's rectangle of the world fills its rectangle of the
    // window, then the base transform applies.
    Lumvek::Matrix4x4 GetTransform() const;
    // The client pixel (y down) GetTransform takes a world point to, in a window windowHeight pixels high.
    Lumvek::Vector2 ToWindow(Lumvek::Vector2 point, float windowHeight) const;

    // The view's rectangle as fractions of the window.
    Lumvek::Rectangle viewRect = {0.0f, 0.0f, 1.0f, 1.0f};
    // The same rectangle in pixels, refreshed by the view from the window's size.
    Lumvek::Rectangle pixelRect = {0.0f, 0.0f, 1.0f, 1.0f};
    // The centre of the view in world units.
    Lumvek::Vector2 position;
    // The followed point given to the last step.
    Lumvek::Vector2 targetPosition;
    // The aim direction, followed at no more than LookSpeed.
    Lumvek::Vector2 lookOffset;
    // The visible width and height in world units.
    Lumvek::Vector2 viewSize = Lumvek::Vector2(16.0f, 9.0f);
    // The camera zoom and the weapon zoom level, now and at both ends of the running ease.
    Lumvek::Vector2 zoom = Lumvek::Vector2(1.0f, 1.0f);
    Lumvek::Vector2 zoomFrom = Lumvek::Vector2(1.0f, 1.0f);
    Lumvek::Vector2 zoomTo = Lumvek::Vector2(1.0f, 1.0f);
    // Seconds left in the ease.
    float zoomTime = 0.0f;
    Lumvek::Vector2 shakeOffset;
    // Set by whoever starts a shake; the step runs it down and clears it.
    float shakeAmplitude = 0.0f;
    float shakeFrequency = 0.0f;
    float shakeDuration = 0.0f;
    // Seconds left in the shake.
    float shakeTime = 0.0f;
    // Seconds over all steps: the shake's walk through the noise.
    float clock = 0.0f;
    // The next step jumps to its targets and ends any shake; it clears the flag.
    bool snap = false;
    // Applied last by GetTransform; set by the view from its pixel rectangle.
    Lumvek::Matrix4x4 baseTransform;
    // The pixel rectangle's height over its width, kept by the view.
    float aspect = 0.5625f;
};
