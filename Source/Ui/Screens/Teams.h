#pragma once

#include "Source/Ui/Screens/CustomGame.h"

#include <cstdint>
#include <vector>

struct Slot;

// Every participant of the set-up in list order: the players, the remote players, then the bots.
// Screens refer to a participant by its place in this list, never by its id: before a first match
// every player's id is unassigned, and bots' ids are dealt at the match's start.
std::vector<Slot*> CollectParticipants(GameConfiguration& configuration);

// Free for all, or two to four teams (three and four only with that many players).
class TeamsSelect final : public FlowSelector
{
public:
    using FlowSelector::FlowSelector;

    static TeamsSelect& Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner);

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
};

// Deals the participants into the teams when their number changes and lists them with their teams.
// row: 0 the "RANDOM" entry, k the k-th participant.
class TeamAssignment final : public FlowSelector
{
public:
    TeamAssignment(FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t row, uint32_t teamCount)
        : FlowSelector(frontEnd, backdrop), row(row), teamCount(teamCount)
    {
    }

    static TeamAssignment& OpenFor(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                                   uint32_t row, uint32_t teamCount);

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

    uint32_t row;
    uint32_t teamCount;
};

// Moves one participant, by its place in the list, to one of the set-up's teams.
class TeamColorSelect final : public FlowSelector
{
public:
    TeamColorSelect(FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t participant)
        : FlowSelector(frontEnd, backdrop), participant(participant)
    {
    }

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

    uint32_t participant;

private:
    // The participant, clamped to the list; null when the set-up has none.
    Slot* Find() const;
    uint32_t TeamChoices() const;
};
