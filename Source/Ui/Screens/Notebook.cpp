#include "Source/Ui/Screens/Notebook.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Runtime/Gui/ImageContent.h"
#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/PartData.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Kit/CircleButtons.h"
#include "Source/Ui/Kit/HudWidgets.h"
#include "Source/Ui/Kit/PlayerPreview.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/Kit/SketchScroller.h"
#include "Source/Ui/Screens/Lobby.h"
#include "Source/Ui/Screens/Menus.h"
#include "Source/Ui/UiResources.h"

#include <algorithm>
#include <cmath>
#include <memory>

using Lumvek::Element;
using Lumvek::ElementLength;

namespace
{

constexpr float UnfocusedCircle = 74.07407f;
// The padding of a notebook card's frame, in pixels, which its sketched line is drawn within.
constexpr float CardPadding = 3.0f;
constexpr const char* TabLabels[PartKindCount] = {"HEAD", "CORE", "ARMS", "LEGS"};
constexpr float TabOffsets[PartKindCount] = {12.0f, 21.0f, 30.0f, 39.0f};
constexpr const char* NameLabels[PartKindCount] = {"HEAD:", "CORE:", "ARMS:", "LEGS:"};
constexpr const char* NameValues[PartKindCount] = {"HeadText", "CoreText", "ArmsText", "LegsText"};
constexpr float NameOffsets[PartKindCount] = {61.0f, 70.75f, 80.5f, 90.25f};

void AddPaper(Element& root)
{
    Element& background = AddElement(root, 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;
}

Lumvek::NineSliceContent& AddNineSlice(Element& element, uint32_t region, Lumvek::UnitRectangle::Measure border,
                                       uint32_t tint)
{
    auto slices = std::make_unique<Lumvek::NineSliceContent>();
    slices->texture = GraphicsResources::UiAtlas;
    slices->region = region;
    slices->borderSize = border;
    slices->color = UnpackColor(tint);
    Lumvek::NineSliceContent& added = *slices;
    element.content = std::move(slices);
    return added;
}

void SetText(Element* element, const std::string& text)
{
    if (element)
        if (auto* content = dynamic_cast<Lumvek::TextContent*>(element->content.get()))
            content->text = text;
}

void SetVisible(Element* element, bool visible)
{
    if (element)
        element->visible = visible ? 1 : 0;
}

// The ink glyph with the profile's ink beside it, registered "Ink" and "InkAmount".
void AddInk(Lumvek::Menu& menu, Element& root, uint32_t ink)
{
    Element& glyph = AddElement(root, 2.5f, 6.0f, 0);
    SetImage(glyph, GraphicsResources::UiAtlas, Images::Ink, Images::PendingIcon);
    SetOffset(glyph, YGEdgeLeft, 2.5f);
    SetOffset(glyph, YGEdgeBottom, 2.5f);
    menu.SetElementName(glyph, "Ink");
    Element& amount = AddElement(glyph, 0.0f, 40.0f, 0);
    AddText(amount, 100.0f, std::to_string(ink), GraphicsResources::HeadingFont, InkColor, TextAlignment::Start);
    SetOffset(amount, YGEdgeLeft, 125.0f);
    SetOffset(amount, YGEdgeTop, 0.0f);
    menu.SetElementName(amount, "InkAmount");
}

Element& AddStoreHint(Lumvek::Menu& menu, Element& root)
{
    Element& store = AddButtonHint(root, Images::StartButton, "STORE", 6.0f, 40.0f, 2.5f);
    SetOffset(store, YGEdgeLeft, 5.5f);
    menu.SetElementName(store, "Store");
    return store;
}

// The element spans its parent's width less the inset on either side, as a name inside a frame's padding.
void InsetSides(Element& element, float points)
{
    element.SetWidth({});
    SetOffsetPoints(element, YGEdgeLeft, points);
    SetOffsetPoints(element, YGEdgeRight, points);
}

Element& AddStar(Element& parent, float width, float height)
{
    Element& star = AddElement(parent, width, height, 0);
    SetImage(star, GraphicsResources::UiAtlas, Images::Star, Images::PendingIcon);
    return star;
}

// The title and header of a notebook page.
void AddHeadings(Lumvek::Menu& menu, Element& root, const std::string& header)
{
    Element& title = AddElement(root, 100.0f, 3.0f, 0);
    AddText(title, 100.0f, "-NOTEBOOK-", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    SetOffset(title, YGEdgeTop, 7.5f);
    // The preview panel on the right reaches up to the header's line from 67.5 % across: a long name
    // shrinks to fit the middle of the page, clear of it.
    Element& heading = AddElement(root, 32.0f, 6.0f, 0);
    AddText(heading, 100.0f, header, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre).shrinkToFit = 1;
    SetOffset(heading, YGEdgeLeft, 34.0f);
    SetOffset(heading, YGEdgeTop, 15.0f);
    menu.SetElementName(heading, "Header");
}

// A loadout on the strip: inked while the strip rests on it, sketched otherwise.
class LoadoutScrollItem final : public CircleIconScrollItem
{
public:
    using CircleIconScrollItem::CircleIconScrollItem;

    void Focus() override { Show(true); }
    void Blur() override { Show(false); }

private:
    void Show(bool selected)
    {
        if (auto* circle = dynamic_cast<Lumvek::ImageContent*>(element.content.get()))
        {
            circle->region = selected ? Images::CircleSelection : Images::CircleSketch;
            circle->fallbackRegion = selected ? Images::PendingIcon : Images::PendingSketch;
        }
        const auto& children = element.GetChildren();
        if (children.size() < 3)
            return;
        if (auto* image = dynamic_cast<Lumvek::ImageContent*>(children[0]->content.get()))
        {
            image->region = selected ? icon : sketch;
            image->fallbackRegion = selected ? Images::PendingIcon : Images::PendingSketch;
        }
        if (auto* text = dynamic_cast<Lumvek::TextContent*>(children[1]->content.get()))
            text->font = selected ? GraphicsResources::HeadingFont : GraphicsResources::ScriptFont;
        children[2]->visible = selected ? 1 : 0;
    }
};

// A loadout on the strip: the circle, its icon, its name and an empty description, the look of the
// circle scroll items.
Element& AddLoadoutItem(Element& scroller, bool selected, const std::string& label)
{
    const uint32_t atlas = GraphicsResources::UiAtlas;
    const float size = selected ? 100.0f : UnfocusedCircle;
    Element& item = AddElement(scroller, size, size, 0);
    SetImage(item, atlas, selected ? Images::CircleSelection : Images::CircleSketch,
             selected ? Images::PendingIcon : Images::PendingSketch)
        .color = UnpackColor(InkColor);
    auto attached = std::make_unique<LoadoutScrollItem>(item);
    LoadoutScrollItem& actions = *attached;
    item.actions = std::move(attached);
    actions.label = label;
    actions.icon = Images::LoadoutIcon;
    actions.sketch = Images::LoadoutIconSketch;

    Element& icon = AddElement(item, 100.0f, 75.0f, 0);
    SetImage(icon, atlas, selected ? Images::LoadoutIcon : Images::LoadoutIconSketch,
             selected ? Images::PendingIcon : Images::PendingSketch);
    SetOffset(icon, YGEdgeTop, 12.5f);
    Element& name = AddElement(item, 100.0f, 10.0f, 0);
    AddText(name, 100.0f, label, selected ? GraphicsResources::HeadingFont : GraphicsResources::ScriptFont, InkColor,
            TextAlignment::Centre);
    SetOffset(name, YGEdgeTop, 115.0f);
    Element& description = AddMultilineText(item, 150.0f, 12.5f, 50.0f, "", GraphicsResources::ScriptFont, InkColor);
    AlignCentre(description);
    SetOffset(description, YGEdgeTop, 135.0f);
    description.visible = selected ? 1 : 0;
    return item;
}

} // namespace

uint32_t PartKindColor(uint32_t kind)
{
    constexpr uint32_t colors[PartKindCount] = {0xFF73C786, 0xFF64F4FF, 0xFFB97301, 0xFF1B14BE};
    return kind < PartKindCount ? colors[kind] : 0xFFE8E7E6;
}

uint32_t& LoadoutPart(ProfileLoadout& loadout, uint32_t kind)
{
    switch (kind)
    {
    case 0:
        return loadout.head;
    case 1:
        return loadout.core;
    case 2:
        return loadout.arms;
    default:
        return loadout.legs;
    }
}

uint32_t LoadoutPart(const ProfileLoadout& loadout, uint32_t kind)
{
    return kind < PartKindCount ? LoadoutPart(const_cast<ProfileLoadout&>(loadout), kind) : Loadout::None;
}

uint32_t PartCount(const DataRegistry* registry, uint32_t kind)
{
    if (!registry)
        return 0;
    switch (kind)
    {
    case 0:
        return registry->heads.Count();
    case 1:
        return registry->cores.Count();
    case 2:
        return registry->arms.Count();
    case 3:
        return registry->legs.Count();
    default:
        return 0;
    }
}

const PartData* FindPart(const DataRegistry* registry, uint32_t kind, uint32_t id)
{
    if (!registry)
        return nullptr;
    switch (kind)
    {
    case 0:
        return registry->heads.Get(id);
    case 1:
        return registry->cores.Get(id);
    case 2:
        return registry->arms.Get(id);
    case 3:
        return registry->legs.Get(id);
    default:
        return nullptr;
    }
}

std::string PartDisplayName(const DataRegistry* registry, uint32_t kind, uint32_t id)
{
    const PartData* part = FindPart(registry, kind, id);
    return part ? part->displayName : "?";
}

UnlockedSet& UnlockedParts(Profile& profile, uint32_t kind)
{
    switch (kind)
    {
    case 0:
        return profile.heads;
    case 1:
        return profile.cores;
    case 2:
        return profile.arms;
    default:
        return profile.legs;
    }
}

NotebookOwner FindNotebookOwner(FrontEnd& frontEnd, uint32_t owner)
{
    for (PlayerSlot& slot : frontEnd.configuration.players)
        if (slot.localIndex == owner)
            return {&slot, slot.profile};
    return {};
}

bool SaveNotebookProfile(FrontEnd& frontEnd, const Profile& profile)
{
    if (!frontEnd.registry)
    {
        Lumvek::Log::Write("profile {} is not saved: the definitions are not loaded", profile.name);
        return false;
    }
    return profile.Save(frontEnd.applicationRoot, *frontEnd.registry);
}

bool EquipPart(FrontEnd& frontEnd, const NotebookOwner& target, uint32_t loadout, uint32_t kind, uint32_t part)
{
    if (!target.profile || loadout >= Profile::LoadoutCount || kind >= PartKindCount)
        return false;
    Profile& profile = *target.profile;
    ProfileLoadout& edited = profile.loadouts[loadout];
    LoadoutPart(edited, kind) = part;
    // The slot wears the active loadout only; another one changes on paper until it is made active.
    if (profile.activeLoadout == loadout && target.slot)
        ApplySlotLoadout(frontEnd, *target.slot, edited);
    SaveNotebookProfile(frontEnd, profile);
    return true;
}

void ApplySlotLoadout(FrontEnd& frontEnd, PlayerSlot& slot, const ProfileLoadout& loadout)
{
    slot.loadout.head = loadout.head;
    slot.loadout.core = loadout.core;
    slot.loadout.arms = loadout.arms;
    slot.loadout.legs = loadout.legs;
    const NetworkStatus status = frontEnd.GetNetworkStatus();
    if (status.running && status.client && frontEnd.sendLoadout)
        frontEnd.sendLoadout(slot.id, loadout);
}

MatchLeave CheckMatchLeave(GameOrigin origin, const NetworkStatus& status)
{
    if (!status.running)
        return MatchLeave::Stay;
    // Past the vote and the load: a local game has loaded its match, an online one has begun it.
    const bool loaded = !IsBetweenMatches(status.state) && !IsLoading(status.state);
    if ((origin == GameOrigin::Challenges || origin == GameOrigin::CustomGame) && loaded)
        return MatchLeave::ToLoading;
    if (origin == GameOrigin::Matchmaking && loaded && status.state != NetworkState::Loaded)
        return MatchLeave::Close;
    return MatchLeave::Stay;
}

void AddNetworkTimer(Lumvek::Menu& menu, Element& root)
{
    (void)menu;
    AddTimerDial(root, true);
}

void UpdateNetworkTimer(Lumvek::Menu& menu, const NetworkStatus& status)
{
    Element* timer = menu.GetElement("Timer");
    if (!timer)
        return;
    timer->visible = status.state != NetworkState::Waiting ? 1 : 0;
    UpdateTimerDial(*timer, status.elapsed, status.duration);
}

namespace
{

// A screen open between matches follows the role: its timer, and the hand-over to loading or the
// close the role's state asks for. Marks the screen left when it goes.
void FollowRole(Screen& screen, FrontEnd& frontEnd, bool& left)
{
    const NetworkStatus status = frontEnd.GetNetworkStatus();
    UpdateNetworkTimer(screen, status);
    switch (CheckMatchLeave(frontEnd.configuration.origin, status))
    {
    case MatchLeave::ToLoading:
    {
        left = true;
        Lumvek::Gui& gui = screen.GetScreenGui();
        LoadingScreen::Open(gui, frontEnd, screen.CloseForward());
        break;
    }
    case MatchLeave::Close:
        left = true;
        screen.CloseForward();
        break;
    case MatchLeave::Stay:
        break;
    }
}

} // namespace

// --- Loadouts -------------------------------------------------------------------------------------

LoadoutsScreen& LoadoutsScreen::Open(Lumvek::Gui& gui, FrontEnd& frontEnd,
                                     std::unique_ptr<Lumvek::Transition> transition, uint32_t owner, uint32_t selection)
{
    LoadoutsScreen& screen = Screen::Open<LoadoutsScreen>(gui, std::move(transition), owner, frontEnd);
    screen.selection = selection;
    return screen;
}

void LoadoutsScreen::Setup()
{
    inMatch = frontEnd.GetNetworkStatus().running;
    target = FindNotebookOwner(frontEnd, owner);
    if (selection >= Profile::LoadoutCount)
        selection = 0;

    Element& root = GetRoot();
    AddPaper(root);
    AddSmallLogo(root);
    Element& scroller = AddScrollerPage(root, ScrollerPage::Narrow, "-NOTEBOOK-", "SELECT LOADOUT");
    if (target.profile)
    {
        Profile& profile = *target.profile;
        for (uint32_t i = 0; i < Profile::LoadoutCount; ++i)
        {
            Element& item = AddLoadoutItem(scroller, i == selection, profile.loadouts[i].name);
            Element& star = AddStar(item, 25.0f, 25.0f);
            SetOffset(star, YGEdgeRight, 0.0f);
            SetOffset(star, YGEdgeTop, -5.0f);
            star.visible = i == profile.activeLoadout ? 1 : 0;
            stars[i] = &star;
        }
    }
    else
        Lumvek::Log::Write("controller {} has no profile: the notebook has no loadouts to show", owner);
    if (SketchScroller* strip = FindScroller(*this))
        strip->selected = strip->previous = selection;
    FocusElement(scroller);
    AddScrollerArrows(root, 39.5f);

    AddButtonHint(root, Images::AButton, "SELECT", 7.5f, 35.0f, 11.5f);
    AddButtonHint(root, Images::XButton, "MAKE ACTIVE", 12.0f, 25.0f, 6.5f);
    if (!inMatch)
    {
        AddInk(*this, root, target.profile ? target.profile->ink : 0);
        AddStoreHint(*this, root);
    }
    else
        AddNetworkTimer(*this, root);
    Update(0.0f);
}

uint32_t LoadoutsScreen::Selected() const
{
    const Element* scroller = GetElement("Scroller");
    const auto* strip = scroller ? dynamic_cast<const SketchScroller*>(scroller->actions.get()) : nullptr;
    return strip ? strip->selected : selection;
}

void LoadoutsScreen::Update(float seconds)
{
    UpdateSelectorArrows(*this);
    if (inMatch && !left)
        FollowRole(*this, frontEnd, left);
    Screen::Update(seconds);
}

void LoadoutsScreen::OnSelect(uint32_t player)
{
    (void)player;
    if (left || !target.profile)
        return;
    left = true;
    const uint32_t chosen = Selected();
    Lumvek::Gui& gui = GetScreenGui();
    Notebook::Open(gui, frontEnd, CloseForward(), owner, chosen);
}

void LoadoutsScreen::OnAction(uint32_t player)
{
    (void)player;
    if (left || !target.profile || !target.slot)
        return;
    Profile& profile = *target.profile;
    const uint32_t chosen = Selected();
    if (chosen >= Profile::LoadoutCount)
        return;
    if (profile.activeLoadout < Profile::LoadoutCount)
        SetVisible(stars[profile.activeLoadout], false);
    SetVisible(stars[chosen], true);
    profile.activeLoadout = chosen;
    ApplySlotLoadout(frontEnd, *target.slot, profile.loadouts[chosen]);
    SaveNotebookProfile(frontEnd, profile);
}

void LoadoutsScreen::OnBack(uint32_t player)
{
    (void)player;
    if (left)
        return;
    left = true;
    Lumvek::Gui& gui = GetScreenGui();
    if (inMatch)
    {
        GameLobby::Open(gui, frontEnd, CloseBack(), EveryPlayer);
    }
    else
        MainMenu::Open(gui, frontEnd, CloseBack(), owner, 0);
}

// --- Notebook -------------------------------------------------------------------------------------

namespace
{

// A name is written in ink on paper; on a part kind's colour (a card's band, the chosen tab), in ink or
// white, whichever stands out more from that colour. White letters (on the red and blue, where ink
// hardly shows) are outlined in ink, to read also where padding leaves the white paper behind them.
void WriteCardName(Lumvek::TextContent& name, bool onBand, uint32_t band)
{
    const Lumvek::Color ink = UnpackColor(InkColor);
    const Lumvek::Color behind = UnpackColor(band);
    const bool white = onBand && Lumvek::TextContent::Contrast(Lumvek::Color::White, behind) >
                                     Lumvek::TextContent::Contrast(ink, behind);
    name.fillColor = white ? Lumvek::Color::White : ink;
    name.strokeColor = ink;
    name.outerStrokeRadius = white ? 0.3f : 0.0f;
}

} // namespace

void Notebook::Tab::Focus()
{
    element.SetWidth({ElementLength::Percent, 100.0f});
    element.SetHeight({ElementLength::Percent, 100.0f});
    SetOffset(element, YGEdgeTop, 0.0f);
    element.fill = UnpackColor(color);
    if (auto* slices = dynamic_cast<Lumvek::NineSliceContent*>(element.content.get()))
        slices->region = Images::Outline;
    if (!element.GetChildren().empty())
        if (auto* label = dynamic_cast<Lumvek::TextContent*>(element.GetChildren()[0]->content.get()))
        {
            label->font = GraphicsResources::HeadingFont;
            WriteCardName(*label, true, color);
        }
}

void Notebook::Tab::Blur()
{
    element.SetWidth({ElementLength::Percent, 75.0f});
    element.SetHeight({ElementLength::Percent, 75.0f});
    SetOffset(element, YGEdgeTop, 12.5f);
    element.fill = Lumvek::Color::Transparent;
    if (auto* slices = dynamic_cast<Lumvek::NineSliceContent*>(element.content.get()))
        slices->region = Images::SketchOutline;
    if (!element.GetChildren().empty())
        if (auto* label = dynamic_cast<Lumvek::TextContent*>(element.GetChildren()[0]->content.get()))
        {
            label->font = GraphicsResources::ScriptFont;
            WriteCardName(*label, false, color);
        }
}

namespace
{

// The children of a card, in the order AddCard makes them.
enum CardChild : size_t
{
    CardFrame = 0,
    CardBand = 1,
    CardTitle = 2,
    CardOutline = 3,
    CardStar = 4,
    CardPicture = 5,
    CardChildCount = 6,
};

void SetSliceRegion(Element& element, uint32_t region)
{
    if (auto* slices = dynamic_cast<Lumvek::NineSliceContent*>(element.content.get()))
        slices->region = region;
}

// Shows or hides a card's band, with its name written to read over what is then behind it.
void ShowCardBand(Element& card, bool onBand, uint32_t band)
{
    const auto& children = card.GetChildren();
    children[CardBand]->visible = onBand ? 1 : 0;
    if (auto* title = dynamic_cast<Lumvek::TextContent*>(children[CardTitle]->content.get()))
        WriteCardName(*title, onBand, band);
}

} // namespace

void Notebook::Card::Focus()
{
    const auto& children = element.GetChildren();
    if (children.size() < CardChildCount)
        return;
    SetSliceRegion(*children[CardFrame], Images::Outline);
    SetSliceRegion(*children[CardBand], Images::Outline);
    ShowCardBand(element, true, PartKindColor(notebook.tab));
    // The name keeps the script font: the heading font's broad letters do not fit a long name into a
    // card this narrow without running into each other. The outline and the icon mark the focus.
    children[CardOutline]->visible = 1;
    if (auto* picture = dynamic_cast<Lumvek::ImageContent*>(children[CardPicture]->content.get()))
    {
        picture->region = part.icon;
        picture->fallbackRegion = Images::PendingIcon;
    }
    SetVisible(notebook.GetElement("Equip"), owned);
    SetVisible(notebook.GetElement("View"), known);
}

void Notebook::Card::Blur()
{
    const auto& children = element.GetChildren();
    if (children.size() < CardChildCount)
        return;
    SetSliceRegion(*children[CardFrame], Images::SketchOutline);
    SetSliceRegion(*children[CardBand], Images::SketchOutline);
    ShowCardBand(element, !owned, PartKindColor(notebook.tab));
    children[CardOutline]->visible = 0;
    if (auto* picture = dynamic_cast<Lumvek::ImageContent*>(children[CardPicture]->content.get()))
    {
        picture->region = part.sketch;
        picture->fallbackRegion = Images::PendingSketch;
    }
}

Notebook& Notebook::Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                         uint32_t owner, uint32_t loadout)
{
    Notebook& notebook = Screen::Open<Notebook>(gui, std::move(transition), owner, frontEnd);
    notebook.loadout = loadout < Profile::LoadoutCount ? loadout : 0;
    return notebook;
}

ProfileLoadout* Notebook::EditedLoadout() const
{
    return target.profile && loadout < Profile::LoadoutCount ? &target.profile->loadouts[loadout] : nullptr;
}

Element* Notebook::FindCard(uint32_t number) const
{
    const Element* container = GetElement("CardContainer");
    const uint32_t first = Columns * firstRow;
    if (!container || number < first || number - first >= container->GetChildren().size())
        return nullptr;
    return container->GetChildren()[number - first].get();
}

void Notebook::Setup()
{
    inMatch = frontEnd.GetNetworkStatus().running;
    target = FindNotebookOwner(frontEnd, owner);
    if (!target.profile)
        Lumvek::Log::Write("controller {} has no profile: the notebook shows no cards", owner);
    const ProfileLoadout* edited = EditedLoadout();

    Element& root = GetRoot();
    AddPaper(root);
    AddHeadings(*this, root, edited ? edited->name : "");

    Element& tabs = AddElement(root, 100.0f, 100.0f, 0);
    SetElementName(tabs, "TabContainer");
    Element& leftBumper = AddElement(root, 5.0f, 3.2f, 0);
    SetImage(leftBumper, GraphicsResources::UiAtlas, Images::LeftBumper, Images::PendingIcon);
    SetOffset(leftBumper, YGEdgeLeft, 7.5f);
    SetOffset(leftBumper, YGEdgeTop, 25.9f);
    Element& rightBumper = AddElement(root, 5.0f, 3.2f, 0);
    SetImage(rightBumper, GraphicsResources::UiAtlas, Images::RightBumper, Images::PendingIcon);
    SetOffset(rightBumper, YGEdgeLeft, 47.5f);
    SetOffset(rightBumper, YGEdgeTop, 25.9f);

    Element& cards = AddElement(root, 50.0f, 50.0f, 0);
    cards.flow = 1;
    YGNodeStyleSetFlexDirection(cards.GetNode(), YGFlexDirectionRow);
    YGNodeStyleSetFlexWrap(cards.GetNode(), YGWrapWrap);
    SetOffset(cards, YGEdgeLeft, 5.0f);
    SetOffset(cards, YGEdgeTop, 35.0f);
    SetElementName(cards, "CardContainer");

    for (uint32_t t = 0; t < PartKindCount; ++t)
    {
        Element& holder = AddElement(tabs, 9.0f, 5.0f, 0);
        SetOffset(holder, YGEdgeLeft, TabOffsets[t]);
        SetOffset(holder, YGEdgeTop, 25.0f);
        Element& face = AddElement(holder, 75.0f, 75.0f, 0);
        AddNineSlice(face, Images::SketchOutline, {Lumvek::UnitRectangle::Pixels, 4.0f}, InkColor);
        AlignCentre(face);
        SetOffset(face, YGEdgeTop, 12.5f);
        face.SetPadding({ElementLength::Points, 3.0f});
        face.actions = std::make_unique<Tab>(face, PartKindColor(t));
        Element& label = AddElement(face, 100.0f, 60.0f, 0);
        AddText(label, 100.0f, TabLabels[t], GraphicsResources::ScriptFont, InkColor, TextAlignment::Centre);
        SetOffset(label, YGEdgeTop, 20.0f);
        tabFaces[t] = &face;
    }

    if (!inMatch)
    {
        AddInk(*this, root, target.profile ? target.profile->ink : 0);
        AddStoreHint(*this, root);
    }
    else
        AddNetworkTimer(*this, root);
    Element& equip = AddButtonHint(root, Images::AButton, "EQUIP", 7.5f, 40.0f, 11.5f);
    SetElementName(equip, "Equip");
    equip.visible = 0;
    Element& view = AddButtonHint(root, Images::XButton, "VIEW CARD", 10.0f, 27.5f, 6.5f);
    SetElementName(view, "View");
    view.visible = 0;

    Element& divider = AddElement(root, 0.0f, 50.0f, 0);
    divider.SetWidth({ElementLength::Points, 9.0f});
    SetOffset(divider, YGEdgeLeft, 60.0f);
    SetOffset(divider, YGEdgeTop, 30.0f);
    AddNineSlice(divider, Images::VerticalDivider, {Lumvek::UnitRectangle::Pixels, 9.0f}, InkColor).borderMode =
        Lumvek::NineSliceContent::Top;

    Element& panel = AddElement(root, 25.0f, 60.0f, 0);
    SetOffset(panel, YGEdgeRight, 7.5f);
    SetOffset(panel, YGEdgeBottom, 25.0f);
    panel.SetPadding({ElementLength::Points, 4.0f});
    panel.padding = Lumvek::Color::Black;
    SetElementName(panel, "Preview");
    AttachPreview(panel);

    for (uint32_t k = 0; k < PartKindCount; ++k)
    {
        Element& holder = AddElement(root, 8.75f, 3.0f, 0);
        SetOffset(holder, YGEdgeTop, 80.0f);
        SetOffset(holder, YGEdgeLeft, NameOffsets[k]);
        Element& label = AddElement(holder, 100.0f, 100.0f, 0);
        // The tab's colour names the kind; the yellow and green ones are pale on the cream paper and
        // read by their ink outline.
        OutlineText(AddText(label, 100.0f, NameLabels[k], GraphicsResources::HeadingFont, PartKindColor(k),
                            TextAlignment::Centre));
        Element& value = AddElement(holder, 100.0f, 75.0f, 0);
        const std::string name = edited ? PartDisplayName(frontEnd.registry, k, LoadoutPart(*edited, k)) : "";
        AddDrawInText(value, 100.0f, 1.0f, name, GraphicsResources::ScriptFont, InkColor, TextAlignment::Centre);
        SetOffset(value, YGEdgeTop, 125.0f);
        SetElementName(value, std::string(NameValues[k]));
    }

    ShowTab(tab);
}

void Notebook::BuildCards()
{
    Element* container = GetElement("CardContainer");
    if (!container)
        return;
    // Taking the cards out blurs the focused one; the selection is focused again by the caller.
    container->RemoveChildren();
    cardCount = PartCount(frontEnd.registry, tab);
    lastRow = cardCount == 0 ? 0 : (cardCount - 1) / Columns;
    lastRowColumn = cardCount == 0 ? 0 : (cardCount - 1) % Columns;
    const ProfileLoadout* edited = EditedLoadout();
    const uint32_t equipped = edited ? LoadoutPart(*edited, tab) : Loadout::None;
    const uint32_t color = PartKindColor(tab);
    const uint32_t first = Columns * firstRow;
    for (uint32_t n = first; n < cardCount && n < first + ShownCards; ++n)
    {
        const PartData* part = FindPart(frontEnd.registry, tab, n);
        if (!part)
            break;
        const bool* flag = target.profile ? UnlockedParts(*target.profile, tab).Find(part->name) : nullptr;
        const bool known = flag != nullptr;
        const bool owned = flag && *flag;

        Element& card = AddElement(*container, 10.0f, 24.0f, 0);
        YGNodeStyleSetPositionType(card.GetNode(), YGPositionTypeRelative);
        card.SetMargin(YGEdgeLeft, {ElementLength::Percent, 3.3333333f});
        card.SetMargin(YGEdgeRight, {ElementLength::Percent, 3.3333333f});
        card.actions = std::make_unique<Card>(*this, card, *part, known, owned);
        const uint32_t paper = owned ? 0xFFFFFFFF : known ? 0xFFE8E7E6 : 0xFF716E6D;

        Element& frame = AddElement(card, 100.0f, 100.0f, 0);
        AddNineSlice(frame, Images::SketchOutline, {Lumvek::UnitRectangle::Pixels, 4.0f}, InkColor);
        frame.SetPadding({ElementLength::Points, CardPadding});
        frame.fill = UnpackColor(paper);
        Element& band = AddElement(card, 100.0f, 20.0f, 0);
        AddNineSlice(band, Images::SketchOutline, {Lumvek::UnitRectangle::Pixels, 4.0f}, InkColor);
        band.SetPadding({ElementLength::Points, 3.0f});
        SetOffset(band, YGEdgeBottom, 0.0f);
        band.fill = UnpackColor(color);
        band.visible = owned ? 0 : 1;
        // In a small window the name stops at the least text size: the band grows to hold it.
        YGNodeStyleSetMinHeight(band.GetNode(), ReadableTextSize + 2.0f * CardPadding);
        // A card is a twentieth of the screen wide: its name takes most of the band's height, with its
        // letters closer than the script font's own spacing, to be read at 1280 x 720; a long name is
        // written smaller to keep within the frame's padding, clear of its line, below the least text
        // size too where the window is small: a name past the card's sides reads as its neighbour's.
        // Focus leaves it as it is (Card::Focus).
        Element& title = AddElement(card, 100.0f, 18.0f, 0);
        Lumvek::TextContent& name = AddText(title, 100.0f, known ? part->displayName : "?",
                                            GraphicsResources::ScriptFont, InkColor, TextAlignment::Centre);
        name.shrinkToFit = 1;
        name.minimumSize = 0.0f;
        name.letterSpacing = -0.06f;
        WriteCardName(name, !owned, color);
        InsetSides(title, CardPadding);
        SetOffset(title, YGEdgeBottom, 3.0f);
        YGNodeStyleSetMinHeight(title.GetNode(), ReadableTextSize);
        Element& outline = AddElement(card, 125.0f, 118.51852f, 0);
        AddNineSlice(outline, Images::Outline, {Lumvek::UnitRectangle::Percent, 7.5f}, InkColor);
        AlignCentre(outline);
        SetOffset(outline, YGEdgeTop, -9.259259f);
        outline.visible = 0;
        Element& star = AddStar(card, 42.0f, 31.25f);
        SetOffset(star, YGEdgeRight, -18.9f);
        SetOffset(star, YGEdgeTop, -14.0625f);
        star.visible = n == equipped ? 1 : 0;
        Element& picture = AddElement(card, 100.0f, 50.0f, 0);
        SetImage(picture, GraphicsResources::UiAtlas, part->sketch, Images::PendingSketch);
        if (frontEnd.requestIcon)
        {
            // The card shows the sketch, and the icon while focused; both stream into the UI atlas.
            const std::string folder = "Assets/" + part->GetFolder().ToString() + "/" + part->name + "/";
            frontEnd.requestIcon(part->sketch, folder + "IconSketch.png");
            frontEnd.requestIcon(part->icon, folder + "IconImage.png");
        }
        AlignCentre(picture);
        SetOffset(picture, YGEdgeTop, 15.0f);
    }
}

void Notebook::ShowTab(uint32_t index)
{
    tab = index;
    firstRow = column = row = 0;
    BuildCards();
    if (tabFaces[tab])
        FocusElement(*tabFaces[tab]);
}

void Notebook::FocusCard()
{
    if (Element* card = FindCard(SelectedCard()))
        FocusElement(*card);
}

void Notebook::BlurCard()
{
    if (Element* card = FindCard(SelectedCard()))
        BlurElement(*card);
}

void Notebook::SetHintsVisible(bool visible)
{
    SetVisible(inMatch ? GetElement("Timer") : GetElement("Ink"), visible);
    if (!inMatch)
        SetVisible(GetElement("Store"), visible);
}

void Notebook::Activate()
{
    BuildCards();
    FocusCard();
    // A card view above may have equipped a part of this loadout.
    RefreshPreview();
    if (!inMatch)
    {
        SetHintsVisible(true);
        SetText(GetElement("InkAmount"), std::to_string(target.profile ? target.profile->ink : 0));
    }
}

void Notebook::Update(float seconds)
{
    if (const ProfileLoadout* edited = EditedLoadout())
        for (uint32_t k = 0; k < PartKindCount; ++k)
        {
            Element* value = GetElement(std::string(NameValues[k]));
            auto* text = value ? dynamic_cast<DrawInText*>(value->content.get()) : nullptr;
            if (!text)
                continue;
            const uint32_t id = LoadoutPart(*edited, k);
            if (id == shownPart[k])
            {
                text->clock.direction = 1;
                text->clock.speed = 1.0f;
            }
            else if (text->clock.elapsed >= 0.0001f)
            {
                text->clock.direction = -1;
                text->clock.speed = 2.0f;
            }
            else
            {
                shownPart[k] = id;
                text->text = PartDisplayName(frontEnd.registry, k, id);
                text->clock.direction = 1;
                text->clock.speed = 1.0f;
            }
        }
    if (inMatch && !left)
        FollowRole(*this, frontEnd, left);
    Screen::Update(seconds);
}

void Notebook::OnLeft(uint32_t player)
{
    (void)player;
    BlurCard();
    if (column > 0)
        --column;
    FocusCard();
}

void Notebook::OnRight(uint32_t player)
{
    (void)player;
    BlurCard();
    if (column < Columns - 1 && SelectedCard() + 1 < cardCount)
        ++column;
    FocusCard();
}

void Notebook::OnDown(uint32_t player)
{
    (void)player;
    if (firstRow + row >= lastRow)
        return;
    BlurCard();
    const bool shorter = firstRow + row + 1 == lastRow && column > lastRowColumn;
    if (shorter)
        column = lastRowColumn;
    if (row + 1 < ShownRows)
        ++row;
    else
    {
        // The grid moves up a row and the selection stays on the last shown one.
        ++firstRow;
        BuildCards();
    }
    FocusCard();
}

void Notebook::OnUp(uint32_t player)
{
    (void)player;
    BlurCard();
    if (row > 0)
        --row;
    else if (firstRow > 0)
    {
        --firstRow;
        BuildCards();
    }
    FocusCard();
}

void Notebook::SwitchTab(uint32_t to)
{
    BlurCard();
    if (tabFaces[tab])
        BlurElement(*tabFaces[tab]);
    ShowTab(to);
    FocusCard();
}

void Notebook::OnPreviousTab(uint32_t player)
{
    (void)player;
    if (tab > 0)
        SwitchTab(tab - 1);
}

void Notebook::OnNextTab(uint32_t player)
{
    (void)player;
    if (tab + 1 < PartKindCount)
        SwitchTab(tab + 1);
}

void Notebook::OnSelect(uint32_t player)
{
    (void)player;
    ProfileLoadout* edited = EditedLoadout();
    Element* card = FindCard(SelectedCard());
    const auto* actions = card ? dynamic_cast<const Card*>(card->actions.get()) : nullptr;
    if (left || !edited || !actions || !actions->owned)
        return;
    if (Element* old = FindCard(LoadoutPart(*edited, tab)))
        old->GetChildren()[CardStar]->visible = 0;
    EquipPart(frontEnd, target, loadout, tab, SelectedCard());
    card->GetChildren()[CardStar]->visible = 1;
    RefreshPreview();
}

void Notebook::OnAction(uint32_t player)
{
    (void)player;
    Element* card = FindCard(SelectedCard());
    const auto* actions = card ? dynamic_cast<const Card*>(card->actions.get()) : nullptr;
    if (left || !actions || !actions->known)
        return;
    SetHintsVisible(false);
    SetVisible(GetElement("Equip"), false);
    SetVisible(GetElement("View"), false);
    BlurCard();
    Screen::Open<CardView>(GetScreenGui(), nullptr, owner, frontEnd, actions->part, tab, loadout);
}

void Notebook::AttachPreview(Element& panel)
{
    auto content = std::make_unique<PlayerPreview>(frontEnd.registry, frontEnd.requestPreviewImage);
    preview = content.get();
    panel.content = std::move(content);
    RefreshPreview();
}

void Notebook::RefreshPreview()
{
    if (const ProfileLoadout* edited = EditedLoadout(); edited && preview)
        preview->SetLoadout(*edited);
}

void Notebook::OnBack(uint32_t player)
{
    (void)player;
    if (left)
        return;
    left = true;
    Lumvek::Gui& gui = GetScreenGui();
    LoadoutsScreen::Open(gui, frontEnd, CloseBack(), owner, loadout);
}

// --- Card view ------------------------------------------------------------------------------------

void CardView::Setup()
{
    online = frontEnd.GetNetworkStatus().running;
    target = FindNotebookOwner(frontEnd, owner);
    Profile* profile = target.profile;
    unlocked = profile && profile->IsUnlocked(part.name);
    craftable = profile && !unlocked && part.cost <= profile->ink;

    Element& root = GetRoot();
    AddElement(root, 100.0f, 100.0f, 0xC8E8E7E6);
    Element& card = AddElement(root, 18.75f, 48.0f, 0);
    SetElementName(card, "Card");
    AlignCentre(card);
    SetOffset(card, YGEdgeTop, 17.5f);

    constexpr float padding = 8.0f;
    const auto addSlices = [](Element& element, uint32_t inner)
    {
        AddNineSlice(element, Images::Outline, {Lumvek::UnitRectangle::Pixels, 9.0f}, InkColor);
        element.SetPadding({ElementLength::Points, padding});
        element.fill = UnpackColor(inner);
    };
    Element& paper = AddElement(card, 100.0f, 100.0f, 0);
    addSlices(paper, unlocked ? 0xFFFFFFFF : 0xFFE8E7E6);
    SetElementName(paper, "Paper");
    Element& band = AddElement(card, 100.0f, 20.0f, 0);
    addSlices(band, PartKindColor(kind));
    SetOffset(band, YGEdgeBottom, 0.0f);
    Element& name = AddElement(card, 100.0f, 8.0f, 0);
    // A long name in the broad heading font is written smaller, to keep clear of the band's line.
    Lumvek::TextContent& title =
        AddText(name, 100.0f, part.displayName, GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    title.shrinkToFit = 1;
    WriteCardName(title, true, PartKindColor(kind));
    InsetSides(name, padding);
    SetOffset(name, YGEdgeBottom, 6.0f);

    std::string description = part.description;
    if (!unlocked)
        description = online      ? "LOCKED"
                      : craftable ? "CREATE FOR " + std::to_string(part.cost) + " INK?"
                                  : "NOT ENOUGH INK TO CREATE";
    Element& text = AddMultilineText(card, 150.0f, 6.5f, 100.0f, description, GraphicsResources::ScriptFont, InkColor);
    SetElementName(text, "Description");
    AlignCentre(text);
    SetOffset(text, YGEdgeTop, 115.0f);

    star = &AddStar(card, 42.0f, 31.25f);
    SetOffset(*star, YGEdgeRight, -18.9f);
    SetOffset(*star, YGEdgeTop, -14.0625f);
    const bool equipped =
        profile && loadout < Profile::LoadoutCount && LoadoutPart(profile->loadouts[loadout], kind) == part.index;
    star->visible = equipped ? 1 : 0;

    if (!online)
    {
        Element& glyph = AddElement(root, 2.5f, 6.0f, 0);
        SetImage(glyph, GraphicsResources::UiAtlas, Images::Ink, Images::PendingIcon);
        SetOffset(glyph, YGEdgeLeft, 2.5f);
        SetOffset(glyph, YGEdgeBottom, 2.5f);
        Element& amount = AddElement(glyph, 0.0f, 40.0f, 0);
        AddText(amount, 100.0f, std::to_string(profile ? profile->ink : 0), GraphicsResources::HeadingFont, InkColor,
                TextAlignment::Start);
        SetOffset(amount, YGEdgeLeft, 125.0f);
        SetOffset(amount, YGEdgeBottom, 0.0f);
        SetElementName(amount, "Ink");
        Element& craft = AddButtonHint(root, Images::YButton, "CRAFT", 7.5f, 40.0f, 11.5f);
        SetElementName(craft, "Craft");
        craft.visible = craftable ? 1 : 0;
    }
    else
    {
        AddNetworkTimer(*this, root);
        UpdateNetworkTimer(*this, frontEnd.GetNetworkStatus());
    }
    Element& equip = AddButtonHint(root, Images::AButton, "EQUIP", 7.5f, 40.0f, 11.5f);
    SetElementName(equip, "Equip");
    equip.visible = unlocked ? 1 : 0;
    AddButtonHint(root, Images::BButton, "BACK", 7.5f, 45.0f, 6.5f);
}

void CardView::Update(float seconds)
{
    if (online && !left)
    {
        const NetworkStatus status = frontEnd.GetNetworkStatus();
        UpdateNetworkTimer(*this, status);
        if (CheckMatchLeave(frontEnd.configuration.origin, status) != MatchLeave::Stay)
        {
            left = true;
            CloseImmediately();
        }
    }
    Screen::Update(seconds);
}

void CardView::OnAlternate(uint32_t player)
{
    (void)player;
    Profile* profile = target.profile;
    if (left || !profile || !craftable || online || unlocked || part.cost > profile->ink || kind >= PartKindCount)
        return;
    UnlockedParts(*profile, kind).Set(part.name, true);
    profile->ink -= part.cost;
    unlocked = true;
    craftable = false;
    SetVisible(GetElement("Craft"), false);
    SetVisible(GetElement("Equip"), true);
    if (Element* paper = GetElement("Paper"))
        paper->fill = Lumvek::Color::White;
    if (Element* description = GetElement("Description"))
        if (auto* text = dynamic_cast<Lumvek::TextContent*>(description->content.get()))
            text->text = part.displayName;
    SetText(GetElement("Ink"), std::to_string(profile->ink));
    // The ink is spent: the part is kept whether or not it is equipped before the player leaves.
    SaveNotebookProfile(frontEnd, *profile);
}

void CardView::OnSelect(uint32_t player)
{
    (void)player;
    if (left || !unlocked)
        return;
    if (EquipPart(frontEnd, target, loadout, kind, part.index))
        SetVisible(star, true);
}

void CardView::OnBack(uint32_t player)
{
    (void)player;
    if (left)
        return;
    left = true;
    CloseImmediately();
}
