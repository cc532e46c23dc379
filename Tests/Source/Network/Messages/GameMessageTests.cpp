#include "Engine/Foundation/FileManager.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Network/Messages/ControlMessages.h"
#include "Source/Network/Messages/EventMessages.h"
#include "Source/Network/Messages/GameStateMessage.h"
#include "Source/Network/Messages/InputMessage.h"
#include "Source/Network/Messages/VantorelAdapter.h"
#include "Tests/LogCapture.h"
#include "Tests/Source/Network/Messages/MessageTestSupport.h"
#include "Tests/TestPaths.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

using namespace MessageTesting;

namespace
{

using GameMessagesTest = MessageTest;

// A fresh message of each type as the factory makes it, measured under the test's limits: the sizes
// show which class each type gets and that its fields start at zero. An AddPlayer message must name at
// least one player before it can travel.
TEST_F(GameMessagesTest, FactoryMakesEveryTypeWithItsFieldsAtZero)
{
    const std::array<int, GameMessageTypeCount> freshBits = {
        10, 4, 50, 38, 36, 0, 64, 60, 69, 68, 17, 16, 16, 242, 40, 50, -1, 16, 6, 76, 2,
    };
    for (int type = 0; type < GameMessageTypeCount; ++type)
    {
        MessagePtr<Net::Message> message = Create(type);
        ASSERT_NE(message, nullptr) << type;
        EXPECT_EQ(message->GetType(), type);
        EXPECT_EQ(Measure(*message), freshBits[static_cast<size_t>(type)]) << "type " << type;
    }
    EXPECT_EQ(factory.CreateMessage(GameMessageTypeCount), nullptr);
    EXPECT_EQ(factory.CreateMessage(-1), nullptr);
    EXPECT_EQ(factory.GetNumLiveMessages(), 0);
}

TEST_F(GameMessagesTest, AdapterMakesFactoriesInTheConnectionsAllocator)
{
    alignas(Net::BlockAllocator::Alignment) static std::array<uint8_t, 64 * 1024> block;
    Net::BlockAllocator connection(block.data(), block.size());
    VantorelAdapter adapter(limits);
    Net::MessageFactory* made = adapter.CreateMessageFactory(connection);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetNumTypes(), GameMessageTypeCount);
    EXPECT_EQ(&made->GetAllocator(), &connection);

    Net::Message* state = made->CreateMessage(static_cast<int>(GameMessageType::GameState));
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(connection.GetLiveAllocations(), 2);
    // The factory's messages read the adapter's limits, as they are when they are measured.
    limits.playerCount = 3;
    Net::Message* score = made->CreateMessage(static_cast<int>(GameMessageType::Score));
    EXPECT_EQ(Measure(*score), 14 + 3 * 9);
    made->ReleaseMessage(score);
    made->ReleaseMessage(state);
    NET_DELETE(connection, made);
    EXPECT_EQ(connection.GetLiveAllocations(), 0);
}

TEST(GameMessageChannels, OnlyStatesAndScoresGoWhereTheSenderAsks)
{
    for (int type = 0; type < GameMessageTypeCount; ++type)
    {
        const auto messageType = static_cast<GameMessageType>(type);
        const bool chooses = messageType == GameMessageType::GameState || messageType == GameMessageType::Score;
        const GameChannel fixed =
            messageType == GameMessageType::Input ? GameChannel::Unreliable : GameChannel::Reliable;
        EXPECT_EQ(GetMessageChannel(messageType, true), chooses ? GameChannel::Reliable : fixed) << type;
        EXPECT_EQ(GetMessageChannel(messageType, false), chooses ? GameChannel::Unreliable : fixed) << type;
    }
}

