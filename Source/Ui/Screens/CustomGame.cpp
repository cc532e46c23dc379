#include "Source/Ui/Screens/CustomGame.h"

#include "Source/Ui/Screens/Attributes.h"
#include "Source/Ui/Screens/Teams.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"

#include <algorithm>
#include <array>

using Lumvek::Element;

namespace
{

constexpr float WideArrows = 30.5f;
constexpr float NarrowArrows = 39.5f;
constexpr float HandOver = 0.3f;

struct MenuRow
{
    const char* label;
    const uint32_t* icon;
    const uint32_t* sketch;
};

const MenuRow MenuRows[CustomGameMenu::RowCount] = {
    {"GAMETYPE", &Images::GameTypeIcon, &Images::GameTypeIconSketch},
    {"MAP", &Images::MapIcon, &Images::MapIconSketch},
    {"THEME", &Images::ThemeIcon, &Images::ThemeIconSketch},
    {"TEAMS", &Images::TeamsIcon, &Images::TeamsIconSketch},
    {"WEAPONS", &Images::WeaponsIcon, &Images::WeaponsIconSketch},
    {"LOADOUT", &Images::LoadoutIcon, &Images::LoadoutIconSketch},
    {"ATTRIBUTES", &Images::AttributesIcon, &Images::AttributesIconSketch},
};

void AddSelectorHints(Element& root)
{
    AddButtonHint(root, Images::AButton, "SELECT", 7.5f, 35.0f, 11.5f);
    AddButtonHint(root, Images::BButton, "BACK", 7.5f, 45.0f, 6.5f);
}

// The theme row's text: "Random" stands for a pick at the match's start.
std::string ThemeText(const FrontEnd& frontEnd)
{
    const GameConfiguration& configuration = frontEnd.configuration;
    if (configuration.theme == Loadout::Random)
        return "Random";
    return DisplayNameAt(frontEnd.registry ? &frontEnd.registry->themes : nullptr, configuration.theme, "theme");
}

template <class Data> std::vector<const Data*> ItemsOf(const DataCollection<Data>* collection)
{
    std::vector<const Data*> items;
    if (collection)
        for (const auto& item : collection->GetItems())
            items.push_back(item.get());
    return items;
}

// This machine's players join a set-up on no team. A set-up of teams taken from a file would leave
// them belonging to nobody, unable to score: each joins the team with the fewest participants, the
// lowest of equals. Players already on one of its teams keep it.
void SeatPlayersInTeams(GameConfiguration& configuration)
{
    const uint32_t teams = std::min(configuration.teamCount, MaximumTeamCount);
    if (teams < 2)
        return;
    std::array<size_t, MaximumTeamCount> members{};
    for (const Slot* slot : CollectParticipants(configuration))
        if (slot->team < teams)
            ++members[slot->team];
    for (PlayerSlot& slot : configuration.players)
    {
        if (slot.team < teams)
            continue;
        const auto fewest = std::min_element(members.begin(), members.begin() + teams);
        slot.team = static_cast<uint8_t>(fewest - members.begin());
        ++*fewest;
    }
}

} // namespace

template <class Collection> std::string DisplayNameAt(const Collection* collection, uint32_t index, const char* what)
{
    if (!collection)
        return {};
    if (const auto* item = collection->Get(index))
        return item->displayName;
    Lumvek::Log::Write("the set-up's {} {} is not among the {} loaded: it shows no name", what, index,
                       collection->Count());
    return {};
}

void CustomGameScreen::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                            uint32_t owner, std::unique_ptr<Lumvek::Transition> menuTransition)
{
    CustomGameScreen& backdrop = Screen::Open<CustomGameScreen>(gui, std::move(transition), owner, frontEnd);
    if (!menuTransition)
        menuTransition = MakeStaticTransition(HandOver);
    Screen::OpenOver<CustomGameMenu>(gui, std::move(menuTransition), owner, frontEnd, &backdrop, 0u);
}

