#include "Engine/Foundation/Xml.h"

#include <gtest/gtest.h>

#include <string>

using namespace Lumvek;

// A namespace of its own: the program compiles its files in batches.
namespace XmlTests
{

namespace
{

Blueprint Load(StringView text)
{
    Blueprint value;
    EXPECT_TRUE(XmlFormat::LoadBlueprint(text, value)) << text.ToStdView();
    return value;
}

Blueprint Text(StringView text)
{
    Blueprint value;
    value.SetString(text);
    return value;
}

std::string Nested(uint32_t depth, const std::string& open, const std::string& close)
{
    std::string text;
    for (uint32_t i = 0; i < depth; ++i)
        text += open;
    for (uint32_t i = 0; i < depth; ++i)
        text += close;
    return text;
}

} // namespace

TEST(Xml, AttributesAndChildrenBecomeMembers)
{
    Blueprint expected;
    ValueObject& root = expected.SetObject();
    root.AddMember("x", Text("1"));
    root.AddMember("B", Text(""));
    root.AddMember("C").SetObject().AddMember("", Text("t"));
    EXPECT_TRUE(Load(R"(<A x="1"><B/><C>t</C></A>)") == expected);

    // A byte order mark, the declaration, comments and whitespace between elements change nothing.
    EXPECT_TRUE(Load("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c -->\n<A x='1'>\n\t<B></B>\n\t<C>t</C>\n</A>\n") ==
                expected);
    // Later top-level elements are ignored.
    EXPECT_TRUE(Load(R"(<A x="1"><B/><C>t</C></A><D/>)") == expected);
}

TEST(Xml, RepeatedNamesKeepTheFirstPlaceAndTheLastChild)
{
    Blueprint value = Load(R"(<A n="attribute" m="0"><n>1</n><m/><n><k/></n>mixed &amp; <![CDATA[<raw>]]></A>)");
    const ValueObject& members = value.GetObject();
    ASSERT_EQ(members.GetCount(), 3u);
    EXPECT_EQ(members.GetName(0), StringView("n"));
    EXPECT_EQ(members.GetValue(0).GetObject().Find("k")->GetString(), StringView(""));
    EXPECT_EQ(members.GetValue(1).GetString(), StringView(""));
    // Text runs and character data are nameless: the last one wins.
    EXPECT_EQ(members.GetName(2), StringView(""));
    EXPECT_EQ(members.GetValue(2).GetString(), StringView("<raw>"));
}

TEST(Xml, MalformedTextsFailAndLeaveTheTarget)
{
    const std::string texts[] = {
        "",
        " ",
        "text",
        "<a>",
        "<a></a",
        "<a x=1/>",
        "<a x='1/>",
        "<a><b></a>",
        "<>",
        "</a>",
        "<a>&#12</a>",
        "<!-- only a comment -->",
        "<?xml version=\"1.0\"?>",
        "<!DOCTYPE a [ <!ELEMENT a ANY>",
        "<a/> text",
        Nested(100000, "<a>", ""),
        Nested(300, "<a>", "</a>"),
        // Closings hidden where the parser does not read them as closings.
        Nested(300, "<a x='</a>'><!--</a>--><![CDATA[</a>]]><?p </a>?>", "</a>"),
    };
    for (const std::string& text : texts)
    {
        Blueprint target;
        target.SetObject().AddMember("kept");
        EXPECT_FALSE(XmlFormat::LoadBlueprint(text, target)) << text.substr(0, 40);
        EXPECT_EQ(target.GetObject().FindMember("kept"), 0u);
    }
}

TEST(Xml, NestingUpToTheLimitLoads)
{
    Blueprint value = Load(Nested(XmlFormat::MaximumDepth, "<a>", "</a>"));
    const Blueprint* level = &value;
    uint32_t depth = 1;
    while (level->GetObject().Find("a"))
    {
        level = level->GetObject().Find("a");
        ++depth;
    }
    EXPECT_EQ(depth, XmlFormat::MaximumDepth);
    EXPECT_EQ(level->GetString(), StringView(""));

    // Self-closing elements, siblings and skipped nodes do not count as nesting.
    std::string wide = "<r>";
    for (int i = 0; i < 1000; ++i)
        wide += "<e/><f></f><!-- x --><?p?>";
    Load(wide + "</r>");
}

TEST(Xml, SavesNamelessRootWithTabs)
{
    Blueprint value;
    ValueObject& root = value.SetObject();
    root.AddMember("a").SetUnsignedInteger(1);
    Blueprint& list = root.AddMember("b");
    list.AppendElement().SetBoolean(true);
    list.AppendElement(Text("x<y & 'z'"));
    root.AddMember("c").SetObject();
    root.AddMember("d").SetNull();
    root.AddMember("e").SetNumber(1.5);
    root.AddMember("f").SetInteger(-3);
    root.AddMember("g");
    EXPECT_EQ(XmlFormat::SaveBlueprint(value), "<>\n"
                                               "\t<a>1</a>\n"
                                               "\t<b>\n"
                                               "\t\t<>true</>\n"
                                               "\t\t<>x&lt;y &amp; &apos;z&apos;</>\n"
                                               "\t</b>\n"
                                               "\t<c/>\n"
                                               "\t<d/>\n"
                                               "\t<e>1.5</e>\n"
                                               "\t<f>-3</f>\n"
                                               "\t<g/>\n"
                                               "</>\n\n");

    Blueprint scalar;
    scalar.SetUnsignedInteger(UINT64_MAX);
    EXPECT_EQ(XmlFormat::SaveBlueprint(scalar), "<>18446744073709551615</>\n\n");
    scalar.SetInteger(INT64_MIN);
    EXPECT_EQ(XmlFormat::SaveBlueprint(scalar), "<>-9223372036854775808</>\n\n");
    scalar.SetNumber(2);
    EXPECT_EQ(XmlFormat::SaveBlueprint(scalar), "<>2.0</>\n\n");
    EXPECT_EQ(XmlFormat::SaveBlueprint(Blueprint()), "</>\n\n");
}

TEST(Xml, TreesDeeperThanTheLimitSaveAsEmptyText)
{
    auto chain = [](uint32_t levels)
    {
        Blueprint root;
        Blueprint* level = &root;
        for (uint32_t i = 1; i < levels; ++i)
            level = &level->AppendElement();
        level->SetString("leaf");
        return root;
    };
    std::string text = XmlFormat::SaveBlueprint(chain(XmlFormat::MaximumDepth));
    EXPECT_NE(text.find("leaf"), std::string::npos);
    EXPECT_EQ(XmlFormat::SaveBlueprint(chain(XmlFormat::MaximumDepth + 1)), "");
    EXPECT_EQ(XmlFormat::SaveBlueprint(chain(100000)), "");
}

TEST(Xml, DeepNestingIsRefusedWhateverComesBeforeTheFirstElement)
{
    // Deep enough to overflow the parser's stack, were it let through.
    const std::string deep = Nested(200000, "<a>", "</a>");
    const std::string mark = "\xEF\xBB\xBF";
    for (const std::string& before : {std::string(), mark, mark + mark, mark + mark + mark, std::string("junk "),
                                      mark + "\n" + mark, std::string("\x01")})
    {
        Blueprint target;
        target.SetString("kept");
        EXPECT_FALSE(XmlFormat::LoadBlueprint(before + deep, target)) << before.size();
        EXPECT_EQ(target.GetString(), StringView("kept"));
    }
    // Two marks before a shallow document still read as RapidXML reads them.
    Blueprint value = Load(mark + mark + "<A x=\"1\"/>");
    EXPECT_EQ(value.GetObject().Find("x")->GetString(), StringView("1"));
}

} // namespace XmlTests