// Each layout below is worked out field by field: a ranged value travels as value - min in the range's
// width, and the library fills bytes from their lowest bit.
TEST_F(GameMessagesTest, MessagesWriteTheBytesWorkedOutByHand)
{
    struct Case
    {
        const char* name;
        GameMessageType type;
        std::function<void(Net::Message&)> fill;
        std::vector<uint8_t> bytes;
        int bits;
    };
    const std::vector<Case> cases = {
        // client 3 (0011), player 9 (1001), local slot 2 (10).
        {"PlayerAdded",
         GameMessageType::PlayerAdded,
         [](Net::Message& m)
         {
             static_cast<PlayerAddedMessage&>(m).client = 3;
             static_cast<PlayerAddedMessage&>(m).player = 9;
             static_cast<PlayerAddedMessage&>(m).localSlot = 2;
         },
         {0x93, 0x02},
         10},
        // The default controls: frame, player 5, then Move 127, AimX 254, AimY 127 and sixteen zero bits.
        {"Input",
         GameMessageType::Input,
         [](Net::Message& m)
         {
             static_cast<InputMessage&>(m).frame = 0x01020304;
             static_cast<InputMessage&>(m).player = 5;
         },
         {0x04, 0x03, 0x02, 0x01, 0xF5, 0xE7, 0xFF, 0x07, 0x00, 0x00},
         76},
        // A feed line: class 2, kind 5 of [0,5], a 511, b 0, c 1, and no player or team.
        {"GameTypeEvent",
         GameMessageType::GameTypeEvent,
         [](Net::Message& m)
         {
             auto& event = static_cast<GameTypeEventMessage&>(m);
             event.eventClass = GameTypeEventMessage::FeedClass;
             event.kind = 5;
             event.a = 511;
             event.c = 1;
             event.player = 3;
             event.team = 1;
         },
         {0xF6, 0x3F, 0x80, 0x00},
         32},
        // One player, count - 1 = 0; local slot 2; head 4, core 0, arms 3, legs 1 in 3 bits each.
        {"AddPlayer",
         GameMessageType::AddPlayer,
         [](Net::Message& m)
         {
             auto& add = static_cast<AddPlayerMessage&>(m);
             add.count = 1;
             add.players[0] = {2, {4, 0, 3, 1}};
         },
         {0x48, 0x2C},
         16},
        // Frame 7 and six zero counts.
        {"empty GameState",
         GameMessageType::GameState,
         [](Net::Message& m) { static_cast<GameStateMessage&>(m).frame = 7; },
         {0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
         60},
    };
    for (const Case& test : cases)
    {
        MessagePtr<Net::Message> message = Create(static_cast<int>(test.type));
        test.fill(*message);
        const std::optional<WireImage> image = Write(*message);
        ASSERT_TRUE(image) << test.name;
        EXPECT_EQ(image->bytes, test.bytes) << test.name;
        EXPECT_EQ(image->bits, test.bits) << test.name;
    }
}

// In a free-for-all game each list has one entry per player and names it by its player index, which
// need not lie below the number of players; scores travel as score - lowest.
TEST_F(GameMessagesTest, FreeForAllScoresCarryPlayerIndexes)
{
    limits.teamCount = 1;
    limits.playerCount = 2;
    limits.lowestScore = -10;
    limits.targetScore = 100;
    auto score = Create<ScoreMessage>();
    score->teams[0] = {7, 100};
    score->teams[1] = {2, -10};
    score->teamCount = 2;
    score->players[0] = {2, 50};
    score->players[1] = {7, 5};
    score->playerCount = 2;
    // 7 (0111) 110 (1101110) 2 (0010) 0 (0000000) | 2 (0010) 60 (0111100) 7 (0111) 15 (0001111).
    const std::optional<WireImage> image = Write(*score);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bytes, (std::vector<uint8_t>{0xE7, 0x16, 0x80, 0xF0, 0xEE, 0x01}));
    EXPECT_EQ(image->bits, 44);

    auto read = Create<ScoreMessage>();
    ASSERT_EQ(Read(*read, image->bytes), 44);
    EXPECT_EQ(read->teamCount, 2u);
    EXPECT_EQ(read->teams[0], (ScoreMessage::Entry{7, 100}));
    EXPECT_EQ(read->players[1], (ScoreMessage::Entry{7, 5}));
}

