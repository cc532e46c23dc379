#include "Source/Network/Messages/GameStateMessage.h"
#include "Tests/Source/Network/Messages/MessageTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

using namespace MessageTesting;

namespace
{

// The frame and the six counts.
constexpr int HeaderBits = 60;

// The test's limits have four weapons and five items: a weapon place travels in [0, 4] and an item place
// in [0, 5], 3 bits each; a pickup's weapon in [0, 3] and its item in [0, 4].
class GameStateTest : public MessageTest
{
public:
    GameState& State() { return message->state; }

    // The bits the record of the state adds to the header.
    int RecordBits() { return Measure(*message) - HeaderBits; }

    std::vector<uint8_t> Written()
    {
        std::optional<WireImage> image = Write(*message);
        EXPECT_TRUE(image);
        return image ? image->bytes : std::vector<uint8_t>();
    }

    // The state read back from what the message writes.
    MessagePtr<GameStateMessage> RoundTrip()
    {
        auto read = Create<GameStateMessage>();
        const std::optional<WireImage> image = Write(*message);
        EXPECT_TRUE(image);
        if (image)
        {
            EXPECT_EQ(Read(*read, image->bytes), image->bits);
        }
        return read;
    }

    // An own player standing on nothing with every place empty.
    FullPlayerState& AddOwnPlayer()
    {
        FullPlayerState& own = State().ownPlayers[State().ownCount++];
        own.secondaryWeapon = own.currentWeapon = own.pickedUpWeapon = limits.weapons;
        own.carriedItem = own.pickedUpItem = limits.items;
        return own;
    }
    PlayerState& AddPlayer()
    {
        PlayerState& other = State().players[State().playerCount++];
        other.secondaryWeapon = other.currentWeapon = other.pickedUpWeapon = limits.weapons;
        other.carriedItem = other.pickedUpItem = limits.items;
        return other;
    }

