#include "Engine/Foundation/Zip.h"

#include "Tests/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <zlib.h>

namespace Lumvek
{
namespace
{

using Testing::LogCapture;

// Raw deflate data (no zlib header), as archives store it.
std::string Deflate(const std::string& data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
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

struct ReadResult
{
    bool read;
    Archive archive;
};

ReadResult Read(const std::string& bytes)
{
    ZipFormat format;
    ReadResult result{};
    BufferReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    result.read = format.Read(reader, result.archive);
    return result;
}

std::string Content(const Archive& archive, StringView name)
{
    const Buffer* content = archive.Find(name);
    return content ? content->ToString() : "<missing>";
}

const std::string Text = "Every sketch starts with a line. " + std::string(2000, 'x') + " and ends with another.";

TEST(Zip, ReadsStoredAndDeflatedEntriesInOrderWithLaterNamesReplacingEarlier)
{
    std::string binary("\0\1\2\3\xFF", 5);
    std::string archive = BuildZip({{"Readme.txt", "hello"},
                                    {"Maps/Big.json", Text, true},
                                    {"Empty", "", true},
                                    {"Data/raw.bin", binary},
                                    {"Late.txt", Text, true, true},
                                    {"Readme.txt", "replaced", true}},
                                   // The backward search starts where a whole record fits.
                                   "a comment, and PK\x05\x06 near its end");
    LogCapture log;
    ReadResult result = Read(archive);
    EXPECT_TRUE(result.read);
    EXPECT_TRUE(log.messages.empty());
    ASSERT_EQ(result.archive.Count(), 5u);
    EXPECT_EQ(result.archive[0].name, "Readme.txt");
    EXPECT_EQ(result.archive[1].name, "Maps/Big.json");
    EXPECT_EQ(Content(result.archive, "Readme.txt"), "replaced");
    EXPECT_EQ(Content(result.archive, "Maps/Big.json"), Text);
    EXPECT_EQ(Content(result.archive, "Empty"), "");
    EXPECT_EQ(Content(result.archive, "Data/raw.bin"), binary);
    EXPECT_EQ(Content(result.archive, "Late.txt"), Text);
    EXPECT_EQ(result.archive.Find("readme.txt"), nullptr);
}

TEST(Zip, BadEntriesAreSkippedOrLeftEmptyWhileTheOthersLoad)
{
    const struct
    {
        ZipEntry bad;
        const char* message;
        const char* content; // of the bad entry, when it stays in the archive
    } cases[] = {
        {{"Far", "far", false, false, 0xFFFFFFFF, 0x7FFFFFF0}, "zip entry  is invalid", nullptr},
        {{"Short", Text, true, false, 10}, "couldn't unzip Short", ""},
        {{"Bomb", "tiny", true, false, 0xFFFFFFF0}, "couldn't unzip Bomb", ""},
    };
    for (const auto& c : cases)
    {
        std::string archive = BuildZip({{"Before", "b"}, c.bad, {"After", Text, true}});
        LogCapture log;
        ReadResult result = Read(archive);
        EXPECT_FALSE(result.read) << c.bad.name;
        EXPECT_EQ(log.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(Content(result.archive, "Before"), "b");
        EXPECT_EQ(Content(result.archive, "After"), Text);
        EXPECT_EQ(Content(result.archive, c.bad.name), c.content ? c.content : "<missing>") << c.bad.name;
    }

    // Deflate data whose first block has the reserved block type.
    std::string archive = BuildZip({{"Broken", Text, true}});
    archive[30 + 6] |= 0x06;
    LogCapture log;
    ReadResult result = Read(archive);
    EXPECT_EQ(log.messages, std::vector<std::string>{"couldn't unzip Broken"});
    EXPECT_EQ(Content(result.archive, "Broken"), "");
}

TEST(Zip, ArchivesWithoutACompleteEndRecordAreInvalid)
{
    std::string valid = BuildZip({{"A", "a"}}, "comment");
    std::string noSignature = valid;
    noSignature[noSignature.size() - 7 - 22] = 'Q';
    const std::string cases[] = {
        "",          std::string("PK\x05\x06", 4),      valid.substr(valid.size() - 7 - 22, 21),
        noSignature, valid.substr(0, valid.size() - 1), // the comment runs past the end
    };
    for (const std::string& archive : cases)
    {
        LogCapture log;
        ReadResult result = Read(archive);
        EXPECT_FALSE(result.read);
        EXPECT_EQ(log.messages, std::vector<std::string>{"zip file is invalid"}) << archive.size();
        EXPECT_EQ(result.archive.Count(), 0u);
    }
}

TEST(Zip, EveryCutOrDamagedArchiveFailsWithoutReadingOutside)
{
    std::string valid = BuildZip({{"Stored.txt", "stored bytes"}, {"Packed.txt", Text, true}}, "c");
    for (size_t length = 0; length < valid.size(); ++length)
    {
        // The copy is exactly as long as the cut, so the sanitizer sees any read beyond it.
        std::string cut = valid.substr(0, length);
        EXPECT_FALSE(Read(cut).read) << length;
    }
    for (size_t at = 0; at < valid.size(); ++at)
    {
        std::string damaged = valid;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
        Read(damaged);
    }
}

TEST(Zip, SavingWritesNothing)
{
    LogCapture log;
    ZipFormat format;
    EXPECT_EQ(format.Save("a.zip", Archive()).Size(), 0u);
    EXPECT_EQ(log.messages, std::vector<std::string>{"saving to zip is not implemented"});
}

} // namespace
} // namespace Lumvek
