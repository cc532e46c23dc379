#include "Source/Ui/Screens/Challenges.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/Screens/CustomGame.h"
#include "Source/Ui/Screens/Online.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"

#include <algorithm>
#include <cmath>

using Lumvek::Element;

namespace
{

constexpr float HandOver = 0.3f;
constexpr uint32_t TimerTint = 0xFFB97301;

const DataCollection<GameConfiguration>* Challenges(const FrontEnd& frontEnd)
{
    return frontEnd.registry ? &frontEnd.registry->challenges : nullptr;
}

} // namespace

ChallengesScreen& ChallengesScreen::Open(Lumvek::Gui& gui, FrontEnd& frontEnd,
                                         std::unique_ptr<Lumvek::Transition> transition, uint32_t owner)
{
    return Screen::Open<ChallengesScreen>(gui, std::move(transition), owner, frontEnd);
}

void ChallengesScreen::Setup()
{
    // A role the players came back with (after a match) is kept.
    const bool roleRuns = frontEnd.GetNetworkStatus().running;
    if (!roleRuns && frontEnd.startLocalGame)
        frontEnd.startLocalGame();
    Element& root = GetRoot();
    AddCanvas(root);
    AddSmallLogo(root);
    GameConfiguration& configuration = frontEnd.configuration;
    const auto* challenges = Challenges(frontEnd);
    const uint32_t count = challenges ? challenges->Count() : 0;
    uint32_t current = configuration.origin == GameOrigin::Challenges ? configuration.configurationIndex : 0;
    if (current >= count && count > 0)
    {
        Lumvek::Log::Write("challenge {} is not among the {} loaded: the list starts on the first", current, count);
        current = 0;
    }
    if (count == 0)
        Lumvek::Log::Write("no challenges are loaded: there is nothing to choose");
    const GameConfiguration* shown = challenges ? challenges->Get(current) : nullptr;
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Wide, "-CHALLENGES-", shown ? shown->name : "");
    if (challenges)
        for (const auto& challenge : challenges->GetItems())
            AddSquareItem(strip, challenge->registryIndex == current, challenge->name, challenge->description);
    AddScrollerArrows(GetRoot(), 30.5f);
    AddButtonHint(root, Images::AButton, "SELECT", 7.5f, 35.0f, 9.0f);
    StartScroller(*this, current);
}

void ChallengesScreen::Update(float seconds)
{
    UpdateSelectorArrows(*this);
    Screen::Update(seconds);
}

void ChallengesScreen::OnSelect(uint32_t player)
{
    (void)player;
    const SketchScroller* scroller = FindScroller(*this);
    const auto* challenges = Challenges(frontEnd);
    const uint32_t chosen = scroller ? scroller->selected : 0;
    const GameConfiguration* challenge = challenges ? challenges->Get(chosen) : nullptr;
    if (left || !challenge)
        return;
    if (!frontEnd.openLobby)
    {
        Lumvek::Log::Write("the lobby is not part of the game yet: the challenge list stays");
        return;
    }
    left = true;
    GameConfiguration& configuration = frontEnd.configuration;
    configuration.origin = GameOrigin::Challenges;
    configuration.configurationIndex = chosen;
    // Assignment keeps the local players' slots: only the challenge's set-up is taken.
    configuration = *challenge;
    Lumvek::Gui& gui = GetScreenGui();
    gui.CloseMenu(*this, MakePageTransition(HandOver, PageTransition::Forward));
    frontEnd.openLobby(gui, MakeStaticTransition(HandOver), EveryPlayer);
}

void ChallengesScreen::OnBack(uint32_t player)
{
    (void)player;
    if (left)
        return;
    left = true;
    GameConfiguration& configuration = frontEnd.configuration;
    if (configuration.origin != GameOrigin::Challenges)
        configuration.configurationIndex = 0;
    configuration.origin = GameOrigin::Challenges;
    GetScreenGui().CloseMenu(*this, MakeStaticTransition(HandOver));
    if (frontEnd.stopNetwork)
        frontEnd.stopNetwork();
}

