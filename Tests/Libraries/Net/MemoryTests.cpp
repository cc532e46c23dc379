#include "Net/Adapter.h"
#include "Net/Memory.h"
#include "Net/Message.h"
#include "NetTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using namespace Net;

namespace
{

struct alignas(16) Block
{
    uint8_t bytes[64 * 1024];
};

struct Counted
{
    explicit Counted(int& destroyed) : destroyed(destroyed) {}
    virtual ~Counted() { ++destroyed; }
    int& destroyed;
};

struct Other
{
    virtual ~Other() = default;
    uint64_t padding[3] = {};
};

// Its Counted part does not sit at the start of the object.
struct Derived : Other, Counted
{
    explicit Derived(int& destroyed) : Counted(destroyed) {}
};

} // namespace

TEST(BlockAllocator, RefusesOnceTheBlockIsSpentAndMergesFreedPieces)
{
    auto block = std::make_unique<Block>();
    BlockAllocator allocator(block->bytes, sizeof(block->bytes));
    std::vector<void*> pieces;
    while (void* piece = NET_ALLOCATE(allocator, 1000))
    {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(piece) % BlockAllocator::Alignment, 0u);
        EXPECT_GE(static_cast<uint8_t*>(piece), block->bytes);
        EXPECT_LE(static_cast<uint8_t*>(piece) + 1000, block->bytes + sizeof(block->bytes));
        pieces.push_back(piece);
    }
    EXPECT_EQ(allocator.GetErrorLevel(), ALLOCATOR_ERROR_OUT_OF_MEMORY);
    EXPECT_GE(pieces.size(), 60u);
    EXPECT_LE(pieces.size(), 64u);
    allocator.ClearError();

    // Freed in an order that leaves free neighbours on both sides, the block becomes whole again.
    for (size_t i = 0; i < pieces.size(); i += 2)
        NET_FREE(allocator, pieces[i]);
    EXPECT_EQ(NET_ALLOCATE(allocator, 4000), nullptr) << "no two free pieces are neighbours yet";
    allocator.ClearError();
    for (size_t i = 1; i < pieces.size(); i += 2)
        NET_FREE(allocator, pieces[i]);
    EXPECT_EQ(allocator.GetUsedBytes(), 0u);
    void* whole = NET_ALLOCATE(allocator, sizeof(block->bytes) - 64);
    EXPECT_NE(whole, nullptr);
    NET_FREE(allocator, whole);

    // Memory the allocator never handed out, and a double free, are ignored.
    int outside = 0;
    NET_FREE(allocator, &outside);
    void* piece = NET_ALLOCATE(allocator, 10);
    NET_FREE(allocator, piece);
    NET_FREE(allocator, piece);
    EXPECT_EQ(allocator.GetLiveAllocations(), 0);
    EXPECT_EQ(NET_ALLOCATE(allocator, size_t(1) << 40), nullptr);
}

TEST(BlockAllocator, PiecesNeverOverlapUnderChurn)
{
    auto block = std::make_unique<Block>();
    BlockAllocator allocator(block->bytes, sizeof(block->bytes));
    struct Live
    {
        uint8_t* data;
        size_t size;
        uint8_t fill;
    };
    std::vector<Live> live;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step)
    {
        if (!live.empty() && (random() % 2 == 0 || live.size() > 200))
        {
            size_t index = random() % live.size();
            const Live& victim = live[index];
            for (size_t i = 0; i < victim.size; ++i)
                ASSERT_EQ(victim.data[i], victim.fill) << "piece overwritten at step " << step;
            NET_FREE(allocator, victim.data);
            live.erase(live.begin() + long(index));
            continue;
        }
        size_t size = 1 + random() % 700;
        auto* data = static_cast<uint8_t*>(NET_ALLOCATE(allocator, size));
        if (!data)
        {
            allocator.ClearError();
            continue;
        }
        uint8_t fill = uint8_t(step);
        std::memset(data, fill, size);
        live.push_back({data, size, fill});
    }
    for (const Live& piece : live)
        NET_FREE(allocator, piece.data);
    EXPECT_EQ(allocator.GetUsedBytes(), 0u);
}

TEST(BlockAllocator, DeletesThroughABaseThatIsNotAtTheStart)
{
    auto block = std::make_unique<Block>();
    BlockAllocator allocator(block->bytes, sizeof(block->bytes));
    int destroyed = 0;
    Counted* object = NET_NEW(allocator, Derived, destroyed);
    ASSERT_NE(object, nullptr);
    NET_DELETE(allocator, object);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(allocator.GetLiveAllocations(), 0);

    BlockAllocator tiny(block->bytes, 8);
    EXPECT_EQ(NET_NEW(tiny, Derived, destroyed), nullptr);
    EXPECT_EQ(tiny.GetErrorLevel(), ALLOCATOR_ERROR_OUT_OF_MEMORY);
}

TEST(Adapter, ConfinesEachConnectionToTheBlockItIsGiven)
{
    struct GameAdapter : Adapter
    {
        MessageFactory* CreateMessageFactory(Allocator& allocator) override
        {
            return NET_NEW(allocator, NetTest::TestMessageFactory, allocator);
        }
    } adapter;
    DefaultAllocator global;
    auto block = std::make_unique<Block>();
    Allocator* allocator = adapter.CreateAllocator(global, block->bytes, 4096);
    ASSERT_NE(allocator, nullptr);
    MessageFactory* factory = adapter.CreateMessageFactory(*allocator);
    ASSERT_NE(factory, nullptr);
    std::vector<Message*> messages;
    while (Message* message = factory->CreateMessage(NetTest::NUMBER_MESSAGE))
        messages.push_back(message);
    EXPECT_LT(messages.size() * sizeof(NetTest::NumberMessage), 4096u);
    for (Message* message : messages)
        factory->ReleaseMessage(message);
    NET_DELETE(*allocator, factory);
    NET_DELETE(global, allocator);
}

TEST(MessageFactory, CreatesKnownTypesAndDestroysOnTheLastRelease)
{
    DefaultAllocator allocator;
    NetTest::TestMessageFactory factory(allocator);
    for (int type : {-1, int(NetTest::NUM_TEST_MESSAGE_TYPES), 1000})
        EXPECT_EQ(factory.CreateMessage(type), nullptr) << type;
    EXPECT_EQ(factory.GetErrorLevel(), MESSAGE_FACTORY_ERROR_NONE);

    Message* message = factory.CreateMessage(NetTest::RANGED_MESSAGE);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->GetType(), NetTest::RANGED_MESSAGE);
    EXPECT_EQ(message->GetRefCount(), 1);
    EXPECT_EQ(message->GetId(), 0);
    factory.AcquireMessage(message);
    factory.ReleaseMessage(message);
    EXPECT_EQ(factory.GetNumLiveMessages(), 1);
    factory.ReleaseMessage(message);
    EXPECT_EQ(factory.GetNumLiveMessages(), 0);
}

TEST(MessageFactory, RunningOutOfMemoryRaisesItsErrorLevel)
{
    auto block = std::make_unique<Block>();
    BlockAllocator allocator(block->bytes, 4096);
    NetTest::TestMessageFactory factory(allocator);
    EXPECT_EQ(factory.CreateMessage(NetTest::BLOB_MESSAGE), nullptr);
    EXPECT_EQ(factory.GetErrorLevel(), MESSAGE_FACTORY_ERROR_FAILED_TO_ALLOCATE_MESSAGE);
    factory.ClearErrorLevel();
    Message* small = factory.CreateMessage(NetTest::NUMBER_MESSAGE);
    EXPECT_NE(small, nullptr);
    factory.ReleaseMessage(small);
}
