#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/StringView.h"

#include <string>
#include <utility>
#include <vector>

namespace Lumvek
{

// What a load found beside the tree.
struct JsonNotes
{
    // Where and why the text did not parse ("line 3, column 14: a number beyond a double"); empty
    // when it parsed.
    std::string error;
    // Each key an object writes again later: the path of the earlier one ("Stats.Team") and the value
    // the later one replaced.
    std::vector<std::pair<std::string, Blueprint>> repeats;

    // Notes a key written twice. False, noting nothing, past the first MostRepeats or for a path
    // longer than LongestRepeatPath: the readers then refuse the text whole, since the paths and the
    // earlier values of a hostile text's repeats could take memory without end.
    bool NoteRepeat(std::string path, const Blueprint& earlier);
    static constexpr size_t MostRepeats = 64;
    static constexpr size_t LongestRepeatPath = 1024;
    static constexpr const char* TooManyRepeats = "more keys written twice, or deeper, than a file may hold";

    // A number the tree cannot hold as the text wrote it: a LON token that is only partly a number
    // ("12abc", "0x10"), or a number beyond a double or a whole number beyond 64 bits. Its member
    // holds what the reader made of it (see the readers); a Save would not write it back as written.
    struct Number
    {
        std::string path;
        // The text as written, cut at LongestNumberText characters.
        std::string text;
        const char* why;
    };
    std::vector<Number> numbers;

    // Notes such a number. False, noting nothing, past the first MostRepeats, or for a path longer
    // than LongestRepeatPath, for the same reason as NoteRepeat.
    bool NoteNumber(std::string path, StringView text, const char* why);
    static constexpr size_t LongestNumberText = 64;
    static constexpr const char* TooManyNumbers = "more numbers that cannot be read as written than a file may hold";
};

// Converts between JSON text and Blueprint trees. Only an object or an array is a document. As the
// "json" format it reads and writes files through the statics.
class JsonFormat : public TextFormat<Blueprint>
{
public:
    using TextFormat::TextFormat;

    // Parses standard JSON (no comments, no trailing commas). Integers from 0 to 2^64 - 1 become
    // UnsignedInteger, negative ones down to -2^63 Integer, larger ones Number; numbers with a
    // fraction or an exponent become Number. A repeated key keeps its first position and its last value.
    // False, with target untouched, for a syntax error or a root that is neither object nor array.
    static bool LoadBlueprint(StringView text, Blueprint& target);
    // The same, noting why a text did not parse, which keys are written twice and which integers lie
    // beyond 64 bits.
    static bool LoadBlueprint(StringView text, Blueprint& target, JsonNotes& notes);
    // Pretty text indented with one tab per level up to 32; a Number reads back as the same double; Invalid members and
    // elements are left out. A root that is neither Object nor Array gives "null".
    static std::string SaveBlueprint(const Blueprint& value);

    // Logs "json parsing failed" when the text is no document.
    bool Read(StringReader& reader, Blueprint& content) override;
    bool Write(BufferWriter& writer, const Blueprint& content) override;
};

} // namespace Lumvek
