#include "Source/World/Body.h"
#include "Source/World/EntityGrid.h"
#include "Source/World/EntityStorage.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

namespace
{

// A record with a body of its own, as the world's stored kinds have.
struct Thing : Entity<Thing>
{
    Body& GetBody() { return *body; }
    const Body& GetBody() const { return *body; }

    std::unique_ptr<StaticBody> body = std::make_unique<StaticBody>();
    int value = 0;
};

void Place(Thing& thing, float x, float y, float width, float height)
{
    thing.body->x = x;
    thing.body->y = y;
    thing.body->width = width;
    thing.body->height = height;
    thing.body->active = 1;
}

std::vector<Thing*> Listed(const QueryResult<Thing>& result)
{
    std::vector<Thing*> things;
    for (Thing& thing : result)
        things.push_back(&thing);
    return things;
}

} // namespace

TEST(EntityStorage, HandsOutEverySlotOnceBeforeReusingTheFirst)
{
    auto storage = std::make_unique<EntityStorage<Thing, 256>>();
    Thing* first = storage->Allocate();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->id, 256);
    storage->Remove(256);
    std::vector<EntityId> ids;
    for (int i = 0; i < 255; ++i)
        ids.push_back(storage->Allocate()->id);
    for (int i = 0; i < 255; ++i)
        EXPECT_EQ(ids[i], 256 + i + 1) << i;
    EXPECT_EQ(storage->Allocate()->id, 512);
    EXPECT_EQ(storage->Allocate(), nullptr);
    EXPECT_EQ(storage->Count(), 256u);
}

TEST(EntityStorage, AfterOneRemovalFromAFullStorageThatSlotComesNextAndStaleIdsAreNotLive)
{
    auto storage = std::make_unique<EntityStorage<Thing, 64>>();
    std::vector<EntityId> ids;
    while (Thing* thing = storage->Allocate())
        ids.push_back(thing->id);
    ASSERT_EQ(ids.size(), 64u);
    storage->Remove(ids[10]);
    Thing* again = storage->Allocate();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->id % 64, ids[10] % 64);
    EXPECT_NE(again->id, ids[10]);
    // The earlier generation of the slot is gone for good.
    EXPECT_EQ(storage->Find(ids[10]), nullptr);
    storage->Remove(ids[10]);
    EXPECT_EQ(storage->Find(again->id), again);
    EXPECT_EQ(storage->Count(), 64u);
}

TEST(EntityStorage, RemovalMovesTheLastRecordIntoTheGapAndFindFollowsIt)
{
    auto storage = std::make_unique<EntityStorage<Thing, 256>>();
    Thing* a = storage->Allocate();
    a->value = 1;
    const EntityId idA = a->id;
    const EntityId idB = storage->Allocate()->id;
    Thing* c = storage->Allocate();
    c->value = 3;
    const EntityId idC = c->id;
    storage->Remove(idA);
    ASSERT_EQ(storage->Count(), 2u);
    EXPECT_EQ(storage->Find(idC), &storage->View()[0]);
    EXPECT_EQ(storage->Find(idC)->value, 3);
    EXPECT_EQ(storage->Find(idB), &storage->View()[1]);
    // Removing the last record moves nothing.
    storage->Remove(idB);
    EXPECT_EQ(storage->Find(idC), &storage->View()[0]);
}

TEST(EntityStorage, NeverHandsOutTheIdThatMeansNoEntity)
{
    for (uint32_t capacity : {64u, 256u, 1024u})
    {
        SCOPED_TRACE(capacity);
        std::set<EntityId> seen;
        auto check = [&](auto& storage)
        {
            // Allocating and removing repeatedly walks one slot through every generation, twice over.
            for (uint32_t i = 0; i < 2 * 65536 / capacity + 2; ++i)
            {
                Thing* thing = storage.Allocate();
                ASSERT_NE(thing, nullptr);
                EXPECT_NE(thing->id, NoEntity);
                seen.insert(thing->id);
                storage.Remove(thing->id);
            }
        };
        if (capacity == 64)
            check(*std::make_unique<EntityStorage<Thing, 64>>());
        else if (capacity == 256)
            check(*std::make_unique<EntityStorage<Thing, 256>>());
        else
            check(*std::make_unique<EntityStorage<Thing, 1024>>());
        EXPECT_EQ(seen.count(NoEntity), 0u);
    }
}

TEST(EntityStorage, PlacingIntoALiveSlotFinishesTheOccupantFirst)
{
    auto storage = std::make_unique<EntityStorage<Thing, 64>>();
    std::vector<EntityId> finished;
    auto finish = [&](Thing& occupant) { finished.push_back(occupant.id); };
    Thing* first = storage->Place(64 + 5, finish);
    ASSERT_NE(first, nullptr);
    first->value = 7;
    // The server reused slot 5 before this client heard of the removal.
    Thing* second = storage->Place(128 + 5, finish);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(finished, std::vector<EntityId>{64 + 5});
    EXPECT_EQ(storage->Count(), 1u);
    EXPECT_EQ(storage->Find(64 + 5), nullptr);
    EXPECT_EQ(storage->Find(128 + 5), second);
    EXPECT_EQ(storage->Place(NoEntity, finish), nullptr);

    // Filling every slot by placement, then placing into each again, never passes the capacity, and a
    // removal afterwards leaves a free queue that hands each slot out once.
    for (EntityId slot = 0; slot < 64; ++slot)
        storage->Place(static_cast<EntityId>(slot + 64 * 3), finish);
    for (EntityId slot = 0; slot < 64; ++slot)
        storage->Place(static_cast<EntityId>(slot + 64 * 4), finish);
    EXPECT_EQ(storage->Count(), 64u);
    storage->Remove(64 * 4 + 9);
    storage->Remove(64 * 4 + 3);
    std::set<EntityId> slots;
    while (Thing* thing = storage->Allocate())
        slots.insert(thing->id % 64);
    EXPECT_EQ(slots, (std::set<EntityId>{9, 3}));
}

