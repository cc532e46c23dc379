#include "Engine/Foundation/ReadReport.h"

#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/Pattern.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <utility>

namespace Lumvek
{

namespace
{

std::string DescribeList(const std::vector<const ReadProblem*>& problems, size_t most)
{
    std::string text;
    for (size_t i = 0; i < problems.size() && i < most; ++i)
    {
        if (i > 0)
            text += "; ";
        text += FormatText("{} holds {}: {}", problems[i]->path, problems[i]->value, problems[i]->why);
    }
    if (problems.size() > most)
        text += FormatText("; and {} more", static_cast<uint64_t>(problems.size() - most));
    return text;
}

// Elements an edited array shares with the one read keep the file's form of that element; they are
// matched by value, each read element once, the one at the same position first.
Blueprint MergeArrays(const Blueprint& file, const Blueprint& asRead, const Blueprint& edited)
{
    const uint32_t count = edited.GetCount();
    Blueprint merged;
    merged.SetArray();
    merged.Reserve(count);
    if (file.GetCount() == asRead.GetCount() && asRead.GetCount() == count)
    {
        for (uint32_t i = 0; i < count; ++i)
            merged.AppendElement(MergeEdits(file.GetElement(i), asRead.GetElement(i), edited.GetElement(i)));
        return merged;
    }
    // Only when the file and the read array correspond element by element is a file element the form
    // of a read one: a refused element would shift them.
    const bool corresponding = file.GetCount() == asRead.GetCount();
    std::vector<bool> used(asRead.GetCount(), false);
    std::vector<uint32_t> match(count, UINT32_MAX);
    for (uint32_t i = 0; i < count; ++i)
    {
        const Blueprint& element = edited.GetElement(i);
        if (i < asRead.GetCount() && !used[i] && asRead.GetElement(i) == element)
            match[i] = i;
        for (uint32_t j = 0; match[i] == UINT32_MAX && j < asRead.GetCount(); ++j)
            if (!used[j] && asRead.GetElement(j) == element)
                match[i] = j;
        if (match[i] != UINT32_MAX)
            used[match[i]] = true;
    }
    // A changed element is the read one left between the same unchanged neighbours, taken in order:
    // merged with it, its untouched members keep their text even when other elements were added or
    // removed around it.
    std::vector<bool> changed(count, false);
    for (uint32_t i = 0, low = 0; i < count; ++i)
    {
        if (match[i] != UINT32_MAX)
        {
            low = match[i] + 1;
            continue;
        }
        uint32_t high = asRead.GetCount();
        for (uint32_t k = i + 1; k < count; ++k)
            if (match[k] != UINT32_MAX)
            {
                high = match[k];
                break;
            }
        for (uint32_t j = low; j < high; ++j)
            if (!used[j])
            {
                used[j] = true;
                match[i] = j;
                changed[i] = true;
                low = j + 1;
                break;
            }
    }
    for (uint32_t i = 0; i < count; ++i)
    {
        const Blueprint& element = edited.GetElement(i);
        if (match[i] == UINT32_MAX || !corresponding)
            merged.AppendElement(element);
        else if (changed[i])
            merged.AppendElement(MergeEdits(file.GetElement(match[i]), asRead.GetElement(match[i]), element));
        else
            merged.AppendElement(file.GetElement(match[i]));
    }
    return merged;
}

// A member the maker added goes where the thing writes it: after the member it writes before it, or
// before the one it writes after it, among those the merged object holds.
size_t AddedPosition(const std::vector<std::pair<StringView, Blueprint>>& merged, const ValueObject& now,
                     uint32_t added)
{
    const auto find = [&](uint32_t position)
    {
        const StringView name = now.GetName(position);
        for (size_t i = 0; i < merged.size(); ++i)
            if (merged[i].first == name)
                return i;
        return merged.size();
    };
    for (uint32_t before = added; before-- > 0;)
        if (const size_t at = find(before); at < merged.size())
            return at + 1;
    for (uint32_t after = added + 1; after < now.GetCount(); ++after)
        if (const size_t at = find(after); at < merged.size())
            return at;
    return merged.size();
}

Blueprint MergeObjects(const Blueprint& file, const Blueprint& asRead, const Blueprint& edited)
{
    const ValueObject& read = asRead.GetObject();
    const ValueObject& now = edited.GetObject();
    std::vector<std::pair<StringView, Blueprint>> members;
    for (const BlueprintMember& member : file.GetObject())
    {
        const StringView name = member.name.View();
        const Blueprint* readValue = read.Find(name);
        const Blueprint* value = now.Find(name);
        if (!readValue)
            // Unknown to the reader: kept as written, unless the thing now writes it itself.
            members.emplace_back(name, value ? *value : member.value);
        else if (value)
            members.emplace_back(name, MergeEdits(member.value, *readValue, *value));
        // Read and now gone: the maker removed it.
    }
    for (uint32_t i = 0; i < now.GetCount(); ++i)
    {
        const StringView name = now.GetName(i);
        if (file.GetObject().Find(name))
            continue;
        // A member the file never held stays absent while it holds what was read (a default).
        const Blueprint* readValue = read.Find(name);
        if (!readValue || !(*readValue == now.GetValue(i)))
            members.emplace(members.begin() + static_cast<std::ptrdiff_t>(AddedPosition(members, now, i)), name,
                            now.GetValue(i));
    }
    Blueprint merged;
    ValueObject& object = merged.SetObject();
    object.Reserve(static_cast<uint32_t>(members.size()));
    for (auto& [name, value] : members)
        object.AddMember(name, std::move(value));
    return merged;
}

// One step of a problem's path: a member's name, or an element's index.
struct PathStep
{
    StringView key;
    uint32_t index = 0;
    bool element = false;
};

// The steps of a path ("Emitters[0].Rate"); false when an index does not read.
bool SplitPath(StringView path, std::vector<PathStep>& steps)
{
    uint32_t at = 0;
    while (at < path.length)
    {
        if (path.data[at] == '.')
            ++at;
        if (at < path.length && path.data[at] == '[')
        {
            const char* begin = path.data + at + 1;
            const char* end = path.data + path.length;
            PathStep step;
            step.element = true;
            const auto [last, error] = std::from_chars(begin, end, step.index);
            if (error != std::errc() || last == end || *last != ']')
                return false;
            steps.push_back(step);
            at = static_cast<uint32_t>(last - path.data) + 1;
            continue;
        }
        uint32_t end = at;
        while (end < path.length && path.data[end] != '.' && path.data[end] != '[')
            ++end;
        steps.push_back(PathStep{path.Sub(at, end - at)});
        at = end;
    }
    return true;
}

const Blueprint* Step(const Blueprint& value, const PathStep& step)
{
    if (!step.element)
        return value.GetObject().Find(step.key);
    return value.GetType() == BlueprintType::Array && step.index < value.GetCount() ? &value.GetElement(step.index)
                                                                                    : nullptr;
}

const Blueprint* Follow(const Blueprint& root, std::span<const PathStep> steps)
{
    const Blueprint* value = &root;
    for (size_t i = 0; value && i < steps.size(); ++i)
        value = Step(*value, steps[i]);
    return value;
}

// How many values equal to element value holds at the steps' path, with any index at each element step.
size_t CountAnywhere(const Blueprint& value, std::span<const PathStep> steps, const Blueprint& element)
{
    if (steps.empty())
        return value == element ? 1 : 0;
    if (!steps.front().element)
    {
        const Blueprint* member = value.GetObject().Find(steps.front().key);
        return member ? CountAnywhere(*member, steps.subspan(1), element) : 0;
    }
    size_t count = 0;
    for (uint32_t i = 0; value.GetType() == BlueprintType::Array && i < value.GetCount(); ++i)
        count += CountAnywhere(value.GetElement(i), steps.subspan(1), element);
    return count;
}

// Whether the maker has left a problem's member as it was read: it holds the same value at the same
// path, or the list element it belongs to (the innermost on its path) stands unchanged elsewhere, where
// removing, adding or moving the elements around it took it. Elements equal to it are counted, so
// that removing it, or one equal to it, counts as its removal.
bool Unset(const Blueprint& asRead, const Blueprint& edited, StringView path)
{
    std::vector<PathStep> steps;
    // A path that names nothing names nothing on either side.
    if (!SplitPath(path, steps))
        return true;
    const Blueprint* read = Follow(asRead, steps);
    const Blueprint* now = Follow(edited, steps);
    if (read == now || (read && now && *read == *now))
        return true;
    size_t owner = steps.size();
    while (owner > 0 && !steps[owner - 1].element)
        --owner;
    const std::span<const PathStep> toOwner(steps.data(), owner);
    const Blueprint* element = owner > 0 ? Follow(asRead, toOwner) : nullptr;
    return element && CountAnywhere(edited, toOwner, *element) >= CountAnywhere(asRead, toOwner, *element);
}

} // namespace

bool SaidProblems::Tell(const ReadProblem& problem)
{
    std::lock_guard lock(mutex);
    if (std::find(said.begin(), said.end(), problem) != said.end())
        return false;
    said.push_back(problem);
    return true;
}

void SaidProblems::Forget()
{
    std::lock_guard lock(mutex);
    said.clear();
}

void ReadReport::SetUnparsed(std::string why)
{
    unparsed = std::move(why);
    Log::Write("{} did not parse: {}", file, unparsed);
}

void ReadReport::Add(std::string path, std::string value, std::string why)
{
    // A reader refuses the text such a number was kept as; the number says better what the file holds.
    if (std::find(numberPaths.begin(), numberPaths.end(), path) != numberPaths.end())
        return;
    ReadProblem problem{std::move(path), std::move(value), std::move(why)};
    if (std::none_of(said.begin(), said.end(), [&](const ReadProblem& earlier) { return earlier == problem; }) &&
        (!shared || shared->Tell(problem)))
    {
        if (file.empty())
            Log::Write("{} holds {}, which was not taken: {}", problem.path, problem.value, problem.why);
        else
            Log::Write("{}: {} holds {}, which was not taken: {}", file, problem.path, problem.value, problem.why);
    }
    problems.push_back(std::move(problem));
}

void ReadReport::AddFromText(std::string path, std::string value, std::string why, bool number)
{
    const auto named = [&](const ReadProblem& problem) { return problem.path == path; };
    if (number && std::any_of(problems.begin(), problems.end(), named))
        return;
    const size_t count = problems.size();
    Add(std::move(path), std::move(value), std::move(why));
    if (problems.size() == count)
        return;
    fromText.push_back(problems.back());
    if (number)
        numberPaths.push_back(problems.back().path);
}

std::string ReadReport::DescribeProblems(size_t most) const
{
    if (!IsParsed())
        return "it did not parse: " + unparsed;
    std::vector<const ReadProblem*> list;
    for (const ReadProblem& problem : problems)
        list.push_back(&problem);
    return DescribeList(list, most);
}

std::string ReadReport::Describe(size_t most) const
{
    if (IsWhole())
        return file + " was read whole";
    return file + ": " + DescribeProblems(most);
}

void ReadReport::Clear()
{
    unparsed.clear();
    problems.clear();
    fromText.clear();
    numberPaths.clear();
    said.clear();
}

void ReadReport::Renew()
{
    for (ReadProblem& problem : problems)
        if (std::find(fromText.begin(), fromText.end(), problem) == fromText.end())
            said.push_back(std::move(problem));
    problems = fromText;
}

bool FileRecord::Merge(const Blueprint& edited, Blueprint& out, std::string& refusal) const
{
    std::vector<const ReadProblem*> pending;
    for (const ReadProblem& problem : report.GetProblems())
    {
        if (Unset(asRead, edited, problem.path))
            pending.push_back(&problem);
    }
    if (!report.IsParsed() || !pending.empty())
    {
        refusal = FormatText("did not save {}: it was not read whole ({})", report.GetFile(),
                             report.IsParsed() ? DescribeList(pending, 3) : report.DescribeProblems());
        return false;
    }
    // A new thing has no file to keep.
    out = file.GetType() == BlueprintType::Invalid ? edited : MergeEdits(file, asRead, edited);
    return true;
}

void FileRecord::Saved(const Blueprint& saved, const Blueprint& edited)
{
    file = saved;
    asRead = edited;
    report.Clear();
}

Blueprint MergeEdits(const Blueprint& file, const Blueprint& asRead, const Blueprint& edited)
{
    if (edited == asRead)
        return file;
    const BlueprintType type = edited.GetType();
    if (type == BlueprintType::Object && file.GetType() == type && asRead.GetType() == type)
        return MergeObjects(file, asRead, edited);
    if (type == BlueprintType::Array && file.GetType() == type && asRead.GetType() == type)
        return MergeArrays(file, asRead, edited);
    return edited;
}

void ReportTextNotes(ReadReport& report, const JsonNotes& notes)
{
    for (const auto& [path, earlier] : notes.repeats)
        report.AddFromText(path, DescribeValue(earlier),
                           "the key is written again later in its object, whose value is taken", false);
    for (const JsonNotes::Number& number : notes.numbers)
        report.AddFromText(number.path, number.text, number.why, true);
}

bool ParseLonText(StringView text, Blueprint& tree, ReadReport& report)
{
    JsonNotes notes;
    Blueprint parsed;
    if (!Lon::Parse(text, parsed, &notes))
    {
        tree.Clear();
        report.SetUnparsed(notes.error.empty() ? "the text is not LON" : "the text is not LON: " + notes.error);
        return false;
    }
    tree = std::move(parsed);
    ReportTextNotes(report, notes);
    return true;
}

bool ParseJsonObject(StringView text, Blueprint& tree, ReadReport& report)
{
    JsonNotes notes;
    Blueprint parsed;
    if (!JsonFormat::LoadBlueprint(text, parsed, notes) || parsed.GetType() != BlueprintType::Object)
    {
        tree.Clear();
        report.SetUnparsed(notes.error.empty() ? "it holds no JSON object" : notes.error);
        return false;
    }
    tree = std::move(parsed);
    ReportTextNotes(report, notes);
    return true;
}

const Blueprint* FindPath(const Blueprint& root, StringView path)
{
    std::vector<PathStep> steps;
    return SplitPath(path, steps) ? Follow(root, steps) : nullptr;
}

Blueprint* FindPath(Blueprint& root, StringView path)
{
    // The same walk; the tree is the caller's to change.
    return const_cast<Blueprint*>(FindPath(std::as_const(root), path));
}

} // namespace Lumvek
