#include "Engine/Foundation/ReadReport.h"

#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Members.h"
#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

using namespace Lumvek;

namespace
{

Blueprint Json(const std::string& text)
{
    Blueprint value;
    EXPECT_TRUE(JsonFormat::LoadBlueprint(text, value)) << text;
    return value;
}

} // namespace

TEST(ReadReport, MergeKeepsWhatTheMakerDidNotChangeAsTheFileWroteIt)
{
    struct Case
    {
        const char* file;
        const char* asRead;
        const char* edited;
        const char* saved;
    };
    const Case cases[] = {
        // Untouched: the file as written, its angle texts and whole numbers, no default it never held.
        {R"j({"R": "Degrees(60)", "S": 2, "U": [1]})j", R"j({"R": "Degrees(60.000004)", "S": 2.0, "B": 7.0})j",
         R"j({"R": "Degrees(60.000004)", "S": 2.0, "B": 7.0})j", R"j({"R": "Degrees(60)", "S": 2, "U": [1]})j"},
        // A changed member takes the edit; the unknown one stays in place.
        {R"j({"R": "Degrees(60)", "S": 2, "U": [1]})j", R"j({"R": "Degrees(60.000004)", "S": 2.0, "B": 7.0})j",
         R"j({"R": "Degrees(60.000004)", "S": 3.0, "B": 7.0
})j",
         R"j({"R": "Degrees(60)", "S": 3.0, "U": [1]})j"},
        // Removed, added, and a default the file lacked that the maker set.
        {R"j({"A": 1, "B": 2})j", R"j({"A": 1.0, "B": 2.0, "D": 0.0})j", R"j({"B": 2.0, "C": true, "D": 1.0})j",
         R"j({"B": 2, "C": true, "D": 1.0})j"},
        // An added member goes where the thing writes it.
        {R"j({"DataType": "X", "Peril": 1})j", R"j({"DataType": "X", "Peril": 1.0})j",
         R"j({"DataType": "X", "DisplayName": "N", "Peril": 1.0})j",
         R"j({"DataType": "X", "DisplayName": "N", "Peril": 1})j"},
        // A refused value the maker replaced.
        {R"j({"M": "lots"})j", R"j({"M": 100})j", R"j({"M": 50})j", R"j({"M": 50})j"},
        // Arrays of equal length merge element by element, objects in them too.
        {R"j({"L": [1, "Degrees(90)", {"N": "a", "U": 1}]})j", R"j({"L": [1.0, "Degrees(90.0)", {"N": "a"}]})j",
         R"j({"L": [1.0, "Degrees(90.0)", {"N": "b"}]
})j",
         R"j({"L": [1, "Degrees(90)", {"N": "b", "U": 1}]})j"},
        // An inserted and a removed element: the others keep their file form.
        {R"j({"L": [1, "Degrees(90)", 3]})j", R"j({"L": [1.0, "Degrees(90.0)", 3.0]})j",
         R"j({"L": [1.0, 5.0, "Degrees(90.0)", 3.0]
})j",
         R"j({"L": [1, 5.0, "Degrees(90)", 3]})j"},
        {R"j({"L": [1, "Degrees(90)", 3]})j", R"j({"L": [1.0, "Degrees(90.0)", 3.0]})j", R"j({"L": [1.0, 3.0]})j",
         R"j({"L": [1, 3]})j"},
        // A file array that was not read element for element gives no form to the edit.
        {R"j({"Z": [1, 1e39, 2.4]})j", R"j({"Z": [1.0, 2.4]})j", R"j({"Z": [1.0, 2.4, 3.0]})j",
         R"j({"Z": [1.0, 2.4, 3.0]})j"},
    };
    for (const Case& c : cases)
    {
        const Blueprint merged = MergeEdits(Json(c.file), Json(c.asRead), Json(c.edited));
        EXPECT_TRUE(merged == Json(c.saved)) << c.edited << " gave " << JsonFormat::SaveBlueprint(merged);
    }
}

