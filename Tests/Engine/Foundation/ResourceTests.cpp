#include "Engine/Foundation/Resource.h"

#include <gtest/gtest.h>

using namespace Lumvek;

namespace
{
class Plain : public Resource
{
};
class Other : public Resource
{
};
class Drawable : public GraphicsResource
{
};
} // namespace

TEST(ResourceTable, InsertGrowsTheTableAndRefusesOccupiedOrInvalidIds)
{
    ResourceTable table;
    Plain* first = table.Create<Plain>(5);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(table.Count(), 6u);
    for (uint32_t id = 0; id < 5; ++id)
        EXPECT_EQ(table.Get(id), nullptr);
    EXPECT_EQ(first->id, 5u);
    EXPECT_EQ(first->table, &table);
    EXPECT_EQ(first->typeId, (TypeIndex<Plain, ResourceTypes>()));

    EXPECT_EQ(table.Create<Other>(5), nullptr);
    EXPECT_EQ(table.Get(5), first);
    EXPECT_EQ(table.Find<Other>(5), nullptr);
    EXPECT_EQ(table.Find<Plain>(5), first);
    EXPECT_EQ(table.Create<Plain>(InvalidId), nullptr);
}

TEST(ResourceTable, DestroyEmptiesTheEntry)
{
    ResourceTable table;
    table.Create<Plain>(1);
    EXPECT_FALSE(table.Destroy(0));
    EXPECT_FALSE(table.Destroy(7));
    EXPECT_TRUE(table.Destroy(1));
    EXPECT_FALSE(table.Destroy(1));
    EXPECT_NE(table.Create<Plain>(1), nullptr);
}

TEST(GraphicsResource, VersionFollowsEditsOutsideBatches)
{
    Drawable resource;
    resource.MarkChanged();
    resource.MarkChanged();
    EXPECT_EQ(resource.version, 2u);
    resource.uploaded = 1;
    resource.locked = 1;
    resource.MarkChanged();
    EXPECT_EQ(resource.version, 2u);
    EXPECT_EQ(resource.uploaded, 1);
    resource.FinishChanges();
    EXPECT_EQ(resource.version, 3u);
    EXPECT_EQ(resource.locked, 0);
    EXPECT_EQ(resource.uploaded, 0);
}
