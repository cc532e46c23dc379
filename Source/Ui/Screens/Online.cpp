#include "Source/Ui/Screens/Online.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Network/Network.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/Screens/Lobby.h"
#include "Source/Ui/Screens/Notebook.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/GameContext.h"
#include "Source/World/World.h"

#include <string>

using Lumvek::Element;

namespace
{

constexpr float HandOver = 0.3f;
// How long the matchmaking circle takes to draw itself.
constexpr float SearchSeconds = 30.0f;

// The running role as the game system reports it; without that report, the context's role, taken
// for a client.
NetworkStatus StatusOf(const FrontEnd& frontEnd)
{
    if (frontEnd.networkStatus)
        return frontEnd.networkStatus();
    NetworkStatus status;
    if (const Network* role = frontEnd.GetNetwork())
    {
        status.running = true;
        status.client = true;
        status.state = role->GetState();
        status.elapsed = role->timer;
        status.duration = role->duration;
    }
    return status;
}

// The online screens move on once the role's vote has begun, or once a match runs.
bool VoteBegun(const FrontEnd& frontEnd)
{
    const NetworkStatus role = StatusOf(frontEnd);
    return role.running && (role.state == NetworkState::Voting || !IsBetweenMatches(role.state));
}

bool MatchRuns(const FrontEnd& frontEnd)
{
    const NetworkStatus role = StatusOf(frontEnd);
    return role.running && !IsBetweenMatches(role.state);
}

void AddPage(Screen& screen, const char* title, const char* header)
{
    Element& root = screen.GetRoot();
    Element& background = AddElement(root, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
    AddSmallLogo(root);
    Element& titleElement = AddElement(root, 100.0f, 3.0f, 0);
    AddText(titleElement, 100.0f, title, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(titleElement, YGEdgeTop, 7.5f);
    Element& headerElement = AddElement(root, 100.0f, 6.0f, 0);
    AddText(headerElement, 100.0f, header, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    screen.SetElementName(headerElement, "Header");
    SetOffset(headerElement, YGEdgeTop, 15.0f);
}

void UpdateTimer(Screen& screen, const FrontEnd& frontEnd)
{
    const NetworkStatus role = StatusOf(frontEnd);
    if (Element* timer = screen.GetElement("Timer"))
        UpdateTimerDial(*timer, role.elapsed, role.duration);
}

// The notebook of the player's profile; a pad without a profile does nothing.
bool OpenNotebook(Screen& screen, FrontEnd& frontEnd, uint32_t player)
{
    for (const PlayerSlot& slot : frontEnd.configuration.players)
        if (slot.localIndex == player && slot.profile)
        {
            // A stored choice past the five loadouts means none is active: the first is selected.
            const uint32_t active = slot.profile->activeLoadout;
            Lumvek::Gui& gui = screen.GetScreenGui();
            LoadoutsScreen::Open(gui, frontEnd, screen.CloseForward(), player,
                                 active < Profile::LoadoutCount ? active : 0);
            return true;
        }
    return false;
}

// Leaves the online flow: the game system brings the menus back once the role has stopped.
void LeaveOnline(Screen& screen, FrontEnd& frontEnd)
{
    screen.GetScreenGui().CloseMenu(screen, MakeStaticTransition(HandOver));
    if (frontEnd.stopNetwork)
        frontEnd.stopNetwork();
}

const DataRegistry* RegistryOf(const FrontEnd& frontEnd)
{
    if (frontEnd.game && frontEnd.game->registry)
        return frontEnd.game->registry;
    return frontEnd.registry;
}

void StartSearchCircle(Screen& screen)
{
    Element& root = screen.GetRoot();
    Element& dial = AddElement(root, 15.0f, 15.0f, 0);
    SetImage(dial, GraphicsResources::UiAtlas, Images::CircleSketch, Images::PendingIcon).color = UnpackColor(InkColor);
    AlignCentre(dial);
    SetOffset(dial, YGEdgeTop, 42.5f);
    Element& ring = AddElement(dial, 100.0f, 100.0f, 0);
    DrawInImage& circle = AddDrawInImage(ring, SearchSeconds, GraphicsResources::UiAtlas, Images::CircleDraw);
    circle.color = UnpackColor(InkColor);
    circle.clock.direction = 1;
    circle.clock.speed = 1.0f;
    screen.SetElementName(ring, "Timer");
    screen.SetElementName(dial, "Search");
}

} // namespace

MatchmakingScreen& MatchmakingScreen::Open(Lumvek::Gui& gui, FrontEnd& frontEnd,
                                           std::unique_ptr<Lumvek::Transition> transition, uint32_t owner)
{
    return Screen::Open<MatchmakingScreen>(gui, std::move(transition), owner, frontEnd);
}

void MatchmakingScreen::Setup()
{
    // Coming back from an intermission the client role is still there and is kept; a local game's
    // role, left waiting after its match, is replaced.
    // A role that gave up is not tried again behind its player's back: the screen says why it gave up.
    const NetworkStatus role = StatusOf(frontEnd);
    if ((!role.running || !role.client) && role.stopReason.what.empty() && frontEnd.createClientNetwork)
        frontEnd.createClientNetwork();
    frontEnd.configuration.origin = GameOrigin::Matchmaking;

    Element& root = GetRoot();
    AddPage(*this, "-MATCHMAKING-", "SEARCHING FOR PLAYERS");
    StartSearchCircle(*this);
    Element& prepare = AddElement(root, 100.0f, 3.0f, 0);
    AddText(prepare, 100.0f, "PREPARE TO FIGHT...", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(prepare, YGEdgeBottom, 15.5f);
    SetElementName(prepare, "Prepare");
    AddButtonHint(root, Images::BackButton, "NOTEBOOK", 10.0f, 30.0f, 9.0f);
    AddButtonHint(root, Images::BButton, "BACK", 7.5f, 45.0f, 4.0f);
}

void MatchmakingScreen::Update(float seconds)
{
    if (left)
        return;
    const NetworkStatus role = StatusOf(frontEnd);
    const auto show = [this](Lumvek::StringView name, const std::string& shown)
    {
        if (Element* element = GetElement(name))
            if (auto* text = dynamic_cast<Lumvek::TextContent*>(element->content.get()))
                text->text = shown;
    };
    // The role gave up on its server: what happened and what to check stand in place of the search,
    // until the player leaves.
    if (!role.running && !role.stopReason.what.empty())
    {
        show("Header", role.stopReason.what);
        show("Prepare", role.stopReason.check);
        if (Element* search = GetElement("Search"))
            search->visible = 0;
    }
    // A server in a match with others holds this client's players for its next vote: nobody is sought.
    else
        show("Header", role.waitsForNextMatch ? "WAITING FOR THE NEXT MATCH" : "SEARCHING FOR PLAYERS");
    if (VoteBegun(frontEnd))
    {
        left = true;
        Lumvek::Gui& gui = GetScreenGui();
        const uint32_t player = owner;
        gui.CloseMenu(*this, nullptr);
        Screen::Open<VotingScreen>(gui, nullptr, player, frontEnd);
        return;
    }
    Screen::Update(seconds);
}

void MatchmakingScreen::OnSecondary(uint32_t player)
{
    if (!left && OpenNotebook(*this, frontEnd, player))
        left = true;
}

void MatchmakingScreen::OnBack(uint32_t player)
{
    (void)player;
    if (left)
        return;
    left = true;
    LeaveOnline(*this, frontEnd);
}

void VotingScreen::Setup()
{
    Element& root = GetRoot();
    AddPage(*this, "-VOTE-", "");
    const std::array<uint32_t, 3> offered =
        frontEnd.votingOptions ? frontEnd.votingOptions()
                               : std::array<uint32_t, 3>{NoVotingOption, NoVotingOption, NoVotingOption};
    const DataRegistry* registry = RegistryOf(frontEnd);
    const uint32_t count = registry ? registry->configurations.Count() : 0;
    bool logged = false;

    Element& row = AddButtonRow(root);
    for (uint32_t i = 0; i < 3; ++i)
    {
        // The indices come from the server: one this game does not have makes an empty button.
        const GameConfiguration* option = offered[i] < count ? registry->configurations.Get(offered[i]) : nullptr;
        shown[i] = option ? offered[i] : NoVotingOption;
        if (!option && !logged)
        {
            Lumvek::Log::Write("the server offers configuration {} of {}: its button stays empty", offered[i], count);
            logged = true;
        }
        const Data* gameType = option && registry ? registry->gameTypes.Get(option->gameType) : nullptr;
        if (gameType)
            frontEnd.RequestIcons(*gameType);
        Element& button = AddCircleButton(row, option ? option->name : "", option ? option->description : "",
                                          gameType ? gameType->icon : Lumvek::InvalidId,
                                          gameType ? gameType->sketch : Lumvek::InvalidId, i > 0, i < 2);
        // No region would draw the whole atlas: a button without a game type shows no icon.
        if (!gameType)
            button.GetChildren()[0]->visible = 0;
        if (i == 0)
            SetOffset(button, YGEdgeLeft, 15.0f);
        else if (i == 1)
            AlignCentre(button);
        else
            SetOffset(button, YGEdgeRight, 15.0f);
        Element& star = AddElement(button, 25.0f, 25.0f, 0);
        SetImage(star, GraphicsResources::UiAtlas, Images::Star, Images::PendingIcon);
        SetOffset(star, YGEdgeRight, 0.0f);
        SetOffset(star, YGEdgeTop, -5.0f);
        const std::string name = std::to_string(i);
        SetElementName(star, Lumvek::StringView::FromCString(name.c_str()));
        star.visible = 0;
    }
    AddTimerDial(root, true);
    AddButtonHint(root, Images::BackButton, "NOTEBOOK", 10.0f, 30.0f, 9.0f);
    Highlight(true);
}

void VotingScreen::Highlight(bool highlighted)
{
    if (highlighted)
        if (Element* header = GetElement("Header"))
            if (auto* text = dynamic_cast<Lumvek::TextContent*>(header->content.get()))
                text->text.clear();
    // The star is the button's last child and keeps its own state.
    if (highlighted)
        HighlightButton(*this, selection, 1);
    else
        UnhighlightButton(*this, selection, 1);
}

void VotingScreen::Update(float seconds)
{
    if (left)
        return;
    UpdateTimer(*this, frontEnd);
    if (MatchRuns(frontEnd))
    {
        left = true;
        Lumvek::Gui& gui = GetScreenGui();
        const uint32_t player = owner;
        gui.CloseMenu(*this, nullptr);
        GameLobby::Open(gui, frontEnd, nullptr, player);
        return;
    }
    Screen::Update(seconds);
}

void VotingScreen::OnSecondary(uint32_t player)
{
    if (!left && OpenNotebook(*this, frontEnd, player))
        left = true;
}

void VotingScreen::OnSelect(uint32_t player)
{
    (void)player;
    if (Element* star = GetElement(Lumvek::StringView::FromCString(std::to_string(voted).c_str())))
        star->visible = 0;
    voted = selection;
    if (Element* star = GetElement(Lumvek::StringView::FromCString(std::to_string(voted).c_str())))
        star->visible = 1;
    for (const PlayerSlot& slot : frontEnd.configuration.players)
    {
        // A player the server has not numbered yet cannot vote: the message holds the world's players.
        if (slot.id >= World::PlayerCount)
        {
            Lumvek::Log::Write("the player on controller {} has no number yet: his vote is not sent", slot.localIndex);
            continue;
        }
        if (frontEnd.sendVote)
            frontEnd.sendVote(slot.id, selection);
    }
}

void VotingScreen::OnLeft(uint32_t player)
{
    (void)player;
    if (selection == 0)
        return;
    Highlight(false);
    --selection;
    Highlight(true);
}

void VotingScreen::OnRight(uint32_t player)
{
    (void)player;
    if (selection >= 2)
        return;
    Highlight(false);
    ++selection;
    Highlight(true);
}

IntermissionScreen& IntermissionScreen::Open(Lumvek::Gui& gui, FrontEnd& frontEnd,
                                             std::unique_ptr<Lumvek::Transition> transition, uint32_t owner)
{
    return Screen::Open<IntermissionScreen>(gui, std::move(transition), owner, frontEnd);
}

void IntermissionScreen::Setup()
{
    Element& root = GetRoot();
    AddPage(*this, "-MATCHMAKING-", "INTERMISSION");
    AddTimerDial(root, true);
    AddButtonHint(root, Images::StartButton, "CARNAGE REPORT", 10.0f, 30.0f, 14.0f);
    AddButtonHint(root, Images::BackButton, "NOTEBOOK", 10.0f, 30.0f, 9.0f);
    AddButtonHint(root, Images::BButton, "BACK", 7.5f, 45.0f, 4.0f);
}

void IntermissionScreen::Update(float seconds)
{
    if (left)
        return;
    UpdateTimer(*this, frontEnd);
    const NetworkStatus role = StatusOf(frontEnd);
    if (!role.running || role.state != NetworkState::Ending)
    {
        left = true;
        Lumvek::Gui& gui = GetScreenGui();
        const uint32_t player = owner;
        gui.CloseMenu(*this, nullptr);
        MatchmakingScreen::Open(gui, frontEnd, nullptr, player);
        return;
    }
    Screen::Update(seconds);
}

void IntermissionScreen::OnStart(uint32_t player)
{
    if (left || player != owner)
        return;
    left = true;
    Lumvek::Gui& gui = GetScreenGui();
    gui.CloseMenu(*this, MakeStaticTransition(HandOver));
    if (frontEnd.openCarnageReport)
        frontEnd.openCarnageReport(gui, MakePageTransition(HandOver, PageTransition::Backward), owner);
}

void IntermissionScreen::OnSecondary(uint32_t player)
{
    if (!left && OpenNotebook(*this, frontEnd, player))
        left = true;
}

void IntermissionScreen::OnBack(uint32_t player)
{
    (void)player;
    if (left)
        return;
    left = true;
    LeaveOnline(*this, frontEnd);
}

namespace
{

void AddServerPage(Screen& screen, const char* header)
{
    Element& root = screen.GetRoot();
    AddPage(screen, "-SERVER-", header);
    Element& list = AddElement(root, 100.0f, 100.0f, 0);
    screen.SetElementName(list, "Container");
    SetOffset(list, YGEdgeLeft, 10.0f);
    SetOffset(list, YGEdgeTop, 25.0f);
    // The lines follow one another down the page; placed by offsets they would all lie on the first.
    list.flow = 1;
    YGNodeStyleSetFlexDirection(list.GetNode(), YGFlexDirectionColumn);
}

} // namespace

void FillServerList(Element& list, const GameConfiguration& configuration, bool votes)
{
    list.RemoveChildren();
    for (const RemotePlayerSlot& slot : configuration.remotePlayers)
    {
        Element& line = AddElement(list, 100.0f, 5.0f, 0);
        std::string text = "Player: " + std::to_string(slot.id);
        if (votes)
            text += ", Vote: " + std::to_string(slot.vote);
        AddText(line, 80.0f, text, GraphicsResources::HeadingFont, InkColor, TextAlignment::Start);
    }
}

ConnectingScreen& ConnectingScreen::Open(Lumvek::Gui& gui, FrontEnd& frontEnd,
                                         std::unique_ptr<Lumvek::Transition> transition)
{
    return Screen::Open<ConnectingScreen>(gui, std::move(transition), EveryPlayer, frontEnd);
}

void ConnectingScreen::Setup()
{
    // No player's menu set this game up: after the match the server comes back here.
    frontEnd.configuration.origin = GameOrigin::None;
    AddServerPage(*this, "SEARCHING FOR PLAYERS");
}

void ConnectingScreen::Update(float seconds)
{
    (void)seconds;
    if (Element* list = GetElement("Container"))
        FillServerList(*list, frontEnd.configuration, false);
    const NetworkStatus role = StatusOf(frontEnd);
    if (role.running && role.state == NetworkState::Voting)
    {
        Lumvek::Gui& gui = GetScreenGui();
        gui.CloseMenu(*this, nullptr);
        Screen::Open<ConfiguringScreen>(gui, nullptr, EveryPlayer, frontEnd);
    }
}

void ConfiguringScreen::Setup()
{
    AddServerPage(*this, "WAITING FOR VOTES");
}

void ConfiguringScreen::Update(float seconds)
{
    (void)seconds;
    if (Element* list = GetElement("Container"))
        FillServerList(*list, frontEnd.configuration, true);
    const NetworkStatus role = StatusOf(frontEnd);
    if (role.running && !IsBetweenMatches(role.state) && role.state != NetworkState::Configured)
    {
        Lumvek::Gui& gui = GetScreenGui();
        gui.CloseMenu(*this, nullptr);
        GameLobby::Open(gui, frontEnd, nullptr, EveryPlayer);
    }
}
