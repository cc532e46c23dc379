#include "Source/Ui/Screens/DemoSetup.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Network/Network.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/Kit/SketchScroller.h"
#include "Source/Ui/Screens/Lobby.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/GameContext.h"

#include <algorithm>

using Lumvek::Element;
using Origin = GameOrigin;

namespace
{

const std::vector<std::unique_ptr<GameConfiguration>> NoEntries;

void AddCanvas(Element& root)
{
    Element& background = AddElement(root, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
}

} // namespace

const std::vector<std::unique_ptr<GameConfiguration>>& DemoSetupScreen::Entries() const
{
    const DataRegistry* registry = frontEnd.game ? frontEnd.game->registry : nullptr;
    if (!registry)
        return NoEntries;
    return multiplayer ? registry->demoConfigurations.GetItems() : registry->demoChallenges.GetItems();
}

SketchScroller* DemoSetupScreen::Strip() const
{
    Element* strip = GetElement("Scroller");
    return strip ? dynamic_cast<SketchScroller*>(strip->actions.get()) : nullptr;
}

void DemoSetupScreen::Setup()
{
    GameConfiguration& setUp = frontEnd.configuration;
    if (multiplayer && setUp.players.size() == 1)
    {
        Profile* profile = frontEnd.profiles.Find("player2");
        if (!profile)
            Lumvek::Log::Write("no profile \"player2\": the second player plays without a loadout");
        setUp.players.emplace_back(profile, DemoMultiplayer::SecondPad(owner));
    }
    if (!frontEnd.GetNetwork() && frontEnd.startLocalGame)
        frontEnd.startLocalGame();

    Element& root = GetRoot();
    AddCanvas(root);
    AddSmallLogo(root);

    const Origin origin = multiplayer ? Origin::DemoMultiplayer : Origin::DemoSinglePlayer;
    const auto& entries = Entries();
    uint32_t shown = setUp.origin == origin ? setUp.configurationIndex : 0;
    if (shown >= entries.size())
        shown = 0;
    setUp.origin = origin;

    const std::string header = shown < entries.size() ? entries[shown]->name : std::string();
    Element& strip = AddScrollerPage(root, multiplayer ? ScrollerPage::Narrow : ScrollerPage::Wide,
                                     multiplayer ? "-MULTIPLAYER-" : "-SINGLE PLAYER-", header);
    const DataRegistry* registry = frontEnd.game ? frontEnd.game->registry : nullptr;
    for (uint32_t i = 0; i < entries.size(); ++i)
    {
        const GameConfiguration& entry = *entries[i];
        if (!multiplayer)
        {
            AddSquareItem(strip, i == shown, entry.name, entry.description);
            continue;
        }
        const GameTypeData* gameType = registry ? registry->gameTypes.Get(entry.gameType) : nullptr;
        AddCircleIconItem(strip, i == shown, entry.name, gameType ? gameType->icon : Lumvek::InvalidId,
                          gameType ? gameType->sketch : Lumvek::InvalidId, entry.description);
    }
    if (multiplayer && registry)
        for (const auto& gameType : registry->gameTypes.GetItems())
            frontEnd.RequestIcons(*gameType);
    if (SketchScroller* scroller = Strip())
        scroller->Select(shown);
    FocusElement(strip);

    AddScrollerArrows(root, multiplayer ? NarrowArrowInset : WideArrowInset);
    AddButtonHint(root, Images::AButton, "SELECT", 10.0f, 25.0f, multiplayer ? 11.5f : 9.0f);
    AddButtonHint(root, Images::BButton, "BACK", 7.5f, 30.0f, multiplayer ? 6.5f : 4.0f);
    AddTimerDial(root, false);
    if (!multiplayer)
        Update(0.0f);
}

void DemoSetupScreen::Update(float seconds)
{
    (void)seconds;
    const SketchScroller* scroller = Strip();
    const uint32_t count = static_cast<uint32_t>(Entries().size());
    const bool resting = scroller && !scroller->IsMoving();
    if (Element* left = GetElement("LeftArrow"))
        left->visible = resting && scroller->selected > 0 ? 1 : 0;
    if (Element* right = GetElement("RightArrow"))
        right->visible = resting && scroller->selected + 1 < count ? 1 : 0;

    const Network* role = frontEnd.GetNetwork();
    if (Element* timer = GetElement("Timer"))
        UpdateTimerDial(*timer, role ? role->timer : 0.0f, role ? role->duration : 0.0f);
    const NetworkState state = role ? role->GetState() : NetworkState::Waiting;
    if (state == NetworkState::Loaded || IsInPlay(state))
    {
        Lumvek::Gui& gui = GetScreenGui();
        LoadingScreen::Open(gui, frontEnd, CloseForward());
    }
}

void DemoSetupScreen::OnSelect(uint32_t player)
{
    (void)player;
    const auto& entries = Entries();
    const SketchScroller* scroller = Strip();
    if (started != 0 || !scroller || scroller->selected >= entries.size())
        return;
    started = 1;
    if (frontEnd.beginVoting)
        frontEnd.beginVoting();
    if (Element* timer = GetElement("Timer"))
        timer->visible = 1;
    BlurElement(scroller->element);

    GameConfiguration& setUp = frontEnd.configuration;
    setUp.configurationIndex = scroller->selected;
    setUp = *entries[scroller->selected];
    for (uint32_t i = 0; i < setUp.players.size(); ++i)
    {
        PlayerSlot& slot = setUp.players[i];
        if (!multiplayer)
        {
            slot.id = 0;
            slot.team = setUp.teamCount == 1 ? 4 : 0;
        }
        else
        {
            slot.id = static_cast<uint8_t>(i);
            // The first game sets every player against the others; the rest play together.
            slot.team = static_cast<uint8_t>(setUp.configurationIndex == 0 ? i : 0);
        }
    }
}

void DemoSetupScreen::OnBack(uint32_t player)
{
    (void)player;
    SketchScroller* scroller = Strip();
    if (started != 0)
    {
        started = 0;
        if (Network* role = frontEnd.GetNetwork())
            role->CancelCountdown();
        if (scroller)
            FocusElement(scroller->element);
        if (Element* timer = GetElement("Timer"))
            timer->visible = 0;
        return;
    }
    GameConfiguration& setUp = frontEnd.configuration;
    if (scroller)
        setUp.configurationIndex = scroller->selected;
    Lumvek::Gui& gui = GetScreenGui();
    DemoMenu& menu = DemoMenu::Open(gui, frontEnd, CloseBack(), owner);
    if (multiplayer)
    {
        menu.selection = 1;
        const uint32_t added = DemoMultiplayer::SecondPad(owner);
        std::erase_if(setUp.players, [added](const PlayerSlot& slot) { return slot.localIndex == added; });
    }
}

DemoSinglePlayer& DemoSinglePlayer::Open(Lumvek::Gui& gui, FrontEnd& frontEnd,
                                         std::unique_ptr<Lumvek::Transition> transition, uint32_t owner)
{
    return Screen::Open<DemoSinglePlayer>(gui, std::move(transition), owner, frontEnd);
}

DemoMultiplayer& DemoMultiplayer::Open(Lumvek::Gui& gui, FrontEnd& frontEnd,
                                       std::unique_ptr<Lumvek::Transition> transition, uint32_t owner)
{
    return Screen::Open<DemoMultiplayer>(gui, std::move(transition), owner, frontEnd);
}
