#include "Source/Ui/Screens/GameScreen.h"

#include "Engine/Foundation/Math.h"
#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/NameTables.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/PartData.h"
#include "Source/Data/Profile.h"
#include "Source/Data/WeaponData.h"
#include "Source/GameTypes/GameType.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/DrawIn.h"
#include "Source/Ui/Kit/HudLayout.h"
#include "Source/Ui/Screens/PauseMenu.h"
#include "Source/Ui/UiResources.h"
#include "Source/World/Entities.h"
#include "Source/World/GameContext.h"
#include "Source/World/Part.h"
#include "Source/World/Player.h"
#include "Source/World/World.h"
#include "Engine/Foundation/Tick.h"

#include <algorithm>
#include <cmath>

using Lumvek::Element;
using Lumvek::ElementLength;

namespace
{

constexpr uint32_t HealthColor = 0xFF1B14BE;
constexpr uint32_t WeaponNameColor = 0xFF64F4FF;
constexpr uint32_t HealthBarWidth = 200;
constexpr uint32_t HealthBarBoxWidth = 208;

// The image of a controller button code as the game screen's prompt shows it; none for the rest.
uint32_t ButtonImage(uint32_t code)
{
    const uint32_t images[] = {Images::AButton,     Images::BButton,    Images::XButton,     Images::YButton,
                               Images::StartButton, Images::BackButton, Images::LeftBumper,  Images::RightBumper,
                               Images::LeftStick,   Images::RightStick, Images::LeftTrigger, Images::RightTrigger};
    return code >= 4 && code < 4 + std::size(images) ? images[code - 4] : Lumvek::InvalidId;
}

// A message line between the weapon circles' columns; a long message is written smaller to fit.
Lumvek::TextContent& AddLine(Element& root, float width, uint32_t height, float top)
{
    Element& line = AddElementPoints(root, 0, height, 0);
    line.SetWidth({ElementLength::Points, width});
    AlignCentre(line);
    SetOffsetPoints(line, YGEdgeTop, top);
    Lumvek::TextContent& text =
        AddText(line, 100.0f, "", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    text.shrinkToFit = 1;
    BackText(text);
    return text;
}

// Where a part's dial stands: its tint and the arrow of the direction that selects the part.
struct DialPlace
{
    uint32_t tint;
    uint32_t arrow;
    uint32_t arrowWidth;
    uint32_t arrowHeight;
    YGEdge side;
    YGEdge across;
};

// Core, head, legs, arms.
constexpr uint32_t DialOrder = 4;

Part* PartAt(const Player& player, uint32_t place)
{
    switch (place)
    {
    case 0:
        return player.core.get();
    case 1:
        return player.head.get();
    case 2:
        return player.legs.get();
    default:
        return player.arms.get();
    }
}

DialPlace PlaceOf(uint32_t place)
{
    switch (place)
    {
    case 0:
        return {1, Images::PartLeft, 10, 20, YGEdgeRight, YGEdgeTop};
    case 1:
        return {0, Images::PartUp, 20, 10, YGEdgeBottom, YGEdgeLeft};
    case 2:
        return {3, Images::PartDown, 20, 10, YGEdgeTop, YGEdgeLeft};
    default:
        return {2, Images::PartRight, 10, 20, YGEdgeLeft, YGEdgeTop};
    }
}

bool HasAbility(const Part* part)
{
    return part && part->data && part->data->hasAbility;
}

void SetRegion(Lumvek::ImageContent* image, uint32_t region)
{
    if (image)
        image->region = region;
}

} // namespace

Lumvek::UnitRectangle GetGameScreenArea(uint32_t position, uint32_t count)
{
    // The split-screen rectangles count y upward from the bottom of the window.
    const Lumvek::Rectangle view = Lumvek::GetSplitScreenRectangle(position, count);
    using Lumvek::UnitRectangle;
    return {{UnitRectangle::Percent, view.x * 100.0f},
            {UnitRectangle::Percent, (1.0f - view.y - view.height) * 100.0f},
            {UnitRectangle::Percent, view.width * 100.0f},
            {UnitRectangle::Percent, view.height * 100.0f}};
}

GameScreen& GameScreen::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, uint32_t position, uint32_t count, uint32_t owner)
{
    return Screen::OpenIn<GameScreen>(gui, nullptr, owner, GetGameScreenArea(position, count), true, frontEnd);
}

void GameScreen::OpenAll(Lumvek::Gui& gui, FrontEnd& frontEnd)
{
    const auto& players = frontEnd.configuration.players;
    const auto count = static_cast<uint32_t>(players.size());
    for (uint32_t position = 0; position < count; ++position)
        Open(gui, frontEnd, position, count, players[position].localIndex);
}

