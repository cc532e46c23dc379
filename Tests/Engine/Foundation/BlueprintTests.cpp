#include "Engine/Foundation/Blueprint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

Blueprint Text(StringView text)
{
    Blueprint value;
    value.SetString(text);
    return value;
}

Blueprint Unsigned(uint64_t number)
{
    Blueprint value;
    value.SetUnsignedInteger(number);
    return value;
}

std::vector<std::string> Names(const Blueprint& value)
{
    std::vector<std::string> names;
    for (const BlueprintMember& member : value.GetObject())
        names.push_back(member.name.View().ToString());
    return names;
}

// An array nested depth times, each level also holding a string and an object.
Blueprint DeepTree(uint32_t depth)
{
    BlueprintWriter writer;
    for (uint32_t i = 0; i < depth; ++i)
    {
        writer.PushElement(1);
        writer.Pop();
        writer.GetCurrent().GetElement(1).MakeObject().AddMember("level", Unsigned(i));
        writer.PushElement(0);
    }
    writer.WriteString("a text long enough to need its own block");
    return std::move(writer.GetRoot());
}

} // namespace

TEST(Blueprint, TypesStartEmptyAndClearReleases)
{
    Blueprint value;
    EXPECT_EQ(value.GetType(), BlueprintType::Invalid);
    for (uint32_t tag = 0; tag <= 8; ++tag)
    {
        value.SetString("a string long enough for the heap");
        value.SetType(static_cast<BlueprintType>(tag));
        EXPECT_EQ(static_cast<uint32_t>(value.GetType()), tag);
        EXPECT_FALSE(value.GetBoolean());
        EXPECT_EQ(value.GetInteger(), 0);
        EXPECT_EQ(value.GetNumber(), 0.0);
        EXPECT_TRUE(value.GetString().IsEmpty());
        EXPECT_EQ(value.GetCount(), 0u);
        value.Clear();
        EXPECT_EQ(value.GetType(), BlueprintType::Invalid);
    }
    value.SetType(static_cast<BlueprintType>(42));
    EXPECT_EQ(value.GetType(), BlueprintType::Invalid);
}

