#pragma once

#include <cstdint>

namespace Lumvek
{
class Element;
} // namespace Lumvek

// Where the parts of a player's heads-up display stand in a view of a given size. The parts keep their
// sizes in points and are placed in bands that cannot meet: along the top the score dials at the left,
// the health bar and ability dials in the middle and the weapon's name with its ammunition under it at
// the right; below them the weapon circles at the right and the message lines between the circles'
// columns; below those the feed. A view too small for that at full size gets the whole display scaled
// down as one. Pure arithmetic on points; every length here is in the design's points, before scale.
struct HudLayout
{
    static constexpr float Margin = 30.0f;
    static constexpr float Gap = 10.0f;
    // The centre band's half width: four ability dials with their arrows, wider than the health bar.
    static constexpr float CentreHalfWidth = 110.0f;
    static constexpr float AmmoWidth = 200.0f;
    static constexpr float AmmoTop = 80.0f;
    // Two weapon circles side by side, the secondary a gap left of the primary, so that neither covers
    // the other's icon.
    static constexpr float CircleSize = 75.0f;
    static constexpr float SecondaryCircleRight = Margin + CircleSize + Gap;
    static constexpr float CirclesWidth = 2.0f * CircleSize + Gap;
    static constexpr float CirclesTop = 140.0f;
    static constexpr float CirclesBottom = CirclesTop + CircleSize;
    static constexpr float FeedLineHeight = 20.0f;
    // Room for this many feed lines under the rest, or the display is scaled down.
    static constexpr float FeedLinesAtLeast = 3.0f;

    // The layout of a view of that many points holding that many score dials.
    static HudLayout For(float viewWidth, float viewHeight, uint32_t scoreDials);
    // The score dials of a game of that many teams: one for free for all, one per team otherwise.
    static uint32_t ScoreDials(uint32_t teamCount);
    // The width the score dials take: 80 points each, 40 apart.
    static float ScoreRowWidth(uint32_t scoreDials);

    // Points on the screen per point of the design, at most 1.
    float scale = 1.0f;
    // The view's size in design points: its size over the scale.
    float width = 0.0f;
    float height = 0.0f;
    // The weapon name's box, from the centre band's right to the right margin.
    float nameWidth = 0.0f;
    // The message lines' width, centred between the weapon circles' columns.
    float messageWidth = 0.0f;
    // The feed's box, from its top under the circles to the bottom margin.
    float feedWidth = 0.0f;
    float feedHeight = 0.0f;
    uint32_t feedLines = 0;
    // The depth of the top band, where the dials stand and indicators of the world keep out.
    float topBand = 0.0f;

    // The top band's depth in the view's points.
    float MarkerTop() const { return topBand * scale; }
};

// Multiplies every length in points of the element and its descendants (sizes, offsets, margins,
// padding and nine-slice borders) by scale: a subtree built at the design's size takes the view's.
void ScalePoints(Lumvek::Element& element, float scale);