uint32_t GameScreen::HealthWidth(float health, float maximum)
{
    // Written so that NaN in either gives an empty bar.
    if (!(maximum > 0.0f) || !(health > 0.0f))
        return 0;
    const double width = std::trunc(static_cast<double>(health) / maximum * HealthBarWidth);
    return width >= HealthBarWidth ? HealthBarWidth : static_cast<uint32_t>(width);
}

float GameScreen::FeedShare(int32_t ticksLeft)
{
    const float left = static_cast<float>(ticksLeft) / Lumvek::TicksPerSecond;
    const float share = left < 1.0f ? left : left > 2.0f ? 3.0f - left : 1.0f;
    return std::clamp(share, 0.0f, 1.0f);
}

Lumvek::Vector2 GameScreen::IndicatorPlace(Lumvek::Vector2 target, Lumvek::Vector2 cameraPosition,
                                           Lumvek::Vector2 viewSize, Lumvek::Vector2 screenSize)
{
    const float x = (target.x - (cameraPosition.x - viewSize.x / 2.0f)) / viewSize.x * screenSize.x;
    const float y = (1.0f - ((target.y + 0.5f) - (cameraPosition.y - viewSize.y / 2.0f)) / viewSize.y) * screenSize.y;
    return {std::trunc(x - 15.0f), std::trunc(y)};
}

PlayerSlot* GameScreen::FindSlot() const
{
    for (PlayerSlot& slot : frontEnd.configuration.players)
        if (slot.localIndex == owner)
            return &slot;
    return nullptr;
}

Player* GameScreen::FindPlayer() const
{
    const PlayerSlot* slot = FindSlot();
    return slot && frontEnd.game && frontEnd.game->world ? slot->player : nullptr;
}