void CustomGameScreen::Setup()
{
    // A role the players came back with (after a match) is kept.
    const bool roleRuns = frontEnd.GetNetworkStatus().running;
    if (!roleRuns && frontEnd.startLocalGame)
        frontEnd.startLocalGame();
    Element& root = GetRoot();
    AddCanvas(root);
    AddSmallLogo(root);
    GameConfiguration& configuration = frontEnd.configuration;
    if (configuration.origin == GameOrigin::CustomGame)
        return;
    const GameConfiguration* defaults = frontEnd.registry ? frontEnd.registry->configurations.Find("Default") : nullptr;
    if (defaults)
        configuration = *defaults;
    else
        Lumvek::Log::Write("no configuration \"Default\": the custom game starts from the current set-up");
    configuration.origin = GameOrigin::CustomGame;
    SeatPlayersInTeams(configuration);
}

std::string CustomGameMenu::RowLabel(uint32_t row)
{
    return row < RowCount ? MenuRows[row].label : "";
}

CustomGameMenu& CustomGameMenu::Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                                       uint32_t row)
{
    return Screen::OpenOver<CustomGameMenu>(gui, nullptr, owner, frontEnd, backdrop, row);
}

void CustomGameMenu::Setup()
{
    const GameConfiguration& configuration = frontEnd.configuration;
    const DataRegistry* registry = frontEnd.registry;
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Narrow, "-CUSTOM GAME-", RowLabel(row));
    const std::string values[RowCount] = {
        DisplayNameAt(registry ? &registry->gameTypes : nullptr, configuration.gameType, "game type"),
        DisplayNameAt(registry ? &registry->maps : nullptr, configuration.map, "map"),
        ThemeText(frontEnd),
    };
    for (uint32_t index = 0; index < RowCount; ++index)
        AddCircleIconItem(strip, index == row, MenuRows[index].label, *MenuRows[index].icon, *MenuRows[index].sketch,
                          values[index]);
    AddScrollerArrows(GetRoot(), NarrowArrows);
    AddButtonHint(GetRoot(), Images::StartButton, "CREATE GAME", 12.5f, 27.5f, 9.0f);
    StartScroller(*this, row);
}

void CustomGameMenu::Update(float seconds)
{
    UpdateSelectorArrows(*this);
    Screen::Update(seconds);
}

void CustomGameMenu::OnSelect(uint32_t player)
{
    (void)player;
    SketchScroller* scroller = FindScroller(*this);
    if (!scroller || scroller->IsMoving())
        return;
    const uint32_t chosen = scroller->selected;
    Lumvek::Gui& gui = GetScreenGui();
    GameConfiguration& configuration = frontEnd.configuration;
    const DataRegistry* registry = frontEnd.registry;
    switch (chosen)
    {
    case 0:
        CloseImmediately();
        Screen::OpenOver<GameTypeSelect>(gui, nullptr, owner, frontEnd, backdrop);
        break;
    case 1:
        CloseImmediately();
        Screen::OpenOver<MapSelect>(gui, nullptr, owner, frontEnd, backdrop);
        break;
    case 2:
        CloseImmediately();
        Screen::OpenOver<ThemeSelect>(gui, nullptr, owner, frontEnd, backdrop,
                                      ItemsOf(registry ? &registry->themes : nullptr), configuration.theme, 2u,
                                      Lumvek::FormatText("-SELECT {}-", RowLabel(2)), std::string(),
                                      std::string("Random"));
        break;
    case 3:
        CloseImmediately();
        TeamsSelect::Reopen(gui, frontEnd, backdrop, owner);
        break;
    case 4:
        CloseImmediately();
        WeaponsSelect::Reopen(gui, frontEnd, backdrop, owner, 0);
        break;
    case 5:
        CloseImmediately();
        LoadoutSelect::Reopen(gui, frontEnd, backdrop, owner, 0);
        break;
    case 6:
        CloseImmediately();
        AttributesSelect::Reopen(gui, frontEnd, backdrop, owner, 0);
        break;
    default:
        Lumvek::Log::Write("{} cannot be set up yet", RowLabel(chosen));
        break;
    }
}

void CustomGameMenu::OnBack(uint32_t player)
{
    (void)player;
    Lumvek::Gui& gui = GetScreenGui();
    if (backdrop)
        gui.CloseMenu(*backdrop, MakeStaticTransition(HandOver));
    gui.CloseMenu(*this, MakeStaticTransition(HandOver));
    if (frontEnd.stopNetwork)
        frontEnd.stopNetwork();
}

