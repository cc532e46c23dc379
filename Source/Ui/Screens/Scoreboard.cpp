#include "Source/Ui/Screens/Scoreboard.h"

#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/GameContext.h"

#include <cstdio>

using Lumvek::Element;

namespace
{

const std::vector<ScoreEntry> NoRanking;

const std::vector<ScoreEntry>& RankingOf(const FrontEnd& frontEnd)
{
    const GameType* rules = frontEnd.game ? frontEnd.game->GetGameType() : nullptr;
    return rules ? rules->GetTeamScores() : NoRanking;
}

// The team's colour; the neutral one for an index past the teams.
uint32_t TeamTint(uint32_t team)
{
    return GetTeamColor(team < TeamColorCount ? team : static_cast<uint32_t>(TeamColor::Neutral)).PackedColor();
}

// Free for all names no team. The neutral colour is near-white, which the scoreboard would show
// over the pale sky of a match where it cannot be read: its winner is written in ink.
constexpr uint32_t FreeForAllTint = InkColor;

// "#RRGGBBAA" of a packed colour.
std::string ColorCode(uint32_t packed)
{
    char code[10];
    std::snprintf(code, sizeof(code), "#%02X%02X%02X%02X", packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF,
                  packed >> 24);
    return code;
}

// The left edge, from the middle of the row, of badge place of places: 80 points wide, 130 apart.
int64_t BadgeLeft(uint32_t place, size_t places)
{
    return int64_t(place) * 130 + (50 - int64_t(places) * 130) / 2;
}

} // namespace

Scoreboard& Scoreboard::Open(Lumvek::Gui& gui, FrontEnd& frontEnd)
{
    Scoreboard& board = Screen::OpenIn<Scoreboard>(gui, nullptr, EveryPlayer, WholeWindow(), false, frontEnd);
    board.mouseInput = 0;
    return board;
}

std::string Scoreboard::WinnerTitle() const
{
    const std::vector<ScoreEntry>& ranking = RankingOf(frontEnd);
    if (ranking.empty())
        return "";
    const uint8_t winner = ranking.front().index;
    GameConfiguration& setUp = frontEnd.configuration;
    std::string name;
    uint32_t color = 0;
    if (setUp.teamCount <= 1)
    {
        // Every slot list is searched: players, further players and bots.
        name = setUp.GetPlayer(winner).name;
        color = FreeForAllTint;
    }
    else
    {
        const uint32_t team = winner < MaximumTeamCount ? winner : static_cast<uint32_t>(TeamColor::Neutral);
        name = GetTeamColor(team).upperName.ToString();
        color = TeamTint(team);
    }
    return ColorCode(color) + name + " #414042FFWINS!";
}

void Scoreboard::Setup()
{
    Element& root = GetRoot();
    const std::vector<ScoreEntry>& ranking = RankingOf(frontEnd);
    const GameConfiguration& setUp = frontEnd.configuration;
    const GameType* rules = frontEnd.game ? frontEnd.game->GetGameType() : nullptr;

    Element& title = AddElement(root, 100.0f, 6.0f, 0);
    // The scoreboard stands over the last frame of the match: its team colours are outlined.
    OutlineText(AddText(title, 100.0f, WinnerTitle(), GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre));
    SetOffset(title, YGEdgeTop, 25.0f);

    // The badges' offsets centre them on the row, which stands on the window's middle.
    Element& row = AddElementPoints(root, 0, 80, 0);
    AlignCentre(row);
    SetOffset(row, YGEdgeTop, 35.0f);
    const bool freeForAll = setUp.teamCount <= 1;
    const auto shown = static_cast<uint32_t>(std::min<size_t>(std::max(setUp.teamCount, 1u), ranking.size()));
    for (uint32_t i = 0; i < shown; ++i)
    {
        const ScoreEntry& entry = ranking[i];
        const uint32_t tint = freeForAll ? FreeForAllTint : TeamTint(entry.index);
        // Teams' badges stand by team number, centred as a group. Free for all shows the winner's alone,
        // in the middle: placed by player number among up to sixteen, most would stand off the screen.
        const int64_t left = freeForAll ? BadgeLeft(0, 1) : BadgeLeft(entry.index, ranking.size());
        Element& badge = AddElementPoints(row, 80, 80, 0);
        SetImage(badge, GraphicsResources::UiAtlas, Images::CircleSketch, Lumvek::InvalidId).color = UnpackColor(tint);
        SetOffsetPoints(badge, YGEdgeLeft, static_cast<float>(left));
        Element& ring = AddElement(badge, 100.0f, 100.0f, 0);
        AddDrawInImage(ring, 1.0f, GraphicsResources::UiAtlas, Images::CircleDraw).color = UnpackColor(tint);
        SetDrawnShare(ring, rules ? rules->GetProgress(entry.score) : 0.0f);
        Element& score = AddElement(badge, 100.0f, 50.0f, 0);
        OutlineText(AddText(score, 100.0f, std::to_string(entry.score), GraphicsResources::HeadingFont, tint,
                            TextAlignment::Centre));
        SetOffset(score, YGEdgeTop, 25.0f);
    }
}