void GameScreen::Setup()
{
    const uint32_t atlas = GraphicsResources::UiAtlas;
    const GameConfiguration& setUp = frontEnd.configuration;
    split = setUp.players.size() > 1;
    Element& root = GetRoot();
    const Player* player = FindPlayer();

    const uint8_t ownTeam = player ? player->team : static_cast<uint8_t>(TeamColor::Neutral);
    dialCount = 0;
    if (setUp.teamCount <= 1)
        dialTeams[dialCount++] = static_cast<uint8_t>(TeamColor::Neutral);
    else
    {
        if (ownTeam < MaximumTeamCount)
            dialTeams[dialCount++] = ownTeam;
        for (uint32_t team = 0; team < std::min(setUp.teamCount, MaximumTeamCount); ++team)
            if (team != ownTeam)
                dialTeams[dialCount++] = static_cast<uint8_t>(team);
    }
    // Built in the design's points for the view's size in them, then scaled to the view as one.
    const Lumvek::Rectangle area = GetScreenGui().ResolvePlacement(placement);
    builtSize = {area.width, area.height};
    // The indicators of the world lay this layout out again from the team count alone: the same count.
    layout = HudLayout::For(area.width, area.height, HudLayout::ScoreDials(setUp.teamCount));

    Element& healthBar = AddElementPoints(root, HealthBarBoxWidth, 28, 0);
    AlignCentre(healthBar);
    SetOffsetPoints(healthBar, YGEdgeTop, 30.0f);
    auto outline = std::make_unique<Lumvek::NineSliceContent>();
    outline->texture = atlas;
    outline->region = Images::Outline;
    outline->color = UnpackColor(InkColor);
    outline->borderSize = {Lumvek::UnitRectangle::Pixels, 4.0f};
    healthBar.content = std::move(outline);
    healthFill = &AddElementPoints(healthBar, HealthBarWidth, 20, HealthColor);
    SetOffsetPoints(*healthFill, YGEdgeLeft, 4.0f);
    SetOffsetPoints(*healthFill, YGEdgeTop, 4.0f);

    Element& abilities = AddElementPoints(root, 0, 44, 0);
    AlignCentre(abilities);
    SetOffsetPoints(abilities, YGEdgeTop, 74.0f);
    uint32_t count = 0;
    for (uint32_t place = 0; place < DialOrder; ++place)
        count += player && HasAbility(PartAt(*player, place)) ? 1 : 0;
    for (uint32_t place = 0, position = 0; place < DialOrder; ++place)
    {
        if (!player || !HasAbility(PartAt(*player, place)))
            continue;
        const DialPlace dialPlace = PlaceOf(place);
        Element& dial = AddAbilityDial(abilities, dialPlace.tint, position++, count);
        Element& arrow = AddElementPoints(dial, dialPlace.arrowWidth, dialPlace.arrowHeight, 0);
        SetImage(arrow, atlas, dialPlace.arrow, Lumvek::InvalidId);
        SetOffsetPoints(arrow, dialPlace.side, 44.0f);
        SetOffsetPoints(arrow, dialPlace.across, 12.0f);
        abilityDials[place] = &dial;
    }

    // The name keeps right of the centre band: a long one is written smaller rather than over the bar.
    weaponName = &AddElementPoints(root, 0, 50, 0);
    weaponName->SetWidth({ElementLength::Points, layout.nameWidth});
    SetOffsetPoints(*weaponName, YGEdgeRight, HudLayout::Margin);
    SetOffsetPoints(*weaponName, YGEdgeTop, HudLayout::Margin);
    weaponNameText =
        &AddText(*weaponName, 100.0f, "", GraphicsResources::HeadingFont, WeaponNameColor, TextAlignment::End);
    weaponNameText->shrinkToFit = 1;
    BackText(*weaponNameText);

    ammoRow = &AddElementPoints(root, static_cast<uint32_t>(HudLayout::AmmoWidth), 50, 0);
    ammoRow->flow = 1;
    // A long clip's pips wrap into two or three rows of the row's height.
    YGNodeStyleSetFlexDirection(ammoRow->GetNode(), YGFlexDirectionRowReverse);
    YGNodeStyleSetFlexWrap(ammoRow->GetNode(), YGWrapWrap);
    SetOffsetPoints(*ammoRow, YGEdgeRight, HudLayout::Margin);
    SetOffsetPoints(*ammoRow, YGEdgeTop, HudLayout::AmmoTop);

    const struct
    {
        Element** circle;
        Lumvek::ImageContent** icon;
        uint32_t region;
        float right;
    } circles[] = {{&primaryCircle, &primaryIcon, Images::CircleBackground, HudLayout::Margin},
                   {&secondaryCircle, &secondaryIcon, Images::CircleSketch, HudLayout::SecondaryCircleRight}};
    // Under the ammunition row, where the message lines keep clear of them.
    for (const auto& circle : circles)
    {
        constexpr auto size = static_cast<uint32_t>(HudLayout::CircleSize);
        Element& element = AddElementPoints(root, size, size, 0);
        Lumvek::ImageContent& image = SetImage(element, atlas, circle.region, Lumvek::InvalidId);
        if (circle.region == Images::CircleSketch)
            image.color = UnpackColor(InkColor);
        YGNodeStyleSetJustifyContent(element.GetNode(), YGJustifyCenter);
        YGNodeStyleSetAlignItems(element.GetNode(), YGAlignCenter);
        element.flow = 1;
        SetOffsetPoints(element, YGEdgeTop, HudLayout::CirclesTop);
        SetOffsetPoints(element, YGEdgeRight, circle.right);
        Element& inner = AddElement(element, 80.0f, 80.0f, 0);
        *circle.icon = &SetImage(inner, atlas, Lumvek::InvalidId, Images::PendingIcon);
        *circle.circle = &element;
    }

    scoreRow = &AddElementPoints(root, 0, 80, 0);
    scoreRow->flow = 1;
    YGNodeStyleSetFlexDirection(scoreRow->GetNode(), YGFlexDirectionRow);
    SetOffsetPoints(*scoreRow, YGEdgeLeft, HudLayout::Margin);
    SetOffsetPoints(*scoreRow, YGEdgeTop, HudLayout::Margin);
    for (uint32_t i = 0; i < dialCount; ++i)
    {
        const TeamColorEntry& team = GetTeamColor(dialTeams[i]);
        AddTeamDial(*scoreRow, team.name.ToString(), team.PackedColor());
    }

    statusText = &AddLine(root, layout.messageWidth, 16, 140.0f);
    eventText = &AddLine(root, layout.messageWidth, 32, 170.0f);

    // Under the circles, as tall as the view leaves; its newest lines stand at the bottom.
    feedList = &AddElementPoints(root, 0, 0, 0);
    feedList->SetWidth({ElementLength::Points, layout.feedWidth});
    feedList->SetHeight({ElementLength::Points, layout.feedHeight});
    feedList->flow = 1;
    YGNodeStyleSetFlexDirection(feedList->GetNode(), YGFlexDirectionColumn);
    YGNodeStyleSetJustifyContent(feedList->GetNode(), YGJustifyFlexEnd);
    SetOffsetPoints(*feedList, YGEdgeLeft, HudLayout::Margin);
    SetOffsetPoints(*feedList, YGEdgeBottom, HudLayout::Margin);

    indicator = &AddElementPoints(root, 30, 15, 0);
    SetImage(*indicator, atlas, Images::Indicator, Lumvek::InvalidId);
    indicator->visible = 0;
    const PlayerSlot* slot = FindSlot();
    const uint32_t interact =
        slot && slot->profile ? slot->profile->controller[PlayerAction::Interact] : Lumvek::InvalidId;
    Element& prompt = AddElementPoints(*indicator, 30, 30, 0);
    SetImage(prompt, atlas, ButtonImage(interact), Lumvek::InvalidId);
    SetOffsetPoints(prompt, YGEdgeBottom, 20.0f);

    if (layout.scale < 1.0f)
        for (const auto& child : root.GetChildren())
            ScalePoints(*child, layout.scale);
    Update(0.0f);
}