void CustomGameMenu::OnStart(uint32_t player)
{
    (void)player;
    Lumvek::Gui& gui = GetScreenGui();
    if (!frontEnd.openLobby)
    {
        Lumvek::Log::Write("the lobby is not part of the game yet: the custom game menu stays");
        return;
    }
    if (backdrop)
        gui.CloseMenu(*backdrop, MakePageTransition(HandOver, PageTransition::Forward));
    gui.CloseMenu(*this, MakePageTransition(HandOver, PageTransition::Forward));
    frontEnd.openLobby(gui, MakeStaticTransition(HandOver), EveryPlayer);
}

void FlowSelector::Update(float seconds)
{
    UpdateSelectorArrows(*this);
    Screen::Update(seconds);
}

uint32_t FlowSelector::Position() const
{
    const SketchScroller* scroller = FindScroller(*this);
    return scroller ? scroller->selected : 0;
}

void FlowSelector::FinishPage(uint32_t position, float arrowOffset)
{
    AddScrollerArrows(GetRoot(), arrowOffset);
    AddSelectorHints(GetRoot());
    StartScroller(*this, position);
}

void FlowSelector::ReturnToMenu(uint32_t row)
{
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    CustomGameMenu::Reopen(gui, frontEnd, backdrop, owner, row);
}

void GameTypeSelect::Setup()
{
    const GameConfiguration& configuration = frontEnd.configuration;
    const auto* types = frontEnd.registry ? &frontEnd.registry->gameTypes : nullptr;
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Narrow, "-SELECT GAMETYPE-",
                                     DisplayNameAt(types, configuration.gameType, "game type"));
    if (types)
        for (const auto& type : types->GetItems())
        {
            frontEnd.RequestIcons(*type);
            AddCircleIconItem(strip, type->index == configuration.gameType, type->displayName, type->icon, type->sketch,
                              type->description);
        }
    FinishPage(configuration.gameType, NarrowArrows);
}

void GameTypeSelect::OnSelect(uint32_t player)
{
    GameConfiguration& configuration = frontEnd.configuration;
    const auto* types = frontEnd.registry ? &frontEnd.registry->gameTypes : nullptr;
    const uint32_t position = Position();
    if (const GameTypeData* type = types ? types->Get(position) : nullptr)
    {
        configuration.gameType = position;
        configuration.gameTypeSettings = type->CreateConfiguration();
    }
    OnBack(player);
}

void GameTypeSelect::OnBack(uint32_t player)
{
    (void)player;
    ReturnToMenu(0);
}

void MapSelect::Setup()
{
    const GameConfiguration& configuration = frontEnd.configuration;
    const auto* maps = frontEnd.registry ? &frontEnd.registry->maps : nullptr;
    Element& strip =
        AddScrollerPage(GetRoot(), ScrollerPage::Wide, "-SELECT MAP-", DisplayNameAt(maps, configuration.map, "map"));
    if (maps)
        for (const auto& map : maps->GetItems())
            AddSquareItem(strip, map->index == configuration.map, map->displayName, map->description);
    FinishPage(configuration.map, WideArrows);
}

void MapSelect::OnSelect(uint32_t player)
{
    const auto* maps = frontEnd.registry ? &frontEnd.registry->maps : nullptr;
    const uint32_t position = Position();
    if (maps && maps->Get(position))
        frontEnd.configuration.map = position;
    OnBack(player);
}

void MapSelect::OnBack(uint32_t player)
{
    (void)player;
    ReturnToMenu(1);
}