TEST(EntityGrid, RefusesBodiesThatTouchOrLeaveTheAreaAndListsEachEntityOnce)
{
    auto grid = std::make_unique<EntityGrid<Thing, 64>>();
    ASSERT_TRUE(grid->Layout({0.0f, 0.0f, 100.0f, 50.0f}, 10.0f, 10.0f));
    struct Case
    {
        float x, y, width, height;
        bool inserted;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 5.0f, 5.0f, true},    {95.0f, 10.0f, 5.0f, 5.0f, false}, // touches the right edge
        {10.0f, 45.0f, 5.0f, 5.0f, false},                                    // touches the top edge
        {-0.5f, 10.0f, 5.0f, 5.0f, false}, {99.0f, 49.0f, 0.5f, 0.5f, true},
    };
    std::vector<std::unique_ptr<Thing>> things;
    for (const Case& test : cases)
    {
        auto thing = std::make_unique<Thing>();
        Place(*thing, test.x, test.y, test.width, test.height);
        EXPECT_EQ(grid->Insert(*thing), test.inserted) << test.x << " " << test.y;
        things.push_back(std::move(thing));
    }
    // An entity over many cells comes back once from a query that covers them all.
    Thing wide;
    Place(wide, 5.0f, 5.0f, 40.0f, 30.0f);
    ASSERT_TRUE(grid->Insert(wide));
    EXPECT_EQ(Listed(grid->Query({0.0f, 0.0f, 60.0f, 40.0f})), (std::vector<Thing*>{things[0].get(), &wide}));
    // Inactive entities are not listed; removed ones give their nodes back.
    wide.body->active = 0;
    EXPECT_EQ(grid->Query({20.0f, 20.0f, 1.0f, 1.0f}).count, 0u);
    const uint32_t before = grid->FreeNodeCount();
    grid->Remove(wide);
    EXPECT_EQ(grid->FreeNodeCount(), before + 20);
    EXPECT_EQ(wide.firstNode, nullptr);
}

TEST(EntityGrid, RefusesAnEntityThatNeedsMoreNodesThanThePoolHolds)
{
    auto grid = std::make_unique<EntityGrid<Thing, 64>>();
    ASSERT_TRUE(grid->Layout({0.0f, 0.0f, 200.0f, 200.0f}, 10.0f, 10.0f));
    Thing large;
    // 9 by 9 cells: more than the 64 nodes of the pool.
    Place(large, 1.0f, 1.0f, 85.0f, 85.0f);
    EXPECT_FALSE(grid->Insert(large));
    EXPECT_EQ(grid->FreeNodeCount(), 64u);
    EXPECT_EQ(large.firstNode, nullptr);
    Thing small;
    Place(small, 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_TRUE(grid->Insert(small));
}

TEST(EntityGrid, AStoredRecordMovedByARemovalIsStillFound)
{
    auto storage = std::make_unique<EntityStorage<Thing, 256>>();
    auto grid = std::make_unique<EntityGrid<Thing, 512>>();
    ASSERT_TRUE(grid->Layout({0.0f, 0.0f, 100.0f, 100.0f}, 25.0f, 25.0f));
    Thing* a = storage->Allocate();
    Place(*a, 10.0f, 10.0f, 1.0f, 1.0f);
    ASSERT_TRUE(grid->Insert(*a));
    Thing* b = storage->Allocate();
    Place(*b, 60.0f, 60.0f, 1.0f, 1.0f);
    ASSERT_TRUE(grid->Insert(*b));
    const EntityId idB = b->id;
    grid->Remove(*a);
    storage->Remove(a->id);
    // b now lives where a was; the grid must answer with it, not with a's remains.
    Thing* moved = storage->Find(idB);
    EXPECT_EQ(Listed(grid->Query({50.0f, 50.0f, 20.0f, 20.0f})), std::vector<Thing*>{moved});
    grid->Remove(*moved);
    EXPECT_EQ(grid->FreeNodeCount(), 512u);
}

TEST(PlayerList, TakesOnlyBodiesStrictlyInsideItsArea)
{
    auto list = std::make_unique<PlayerList<Thing, 2>>();
    list->Clear({0.0f, 0.0f, 10.0f, 10.0f});
    Thing inside, edge, other;
    Place(inside, 1.0f, 1.0f, 2.0f, 2.0f);
    Place(edge, 0.0f, 1.0f, 2.0f, 2.0f);
    Place(other, 5.0f, 5.0f, 2.0f, 2.0f);
    EXPECT_TRUE(list->Insert(inside));
    EXPECT_FALSE(list->Insert(edge));
    EXPECT_TRUE(list->Insert(other));
    EXPECT_EQ(Listed(list->Query({0.0f, 0.0f, 10.0f, 10.0f})), (std::vector<Thing*>{&inside, &other}));
    list->Remove(other);
    EXPECT_EQ(Listed(list->Query({0.0f, 0.0f, 10.0f, 10.0f})), std::vector<Thing*>{&inside});
}
