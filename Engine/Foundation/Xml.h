#pragma once

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/Format.h"
#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <string>

namespace Lumvek
{

// Converts between XML text and Blueprint trees. Attributes and child elements become members of
// an Object; a childless element or a text run becomes a String. As the "xml" format it reads and
// writes files through the statics.
class XmlFormat : public TextFormat<Blueprint>
{
public:
    using TextFormat::TextFormat;

    // RapidXML parses and prints by recursion, one level per element, so texts and trees nested
    // deeper than this many elements are refused rather than risking the stack.
    static constexpr uint32_t MaximumDepth = 256;

    // Loads the first top-level element into target as an Object; a leading byte order mark, the
    // declaration and comments are skipped. False, with target untouched, for a syntax error, a
    // text without an element or one nested deeper than MaximumDepth.
    static bool LoadBlueprint(StringView text, Blueprint& target);
    // Writes the tree into a root element with an empty name, arrays as unnamed child elements and
    // objects as one child element per member, indented with tabs. A tree deeper than MaximumDepth
    // gives an empty text.
    static std::string SaveBlueprint(const Blueprint& value);

    // Logs "xml parsing failed" when the text is refused.
    bool Read(StringReader& reader, Blueprint& content) override;
    // False when the tree is too deep to be written.
    bool Write(BufferWriter& writer, const Blueprint& content) override;
};

} // namespace Lumvek
