#pragma once

#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <cstdint>
#include <string>
#include <vector>

class ThemeData;
class HeadData;
class CoreData;
class ArmsData;
class LegsData;
class WeaponData;

// The paper behind the custom game flow. Opening it makes a local role when there is none and, unless
// the players come back from a game of this flow, starts them from the "Default" set-up. Owned by the
// Gui; application thread, as every screen of the flow.
class CustomGameScreen final : public Screen
{
public:
    explicit CustomGameScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    // Opens the backdrop and the menu on its first row over it; the menu opens with menuTransition,
    // or a 0.3 s static one without.
    static void Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                     uint32_t owner, std::unique_ptr<Lumvek::Transition> menuTransition = nullptr);

    void Setup() override;

private:
    FrontEnd& frontEnd;
};

// The seven rows of the set-up; each opens its selector, which comes back on the same row.
class CustomGameMenu final : public Screen
{
public:
    static constexpr uint32_t RowCount = 7;

    CustomGameMenu(FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t row)
        : frontEnd(frontEnd), backdrop(backdrop), row(row)
    {
    }

    // "GAMETYPE", "MAP", "THEME", "TEAMS", "WEAPONS", "LOADOUT", "ATTRIBUTES"; empty past them.
    static std::string RowLabel(uint32_t row);
    // Opens the menu over its backdrop, for the owner, without a transition.
    static CustomGameMenu& Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                                  uint32_t row);

    void Setup() override;
    void Update(float seconds) override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
    void OnStart(uint32_t player) override;

    FrontEnd& frontEnd;
    CustomGameScreen* backdrop;
    uint32_t row;
};

// The base of the flow's selectors: a page of items over the backdrop, select stores the focused
// item's choice and back returns to the screen that opened the selector without a change.
class FlowSelector : public Screen
{
public:
    FlowSelector(FrontEnd& frontEnd, CustomGameScreen* backdrop) : frontEnd(frontEnd), backdrop(backdrop) {}

    void Update(float seconds) override;

    FrontEnd& frontEnd;
    CustomGameScreen* backdrop;

protected:
    // The focused item; 0 without a strip.
    uint32_t Position() const;
    // Ends the selector's page: the strip at the position, the arrows at that side offset, the hints.
    void FinishPage(uint32_t position, float arrowOffset);
    // Closes this selector and opens the menu on the row.
    void ReturnToMenu(uint32_t row);
};

class GameTypeSelect final : public FlowSelector
{
public:
    using FlowSelector::FlowSelector;
    void Setup() override;
    // Picking a type, even the same one, starts its rules from the type's defaults.
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
};

class MapSelect final : public FlowSelector
{
public:
    using FlowSelector::FlowSelector;
    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
};

// The default loadout's four parts; each opens its part picker.
class LoadoutSelect final : public FlowSelector
{
public:
    LoadoutSelect(FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t row)
        : FlowSelector(frontEnd, backdrop), row(row)
    {
    }

    // "HEAD", "CORE", "ARMS", "LEGS"; empty past them.
    static std::string RowLabel(uint32_t row);
    static LoadoutSelect& Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                                 uint32_t row);

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

    uint32_t row;
};

// The starting and secondary weapons and the six spawned weapons; each opens the weapon picker.
class WeaponsSelect final : public FlowSelector
{
public:
    static constexpr uint32_t RowCount = 8;

    WeaponsSelect(FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t row)
        : FlowSelector(frontEnd, backdrop), row(row)
    {
    }

    // "STARTING WEAPON", "SECONDARY WEAPON", then "WEAPON SPAWN 1" to "WEAPON SPAWN 6".
    static std::string RowLabel(uint32_t row);
    static WeaponsSelect& Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                                 uint32_t row);

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

    uint32_t row;

private:
    uint32_t& Field(uint32_t position) const;
};

// Picks one definition of a collection, or an extra choice standing for none (-1) or for a random
// pick (-2), into a field of the set-up. Owner is the screen it returns to.
template <class Owner, class Data> class ItemSelect final : public FlowSelector
{
public:
    ItemSelect(FrontEnd& frontEnd, CustomGameScreen* backdrop, std::vector<const Data*> items, uint32_t& target,
               uint32_t row, std::string title, std::string firstExtra, std::string secondExtra)
        : FlowSelector(frontEnd, backdrop), items(std::move(items)), target(target), row(row), title(std::move(title)),
          firstExtra(std::move(firstExtra)), secondExtra(std::move(secondExtra))
    {
    }

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

    // The strip's position for a field value, and the value a position stands for.
    uint32_t PositionOf(uint32_t value) const;
    uint32_t ValueAt(uint32_t position) const;

    std::vector<const Data*> items;
    uint32_t& target;
    uint32_t row;
    std::string title;
    std::string firstExtra;
    std::string secondExtra;
    uint32_t firstIcon = 0xFFFFFFFFu;
    uint32_t firstSketch = 0xFFFFFFFFu;
    uint32_t firstValue = 0xFFFFFFFFu;
    uint32_t secondValue = 0xFFFFFFFEu;

private:
    uint32_t ExtraCount() const { return (firstExtra.empty() ? 0u : 1u) + (secondExtra.empty() ? 0u : 1u); }
};

using ThemeSelect = ItemSelect<CustomGameMenu, ThemeData>;
using WeaponSelect = ItemSelect<WeaponsSelect, WeaponData>;

// The display name of a collection's entry at the index; empty, logged once per screen set-up, when
// the index is past the collection (a damaged set-up).
template <class Collection> std::string DisplayNameAt(const Collection* collection, uint32_t index, const char* what);
