#include "Engine/Foundation/NameSet.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
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

TEST(NameSet, ThreadsAddingAndLookingUpAtOnceAgreeOnEveryIndex)
{
    // Loader threads and the application thread register resource names into one set at once; half
    // of the names here are shared by every thread, half are each thread's own.
    constexpr int Threads = 4;
    constexpr int Names = 400;
    NameSet set;
    std::vector<std::vector<uint32_t>> shared(Threads), own(Threads);
    std::vector<int> mismatches(Threads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < Names; ++i)
                {
                    const std::string common = "shared" + std::to_string(i);
                    const std::string mine = "thread" + std::to_string(t) + "." + std::to_string(i);
                    shared[t].push_back(set.Add(common));
                    own[t].push_back(set.Add(mine));
                    // A view handed out must read the name while other threads keep adding.
                    mismatches[t] += set.GetName(shared[t].back()) != StringView(common);
                    mismatches[t] += set.GetName(own[t].back()) != StringView(mine);
                }
            });
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(set.Count(), uint32_t(Names + Threads * Names));
    std::set<uint32_t> distinct;
    for (int t = 0; t < Threads; ++t)
    {
        EXPECT_EQ(mismatches[t], 0) << t;
        EXPECT_EQ(shared[t], shared[0]) << t;
        distinct.insert(own[t].begin(), own[t].end());
    }
    distinct.insert(shared[0].begin(), shared[0].end());
    EXPECT_EQ(distinct.size(), set.Count());
    EXPECT_EQ(*distinct.rbegin(), set.Count() - 1);
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