TEST(Blueprint, MemberNamesHashWithFnv1a64)
{
    EXPECT_EQ(HashMemberName(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(HashMemberName("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(HashMemberName("foobar"), 0x85944171f73967e8ull);
}

TEST(Blueprint, TextsOfEveryLengthKeepTheirBytes)
{
    for (uint32_t length : {0u, 1u, 18u, 19u, 20u, 21u, 300u})
    {
        std::string text(length, 'x');
        if (length > 2)
            text[1] = '\0';
        Blueprint value = Text(text);
        EXPECT_EQ(value.GetString(), StringView(text));
        EXPECT_EQ(value.GetString().begin()[length], '\0');

        // Setting a string from a view of itself must not read released bytes.
        value.SetString(value.GetString().Sub(1));
        EXPECT_EQ(value.GetString(), StringView(text).Sub(1));

        Blueprint object;
        object.SetObject().AddMember(text, Unsigned(length));
        EXPECT_EQ(object.GetObject().GetName(0), StringView(text));
        EXPECT_EQ(object.GetObject().FindMember(text), 0u);
    }
}

TEST(Blueprint, AddMemberKeepsTheFirstMemberAndOrder)
{
    Blueprint value;
    ValueObject& object = value.SetObject();
    object.AddMember("b", Unsigned(1));
    object.AddMember("a", Unsigned(2));
    Blueprint& again = object.AddMember("b", Unsigned(3));
    EXPECT_EQ(&again, &object.GetValue(0));
    EXPECT_EQ(again.GetUnsignedInteger(), 1u);
    EXPECT_EQ(Names(value), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(object.FindMember("a"), 1u);
    EXPECT_EQ(object.FindMember("c"), ValueObject::NotFound);
    EXPECT_EQ(object.FindMember("B"), ValueObject::NotFound);
    EXPECT_THROW(object.GetName(2), InvalidIndex);
    EXPECT_THROW(object.GetValue(2), InvalidIndex);
}

TEST(Blueprint, LargeObjectsFindEveryMember)
{
    Blueprint value;
    ValueObject& object = value.SetObject();
    for (uint32_t i = 0; i < 2000; ++i)
        object.AddMember("member" + std::to_string(i), Unsigned(i));
    ASSERT_EQ(object.GetCount(), 2000u);
    for (uint32_t i = 0; i < 2000; ++i)
    {
        std::string name = "member" + std::to_string(i);
        ASSERT_EQ(object.FindMember(name), i);
        ASSERT_EQ(object.Find(name)->GetUnsignedInteger(), i);
    }
    EXPECT_EQ(object.FindMember("member2000"), ValueObject::NotFound);

    // A name given as a view of a member's own name survives the block moving under it.
    Blueprint small;
    ValueObject& names = small.SetObject();
    names.AddMember("0123456789abcdef");
    for (uint32_t i = 1; i < 16; ++i)
        names.AddMember(names.GetName(0).Sub(i));
    ASSERT_EQ(names.GetCount(), 16u);
    EXPECT_EQ(names.GetName(15), StringView("f"));
    EXPECT_EQ(names.FindMember("9abcdef"), 9u);
}

TEST(Blueprint, ArraysResizeWithInvalidElements)
{
    Blueprint value;
    value.Resize(2);
    value.GetElement(0) = Text("first");
    value.GetElement(1) = Unsigned(7);
    value.Resize(5);
    ASSERT_EQ(value.GetCount(), 5u);
    EXPECT_EQ(value.GetElement(0).GetString(), StringView("first"));
    for (uint32_t i = 2; i < 5; ++i)
        EXPECT_EQ(value.GetElement(i).GetType(), BlueprintType::Invalid);
    value.Resize(1);
    EXPECT_EQ(value.GetCount(), 1u);
    EXPECT_THROW(value.GetElement(1), InvalidIndex);
    value.AppendElement(Unsigned(3));
    EXPECT_EQ(value.GetElement(1).GetUnsignedInteger(), 3u);

    Blueprint scalar = Unsigned(1);
    EXPECT_THROW(scalar.GetElement(0), InvalidIndex);
}

TEST(Blueprint, CopiesAreDeepAndSelfAssignmentKeepsValues)
{
    Blueprint value;
    ValueObject& object = value.SetObject();
    Blueprint& list = object.AddMember("list");
    list.Resize(2);
    list.GetElement(0).Resize(1);
    list.GetElement(0).GetElement(0) = Text("inner text that is rather long");
    list.GetElement(1).SetNumber(2.5);
    for (int i = 0; i < 12; ++i)
        object.AddMember("k" + std::to_string(i), Unsigned(i));

    Blueprint copy = value;
    EXPECT_TRUE(copy == value);
    copy.MakeObject().Find("list")->GetElement(0).GetElement(0).SetBoolean(true);
    EXPECT_FALSE(copy == value);
    EXPECT_EQ(value.GetObject().Find("list")->GetElement(0).GetElement(0).GetString(),
              StringView("inner text that is rather long"));
    EXPECT_EQ(copy.GetObject().FindMember("k11"), 12u);

    Blueprint before = value;
    Blueprint& alias = value;
    value = alias;
    EXPECT_TRUE(value == before);
    value = std::move(alias);
    EXPECT_TRUE(value == before);

    // Assigning a part of a tree over the whole tree.
    value = value.GetObject().GetValue(0);
    EXPECT_TRUE(value == before.GetObject().GetValue(0));
    value = std::move(value.GetElement(0));
    EXPECT_EQ(value.GetElement(0).GetString(), StringView("inner text that is rather long"));
}

TEST(Blueprint, EqualityComparesTypesNamesAndOrder)
{
    Blueprint ab, ba;
    ab.SetObject().AddMember("a", Unsigned(1));
    ab.MakeObject().AddMember("b", Unsigned(2));
    ba.SetObject().AddMember("b", Unsigned(2));
    ba.MakeObject().AddMember("a", Unsigned(1));
    EXPECT_FALSE(ab == ba);

    Blueprint signedOne, unsignedOne = Unsigned(1);
    signedOne.SetInteger(1);
    EXPECT_FALSE(signedOne == unsignedOne);
    EXPECT_TRUE(Blueprint() == Blueprint());
}

TEST(Blueprint, DeepTreesCopyCompareAndDestroyWithoutRecursion)
{
    Blueprint deep = DeepTree(100000);
    Blueprint copy = deep;
    EXPECT_TRUE(copy == deep);
    const Blueprint* innermost = &copy;
    while (innermost->GetType() == BlueprintType::Array)
        innermost = &innermost->GetElement(0);
    EXPECT_EQ(innermost->GetString(), StringView("a text long enough to need its own block"));

    Blueprint objects;
    Blueprint* level = &objects;
    for (int i = 0; i < 100000; ++i)
        level = &level->SetObject().AddMember("child");
    Blueprint& same = objects;
    objects = same;
    Blueprint moved = std::move(objects);
    deep.Clear();
}

TEST(BlueprintReader, WalksMembersAndElements)
{
    Blueprint root;
    ValueObject& object = root.SetObject();
    object.AddMember("a", Unsigned(1));
    object.AddMember("b", Text("two"));
    object.AddMember("c").Resize(2);
    object.AddMember("empty").SetArray();

    BlueprintReader reader(root);
    std::vector<uint32_t> visited;
    ASSERT_TRUE(reader.Enter());
    do
        visited.push_back(reader.GetPosition());
    while (reader.Next());
    EXPECT_EQ(visited, (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(&reader.GetCurrent(), &root);
    EXPECT_EQ(reader.GetDepth(), 0u);

    // Entering by name sets the position to 0, so Next goes to the container's second member.
    ASSERT_TRUE(reader.GetMember("c"));
    EXPECT_EQ(reader.GetPosition(), 0u);
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.GetCurrent().GetString(), StringView("two"));
    std::string text;
    EXPECT_TRUE(reader.ReadString(text));
    EXPECT_EQ(text, "two");
    ASSERT_TRUE(reader.Pop());

    ASSERT_TRUE(reader.GetMember("c"));
    EXPECT_FALSE(reader.GetElement(2));
    ASSERT_TRUE(reader.GetElement(1));
    EXPECT_TRUE(reader.Next());  // from position 0 to element 1
    EXPECT_FALSE(reader.Next()); // past the last element: back to the array
    EXPECT_EQ(reader.GetCurrent().GetCount(), 2u);
    EXPECT_FALSE(reader.ReadString(text));
    ASSERT_TRUE(reader.Pop());

    // Failed steps leave the cursor where it was.
    const Blueprint* before = &reader.GetCurrent();
    EXPECT_FALSE(reader.GetMember("missing"));
    EXPECT_FALSE(reader.GetElement(0));
    ASSERT_TRUE(reader.GetMember("empty"));
    EXPECT_FALSE(reader.Enter());
    EXPECT_FALSE(reader.GetMember("a"));
    ASSERT_TRUE(reader.Pop());
    EXPECT_EQ(&reader.GetCurrent(), before);
    EXPECT_FALSE(reader.Pop());
    EXPECT_FALSE(reader.Next());

    Blueprint emptyObject;
    emptyObject.SetObject();
    BlueprintReader emptyReader(emptyObject);
    EXPECT_FALSE(emptyReader.Enter());
    EXPECT_FALSE(emptyReader.GetMember(""));
}

TEST(BlueprintWriter, BuildsContainersOnTheWay)
{
    BlueprintWriter writer;
    writer.PushMember("list");
    writer.PushElement(1);
    EXPECT_TRUE(writer.WriteString("second"));
    EXPECT_TRUE(writer.Pop());
    writer.PushElement(4);
    writer.GetCurrent().SetBoolean(true);
    EXPECT_TRUE(writer.Pop());
    EXPECT_TRUE(writer.Pop());
    writer.PushMember("name");
    writer.WriteString("first");
    writer.Pop();
    writer.PushMember("list");
    EXPECT_EQ(writer.GetCurrent().GetCount(), 5u);
    writer.Pop();
    writer.PushMember("name");
    writer.WriteString("overwritten");
    writer.Pop();
    EXPECT_FALSE(writer.Pop());

    const Blueprint& root = writer.GetRoot();
    EXPECT_EQ(Names(root), (std::vector<std::string>{"list", "name"}));
    const Blueprint& list = root.GetObject().GetValue(0);
    ASSERT_EQ(list.GetCount(), 5u);
    EXPECT_EQ(list.GetElement(0).GetType(), BlueprintType::Invalid);
    EXPECT_EQ(list.GetElement(1).GetString(), StringView("second"));
    EXPECT_EQ(list.GetElement(3).GetType(), BlueprintType::Invalid);
    EXPECT_TRUE(list.GetElement(4).GetBoolean());
    EXPECT_EQ(root.GetObject().GetValue(1).GetString(), StringView("overwritten"));

    // A scalar in the way becomes the container the step needs.
    writer.PushMember("name");
    writer.PushElement(0);
    writer.Pop();
    EXPECT_EQ(writer.GetCurrent().GetType(), BlueprintType::Array);
    EXPECT_THROW(writer.PushElement(UINT32_MAX), InvalidIndex);
}