void GameScreen::Rebuild()
{
    GetRoot().RemoveChildren();
    abilityDials = {};
    shownWeapon = Lumvek::InvalidId;
    Setup();
}

void GameScreen::Update(float seconds)
{
    (void)seconds;
    const Lumvek::Rectangle area = GetScreenGui().ResolvePlacement(placement);
    if (area.width != builtSize.x || area.height != builtSize.y)
    {
        Rebuild();
        return;
    }
    Player* player = FindPlayer();
    if (!player)
        return;
    // In the design's points, as the bar around it was built, then at the view's scale.
    const uint32_t health = HealthWidth(player->health, player->GetEffective(&Attributes::maximumHealth));
    healthFill->SetWidth({ElementLength::Points, static_cast<float>(health) * layout.scale});
    UpdateWeapons(*player);
    UpdateScores(*player);

    const GameType* rules = frontEnd.game ? frontEnd.game->GetGameType() : nullptr;
    statusText->text.clear();
    eventText->text.clear();
    if (rules && owner < GameType::ScreenCount)
    {
        const GameTypeEvent& status = rules->GetStatus(owner);
        if (status.ticks > 0)
            statusText->text = status.text;
        const std::vector<GameTypeEvent>& events = rules->GetEvents(owner);
        if (!events.empty())
            eventText->text = events.front().text;
    }
    UpdateFeed();

    for (uint32_t place = 0; place < DialOrder; ++place)
    {
        Element* dial = abilityDials[place];
        const Part* part = PartAt(*player, place);
        if (!dial || !part || dial->GetChildren().size() < 2)
            continue;
        SetDrawnShare(*dial->GetChildren()[0], static_cast<float>(part->energy) / Part::MaximumEnergy);
        auto* image = dynamic_cast<Lumvek::ImageContent*>(dial->GetChildren()[1]->content.get());
        SetRegion(image, player->abilityPart == part ? part->data->icon : part->data->sketch);
    }
    UpdateIndicator(*player);
}

void GameScreen::UpdateWeapons(Player& player)
{
    const Weapon* primary = player.weapon.get();
    const WeaponState state = player.weaponState;
    if (state == WeaponState::Aiming || state == WeaponState::Reloading || state == WeaponState::FinishingReload)
    {
        const uint32_t id = primary && primary->data ? primary->data->index : Lumvek::InvalidId;
        if (id != shownWeapon)
        {
            shownWeapon = id;
            BuildAmmoPips(*ammoRow, primary);
            if (layout.scale < 1.0f)
                for (const auto& pip : ammoRow->GetChildren())
                    ScalePoints(*pip, layout.scale);
            pips = PipLayout::Of(primary && primary->data ? primary->data->clipSize : 0);
        }
        FillAmmoPips(*ammoRow, pips, primary ? primary->clip : 0);
        ammoRow->visible = 1;
        weaponName->visible = 1;
        weaponNameText->text = primary && primary->data ? primary->data->displayName : std::string();
    }
    else
    {
        ammoRow->visible = 0;
        weaponName->visible = 0;
    }
    const Weapon* secondary = player.stowedWeapon.get();
    primaryCircle->visible = primary ? 1 : 0;
    secondaryCircle->visible = secondary ? 1 : 0;
    SetRegion(primaryIcon, primary && primary->data ? primary->data->icon : Lumvek::InvalidId);
    SetRegion(secondaryIcon, secondary && secondary->data ? secondary->data->sketch : Lumvek::InvalidId);
}

