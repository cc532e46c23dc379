#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/StringView.h"

#include <string>

// LON, the engine's own text form of a Blueprint tree: braces for objects, brackets for arrays,
// "Name = value" for scalar members, "Name {" and "Name [" for container members, whitespace as
// the only separator. A literal's written form decides its type: a decimal number with a point or
// an exponent is a Number, a whole one with a sign an Integer, one without an UnsignedInteger. The
// digits are decimal whatever they start with ("-010" is -10), and a number is the whole token.
namespace Lumvek
{

struct JsonNotes;

// The LON reader. It keeps no state: the caller owns the text, the reader and the tree.
class Lon
{
public:
    // Parses one value. On failure the reason is in the reader's error list ("expected '{'",
    // "expected '}'", "expected '['", "expected a string", "expected a number") and value is left
    // as it was. Nesting costs heap, not call depth, so any depth of hostile text is safe.
    // With notes, each key written again later in its object is noted there (its first path and the
    // value the later one replaced), as the JSON reader notes them, and where the text failed. A
    // token that starts like a number but is not wholly one ("12abc", "0x10", "1.5.2"), or a number
    // beyond a double or a whole one beyond 64 bits, fails the text with "expected a number";
    // with notes it is noted instead, with its path and why, and its value holds the token as text.
    static bool Parse(StringReader& reader, Blueprint& value, JsonNotes* notes = nullptr);
    // The same with a reader of its own, whose errors end with the call.
    static bool Parse(StringView text, Blueprint& value, JsonNotes* notes = nullptr);

    // The rule every number a maker writes or types is read by, in a file, in a text form ("1 2",
    // "Degrees(90)", "5_ticks") and in an editor field: the whole text is one decimal number, with a
    // sign, a point and an exponent where wanted ("010" is 10, "2E3" 2000.0), and nothing else
    // ("0x10", "12abc" and "1_000" are refused). A whole one is an Integer when signed and an
    // UnsignedInteger otherwise; one with a point or an exponent is a Number. Null when value was
    // set; otherwise why not, NotANumber for a text that does not even start like a number.
    static const char* ReadNumber(StringView text, Blueprint& value);
    static constexpr const char* NotANumber = "not a number";
};

// The LON writer, and the load and save pair that the file formats call as they call JsonFormat's;
// also the "lon" format.
class LonFormat : public TextFormat<Blueprint>
{
public:
    using TextFormat::TextFormat;

    // Appends the text of one value. An indent of 1 or more writes one member or element per line,
    // indented with one tab per level up to 32, and ends a lone scalar with a line feed; 0 writes
    // everything on one line, and ends a lone scalar with a blank. isMember puts the "=" before a
    // scalar; isLast leaves out the blank that separates compact values.
    static void WriteValue(BufferWriter& writer, const Blueprint& value, int indent, bool isMember, bool isLast);

    // Parses the value at the start of text (what follows it is not read); false, with target
    // untouched, when it is not LON.
    static bool LoadBlueprint(StringView text, Blueprint& target);
    // The pretty text of a root value.
    static std::string SaveBlueprint(const Blueprint& value);

    // Logs each of the reader's errors, then "lon parsing failed", when the text is not LON.
    bool Read(StringReader& reader, Blueprint& content) override;
    // The same, noting the keys written twice and the numbers the tree cannot hold as written (Lon::Parse).
    static bool ReadLogged(StringReader& reader, Blueprint& content, JsonNotes* notes);
    bool Write(BufferWriter& writer, const Blueprint& content) override;
};

} // namespace Lumvek
