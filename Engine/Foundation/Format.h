#pragma once

#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/StringView.h"
#include "Engine/Foundation/TypeRegistry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace Lumvek
{

class Blueprint;
class FileManager;
struct JsonNotes;

// What a format tells about a file without loading it. Formats that read no header return it empty.
struct FormatHeader
{
};

// The size and TextureFormat of an image file; all zero when the format cannot tell.
struct TextureHeader
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t format = 0;
};

// Turns the bytes of one file extension into one content type and back. Owned by the file manager,
// which finds a format by content type id and extension. Formats keep no state between calls, so
// any loader thread may use one. The pattern language's Format function shares the name: outside
// the format classes, name this class as `class Format`.
class Format
{
public:
    Format() = default;
    Format(FileManager* manager, uint32_t contentTypeId, StringView extension)
        : manager(manager), contentTypeId(contentTypeId), extension(extension.ToString())
    {
    }
    Format(const Format&) = delete;
    Format& operator=(const Format&) = delete;
    // The manager deletes its formats through this class.
    virtual ~Format() = default;

    // Reads the file at path into content, which must be an object of the content type whose id is
    // contentType; false, with content untouched, when this format loads another type. Lets the file
    // manager load and reload content whose type it only knows by id.
    virtual bool LoadContent(StringView path, uint32_t contentType, void* content) = 0;

    FileManager* manager = nullptr;
    uint32_t contentTypeId = 0xFFFFFFFFu;
    // Without the dot, for example "png".
    std::string extension;
};

namespace File
{

// The whole file's bytes; when it cannot be read, logs "data could not be read from file" and gives
// empty bytes, which the formats then parse like an empty file.
Buffer ReadAllBytes(StringView path);

} // namespace File

// A format of content type T: loading from a file or from bytes, saving to bytes.
template <class T> class ContentFormat : public Format
{
public:
    using Content = T;
    using Format::Format;

    bool LoadContent(StringView path, uint32_t contentType, void* content) final
    {
        if (contentType != TypeIndex<T>() || content == nullptr)
            return false;
        LoadFile(path, *static_cast<T*>(content));
        return true;
    }

    // Reads the whole file and loads its bytes; a file that cannot be read loads as empty bytes.
    virtual void LoadFile(StringView path, T& content)
    {
        Buffer bytes = File::ReadAllBytes(path);
        Load(path, bytes.View(), content);
    }
    // Parses the bytes into content. A failure is logged by the parser, and content keeps what the
    // parser left in it.
    virtual void Load(StringView path, StringView bytes, T& content) = 0;
    // The file's bytes for content.
    virtual Buffer Save(StringView path, const T& content) = 0;
};

// A format of content type T whose files can tell a header H without being loaded.
template <class T, class H> class HeaderFormat : public ContentFormat<T>
{
public:
    using Header = H;
    using ContentFormat<T>::ContentFormat;

    virtual H ReadHeaderFromBytes(StringView path, StringView bytes) = 0;
};

// A format of text files: Read parses from a StringReader over the bytes, Write appends bytes.
template <class T, class H = FormatHeader> class TextFormat : public HeaderFormat<T, H>
{
public:
    using HeaderFormat<T, H>::HeaderFormat;

    void Load(StringView, StringView bytes, T& content) override
    {
        StringReader reader(bytes);
        Read(reader, content);
    }
    Buffer Save(StringView, const T& content) override
    {
        BufferWriter writer(MemoryOrder);
        Write(writer, content);
        return std::move(writer.buffer);
    }
    // Text files carry no header.
    H ReadHeaderFromBytes(StringView, StringView) override { return H(); }
    virtual H ReadHeader(StringReader&) { return H(); }

    virtual bool Read(StringReader& reader, T& content) = 0;
    virtual bool Write(BufferWriter& writer, const T& content) = 0;
};

// A format of binary files whose multi-byte values lie in byteOrder (MemoryOrder or ReversedOrder).
template <class T, int32_t byteOrder, class H = FormatHeader> class BinaryFormat : public HeaderFormat<T, H>
{
public:
    static constexpr int32_t ByteOrder = byteOrder;
    using HeaderFormat<T, H>::HeaderFormat;

    void Load(StringView, StringView bytes, T& content) override
    {
        BufferReader reader(bytes.data, bytes.length, byteOrder);
        Read(reader, content);
    }
    Buffer Save(StringView, const T& content) override
    {
        BufferWriter writer(byteOrder);
        Write(writer, content);
        return std::move(writer.buffer);
    }
    H ReadHeaderFromBytes(StringView, StringView bytes) override
    {
        BufferReader reader(bytes.data, bytes.length, byteOrder);
        return ReadHeader(reader);
    }
    // Formats that read no header keep this one.
    virtual H ReadHeader(BufferReader&) { return H(); }

    virtual bool Read(BufferReader& reader, T& content) = 0;
    virtual bool Write(BufferWriter& writer, const T& content) = 0;
};

namespace FormatDetail
{

// The LON side of the blueprint formats, kept out of this header so that it needs no tree types.
// ParseLon hands the tree parsed from the text (invalid where the text failed) to use; SaveLon lets
// fill write into an empty tree and returns the tree's LON text. With notes, ParseLon notes there the
// keys written twice, the numbers the tree cannot hold as written and where the text failed.
void ParseLon(StringView text, const std::function<void(const Blueprint&)>& use, JsonNotes* notes = nullptr);
Buffer SaveLon(const std::function<void(Blueprint&)>& fill);

} // namespace FormatDetail

// A format of LON files read into a Blueprint tree first: Read and ReadHeader take the parsed tree,
// Write fills an empty tree that is then saved as LON text.
template <class T, class H = FormatHeader> class BlueprintFormat : public HeaderFormat<T, H>
{
public:
    using HeaderFormat<T, H>::HeaderFormat;

    void Load(StringView, StringView bytes, T& content) override
    {
        FormatDetail::ParseLon(bytes, [&](const Blueprint& tree) { Read(tree, content); });
    }
    Buffer Save(StringView, const T& content) override
    {
        return FormatDetail::SaveLon([&](Blueprint& tree) { Write(tree, content); });
    }
    H ReadHeaderFromBytes(StringView, StringView bytes) override
    {
        H header{};
        FormatDetail::ParseLon(bytes, [&](const Blueprint& tree) { header = ReadHeader(tree); });
        return header;
    }
    virtual H ReadHeader(const Blueprint&) { return H(); }

    virtual bool Read(const Blueprint& tree, T& content) = 0;
    virtual bool Write(Blueprint& tree, const T& content) = 0;
};

} // namespace Lumvek
