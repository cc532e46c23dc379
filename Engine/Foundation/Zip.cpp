#include "Engine/Foundation/Zip.h"

#include "Engine/Foundation/Log.h"

#include <new>

#include <zlib.h>

namespace Lumvek
{

namespace
{

constexpr uint32_t EndSignature = 0x06054b50;
constexpr uint32_t EndSize = 22;
constexpr uint32_t CentralHeaderSize = 46;
constexpr uint32_t LocalHeaderSize = 30;
// Deflate cannot shrink data by more than about 1032 to 1: an entry that claims more is damaged, and
// believing it would allocate up to 4 GB for a few bytes of archive.
constexpr uint64_t MaximumDeflateRatio = 1032;

// The archive's bytes with the checks every record goes through: offsets and sizes are 64-bit, so
// adding sizes read from the archive cannot wrap around.
struct ArchiveBytes
{
    const uint8_t* data;
    uint64_t size;
    int32_t byteOrder;

    bool Holds(uint64_t offset, uint64_t count) const { return offset <= size && count <= size - offset; }
    // A reader over count bytes at offset, which the caller has checked with Holds.
    BufferReader At(uint64_t offset, uint64_t count) const
    {
        return BufferReader(data + offset, static_cast<uint32_t>(count), byteOrder);
    }
};

struct CentralHeader
{
    uint16_t method = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t localOffset = 0;
    // Where the next central header starts.
    uint64_t end = 0;
};

bool ReadCentralHeader(const ArchiveBytes& bytes, uint64_t offset, CentralHeader& header)
{
    if (!bytes.Holds(offset, CentralHeaderSize))
        return false;
    BufferReader reader = bytes.At(offset, CentralHeaderSize);
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    uint16_t commentLength = 0;
    reader.Skip(10);
    reader.Read(header.method);
    reader.Skip(8);
    reader.Read(header.compressedSize);
    reader.Read(header.uncompressedSize);
    reader.Read(nameLength);
    reader.Read(extraLength);
    reader.Read(commentLength);
    reader.Skip(8);
    reader.Read(header.localOffset);
    header.end = offset + CentralHeaderSize + nameLength + extraLength + commentLength;
    return header.end <= bytes.size;
}

// Reads the local header's name and finds where the entry's data starts; false when the header does
// not fit in the archive or leaves no byte after it.
bool ReadLocalHeader(const ArchiveBytes& bytes, uint64_t offset, std::string& name, uint64_t& dataStart)
{
    if (!bytes.Holds(offset, LocalHeaderSize))
        return false;
    BufferReader reader = bytes.At(offset, LocalHeaderSize);
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    reader.Skip(26);
    reader.Read(nameLength);
    reader.Read(extraLength);
    if (!bytes.Holds(offset + LocalHeaderSize, nameLength))
        return false;
    name.assign(reinterpret_cast<const char*>(bytes.data + offset + LocalHeaderSize), nameLength);
    dataStart = offset + LocalHeaderSize + nameLength + extraLength;
    return dataStart < bytes.size;
}

// Raw deflate data (no zlib header) inflated in one call; true only when the stream ends within the
// expected size.
bool Inflate(const uint8_t* input, uint32_t inputSize, uint32_t expectedSize, Buffer& output)
{
    if (expectedSize > uint64_t(inputSize) * MaximumDeflateRatio + 64)
        return false;
    try
    {
        Buffer inflated(expectedSize);
        // zlib refuses a null output even when no byte is expected.
        uint8_t spare = 0;
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return false;
        stream.next_in = const_cast<Bytef*>(input);
        stream.avail_in = inputSize;
        stream.next_out = expectedSize ? inflated.Data() : &spare;
        stream.avail_out = expectedSize;
        int status = inflate(&stream, Z_FINISH);
        uint32_t produced = static_cast<uint32_t>(stream.total_out);
        inflateEnd(&stream);
        if (status != Z_STREAM_END)
            return false;
        output.Append(inflated.Data(), produced);
        return true;
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
}

} // namespace

size_t Archive::Fnv1a::operator()(std::string_view name) const
{
    uint64_t hash = 14695981039346656037ull;
    for (char c : name)
        hash = (hash ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    return static_cast<size_t>(hash);
}

Buffer& Archive::Add(StringView name)
{
    auto found = index.find(name.ToStdView());
    if (found != index.end())
    {
        Buffer& content = entries[found->second].content;
        content = Buffer();
        return content;
    }
    index.emplace(name.ToString(), Count());
    entries.push_back({name.ToString(), Buffer()});
    return entries.back().content;
}

const Buffer* Archive::Find(StringView name) const
{
    auto found = index.find(name.ToStdView());
    return found == index.end() ? nullptr : &entries[found->second].content;
}

bool ZipFormat::Read(BufferReader& reader, Archive& content)
{
    const ArchiveBytes bytes{reader.data, reader.size, reader.byteOrder};

    // The end record is the last thing in the archive but for its comment, so it is searched for
    // backwards from the last place it fits.
    bool found = false;
    uint64_t end = 0;
    for (uint64_t position = bytes.size >= EndSize ? bytes.size - EndSize + 1 : 0; position > 0; --position)
    {
        uint32_t signature = 0;
        bytes.At(position - 1, 4).Read(signature);
        if (signature == EndSignature)
        {
            found = true;
            end = position - 1;
            break;
        }
    }
    if (!found)
    {
        Log::Write("zip file is invalid");
        return false;
    }
    BufferReader endRecord = bytes.At(end, EndSize);
    uint16_t entryCount = 0;
    uint32_t directoryOffset = 0;
    uint16_t commentLength = 0;
    endRecord.Skip(8);
    endRecord.Read(entryCount);
    endRecord.Skip(6);
    endRecord.Read(directoryOffset);
    endRecord.Read(commentLength);
    if (!bytes.Holds(end + EndSize, commentLength))
    {
        Log::Write("zip file is invalid");
        return false;
    }

    bool complete = true;
    uint64_t central = directoryOffset;
    for (uint32_t entry = 0; entry < entryCount; ++entry)
    {
        CentralHeader header;
        if (!ReadCentralHeader(bytes, central, header))
        {
            // Every later header would start beyond this one, past the end as well.
            Log::Write("zip entry {} is invalid", StringView());
            return false;
        }
        central = header.end;

        std::string name;
        uint64_t dataStart = 0;
        // The sizes come from the central header: the local one holds zeros when the sizes were
        // written after the data.
        if (!ReadLocalHeader(bytes, header.localOffset, name, dataStart) ||
            !bytes.Holds(dataStart, header.compressedSize))
        {
            Log::Write("zip entry {} is invalid", name);
            complete = false;
            continue;
        }

        const uint8_t* data = bytes.data + dataStart;
        Buffer& entryContent = content.Add(name);
        if (header.method == 0)
        {
            entryContent.Append(data, header.compressedSize);
        }
        else if (!Inflate(data, header.compressedSize, header.uncompressedSize, entryContent))
        {
            Log::Write("couldn't unzip {}", name);
            complete = false;
        }
    }
    return complete;
}

bool ZipFormat::Write(BufferWriter&, const Archive&)
{
    Log::Write("saving to zip is not implemented");
    return false;
}

} // namespace Lumvek
