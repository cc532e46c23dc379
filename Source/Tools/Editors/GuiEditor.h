#pragma once

#include "Source/Tools/Editors/Editor.h"

#include <cstdint>
#include <vector>

namespace Lumvek
{
class Element;
class Gui;
class Menu;
} // namespace Lumvek

// The "Gui" tab: picks engine menu elements under the mouse, outlines the hovered and the selected
// one over the screen and shows every open menu's element tree. It changes no menu. Owned by the tools
// host; application thread.
class GuiEditor : public Editor
{
public:
    // One picked element and the menu it belongs to; the menu's serial tells whether it is still open
    // before the element is touched.
    struct Pick
    {
        Lumvek::Element* element = nullptr;
        Lumvek::Menu* menu = nullptr;
        uint64_t serial = 0;
    };

    // The Gui whose menus are inspected; the application's first when none is given.
    explicit GuiEditor(std::string name, Lumvek::Gui* gui = nullptr);

    void Update(uint32_t unused, const Lumvek::KeyboardState& keyboard, const Lumvek::MouseState& mouse) override;
    void Draw() override;

    Lumvek::Element* GetHovered() const { return hovered.element; }
    Lumvek::Element* GetSelected() const { return selected.element; }

    Lumvek::Gui* gui = nullptr;

private:
    Lumvek::Gui* FindGui() const;
    // Forgets picks whose menu has left the Gui.
    void ForgetClosedMenus(const Lumvek::Gui& gui);
    void DrawElementTree(const Lumvek::Element& element);
    // Fills the path from the root's children down to the element; false when it is not below root.
    bool FindPath(const Lumvek::Element& root, const Lumvek::Element* element);

    Pick hovered;
    Pick selected;
    // Reused frame after frame.
    std::vector<Lumvek::Element*> found;
    // A new selection opens the tree down to it once; the path from the menu's root to it.
    bool revealSelected = false;
    std::vector<const Lumvek::Element*> selectedPath;
};
