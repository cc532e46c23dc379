#pragma once

#include "Engine/Runtime/Gui/ElementActions.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Screen.h"
#include "Source/Ui/Screens/DemoScreens.h"

#include <array>
#include <cstdint>
#include <string>

class PartData;
class PlayerPreview;

// The four part kinds of a loadout, in the order the notebook's tabs show them.
enum class PartKind : uint32_t
{
    Head = 0,
    Core = 1,
    Arms = 2,
    Legs = 3,
};
inline constexpr uint32_t PartKindCount = 4;

// The tab colour of a kind; a light paper grey for anything else.
uint32_t PartKindColor(uint32_t kind);
// The part id a loadout holds for the kind; None for anything else.
uint32_t& LoadoutPart(ProfileLoadout& loadout, uint32_t kind);
uint32_t LoadoutPart(const ProfileLoadout& loadout, uint32_t kind);
// The definitions of a kind; 0 without a registry.
uint32_t PartCount(const DataRegistry* registry, uint32_t kind);
// The definition of that kind at the id; null when the registry has no such part (a part taken out of
// the assets leaves ids in saved loadouts that point past the collection).
const PartData* FindPart(const DataRegistry* registry, uint32_t kind, uint32_t id);
// The part's display name, or "?" for an id outside its collection.
std::string PartDisplayName(const DataRegistry* registry, uint32_t kind, uint32_t id);
// The profile's unlocked set of the kind.
UnlockedSet& UnlockedParts(Profile& profile, uint32_t kind);

// What a screen of the notebook works on: the player slot of its owner and that slot's profile.
struct NotebookOwner
{
    PlayerSlot* slot = nullptr;
    Profile* profile = nullptr;
};
NotebookOwner FindNotebookOwner(FrontEnd& frontEnd, uint32_t owner);
// Saves the profile where it was loaded from; logged and refused without a registry.
bool SaveNotebookProfile(FrontEnd& frontEnd, const Profile& profile);
// Puts the part into the profile's loadout of that number and saves the profile; the owner's slot takes
// the loadout when it is the active one. False, changing nothing, without a profile or for a loadout or
// kind out of range.
bool EquipPart(FrontEnd& frontEnd, const NotebookOwner& target, uint32_t loadout, uint32_t kind, uint32_t part);
// Gives the slot the loadout's parts and, with a client role, tells the server.
void ApplySlotLoadout(FrontEnd& frontEnd, PlayerSlot& slot, const ProfileLoadout& loadout);

// Where a notebook screen goes when the match moves on while it is open between matches.
enum class MatchLeave : uint32_t
{
    Stay = 0,
    // Matchmaking goes on without this screen.
    Close = 1,
    // A challenge or custom game has loaded: the loading screen takes over.
    ToLoading = 2,
};
MatchLeave CheckMatchLeave(GameOrigin origin, const NetworkStatus& status);

// The network timer of a screen open between matches: a dial and the seconds left, registered
// "Timer". Its dial runs from full to empty as the role's timer runs.
void AddNetworkTimer(Lumvek::Menu& menu, Lumvek::Element& root);
void UpdateNetworkTimer(Lumvek::Menu& menu, const NetworkStatus& status);

// The five loadouts of a profile on a strip: A opens one in the notebook, X makes it the active one,
// Back returns to the main menu (or to the lobby between matches). Owned by the Gui; application
// thread.
class LoadoutsScreen final : public Screen
{
public:
    explicit LoadoutsScreen(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    // Opens the screen for the owner with the loadout to select (past the last one: the first).
    static LoadoutsScreen& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                                uint32_t owner, uint32_t selection);

    void Setup() override;
    void Update(float seconds) override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
    void OnAction(uint32_t player) override;

    uint32_t selection = 0;
    bool inMatch = false;

private:
    uint32_t Selected() const;

    FrontEnd& frontEnd;
    NotebookOwner target;
    std::array<Lumvek::Element*, Profile::LoadoutCount> stars{};
    bool left = false;
};

