#pragma once

#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/UnitRectangle.h"
#include "Source/Ui/Kit/HudLayout.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <array>
#include <cstdint>

class Player;
class DrawInText;
struct PlayerSlot;

namespace Lumvek
{
class ImageContent;
class TextContent;
} // namespace Lumvek

// The area of the window a local player's view and game screen take, in percent of the window from
// the top left: the split-screen rectangle of the slot's position among the local players, turned
// top-down. Every position below count gets an area of its own.
Lumvek::UnitRectangle GetGameScreenArea(uint32_t position, uint32_t count);

// One local player's heads-up display over his part of the window during a match: health, the
// abilities of his parts, his weapons and the ammunition of the one in hand, the scores, his messages,
// the shared feed and a prompt over what he can interact with. His Start pauses the match for
// everybody on this machine. Owned by the Gui; application thread.
class GameScreen final : public Screen
{
public:
    explicit GameScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    // Over the area of the slot's position among count local players, owned by the slot's pad.
    static GameScreen& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, uint32_t position, uint32_t count, uint32_t owner);
    // One game screen for every local player of the set-up, in list order.
    static void OpenAll(Lumvek::Gui& gui, FrontEnd& frontEnd);

    void Setup() override;
    void Update(float seconds) override;
    void OnStart(uint32_t player) override;

    // The id of the weapon whose ammunition row was last built; none at first.
    uint32_t shownWeapon = Lumvek::InvalidId;
    bool split = false;

    // The health fill's width in points for health of a maximum: 0 .. 200, and 0 when the maximum
    // is not above 0.
    static uint32_t HealthWidth(float health, float maximum);
    // How far a feed line is drawn in with that many ticks left: in over its first second, out over
    // its last.
    static float FeedShare(int32_t ticksLeft);
    // Where the prompt's left and top edges go, in points of the screen, for a target in the world
    // seen by a camera at cameraPosition showing viewSize world units over a screen of screenSize
    // points: centred over the target, half a unit above it.
    static Lumvek::Vector2 IndicatorPlace(Lumvek::Vector2 target, Lumvek::Vector2 cameraPosition,
                                          Lumvek::Vector2 viewSize, Lumvek::Vector2 screenSize);

    // The elements the refresh writes; null before Setup and for parts without an ability.
    std::array<Lumvek::Element*, 4> abilityDials{};
    Lumvek::Element* indicator = nullptr;
    Lumvek::Element* healthFill = nullptr;
    Lumvek::Element* primaryCircle = nullptr;
    Lumvek::Element* secondaryCircle = nullptr;
    Lumvek::Element* ammoRow = nullptr;
    Lumvek::Element* weaponName = nullptr;
    Lumvek::Element* feedList = nullptr;
    Lumvek::Element* scoreRow = nullptr;
    Lumvek::TextContent* weaponNameText = nullptr;
    Lumvek::ImageContent* primaryIcon = nullptr;
    Lumvek::ImageContent* secondaryIcon = nullptr;
    Lumvek::TextContent* statusText = nullptr;
    Lumvek::TextContent* eventText = nullptr;

private:
    PlayerSlot* FindSlot() const;
    Player* FindPlayer() const;
    void UpdateWeapons(Player& player);
    void UpdateScores(const Player& player);
    void UpdateFeed();
    void UpdateIndicator(Player& player);
    // Builds the tree anew for the view's present size.
    void Rebuild();

    FrontEnd& frontEnd;
    PipLayout pips;
    // The team each score dial stands for, in the row's order.
    std::array<uint8_t, 4> dialTeams{};
    uint32_t dialCount = 0;
    // The layout the tree was built for, and the view's size in points then.
    HudLayout layout;
    Lumvek::Vector2 builtSize;
};
