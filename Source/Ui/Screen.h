#pragma once

#include "Engine/Runtime/Gui/Gui.h"
#include "Engine/Runtime/Gui/Menu.h"
#include "Engine/Runtime/Gui/Transition.h"

#include <cstdint>
#include <memory>
#include <utility>

// One front-end screen: a menu of the engine Gui whose controller input is turned into the game's
// actions. A screen belongs to one player (its controller alone drives it) or to every player. Owned
// by the Gui once opened; application thread only, inside the Gui's update and render.
class Screen : public Lumvek::Menu
{
public:
    static constexpr uint32_t EveryPlayer = 0xFFFFFFFF;

    // Polls Back for every controller: Back of any pad reaches OnSecondary, whoever owns the screen.
    // Screens overriding Update call this at its end.
    void Update(float seconds) override;
    // Directions act on press, so a held direction moves once.
    void ButtonPressed(uint32_t player, uint32_t button) override;
    // Actions act on release, so an action fires when the button comes up.
    void ButtonReleased(uint32_t player, uint32_t button) override;

    virtual void OnStart(uint32_t player) { (void)player; }
    virtual void OnSecondary(uint32_t player) { (void)player; }
    virtual void OnSelect(uint32_t player) { (void)player; }
    virtual void OnBack(uint32_t player) { (void)player; }
    virtual void OnAction(uint32_t player) { (void)player; }
    virtual void OnAlternate(uint32_t player) { (void)player; }
    virtual void OnNextTab(uint32_t player) { (void)player; }
    virtual void OnPreviousTab(uint32_t player) { (void)player; }
    virtual void OnLeft(uint32_t player) { (void)player; }
    virtual void OnRight(uint32_t player) { (void)player; }
    virtual void OnDown(uint32_t player) { (void)player; }
    virtual void OnUp(uint32_t player) { (void)player; }

    // Opens a new screen of type S over the whole window, built with the arguments: set up on the
    // Gui's next update and active once the opening transition (may be null) has ended. The screen is
    // returned so that the caller can fill its fields before Setup runs. covering: the screen
    // deactivates every other open menu (selectors opened over a menu pass false).
    template <class S, class... Args>
    static S& Open(Lumvek::Gui& gui, std::unique_ptr<Lumvek::Transition> transition, uint32_t owner, Args&&... args)
    {
        auto screen = std::make_unique<S>(std::forward<Args>(args)...);
        S& opened = *screen;
        Add(gui, std::move(screen), std::move(transition), owner, true);
        return opened;
    }
    // The same, leaving the menus beneath active.
    template <class S, class... Args>
    static S& OpenOver(Lumvek::Gui& gui, std::unique_ptr<Lumvek::Transition> transition, uint32_t owner, Args&&... args)
    {
        auto screen = std::make_unique<S>(std::forward<Args>(args)...);
        S& opened = *screen;
        Add(gui, std::move(screen), std::move(transition), owner, false);
        return opened;
    }

    // The same over an area of the window, in percent of it: the game screens each take their player's.
    template <class S, class... Args>
    static S& OpenIn(Lumvek::Gui& gui, std::unique_ptr<Lumvek::Transition> transition, uint32_t owner,
                     const Lumvek::UnitRectangle& area, bool covering, Args&&... args)
    {
        auto screen = std::make_unique<S>(std::forward<Args>(args)...);
        S& opened = *screen;
        Add(gui, std::move(screen), std::move(transition), owner, covering, area);
        return opened;
    }

    // Closes every menu of the Gui at once, this one included.
    static void CloseAll(Lumvek::Gui& gui);

    // The whole window, in percent of it.
    static Lumvek::UnitRectangle WholeWindow();

    // The hand-overs between screens. Each closes this screen first and returns the transition the
    // next one opens with; this screen stays valid until the Gui removes it.
    // Forward: this page curls away over the next screen.
    std::unique_ptr<Lumvek::Transition> CloseForward();
    // Back: the previous screen's page curls back in over this one.
    std::unique_ptr<Lumvek::Transition> CloseBack();
    // Immediate: no transition on either side.
    std::unique_ptr<Lumvek::Transition> CloseImmediately();

    // The Gui this screen was opened in; it outlives every screen it holds.
    Lumvek::Gui& GetScreenGui() const { return *GetGui(); }

    // The controller of the player the screen belongs to, or EveryPlayer.
    uint32_t owner = EveryPlayer;

private:
    static void Add(Lumvek::Gui& gui, std::unique_ptr<Screen> screen, std::unique_ptr<Lumvek::Transition> transition,
                    uint32_t owner, bool covering, const Lumvek::UnitRectangle& area = WholeWindow());
};
