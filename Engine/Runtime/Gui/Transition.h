#pragma once

#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"

#include <cstdint>

namespace Lumvek
{

class GraphicsDevice;
class Menu;

// The animation that opens or closes a menu: the Gui sets its rectangle and elapsed time, starts it,
// advances it every late update and lets it draw the menu's render target every render. Owned by the
// Gui's record of the menu; the Gui counts it finished once the elapsed time reaches the duration.
class Transition
{
public:
    // Game transitions are released through this base by the Gui that owns them.
    virtual ~Transition() = default;

    // rectangle: the menu's placement resolved in pixels, also stored in the field below.
    virtual void Start(const Rectangle& rectangle, GraphicsDevice& device)
    {
        (void)rectangle;
        (void)device;
    }
    virtual void Update(float seconds) { (void)seconds; }
    // renderTarget: the texture slot the menu was drawn into this frame.
    virtual void Draw(float seconds, GraphicsDevice& device, uint32_t renderTarget, Menu& menu)
    {
        (void)seconds;
        (void)device;
        (void)renderTarget;
        (void)menu;
    }

    // The draw-order key of the menu while the transition runs; menus without one count 0.
    int32_t layer = 1;
    float duration = 0.0f;
    // When set, the render target is cleared to the colour before the menu is drawn into it.
    uint8_t clear = 0;
    Color clearColor = Color::Transparent;
    // A texture slot; InvalidId draws the menu straight to the screen.
    uint32_t renderTarget = InvalidId;
    Rectangle rectangle{0.0f, 0.0f, 1.0f, 1.0f};
    float elapsed = 0.0f;
};

// An optional object that draws a menu through a render target of its own, in place of the
// transition's. Owned by the Gui's record of the menu.
class MenuLayer
{
public:
    virtual ~MenuLayer() = default;
    virtual void Update(float seconds) { (void)seconds; }
    virtual void Draw(float seconds, GraphicsDevice& device, Menu& menu)
    {
        (void)seconds;
        (void)device;
        (void)menu;
    }

    // A texture slot; InvalidId draws straight to the screen.
    uint32_t renderTarget = InvalidId;
    uint8_t clear = 0;
    Color clearColor = Color::Transparent;
};

} // namespace Lumvek
