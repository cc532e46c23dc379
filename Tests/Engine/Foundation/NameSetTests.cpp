#include "Engine/Foundation/NameSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Lumvek;

TEST(NameSet, EachDistinctNameKeepsItsFirstIndex)
{
    NameSet set;
    std::vector<uint32_t> indices;
    for (const char* name : {"A", "B", "A", "a", "", "B", ""})
        indices.push_back(set.Add(StringView::FromCString(name)));
    // Case matters, and the empty name is a name like any other.
    EXPECT_EQ(indices, (std::vector<uint32_t>{0, 1, 0, 2, 3, 1, 3}));
    EXPECT_EQ(set.Count(), 4u);
    EXPECT_EQ(set.GetName(2), StringView("a"));
    EXPECT_EQ(set.GetName(4), StringView());
    EXPECT_EQ(set.GetName(0xFFFFFFFFu), StringView());
}

TEST(NameSet, NamesStayPutWhileTheSetGrows)
{
    NameSet set;
    set.Add("short");
    // A name this short lives inside its string object; a view of it must survive the set's growth.
    StringView first = set.GetName(0);
    for (int i = 0; i < 1000; ++i)
        set.Add("name" + std::to_string(i));
    EXPECT_EQ(first.ToString(), "short");
    EXPECT_EQ(set.Add("short"), 0u);
    EXPECT_EQ(set.Add("name999"), 1000u);
}

TEST(NameList, ParsesWholeTextIgnoringCase)
{
    NameList keys{"Escape", "", "Enter"};
    std::vector<std::pair<std::string, uint32_t>> cases{{"ESCAPE", 0}, {"", 1},        {"enter", 2},
                                                        {"Esc", 7},    {"Escape ", 7}, {"EscapeX", 7}};
    for (const auto& [text, expected] : cases)
    {
        uint32_t out = 7;
        EXPECT_EQ(keys.ParseName(out, text), expected != 7) << text;
        EXPECT_EQ(out, expected) << text;
    }
    uint32_t out = 7;
    EXPECT_FALSE(NameList({"A"}).ParseName(out, ""));
    EXPECT_TRUE(TextureFormatNames().ParseName(out, "depthstenciltarget24_8"));
    EXPECT_EQ(out, 2u);
}
