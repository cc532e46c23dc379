#include "Engine/Foundation/ReadReport.h"

#include "Engine/Foundation/Json.h"

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
        // A point mended while another was added: its untouched members keep their text.
        {R"j({"P": [{"Position": "30 10", "Size": "1 1", "Mask": "A"}, {"Position": "5 5"}]})j",
         R"j({"P": [{"Position": "30.0 10.0", "Size": "1.0 1.0", "Mask": "A"}, {"Position": "5.0 5.0"}]})j",
         R"j({"P": [{"Position": "30.0 10.0", "Size": "1.0 1.0", "Mask": "B"}, {"Position": "5.0 5.0"}, {}]})j",
         R"j({"P": [{"Position": "30 10", "Size": "1 1", "Mask": "B"}, {"Position": "5 5"}, {}]})j"},
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
    record.report.Add("Stats.MaxAmmo", "\"lots\"", "a whole number was expected");
    record.report.Add("Stats.Clip", "-5", "below 0");
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
