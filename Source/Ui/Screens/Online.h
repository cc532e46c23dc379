#pragma once

#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <array>
#include <cstdint>

// The screens of a client of a dedicated server, each following the client role's state and leaving
// by itself when it moves on; none of them talks to the server except through the role. Owned by
// the Gui; application thread.

// Creates the client role when there is none and waits while the server gathers players.
class MatchmakingScreen final : public Screen
{
public:
    explicit MatchmakingScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    static MatchmakingScreen& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                                   uint32_t owner);

    void Setup() override;
    void Update(float seconds) override;
    void OnSecondary(uint32_t player) override;
    void OnBack(uint32_t player) override;

private:
    FrontEnd& frontEnd;
    bool left = false;
};

// The three set-ups the server offers as circle buttons; choosing one stars it and sends every local
// player's vote.
class VotingScreen final : public Screen
{
public:
    explicit VotingScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    void Setup() override;
    void Update(float seconds) override;
    void OnSecondary(uint32_t player) override;
    void OnSelect(uint32_t player) override;
    void OnLeft(uint32_t player) override;
    void OnRight(uint32_t player) override;

    // The highlighted option and the one whose star shows.
    uint32_t selection = 1;
    uint32_t voted = 1;
    // The configuration each button shows, by registry index; NoVotingOption for an empty button.
    std::array<uint32_t, 3> shown{};

private:
    void Highlight(bool highlighted);

    FrontEnd& frontEnd;
    bool left = false;
};

// Waits through the server's intermission; Start reads the carnage report again.
class IntermissionScreen final : public Screen
{
public:
    explicit IntermissionScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    static IntermissionScreen& Open(Lumvek::Gui& gui, FrontEnd& frontEnd,
                                    std::unique_ptr<Lumvek::Transition> transition, uint32_t owner);

    void Setup() override;
    void Update(float seconds) override;
    void OnStart(uint32_t player) override;
    void OnSecondary(uint32_t player) override;
    void OnBack(uint32_t player) override;

private:
    FrontEnd& frontEnd;
    bool left = false;
};

// The dedicated server's own window: the players connected so far, until the vote begins. Takes no
// pad input.
class ConnectingScreen final : public Screen
{
public:
    explicit ConnectingScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    // For every player.
    static ConnectingScreen& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition);

    void Setup() override;
    void Update(float seconds) override;

private:
    FrontEnd& frontEnd;
};

// The dedicated server's players and their votes, until the match loads. Takes no pad input.
class ConfiguringScreen final : public Screen
{
public:
    explicit ConfiguringScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    void Setup() override;
    void Update(float seconds) override;

private:
    FrontEnd& frontEnd;
};

// Rebuilds a server status list: one line per remote player, with its vote when asked.
void FillServerList(Lumvek::Element& list, const GameConfiguration& configuration, bool votes);