namespace
{

// A loadout or weapon row: "NONE" or "CUSTOM" for none, "RANDOM" for a pick at the match's start.
template <class Collection>
void AddChoiceRow(const FrontEnd& frontEnd, Element& strip, bool selected, const std::string& label,
                  const char* noneText, uint32_t noneIcon, uint32_t noneSketch, const Collection* collection,
                  uint32_t value)
{
    if (value == Loadout::None)
        AddCircleIconItem(strip, selected, noneText, noneIcon, noneSketch, label);
    else if (value == Loadout::Random)
        AddCircleIconItem(strip, selected, "RANDOM", Images::RandomIcon, Images::RandomIconSketch, label);
    else if (const auto* item = collection ? collection->Get(value) : nullptr)
    {
        // The row shows the chosen definition's own icon, which no picker may have streamed yet.
        frontEnd.RequestIcons(*item);
        AddCircleIconItem(strip, selected, item->displayName, item->icon, item->sketch, label);
    }
    else
    {
        Lumvek::Log::Write("the set-up's {} {} is not among the definitions loaded: it shows no name", label, value);
        AddCircleIconItem(strip, selected, "", Lumvek::InvalidId, Lumvek::InvalidId, label);
    }
}

template <class Owner, class Data>
void OpenPicker(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                const DataCollection<Data>* collection, uint32_t& target, uint32_t row, const std::string& label,
                const char* noneText, uint32_t noneIcon, uint32_t noneSketch)
{
    auto& picker = Screen::OpenOver<ItemSelect<Owner, Data>>(
        gui, nullptr, owner, frontEnd, backdrop, ItemsOf(collection), target, row,
        Lumvek::FormatText("-SELECT {}-", label), std::string(noneText), std::string("RANDOM"));
    picker.firstIcon = noneIcon;
    picker.firstSketch = noneSketch;
}

const char* const PartLabels[Loadout::PartCount] = {"HEAD", "CORE", "ARMS", "LEGS"};

} // namespace

std::string LoadoutSelect::RowLabel(uint32_t row)
{
    return row < Loadout::PartCount ? PartLabels[row] : "";
}

LoadoutSelect& LoadoutSelect::Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                                     uint32_t row)
{
    return Screen::OpenOver<LoadoutSelect>(gui, nullptr, owner, frontEnd, backdrop, row);
}

void LoadoutSelect::Setup()
{
    const Loadout& loadout = frontEnd.configuration.loadout;
    const DataRegistry* registry = frontEnd.registry;
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Narrow, "-SELECT LOADOUT-", RowLabel(row));
    AddChoiceRow(frontEnd, strip, row == 0, PartLabels[0], "CUSTOM", Images::CustomIcon, Images::CustomIconSketch,
                 registry ? &registry->heads : nullptr, loadout.head);
    AddChoiceRow(frontEnd, strip, row == 1, PartLabels[1], "CUSTOM", Images::CustomIcon, Images::CustomIconSketch,
                 registry ? &registry->cores : nullptr, loadout.core);
    AddChoiceRow(frontEnd, strip, row == 2, PartLabels[2], "CUSTOM", Images::CustomIcon, Images::CustomIconSketch,
                 registry ? &registry->arms : nullptr, loadout.arms);
    AddChoiceRow(frontEnd, strip, row == 3, PartLabels[3], "CUSTOM", Images::CustomIcon, Images::CustomIconSketch,
                 registry ? &registry->legs : nullptr, loadout.legs);
    FinishPage(row, NarrowArrows);
}

void LoadoutSelect::OnSelect(uint32_t player)
{
    (void)player;
    const uint32_t position = Position();
    const DataRegistry* registry = frontEnd.registry;
    Loadout& loadout = frontEnd.configuration.loadout;
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    const std::string label = RowLabel(position);
    const auto custom = [&](const auto* collection, uint32_t& target)
    {
        OpenPicker<LoadoutSelect>(gui, frontEnd, backdrop, owner, collection, target, position, label, "CUSTOM",
                                  Images::CustomIcon, Images::CustomIconSketch);
    };
    switch (position)
    {
    case 0:
        custom(registry ? &registry->heads : nullptr, loadout.head);
        break;
    case 1:
        custom(registry ? &registry->cores : nullptr, loadout.core);
        break;
    case 2:
        custom(registry ? &registry->arms : nullptr, loadout.arms);
        break;
    default:
        custom(registry ? &registry->legs : nullptr, loadout.legs);
        break;
    }
}

void LoadoutSelect::OnBack(uint32_t player)
{
    (void)player;
    ReturnToMenu(5);
}

std::string WeaponsSelect::RowLabel(uint32_t row)
{
    if (row == 0)
        return "STARTING WEAPON";
    if (row == 1)
        return "SECONDARY WEAPON";
    return Lumvek::FormatText("WEAPON SPAWN {}", row - 1);
}

