#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Runtime/Gui/Transition.h"

#include <cstdint>
#include <memory>

namespace Lumvek
{
class Geometry;
}

// Only delays the opening or closing of a menu, which is drawn straight to the screen meanwhile.
class StaticTransition final : public Lumvek::Transition
{
public:
    explicit StaticTransition(float seconds);
};

// Fades the menu's image in over black (forward) or out to black (backward). Used around the splash.
class FadeTransition final : public Lumvek::Transition
{
public:
    static constexpr uint8_t Forward = 1;
    static constexpr uint8_t Backward = 0;

    FadeTransition(float seconds, uint8_t direction);

    void Start(const Lumvek::Rectangle& bounds, Lumvek::GraphicsDevice& device) override;
    void Draw(float seconds, Lumvek::GraphicsDevice& device, uint32_t target, Lumvek::Menu& menu) override;

    // The alpha the menu's image is drawn with now.
    uint8_t Alpha() const;

    uint8_t direction = Forward;

private:
    Lumvek::Geometry* vertices = nullptr;
};

// Draws the menu's image on a paper page that curls away like a turned page (forward) or curls back
// in (backward). The page is a cone-wrapped grid rebuilt on the CPU each frame it is drawn.
class PageTransition final : public Lumvek::Transition
{
public:
    static constexpr uint8_t Forward = 1;
    static constexpr uint8_t Backward = 0;

    // One vertex of the page mesh as the page material reads it.
    struct Vertex
    {
        float position[3];
        float normal[3];
        float textureCoordinate[2];
    };
    static_assert(sizeof(Vertex) == 32);

    PageTransition(float seconds, uint8_t direction);

    void Start(const Lumvek::Rectangle& bounds, Lumvek::GraphicsDevice& device) override;
    // Recomputes the curl from the elapsed time.
    void Update(float seconds) override;
    void Draw(float seconds, Lumvek::GraphicsDevice& device, uint32_t target, Lumvek::Menu& menu) override;

    // A point of the flat page (0 to 100 on both axes) on the curled page, projected.
    Vertex CurlVertex(float x, float y) const;

    uint8_t direction = Forward;
    Lumvek::Matrix4x4 projection;
    float offset = 0.0f;
    // Radians, in [0, 2 pi).
    float tilt = 0.0f;
    float roll = 0.0f;

private:
    Lumvek::Geometry* constants = nullptr;
    Lumvek::Geometry* vertices = nullptr;
};

std::unique_ptr<Lumvek::Transition> MakeStaticTransition(float seconds);
std::unique_ptr<Lumvek::Transition> MakePageTransition(float seconds, uint8_t direction);
std::unique_ptr<Lumvek::Transition> MakeFadeTransition(float seconds, uint8_t direction);
