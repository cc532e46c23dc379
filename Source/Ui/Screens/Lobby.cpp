#include "Source/Ui/Screens/Lobby.h"

#include "Source/Data/Profile.h"
#include "Source/Ui/Screens/Notebook.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/Profile.h"
#include "Source/Game/LoadStatus.h"
#include "Source/Network/Network.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/Screens/Challenges.h"
#include "Source/Ui/Screens/CustomGame.h"
#include "Source/Ui/Screens/Notebook.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/GameContext.h"

#include <cctype>

using Lumvek::Element;
using Origin = GameOrigin;

namespace
{

constexpr float HandOver = 0.3f;

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The definition's shown name, else its key.
std::string ShownName(const Data* data)
{
    if (!data)
        return "";
    return Upper(data->displayName.empty() ? data->name : data->displayName);
}

void AddTitles(Element& root, const GameConfiguration& configuration)
{
    Element& background = AddElement(root, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
    AddSmallLogo(root);
    // Both lines stand level with the countdown dial: a long name is written smaller rather than run
    // under it, which in a small window a game type and map of ordinary length already would.
    const auto addLine = [&root](float height, float top, const std::string& text)
    {
        Element& line = AddElement(root, 100.0f, height, 0);
        AddText(line, 100.0f, text, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre).shrinkToFit = 1;
        line.SetWidth({});
        SetOffsetPoints(line, YGEdgeLeft, TimerDialRoom);
        SetOffsetPoints(line, YGEdgeRight, TimerDialRoom);
        SetOffset(line, YGEdgeTop, top);
    };
    addLine(3.0f, 7.5f, MatchTitle(configuration));
    addLine(6.0f, 15.0f, MatchSubtitle(configuration));
}

NetworkState StateOf(const FrontEnd& frontEnd)
{
    const Network* role = frontEnd.GetNetwork();
    return role ? role->GetState() : NetworkState::Waiting;
}

} // namespace

std::string MatchTitle(const GameConfiguration& configuration)
{
    return "-" + Upper(configuration.name) + "-";
}

std::string MatchSubtitle(const GameConfiguration& configuration)
{
    const DataRegistry* registry = configuration.registry;
    const Data* gameType = registry ? registry->gameTypes.Get(configuration.gameType) : nullptr;
    const Data* map = registry ? registry->maps.Get(configuration.map) : nullptr;
    return ShownName(gameType) + " ON " + ShownName(map);
}

GameLobby& GameLobby::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                           uint32_t owner)
{
    return Screen::Open<GameLobby>(gui, std::move(transition), owner, frontEnd);
}

bool GameLobby::WaitsForStart() const
{
    const Origin origin = frontEnd.configuration.origin;
    return origin == Origin::Challenges || origin == Origin::CustomGame;
}

void GameLobby::Setup()
{
    const GameConfiguration& setUp = frontEnd.configuration;
    if (!setUp.players.empty())
        owner = setUp.players.front().localIndex;
    for (uint32_t pad = 0; pad < Lumvek::ControllerCount; ++pad)
        playerInput[pad] = pad == owner ? 1 : 0;

    Element& root = GetRoot();
    AddTitles(root, setUp);
    Element& prepare = AddElement(root, 0.0f, 3.0f, 0);
    AddText(prepare, 100.0f, "PREPARE TO FIGHT...", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    AlignCentre(prepare);
    SetOffset(prepare, YGEdgeBottom, 15.5f);
    AddTimerDial(root, !WaitsForStart());
    AddButtonHint(root, Images::BackButton, "NOTEBOOK", 12.5f, 25.0f, 9.0f);
    if (WaitsForStart())
        AddButtonHint(root, Images::StartButton, "START GAME", 15.0f, 25.0f, 4.0f);
}

void GameLobby::Update(float seconds)
{
    const Network* role = frontEnd.GetNetwork();
    if (Element* timer = GetElement("Timer"))
        UpdateTimerDial(*timer, role ? role->timer : 0.0f, role ? role->duration : 0.0f);
    const NetworkState state = StateOf(frontEnd);
    if (WaitsForStart() && (state == NetworkState::Loaded || IsInPlay(state)))
    {
        Lumvek::Gui& gui = GetScreenGui();
        LoadingScreen::Open(gui, frontEnd, CloseForward());
        return;
    }
    if (!WaitsForStart() && IsInPlay(state))
    {
        // The game system opens the game screens.
        CloseForward();
        return;
    }
    Screen::Update(seconds);
}

void GameLobby::OnStart(uint32_t player)
{
    if (countdown != 0 || player != owner || !WaitsForStart())
        return;
    countdown = 1;
    if (frontEnd.beginVoting)
        frontEnd.beginVoting();
    if (Element* timer = GetElement("Timer"))
        timer->visible = 1;
}

void GameLobby::OnSecondary(uint32_t player)
{
    if (countdown != 0)
        return;
    for (const PlayerSlot& slot : frontEnd.configuration.players)
        if (slot.localIndex == player && slot.profile)
        {
            // A stored choice past the five loadouts means none is active: the first is selected.
            const uint32_t active = slot.profile->activeLoadout;
            Lumvek::Gui& gui = GetScreenGui();
            LoadoutsScreen::Open(gui, frontEnd, CloseForward(), player, active < Profile::LoadoutCount ? active : 0);
            return;
        }
}

void GameLobby::OnBack(uint32_t player)
{
    (void)player;
    if (countdown != 0)
    {
        countdown = 0;
        if (Network* role = frontEnd.GetNetwork())
            role->CancelCountdown();
        if (Element* timer = GetElement("Timer"))
            timer->visible = 0;
        return;
    }
    if (!WaitsForStart())
        return;
    // Back to the flow that set the game up, its choices kept.
    Lumvek::Gui& gui = GetScreenGui();
    std::unique_ptr<Lumvek::Transition> opening = CloseBack();
    if (frontEnd.configuration.origin == Origin::CustomGame)
        // The menu turns back in with its paper, as one page.
        CustomGameScreen::Open(gui, frontEnd, std::move(opening), owner,
                               MakePageTransition(HandOver, PageTransition::Backward));
    else
        ChallengesScreen::Open(gui, frontEnd, std::move(opening), owner);
}

LoadingScreen& LoadingScreen::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition)
{
    return Screen::Open<LoadingScreen>(gui, std::move(transition), EveryPlayer, frontEnd);
}

void LoadingScreen::Setup()
{
    Element& root = GetRoot();
    AddTitles(root, frontEnd.configuration);
    Element& dial = AddElement(root, 15.0f, 15.0f, 0);
    SetImage(dial, GraphicsResources::UiAtlas, Images::CircleSketch, Images::PendingIcon).color = UnpackColor(InkColor);
    AlignCentre(dial);
    SetOffset(dial, YGEdgeTop, 42.5f);
    Element& ring = AddElement(dial, 100.0f, 100.0f, 0);
    SetElementName(ring, "Timer");
    AddDrawInImage(ring, 1.0f, GraphicsResources::UiAtlas, Images::CircleDraw).color = UnpackColor(InkColor);
    Element& loading = AddElement(root, 100.0f, 3.0f, 0);
    AddText(loading, 100.0f, "LOADING MATCH...", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(loading, YGEdgeBottom, 15.0f);
}

void LoadingScreen::Update(float seconds)
{
    (void)seconds;
    const int32_t progress = frontEnd.load ? frontEnd.load->GetProgress() : 0;
    if (Element* ring = GetElement("Timer"))
        SetDrawnShare(*ring, static_cast<float>(progress) / 100.0f);
    if (StateOf(frontEnd) == NetworkState::Preparing)
        CloseForward();
}