    MessagePtr<GameStateMessage> message = Create<GameStateMessage>();
};

TEST_F(GameStateTest, EachRecordMeasuresWhatItsPresentFieldsTake)
{
    struct Case
    {
        const char* name;
        std::function<void(GameStateTest&)> add;
        int bits;
    };
    // A player's drive with no push, a part's energy, its recharge delay and use, and a bit for each
    // modifier component, none of them changed.
    constexpr int Drive = 3 + 10 + 9 + 1 + 24;
    const std::vector<Case> cases = {
        {"own player with empty places", [](GameStateTest& t) { t.AddOwnPlayer(); },
         4 + 160 + 1 + 3 + 2 + 3 * 3 + 2 * 3 + 32 + 25 + Drive},
        {"own player with a current weapon", [](GameStateTest& t) { t.AddOwnPlayer().currentWeapon = 0; },
         242 + Drive + 16},
        {"own player holding everything",
         [](GameStateTest& t)
         {
             FullPlayerState& own = t.AddOwnPlayer();
             own.onPlatform = true;
             own.passThroughCount = 6;
             own.currentWeapon = own.pickedUpWeapon = 3;
             own.pickedUpItem = 4;
         },
         242 + Drive + 10 + 6 * 10 + 16 + 97 + 97},
        {"other player with empty places", [](GameStateTest& t) { t.AddPlayer(); },
         4 + 160 + 1 + 3 + 3 * 8 + 3 + 10 + 2 + 3 * 3 + 2 * 3 + 25 + Drive},
        {"other player on a platform picking up a weapon",
         [](GameStateTest& t)
         {
             PlayerState& other = t.AddPlayer();
             other.onPlatform = true;
             other.passThroughCount = 2;
             other.currentWeapon = 1;
             other.pickedUpWeapon = 0;
         },
         247 + Drive + 10 + 2 * 10 + 97},
        {"pickup of a weapon", [](GameStateTest& t) { t.State().pickups[t.State().pickupCount++].holdsWeapon = true; },
         16 + 1 + 2 + 162},
        {"pickup of an item", [](GameStateTest& t) { t.State().pickupCount++; }, 16 + 1 + 3 + 162},
        {"platform", [](GameStateTest& t) { t.State().platformCount++; }, 44},
        {"projectile with an owner",
         [](GameStateTest& t) { t.State().projectiles[t.State().projectileCount++].hasOwner = true; },
         16 + 1 + 4 + 2 + 161},
        {"projectile without an owner", [](GameStateTest& t) { t.State().projectileCount++; }, 16 + 1 + 2 + 161},
        {"shot", [](GameStateTest& t) { t.State().shotCount++; }, 4 + 7 + 2 + 64 + 8 + 1},
    };
    for (const Case& test : cases)
    {
        State().Clear();
        test.add(*this);
        EXPECT_EQ(RecordBits(), test.bits) << test.name;
        const std::optional<WireImage> image = Write(*message);
        ASSERT_TRUE(image) << test.name;
        EXPECT_EQ(image->bits, HeaderBits + test.bits) << test.name;
    }
}

// A clip, reserve or timer past what its field holds would otherwise fail the whole state, so the client
// would see nothing at all; it goes as the nearest value the field holds.
TEST_F(GameStateTest, ValuesPastTheirFieldsTravelAsTheNearestTheyHold)
{
    FullPlayerState& own = AddOwnPlayer();
    own.currentWeapon = 2;
    own.clip = 200;
    own.reserve = 1000;
    own.weaponTimer = -5;
    own.handTimer = 600;
    PlayerState& other = AddPlayer();
    other.weaponTimer = INT_MAX;
    other.handTimer = INT_MIN;
    other.move = -128;
    other.health = 5000;

    auto read = RoundTrip();
    const GameState& state = read->state;
    EXPECT_EQ(state.ownPlayers[0].clip, 127u);
    EXPECT_EQ(state.ownPlayers[0].reserve, 511u);
    EXPECT_EQ(state.ownPlayers[0].weaponTimer, 0);
    EXPECT_EQ(state.ownPlayers[0].handTimer, 511);
    EXPECT_EQ(state.players[0].weaponTimer, 511);
    EXPECT_EQ(state.players[0].handTimer, 0);
    EXPECT_EQ(state.players[0].move, -127);
    EXPECT_EQ(state.players[0].health, 1023u);
}

// The shipped definitions hold more items than weapons: an item pickup's index travels in the items'
// range, so the last item arrives, and the weapons' range still bounds a weapon pickup.
TEST_F(GameStateTest, PickupDefinitionsTravelInTheRangeOfWhatTheyHold)
{
    PickupState& item = State().pickups[State().pickupCount++];
    item.definition = limits.items - 1;
    auto read = RoundTrip();
    EXPECT_FALSE(read->state.pickups[0].holdsWeapon);
    EXPECT_EQ(read->state.pickups[0].definition, limits.items - 1);

    item.holdsWeapon = true;
    EXPECT_FALSE(Write(*message));
    item.definition = limits.weapons - 1;
    EXPECT_EQ(RoundTrip()->state, State());
}

// Each case writes a valid state, puts a value its field's bits hold but its range refuses at the
// field's place, and expects the read to fail.
TEST_F(GameStateTest, ReadsRefuseCountsAndIndexesOutsideTheirRanges)
{
    struct Case
    {
        const char* name;
        std::function<void(GameStateTest&)> add;
        uint32_t weapons;
        int offset;
        int width;
        uint32_t value;
    };
    const int ownStart = HeaderBits;
    const int passThrough = ownStart + 4 + 160 + 1;
    const int definition = HeaderBits + 16 + 1;
    const std::vector<Case> cases = {
        {"five own players", nullptr, 4, 32, 3, 5},
        {"seventeen players", nullptr, 4, 35, 5, 17},
        {"fifty-one pickups", nullptr, 4, 40, 6, 51},
        {"nine platforms", nullptr, 4, 46, 4, 9},
        {"nine projectiles", nullptr, 4, 50, 4, 9},
        {"thirty-three shots", nullptr, 4, 54, 6, 33},
        {"a shot fired by the weapon count", [](GameStateTest& t) { t.State().shotCount++; }, 5, HeaderBits + 11, 3, 5},
        {"seven pass-through platforms", [](GameStateTest& t) { t.AddOwnPlayer(); }, 4, passThrough, 3, 7},
        {"seven pass-through platforms of another player", [](GameStateTest& t) { t.AddPlayer(); }, 4, passThrough, 3,
         7},
        {"a weapon place past the count", [](GameStateTest& t) { t.AddOwnPlayer(); }, 4, passThrough + 3 + 2, 3, 5},
        {"air state 3", [](GameStateTest& t) { t.AddOwnPlayer(); }, 4, ownStart + 242 - 25, 2, 3},
        {"weapon state 7", [](GameStateTest& t) { t.AddOwnPlayer(); }, 4, ownStart + 242 - 23, 3, 7},
        {"a projectile fired by the weapon count", [](GameStateTest& t) { t.State().projectileCount++; }, 5, definition,
         3, 5},
        {"a pickup of the weapon count",
         [](GameStateTest& t) { t.State().pickups[t.State().pickupCount++].holdsWeapon = true; }, 5, definition, 3, 5},
        {"a pickup of the item count", [](GameStateTest& t) { t.State().pickupCount++; }, 4, definition, 3, 5},
        {"pickup 65535", [](GameStateTest& t) { t.State().pickupCount++; }, 4, HeaderBits, 16, 65535},
    };
    for (const Case& test : cases)
    {
        State().Clear();
        limits.weapons = test.weapons;
        if (test.add)
            test.add(*this);
        std::vector<uint8_t> bytes = Written();
        auto read = Create<GameStateMessage>();
        ASSERT_NE(Read(*read, bytes), -1) << test.name;
        Patch(bytes, test.offset, test.value, test.width);
        read = Create<GameStateMessage>();
        EXPECT_EQ(Read(*read, bytes), -1) << test.name;
    }
}

} // namespace
