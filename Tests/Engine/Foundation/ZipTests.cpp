#include "Engine/Foundation/Zip.h"

#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace Lumvek
{
namespace
{

using Strings = std::vector<std::string>;

// Raw deflate data (no zlib header), as archives store it.
std::string Deflate(const std::string& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

struct ZipEntry
{
    std::string name;
    std::string data;
    bool deflated = false;
    // Sizes written after the data instead of in the local header.
    bool sizesAfterData = false;
    // What the central header claims instead of the truth, when set.
    uint32_t uncompressedSize = 0xFFFFFFFF;
    uint32_t localOffset = 0xFFFFFFFF;
};

// Appends little-endian numbers of the given widths.
void Put(std::string& out, std::initializer_list<std::pair<int, uint32_t>> fields)
{
    for (auto [width, value] : fields)
        for (int i = 0; i < width; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Local headers with their data, the central directory (each header with an extra field and a
// comment), the end record and the archive's comment, as archivers write them.
std::string BuildZip(const std::vector<ZipEntry>& entries, const std::string& comment = "")
{
    std::string archive, directory;
    for (const ZipEntry& entry : entries)
    {
        std::string stored = entry.deflated ? Deflate(entry.data) : entry.data;
        uint32_t size = static_cast<uint32_t>(stored.size());
        uint32_t unpacked =
            entry.uncompressedSize != 0xFFFFFFFF ? entry.uncompressedSize : static_cast<uint32_t>(entry.data.size());
        uint32_t method = entry.deflated ? 8 : 0;
        uint32_t name = static_cast<uint32_t>(entry.name.size());
        uint32_t offset = entry.localOffset != 0xFFFFFFFF ? entry.localOffset : static_cast<uint32_t>(archive.size());
        uint32_t after = entry.sizesAfterData;
        Put(archive, {{4, 0x04034b50}, {2, 20}, {2, after * 8}, {2, method}, {4, 0}, {4, 0}});
        Put(archive, {{4, after ? 0 : size}, {4, after ? 0 : unpacked}, {2, name}, {2, 0}});
        archive += entry.name + stored;
        Put(directory, {{4, 0x02014b50}, {2, 20}, {2, 20}, {2, 0}, {2, method}, {4, 0}, {4, 0}, {4, size}});
        Put(directory, {{4, unpacked}, {2, name}, {2, 3}, {2, 1}, {2, 0}, {2, 0}, {4, 0}, {4, offset}});
        directory += entry.name + "xyz" + "c";
    }
    uint32_t count = static_cast<uint32_t>(entries.size());
    uint32_t directoryOffset = static_cast<uint32_t>(archive.size());
    archive += directory;
    Put(archive, {{4, 0x06054b50}, {2, 0}, {2, 0}, {2, count}, {2, count}});
    Put(archive, {{4, static_cast<uint32_t>(directory.size())}, {4, directoryOffset}});
    Put(archive, {{2, static_cast<uint32_t>(comment.size())}});
    return archive + comment;
}

// Reads the bytes as an archive, with whatever it logged.
struct Read
{
    explicit Read(const std::string& bytes)
    {
        BufferReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        read = ZipFormat().Read(reader, archive);
    }
    std::string operator[](StringView name) const
    {
        const Buffer* content = archive.Find(name);
        return content ? content->ToString() : "<missing>";
    }

    Testing::LogCapture log;
    Archive archive;
    bool read = false;
};

const std::string Text = "Every sketch starts with a line. " + std::string(2000, 'x') + " and ends with another.";

TEST(Zip, ReadsStoredAndDeflatedEntriesInOrderWithLaterNamesReplacingEarlier)
{
    std::string binary("\0\1\2\3\xFF", 5);
    Read zip(BuildZip({{"Readme.txt", "hello"},
                       {"Maps/Big.json", Text, true},
                       {"Empty", "", true},
                       {"Data/raw.bin", binary},
                       {"Late.txt", Text, true, true},
                       {"Readme.txt", "replaced", true}},
                      // The backward search starts where a whole record fits.
                      "a comment, and PK\x05\x06 near its end"));
    EXPECT_TRUE(zip.read);
    EXPECT_TRUE(zip.log.messages.empty());
    ASSERT_EQ(zip.archive.Count(), 5u);
    EXPECT_EQ(zip.archive[0].name, "Readme.txt");
    EXPECT_EQ(zip.archive[1].name, "Maps/Big.json");
    EXPECT_EQ(zip["Readme.txt"], "replaced");
    EXPECT_EQ(zip["Maps/Big.json"], Text);
    EXPECT_EQ(zip["Empty"], "");
    EXPECT_EQ(zip["Data/raw.bin"], binary);
    EXPECT_EQ(zip["Late.txt"], Text);
    EXPECT_EQ(zip["readme.txt"], "<missing>");
}

TEST(Zip, BadEntriesAreSkippedOrLeftEmptyWhileTheOthersLoad)
{
    const struct
    {
        ZipEntry bad;
        const char* message;
        const char* content; // of the bad entry afterwards
    } cases[] = {
        {{"Far", "far", false, false, 0xFFFFFFFF, 0x7FFFFFF0}, "zip entry  is invalid", "<missing>"},
        {{"Short", Text, true, false, 10}, "couldn't unzip Short", ""},
        {{"Bomb", "tiny", true, false, 0xFFFFFFF0}, "couldn't unzip Bomb", ""},
        // The first deflate block of this one gets the reserved block type.
        {{"Broken", Text, true}, "couldn't unzip Broken", ""},
    };
    for (const auto& c : cases)
    {
        std::string archive = BuildZip({{"Before", "b"}, c.bad, {"After", Text, true}});
        if (c.bad.name == "Broken")
            archive[30 + 6 + 1 + 30 + 6] |= 0x06;
        Read zip(archive);
        EXPECT_FALSE(zip.read) << c.bad.name;
        EXPECT_EQ(zip.log.messages, Strings{c.message});
        EXPECT_EQ(zip["Before"], "b");
        EXPECT_EQ(zip["After"], Text);
        EXPECT_EQ(zip[c.bad.name], c.content) << c.bad.name;
    }
}

TEST(Zip, CutOrDamagedArchivesNeverReadOutsideTheirBytes)
{
    std::string valid = BuildZip({{"Stored.txt", "stored bytes"}, {"Packed.txt", Text, true}}, "comment");
    std::string noSignature = valid;
    noSignature[valid.size() - 7 - 22] = 'Q';
    for (const std::string& archive : {std::string("PK\x05\x06", 4), noSignature})
        EXPECT_EQ(Read(archive).log.messages, Strings{"zip file is invalid"});
    // Each copy is exactly as long as the cut, so the sanitizer sees any read beyond it.
    for (size_t length = 0; length < valid.size(); ++length)
    {
        Read zip(valid.substr(0, length));
        EXPECT_FALSE(zip.read) << length;
        EXPECT_EQ(zip.log.messages, Strings{"zip file is invalid"}) << length;
    }
    for (size_t at = 0; at < valid.size(); ++at)
    {
        std::string damaged = valid;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
        Read zip(damaged);
    }
}

} // namespace
} // namespace Lumvek