// One loadout of a profile as a grid of part cards in four tabs, a preview of the character and the
// four equipped part names. Owned by the Gui; application thread.
class Notebook final : public Screen
{
public:
    // At most this many cards stand in the grid: three rows of six.
    static constexpr uint32_t Columns = 6;
    static constexpr uint32_t ShownRows = 3;
    static constexpr uint32_t ShownCards = Columns * ShownRows;

    class Tab final : public Lumvek::ElementActions
    {
    public:
        Tab(Lumvek::Element& element, uint32_t color) : element(element), color(color) {}
        void Focus() override;
        void Blur() override;

        Lumvek::Element& element;
        uint32_t color;
    };

    class Card final : public Lumvek::ElementActions
    {
    public:
        Card(Notebook& notebook, Lumvek::Element& element, const PartData& part, bool known, bool owned)
            : notebook(notebook), element(element), part(part), known(known), owned(owned)
        {
        }
        void Focus() override;
        void Blur() override;

        Notebook& notebook;
        Lumvek::Element& element;
        const PartData& part;
        bool known;
        bool owned;
    };

    explicit Notebook(FrontEnd& frontEnd) : frontEnd(frontEnd) {}

    static Notebook& Open(Lumvek::Gui& gui, FrontEnd& frontEnd, std::unique_ptr<Lumvek::Transition> transition,
                          uint32_t owner, uint32_t loadout);

    void Setup() override;
    void Activate() override;
    void Update(float seconds) override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
    void OnAction(uint32_t player) override;
    void OnNextTab(uint32_t player) override;
    void OnPreviousTab(uint32_t player) override;
    void OnLeft(uint32_t player) override;
    void OnRight(uint32_t player) override;
    void OnDown(uint32_t player) override;
    void OnUp(uint32_t player) override;

    // The card number the selection stands on.
    uint32_t SelectedCard() const { return column + Columns * (firstRow + row); }
    // The card element of a card number among the shown ones; null when it is not shown.
    Lumvek::Element* FindCard(uint32_t number) const;
    ProfileLoadout* EditedLoadout() const;

    uint32_t loadout = 0;
    bool inMatch = false;
    uint32_t tab = 0;
    uint32_t firstRow = 0;
    uint32_t column = 0;
    uint32_t row = 0;
    uint32_t cardCount = 0;
    uint32_t lastRow = 0;
    uint32_t lastRowColumn = 0;
    std::array<uint32_t, PartKindCount> shownPart{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    PlayerPreview* preview = nullptr;

private:
    void BuildCards();
    void ShowTab(uint32_t index);
    void FocusCard();
    void BlurCard();
    void SwitchTab(uint32_t to);
    void SetHintsVisible(bool visible);
    void AttachPreview(Lumvek::Element& panel);
    void RefreshPreview();

    FrontEnd& frontEnd;
    NotebookOwner target;
    std::array<Lumvek::Element*, PartKindCount> tabFaces{};
    bool left = false;
};

// One part's card laid over the notebook: CRAFT pays its cost in ink to unlock it (never during an
// online intermission), EQUIP puts it into the loadout the notebook edits; each saves the profile at
// once. Owned by the Gui; application thread.
class CardView final : public Screen
{
public:
    CardView(FrontEnd& frontEnd, const PartData& part, uint32_t kind, uint32_t loadout)
        : part(part), kind(kind), loadout(loadout), frontEnd(frontEnd)
    {
    }

    void Setup() override;
    void Update(float seconds) override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;
    void OnAlternate(uint32_t player) override;

    const PartData& part;
    uint32_t kind;
    // The number of the profile loadout the notebook beneath edits.
    uint32_t loadout;
    bool online = false;
    bool unlocked = false;
    bool craftable = false;

private:
    FrontEnd& frontEnd;
    NotebookOwner target;
    Lumvek::Element* star = nullptr;
    bool left = false;
};