// Whatever the sender holds, exactly as many entries travel as the limits give, each score inside the
// range: a sender's list may be longer than the configuration's players or hold a score past the target.
TEST_F(GameMessagesTest, ScoresTravelAsManyAsTheLimitsGiveAndInsideTheirRange)
{
    auto score = Create<ScoreMessage>();
    score->teams[0] = {1, 40};
    score->teamCount = 1;
    for (uint32_t i = 0; i < 6; ++i)
        score->players[i] = {static_cast<uint8_t>(i + 10), -3 + static_cast<int32_t>(i)};
    score->playerCount = 6;

    const std::optional<WireImage> image = Write(*score);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bits, 2 * 7 + 4 * 9);
    EXPECT_EQ(Measure(*score), image->bits);

    auto read = Create<ScoreMessage>();
    ASSERT_EQ(Read(*read, image->bytes), image->bits);
    EXPECT_EQ(read->teamCount, 2u);
    EXPECT_EQ(read->teams[0], (ScoreMessage::Entry{1, 25}));
    EXPECT_EQ(read->teams[1], (ScoreMessage::Entry{0, 0}));
    ASSERT_EQ(read->playerCount, 4u);
    const std::array<ScoreMessage::Entry, 4> players = {{{10, 0}, {11, 0}, {12, 0}, {13, 0}}};
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(read->players[i], players[i]) << i;
}

TEST_F(GameMessagesTest, EveryMessageReadsBackWhatItWroteAndMeasuresItExactly)
{
    for (uint8_t selector = 0; selector < 2; ++selector)
    {
        limits = GameMessageFuzzLimits(selector);
        for (int type = 0; type < GameMessageTypeCount; ++type)
            for (uint32_t variant = 0; variant < 3; ++variant)
            {
                SCOPED_TRACE(testing::Message()
                             << "limits " << int(selector) << " type " << type << " sample " << variant);
                MessagePtr<Net::Message> message = Create(type);
                FillGameMessageSample(*message, limits, variant);
                const std::optional<WireImage> image = Write(*message);
                ASSERT_TRUE(image);
                EXPECT_EQ(Measure(*message), image->bits);

                MessagePtr<Net::Message> read = Create(type);
                EXPECT_EQ(Read(*read, image->bytes), image->bits);
                EXPECT_EQ(Write(*read), image);
                if (type == static_cast<int>(GameMessageType::GameState))
                {
                    EXPECT_EQ(static_cast<GameStateMessage&>(*read).state,
                              static_cast<GameStateMessage&>(*message).state);
                }

                // Every cut of the message runs out before its last field.
                for (size_t length = 0; length < image->bytes.size(); ++length)
                {
                    MessagePtr<Net::Message> cut = Create(type);
                    const std::vector<uint8_t> shorter(image->bytes.begin(), image->bytes.begin() + length);
                    EXPECT_EQ(Read(*cut, shorter), -1) << length << " bytes";
                }
            }
    }
}

// Widths that follow the definition lists and the game type's kinds.
TEST_F(GameMessagesTest, SizesFollowTheLimits)
{
    auto add = Create<AddPlayerMessage>();
    add->count = 1;
    EXPECT_EQ(Measure(*add), 4 + 4 * 3);
    limits.heads = 8;
    EXPECT_EQ(Measure(*add), 4 + 4 + 3 * 3);

    auto loadouts = Create<SetLoadoutsMessage>();
    loadouts->count = 3;
    EXPECT_EQ(Measure(*loadouts), 36 + 3 * (8 + 4 + 3 * 3));

    auto trigger = Create<TriggerCreatedMessage>();
    EXPECT_EQ(Measure(*trigger), 242);
    limits.triggers = 8;
    EXPECT_EQ(Measure(*trigger), 16 + 3 + 225);

    auto event = Create<GameTypeEventMessage>();
    for (uint32_t eventClass : {0u, 1u})
    {
        event->eventClass = eventClass;
        EXPECT_EQ(Measure(*event), 2 + 3 + 27 + 8);
    }
    event->eventClass = GameTypeEventMessage::FeedClass;
    EXPECT_EQ(Measure(*event), 2 + 3 + 27);
    limits.eventKinds = 1;
    EXPECT_EQ(Measure(*event), 2 + 0 + 27);
}

