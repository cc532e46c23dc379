#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Color.h"
#include "Engine/Foundation/Math.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Foundation/Tick.h"

#include <cstdint>
#include <string>
#include <vector>

// Typed members: files are read and written member by member, and the field's type decides which
// Blueprint tag and which text form its member has.
//
// ReadMember(reader, key, field) reads the member key of the reader's current Object. The member's
// tag must be one the field's type reads: a Number is not an integer, a text is not a number, but a
// whole number is a number for a float, and either integer tag serves an integer field it fits. The
// field is written only on success, and the reader's cursor is where it was afterwards. A member that
// is present but not taken (of another form, beyond the field's range, a text that does not parse)
// is refused through the reader (BlueprintReader::Refuse), which names it in the file's report.
//
// WriteMember(writer, key, field) makes the writer's current value an Object unless it is one,
// finds or adds the member (an existing one is overwritten in place), stores the field and returns
// the writer to the Object. It answers true.
//
// Other types join the family with overloads of their own beside them.
namespace Lumvek
{

// A span of time in ticks of the fixed simulation step.
struct Duration
{
    uint32_t ticks = 0;

    constexpr bool operator==(const Duration&) const = default;
};

// The radians a file's "Degrees(d)" reads as, within [0, 2π): the degrees are taken within one turn
// first, so that an angle beyond a turn (770) reads as exactly the angle within it (50).
float RadiansFromDegrees(float degrees);

// After a text form: only blanks may follow what it read. "1 2 3" is no two-vector, "Degrees(9)0"
// no angle.
class StringReader;
bool AtEndOfForm(StringReader& reader);

// Whether a finite double narrows to a finite float: every number up to the largest float and those
// that round to it ("3.4028235e38", its shortest text, lies a little above it), none that rounds to
// an infinity.
bool FitsFloat(double number);

bool ReadMember(BlueprintReader& reader, StringView key, bool& value);
// From a number of any tag, narrowed. Infinite and NaN numbers and numbers that would narrow to an
// infinity (FitsFloat) are refused: JSON cannot hold infinities.
bool ReadMember(BlueprintReader& reader, StringView key, float& value);
bool ReadMember(BlueprintReader& reader, StringView key, double& value);
// A whole number of either integer tag; one outside the field's range is refused.
bool ReadMember(BlueprintReader& reader, StringView key, int32_t& value);
bool ReadMember(BlueprintReader& reader, StringView key, uint32_t& value);
bool ReadMember(BlueprintReader& reader, StringView key, int64_t& value);
bool ReadMember(BlueprintReader& reader, StringView key, uint64_t& value);
bool ReadMember(BlueprintReader& reader, StringView key, std::string& value);
// A String "x y".
bool ReadMember(BlueprintReader& reader, StringView key, Vector2& value);
// A String "Degrees(d)", wrapped into [0, 2π) (RadiansFromDegrees), or "Radians(r)", kept as it is.
// Infinite and NaN angles are refused.
bool ReadMember(BlueprintReader& reader, StringView key, Angle& value);
// A String, added to NameSet::Global(); any other form is refused.
bool ReadMember(BlueprintReader& reader, StringView key, Name& value);
// An Object with "Position" (a Vector2 text) and "Rotation" (an Angle text). True whenever the
// Object is there; a part that is missing or unreadable keeps its field.
bool ReadMember(BlueprintReader& reader, StringView key, BoneTransform& value);
// A String in any of Color::Parse's forms.
bool ReadMember(BlueprintReader& reader, StringView key, Color& value);
// Any form ReadDuration reads.
bool ReadMember(BlueprintReader& reader, StringView key, Duration& value);
// An Array of "x y" texts. A member that is present always replaces the list: it is emptied, and
// each element appends one point, (0, 0) for an element that is no vector text. True only when the
// member is an Array and every element was read; otherwise the whole member is refused.
bool ReadMember(BlueprintReader& reader, StringView key, std::vector<Vector2>& points);

bool WriteMember(BlueprintWriter& writer, StringView key, bool value);
// As a Number.
bool WriteMember(BlueprintWriter& writer, StringView key, float value);
bool WriteMember(BlueprintWriter& writer, StringView key, double value);
bool WriteMember(BlueprintWriter& writer, StringView key, int32_t value);
bool WriteMember(BlueprintWriter& writer, StringView key, uint32_t value);
bool WriteMember(BlueprintWriter& writer, StringView key, int64_t value);
bool WriteMember(BlueprintWriter& writer, StringView key, uint64_t value);
bool WriteMember(BlueprintWriter& writer, StringView key, StringView value);
// A string literal would otherwise be taken for a bool.
bool WriteMember(BlueprintWriter& writer, StringView key, const char* value) = delete;
// As "x y" (WriteVector2Text).
bool WriteMember(BlueprintWriter& writer, StringView key, Vector2 value);
// As the shortest "Degrees(d)" that reads back as the same radians; as "Radians(r)" when no text of
// degrees does (outside [0, 2π), and a few angles within it no float of degrees lands on).
bool WriteMember(BlueprintWriter& writer, StringView key, Angle value);
// As the global name of the index; the empty text for an index the set does not hold.
bool WriteMember(BlueprintWriter& writer, StringView key, Name value);
// As Color::ToName's text.
bool WriteMember(BlueprintWriter& writer, StringView key, const Color& value);
// As a Number of seconds that reads back as the same count: the float nearest the seconds where its
// text does ("0.5", "0.016666668"), otherwise with one or two decimals ("999999.95").
bool WriteMember(BlueprintWriter& writer, StringView key, Duration value);
// As an Array of "x y" texts.
bool WriteMember(BlueprintWriter& writer, StringView key, const std::vector<Vector2>& points);

// Runs read() with the reader inside the Object member key and answers its answer; false when the
// member is absent. A member that is no Object is refused with why.
template <class Read> bool ReadObjectMember(BlueprintReader& reader, StringView key, StringView why, Read&& read)
{
    const Blueprint* member = reader.GetCurrent().GetObject().Find(key);
    if (!member)
        return false;
    if (member->GetType() != BlueprintType::Object || !reader.GetMember(key))
    {
        reader.Refuse(key, why);
        return false;
    }
    const bool answer = read();
    reader.Pop();
    return answer;
}

// Reads the whole text "x y" (blanks before and after each number are allowed; nothing else may
// follow). NaN, infinities and numbers beyond a float fail. The vector is written only on success.
bool ParseVector2(StringView text, Vector2& value);
// Makes the writer's current value the String "x y", each number in the trimmed float form.
bool WriteVector2Text(BlueprintWriter& writer, Vector2 value);

// Reads the reader's current value as a tick count: an Integer or UnsignedInteger is ticks; a Number,
// a String "{}_seconds" and a String "{}_hertz" (one period) are seconds rounded to the nearest tick;
// a String "{}_ticks" is ticks. Seconds are read in double, sixty ticks to the second, so that every
// count written as seconds reads back as itself. A count of -1 is the largest; other negative counts,
// counts beyond 32 bits, negative, infinite and NaN seconds, rates that are not above zero and texts
// with more after the form are refused; seconds beyond the largest count become the largest one.
// ticks is written only on success.
bool ReadDuration(BlueprintReader& reader, uint32_t& ticks);

// Reads a whole text typed or written as one number (Lon::ReadNumber's rule) into a field of the
// type, taking what ReadMember would take from a member holding that number: empty when taken,
// otherwise why not ("beyond the range of a float", "below 0", "a whole number was expected").
// value is written only when taken. For float, double and the 32- and 64-bit integers.
template <class T> std::string ReadNumberText(StringView text, T& value);

} // namespace Lumvek
