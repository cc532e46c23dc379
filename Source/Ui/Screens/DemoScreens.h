#pragma once

#include "Source/Network/Network.h"
#include "Source/Ui/Screen.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class Data;
class DataRegistry;
class GameConfiguration;
class GameContext;
class LoadStatus;
class ProfileCollection;
struct ProfileLoadout;

// What the screens see of the running network role.
struct NetworkStatus
{
    bool running = false;
    // The role is a client of a dedicated server, which wants to hear of loadout changes.
    bool client = false;
    NetworkState state = NetworkState::Waiting;
    // The timer of the current timed state and its length, in seconds.
    float elapsed = 0.0f;
    float duration = 0.0f;
    // A client whose server holds its players' request until the match, vote or intermission it is in
    // has passed.
    bool waitsForNextMatch = false;
    // Without a role: why the last one gave up on its server, until its screen is left.
    ClientLines::OnScreen stopReason = {};
};

// What the front end's screens take from the game system: its profiles, its current set-up, the
// openers of screens other parts of the game provide (empty while those are not part of the game)
// and the start of the demo match. Outlives every screen that holds it.
struct FrontEnd
{
    using Opener =
        std::function<void(Lumvek::Gui& gui, std::unique_ptr<Lumvek::Transition> transition, uint32_t owner)>;

    FrontEnd(ProfileCollection& profiles, GameConfiguration& configuration, Opener openSinglePlayer = {},
             Opener openMultiplayer = {}, std::function<bool()> startDemoMatch = {})
        : profiles(profiles), configuration(configuration), openSinglePlayer(std::move(openSinglePlayer)),
          openMultiplayer(std::move(openMultiplayer)), startDemoMatch(std::move(startDemoMatch))
    {
    }

    ProfileCollection& profiles;
    GameConfiguration& configuration;
    Opener openSinglePlayer;
    Opener openMultiplayer;
    // Closes every menu and starts the "Demo" match for controller 0; false, with nothing changed,
    // when it cannot.
    std::function<bool()> startDemoMatch;
    // Where profiles are saved (the application folder) and the definitions their loadouts name;
    // without a registry nothing is saved.
    std::string applicationRoot;
    const DataRegistry* registry = nullptr;
    // The running role; none runs while this is empty.
    std::function<NetworkStatus()> networkStatus;
    // Tells the server of a local player's new loadout; called only while the role is a client.
    std::function<void(uint8_t slotId, const ProfileLoadout& loadout)> sendLoadout;
    // Streams the image file at the path (below the application folder) into the "PreviewAtlas" cell
    // of the id; nothing is streamed while this is empty.
    std::function<void(uint32_t cell, const std::string& path)> requestPreviewImage;

    // The running role itself, for the match's screens; none runs while this is empty.
    std::function<Network*()> currentNetwork;

    NetworkStatus GetNetworkStatus() const { return networkStatus ? networkStatus() : NetworkStatus{}; }
    Network* GetNetwork() const { return currentNetwork ? currentNetwork() : nullptr; }
    // Streams the definition's "IconImage" and "IconSketch" into its icon and sketch regions of the
    // icon atlas; a region that holds its image already stays.
    void RequestIcons(const Data& definition) const;

    // What the match's screens read besides: the game's registry, game type and world, and its load
    // progress. Null where a test builds the menus alone.
    GameContext* game = nullptr;
    const LoadStatus* load = nullptr;
    // Makes a local network role the current one, in place of any other.
    std::function<void()> startLocalGame{};
    // Starts the vote countdown of the current local role; its local players take their profiles'
    // active loadouts.
    std::function<void()> beginVoting{};
    // Sets the game system's paused and frozen flags together.
    std::function<void(bool)> setPaused{};
    // Asks for an image of the icon atlas by its region id and its path.
    std::function<void(uint32_t region, const std::string& path)> requestIcon{};
    // Stops the current network role; the game system then brings the menus back.
    std::function<void()> stopNetwork = {};
    // The lobby of the current set-up, for every player.
    Opener openLobby = {};
    // The title page of the full game, where an online flow without its role ends up.
    Opener openStart = {};
    // Makes the client role from its role file the current one, in place of any other role.
    std::function<void()> createClientNetwork = {};
    // Turns this machine into the dedicated server: the server role from its role file.
    std::function<void()> createServerNetwork = {};
    // The three configurations the server offers, by registry index; NoVotingOption where it named
    // none this game has.
    std::function<std::array<uint32_t, 3>()> votingOptions = {};
    // Sends a local player's vote for option 0 to 2 to the server; false when it was not sent.
    std::function<bool(uint8_t player, uint32_t choice)> sendVote = {};
    // The report of the match just left.
    Opener openCarnageReport = {};
};

// The demo's title page: the paper, the tall logo, "PRESS START" writing itself and a welcome. The
// player who presses Start is taken in and drives the demo menu. Owned by the Gui; application thread.
class DemoStartScreen final : public Screen
{
public:
    explicit DemoStartScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    void Setup() override;
    void Activate() override;
    void OnStart(uint32_t player) override;

private:
    FrontEnd& frontEnd;
    bool taken = false;
};

// The demo's menu of two circle buttons, single player and multiplayer, driven by the player the
// title page took in. Owned by the Gui; application thread.
class DemoMenu final : public Screen
{
public:
    explicit DemoMenu(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    static DemoMenu& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                          uint32_t player);

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnLeft(uint32_t player) override;
    void OnRight(uint32_t player) override;

    // The highlighted entry: 0 single player, 1 multiplayer.
    uint32_t selection = 0;

private:
    void Move(uint32_t to);

    FrontEnd& frontEnd;
};

// A title page: paper, the tall logo at the top and "PRESS START" (named "Start") near the bottom,
// to be written in by StartPressStartText.
void AddTitlePage(Screen& screen);
// Starts the "PRESS START" draw-in of a title page, once its page has come in.
void StartPressStartText(Screen& screen);
// The player who pressed Start on a title screen joins the set-up on that pad, with the profile
// "player1" (without a loadout when there is none, which is logged).
void TakeFirstPlayer(FrontEnd& frontEnd, uint32_t pad);