void GameScreen::UpdateScores(const Player& player)
{
    const GameType* rules = frontEnd.game ? frontEnd.game->GetGameType() : nullptr;
    if (!rules)
        return;
    const std::vector<ScoreEntry>& scores = rules->GetTeamScores();
    int32_t leader = -1;
    if (scores.size() == 1 || (scores.size() > 1 && scores[0].score != scores[1].score))
        leader = scores[0].index;
    const bool freeForAll = frontEnd.configuration.teamCount <= 1;
    for (uint32_t i = 0; i < dialCount && i < scoreRow->GetChildren().size(); ++i)
    {
        // Free for all: the one dial shows the owner's own entry.
        const uint8_t index = freeForAll ? player.index : dialTeams[i];
        const auto entry =
            std::find_if(scores.begin(), scores.end(), [index](const ScoreEntry& e) { return e.index == index; });
        const int32_t score = entry != scores.end() ? entry->score : 0;
        Element& dial = *scoreRow->GetChildren()[i];
        const auto& parts = dial.GetChildren();
        if (parts.size() < 3)
            continue;
        SetDrawnShare(*parts[0], rules->GetProgress(score));
        if (auto* text = dynamic_cast<Lumvek::TextContent*>(parts[1]->content.get()))
            text->text = std::to_string(score);
        parts[2]->visible = leader == index ? 1 : 0;
    }
}

void GameScreen::UpdateFeed()
{
    const GameType* rules = frontEnd.game ? frontEnd.game->GetGameType() : nullptr;
    const std::vector<GameTypeEvent> none;
    const std::vector<GameTypeEvent>& feed = rules ? rules->GetFeed() : none;
    // The newest lines that fit the list's height.
    const size_t shown = std::min<size_t>(feed.size(), layout.feedLines);
    const size_t first = feed.size() - shown;
    // The lines are kept from frame to frame and rewritten, rather than built anew each frame.
    // Elements are not removed one by one: a shorter feed rebuilds the list at its new length.
    if (feedList->GetChildren().size() > shown)
        feedList->RemoveChildren();
    while (feedList->GetChildren().size() < shown)
    {
        Element& line = AddElementPoints(*feedList, 0, static_cast<uint32_t>(HudLayout::FeedLineHeight), 0);
        line.SetWidth({ElementLength::Points, layout.feedWidth});
        DrawInText& text =
            AddDrawInText(line, 100.0f, 1.0f, "", GraphicsResources::ScriptFont, InkColor, TextAlignment::Start);
        text.shrinkToFit = 1;
        BackText(text);
        if (layout.scale < 1.0f)
            ScalePoints(line, layout.scale);
    }
    for (size_t i = 0; i < shown; ++i)
    {
        auto* text = dynamic_cast<DrawInText*>(feedList->GetChildren()[i]->content.get());
        if (!text)
            continue;
        const GameTypeEvent& entry = feed[first + i];
        if (text->text != entry.text)
            text->text = entry.text;
        text->clock.speed = 1.0f;
        text->clock.elapsed = FeedShare(entry.ticks) * text->clock.duration;
    }
}

void GameScreen::UpdateIndicator(Player& player)
{
    World* world = frontEnd.game ? frontEnd.game->world : nullptr;
    bool found = false;
    Lumvek::Vector2 target;
    if (world)
    {
        if (player.pickupId != Player::NoPickup)
            if (Pickup* pickup = world->pickups.Find(player.pickupId))
            {
                target = pickup->GetBody().GetCenter();
                found = true;
            }
        if (!found && player.interactionId != Player::NoInteraction &&
            player.interactionId < world->interactions.Count())
        {
            target = world->interactions[player.interactionId].GetBody().GetCenter();
            found = true;
        }
    }
    if (!found)
    {
        indicator->visible = 0;
        return;
    }
    // The screen covers its player's camera view, so the view's pixels are the screen's.
    const Lumvek::Rectangle area = GetScreenGui().ResolvePlacement(placement);
    const Camera& camera = player.camera;
    const float viewWidth = camera.viewSize.x;
    const float viewHeight = camera.viewSize.y;
    if (!(viewWidth > 0.0f) || !(viewHeight > 0.0f))
    {
        indicator->visible = 0;
        return;
    }
    const Lumvek::Vector2 place = IndicatorPlace(target, camera.position, camera.viewSize, {area.width, area.height});
    indicator->visible = 1;
    SetOffsetPoints(*indicator, YGEdgeLeft, place.x);
    SetOffsetPoints(*indicator, YGEdgeTop, place.y);
}

void GameScreen::OnStart(uint32_t player)
{
    if (player != owner)
        return;
    Lumvek::Gui& gui = GetScreenGui();
    Screen::CloseAll(gui);
    if (frontEnd.setPaused)
        frontEnd.setPaused(true);
    PauseMenu::Open(gui, frontEnd, player);
}
