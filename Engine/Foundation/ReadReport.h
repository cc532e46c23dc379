#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/StringView.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Lumvek
{

struct JsonNotes;

// One member a reader could not take as the file wrote it.
struct ReadProblem
{
    // From the file's root: "Entities.Platforms[2].Flipped", "Emitters[0].MaximumParticles".
    std::string path;
    // DescribeValue of what the file held ("missing" when absent but required).
    std::string value;
    // "a number was expected", "below 1", "no classification of that name", "not a number".
    std::string why;

    bool operator==(const ReadProblem&) const = default;
};

// The problems the readings of one text have logged, shared by the reports of the readers that read
// the same text apart (a map's file: the match's load on its loader thread, the definition's window on
// the application thread), so that each problem is logged by the first that finds it. Any thread.
class SaidProblems
{
public:
    // True the first time the problem is told, false after.
    bool Tell(const ReadProblem& problem);
    // The text changed: what the new one holds is said again.
    void Forget();

private:
    std::mutex mutex;
    std::vector<ReadProblem> said;
};

// What a reader could not take of one file. Whoever keeps what was read keeps its report. Each
// problem is logged once, when it is added; editors show the list.
class ReadReport
{
public:
    // The path named in messages.
    void SetFile(std::string name) { file = std::move(name); }
    const std::string& GetFile() const { return file; }
    // The text did not parse: nothing could be read. Logged.
    void SetUnparsed(std::string why);
    bool IsParsed() const { return unparsed.empty(); }
    // Logs one line "{file}: {path} holds {value}, which was not taken: {why}" and keeps the problem;
    // nothing for a member already named as a number the text wrote in a form the tree cannot hold.
    void Add(std::string path, std::string value, std::string why);
    // A problem of the text itself, which reading the tree again would not find (ReportTextNotes).
    // A number is named once, whether a reader refuses its member before or after it is added.
    void AddFromText(std::string path, std::string value, std::string why, bool number);
    // Parsed and no problem.
    bool IsWhole() const { return IsParsed() && problems.empty(); }
    const std::vector<ReadProblem>& GetProblems() const { return problems; }
    // The paths of the numbers the text wrote that the tree cannot hold as written (AddFromText).
    const std::vector<std::string>& GetUnwritableNumbers() const { return numberPaths; }
    // For messages and panels: the file and its first `most` problems (or why it did not parse).
    std::string Describe(size_t most = 3) const;
    // The first `most` problems alone, "and n more" after them.
    std::string DescribeProblems(size_t most = 3) const;
    // Forgets the problems and the parse failure; keeps the file name.
    void Clear();
    // Logs from now on only the problems that no report sharing `problems` has logged.
    void ShareSaid(std::shared_ptr<SaidProblems> problems) { shared = std::move(problems); }
    // Before the tree of the same reading of the file is read again: forgets what the readers found,
    // which they then add again without its being logged again, and keeps the text's own problems.
    void Renew();

private:
    std::string file;
    std::string unparsed;
    std::vector<ReadProblem> problems;
    // Those of the problems added from the text, and the paths of its numbers.
    std::vector<ReadProblem> fromText;
    std::vector<std::string> numberPaths;
    // The readers' problems logged before a Renew.
    std::vector<ReadProblem> said;
    std::shared_ptr<SaidProblems> shared;
};

// The file a thing was read from, kept beside it so that a Save writes back exactly what the maker
// did not change. Filled at load, used and renewed by every Save.
struct FileRecord
{
    // The parsed file (Invalid when there was none: a new thing).
    Blueprint file;
    // What the thing wrote right after it was read.
    Blueprint asRead;
    ReadReport report;

    // The tree to save, given what the thing writes now. Refuses (false, `refusal` set to
    // "did not save {file}: it was not read whole ({first problems})") when the file did not parse,
    // or when a problem's member still holds in `edited` what it held in `asRead` (the maker has not
    // set it), also when the list element it belongs to stands unchanged at another index (elements
    // around it were removed, added or moved). Otherwise three-way: see MergeEdits.
    bool Merge(const Blueprint& edited, Blueprint& out, std::string& refusal) const;
    // After a successful write of `saved` (the merged tree) from `edited`: file = saved,
    // asRead = edited, report emptied (keeps the file name).
    void Saved(const Blueprint& saved, const Blueprint& edited);
};

// Three-way merge. Where edited equals asRead, the file's own value is kept as written (text of
// angles and numbers, members the file never held stay absent). Object members: changed ones take
// edited's value (recursively), members edited added go after the member edited holds before them,
// members asRead had and edited lacks are removed, members only the file has (unknown to every
// reader) are kept in place. Arrays
// of equal length on all three sides merge element by element; otherwise each edited element that
// equals an unused asRead element keeps that element's file form, one that lies between the same
// unchanged neighbours as an unused asRead element merges with it, the rest take edited's.
Blueprint MergeEdits(const Blueprint& file, const Blueprint& asRead, const Blueprint& edited);

// Adds each key the file writes twice in one object: the earlier value is the one not taken. Its
// member holds the later value, so Save is refused until the maker sets it: the file keeps both
// texts as written until then. Adds each number the tree could not hold as written, which Save
// would write as another text or another number (or not at all): Save is refused until the maker
// sets a member a reader knows, or mends the file by hand.
void ReportTextNotes(ReadReport& report, const JsonNotes& notes);

// Parses the text of the file the report names into tree. False, with the report marked unparsed (which
// logs where and why: "the text is not LON: line 3, column 9: expected '}'", "line 1, column 30: ...")
// and tree left Invalid, when it does not parse, or for JSON when its root is no object; otherwise the
// keys it writes twice and the numbers the tree cannot hold as written go into the report
// (ReportTextNotes), and the readers add theirs.
bool ParseLonText(StringView text, Blueprint& tree, ReadReport& report);
bool ParseJsonObject(StringView text, Blueprint& tree, ReadReport& report);

// The value a problem's path ("Emitters[0].Rate") names below root; null when there is none.
const Blueprint* FindPath(const Blueprint& root, StringView path);
Blueprint* FindPath(Blueprint& root, StringView path);

} // namespace Lumvek
