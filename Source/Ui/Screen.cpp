#include "Source/Ui/Screen.h"

#include "Engine/Runtime/Input/Input.h"
#include "Source/Ui/Transitions.h"

using Lumvek::ControllerButton;

namespace
{

constexpr uint32_t Code(ControllerButton button)
{
    return static_cast<uint32_t>(button);
}

// Seconds of the page turn and of the delay on the other side of every hand-over.
constexpr float HandOverSeconds = 0.3f;

} // namespace

void Screen::Update(float seconds)
{
    (void)seconds;
    const Lumvek::Gui* gui = GetGui();
    if (!gui)
        return;
    for (uint32_t player = 0; player < Lumvek::ControllerCount; ++player)
        if (gui->GetInput().controllers[player].released[ControllerButton::Back])
            OnSecondary(player);
}

void Screen::ButtonPressed(uint32_t player, uint32_t button)
{
    switch (button)
    {
    case Code(ControllerButton::Left):
    case Code(ControllerButton::LeftStickLeft):
        OnLeft(player);
        break;
    case Code(ControllerButton::Right):
    case Code(ControllerButton::LeftStickRight):
        OnRight(player);
        break;
    case Code(ControllerButton::Up):
    case Code(ControllerButton::LeftStickUp):
        OnUp(player);
        break;
    case Code(ControllerButton::Down):
    case Code(ControllerButton::LeftStickDown):
        OnDown(player);
        break;
    default:
        break;
    }
}

void Screen::ButtonReleased(uint32_t player, uint32_t button)
{
    switch (button)
    {
    case Code(ControllerButton::A):
        OnSelect(player);
        break;
    case Code(ControllerButton::B):
        OnBack(player);
        break;
    case Code(ControllerButton::X):
        OnAction(player);
        break;
    case Code(ControllerButton::Y):
        OnAlternate(player);
        break;
    case Code(ControllerButton::Start):
        OnStart(player);
        break;
    case Code(ControllerButton::LeftBumper):
        OnPreviousTab(player);
        break;
    case Code(ControllerButton::RightBumper):
        OnNextTab(player);
        break;
    default:
        // Back comes through Update, for every controller.
        break;
    }
}

std::unique_ptr<Lumvek::Transition> Screen::CloseForward()
{
    GetGui()->CloseMenu(*this, MakePageTransition(HandOverSeconds, PageTransition::Forward));
    return MakeStaticTransition(HandOverSeconds);
}

std::unique_ptr<Lumvek::Transition> Screen::CloseBack()
{
    GetGui()->CloseMenu(*this, MakeStaticTransition(HandOverSeconds));
    return MakePageTransition(HandOverSeconds, PageTransition::Backward);
}

std::unique_ptr<Lumvek::Transition> Screen::CloseImmediately()
{
    GetGui()->CloseMenu(*this, nullptr);
    return nullptr;
}

void Screen::CloseAll(Lumvek::Gui& gui)
{
    for (uint32_t index = gui.GetMenuCount(); index-- > 0;)
        gui.CloseMenu(*gui.GetRecord(index).menu, nullptr);
}

Lumvek::UnitRectangle Screen::WholeWindow()
{
    using Lumvek::UnitRectangle;
    return {{UnitRectangle::Percent, 0.0f},
            {UnitRectangle::Percent, 0.0f},
            {UnitRectangle::Percent, 100.0f},
            {UnitRectangle::Percent, 100.0f}};
}

void Screen::Add(Lumvek::Gui& gui, std::unique_ptr<Screen> screen, std::unique_ptr<Lumvek::Transition> transition,
                 uint32_t owner, bool covering, const Lumvek::UnitRectangle& area)
{
    Screen& added = *screen;
    gui.AddMenu(std::move(screen), std::move(transition), nullptr, area, covering);
    added.owner = owner;
    added.mouseInput = 1;
    for (uint32_t player = 0; player < Lumvek::ControllerCount; ++player)
        added.playerInput[player] = owner == EveryPlayer || owner == player ? 1 : 0;
}