WeaponsSelect& WeaponsSelect::Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                                     uint32_t row)
{
    return Screen::OpenOver<WeaponsSelect>(gui, nullptr, owner, frontEnd, backdrop, row);
}

uint32_t& WeaponsSelect::Field(uint32_t position) const
{
    GameConfiguration& configuration = frontEnd.configuration;
    if (position == 0)
        return configuration.loadout.startingWeapon;
    if (position == 1)
        return configuration.loadout.secondaryWeapon;
    return configuration.weapons[std::min(position - 2, GameConfiguration::WeaponSpawnCount - 1)].weapon;
}

void WeaponsSelect::Setup()
{
    const auto* weapons = frontEnd.registry ? &frontEnd.registry->weapons : nullptr;
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Narrow, "-SELECT WEAPONS-", RowLabel(row));
    for (uint32_t position = 0; position < RowCount; ++position)
        AddChoiceRow(frontEnd, strip, position == row, RowLabel(position), "NONE", Images::NoneIcon,
                     Images::NoneIconSketch, weapons, Field(position));
    FinishPage(row, NarrowArrows);
}

void WeaponsSelect::OnSelect(uint32_t player)
{
    (void)player;
    const uint32_t position = std::min(Position(), RowCount - 1);
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    OpenPicker<WeaponsSelect>(gui, frontEnd, backdrop, owner, frontEnd.registry ? &frontEnd.registry->weapons : nullptr,
                              Field(position), position, RowLabel(position), "NONE", Images::NoneIcon,
                              Images::NoneIconSketch);
}

void WeaponsSelect::OnBack(uint32_t player)
{
    (void)player;
    ReturnToMenu(4);
}

template <class Owner, class Data> uint32_t ItemSelect<Owner, Data>::PositionOf(uint32_t value) const
{
    const bool first = !firstExtra.empty();
    const bool second = !secondExtra.empty();
    if (first && value == firstValue)
        return 0;
    if (second && value == secondValue)
        return first ? 1 : 0;
    return value + ExtraCount();
}

template <class Owner, class Data> uint32_t ItemSelect<Owner, Data>::ValueAt(uint32_t position) const
{
    const bool first = !firstExtra.empty();
    const bool second = !secondExtra.empty();
    if (first && position == 0)
        return firstValue;
    if (second && position == (first ? 1u : 0u))
        return secondValue;
    return position - ExtraCount();
}

template <class Owner, class Data> void ItemSelect<Owner, Data>::Setup()
{
    std::string header;
    if (!secondExtra.empty() && target == secondValue)
        header = secondExtra;
    else if (!firstExtra.empty() && target == firstValue)
        header = firstExtra;
    else if (target < items.size())
        header = items[target]->displayName;
    else
        Lumvek::Log::Write("the set-up's value {} is none of the {} choices: it shows no name", target, items.size());
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Narrow, title, header);
    if (!firstExtra.empty())
        AddCircleIconItem(strip, target == firstValue, firstExtra, firstIcon, firstSketch, "");
    if (!secondExtra.empty())
        AddCircleIconItem(strip, target == secondValue, secondExtra, Images::RandomIcon, Images::RandomIconSketch, "");
    for (const Data* item : items)
    {
        frontEnd.RequestIcons(*item);
        AddCircleIconItem(strip, item->index == target, item->displayName, item->icon, item->sketch, item->description);
    }
    FinishPage(PositionOf(target), NarrowArrows);
}

template <class Owner, class Data> void ItemSelect<Owner, Data>::OnSelect(uint32_t player)
{
    const uint32_t position = Position();
    if (position < ExtraCount() + items.size())
        target = ValueAt(position);
    OnBack(player);
}

template <class Owner, class Data> void ItemSelect<Owner, Data>::OnBack(uint32_t player)
{
    (void)player;
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    Owner::Reopen(gui, frontEnd, backdrop, owner, row);
}

template class ItemSelect<CustomGameMenu, ThemeData>;
template class ItemSelect<LoadoutSelect, HeadData>;
template class ItemSelect<LoadoutSelect, CoreData>;
template class ItemSelect<LoadoutSelect, ArmsData>;
template class ItemSelect<LoadoutSelect, LegsData>;
template class ItemSelect<WeaponsSelect, WeaponData>;