TEST_F(GameMessagesTest, WritersRefuseWhatTheWireCannotCarry)
{
    struct Case
    {
        const char* name;
        GameMessageType type;
        std::function<void(Net::Message&)> fill;
    };
    const std::vector<Case> cases = {
        {"no player to add", GameMessageType::AddPlayer,
         [](Net::Message& m) { static_cast<AddPlayerMessage&>(m).count = 0; }},
        {"five players to add", GameMessageType::AddPlayer,
         [](Net::Message& m) { static_cast<AddPlayerMessage&>(m).count = 5; }},
        {"sixteen loadouts", GameMessageType::SetLoadouts,
         [](Net::Message& m) { static_cast<SetLoadoutsMessage&>(m).count = 16; }},
        {"a head past the count", GameMessageType::SetLoadout,
         [](Net::Message& m) { static_cast<SetLoadoutMessage&>(m).parts.head = 5; }},
        {"a kind past the game type's", GameMessageType::GameTypeEvent,
         [](Net::Message& m) { static_cast<GameTypeEventMessage&>(m).kind = 6; }},
        {"an argument past none", GameMessageType::GameTypeEvent,
         [](Net::Message& m) { static_cast<GameTypeEventMessage&>(m).b = 512; }},
        {"a trigger definition of the count", GameMessageType::TriggerCreated,
         [](Net::Message& m) { static_cast<TriggerCreatedMessage&>(m).definition = 2; }},
        {"the none id", GameMessageType::PickupRemoved,
         [](Net::Message& m) { static_cast<PickupRemovedMessage&>(m).pickup = 65535; }},
        {"a seventeenth player", GameMessageType::PlayerSpawned,
         [](Net::Message& m) { static_cast<PlayerSpawnedMessage&>(m).player = 16; }},
    };
    for (const Case& test : cases)
    {
        MessagePtr<Net::Message> message = Create(static_cast<int>(test.type));
        test.fill(*message);
        EXPECT_EQ(Measure(*message), -1) << test.name;
        EXPECT_FALSE(Write(*message)) << test.name;
    }
}

// Values a field's bits can hold but its range does not admit; each read must fail.
TEST_F(GameMessagesTest, ReadsRefuseValuesOutsideTheirRanges)
{
    struct Case
    {
        const char* name;
        GameMessageType type;
        BitLayout bits;
    };
    const std::vector<Case> cases = {
        {"an axis of all ones", GameMessageType::Input, BitLayout().Add(1, 32).Add(0, 4).Add(255, 8).Add(0, 32)},
        {"an aim of all ones", GameMessageType::Input,
         BitLayout().Add(1, 32).Add(0, 4).Add(127, 8).Add(127, 8).Add(255, 8).Add(0, 16)},
        {"event class 3", GameMessageType::GameTypeEvent, BitLayout().Add(3, 2).Add(0, 3).Add(0, 27).Add(0, 8)},
        {"kind 6 of six", GameMessageType::GameTypeEvent, BitLayout().Add(2, 2).Add(6, 3).Add(0, 27)},
        {"player 17", GameMessageType::GameTypeEvent, BitLayout().Add(0, 2).Add(0, 3).Add(0, 27).Add(17, 5).Add(0, 3)},
        {"team 6", GameMessageType::GameTypeEvent, BitLayout().Add(1, 2).Add(0, 3).Add(0, 27).Add(16, 5).Add(6, 3)},
        {"choice 3", GameMessageType::SetVote, BitLayout().Add(1, 4).Add(3, 2)},
        {"a name's byte past 255", GameMessageType::SetConfiguration,
         BitLayout().Add(0, 32).Add(2, 6).Add('A' - 1, 8).Add(255, 8)},
        {"an option's byte past 255", GameMessageType::VotingOptions,
         BitLayout().Add(0, 32).Add(1, 6).Add(255, 8).Add(0, 6).Add(0, 6)},
        {"missing option 3", GameMessageType::MissingConfiguration, BitLayout().Add(3, 2)},
        {"pickup 65535", GameMessageType::PickupRemoved, BitLayout().Add(65535, 16).Add(1, 1)},
        {"projectile 65535", GameMessageType::ProjectileRemoved, BitLayout().Add(65535, 16)},
        {"trigger 65535", GameMessageType::TriggerRemoved, BitLayout().Add(65535, 16)},
        {"a head of five", GameMessageType::SetLoadout, BitLayout().Add(0, 4).Add(5, 3).Add(0, 9)},
        {"legs of seven", GameMessageType::AddPlayer, BitLayout().Add(0, 2).Add(0, 2).Add(0, 9).Add(7, 3)},
        {"a team score of 26", GameMessageType::Score, BitLayout().Add(0, 2).Add(26, 5).Add(0, 7 + 36)},
        {"a team index of 3 in two teams", GameMessageType::Score, BitLayout().Add(3, 2).Add(0, 5).Add(0, 7 + 36)},
        {"a player score of 31", GameMessageType::Score, BitLayout().Add(0, 14).Add(0, 4).Add(31, 5).Add(0, 27)},
    };
    for (const Case& test : cases)
    {
        MessagePtr<Net::Message> message = Create(static_cast<int>(test.type));
        EXPECT_EQ(Read(*message, test.bits.Bytes()), -1) << test.name;
    }
}

