#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TypeRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct Hidden
{
};
template <int N> struct Numbered
{
};
} // namespace

using namespace Lumvek;

TEST(TypeName, CleanDropsKindWordAndAnonymousNamespaces)
{
    std::vector<std::pair<std::string, std::string>> cases{
        {"class Lumvek::Texture", "Lumvek.Texture"},
        {"struct `anonymous namespace'::`anonymous namespace'::A::B", "A.B"},
        {"Lumvek::Texture", "Lumvek.Texture"},
        {"(anonymous namespace)::Hidden", "Hidden"},
        {"Lumvek::ResourceTable<Lumvek::Texture>", "Lumvek.ResourceTable<Lumvek.Texture>"},
        {"Texture", "Texture"},
        {"unsigned int", "unsigned int"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(TypeName::Clean(name), expected) << name;

    EXPECT_EQ(TypeName::Of<Texture>(), "Lumvek.Texture");
    EXPECT_EQ(TypeName::Of<Hidden>(), "Hidden");
}

TEST(TypeIndex, DenseFromZeroInOrderOfFirstUsePerRegistry)
{
    // Other tests in this program may have registered types already: count from where they stand.
    uint32_t contentStart = ContentTypes::Registry().Count();
    uint32_t resourceStart = ResourceTypes::Registry().Count();

    uint32_t second = TypeIndex<Numbered<2>>();
    uint32_t first = TypeIndex<Numbered<1>>();
    EXPECT_EQ(second, contentStart);
    EXPECT_EQ(first, contentStart + 1);
    EXPECT_EQ((TypeIndex<Numbered<2>, ContentTypes>()), second);

    // The resource registry counts on its own.
    EXPECT_EQ((TypeIndex<Numbered<1>, ResourceTypes>()), resourceStart);
    EXPECT_EQ((TypeIndex<Numbered<3>, ResourceTypes>()), resourceStart + 1);
    EXPECT_EQ(ContentTypes::Registry().Count(), contentStart + 2);

    EXPECT_EQ(ContentTypes::Registry().Find(first), &typeid(Numbered<1>));
    EXPECT_EQ(ContentTypes::Registry().Find(contentStart + 2), nullptr);
}
