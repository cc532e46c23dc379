#include "Source/Ui/Screens/Teams.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Pattern.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NameTables.h"
#include "Source/Ui/Kit/ScrollerPage.h"

#include <algorithm>
#include <cmath>

using Lumvek::Element;

namespace
{

constexpr float NarrowArrows = 39.5f;

struct TeamChoice
{
    const char* circle;
    const char* label;
};

const TeamChoice TeamChoices[MaximumTeamCount] = {
    {"FFA", "FREE FOR ALL"}, {"2", "TWO TEAMS"}, {"3", "THREE TEAMS"}, {"4", "FOUR TEAMS"}};

std::string UpperTeamName(uint32_t team)
{
    return team < TeamColorCount ? GetTeamColor(team).upperName.ToString() : "";
}

} // namespace

std::vector<Slot*> CollectParticipants(GameConfiguration& configuration)
{
    std::vector<Slot*> participants;
    for (Slot& slot : configuration.players)
        participants.push_back(&slot);
    for (Slot& slot : configuration.remotePlayers)
        participants.push_back(&slot);
    for (Slot& slot : configuration.bots)
        participants.push_back(&slot);
    return participants;
}

TeamsSelect& TeamsSelect::Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner)
{
    return Screen::OpenOver<TeamsSelect>(gui, nullptr, owner, frontEnd, backdrop);
}

void TeamsSelect::Setup()
{
    const GameConfiguration& configuration = frontEnd.configuration;
    const size_t humans = configuration.players.size() + configuration.remotePlayers.size();
    const uint32_t choices = static_cast<uint32_t>(std::clamp<size_t>(humans, 2, MaximumTeamCount));
    const uint32_t current = configuration.teamCount < 2 ? 0 : configuration.teamCount - 1;
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Narrow, "-SELECT TEAMS-",
                                     current < MaximumTeamCount ? TeamChoices[current].label : "");
    for (uint32_t choice = 0; choice < choices; ++choice)
        AddCircleTextItem(strip, choice == current, TeamChoices[choice].circle, TeamChoices[choice].label, "", false);
    FinishPage(current, NarrowArrows);
}

void TeamsSelect::OnSelect(uint32_t player)
{
    const uint32_t position = Position();
    if (position == 0)
    {
        GameConfiguration& configuration = frontEnd.configuration;
        configuration.teamCount = 1;
        // Bots keep the teams their set-up gave them.
        for (Slot& slot : configuration.players)
            slot.team = static_cast<uint8_t>(TeamColor::Neutral);
        for (Slot& slot : configuration.remotePlayers)
            slot.team = static_cast<uint8_t>(TeamColor::Neutral);
        OnBack(player);
        return;
    }
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    TeamAssignment::OpenFor(gui, frontEnd, backdrop, owner, 0, position + 1);
}

void TeamsSelect::OnBack(uint32_t player)
{
    (void)player;
    ReturnToMenu(3);
}

TeamAssignment& TeamAssignment::OpenFor(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop,
                                        uint32_t owner, uint32_t row, uint32_t teamCount)
{
    return Screen::OpenOver<TeamAssignment>(gui, nullptr, owner, frontEnd, backdrop, row, teamCount);
}

void TeamAssignment::Setup()
{
    GameConfiguration& configuration = frontEnd.configuration;
    const std::vector<Slot*> participants = CollectParticipants(configuration);
    teamCount = std::clamp<uint32_t>(teamCount, 2, MaximumTeamCount);
    if (configuration.teamCount != teamCount)
    {
        // Dealt by place in the list: ids need not run 0, 1, 2 ... and may not be assigned yet.
        const size_t per =
            static_cast<size_t>(std::ceil(static_cast<float>(participants.size()) / static_cast<float>(teamCount)));
        for (size_t position = 0; position < participants.size(); ++position)
            participants[position]->team =
                static_cast<uint8_t>(std::min<size_t>(position / std::max<size_t>(per, 1), teamCount - 1));
        configuration.teamCount = teamCount;
    }
    const std::string header = row == 0 ? "RANDOM" : Lumvek::FormatText("PLAYER {}", row - 1);
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Narrow, "-TEAM ASSIGNMENT-", header);
    AddCircleTextItem(strip, row == 0, "?", "RANDOM", "", false);
    for (size_t position = 0; position < participants.size(); ++position)
    {
        const Slot& slot = *participants[position];
        const uint32_t number = slot.id < Slot::NoId ? slot.id : static_cast<uint32_t>(position);
        AddCircleTextItem(strip, row == position + 1, Lumvek::FormatText("P{}", number), slot.name,
                          UpperTeamName(slot.team), false);
    }
    FinishPage(row, NarrowArrows);
}

void TeamAssignment::OnSelect(uint32_t player)
{
    (void)player;
    const uint32_t position = Position();
    if (position == 0)
    {
        ReturnToMenu(3);
        return;
    }
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    Screen::OpenOver<TeamColorSelect>(gui, nullptr, owner, frontEnd, backdrop, position - 1);
}

void TeamAssignment::OnBack(uint32_t player)
{
    (void)player;
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    TeamsSelect::Reopen(gui, frontEnd, backdrop, owner);
}

Slot* TeamColorSelect::Find() const
{
    const std::vector<Slot*> participants = CollectParticipants(frontEnd.configuration);
    if (participants.empty())
        return nullptr;
    return participants[std::min<size_t>(participant, participants.size() - 1)];
}

uint32_t TeamColorSelect::TeamChoices() const
{
    return std::clamp<uint32_t>(frontEnd.configuration.teamCount, 1, MaximumTeamCount);
}

void TeamColorSelect::Setup()
{
    const Slot* slot = Find();
    if (!slot)
        Lumvek::Log::Write("the set-up has no participants: there is nobody to move to another team");
    Element& strip = AddScrollerPage(GetRoot(), ScrollerPage::Narrow, "-SELECT TEAM COLOR-",
                                     Lumvek::FormatText("Player {}", participant));
    const uint32_t choices = TeamChoices();
    for (uint32_t team = 0; team < choices; ++team)
        AddCircleTextItem(strip, slot && slot->team == team, "#", GetTeamColor(team).name.ToString(), "", false);
    FinishPage(slot ? std::min<uint32_t>(slot->team, choices - 1) : 0, NarrowArrows);
}

void TeamColorSelect::OnSelect(uint32_t player)
{
    const uint32_t position = Position();
    if (Slot* slot = Find(); slot && position < TeamChoices())
        slot->team = static_cast<uint8_t>(position);
    OnBack(player);
}

void TeamColorSelect::OnBack(uint32_t player)
{
    (void)player;
    Lumvek::Gui& gui = GetScreenGui();
    CloseImmediately();
    TeamAssignment::OpenFor(gui, frontEnd, backdrop, owner, participant + 1, frontEnd.configuration.teamCount);
}