TEST(ReadReport, SaveIsRefusedUntilEveryProblemMemberIsSet)
{
    FileRecord record;
    record.file = Json(R"j({"Stats": {"MaxAmmo": "lots", "Clip": -5}, "Speed": 2})j");
    record.report.SetFile("Assets/Weapons/Rifle/Data.json");
    {
        Testing::LogCapture log;
        BlueprintReader reader(record.file, &record.report, "");
        ASSERT_TRUE(reader.GetMember("Stats"));
        uint32_t maxAmmo = 100;
        uint32_t clip = 10;
        float speed = 0.0f;
        EXPECT_FALSE(ReadMember(reader, "MaxAmmo", maxAmmo));
        EXPECT_FALSE(ReadMember(reader, "Clip", clip));
        reader.Pop();
        EXPECT_TRUE(ReadMember(reader, "Speed", speed));
        ASSERT_EQ(log.messages.size(), 2u);
        EXPECT_EQ(log.messages[0], "Assets/Weapons/Rifle/Data.json: Stats.MaxAmmo holds \"lots\", which was not taken: "
                                   "a whole number from 0 up, without a sign, was expected");
    }
    EXPECT_FALSE(record.report.IsWhole());
    record.asRead = Json(R"j({"Stats": {"MaxAmmo": 100, "Clip": 10}, "Speed": 2.0})j");

    Blueprint out;
    std::string refusal;
    EXPECT_FALSE(record.Merge(Json(R"j({"Stats": {"MaxAmmo": 50, "Clip": 10}, "Speed": 2.0})j"), out, refusal));
    EXPECT_EQ(refusal, "did not save Assets/Weapons/Rifle/Data.json: it was not read whole (Stats.Clip holds -5: "
                       "below 0)");
    const Blueprint edited = Json(R"j({"Stats": {"MaxAmmo": 50, "Clip": 12}, "Speed": 2.0})j");
    ASSERT_TRUE(record.Merge(edited, out, refusal));
    EXPECT_TRUE(out == Json(R"j({"Stats": {"MaxAmmo": 50, "Clip": 12}, "Speed": 2})j"));

    // Saved, the record holds what was written and reads as whole.
    record.Saved(out, edited);
    EXPECT_TRUE(record.report.IsWhole());
    EXPECT_EQ(record.report.GetFile(), "Assets/Weapons/Rifle/Data.json");
    ASSERT_TRUE(record.Merge(edited, out, refusal));
    EXPECT_TRUE(out == record.file);

    // A file that did not parse is never written over; a new thing has no file to keep.
    FileRecord unparsed;
    unparsed.report.SetFile("Effect.lte");
    unparsed.report.SetUnparsed("lon parsing failed");
    EXPECT_FALSE(unparsed.Merge(edited, out, refusal));
    EXPECT_EQ(refusal, "did not save Effect.lte: it was not read whole (it did not parse: lon parsing failed)");
    EXPECT_TRUE(FileRecord().Merge(edited, out, refusal));
    EXPECT_TRUE(out == edited);
}

TEST(ReadReport, PathsNameTheMemberFromTheFilesRoot)
{
    const Blueprint tree = Json(R"j({"Emitters": [{"Rate": 1}, {"Rules": {"Size": "big"}}]})j");
    ReadReport report;
    // A reader over part of the tree, as a reader of an element makes it, carries the path on.
    BlueprintReader reader(tree.GetObject().Find("Emitters")->GetElement(1), &report, "Emitters[1]");
    ASSERT_TRUE(reader.GetMember("Rules"));
    EXPECT_EQ(reader.GetPath(), "Emitters[1].Rules");
    reader.Refuse("Size", "a number was expected");
    reader.Refuse("Gone", "required");
    reader.Refuse("", "no rules of that kind");
    ASSERT_EQ(report.GetProblems().size(), 3u);
    EXPECT_EQ(report.GetProblems()[0].path, "Emitters[1].Rules.Size");
    EXPECT_EQ(report.GetProblems()[0].value, "\"big\"");
    EXPECT_EQ(report.GetProblems()[1].value, "missing");
    EXPECT_EQ(report.GetProblems()[2].path, "Emitters[1].Rules");
    EXPECT_EQ(FindPath(tree, "Emitters[1].Rules.Size"),
              tree.GetObject().Find("Emitters")->GetElement(1).GetObject().Find("Rules")->GetObject().Find("Size"));
    EXPECT_EQ(FindPath(tree, "Emitters[2]"), nullptr);

    BlueprintReader whole(tree);
    ASSERT_TRUE(whole.GetMember("Emitters") && whole.GetElement(1) && whole.GetMember("Rules"));
    EXPECT_EQ(whole.GetPath(), "Emitters[1].Rules");
}