void CarnageReport::Setup()
{
    Element& root = GetRoot();
    AddCanvas(root);
    AddSmallLogo(root);
    Element& title = AddElement(root, 100.0f, 3.0f, 0);
    AddText(title, 100.0f, "-CARNAGE REPORT-", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(title, YGEdgeTop, 7.5f);
    Element& header = AddElement(root, 100.0f, 6.0f, 0);
    AddText(header, 100.0f, "NOT IMPLEMENTED", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetElementName(header, "Header");
    SetOffset(header, YGEdgeTop, 15.0f);
    const NetworkStatus role = frontEnd.GetNetworkStatus();
    if (static_cast<uint32_t>(frontEnd.configuration.origin) < 2 && role.running)
    {
        Element& timer = AddElementPoints(root, 80, 80, 0);
        SetImage(timer, GraphicsResources::UiAtlas, Images::CircleSketch, Lumvek::InvalidId).color =
            UnpackColor(TimerTint);
        SetElementName(timer, "Timer");
        SetOffsetPoints(timer, YGEdgeRight, 30.0f);
        SetOffsetPoints(timer, YGEdgeTop, 30.0f);
        timer.visible = 0;
        Element& circle = AddElement(timer, 100.0f, 100.0f, 0);
        AddDrawInImage(circle, 1.0f, GraphicsResources::UiAtlas, Images::CircleDraw).color = UnpackColor(TimerTint);
        Element& seconds = AddElement(timer, 100.0f, 50.0f, 0);
        AddText(seconds, 100.0f, "", GraphicsResources::HeadingFont, TimerTint, TextAlignment::Centre);
        SetOffset(seconds, YGEdgeTop, 25.0f);
    }
    AddButtonHint(root, Images::BButton, "CLOSE", 7.5f, 35.0f, 9.0f);
}

void CarnageReport::Update(float seconds)
{
    Screen::Update(seconds);
    if (left || static_cast<uint32_t>(frontEnd.configuration.origin) > 1)
        return;
    Element* timer = GetElement("Timer");
    const NetworkStatus role = frontEnd.GetNetworkStatus();
    const float f = role.running && role.duration > 0.0f ? role.elapsed / role.duration : 0.0f;
    if (!(f > 0.0f))
    {
        if (timer)
            timer->visible = 0;
        return;
    }
    if (timer)
    {
        timer->visible = 1;
        const auto& children = timer->GetChildren();
        if (auto* circle = dynamic_cast<DrawInImage*>(children[0]->content.get()))
            circle->clock.elapsed = std::clamp(1.0f - f, 0.0f, 1.0f) * circle->clock.duration;
        if (auto* text = dynamic_cast<Lumvek::TextContent*>(children[1]->content.get()))
            text->text =
                std::to_string(role.elapsed > role.duration ? 0 : static_cast<int32_t>(role.duration - role.elapsed));
    }
    // The next vote began, or a match runs.
    if (role.state == NetworkState::Voting || !IsBetweenMatches(role.state))
        OnBack(owner);
}

void CarnageReport::OnBack(uint32_t player)
{
    (void)player;
    if (left)
        return;
    left = true;
    Lumvek::Gui& gui = GetScreenGui();
    const GameOrigin origin = frontEnd.configuration.origin;
    const NetworkStatus role = frontEnd.GetNetworkStatus();
    const NetworkState state = role.running ? role.state : NetworkState::Waiting;
    gui.CloseMenu(*this, MakePageTransition(HandOver, PageTransition::Forward));
    switch (origin)
    {
    case GameOrigin::None:
        if (state == NetworkState::Ending)
            IntermissionScreen::Open(gui, frontEnd, MakeStaticTransition(HandOver), EveryPlayer);
        else
            ConnectingScreen::Open(gui, frontEnd, MakeStaticTransition(HandOver));
        break;
    case GameOrigin::Matchmaking:
        if (state == NetworkState::Ending)
            IntermissionScreen::Open(gui, frontEnd, MakeStaticTransition(HandOver), owner);
        else
            MatchmakingScreen::Open(gui, frontEnd, MakeStaticTransition(HandOver), owner);
        break;
    case GameOrigin::Challenges:
        ChallengesScreen::Open(gui, frontEnd, MakeStaticTransition(HandOver), owner);
        break;
    case GameOrigin::CustomGame:
        CustomGameScreen::Open(gui, frontEnd, MakeStaticTransition(HandOver), owner);
        break;
    default:
        break;
    }
}