TEST_F(GameMessagesTest, TriggerDefinitionsStopBelowTheCountWhilePartsReachIt)
{
    limits.triggers = 3;
    auto trigger = Create<TriggerCreatedMessage>();
    EXPECT_EQ(Read(*trigger, BitLayout().Add(9, 16).Add(3, 2).Add(0, 225).Bytes()), -1);
    trigger = Create<TriggerCreatedMessage>();
    EXPECT_EQ(Read(*trigger, BitLayout().Add(9, 16).Add(2, 2).Add(0, 225).Bytes()), 243);
    EXPECT_EQ(trigger->definition, 2u);

    auto loadout = Create<SetLoadoutMessage>();
    ASSERT_EQ(Read(*loadout, BitLayout().Add(15, 4).Add(4, 3).Add(4, 3).Add(4, 3).Add(4, 3).Bytes()), 16);
    EXPECT_EQ(loadout->parts, (LoadoutParts{4, 4, 4, 4}));
}

TEST_F(GameMessagesTest, InputButtonsTravelAsOneBitEach)
{
    auto input = Create<InputMessage>();
    input->input.move = -128;
    input->input.aimY = -127;
    input->input.buttons.fill(2);
    input->input.history[3].jump = 1;
    const std::optional<WireImage> image = Write(*input);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bits, 76);

    auto read = Create<InputMessage>();
    ASSERT_EQ(Read(*read, image->bytes), 76);
    EXPECT_EQ(read->input.move, -127);
    EXPECT_EQ(read->input.aimX, 127);
    EXPECT_EQ(read->input.aimY, -127);
    for (uint8_t button : read->input.buttons)
        EXPECT_EQ(button, 1);
    // The history stays on the client.
    EXPECT_EQ(read->input.history[3], PlayerInputEntry());
}

TEST(MessageLimits, CountsComeFromTheRegistryAndScoreListsFromTheConfiguration)
{
    Lumvek::Testing::LogCapture log;
    const std::string source = Lumvek::Testing::SourceFolder();
    Lumvek::FileManager files(source, source, source, source);
    files.RegisterFormats();
    Lumvek::RegisterRuntimeFormats(files);
    DataRegistry registry(files);
    registry.LoadAll();
    MessageLimits limits = MessageLimits::FromRegistry(registry);
    EXPECT_EQ((std::array{limits.heads, limits.cores, limits.arms, limits.legs, limits.items, limits.weapons,
                          limits.triggers}),
              (std::array<uint32_t, 7>{4, 4, 4, 4, 5, 4, 2}));

    struct Case
    {
        uint32_t teamCount;
        size_t players, remotePlayers, bots;
        uint32_t teamEntries, playerEntries;
    };
    for (const Case& test :
         std::vector<Case>{{1, 2, 3, 1, 6, 6}, {3, 2, 3, 1, 3, 6}, {0, 1, 0, 0, 0, 1}, {1, 4, 12, 4, 16, 16}})
    {
        GameConfiguration configuration;
        configuration.teamCount = test.teamCount;
        configuration.players.resize(test.players);
        configuration.remotePlayers.resize(test.remotePlayers);
        configuration.bots.resize(test.bots);
        limits.SetConfiguration(configuration);
        EXPECT_EQ(limits.GetTeamScoreCount(), test.teamEntries) << test.teamCount;
        EXPECT_EQ(limits.GetPlayerScoreCount(), test.playerEntries) << test.teamCount;
    }
}

} // namespace
